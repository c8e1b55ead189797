#include "NumericText.h"
#include "SodiumRandom.h"

#include <QTest>

using namespace corvane;

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void wholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("int16"); // -1: refused
        QTest::addColumn<int>("int32");
        QTest::addRow("tie to even") << "2.5" << 2 << 2;
        QTest::addRow("int16 max") << "32767" << 32767 << 32767;
        QTest::addRow("rounds past int16 max") << "32767.5" << -1 << 32768;
    }

    void wholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(int, int16);
        QFETCH(int, int32);
        QCOMPARE(toInt16(text).value_or(-1), int16);
        QCOMPARE(toInt32(text).value_or(-1), int32);
    }

    // For n = 3 * 2^30 a quarter of all words must be rejected; kept, they would land in the lowest third
    // and lift its share from 1/3 to 1/2. Drawing for 25 first shows the floor follows n.
    void boundedHasNoBias()
    {
        SodiumRandom random;
        random.bounded(25);
        constexpr std::uint32_t n = 0xC0000000u;
        int lowestThird = 0;
        for (int i = 0; i < 3000; ++i)
            lowestThird += random.bounded(n) < n / 3 ? 1 : 0;
        QVERIFY2(lowestThird > 850 && lowestThird < 1150, qPrintable(QString::number(lowestThird)));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
