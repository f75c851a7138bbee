// quillon-tag on whole sites, run as the real binary: which files a run takes,
// what it writes and reports whatever the number of jobs, dry runs and diffs,
// the site root, the report formats, the stored options and remote pictures.

#include "platform/ProgramFolder.h"
#include "tests/support/HttpTestServer.h"
#include "tests/support/Pictures.h"
#include "tests/support/TempDir.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include "tests/cli/ToolRun.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSize>

#include <httplib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

using namespace Qt::StringLiterals;
using quillon::test::HttpTestServer;
using quillon::test::makePicture;
using quillon::test::Outcome;
using quillon::test::quillonTag;
using quillon::test::quillonTagPath;
using quillon::test::runProgram;
using quillon::test::slurp;
using quillon::test::TempDir;

namespace {

// "--a --b" as arguments, for the options of a command line.
QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

// A site made by the shared generator: pages at the top and in sub/, pictures in img/.
void makeSite(const QString& folder, int pages)
{
    const Outcome made = runProgram(u"python3"_s,
        QStringList { QStringLiteral(QUILLON_GEN_SITE), folder, u"--pages"_s, QString::number(pages) }
            + words("--tags-per-page 6 --pictures 24 --page-kb 2"));
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
}

// Every file below folder by its relative path: its bytes, and with times its
// modification time too.
QMap<QString, QByteArray> snapshot(const QString& folder, bool times = false)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        QByteArray state = slurp(file);
        if (times)
            state += "@" + QFileInfo(file).lastModified().toString(Qt::ISODateWithMs).toUtf8();
        files.insert(QDir(folder).relativeFilePath(file), state);
    }
    return files;
}

// The names whose state is not the same in both snapshots.
QStringList differences(const QMap<QString, QByteArray>& a, const QMap<QString, QByteArray>& b)
{
    QStringList names;
    for (auto it = a.constBegin(); it != a.constEnd(); ++it) {
        if (b.value(it.key(), "(none)") != it.value())
            names.append(it.key());
    }
    for (auto it = b.constBegin(); it != b.constEnd(); ++it) {
        if (!a.contains(it.key()))
            names.append(it.key());
    }
    return names;
}

// A text report: each row as file, image and status; the totals line apart.
struct TextReport {
    QList<QStringList> rows;
    QString totals;
    QStringList files() const
    {
        QStringList names;
        for (const QStringList& row : rows)
            names.append(row.value(0));
        return names;
    }
};

TextReport parseText(const QString& out)
{
    TextReport report;
    QStringList lines = out.split(u'\n');
    EXPECT_TRUE(lines.takeLast().isEmpty()) << "the report ends with a line end";
    if (!lines.isEmpty())
        report.totals = lines.takeLast();
    for (const QString& line : lines)
        report.rows.append(line.split(u'\t'));
    return report;
}

// RFC 4180: fields separated by commas, records ended by CRLF; a quoted field
// may hold commas, line ends and doubled quotes.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (quoted && c == u'"' && next == u'"') {
            field += c;
            ++i;
        } else if (quoted && c == u'"') {
            quoted = false;
        } else if (quoted) {
            field += c;
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (c == u',') {
            record.append(std::exchange(field, {}));
        } else if (c == u'\r' && next == u'\n') {
            record.append(std::exchange(field, {}));
            records.append(std::exchange(record, {}));
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(!quoted && field.isEmpty() && record.isEmpty()) << "the last record is not ended";
    return records;
}

// Checks every tag the generator wrote without a size against its manifest.tsv;
// returns how many were checked.
int checkSizesAgainstManifest(const QString& site)
{
    QHash<QString, QSize> sizes;
    for (const QString& line : QString::fromUtf8(slurp(site + u"/manifest.tsv"_s)).split(u'\n').mid(1)) {
        const QStringList fields = line.split(u'\t');
        if (fields.size() == 3)
            sizes.insert(fields[0], QSize(fields[1].toInt(), fields[2].toInt()));
    }
    static const QRegularExpression tagPattern(u"<img\\b[^>]*>"_s, QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression srcPattern(
        u"src=[\"']?(?:\\.\\./)?(img/[^\"' >]+)"_s, QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression sizePattern(u" WIDTH=(\\d+) HEIGHT=(\\d+)"_s);
    int checked = 0;
    QDirIterator it(site, { u"*.html"_s }, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString page = it.next();
        for (const QRegularExpressionMatch& tag : tagPattern.globalMatch(QString::fromUtf8(slurp(page)))) {
            const QString text = tag.captured();
            if (text.contains(u"width=\"10\""_s))
                continue; // sized by hand: left as it was
            const QRegularExpressionMatch size = sizePattern.match(text);
            EXPECT_EQ(QSize(size.captured(1).toInt(), size.captured(2).toInt()),
                sizes.value(srcPattern.match(text).captured(1), QSize(-1, -1)))
                << page.toStdString() << ": " << text.toStdString();
            ++checked;
        }
    }
    return checked;
}

class Site : public ::testing::Test {
protected:
    Site() { dir.write(u"a.png"_s, makePicture(u"png"_s, 12, 34)); }
    TempDir dir;
};

} // namespace

TEST_F(Site, ConflictingOrMalformedOptionsStopWithStatusTwoBeforeAnythingIsTouched)
{
    const QString page = dir.write(u"p.html"_s, "<img src=a.png>");
    const QDateTime old = QDateTime::currentDateTime().addYears(-3);
    {
        QFile f(page);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const QString bak = dir.file(u"bak"_s);
    QDir().mkpath(bak);
    for (const QStringList& arguments :
        { words("--online --offline"), words("--offline --online"), words("--border 2 --no-border"),
            words("--no-border --border 2"), words("--alt x --no-alt"), words("--alt-image-name --alt x"),
            words("--backup-dir") << bak << u"--no-backup"_s, words("--no-backup --backup-dir") << bak,
            words("--diff"), words("--dry-run --diff --report json"), words("-j 0"), words("--jobs -3"),
            words("--report xml"), words("--root") << page, QStringList { dir.file(u"nothing-here"_s) } }) {
        const Outcome run = quillonTag(arguments + QStringList { page });
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(u"quillon-tag: "_s)) << run.err.toStdString();
    }
    EXPECT_EQ(slurp(page), QByteArray("<img src=a.png>"));
    EXPECT_EQ(QFileInfo(page).lastModified(), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no backup beside it
    EXPECT_TRUE(QDir(bak).isEmpty());

    // The same options one at a time go together, and a clean run is status 0.
    const Outcome fine = quillonTag(words("--offline --no-border --no-alt -j 3 --backup-dir") << bak << page);
    EXPECT_EQ(fine.exitCode, 0) << fine.err.toStdString();
    EXPECT_EQ(slurp(page), QByteArray("<img src=a.png WIDTH=12 HEIGHT=34>"));
}

TEST_F(Site, AFolderTakesItsOwnHtmlFilesAndRecursiveTheFoldersBelowToo)
{
    for (const QString& name : { u"a.htm"_s, u"B.HTML"_s, u"c.Htm"_s, u"notes.txt"_s, u"page.html.old"_s })
        dir.write(u"site/"_s + name, "<img src=../a.png>");
    dir.write(u"site/sub/d.html"_s, "<img src=../../a.png>");
    dir.write(u"site/sub/deeper/e.htm"_s, "<img src=../../../a.png>");
    const QString site = dir.file(u"site"_s);

    const Outcome flat = quillonTag(words("--dry-run") << site);
    EXPECT_EQ(flat.exitCode, 0) << flat.text().toStdString();
    const QStringList own { site + u"/B.HTML"_s, site + u"/a.htm"_s, site + u"/c.Htm"_s };
    EXPECT_EQ(parseText(flat.text()).files(), own);

    const Outcome deep = quillonTag(words("--no-backup -r") << site + u'/');
    EXPECT_EQ(deep.exitCode, 0) << deep.text().toStdString();
    const QStringList below { site + u"/sub/d.html"_s, site + u"/sub/deeper/e.htm"_s };
    EXPECT_EQ(parseText(deep.text()).files(), own + below);
    EXPECT_EQ(
        dir.read(u"site/sub/deeper/e.htm"_s), QByteArray("<img src=../../../a.png WIDTH=12 HEIGHT=34>"));
    EXPECT_EQ(dir.read(u"site/notes.txt"_s), QByteArray("<img src=../a.png>"));
    EXPECT_EQ(dir.read(u"site/page.html.old"_s), QByteArray("<img src=../a.png>"));
}

TEST_F(Site, EachDocumentIsTaggedAndReportedOnceInTheOrderFirstNamed)
{
    const QString z = QFileInfo(dir.write(u"z.html"_s, "<img src=a.png>")).canonicalFilePath();
    const QString m
        = QFileInfo(dir.write(u"m.html"_s, "<img src=a.png><img src=gone.png>")).canonicalFilePath();
    const QString b = QFileInfo(dir.write(u"sub/b.html"_s, "<img src=../a.png>")).canonicalFilePath();
    const QString a = QFileInfo(dir.write(u"sub/a.html"_s, "<img src=../a.png>")).canonicalFilePath();
    const QString bak = dir.file(u"bak"_s);
    QDir().mkpath(bak);
    // Named out of order, twice, through the folder and through another spelling;
    // a folder's own pages come sorted.
    const Outcome run = quillonTag(words("--backup-dir")
        << bak << z << m << z << dir.file(u"sub"_s) << dir.path() << dir.path() + u"/./m.html"_s);
    EXPECT_EQ(run.exitCode, 1);
    const TextReport report = parseText(run.text());
    QStringList documents = report.files();
    for (QString& file : documents)
        file = QFileInfo(file).canonicalFilePath();
    EXPECT_EQ(documents, (QStringList { z, m, m, a, b }));
    EXPECT_EQ(report.totals, u"Found 5, Tagged 4, Errors 1"_s);
    // Tagged twice, a document would carry its clauses twice and have two backups.
    EXPECT_EQ(slurp(z), QByteArray("<img src=a.png WIDTH=12 HEIGHT=34>"));
    EXPECT_EQ(QDir(bak).entryList(QDir::Files),
        (QStringList { u"a.html.bak"_s, u"b.html.bak"_s, u"m.html.bak"_s, u"z.html.bak"_s }));
    EXPECT_EQ(dir.read(u"bak/z.html.bak"_s), QByteArray("<img src=a.png>"));
}

TEST_F(Site, FourJobsWriteTheSameBytesBackupsAndReportAsOneAndTheSizesOfTheManifest)
{
    // Documents of one name: the first in path order gets NAME.bak, even when it
    // is so long that the backups of the others are ready first.
    const QByteArray bigIndex
        = "<p>" + QByteArray(8 * 1024 * 1024, 'x') + "</p><img src=\"../img/p0000.png\">\r\n";
    auto smallIndex = [](int k) {
        return u"<img src='../img/p%1.gif'>\r\n"_s.arg(k * 4 - 3, 4, 10, QChar(u'0')).toUtf8();
    };
    Outcome runs[2];
    for (int i = 0; i < 2; ++i) {
        const QString top = dir.file(u"run%1"_s.arg(i));
        makeSite(top + u"/site"_s, 40);
        dir.write(u"run%1/site/a/index.html"_s.arg(i), bigIndex);
        for (int k = 1; k <= 6; ++k)
            dir.write(u"run%1/site/%2/index.html"_s.arg(i).arg(QChar(u'a' + k)), smallIndex(k));
        QDir().mkpath(top + u"/bak"_s);
        runs[i] = quillonTag(
            words(i == 0 ? "-r -j 1 --backup-dir bak site" : "-r -j 4 --backup-dir bak site"), top);
        EXPECT_EQ(runs[i].exitCode, 0) << runs[i].text().toStdString();
        EXPECT_TRUE(runs[i].err.isEmpty())
            << "no progress line without a terminal: " << runs[i].err.toStdString();
    }
    EXPECT_EQ(runs[0].out, runs[1].out);
    const QMap<QString, QByteArray> one = snapshot(dir.file(u"run0"_s));
    EXPECT_EQ(differences(one, snapshot(dir.file(u"run1"_s))), QStringList());

    EXPECT_TRUE(one.value(u"bak/index.html.bak"_s) == bigIndex);
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(one.value(u"bak/index.html.%1.bak"_s.arg(k + 1)), smallIndex(k)) << k;
    EXPECT_EQ(std::count_if(one.keyBegin(), one.keyEnd(),
                  [](const QString& name) { return name.startsWith(u"bak/"_s); }),
        47);
    EXPECT_GT(checkSizesAgainstManifest(dir.file(u"run0/site"_s)), 150);
}

TEST_F(Site, DryRunLeavesEveryFileAsItWasAndReportsWhatARealRunDoes)
{
    const QString site = dir.file(u"site"_s);
    makeSite(site, 24);
    dir.write(u"site/broken.html"_s, "<img src=img/none.png><img alt=x>");
    // Old times, so that a file written again could not keep its time by chance.
    const QDateTime old = QDateTime::currentDateTime().addYears(-2);
    for (const QString& name : snapshot(site).keys()) {
        QFile f(site + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const QMap<QString, QByteArray> before = snapshot(site, true);
    const QByteArray firstPage = slurp(site + u"/page00000.html"_s);

    const Outcome dry = quillonTag(words("-r --dry-run") << site);
    EXPECT_EQ(dry.exitCode, 1);
    EXPECT_EQ(differences(snapshot(site, true), before), QStringList()); // no backup either

    const Outcome real = quillonTag(words("-r") << site);
    EXPECT_EQ(real.exitCode, 1);
    EXPECT_EQ(real.out, dry.out);
    EXPECT_FALSE(differences(snapshot(site, true), before).isEmpty());
    EXPECT_EQ(slurp(site + u"/page00000.html.bak"_s), firstPage);
}

TEST_F(Site, DiffAppliedWithPatchGivesTheBytesOfARealRun)
{
    for (const QString& top : { u"a"_s, u"b"_s }) {
        makeSite(dir.file(top + u"/site"_s), 16);
        // No line end at the end, and a name with a blank in it.
        dir.write(top + u"/site/last line.html"_s, "<p>x</p>\n<img src=img/p0002.jpg>");
        dir.write(top + u"/site/same.html"_s, "<img src=img/p0002.jpg width=5 height=6 border=0>\n");
    }
    const Outcome diff = quillonTag(words("-r --dry-run --diff site"), dir.file(u"a"_s));
    EXPECT_EQ(diff.exitCode, 0) << diff.err.toStdString();
    EXPECT_TRUE(diff.out.startsWith("--- site/"));
    EXPECT_FALSE(diff.out.contains("same.html"));
    dir.write(u"a/tags.diff"_s, diff.out);
    const QMap<QString, QByteArray> untouched = snapshot(dir.file(u"a/site"_s));

    const Outcome patch = runProgram(u"patch"_s, words("-p0 --batch -i tags.diff"), dir.file(u"a"_s));
    ASSERT_EQ(patch.exitCode, 0) << patch.text().toStdString() << patch.err.toStdString();
    EXPECT_FALSE(differences(snapshot(dir.file(u"a/site"_s)), untouched).isEmpty());

    const Outcome real = quillonTag(words("-r --no-backup site"), dir.file(u"b"_s));
    EXPECT_EQ(real.exitCode, 0);
    EXPECT_EQ(differences(snapshot(dir.file(u"a/site"_s)), snapshot(dir.file(u"b/site"_s))), QStringList());
}

TEST_F(Site, RootFindsSlashPathsUnderItAndNeverReadsAPictureOutsideIt)
{
    dir.write(u"outside.png"_s, makePicture(u"png"_s, 77, 7));
    dir.write(u"x.png"_s, makePicture(u"png"_s, 88, 8));
    dir.write(u"root/img/a.png"_s, makePicture(u"gif"_s, 5, 6));
    const QByteArray page
        = "<img src=\"/img/a.png\">\n<img src=\"/../outside.png\">\n<img src=\"../../x.png\">\n";
    const QString file = dir.write(u"root/pages/p.html"_s, page);

    const Outcome rooted = quillonTag(words("--no-backup --no-border --root") << dir.file(u"root"_s) << file);
    EXPECT_EQ(rooted.exitCode, 1);
    const TextReport report = parseText(rooted.text());
    ASSERT_EQ(report.rows.size(), 3);
    EXPECT_EQ(report.rows[0][2], u"Success!"_s);
    EXPECT_TRUE(report.rows[1][2].startsWith(u"Error: "_s)) << report.rows[1][2].toStdString();
    EXPECT_TRUE(report.rows[2][2].startsWith(u"Error: "_s)) << report.rows[2][2].toStdString();
    EXPECT_EQ(report.totals, u"Found 3, Tagged 1, Errors 2"_s);
    EXPECT_EQ(slurp(file), QByteArray(page).replace("a.png\">", "a.png\" WIDTH=5 HEIGHT=6>"));

    // Without a root, a "/" path is an error, never looked up beside the page; climbing out is allowed.
    dir.write(u"root/pages/p.html"_s, page);
    dir.write(u"root/pages/img/a.png"_s, makePicture(u"png"_s, 9, 9));
    const Outcome plain = quillonTag(words("--no-backup --no-border") << file);
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_EQ(parseText(plain.text()).rows.value(0).value(2),
        u"Error: Image path starts at the site root, and no root is given."_s);
    EXPECT_EQ(slurp(file), QByteArray(page).replace("x.png\">", "x.png\" WIDTH=88 HEIGHT=8>"));
}

TEST_F(Site, JsonAndCsvReportsCarryTheRowsAndTotalsOfTheTextReport)
{
    dir.write(u"site/pic,1.png"_s, makePicture(u"png"_s, 3, 4));
    dir.write(u"site/plain.html"_s, "<img src=\"pic,1.png\"><img src='say \"hi\".png'>");
    dir.write(u"site/we,\"quote\".html"_s, "<img src=\"pic,1.png\" width=3 height=4 border=1><img>");
    dir.write(u"site/back\\slash.htm"_s, "<img src=\"http://example.invalid/a.png\">");
    const QString site = dir.file(u"site"_s);
    const Outcome text = quillonTag(words("--dry-run") << site);
    const Outcome json = quillonTag(words("--dry-run --report json") << site);
    const Outcome csv = quillonTag(words("--dry-run --report csv") << site);
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(csv.exitCode, 1);
    const TextReport expected = parseText(text.text());
    ASSERT_EQ(expected.rows.size(), 5);

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.out, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    QList<QStringList> jsonRows;
    for (const QJsonValue& row : document[u"rows"_s].toArray())
        jsonRows.append(
            { row[u"file"_s].toString(), row[u"image"_s].toString(), row[u"status"_s].toString() });
    EXPECT_EQ(jsonRows, expected.rows);
    EXPECT_EQ(u"Found %1, Tagged %2, Errors %3"_s.arg(document[u"found"_s].toInt(-1))
                  .arg(document[u"tagged"_s].toInt(-1))
                  .arg(document[u"errors"_s].toInt(-1)),
        expected.totals);

    QList<QStringList> csvRows = parseCsv(csv.text());
    ASSERT_FALSE(csvRows.isEmpty());
    EXPECT_EQ(csvRows.takeFirst(), words("file image status"));
    EXPECT_EQ(csvRows, expected.rows);
}

TEST_F(Site, QuietReportsOnlyTheErrorRowsAndTheSameTotals)
{
    dir.write(u"site/a.html"_s, "<img src=../a.png><img src=none.png>");
    dir.write(u"site/b.html"_s, "<img src=../a.png width=1 height=1 border=1><img>");
    const Outcome full = quillonTag(words("--dry-run") << dir.file(u"site"_s));
    const Outcome quiet = quillonTag(words("--dry-run -q") << dir.file(u"site"_s));
    EXPECT_EQ(quiet.exitCode, 1);
    QStringList errorsAndTotals;
    for (const QString& line : full.text().split(u'\n')) {
        if (line.contains(u"\tError: "_s) || line.startsWith(u"Found "_s))
            errorsAndTotals.append(line);
    }
    EXPECT_EQ(errorsAndTotals.size(), 3);
    EXPECT_EQ(quiet.text(), errorsAndTotals.join(u'\n') + u'\n');
}

TEST_F(Site, UseSettingsStartsFromTheDesktopProgramsStoreAndTheCommandLineWins)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_CONFIG_HOME"_s, dir.file(u"config"_s));
    environment.insert(u"XDG_DATA_HOME"_s, dir.file(u"data"_s));
    dir.write(u"config/Brambleworth Software.ini"_s,
        "[Quillon]\nALT%20React=2\nALT%20Text%20Index=1\nALT%20text=Stored text\nBORDER%20React=2\n"
        "BORDER%20Size%20Index=4\nGenerate%20Backups=False\n");
    const QByteArray tag = "<img src=a.png>";

    const QString stored = dir.write(u"stored.html"_s, tag);
    EXPECT_EQ(quillonTag(words("--use-settings") << stored, {}, environment).exitCode, 0);
    EXPECT_EQ(slurp(stored), QByteArray("<img src=a.png WIDTH=12 HEIGHT=34 BORDER=4 ALT=\"Stored text\">"));
    EXPECT_FALSE(QFileInfo::exists(stored + u".bak"_s));

    const QString overridden = dir.write(u"overridden.html"_s, tag);
    QDir().mkpath(dir.file(u"bak"_s));
    EXPECT_EQ(quillonTag(words("--use-settings --no-alt --border 0 --backup-dir")
                      << dir.file(u"bak"_s) << overridden,
                  {}, environment)
                  .exitCode,
        0);
    EXPECT_EQ(slurp(overridden), QByteArray("<img src=a.png WIDTH=12 HEIGHT=34 BORDER=0>"));
    EXPECT_EQ(dir.read(u"bak/overridden.html.bak"_s), tag);
    const QString backedUp = dir.write(u"backed-up.html"_s, tag);
    EXPECT_EQ(quillonTag(words("--use-settings --backup") << backedUp, {}, environment).exitCode, 0);
    EXPECT_EQ(slurp(backedUp + u".bak"_s), tag);

    // Without the option the store is not read at all, and only the sizes are added.
    const QString defaults = dir.write(u"defaults.html"_s, tag);
    EXPECT_EQ(quillonTag({ defaults }, {}, environment).exitCode, 0);
    EXPECT_EQ(slurp(defaults), QByteArray("<img src=a.png WIDTH=12 HEIGHT=34>"));
}

TEST_F(Site, AProgressLineIsDrawnOnATerminalOnly)
{
    dir.write(u"site/a.html"_s, "<img src=../a.png>");
    dir.write(u"site/b.html"_s, "<img src=../a.png>");
    const Outcome piped = quillonTag(words("--dry-run site"), dir.path());
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_TRUE(piped.err.isEmpty()) << piped.err.toStdString();
    EXPECT_FALSE(piped.text().contains(u"files, "_s));

    // script(1) gives it a terminal, so the check above cannot pass for want of a progress line.
    const Outcome onTerminal = runProgram(u"script"_s,
        { u"-qec"_s, u"'%1' --dry-run site"_s.arg(quillonTagPath()), u"/dev/null"_s }, dir.path());
    EXPECT_EQ(onTerminal.exitCode, 0) << onTerminal.err.toStdString();
    EXPECT_TRUE(onTerminal.text().contains(u"\r2/2 files, "_s)) << onTerminal.text().toStdString();
}

namespace {

class Online : public ::testing::Test {
protected:
    QByteArray urlTag(const char* path) const
    {
        return "<img src=\"" + server.url(QString::fromUtf8(path)).toUtf8() + "\">\n";
    }

    TempDir dir;
    // What the custom handlers use; declared before the server, so that it
    // outlives any answer the server is still sending.
    QByteArray big;
    std::mutex mutex;
    std::string rangeAsked = "(none)";
    std::atomic<qint64> rangedSent { 0 };
    std::atomic<qint64> wholeSent { 0 };
    std::atomic<int> inFlight { 0 };
    std::atomic<int> mostInFlight { 0 };
    std::set<int> clientPorts;
    HttpTestServer server;
};

} // namespace

TEST_F(Online, EachAddressIsFetchedOnceHoweverManyTagsAndDocumentsNameIt)
{
    server.serve(u"/pics/a.png"_s, makePicture(u"png"_s, 30, 20));
    server.serve(u"/pics/b.bmp"_s, makePicture(u"bmp"_s, 7, 9));
    server.serve(u"/gone.png"_s, "not here", 404, u"text/plain"_s);
    // httplib's own handlers answer a range with 206: all of a small file, which
    // must not be fetched a second time just because it is no picture.
    server.server().Get("/broken.png", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("no picture at all", "image/png");
    });
    const QByteArray tags
        = urlTag("/pics/a.png") + urlTag("/pics/b.bmp") + urlTag("/gone.png") + urlTag("/broken.png");
    for (int i = 0; i < 12; ++i)
        dir.write(u"site/p%1.html"_s.arg(i, 2, 10, QChar(u'0')), tags + tags + tags);

    const Outcome run = quillonTag(words("--online --no-backup -j 4") << dir.file(u"site"_s));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_TRUE(run.text().endsWith(u"Found 144, Tagged 72, Errors 72\n"_s)) << run.text().toStdString();
    for (const QString& path : { u"/pics/a.png"_s, u"/pics/b.bmp"_s, u"/gone.png"_s, u"/broken.png"_s })
        EXPECT_EQ(server.hits(path), 1) << path.toStdString();
    const QByteArray tagged = dir.read(u"site/p11.html"_s);
    EXPECT_EQ(tagged.count("a.png\" WIDTH=30 HEIGHT=20>"), 3);
    EXPECT_EQ(tagged.count("b.bmp\" WIDTH=7 HEIGHT=9>"), 3);
}

TEST_F(Online, ByDefaultEightDocumentsFetchAtOnce)
{
    // Each document names one slow picture of its own; how many requests are
    // under way at once shows how many documents are (not one per processor).
    const QByteArray picture = makePicture(u"png"_s, 3, 2);
    server.server().Get(
        R"(/slow/\d+\.png)", [this, picture](const httplib::Request& request, httplib::Response& response) {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                clientPorts.insert(request.remote_port);
            }
            const int now = ++inFlight;
            for (int most = mostInFlight; now > most && !mostInFlight.compare_exchange_weak(most, now);) { }
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            --inFlight;
            response.set_content(picture.toStdString(), "image/png");
        });
    for (int i = 0; i < 16; ++i)
        dir.write(u"site/p%1.html"_s.arg(i, 2, 10, QChar(u'0')),
            urlTag(u"/slow/%1.png"_s.arg(i).toUtf8().constData()));
    const Outcome run = quillonTag(words("--online --no-backup") << dir.file(u"site"_s));
    EXPECT_EQ(run.exitCode, 0) << run.text().toStdString();
    EXPECT_GE(mostInFlight.load(), 4);
    EXPECT_LE(mostInFlight.load(), 8);
    // A transfer that stops once the size is known keeps its connection for the next.
    EXPECT_LE(clientPorts.size(), 8u);
}

TEST_F(Online, OnlyThePicturesFirstBytesCrossTheWire)
{
    // A picture of 32 MiB whose size is known from its first bytes; what follows
    // its end is never looked at. One server honours the range it is asked for,
    // the other sends everything it has: either way the tool stops reading once
    // it knows the size.
    big = makePicture(u"png"_s, 2000, 2000);
    big.append(QByteArray(32 * 1024 * 1024 - big.size(), '\0'));
    server.server().Get("/ranged.png", [this](const httplib::Request& request, httplib::Response& response) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            rangeAsked = request.get_header_value("Range");
        }
        response.set_content_provider(static_cast<size_t>(big.size()), "image/png",
            [this](size_t offset, size_t length, httplib::DataSink& sink) {
                rangedSent += static_cast<qint64>(length);
                return sink.write(big.constData() + offset, length);
            });
    });
    server.server().Get("/whole.png", [this](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("image/png", [this](size_t offset, httplib::DataSink& sink) {
            if (offset >= static_cast<size_t>(big.size())) {
                sink.done();
                return true;
            }
            const size_t length = std::min<size_t>(16384, big.size() - offset);
            if (!sink.write(big.constData() + offset, length))
                return false;
            wholeSent += static_cast<qint64>(length);
            return true;
        });
    });
    // A JPEG whose size comes later than the first part: fetched whole after all.
    QByteArray late = makePicture(u"jpg"_s, 40, 30);
    for (int i = 0; i < 2; ++i)
        late.insert(2, QByteArray("\xff\xe2\xea\x62", 4) + QByteArray(60000, 'm'));
    server.server().Get("/late.jpg", [late](const httplib::Request&, httplib::Response& response) {
        response.set_content(late.toStdString(), "image/jpeg");
    });
    const QString page
        = dir.write(u"p.html"_s, urlTag("/ranged.png") + urlTag("/whole.png") + urlTag("/late.jpg"));

    const Outcome run = quillonTag(words("--online --no-backup") << page);
    EXPECT_EQ(run.exitCode, 0) << run.text().toStdString();
    EXPECT_EQ(slurp(page).count("png\" WIDTH=2000 HEIGHT=2000"), 2) << slurp(page).toStdString();
    EXPECT_TRUE(slurp(page).contains("late.jpg\" WIDTH=40 HEIGHT=30")) << slurp(page).toStdString();
    EXPECT_EQ(server.hits(u"/ranged.png"_s), 1);
    EXPECT_EQ(server.hits(u"/whole.png"_s), 1);
    EXPECT_EQ(server.hits(u"/late.jpg"_s), 2);
    EXPECT_EQ(rangeAsked.rfind("bytes=0-", 0), 0u) << rangeAsked;
    EXPECT_GT(rangedSent.load(), 0);
    EXPECT_LE(rangedSent.load(), 64 * 1024);
    EXPECT_LT(wholeSent.load(), big.size() / 2);
}
