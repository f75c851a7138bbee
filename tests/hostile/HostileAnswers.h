#pragma once

#include <optional>

#include "platform/Failure.h"
#include "tests/hostile/RawServer.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace quillon::test {

// One way a server can answer badly, at a path of its own, and the failure a
// fetch or a measurement of it must end in.
struct HostileAnswer {
    QString path;
    ErrorCode code;
    // Ends only by a time-out: a server that stalls.
    bool stalls = false;
    // Ends only by the byte limit: a server that streams without end.
    bool endless = false;
    // What a transfer that wants only the picture's start ends with, when not code.
    std::optional<ErrorCode> headerOnlyCode;
};

// Every hostile answer, registered on server. A server that never accepts
// cannot be one of them: see FullBacklogPort.
// Three more paths answer with a size that can be measured: /good.png with
// goodPicture(); /gif-max.gif with a GIF of 65535 x 65535 pixels, the most a GIF
// can hold; /endless-picture.png with the start of a picture of the good size
// followed by bytes without end (announced as 2^40 bytes), which only a transfer
// that stops at the header measures.
std::vector<HostileAnswer> serveHostileAnswers(RawServer& server);

// What /good.png serves, and the size it measures.
QByteArray goodPicture();
inline constexpr int kGoodWidth = 7;
inline constexpr int kGoodHeight = 5;

// Picture headers that announce a size, with just enough after them to be read.
QByteArray pngAnnouncing(quint32 width, quint32 height);
QByteArray tiffAnnouncing(quint32 width, quint32 height);
QByteArray bmpAnnouncing(qint32 width, qint32 height);
QByteArray gifAnnouncing(quint16 width, quint16 height);

// gzip data that unpacks to prefix, then fill bytes of value filler, then suffix.
QByteArray gzipOf(const QByteArray& prefix, qint64 fill, char filler, const QByteArray& suffix);

} // namespace quillon::test
