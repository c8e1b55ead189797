#pragma once

#include "SettingsStore.h"

namespace corvane {

// QSettings' native user store: an INI file under $XDG_CONFIG_HOME on Linux, the registry under
// HKEY_CURRENT_USER\Software on Windows. A file path given here overrides that, for tests and tools.
class QtSettingsStore final : public SettingsStore
{
public:
    QtSettingsStore() = default;
    explicit QtSettingsStore(const QString& iniFile) : m_iniFile(iniFile) {}

    QString get(const QString& application, const QString& section, const QString& key,
                const QString& defaultValue) const override;
    QString save(const QString& application, const QString& section, const QString& key,
                 const QString& value) override;
    QString location(const QString& application) const override;

private:
    QString m_iniFile;
};

} // namespace corvane
