#pragma once

#include "engine/run/RunReport.h"

#include <QAbstractTableModel>
#include <QList>

#include <array>
#include <deque>
#include <map>

namespace quillon {

// The report's rows as the window holds them, in the order the engine made
// them: row n here is the engine's row n. Each row is stored once; the list
// view (through a sorting proxy when sorted) only reads it.
class ReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { File = 0, Image = 1, Status = 2 };

    explicit ReportModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The captions; Qt::UserRole holds what the layout gave each column, in twips.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(
        int section, Qt::Orientation orientation, const QVariant& value, int role = Qt::EditRole) override;

    // Rows first, first + 1, ... in one insertion. Rows the engine made before
    // first that never arrived are kept empty, so indices stay the engine's.
    void appendRows(int first, const QList<ReportRow>& rows);
    void setRow(int row, const ReportRow& content);
    void clear();
    // The text of one cell; row and column must be in range.
    const QString& text(int row, int column) const;

private:
    // Rows stay where they are as more come: no copying of a growing block.
    std::deque<ReportRow> m_rows;
    std::array<QVariant, 3> m_columnTwips;
    // The Status column's words, made once for each outcome and number: rows
    // that say the same share one text.
    mutable std::map<std::pair<Outcome, int>, QString> m_statusWords;
};

} // namespace quillon
