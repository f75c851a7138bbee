#pragma once

#include "engine/RunReport.h"

#include <QFrame>
#include <QList>

class QLabel;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillon {

class SplitterBar;

// The frame under every page: the file list on the left, the report on the right.
class StatusFrame : public QFrame {
    Q_OBJECT
public:
    explicit StatusFrame(QWidget* parent = nullptr);

    // The report list shows the engine's rows; row is the engine's index.
    void addRow(int row, const ReportRow& content);
    void changeRow(int row, const ReportRow& content);
    void clearRows();

    // A click on a column header: that column becomes the sort key and the
    // direction turns round; rows added later land in sorted places.
    void lvStatus_ColumnClick(int column);

    QLabel* lblFiles;
    QListWidget* lstFiles;
    SplitterBar* picStatus;
    QLabel* lblStatus;
    QTreeWidget* lvStatus;

private:
    bool before(const QString& a, const QString& b) const;

    QList<QTreeWidgetItem*> m_rows;
    bool m_sorted = false;
    int m_sortColumn = 0;
    Qt::SortOrder m_order = Qt::DescendingOrder; // so that the first click sorts ascending
};

} // namespace quillon
