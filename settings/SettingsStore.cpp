#include "settings/SettingsStore.h"

#include <QSettings>
#include <QStandardPaths>

namespace quillon {

SettingsStore::SettingsStore()
    : m_folder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
{
}

SettingsStore::SettingsStore(QString folder)
    : m_folder(std::move(folder))
{
}

QString SettingsStore::fileFor(const QString& application) const
{
    return m_folder + QStringLiteral("/") + application + QStringLiteral(".ini");
}

QString SettingsStore::ReadSetting(
    const QString& application, const QString& section, const QString& key, const QString& defaultValue) const
{
    const QSettings settings(fileFor(application), QSettings::IniFormat);
    const QVariant value = settings.value(section + QStringLiteral("/") + key);
    if (!value.isValid())
        return defaultValue;
    return value.toString();
}

bool SettingsStore::WriteSetting(
    const QString& application, const QString& section, const QString& key, const QString& value) const
{
    QSettings settings(fileFor(application), QSettings::IniFormat);
    settings.setValue(section + QStringLiteral("/") + key, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    if (*m_onFailure)
        (*m_onFailure)(fileFor(application));
    return false;
}

} // namespace quillon
