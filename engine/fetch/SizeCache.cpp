#include "engine/fetch/SizeCache.h"

#include "platform/AtomicWrite.h"
#include "platform/FileReading.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <vector>

namespace quillon {

namespace {

// The file's first line names its kind and holds the checksum of everything
// after it; then a JSON array of [address, width, height, ETag, Last-Modified],
// the most recently used first. Text, so that a curious user can read it.
constexpr char kMagic[] = "quillon remote sizes 1 ";
constexpr qsizetype kMagicLength = sizeof(kMagic) - 1;

QByteArray checksum(const QByteArray& body)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex();
}

bool plausibleSide(double side)
{
    return std::isfinite(side) && side > 0 && side <= PictureSize::kMaxSide;
}

// The entry a stored row holds, or none for a row that is not one we write.
std::optional<SizeCache::Entry> entryFrom(const QJsonArray& row)
{
    if (row.size() != 5 || !row[0].isString() || !row[1].isDouble() || !row[2].isDouble()
        || !row[3].isString() || !row[4].isString())
        return std::nullopt;
    SizeCache::Entry entry;
    entry.size = PictureSize { row[1].toDouble(), row[2].toDouble() };
    entry.validators = Validators { row[3].toString().toLatin1(), row[4].toString().toLatin1() };
    if (row[0].toString().isEmpty() || !plausibleSide(entry.size.width) || !plausibleSide(entry.size.height)
        || !entry.validators.any())
        return std::nullopt;
    return entry;
}

} // namespace

QString SizeCache::userFile()
{
    // A relative XDG_CACHE_HOME is to be ignored, as an unset one.
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.cache");
    return QDir::cleanPath(base + QStringLiteral("/quillon/remote-sizes.json"));
}

SizeCache::SizeCache(QString file, int capacity)
    : m_file(std::move(file))
    , m_capacity(std::max(capacity, 1))
    , m_made(fileClockNow())
{
}

void SizeCache::loadLocked()
{
    if (m_loaded)
        return;
    m_loaded = true;
    const Result<QByteArray> bytes = readWholeFile(m_file);
    if (!bytes)
        return; // none yet, or unreadable: starts empty
    const qsizetype lineEnd = bytes->indexOf('\n');
    if (!bytes->startsWith(kMagic) || lineEnd < 0) {
        m_touched = true; // not ours, or torn: written anew
        return;
    }
    const QByteArray sum = bytes->mid(kMagicLength, lineEnd - kMagicLength);
    const QByteArray body = bytes->mid(lineEnd + 1);
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (sum != checksum(body) || error.error != QJsonParseError::NoError || !document.isArray()) {
        m_touched = true;
        return;
    }
    // The file lists the most recent first: the first gets the highest stamp.
    const QJsonArray rows = document.array();
    const qsizetype count = std::min<qsizetype>(rows.size(), m_capacity);
    for (qsizetype i = 0; i < count; ++i) {
        const std::optional<Entry> entry = entryFrom(rows[i].toArray());
        if (!entry) {
            // Checksummed yet not ours: nothing in it is trusted.
            m_entries.clear();
            m_touched = true;
            return;
        }
        m_entries.insert(rows[i][0].toString(), Kept { *entry, static_cast<quint64>(count - i) });
    }
    m_clock = static_cast<quint64>(count);
}

std::optional<SizeCache::Entry> SizeCache::find(const QString& address)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    loadLocked();
    const auto found = m_entries.find(address);
    if (found == m_entries.end())
        return std::nullopt;
    found->used = ++m_clock;
    m_touched = true;
    return found->entry;
}

void SizeCache::remember(const QString& address, const Entry& entry)
{
    if (!entry.validators.any() || !plausibleSide(entry.size.width) || !plausibleSide(entry.size.height)) {
        forget(address);
        return;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    loadLocked();
    m_entries.insert(address, Kept { entry, ++m_clock });
    m_touched = true;
}

void SizeCache::forget(const QString& address)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    loadLocked();
    if (m_entries.remove(address) > 0)
        m_touched = true;
}

Status SizeCache::save()
{
    QByteArray bytes;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_touched)
            return {};
        std::vector<std::pair<quint64, QString>> order;
        order.reserve(static_cast<size_t>(m_entries.size()));
        for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
            order.emplace_back(it->used, it.key());
        std::sort(order.begin(), order.end(), std::greater<>());
        if (order.size() > static_cast<size_t>(m_capacity)) {
            for (size_t i = static_cast<size_t>(m_capacity); i < order.size(); ++i)
                m_entries.remove(order[i].second);
            order.resize(static_cast<size_t>(m_capacity));
        }
        // One row a line, so that the file reads as a list.
        QByteArray body = "[";
        for (const auto& [used, address] : order) {
            const Entry& entry = m_entries.constFind(address)->entry;
            const QJsonArray row { address, entry.size.width, entry.size.height,
                QString::fromLatin1(entry.validators.etag),
                QString::fromLatin1(entry.validators.lastModified) };
            body += (body.size() > 1 ? ",\n" : "\n") + QJsonDocument(row).toJson(QJsonDocument::Compact);
        }
        body += "\n]\n";
        bytes = kMagic + checksum(body) + '\n' + body;
        m_touched = false;
    }
    const QString folder = QFileInfo(m_file).absolutePath();
    if (!QDir().mkpath(folder))
        return Failure(ErrorCode::PathNotFound, folder);
    const Status written = writeFileAtomic(m_file, bytes);
    removeStaleStaged(m_file, stagedNamesIn(folder), m_made);
    return written;
}

} // namespace quillon
