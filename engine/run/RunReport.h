#pragma once

#include "engine/html/LineCounter.h"
#include "engine/run/Outcome.h"

#include <QList>
#include <QString>

#include <array>

namespace quillon {

class RunObserver;

struct ReportRow {
    QString file;
    QString image;
    Outcome outcome = Outcome::Pending;
    Failure failure; // for an error with a number: the failure behind it
    QString detail; // the values the words show: the clauses a tag would get, a picture's size
    int line = 0; // where the tag starts: 1-based line and column (in characters);
    int column = 0; // both 0 for a row about the whole page

    // The Status column's words.
    QString statusText() const { return outcomeText(outcome, failure, detail); }

    friend bool operator==(const ReportRow&, const ReportRow&) = default;
};

enum class Counter { Found = 0, Tagged = 1, Errors = 2 };

// The six counters: found, tagged and errors for the whole run and for the current file.
struct Counters {
    std::array<int, 3> total {};
    std::array<int, 3> current {};

    int totalOf(Counter c) const { return total[static_cast<int>(c)]; }
    int currentOf(Counter c) const { return current[static_cast<int>(c)]; }
    // One more on the run total and on the current file.
    void countOne(Counter c)
    {
        ++total[static_cast<int>(c)];
        ++current[static_cast<int>(c)];
    }
    friend bool operator==(const Counters&, const Counters&) = default;
};

// The rows and counters of the report. Rows of earlier runs stay until clear().
// Every change is told to the observer, if there is one.
class RunReport {
public:
    void setObserver(RunObserver* observer) { m_observer = observer; }

    // Appends a row for file with Image empty and its outcome pending; returns its
    // index. at: where the tag starts; none for a row about the whole page.
    int AddReportRow(const QString& file, TextPosition at = {});
    void SetRowImage(int row, const QString& text);
    // A row that becomes an error counts one more on Errors: the counter follows the outcomes.
    void SetRowStatus(int row, Outcome outcome, const Failure& failure = {});
    // An outcome whose words show values (see ReportRow::detail).
    void SetRowStatus(int row, Outcome outcome, const QString& detail);
    // One more on the run total, then on the current file.
    void CountOne(Counter counter);

    // A page a stop left as it was: its rows from firstRow on say so, and the
    // tagged and error counters go back to what they were at its start, since
    // none of it was written. Found stays: the tags were met.
    void markStopped(int firstRow, const Counters& atStart);

    // All six counters to 0 (a run starts); the rows stay.
    void resetCounters();
    // The current-file counters to 0 (a file starts, a run ends).
    void resetCurrent();
    // Every row removed and every counter 0.
    void clear();

    const QList<ReportRow>& rows() const { return m_rows; }
    const Counters& counters() const { return m_counters; }

private:
    void setStatus(int row, Outcome outcome, const Failure& failure, const QString& detail);
    void countersChanged();

    QList<ReportRow> m_rows;
    Counters m_counters;
    RunObserver* m_observer = nullptr;
};

} // namespace quillon
