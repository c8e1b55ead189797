#pragma once

#include <QString>

namespace corvane {

class SettingsStore;

// The user's choices under the section "Presets". A stored value that is not a whole number in its
// control's range reads as that key's default, so a damaged file never stops the program.
class PresetStore
{
public:
    static inline const QString application = QStringLiteral("Corvane");
    static inline const QString section = QStringLiteral("Presets");
    static inline const QString charactersKey = QStringLiteral("Characters");
    static inline const QString numberOfKey = QStringLiteral("NumberOf");
    static inline const QString warnKey = QStringLiteral("Warn");

    static constexpr int classDefaults[5] = {1, 1, 1, 1, 0};
    static constexpr int charactersDefault = 30;
    static constexpr int charactersMin = 4;
    static constexpr int charactersMax = 50;
    static constexpr int numberOfDefault = 5;
    static constexpr int numberOfMin = 1;
    static constexpr int numberOfMax = 1000;

    explicit PresetStore(SettingsStore& store) : m_store(store) {}

    int readClass(int index) const;
    int readCharacters() const;
    int readNumberOf() const;

    void writeClass(int index, int value);
    void writeCharacters(int value);
    void writeNumberOf(int value);

    // Only the exact text "1" counts as shown.
    bool warningShown() const;
    void markWarningShown();

private:
    int readWhole(const QString& key, int defaultValue, int min, int max) const;
    void write(const QString& key, int value);

    SettingsStore& m_store;
};

} // namespace corvane
