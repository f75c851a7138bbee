#pragma once

#include "engine/run/RunReport.h"
#include "engine/run/TagOptions.h"
#include "engine/run/TaggingEngine.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

namespace quillon {

class ImageFetcher;

// What became of one document of a run.
struct DocumentResult {
    QString path;
    QList<ReportRow> rows;
    Counters counters; // this document's found, tagged and errors (in current)
    bool changed = false; // it got (in a dry run: would get) new bytes
    QByteArray before; // with keepBytes: the bytes as read and as rewritten
    QByteArray after;
    StagedDocument staged; // its backup and new bytes, until they are put in place
};

// Tags many documents with several threads at once. Whatever the number of
// jobs, the results come out in the order of the files, and every byte written,
// every backup's name and every report row is the same as with one job.
class ParallelRun {
public:
    using FetcherFactory = std::function<std::unique_ptr<ImageFetcher>()>;

    // jobs: documents tagged at once; transfers: downloads at once.
    ParallelRun(TagOptions options, int jobs, FetcherFactory makeFetcher, int transfers = 8);

    // Keep each changed document's bytes before and after (for a diff).
    void setKeepBytes(bool keep) { m_keepBytes = keep; }
    // Called for each document in file order as soon as it and all before it are done.
    void setOnDocument(std::function<void(int index, const DocumentResult&)> onDocument)
    {
        m_onDocument = std::move(onDocument);
    }

    // Once stop is set (from any thread, a signal handler included: it is only
    // read) the jobs begin no more documents, and each leaves the one in hand as
    // it was, as the window's Stop does; documents done before are put in place
    // and handed on as usual. stop must outlive run().
    void setStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }

    // Tags files; returns the run's totals.
    Counters run(const QStringList& files);

private:
    TagOptions m_options;
    int m_jobs;
    FetcherFactory m_makeFetcher;
    int m_transfers;
    bool m_keepBytes = false;
    const std::atomic<bool>* m_stop = nullptr;
    std::function<void(int, const DocumentResult&)> m_onDocument;
};

} // namespace quillon
