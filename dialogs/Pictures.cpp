#include "dialogs/Pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

// Resources of a static library have to be asked for by name, outside any namespace.
static void initDialogPictures()
{
    Q_INIT_RESOURCE(dialogs);
}

namespace quillon {

namespace {

// Where the fingertip of hand.svg (drawn 32 by 32) points.
constexpr QPoint HandHotSpot { 11, 1 };

} // namespace

void loadDialogPictures()
{
    initDialogPictures();
}

QPixmap drawnPicture(const QString& path)
{
    loadDialogPictures();
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    const QSize size = renderer.defaultSize();
    QPixmap picture(size * ratio);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    picture.setDevicePixelRatio(ratio);
    return picture;
}

QCursor handCursor()
{
    const QPixmap hand = drawnPicture(QStringLiteral(":/pictures/hand.svg"));
    if (hand.isNull())
        return QCursor(Qt::PointingHandCursor);
    return QCursor(hand, HandHotSpot.x(), HandHotSpot.y());
}

} // namespace quillon
