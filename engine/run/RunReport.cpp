#include "engine/run/RunReport.h"

#include "engine/run/RunObserver.h"

namespace quillon {

int RunReport::AddReportRow(const QString& file, TextPosition at)
{
    m_rows.append(ReportRow { file, QString(), Outcome::Pending, {}, {}, at.line, at.column });
    const int row = static_cast<int>(m_rows.size() - 1);
    if (m_observer)
        m_observer->rowAdded(row, m_rows.back());
    return row;
}

void RunReport::SetRowImage(int row, const QString& text)
{
    m_rows[row].image = text;
    if (m_observer)
        m_observer->rowChanged(row, m_rows[row]);
}

void RunReport::SetRowStatus(int row, Outcome outcome, const Failure& failure)
{
    setStatus(row, outcome, failure, QString());
}

void RunReport::SetRowStatus(int row, Outcome outcome, const QString& detail)
{
    setStatus(row, outcome, Failure(), detail);
}

void RunReport::setStatus(int row, Outcome outcome, const Failure& failure, const QString& detail)
{
    const bool becomesError = isError(outcome) && !isError(m_rows[row].outcome);
    m_rows[row].outcome = outcome;
    m_rows[row].failure = failure;
    m_rows[row].detail = detail;
    if (m_observer)
        m_observer->rowChanged(row, m_rows[row]);
    if (becomesError)
        CountOne(Counter::Errors);
}

void RunReport::CountOne(Counter counter)
{
    m_counters.countOne(counter);
    countersChanged();
}

void RunReport::markStopped(int firstRow, const Counters& atStart)
{
    for (int row = firstRow; row < m_rows.size(); ++row)
        SetRowStatus(row, Outcome::Stopped);
    for (const Counter c : { Counter::Tagged, Counter::Errors }) {
        const auto i = static_cast<std::size_t>(c);
        m_counters.total[i] = atStart.total[i];
        m_counters.current[i] = atStart.current[i];
    }
    countersChanged();
}

void RunReport::resetCounters()
{
    m_counters = Counters();
    countersChanged();
}

void RunReport::resetCurrent()
{
    m_counters.current = {};
    countersChanged();
}

void RunReport::clear()
{
    m_rows.clear();
    m_counters = Counters();
    if (m_observer)
        m_observer->rowsCleared();
    countersChanged();
}

void RunReport::countersChanged()
{
    if (m_observer)
        m_observer->countersChanged(m_counters);
}

} // namespace quillon
