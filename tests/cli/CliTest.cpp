// quillon-tag run as the user runs it: its exit status, its reports in every
// format, pages under awkward names, and a site root it never reads outside of.

#include "engine/run/Outcome.h"
#include "settings/SettingKeys.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::test;
using namespace Qt::StringLiterals;

namespace {

QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

// Records of comma-separated fields ended by CRLF; a quoted field may hold
// commas, line ends and doubled quotes.
QList<QStringList> parseCsv(const QString& text)
{
    static const QRegularExpression field(QStringLiteral("\\G(\"(?:[^\"]|\"\")*\"|[^,\"\\r\\n]*)(,|\\r\\n)"));
    QList<QStringList> records { {} };
    qsizetype end = 0;
    for (const QRegularExpressionMatch& match : field.globalMatch(text)) {
        const QString value = match.captured(1);
        records.last() << (value.startsWith(u'"')
                ? value.mid(1, value.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""))
                : value);
        if (match.captured(2) != u',')
            records.append(QStringList());
        end = match.capturedEnd();
    }
    EXPECT_EQ(end, text.size()) << "no CSV from here on";
    return records.mid(0, records.size() - 1);
}

} // namespace

TEST(QuillonTag, ExitStatusTellsACleanRunFromErrorRowsFromAWrongCommandLine)
{
    TempDir dir;
    dir.write(QStringLiteral("a.png"), makePicture(QStringLiteral("png"), 12, 34));
    const QString good = dir.write(QStringLiteral("good.html"), "<img src=a.png>");
    const QString bad = dir.write(QStringLiteral("bad.html"), "<img src=none.png>");
    for (const QStringList& wrong : { words("--bogus"), words("--border x"), words("--online --offline"),
             words("-j 0"), words("--report xml"), words("--diff"), words("--check --fix-stale"),
             words("--dry-run --diff --restore"), words("--root") << bad,
             QStringList { dir.file(QStringLiteral("missing.html")) } }) {
        SCOPED_TRACE(qPrintable(wrong.join(u' ')));
        const ProgramRun run = quillonTag(wrong + QStringList { good, bad });
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("quillon-tag: "))) << qPrintable(run.err);
    }
    EXPECT_EQ(quillonTag({}).exitCode, 2);
    EXPECT_EQ(filesBelow(dir.path()).size(), 3) << "a wrong command line touched a file";
    EXPECT_EQ(quillonTag({ good }).exitCode, 0);
    EXPECT_EQ(quillonTag({ bad }).exitCode, 1);
    // A report that never arrives is no clean run.
    for (const QString& argument : { good, QStringLiteral("--help") }) {
        const ProgramRun full = runProgram(QStringLiteral("sh"),
            { QStringLiteral("-c"), QStringLiteral("\"$0\" \"$1\" >/dev/full"), quillonTagPath(), argument });
        EXPECT_EQ(full.exitCode, 3) << qPrintable(argument);
        EXPECT_TRUE(full.err.startsWith(QStringLiteral("quillon-tag: the report could not be written")));
    }
}

// The names a shell would have to quote reach every report as they are, and the
// pages behind them are tagged and backed up once, however often they are named.
// Pictures are measured by our own readers: the tool loads no windowing library.
TEST(QuillonTag, LoadsQtCoreButNoWindowingLibrary)
{
    const ProgramRun ldd = runProgram(QStringLiteral("ldd"), { quillonTagPath() });
    ASSERT_EQ(ldd.exitCode, 0) << ldd.err.toStdString();
    EXPECT_TRUE(ldd.text().contains(QStringLiteral("libQt6Core")));
    for (const char* library : { "libQt6Gui", "libX11", "libxcb", "libEGL", "libGL", "libfontconfig" })
        EXPECT_FALSE(ldd.text().contains(QLatin1String(library))) << library;
}

TEST(QuillonTag, EveryReportCarriesEveryRowWhateverThePagesAreCalled)
{
    TempDir dir;
    const QString folder = QStringLiteral("site $HOME `x` 'q' ; & \u00e9t\u00e9");
    const QString picture = QStringLiteral("pic, \"1\".png");
    dir.write(folder + u'/' + picture, makePicture(QStringLiteral("png"), 12, 34));
    const QByteArray before = "<p><img src='pic, \"1\".png'><img></p>\n";
    const QByteArray after = "<p><img src='pic, \"1\".png' WIDTH=12 HEIGHT=34><img></p>\n";
    QList<QStringList> rows;
    for (const QString& name : { QStringLiteral("-n a'b$c`d;e&f*g?h \u00df\u6f22\nj.html"),
             QStringLiteral("comma, only.html"), QStringLiteral("quote \"only\".html") }) {
        const QString page = dir.write(folder + u'/' + name, before);
        rows << QStringList { page, picture, u"Success!"_s, u"tagged"_s, u"1"_s, u"4"_s }
             << QStringList { page, {}, u"Error: SRC= property not found."_s, u"no-src"_s, u"1"_s, u"28"_s };
    }
    const QString site = dir.file(folder);
    const QMap<QString, QByteArray> untouched = filesBelow(site);
    QString text;
    for (const QStringList& row : rows)
        text += row.first(3).join(u'\t') + u'\n';
    text += QStringLiteral("Found 3, Tagged 3, Errors 3\n");

    const ProgramRun json = quillonTag(words("--dry-run --report json") << site);
    EXPECT_EQ(json.exitCode, 1);
    const QJsonObject report = QJsonDocument::fromJson(json.out).object();
    QList<QStringList> jsonRows;
    for (const QJsonValue row : report[QStringLiteral("rows")].toArray())
        jsonRows << QStringList { row[QStringLiteral("file")].toString(),
            row[QStringLiteral("image")].toString(), row[QStringLiteral("status")].toString(),
            row[QStringLiteral("outcome")].toString(), QString::number(row[QStringLiteral("line")].toInt()),
            QString::number(row[QStringLiteral("column")].toInt()) };
    EXPECT_EQ(jsonRows, rows) << json.out.toStdString();
    EXPECT_EQ(report[QStringLiteral("errors")].toInt(), 3);

    const ProgramRun csv = quillonTag(words("--dry-run --report csv") << site);
    EXPECT_EQ(csv.exitCode, 1);
    EXPECT_EQ(
        parseCsv(csv.text()), QList<QStringList> { words("file image status outcome line column") } + rows);
    EXPECT_EQ(filesBelow(site), untouched) << "a dry run wrote";

    // Named through its folder and again by itself after "--", as it starts with "-".
    const ProgramRun real = quillonTag(QStringList { QStringLiteral("--"), site, rows[0][0] });
    EXPECT_EQ(real.exitCode, 1);
    EXPECT_EQ(real.text(), text);
    QMap<QString, QByteArray> expected = untouched;
    for (qsizetype i = 0; i < rows.size(); i += 2) {
        const QString page = QDir(site).relativeFilePath(rows[i][0]);
        expected[page] = after;
        expected[page + QStringLiteral(".bak")] = before;
    }
    EXPECT_EQ(filesBelow(site), expected);
}

// Pages are written through a temporary file named after them, which must still
// fit the file system's limit of 255 bytes for a name.
TEST(QuillonTag, PagesWithNamesNearTheLengthLimitAreTaggedAndBackedUp)
{
    TempDir dir;
    dir.write(QStringLiteral("a.png"), makePicture(QStringLiteral("png"), 12, 34));
    QStringList pages;
    for (const QString& stem :
        { QString(240, u'a'), QString(120, QChar(0xE9)), QStringLiteral("\U0001F600").repeated(60) }) {
        ASSERT_EQ(QFile::encodeName(stem + QStringLiteral(".html")).size(), 245);
        pages << dir.write(stem + QStringLiteral(".html"), "<img src=a.png>");
    }
    EXPECT_EQ(quillonTag(pages).exitCode, 0);
    for (const QString& page : pages) {
        EXPECT_EQ(slurp(page), QByteArray("<img src=a.png WIDTH=12 HEIGHT=34>"));
        EXPECT_EQ(slurp(page + QStringLiteral(".bak")), QByteArray("<img src=a.png>"));
    }
    EXPECT_EQ(filesBelow(dir.path()).size(), 7) << "an unfinished write was left";
}

TEST(QuillonTag, NoPictureOutsideTheRootIsRead)
{
    TempDir dir;
    dir.write(QStringLiteral("outside.png"), makePicture(QStringLiteral("png"), 77, 7));
    dir.write(QStringLiteral("root/img/in.gif"), makePicture(QStringLiteral("gif"), 5, 6));
    ASSERT_TRUE(
        QFile::link(QStringLiteral("../../outside.png"), dir.file(QStringLiteral("root/img/link.png"))));
    const QByteArray page = "<img src=/img/in.gif><img src=/../outside.png><img src=../../outside.png>"
                            "<img src=/img/link.png><img src=../img/link.png>";
    const QString root = dir.file(QStringLiteral("root"));
    // The root given here, the one the window stored, or both: --root wins.
    const Settings stored(SettingsStore(dir.file(QStringLiteral("config"))));
    stored.write(keys::BorderReact, QStringLiteral("1"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), stored.store().folder());
    const std::pair<QString, QStringList> ways[] = { { QString(), words("--root") << root },
        { root, words("--use-settings") }, { dir.path(), words("--use-settings --root") << root } };
    for (const auto& [storedRoot, given] : ways) {
        SCOPED_TRACE(given.join(u' ').toStdString());
        stored.write(keys::SiteRoot, storedRoot);
        const QString file = dir.write(QStringLiteral("root/pages/p.html"), page);
        const ProgramRun run = quillonTag(words("--no-backup") << given << file, {}, environment);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.text().count(u"\tSuccess!"_s), 1) << qPrintable(run.text());
        EXPECT_TRUE(run.text().endsWith(QStringLiteral("Found 5, Tagged 1, Errors 4\n")))
            << qPrintable(run.text());
        EXPECT_EQ(slurp(file), QByteArray(page).replace("in.gif>", "in.gif WIDTH=5 HEIGHT=6>"));
    }
}

// A check changes nothing, not even in a tree it may not write to, and points at
// each tag it fails on by line and by column in characters, here of a UTF-16 page
// with line ends of every kind and a character outside the BMP, a UTF-8 page and a Windows-1252 one.
TEST(QuillonTag, CheckWritesNothingAndPointsAtWhatFixingWouldChange)
{
    TempDir dir;
    dir.write(QStringLiteral("site/a.png"), makePicture(QStringLiteral("png"), 64, 32));
    const auto utf16 = [](const QString& text) {
        return QByteArray(QStringEncoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom)(text));
    };
    const QString page = dir.write(QStringLiteral("site/p.html"),
        utf16(u"<p>\u00e9\r\n  <img src=a.png>\r\t\U0001F600<IMG SRC=a.png width=100 height='100px'>\n"
              u"<img src=a.png width=128 height=65><img src=a.png width=50% height=7>"_s));
    const QString utf8
        = dir.write(QStringLiteral("site/q.html"), "\xEF\xBB\xBF\xC3\xA9<img src=a.png width=64 height=32>");
    const QString cp1252
        = dir.write(QStringLiteral("site/r.html"), "\x93\xE9\x94<img src=a.png width=64 height=32>");
    const QString site = dir.file(QStringLiteral("site"));
    const QMap<QString, QByteArray> before = filesBelow(site);
    const QDateTime changed
        = QFileInfo(site).lastModified(); // a file made and removed moves it, even for root
    ASSERT_TRUE(QFile::setPermissions(site, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const ProgramRun check = quillonTag(words("--check --report lint") << site);
    QFile::setPermissions(site, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_EQ(check.text(),
        page + u":2:3: Would add WIDTH=64 HEIGHT=32.\n"_s + page
            + u":3:3: Stale: Size given does not match the picture (64 x 32).\n"_s + page
            + u":4:1: Skipped: No changes needed.\n"_s + page + u":4:36: Skipped: No changes needed.\n"_s
            + utf8 + u":1:2: Skipped: No changes needed.\n"_s + cp1252
            + u":1:4: Skipped: No changes needed.\n"_s);
    EXPECT_EQ(filesBelow(site), before);
    EXPECT_EQ(QFileInfo(site).lastModified(), changed);

    EXPECT_EQ(quillonTag(words("--fix-stale --no-backup") << site).exitCode, 0);
    EXPECT_EQ(slurp(page),
        utf16(u"<p>\u00e9\r\n  <img src=a.png WIDTH=64 HEIGHT=32>\r\t\U0001F600<IMG SRC=a.png width=100 "
              u"height='50px'>\n<img src=a.png width=128 height=65><img src=a.png width=50% height=7>"_s));
    const ProgramRun clean = quillonTag(words("--check -q") << site);
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_EQ(clean.text(), u"Found 6, Tagged 0, Errors 0\n"_s);
}

// The progress line shows only on a terminal, gives way to the rows on it and is
// gone before the totals, also when no row came to clear it.
TEST(QuillonTag, ProgressShowsOnATerminalAndLeavesTheReportAsWithout)
{
    TempDir dir;
    dir.write(QStringLiteral("a.png"), makePicture(QStringLiteral("png"), 12, 34));
    const QString good = dir.write(QStringLiteral("good.html"), "<img src=a.png>");
    const QString bad = dir.write(QStringLiteral("bad.html"), "<img src=none.png>");
    // On a pseudo-terminal, which writes each line end as CR LF.
    auto onTerminal = [](const QStringList& arguments) {
        const QStringList spawn { u"-c"_s, u"import pty, sys; pty.spawn(sys.argv[1:])"_s, quillonTagPath() };
        return runProgram(u"python3"_s, spawn + arguments).text().replace(u"\r\n"_s, u"\n"_s);
    };
    for (const QStringList& arguments :
        { words("--dry-run") << good << bad, words("--dry-run -q") << good }) {
        SCOPED_TRACE(qPrintable(arguments.join(u' ')));
        const ProgramRun piped = quillonTag(arguments);
        EXPECT_EQ(piped.err, QString()) << "progress on a pipe";
        EXPECT_EQ(onTerminal(arguments + words("--no-progress")), piped.text());
        QString shown = onTerminal(arguments);
        EXPECT_TRUE(shown.contains(QRegularExpression(u"\r\\d/\\d pages, \\d+ tags, [01] errors, 0:0\\d"_s)))
            << qPrintable(shown);
        // Each drawing of the line runs to the next carriage return; each wiping is blanks between two.
        EXPECT_EQ(shown.remove(QRegularExpression(u"\r(\\d+/\\d+ pages, [^\r]*| +\r)"_s)), piped.text());
    }
}

// Undo, beside the pages and from a backup folder: a page that only got our
// clauses gets its backup back; one edited since, and one never backed up, say
// so and stay as they are. Nothing is removed.
TEST(QuillonTag, RestorePutsBackTaggedPagesAndLeavesEditedOnesAlone)
{
    for (const QStringList& backups : { QStringList(), words("--backup-dir bk") }) {
        TempDir dir;
        SCOPED_TRACE(qPrintable(backups.join(u' ')));
        ASSERT_TRUE(QDir(dir.path()).mkdir(u"bk"_s));
        dir.write(u"site/a.png"_s, makePicture(u"png"_s, 12, 34));
        const QByteArray original = "<p><img src=a.png></p>\n";
        const QString edited = dir.write(u"site/edited.html"_s, original);
        const QString fresh = dir.write(u"site/fresh.html"_s, "<p>no picture</p>");
        const QString tagged = dir.write(u"site/tagged.html"_s, original);
        ASSERT_EQ(quillonTag(backups + QStringList { u"site"_s }, dir.path()).exitCode, 0);
        dir.write(u"site/edited.html"_s, slurp(edited) + "<p>more");
        const QMap<QString, QByteArray> before = filesBelow(dir.path());

        const ProgramRun run = quillonTag(backups + words("--restore --report csv site"), dir.path());
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(parseCsv(run.text()).mid(1),
            (QList<QStringList> {
                { u"site/edited.html"_s, {}, u"Error: Page changed since it was tagged. Not restored."_s,
                    u"changed-since-tagged"_s, u"0"_s, u"0"_s },
                { u"site/fresh.html"_s, {}, u"Skipped: No backup to restore."_s, u"no-backup"_s, u"0"_s,
                    u"0"_s },
                { u"site/tagged.html"_s, {}, u"Restored from its backup."_s, u"restored"_s, u"0"_s,
                    u"0"_s } }));
        QMap<QString, QByteArray> expected = before;
        expected[u"site/tagged.html"_s] = original;
        EXPECT_EQ(filesBelow(dir.path()), expected);
    }
}
