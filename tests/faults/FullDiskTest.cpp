// A disk that fills up while pages and their backups are written, by quillon-tag
// or by the engine the desktop program's way: whatever byte it fills at and
// however it says so, each page keeps its old bytes or gets all its new ones, a
// backup that exists is the whole page as it was, no unfinished write is left,
// and a page that did not get its new bytes has an error row.

#include "engine/run/Outcome.h"
#include "platform/Paths.h"
#include "platform/ProgramFolder.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <climits>

using namespace quillon;
using namespace quillon::test;

namespace {

struct Fault {
    const char* name;
    const char* mode; // how the disk says it is full: see FullDisk.cpp
    qint64 bytes;
    bool desktop = false; // written by engine-run rather than quillon-tag
    bool backupsElsewhere = false; // on a disk of their own, the one that fills up
    bool shut = false; // its folders cannot be opened to flush them
};

QProcessEnvironment fullDisk(const QString& folder, const char* mode, qint64 bytes, bool shut)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // In a sanitizer build, the tool's runtime must be loaded before the library.
    QString asan;
    for (const QByteArray& line : slurp(QStringLiteral("/proc/self/maps")).split('\n')) {
        if (line.contains("/libasan.so"))
            asan = QString::fromLocal8Bit(line.mid(line.indexOf('/')));
    }
    const QString library = QStringLiteral(QUILLON_FULL_DISK_LIBRARY);
    environment.insert(QStringLiteral("LD_PRELOAD"), asan.isEmpty() ? library : asan + u':' + library);
    environment.insert(QStringLiteral("QUILLON_FULL_DISK_FOLDER"), QFileInfo(folder).canonicalFilePath());
    environment.insert(QStringLiteral("QUILLON_FULL_DISK_MODE"), QString::fromLatin1(mode));
    environment.insert(QStringLiteral("QUILLON_FULL_DISK_BYTES"), QString::number(bytes));
    environment.insert(QStringLiteral("QUILLON_FULL_DISK_SHUT"), shut ? QStringLiteral("1") : QString());
    return environment;
}

} // namespace

TEST(FullDisk, EveryPageIsOldOrWholeAndEveryShortfallIsReported)
{
    TempDir dir;
    const QString originalSite = dir.file(QStringLiteral("original"));
    ASSERT_TRUE(generateSite(originalSite, 10));
    const QMap<QString, QByteArray> original = filesBelow(originalSite);
    auto copySite = [&](const QString& to) {
        return runProgram(QStringLiteral("cp"), { QStringLiteral("-r"), originalSite, to }).exitCode == 0;
    };
    const QString referenceSite = dir.file(QStringLiteral("reference"));
    ASSERT_TRUE(copySite(referenceSite));
    ASSERT_EQ(quillonTag({ QStringLiteral("-r"), referenceSite }).exitCode, 0);
    const QMap<QString, QByteArray> reference = filesBelow(referenceSite, QStringLiteral(".html"));
    ASSERT_EQ(reference.size(), 10);

    // One page after the other in the order of their names, its backup first.
    QList<qint64> untilPage, untilBackup;
    qint64 written = 0, backedUp = 0;
    for (auto it = reference.cbegin(); it != reference.cend(); ++it) {
        ASSERT_NE(it.value(), original[it.key()]) << "every page gets new bytes";
        backedUp += original[it.key()].size();
        written += original[it.key()].size() + it.value().size();
        untilPage.append(written);
        untilBackup.append(backedUp);
    }
    const qint64 firstOld = original.first().size(), firstNew = reference.first().size();
    const Fault faults[] = {
        { "no room at all", "write", 0 },
        { "room for half the first backup", "write", firstOld / 2 },
        { "room for half the first page", "write", firstOld + firstNew / 2 },
        { "room for three pages", "write", untilPage[2] },
        { "one byte short", "write", written - 1 },
        { "room for everything", "write", written },
        { "writes taken a little at a time", "short", LLONG_MAX },
        { "refused when closed", "close", written / 2 },
        { "flushes lose the bytes", "flush", LLONG_MAX },
        { "flushes lose the bytes, folders unreadable", "flush", LLONG_MAX, false, false, true },
        { "backups elsewhere, room for three", "write", untilBackup[2], false, true },
        { "desktop, room for half the first page", "write", firstOld + firstNew / 2, true },
        { "desktop, room for three pages", "write", untilPage[2], true },
        { "desktop, refused when closed", "close", written / 2, true },
        { "desktop, flushes lose the bytes", "flush", LLONG_MAX, true },
    };
    int number = 0;
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        const QString site = dir.file(QStringLiteral("site%1").arg(++number));
        const QString backups = site + QStringLiteral("-backups");
        ASSERT_TRUE(copySite(site));
        QStringList arguments { QStringLiteral("-r"), QStringLiteral("-j"), QStringLiteral("1"), site };
        if (fault.backupsElsewhere) {
            QDir().mkpath(backups);
            arguments << QStringLiteral("--backup-dir") << backups;
        }
        const QProcessEnvironment environment
            = fullDisk(fault.backupsElsewhere ? backups : site, fault.mode, fault.bytes, fault.shut);
        const ProgramRun run = fault.desktop
            ? runProgram(programFolder() + QStringLiteral("/engine-run"), { site }, {}, environment)
            : quillonTag(arguments, {}, environment);
        auto reportedOld = [&](const QString& page) {
            const QString row = site + u'/' + page + QStringLiteral("\t\t");
            return run.text().contains(row + outcomeText(Outcome::BackupFailed))
                || run.text().contains(row + outcomeText(Outcome::WriteFailed));
        };
        auto backupOf = [&](const QString& page) {
            return (fault.backupsElsewhere ? GetFileName(page) : page) + QStringLiteral(".bak");
        };
        QMap<QString, QString> pageOf; // by its backup's path
        for (const QString& page : reference.keys())
            pageOf.insert(backupOf(page), page);
        const QString backupFolder = fault.backupsElsewhere ? backups : site;
        const QMap<QString, QByteArray> backupsFound = filesBelow(backupFolder, QStringLiteral(".bak"));
        for (auto it = backupsFound.cbegin(); it != backupsFound.cend(); ++it)
            EXPECT_EQ(it.value(), original.value(pageOf.value(it.key()), "(no page)"))
                << qPrintable(it.key());
        if (fault.backupsElsewhere) {
            EXPECT_EQ(filesBelow(backups).keys(), backupsFound.keys()) << "an unfinished backup was left";
        }

        int tagged = 0, reported = 0;
        const QMap<QString, QByteArray> after = filesBelow(site);
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            const QString& name = it.key();
            if (reference.contains(name)) {
                const bool isNew = it.value() == reference[name];
                ASSERT_TRUE(isNew || it.value() == original[name]) << qPrintable(name) << " is half-written";
                reported += reportedOld(name);
                EXPECT_NE(isNew, reportedOld(name)) << qPrintable(name) << ": the report says otherwise";
                EXPECT_TRUE(!isNew || backupsFound.contains(backupOf(name)))
                    << qPrintable(name) << " has no backup";
                tagged += isNew;
            } else if (!backupsFound.contains(name)) {
                EXPECT_EQ(it.value(), original.value(name, "(left by the run)")) << qPrintable(name);
            }
        }

        const bool fits = QByteArray(fault.mode) != "flush"
            && fault.bytes >= (fault.backupsElsewhere ? backedUp : written);
        EXPECT_EQ(run.exitCode, fits ? 0 : 1) << qPrintable(run.err);
        EXPECT_EQ(reported == 0, fits);
        if (QByteArray(fault.mode) == "write") {
            // The pages that fitted, and only those, got their new bytes.
            const QList<qint64>& until = fault.backupsElsewhere ? untilBackup : untilPage;
            EXPECT_EQ(tagged,
                std::count_if(until.cbegin(), until.cend(), [&](qint64 end) { return end <= fault.bytes; }));
        }
    }
}
