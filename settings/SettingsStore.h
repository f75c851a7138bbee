#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace quillon {

// The per-user store of named text values. Values are addressed by application,
// section and key and kept in one INI file per application, which a person can
// read. Nothing is cached here: every read sees the latest write, also one made
// by another copy of the program.
//
// A value that cannot be stored (a folder that cannot be written, a full disk)
// is reported by the write, and to the failure handler that every copy of the
// store shares, so that whoever shows messages hears of it from any writer.
class SettingsStore {
public:
    // The user's own store, in the per-user configuration folder.
    SettingsStore();
    // A store whose INI files live in folder (tests use a temporary one).
    explicit SettingsStore(QString folder);

    // The stored value, or defaultValue when the key was never written. Never writes.
    QString ReadSetting(const QString& application, const QString& section, const QString& key,
        const QString& defaultValue) const;
    // Stores value under key, creating the key when needed. False, after the
    // failure handler has been told, when the value could not be stored.
    bool WriteSetting(
        const QString& application, const QString& section, const QString& key, const QString& value) const;

    // Called with the INI file's path for each write that fails; none when empty.
    using FailureHandler = std::function<void(const QString& file)>;
    void setFailureHandler(FailureHandler handler) { *m_onFailure = std::move(handler); }

    QString folder() const { return m_folder; }
    // The INI file that holds application's values.
    QString fileFor(const QString& application) const;

private:
    QString m_folder;
    std::shared_ptr<FailureHandler> m_onFailure = std::make_shared<FailureHandler>();
};

} // namespace quillon
