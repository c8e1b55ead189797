#include "CharClasses.h"
#include "MainWindowHarness.h"
#include "MessageBoxWatcher.h"
#include "QtClipboard.h"
#include "RecorderView.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;
using namespace corvane::test;
using Harness = MainWindowHarness;

namespace {

// Every file in `dir` as "name mode bytes", the mode in octal, joined by "|". Qt's "user" bits are
// left out: they only repeat what applies to whoever runs the test.
QByteArray filesIn(const QDir& dir)
{
    QByteArrayList files;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        const int p = int(info.permissions());
        QFile file(info.filePath());
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : "unreadable";
        const int mode = ((p >> 12) & 7) * 64 + ((p >> 4) & 7) * 8 + (p & 7);
        files.append(info.fileName().toUtf8() + ' ' + QByteArray::number(mode, 8) + ' ' + bytes);
    }
    return files.join('|');
}

QString helpFile()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + "Corvane.chm";
}

enum Answer { ClickOk, TitleBarClose, PressEnter };

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(corvane_images); }

    // Stored presets as "Key=value" words; the screen as the five boxes (0 cleared, 1 checked,
    // 2 mixed), the length and the count; the keys read, in order.
    void opensWithPresetsAndStoresThemOnClose_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("reads");
        QTest::addRow("empty store") << "" << "1 1 1 1 0 30 5"
                                     << "Numbers Lower Upper Special Extended Characters NumberOf";
        // Setting the extended box reads Warn, in the middle of the fixed order.
        QTest::addRow("stored") << "Characters=12 NumberOf=20 Lower=2 Warn=1 Extended=1" << "1 2 1 1 1 12 20"
                                << "Numbers Lower Upper Special Extended Warn Characters NumberOf";
    }

    void opensWithPresetsAndStoresThemOnClose()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, reads);
        Harness h;
        for (const QString& preset : stored.split(u' ', Qt::SkipEmptyParts))
            h.settings.setPreset(preset.section(u'=', 0, 0), preset.section(u'=', 1));
        h.open();
        QCOMPARE(h.settings.reads.join(u' '), reads);
        QStringList screen;
        for (int i = 0; i < 5; ++i) {
            const auto* box = h.child<QCheckBox>(QStringLiteral("chkOpt(%1)").arg(i));
            screen.append(QString("021")[box->checkState()]); // by Qt::CheckState: cleared, mixed, checked
        }
        screen << h.child<QLineEdit>("txtChars")->text() << h.child<QLineEdit>("txtNumOf")->text();
        QCOMPARE(screen.join(u' '), shown);
        QTRY_COMPARE(QApplication::focusWidget(), h.child("txtChars"));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Corvane"));
        QCOMPARE(h.window->size(), QSize(420, 340));
        QCOMPARE(h.window->minimumSize(), h.window->maximumSize());
        QVERIFY(!(h.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QStringList order;
        for (QWidget* w = h.child("txtChars"); order.size() < 14; w = w->nextInFocusChain())
            if (w->focusPolicy() != Qt::NoFocus && w->isVisible())
                order.append(w->objectName());
        QCOMPARE(order.join(u' '), "txtChars UpDown1 txtNumOf UpDown2 chkOpt(0) chkOpt(1) chkOpt(2) chkOpt(3) "
                                   "chkOpt(4) cmdGen cmdSaveIt cmdSave cmdClose lstPass");

        h.click("Image1");
        QCOMPARE(h.shell.opened, QStringList{helpFile()});
        // Opened twice, About is one window; closing the main window closes it.
        h.click("Image3");
        h.click("Image3");
        QWidgetList abouts;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == u"frmAbout" && w->isVisible())
                abouts.append(w);
        QCOMPARE(abouts.size(), 1);
        const QPointer<QWidget> about = abouts.first();

        h.child<QCheckBox>("chkOpt(0)")->setCheckState(Qt::Unchecked);
        h.settings.writes.clear();
        h.window->close();
        QStringList written;
        for (const QString& key : std::as_const(h.settings.writes))
            written.append(h.settings.preset(key));
        QCOMPARE(h.settings.writes.join(u' '), "Numbers Lower Upper Special Extended Characters NumberOf");
        QCOMPARE(written.join(u' '), "0" + shown.mid(1));
        QTRY_VERIFY(about.isNull());
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tooltip");
        auto row = [](const char* name, int l, int t, int w, int h, const QString& text = {},
                      const QString& tip = {}) {
            auto px = [](int v) { return (v * 2 + 15) / 30; };
            QTest::addRow("%s", name) << name << QRect(px(l), px(t), px(w), px(h)) << text << tip;
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

    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(QString, tooltip);
        Harness h;
        h.open();
        auto* widget = h.child(name);
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->toolTip(), tooltip);
        auto* label = qobject_cast<QLabel*>(widget);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        QCOMPARE(label ? label->text() : button ? button->text() : QString(), text);
        QVERIFY(label || !widget->accessibleName().isEmpty());

        // F1 opens the help once from every control that takes the focus.
        if (widget->focusPolicy() != Qt::NoFocus) {
            widget->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), widget);
            QTest::keyClick(widget, Qt::Key_F1);
            QCOMPARE(h.shell.opened, QStringList{helpFile()});
        }
    }

    void typedLengthGeneratesInDrawOrder()
    {
        Harness h;
        ScriptedRandom random;
        for (std::uint32_t draw = 0; draw < 93; ++draw)
            random.draws.append(draw);
        h.open(&random);
        auto* length = h.child<QLineEdit>("txtChars");
        length->selectAll();
        QTest::keyClicks(length, "12");
        h.child<QLineEdit>("txtNumOf")->setText("2");
        h.click("cmdGen"); // an earlier batch, which the next Generate replaces
        h.child<QLineEdit>("txtNumOf")->setText("3");
        h.click("cmdGen");

        // Draws 0, 1, 2, ... pick the pool's characters in turn; the earlier batch took the first 24.
        QString pool;
        for (const CharClass& c : charClasses())
            pool += c.characters;
        auto* list = h.child<QListWidget>("lstPass");
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->item(i)->text());
        QCOMPARE(shown, (QStringList{pool.mid(24, 12), pool.mid(36, 12), pool.mid(48, 12)}));
        // The spin control keeps its own value: a typed length is not a stored preset.
        h.window->close();
        QCOMPARE(h.settings.preset("Characters"), QStringLiteral("30"));
    }

    void spinControls_data()
    {
        QTest::addColumn<QString>("spin");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("delta");
        QTest::addColumn<QString>("shown");
        QTest::addRow("up from the typed length") << "UpDown1" << "12" << 1 << "13";
        QTest::addRow("stops at 50") << "UpDown1" << "50" << 1 << "50";
        QTest::addRow("stops at 4") << "UpDown1" << "4" << -1 << "4";
        QTest::addRow("garbage steps from the value") << "UpDown1" << "abc" << 1 << "31";
        QTest::addRow("out of range steps from the value") << "UpDown1" << "99" << -1 << "29";
        QTest::addRow("fraction steps from the value") << "UpDown1" << "12.5" << 1 << "31";
        QTest::addRow("count stops at 1000") << "UpDown2" << "1000" << 1 << "1000";
        QTest::addRow("count stops at 1") << "UpDown2" << "1" << -1 << "1";
        QTest::addRow("count up") << "UpDown2" << "20" << 1 << "21";
    }

    void spinControls()
    {
        QFETCH(QString, spin);
        QFETCH(QString, typed);
        QFETCH(int, delta);
        QFETCH(QString, shown);
        Harness h;
        h.open();
        const bool length = spin == u"UpDown1";
        auto* field = h.child<QLineEdit>(length ? "txtChars" : "txtNumOf");
        field->setText(typed);
        QTest::keyClick(h.child(spin), delta > 0 ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(field->text(), shown);
        h.window->close();
        QCOMPARE(h.settings.preset(length ? "Characters" : "NumberOf"), shown);
    }

    void copy_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("expected");
        QTest::addRow("empty list") << QStringList{} << -1 << "";
        QTest::addRow("one") << QStringList{"a"} << -1 << "a\r\n";
        QTest::addRow("three") << QStringList{"a", "b", "c"} << -1 << "a\r\nb\r\nc\r\n";
        QTest::addRow("five with extended characters")
            << QStringList{"x1", "¢¥€", "z3", "ÑØñ", "q5"} << -1 << "x1\r\n¢¥€\r\nz3\r\nÑØñ\r\nq5\r\n";
        QTest::addRow("selected entry alone") << QStringList{"first", "second", "third"} << 1 << "second";
    }

    void copy()
    {
        QFETCH(QStringList, entries);
        QFETCH(int, selected);
        QFETCH(QString, expected);
        Harness h;
        h.open();
        h.fillList(entries);
        h.child<QListWidget>("lstPass")->setCurrentRow(selected);
        h.clipboard.text = QStringLiteral("stale");
        h.click("cmdSave");
        QCOMPARE(h.clipboard.text, expected);
    }

    void copyIsMarkedSecret()
    {
        std::unique_ptr<QMimeData> data(QtClipboard::secretMimeData(QStringLiteral("p\r\n")));
        QCOMPARE(data->text(), QStringLiteral("p\r\n"));
        QCOMPARE(data->data(QStringLiteral("x-kde-passwordManagerHint")), QByteArray("secret"));
    }

    // The folder holds old.txt, mode 640, with "old" in it; `answer` is the file chosen in the
    // dialog, empty when it is cancelled.
    void save_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("files");
        QTest::addColumn<bool>("fails");
        QTest::addRow("new file, owner only") << "new.txt" << QStringList{"abc", "€xy"}
                                              << "new.txt 600 abc\r\n€xy\r\n|old.txt 640 old" << false;
        QTest::addRow("empty list") << "new.txt" << QStringList{} << "new.txt 600 |old.txt 640 old" << false;
        QTest::addRow("replacing keeps permissions")
            << "old.txt" << QStringList{"new"} << "old.txt 640 new\r\n" << false;
        // A path below a regular file cannot be written, even by root.
        QTest::addRow("failed") << "old.txt/new.txt" << QStringList{"new"} << "old.txt 640 old" << true;
        QTest::addRow("cancelled") << "" << QStringList{"new"} << "old.txt 640 old" << false;
    }

    void save()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, entries);
        QFETCH(QString, files);
        QFETCH(bool, fails);
        QTemporaryDir dir;
        QFile old(dir.filePath("old.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QVERIFY(old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));

        MessageBoxWatcher boxes;
        Harness h;
        h.open();
        h.fillList(entries);
        const QString path = answer.isEmpty() ? QString() : dir.filePath(answer);
        h.window->askSaveFileName = [&](QWidget*) { return path; };
        h.click("cmdSaveIt");
        QCOMPARE(QString::fromUtf8(filesIn(dir.path())), files);
        QCOMPARE(boxes.texts.size(), fails ? 1 : 0);
        QVERIFY(boxes.wellFormed);
        if (fails)
            QVERIFY2(boxes.texts[0].contains(path), qPrintable(boxes.texts[0]));
    }

    // `stored` is the one preset set before the window opens; `action` is done on the extended box
    // once it is open.
    void warning_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("shown");
        QTest::addRow("fresh store") << "" << "click" << int(ClickOk) << 1;
        QTest::addRow("already shown") << "Warn=1" << "click" << int(ClickOk) << 0;
        QTest::addRow("1 and a blank") << "Warn=1 " << "click" << int(ClickOk) << 1;
        QTest::addRow("01") << "Warn=01" << "click" << int(ClickOk) << 1;
        QTest::addRow("closed by the title bar") << "" << "click" << int(TitleBarClose) << 1;
        QTest::addRow("closed with Enter") << "Warn=0" << "click" << int(PressEnter) << 1;
        QTest::addRow("during load") << "Extended=1" << "" << int(ClickOk) << 1;
        QTest::addRow("clearing never warns") << "Extended=2" << "clear" << int(ClickOk) << 0;
    }

    void warning()
    {
        QFETCH(QString, stored);
        QFETCH(QString, action);
        QFETCH(int, answer);
        QFETCH(int, shown);
        Harness h;
        if (!stored.isEmpty())
            h.settings.setPreset(stored.section(u'=', 0, 0), stored.section(u'=', 1));
        QStringList seen; // each warning's title, with anything wrong about it
        MessageBoxWatcher watcher([&](QDialog* dialog) {
            auto* ok = dialog->findChild<QPushButton*>("cmdOk");
            QTest::keyClick(dialog, Qt::Key_Escape);
            seen.append(dialog->windowTitle() + (dialog->isVisible() ? "" : ", closed by Escape") +
                        (dialog->focusWidget() == ok ? "" : ", OK not focused"));
            if (answer == ClickOk)
                QTest::mouseClick(ok, Qt::LeftButton);
            else if (answer == PressEnter)
                QTest::keyClick(ok, Qt::Key_Return);
            else
                dialog->close();
        });
        h.open();
        auto* extended = h.child<QCheckBox>("chkOpt(4)");
        if (action == u"click")
            h.click("chkOpt(4)");
        else if (action == u"clear")
            extended->setCheckState(Qt::Unchecked);
        const bool checked = action != u"clear";
        QCOMPARE(extended->checkState(), checked ? Qt::Checked : Qt::Unchecked);
        QCOMPARE(seen, QStringList(shown, QStringLiteral("Warning")));
        QCOMPARE(h.settings.preset("Warn"), checked ? "1" : QString());

        // Once Warn no longer holds exactly 1, a click on any box warns again while extended is checked.
        h.settings.setPreset("Warn", "0");
        h.click("chkOpt(1)");
        QCOMPARE(seen.size(), shown + (checked ? 1 : 0));
        QCOMPARE(h.settings.preset("Warn"), QString(checked ? "1" : "0"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
