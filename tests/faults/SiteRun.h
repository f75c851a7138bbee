#pragma once

// What the fault tests share: generated sites, copies and snapshots of them,
// quillon-tag's text report read back, and the environment that preloads the
// full-disk library.

#include "engine/StatusTexts.h"
#include "tests/cli/ToolRun.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcessEnvironment>
#include <QStorageInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quillon::test {

inline QMap<QString, QByteArray> documentsBelow(const QString& folder)
{
    return filesBelow(folder, QStringLiteral(".html"));
}

inline void copyFolder(const QString& from, const QString& to)
{
    const QMap<QString, QByteArray> files = filesBelow(from);
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        const QString target = to + u'/' + it.key();
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(it.value()) == it.value().size())
            << target.toStdString();
    }
}

// Unfinished writes: the hidden ".NAME.quillon-XXXXXX" files beside their targets.
inline QStringList leftoverTemps(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (it.fileName().contains(QStringLiteral(".quillon-")))
            names.append(QDir(folder).relativeFilePath(file));
    }
    return names;
}

using ScratchDir = TempDir;

// quillon-tag's text report: the statuses of each file's rows, and whether a
// document-wide failure (no backup, or no new bytes) was reported for it.
struct SiteReport {
    QMap<QString, QStringList> statuses; // by path relative to the site
    QString totals;
    bool documentFailed(const QString& relative) const
    {
        const QStringList rows = statuses.value(relative);
        return rows.contains(status::BackupFailed) || rows.contains(status::WriteFailed);
    }
};

inline SiteReport readReport(const Outcome& run, const QString& site)
{
    SiteReport report;
    QStringList lines = run.text().split(u'\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        report.totals = lines.takeLast();
    for (const QString& line : lines) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 3)
            report.statuses[QDir(site).relativeFilePath(fields[0])].append(fields[2]);
    }
    return report;
}

// The sanitizer's runtime when this program was built with one: a library
// preloaded into a program built the same way must come after it.
inline QString sanitizerRuntime()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype at = line.indexOf('/');
        if (at >= 0 && line.contains("/libasan.so"))
            return QString::fromLocal8Bit(line.mid(at));
    }
    return {};
}

// An environment in which files under folder share a budget of bytes; with
// late, the bytes past it are refused only when the file is flushed or closed.
inline QProcessEnvironment fullDiskEnvironment(const QString& folder, qint64 bytes, bool late = false)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString runtime = sanitizerRuntime();
    const QString library = QStringLiteral(QUILLON_FULL_DISK_LIBRARY);
    environment.insert(QStringLiteral("LD_PRELOAD"), runtime.isEmpty() ? library : runtime + u':' + library);
    environment.insert(QStringLiteral("QUILLON_FULL_DISK_FOLDER"), QFileInfo(folder).canonicalFilePath());
    environment.insert(QStringLiteral("QUILLON_FULL_DISK_BYTES"), QString::number(bytes));
    environment.insert(
        QStringLiteral("QUILLON_FULL_DISK_LATE"), late ? QStringLiteral("1") : QStringLiteral("0"));
    return environment;
}

} // namespace quillon::test
