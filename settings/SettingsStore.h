#pragma once

#include <QString>

namespace quillon {

// The per-user store of named text values. Values are addressed by application,
// section and key and kept in one INI file per application, which a person can
// read. Nothing is cached here: every read sees the latest write, also one made
// by another copy of the program.
class SettingsStore {
public:
    // The user's own store, in the per-user configuration folder.
    SettingsStore();
    // A store whose INI files live in folder (tests use a temporary one).
    explicit SettingsStore(QString folder);

    // The stored value, or defaultValue when the key was never written. Never writes.
    QString ReadSetting(const QString& application, const QString& section, const QString& key,
        const QString& defaultValue) const;
    // Stores value under key, creating the key when needed.
    void WriteSetting(
        const QString& application, const QString& section, const QString& key, const QString& value) const;

    QString folder() const { return m_folder; }
    // The INI file that holds application's values.
    QString fileFor(const QString& application) const;

private:
    QString m_folder;
};

} // namespace quillon
