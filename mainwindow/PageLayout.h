#pragma once

class QLabel;
class QWidget;

namespace quillon {

// What the pages' layouts share, in twips; each page places its own controls.
namespace PageLayout {

// A label that sizes itself to its text keeps its place and takes its text's size.
void autoSize(QLabel* label);

// The design's figures were measured for a narrower face than the desktop may
// have: a caption or list that does not fit widens its control, a check or
// option box too low for its text grows about its middle, and a frame's
// controls move down clear of a caption the style draws above its top line.
void fitToFont(QWidget* page);

// The left-hand control of a row keeps at most the width that leaves its
// splitter bar and a right-hand neighbour 1000 twips wide inside room, so a
// window made narrower never pushes the bar and the neighbour out of it.
// True when the width was cut.
bool limitLeftNeighbour(QWidget* leftNeighbour, const QWidget* bar, double room);

} // namespace PageLayout
} // namespace quillon
