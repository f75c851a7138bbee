#pragma once

#include <QLabel>
#include <QUrl>

namespace quillon {

class UrlOpener;

// A label that shows a link's target as its caption, in blue underlined type
// with the hand pointer, and hands the link to the opener on each click.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const QString& target, UrlOpener* opener, QWidget* parent = nullptr);

    QUrl target() const { return m_target; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QUrl m_target;
    UrlOpener* m_opener;
    bool m_pressed = false;
};

} // namespace quillon
