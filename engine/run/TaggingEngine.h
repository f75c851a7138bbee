#pragma once

#include "engine/run/DocumentCommit.h"
#include "engine/run/DocumentPass.h"
#include "engine/run/RunReport.h"
#include "engine/run/TagOptions.h"
#include "engine/run/TagRewriter.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

namespace quillon {

class DownloadArea;
class RunResources;
class ImageFetcher;
class RunObserver;

// The tagging engine: runs over a list of HTML documents, rewrites every image
// tag in them, keeps the report, the progress and the run's downloads, and tells
// its observer what happens. It shows nothing itself; whoever drives it (the
// window, the command line, a test) decides what the user sees. The work itself
// is the document pass's (one page) and the tag rewriter's (one tag).
class TaggingEngine {
public:
    // options is asked once at the start of every run (and of every TagFile or
    // TagImage called on its own), so a change made before a run is seen by that
    // run and one made while it goes waits for the next. fetcher brings remote pictures in online mode.
    TaggingEngine(std::function<TagOptions()> options, ImageFetcher& fetcher);
    // An engine that shares its downloads, measurements and backup names with
    // the other engines of a run tagging documents in parallel.
    TaggingEngine(std::function<TagOptions()> options, RunResources& shared);
    ~TaggingEngine();

    void setObserver(RunObserver* observer);

    // A whole run: the counters start at 0, every file goes through TagFile in
    // order, and the end-of-run work follows the last one (or a stop).
    void run(const QStringList& files);
    // Ends a run soon, a transfer in progress included: the document in hand
    // is left as it was (see DocumentPass::TagFile), no later one is begun, and
    // the end-of-run work runs as usual. Safe from any thread.
    void requestStop() { m_stopRequested = true; }
    // Follows stop instead of requestStop(), for an engine among the jobs of a
    // run that stops them all; stop must outlive the engine's work.
    void followStop(const std::atomic<bool>& stop) { m_stop = &stop; }

    // See DocumentPass: pages staged for the caller to put in place.
    void setDeferredWrites(bool defer) { m_pass.setDeferredWrites(defer); }
    StagedDocument takeStaged() { return m_pass.takeStaged(); }

    // The document pass over one file. The run does the end-of-run work after
    // the last one. False when a stop left the file as it was.
    bool TagFile(const QString& path);

    // The rewriter on its own: tagText is what stands between the tag's "<" and
    // ">" (for example «img src="a.gif"»); the result is the new text, with the
    // missing clauses added. One report row, counted as the run counts it.
    QString TagImage(const QString& tagText, const QString& htmlFile);

    // The end-of-run work: full progress, current counters to 0, the run's
    // downloaded files deleted, and the observer told the run is over.
    void DoneScanning();

    // Empties the report, its counters and the progress.
    void ClearStatus();

    RunReport& report() { return m_report; }
    const RunReport& report() const { return m_report; }
    double progressValue() const { return m_progressValue; }
    double progressMaximum() const { return m_progressMaximum; }
    const DownloadArea& downloads() const;

private:
    void setProgress(double value);
    bool tagFile(const QString& path, const TagOptions& options);

    std::function<TagOptions()> m_options;
    RunReport m_report;
    std::unique_ptr<RunResources> m_ownResources;
    RunResources& m_resources;
    TagRewriter m_rewriter;
    DocumentPass m_pass;
    RunObserver* m_observer = nullptr;
    std::atomic<bool> m_stopRequested { false };
    const std::atomic<bool>* m_stop = &m_stopRequested;

    double m_progressValue = 0;
    double m_progressMaximum = 0;
};

} // namespace quillon
