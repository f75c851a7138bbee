#include "cli/TerminalProgress.h"

#include <QFileDevice>

#include <chrono>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

// The descriptor a stream writes to when that is a terminal, else -1.
int terminalOf(const QTextStream& stream)
{
    const auto* file = qobject_cast<const QFileDevice*>(stream.device());
    const int fd = file ? file->handle() : -1;
    return fd >= 0 && ::isatty(fd) == 1 ? fd : -1;
}

bool sameTerminal(int a, int b)
{
    struct stat first { };
    struct stat second { };
    return a >= 0 && b >= 0 && ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0
        && first.st_rdev == second.st_rdev;
}

// "12/500 pages, 3400 tags, 2 errors, 0:07", and past an hour "1:02:07".
QString lineText(int done, int pages, int tags, int errors, qint64 milliseconds)
{
    const qint64 seconds = milliseconds / 1000;
    const QString elapsed = seconds >= 3600
        ? QStringLiteral("%1:%2:%3")
              .arg(seconds / 3600)
              .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
              .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        : QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1/%2 pages, %3 tags, %4 errors, %5")
        .arg(done)
        .arg(pages)
        .arg(tags)
        .arg(errors)
        .arg(elapsed);
}

} // namespace

TerminalProgress::TerminalProgress(QTextStream& err, QTextStream& out, int pages, bool wanted)
    : m_err(err)
    , m_out(out)
    , m_pages(pages)
    , m_shown(wanted && terminalOf(err) >= 0)
    , m_rowsShareTerminal(m_shown && sameTerminal(terminalOf(err), terminalOf(out)))
    , m_errFd(terminalOf(err))
{
    if (!m_shown)
        return;
    m_clock.start();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        draw();
    }
    m_ticker = std::thread(&TerminalProgress::tick, this);
}

TerminalProgress::~TerminalProgress()
{
    finish();
}

void TerminalProgress::pageDone(const Counters& page, const std::function<void()>& printRows)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    ++m_done;
    m_tags += page.currentOf(Counter::Found);
    m_errors += page.currentOf(Counter::Errors);
    if (!printRows)
        return;
    if (m_rowsShareTerminal)
        clear();
    printRows();
    // On the terminal before the line comes back, so the two never cross.
    if (m_rowsShareTerminal)
        m_out.flush();
}

void TerminalProgress::finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_finished)
            return;
        m_finished = true;
    }
    if (!m_shown)
        return;
    m_wake.notify_all();
    m_ticker.join();
    const std::lock_guard<std::mutex> lock(m_mutex);
    clear();
}

void TerminalProgress::tick()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_finished; }))
        draw();
}

void TerminalProgress::draw()
{
    QString text = lineText(m_done, m_pages, m_tags, m_errors, m_clock.elapsed());
    // A line longer than the terminal is wide would wrap, and a carriage return
    // goes back to the start of its last row only.
    struct winsize size { };
    if (::ioctl(m_errFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        text.truncate(size.ws_col - 1);
    if (text == m_drawn)
        return;
    m_err << u'\r' << text.leftJustified(m_columns);
    m_err.flush();
    m_drawn = text;
    m_columns = std::max(m_columns, text.size());
}

void TerminalProgress::clear()
{
    if (m_columns == 0)
        return;
    m_err << u'\r' << QString(m_columns, u' ') << u'\r';
    m_err.flush();
    m_drawn.clear();
    m_columns = 0;
}

} // namespace quillon
