#pragma once

#include "cli/CliOptions.h"
#include "engine/run/RunReport.h"

#include <QTextStream>

namespace quillon {

// Writes the report in the chosen format: rows as they come, the totals at the end.
class ReportWriter {
public:
    ReportWriter(QTextStream& out, ReportFormat format, bool quiet);

    // Whether row() writes anything for this row.
    bool shows(const ReportRow& row) const { return !m_quiet || isError(row.outcome); }
    void row(const ReportRow& row);
    void finish(const Counters& totals);

private:
    QTextStream& m_out;
    ReportFormat m_format;
    bool m_quiet;
    bool m_firstRow = true;
};

// A field as RFC 4180 writes it: quoted when it holds a comma, quote or line end.
QString csvField(const QString& text);

} // namespace quillon
