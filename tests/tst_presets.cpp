#include "PresetStore.h"
#include "QtSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void roundTripThroughIniFile();
    void badValuesFallBack_data();
    void badValuesFallBack();
    void warnIsExactlyOne_data();
    void warnIsExactlyOne();
    void unreadableFileGivesDefaults();

private:
    QString writeIni(const QByteArray& body);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestPresets::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestPresets::writeIni(const QByteArray& body)
{
    const QString path = m_dir->filePath(QStringLiteral("Corvane.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(body);
    return path;
}

void TestPresets::roundTripThroughIniFile()
{
    const QString path = m_dir->filePath(QStringLiteral("Corvane.ini"));
    {
        QtSettingsStore store(path);
        PresetStore presets(store);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(presets.readClass(i), PresetStore::classDefaults[i]);
        QCOMPARE(presets.readCharacters(), 30);
        QCOMPARE(presets.readNumberOf(), 5);
        QVERIFY(!presets.warningShown());

        const int values[5] = {0, 2, 1, 0, 1};
        for (int i = 0; i < 5; ++i)
            presets.writeClass(i, values[i]);
        presets.writeCharacters(12);
        presets.writeNumberOf(20);
        presets.markWarningShown();
    }
    QtSettingsStore reopened(path);
    PresetStore presets(reopened);
    const int expected[5] = {0, 2, 1, 0, 1};
    for (int i = 0; i < 5; ++i)
        QCOMPARE(presets.readClass(i), expected[i]);
    QCOMPARE(presets.readCharacters(), 12);
    QCOMPARE(presets.readNumberOf(), 20);
    QVERIFY(presets.warningShown());

    // Human-readable, one [Presets] group, plain decimal numbers.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("[Presets]"));
    QVERIFY(text.contains("Characters=12"));
    QVERIFY(text.contains("NumberOf=20"));
    QVERIFY(text.contains("Lower=2"));
}

void TestPresets::badValuesFallBack_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("expected");
    QTest::addRow("class as text") << QByteArray("Numbers") << QByteArray("yes") << 1;
    QTest::addRow("class empty") << QByteArray("Lower") << QByteArray("") << 1;
    QTest::addRow("class 3") << QByteArray("Upper") << QByteArray("3") << 1;
    QTest::addRow("class negative") << QByteArray("Special") << QByteArray("-1") << 1;
    QTest::addRow("class fractional") << QByteArray("Extended") << QByteArray("0.5") << 0;
    QTest::addRow("class fractional 1.5") << QByteArray("Extended") << QByteArray("1.5") << 0;
    QTest::addRow("class huge") << QByteArray("Numbers") << QByteArray("99999999999999999999") << 1;
    QTest::addRow("class mixed kept") << QByteArray("Numbers") << QByteArray("2") << 2;
    QTest::addRow("length 3") << QByteArray("Characters") << QByteArray("3") << 30;
    QTest::addRow("length 51") << QByteArray("Characters") << QByteArray("51") << 30;
    QTest::addRow("length fractional") << QByteArray("Characters") << QByteArray("12.5") << 30;
    QTest::addRow("length junk") << QByteArray("Characters") << QByteArray("12abc") << 30;
    QTest::addRow("length list") << QByteArray("Characters") << QByteArray("1,2") << 30;
    QTest::addRow("length garbage bytes") << QByteArray("Characters") << QByteArray("\xff\xfe\x01") << 30;
    QTest::addRow("length 50 kept") << QByteArray("Characters") << QByteArray("50") << 50;
    QTest::addRow("count 0") << QByteArray("NumberOf") << QByteArray("0") << 5;
    QTest::addRow("count 1001") << QByteArray("NumberOf") << QByteArray("1001") << 5;
    QTest::addRow("count negative") << QByteArray("NumberOf") << QByteArray("-7") << 5;
    QTest::addRow("count 1000 kept") << QByteArray("NumberOf") << QByteArray("1000") << 1000;
    QTest::addRow("count exponent kept") << QByteArray("NumberOf") << QByteArray("1e2") << 100;
}

void TestPresets::badValuesFallBack()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, stored);
    QFETCH(int, expected);
    QtSettingsStore store(writeIni("[Presets]\n" + key + '=' + stored + '\n'));
    PresetStore presets(store);
    const QString name = QString::fromLatin1(key);
    static const QStringList classKeys{"Numbers", "Lower", "Upper", "Special", "Extended"};
    int actual = 0;
    if (name == PresetStore::charactersKey)
        actual = presets.readCharacters();
    else if (name == PresetStore::numberOfKey)
        actual = presets.readNumberOf();
    else
        actual = presets.readClass(int(classKeys.indexOf(name)));
    QCOMPARE(actual, expected);
}

void TestPresets::warnIsExactlyOne_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("shown");
    QTest::addRow("1") << QByteArray("Warn=1") << true;
    QTest::addRow("1 and a blank") << QByteArray("Warn=\"1 \"") << false;
    QTest::addRow("01") << QByteArray("Warn=01") << false;
    QTest::addRow("0") << QByteArray("Warn=0") << false;
    QTest::addRow("word") << QByteArray("Warn=yes") << false;
    QTest::addRow("absent") << QByteArray() << false;
}

void TestPresets::warnIsExactlyOne()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, shown);
    QtSettingsStore store(writeIni("[Presets]\n" + line + '\n'));
    PresetStore presets(store);
    QCOMPARE(presets.warningShown(), shown);
    presets.markWarningShown();
    QVERIFY(presets.warningShown());
}

void TestPresets::unreadableFileGivesDefaults()
{
    // A folder where the file should be: nothing can be read, and nothing may stop the program.
    const QString path = m_dir->filePath(QStringLiteral("Corvane.ini"));
    QVERIFY(QDir().mkpath(path));
    QtSettingsStore store(path);
    PresetStore presets(store);
    QCOMPARE(presets.readCharacters(), 30);
    QCOMPARE(presets.readClass(4), 0);
    presets.writeNumberOf(9);
}

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
