#pragma once

#include "settings/SettingKeys.h"

#include <QRectF>

class QWidget;

namespace quillon {

// The main window's position, size and state, kept in the store in twips. The
// bounds are the window's outer ones: frame, caption and menu bar included.
namespace WindowPlacement {

// The window's outer bounds in twips; the same as its own geometry where the
// platform draws no frame.
QRectF outerBounds(const QWidget& window);

// Puts the window's outer edges at bounds. Before a window is first shown the
// platform cannot tell how thick its frame will be; the size is then put right
// as soon as the window appears, so the stored outer size is what the user sees.
void setOuterBounds(QWidget& window, const QRectF& bounds);

// In the normal state, a window smaller than minimum (outer size, twips) is
// enlarged to it; true when it was. Minimised and maximised windows stay as they are.
bool raiseToMinimum(QWidget& window, const QSizeF& minimum);

// Puts the window where it was left. A position that would leave the window
// entirely off every screen is moved onto the primary screen.
void restore(QWidget& window, const Settings& settings);

// Stores the state and, in the normal state only, the bounds. A failure is
// told to no one, not even the store's failure handler.
void SaveWindowSettings(const QWidget& window, const Settings& settings);

} // namespace WindowPlacement
} // namespace quillon
