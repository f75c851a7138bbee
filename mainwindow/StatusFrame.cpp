#include "mainwindow/StatusFrame.h"

#include "mainwindow/SplitterBar.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

namespace quillon {

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
    int at = lvStatus->topLevelItemCount();
    if (m_sorted) {
        // A new row goes after the rows it does not sort before.
        at = 0;
        while (at < lvStatus->topLevelItemCount()
               && !before(item->text(m_sortColumn), lvStatus->topLevelItem(at)->text(m_sortColumn)))
            ++at;
    }
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
    item->setText(0, content.file);
    item->setText(1, content.image);
    item->setText(2, content.status);
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
