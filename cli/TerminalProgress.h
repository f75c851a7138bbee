#pragma once

#include "engine/run/RunReport.h"

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace quillon {

// One line on the terminal while a run goes on, "12/500 pages, 3400 tags, 2 errors, 0:07",
// redrawn in place by a clock of its own at most ten times a second, so the time
// moves on while a slow page is in hand. It writes nothing at all unless err
// writes to a terminal. When the rows go to the same terminal, the line makes
// way for them and comes back at the next tick.
class TerminalProgress {
public:
    // wanted: false for --no-progress.
    TerminalProgress(QTextStream& err, QTextStream& out, int pages, bool wanted);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // A page is done. printRows, when given, writes the page's output to out while
    // the line is out of its way. From any thread.
    void pageDone(const Counters& page, const std::function<void()>& printRows = {});
    // Stops the clock and wipes the line, leaving the cursor where the line began.
    void finish();

private:
    void tick();
    void draw(); // both with m_mutex held
    void clear();

    QTextStream& m_err;
    QTextStream& m_out;
    const int m_pages;
    const bool m_shown; // err is a terminal and the line is wanted
    const bool m_rowsShareTerminal; // out writes to the terminal the line is on
    int m_errFd = -1;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_finished = false;
    int m_done = 0;
    int m_tags = 0;
    int m_errors = 0;
    QString m_drawn; // the text last drawn; empty when the line is cleared
    qsizetype m_columns = 0; // columns the line has written over since it was last cleared
    QElapsedTimer m_clock;
    std::thread m_ticker;
};

} // namespace quillon
