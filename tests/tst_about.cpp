#include "CorvaneBuildInfo.h"
#include "FakeServices.h"
#include "frmAbout.h"

#include <QPointer>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {

const QString tool = "/usr/bin/sysinfo", folderTool = "C:\\Tools\\MSINFO32.EXE";
// A path outside every 8-bit code page but the Cyrillic ones.
const QString cyrillicTool = QString::fromUtf8("C:\\Сведения\\msinfo32.exe");

// The registry's two places for the tool, when not empty: its full path, stored without a terminating
// zero, and the folder that holds it, stored with one; `path32` is the full path in the 32-bit view.
struct Fixture : TestServices
{
    QPointer<frmAbout> window = new frmAbout(services);
    explicit Fixture(const QString& path = tool, const QString& folder = {}, const QString& path32 = {},
                     quint32 pathType = Registry::typeText)
    {
        const QString pathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
        // A number's bytes stand in `path` one to a character, as the registry hands them over.
        if (!path.isEmpty())
            registry.values[pathKey] = pathType == Registry::typeText ? FakeRegistry::text(path, false) : path.toLatin1();
        registry.types[pathKey] = pathType;
        if (!path32.isEmpty())
            registry.values32[pathKey] = FakeRegistry::text(path32, false);
        if (!folder.isEmpty())
            registry.values["SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO"] = FakeRegistry::text(folder, true);
        shell.startable = {tool, folderTool, cyrillicTool};
    }
    ~Fixture() { delete window.data(); }
};

} // namespace

class tst_About : public QObject
{
    Q_OBJECT
private slots:
    // What was started and the message shown, if any. The registry refuses any open that asks to write.
    void startSysInfo_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path32");
        QTest::addColumn<QStringList>("seen");
        QTest::addColumn<quint32>("pathType");
        const QString unavailable = "System Information Is Unavailable At This Time";
        const auto row = [](const char* name, const QString& path, const QString& folder, const QString& path32,
                            const QStringList& seen, quint32 pathType = Registry::typeText) {
            QTest::addRow("%s", name) << path << folder << path32 << seen << pathType;
        };
        row("full path first", tool, "C:\\Tools", "", {"start " + tool});
        row("path not startable", "/opt/gone", "C:\\Tools", "", {"start /opt/gone", unavailable});
        row("folder with the tool", "", "C:\\Tools", "", {"start " + folderTool});
        row("folder without the tool", "", "C:\\Bare", "", {unavailable});
        row("64-bit view before 32-bit", tool, "", "/opt/old", {"start " + tool});
        row("32-bit view only", "", "", tool, {"start " + tool});
        row("outside the ANSI code page", cyrillicTool, "", "", {"start " + cyrillicTool});
        // A number comes as "&h" and its bytes from the highest down, a zero top byte dropped.
        row("number, top byte zero", QString::fromLatin1("\xEF\xBE\xAD\0", 4), "", "", {"start &hADBEEF", unavailable},
            Registry::typeDword);
        row("number, low bytes zero", QString::fromLatin1("\0\0\0\x7F", 4), "", "", {"start &h7F000000", unavailable},
            Registry::typeDword);
    }

    void startSysInfo()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QString, path32);
        QFETCH(quint32, pathType);
        Fixture f(path, folder, path32, pathType);
        f.window->StartSysInfo();
        QTEST(f.shell.seen + f.dialogs.seen, "seen");
    }

    // Keys pressed in turn from the word-mark, which has the focus when the window opens: the addresses
    // opened, programs started and messages shown, then "closed" when the window went away.
    void keys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("effect");
        QTest::addRow("mailing list") << "Tab, Return" << QString::fromUtf8(build::mailingListUrl);
        QTest::addRow("home page") << "Tab, Tab, Space" << QString::fromUtf8(build::homeUrl);
        QTest::addRow("Close") << "Tab, Tab, Tab, Return" << "closed";
        QTest::addRow("Alt+E") << "Alt+E" << "closed";
    }

    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(QString, effect);
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        const QKeySequence sequence(keys);
        for (int i = 0; i < sequence.count(); ++i)
            QTest::keyClick(QApplication::focusWidget(), sequence[i].key(), sequence[i].keyboardModifiers());
        const auto effects = [&f] {
            return (f.shell.seen + f.dialogs.seen).join(u'|') + (f.window ? "" : "closed");
        };
        // Mnemonics press their button after a short delay; the second look shows nothing follows.
        // (Qt 6.8's QTRY_ macros do not build under -Wconversion.)
        (void)QTest::qWaitFor([&] { return effects() == effect; });
        QTest::qWait(200);
        QCOMPARE(effects(), effect);
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
