#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>

namespace quillon {

// Limits that every transfer keeps.
struct TransferLimits {
    std::chrono::milliseconds connectTimeout { 15000 };
    std::chrono::milliseconds totalTimeout { 60000 };
    long maxRedirects = 10;
    qint64 maxBytes = 64 * 1024 * 1024;
    // Stop as soon as the bytes received tell the picture's size: a ranged request
    // for the first part, or a transfer cut short once the size is known. The
    // file then holds only the start of the picture, which is all measuring needs.
    bool headerOnly = false;
    // A transfer that moves less than lowSpeedBytes a second for lowSpeedTime is
    // given up as stalled, long before totalTimeout: a server that accepts and
    // never answers, or trickles a byte now and then. One byte a second is far
    // below any link that works, a poor mobile one included, so only a server
    // that has all but stopped is cut. Zero bytes turns the check off.
    long lowSpeedBytes = 1;
    std::chrono::seconds lowSpeedTime { 15 };
};

// What a server said about the version of a resource it sent, so that a later
// request can ask whether that version is still the one it holds.
struct Validators {
    QByteArray etag; // the ETag header's value, quotes and weak mark included
    QByteArray lastModified; // the Last-Modified header's value
    bool any() const { return !etag.isEmpty() || !lastModified.isEmpty(); }
    friend bool operator==(const Validators&, const Validators&) = default;
};

// How a transfer that may have asked "changed since?" ended.
struct FetchAnswer {
    // The server said the version named in the request is still current (a 304):
    // nothing was written, and the target is empty.
    bool unchanged = false;
    // The resource itself arrived (a 200 or 206 over http or https), not an
    // error page or a redirect's leftovers; validators name its version.
    bool complete = false;
    Validators validators;
};

// Fetches the resource at an address into a file. The one seam between the
// engine and the network, so that tests and other drivers can replace it.
class ImageFetcher {
public:
    virtual ~ImageFetcher() = default;

    // Writes the whole body that address returns into targetPath, created or
    // truncated first. Whatever body arrives is written, an error page included;
    // a transfer that fails, times out or passes the size limit is a failure.
    // Once stop is set (from any thread) the transfer ends within a tenth of a
    // second or so, targetPath is removed, and the failure is TransferStopped.
    virtual Status fetch(const QString& address, const QString& targetPath, const std::atomic<bool>& stop)
        = 0;
    // The same, asking the server to send nothing when the version that known
    // names is still current. A fetcher that cannot ask fetches the whole
    // resource and names no version, so that nothing it brings is remembered.
    virtual Result<FetchAnswer> fetchIfChanged(const QString& address, const QString& targetPath,
        const std::atomic<bool>& stop, const Validators& known)
    {
        static_cast<void>(known);
        if (const Status fetched = fetch(address, targetPath, stop); !fetched)
            return fetched.failure();
        return FetchAnswer {};
    }
    // A transfer that nothing stops.
    Status fetch(const QString& address, const QString& targetPath)
    {
        static const std::atomic<bool> never { false };
        return fetch(address, targetPath, never);
    }
};

} // namespace quillon
