#pragma once

#include "engine/fetch/ImageFetcher.h"
#include "engine/measure/PictureSize.h"
#include "platform/Result.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

class QTemporaryDir;

namespace quillon {

class SizeCache;

// A downloaded picture's file and its size, which needs no measuring again.
struct SizedDownload {
    QString path;
    // Measured from the file, or remembered (the file is then empty: the server
    // said the picture had not changed). A file that is no picture is a failure.
    Result<PictureSize> size;
};

// The run's private place for downloaded pictures: temp.001, temp.002, ... in a
// folder of its own under the system's temporary folder, made at the run's
// first download and unique to this run, so two running copies never share it.
// Everything in it goes away with removeAll() or with the area itself.
class DownloadArea {
public:
    explicit DownloadArea(ImageFetcher& fetcher);
    ~DownloadArea();
    DownloadArea(const DownloadArea&) = delete;
    DownloadArea& operator=(const DownloadArea&) = delete;

    // Fetches address into the next numbered file and returns that file's path.
    // The number is used up even when the fetch fails. Past 32767 the run has
    // run out of numbers: the result is Overflow and nothing is fetched.
    Result<QString> DownloadImage(const QString& address);
    // The same through another fetcher, so that several transfers can run at once
    // (numbering is safe from several threads). A stop ends the transfer
    // and leaves no file behind.
    Result<QString> DownloadImage(const QString& address, ImageFetcher& fetcher);
    Result<QString> DownloadImage(
        const QString& address, ImageFetcher& fetcher, const std::atomic<bool>& stop);

    // The same, asking the server whether the picture sizes remembers for
    // address has changed: when it has not, the size is the one remembered and
    // nothing is fetched. Otherwise the size is measured from what arrived, and
    // remembered when the server named the picture's version, or else forgotten.
    Result<SizedDownload> DownloadSized(
        const QString& address, ImageFetcher& fetcher, const std::atomic<bool>& stop, SizeCache& sizes);

    // The end of a run: the files and the folder go, and numbering starts again
    // at temp.001 in a new folder on the next download.
    void removeAll();

    // How many numbers this run has used.
    qint16 counter() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_counter;
    }
    // The run's folder; empty until the first download.
    QString folder() const;

    // Continues the numbering after value, so that tests reach the end of the
    // numbers or re-use a name without thousands of downloads.
    void setCounter(qint16 value)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_counter = value;
    }

private:
    Result<QString> nextPath();

    ImageFetcher& m_fetcher;
    std::unique_ptr<QTemporaryDir> m_dir;
    qint16 m_counter = 0;
    mutable std::mutex m_mutex;
};

} // namespace quillon
