#include "filelist/FileBox.h"
#include "filelist/FileList.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

using namespace quillon;
using namespace quillon::test;

namespace {

QString page(int i)
{
    return QStringLiteral("page%1.htm").arg(i, 2, 10, QLatin1Char('0'));
}

// A file list filled from a file box over a folder of 55 pages.
class FileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 55; ++i)
            tmp.write(page(i), "<html>");
        files.setFolder(tmp.path());
    }
    void listFirst(int n)
    {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(list.AddFile(page(i)));
    }
    QStringList titles() const
    {
        QStringList all;
        for (const auto& shown : messages.shown)
            all.append(shown.title);
        return all;
    }

    TempDir tmp;
    ScriptedMessages messages;
    FileBox files;
    QListWidget lstFiles;
    FileList list { &lstFiles, &files, messages, nullptr };
};

// Files up to the fiftieth are added in order; one already listed is told and
// left out; past the fiftieth one message ends it.
TEST_F(FileListTest, TheListTakesFiftyFilesEachOnce)
{
    listFirst(48);
    for (const int row : { 0, 48, 49, 50, 51 })
        files.item(row)->setSelected(true);
    list.cmdAddFiles_Click();
    EXPECT_EQ(list.FileCount(), 50);
    EXPECT_EQ(
        list.paths().mid(47), QStringList({ tmp.file(page(47)), tmp.file(page(48)), tmp.file(page(49)) }));
    ASSERT_EQ(titles(), QStringList({ "File already listed...", "File list full..." }));
    EXPECT_EQ(messages.shown[0].text, "The file: " + tmp.file(page(0)) + " is already in the list!");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[1].text, "Sorry, Quillon can only handle 50 files at a time.");
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Information);
}

// Pages named on the command line and pages dropped from a file manager follow
// the add button's rules: a folder gives its pages in name order, a listed file
// is told, a missing one too, and the fiftieth ends it with one message.
TEST_F(FileListTest, PagesFromTheDesktopFollowTheAddButtonsRules)
{
    tmp.write("sub/b.htm", "<p>");
    tmp.write("sub/a.HTML", "<p>");
    tmp.write("sub/notes.txt", "");
    const QStringList given = { tmp.file(page(0)), tmp.file("sub"), tmp.file("gone.htm"), tmp.path() };
    const auto drop = [&] {
        QMimeData mime;
        QList<QUrl> urls { QUrl("https://example.test/x.htm") };
        for (const QString& path : given)
            urls.append(QUrl::fromLocalFile(path));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(lstFiles.viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(lstFiles.viewport(), &dropped);
        QCoreApplication::processEvents();
    };
    const std::pair<const char*, std::function<void()>> ways[] = {
        { "command line", [&] { list.addPages(given); } },
        { "drop", drop },
    };
    for (const auto& [way, deliver] : ways) {
        SCOPED_TRACE(way);
        list.mnuFileListRemoveAll_Click();
        messages.shown.clear();
        listFirst(1);
        deliver();
        ASSERT_EQ(list.FileCount(), 50);
        EXPECT_EQ(list.paths().mid(0, 4),
            QStringList(
                { tmp.file(page(0)), tmp.file("sub/a.HTML"), tmp.file("sub/b.htm"), tmp.file(page(1)) }));
        EXPECT_EQ(list.paths().last(), tmp.file(page(47)));
        EXPECT_EQ(titles(),
            QStringList({ "File already listed...", "File not found...", "File already listed...",
                "File list full..." }));
        EXPECT_EQ(messages.shown.value(1).text, "The file: " + tmp.file("gone.htm") + " was not found.");
    }
}

} // namespace
