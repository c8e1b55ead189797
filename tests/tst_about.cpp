#include "CorvaneBuildInfo.h"
#include "FakeRegistry.h"
#include "FakeServices.h"
#include "MessageBoxWatcher.h"
#include "Services.h"
#include "UiCommon.h"
#include "frmAbout.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <optional>

using namespace corvane;
using namespace corvane::test;
using namespace Qt::Literals::StringLiterals;
using Value = FakeRegistry::Value;
using Slot = std::optional<Value>; // nullopt: the key is missing
Q_DECLARE_METATYPE(Slot)

namespace {

const QByteArray pathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QByteArray folderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QByteArray tool = "/usr/bin/sysinfo";
const QString folderTool = u"C:\\Tools\\MSINFO32.EXE"_s, slashedTool = u"C:\\Tools\\\\MSINFO32.EXE"_s;

Value text(const QByteArray& value)
{
    return {Registry::typeText, value + '\0'};
}

struct Fixture
{
    FakeSettingsStore settings;
    FakeClipboard clipboard;
    FakeShell shell;
    FakeLauncher launcher;
    FakeRegistry registry;
    Services services{settings, clipboard, shell, launcher, registry};
    QPointer<frmAbout> window = new frmAbout(services);

    ~Fixture() { delete window.data(); }
    QWidget* control(const QString& name) const
    {
        return name == window->objectName() ? window.data() : window->findChild<QWidget*>(name);
    }
    QString label(const char* name) const { return window->findChild<QLabel*>(name)->text(); }
    bool showActive() const
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }
};

} // namespace

class tst_About : public QObject
{
    Q_OBJECT
private slots:
    void startSysInfo_data()
    {
        QTest::addColumn<Slot>("path");
        QTest::addColumn<Slot>("folder");
        QTest::addColumn<bool>("triesFolder");
        QTest::addColumn<QStringList>("started");
        const auto row = [](const char* name, Slot path, Slot folder, bool triesFolder, QStringList started) {
            QTest::addRow("%s", name) << path << folder << triesFolder << started;
        };
        const Value dir = text("C:\\Tools");
        row("location 1 startable", text(tool), dir, false, {tool});
        row("location 1 without terminating zero", Value{Registry::typeText, tool}, {}, false, {tool});
        row("location 1 names a missing file", text("/opt/gone"), dir, false, {"/opt/gone"});
        row("location 1 of 1024 characters is absent", text(QByteArray(1024, 'a')), dir, true, {folderTool});
        row("location 1 of another type", Value{3, tool + '\0'}, dir, false, {""});
        row("location 1 a number with a zero top byte",
            Value{Registry::typeDword, QByteArray::fromHex("bc9a7800")}, dir, false, {"&h789ABC"});
        row("location 1 of size 0", Value{Registry::typeText, {}}, dir, false, {});
        row("location 2 holds the tool", {}, dir, true, {folderTool});
        row("location 2 ending in a backslash", {}, text("C:\\Tools\\"), true, {slashedTool});
        row("location 2 without the tool", {}, text("C:\\Bare"), true, {});
        row("both locations missing", {}, {}, true, {});
    }

    void startSysInfo()
    {
        QFETCH(Slot, path);
        QFETCH(Slot, folder);
        QFETCH(bool, triesFolder);
        QFETCH(QStringList, started);
        Fixture f;
        if (path)
            f.registry.keys[pathKey].insert("PATH", *path);
        if (folder)
            f.registry.keys[folderKey].insert("MSINFO", *folder);
        f.launcher.files = {folderTool, slashedTool};
        f.launcher.startable = {folderTool, slashedTool, tool};
        MessageBoxWatcher watcher;
        f.window->StartSysInfo();

        QCOMPARE(f.launcher.attempted, started);
        // The message comes exactly when nothing could be started.
        const bool message = started.isEmpty() || !f.launcher.startable.contains(started.last());
        QCOMPARE(watcher.texts,
                 message ? QStringList{"System Information Is Unavailable At This Time"} : QStringList{});
        QVERIFY(watcher.wellFormed);
        // Each open asks for full access and is closed once with the handle it produced (0 after a
        // failed open); each query offers the whole buffer.
        QCOMPARE(f.registry.opened,
                 (triesFolder ? QByteArrayList{pathKey, folderKey} : QByteArrayList{pathKey}));
        QCOMPARE(f.registry.accesses, QList<quint32>(f.registry.opened.size(), 0x2003F));
        QCOMPARE(f.registry.bufferSizes, QList<quint32>(f.registry.bufferSizes.size(), 1024));
        QCOMPARE(f.registry.closes, f.registry.handles);
    }

    // What the window shows on opening, again after it is closed and opened anew.
    void opening()
    {
        Fixture f;
        for (int opening = 1; opening <= 2; ++opening) {
            QVERIFY(f.showActive());
            QCOMPARE(f.window->frameGeometry().center(), f.window->screen()->availableGeometry().center());
            QCOMPARE(f.window->windowTitle(), u"About Corvane"_s);
            QCOMPARE(f.label("lblTitle"), u"Corvane"_s);
            QCOMPARE(f.label("lblVersion"), QString::asprintf("Version %d.%d.%d", build::versionMajor,
                                                              build::versionMinor, build::versionRevision));
            QStringList visited{QApplication::focusWidget()->objectName()};
            for (int key :
                 {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab}) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
                visited.append(QApplication::focusWidget()->objectName());
            }
            QCOMPARE(visited, (QStringList{"picIcon", "Command1", "Command2", "Command3", "Command4",
                                           "picIcon", "Command4"}));
            f.window->findChild<QLabel*>("lblVersion")->clear();
            f.window->close();
            QTRY_VERIFY(f.window.isNull());
            f.window = new frmAbout(f.services);
        }
    }

    void controls_data()
    {
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("hover");
        QTest::addRow("frmAbout") << QRect(0, 0, 382, 266) << "" << false;
        QTest::addRow("picIcon") << QRect(8, 8, 71, 147) << "Talvery Software" << false;
        QTest::addRow("lblTitle") << QRect(104, 16, 187, 16) << "" << false;
        QTest::addRow("lblVersion") << QRect(104, 40, 155, 15) << "" << false;
        QTest::addRow("Image1") << QRect(320, 8, 48, 48) << "" << false;
        QTest::addRow("Frame2") << QRect(104, 56, 265, 73) << "" << false;
        QTest::addRow("lblDescription") << QRect(8, 8, 253, 59) << "" << false;
        QTest::addRow("Frame1") << QRect(8, 160, 273, 97) << "" << false;
        QTest::addRow("lblDisclaimer") << QRect(8, 16, 258, 79) << "" << false;
        QTest::addRow("Command1") << QRect(104, 136, 153, 23) << "Join our mailing list" << true;
        QTest::addRow("Command2") << QRect(288, 136, 83, 23) << "Visit Talvery" << true;
        QTest::addRow("Command3") << QRect(286, 185, 83, 23) << "Close this window" << false;
        QTest::addRow("Command4") << QRect(286, 232, 83, 23) << "Info about your computer" << false;
    }

    void controls()
    {
        QFETCH(QRect, geometry);
        QFETCH(QString, toolTip);
        QFETCH(bool, hover);
        Fixture f;
        QWidget* control = f.control(QTest::currentDataTag());
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
        QCOMPARE(control->toolTip(), toolTip);
        // The hover cursor comes with a mouse move, not before.
        QVERIFY(!control->testAttribute(Qt::WA_SetCursor));
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), control->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(control, &move);
        QCOMPARE(control->testAttribute(Qt::WA_SetCursor), hover);
        if (hover)
            QCOMPARE(control->cursor().pixmap().toImage(), hoverCursor().pixmap().toImage());
    }

    void activation_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("keys"); // empty for a left click
        QTest::addColumn<QString>("effect");
        const QString home = QString::fromUtf8(build::homeUrl),
                      list = QString::fromUtf8(build::mailingListUrl);
        const QString start = "start "_L1 + tool, closed = u"closed"_s;
        const auto row = [](const char* control, const char* keys, const QString& effect) {
            QTest::addRow("%s %s", control, *keys ? keys : "click") << control << keys << effect;
        };
        row("Command1", "", list);
        row("Command2", "", home);
        row("Image1", "", home);
        row("picIcon", "", home);
        row("Command3", "", closed);
        row("picIcon", "Alt+J", list);
        row("picIcon", "Alt+T", home);
        row("picIcon", "Alt+E", closed);
        row("picIcon", "Alt+S", start);
        row("Command1", "Return", list);
        row("Command4", "Num+Enter", start);
        row("picIcon", "Return", home);
        row("picIcon", "Space", home);
        row("Command3", "Esc", QString());
    }

    void activation()
    {
        QFETCH(QString, control);
        QFETCH(QString, keys);
        QFETCH(QString, effect);
        QCOMPARE(QKeySequence(keys).toString(), keys);
        Fixture f;
        f.registry.keys[pathKey].insert("PATH", text(tool));
        f.launcher.startable.insert(tool);
        QVERIFY(f.showActive());
        MessageBoxWatcher watcher;
        f.control(control)->setFocus();
        if (keys.isEmpty())
            QTest::mouseClick(f.control(control), Qt::LeftButton);
        else
            QTest::keySequence(f.control(control), QKeySequence(keys));

        // The URLs handed to the shell, then the programs started, then whether the window closed.
        const auto effects = [&f] {
            QStringList seen = f.shell.opened;
            for (const QString& program : f.launcher.attempted)
                seen << "start " + program;
            return (f.window ? seen : seen << u"closed"_s).join(u'|');
        };
        // Mnemonics press their button after a short delay; the second look shows nothing follows.
        QTRY_COMPARE(effects(), effect);
        QTest::qWait(200);
        QCOMPARE(effects(), effect);
        QVERIFY(f.window.isNull() || f.window->isVisible());
        QCOMPARE(watcher.texts, QStringList{});
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
