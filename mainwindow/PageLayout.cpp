#include "mainwindow/PageLayout.h"

#include "mainwindow/Twips.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace quillon::PageLayout {

using namespace twips;

void autoSize(QLabel* label)
{
    const QSize size = label->sizeHint();
    setWidth(label, size.width() * kPerPixel);
    setHeight(label, size.height() * kPerPixel);
}

namespace {

void fitCaptions(QWidget* page)
{
    const auto controls = page->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        const bool captioned = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control)
            || qobject_cast<QComboBox*>(control);
        if (!captioned || qobject_cast<QPushButton*>(control))
            continue;
        const QSize hint = control->sizeHint();
        if (hint.width() * kPerPixel > width(control))
            setWidth(control, hint.width() * kPerPixel);
        const bool box = qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control);
        const double needed = hint.height() * kPerPixel;
        if (box && needed > height(control)) {
            setTop(control, top(control) - (needed - height(control)) / 2);
            setHeight(control, needed);
        }
    }
}

// The design puts a frame's first control just below a caption drawn on the
// frame's top line; where the style draws the caption above the line, the
// controls move down, clear of it, into the room the design left at the bottom.
void clearFrameCaptions(QWidget* page)
{
    const auto frames = page->findChildren<QGroupBox*>();
    for (QGroupBox* frame : frames) {
        // The group box keeps its contents margins where the style puts the inside of its frame.
        const double clear = (frame->contentsRect().top() + 1) * kPerPixel;
        double highest = height(frame);
        double lowest = 0;
        const auto controls = frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (const QWidget* control : controls) {
            highest = std::min(highest, top(control));
            lowest = std::max(lowest, top(control) + height(control));
        }
        const double shift = clear - highest;
        if (controls.isEmpty() || shift <= 0)
            continue;
        for (QWidget* control : controls)
            setTop(control, top(control) + shift);
        const double needed = lowest + shift + 3 * kPerPixel;
        if (needed > height(frame))
            setHeight(frame, needed);
    }
}

} // namespace

void fitToFont(QWidget* page)
{
    fitCaptions(page);
    clearFrameCaptions(page);
}

bool limitLeftNeighbour(QWidget* leftNeighbour, const QWidget* bar, double room)
{
    const double most = room - left(leftNeighbour) - 25 - width(bar) - 25 - 1000;
    if (width(leftNeighbour) <= most)
        return false;
    return setWidth(leftNeighbour, std::max(most, 825.0));
}

} // namespace quillon::PageLayout
