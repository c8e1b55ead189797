#include "GenerationState.h"
#include "NumericText.h"
#include "RecorderView.h"
#include "SodiumRandom.h"
#include "modGen.h"

#include <QSet>
#include <QTest>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

using namespace corvane;
using corvane::test::RecorderView;
using corvane::test::ScriptedRandom;

namespace {

constexpr int none = std::numeric_limits<int>::min(); // the conversion refuses the text

template <typename Int> int orNone(std::optional<Int> value)
{
    return value ? int(*value) : none;
}

// One Generate command over `view`; returns the pool it drew from.
QString generate(RecorderView& view, RandomSource& random)
{
    GenerationState state;
    modGen(view, state, random).Generate();
    return state.pool;
}

const QString digits = QStringLiteral("0123456789");
const QString lower = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
const QString upper = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString special = QStringLiteral("!@#$%^&*-_=()[]{}<>?|~`+',.\\/;:");
const QString extended = QString::fromUtf8("¢¥§©€«®±¼½¾¿¥»ÑØñÿÑ×÷æ£¶¯");

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void conversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("leading");
        QTest::addColumn<int>("int16");
        QTest::addColumn<int>("int32");
        QTest::addRow("whole") << "30" << 30.0 << 30 << 30;
        QTest::addRow("blanks around") << " \t12 " << 12.0 << 12 << 12;
        QTest::addRow("plus sign") << "+8" << 8.0 << 8 << 8;
        QTest::addRow("tie to even, down") << "2.5" << 2.5 << 2 << 2;
        QTest::addRow("tie to even, up") << "3.5" << 3.5 << 4 << 4;
        QTest::addRow("negative tie") << "-2.5" << -2.5 << -2 << -2;
        QTest::addRow("exponent") << "1e1" << 10.0 << 10 << 10;
        QTest::addRow("int16 max") << "32767" << 32767.0 << 32767 << 32767;
        QTest::addRow("int16 overflow") << "32768" << 32768.0 << none << 32768;
        QTest::addRow("rounds past int16 max") << "32767.5" << 32767.5 << none << 32768;
        QTest::addRow("int32 overflow") << "2147483648" << 2147483648.0 << none << none;
        QTest::addRow("huge exponent") << "1e400" << qInf() << none << none;
        QTest::addRow("trailing letters") << "12abc" << 12.0 << none << none;
        QTest::addRow("exponent without digits") << "7e" << 7.0 << none << none;
        QTest::addRow("leading point") << ".5x" << 0.5 << none << none;
        QTest::addRow("inner blank") << "1 2" << 1.0 << none << none;
        QTest::addRow("hex") << "0x10" << 0.0 << none << none;
        QTest::addRow("letters") << "abc" << 0.0 << none << none;
        QTest::addRow("empty") << "" << 0.0 << none << none;
        QTest::addRow("point only") << "." << 0.0 << none << none;
    }

    void conversions()
    {
        QFETCH(QString, text);
        QFETCH(double, leading);
        QFETCH(int, int16);
        QFETCH(int, int32);
        QCOMPARE(leadingNumber(text), leading);
        QCOMPARE(orNone(toInt16(text)), int16);
        QCOMPARE(orNone(toInt32(text)), int32);
    }

    void pool_data()
    {
        QTest::addColumn<QList<int>>("classes");
        QTest::addColumn<bool>("setsEmptied");
        QTest::addColumn<QString>("pool"); // empty: refused
        QTest::addRow("all five") << QList<int>{1, 1, 1, 1, 1} << false
                                  << digits + lower + upper + special + extended;
        QTest::addRow("defaults") << QList<int>{1, 1, 1, 1, 0} << false << digits + lower + upper + special;
        QTest::addRow("mixed counts as selected") << QList<int>{2, 0, 2, 0, 0} << false << digits + upper;
        QTest::addRow("special only") << QList<int>{0, 0, 0, 1, 0} << false << special;
        QTest::addRow("lower and extended mixed") << QList<int>{0, 1, 0, 0, 2} << false << lower + extended;
        QTest::addRow("no class") << QList<int>{0, 0, 0, 0, 0} << false << QString();
        QTest::addRow("selected sets emptied") << QList<int>{0, 0, 0, 1, 1} << true << QString();
    }

    void pool()
    {
        QFETCH(QList<int>, classes);
        QFETCH(bool, setsEmptied);
        QFETCH(QString, pool);
        RecorderView view;
        std::copy(classes.cbegin(), classes.cend(), view.classes.begin());
        if (setsEmptied)
            view.special = view.extended = QString();
        view.count = QStringLiteral("100");
        ScriptedRandom random;
        QCOMPARE(generate(view, random), pool);
        // A refusal ends the batch at once: one message, nothing drawn.
        QCOMPARE(view.messages, pool.isEmpty() ? QStringList{msgChooseOption} : QStringList());
        QCOMPARE(view.list.size(), pool.isEmpty() ? 0 : 100);
        QCOMPARE(random.reseeds, view.list.size());
    }

    void lengthAndCount_data()
    {
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        // Length texts with the length they give, 0 when refused; three passwords are asked for.
        static const std::pair<const char*, int> lengths[] = {
            {"3", 0},     {"3.4", 0},   {"3.5", 4},  {"4", 4}, {"4.5", 4}, {"50", 50},
            {"50.5", 50}, {"50.6", 0},  {"51", 0},   {"", 0},  {"abc", 0}, {" 12", 12},
            {"12 ", 12},  {"12abc", 0}, {"1e1", 10}, {"-5", 0}};
        for (const auto& [text, size] : lengths)
            QTest::addRow("length '%s'", text)
                << text << "3" << (size ? 3 : 0) << size << (size ? QString() : msgLengthRange)
                << (size ? "" : "txtChars");
        // Count texts with the number of passwords they give, -1 when refused.
        static const std::pair<const char*, int> counts[] = {{"0", 0},    {"-3", 0},        {"5", 5},
                                                             {"2.5", 2},  {"32767", 32767}, {"32768", -1},
                                                             {"abc", -1}, {"", -1},         {"7x", -1}};
        for (const auto& [text, entries] : counts)
            QTest::addRow("count '%s'", text)
                << "4" << text << qMax(entries, 0) << 4 << (entries < 0 ? msgCountRange : QString())
                << (entries < 0 ? "txtNumOf" : "");
    }

    void lengthAndCount()
    {
        QFETCH(QString, length);
        QFETCH(QString, count);
        QFETCH(int, entries);
        QFETCH(int, size);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        RecorderView view;
        view.length = length;
        view.count = count;
        view.list = {QStringLiteral("old")};
        ScriptedRandom random;
        generate(view, random);
        QCOMPARE(view.messages, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(view.focus, focus);
        QCOMPARE(view.list.size(), entries);
        QCOMPARE(random.reseeds, entries);
        for (const QString& password : std::as_const(view.list))
            QCOMPARE(password.size(), size);
    }

    void scriptedDrawsGiveExactPasswords()
    {
        RecorderView view;
        view.classes = {1, 1, 0, 0, 1};
        view.length = QStringLiteral("6");
        view.count = QStringLiteral("2");
        ScriptedRandom random;
        // Pool: 10 digits, 26 lower case, then the extended set from position 36.
        random.draws = {0, 9, 10, 35, 36, 40, 60, 10, 37, 54, 1, 2};
        generate(view, random);
        QCOMPARE(view.list, (QStringList{QString::fromUtf8("09az¢€"), QString::fromUtf8("¯a¥Ñ12")}));
    }

    void boundedStaysInRangeWithoutBias()
    {
        SodiumRandom random;
        QCOMPARE(random.bounded(0), 0u);
        for (std::uint32_t n : {1u, 2u, 3u, 118u, 0x80000001u, 0xFFFFFFFFu})
            for (int i = 0; i < 2000; ++i)
                QVERIFY(random.bounded(n) < n);

        // For n = 3 * 2^30 a quarter of all words must be rejected; kept, they would land in the lowest
        // third and lift its share from 1/3 to 1/2. Drawing for 118 first shows the floor follows n.
        random.bounded(118);
        constexpr std::uint32_t n = 0xC0000000u;
        int lowestThird = 0;
        for (int i = 0; i < 3000; ++i)
            lowestThird += random.bounded(n) < n / 3 ? 1 : 0;
        QVERIFY2(lowestThird > 850 && lowestThird < 1150, qPrintable(QString::number(lowestThird)));
    }

    void extendedPoolWeightsDoubledCharactersTwice()
    {
        RecorderView view;
        view.classes = {0, 0, 0, 0, 1};
        view.length = QStringLiteral("50");
        view.count = QStringLiteral("4000");
        SodiumRandom random;
        generate(view, random);

        QHash<QChar, int> observed;
        for (const QString& password : std::as_const(view.list))
            for (QChar c : password)
                ++observed[c];
        QCOMPARE(observed.size(), 23);
        // 25 positions over 23 characters: yen and capital N with tilde are expected twice as often.
        double chiSquare = 0;
        for (auto it = observed.cbegin(); it != observed.cend(); ++it) {
            const double expected = 4000.0 * 50.0 * double(extended.count(it.key())) / 25.0;
            chiSquare += (it.value() - expected) * (it.value() - expected) / expected;
        }
        // 22 degrees of freedom: 70 is far beyond the 1e-6 tail (about 57.4), while equal weights for
        // the doubled characters would add thousands.
        QVERIFY2(chiSquare < 70.0, qPrintable(QString::number(chiSquare)));
    }

    void passwordsNeverRepeat()
    {
        RecorderView view;
        view.classes = {1, 1, 1, 1, 1};
        view.length = QStringLiteral("8");
        view.count = QStringLiteral("1000");
        SodiumRandom random;
        generate(view, random);
        const QSet<QString> first(view.list.cbegin(), view.list.cend());
        generate(view, random);
        const QSet<QString> second(view.list.cbegin(), view.list.cend());
        QCOMPARE(first.size(), 1000);
        QCOMPARE(second.size(), 1000);
        QVERIFY(!first.intersects(second));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
