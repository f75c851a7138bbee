#pragma once

#include "settings/SettingsStore.h"

#include <QString>

namespace quillon {

// Every value the program stores lives under this application and section.
inline constexpr const char* kApplication = "Brambleworth Software";
inline constexpr const char* kSection = "Quillon";

// A stored key: its name and the default every reader uses while it is absent.
struct SettingKey {
    const char* name;
    const char* defaultValue;
};

// The complete table of keys. "Backup Path" has no fixed default text: it is the
// per-user backups folder (defaultBackupPath()).
namespace keys {
inline constexpr SettingKey OnlineMode{"Online Mode", "False"};       // "True" or "False"
inline constexpr SettingKey AltReact{"ALT React", "1"};               // "1" leave ALT alone, "2" add it
inline constexpr SettingKey AltTextIndex{"ALT Text Index", "0"};      // "0" image name, "1" custom text
inline constexpr SettingKey AltText{"ALT text", "Quillon"};           // the custom ALT text
inline constexpr SettingKey AltTextShown{"ALT text", "[Enter Text here]"}; // what the ALT dialog proposes
inline constexpr SettingKey BorderReact{"BORDER React", "2"};         // "1" leave BORDER alone, "2" add it
inline constexpr SettingKey BorderSizeIndex{"BORDER Size Index", "10"}; // "0" to "10", the border width
inline constexpr SettingKey GenerateBackups{"Generate Backups", "True"};
inline constexpr SettingKey BackupMode{"Backup Mode", "Normal"};      // "Global" or "Normal"
inline constexpr SettingKey BackupPath{"Backup Path", ""};            // a folder ending in a separator
inline constexpr SettingKey Sound{"Sound", "True"};
inline constexpr SettingKey WindowState{"Window State", "0"};
inline constexpr SettingKey WindowTop{"Window Top", "100"};
inline constexpr SettingKey WindowLeft{"Window Left", "100"};
inline constexpr SettingKey WindowWidth{"Window Width", "7000"};
inline constexpr SettingKey WindowHeight{"Window Height", "6000"};
} // namespace keys

// Literal values the program writes and compares against, exactly and case-sensitively.
namespace values {
inline constexpr const char* True = "True";
inline constexpr const char* False = "False";
inline constexpr const char* One = "1";
inline constexpr const char* Two = "2";
inline constexpr const char* Global = "Global";
inline constexpr const char* Normal = "Normal";
} // namespace values

// The default global backup folder: "backups" in the per-user data folder,
// ending in a separator. Created when a backup is first written there.
QString defaultBackupPath();

// Reads and writes the program's keys with their table defaults.
class Settings {
public:
    explicit Settings(SettingsStore store = SettingsStore()) : m_store(std::move(store)) {}

    // The stored text, or the key's default ("Backup Path": defaultBackupPath()).
    QString read(const SettingKey& key) const;
    void write(const SettingKey& key, const QString& value) const;

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
