#pragma once

#include "engine/PictureSize.h"
#include "engine/RunReport.h"
#include "engine/TagOptions.h"
#include "platform/FileOps.h"
#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace quillon {

class DocumentText;

// A document's new bytes and its backup, written but not yet in place.
struct StagedDocument {
    std::optional<StagedWrite> backup;
    std::optional<StagedWrite> document;
};

class DownloadArea;
class RunResources;
class ImageFetcher;
class RunObserver;
struct ImgTag;
struct ImageSource;

// The tagging engine: runs over a list of HTML documents, rewrites every image
// tag in them, keeps the report, the progress and the run's downloads, and tells
// its observer what happens. It shows nothing itself; whoever drives it (the
// window, the command line, a test) decides what the user sees.
class TaggingEngine {
public:
    // options is asked at the start of every document, so a change made before a
    // run is seen by that run. fetcher brings remote pictures in online mode.
    TaggingEngine(std::function<TagOptions()> options, ImageFetcher& fetcher);
    // An engine that shares its downloads, measurements and backup names with
    // the other engines of a run tagging documents in parallel.
    TaggingEngine(std::function<TagOptions()> options, RunResources& shared);
    ~TaggingEngine();

    void setObserver(RunObserver* observer);

    // A whole run: the counters start at 0, every file goes through TagFile in
    // order, and the end-of-run work follows the last one (or a stop).
    void run(const QStringList& files);
    // Ends a run after the tag in hand; the document being tagged is written
    // with the tags done so far, and the end-of-run work runs as usual.
    void requestStop() { m_stopRequested = true; }

    // With deferred writes the document pass stages its backup and new bytes
    // instead of putting them in place; takeStaged() hands them over.
    void setDeferredWrites(bool defer) { m_deferWrites = defer; }
    StagedDocument takeStaged();

    // The document pass over one file. The run does the end-of-run work after
    // the last one.
    void TagFile(const QString& path);

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
    struct TagContext;

    QString tagClauses(const TagContext& context);
    Result<PictureSize> measure(const ImageSource& source, const QString& pictureFile);
    Result<QString> localPicture(const QString& htmlFile, const QString& path) const;
    Result<StagedWrite> stageBackup(const QString& path, const QByteArray& bytes, const TagOptions& options);
    void setProgress(double value);
    void reportDocumentFailure(const QString& path, const QString& status);

    std::function<TagOptions()> m_options;
    RunReport m_report;
    std::unique_ptr<RunResources> m_ownResources;
    RunResources& m_resources;
    RunObserver* m_observer = nullptr;
    std::atomic<bool> m_stopRequested{false};

    double m_progressValue = 0;
    double m_progressMaximum = 0;

    TagOptions m_fileOptions;
    bool m_deferWrites = false;
    StagedDocument m_staged;
};

} // namespace quillon
