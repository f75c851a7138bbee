#pragma once

#include <QWidget>

namespace quillon {

// A page of the page control. It places its own controls, and decides what the
// user may do on it while a run goes.
class TabPage : public QWidget {
public:
    using QWidget::QWidget;

    // The design geometry, and what the window's load fixes, fitted to the window's font.
    virtual void applyDesign() = 0;
    // The page's share of the layout for the window's outer width and the page
    // control's width, in twips. Only the current page is laid out.
    virtual void layOut(double windowWidth, double tabWidth) = 0;
    virtual void setRunning(bool running) = 0;
};

} // namespace quillon
