#pragma once

#include "settings/Settings.h"

#include <QString>

namespace quillon {

// The complete table of keys. "Backup Path" has no fixed default text: it is the
// per-user backups folder (defaultBackupPath()).
namespace keys {
inline constexpr SettingKey OnlineMode { "Online Mode", "False" }; // "True" or "False"
inline constexpr SettingKey AltReact { "ALT React", "1" }; // "1" leave ALT alone, "2" add it
inline constexpr SettingKey AltTextIndex { "ALT Text Index", "0" }; // "0" image name, "1" custom text
inline constexpr SettingKey AltText { "ALT text", "Quillon" }; // the custom ALT text, as the dialog shows it
inline constexpr SettingKey BorderReact { "BORDER React", "2" }; // "1" leave BORDER alone, "2" add it
inline constexpr SettingKey BorderSizeIndex { "BORDER Size Index", "10" }; // "0" to "10", the border width
inline constexpr SettingKey GenerateBackups { "Generate Backups", "True" };
inline constexpr SettingKey BackupMode { "Backup Mode", "Normal" }; // "Global" or "Normal"
inline constexpr SettingKey BackupPath { "Backup Path", "" }; // a folder ending in a separator
inline constexpr SettingKey Sound { "Sound", "True" };
inline constexpr SettingKey SiteRoot { "Site Root",
    "" }; // the folder "/..." pictures are found under; empty: none
inline constexpr SettingKey WindowState { "Window State", "0" };
inline constexpr SettingKey WindowTop { "Window Top", "100" };
inline constexpr SettingKey WindowLeft { "Window Left", "100" };
inline constexpr SettingKey WindowWidth { "Window Width", "7000" };
inline constexpr SettingKey WindowHeight { "Window Height", "6000" };
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

} // namespace quillon
