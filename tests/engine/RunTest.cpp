#include "settings/StoredOptions.h"
#include "engine/html/DocumentText.h"
#include "engine/run/BackupIndex.h"
#include "engine/run/RunResources.h"
#include "engine/run/WrittenClauses.h"
#include "settings/SettingKeys.h"
#include "tests/engine/EngineFixture.h"

#include <QFileInfo>
#include <QPoint>
#include <QStringEncoder>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>

namespace quillon::test {
namespace {

using namespace Qt::StringLiterals;

class DocumentPassTest : public EngineTest {
protected:
    // Every file in the test folder, the hidden ones of unfinished writes too.
    QMap<QString, QByteArray> files() const { return filesBelow(dir.path()); }
    void customAlt(const QString& text)
    {
        options.generateBackups = false;
        options.addAlt = true;
        options.altTextIndex = 1;
        options.altText = text;
    }
};

TEST_F(DocumentPassTest, OnlyClausesAreInsertedAfterABackupAndASecondRunAddsNothing)
{
    // A link where the backup goes is replaced, never written through.
    ASSERT_TRUE(QFile::link(dir.write(u"elsewhere"_s, "keep me"), html + u".bak"_s));
    auto expected = files();
    const QByteArray original("<html>\r\n<p>a<img src=a.gif>b\n\t<IMG SRC=\"pics/logo.gif\" />\r\n"
                              "<Img src=a.gif width=1 height=1></p>");
    dir.write(u"page.html"_s, original);
    engine().run({ html });
    expected[u"page.html"_s]
        = "<html>\r\n<p>a<img src=a.gif WIDTH=120 HEIGHT=60>b\n\t<IMG SRC=\"pics/logo.gif\" "
          "WIDTH=120 HEIGHT=60 />\r\n<Img src=a.gif width=1 height=1></p>";
    expected[u"page.html.bak"_s] = original;
    EXPECT_EQ(files(), expected);
    EXPECT_EQ(engine().report().counters().total, (std::array<int, 3> { 3, 2, 0 }));

    // The page keeps its time, and the backup is still the page before the first run.
    ASSERT_EQ(runProgram(u"touch"_s, { u"-d"_s, u"2001-02-03 04:05"_s, html }).exitCode, 0);
    engine().run({ html });
    EXPECT_EQ(files(), expected);
    EXPECT_EQ(QFileInfo(html).lastModified(), QDateTime(QDate(2001, 2, 3), QTime(4, 5)));
}

// A page reached through a link is written where the link leads, and keeps its mode.
TEST_F(DocumentPassTest, ALinkedPageIsWrittenThroughItsLinkAndKeepsItsMode)
{
    options.generateBackups = false;
    const QString real = dir.write(u"real.html"_s, "<img src=a.gif>");
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(real, html));
    engine().run({ html });
    EXPECT_EQ(QFileInfo(html).symLinkTarget(), real);
    EXPECT_EQ(slurp(real), "<img src=a.gif WIDTH=120 HEIGHT=60>");
    struct stat st { };
    ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(DocumentPassTest, NoRewriteWithoutItsBackup)
{
    dir.write(u"page.html"_s, "<img src=a.gif>");
    const auto before = files();
    // A backup folder the user chose, and that is gone, is not made.
    options.globalBackups = true;
    options.backupPath = dir.file(u"chosen/"_s);
    engine().run({ html });
    EXPECT_EQ(files(), before);
    EXPECT_FALSE(QFileInfo::exists(options.backupPath));
    EXPECT_EQ(lastRow().statusText(), u"Error: Unable to write backup. File not changed."_s);

    // A backup staged that cannot be put in place: the page's new bytes are let go too.
    options.globalBackups = false;
    engine().setDeferredWrites(true);
    engine().TagFile(html);
    const StagedDocument staged = engine().takeStaged();
    ASSERT_TRUE(staged.backup && staged.document);
    ASSERT_TRUE(QFile::remove(staged.backup->temp));
    EXPECT_EQ(commitDocument(staged, true, false), Outcome::BackupFailed);
    EXPECT_EQ(files(), before);
}

TEST_F(DocumentPassTest, ReadOnlyPageKeepsItsEarlierBackup)
{
    dir.write(u"page.html"_s, "<img src=a.gif>");
    dir.write(u"page.html.bak"_s, "an earlier version");
    ::chmod(QFile::encodeName(html).constData(), 0444);
    const auto before = files();
    engine().run({ html });
    EXPECT_EQ(files(), before);
    EXPECT_EQ(lastRow().outcome, Outcome::WriteFailed);
}

// Same-named pages of one run get a backup each, also from engines that tag in
// parallel; the program's own backup folder is made when first needed.
TEST_F(DocumentPassTest, GlobalBackupsAreNumberedInAFolderMadeWhenNeeded)
{
    options.globalBackups = options.makeBackupFolder = options.dryRun = true;
    options.backupPath = dir.file(u"own/"_s);
    RunResources shared([] { return std::make_unique<RefusingFetcher>(); }, 2);
    TaggingEngine first([this] { return options; }, shared), second([this] { return options; }, shared);
    const QByteArray tag("<img src=../a.gif>");
    first.TagFile(dir.write(u"x/index.htm"_s, tag));
    EXPECT_FALSE(QFileInfo::exists(options.backupPath)); // nothing written yet
    options.dryRun = false;
    for (const auto& [folder, backup] :
        { std::pair { "x", "index.htm.bak" }, { "y", "index.htm.2.bak" }, { "z", "index.htm.3.bak" } }) {
        (*folder == 'y' ? second : first).TagFile(dir.write(folder + u"/index.htm"_s, tag + folder));
        EXPECT_EQ(slurp(options.backupPath + QLatin1String(backup)), tag + folder);
    }
}

TEST_F(DocumentPassTest, PageChangedDuringThePassIsNotOverwritten)
{
    struct Editor : RunObserver {
        void documentRewritten(const QString&, const QByteArray&, const QByteArray&) override { edit(); }
        std::function<void()> edit;
    } editor;
    observer = &editor;
    const std::function<void()> edits[] = {
        [&] { dir.write(u"page.html"_s, "theirs"); }, // saved in place
        // replaced by another file
        [&] { std::rename(QFile::encodeName(dir.write(u"new"_s, "theirs")), QFile::encodeName(html)); },
    };
    auto expected = files();
    expected[u"page.html"_s] = "theirs";
    expected[u"page.html.bak"_s] = "<img src=a.gif>";
    for (const auto& edit : edits) {
        dir.write(u"page.html"_s, "<img src=a.gif>");
        editor.edit = edit;
        engine().TagFile(html);
        EXPECT_EQ(files(), expected);
        EXPECT_EQ(lastRow().outcome, Outcome::WriteFailed);
    }
}

QByteArray utf16(const QString& text, bool littleEndian, bool mark = true)
{
    return QStringEncoder(littleEndian ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE,
        mark ? QStringEncoder::Flag::WriteBom : QStringEncoder::Flag::Default)
        .encode(text);
}

TEST_F(DocumentPassTest, EveryEncodingKeepsTheBytesOutsideTheClauses)
{
    customAlt(u"é € Ω"_s);
    dir.write(u"café.png"_s, makePicture(u"png"_s, 3, 2));
    const QString before = u"<p>é<img src=café.png></p>"_s;
    const QString after = u"<p>é<img src=café.png WIDTH=3 HEIGHT=2 ALT=\"é € Ω\"></p>"_s;
    const struct {
        const char* name;
        QByteArray before, after;
    } cases[] = { { "utf-8", before.toUtf8(), after.toUtf8() },
        { "windows-1252", "<p>\xE9<img src=caf\xE9.png></p>",
            "<p>\xE9<img src=caf\xE9.png WIDTH=3 HEIGHT=2 ALT=\"\xE9 \x80 &#937;\"></p>" },
        { "utf-16le", utf16(before, true), utf16(after, true) },
        { "utf-16be", utf16(before, false), utf16(after, false) },
        { "utf-16le, odd last byte", utf16(before, true) + '<', utf16(after, true) + '<' },
        // Without a mark it is read as bytes: no tag is seen, and nothing changes.
        { "utf-16le unmarked", utf16(before, true, false), utf16(before, true, false) },
        { "utf-16be unmarked", utf16(before, false, false), utf16(before, false, false) } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        engine().TagFile(dir.write(u"page.html"_s, c.before));
        EXPECT_EQ(slurp(html), c.after);
        const DocumentText text = DocumentText::decode(c.before);
        EXPECT_EQ(text.encode(text.units().toString()), c.before);
    }
    // Bytes Windows-1252 leaves undefined stand for the control characters of the same number.
    const DocumentText undefinedBytes = DocumentText::decode("\x81\x80\x9d");
    EXPECT_EQ(undefinedBytes.toText(undefinedBytes.units()), u"\u0081\u20ac\u009d"_s);
}

// XHTML pages stay well-formed: lower-case names, quoted values, escaped text.
TEST_F(DocumentPassTest, XmlPagesGetXmlClauses)
{
    customAlt(u"Tom & \"Jerry\" <3"_s);
    const QByteArray xml(" width=\"120\" height=\"60\" alt=\"Tom &amp; &quot;Jerry&quot; &lt;3\"");
    const QByteArray plain(" WIDTH=120 HEIGHT=60 ALT=\"Tom &amp; &quot;Jerry&quot; <3\"");
    const std::pair<const char*, bool> cases[] = { { "<?xml version=\"1.0\"?>\n<p><img src=\"a.gif\"", true },
        { "\xEF\xBB\xBF \r\n<?xml version=\"1.0\"?><img src=\"a.gif\"", true },
        { "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><img src=\"a.gif\"", true },
        { "<html><p><?xml?><img src=\"a.gif\"", false },
        { "<html xmlns=\"http://www.w3.org/TR/REC-html40\"><img src=\"a.gif\"", false } };
    for (const auto& [before, isXml] : cases) {
        SCOPED_TRACE(before);
        engine().TagFile(dir.write(u"page.html"_s, QByteArray(before) + " />"));
        EXPECT_EQ(slurp(html), before + (isXml ? xml : plain) + " />");
    }
}

// A picture's sources before its <img> get a box of their own shape once the <img>
// has its size; the rows after each page's <img> row are its sources'.
TEST_F(DocumentPassTest, PictureSourcesOfAnotherShapeGetABoxOfTheirOwn)
{
    options.generateBackups = false;
    dir.write(u"wide.png"_s, makePicture(u"png"_s, 400, 100));
    const Outcome done = Outcome::Tagged, sized = Outcome::SourceSized, same = Outcome::NoChanges;
    const struct {
        const char *before, *after;
        std::vector<Outcome> rows;
    } cases[] = {
        { "<picture><source media=\"(min-width: 800px)\" srcset=\"wide.png\"><img src=\"a.gif\"></picture>",
            "<picture><source media=\"(min-width: 800px)\" srcset=\"wide.png\" WIDTH=120 HEIGHT=30>"
            "<img src=\"a.gif\" WIDTH=120 HEIGHT=60></picture>",
            { done, sized } },
        // Within one pixel of the <img>'s shape is the same shape; a broken candidate is passed over.
        { "<PICTURE><source srcset=\"pics/logo.gif 2x, wide.png\"><source srcset=\"tall.png\t800w\">"
          "<source srcset=\"wide.png 2x 3x, tall.png 1.5x\"><img src=a.gif width=240 height=121>",
            "<PICTURE><source srcset=\"pics/logo.gif 2x, wide.png\"><source srcset=\"tall.png\t800w\" "
            "WIDTH=240 "
            "HEIGHT=960><source srcset=\"wide.png 2x 3x, tall.png 1.5x\" WIDTH=240 HEIGHT=960>"
            "<img src=a.gif width=240 height=121>",
            { same, same, sized, sized } },
        { "<picture><source width=\"60\" srcset=wide.png><source Height=10 srcset=tall.png>"
          "<source width=1 height=1 srcset=wide.png><source width=auto srcset=wide.png><img src=a.gif>",
            "<picture><source width=\"60\" srcset=wide.png HEIGHT=15><source Height=10 srcset=tall.png "
            "WIDTH=3>"
            "<source width=1 height=1 srcset=wide.png><source width=auto srcset=wide.png>"
            "<img src=a.gif WIDTH=120 HEIGHT=60>",
            { done, sized, sized, same, Outcome::SizeNotANumber } },
        { "<picture><source srcset=\"https://cdn.example/w.png\"><source srcset=\"{{ site.wide }}\">"
          "<source srcset=gone.png><img src=a.gif width=1 height=1>",
            "<picture><source srcset=\"https://cdn.example/w.png\"><source srcset=\"{{ site.wide }}\">"
            "<source srcset=gone.png><img src=a.gif width=1 height=1>",
            { same, Outcome::Offline, Outcome::TemplatePath, Outcome::PictureFailed } },
        // Sources of no picture, after its <img>, or of an <img> without a size are left alone.
        { "<video><source srcset=wide.png></video><picture></picture><source srcset=wide.png><img src=a.gif>"
          "<picture><img src=a.gif><source srcset=wide.png></picture><picture><source srcset=wide.png>"
          "<img src=gone.gif>",
            "<video><source srcset=wide.png></video><picture></picture><source srcset=wide.png><img "
            "src=a.gif "
            "WIDTH=120 HEIGHT=60><picture><img src=a.gif WIDTH=120 HEIGHT=60><source "
            "srcset=wide.png></picture>"
            "<picture><source srcset=wide.png><img src=gone.gif>",
            { done, done, Outcome::PictureFailed } },
        { "<html xmlns=\"http://www.w3.org/1999/xhtml\"><picture><source srcset=\"wide.png\"/><img "
          "src=\"a.gif\"/>",
            "<html xmlns=\"http://www.w3.org/1999/xhtml\"><picture><source srcset=\"wide.png\" width=\"120\" "
            "height=\"30\" /><img src=\"a.gif\" width=\"120\" height=\"60\" />",
            { done, sized } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        const qsizetype first = engine().report().rows().size();
        engine().run({ dir.write(u"page.html"_s, c.before) });
        EXPECT_EQ(slurp(html), c.after);
        std::vector<Outcome> rows;
        for (const ReportRow& row : engine().report().rows().sliced(first))
            rows.push_back(row.outcome);
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(total(Counter::Found), QByteArray(c.before).count("<img"));
        EXPECT_EQ(total(Counter::Tagged), std::count(rows.begin(), rows.end(), done));
    }
}

TEST(WrittenClauses, OnlyOurClausesAndCorrectedHeightsLeaveThePageItsBackup)
{
    const QString backup = u"<p>é<img src=a.gif>b<IMG SRC='x' height=\"100\" width=20 /></p>"
                           u"<picture><source srcset=a.gif><img src=a.gif></picture><source src=v.webm>"
                           u"<img src=a.gif alt=>"_s;
    const QString html = u"<p>é<img src=a.gif WIDTH=120 HEIGHT=60 ALT=\"a.gif\">b<IMG SRC='x' height=\"100\" "
                         u"width=20 BORDER=10 /></p><picture><source srcset=a.gif WIDTH=120 HEIGHT=60>"
                         u"<img src=a.gif></picture><source src=v.webm><img src=a.gif WIDTH=1 alt=>"_s;
    const struct {
        const char* why;
        QString page;
        bool same;
    } cases[] = {
        { "clauses added", html, true },
        { "clauses of XML pages, a stale height corrected",
            QString(backup)
                .replace(u"<img src=a.gif>b"_s, u"<img src=a.gif width=\"1\" height=\"2\">b"_s)
                .replace(u"\"100\""_s, u"\"50\""_s),
            true },
        { "a word changed", QString(html).replace(u'b', u'c'), false },
        { "an attribute of someone else's", QString(html).replace(u"BORDER"_s, u"CLASS"_s), false },
        { "a clause that is not where we write",
            QString(backup).replace(u"src=a.gif>b"_s, u"WIDTH=1 src=a.gif>b"_s), false },
        { "a width changed", QString(backup).replace(u"width=20"_s, u"width=30"_s), false },
        { "a clause the tag had added again", QString(backup).replace(u"20 /"_s, u"20 WIDTH=20 /"_s), false },
        { "a clause in mixed case", QString(html).replace(u"BORDER"_s, u"Border"_s), false },
        { "sizes on a video's source", QString(backup).replace(u"v.webm>"_s, u"v.webm WIDTH=1>"_s), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(onlyWrittenClausesDiffer(backup.toUtf8(), c.page.toUtf8()), c.same);
        EXPECT_EQ(onlyWrittenClausesDiffer(utf16(backup, true), utf16(c.page, true)), c.same);
    }
    EXPECT_FALSE(onlyWrittenClausesDiffer(html.toUtf8(), backup.toUtf8())) << "clauses the page lacks";
}

// A page tagged in part (a picture missing, a run stopped) keeps the backup of
// its first run, beside it or in the global folder: a later run that adds what
// was missing never replaces it. A page edited since gets a new one.
TEST_F(DocumentPassTest, BackupsKeepThePageFromBeforeTheFirstRun)
{
    struct Stopper : RunObserver {
        void fileStarted(int index, int, const QString&) override
        {
            if (index == 1 && armed)
                engine->requestStop();
        }
        TaggingEngine* engine = nullptr;
        bool armed = true;
    } stopper;
    observer = &stopper;
    stopper.engine = &engine();
    const QByteArray one("<img src=a.gif><img src=late.png height=\"7\">");
    const QByteArray two("<img src=tall.png>");
    for (const bool global : { false, true }) {
        SCOPED_TRACE(global ? "global" : "beside");
        options.globalBackups = global;
        options.backupPath = dir.file(u"backups/"_s);
        ASSERT_TRUE(QDir().mkpath(options.backupPath));
        const QStringList pages { dir.write(u"one.html"_s, one), dir.write(u"two.html"_s, two) };
        QFile::remove(dir.file(u"late.png"_s));
        stopper.armed = true;
        engine().run(pages);
        EXPECT_EQ(slurp(pages[1]), two);
        dir.write(u"late.png"_s, makePicture(u"png"_s, 2, 1));
        stopper.armed = false;
        engine().run(pages);
        EXPECT_EQ(
            slurp(pages[0]), "<img src=a.gif WIDTH=120 HEIGHT=60><img src=late.png height=\"7\" WIDTH=14>");
        const QByteArray edited = slurp(pages[1]) + "<img src=a.gif>";
        dir.write(u"two.html"_s, edited);
        engine().run(pages);

        const BackupIndex index = BackupIndex::load(options.backupPath);
        auto backupOf = [&](const QString& page) {
            return global ? options.backupPath + index.backupOf(page) : page + u".bak"_s;
        };
        EXPECT_EQ(slurp(backupOf(pages[0])), one);
        EXPECT_EQ(slurp(backupOf(pages[1])), edited);
        EXPECT_EQ(QDir(options.backupPath).entryList(QDir::Files).size(), global ? 3 : 0);
    }
}

// The backup folder's index reads back what it wrote, a tab and a backslash in a
// path included, and passes over the lines it cannot trust: no name it gives is
// empty or leads out of the folder.
TEST(BackupIndex, ReadsBackWhatItWroteAndPassesOverDamagedLines)
{
    TempDir dir;
    const QString odd = dir.file(u"a\tb\\c.html"_s);
    BackupIndex written = BackupIndex::load(dir.path());
    written.record(u"a.html.bak"_s, odd, QDateTime::currentDateTimeUtc());
    ASSERT_TRUE(written.save());
    const QString file = QString::fromLatin1(BackupIndex::kFileName);
    const QByteArray time = "\t2026-01-01T00:00:00Z\n";
    dir.write(file,
        slurp(dir.file(file)) + "../x.bak\t/p1" + time + "..\t/p2" + time + "\t/p3" + time + "b\\q.bak\t/p4"
            + time + "c.bak\t/p5\tyesterday\n" + "d.bak\t/p6\n");
    const BackupIndex read = BackupIndex::load(dir.path());
    EXPECT_EQ(read.backupOf(odd), u"a.html.bak"_s);
    for (const char* page : { "/p1", "/p2", "/p3", "/p4", "/p5", "/p6" })
        EXPECT_EQ(read.backupOf(QString::fromLatin1(page)), QString()) << page;
    EXPECT_FALSE(read.lists(QString()));
}

struct Recorder : RunObserver {
    void progressChanged(double value, double maximum) override
    {
        values << value;
        maxima << maximum;
    }
    void fileStarted(int index, int count, const QString&) override
    {
        files << QPoint(index, count);
        if (changeOptions)
            changeOptions->addBorder = true; // as if the Options page were used meanwhile
    }
    TagOptions* changeOptions = nullptr;
    void runFinished() override { ++finished; }
    QList<double> values, maxima;
    QList<QPoint> files;
    int finished = 0;
};

class TaggingRun : public EngineTest {
protected:
    TaggingRun()
    {
        options.generateBackups = false;
        observer = &recorder;
    }
    Recorder recorder;
};

TEST_F(TaggingRun, ProgressMovesWithinAPageAndTheEndClearsTheCurrentCounters)
{
    QByteArray longPage;
    for (int i = 0; i < 50; ++i)
        longPage += "<p>some words between the pictures</p><img src=a.gif>\n";
    recorder.changeOptions = &options;
    const QString last = dir.write(u"3.html"_s, "<img src=a.gif><img src=gone.gif>");
    engine().run({ dir.write(u"long.html"_s, longPage), dir.write(u"no.html"_s, "none"), last });
    EXPECT_FALSE(slurp(last).contains("BORDER")) << "the options changed within one run";
    EXPECT_EQ(recorder.files, QList<QPoint>({ { 0, 3 }, { 1, 3 }, { 2, 3 } }));
    // Four steps a file; the long first page shows its way through.
    EXPECT_EQ(recorder.values.value(0, -1), 0);
    EXPECT_TRUE(std::is_sorted(recorder.values.begin(), recorder.values.end()));
    EXPECT_TRUE(
        std::any_of(recorder.values.begin(), recorder.values.end(), [](double v) { return v > 1 && v < 2; }));
    EXPECT_EQ(recorder.values.back(), 12);
    EXPECT_EQ(recorder.maxima.back(), 12);
    EXPECT_EQ(recorder.finished, 1);
    const Counters& counters = engine().report().counters();
    EXPECT_EQ(counters.total, (std::array<int, 3> { 52, 51, 1 }));
    EXPECT_EQ(counters.current, (std::array<int, 3> {}));

    engine().ClearStatus();
    EXPECT_TRUE(engine().report().rows().isEmpty());
    EXPECT_EQ(engine().report().counters(), Counters());
    EXPECT_EQ(engine().progressValue(), 0);
}

TEST(TagOptionsFromSettings, EveryStoredKeyIsRead)
{
    TempDir dir;
    const Settings settings { SettingsStore(dir.path()) };
    const TagOptions fresh = tagOptionsFromSettings(settings);
    EXPECT_TRUE(fresh.addBorder && fresh.generateBackups && fresh.makeBackupFolder);
    EXPECT_EQ(fresh.backupPath, defaultBackupPath());
    EXPECT_TRUE(fresh.siteRoot.isEmpty());
    const std::pair<SettingKey, QString> stored[] = { { keys::OnlineMode, u"True"_s },
        { keys::BorderReact, u"1"_s }, { keys::BorderSizeIndex, u"0"_s }, { keys::AltReact, u"2"_s },
        { keys::AltTextIndex, u" 1.0 "_s }, { keys::AltText, u"Hi"_s }, { keys::GenerateBackups, u"False"_s },
        { keys::BackupMode, u"Global"_s }, { keys::BackupPath, dir.path() }, { keys::SiteRoot, dir.path() } };
    for (const auto& [key, value] : stored)
        settings.write(key, value);
    const TagOptions read = tagOptionsFromSettings(settings);
    EXPECT_TRUE(read.online && read.addAlt && read.globalBackups);
    EXPECT_FALSE(read.addBorder || read.generateBackups || read.makeBackupFolder);
    EXPECT_EQ(read.borderSize, u"0"_s);
    EXPECT_EQ(read.altTextIndex, 1.0);
    EXPECT_EQ(read.altText, u"Hi"_s);
    EXPECT_EQ(read.backupPath, dir.path() + u'/');
    EXPECT_EQ(read.siteRoot, dir.path());
}

} // namespace
} // namespace quillon::test
