#include "CharClasses.h"
#include "MainWindowHarness.h"
#include "MessageBoxWatcher.h"
#include "GenerationState.h"
#include "PathRegistry.h"
#include "RecorderView.h"
#include "SodiumRandom.h"
#include "frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace corvane;
using namespace corvane::test;

namespace {

using Harness = MainWindowHarness;

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(corvane_images); }
    void emptyStoreShowsDefaults();
    void layout_data();
    void layout();
    void tabOrder();
    void typedLengthDrivesGenerate();
    void generateFillsListInDrawOrder_data();
    void generateFillsListInDrawOrder();
    void spinControls_data();
    void spinControls();
    void f1OpensHelpFromAnyControl_data();
    void f1OpensHelpFromAnyControl();
    void closingStoresPresetsAndClosesAbout();
    void storedPresetsComeBack();
};

void TestMainWindow::emptyStoreShowsDefaults()
{
    Harness h;
    h.open();
    const Qt::CheckState expected[5] = {Qt::Checked, Qt::Checked, Qt::Checked, Qt::Checked, Qt::Unchecked};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(h.child<QCheckBox>(QStringLiteral("chkOpt(%1)").arg(i))->checkState(), expected[i]);
    QCOMPARE(h.child<QLineEdit>("txtChars")->text(), QStringLiteral("30"));
    QCOMPARE(h.child<QLineEdit>("txtNumOf")->text(), QStringLiteral("5"));
    QCOMPARE(h.child<QListWidget>("lstPass")->count(), 0);
    QCOMPARE(h.state.lengthText, QStringLiteral("30"));
    QTRY_COMPARE(QApplication::focusWidget(), h.child<QWidget>("txtChars"));
    QCOMPARE(h.window->windowTitle(), QStringLiteral("Corvane"));
    QCOMPARE(h.window->size(), QSize(420, 340));
    QVERIFY(!(h.window->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(h.window->minimumSize(), h.window->maximumSize());
}

void TestMainWindow::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tooltip");
    auto row = [](const char* name, int l, int t, int w, int h, const QString& text = {}, const QString& tip = {}) {
        auto px = [](int v) { return (v * 2 + 15) / 30; };
        QTest::addRow("%s", name) << QString::fromLatin1(name) << QRect(px(l), px(t), px(w), px(h)) << text << tip;
    };
    row("Image2", 0, 0, 6390, 840);
    row("Image4", 240, 120, 720, 720);
    row("Image5", 5300, 120, 720, 720);
    row("Label4", 1305, 280, 3690, 330, "Password Generator");
    row("Label2", 2160, 960, 2055, 255, "Character Configuration");
    row("txtChars", 3480, 1440, 855, 300);
    row("UpDown1", 4065, 1455, 240, 270);
    row("Label1", 4440, 1485, 1365, 195, "4-50 Characters");
    row("txtNumOf", 3480, 1920, 855, 300);
    row("UpDown2", 4065, 1933, 240, 275);
    row("Label3", 4440, 1965, 1665, 195, "Number of Passwords");
    row("chkOpt(0)", 203, 1440, 2895, 255, "Use Numbers  [0-9]");
    row("chkOpt(1)", 203, 1800, 3375, 255, "Use Lowercase  [a-z]");
    row("chkOpt(2)", 203, 2160, 3015, 255, "Use Uppercase  [A-Z]");
    row("chkOpt(3)", 203, 2520, 3375, 255, "Use Special Characters (!@#$%^&&*-,)");
    row("chkOpt(4)", 203, 2880, 3495, 255, QString::fromUtf8("Use Extended Characters (¢¥§©€«®)"));
    row("Image1", 3840, 2400, 720, 720, {}, "Help");
    row("Image3", 5040, 2400, 720, 720, {}, "About");
    row("lstPass", 203, 3360, 5895, 1185);
    row("cmdSave", 203, 4660, 1050, 350, "&Copy", "Copy selected or all to Windows Clipboard");
    row("cmdSaveIt", 1818, 4660, 1050, 350, "&Save", "Save list to file");
    row("cmdGen", 3433, 4660, 1050, 350, "&Generate", "Generate list");
    row("cmdClose", 5048, 4660, 1050, 350, "Cl&ose");
}

void TestMainWindow::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(QString, tooltip);
    Harness h;
    h.open();
    auto* widget = h.child<QWidget>(name);
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->toolTip(), tooltip);
    if (!text.isEmpty()) {
        QString actual;
        if (auto* label = qobject_cast<QLabel*>(widget))
            actual = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            actual = button->text();
        QCOMPARE(actual, text);
    }
    QVERIFY(!widget->accessibleName().isEmpty() || qobject_cast<QLabel*>(widget));
}

void TestMainWindow::tabOrder()
{
    Harness h;
    h.open();
    const QStringList expected{"txtChars",  "UpDown1",   "txtNumOf",  "UpDown2",   "chkOpt(0)",
                               "chkOpt(1)", "chkOpt(2)", "chkOpt(3)", "chkOpt(4)", "cmdGen",
                               "cmdSaveIt", "cmdSave",   "cmdClose",  "lstPass"};
    QWidget* current = h.child<QWidget>("txtChars");
    QStringList actual{current->objectName()};
    for (qsizetype i = 1; i < expected.size(); ++i) {
        current = current->nextInFocusChain();
        while (current->focusPolicy() == Qt::NoFocus || !current->isVisible())
            current = current->nextInFocusChain();
        actual.append(current->objectName());
    }
    QCOMPARE(actual, expected);
}

void TestMainWindow::typedLengthDrivesGenerate()
{
    Harness h;
    h.open();
    auto* length = h.child<QLineEdit>("txtChars");
    length->selectAll();
    QTest::keyClicks(length, "12");
    QTest::mouseClick(h.child<QPushButton>("cmdGen"), Qt::LeftButton);
    auto* list = h.child<QListWidget>("lstPass");
    QCOMPARE(list->count(), 5);
    const QString pool = charClasses()[0].characters + charClasses()[1].characters + charClasses()[2].characters +
                         specialCharacterSet();
    for (int i = 0; i < list->count(); ++i) {
        const QString password = list->item(i)->text();
        QCOMPARE(password.size(), 12);
        for (QChar c : password)
            QVERIFY(pool.contains(c));
    }
    // The spin control keeps its own value: a typed length is not a stored preset.
    h.window->close();
    QCOMPARE(h.settings.preset("Characters"), QStringLiteral("30"));
}

void TestMainWindow::generateFillsListInDrawOrder_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("entries"); // -1: refused with the count message
    QTest::addRow("three") << "3" << 3;
    QTest::addRow("none") << "0" << 0;
    QTest::addRow("refused") << "abc" << -1;
}

void TestMainWindow::generateFillsListInDrawOrder()
{
    QFETCH(QString, count);
    QFETCH(int, entries);
    Harness h;
    ScriptedRandom random;
    for (std::uint32_t draw = 0; draw < 64; ++draw)
        random.draws.push_back(draw);
    frmMain window(h.services, h.state, random);
    window.show();
    auto* list = window.findChild<QListWidget*>("lstPass");
    auto* generate = window.findChild<QPushButton*>("cmdGen");
    window.findChild<QLineEdit*>("txtChars")->setText("4");
    window.findChild<QLineEdit*>("txtNumOf")->setText("2");
    generate->click(); // an earlier batch, which the next Generate replaces
    window.findChild<QLineEdit*>("txtNumOf")->setText(count);
    MessageBoxWatcher watcher;
    generate->click();

    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        shown.append(list->item(i)->text());
    // Draws 0, 1, 2, ... pick the pool's characters in turn; the earlier batch took the first eight.
    const QString pool = charClasses()[0].characters + charClasses()[1].characters +
                         charClasses()[2].characters + specialCharacterSet();
    QStringList expected;
    for (int i = 0; i < entries; ++i)
        expected.append(pool.mid(8 + 4 * i, 4));
    QCOMPARE(shown, expected);
    QCOMPARE(watcher.texts, entries < 0 ? QStringList{msgCountRange} : QStringList{});
}

void TestMainWindow::spinControls_data()
{
    QTest::addColumn<QString>("spin");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("delta");
    QTest::addColumn<QString>("shown");
    QTest::addRow("up from the typed length") << "UpDown1" << "12" << 1 << "13";
    QTest::addRow("down from the typed length") << "UpDown1" << "12" << -1 << "11";
    QTest::addRow("stops at 50") << "UpDown1" << "50" << 1 << "50";
    QTest::addRow("stops at 4") << "UpDown1" << "4" << -1 << "4";
    QTest::addRow("garbage steps from the value") << "UpDown1" << "abc" << 1 << "31";
    QTest::addRow("out of range steps from the value") << "UpDown1" << "99" << -1 << "29";
    QTest::addRow("fraction steps from the value") << "UpDown1" << "12.5" << 1 << "31";
    QTest::addRow("count stops at 1000") << "UpDown2" << "1000" << 1 << "1000";
    QTest::addRow("count stops at 1") << "UpDown2" << "1" << -1 << "1";
    QTest::addRow("count up") << "UpDown2" << "20" << 1 << "21";
}

void TestMainWindow::spinControls()
{
    QFETCH(QString, spin);
    QFETCH(QString, typed);
    QFETCH(int, delta);
    QFETCH(QString, shown);
    Harness h;
    h.open();
    auto* field = h.child<QLineEdit>(spin == u"UpDown1" ? "txtChars" : "txtNumOf");
    field->setText(typed);
    auto* updown = h.child<QWidget>(spin);
    updown->setFocus();
    QTest::keyClick(updown, delta > 0 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(field->text(), shown);
    h.window->close();
    QCOMPARE(h.settings.preset(spin == u"UpDown1" ? "Characters" : "NumberOf"), shown);
}

void TestMainWindow::f1OpensHelpFromAnyControl_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addRow("length field") << "txtChars";
    QTest::addRow("list") << "lstPass";
    QTest::addRow("button") << "cmdGen";
    QTest::addRow("check box") << "chkOpt(2)";
}

void TestMainWindow::f1OpensHelpFromAnyControl()
{
    QFETCH(QString, focus);
    Harness h;
    h.open();
    auto* target = h.child<QWidget>(focus);
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);
    QTest::keyClick(target, Qt::Key_F1);
    const QString expected = QCoreApplication::applicationDirPath() + QDir::separator() + "Corvane.chm";
    QCOMPARE(h.shell.opened, QStringList{expected});
    QTest::mouseClick(h.child<QWidget>("Image1"), Qt::LeftButton);
    QCOMPARE(h.shell.opened, (QStringList{expected, expected}));
}

void TestMainWindow::closingStoresPresetsAndClosesAbout()
{
    Harness h;
    h.open();
    h.child<QCheckBox>("chkOpt(0)")->setCheckState(Qt::Unchecked);
    QTest::mouseClick(h.child<QWidget>("Image3"), Qt::LeftButton);
    QTest::mouseClick(h.child<QWidget>("Image3"), Qt::LeftButton);
    QWidgetList abouts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == u"frmAbout" && w->isVisible())
            abouts.append(w);
    QCOMPARE(abouts.size(), 1);
    QPointer<QWidget> about = abouts.first();

    h.settings.writes.clear();
    h.window->close();
    QCOMPARE(h.settings.writes,
             (QStringList{"Numbers", "Lower", "Upper", "Special", "Extended", "Characters", "NumberOf"}));
    QCOMPARE(h.settings.preset("Numbers"), QStringLiteral("0"));
    QCOMPARE(h.settings.preset("Extended"), QStringLiteral("0"));
    QTRY_VERIFY(about.isNull());
}

void TestMainWindow::storedPresetsComeBack()
{
    Harness h;
    h.settings.setPreset("Characters", "12");
    h.settings.setPreset("NumberOf", "20");
    h.settings.setPreset("Lower", "2");
    h.settings.setPreset("Warn", "1");
    h.settings.setPreset("Extended", "1");
    h.open();
    QCOMPARE(h.child<QLineEdit>("txtChars")->text(), QStringLiteral("12"));
    QCOMPARE(h.child<QLineEdit>("txtNumOf")->text(), QStringLiteral("20"));
    QCOMPARE(h.child<QCheckBox>("chkOpt(1)")->checkState(), Qt::PartiallyChecked);
    QCOMPARE(h.child<QCheckBox>("chkOpt(4)")->checkState(), Qt::Checked);
    // Read in the fixed order; the warning check reads Warn as the extended box is set.
    QCOMPARE(h.settings.reads, (QStringList{"Numbers", "Lower", "Upper", "Special", "Extended", "Warn",
                                            "Characters", "NumberOf"}));
    h.window->close();
    QCOMPARE(h.settings.preset("Lower"), QStringLiteral("2"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
