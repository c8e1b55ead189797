#include "PresetStore.h"

#include "CharClasses.h"
#include "NumericText.h"
#include "SettingsStore.h"

namespace corvane {
namespace {

QString classKey(int index)
{
    return QString::fromLatin1(charClasses().at(static_cast<std::size_t>(index)).presetKey);
}

} // namespace

int PresetStore::readWhole(const QString& key, int defaultValue, int min, int max) const
{
    const QString text = m_store.get(application, section, key, QString::number(defaultValue));
    const auto value = toInt32(text);
    // toInt32 rounds; a fractional text such as 2.5 is not a whole number and must not become 2.
    if (!value || leadingNumber(text) != *value || *value < min || *value > max)
        return defaultValue;
    return *value;
}

QString PresetStore::write(const QString& key, int value)
{
    return m_store.save(application, section, key, QString::number(value));
}

int PresetStore::readClass(int index) const
{
    return readWhole(classKey(index), classDefaults[index], 0, 2);
}

int PresetStore::readCharacters() const
{
    return readWhole(charactersKey, charactersDefault, charactersMin, charactersMax);
}

int PresetStore::readNumberOf() const
{
    return readWhole(numberOfKey, numberOfDefault, numberOfMin, numberOfMax);
}

QString PresetStore::writeClass(int index, int value)
{
    return write(classKey(index), value);
}

QString PresetStore::writeCharacters(int value)
{
    return write(charactersKey, value);
}

QString PresetStore::writeNumberOf(int value)
{
    return write(numberOfKey, value);
}

bool PresetStore::warningShown() const
{
    return m_store.get(application, section, warnKey, QString()) == u"1";
}

void PresetStore::markWarningShown()
{
    m_store.save(application, section, warnKey, QStringLiteral("1"));
}

QString PresetStore::location() const
{
    return m_store.location(application);
}

} // namespace corvane
