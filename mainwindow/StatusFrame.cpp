#include "mainwindow/StatusFrame.h"

#include "filelist/PathElision.h"
#include "mainwindow/ReportModel.h"
#include "mainwindow/SplitterBar.h"
#include "mainwindow/Twips.h"
#include "mainwindow/PageLayout.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

// The status column is text, not a path: it is cut at its end.
class EndElidedDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->textElideMode = Qt::ElideRight;
    }
};

// Sorts the report by the text of one column, case-insensitively. Rows that
// sort alike stay in the order they arrived, whichever the direction, also when
// many arrive at once.
class ReportSort : public QSortFilterProxyModel {
public:
    ReportSort(ReportModel* report, QObject* parent)
        : QSortFilterProxyModel(parent)
        , m_report(report)
    {
        setSourceModel(report);
        setDynamicSortFilter(true);
    }

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        const int order = QString::compare(m_report->text(left.row(), left.column()),
            m_report->text(right.row(), right.column()), Qt::CaseInsensitive);
        if (order != 0)
            return order < 0;
        return sortOrder() == Qt::AscendingOrder ? left.row() < right.row() : left.row() > right.row();
    }

private:
    const ReportModel* m_report;
};

} // namespace

StatusFrame::StatusFrame(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("fraStatus"));
    setFrameShape(QFrame::NoFrame);

    lblFiles = new QLabel(QStringLiteral("File(s):"), this);
    lblFiles->setObjectName(QStringLiteral("lblFiles"));
    lstFiles = new QListWidget(this);
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    lstFiles->setToolTip(QStringLiteral("File to be tagged"));
    lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);

    lblStatus = new QLabel(QStringLiteral("Report:"), this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));

    m_report = new ReportModel(this);
    // Unsorted the proxy keeps the engine's order; once sorted it places each
    // new row by binary search.
    m_sorted = new ReportSort(m_report, this);

    // A table lays out no rows of its own: a long report costs only the rows in view.
    lvStatus = new QTableView(this);
    lvStatus->setObjectName(QStringLiteral("lvStatus"));
    lvStatus->setModel(m_sorted);
    lvStatus->setShowGrid(false);
    lvStatus->setWordWrap(false);
    lvStatus->setCornerButtonEnabled(false);
    lvStatus->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvStatus->setSelectionMode(QAbstractItemView::SingleSelection);
    lvStatus->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    lvStatus->setTextElideMode(Qt::ElideMiddle);
    lvStatus->setItemDelegateForColumn(ReportModel::Status, new EndElidedDelegate(lvStatus));
    // Pages and pictures keep their own names whole; their folders give way.
    for (const int column : { ReportModel::File, ReportModel::Image })
        lvStatus->setItemDelegateForColumn(column, new PathElideDelegate(lvStatus));
    QHeaderView* rows = lvStatus->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(lvStatus->fontMetrics().height() + 4);
    QHeaderView* header = lvStatus->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(false);
    connect(header, &QHeaderView::sectionClicked, this, &StatusFrame::lvStatus_ColumnClick);
    // Only a move of the list decides whether it follows: rows that arrive make
    // it longer without moving it, and a bar that appears changes its range.
    QScrollBar* bar = lvStatus->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this,
        [this, bar](int value) { m_following = value == bar->maximum(); });

    picStatus = new SplitterBar(lstFiles, lvStatus, this);
    picStatus->setObjectName(QStringLiteral("picStatus"));
    picStatus->setLayout([this] { emit layoutNeeded(); });
}

void StatusFrame::applyDesign(double top)
{
    using twips::setGeometry;
    twips::setLeft(this, 50);
    twips::setTop(this, top);
    setGeometry(lblFiles, 100, 165, 0, 0);
    PageLayout::autoSize(lblFiles);
    setGeometry(lstFiles, 100, 390, 2115, 1500);
    setGeometry(picStatus, 2240, 390, 90, twips::height(lstFiles) - 10);
    setGeometry(lblStatus, 2355, 150, 0, 0);
    PageLayout::autoSize(lblStatus);
    setGeometry(lvStatus, 2355, 390, 3000, 1500);
}

void StatusFrame::layOut(const QSizeF& windowSize)
{
    using twips::height, twips::left, twips::setHeight, twips::setLeft, twips::setWidth, twips::width;
    // A size the frame refuses (a window too small) is skipped.
    setWidth(this, windowSize.width() - 225);
    setHeight(this, windowSize.height() - twips::top(this) - 750);
    setLeft(lblFiles, 100);
    setLeft(lstFiles, 100);
    PageLayout::limitLeftNeighbour(lstFiles, picStatus, width(this) - 100);
    setLeft(picStatus, left(lstFiles) + width(lstFiles) + 25);
    setLeft(lvStatus, left(picStatus) + width(picStatus) + 25);
    setWidth(lvStatus, width(this) - left(lvStatus) - 100);
    setHeight(lstFiles, height(this) - height(lblFiles) - 300);
    setHeight(lvStatus, height(lstFiles));
    setHeight(picStatus, height(lstFiles));
    setLeft(lblStatus, left(lvStatus));

    // The columns share the width in thirds, to the nearest whole twip, the last 200 short.
    const double C = std::round(width(lvStatus) / 3.0);
    const double columns[3] = { C, C, C - 200 };
    for (int i = 0; i < 3; ++i) {
        lvStatus->setColumnWidth(i, twips::toPixels(std::max(columns[i], 0.0)));
        lvStatus->model()->setHeaderData(i, Qt::Horizontal, columns[i], Qt::UserRole);
    }
}

void StatusFrame::addRows(int first, const QList<ReportRow>& rows)
{
    m_report->appendRows(first, rows);
    if (m_following)
        lvStatus->scrollToBottom();
}

void StatusFrame::changeRow(int row, const ReportRow& content)
{
    m_report->setRow(row, content);
}

void StatusFrame::clearRows()
{
    m_report->clear();
}

void StatusFrame::lvStatus_ColumnClick(int column)
{
    m_order = (m_order == Qt::AscendingOrder) ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sorted->sort(column, m_order);
    QHeaderView* header = lvStatus->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, m_order);
}

} // namespace quillon
