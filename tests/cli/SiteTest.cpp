// quillon-tag over whole generated sites: however many jobs share the work, the
// same bytes, backups and report; and a diff that patch turns into a real run.

#include "engine/run/BackupIndex.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::test;

namespace {

QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

// Checks every tag of the site's pages that had no size against manifest.tsv;
// returns how many it checked.
int checkSizesAgainstManifest(const QString& site)
{
    QMap<QString, QString> sizes; // "img/p0001.gif" -> "3x4"
    for (const QString& line :
        QString::fromUtf8(slurp(site + QStringLiteral("/manifest.tsv"))).split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 3)
            sizes.insert(fields[0], fields[1] + u'x' + fields[2]);
    }
    static const QRegularExpression tag(
        QStringLiteral("<img\\b[^>]*?src=[\"']?(?:\\.\\./)?(img/[^\"' >]+)[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression size(QStringLiteral(" WIDTH=(\\d+) HEIGHT=(\\d+)"));
    int checked = 0;
    for (const QByteArray& page : filesBelow(site, QStringLiteral(".html"))) {
        for (const QRegularExpressionMatch& found : tag.globalMatch(QString::fromUtf8(page))) {
            if (found.captured().contains(QStringLiteral("width=\"10\"")))
                continue; // sized by hand
            const QRegularExpressionMatch given = size.match(found.captured());
            EXPECT_EQ(given.captured(1) + u'x' + given.captured(2), sizes.value(found.captured(1)))
                << qPrintable(found.captured());
            ++checked;
        }
    }
    return checked;
}

} // namespace

TEST(QuillonTagSite, AnyNumberOfJobsWritesTheSameBytesBackupsAndReportAsOne)
{
    TempDir dir;
    // Pages of one name in several folders: the first in path order gets
    // NAME.bak even when, being large, it is the last to be ready.
    const QByteArray bigIndex = "<p>" + QByteArray(2 << 20, 'x') + "</p><img src=\"../img/p0000.png\">\n";
    ASSERT_TRUE(generateSite(dir.file(QStringLiteral("run0/site")), 80));
    dir.write(QStringLiteral("run0/site/a/index.html"), bigIndex);
    for (const char* folder : { "b", "c", "d" })
        dir.write(QStringLiteral("run0/site/%1/index.html").arg(QLatin1String(folder)),
            "<img src='../img/p0001.gif'>\n");
    QDir().mkpath(dir.file(QStringLiteral("run0/bak")));
    ASSERT_EQ(runProgram(QStringLiteral("cp"), words("-r run0 run1"), dir.path()).exitCode, 0);
    QMap<QString, QByteArray> sites[2];
    QByteArray reports[2];
    for (int i = 0; i < 2; ++i) {
        const QString top = dir.file(QStringLiteral("run%1").arg(i));
        const ProgramRun run = quillonTag(
            words(i == 0 ? "-r -j 1 --backup-dir bak site" : "-r -j 4 --backup-dir bak site"), top);
        EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
        reports[i] = run.out;
        sites[i] = filesBelow(top);
        // The index names the pages by their full paths, and the time.
        const BackupIndex index = BackupIndex::load(top + QStringLiteral("/bak"));
        EXPECT_EQ(
            index.backupOf(top + QStringLiteral("/site/a/index.html")), QStringLiteral("index.html.bak"));
        EXPECT_EQ(
            index.backupOf(top + QStringLiteral("/site/d/index.html")), QStringLiteral("index.html.4.bak"));
        sites[i].remove(QStringLiteral("bak/quillon-backups.tsv"));
    }
    EXPECT_EQ(reports[0], reports[1]);
    EXPECT_TRUE(sites[0] == sites[1]) << "the jobs wrote other bytes or backups";
    EXPECT_TRUE(sites[0].value(QStringLiteral("bak/index.html.bak")) == bigIndex);
    EXPECT_EQ(
        sites[0].value(QStringLiteral("bak/index.html.4.bak")), QByteArray("<img src='../img/p0001.gif'>\n"));
    EXPECT_EQ(filesBelow(dir.file(QStringLiteral("run0/bak"))).size(), 84 + 1);
    EXPECT_GT(checkSizesAgainstManifest(dir.file(QStringLiteral("run0/site"))), 300);
}

TEST(QuillonTagSite, ADiffOfADryRunAppliedWithPatchGivesTheBytesOfARealRun)
{
    TempDir dir;
    ASSERT_TRUE(generateSite(dir.file(QStringLiteral("a/site")), 16));
    // No line end at the end, a name with a blank, a page with nothing to add,
    // and a hidden folder, which is not walked.
    dir.write(QStringLiteral("a/site/last line.html"), "<p>x</p>\n<img src=img/p0002.jpg>");
    dir.write(QStringLiteral("a/site/same.html"), "<img src=img/p0002.jpg width=5 height=6>\n");
    dir.write(QStringLiteral("a/site/.git/old.html"), "<img src=../img/p0002.jpg>\n");
    ASSERT_EQ(runProgram(QStringLiteral("cp"), words("-r a b"), dir.path()).exitCode, 0);
    const QMap<QString, QByteArray> untouched = filesBelow(dir.file(QStringLiteral("a/site")));
    const ProgramRun diff = quillonTag(words("-r --dry-run --diff site"), dir.file(QStringLiteral("a")));
    EXPECT_EQ(diff.exitCode, 0) << qPrintable(diff.err);
    EXPECT_TRUE(filesBelow(dir.file(QStringLiteral("a/site"))) == untouched) << "a dry run wrote";
    EXPECT_FALSE(diff.out.contains("same.html"));
    EXPECT_FALSE(diff.out.contains(".git"));
    dir.write(QStringLiteral("a/tags.diff"), diff.out);
    const ProgramRun patch = runProgram(
        QStringLiteral("patch"), words("-p0 --batch -i tags.diff"), dir.file(QStringLiteral("a")));
    ASSERT_EQ(patch.exitCode, 0) << patch.out.toStdString() << qPrintable(patch.err);

    EXPECT_EQ(quillonTag(words("-r --no-backup site"), dir.file(QStringLiteral("b"))).exitCode, 0);
    const QMap<QString, QByteArray> patched = filesBelow(dir.file(QStringLiteral("a/site")));
    EXPECT_TRUE(patched == filesBelow(dir.file(QStringLiteral("b/site"))));
    EXPECT_FALSE(patched == untouched);
}
