#include "platform/AtomicWrite.h"
#include "platform/FileOps.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::test::TempDir;

TEST(DeleteFile, RemovesTheFileAndReportsOneThatIsMissing)
{
    TempDir dir;
    const QString path = dir.write(QStringLiteral("temp.001"), "x");
    EXPECT_TRUE(deleteFile(path).ok());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(deleteFile(path).failure().code, 53);
}

// What a killed run left staged beside a page goes; a name that is not exactly
// ours for that page, or a file newer than the run (another run's), stays.
TEST(StaleStagedFiles, OnlyOursForThePageAndOlderThanTheRunAreRemoved)
{
    TempDir dir;
    for (const char* name : { ".p.html.quillon-Ab3xYz", ".p.html.bak.quillon-Qw9Er1", ".p.html.quillon-Ab3xY",
             ".p.html.quillon-Ab3x-z", ".q.html.quillon-Ab3xYz", "p.html.quillon-Ab3xYz" })
        dir.write(QString::fromLatin1(name), "x");
    QThread::msleep(50); // past a tick of the file systems' clock
    const timespec runStart = fileClockNow();
    dir.write(QStringLiteral(".p.html.quillon-N3wer1"), "x");
    removeStaleStaged(dir.file(QStringLiteral("p.html")), stagedNamesIn(dir.path()), runStart);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
        QStringList({ ".p.html.quillon-Ab3x-z", ".p.html.quillon-Ab3xY", ".p.html.quillon-N3wer1",
            ".q.html.quillon-Ab3xYz", "p.html.quillon-Ab3xYz" }));
}
