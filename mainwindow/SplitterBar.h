#pragma once

#include <QWidget>

#include <functional>

namespace quillon {

// A thin vertical bar that shares the width between its two neighbours. While
// the left button drags it only the bar moves, kept 1000 twips inside both
// neighbours; on release the left neighbour takes the new width and the window
// lays itself out again.
class SplitterBar : public QWidget {
    Q_OBJECT
public:
    SplitterBar(QWidget* leftNeighbour, QWidget* rightNeighbour, QWidget* parent);

    // Runs after the left neighbour took its new width (the drive box follows the
    // folder box); then the layout runs.
    void setAfterResize(std::function<void()> follow) { m_follow = std::move(follow); }
    void setLayout(std::function<void()> layout) { m_layout = std::move(layout); }

    // The handlers, with x in twips from the bar's own left edge.
    void MouseMove(Qt::MouseButtons buttons, double x);
    void MouseUp(Qt::MouseButton button);
    void Click();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* m_left;
    QWidget* m_right;
    std::function<void()> m_follow;
    std::function<void()> m_layout;
};

} // namespace quillon
