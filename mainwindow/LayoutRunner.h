#pragma once

#include <QObject>
#include <QSizeF>

#include <functional>

class QWidget;

namespace quillon {

// Runs a window's layout on every resize and change of state, and whenever
// asked (a page made current, a splitter bar released). A window in the normal
// state that is smaller than its minimum is enlarged first; the layout then
// gets the window's outer size in twips, frame and caption included.
class LayoutRunner : public QObject {
    Q_OBJECT
public:
    LayoutRunner(QWidget& window, QSizeF minimum, std::function<void(const QSizeF& outer)> layOut);

    void run();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // False when the window was only enlarged to its minimum.
    bool layOutOnce();

    QWidget& m_window;
    QSizeF m_minimum;
    std::function<void(const QSizeF&)> m_layOut;
    bool m_inLayout = false;
};

} // namespace quillon
