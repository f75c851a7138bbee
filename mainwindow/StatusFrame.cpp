#include "mainwindow/StatusFrame.h"

#include "mainwindow/SplitterBar.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

namespace quillon {

namespace {

// Where a row whose sort column reads key goes in a sorted list: after the rows
// it does not sort before, so rows that sort alike keep their order.
template <typename Before>
int sortedPlace(const QTreeWidget* list, int column, const QString& key, Before before)
{
    int at = 0;
    while (at < list->topLevelItemCount() && !before(key, list->topLevelItem(at)->text(column)))
        ++at;
    return at;
}

} // namespace

StatusFrame::StatusFrame(QWidget* parent) : QFrame(parent)
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
    lvStatus = new QTreeWidget(this);
    lvStatus->setObjectName(QStringLiteral("lvStatus"));
    lvStatus->setColumnCount(3);
    lvStatus->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Image"), QStringLiteral("Status")});
    lvStatus->setRootIsDecorated(false);
    lvStatus->setUniformRowHeights(true);
    lvStatus->setAllColumnsShowFocus(true);
    lvStatus->header()->setSectionsClickable(true);
    lvStatus->header()->setStretchLastSection(false);
    connect(lvStatus->header(), &QHeaderView::sectionClicked, this, &StatusFrame::lvStatus_ColumnClick);

    picStatus = new SplitterBar(lstFiles, lvStatus, this);
    picStatus->setObjectName(QStringLiteral("picStatus"));
}

void StatusFrame::addRow(int row, const ReportRow& content)
{
    auto* item = new QTreeWidgetItem({content.file, content.image, content.status});
    const auto sorts = [this](const QString& a, const QString& b) { return before(a, b); };
    const int at = m_sorted ? sortedPlace(lvStatus, m_sortColumn, item->text(m_sortColumn), sorts)
                            : lvStatus->topLevelItemCount();
    lvStatus->insertTopLevelItem(at, item);
    if (row >= m_rows.size())
        m_rows.resize(row + 1);
    m_rows[row] = item;
}

void StatusFrame::changeRow(int row, const ReportRow& content)
{
    QTreeWidgetItem* item = m_rows.value(row);
    if (!item)
        return;
    const QString key = item->text(m_sortColumn);
    item->setText(0, content.file);
    item->setText(1, content.image);
    item->setText(2, content.status);
    // A row is added before its image and status are known, so in a sorted list
    // it moves whenever its text in the sort column changes.
    if (m_sorted && item->text(m_sortColumn) != key) {
        const auto sorts = [this](const QString& a, const QString& b) { return before(a, b); };
        lvStatus->takeTopLevelItem(lvStatus->indexOfTopLevelItem(item));
        lvStatus->insertTopLevelItem(sortedPlace(lvStatus, m_sortColumn, item->text(m_sortColumn), sorts), item);
    }
}

void StatusFrame::clearRows()
{
    lvStatus->clear();
    m_rows.clear();
}

void StatusFrame::lvStatus_ColumnClick(int column)
{
    m_order = (m_order == Qt::AscendingOrder) ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = column;
    m_sorted = true;
    QList<QTreeWidgetItem*> items;
    while (lvStatus->topLevelItemCount() > 0)
        items.append(lvStatus->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [this](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return before(a->text(m_sortColumn), b->text(m_sortColumn));
    });
    lvStatus->addTopLevelItems(items);
}

bool StatusFrame::before(const QString& a, const QString& b) const
{
    const int order = QString::compare(a, b, Qt::CaseInsensitive);
    return m_order == Qt::AscendingOrder ? order < 0 : order > 0;
}

} // namespace quillon
