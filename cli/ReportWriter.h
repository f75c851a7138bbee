#pragma once

#include "cli/CliOptions.h"
#include "engine/run/RunReport.h"

#include <QTextStream>

namespace quillon {

// Writes the report in the chosen format: rows as they come, the totals at the end.
class ReportWriter {
public:
    // onlyRows: none for every row, or the outcomes of the only rows written (-q).
    ReportWriter(QTextStream& out, ReportFormat format, bool (*onlyRows)(Outcome));

    // Whether row() writes anything for this row.
    bool shows(const ReportRow& row) const { return !m_onlyRows || m_onlyRows(row.outcome); }
    void row(const ReportRow& row);
    void finish(const Counters& totals);
    // The totals of a restore instead: pages put back, and errors.
    void finishRestore(int restored, int errors);

private:
    QTextStream& m_out;
    ReportFormat m_format;
    bool (*m_onlyRows)(Outcome);
    bool m_firstRow = true;
};

// A field as RFC 4180 writes it: quoted when it holds a comma, quote or line end.
QString csvField(const QString& text);

} // namespace quillon
