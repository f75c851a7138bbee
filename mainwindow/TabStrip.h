#pragma once

#include <QList>
#include <QWidget>

class QTabBar;

namespace quillon {

// The page control: a row of tabs over pages that each cover the whole control,
// so a page's controls are placed in the control's own coordinates, tab row
// included. Only the current page is visible.
class TabStrip : public QWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);

    void addPage(QWidget* page, const QIcon& icon, const QString& caption);
    int currentIndex() const;
    // Making a page current runs the same as a click on its tab.
    void setCurrentIndex(int index);
    QWidget* page(int index) const { return m_pages.value(index); }
    QTabBar* tabBar() const { return m_bar; }

signals:
    void currentChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showCurrent();

    QTabBar* m_bar;
    QList<QWidget*> m_pages;
};

} // namespace quillon
