#include "mainwindow/ProgressBar.h"

#include <cmath>

namespace quillon {

namespace {
constexpr int kSteps = 10000;
}

ProgressBar::ProgressBar(QWidget* parent)
    : QProgressBar(parent)
{
    setRange(0, kSteps);
    setTextVisible(false);
    showShare();
}

void ProgressBar::setMaximumValue(double maximum)
{
    m_max = maximum;
    showShare();
}

void ProgressBar::setCurrentValue(double value)
{
    m_value = value;
    showShare();
}

void ProgressBar::showShare()
{
    const double span = m_max - m_min;
    const double share = span > 0 ? (m_value - m_min) / span : 0;
    const int value = static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * kSteps));
    if (value == this->value())
        return;
    // QProgressBar repaints at once on a new value; the bar is drawn with the
    // rest of the window instead, which keeps a run's updates from holding it up.
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    setValue(value);
    setUpdatesEnabled(updates);
}

} // namespace quillon
