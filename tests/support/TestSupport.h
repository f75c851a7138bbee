#pragma once

// What the test programs share: temporary folders, folder snapshots, generated
// sites, programs run as the user would run them, and a fetcher for offline runs.

#include "engine/fetch/ImageFetcher.h"

#include <QByteArray>
#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// Readable values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '"' << bytes.toStdString() << '"';
}

namespace quillon::test {

// A temporary folder, removed with everything in it when the test ends. It lies on
// a memory file system when there is one with room: whole-site runs sync after
// each batch, and on a busy disk every sync waits for everyone else's writes.
class TempDir {
public:
    TempDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const; // path()/relative
    // Writes bytes to relative, creating the folders on the way; returns the full path.
    QString write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// A whole file's bytes; an unreadable file gives "<unreadable>".
QByteArray slurp(const QString& path);

// Every file below folder whose name ends in suffix (all for an empty one), by
// its path relative to folder, with its bytes.
QMap<QString, QByteArray> filesBelow(const QString& folder, const QString& suffix = {});

// A deterministic site made by the benchmark's generator: pages at the top and in
// sub/, pictures in img/, most tags without a size, and manifest.json with the
// pictures' true sizes. False, with the generator's complaint on stderr, on failure.
bool generateSite(const QString& folder, int pages, int tagsPerPage = 6, int pictures = 24);

// How a program run ended and what it printed.
struct ProgramRun {
    int exitCode = -1; // -1 when it crashed or did not end within two minutes
    QByteArray out;
    QString err;
    QString text() const { return QString::fromUtf8(out); }
};

ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& workingFolder = {},
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// The real quillon-tag, built beside the test program.
QString quillonTagPath();
ProgramRun quillonTag(const QStringList& arguments, const QString& workingFolder = {},
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

// For runs that must not reach the network: every address is refused, and counted.
class RefusingFetcher : public ImageFetcher {
public:
    Status fetch(const QString& address, const QString& targetPath, const std::atomic<bool>& stop) override;
    int calls = 0;
    QString last;
};

} // namespace quillon::test
