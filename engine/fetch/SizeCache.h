#pragma once

#include "engine/fetch/ImageFetcher.h"
#include "engine/measure/PictureSize.h"
#include "platform/Result.h"

#include <QHash>
#include <QString>

#include <ctime>
#include <mutex>
#include <optional>

namespace quillon {

// Remote pictures' sizes kept from one run to the next, each with the version
// its server named, so that a later run asks "changed since?" and a picture
// that has not changed costs no body at all. Only a version the server named
// is ever kept: a size is trusted only after the server has said it still holds.
//
// One file holds them all, replaced whole (the old file or the new one, never
// a mix), so runs at the same time never leave it torn; the last run to save
// wins. A file that is missing, damaged or of another kind counts as empty and
// is written anew at the next save. At most capacity entries are kept, those
// used least recently go first. Safe to use from several threads at once.
class SizeCache {
public:
    struct Entry {
        PictureSize size;
        Validators validators;
    };

    static constexpr int kDefaultCapacity = 10000;

    // This user's file: ${XDG_CACHE_HOME:-~/.cache}/quillon/remote-sizes.json.
    static QString userFile();

    explicit SizeCache(QString file, int capacity = kDefaultCapacity);

    // The entry for address, now counted as the most recently used. The file
    // is read at the first call.
    std::optional<Entry> find(const QString& address);
    // Keeps entry for address as the most recently used; an entry that names
    // no version is not kept, and neither is an older one for address.
    void remember(const QString& address, const Entry& entry);
    void forget(const QString& address);

    // Writes the file when anything was used or changed since it was read,
    // making its folder when needed.
    Status save();

    const QString& file() const { return m_file; }

private:
    struct Kept {
        Entry entry;
        quint64 used = 0; // higher: used more recently
    };
    void loadLocked();

    QString m_file;
    int m_capacity;
    timespec m_made {}; // a staged copy older than this was left by a run that was killed
    std::mutex m_mutex;
    bool m_loaded = false;
    bool m_touched = false;
    quint64 m_clock = 0;
    QHash<QString, Kept> m_entries;
};

} // namespace quillon
