#include "platform/FileOps.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#include <vector>

using namespace quillon;
using quillon::test::TempDir;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat st { };
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(ReadWholeFile, ReadsEveryByteIncludingNulsAndLineEnds)
{
    TempDir dir;
    QByteArray bytes("a\r\nb\0c\rd\n", 10);
    bytes.append(QByteArray(200000, 'x'));
    const QString path = dir.write(QStringLiteral("p.html"), bytes);
    const auto read = readWholeFile(path);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.value(), bytes);
}

TEST(ReadWholeFile, FailuresCarryTheirCodes)
{
    TempDir dir;
    EXPECT_EQ(readWholeFile(dir.file(QStringLiteral("missing.htm"))).failure().code, 53);
    EXPECT_EQ(readWholeFile(dir.file(QStringLiteral("nofolder/missing.htm"))).failure().code, 76);
    EXPECT_TRUE(readWholeFile(dir.path()).failure().is(ErrorCode::NotARegularFile));
    // A sparse file claiming a terabyte is refused before memory is taken for it.
    const QString sparse = dir.write(QStringLiteral("sparse.html"), "<img src=a.gif>");
    ASSERT_EQ(::truncate(QFile::encodeName(sparse).constData(), qint64(1) << 40), 0);
    EXPECT_TRUE(readWholeFile(sparse).failure().is(ErrorCode::FileTooLarge));
}

TEST(ReadWholeFile, FifoFailsWithoutBlocking)
{
    TempDir dir;
    const QString fifo = dir.file(QStringLiteral("pipe.html"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(readWholeFile(fifo).failure().is(ErrorCode::NotARegularFile));
}

TEST(WriteFileAtomic, ReplacesContentAndKeepsPermissionBits)
{
    TempDir dir;
    const QString path = dir.write(QStringLiteral("p.html"), "old and longer text");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    ASSERT_TRUE(writeFileAtomic(path, "new").ok());
    EXPECT_EQ(test::slurp(path), QByteArray("new"));
    EXPECT_EQ(modeOf(path), mode_t(0640));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(WriteFileAtomic, CreatesANewFile)
{
    TempDir dir;
    const QString path = dir.file(QStringLiteral("new.bak"));
    ASSERT_TRUE(writeFileAtomic(path, QByteArray()).ok());
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

TEST(WriteFileAtomic, ReadOnlyFileIsNotReplacedEvenByRoot)
{
    TempDir dir;
    const QString path = dir.write(QStringLiteral("p.html"), "keep me");
    ::chmod(QFile::encodeName(path).constData(), 0444);
    const Status written = writeFileAtomic(path, "changed");
    ASSERT_FALSE(written.ok());
    EXPECT_TRUE(written.failure().is(ErrorCode::PermissionDenied));
    EXPECT_EQ(test::slurp(path), QByteArray("keep me"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(WriteFileAtomic, SymbolicLinkIsFollowedAndKept)
{
    TempDir dir;
    const QString target = dir.write(QStringLiteral("real/p.html"), "old");
    const QString link = dir.file(QStringLiteral("link.html"));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(writeFileAtomic(link, "new").ok());
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(test::slurp(target), QByteArray("new"));
}

// The mask is the whole process's: files made on many threads at once must all
// respect it, and it must be the same afterwards.
TEST(WriteFileAtomic, NewFilesFromManyThreadsRespectTheUmask)
{
    const mode_t mask = ::umask(022);
    ::umask(mask); // back before any other thread runs
    if (mask == 0)
        GTEST_SKIP() << "the test runs with umask 0, which cannot tell a wrong mode";
    TempDir dir;
    constexpr int threads = 16;
    constexpr int filesEach = 60;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < filesEach; ++i) {
                const auto staged = stageFileAtomic(
                    dir.file(QStringLiteral("%1-%2.bak").arg(t).arg(i)), "x", nullptr, false, Links::Replace);
                if (staged.ok())
                    (void)commitStaged(*staged);
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    const QStringList made = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(made.size(), threads * filesEach);
    for (const QString& name : made)
        ASSERT_EQ(modeOf(dir.file(name)), 0666 & ~mask) << name.toStdString();
    const mode_t after = ::umask(mask);
    EXPECT_EQ(after, mask);
}

TEST(WriteFileAtomic, MissingFolderIs76)
{
    TempDir dir;
    EXPECT_EQ(writeFileAtomic(dir.file(QStringLiteral("none/p.html")), "x").failure().code, 76);
}

TEST(DeleteFile, RemovesAndReportsMissing)
{
    TempDir dir;
    const QString path = dir.write(QStringLiteral("temp.001"), "x");
    EXPECT_TRUE(deleteFile(path).ok());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(deleteFile(path).failure().code, 53);
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgram)
{
    const QString folder = programFolder();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(folder.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/platform_tests")).isFile());
}

TEST(ProgramFolder, DataFilesAreFoundBesideTheProgramOnly)
{
    EXPECT_TRUE(findDataFile(QStringLiteral("no-such-file.xyz")).isEmpty());
}

TEST(StagedWrite, PutInPlaceOnlyOverTheVersionRead)
{
    TempDir dir;
    const QString path = dir.write(QStringLiteral("p.html"), "old");
    FileStamp read;
    ASSERT_TRUE(readWholeFile(path, &read).ok());

    const auto staged = stageFileAtomic(path, "new", &read, false);
    ASSERT_TRUE(staged.ok());
    EXPECT_EQ(test::slurp(path), QByteArray("old")); // nothing in place before the commit
    ASSERT_TRUE(syncFileSystems({ path }).ok());
    ASSERT_TRUE(commitStaged(*staged).ok());
    EXPECT_EQ(test::slurp(path), QByteArray("new"));

    // Someone saves the page after it was staged: their bytes stay.
    FileStamp again;
    ASSERT_TRUE(readWholeFile(path, &again).ok());
    const auto late = stageFileAtomic(path, "ours", &again, false);
    ASSERT_TRUE(late.ok());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("theirs, longer");
    file.close();
    EXPECT_TRUE(commitStaged(*late).failure().is(ErrorCode::FileChanged));
    EXPECT_EQ(test::slurp(path), QByteArray("theirs, longer"));

    const auto dropped = stageFileAtomic(path, "never", nullptr, false);
    ASSERT_TRUE(dropped.ok());
    discardStaged(*dropped);
    EXPECT_EQ(
        QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("p.html") });
}
