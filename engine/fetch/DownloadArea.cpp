#include "engine/fetch/DownloadArea.h"

#include "engine/fetch/SizeCache.h"
#include "engine/measure/PictureMeasure.h"

#include <QDir>
#include <QTemporaryDir>

#include <limits>

namespace quillon {

DownloadArea::DownloadArea(ImageFetcher& fetcher)
    : m_fetcher(fetcher)
{
}

// QTemporaryDir removes its folder with everything in it.
DownloadArea::~DownloadArea() = default;

Result<QString> DownloadArea::DownloadImage(const QString& address)
{
    return DownloadImage(address, m_fetcher);
}

Result<QString> DownloadArea::DownloadImage(const QString& address, ImageFetcher& fetcher)
{
    static const std::atomic<bool> never { false };
    return DownloadImage(address, fetcher, never);
}

Result<QString> DownloadArea::nextPath()
{
    // Numbers and the folder are handed out one at a time; the transfers
    // themselves may overlap.
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_counter == std::numeric_limits<qint16>::max())
        return Failure(ErrorCode::Overflow);
    ++m_counter;

    if (!m_dir) {
        auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillon-XXXXXX"));
        if (!dir->isValid())
            return Failure(ErrorCode::FileAccessError,
                QStringLiteral("%1: %2").arg(QDir::tempPath(), dir->errorString()));
        m_dir = std::move(dir);
    }

    // At least three digits, as users know them: temp.001 ... temp.999, temp.1000.
    const QString name = QStringLiteral("temp.%1").arg(m_counter, 3, 10, QLatin1Char('0'));
    return m_dir->filePath(name);
}

Result<QString> DownloadArea::DownloadImage(
    const QString& address, ImageFetcher& fetcher, const std::atomic<bool>& stop)
{
    const Result<QString> path = nextPath();
    if (!path)
        return path;
    if (const Status fetched = fetcher.fetch(address, *path, stop); !fetched)
        return fetched.failure();
    return path;
}

Result<SizedDownload> DownloadArea::DownloadSized(
    const QString& address, ImageFetcher& fetcher, const std::atomic<bool>& stop, SizeCache& sizes)
{
    const Result<QString> path = nextPath();
    if (!path)
        return path.failure();
    const std::optional<SizeCache::Entry> known = sizes.find(address);
    const Result<FetchAnswer> answer
        = fetcher.fetchIfChanged(address, *path, stop, known ? known->validators : Validators());
    if (!answer)
        return answer.failure(); // what is known stays: the server said nothing about it
    if (answer->unchanged && known)
        return SizedDownload { *path, known->size };
    SizedDownload sized { *path, MeasurePicture(*path) };
    if (answer->complete && sized.size && answer->validators.any())
        sizes.remember(address, SizeCache::Entry { *sized.size, answer->validators });
    else
        sizes.forget(address);
    return sized;
}

void DownloadArea::removeAll()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_dir.reset();
    m_counter = 0;
}

QString DownloadArea::folder() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_dir ? m_dir->path() : QString();
}

} // namespace quillon
