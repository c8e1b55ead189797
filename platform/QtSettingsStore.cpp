#include "QtSettingsStore.h"

#include <QSettings>
#include <QStringList>

#include <memory>

namespace corvane {
namespace {

std::unique_ptr<QSettings> open(const QString& iniFile, const QString& application)
{
    if (!iniFile.isEmpty())
        return std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
#if defined(Q_OS_WIN)
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\") + application,
                                       QSettings::NativeFormat);
#else
    // Organisation only, no application: one file, $XDG_CONFIG_HOME/<application>.ini.
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, application);
#endif
}

QString groupKey(const QString& section, const QString& key)
{
    return section + u'/' + key;
}

} // namespace

QString QtSettingsStore::get(const QString& application, const QString& section, const QString& key,
                             const QString& defaultValue) const
{
    const auto settings = open(m_iniFile, application);
    const QVariant value = settings->value(groupKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // An INI value with an unquoted comma comes back as a list; the stored text was the joined form.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

void QtSettingsStore::save(const QString& application, const QString& section, const QString& key,
                           const QString& value)
{
    const auto settings = open(m_iniFile, application);
    settings->setValue(groupKey(section, key), value);
}

QString QtSettingsStore::location(const QString& application) const
{
    return open(m_iniFile, application)->fileName();
}

} // namespace corvane
