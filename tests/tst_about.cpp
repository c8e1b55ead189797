#include "CorvaneBuildInfo.h"
#include "FakeRegistry.h"
#include "FakeServices.h"
#include "Services.h"
#include "UiCommon.h"
#include "frmAbout.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "MessageBoxWatcher.h"

#include <optional>
#include <stdexcept>

using namespace corvane;
using namespace corvane::test;

using Slot = std::optional<FakeRegistryValue>;
Q_DECLARE_METATYPE(Slot)

namespace {

const QByteArray pathKey = QByteArrayLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QByteArray folderKey = QByteArrayLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString unavailable = QStringLiteral("System Information Is Unavailable At This Time");
const QString tool = QStringLiteral("/usr/bin/sysinfo");
const QString folderTool = QStringLiteral("C:\\Tools\\MSINFO32.EXE");
const QString homeUrl = QString::fromUtf8(build::homeUrl);
const QString listUrl = QString::fromUtf8(build::mailingListUrl);

FakeRegistryValue text(const QByteArray& value)
{
    return {Registry::typeText, value + '\0', {}};
}

FakeRegistryValue raw(quint32 type, const QByteArray& bytes, std::optional<quint32> reportedSize = {})
{
    return {type, bytes, reportedSize};
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
    QWidget* control(const QString& name) const { return window->findChild<QWidget*>(name); }
    bool showActive() const
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }
};

// Every key opened is closed once with the handle the open produced, a failed open with 0.
void verifyRegistryProtocol(const FakeRegistry& registry)
{
    QCOMPARE(registry.closes.size(), registry.opens.size());
    for (qsizetype i = 0; i < registry.opens.size(); ++i) {
        QCOMPARE(registry.opens[i].root, Registry::localMachine);
        QCOMPARE(registry.opens[i].options, 0u);
        QCOMPARE(registry.opens[i].access, 0x2003Fu);
        QCOMPARE(registry.closes[i], registry.opens[i].key);
    }
    for (const FakeRegistry::Query& query : registry.queries)
        QCOMPARE(query.bufferSize, 1024u);
    QVERIFY(registry.openKeys.isEmpty());
}

} // namespace

class tst_About : public QObject
{
    Q_OBJECT
private slots:
    void startSysInfo_data();
    void startSysInfo();
    void getKeyValue_data();
    void getKeyValue();
    void formLoad();
    void geometry_data();
    void geometry();
    void focusOrderAndPlacement();
    void hoverCursor_data();
    void hoverCursor();
    void activation_data();
    void activation();
};

void tst_About::startSysInfo_data()
{
    QTest::addColumn<Slot>("path");
    QTest::addColumn<Slot>("folder");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QByteArrayList>("opened");
    QTest::addColumn<QStringList>("tested");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<bool>("message");

    const QByteArrayList both{pathKey, folderKey};
    const QByteArray longest(1023, 'a');
    const QByteArray tooLong(1024, 'a');

    QTest::addRow("path found") << Slot(text(tool.toUtf8())) << Slot(text("C:\\Tools"))
                                << QStringList{folderTool} << QByteArrayList{pathKey} << QStringList{}
                                << QStringList{tool} << false;
    QTest::addRow("path without terminating zero")
        << Slot(raw(Registry::typeText, tool.toUtf8())) << Slot() << QStringList{} << QByteArrayList{pathKey}
        << QStringList{} << QStringList{tool} << false;
    QTest::addRow("path names a missing tool")
        << Slot(text("/opt/gone")) << Slot(text("C:\\Tools")) << QStringList{folderTool}
        << QByteArrayList{pathKey} << QStringList{} << QStringList{"/opt/gone"} << true;
    QTest::addRow("path of 1023 characters fits")
        << Slot(text(longest)) << Slot() << QStringList{} << QByteArrayList{pathKey} << QStringList{}
        << QStringList{QString::fromLatin1(longest)} << false;
    QTest::addRow("path of 1024 characters is absent")
        << Slot(text(tooLong)) << Slot(text("C:\\Tools")) << QStringList{folderTool} << both
        << QStringList{folderTool} << QStringList{folderTool} << false;
    QTest::addRow("path of another type")
        << Slot(raw(3, tool.toUtf8() + '\0')) << Slot(text("C:\\Tools")) << QStringList{folderTool}
        << QByteArrayList{pathKey} << QStringList{} << QStringList{QString()} << true;
    QTest::addRow("path reported with size 0")
        << Slot(raw(Registry::typeText, tool.toUtf8() + '\0', 0u)) << Slot(text("C:\\Tools"))
        << QStringList{folderTool} << QByteArrayList{pathKey} << QStringList{} << QStringList{} << true;
    QTest::addRow("folder holds the tool")
        << Slot() << Slot(text("C:\\Tools")) << QStringList{folderTool} << both << QStringList{folderTool}
        << QStringList{folderTool} << false;
    QTest::addRow("folder ending in a backslash")
        << Slot() << Slot(text("C:\\Tools\\")) << QStringList{"C:\\Tools\\\\MSINFO32.EXE"} << both
        << QStringList{"C:\\Tools\\\\MSINFO32.EXE"} << QStringList{"C:\\Tools\\\\MSINFO32.EXE"} << false;
    QTest::addRow("folder without the tool") << Slot() << Slot(text("C:\\Tools")) << QStringList{} << both
                                             << QStringList{folderTool} << QStringList{} << true;
    QTest::addRow("both absent") << Slot() << Slot() << QStringList{} << both << QStringList{}
                                 << QStringList{} << true;
}

void tst_About::startSysInfo()
{
    QFETCH(Slot, path);
    QFETCH(Slot, folder);
    QFETCH(QStringList, files);
    QFETCH(QByteArrayList, opened);
    QFETCH(QStringList, tested);
    QFETCH(QStringList, started);
    QFETCH(bool, message);

    Fixture f;
    if (path)
        f.registry.setValue(Registry::localMachine, pathKey, "PATH", *path);
    if (folder)
        f.registry.setValue(Registry::localMachine, folderKey, "MSINFO", *folder);
    f.launcher.files = QSet<QString>(files.cbegin(), files.cend());
    // Whatever is found is startable, except a path that names nothing on disk.
    f.launcher.startable = f.launcher.files;
    f.launcher.startable << tool << QString::fromLatin1(QByteArray(1023, 'a'));

    {
        MessageBoxWatcher watcher;
        f.window->StartSysInfo();
        QCOMPARE(watcher.texts, message ? QStringList{unavailable} : QStringList{});
        QVERIFY(watcher.wellFormed);
    }
    QByteArrayList openedKeys;
    for (const FakeRegistry::Open& open : f.registry.opens)
        openedKeys.append(open.subKey);
    QCOMPARE(openedKeys, opened);
    QCOMPARE(f.launcher.tested, tested);
    QCOMPARE(f.launcher.attempted, started);
    verifyRegistryProtocol(f.registry);
}

void tst_About::getKeyValue_data()
{
    QTest::addColumn<bool>("keyExists");
    QTest::addColumn<Slot>("value");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("throws");

    const auto number = [](const char* hex) {
        return Slot(raw(Registry::typeDword, QByteArray::fromHex(hex)));
    };
    const auto sized = [](quint32 size) { return Slot(raw(Registry::typeText, "abc", size)); };
    QTest::addRow("text") << true << Slot(text("C:\\Tools")) << true << "C:\\Tools" << false;
    QTest::addRow("number") << true << number("78563412") << true << "&h12345678" << false;
    QTest::addRow("number with a zero top byte") << true << number("56341200") << true << "&h123456" << false;
    QTest::addRow("small number") << true << number("0a000000") << true << "&h00000A" << false;
    QTest::addRow("other type keeps the old text")
        << true << Slot(raw(3, "\x01\x02")) << true << "before" << false;
    QTest::addRow("absent value") << true << Slot() << false << "" << false;
    QTest::addRow("absent key") << false << Slot() << false << "" << false;
    QTest::addRow("too long") << true << Slot(text(QByteArray(1024, 'a'))) << false << "" << false;
    QTest::addRow("reported size 0") << true << sized(0) << false << "before" << true;
    QTest::addRow("reported size past the buffer") << true << sized(1025) << false << "before" << true;
}

void tst_About::getKeyValue()
{
    QFETCH(bool, keyExists);
    QFETCH(Slot, value);
    QFETCH(bool, result);
    QFETCH(QString, expected);
    QFETCH(bool, throws);

    Fixture f;
    if (keyExists)
        f.registry.addKey(Registry::localMachine, "SOFTWARE\\Talvery");
    if (value)
        f.registry.setValue(Registry::localMachine, "SOFTWARE\\Talvery", "Value", *value);
    QString read = QStringLiteral("before");
    const auto call = [&] {
        return f.window->GetKeyValue(Registry::localMachine, "SOFTWARE\\Talvery", "Value", read);
    };
    if (throws)
        QVERIFY_THROWS_EXCEPTION(std::range_error, call());
    else
        QCOMPARE(call(), result);
    QCOMPARE(read, expected);
    QCOMPARE(f.registry.opens.size(), 1);
    verifyRegistryProtocol(f.registry);
}

void tst_About::formLoad()
{
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("About Corvane"));
    QCOMPARE(f.window->findChild<QLabel*>("lblTitle")->text(), QStringLiteral("Corvane"));
    const QString version = f.window->findChild<QLabel*>("lblVersion")->text();
    QCOMPARE(version, QStringLiteral("Version %1.%2.%3")
                          .arg(build::versionMajor)
                          .arg(build::versionMinor)
                          .arg(build::versionRevision));
    if (build::versionMajor == 1 && build::versionMinor == 0 && build::versionRevision == 0)
        QCOMPARE(version, QStringLiteral("Version 1.0.0"));
}

void tst_About::geometry_data()
{
    QTest::addColumn<QRect>("expected");
    QTest::addRow("frmAbout") << QRect(0, 0, 382, 266);
    QTest::addRow("picIcon") << QRect(8, 8, 71, 147);
    QTest::addRow("lblTitle") << QRect(104, 16, 187, 16);
    QTest::addRow("lblVersion") << QRect(104, 40, 155, 15);
    QTest::addRow("Image1") << QRect(320, 8, 48, 48);
    QTest::addRow("Frame2") << QRect(104, 56, 265, 73);
    QTest::addRow("lblDescription") << QRect(8, 8, 253, 59);
    QTest::addRow("Frame1") << QRect(8, 160, 273, 97);
    QTest::addRow("lblDisclaimer") << QRect(8, 16, 258, 79);
    QTest::addRow("Command1") << QRect(104, 136, 153, 23);
    QTest::addRow("Command2") << QRect(288, 136, 83, 23);
    QTest::addRow("Command3") << QRect(286, 185, 83, 23);
    QTest::addRow("Command4") << QRect(286, 232, 83, 23);
}

void tst_About::geometry()
{
    QFETCH(QRect, expected);
    Fixture f;
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    if (name == QLatin1String("frmAbout")) {
        QCOMPARE(f.window->minimumSize(), expected.size());
        QCOMPARE(f.window->maximumSize(), expected.size());
    } else {
        QWidget* control = f.control(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), expected);
    }
}

void tst_About::focusOrderAndPlacement()
{
    Fixture f;
    QVERIFY(f.showActive());
    QCOMPARE(f.window->frameGeometry().center(), f.window->screen()->availableGeometry().center());
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    visited.append(QApplication::focusWidget()->objectName());
    QCOMPARE(visited,
             (QStringList{"picIcon", "Command1", "Command2", "Command3", "Command4", "picIcon", "Command4"}));
}

void tst_About::hoverCursor_data()
{
    QTest::addColumn<bool>("hover");
    QTest::addRow("Command1") << true;
    QTest::addRow("Command2") << true;
    QTest::addRow("Command3") << false;
    QTest::addRow("Command4") << false;
    QTest::addRow("picIcon") << false;
    QTest::addRow("Image1") << false;
}

void tst_About::hoverCursor()
{
    QFETCH(bool, hover);
    Fixture f;
    f.window->show();
    QWidget* control = f.control(QString::fromLatin1(QTest::currentDataTag()));
    const auto move = [control] {
        const QPointF inside(5, 5);
        QMouseEvent event(QEvent::MouseMove, inside, control->mapToGlobal(inside), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(control, &event);
    };
    // Twice, with the cursor taken away in between: each move must set it again.
    for (int pass = 0; pass < 2; ++pass) {
        move();
        QCOMPARE(control->testAttribute(Qt::WA_SetCursor), hover);
        if (hover) {
            QCOMPARE(control->cursor().shape(), corvane::hoverCursor().shape());
            QCOMPARE(control->cursor().pixmap().toImage(), corvane::hoverCursor().pixmap().toImage());
        }
        control->unsetCursor();
    }
}

void tst_About::activation_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("key"); // 0 for a left click
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("started");
    QTest::addColumn<bool>("closes");

    const int alt = Qt::AltModifier;
    const QStringList none;
    QTest::addRow("Command1 click") << "Command1" << 0 << 0 << QStringList{listUrl} << none << false;
    QTest::addRow("Command1 Return") << "Command1" << int(Qt::Key_Return) << 0 << QStringList{listUrl} << none
                                     << false;
    QTest::addRow("Alt+J") << "picIcon" << int(Qt::Key_J) << alt << QStringList{listUrl} << none << false;
    QTest::addRow("Command2 click") << "Command2" << 0 << 0 << QStringList{homeUrl} << none << false;
    QTest::addRow("Command2 keypad Enter") << "Command2" << int(Qt::Key_Enter) << int(Qt::KeypadModifier)
                                           << QStringList{homeUrl} << none << false;
    QTest::addRow("Alt+T") << "picIcon" << int(Qt::Key_T) << alt << QStringList{homeUrl} << none << false;
    QTest::addRow("Image1 click") << "Image1" << 0 << 0 << QStringList{homeUrl} << none << false;
    QTest::addRow("picIcon click") << "picIcon" << 0 << 0 << QStringList{homeUrl} << none << false;
    QTest::addRow("picIcon Space") << "picIcon" << int(Qt::Key_Space) << 0 << QStringList{homeUrl} << none
                                   << false;
    QTest::addRow("picIcon Return") << "picIcon" << int(Qt::Key_Return) << 0 << QStringList{homeUrl} << none
                                    << false;
    QTest::addRow("Command3 click") << "Command3" << 0 << 0 << none << none << true;
    QTest::addRow("Alt+E") << "picIcon" << int(Qt::Key_E) << alt << none << none << true;
    QTest::addRow("Command4 click") << "Command4" << 0 << 0 << none << QStringList{tool} << false;
    QTest::addRow("Command4 Return") << "Command4" << int(Qt::Key_Return) << 0 << none << QStringList{tool}
                                     << false;
    QTest::addRow("Alt+S") << "picIcon" << int(Qt::Key_S) << alt << none << QStringList{tool} << false;
    QTest::addRow("Escape") << "Command3" << int(Qt::Key_Escape) << 0 << none << none << false;
}

void tst_About::activation()
{
    QFETCH(QString, target);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QStringList, opened);
    QFETCH(QStringList, started);
    QFETCH(bool, closes);

    Fixture f;
    f.registry.setValue(Registry::localMachine, pathKey, "PATH", text(tool.toUtf8()));
    f.launcher.startable.insert(tool);
    QVERIFY(f.showActive());
    MessageBoxWatcher watcher;

    QWidget* control = f.control(target);
    if (key == 0) {
        QTest::mouseClick(control, Qt::LeftButton);
    } else {
        control->setFocus();
        QTest::keyClick(control, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }
    // Mnemonics press their button with a short delay, so the effects are waited for.
    if (closes)
        QTRY_VERIFY(f.window.isNull());
    QTRY_COMPARE(f.shell.opened, opened);
    QTRY_COMPARE(f.launcher.attempted, started);
    if (!closes) {
        QTest::qWait(200);
        QVERIFY(f.window && f.window->isVisible());
        QCOMPARE(f.shell.opened, opened);
        QCOMPARE(f.launcher.attempted, started);
    }
    QCOMPARE(watcher.texts, QStringList{});
}

QTEST_MAIN(tst_About)
#include "tst_about.moc"
