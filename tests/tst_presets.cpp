#include "PresetStore.h"
#include "QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;

namespace {

const QStringList keys{"Numbers", "Lower", "Upper", "Special", "Extended", "Characters", "NumberOf", "Warn"};
const QList<int> defaults{1, 1, 1, 1, 0, 30, 5, 0};

// The value stored under `key`: a class, the length, the count, or Warn as 1 for shown.
int read(const PresetStore& presets, const QString& key)
{
    const auto index = int(keys.indexOf(key));
    if (index < 5)
        return presets.readClass(index);
    if (key == PresetStore::warnKey)
        return presets.warningShown() ? 1 : 0;
    return key == PresetStore::charactersKey ? presets.readCharacters() : presets.readNumberOf();
}

QList<int> readAll(const PresetStore& presets)
{
    QList<int> values;
    for (const QString& key : keys)
        values.append(read(presets, key));
    return values;
}

} // namespace

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void roundTripThroughIniFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Corvane.ini"));
        {
            QtSettingsStore store(path);
            PresetStore presets(store);
            QCOMPARE(readAll(presets), defaults);
            const int values[5] = {0, 2, 1, 0, 1};
            for (int i = 0; i < 5; ++i)
                presets.writeClass(i, values[i]);
            presets.writeCharacters(12);
            presets.writeNumberOf(20);
            presets.markWarningShown();
        }
        QtSettingsStore reopened(path);
        QCOMPARE(readAll(PresetStore(reopened)), (QList<int>{0, 2, 1, 0, 1, 12, 20, 1}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll().startsWith("[Presets]\nCharacters=12\n"));
    }

    // Each row stores one value and reads its key back: a damaged or out-of-range value gives the
    // key's default, and Warn counts as shown for the exact text 1 only.
    void storedValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        const auto row = [](const char* key, const QString& stored, int expected) {
            QTest::addRow("%s=%s", key, qPrintable(stored)) << key << stored << expected;
        };
        for (const char* stored : {"yes", "", "3", "-1", "0.5", "99999999999999999999"})
            row("Numbers", stored, 1);
        row("Numbers", "2", 2);
        row("Extended", "1.5", 0);
        for (const char* stored : {"3", "51", "12.5", "12abc", "1,2"})
            row("Characters", stored, 30);
        row("Characters", QString::fromLatin1("\xff\xfe\x01"), 30);
        row("Characters", "50", 50);
        for (const char* stored : {"0", "1001", "-7"})
            row("NumberOf", stored, 5);
        row("NumberOf", "1000", 1000);
        row("NumberOf", "1e2", 100);
        for (const char* stored : {"\"1 \"", "01", "0", "yes"})
            row("Warn", stored, 0);
        row("Warn", "1", 1);
    }

    void storedValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, expected);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Corvane.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Presets]\n" + (key + u'=' + stored).toLatin1() + '\n');
        file.close();
        QtSettingsStore store(file.fileName());
        QCOMPARE(read(PresetStore(store), key), expected);
    }

    void unreadableFileGivesDefaults()
    {
        // A folder where the file should be: nothing can be read, and nothing may stop the program.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Corvane.ini"));
        QVERIFY(QDir().mkpath(path));
        QtSettingsStore store(path);
        PresetStore presets(store);
        QCOMPARE(readAll(presets), defaults);
        presets.writeNumberOf(9);
    }
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
