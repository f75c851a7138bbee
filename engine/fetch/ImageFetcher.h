#pragma once

#include "platform/Result.h"

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
    // A transfer that nothing stops.
    Status fetch(const QString& address, const QString& targetPath)
    {
        static const std::atomic<bool> never { false };
        return fetch(address, targetPath, never);
    }
};

} // namespace quillon
