#include "tests/support/TestSupport.h"

#include "platform/ProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>

#include <cstdio>

namespace quillon::test {

namespace {

QString tempTemplate()
{
    const QString memory = QStringLiteral("/dev/shm");
    const QStorageInfo storage(memory);
    const bool roomy = storage.isValid() && storage.fileSystemType() == "tmpfs"
        && storage.bytesAvailable() > (qint64(256) << 20) && QFileInfo(memory).isWritable();
    return (roomy ? memory : QDir::tempPath()) + QStringLiteral("/quillon-test-XXXXXX");
}

} // namespace

TempDir::TempDir()
    : m_dir(tempTemplate())
{
}

QString TempDir::file(const QString& relative) const
{
    return m_dir.path() + u'/' + relative;
}

QString TempDir::write(const QString& relative, const QByteArray& bytes) const
{
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write the test file %s", qPrintable(path));
    return path;
}

QByteArray TempDir::read(const QString& relative) const
{
    return slurp(file(relative));
}

QByteArray slurp(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return f.readAll();
}

QMap<QString, QByteArray> filesBelow(const QString& folder, const QString& suffix)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        if (file.endsWith(suffix))
            files.insert(QDir(folder).relativeFilePath(file), slurp(file));
    }
    return files;
}

bool generateSite(const QString& folder, int pages, int tagsPerPage, int pictures)
{
    const ProgramRun made = runProgram(QStringLiteral("python3"),
        { QStringLiteral(QUILLON_GEN_SITE), folder, QStringLiteral("--pages"), QString::number(pages),
            QStringLiteral("--tags-per-page"), QString::number(tagsPerPage), QStringLiteral("--pictures"),
            QString::number(pictures), QStringLiteral("--page-kb"), QStringLiteral("2") });
    if (made.exitCode != 0)
        std::fprintf(stderr, "gen_site.py failed: %s\n", qPrintable(made.err));
    return made.exitCode == 0;
}

ProgramRun runProgram(const QString& program, const QStringList& arguments, const QString& workingFolder,
    const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        process.kill();
    process.waitForFinished();
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError()) };
}

QString quillonTagPath()
{
    return programFolder() + QStringLiteral("/quillon-tag");
}

ProgramRun quillonTag(
    const QStringList& arguments, const QString& workingFolder, const QProcessEnvironment& environment)
{
    return runProgram(quillonTagPath(), arguments, workingFolder, environment);
}

Status RefusingFetcher::fetch(const QString& address, const QString&, const std::atomic<bool>&)
{
    ++calls;
    last = address;
    return Failure(ErrorCode::ConnectFailed);
}

} // namespace quillon::test
