#include "mainwindow/WindowLayout.h"

#include "mainwindow/StatusFrame.h"
#include "mainwindow/TabPage.h"
#include "mainwindow/TabStrip.h"
#include "mainwindow/Twips.h"
#include "mainwindow/WindowPlacement.h"

namespace quillon {

using namespace twips;

WindowLayout::WindowLayout(
    QWidget& window, TabStrip& tabStrip, StatusFrame& status, std::array<TabPage*, 3> pages)
    : m_window(window)
    , m_tabStrip(tabStrip)
    , m_status(status)
    , m_pages(pages)
{
}

void WindowLayout::applyDesign()
{
    setGeometry(&m_tabStrip, 50, 50, width(&m_tabStrip), 3195);
    for (TabPage* page : m_pages)
        page->applyDesign();
    m_status.applyDesign();
    setLeft(&m_status, 50);
    setTop(&m_status, height(&m_tabStrip) + 100);
}

// The resize that enlarges a window to its minimum lays it out at once, inside
// this run, where it is skipped; so the run goes again for the new size.
void WindowLayout::run()
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    const bool laidOut = layOut();
    m_inLayout = false;
    if (!laidOut)
        layOut();
}

bool WindowLayout::layOut()
{
    if (WindowPlacement::raiseToMinimum(m_window, QSizeF(7000, 5500)))
        return false;
    const QRectF outer = WindowPlacement::outerBounds(m_window);
    // From here on a value the controls refuse is skipped.
    setWidth(&m_tabStrip, outer.width() - 225);
    setWidth(&m_status, outer.width() - 225);
    setHeight(&m_status, outer.height() - height(&m_tabStrip) - 850);
    m_status.layOut();
    const int page = m_tabStrip.currentIndex();
    if (page >= 0 && page < static_cast<int>(m_pages.size()))
        m_pages[static_cast<size_t>(page)]->layOut(outer.width(), width(&m_tabStrip));
    return true;
}

} // namespace quillon
