#include "QtSettingsStore.h"

#include <QCoreApplication>
#include <QSaveFile>
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

// QSettings says only that it could not write; the file system says why.
QString writeFailure(const QSettings& settings)
{
    if (settings.status() == QSettings::NoError)
        return {};
    if (settings.format() == QSettings::NativeFormat)
        return QCoreApplication::translate("QtSettingsStore", "the registry refused the change");
    QSaveFile probe(settings.fileName());
    if (!probe.open(QIODevice::WriteOnly))
        return probe.errorString();
    return QCoreApplication::translate("QtSettingsStore", "the file could not be written");
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

QString QtSettingsStore::save(const QString& application, const QString& section, const QString& key,
                              const QString& value)
{
    const auto settings = open(m_iniFile, application);
    settings->setValue(groupKey(section, key), value);
    settings->sync();
    return writeFailure(*settings);
}

QString QtSettingsStore::location(const QString& application) const
{
    return open(m_iniFile, application)->fileName();
}

} // namespace corvane
