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
    setValue(static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * kSteps)));
}

} // namespace quillon
