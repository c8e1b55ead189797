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

    // Each returns why the value could not be stored, or an empty text.
    [[nodiscard]] QString writeClass(int index, int value);
    [[nodiscard]] QString writeCharacters(int value);
    [[nodiscard]] QString writeNumberOf(int value);
    // Where the presets are kept, for telling the user.
    QString location() const;

    // Only the exact text "1" counts as shown.
    bool warningShown() const;
    // A flag that cannot be stored only brings the warning once more.
    void markWarningShown();

private:
    int readWhole(const QString& key, int defaultValue, int min, int max) const;
    QString write(const QString& key, int value);

    SettingsStore& m_store;
};

} // namespace corvane
