#include "mainwindow/TabStrip.h"

#include "mainwindow/TabPage.h"
#include "mainwindow/Twips.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

namespace quillon {

TabStrip::TabStrip(QWidget* parent)
    : QWidget(parent)
    , m_bar(new QTabBar(this))
{
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    connect(m_bar, &QTabBar::currentChanged, this, [this](int index) {
        showCurrent();
        emit currentChanged(index);
    });
}

void TabStrip::addPage(TabPage* page, const QIcon& icon, const QString& caption)
{
    page->setParent(this);
    m_pages.append(page);
    m_bar->addTab(icon, caption);
    page->setGeometry(rect());
    showCurrent();
    m_bar->raise();
}

int TabStrip::currentIndex() const
{
    return m_bar->currentIndex();
}

void TabStrip::setCurrentIndex(int index)
{
    m_bar->setCurrentIndex(index);
}

void TabStrip::applyDesign()
{
    twips::setGeometry(this, 50, 50, twips::width(this), 3195);
    for (TabPage* page : m_pages)
        page->applyDesign();
}

void TabStrip::layOut(double windowWidth)
{
    // A width the control refuses (a window too narrow) is skipped.
    twips::setWidth(this, windowWidth - 225);
    if (TabPage* current = m_pages.value(currentIndex()))
        current->layOut(windowWidth, twips::width(this));
}

void TabStrip::setRunning(bool running)
{
    for (TabPage* page : m_pages)
        page->setRunning(running);
}

void TabStrip::showCurrent()
{
    for (int i = 0; i < m_pages.size(); ++i)
        m_pages[i]->setVisible(i == m_bar->currentIndex());
}

void TabStrip::resizeEvent(QResizeEvent*)
{
    m_bar->setGeometry(0, 0, width(), m_bar->sizeHint().height());
    for (TabPage* page : m_pages)
        page->setGeometry(rect());
}

void TabStrip::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    const int top = m_bar->sizeHint().height() - 1;
    option.rect = QRect(0, top, width(), height() - top);
    option.tabBarSize = m_bar->sizeHint();
    option.shape = QTabBar::RoundedNorth;
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

} // namespace quillon
