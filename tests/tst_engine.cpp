#include "ByteMap.h"
#include "NumericText.h"
#include "SodiumRandom.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

using namespace corvane;

// `size` characters in a row from `first`.
static QString poolOf(qsizetype size, char16_t first)
{
    QString pool(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        pool[i] = QChar(char16_t(first + i));
    return pool;
}

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    // Each text through both conversions (-1: refused) and as a leading number.
    void wholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("int16");
        QTest::addColumn<int>("int32");
        QTest::addColumn<double>("leading");
        QTest::addRow("tie to even") << "2.5" << 2 << 2 << 2.5;
        QTest::addRow("negative half to zero") << "-.5" << 0 << 0 << -0.5;
        QTest::addRow("int16 max") << "32767" << 32767 << 32767 << 32767.0;
        QTest::addRow("rounds past int16 max") << "32767.5" << -1 << 32768 << 32767.5;
        QTest::addRow("below int16 min") << "-32769" << -1 << -32769 << -32769.0;
        QTest::addRow("blanks and tabs around") << " \t+1e1 \t" << 10 << 10 << 10.0;
        QTest::addRow("blank inside") << "1 2" << -1 << -1 << 1.0;
        QTest::addRow("exponent without digits") << "1e" << -1 << -1 << 1.0;
        QTest::addRow("decimal comma") << "1,5" << -1 << -1 << 1.0;
        QTest::addRow("trailing junk") << "7x" << -1 << -1 << 7.0;
        QTest::addRow("blank") << " " << -1 << -1 << 0.0;
        QTest::addRow("sign and point alone") << "-." << -1 << -1 << 0.0;
    }

    void wholeNumbers()
    {
        QFETCH(QString, text);
        QTEST(int(toInt16(text).value_or(-1)), "int16");
        QTEST(int(toInt32(text).value_or(-1)), "int32");
        QTEST(leadingNumber(text), "leading");
    }

    // A chunk of bytes becomes the characters of its accepted bytes, in order, by either mapping,
    // which writes nothing past the chunk's size. The bytes run through every value in a scattered
    // order, and the pools reach past Latin-1 so both bytes of a character count.
    void mappedBytes_data()
    {
        QTest::addColumn<ByteMapping>("mapping");
        QTest::addColumn<int>("n");
        const std::pair<ByteMapping, const char*> mappings[] = {{ByteMapping::Portable, "portable"},
                                                                {ByteMapping::Wide, "wide"}};
        const std::pair<int, const char*> sizes[] = {
            {1, "every byte kept"},   {2, "every byte kept"},        {93, "the top 70 rejected"},
            {128, "every byte kept"}, {129, "nearly half rejected"}, {255, "the top byte rejected"},
            {256, "every byte kept"}};
        for (const auto& [mapping, name] : mappings)
            for (const auto& [n, what] : sizes)
                QTest::addRow("%s, %d: %s", name, n, what) << mapping << n;
    }

    void mappedBytes()
    {
        QFETCH(ByteMapping, mapping);
        QFETCH(int, n);
        if (mapping == ByteMapping::Wide && !wideMappingAvailable()) {
            // The build has the wide mapping wherever its compiler and target can: there, a processor
            // that could run it finds it missing only through a fault in the build.
#if defined(__x86_64__) && !defined(_WIN32)
            if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2"))
                QFAIL("the build lacks the wide mapping");
            QSKIP("this processor lacks one of AVX-512 F, BW, VBMI and VBMI2");
#else
            QSKIP("the wide mapping is built only for x86-64 outside Windows, by GCC or Clang");
#endif
        }
        const QString pool = poolOf(n, 0x30F0);
        const ByteTable table(pool);
        std::vector<unsigned char> bytes(64 * 64);
        QString expected;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<unsigned char>(i * 151 + i / 256);
            if (bytes[i] < 256 - 256 % n)
                expected += pool[bytes[i] % n];
        }
        const char16_t sentinel = 0xFFFF;
        std::vector<char16_t> out(bytes.size() + 64, sentinel);
        const std::size_t count = mapBytes(table, bytes, out.data(), mapping);
        QCOMPARE(QStringView(out.data(), qsizetype(count)), QStringView(expected));
        QCOMPARE(std::count(out.cbegin() + qsizetype(bytes.size()), out.cend(), sentinel), 64);
    }

    // Bytes serve pools of up to 256 (93 rejects the top 70 byte values, 129 nearly half of all
    // bytes), words the larger ones (for 3 * 2^30 a quarter of them; kept, they would lift the
    // lowest third's share from 1/3 to 1/2). Pools are drawn from as the engine draws them, in
    // passwords of 50; a pool of 25 and another of the same size drawn from first show that the
    // rejection limit and the characters follow the pool, not only its size.
    void drawsAreUniform_data()
    {
        QTest::addColumn<quint32>("n");
        QTest::addRow("93, bytes") << 93u;
        QTest::addRow("129, bytes, half rejected") << 129u;
        QTest::addRow("300, words") << 300u;
        QTest::addRow("3 * 2^30, words, a quarter rejected") << 0xC0000000u;
    }

    void drawsAreUniform()
    {
        QFETCH(quint32, n);
        const quint32 buckets = n <= 300 ? n : 12;
        const int perBucket = 1000;
        std::vector<int> counts(buckets);
        SodiumRandom random;
        QString password(50, Qt::Uninitialized);
        for (const QString& earlier : {poolOf(25, 0), poolOf(n <= 300 ? n : 1, 0x4E00)})
            random.pick(earlier, password);
        // The characters of the pool are its positions, so a character counts as the draw it stands for.
        const QString pool = n <= 300 ? poolOf(n, 0) : QString();
        for (std::size_t drawn = 0; drawn < std::size_t(buckets) * perBucket; drawn += password.size()) {
            random.reseed();
            if (!pool.isEmpty())
                random.pick(pool, password);
            for (qsizetype i = 0; i < password.size(); ++i) {
                const std::uint64_t draw = pool.isEmpty() ? random.bounded(n) : password[i].unicode();
                QVERIFY2(draw < n, "drawn from outside the pool");
                ++counts[draw * buckets / n];
            }
        }
        const double expected = double(std::accumulate(counts.cbegin(), counts.cend(), 0)) / buckets;
        double chiSquare = 0;
        for (const int count : counts)
            chiSquare += (count - expected) * (count - expected) / expected;
        // Chi-square's bound at p = 1e-6 (Wilson-Hilferty), so a fair source practically never fails.
        const double df = buckets - 1, spread = 2 / (9 * df);
        const double bound = df * std::pow(1 - spread + 4.753 * std::sqrt(spread), 3);
        QVERIFY2(chiSquare < bound, qPrintable(QStringLiteral("chi-square %1, bound %2").arg(chiSquare).arg(bound)));
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
