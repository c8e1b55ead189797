#include "CorvaneBuildInfo.h"
#include "FakeServices.h"
#include "frmAbout.h"

#include <QPointer>
#include <QScopeGuard>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {

const QString tool = "/usr/bin/sysinfo", folderTool = "C:\\Tools\\MSINFO32.EXE";
// A path outside every 8-bit code page but the Cyrillic ones.
const QString cyrillicTool = QString::fromUtf8("C:\\Сведения\\msinfo32.exe");

} // namespace

class tst_About : public QObject
{
    Q_OBJECT
private slots:
    // Keys pressed in turn from the word-mark, which has the focus when the window opens: the addresses
    // opened, programs started and messages shown, then "closed" when the window went away. System Info is
    // one step back from the word-mark. The registry's places for its tool, when not empty: the full path,
    // stored without a terminating zero, `path32`, the same in the 32-bit view, and the folder that holds
    // it, stored with one. The registry refuses any open that asks to write.
    void keys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path32");
        QTest::addColumn<QString>("effect");
        QTest::addColumn<quint32>("pathType");
        const auto row = [](const char* name, const QString& keys, const QString& path, const QString& folder,
                            const QString& path32, const QString& effect, quint32 pathType = Registry::typeText) {
            QTest::addRow("%s", name) << keys << path << folder << path32 << effect << pathType;
        };
        row("mailing list", "Tab, Return", tool, "", "", QString::fromUtf8(build::mailingListUrl));
        row("home page", "Tab, Tab, Space", tool, "", "", QString::fromUtf8(build::homeUrl));
        row("Close", "Tab, Tab, Tab, Return", tool, "", "", "closed");
        row("Alt+E", "Alt+E", tool, "", "", "closed");
        const QString sysInfo = "Shift+Tab, Space", unavailable = "|System Information Is Unavailable At This Time";
        row("full path first", sysInfo, tool, "C:\\Tools", "", "start " + tool);
        row("path not startable", sysInfo, "/opt/gone", "C:\\Tools", "", "start /opt/gone" + unavailable);
        row("folder with the tool", sysInfo, "", "C:\\Tools", "", "start " + folderTool);
        row("folder without the tool", sysInfo, "", "C:\\Bare", "", unavailable.mid(1));
        row("64-bit view before 32-bit", sysInfo, tool, "", "/opt/old", "start " + tool);
        row("32-bit view only", sysInfo, "", "", tool, "start " + tool);
        row("outside the ANSI code page", sysInfo, cyrillicTool, "", "", "start " + cyrillicTool);
        // A number comes as "&h" and its bytes from the highest down, a zero top byte dropped.
        row("number, top byte zero", sysInfo, QString::fromLatin1("\xEF\xBE\xAD\0", 4), "", "",
            "start &hADBEEF" + unavailable, Registry::typeDword);
        row("number, low bytes zero", sysInfo, QString::fromLatin1("\0\0\0\x7F", 4), "", "",
            "start &h7F000000" + unavailable, Registry::typeDword);
    }

    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QString, path32);
        QFETCH(quint32, pathType);
        QFETCH(QString, effect);
        TestServices f;
        const QString pathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
        // A number's bytes stand in `path` one to a character, as the registry hands them over.
        if (!path.isEmpty())
            f.registry.values[pathKey] = pathType == Registry::typeText ? FakeRegistry::text(path, false)
                                                                        : std::pair{pathType, path.toLatin1()};
        if (!path32.isEmpty())
            f.registry.values["32-bit " + pathKey] = FakeRegistry::text(path32, false);
        if (!folder.isEmpty())
            f.registry.values["SOFTWARE\\Microsoft\\Shared Tools Location|MSINFO"] = FakeRegistry::text(folder, true);
        f.shell.startable = {tool, folderTool, cyrillicTool};
        QPointer<frmAbout> window = new frmAbout(f.services);
        const auto closeAbout = qScopeGuard([&window] { delete window.data(); });
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        const QKeySequence sequence(keys);
        for (int i = 0; i < sequence.count(); ++i)
            QTest::keyClick(QApplication::focusWidget(), sequence[i].key(), sequence[i].keyboardModifiers());
        const auto effects = [&f, &window] {
            return (f.shell.seen + f.dialogs.seen).join(u'|') + (window ? "" : "closed");
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
