#pragma once

#include <QString>

namespace corvane {

// The per-user settings store, addressed by application, section and key; values are text.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString get(const QString& application, const QString& section, const QString& key,
                        const QString& defaultValue) const = 0;
    // Stores the value at once; returns why it could not be stored, or an empty text.
    virtual QString save(const QString& application, const QString& section, const QString& key,
                         const QString& value) = 0;
    // Where the values of `application` are kept, in the form the user knows it by.
    virtual QString location(const QString& application) const = 0;
};

} // namespace corvane
