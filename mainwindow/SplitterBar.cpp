#include "mainwindow/SplitterBar.h"

#include "mainwindow/Twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace quillon {

SplitterBar::SplitterBar(QWidget* leftNeighbour, QWidget* rightNeighbour, QWidget* parent)
    : QWidget(parent)
    , m_left(leftNeighbour)
    , m_right(rightNeighbour)
{
    setCursor(Qt::SizeHorCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SplitterBar::MouseMove(Qt::MouseButtons buttons, double x)
{
    if (buttons != Qt::LeftButton)
        return;
    const double proposed = twips::left(this) + x;
    if (proposed < twips::left(m_left) + 1000)
        return;
    if (proposed > twips::left(m_right) + twips::width(m_right) - 1000)
        return;
    twips::setLeft(this, proposed);
}

void SplitterBar::MouseUp(Qt::MouseButton button)
{
    if (button != Qt::LeftButton)
        return;
    Click();
}

void SplitterBar::Click()
{
    // Many plain clicks narrow the left neighbour step by step; it keeps at
    // least a sliver so it stays usable.
    const double width = std::max(twips::left(this) - 175, 150.0);
    twips::setWidth(m_left, width);
    if (m_follow)
        m_follow();
    if (m_layout)
        m_layout();
}

void SplitterBar::mouseMoveEvent(QMouseEvent* event)
{
    MouseMove(event->buttons(), event->position().x() * twips::kPerPixel);
}

void SplitterBar::mouseReleaseEvent(QMouseEvent* event)
{
    const bool overBar = rect().contains(event->position().toPoint());
    MouseUp(event->button());
    // As on the desktop this design comes from, a release over the bar is also a click.
    if (event->button() == Qt::LeftButton && overBar)
        Click();
}

// A shade darker than the window, with a grip of dots in its middle, so the bar
// can be found on any style.
void SplitterBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button).darker(112));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(rect().topLeft(), rect().bottomLeft());
    painter.drawLine(rect().topRight(), rect().bottomRight());
    const int x = width() / 2;
    const int middle = height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Dark));
    for (int step = -2; step <= 2; ++step)
        painter.drawRect(x - 1, middle + step * 4 - 1, 2, 2);
}

} // namespace quillon
