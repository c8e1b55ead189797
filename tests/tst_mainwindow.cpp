#include "FakeServices.h"
#include "GenerationState.h"
#include "PresetStore.h"
#include "UiCommon.h"
#include "frmMain.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QScopeGuard>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace corvane;
using namespace corvane::test;

namespace {

// A main window over the test services and the given presets, shown offscreen; its draws count up from 0.
struct Harness : TestServices
{
    GenerationState state;
    CountingRandom random;
    std::unique_ptr<frmMain> window;

    explicit Harness(const QStringList& presets = {})
    {
        for (const QString& preset : presets)
            settings.save("Corvane", "Presets", preset.section(u'=', 0, 0), preset.section(u'=', 1));
        window = std::make_unique<frmMain>(services, state, random);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("main window not active");
    }
    template <typename T = QWidget> T* child(const QString& id) const { return window->findChild<T*>(id); }
    void click(const QString& name) const { QTest::mouseClick(child(name), Qt::LeftButton); }
    QListView* list() const { return child<QListView>("lstPass"); }
    void fillList(const QStringList& entries, int selected = -1) const
    {
        for (const QString& entry : entries)
            window->addListEntry(entry);
        list()->setCurrentIndex(list()->model()->index(selected, 0));
    }
    // The five boxes (0 cleared, 1 checked, 2 mixed), the length and the count as the fields show them,
    // and "warned" when the store says the warning was shown.
    QString screen()
    {
        QString boxes;
        for (int i = 0; i < 5; ++i)
            boxes += QString("021")[child<QCheckBox>(QString("chkOpt(%1)").arg(i))->checkState()] + u' ';
        return boxes + child<QLineEdit>("txtChars")->text() + u' ' + child<QLineEdit>("txtNumOf")->text() +
               (PresetStore(settings).warningShown() ? " warned" : "");
    }
};

int visibleAboutWindows()
{
    return int(std::ranges::count_if(QApplication::topLevelWidgets(),
                                     [](QWidget* w) { return w->objectName() == u"frmAbout" && w->isVisible(); }));
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Q_INIT_RESOURCE(corvane_images); }

    // Tab visits every control in order, the help and About pictures last, each shows its caption, and F1
    // opens the help once from each, with Shift or Ctrl held too. Each picture works as a button: Enter or
    // Space on it, or a screen reader's press, does what its click does.
    void tabOrderAndHelp()
    {
        Harness h;
        const QString help = QCoreApplication::applicationDirPath() + QDir::separator() + "Corvane.chm";
        QStringList order;
        const Qt::KeyboardModifier held[] = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
        QVERIFY(QTest::qWaitFor([&] { return QApplication::focusWidget() == h.child("txtChars"); }));
        for (int i = 1; i <= 16; ++i) {
            QWidget* widget = QApplication::focusWidget();
            auto* button = qobject_cast<QAbstractButton*>(widget);
            order.append(button ? button->text() : widget->objectName());
            QTest::keyClick(widget, Qt::Key_F1, held[i % 3]);
            QCOMPARE(h.shell.seen, QStringList(i, help));
            QTest::keyClick(widget, Qt::Key_Tab);
        }
        QCOMPARE(order, (QStringList{"txtChars", "UpDown1", "txtNumOf", "UpDown2", "Use Numbers  [0-9]",
                                     "Use Lowercase  [a-z]", "Use Uppercase  [A-Z]",
                                     "Use Special Characters (!@#$%^&&*-,)",
                                     QString::fromUtf8("Use Extended Characters (¢¥§©€«®)"), "&Generate",
                                     "&Save", "&Copy", "Cl&ose", "lstPass", "Image1", "Image3"}));
        h.click("Image1");
        QTest::keyClick(h.child("Image1"), Qt::Key_Space);
        QAccessible::queryAccessibleInterface(h.child("Image1"))->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QCOMPARE(h.shell.seen, QStringList(19, help));
        // To a screen reader the two are buttons, and the banner, the icons beside the title and the lines
        // under it are not there at all.
        QAccessibleInterface* window = QAccessible::queryAccessibleInterface(h.window.get());
        QStringList read;
        for (int i = 0; i < window->childCount(); ++i)
            read += window->child(i)->object()->objectName() + u' ' + QString::number(window->child(i)->role());
        const QString button = u' ' + QString::number(QAccessible::Button);
        QCOMPARE(read.filter(u"Image") + read.filter(u"Line"), QStringList({"Image1" + button, "Image3" + button}));
        // However often it is asked for, About is one window, and it closes with the main one.
        QTest::keyClick(h.child("Image3"), Qt::Key_Return);
        h.click("Image3");
        QCOMPARE(visibleAboutWindows(), 1);
        h.click("cmdClose");
        QCOMPARE(visibleAboutWindows(), 0);
    }

    // A spin control is one spin button named by its label, with the value its arrows step from and its
    // range. A typed value at either end of the range is where an arrow key steps from, either way, and the
    // arrows stop at the ends; typed text that is not a whole number in range is not stepped from.
    void spinFields()
    {
        Harness h;
        const struct { const char *spin, *field, *name; int low, high; } spins[] = {
            {"UpDown1", "txtChars", "4-50 Characters", 4, 50}, {"UpDown2", "txtNumOf", "Number of Passwords", 1, 1000}};
        for (const auto& [spin, field, name, low, high] : spins) {
            QAccessibleInterface* button = QAccessible::queryAccessibleInterface(h.child(spin));
            const QAccessibleValueInterface* value = button->valueInterface();
            const auto n = [](auto number) { return QString::number(number); };
            for (const auto& [typed, key, shown] :
                 {std::tuple{n(low), Qt::Key_Up, low + 1}, {n(low), Qt::Key_Down, low}, {n(high), Qt::Key_Up, high},
                  {n(high), Qt::Key_Down, high - 1}, {n(low - 1), Qt::Key_Up, high},
                  {n(low) + ".5", Qt::Key_Down, high - 1}, {n(high + 1), Qt::Key_Down, high - 2}}) {
                h.child<QLineEdit>(field)->setText(typed);
                QTest::keyClick(h.child(spin), key);
                QCOMPARE((QStringList{h.child<QLineEdit>(field)->text(), button->text(QAccessible::Name),
                                      value->currentValue().toString(), value->minimumValue().toString(),
                                      value->maximumValue().toString()}),
                         (QStringList{n(shown), name, n(shown), n(low), n(high)}));
            }
        }
    }

    // A session on a store as the program, an older version or the user left it: the window shows the
    // store (a value that is not a whole number in its control's range shows the key's default, and only
    // the text 1 says the warning was shown; a ticked extended box brings the warning as the window opens,
    // and it is stored as shown). A length and a count are typed, Generate pressed, and the list is taken
    // as Copy puts it on the clipboard, then the messages shown and the control left with the focus (the
    // list held two rows, one selected; the draws walk through the pool in order). The first box is then
    // cleared: Close stores the length and count shown, not those typed, and the next window shows the
    // store again with the box cleared.
    void session_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("output");
        const QString pool = QString::fromUtf8("0123456789abcdefghijklmnopqrstuvwxyz"
                                               "ABCDEFGHIJKLMNOPQRSTUVWXYZ!@#$%^&*-_=()[]{}<>?|~`+',.\\/;:"
                                               "¢¥§©€«®±¼½¾¿¥»ÑØñÿÑ×÷æ£¶¯");
        const QString defaults = "1 1 1 1 0 30 5";
        const QStringList badLength{"Must Enter a Numeric Value between 4 and 50", "txtChars"}, first{"0123", "cmdGen"};
        const QStringList none{"Numbers=0", "Lower=0", "Upper=0", "Special=0"};
        QTest::addRow("empty store, 4.5 between tabs rounds to 4") << QStringList{} << defaults << "\t4.5\t" << "1" << first;
        QTest::addRow("stored, count 0")
            << QStringList{"Lower=2", "Extended=1", "Characters=4", "NumberOf=1000", "Warn=1"}
            << "1 2 1 1 1 4 1000 warned" << "4" << "0" << QStringList{"cmdGen"};
        QTest::addRow("upper ends, all five") << QStringList{"Characters=50", "NumberOf=1", "Extended=1"}
                                              << "1 1 1 1 1 50 1 warned" << "50" << "3"
                                              << QStringList{pool.left(50), pool.mid(50, 50),
                                                             (pool + pool).mid(100, 50), "Warning", "cmdGen"};
        // A mixed extended box draws from its class but is not ticked, so it brings no warning.
        QTest::addRow("mixed counts as ticked") << none + QStringList{"Numbers=2", "Extended=2"} << "2 0 0 0 2 30 5"
                                                << "4" << "2" << QStringList{"0123", "4567", "cmdGen"};
        QTest::addRow("out of range, warning shown only after \"1\"")
            << QStringList{"Numbers=3", "Lower=-1", "Characters=3", "NumberOf=1001", "Warn=1 ", "Extended=1"}
            << "1 1 1 1 1 30 5 warned" << "4" << "1" << QStringList{"0123", "Warning", "cmdGen"};
        QTest::addRow("not whole numbers, 3.4 rounds to 3")
            << QStringList{"Upper=0.5", "Characters=12.5", "NumberOf=7x", "Warn=01"} << defaults << "3.4" << "1"
            << badLength;
        QTest::addRow("other forms, 50.6 rounds to 51") << QStringList{"Special= 0 ", "Characters=1e1", "Warn=1"}
                                                        << "1 1 1 0 0 10 5 warned" << "50.6" << "1" << badLength;
        QTest::addRow("none") << none << "0 0 0 0 0 30 5" << "4" << "9"
                              << QStringList{"You Must Choose an option.", "cmdGen"};
        QTest::addRow("length junk") << QStringList{} << defaults << "12abc" << "1" << badLength;
        QTest::addRow("count junk") << QStringList{} << defaults << "4" << "7x"
                                    << QStringList{"Must Enter a Number of Passwords between 1 and 32767", "txtNumOf"};
    }

    void session()
    {
        QFETCH(QStringList, stored);
        QFETCH(QString, shown);
        QFETCH(QString, length);
        QFETCH(QString, count);
        Harness h(stored);
        QCOMPARE(h.screen(), shown);
        h.child<QLineEdit>("txtChars")->setText(length);
        h.child<QLineEdit>("txtNumOf")->setText(count);
        h.fillList({"old", "old"}, 1);
        h.click("cmdGen");
        const QString focus = h.window->focusWidget()->objectName();
        h.click("cmdSave");
        QStringList entries = h.clipboard.text.split("\r\n");
        QCOMPARE(entries.takeLast(), QString()); // every entry ends with CR LF, the last one too
        QTEST(entries + h.dialogs.seen + QStringList{focus}, "output");
        h.child<QCheckBox>("chkOpt(0)")->setCheckState(Qt::Unchecked);
        h.click("cmdClose");
        const auto kept = [&h](const char* key) { return h.settings.get("Corvane", "Presets", key, {}); };
        QCOMPARE((QStringList{kept("Characters"), kept("NumberOf")}), shown.split(u' ').mid(5, 2));
        h.window = std::make_unique<frmMain>(h.services, h.state, h.random);
        QCOMPARE(h.screen(), shown.replace(0, 1, u'0'));
    }

    // The list's own copy keys copy as Copy does, through the one call that marks the copy secret; one
    // entry at most is selected. A refused copy says so and leaves the clipboard alone.
    void copyRoutes_data()
    {
        QTest::addColumn<QKeySequence>("keys"); // empty: the Copy button
        QTest::addColumn<int>("selected");      // -1: none
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QStringList>("seen"); // the clipboard's text, then the messages
        for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Copy))
            QTest::addRow("%s on a selected entry", qPrintable(keys.toString())) << keys << 1 << false
                                                                               << QStringList{"b"};
        QTest::addRow("Copy on a selected entry") << QKeySequence() << 1 << false << QStringList{"b"};
        const QKeySequence selectAll(QKeySequence::SelectAll), copy(QKeySequence::Copy);
        QTest::addRow("select all, then the copy key") << QKeySequence(selectAll[0], copy[0]) << 1 << false
                                                       << QStringList{"b"};
        QTest::addRow("copy key, nothing selected")
            << QKeySequence(QKeySequence::Copy) << -1 << false << QStringList{"a\r\nb\r\n"};
        const QString busy = "Nothing was copied: another program is using the clipboard. Try again.";
        QTest::addRow("busy, one entry") << QKeySequence() << 0 << true << QStringList{"old", busy};
        QTest::addRow("busy, whole list") << QKeySequence() << -1 << true << QStringList{"old", busy};
    }

    void copyRoutes()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(int, selected);
        QFETCH(bool, busy);
        Harness h;
        h.fillList({"a", "b"}, selected);
        h.list()->setFocus();
        h.clipboard.text = "old";
        h.clipboard.busy = busy;
        if (keys.isEmpty())
            h.click("cmdSave");
        else
            QTest::keySequence(h.list(), keys);
        QTEST(QStringList{h.clipboard.text} + h.dialogs.seen, "seen");
    }

    // Cancelled, saved to a new file, then to a path below a file; then closed while a folder has the
    // presets' file name. Neither write can be done even by an administrator: each is reported with its
    // place (the save's reason is the system's own text), the window still closes, and the file saved
    // before stays as it was.
    void save()
    {
        Harness h;
        h.fillList({"a", QString::fromUtf8("€")});
        const QString path = h.dir.filePath("new.txt"), blocked = h.dir.filePath("new.txt/x.txt");
        for (const QString& answer : {QString(), path, blocked}) {
            h.window->askSaveFileName = [&](QWidget*) { return answer; };
            h.click("cmdSaveIt");
        }
        QVERIFY(QDir(h.dir.path()).mkdir("Corvane.ini"));
        h.click("cmdClose");
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.dialogs.seen.filter(QDir::toNativeSeparators(blocked)).size(), 1);
        QCOMPARE(h.dialogs.seen.mid(1), QStringList{"Your choices could not be stored in \"" +
                                                    QDir::toNativeSeparators(h.dir.filePath("Corvane.ini")) +
                                                    "\": Filename refers to a directory."});
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("a\r\n\xe2\x82\xac\r\n"));
#ifdef Q_OS_WIN
        QSKIP("Windows files carry no owner-only permission bits");
#endif
        const auto userBits = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser; // whoever runs the test
        QCOMPARE(saved.permissions() & ~userBits, QFile::ReadOwner | QFile::WriteOwner);
    }

    // The system's palette, a stand-in for a dark or a light high-contrast scheme, gives way to the classic
    // face, except under high contrast, where it reaches the fixed colours of the fields and the title too,
    // and the title stands on the window's ground instead of the dark banner. The colours: the window's,
    // the length field's base and text, the title's, and the ground at the title's corner, clear of its text.
    void face_data()
    {
        QTest::addColumn<QRgb>("text");
        QTest::addColumn<QRgb>("window");
        QTest::addColumn<bool>("highContrast");
        QTest::addColumn<QList<QRgb>>("colours");
        const QRgb black = 0xff000000u, white = 0xffffffffu, yellow = 0xffffff00u, banner = 0xff174368u;
        QTest::addRow("classic") << yellow << black << false << QList<QRgb>{0xfff0f0f0u, white, black, white, banner};
        QTest::addRow("high contrast") << yellow << black << true
                                             << QList<QRgb>{black, black, yellow, yellow, black};
        QTest::addRow("high contrast, light") << black << white << true
                                              << QList<QRgb>{white, white, black, black, white};
    }
    void face()
    {
        QFETCH(QRgb, text);
        QFETCH(QRgb, window);
        QFETCH(bool, highContrast);
        // Window text, button, light, dark, mid, text, bright text, base, window.
        const QColor ink(text), ground(window);
        QApplication::setPalette(QPalette(ink, ground, ground, ground, ground, ink, ink, ground, ground));
        chooseFace(highContrast);
        const auto classicAgain = qScopeGuard([] { chooseFace(false); });
        Harness h;
        QList<QRgb> colours{QApplication::palette().color(QPalette::Window).rgba()};
        for (const auto& [name, role] : {std::pair{"txtChars", QPalette::Base}, {"txtChars", QPalette::Text},
                                         {"Label4", QPalette::WindowText}})
            colours.append(h.child(name)->palette().color(role).rgba());
        colours.append(h.window->grab(h.child("Label4")->geometry()).toImage().pixel(0, 0));
        QTEST(colours, "colours");
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
