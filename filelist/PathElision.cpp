#include "filelist/PathElision.h"

#include <QApplication>
#include <QFontMetrics>

#include <algorithm>

namespace quillon {

QString elidePath(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    // Web addresses and both kinds of separator: whichever comes last starts the name.
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1;
    const QString name = path.mid(cut);
    const QString ellipsis(QChar(0x2026));
    const QString separatorAndName = path.mid(cut - 1);
    const int folderRoom = width - metrics.horizontalAdvance(separatorAndName);
    if (cut <= 1 || folderRoom < metrics.horizontalAdvance(ellipsis))
        return metrics.elidedText(name, Qt::ElideMiddle, width);
    return metrics.elidedText(path.left(cut - 1), Qt::ElideMiddle, folderRoom) + separatorAndName;
}

void PathElideDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
    // The style keeps a margin inside the text's rectangle.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, item.widget) + 1;
    item.text = elidePath(item.text, item.fontMetrics, text.width() - 2 * margin);
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
}

} // namespace quillon
