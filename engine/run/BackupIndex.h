#pragma once

#include "platform/Result.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

namespace quillon {

// The index of a global backup folder: which page each backup file there
// holds, and when it was made. A text file in the folder, one backup a line:
// the backup's file name, the page's full path and the time (UTC), separated
// by tabs; a tab, line end or backslash in a name is written \t, \n, \r or \\.
class BackupIndex {
public:
    static constexpr const char* kFileName = "quillon-backups.tsv";

    // The index kept in folder. A missing or unreadable index is empty; a line
    // that cannot be read is left out.
    static BackupIndex load(const QString& folder);

    // The file name in the folder of page's backup, the newest one listed;
    // empty when the index lists none.
    QString backupOf(const QString& page) const;
    // True when some page's backup has this file name.
    bool lists(const QString& name) const;
    // The backup name of page was made at made: the one line of page and of
    // that name.
    void record(const QString& name, const QString& page, const QDateTime& made);
    // Replaces the index file whole, atomically.
    Status save() const;

private:
    struct Entry {
        QString name;
        QString page;
        QDateTime made;
    };

    QString m_folder;
    QList<Entry> m_entries; // oldest first
    QHash<QString, QString> m_nameByPage; // the newest
    QSet<QString> m_names;
};

} // namespace quillon
