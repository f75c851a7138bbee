#include "cli/Cli.h"

#include "cli/CliOptions.h"
#include "cli/ReportWriter.h"
#include "cli/SiteFiles.h"
#include "cli/TerminalProgress.h"
#include "cli/UnifiedDiff.h"
#include "settings/StoredOptions.h"
#include "engine/fetch/CurlFetcher.h"
#include "engine/run/BackupRestore.h"
#include "settings/SettingKeys.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <csignal>
#include <optional>

namespace quillon {

const char kVersionLine[] = "quillon-tag " QUILLON_VERSION "\n";

namespace {

// Set from a signal handler, so nothing but lock-free atomics.
std::atomic<bool> g_stopRun { false };
std::atomic<int> g_stopSignal { 0 };
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

// The first signal asks the run to stop whole; a second one, for a user who will
// not wait, ends the program as the signal would have without us.
extern "C" void stopRunOnSignal(int signal)
{
    if (g_stopRun.load()) {
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    g_stopSignal.store(signal); // before the flag: whoever sees the flag finds the signal
    g_stopRun.store(true);
}

// While it lives, SIGINT and SIGTERM stop the run the way the window's Stop
// does instead of ending the program on the spot, which would leave the page
// in hand's staged files behind and print no report. Made on the main thread
// before any job starts; the earlier handlers come back after the run.
class StopOnSignals {
public:
    StopOnSignals()
    {
        g_stopRun = false;
        g_stopSignal = 0;
        struct sigaction action { };
        action.sa_handler = &stopRunOnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART; // the jobs' reads and writes go on undisturbed
        ::sigaction(SIGINT, &action, &m_interrupt);
        ::sigaction(SIGTERM, &action, &m_terminate);
    }
    ~StopOnSignals()
    {
        ::sigaction(SIGINT, &m_interrupt, nullptr);
        ::sigaction(SIGTERM, &m_terminate, nullptr);
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

    const std::atomic<bool>& flag() const { return g_stopRun; }
    // The exit status a stop by signal asks for, or nothing.
    std::optional<int> exitStatus() const
    {
        switch (g_stopSignal.load()) {
        case SIGINT:
            return ExitInterrupted;
        case SIGTERM:
            return ExitTerminated;
        default:
            return std::nullopt;
        }
    }

private:
    struct sigaction m_interrupt { };
    struct sigaction m_terminate { };
};

// Without --use-settings only the sizes are added: BORDER= and ALT= only when
// asked for. The desktop program's own defaults stay with its store.
TagOptions commandLineDefaults()
{
    TagOptions options;
    options.addBorder = false;
    options.addAlt = false;
    return options;
}

int usageFailure(QTextStream& err, const QString& message)
{
    err << QStringLiteral("quillon-tag: ") << message << u'\n';
    err.flush();
    return ExitUsage;
}

// True when everything written to out reached its file, pipe or buffer.
bool reportWritten(QTextStream& out)
{
    out.flush();
    if (out.status() != QTextStream::Ok)
        return false;
    auto* file = qobject_cast<QFileDevice*>(out.device());
    return !file || (file->flush() && file->error() == QFileDevice::NoError);
}

// Each page put back from its backup where nothing but our clauses came since.
int restoreDocuments(const QStringList& documents, const TagOptions& options, ReportWriter& report)
{
    const BackupRestore backups(options);
    int restored = 0;
    int errors = 0;
    for (const QString& document : documents) {
        const ReportRow row = backups.restore(document);
        restored += row.outcome == Outcome::Restored ? 1 : 0;
        errors += isError(row.outcome) ? 1 : 0;
        report.row(row);
    }
    report.finishRestore(restored, errors);
    return errors > 0 ? ExitTagErrors : ExitSuccess;
}

int tagDocuments(const QStringList& arguments, QTextStream& out, QTextStream& err,
    const ParallelRun::FetcherFactory& makeFetcher, const std::function<Status()>& startFetching)
{
    const ParseResult parsed = parseCommandLine(arguments);
    if (!parsed.options) {
        err << parsed.error;
        err.flush();
        return parsed.exitStatus;
    }
    const CliOptions& options = *parsed.options;
    if (options.help) {
        out << usageText();
        return ExitSuccess;
    }
    if (options.version) {
        out << kVersionLine;
        return ExitSuccess;
    }
    // Every path is checked before any file is touched.
    const Result<QStringList> documents = collectDocuments(options.paths, options.recursive);
    if (!documents)
        return usageFailure(
            err, QStringLiteral("%1: no such file or folder").arg(documents.failure().description));
    if (!options.siteRoot.isEmpty() && !QFileInfo(options.siteRoot).isDir())
        return usageFailure(err, QStringLiteral("%1: the site root is not a folder").arg(options.siteRoot));

    TagOptions tagging = options.useSettings ? tagOptionsFromSettings(Settings()) : commandLineDefaults();
    options.tagging.applyTo(tagging);
    // An explicit --root wins over the window's stored one.
    if (!options.siteRoot.isEmpty())
        tagging.siteRoot = options.siteRoot;
    tagging.dryRun = options.dryRun || options.check;
    tagging.check = options.check;
    tagging.fixStale = options.fixStale;
    if (options.restore) {
        ReportWriter report(out, options.report, options.quiet ? &isError : nullptr);
        return restoreDocuments(*documents, tagging, report);
    }
    if (tagging.online) {
        // Started here, on the main thread, before any job can fetch.
        if (const Status started = startFetching(); !started) {
            tagging.noTransfers = started.failure();
            err << QStringLiteral("quillon-tag: remote pictures cannot be fetched: ")
                << started.failure().description << u'\n';
            err.flush();
        }
    }

    // A document fetches its pictures one after the other, so online the
    // transfers can only all be busy with as many documents at once; those
    // wait on the network, not on the processors.
    constexpr int transfers = 8;
    const int byDefault = std::max(QThread::idealThreadCount(), tagging.online ? transfers : 1);
    const int jobs = options.jobs > 0 ? options.jobs : byDefault;
    ParallelRun run(tagging, jobs, makeFetcher, transfers);
    run.setKeepBytes(options.diff);
    const StopOnSignals stopper;
    run.setStopFlag(&stopper.flag());

    // A check fails on what it finds as a run fails on its errors.
    const auto failing = options.check ? &failsCheck : &isError;
    ReportWriter report(out, options.report, options.quiet ? failing : nullptr);
    TerminalProgress progress(err, out, static_cast<int>(documents->size()), options.progress);
    bool anyError = false;
    run.setOnDocument([&](int, const DocumentResult& document) {
        bool prints = options.diff && document.changed;
        for (const ReportRow& row : document.rows) {
            anyError = anyError || failing(row.outcome);
            prints = prints || (!options.diff && report.shows(row));
        }
        progress.pageDone(document.counters, prints ? [&] {
            if (!options.diff) {
                for (const ReportRow& row : document.rows)
                    report.row(row);
                return;
            }
            // A diff is bytes: the document's own, whatever its encoding.
            const QByteArray diff = unifiedDiff(document.path, document.before, document.after);
            out.flush();
            if (out.device())
                out.device()->write(diff);
            else
                out << QString::fromLatin1(diff);
        } : std::function<void()>());
    });
    const Counters totals = run.run(*documents);
    progress.finish();
    if (!options.diff)
        report.finish(totals);
    if (const std::optional<int> stopped = stopper.exitStatus())
        return *stopped;
    return anyError ? ExitTagErrors : ExitSuccess;
}

} // namespace

int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err,
    const ParallelRun::FetcherFactory& makeFetcher, const std::function<Status()>& startFetching)
{
    const int status = tagDocuments(arguments, out, err, makeFetcher, startFetching);
    if (reportWritten(out))
        return status;
    const auto* file = qobject_cast<const QFileDevice*>(out.device());
    err << QStringLiteral("quillon-tag: the report could not be written")
        << (file && !file->errorString().isEmpty() ? QStringLiteral(": ") + file->errorString() : QString())
        << u'\n';
    err.flush();
    return ExitReportUnwritten;
}

int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    TransferLimits limits;
    limits.headerOnly = true;
    return runCli(
        arguments, out, err, [limits] { return std::make_unique<CurlFetcher>(limits); },
        &CurlFetcher::startUp);
}

} // namespace quillon
