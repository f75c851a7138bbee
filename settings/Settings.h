#pragma once

#include "settings/SettingsStore.h"

#include <QString>

namespace quillon {

// Every value the program stores lives under this application and section.
inline constexpr const char* kApplication = "Brambleworth Software";
inline constexpr const char* kSection = "Quillon";

// A stored key: its name and the one default every reader gets while it is absent.
struct SettingKey {
    const char* name;
    const char* defaultValue;
};

// Reads and writes the program's keys (settings/SettingKeys.h) with their defaults.
class Settings {
public:
    explicit Settings(SettingsStore store = SettingsStore())
        : m_store(std::move(store))
    {
    }

    // The stored text, or the key's default ("Backup Path": defaultBackupPath()).
    QString read(const SettingKey& key) const;
    // False when the value could not be stored (the store's failure handler is told).
    bool write(const SettingKey& key, const QString& value) const;
    // Told the store's file whenever a write through any copy of these settings fails.
    void setWriteFailureHandler(SettingsStore::FailureHandler handler)
    {
        m_store.setFailureHandler(std::move(handler));
    }

    // True exactly when the stored text is "True".
    bool isTrue(const SettingKey& key) const;
    // The stored text as a whole number ("1" or "1.0"); text that is no whole
    // number, or one outside [minimum, maximum], reads as the key's default. The stored text
    // is left as it is.
    int readIndex(const SettingKey& key, int minimum, int maximum) const;

    const SettingsStore& store() const { return m_store; }

private:
    SettingsStore m_store;
};

} // namespace quillon
