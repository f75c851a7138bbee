#include "engine/run/ParallelRun.h"

#include "engine/fetch/ImageFetcher.h"
#include "engine/run/RunObserver.h"
#include "engine/run/RunResources.h"
#include "engine/run/DocumentCommit.h"
#include "engine/run/TaggingEngine.h"
#include "platform/FileOps.h"

#include <QSet>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace quillon {

namespace {

// Documents put in place after one flush of the file system.
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
    : m_options(std::move(options))
    , m_jobs(std::max(jobs, 1))
    , m_makeFetcher(std::move(makeFetcher))
    , m_transfers(std::max(transfers, 1))
{
}

Counters ParallelRun::run(const QStringList& files)
{
    static const std::atomic<bool> never { false };
    const std::atomic<bool>& stop = m_stop ? *m_stop : never;
    RunResources resources(m_makeFetcher, m_transfers);
    resources.setStopFlag(&stop);
    // Backup names depend on the order of the files, not on which job is first.
    if (m_options.generateBackups && m_options.globalBackups && !m_options.dryRun) {
        for (const QString& file : files)
            resources.backupName(m_options.backupPath, file);
    }

    std::atomic<int> next { 0 };
    std::mutex mutex;
    std::map<int, DocumentResult> waiting; // finished, but not yet handed on in order
    int handedOn = 0;
    std::vector<std::pair<int, DocumentResult>> batch; // in order, waiting for their files to be put in place
    Counters totals;
    const bool defer = !m_options.dryRun;

    // One flush for a whole batch of documents, then each put in place in order:
    // a page is replaced only by bytes that are already on disk, and bytes the
    // disk did not take are never put in place of a page. It runs under the run's
    // lock, so a job that finishes a document meanwhile waits: flushing on a thread
    // of its own while the jobs write on measured slower, since a sync also
    // flushes, and waits for, whatever is written while it runs.
    auto commitBatch = [&] {
        if (batch.empty())
            return;
        QStringList written;
        for (const auto& entry : batch) {
            for (const auto& staged : { entry.second.staged.backup, entry.second.staged.document }) {
                if (staged)
                    written.append(staged->target);
            }
        }
        const QStringList lost = written.isEmpty() ? QStringList() : syncFileSystems(written);
        const QSet<QString> unflushed(lost.cbegin(), lost.cend());
        for (auto& entry : batch) {
            DocumentResult& document = entry.second;
            bool flushed = true;
            for (const auto& staged : { document.staged.backup, document.staged.document })
                flushed = flushed && !(staged && unflushed.contains(staged->target));
            const std::optional<Outcome> failed = commitDocument(document.staged, flushed, false);
            if (failed) {
                document.rows.append(ReportRow { document.path, QString(), *failed, {}, {}, 0, 0 });
                document.counters.countOne(Counter::Errors);
            }
            if (backupPlaced(document.staged, failed))
                resources.backupPlaced(document.staged.backup->target);
            for (int c = 0; c < 3; ++c)
                totals.total[c] += document.counters.total[c];
            if (m_onDocument)
                m_onDocument(entry.first, document);
        }
        // The renames too. Their bytes are on disk already, so should this fail, a
        // crash could at worst bring back a page's old version, whole.
        if (lost.size() < written.size())
            (void)syncFileSystems(written);
        resources.saveBackupIndexes();
        batch.clear();
    };

    auto work = [&] {
        const TagOptions options = m_options;
        TaggingEngine engine([options] { return options; }, resources);
        engine.setDeferredWrites(defer);
        engine.followStop(stop);
        BytesKeeper keeper;
        engine.setObserver(&keeper);
        // Every index taken is handed on, one a stop cut short included, so
        // that all the documents taken come out in order.
        while (!stop) {
            const int index = next++;
            if (index >= files.size())
                break;
            keeper.reset();
            engine.report().clear();
            const bool handled = engine.TagFile(files[index]);

            DocumentResult result;
            result.path = files[index];
            result.rows = engine.report().rows();
            result.counters = engine.report().counters();
            result.changed = handled && keeper.m_changed;
            result.staged = engine.takeStaged();
            if (m_keepBytes) {
                result.before = keeper.m_before;
                result.after = keeper.m_after;
            }

            const std::lock_guard<std::mutex> lock(mutex);
            waiting.emplace(index, std::move(result));
            while (!waiting.empty() && waiting.begin()->first == handedOn) {
                batch.emplace_back(handedOn, std::move(waiting.begin()->second));
                waiting.erase(waiting.begin());
                ++handedOn;
                if (batch.size() >= kBatch)
                    commitBatch();
            }
        }
    };

    const int threads = std::min<int>(m_jobs, std::max<int>(static_cast<int>(files.size()), 1));
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    commitBatch();
    resources.endRun();
    return totals;
}

} // namespace quillon
