#include "filelist/FileBox.h"
#include "filelist/FileList.h"
#include "filelist/PathElision.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestSupport.h"

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <functional>

using namespace quillon;
using namespace quillon::test;

namespace {

// Whichever way pages come (the add button over the file box's selection, the
// command line, a drop from a file manager), one already listed is told and
// left out, and past the fiftieth one message ends it: here with the folder's
// 55 pages, the first of them listed already and reached once more through a
// link; a hidden page is not taken. A path that is neither a page nor a folder
// is told too, and the rest still come. quillon-tag takes the same folder's
// pages in the same order, without the limit.
TEST(FileListTest, PagesComeInOnceEachAndFiftyAtMostWhicheverWayTheyCome)
{
    TempDir tmp;
    ScriptedMessages messages;
    FileBox files;
    QListWidget lstFiles;
    FileList list { &lstFiles, &files, messages, nullptr };
    QStringList expected;
    for (int i = 0; i < 55; ++i) {
        const QString path = tmp.write(QStringLiteral("page%1.htm").arg(i, 2, 10, QLatin1Char('0')), "<img>");
        if (i < 50)
            expected.append(path);
    }
    tmp.write("notes.txt", "");
    tmp.write(".draft.htm", "<img>");
    ASSERT_TRUE(QFile::link(expected[0], tmp.file("page00b.htm")));
    files.setFolder(tmp.path());
    const auto drop = [&](const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls { QUrl("https://example.test/x.htm") };
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(lstFiles.viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(lstFiles.viewport(), &dropped);
        QCoreApplication::processEvents();
    };
    const QStringList given = { tmp.file("gone.htm"), tmp.path() };
    const std::pair<const char*, std::function<void()>> ways[] = {
        { "add button", [&] { files.selectAll(), list.cmdAddFiles_Click(); } },
        { "command line", [&] { list.addPages(given); } },
        { "drop", [&] { drop(given); } },
    };
    for (const auto& [way, deliver] : ways) {
        SCOPED_TRACE(way);
        list.mnuFileListRemoveAll_Click();
        messages.shown.clear();
        ASSERT_TRUE(list.AddFile("page00.htm"));
        deliver();
        EXPECT_EQ(list.paths(), expected);
        QList<QStringList> told = { { "File already listed...",
                                        "The file: " + expected[0] + " is already in the list!" },
            { "File already listed...", "The file: " + tmp.file("page00b.htm") + " is already in the list!" },
            { "File list full...", "Sorry, Quillon can only handle 50 files at a time." } };
        if (way != std::string("add button"))
            told.prepend({ "File not found...", "The file: " + tmp.file("gone.htm") + " was not found." });
        EXPECT_EQ(messages.shown, told);
    }
    QStringList tagged; // one row for each page's one tag
    for (const QString& row : quillonTag({ "--dry-run", tmp.path() }).text().split(u'\n'))
        if (row.contains(u'\t'))
            tagged.append(row.section(u'\t', 0, 0));
    EXPECT_EQ(tagged.size(), 55);
    EXPECT_EQ(tagged.first(50), expected);
}

// A path too long for its room loses its folders first and keeps the file's
// name whole; only a name too long on its own is cut in its middle.
TEST(FileListTest, ALongPathGivesWayInItsFoldersAndKeepsTheNameWhole)
{
    const QFontMetrics metrics(QApplication::font());
    const auto room = [&](const QString& text) { return metrics.horizontalAdvance(text); };
    const QString folders = "/home/someone/sites/a-rather-long-folder/", name = "index-of-the-gallery.html";
    const struct {
        QString path;
        int width;
        QString expected; // empty: the name shown whole after shortened folders
    } cases[] = {
        { folders + name, room(folders + name), folders + name },
        { folders + name, room(folders + name) - 1, {} },
        { "C:\\Web\\" + name, room(name) + room("\u2026\\") + 2, "\u2026\\" + name },
        { folders + name, room(name) / 2, metrics.elidedText(name, Qt::ElideMiddle, room(name) / 2) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        const QString shown = elidePath(c.path, metrics, c.width);
        EXPECT_LE(room(shown), c.width);
        if (c.expected.isEmpty()) {
            EXPECT_TRUE(shown.endsWith("/" + name) && shown.startsWith("/h") && shown.contains(u'\u2026'))
                << qPrintable(shown);
        } else {
            EXPECT_EQ(shown, c.expected);
        }
    }
}

// Delete removes the selected file as the menu's Remove does; the Menu key and
// Shift+F10 open the menu, as the right button does.
TEST(FileListTest, DeleteRemovesTheSelectedFileAndTheMenuKeysOpenTheMenu)
{
    TempDir tmp;
    ScriptedMessages messages;
    FileBox files;
    QListWidget lstFiles;
    FileList list { &lstFiles, &files, messages, nullptr };
    lstFiles.show();
    list.addPages({ tmp.write("a.htm", ""), tmp.write("b.htm", "") });
    lstFiles.setCurrentRow(0);
    QTest::keyClick(&lstFiles, Qt::Key_Delete);
    EXPECT_EQ(list.paths(), QStringList({ tmp.file("b.htm") }));
    QTest::keyClick(&lstFiles, Qt::Key_Delete);
    EXPECT_EQ(messages.shown, QList<QStringList>({ { "Error!", "No file is selected to remove!" } }));
    for (const auto& [key, modifiers] :
        { std::pair(Qt::Key_Menu, Qt::NoModifier), { Qt::Key_F10, Qt::ShiftModifier } }) {
        SCOPED_TRACE(key);
        QTest::keyClick(&lstFiles, key, modifiers);
        EXPECT_TRUE(list.mnuFileListPopup()->isVisible());
        list.mnuFileListPopup()->hide();
    }
}

} // namespace
