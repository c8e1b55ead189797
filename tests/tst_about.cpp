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
    DialogWatcher dialogs;
    QPointer<frmAbout> window = new frmAbout(services);
    explicit Fixture(const QString& path = tool, const QString& folder = {}, const QString& path32 = {})
    {
        const QString pathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO|PATH";
        if (!path.isEmpty())
            registry.values[pathKey] = FakeRegistry::text(path, false);
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
    // What was started and the message shown, if any. Every key is opened to read only.
    void startSysInfo_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("path32");
        QTest::addColumn<QStringList>("seen");
        const QString unavailable = "System Information Is Unavailable At This Time";
        QTest::addRow("full path first") << tool << "C:\\Tools" << "" << QStringList{"start " + tool};
        QTest::addRow("path not startable")
            << "/opt/gone" << "C:\\Tools" << "" << QStringList{"start /opt/gone", unavailable};
        QTest::addRow("folder with the tool") << "" << "C:\\Tools" << "" << QStringList{"start " + folderTool};
        QTest::addRow("folder without the tool") << "" << "C:\\Bare" << "" << QStringList{unavailable};
        QTest::addRow("64-bit view before 32-bit") << tool << "" << "/opt/old" << QStringList{"start " + tool};
        QTest::addRow("32-bit view only") << "" << "" << tool << QStringList{"start " + tool};
        QTest::addRow("outside the ANSI code page")
            << cyrillicTool << "" << "" << QStringList{"start " + cyrillicTool};
    }

    void startSysInfo()
    {
        QFETCH(QString, path);
        QFETCH(QString, folder);
        QFETCH(QString, path32);
        QFETCH(QStringList, seen);
        Fixture f(path, folder, path32);
        f.window->StartSysInfo();
        for (const quint32 access : f.registry.asked)
            QVERIFY2(!(access & FakeRegistry::writeRights), qPrintable(QString::number(access, 16)));
        QCOMPARE(f.shell.seen + f.dialogs.seen, seen);
    }

    // Keys pressed in turn from the word-mark, which has the focus when the window opens: the addresses
    // opened, programs started and messages shown, then "closed" when the window went away.
    void keys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("effect");
        const QString home = QString::fromUtf8(build::homeUrl);
        QTest::addRow("Space on the word-mark") << "Space" << home;
        QTest::addRow("mailing list") << "Tab, Return" << QString::fromUtf8(build::mailingListUrl);
        QTest::addRow("home page") << "Tab, Tab, Space" << home;
        QTest::addRow("Close") << "Tab, Tab, Tab, Return" << "closed";
        QTest::addRow("System Info, last in the tab order") << "Backtab, Space" << "start " + tool;
        QTest::addRow("Alt+E") << "Alt+E" << "closed";
    }

    void keys()
    {
        QFETCH(QString, keys);
        QFETCH(QString, effect);
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        QCOMPARE(f.window->windowTitle(), "About Corvane");
        const QKeySequence sequence(keys);
        for (int i = 0; i < sequence.count(); ++i)
            QTest::keyClick(QApplication::focusWidget(), sequence[i].key(), sequence[i].keyboardModifiers());
        const auto effects = [&f] {
            return (f.shell.seen + f.dialogs.seen).join(u'|') + (f.window ? "" : "closed");
        };
        // Mnemonics press their button after a short delay; the second look shows nothing follows.
        QTRY_COMPARE(effects(), effect);
        QTest::qWait(200);
        QCOMPARE(effects(), effect);
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
