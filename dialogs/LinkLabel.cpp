#include "dialogs/LinkLabel.h"

#include "desktop/DesktopServices.h"
#include "dialogs/Pictures.h"

#include <QMouseEvent>

namespace quillon {

LinkLabel::LinkLabel(const QString& target, UrlOpener* opener, QWidget* parent)
    : QLabel(target, parent)
    , m_target(target)
    , m_opener(opener)
{
    setTextFormat(Qt::PlainText);
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, Qt::blue);
    setPalette(colours);
    setCursor(handCursor());
}

void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

// A click is a press and a release on the label; letting go elsewhere is the
// user changing their mind.
void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool clicked
        = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (clicked && m_opener)
        m_opener->open(m_target);
}

} // namespace quillon
