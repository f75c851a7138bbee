#pragma once

#include "engine/fetch/ImageFetcher.h"

#include <memory>

namespace quillon {

// Fetches pictures over http, https and ftp with libcurl, also across
// redirects to those schemes; any other scheme is refused before anything is
// read, so an address in a page can never make us read a local file.
//
// No compressed encoding is asked for: the file must hold the picture's own
// bytes. A server that compresses anyway is not undone, and what arrives is
// then measured as not a picture.
//
// On failure the target file is left empty, so that half a picture is never
// mistaken for a whole one. Failures carry curl's own text in the description.
//
// One instance keeps one connection cache and may be used from one thread at a
// time; separate instances may run transfers at the same time.
class CurlFetcher : public ImageFetcher {
public:
    explicit CurlFetcher(TransferLimits limits = {});
    ~CurlFetcher() override;
    CurlFetcher(const CurlFetcher&) = delete;
    CurlFetcher& operator=(const CurlFetcher&) = delete;

    using ImageFetcher::fetch;
    Status fetch(const QString& address, const QString& targetPath, const std::atomic<bool>& stop) override;
    // Over http and https the request carries If-None-Match and
    // If-Modified-Since; other schemes fetch the whole resource as fetch does.
    Result<FetchAnswer> fetchIfChanged(const QString& address, const QString& targetPath,
        const std::atomic<bool>& stop, const Validators& known) override;

    // Loads libcurl and starts it, once for the whole process; later calls give
    // the first answer. Starting it is not safe beside other threads that use
    // it, so a driver calls this on its main thread before any transfer (and
    // before any worker starts), and only for a run that fetches: most runs
    // never load the library at all. On failure, nothing can be fetched.
    static Status startUp();

    const TransferLimits& limits() const { return m_limits; }

private:
    struct Handle;
    TransferLimits m_limits;
    std::unique_ptr<Handle> m_handle;
};

} // namespace quillon
