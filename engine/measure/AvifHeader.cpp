#include "engine/measure/AvifHeader.h"

#include <QByteArrayView>
#include <QtEndian>

#include <algorithm>
#include <limits>
#include <vector>

namespace quillon {

namespace {

constexpr quint32 fourCc(const char (&name)[5])
{
    return quint32(quint8(name[0])) << 24 | quint32(quint8(name[1])) << 16 | quint32(quint8(name[2])) << 8
        | quint32(quint8(name[3]));
}

// The brands of still pictures and picture sequences in this container.
constexpr quint32 kImageBrands[] = {
    fourCc("avif"),
    fourCc("avis"),
    fourCc("heic"),
    fourCc("heix"),
    fourCc("heim"),
    fourCc("heis"),
    fourCc("hevc"),
    fourCc("hevx"),
    fourCc("mif1"),
    fourCc("msf1"),
    fourCc("mif2"),
};

// A picture's header is small; a file that puts more than this many boxes
// before its meta box, or a meta box larger than this, is not taken for one.
constexpr int kMaxBoxesBeforeMeta = 32;
constexpr qint64 kMaxMetaBytes = 1024 * 1024;
constexpr qint64 kMaxFtypBytes = 4096;

Result<PictureSize> damaged(const QString& why)
{
    return Failure(ErrorCode::NotAPicture, QStringLiteral("a damaged AVIF or HEIF header: ") + why);
}

// Reads numbers from bytes, big-endian as the boxes store them; once a read
// passes the end every later read fails too.
class Bytes {
public:
    // bytes must outlive the reader.
    explicit Bytes(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    bool ok() const { return m_ok; }
    qsizetype left() const { return m_ok ? m_bytes.size() - m_at : 0; }

    quint64 number(int width)
    {
        if (!m_ok || left() < width) {
            m_ok = false;
            return 0;
        }
        quint64 value = 0;
        for (int i = 0; i < width; ++i)
            value = value << 8 | quint8(m_bytes[m_at + i]);
        m_at += width;
        return value;
    }
    quint8 u8() { return quint8(number(1)); }
    quint16 u16() { return quint16(number(2)); }
    quint32 u32() { return quint32(number(4)); }
    quint64 u64() { return number(8); }

    QByteArrayView take(qsizetype count)
    {
        if (!m_ok || count < 0 || left() < count) {
            m_ok = false;
            return {};
        }
        const QByteArrayView part = m_bytes.sliced(m_at, count);
        m_at += count;
        return part;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

struct Box {
    quint32 type = 0;
    QByteArrayView payload;
};

// The boxes that bytes holds one after the other; a box that claims more bytes
// than there are, or fewer than its own header, makes the whole list fail.
std::optional<std::vector<Box>> childBoxes(QByteArrayView bytes)
{
    std::vector<Box> boxes;
    Bytes in(bytes);
    while (in.left() > 0) {
        const qsizetype start = bytes.size() - in.left();
        quint64 size = in.u32();
        const quint32 type = in.u32();
        if (size == 1)
            size = in.u64();
        else if (size == 0)
            size = quint64(bytes.size() - start); // to the end of what holds it
        const qsizetype header = bytes.size() - in.left() - start;
        if (!in.ok() || size < quint64(header) || size - header > quint64(in.left()))
            return std::nullopt;
        boxes.push_back({ type, in.take(qsizetype(size) - header) });
    }
    return boxes;
}

// The version byte and three flag bytes that open a full box, and what follows.
struct FullBox {
    quint8 version = 0;
    quint32 flags = 0;
    Bytes rest { QByteArrayView() };
};

FullBox fullBox(QByteArrayView payload)
{
    FullBox box;
    box.rest = Bytes(payload);
    box.version = box.rest.u8();
    box.flags = quint32(box.rest.number(3));
    return box;
}

Result<PictureSize> sizeFromMeta(QByteArrayView meta)
{
    FullBox metaBox = fullBox(meta);
    const auto children = childBoxes(metaBox.rest.take(metaBox.rest.left()));
    if (!metaBox.rest.ok() || !children)
        return damaged(QStringLiteral("its meta box does not add up"));

    std::optional<quint32> primary;
    std::vector<Box> properties; // ipco's, in order: ipma counts them from 1
    std::vector<QByteArrayView> associations; // every ipma
    for (const Box& child : *children) {
        if (child.type == fourCc("pitm")) {
            FullBox pitm = fullBox(child.payload);
            const quint32 item = pitm.version == 0 ? pitm.rest.u16() : pitm.rest.u32();
            if (!pitm.rest.ok())
                return damaged(QStringLiteral("its primary item box is cut short"));
            primary = item;
        } else if (child.type == fourCc("iprp")) {
            const auto parts = childBoxes(child.payload);
            if (!parts)
                return damaged(QStringLiteral("its item properties do not add up"));
            for (const Box& part : *parts) {
                if (part.type == fourCc("ipco")) {
                    const auto found = childBoxes(part.payload);
                    if (!found)
                        return damaged(QStringLiteral("its property container does not add up"));
                    properties.insert(properties.end(), found->begin(), found->end());
                } else if (part.type == fourCc("ipma")) {
                    associations.push_back(part.payload);
                }
            }
        }
    }
    if (!primary)
        return damaged(QStringLiteral("no primary item"));

    std::optional<PictureSize> extent;
    bool quarterTurn = false;
    for (QByteArrayView payload : associations) {
        FullBox ipma = fullBox(payload);
        const quint32 entries = ipma.rest.u32();
        for (quint32 entry = 0; entry < entries && ipma.rest.ok(); ++entry) {
            const quint32 item = ipma.version < 1 ? ipma.rest.u16() : ipma.rest.u32();
            const quint8 count = ipma.rest.u8();
            for (quint8 k = 0; k < count && ipma.rest.ok(); ++k) {
                // The top bit marks an essential property; the rest is its index.
                const quint32 index = (ipma.flags & 1) ? (ipma.rest.u16() & 0x7fff) : (ipma.rest.u8() & 0x7f);
                if (item != *primary || index == 0 || index > properties.size())
                    continue;
                const Box& property = properties[index - 1];
                if (property.type == fourCc("ispe") && !extent) {
                    FullBox ispe = fullBox(property.payload);
                    const quint32 width = ispe.rest.u32();
                    const quint32 height = ispe.rest.u32();
                    if (!ispe.rest.ok())
                        return damaged(QStringLiteral("its size property is cut short"));
                    extent = PictureSize { double(width), double(height) };
                } else if (property.type == fourCc("irot") && !property.payload.isEmpty()) {
                    // Quarter turns anticlockwise in the low two bits.
                    const int angle = quint8(property.payload[0]) & 3;
                    quarterTurn = angle == 1 || angle == 3;
                }
            }
        }
        if (!ipma.rest.ok())
            return damaged(QStringLiteral("its property associations are cut short"));
    }
    if (!extent)
        return damaged(QStringLiteral("no size for the primary item"));
    if (extent->width < 1 || extent->height < 1)
        return damaged(QStringLiteral("a size of no pixels"));
    if (quarterTurn)
        std::swap(extent->width, extent->height);
    return *extent;
}

bool hasImageBrand(QByteArrayView ftyp)
{
    // The major brand, a minor version, then the compatible brands.
    Bytes in(ftyp);
    std::vector<quint32> brands { in.u32() };
    in.u32();
    while (in.left() >= 4)
        brands.push_back(in.u32());
    if (!in.ok())
        return false;
    return std::any_of(brands.begin(), brands.end(), [](quint32 brand) {
        return std::find(std::begin(kImageBrands), std::end(kImageBrands), brand) != std::end(kImageBrands);
    });
}

// The bytes at offset of device, fewer when it ends sooner.
QByteArray readAt(QIODevice& device, qint64 offset, qint64 count)
{
    if (!device.seek(offset))
        return {};
    return device.read(count);
}

} // namespace

std::optional<Result<PictureSize>> measureAvifHeader(QIODevice& device)
{
    const qint64 start = device.pos();
    const QByteArray first = device.peek(kMaxFtypBytes);
    if (first.size() < 16 || QByteArrayView(first).sliced(4, 4) != "ftyp")
        return std::nullopt;
    const quint32 ftypSize = qFromBigEndian<quint32>(first.constData());
    if (ftypSize < 16
        || !hasImageBrand(QByteArrayView(first).sliced(8, std::min<qsizetype>(ftypSize, first.size()) - 8)))
        return std::nullopt;

    // From here on the file says it is such a picture: what stands in the way
    // of its size makes it a damaged one.
    Result<PictureSize> result = damaged(QStringLiteral("no meta box near its start"));
    qint64 offset = ftypSize;
    for (int boxes = 0; boxes < kMaxBoxesBeforeMeta; ++boxes) {
        const QByteArray headerBytes = readAt(device, start + offset, 16);
        Bytes header(headerBytes);
        quint64 size = header.u32();
        const quint32 type = header.u32();
        if (!header.ok()) {
            result = damaged(QStringLiteral("cut short before its meta box"));
            break;
        }
        qint64 headerSize = 8;
        if (size == 1) {
            size = header.u64();
            headerSize = 16;
        } else if (size == 0) {
            // The last box, to the end of the file.
            size = quint64(std::max<qint64>(device.size() - start - offset, 0));
        }
        if (!header.ok() || size < quint64(headerSize)
            || size > quint64(std::numeric_limits<qint64>::max() - offset)) {
            result = damaged(QStringLiteral("a box of an impossible size"));
            break;
        }
        if (type == fourCc("meta")) {
            if (size > quint64(kMaxMetaBytes)) {
                result = damaged(QStringLiteral("a meta box larger than any picture's"));
                break;
            }
            const qint64 payloadSize = qint64(size) - headerSize;
            const QByteArray meta = readAt(device, start + offset + headerSize, payloadSize);
            result = meta.size() < payloadSize ? damaged(QStringLiteral("cut short in its meta box"))
                                               : sizeFromMeta(meta);
            break;
        }
        offset += qint64(size);
    }
    device.seek(start);
    return result;
}

} // namespace quillon
