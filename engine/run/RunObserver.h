#pragma once

#include "engine/run/RunReport.h"
#include "platform/Failure.h"

#include <QByteArray>
#include <QString>

namespace quillon {

// What a driver of the engine (the window, the command line, a test) is told
// while a run goes on, in the order it happens and on the thread that runs it.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    virtual void rowAdded(int row, const ReportRow& content)
    {
        Q_UNUSED(row)
        Q_UNUSED(content)
    }
    virtual void rowChanged(int row, const ReportRow& content)
    {
        Q_UNUSED(row)
        Q_UNUSED(content)
    }
    virtual void rowsCleared() { }
    virtual void countersChanged(const Counters& counters) { Q_UNUSED(counters) }
    // The progress bar: value of maximum (four steps a file).
    virtual void progressChanged(double value, double maximum)
    {
        Q_UNUSED(value)
        Q_UNUSED(maximum)
    }
    // File index (0-based) of count is about to be tagged.
    virtual void fileStarted(int index, int count, const QString& path)
    {
        Q_UNUSED(index)
        Q_UNUSED(count)
        Q_UNUSED(path)
    }
    // A document gets new bytes (in a dry run: would get them). Called before it is written.
    virtual void documentRewritten(const QString& path, const QByteArray& before, const QByteArray& after)
    {
        Q_UNUSED(path)
        Q_UNUSED(before)
        Q_UNUSED(after)
    }
    // A stop ended the run after handled of count files, each written or
    // otherwise handled to its end; the rest, the one in hand included, are as
    // they were. Told just before the end-of-run work.
    virtual void runStopped(int handled, int count)
    {
        Q_UNUSED(handled)
        Q_UNUSED(count)
    }
    // The end-of-run work is done: show the done picture, play the sound, enable starting.
    virtual void runFinished() { }
};

} // namespace quillon
