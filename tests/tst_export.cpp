#include "MainWindowHarness.h"
#include "MessageBoxWatcher.h"
#include "GenerationState.h"
#include "ListExport.h"
#include "PathRegistry.h"
#include "QtClipboard.h"
#include "SodiumRandom.h"
#include "frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace corvane;
using namespace corvane::test;

namespace {

using Harness = MainWindowHarness;

// Owner, group and others; Qt's "user" bits only repeat what applies to whoever runs the test.
const QFileDevice::Permissions ownerGroupOther(0x7077);

// Watches for the warning dialog and closes it the way `how` says; counts how often it appeared.
class WarningWatcher : public QObject
{
public:
    enum How { ClickOk, TitleBarClose, PressEnter };
    explicit WarningWatcher(How how) : m_how(how)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start(10);
    }
    int shown = 0;
    QStringList texts;
    bool escapeIgnored = true;
    bool okFocused = true;

private:
    void poll()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != u"frmWarn" || !dialog->isVisible() || m_handled.contains(dialog))
            return;
        m_handled.append(dialog);
        ++shown;
        texts.append(dialog->windowTitle());
        for (auto* label : dialog->findChildren<QLabel*>())
            texts.append(label->text());
        QTest::keyClick(dialog, Qt::Key_Escape);
        escapeIgnored = escapeIgnored && dialog->isVisible();
        auto* ok = dialog->findChild<QPushButton*>("cmdOk");
        okFocused = okFocused && dialog->focusWidget() == ok;
        if (m_how == ClickOk)
            QTest::mouseClick(ok, Qt::LeftButton);
        else if (m_how == PressEnter)
            QTest::keyClick(ok, Qt::Key_Return);
        else
            dialog->close();
    }
    How m_how;
    QTimer m_timer;
    QList<QPointer<QDialog>> m_handled;
};

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(corvane_images); }
    void clipboardText_data();
    void clipboardText();
    void selectedEntryAlone();
    void copyIsMarkedSecret();
    void saveWritesListOwnerOnly();
    void failedSaveKeepsExistingFile();
    void cancelledSaveChangesNothing();
    void replacingKeepsPermissions();

    void warningShownOnce_data();
    void warningShownOnce();
    void warningDuringLoad();
    void clearingExtendedNeverWarns();
};

void TestExport::clipboardText_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("expected");
    QTest::addRow("empty list") << QStringList{} << QString();
    QTest::addRow("one") << QStringList{"a"} << "a\r\n";
    QTest::addRow("three") << QStringList{"a", "b", "c"} << "a\r\nb\r\nc\r\n";
    QTest::addRow("five with extended characters")
        << QStringList{"x1", QString::fromUtf8("¢¥€"), "z3", QString::fromUtf8("ÑØñ"), "q5"}
        << QString::fromUtf8("x1\r\n¢¥€\r\nz3\r\nÑØñ\r\nq5\r\n");
}

void TestExport::clipboardText()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, expected);
    Harness h;
    h.open();
    h.fillList(entries);
    QTest::mouseClick(h.child<QPushButton>("cmdSave"), Qt::LeftButton);
    QCOMPARE(h.clipboard.calls, 1);
    QCOMPARE(h.clipboard.text, expected);
    QCOMPARE(h.state.copyPosition, qint16(-1));
}

void TestExport::selectedEntryAlone()
{
    Harness h;
    h.open();
    h.fillList({"first", "second", "third"});
    h.child<QListWidget>("lstPass")->setCurrentRow(1);
    QTest::mouseClick(h.child<QPushButton>("cmdSave"), Qt::LeftButton);
    QCOMPARE(h.clipboard.text, QStringLiteral("second"));
}

void TestExport::copyIsMarkedSecret()
{
    std::unique_ptr<QMimeData> data(QtClipboard::secretMimeData(QStringLiteral("p\r\n")));
    QCOMPARE(data->text(), QStringLiteral("p\r\n"));
    QCOMPARE(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
}

void TestExport::saveWritesListOwnerOnly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("passwords.txt");
    Harness h;
    h.open();
    h.fillList({"abc", QString::fromUtf8("€xy")});
    h.window->askSaveFileName = [&](QWidget*) { return path; };
    QTest::mouseClick(h.child<QPushButton>("cmdSaveIt"), Qt::LeftButton);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("abc\r\n\xE2\x82\xACxy\r\n"));
    QCOMPARE(file.permissions() & ownerGroupOther, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    h.fillList({});
    QTest::mouseClick(h.child<QPushButton>("cmdSaveIt"), Qt::LeftButton);
    QCOMPARE(QFileInfo(path).size(), 0);
}

void TestExport::failedSaveKeepsExistingFile()
{
    QTemporaryDir dir;
    // A path below a regular file cannot be written, even by root.
    const QString blocker = dir.filePath("blocker");
    QFile existing(blocker);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("keep me\r\n");
    existing.close();

    MessageBoxWatcher boxes;
    Harness h;
    h.open();
    h.fillList({"secret"});
    h.window->askSaveFileName = [&](QWidget*) { return blocker + "/passwords.txt"; };
    QTest::mouseClick(h.child<QPushButton>("cmdSaveIt"), Qt::LeftButton);
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts[0].contains("passwords.txt"), qPrintable(boxes.texts[0]));
    QVERIFY(boxes.wellFormed);
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("keep me\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"blocker"});

    // Saving over a folder fails the same way and leaves nothing behind.
    h.window->askSaveFileName = [&](QWidget*) { return dir.path(); };
    QTest::mouseClick(h.child<QPushButton>("cmdSaveIt"), Qt::LeftButton);
    QCOMPARE(boxes.texts.size(), 2);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"blocker"});
}

void TestExport::cancelledSaveChangesNothing()
{
    Harness h;
    h.open();
    h.fillList({"a"});
    bool asked = false;
    h.window->askSaveFileName = [&](QWidget*) {
        asked = true;
        return QString();
    };
    QTest::mouseClick(h.child<QPushButton>("cmdSaveIt"), Qt::LeftButton);
    QVERIFY(asked);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestExport::replacingKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shared.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("old");
    file.close();
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(file.setPermissions(mode));
    const SaveOutcome outcome = saveTextFile(path, QStringLiteral("new\r\n"));
    QVERIFY(outcome.saved);
    QCOMPARE(QFile(path).permissions() & ownerGroupOther, mode);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("new\r\n"));
}

void TestExport::warningShownOnce_data()
{
    QTest::addColumn<QString>("stored"); // "<absent>" for no value
    QTest::addColumn<int>("how");
    QTest::addColumn<int>("expectedShown");
    QTest::addRow("fresh store") << "<absent>" << int(WarningWatcher::ClickOk) << 1;
    QTest::addRow("already shown") << "1" << int(WarningWatcher::ClickOk) << 0;
    QTest::addRow("1 and a blank") << "1 " << int(WarningWatcher::ClickOk) << 1;
    QTest::addRow("01") << "01" << int(WarningWatcher::ClickOk) << 1;
    QTest::addRow("closed by the title bar") << "<absent>" << int(WarningWatcher::TitleBarClose) << 1;
    QTest::addRow("closed with Enter") << "0" << int(WarningWatcher::PressEnter) << 1;
}

void TestExport::warningShownOnce()
{
    QFETCH(QString, stored);
    QFETCH(int, how);
    QFETCH(int, expectedShown);
    Harness h;
    if (stored != u"<absent>")
        h.settings.setPreset("Warn", stored);
    h.open();
    WarningWatcher watcher(static_cast<WarningWatcher::How>(how));
    auto* extended = h.child<QCheckBox>("chkOpt(4)");
    QTest::mouseClick(extended, Qt::LeftButton);
    QCOMPARE(extended->checkState(), Qt::Checked);
    QCOMPARE(watcher.shown, expectedShown);
    QCOMPARE(h.settings.preset("Warn"), expectedShown ? QStringLiteral("1") : stored);
    if (expectedShown) {
        QVERIFY(watcher.escapeIgnored);
        QVERIFY(watcher.okFocused);
        QVERIFY(watcher.texts.contains("Warning"));
        QVERIFY(watcher.texts.contains("This Message Will Show Only Once"));
        QVERIFY(watcher.texts.contains("Some Websites and Programs will not allow extended characters as "
                                       "Passwords.  It's advised you test the password before committing to it."));
    }

    // With extended selected, a click on another box shows nothing more while Warn holds 1...
    QTest::mouseClick(h.child<QCheckBox>("chkOpt(0)"), Qt::LeftButton);
    QCOMPARE(watcher.shown, expectedShown);
    // ...but once Warn is removed, any box brings it back.
    h.settings.removePreset("Warn");
    QTest::mouseClick(h.child<QCheckBox>("chkOpt(1)"), Qt::LeftButton);
    QCOMPARE(watcher.shown, expectedShown + 1);
    QCOMPARE(h.settings.preset("Warn"), QStringLiteral("1"));
}

void TestExport::warningDuringLoad()
{
    Harness h;
    h.settings.setPreset("Extended", "1");
    WarningWatcher watcher(WarningWatcher::ClickOk);
    auto window = std::make_unique<frmMain>(h.services, h.state, h.random);
    // Shown and closed inside the constructor, before the main window ever appears.
    QCOMPARE(watcher.shown, 1);
    QVERIFY(!window->isVisible());
    QCOMPARE(h.settings.preset("Warn"), QStringLiteral("1"));
}

void TestExport::clearingExtendedNeverWarns()
{
    Harness h;
    h.settings.setPreset("Extended", "2");
    WarningWatcher watcher(WarningWatcher::ClickOk);
    h.open();
    // Mixed is not checked: no warning while loading, and clearing never warns either.
    QCOMPARE(watcher.shown, 0);
    auto* extended = h.child<QCheckBox>("chkOpt(4)");
    QCOMPARE(extended->checkState(), Qt::PartiallyChecked);
    extended->setCheckState(Qt::Unchecked);
    QCOMPARE(watcher.shown, 0);
    QVERIFY(!h.settings.hasPreset("Warn"));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
