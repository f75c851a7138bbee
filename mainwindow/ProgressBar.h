#pragma once

#include <QProgressBar>

namespace quillon {

// A progress bar whose minimum, maximum and value are real numbers: a file's
// four steps are shared out as the pass goes through its text.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    double minimumValue() const { return m_min; }
    double maximumValue() const { return m_max; }
    double currentValue() const { return m_value; }
    void setMaximumValue(double maximum);
    void setCurrentValue(double value);

private:
    // Moves the bar to the value's share of the span.
    void showShare();

    double m_min = 0;
    double m_max = 100;
    double m_value = 0;
};

} // namespace quillon
