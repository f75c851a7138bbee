// quillon-tag killed outright in the middle of a long run: every document holds
// its old bytes or all of its new ones, every backup is the document as it was,
// and the next run finishes the job as if nothing had happened.

#include "tests/faults/SiteRun.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <iostream>

using namespace quillon;
using namespace quillon::test;

namespace {

constexpr int kPages = 2000;

QStringList runArguments(const QString& site)
{
    return { QStringLiteral("-r"), QStringLiteral("-q"), site };
}

// "Found 12000" of a report's totals line.
QString foundOf(const Outcome& run)
{
    return QRegularExpression(QStringLiteral("Found \\d+")).match(run.text()).captured();
}

} // namespace

TEST(KilledRun, EveryDocumentIsOldOrNewAndTheNextRunFinishesTheJob)
{
    ScratchDir dir;
    const QString originalSite = dir.file(QStringLiteral("original"));
    ASSERT_TRUE(generateSite(originalSite, kPages));
    const QMap<QString, QByteArray> original = documentsBelow(originalSite);

    const QString referenceSite = dir.file(QStringLiteral("reference"));
    ASSERT_NO_FATAL_FAILURE(copyFolder(originalSite, referenceSite));
    QElapsedTimer clock;
    clock.start();
    const Outcome referenceRun = quillonTag(runArguments(referenceSite));
    const qint64 duration = clock.elapsed();
    ASSERT_EQ(referenceRun.exitCode, 0) << referenceRun.err.toStdString();
    const QMap<QString, QByteArray> reference = documentsBelow(referenceSite);
    ASSERT_EQ(reference.size(), original.size());

    int killNumber = 0;
    for (const double fraction : { 0.25, 0.5, 0.75 }) {
        const qint64 delay = qint64(double(duration) * fraction);
        SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
        const QString site = dir.file(QStringLiteral("killed%1").arg(++killNumber));
        ASSERT_NO_FATAL_FAILURE(copyFolder(originalSite, site));

        QProcess process;
        process.start(quillonTagPath(), runArguments(site));
        ASSERT_TRUE(process.waitForStarted());
        QThread::msleep(static_cast<unsigned long>(delay));
        process.kill();
        ASSERT_TRUE(process.waitForFinished(60000));

        int oldCount = 0;
        int newCount = 0;
        int sameCount = 0; // documents with nothing to add are both
        for (auto it = original.constBegin(); it != original.constEnd(); ++it) {
            const QString& name = it.key();
            const QByteArray now = slurp(site + u'/' + name);
            const bool isOld = now == it.value();
            const bool isNew = now == reference[name];
            ASSERT_TRUE(isOld || isNew) << name.toStdString() << " is neither its old nor its new text";
            if (isOld && isNew)
                ++sameCount;
            else if (isOld)
                ++oldCount;
            else
                ++newCount;
            const QString backup = site + u'/' + name + QStringLiteral(".bak");
            if (QFileInfo::exists(backup)) {
                EXPECT_EQ(slurp(backup), it.value())
                    << name.toStdString() << ": a backup that is not the old text";
            } else {
                EXPECT_TRUE(isOld) << name.toStdString() << " was rewritten without a backup";
            }
        }
        const QStringList unfinished = leftoverTemps(site);
        std::cout << "killed after " << delay << " of " << duration << " ms: " << oldCount << " old, "
                  << newCount << " new, " << sameCount << " with nothing to add, " << unfinished.size()
                  << " unfinished writes left\n";
        ::testing::Test::RecordProperty("kill" + std::to_string(killNumber),
            std::to_string(delay) + " ms: " + std::to_string(oldCount) + " old " + std::to_string(newCount)
                + " new " + std::to_string(unfinished.size()) + " unfinished");

        // The next run takes the unfinished writes for neither documents nor obstacles.
        const Outcome again = quillonTag(runArguments(site));
        EXPECT_EQ(again.exitCode, 0) << again.text().toStdString() << again.err.toStdString();
        EXPECT_EQ(foundOf(again), foundOf(referenceRun));
        EXPECT_TRUE(documentsBelow(site) == reference)
            << "the next run did not end where an unbroken one does";
        // Pages the killed run finished are left as they are, so their backups
        // still hold the bytes from before it; what the killed run left half-done
        // stays (no run removes files it did not make itself).
        for (auto it = original.constBegin(); it != original.constEnd(); ++it) {
            const QString backup = site + u'/' + it.key() + QStringLiteral(".bak");
            if (reference.value(it.key()) != it.value()) {
                EXPECT_EQ(slurp(backup), it.value())
                    << it.key().toStdString() << ": the backup lost the original";
            }
        }
        std::cout << "  after the next run: " << leftoverTemps(site).size()
                  << " unfinished writes still there\n";
        QDir(site).removeRecursively();
    }
}
