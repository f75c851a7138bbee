#pragma once

#include "engine/fetch/DownloadArea.h"
#include "engine/run/BackupIndex.h"
#include "engine/measure/PictureSize.h"
#include "platform/Result.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>

namespace quillon {

class ImageFetcher;
class SizeCache;

// What the documents of one run share, safe to use from several threads at once:
// the run's downloads (each address fetched once), the pictures already
// measured, and the names of the global backups.
class RunResources {
public:
    // One fetcher, used by one transfer at a time.
    explicit RunResources(ImageFetcher& fetcher);
    // Up to maxTransfers transfers at once, each with a fetcher of its own.
    RunResources(std::function<std::unique_ptr<ImageFetcher>()> makeFetcher, int maxTransfers);
    ~RunResources();

    // The file holding the picture at address, fetched at its first request in the
    // run; later requests for the same address wait for that one and share it.
    // With rememberSizes the picture's size is kept for later runs (SizeCache),
    // and a picture whose server says it has not changed is not fetched again:
    // its file is then empty, and measure() gives the size remembered.
    Result<QString> download(const QString& address, bool rememberSizes = false);
    // The flag that stops the run's transfers (see ImageFetcher::fetch); it
    // must outlive the run. None: nothing stops them.
    void setStopFlag(const std::atomic<bool>* stop) { m_stop = stop; }
    // The size of the picture in file, measured once per run (a download's at
    // its arrival).
    Result<PictureSize> measure(const QString& file);

    // The global backup of the document path in folder: the one the folder's
    // index lists for it; for a page it lists none, the first of NAME.bak,
    // NAME.2.bak, NAME.3.bak … that is neither listed, nor there, nor taken
    // earlier in the run. The same path always gets the same name within a run.
    QString backupName(const QString& folder, const QString& path);
    // The backup of path that folder's index lists; empty when none.
    QString listedBackup(const QString& folder, const QString& path);
    // A backup named by backupName() is in place: its index will list it, made now.
    void backupPlaced(const QString& backup);
    // Writes the indexes that changed. One that cannot be written only forgets
    // its new backups: they stay, and their pages get new ones next time.
    void saveBackupIndexes();

    // Removes what a run killed earlier left staged beside path: files named as
    // ours are for path and its backup, older than this run. Each folder is
    // read once a run.
    void removeStaleStaged(const QString& path);

    // The end of a run: downloaded files deleted, the sizes to remember saved,
    // everything else forgotten; the next run counts as started now.
    void endRun();

    const DownloadArea& downloads() const { return *m_area; }

private:
    class FetcherPool;
    struct Pending;

    BackupIndex& indexIn(const QString& folder); // with m_mutex held

    std::unique_ptr<FetcherPool> m_pool;
    std::unique_ptr<DownloadArea> m_area;
    std::unique_ptr<SizeCache> m_sizes; // read at the run's first remembered download

    std::mutex m_mutex;
    std::condition_variable m_fetched;
    QHash<QString, std::shared_ptr<Pending>> m_downloads;
    QHash<QString, Result<PictureSize>> m_measured;
    QHash<QString, QString> m_backupByPath;
    // By backup file: its folder and page.
    QHash<QString, std::pair<QString, QString>> m_backupPages;
    QHash<QString, BackupIndex> m_indexes; // by folder, read at its first use in a run
    QSet<QString> m_changedIndexes;
    QHash<QString, QStringList> m_stagedByFolder;
    timespec m_runStart {};
    const std::atomic<bool>* m_stop = nullptr;
};

} // namespace quillon
