#pragma once

#include <QtGlobal>

#include <array>

class QWidget;

namespace quillon {

class StatusFrame;
class TabPage;
class TabStrip;

// The window's own share of the layout: the page control and the status frame
// follow the window's outer size, then the status frame and the current page
// lay themselves out. Sizes are in twips.
class WindowLayout {
public:
    // pages: in the order of the page control's tabs.
    WindowLayout(QWidget& window, TabStrip& tabStrip, StatusFrame& status, std::array<TabPage*, 3> pages);

    // The geometry every control starts with, set once when the window loads.
    void applyDesign();
    // Runs on every resize, page change and splitter release. A window smaller
    // than its minimum is enlarged first and laid out at its new size.
    void run();

private:
    // False when the window was only enlarged to its minimum.
    bool layOut();

    QWidget& m_window;
    TabStrip& m_tabStrip;
    StatusFrame& m_status;
    std::array<TabPage*, 3> m_pages;
    bool m_inLayout = false;
};

} // namespace quillon
