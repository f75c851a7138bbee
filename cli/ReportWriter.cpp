#include "cli/ReportWriter.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace quillon {

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

ReportWriter::ReportWriter(QTextStream& out, ReportFormat format, bool (*onlyRows)(Outcome))
    : m_out(out)
    , m_format(format)
    , m_onlyRows(onlyRows)
{
    if (m_format == ReportFormat::Csv)
        m_out << "file,image,status,outcome,line,column\r\n";
    else if (m_format == ReportFormat::Json)
        m_out << "{\"rows\":[";
}

void ReportWriter::row(const ReportRow& row)
{
    if (!shows(row))
        return;
    const QString status = row.statusText();
    switch (m_format) {
    case ReportFormat::Text:
        m_out << row.file << u'\t' << row.image << u'\t' << status << u'\n';
        break;
    case ReportFormat::Csv:
        m_out << csvField(row.file) << u',' << csvField(row.image) << u',' << csvField(status) << u','
              << outcomeName(row.outcome) << u',' << row.line << u',' << row.column << "\r\n";
        break;
    case ReportFormat::Lint:
        // A row about a whole page points at its start.
        m_out << row.file << u':' << std::max(row.line, 1) << u':' << std::max(row.column, 1) << ": "
              << status << u'\n';
        break;
    case ReportFormat::Json: {
        const QJsonObject object { { QStringLiteral("file"), row.file },
            { QStringLiteral("image"), row.image }, { QStringLiteral("status"), status },
            { QStringLiteral("outcome"), outcomeName(row.outcome) }, { QStringLiteral("line"), row.line },
            { QStringLiteral("column"), row.column } };
        m_out << (m_firstRow ? "" : ",") << QJsonDocument(object).toJson(QJsonDocument::Compact);
        break;
    }
    }
    m_firstRow = false;
}

void ReportWriter::finish(const Counters& totals)
{
    const int found = totals.totalOf(Counter::Found);
    const int tagged = totals.totalOf(Counter::Tagged);
    const int errors = totals.totalOf(Counter::Errors);
    switch (m_format) {
    case ReportFormat::Text:
        m_out << QStringLiteral("Found %1, Tagged %2, Errors %3\n").arg(found).arg(tagged).arg(errors);
        break;
    case ReportFormat::Csv:
    case ReportFormat::Lint:
        break; // the rows are the whole report
    case ReportFormat::Json:
        m_out << QStringLiteral("],\"found\":%1,\"tagged\":%2,\"errors\":%3}\n")
                     .arg(found)
                     .arg(tagged)
                     .arg(errors);
        break;
    }
    m_out.flush();
}

void ReportWriter::finishRestore(int restored, int errors)
{
    if (m_format == ReportFormat::Text)
        m_out << QStringLiteral("Restored %1, Errors %2\n").arg(restored).arg(errors);
    else if (m_format == ReportFormat::Json)
        m_out << QStringLiteral("],\"restored\":%1,\"errors\":%2}\n").arg(restored).arg(errors);
    m_out.flush();
}

} // namespace quillon
