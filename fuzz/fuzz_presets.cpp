// Any bytes as the INI file behind the preset store: every preset reads as a value in its control's
// range, and exactly the stored whole numbers in range come through; everything else is the default.

#include "CharClasses.h"
#include "PresetStore.h"
#include "QtSettingsStore.h"
#include "ReferenceNumber.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace corvane;

namespace {

QString g_directory;

[[noreturn]] void fail(const QString& key, int value, const QString& why)
{
    std::fprintf(stderr, "presets: %s read as %d, %s\n", qPrintable(key), value, why.toUtf8().constData());
    std::abort();
}

// What the store promises for one key, worked out from the text QSettings hands back.
void checkWhole(const QtSettingsStore& store, const QString& key, int value, int defaultValue, int min,
                int max)
{
    if (value < min || value > max)
        fail(key, value, QStringLiteral("out of range"));
    const QString stored =
        store.get(PresetStore::application, PresetStore::section, key, QString::number(defaultValue));
    const auto number = fuzz::referenceWhole(stored);
    const bool whole = number && *number == std::nearbyint(*number) && *number >= min && *number <= max;
    if (value != (whole ? int(*number) : defaultValue))
        fail(key, value, QStringLiteral("stored text \"%1\"").arg(stored));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // As in the program, an application object exists before any preset is read: a value written as
    // @Variant(...) may hold a picture, which QSettings can only decode with one. It also applies the
    // user's locale, as the program's does.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_presets";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);

    QByteArray pattern = qgetenv("TMPDIR");
    pattern += pattern.isEmpty() ? "/tmp/corvane-fuzz-XXXXXX" : "/corvane-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    g_directory = QString::fromLocal8Bit(pattern);
    std::atexit([] { QDir().rmdir(g_directory); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A new name each time: QSettings keeps files it has read and trusts them while size and
    // modification time stay the same, which two inputs written within a millisecond can share.
    static unsigned long serial = 0;
    const QString path = g_directory + QStringLiteral("/Corvane-%1.ini").arg(++serial);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            std::abort();
    }
    {
        QtSettingsStore store(path);
        const PresetStore presets(store);
        for (int i = 0; i < classCount; ++i)
            checkWhole(store, QString::fromLatin1(charClasses()[std::size_t(i)].presetKey),
                       presets.readClass(i), PresetStore::classDefaults[i], 0, 2);
        checkWhole(store, PresetStore::charactersKey, presets.readCharacters(),
                   PresetStore::charactersDefault, PresetStore::charactersMin, PresetStore::charactersMax);
        checkWhole(store, PresetStore::numberOfKey, presets.readNumberOf(), PresetStore::numberOfDefault,
                   PresetStore::numberOfMin, PresetStore::numberOfMax);
        (void)presets.warningShown();
    }
    QFile::remove(path);
    return 0;
}
