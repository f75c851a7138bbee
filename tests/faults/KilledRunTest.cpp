// quillon-tag killed outright in the middle of a long run: every page holds its
// old bytes or all of its new ones, every backup is the page as it was, and the
// next run finishes the job as if nothing had happened.

#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

using namespace quillon::test;

TEST(KilledRun, EveryPageIsOldOrNewAndTheNextRunFinishesTheJob)
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

    int number = 0;
    for (const double fraction : { 0.25, 0.5, 0.75 }) {
        const auto delay = static_cast<unsigned long>(double(duration) * fraction);
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        const QString site = dir.file(QStringLiteral("killed%1").arg(++number));
        ASSERT_TRUE(copySite(site));
        QProcess process;
        process.start(quillonTagPath(), { QStringLiteral("-r"), QStringLiteral("-q"), site });
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(delay);
        process.kill();
        ASSERT_TRUE(process.waitForFinished(60000));

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
        for (auto it = original.cbegin(); it != original.cend(); ++it)
            EXPECT_EQ(slurp(site + u'/' + it.key() + QStringLiteral(".bak")), it.value())
                << qPrintable(it.key());
    }
}
