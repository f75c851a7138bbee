#include "engine/ParallelRun.h"

#include "engine/ImageFetcher.h"
#include "engine/RunObserver.h"
#include "engine/RunResources.h"
#include "engine/StatusTexts.h"
#include "engine/TaggingEngine.h"
#include "platform/FileOps.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon {

namespace {

// Documents flushed to disk with one sync before they are put in place. Fewer
// syncs cost less than small ones, and the jobs go on tagging meanwhile.
constexpr size_t kBatch = 64;

// Keeps the bytes of the document an engine is tagging.
class BytesKeeper : public RunObserver {
public:
    void documentRewritten(const QString&, const QByteArray& before, const QByteArray& after) override
    {
        m_before = before;
        m_after = after;
        m_changed = true;
    }
    void reset()
    {
        m_before.clear();
        m_after.clear();
        m_changed = false;
    }
    QByteArray m_before;
    QByteArray m_after;
    bool m_changed = false;
};

} // namespace

ParallelRun::ParallelRun(TagOptions options, int jobs, FetcherFactory makeFetcher, int transfers)
    : m_options(std::move(options)), m_jobs(std::max(jobs, 1)), m_makeFetcher(std::move(makeFetcher)),
      m_transfers(std::max(transfers, 1))
{
}

Counters ParallelRun::run(const QStringList& files)
{
    RunResources resources(m_makeFetcher, m_transfers);
    // Backup names depend on the order of the files, not on which job is first.
    if (m_options.generateBackups && m_options.globalBackups && !m_options.dryRun) {
        for (const QString& file : files)
            resources.backupName(m_options.backupPath, file);
    }

    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable readyToCommit;
    std::map<int, DocumentResult> waiting; // finished, but not yet handed on in order
    int handedOn = 0;
    std::vector<std::pair<int, DocumentResult>> ready; // in order, for the committer
    bool tagged = false;                               // every job has finished
    Counters totals;
    const bool defer = !m_options.dryRun;

    // The committer puts documents in place while the jobs tag the next ones. It
    // takes the documents ready in file order (a batch of them, or whatever is
    // left at the end), flushes them to disk with one sync, then renames each
    // over its page: a page is replaced only by bytes that are already on disk.
    // The same sync also makes the previous batch's renames durable.
    auto commit = [&] {
        std::vector<std::pair<int, DocumentResult>> batch;
        QStringList renamed; // the files of the renames no sync has covered yet
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                // A dry run writes nothing: each document is handed on at once.
                const size_t enough = defer ? kBatch : 1;
                readyToCommit.wait(lock, [&] { return ready.size() >= enough || tagged; });
                if (ready.empty())
                    break;
                batch.swap(ready);
            }
            QStringList written;
            for (const auto& entry : batch) {
                for (const auto& staged : {entry.second.staged.backup, entry.second.staged.document}) {
                    if (staged)
                        written.append(staged->target);
                }
            }
            // Bytes the disk did not take are never put in place of a page.
            const Status flushed = written.isEmpty() ? Status() : syncFileSystems(written);
            for (auto& entry : batch) {
                DocumentResult& document = entry.second;
                auto fail = [&](const QString& text) {
                    document.rows.append(ReportRow{document.path, QString(), text});
                    ++document.counters.total[static_cast<int>(Counter::Errors)];
                    ++document.counters.current[static_cast<int>(Counter::Errors)];
                };
                const StagedDocument& staged = document.staged;
                if (!flushed.ok() && (staged.backup || staged.document)) {
                    for (const auto& write : {staged.backup, staged.document}) {
                        if (write)
                            discardStaged(*write);
                    }
                    fail(staged.backup ? status::BackupFailed : status::WriteFailed);
                } else if (staged.backup && !commitStaged(*staged.backup)) {
                    if (staged.document)
                        discardStaged(*staged.document);
                    fail(status::BackupFailed);
                } else if (staged.document && !commitStaged(*staged.document)) {
                    fail(status::WriteFailed);
                }
                for (int c = 0; c < 3; ++c)
                    totals.total[c] += document.counters.total[c];
                if (m_onDocument)
                    m_onDocument(entry.first, document);
            }
            if (flushed.ok())
                renamed = written;
            batch.clear();
        }
        // The last renames. Their bytes are on disk already, so should this fail a
        // crash could at worst bring back a page's old version, whole.
        if (!renamed.isEmpty())
            (void)syncFileSystems(renamed);
    };

    auto work = [&] {
        const TagOptions options = m_options;
        TaggingEngine engine([options] { return options; }, resources);
        engine.setDeferredWrites(defer);
        BytesKeeper keeper;
        engine.setObserver(&keeper);
        for (int index = next++; index < files.size(); index = next++) {
            keeper.reset();
            engine.report().clear();
            engine.TagFile(files[index]);

            DocumentResult result;
            result.path = files[index];
            result.rows = engine.report().rows();
            result.counters = engine.report().counters();
            result.changed = keeper.m_changed;
            result.staged = engine.takeStaged();
            if (m_keepBytes) {
                result.before = keeper.m_before;
                result.after = keeper.m_after;
            }

            const std::lock_guard<std::mutex> lock(mutex);
            waiting.emplace(index, std::move(result));
            bool handed = false;
            while (!waiting.empty() && waiting.begin()->first == handedOn) {
                ready.emplace_back(handedOn, std::move(waiting.begin()->second));
                waiting.erase(waiting.begin());
                ++handedOn;
                handed = true;
            }
            if (handed)
                readyToCommit.notify_one();
        }
    };

    std::thread committer(commit);
    const int threads = std::min<int>(m_jobs, std::max<int>(static_cast<int>(files.size()), 1));
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    {
        const std::lock_guard<std::mutex> lock(mutex);
        tagged = true;
    }
    readyToCommit.notify_one();
    committer.join();
    resources.endRun();
    return totals;
}

} // namespace quillon
