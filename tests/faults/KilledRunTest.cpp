// quillon-tag killed outright, or stopped by SIGINT or SIGTERM, in the middle
// of a long run: every page holds its old bytes or all of its new ones, every
// backup is the page as it was, and the next run finishes the job as if nothing
// had happened. Stopped by a signal it prints its report and leaves no staged
// file; after a kill the next run clears away what the killed one left staged.

#include "tests/support/TestSupport.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace quillon::test;

TEST(KilledRun, EveryPageIsOldOrNewNothingStagedStaysAndTheNextRunFinishesTheJob)
{
    TempDir dir;
    const QString originalSite = dir.file(QStringLiteral("original"));
    ASSERT_TRUE(generateSite(originalSite, 2000));
    const QMap<QString, QByteArray> original = filesBelow(originalSite, QStringLiteral(".html"));
    auto copySite = [&](const QString& to) {
        return runProgram(QStringLiteral("cp"), { QStringLiteral("-r"), originalSite, to }).exitCode == 0;
    };
    const QString referenceSite = dir.file(QStringLiteral("reference"));
    ASSERT_TRUE(copySite(referenceSite));
    QElapsedTimer clock;
    clock.start();
    const ProgramRun unbroken = quillonTag({ QStringLiteral("-r"), QStringLiteral("-q"), referenceSite });
    const qint64 duration = clock.elapsed();
    ASSERT_EQ(unbroken.exitCode, 0) << qPrintable(unbroken.err);
    const QMap<QString, QByteArray> reference = filesBelow(referenceSite, QStringLiteral(".html"));

    auto staged
        = [](const QString& site) { return filesBelow(site).keys().filter(QStringLiteral(".quillon-")); };
    // A kill after a part of the run's time; a stop by signal as soon as the first
    // pages are in place, so that it surely meets the run under way.
    const struct {
        int signal;
        double fraction;
    } cases[] = { { SIGKILL, 0.25 }, { SIGINT, 0 }, { SIGTERM, 0 }, { SIGKILL, 0.75 } };
    int number = 0;
    for (const auto& c : cases) {
        const auto delay = static_cast<unsigned long>(double(duration) * c.fraction);
        SCOPED_TRACE("signal " + std::to_string(c.signal) + " after " + std::to_string(delay) + " ms");
        const QString site = dir.file(QStringLiteral("killed%1").arg(++number));
        ASSERT_TRUE(copySite(site));
        QProcess process;
        process.start(quillonTagPath(), { QStringLiteral("-r"), QStringLiteral("-q"), site });
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(delay);
        const auto backups = [&] {
            return QDirIterator(site, { QStringLiteral("*.bak") }, QDir::Files, QDirIterator::Subdirectories)
                .hasNext();
        };
        while (c.signal != SIGKILL && !backups() && process.state() == QProcess::Running)
            QThread::msleep(1);
        ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), c.signal), 0);
        ASSERT_TRUE(process.waitForFinished(60000));
        if (c.signal != SIGKILL) {
            EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(process.exitCode(), 128 + c.signal);
            EXPECT_TRUE(
                QString::fromUtf8(process.readAllStandardOutput()).startsWith(QStringLiteral("Found ")));
            EXPECT_EQ(staged(site), QStringList());
        } else { // and what a kill long before left for a page in a folder of its own
            const QFileInfo page(site + u'/' + original.lastKey());
            ASSERT_TRUE(
                QFile(page.path() + "/." + page.fileName() + ".quillon-Ab3xYz").open(QIODevice::WriteOnly));
        }

        for (auto it = original.cbegin(); it != original.cend(); ++it) {
            const QByteArray now = slurp(site + u'/' + it.key());
            ASSERT_TRUE(now == it.value() || now == reference[it.key()]) << qPrintable(it.key());
            const QString backup = site + u'/' + it.key() + QStringLiteral(".bak");
            EXPECT_EQ(QFileInfo::exists(backup) ? slurp(backup) : now, it.value())
                << qPrintable(it.key()) << ": a backup that is not the old page, or a new page without one";
        }
        // The next run takes what the killed one left unfinished for neither pages
        // nor obstacles, and the backups keep the pages from before both runs.
        const ProgramRun again = quillonTag({ QStringLiteral("-r"), QStringLiteral("-q"), site });
        EXPECT_EQ(again.exitCode, 0) << qPrintable(again.text());
        EXPECT_EQ(again.text().section(u',', 0, 0), unbroken.text().section(u',', 0, 0)); // "Found N"
        EXPECT_TRUE(filesBelow(site, QStringLiteral(".html")) == reference);
        EXPECT_EQ(staged(site), QStringList());
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            EXPECT_EQ(slurp(site + u'/' + it.key() + QStringLiteral(".bak")), it.value())
                << qPrintable(it.key());
    }
}
