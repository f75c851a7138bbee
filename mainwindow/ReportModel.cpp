#include "mainwindow/ReportModel.h"

namespace quillon {

ReportModel::ReportModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int ReportModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ReportModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant ReportModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const QString& text = this->text(index.row(), index.column());
    // Paths give way in their folders to fit their column; the tooltip gives them
    // whole. An error's tooltip tells what went wrong in the words of whatever failed.
    if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() != Status && !text.isEmpty()))
        return text;
    if (role == Qt::ToolTipRole && index.column() == Status) {
        const ReportRow& row = m_rows[index.row()];
        if (isError(row.outcome) && !row.failure.description.isEmpty())
            return row.failure.toString();
    }
    return {};
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= 3)
        return {};
    if (role == Qt::DisplayRole) {
        static const char* const captions[] = { "File", "Image", "Status" };
        return QString::fromLatin1(captions[section]);
    }
    if (role == Qt::UserRole)
        return m_columnTwips[section];
    return {};
}

bool ReportModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= 3 || role != Qt::UserRole)
        return false;
    m_columnTwips[section] = value;
    return true;
}

const QString& ReportModel::text(int row, int column) const
{
    const ReportRow& r = m_rows[row];
    if (column == File)
        return r.file;
    if (column == Image)
        return r.image;
    const auto key = std::make_pair(r.outcome, r.failure.code);
    auto words = m_statusWords.find(key);
    if (words == m_statusWords.end())
        words = m_statusWords.emplace(key, r.statusText()).first;
    return words->second;
}

void ReportModel::appendRows(int first, const QList<ReportRow>& rows)
{
    const int at = static_cast<int>(m_rows.size());
    int from = 0;
    for (; from < rows.size() && first + from < at; ++from)
        setRow(first + from, rows[from]);
    if (from == rows.size())
        return;
    const int end = std::max(at, first) + static_cast<int>(rows.size() - from);
    beginInsertRows(QModelIndex(), at, end - 1);
    m_rows.resize(std::max(at, first));
    m_rows.insert(m_rows.end(), rows.begin() + from, rows.end());
    endInsertRows();
}

void ReportModel::setRow(int row, const ReportRow& content)
{
    if (row < 0 || row >= rowCount() || m_rows[row] == content)
        return;
    m_rows[row] = content;
    emit dataChanged(index(row, 0), index(row, 2));
}

void ReportModel::clear()
{
    beginResetModel();
    m_rows = std::deque<ReportRow>();
    endResetModel();
}

} // namespace quillon
