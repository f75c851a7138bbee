// A disk that fills up while quillon-tag, or the engine driven the desktop
// program's way, writes backups and documents: whatever byte it fills at, each
// document keeps its old bytes or gets all its new ones, a backup that exists
// is whole, nothing half-written is left behind, and a document that did not
// get its new bytes is reported as an error.

#include "tests/faults/SiteRun.h"
#include "platform/ProgramFolder.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/Pictures.h"

#include <QSet>

#include <climits>

using namespace quillon;
using namespace quillon::test;

namespace {

enum class Backups {
    Beside, // FILE.bak, on the disk that fills up
    SameDisk, // a backup folder inside the site
    OtherDisk, // a backup folder on a disk of its own, the one that fills up
};

struct Budget {
    const char* name;
    qint64 bytes;
    bool late = false; // refused at flush and close rather than at write
    Backups backups = Backups::Beside;
    int jobs = 1;
    bool window = false; // written the desktop program's way, each document flushed at once
};

class FullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(generateSite(originalSite, 10));
        original = filesBelow(originalSite);
        ASSERT_NO_FATAL_FAILURE(copyFolder(originalSite, referenceSite));
        const Outcome run
            = quillonTag({ QStringLiteral("-r"), QStringLiteral("-j"), QStringLiteral("1"), referenceSite });
        referenceExit = run.exitCode;
        ASSERT_TRUE(referenceExit == 0 || referenceExit == 1) << run.err.toStdString();
        reference = documentsBelow(referenceSite);
        ASSERT_EQ(reference.size(), 10);

        // With one job, a document's backup is written and then its new bytes,
        // one document after the other in the order of their names.
        for (auto it = reference.constBegin(); it != reference.constEnd(); ++it) {
            written += original[it.key()].size();
            backedUp += original[it.key()].size();
            if (it.value() != original[it.key()])
                written += it.value().size();
            untilDocument.append(written);
            untilBackup.append(backedUp);
        }
        ASSERT_NE(reference.first(), original[reference.firstKey()]) << "the first document gets new bytes";
    }

    ScratchDir dir;
    const QString originalSite = dir.file(QStringLiteral("original"));
    const QString referenceSite = dir.file(QStringLiteral("reference"));
    QMap<QString, QByteArray> original; // every file of the site
    QMap<QString, QByteArray> reference; // its documents as a run without faults leaves them
    int referenceExit = -1;
    qint64 written = 0; // bytes a run writes
    qint64 backedUp = 0; // of which backups
    QList<qint64> untilDocument; // bytes written up to the end of each document
    QList<qint64> untilBackup; // backup bytes written up to the end of each document
};

} // namespace

TEST_F(FullDisk, EveryFileIsOldOrWholeAndEveryShortfallIsReported)
{
    const QString first = reference.firstKey();
    const Budget budgets[] = {
        { "no room at all", 0 },
        { "room for half the first backup", original[first].size() / 2 },
        { "room for half the first document", original[first].size() + reference[first].size() / 2 },
        { "room for exactly three documents", untilDocument[2] },
        { "one byte short", written - 1 },
        { "room for everything", written },
        { "refused when closed", written / 2, true },
        { "backups in a folder on the same disk", written / 2, false, Backups::SameDisk },
        { "backups on a disk of their own, room for three", untilBackup[2], false, Backups::OtherDisk },
        { "two jobs", written / 2, false, Backups::Beside, 2 },
        { .name = "the window's way, room for half the first document",
            .bytes = original[first].size() + reference[first].size() / 2,
            .window = true },
        { .name = "the window's way, room for exactly three documents",
            .bytes = untilDocument[2],
            .window = true },
        { .name = "the window's way, refused when flushed",
            .bytes = written / 2,
            .late = true,
            .window = true },
    };
    int caseNumber = 0;
    for (const Budget& budget : budgets) {
        SCOPED_TRACE(budget.name);
        const QString site = dir.file(QStringLiteral("case%1").arg(++caseNumber));
        ASSERT_NO_FATAL_FAILURE(copyFolder(originalSite, site));
        const bool otherDisk = budget.backups == Backups::OtherDisk;
        const QString backups
            = otherDisk ? site + QStringLiteral("-backups") : site + QStringLiteral("/backups");
        QStringList arguments { QStringLiteral("-r"), QStringLiteral("-j"), QString::number(budget.jobs),
            site };
        if (budget.backups != Backups::Beside) {
            QDir().mkpath(backups);
            arguments << QStringLiteral("--backup-dir") << backups;
        }
        const qint64 needed = otherDisk ? backedUp : written;
        const QProcessEnvironment environment
            = fullDiskEnvironment(otherDisk ? backups : site, budget.bytes, budget.late);
        const Outcome run = budget.window
            ? runProgram(programFolder() + QStringLiteral("/engine-run"), { site }, {}, environment)
            : quillonTag(arguments, {}, environment);
        ASSERT_TRUE(run.exitCode == 0 || run.exitCode == 1) << run.err.toStdString();
        const SiteReport report = readReport(run, site);

        const QMap<QString, QByteArray> after = filesBelow(site);
        QSet<QByteArray> backupsFound;
        if (otherDisk) {
            for (const QByteArray& backup : filesBelow(backups))
                backupsFound.insert(backup);
            EXPECT_EQ(leftoverTemps(backups), QStringList());
        }
        int tagged = 0;
        int failed = 0;
        for (auto it = after.constBegin(); it != after.constEnd(); ++it) {
            const QString& name = it.key();
            if (reference.contains(name)) {
                const bool isOld = it.value() == original[name];
                const bool isNew = it.value() == reference[name];
                ASSERT_TRUE(isOld || isNew) << name.toStdString() << " is neither its old nor its new text";
                if (report.documentFailed(name)) {
                    EXPECT_TRUE(isOld)
                        << name.toStdString() << " has its new text, yet an error says it was not changed";
                    ++failed;
                } else {
                    EXPECT_TRUE(isNew) << name.toStdString() << " lacks its new text but no error says so";
                }
                tagged += isNew && !isOld;
            } else if (name.endsWith(QStringLiteral(".bak"))) {
                backupsFound.insert(it.value());
                if (budget.backups == Backups::Beside) {
                    EXPECT_EQ(it.value(), original.value(name.chopped(4))) << name.toStdString();
                }
            } else {
                EXPECT_EQ(it.value(), original.value(name, "(a file the run made)")) << name.toStdString();
            }
        }
        const QList<QByteArray> originalBytes = original.values();
        for (const QByteArray& backup : backupsFound)
            EXPECT_TRUE(originalBytes.contains(backup)) << "a backup that is not a whole document";
        for (auto it = reference.constBegin(); it != reference.constEnd(); ++it) {
            if (after.value(it.key()) == it.value() && it.value() != original[it.key()]) {
                EXPECT_TRUE(backupsFound.contains(original[it.key()]))
                    << it.key().toStdString() << " has no backup";
            }
        }
        EXPECT_EQ(leftoverTemps(site), QStringList());

        if (budget.bytes < needed) {
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_GT(failed, 0);
        } else {
            EXPECT_EQ(run.exitCode, referenceExit);
            EXPECT_EQ(failed, 0);
        }
        if (budget.jobs == 1) {
            // The documents that fitted, and only those, got their new bytes.
            int fitted = 0;
            int index = 0;
            for (auto it = reference.constBegin(); it != reference.constEnd(); ++it, ++index)
                fitted += (otherDisk ? untilBackup : untilDocument)[index] <= budget.bytes
                    && it.value() != original[it.key()];
            EXPECT_EQ(tagged, fitted);
        }
    }
}

// A remote picture is fetched into the temporary folder; when that disk is
// full the row says so with the disk-full code, and the document is kept.
TEST(FullDiskDownloads, PictureThatDoesNotFitIsReportedAsDiskFull)
{
    HttpTestServer server;
    server.serve(QStringLiteral("/a.png"), makePicture(QStringLiteral("png"), 30, 20));
    TempDir dir;
    const QByteArray page = "<img src=\"" + server.url(QStringLiteral("/a.png")).toUtf8() + "\">";
    const QString temp = dir.file(QStringLiteral("temp"));
    QDir().mkpath(temp);
    for (const bool late : { false, true }) {
        SCOPED_TRACE(late ? "refused when closed" : "refused when written");
        const QString document = dir.write(QStringLiteral("site/p.html"), page);
        QProcessEnvironment environment = fullDiskEnvironment(temp, 0, late);
        environment.insert(QStringLiteral("TMPDIR"), temp);
        const Outcome run = quillonTag({ QStringLiteral("--online"), document }, {}, environment);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_EQ(readReport(run, dir.file(QStringLiteral("site"))).statuses.value(QStringLiteral("p.html")),
            QStringList { status::downloadFailed(61) });
        EXPECT_EQ(slurp(document), page);
        EXPECT_EQ(
            QDir(temp).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
}

// A disk that takes every byte but then fails to flush them: no page is replaced
// by bytes that may not be on the disk, and each one says so.
TEST(LostWrites, APageWhoseNewBytesCannotBeFlushedKeepsItsOldOnes)
{
    TempDir dir;
    const QByteArray page = "<img src=\"a.png\">";
    dir.write(QStringLiteral("site/a.png"), makePicture(QStringLiteral("png"), 30, 20));
    const QString site = dir.file(QStringLiteral("site"));
    for (const QString& name : { QStringLiteral("one.html"), QStringLiteral("two.html") })
        dir.write(QStringLiteral("site/") + name, page);
    QProcessEnvironment environment = fullDiskEnvironment(site, LLONG_MAX / 2);
    environment.insert(QStringLiteral("QUILLON_FULL_DISK_LOST"), QStringLiteral("1"));
    const Outcome run = quillonTag({ site }, {}, environment);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const SiteReport report = readReport(run, site);
    for (const QString& name : { QStringLiteral("one.html"), QStringLiteral("two.html") }) {
        EXPECT_EQ(slurp(site + u'/' + name), page) << name.toStdString();
        EXPECT_TRUE(report.statuses.value(name).contains(status::BackupFailed)) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(site + u'/' + name + QStringLiteral(".bak"))) << name.toStdString();
    }
    EXPECT_EQ(leftoverTemps(site), QStringList());
}
