#include "engine/StatusTexts.h"
#include "settings/SettingKeys.h"
#include "tests/engine/EngineFixture.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <functional>
#include <string>

#include <cstdio>
#include <sys/stat.h>

using namespace quillon;
using quillon::test::EngineTest;
using quillon::test::slurp;

namespace {

QByteArray utf16(const QString& text, bool littleEndian)
{
    QByteArray bytes = littleEndian ? QByteArray("\xFF\xFE", 2) : QByteArray("\xFE\xFF", 2);
    for (const QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        bytes.append(littleEndian ? lo : hi);
        bytes.append(littleEndian ? hi : lo);
    }
    return bytes;
}

} // namespace

class DocumentPassTest : public EngineTest {
protected:
    QString page(const QByteArray& bytes, const QString& name = QStringLiteral("page.html"))
    {
        return dir.write(name, bytes);
    }
    void runOn(const QStringList& files) { engine().run(files); }
};

TEST_F(DocumentPassTest, OnlyTheClausesAreInsertedEveryOtherByteStays)
{
    const QByteArray original(
        "<html>\r\n<p>a<img src=a.gif>b\n\t<IMG SRC=\"a.gif\" />\r\n<Img src=a.gif width=1 height=1></p>");
    const QString path = page(original);
    runOn({ path });
    EXPECT_EQ(slurp(path),
        QByteArray(
            "<html>\r\n<p>a<img src=a.gif WIDTH=120 HEIGHT=60>b\n\t<IMG SRC=\"a.gif\" WIDTH=120 HEIGHT=60 />"
            "\r\n<Img src=a.gif width=1 height=1></p>"));
    EXPECT_EQ(slurp(path + QStringLiteral(".bak")), original);
    EXPECT_EQ(engine().report().rows().size(), 3);
}

TEST_F(DocumentPassTest, DocumentWithNothingToAddIsNotWrittenAgain)
{
    const QByteArray original("<img src=a.gif width=120 height=60>\r\n");
    const QString path = page(original);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-3600);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(before, QFileDevice::FileModificationTime));
    file.close();
    runOn({ path });
    EXPECT_EQ(slurp(path), original);
    EXPECT_EQ(QFileInfo(path).lastModified(), before);
}

// What a browser shows no picture for is left as it is, and not reported.
TEST_F(DocumentPassTest, TagsABrowserDoesNotSeeStayAndGetNoRow)
{
    for (const char* text : { "text <img src=a.gif", "<!-- <img src=\"gone.gif\"> -->",
             "<xmp><img src=\"a.gif\"></xmp>", "<script>document.write(\"<img src='a.gif'>\")</script>" }) {
        SCOPED_TRACE(text);
        const QString path = page(text);
        runOn({ path });
        EXPECT_EQ(slurp(path), QByteArray(text));
        EXPECT_TRUE(engine().report().rows().isEmpty());
    }
}

// XHTML pages stay well-formed: lower-case names, quoted values, escaped text.
TEST_F(DocumentPassTest, XmlPagesGetXmlClauses)
{
    options.addBorder = true;
    options.borderSize = QStringLiteral("0");
    options.addAlt = true;
    options.altTextIndex = 1;
    options.altText = QStringLiteral("Tom & \"Jerry\" <3");
    const QByteArray upper(" WIDTH=120 HEIGHT=60 BORDER=0 ALT=\"Tom &amp; &quot;Jerry&quot; <3\"");
    const QByteArray lower(
        " width=\"120\" height=\"60\" border=\"0\" alt=\"Tom &amp; &quot;Jerry&quot; &lt;3\"");
    struct Case {
        const char* before; // the page up to its tag's insertion point
        const char* after; // the rest of the page
        bool xml;
    };
    const Case cases[] = {
        { "<?xml version=\"1.0\"?>\n<p><img src=\"a.gif\"", " /></p>", true },
        { "\xEF\xBB\xBF \r\n<?xml version=\"1.0\"?><img src=\"a.gif\"", ">", true },
        { "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\"><img src=\"a.gif\"",
            " />", true },
        { "<html><p><?xml?><img src=\"a.gif\"", ">", false },
        { "<html xmlns=\"http://www.w3.org/TR/REC-html40\"><img src=\"a.gif\"", ">", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        const QString path = page(QByteArray(c.before) + c.after);
        runOn({ path });
        EXPECT_EQ(slurp(path), QByteArray(c.before) + (c.xml ? lower : upper) + c.after);
    }
    options.lowerCaseClauses = true;
    const QString path = page("<img src=a.gif>");
    runOn({ path });
    EXPECT_EQ(slurp(path), "<img src=a.gif" + lower + ">");
}

TEST_F(DocumentPassTest, EmptyDocumentIsLeftAlone)
{
    const QString path = page(QByteArray());
    runOn({ path });
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".bak")));
}

// A backup is put in place only for a document about to change, so a second run
// over a tagged page keeps the backup of its bytes before the first; and a link
// where the backup goes is replaced, never written through.
TEST_F(DocumentPassTest, BackupsHoldTheBytesBeforeTheRunThatChangedThePage)
{
    const QByteArray original("<img src=a.gif>");
    const QString path = page(original);
    const QString elsewhere = dir.write(QStringLiteral("elsewhere.txt"), "keep me");
    ASSERT_TRUE(QFile::link(elsewhere, path + QStringLiteral(".bak")));
    runOn({ path });
    const QByteArray tagged = slurp(path);
    ASSERT_NE(tagged, original);
    EXPECT_FALSE(QFileInfo(path + QStringLiteral(".bak")).isSymLink());
    EXPECT_EQ(slurp(path + QStringLiteral(".bak")), original);
    EXPECT_EQ(slurp(elsewhere), QByteArray("keep me"));

    runOn({ path });
    EXPECT_EQ(slurp(path), tagged);
    EXPECT_EQ(slurp(path + QStringLiteral(".bak")), original);
    // The backup written and let go in the second run leaves nothing behind.
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath())
                  .entryList({ QStringLiteral(".*.quillon-*") }, QDir::Files | QDir::Hidden),
        QStringList());
}

TEST_F(DocumentPassTest, NoRewriteWithoutTheBackupTheUserAskedFor)
{
    options.globalBackups = true;
    options.backupPath = dir.file(QStringLiteral("chosen/"));
    const QByteArray original("<img src=a.gif>");
    const QString path = page(original);
    runOn({ path });
    EXPECT_EQ(slurp(path), original);
    EXPECT_FALSE(QFileInfo::exists(options.backupPath)); // a folder the user chose is not made
    ASSERT_EQ(engine().report().rows().size(), 1);
    const ReportRow& row = engine().report().rows().front();
    EXPECT_EQ(row.file, path);
    EXPECT_EQ(row.image, QString());
    EXPECT_EQ(row.status, QStringLiteral("Error: Unable to write backup. File not changed."));
    EXPECT_EQ(engine().report().counters().totalOf(Counter::Errors), 1);
    EXPECT_EQ(engine().report().counters().totalOf(Counter::Found), 0);
}

TEST_F(DocumentPassTest, ReadOnlyDocumentIsReportedAndKeptWithItsEarlierBackup)
{
    const QByteArray original("<img src=a.gif>");
    const QString path = page(original);
    dir.write(QFileInfo(path).fileName() + QStringLiteral(".bak"), "an earlier version");
    ::chmod(QFile::encodeName(path).constData(), 0444);
    runOn({ path });
    EXPECT_EQ(slurp(path), original);
    EXPECT_EQ(slurp(path + QStringLiteral(".bak")), QByteArray("an earlier version"));
    const auto& rows = engine().report().rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].status, status::Success);
    EXPECT_EQ(rows[1].status, QStringLiteral("Error: Unable to write file. File not changed."));
    EXPECT_EQ(engine().report().counters().totalOf(Counter::Errors), 1);
}

TEST_F(DocumentPassTest, UnreadableDocumentIsNeitherBackedUpNorRewritten)
{
    const QString folder = dir.file(QStringLiteral("folder.html"));
    QDir().mkpath(folder);
    runOn({ folder, dir.file(QStringLiteral("gone.html")) });
    const auto& rows = engine().report().rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].status, QStringLiteral("Error: Unable to read file."));
    EXPECT_EQ(rows[1].status, QStringLiteral("Error: Unable to read file."));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral(".bak")));
}

TEST_F(DocumentPassTest, LinkedDocumentIsWrittenAtItsTargetAndTheLinkStays)
{
    options.generateBackups = false;
    const QString target = page("<img src=../a.gif>", QStringLiteral("real/page.html"));
    const QString link = dir.file(QStringLiteral("real/link.html"));
    ASSERT_TRUE(QFile::link(target, link));
    runOn({ link });
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(slurp(target), QByteArray("<img src=../a.gif WIDTH=120 HEIGHT=60>"));
}

TEST_F(DocumentPassTest, GlobalBackupsOfSameNamedDocumentsGetNumbers)
{
    options.globalBackups = true;
    options.backupPath = dir.file(QStringLiteral("bak/"));
    QDir().mkpath(options.backupPath);
    const QString first = page("<img src=../a.gif>1", QStringLiteral("x/index.htm"));
    const QString second = page("<img src=../a.gif>2", QStringLiteral("y/index.htm"));
    const QString third = page("<img src=../a.gif>3", QStringLiteral("z/index.htm"));
    runOn({ first, second, third });
    EXPECT_EQ(slurp(options.backupPath + QStringLiteral("index.htm.bak")), QByteArray("<img src=../a.gif>1"));
    EXPECT_EQ(
        slurp(options.backupPath + QStringLiteral("index.htm.2.bak")), QByteArray("<img src=../a.gif>2"));
    EXPECT_EQ(
        slurp(options.backupPath + QStringLiteral("index.htm.3.bak")), QByteArray("<img src=../a.gif>3"));
    // A later run starts its names again (for a page that changes again).
    page("<img src=../a.gif>2 again", QStringLiteral("y/index.htm"));
    runOn({ second });
    EXPECT_EQ(
        slurp(options.backupPath + QStringLiteral("index.htm.bak")), QByteArray("<img src=../a.gif>2 again"));
}

TEST_F(DocumentPassTest, DefaultBackupFolderIsMadeWhenFirstNeeded)
{
    options.globalBackups = true;
    options.backupPath = defaultBackupPath();
    options.makeBackupFolder = true;
    QDir(options.backupPath).removeRecursively();
    const QString path = page("<img src=a.gif>", QStringLiteral("unique-name-for-default-folder.html"));
    runOn({ path });
    const QString backup = options.backupPath + QStringLiteral("unique-name-for-default-folder.html.bak");
    EXPECT_EQ(slurp(backup), QByteArray("<img src=a.gif>"));
    QFile::remove(backup);
}

TEST_F(DocumentPassTest, Utf16DocumentsStayUtf16WithTheirMark)
{
    options.addAlt = true;
    options.altTextIndex = 1;
    options.altText = QStringLiteral("Größe € Ω");
    for (const bool le : { true, false }) {
        const QString path = page(utf16(QStringLiteral("<p>é<img src=a.gif></p>"), le));
        runOn({ path });
        EXPECT_EQ(slurp(path),
            utf16(QStringLiteral("<p>é<img src=a.gif WIDTH=120 HEIGHT=60 ALT=\"Größe € Ω\"></p>"), le));
    }
}

TEST_F(DocumentPassTest, InsertedTextFollowsTheDocumentsEncoding)
{
    options.addAlt = true;
    options.altTextIndex = 1;
    options.altText = QStringLiteral("é € Ω");
    const QString utf8 = page(QByteArray("caf\xC3\xA9 <img src=a.gif>"), QStringLiteral("u.html"));
    const QString ansi = page(QByteArray("caf\xE9 <img src=a.gif>"), QStringLiteral("w.html"));
    runOn({ utf8, ansi });
    EXPECT_EQ(slurp(utf8),
        QByteArray("caf\xC3\xA9 <img src=a.gif WIDTH=120 HEIGHT=60 ALT=\"\xC3\xA9 \xE2\x82\xAC \xCE\xA9\">"));
    EXPECT_EQ(
        slurp(ansi), QByteArray("caf\xE9 <img src=a.gif WIDTH=120 HEIGHT=60 ALT=\"\xE9 \x80 &#937;\">"));
}

TEST_F(DocumentPassTest, NonAsciiPictureNamesAreFoundInEitherEncoding)
{
    options.generateBackups = false;
    dir.write(QStringLiteral("caf\u00e9.png"), test::makePicture(QStringLiteral("png"), 3, 2));
    const QString utf8 = page(QByteArray("<img src=\"caf\xC3\xA9.png\">"), QStringLiteral("u.html"));
    const QString ansi = page(QByteArray("<img src=\"caf\xE9.png\">"), QStringLiteral("w.html"));
    runOn({ utf8, ansi });
    EXPECT_EQ(slurp(utf8), QByteArray("<img src=\"caf\xC3\xA9.png\" WIDTH=3 HEIGHT=2>"));
    EXPECT_EQ(slurp(ansi), QByteArray("<img src=\"caf\xE9.png\" WIDTH=3 HEIGHT=2>"));
    EXPECT_EQ(engine().report().rows()[1].image, QStringLiteral("caf\u00e9.png"));
}

TEST_F(DocumentPassTest, PicturesResolveAgainstTheDocumentsFolder)
{
    options.generateBackups = false;
    const QString path
        = page("<img src=\"../pics/logo.gif\"><img src=\"../a.gif\">", QStringLiteral("sub/page.html"));
    runOn({ path });
    EXPECT_EQ(slurp(path),
        QByteArray(
            "<img src=\"../pics/logo.gif\" WIDTH=120 HEIGHT=60><img src=\"../a.gif\" WIDTH=120 HEIGHT=60>"));
}

TEST_F(DocumentPassTest, DocumentChangedWhileBeingTaggedIsNotOverwritten)
{
    // What someone else does to the page between its reading and its writing,
    // and what the page is afterwards: exactly what they left.
    struct Edit {
        const char* name;
        std::function<void(const QString& path)> apply;
        std::function<void(const QString& path)> check;
    };
    const QString other = dir.write(QStringLiteral("other.html"), "another page");
    auto isTheirText = [](const QString& path) {
        EXPECT_EQ(slurp(path), QByteArray("their new text, longer than before"));
    };
    const Edit edits[] = {
        { "saved in place",
            [](const QString& path) {
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                file.write("their new text, longer than before");
            },
            isTheirText },
        { "replaced by another file",
            [this](const QString& path) {
                const QString theirs
                    = dir.write(QStringLiteral("theirs.tmp"), "their new text, longer than before");
                ASSERT_EQ(
                    ::rename(QFile::encodeName(theirs).constData(), QFile::encodeName(path).constData()), 0);
            },
            isTheirText },
        { "deleted", [](const QString& path) { ASSERT_TRUE(QFile::remove(path)); },
            [](const QString& path) { EXPECT_FALSE(QFileInfo::exists(path)); } },
        { "replaced by a link to another page",
            [other](const QString& path) { ASSERT_TRUE(QFile::remove(path) && QFile::link(other, path)); },
            [other](const QString& path) {
                EXPECT_TRUE(QFileInfo(path).isSymLink());
                EXPECT_EQ(slurp(other), QByteArray("another page"));
            } },
        { "replaced by a folder",
            [](const QString& path) { ASSERT_TRUE(QFile::remove(path) && QDir().mkdir(path)); },
            [](const QString& path) { EXPECT_TRUE(QFileInfo(path).isDir()); } },
    };

    class Editor : public RunObserver {
    public:
        void documentRewritten(const QString& path, const QByteArray&, const QByteArray&) override
        {
            if (edit)
                edit(path);
        }
        std::function<void(const QString&)> edit;
    } editor;
    observer = &editor;

    int number = 0;
    for (const Edit& edit : edits) {
        // While the page is being tagged, or, with writes deferred to be put in
        // place in a batch, after its new bytes were written beside it.
        for (const bool deferred : { false, true }) {
            SCOPED_TRACE(std::string(edit.name) + (deferred ? ", after staging" : ", while being tagged"));
            const QByteArray original("<img src=a.gif>");
            const QString path = page(original, QStringLiteral("page%1.html").arg(++number));
            engine().report().clear();
            engine().setDeferredWrites(deferred);
            editor.edit = deferred ? nullptr : edit.apply;
            engine().TagFile(path);
            if (deferred) {
                const StagedDocument staged = engine().takeStaged();
                ASSERT_TRUE(staged.backup && staged.document);
                ASSERT_TRUE(commitStaged(*staged.backup));
                edit.apply(path);
                const Status put = commitStaged(*staged.document);
                ASSERT_FALSE(put);
                EXPECT_TRUE(put.failure().is(ErrorCode::FileChanged))
                    << put.failure().toString().toStdString();
            } else {
                ASSERT_FALSE(engine().report().rows().isEmpty());
                EXPECT_EQ(engine().report().rows().back().status, status::WriteFailed);
            }
            edit.check(path);
            EXPECT_EQ(slurp(path + QStringLiteral(".bak")), original);
            const QStringList unfinished
                = QDir(dir.path()).entryList({ QStringLiteral("*.quillon-*") }, QDir::Files | QDir::Hidden);
            EXPECT_EQ(unfinished, QStringList());
        }
    }
}
