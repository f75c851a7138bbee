#pragma once

#include "engine/run/DocumentCommit.h"
#include "engine/run/TagOptions.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <utility>

namespace quillon {

class RunObserver;
class RunReport;
class RunResources;
class TagRewriter;

// The document pass over one page: read it whole, stage its backup, scan it for
// image tags, have the rewriter add each tag's clauses, splice them into the
// page's own bytes, and put backup and page in place. A page that gets nothing
// new is not written, and keeps the backup it has; so does a page that is its
// backup with nothing changed but clauses a run writes.
class DocumentPass {
public:
    DocumentPass(RunReport& report, RunResources& resources, TagRewriter& rewriter)
        : m_report(report)
        , m_resources(resources)
        , m_rewriter(rewriter)
    {
    }

    void setObserver(RunObserver* observer) { m_observer = observer; }
    // Told the progress as the scan moves through the page: from the value at the
    // start of the pass (its base) to base + 3.
    void setProgress(std::function<void(double)> progress) { m_progress = std::move(progress); }

    // Without deferred writes the pass puts each page in place at once, its
    // bytes flushed first. With them it stages the backup and the new bytes, and
    // the caller puts many pages in place after one flush for all: takeStaged()
    // hands them over.
    void setDeferredWrites(bool defer) { m_deferWrites = defer; }
    StagedDocument takeStaged() { return std::exchange(m_staged, StagedDocument()); }

    // One page. base: the progress at its start. A stop asked for before the
    // page is put in place (or staged, with deferred writes) leaves the page
    // whole: nothing of it is written, no backup is made, and its rows say it
    // was stopped. Returns false then, true once the page was handled to its end.
    bool TagFile(const QString& path, const TagOptions& options, double base, const std::atomic<bool>& stop);

private:
    Result<StagedWrite> stageBackup(const QString& path, const QByteArray& bytes, const TagOptions& options);
    bool keepsBackup(const QString& path, const QByteArray& bytes, const TagOptions& options);
    void reportDocumentFailure(const QString& path, Outcome outcome);

    RunReport& m_report;
    RunResources& m_resources;
    TagRewriter& m_rewriter;
    RunObserver* m_observer = nullptr;
    std::function<void(double)> m_progress;
    bool m_deferWrites = false;
    StagedDocument m_staged;
};

} // namespace quillon
