#include "platform/ProgramFolder.h"
#include "tests/support/Pictures.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include "tests/cli/ToolRun.h"

#include <gtest/gtest.h>

using quillon::test::slurp;
using quillon::test::TempDir;
using quillon::test::Outcome;
using quillon::test::quillonTag;

namespace {

class QuillonTag : public ::testing::Test {
protected:
    QuillonTag() { dir.write(QStringLiteral("a.gif"), quillon::test::makePicture(QStringLiteral("png"), 120, 60)); }
    TempDir dir;
};

} // namespace

TEST_F(QuillonTag, TagsWithTheFreshStoresDefaultsAndPrintsTheReport)
{
    const QString page = dir.write(QStringLiteral("p.html"), "<img src=a.gif><img src=none.gif>");
    const Outcome run = quillonTag({page});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.text(), QStringLiteral("%1\ta.gif\tSuccess!\n%1\tnone.gif\tError: [53] Unable to download image.\n"
                                      "Found 2, Tagged 1, Errors 1\n").arg(page));
    EXPECT_EQ(slurp(page), QByteArray("<img src=a.gif WIDTH=120 HEIGHT=60 BORDER=10><img src=none.gif>"));
    EXPECT_EQ(slurp(page + QStringLiteral(".bak")), QByteArray("<img src=a.gif><img src=none.gif>"));
}

TEST_F(QuillonTag, OptionsChooseTheClausesAndTheBackups)
{
    const QString page = dir.write(QStringLiteral("p.html"), "<img src=a.gif>");
    const QString other = dir.write(QStringLiteral("q.html"), "<img src=a.gif alt>");
    QDir().mkpath(dir.file(QStringLiteral("bak")));
    const Outcome run = quillonTag({QStringLiteral("--no-border"), QStringLiteral("--alt"), QStringLiteral("A \"B\""),
                                    QStringLiteral("--backup-dir"), dir.file(QStringLiteral("bak")), page, other});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(slurp(page), QByteArray("<img src=a.gif WIDTH=120 HEIGHT=60 ALT=\"A &quot;B&quot;\">"));
    EXPECT_EQ(slurp(dir.file(QStringLiteral("bak/p.html.bak"))), QByteArray("<img src=a.gif>"));
    EXPECT_FALSE(QFileInfo::exists(page + QStringLiteral(".bak")));
    EXPECT_TRUE(run.text().endsWith(QStringLiteral("Found 2, Tagged 2, Errors 0\n")));

    const QString third = dir.write(QStringLiteral("r.html"), "<img src=a.gif>");
    EXPECT_EQ(quillonTag({QStringLiteral("--no-backup"), QStringLiteral("--alt-image-name"), QStringLiteral("--border"),
                          QStringLiteral("0"), third}).exitCode, 0);
    EXPECT_EQ(slurp(third), QByteArray("<img src=a.gif WIDTH=120 HEIGHT=60 BORDER=0 ALT=\"a.gif\">"));
    const QString fourth = dir.write(QStringLiteral("s.html"), "<img src=a.gif>");
    EXPECT_EQ(quillonTag({QStringLiteral("--no-backup"), QStringLiteral("--lowercase"), fourth}).exitCode, 0);
    EXPECT_EQ(slurp(fourth), QByteArray("<img src=a.gif width=\"120\" height=\"60\" border=\"10\">"));
    EXPECT_FALSE(QFileInfo::exists(third + QStringLiteral(".bak")));
}

TEST_F(QuillonTag, UsageErrorsAndMissingFilesTouchNothing)
{
    const QString page = dir.write(QStringLiteral("p.html"), "<img src=a.gif>");
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--bogus"), page}, QStringList{QStringLiteral("--border"), QStringLiteral("x"), page},
          QStringList{QStringLiteral("--alt")}, QStringList{},
          QStringList{page, dir.file(QStringLiteral("missing.html"))}}) {
        const Outcome run = quillonTag(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(slurp(page), QByteArray("<img src=a.gif>"));
    EXPECT_FALSE(QFileInfo::exists(page + QStringLiteral(".bak")));
}

TEST_F(QuillonTag, HelpListsTheOptionsAndExitStatusesAndVersionComesFromTheBuild)
{
    const Outcome help = quillonTag({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--online", "--offline", "--border", "--no-border", "--alt", "--alt-image-name",
                               "--no-alt", "--backup", "--no-backup", "--backup-dir", "--lowercase", "--version", "Exit status"})
        EXPECT_TRUE(help.text().contains(QString::fromUtf8(option))) << option;
    const Outcome version = quillonTag({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.text(), QStringLiteral("quillon-tag " QUILLON_TEST_VERSION "\n"));
}

TEST_F(QuillonTag, RelativePathsWorkFromTheCurrentFolder)
{
    dir.write(QStringLiteral("site/pics/b.gif"), quillon::test::makePicture(QStringLiteral("gif"), 4, 5));
    dir.write(QStringLiteral("site/index.htm"), "<img src=\"pics/b.gif\">");
    const Outcome run = quillonTag({QStringLiteral("--no-border"), QStringLiteral("site/index.htm")}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.text().toStdString();
    EXPECT_EQ(slurp(dir.file(QStringLiteral("site/index.htm"))), QByteArray("<img src=\"pics/b.gif\" WIDTH=4 HEIGHT=5>"));
}
