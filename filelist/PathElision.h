#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

namespace quillon {

// path shortened to width pixels of metrics' font, folders first: the folders
// lose their middle and the file name stays whole; only a file name too long
// for the width alone is cut in its middle.
QString elidePath(const QString& path, const QFontMetrics& metrics, int width);

// Draws an item's text as a path shortened by elidePath to the room it has.
class PathElideDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace quillon
