#include "settings/Settings.h"

#include "settings/SettingKeys.h"

#include <cmath>

namespace quillon {

QString Settings::read(const SettingKey& key) const
{
    const QString fallback = (qstrcmp(key.name, keys::BackupPath.name) == 0)
        ? defaultBackupPath()
        : QString::fromUtf8(key.defaultValue);
    return m_store.ReadSetting(
        QString::fromUtf8(kApplication), QString::fromUtf8(kSection), QString::fromUtf8(key.name), fallback);
}

bool Settings::write(const SettingKey& key, const QString& value) const
{
    return m_store.WriteSetting(
        QString::fromUtf8(kApplication), QString::fromUtf8(kSection), QString::fromUtf8(key.name), value);
}

bool Settings::isTrue(const SettingKey& key) const
{
    return read(key) == QLatin1String(values::True);
}

int Settings::readIndex(const SettingKey& key, int minimum, int maximum) const
{
    const int fallback = QByteArray(key.defaultValue).toInt();
    bool ok = false;
    const double value = read(key).trimmed().toDouble(&ok);
    if (!ok || value != std::floor(value) || value < minimum || value > maximum)
        return fallback;
    return static_cast<int>(value);
}

} // namespace quillon
