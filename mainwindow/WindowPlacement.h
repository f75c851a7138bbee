#pragma once

#include "settings/SettingKeys.h"

class QWidget;

namespace quillon {

// The main window's position, size and state, kept in the store in twips.
namespace WindowPlacement {

// Puts the window where it was left. A position that would leave the window
// entirely off every screen is moved onto the primary screen.
void restore(QWidget& window, const Settings& settings);

// Stores the state and, in the normal state only, the bounds.
void SaveWindowSettings(const QWidget& window, const Settings& settings);

} // namespace WindowPlacement
} // namespace quillon
