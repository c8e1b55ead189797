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
    virtual void save(const QString& application, const QString& section, const QString& key,
                      const QString& value) = 0;
};

} // namespace corvane
