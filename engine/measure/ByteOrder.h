#pragma once

#include <QByteArrayView>
#include <QtEndian>

namespace quillon {

// A number stored at byte offset at of a picture's header; the caller has made
// sure that its bytes are there.
template <typename T> T bigEndianAt(QByteArrayView bytes, qsizetype at)
{
    return qFromBigEndian<T>(bytes.data() + at);
}

template <typename T> T littleEndianAt(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<T>(bytes.data() + at);
}

} // namespace quillon
