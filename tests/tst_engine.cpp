#include "CharClasses.h"
#include "GenerationState.h"
#include "NumericText.h"
#include "RecorderView.h"
#include "SodiumRandom.h"
#include "modGen.h"

#include <QSet>
#include <QTest>

#include <cmath>

using namespace corvane;
using corvane::test::RecorderView;
using corvane::test::ScriptedRandom;

namespace {

const QString digits = QStringLiteral("0123456789");
const QString lower = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
const QString upper = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");

RecorderView defaultView()
{
    RecorderView view;
    view.special = specialCharacterSet();
    view.extended = extendedCharacterSet();
    return view;
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void characterSets();

    void leadingNumber_data();
    void leadingNumber();
    void integerConversion_data();
    void integerConversion();

    void pool_data();
    void pool();

    void lengthValidation_data();
    void lengthValidation();
    void countHandling_data();
    void countHandling();

    void noClassSelectedEndsBatchWithOneMessage();
    void emptySetsUnderSelectedClassAreRefused();
    void scriptedDrawsGiveExactPassword();
    void secondGenerateReplacesList();
    void boundedIsUnbiasedAndInRange();
    void extendedPoolWeightsDoubledCharactersTwice();
    void passwordsNeverRepeat();
};

void TestEngine::characterSets()
{
    const QString special = specialCharacterSet();
    QCOMPARE(special.size(), 31);
    QCOMPARE(special.at(27), QChar(u'\\'));
    const QString extended = extendedCharacterSet();
    QCOMPARE(extended.size(), 25);
    const QList<char16_t> codes{0xA2, 0xA5, 0xA7, 0xA9, 0x20AC, 0xAB, 0xAE, 0xB1, 0xBC, 0xBD, 0xBE, 0xBF, 0xA5,
                                0xBB, 0xD1, 0xD8, 0xF1, 0xFF, 0xD1, 0xD7, 0xF7, 0xE6, 0xA3, 0xB6, 0xAF};
    for (int i = 0; i < 25; ++i)
        QCOMPARE(extended.at(i).unicode(), codes[i]);
    QCOMPARE(QSet<QChar>(extended.begin(), extended.end()).size(), 23);
    QCOMPARE(charClasses()[4].caption, QString::fromUtf8("Use Extended Characters (¢¥§©€«®)"));
}

void TestEngine::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::addRow("plain") << "12" << 12.0;
    QTest::addRow("blanks before") << "  \t12" << 12.0;
    QTest::addRow("trailing letters") << "12abc" << 12.0;
    QTest::addRow("fraction") << "3.5" << 3.5;
    QTest::addRow("leading point") << ".5x" << 0.5;
    QTest::addRow("exponent") << "1e1" << 10.0;
    QTest::addRow("exponent without digits") << "7e" << 7.0;
    QTest::addRow("negative") << "-5" << -5.0;
    QTest::addRow("plus sign") << "+8" << 8.0;
    QTest::addRow("letters") << "abc" << 0.0;
    QTest::addRow("empty") << "" << 0.0;
    QTest::addRow("sign only") << "-" << 0.0;
    QTest::addRow("point only") << "." << 0.0;
}

void TestEngine::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(corvane::leadingNumber(text), expected);
}

void TestEngine::integerConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok16");
    QTest::addColumn<int>("value16");
    QTest::addColumn<bool>("ok32");
    QTest::addColumn<int>("value32");
    QTest::addRow("whole") << "30" << true << 30 << true << 30;
    QTest::addRow("blanks around") << " 12 " << true << 12 << true << 12;
    QTest::addRow("tie rounds to even down") << "2.5" << true << 2 << true << 2;
    QTest::addRow("tie rounds to even up") << "3.5" << true << 4 << true << 4;
    QTest::addRow("50.5 to 50") << "50.5" << true << 50 << true << 50;
    QTest::addRow("negative tie") << "-2.5" << true << -2 << true << -2;
    QTest::addRow("exponent") << "1e1" << true << 10 << true << 10;
    QTest::addRow("int16 max") << "32767" << true << 32767 << true << 32767;
    QTest::addRow("int16 overflow") << "32768" << false << 0 << true << 32768;
    QTest::addRow("int16 min") << "-32768" << true << -32768 << true << -32768;
    QTest::addRow("int32 overflow") << "2147483648" << false << 0 << false << 0;
    QTest::addRow("rounds past int16 max") << "32767.5" << false << 0 << true << 32768;
    QTest::addRow("huge exponent") << "1e400" << false << 0 << false << 0;
    QTest::addRow("empty") << "" << false << 0 << false << 0;
    QTest::addRow("blank") << "   " << false << 0 << false << 0;
    QTest::addRow("letters") << "abc" << false << 0 << false << 0;
    QTest::addRow("trailing junk") << "12abc" << false << 0 << false << 0;
    QTest::addRow("count with junk") << "7x" << false << 0 << false << 0;
    QTest::addRow("hex is not a number") << "0x10" << false << 0 << false << 0;
    QTest::addRow("inner blank") << "1 2" << false << 0 << false << 0;
}

void TestEngine::integerConversion()
{
    QFETCH(QString, text);
    QFETCH(bool, ok16);
    QFETCH(int, value16);
    QFETCH(bool, ok32);
    QFETCH(int, value32);
    const auto v16 = toInt16(text);
    QCOMPARE(v16.has_value(), ok16);
    if (ok16)
        QCOMPARE(int(*v16), value16);
    const auto v32 = toInt32(text);
    QCOMPARE(v32.has_value(), ok32);
    if (ok32)
        QCOMPARE(int(*v32), value32);
}

void TestEngine::pool_data()
{
    QTest::addColumn<QList<int>>("classes");
    QTest::addColumn<QString>("expected");
    const QString special = specialCharacterSet();
    const QString extended = extendedCharacterSet();
    QTest::addRow("all five") << QList<int>{1, 1, 1, 1, 1} << digits + lower + upper + special + extended;
    QTest::addRow("defaults") << QList<int>{1, 1, 1, 1, 0} << digits + lower + upper + special;
    QTest::addRow("mixed counts as selected") << QList<int>{2, 0, 2, 0, 0} << digits + upper;
    QTest::addRow("special only") << QList<int>{0, 0, 0, 1, 0} << special;
    QTest::addRow("extended only") << QList<int>{0, 0, 0, 0, 1} << extended;
    QTest::addRow("lower and extended mixed") << QList<int>{0, 1, 0, 0, 2} << lower + extended;
}

void TestEngine::pool()
{
    QFETCH(QList<int>, classes);
    QFETCH(QString, expected);
    RecorderView view = defaultView();
    for (int i = 0; i < 5; ++i)
        view.classes[static_cast<std::size_t>(i)] = classes[i];
    GenerationState state;
    state.lengthText = view.length;
    ScriptedRandom random;
    modGen engine(view, state, random);
    QVERIFY(engine.MakePassword());
    QCOMPARE(state.pool, expected);
    QCOMPARE(view.password.size(), 30);
    for (auto bound : random.bounds)
        QCOMPARE(bound, std::uint32_t(expected.size()));
}

void TestEngine::lengthValidation_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<int>("expectedLength"); // -1: refused
    QTest::addRow("3") << "3" << -1;
    QTest::addRow("3.5 rounds to 4") << "3.5" << 4;
    QTest::addRow("3.4 would round to 3") << "3.4" << -1;
    QTest::addRow("4") << "4" << 4;
    QTest::addRow("4.5 rounds to even 4") << "4.5" << 4;
    QTest::addRow("50") << "50" << 50;
    QTest::addRow("50.5 rounds to 50") << "50.5" << 50;
    QTest::addRow("50.6 would round to 51") << "50.6" << -1;
    QTest::addRow("51") << "51" << -1;
    QTest::addRow("empty") << "" << -1;
    QTest::addRow("letters") << "abc" << -1;
    QTest::addRow("blank before") << " 12" << 12;
    QTest::addRow("blank after") << "12 " << 12;
    QTest::addRow("trailing junk") << "12abc" << -1;
    QTest::addRow("exponent") << "1e1" << 10;
    QTest::addRow("negative") << "-5" << -1;
}

void TestEngine::lengthValidation()
{
    QFETCH(QString, length);
    QFETCH(int, expectedLength);
    RecorderView view = defaultView();
    view.length = length;
    view.count = QStringLiteral("3");
    view.list = {QStringLiteral("old")};
    GenerationState state;
    ScriptedRandom random;
    modGen(view, state, random).Generate();

    QCOMPARE(state.lengthText, length);
    if (expectedLength < 0) {
        QCOMPARE(view.messages, QStringList{msgLengthRange});
        QVERIFY(view.list.isEmpty());
        QCOMPARE(view.focus, QStringLiteral("txtChars"));
    } else {
        QVERIFY2(view.messages.isEmpty(), qPrintable(view.messages.join(u'|')));
        QCOMPARE(view.list.size(), 3);
        for (const QString& password : std::as_const(view.list))
            QCOMPARE(password.size(), expectedLength);
    }
}

void TestEngine::countHandling_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("entries"); // -1: refused with the count message
    QTest::addRow("0") << "0" << 0;
    QTest::addRow("-3") << "-3" << 0;
    QTest::addRow("5") << "5" << 5;
    QTest::addRow("2.5 rounds to even 2") << "2.5" << 2;
    QTest::addRow("32767 runs to its end") << "32767" << 32767;
    QTest::addRow("32768") << "32768" << -1;
    QTest::addRow("letters") << "abc" << -1;
    QTest::addRow("empty") << "" << -1;
    QTest::addRow("trailing junk") << "7x" << -1;
}

void TestEngine::countHandling()
{
    QFETCH(QString, count);
    QFETCH(int, entries);
    RecorderView view = defaultView();
    view.length = QStringLiteral("4");
    view.count = count;
    view.list = {QStringLiteral("old")};
    GenerationState state;
    ScriptedRandom random;
    modGen(view, state, random).Generate();

    if (entries < 0) {
        QCOMPARE(view.messages, QStringList{msgCountRange});
        QVERIFY(view.list.isEmpty());
        QCOMPARE(view.focus, QStringLiteral("txtNumOf"));
    } else {
        QVERIFY(view.messages.isEmpty());
        QCOMPARE(view.list.size(), entries);
        QCOMPARE(random.reseeds, entries);
    }
}

void TestEngine::noClassSelectedEndsBatchWithOneMessage()
{
    RecorderView view = defaultView();
    view.classes = {0, 0, 0, 0, 0};
    view.count = QStringLiteral("100");
    view.list = {QStringLiteral("old")};
    GenerationState state;
    ScriptedRandom random;
    modGen(view, state, random).Generate();
    QCOMPARE(view.messages, QStringList{msgChooseOption});
    QVERIFY(view.list.isEmpty());
    QCOMPARE(random.reseeds, 0);
}

void TestEngine::emptySetsUnderSelectedClassAreRefused()
{
    RecorderView view;
    view.classes = {0, 0, 0, 1, 1};
    GenerationState state;
    state.lengthText = view.length;
    ScriptedRandom random;
    modGen engine(view, state, random);
    QVERIFY(!engine.MakePassword());
    QCOMPARE(view.messages.size(), 1);
    QVERIFY(random.bounds.empty());

    // Called outside a Generate command, an empty length text is refused before anything is drawn.
    view = defaultView();
    view.length.clear();
    QVERIFY(!engine.MakePassword());
    QCOMPARE(view.messages, QStringList{msgEnterNumeric});
}

void TestEngine::scriptedDrawsGiveExactPassword()
{
    RecorderView view = defaultView();
    view.classes = {1, 1, 0, 0, 1};
    view.length = QStringLiteral("6");
    view.count = QStringLiteral("2");
    GenerationState state;
    ScriptedRandom random;
    // Pool: 10 digits, 26 lower case, then the extended set from position 36.
    random.draws = {0, 9, 10, 35, 36, 40, 60, 10, 37, 54, 1, 2};
    modGen(view, state, random).Generate();
    QCOMPARE(view.list, (QStringList{QString::fromUtf8("09az¢€"), QString::fromUtf8("¯a¥Ñ12")}));
    QCOMPARE(view.password, view.list.last());
    QCOMPARE(random.reseeds, 2);
}

void TestEngine::secondGenerateReplacesList()
{
    RecorderView view = defaultView();
    view.count = QStringLiteral("4");
    GenerationState state;
    SodiumRandom random;
    modGen engine(view, state, random);
    engine.Generate();
    const QStringList first = view.list;
    view.count = QStringLiteral("2");
    engine.Generate();
    QCOMPARE(view.list.size(), 2);
    QVERIFY(!first.contains(view.list[0]));
}

void TestEngine::boundedIsUnbiasedAndInRange()
{
    SodiumRandom random;
    for (std::uint32_t n : {1u, 2u, 3u, 118u, 0x80000001u, 0xFFFFFFFFu}) {
        for (int i = 0; i < 2000; ++i)
            QVERIFY(random.bounded(n) < n);
    }
    QCOMPARE(random.bounded(0), 0u);

    // For n = 3 * 2^30 a quarter of all words must be rejected; kept, they would land in the lowest
    // third of the range and lift its share from 1/3 to 1/2. Drawing for another n first checks
    // that the rejection threshold follows n.
    random.bounded(118);
    constexpr std::uint32_t n = 0xC0000000u;
    int lowestThird = 0;
    for (int i = 0; i < 3000; ++i)
        lowestThird += random.bounded(n) < n / 3 ? 1 : 0;
    QVERIFY2(lowestThird > 850 && lowestThird < 1150, qPrintable(QString::number(lowestThird)));
}

void TestEngine::extendedPoolWeightsDoubledCharactersTwice()
{
    // 25 positions over 23 characters: yen and capital N with tilde each expected twice as often.
    RecorderView view = defaultView();
    view.classes = {0, 0, 0, 0, 1};
    view.length = QStringLiteral("50");
    view.count = QStringLiteral("4000");
    GenerationState state;
    SodiumRandom random;
    modGen(view, state, random).Generate();
    QCOMPARE(view.list.size(), 4000);

    QHash<QChar, int> observed;
    for (const QString& password : std::as_const(view.list))
        for (QChar c : password)
            ++observed[c];
    const QString pool = extendedCharacterSet();
    const double total = 4000.0 * 50.0;
    double chiSquare = 0;
    int categories = 0;
    for (QChar c : QSet<QChar>(pool.begin(), pool.end())) {
        const double expected = total * double(pool.count(c)) / double(pool.size());
        const double difference = observed.value(c) - expected;
        chiSquare += difference * difference / expected;
        ++categories;
    }
    QCOMPARE(categories, 23);
    QCOMPARE(observed.size(), 23);
    // 22 degrees of freedom: 70 is far beyond the 1e-6 tail (about 57.4), so a false failure is
    // practically impossible, while equal weights for the doubled characters would add thousands.
    QVERIFY2(chiSquare < 70.0, qPrintable(QString::number(chiSquare)));
}

void TestEngine::passwordsNeverRepeat()
{
    RecorderView view = defaultView();
    view.classes = {1, 1, 1, 1, 1};
    view.length = QStringLiteral("8");
    view.count = QStringLiteral("1000");
    GenerationState state;
    SodiumRandom random;
    modGen engine(view, state, random);
    engine.Generate();
    const QSet<QString> first(view.list.begin(), view.list.end());
    QCOMPARE(first.size(), 1000);
    engine.Generate();
    const QSet<QString> second(view.list.begin(), view.list.end());
    QCOMPARE(second.size(), 1000);
    QVERIFY(!first.intersects(second));
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
