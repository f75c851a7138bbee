#pragma once

#include <QList>
#include <QWidget>

class QTabBar;

namespace quillon {

class TabPage;

// The page control: a row of tabs over pages that each cover the whole control,
// so a page's controls are placed in the control's own coordinates, tab row
// included. Only the current page is visible, and only it is laid out.
class TabStrip : public QWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);

    void addPage(TabPage* page, const QIcon& icon, const QString& caption);
    int currentIndex() const;
    // Making a page current runs the same as a click on its tab.
    void setCurrentIndex(int index);
    QTabBar* tabBar() const { return m_bar; }

    // The design geometry of the control and of every page.
    void applyDesign();
    // The control takes the window's outer width, windowWidth twips, less its
    // margins; then the current page lays itself out.
    void layOut(double windowWidth);
    // Every page follows a run.
    void setRunning(bool running);

signals:
    void currentChanged(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void showCurrent();

    QTabBar* m_bar;
    QList<TabPage*> m_pages;
};

} // namespace quillon
