#include "engine/run/RunResources.h"

#include "engine/fetch/ImageFetcher.h"
#include "engine/fetch/SizeCache.h"
#include "engine/measure/PictureMeasure.h"
#include "platform/AtomicWrite.h"
#include "platform/Paths.h"

#include <QFileInfo>

#include <vector>

namespace quillon {

// Lends fetchers to transfers: at most one transfer per fetcher at a time.
class RunResources::FetcherPool {
public:
    explicit FetcherPool(ImageFetcher& only) { m_free.push_back(&only); }
    FetcherPool(const std::function<std::unique_ptr<ImageFetcher>()>& make, int count)
    {
        for (int i = 0; i < std::max(count, 1); ++i) {
            m_owned.push_back(make());
            m_free.push_back(m_owned.back().get());
        }
    }

    // The file of address, and its size when it comes with the download.
    Result<QString> download(DownloadArea& area, const QString& address, const std::atomic<bool>& stop,
        SizeCache* sizes, std::optional<Result<PictureSize>>& size)
    {
        ImageFetcher* fetcher = nullptr;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_available.wait(lock, [this] { return !m_free.empty(); });
            fetcher = m_free.back();
            m_free.pop_back();
        }
        Result<QString> result = Failure(ErrorCode::TransferFailed);
        if (sizes) {
            Result<SizedDownload> sized = area.DownloadSized(address, *fetcher, stop, *sizes);
            if (sized) {
                result = sized->path;
                size = sized->size;
            } else {
                result = sized.failure();
            }
        } else {
            result = area.DownloadImage(address, *fetcher, stop);
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_free.push_back(fetcher);
        }
        m_available.notify_one();
        return result;
    }

    ImageFetcher& first() { return *m_free.front(); }

private:
    std::vector<std::unique_ptr<ImageFetcher>> m_owned;
    std::vector<ImageFetcher*> m_free;
    std::mutex m_mutex;
    std::condition_variable m_available;
};

struct RunResources::Pending {
    bool done = false;
    Result<QString> result = Failure(ErrorCode::TransferFailed);
};

RunResources::RunResources(ImageFetcher& fetcher)
    : m_pool(std::make_unique<FetcherPool>(fetcher))
    , m_area(std::make_unique<DownloadArea>(fetcher))
    , m_runStart(fileClockNow())
{
}

RunResources::RunResources(std::function<std::unique_ptr<ImageFetcher>()> makeFetcher, int maxTransfers)
    : m_pool(std::make_unique<FetcherPool>(makeFetcher, maxTransfers))
    , m_area(std::make_unique<DownloadArea>(m_pool->first()))
    , m_runStart(fileClockNow())
{
}

RunResources::~RunResources() = default;

Result<QString> RunResources::download(const QString& address, bool rememberSizes)
{
    std::shared_ptr<Pending> pending;
    bool mine = false;
    SizeCache* sizes = nullptr;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (rememberSizes && !m_sizes)
            m_sizes = std::make_unique<SizeCache>(SizeCache::userFile());
        sizes = rememberSizes ? m_sizes.get() : nullptr;
        pending = m_downloads.value(address);
        if (!pending) {
            pending = std::make_shared<Pending>();
            m_downloads.insert(address, pending);
            mine = true;
        }
    }
    if (mine) {
        static const std::atomic<bool> never { false };
        std::optional<Result<PictureSize>> size;
        Result<QString> result = m_pool->download(*m_area, address, m_stop ? *m_stop : never, sizes, size);
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (result && size)
                m_measured.insert(*result, *size);
            pending->result = std::move(result);
            pending->done = true;
        }
        m_fetched.notify_all();
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    m_fetched.wait(lock, [&] { return pending->done; });
    return pending->result;
}

Result<PictureSize> RunResources::measure(const QString& file)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (auto known = m_measured.constFind(file); known != m_measured.constEnd())
            return *known;
    }
    // Two threads may measure the same new picture at once; both get the same answer.
    Result<PictureSize> measured = MeasurePicture(file);
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_measured.insert(file, measured);
    return measured;
}

BackupIndex& RunResources::indexIn(const QString& folder)
{
    auto known = m_indexes.find(folder);
    if (known == m_indexes.end())
        known = m_indexes.insert(folder, BackupIndex::load(folder));
    return *known;
}

QString RunResources::backupName(const QString& folder, const QString& path)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (auto known = m_backupByPath.constFind(path); known != m_backupByPath.constEnd())
        return *known;
    const BackupIndex& index = indexIn(folder);
    QString name = index.backupOf(path);
    // A file the index does not list may be some other page's backup from before it.
    for (int n = 1; name.isEmpty(); ++n) {
        const QString candidate
            = GetFileName(path) + (n == 1 ? QStringLiteral(".bak") : QStringLiteral(".%1.bak").arg(n));
        if (!index.lists(candidate) && !m_backupPages.contains(folder + candidate)
            && !QFileInfo(folder + candidate).isSymLink() && !QFileInfo::exists(folder + candidate))
            name = candidate;
    }
    const QString backup = folder + name;
    m_backupByPath.insert(path, backup);
    m_backupPages.insert(backup, { folder, path });
    return backup;
}

QString RunResources::listedBackup(const QString& folder, const QString& path)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const QString name = indexIn(folder).backupOf(path);
    return name.isEmpty() ? QString() : folder + name;
}

void RunResources::backupPlaced(const QString& backup)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto known = m_backupPages.constFind(backup);
    if (known == m_backupPages.constEnd())
        return; // beside its page: no index
    const auto& [folder, page] = *known;
    indexIn(folder).record(GetFileName(backup), page, QDateTime::currentDateTimeUtc());
    m_changedIndexes.insert(folder);
}

void RunResources::saveBackupIndexes()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (const QString& folder : std::as_const(m_changedIndexes))
        (void)indexIn(folder).save();
    m_changedIndexes.clear();
}

void RunResources::removeStaleStaged(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    std::unique_lock<std::mutex> lock(m_mutex);
    auto known = m_stagedByFolder.constFind(folder);
    if (known == m_stagedByFolder.constEnd()) {
        lock.unlock();
        QStringList names = stagedNamesIn(folder); // two jobs may read a folder at once; no harm
        lock.lock();
        known = m_stagedByFolder.insert(folder, std::move(names));
    }
    const QStringList names = *known;
    const timespec start = m_runStart;
    lock.unlock();
    if (!names.isEmpty())
        quillon::removeStaleStaged(path, names, start);
}

void RunResources::endRun()
{
    m_area->removeAll();
    if (m_sizes) {
        // Only a faster next run depends on it: a cache that cannot be written
        // costs the next run its bodies, nothing else.
        (void)m_sizes->save();
        m_sizes.reset();
    }
    saveBackupIndexes();
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stagedByFolder.clear();
    m_runStart = fileClockNow();
    m_downloads.clear();
    m_measured.clear();
    m_backupByPath.clear();
    m_backupPages.clear();
    m_indexes.clear();
}

} // namespace quillon
