#pragma once

namespace quillon {

class frmMain;

// Where every control of the main window goes, in twips.
namespace WindowLayout {

// The positions and sizes the controls start with.
void applyDesign(frmMain& window);
// The fixed geometry set once when the window loads.
void applyLoadGeometry(frmMain& window);
// The layout for the window's current size and page: run on every resize, page
// change and splitter release. Returns false when it only enlarged the window to
// its minimum (the resize that follows lays it out).
bool run(frmMain& window);

} // namespace WindowLayout
} // namespace quillon
