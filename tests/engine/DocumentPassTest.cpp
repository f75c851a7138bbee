#include "engine/DocumentText.h"
#include "engine/RunResources.h"
#include "engine/StatusTexts.h"
#include "tests/engine/EngineFixture.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace quillon::test {
namespace {

class DocumentPassTest : public EngineTest {
protected:
    QString page(const QByteArray& bytes, const QString& name = QStringLiteral("page.html"))
    {
        return dir.write(name, bytes);
    }
    // The temporary files of writes never finished, left in the test folder.
    QStringList leftovers() const
    {
        return QDir(dir.path()).entryList({ QStringLiteral("*.quillon-*") }, QDir::Files | QDir::Hidden);
    }
};

TEST_F(DocumentPassTest, OnlyClausesAreInsertedAfterABackupAndASecondRunAddsNothing)
{
    const QByteArray original("<html>\r\n<p>a<img src=a.gif>b\n\t<IMG SRC=\"pics/logo.gif\" />\r\n"
                              "<Img src=a.gif width=1 height=1></p>");
    const QByteArray tagged(
        "<html>\r\n<p>a<img src=a.gif WIDTH=120 HEIGHT=60>b\n\t"
        "<IMG SRC=\"pics/logo.gif\" WIDTH=120 HEIGHT=60 />\r\n<Img src=a.gif width=1 height=1></p>");
    const QString path = page(original);
    engine().run({ path });
    EXPECT_EQ(slurp(path), tagged);
    EXPECT_EQ(slurp(path + QStringLiteral(".bak")), original);
    EXPECT_EQ(engine().report().counters().total, (std::array<int, 3> { 3, 2, 0 }));

    const QDateTime longAgo = QDateTime::currentDateTime().addSecs(-3600);
    QFile file(path);
    ASSERT_TRUE(
        file.open(QIODevice::ReadWrite) && file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    file.close();
    engine().run({ path });
    EXPECT_EQ(slurp(path), tagged);
    EXPECT_EQ(QFileInfo(path).lastModified(), longAgo);
    EXPECT_EQ(slurp(path + QStringLiteral(".bak")), original); // the only copy of the page as it was
    EXPECT_EQ(leftovers(), QStringList());
}

TEST_F(DocumentPassTest, NoRewriteWithoutItsBackup)
{
    const QByteArray original("<img src=a.gif>");
    const QString path = page(original);
    // A backup folder the user chose, and that is gone, is not made.
    options.globalBackups = true;
    options.backupPath = dir.file(QStringLiteral("chosen/"));
    engine().run({ path });
    EXPECT_EQ(slurp(path), original);
    EXPECT_FALSE(QFileInfo::exists(options.backupPath));
    EXPECT_EQ(lastRow().status, QStringLiteral("Error: Unable to write backup. File not changed."));
    EXPECT_EQ(engine().report().counters().total, (std::array<int, 3> { 0, 0, 1 }));

    // The backup staged but not put in place: the page's new bytes are let go too.
    options.globalBackups = false;
    engine().setDeferredWrites(true);
    engine().TagFile(path);
    const StagedDocument staged = engine().takeStaged();
    ASSERT_TRUE(staged.backup && staged.document);
    ASSERT_TRUE(QFile::remove(staged.backup->temp));
    EXPECT_EQ(commitDocument(staged, true, false), status::BackupFailed);
    EXPECT_EQ(slurp(path), original);
    EXPECT_EQ(leftovers(), QStringList());
}

TEST_F(DocumentPassTest, ReadOnlyPageKeepsItsEarlierBackup)
{
    const QString path = page("<img src=a.gif>");
    page("an earlier version", QStringLiteral("page.html.bak"));
    ::chmod(QFile::encodeName(path).constData(), 0444);
    engine().run({ path });
    EXPECT_EQ(slurp(path), QByteArray("<img src=a.gif>"));
    EXPECT_EQ(slurp(path + QStringLiteral(".bak")), QByteArray("an earlier version"));
    EXPECT_EQ(lastRow().status, status::WriteFailed);
    EXPECT_EQ(leftovers(), QStringList());
}

// Same-named pages of one run get a backup each, also from engines that tag in
// parallel; the program's own backup folder is made when first needed.
TEST_F(DocumentPassTest, GlobalBackupsAreNumberedInAFolderMadeWhenNeeded)
{
    options.globalBackups = options.makeBackupFolder = true;
    options.backupPath = dir.file(QStringLiteral("own/"));
    RunResources shared([] { return std::make_unique<RefusingFetcher>(); }, 2);
    TaggingEngine first([this] { return options; }, shared), second([this] { return options; }, shared);
    options.dryRun = true; // nothing is written, so no folder is made
    first.TagFile(page("<img src=../a.gif>x", QStringLiteral("x/index.htm")));
    EXPECT_FALSE(QFileInfo::exists(options.backupPath));
    options.dryRun = false;
    for (const char* folder : { "x", "y", "z" })
        (*folder == 'y' ? second : first)
            .TagFile(
                page(QByteArray("<img src=../a.gif>") + folder, QStringLiteral("%1/index.htm").arg(folder)));
    EXPECT_EQ(slurp(options.backupPath + QStringLiteral("index.htm.bak")), QByteArray("<img src=../a.gif>x"));
    EXPECT_EQ(
        slurp(options.backupPath + QStringLiteral("index.htm.2.bak")), QByteArray("<img src=../a.gif>y"));
    EXPECT_EQ(
        slurp(options.backupPath + QStringLiteral("index.htm.3.bak")), QByteArray("<img src=../a.gif>z"));
}

TEST_F(DocumentPassTest, PageChangedDuringThePassIsNotOverwritten)
{
    struct Editor : RunObserver {
        void documentRewritten(const QString& path, const QByteArray&, const QByteArray&) override
        {
            edit(path);
        }
        std::function<void(const QString&)> edit;
    } editor;
    observer = &editor;
    const QByteArray theirs("their text");
    const std::function<void(const QString&)> edits[] = {
        [&](const QString& path) { dir.write(QFileInfo(path).fileName(), theirs); }, // saved in place
        [&](const QString& path) { // replaced by another file
            ASSERT_EQ(::rename(QFile::encodeName(dir.write(QStringLiteral("t.tmp"), theirs)).constData(),
                          QFile::encodeName(path).constData()),
                0);
        },
    };
    for (const auto& edit : edits) {
        const QString path = page("<img src=a.gif>");
        editor.edit = edit;
        engine().TagFile(path);
        EXPECT_EQ(slurp(path), theirs);
        EXPECT_EQ(slurp(path + QStringLiteral(".bak")), QByteArray("<img src=a.gif>"));
        EXPECT_EQ(lastRow().status, status::WriteFailed);
        EXPECT_EQ(leftovers(), QStringList());
    }
}

QByteArray utf16(const QString& text, bool littleEndian, bool mark = true)
{
    QByteArray bytes = mark ? QByteArray(littleEndian ? "\xFF\xFE" : "\xFE\xFF", 2) : QByteArray();
    for (const QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        bytes.append(littleEndian ? lo : hi).append(littleEndian ? hi : lo);
    }
    return bytes;
}

TEST_F(DocumentPassTest, EveryEncodingKeepsTheBytesOutsideTheClauses)
{
    options.generateBackups = false;
    options.addAlt = true;
    options.altTextIndex = 1;
    options.altText = QStringLiteral("é € Ω");
    dir.write(QStringLiteral("café.png"), makePicture(QStringLiteral("png"), 3, 2));
    const QString before = QStringLiteral("<p>é<img src=café.png></p>");
    const QString after = QStringLiteral("<p>é<img src=café.png WIDTH=3 HEIGHT=2 ALT=\"é € Ω\"></p>");
    const struct {
        const char* name;
        QByteArray before, after;
    } cases[] = {
        { "utf-8", before.toUtf8(), after.toUtf8() },
        { "windows-1252", "<p>\xE9<img src=caf\xE9.png></p>",
            "<p>\xE9<img src=caf\xE9.png WIDTH=3 HEIGHT=2 ALT=\"\xE9 \x80 &#937;\"></p>" },
        { "utf-16le", utf16(before, true), utf16(after, true) },
        { "utf-16be", utf16(before, false), utf16(after, false) },
        { "utf-16le, odd last byte", utf16(before, true) + '<', utf16(after, true) + '<' },
        // Without a mark it is read as bytes: no tag is seen, and nothing changes.
        { "utf-16le unmarked", utf16(before, true, false), utf16(before, true, false) },
        { "utf-16be unmarked", utf16(before, false, false), utf16(before, false, false) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = page(c.before);
        engine().TagFile(path);
        EXPECT_EQ(slurp(path), c.after);
        const DocumentText text = DocumentText::decode(c.before);
        EXPECT_EQ(text.encode(text.units().toString()), c.before);
    }
}

// XHTML pages stay well-formed: lower-case names, quoted values, escaped text.
TEST_F(DocumentPassTest, XmlPagesGetXmlClauses)
{
    options.generateBackups = false;
    options.addAlt = true;
    options.altTextIndex = 1;
    options.altText = QStringLiteral("Tom & \"Jerry\" <3");
    const QByteArray xml(" width=\"120\" height=\"60\" alt=\"Tom &amp; &quot;Jerry&quot; &lt;3\"");
    const QByteArray html(" WIDTH=120 HEIGHT=60 ALT=\"Tom &amp; &quot;Jerry&quot; <3\"");
    const std::pair<const char*, bool> cases[] = {
        { "<?xml version=\"1.0\"?>\n<p><img src=\"a.gif\"", true },
        { "\xEF\xBB\xBF \r\n<?xml version=\"1.0\"?><img src=\"a.gif\"", true },
        { "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"><img src=\"a.gif\"", true },
        { "<html><p><?xml?><img src=\"a.gif\"", false },
        { "<html xmlns=\"http://www.w3.org/TR/REC-html40\"><img src=\"a.gif\"", false },
    };
    for (const auto& [before, isXml] : cases) {
        SCOPED_TRACE(before);
        const QString path = page(QByteArray(before) + " />");
        engine().TagFile(path);
        EXPECT_EQ(slurp(path), before + (isXml ? xml : html) + " />");
    }
}

} // namespace
} // namespace quillon::test
