#include "mainwindow/TabStrip.h"

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

void TabStrip::addPage(QWidget* page, const QIcon& icon, const QString& caption)
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

void TabStrip::showCurrent()
{
    for (int i = 0; i < m_pages.size(); ++i)
        m_pages[i]->setVisible(i == m_bar->currentIndex());
}

void TabStrip::resizeEvent(QResizeEvent*)
{
    m_bar->setGeometry(0, 0, width(), m_bar->sizeHint().height());
    for (QWidget* page : m_pages)
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
