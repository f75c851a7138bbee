#pragma once

#include "engine/run/RunReport.h"

#include <QFrame>
#include <QList>
#include <QTableView>

class QLabel;
class QListWidget;
class QSortFilterProxyModel;

namespace quillon {

class ReportModel;
class SplitterBar;

// The frame under every page: the file list on the left, the report on the right.
class StatusFrame : public QFrame {
    Q_OBJECT
public:
    explicit StatusFrame(QWidget* parent = nullptr);

    // The report list shows the engine's rows; first and row are the engine's
    // indices. New rows come many at a time; the list follows them down unless
    // the user has scrolled away from its end.
    void addRows(int first, const QList<ReportRow>& rows);
    void changeRow(int row, const ReportRow& content);
    void clearRows();

    // A click on a column header: that column becomes the sort key and the
    // direction turns round; rows added later land in sorted places.
    void lvStatus_ColumnClick(int column);

    // The list box that shows the file list.
    QListWidget* fileListBox() const { return lstFiles; }

    // The design geometry and what the window's load fixes; the frame's top
    // edge at top twips.
    void applyDesign(double top);
    // The frame takes the window's outer size, in twips, less its margins. The
    // file list keeps its width; the report takes the rest of the frame's
    // width, and both its height under their captions.
    void layOut(const QSizeF& windowSize);

signals:
    // The splitter bar gave the file list a new width.
    void layoutNeeded();

private:
    QLabel* lblFiles;
    QListWidget* lstFiles;
    SplitterBar* picStatus;
    QLabel* lblStatus;
    QTableView* lvStatus;

    ReportModel* m_report;
    QSortFilterProxyModel* m_sorted;
    Qt::SortOrder m_order = Qt::DescendingOrder; // so that the first click sorts ascending
    bool m_following = true; // new rows scroll the list to its end
};

} // namespace quillon
