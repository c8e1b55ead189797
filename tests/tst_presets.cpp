#include "PresetStore.h"
#include "QtSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace corvane;

namespace {

// Every preset in the file as "Numbers Lower Upper Special Extended Characters NumberOf Warn", Warn 1
// when the warning was shown.
QString readAll(const QString& iniFile)
{
    QtSettingsStore store(iniFile);
    const PresetStore presets(store);
    QStringList values;
    for (int i = 0; i < 5; ++i)
        values.append(QString::number(presets.readClass(i)));
    values << QString::number(presets.readCharacters()) << QString::number(presets.readNumberOf());
    return values.join(u' ') + (presets.warningShown() ? " 1" : " 0");
}

} // namespace

class TestPresets : public QObject
{
    Q_OBJECT

private slots:
    // A file as an older version or the user may leave it: a value that is not a whole number in its
    // control's range reads as the key's default, and only the text 1 says the warning was shown. Files
    // the program writes itself are read back by the main window's tests.
    void storedValues_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<QString>("values");
        const auto row = [](const char* name, const char* lines, const char* values) {
            QTest::addRow("%s", name) << QByteArray(lines) << QString(values);
        };
        row("in range", "Numbers=0\nExtended=1\nCharacters=4\nNumberOf=1000\nWarn=1", "0 1 1 1 1 4 1000 1");
        row("upper ends", "Characters=50\nNumberOf=1", "1 1 1 1 0 50 1 0");
        row("out of range", "Numbers=3\nLower=-1\nCharacters=3\nNumberOf=1001\nWarn=\"1 \"",
            "1 1 1 1 0 30 5 0");
        row("not whole numbers", "Upper=0.5\nCharacters=12.5\nNumberOf=7x\nWarn=01", "1 1 1 1 0 30 5 0");
        row("other forms", "Special=\" 0 \"\nCharacters=1e1\nWarn=\"1\"", "1 1 1 0 0 10 5 1");
    }

    void storedValues()
    {
        QFETCH(QByteArray, lines);
        QFETCH(QString, values);
        QTemporaryDir dir;
        QFile file(dir.filePath("Corvane.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Presets]\n" + lines + '\n') > 0);
        file.close();
        QCOMPARE(readAll(file.fileName()), values);
    }
};

QTEST_GUILESS_MAIN(TestPresets)
#include "tst_presets.moc"
