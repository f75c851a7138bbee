#include "mainwindow/LayoutRunner.h"

#include "mainwindow/WindowPlacement.h"

#include <QEvent>
#include <QWidget>

namespace quillon {

LayoutRunner::LayoutRunner(QWidget& window, QSizeF minimum, std::function<void(const QSizeF& outer)> layOut)
    : QObject(&window)
    , m_window(window)
    , m_minimum(minimum)
    , m_layOut(std::move(layOut))
{
    window.installEventFilter(this);
}

// The resize that enlarges a window to its minimum lays it out at once, inside
// this run, where it is skipped; so the run goes again for the new size.
void LayoutRunner::run()
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    const bool laidOut = layOutOnce();
    m_inLayout = false;
    if (!laidOut)
        layOutOnce();
}

bool LayoutRunner::layOutOnce()
{
    if (WindowPlacement::raiseToMinimum(m_window, m_minimum))
        return false;
    m_layOut(WindowPlacement::outerBounds(m_window).size());
    return true;
}

bool LayoutRunner::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window
        && (event->type() == QEvent::Resize || event->type() == QEvent::WindowStateChange))
        run();
    return QObject::eventFilter(watched, event);
}

} // namespace quillon
