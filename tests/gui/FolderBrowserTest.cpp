#include "tests/support/WidgetActions.h"
#include "filelist/DriveBox.h"
#include "filelist/FileBox.h"
#include "filelist/FolderBox.h"
#include "filelist/FolderBrowser.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace quillon;
using quillon::test::ScriptedMessages;
using quillon::test::TempDir;

using quillon::test::doubleClick;

namespace {

QStringList texts(const QListWidget* box)
{
    QStringList all;
    for (int i = 0; i < box->count(); ++i)
        all.append(box->item(i)->text());
    return all;
}

class FolderBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(640, 480);
        drives->setGeometry(0, 0, 300, 30);
        folders->setGeometry(0, 40, 300, 300);
        files->setGeometry(320, 40, 300, 300);
        button->setEnabled(false);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        for (const char* name :
            { "site/b.HTML", "site/a.htm", "site/index.HTM", "site/notes.txt", "site/x.htmx",
                "site/folder.htm/inside.htm", "vol/home.html", "vol/sub/deep.htm", "plain/readme.txt" })
            tmp.write(QString::fromLatin1(name), "<html>");
    }
    // The user picks the next or previous volume with the keyboard.
    void pickDrive(Qt::Key key) { QTest::keyClick(drives, key); }

    TempDir tmp;
    ScriptedMessages messages;
    QWidget host;
    DriveBox* drives = new DriveBox(QStringList { QStringLiteral("/") }, &host);
    FolderBox* folders = new FolderBox(&host);
    FileBox* files = new FileBox(&host);
    QPushButton* button = new QPushButton(QStringLiteral("Add File(s)"), &host);
    FolderBrowser browser { drives, folders, files, button, messages, &host };
};

TEST(DriveBoxTest, ListsTheRootFirstAndFindsTheVolumeOnPathBoundaries)
{
    DriveBox box({ "/srv/b", "/", "/media/usb/inner", "/media/usb", "/srv/b" });
    EXPECT_EQ(box.volumes(), QStringList({ "/", "/media/usb", "/media/usb/inner", "/srv/b" }));
    EXPECT_EQ(box.volumeOf("/media/usb2/x"), "/");
    EXPECT_EQ(box.volumeOf("/media/usb"), "/media/usb");
    EXPECT_EQ(box.volumeOf("/media/usb/inner/deep"), "/media/usb/inner");
    EXPECT_EQ(DriveBox().volumes().value(0), QDir::rootPath());
}

TEST(DriveBoxTest, AnnouncesOnlyTheUsersChoice)
{
    DriveBox box({ "/", "/a", "/b" });
    QSignalSpy chosen(&box, &DriveBox::driveChosen);
    box.setDrive("/a");
    EXPECT_EQ(box.drive(), "/a");
    EXPECT_EQ(chosen.count(), 0);
    QTest::keyClick(&box, Qt::Key_Down);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.first().first().toString(), "/b");
}

TEST_F(FolderBrowserTest, FolderBoxShowsAncestorsThenSortedVisibleSubfolders)
{
    for (const char* name : { "Zeta", "alpha", ".hidden", "mid" })
        QDir().mkpath(tmp.file("tree/") + QString::fromLatin1(name));
    ASSERT_TRUE(folders->setPath(tmp.file("tree/")));
    EXPECT_EQ(folders->path(), tmp.file("tree"));

    QStringList expected = tmp.file("tree").split(u'/', Qt::SkipEmptyParts);
    expected.prepend("/");
    const int depth = int(expected.size());
    expected << "alpha"
             << "mid"
             << "Zeta";
    EXPECT_EQ(texts(folders), expected);
    for (int row = 0; row < folders->count(); ++row)
        EXPECT_EQ(folders->item(row)->data(FolderBox::LevelRole).toInt(), std::min(row, depth));
    EXPECT_EQ(folders->currentRow(), depth - 1);
    EXPECT_TRUE(folders->currentItem()->isSelected());
}

TEST_F(FolderBrowserTest, FolderBoxRefusesWhatCannotBeListed)
{
    ASSERT_TRUE(folders->setPath(tmp.path()));
    const QStringList before = texts(folders);
    QSignalSpy changed(folders, &FolderBox::folderChanged);
    EXPECT_FALSE(folders->setPath(tmp.file("missing")));
    EXPECT_FALSE(folders->setPath(tmp.file("plain/readme.txt")));
    EXPECT_EQ(folders->path(), tmp.path());
    EXPECT_EQ(texts(folders), before);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(FolderBrowserTest, DoubleClickOrEnterOpensAFolder)
{
    browser.start(tmp.file("vol"));
    QSignalSpy changed(folders, &FolderBox::folderChanged);
    doubleClick(folders, "sub");
    EXPECT_EQ(folders->path(), tmp.file("vol/sub"));
    EXPECT_EQ(texts(files), QStringList { "deep.htm" });
    doubleClick(folders, "/");
    EXPECT_EQ(folders->path(), "/");
    EXPECT_EQ(changed.count(), 2);

    browser.start(tmp.path());
    folders->setCurrentItem(folders->findItems("site", Qt::MatchExactly).first());
    QTest::keyClick(folders, Qt::Key_Return);
    EXPECT_EQ(folders->path(), tmp.file("site"));
}

TEST_F(FolderBrowserTest, DriveFolderAndFilesFollowEachOther)
{
    drives->setVolumes({ "/", tmp.file("vol") });
    browser.start(tmp.file("site"));
    EXPECT_EQ(drives->drive(), "/");
    // Only HTML files, whatever the case of the extension, sorted by name.
    EXPECT_EQ(texts(files), QStringList({ "a.htm", "b.HTML", "index.HTM" }));

    pickDrive(Qt::Key_Down);
    EXPECT_EQ(folders->path(), tmp.file("vol"));
    EXPECT_EQ(files->folder(), tmp.file("vol"));
    EXPECT_EQ(texts(files), QStringList { "home.html" });

    doubleClick(folders, "sub");
    pickDrive(Qt::Key_Up);
    EXPECT_EQ(folders->path(), tmp.file("site")); // each drive keeps its own current folder
    pickDrive(Qt::Key_Down);
    EXPECT_EQ(folders->path(), tmp.file("vol/sub"));

    // A current folder removed since falls back to the drive's root.
    pickDrive(Qt::Key_Up);
    QDir(tmp.file("vol/sub")).removeRecursively();
    pickDrive(Qt::Key_Down);
    EXPECT_EQ(folders->path(), tmp.file("vol"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(FolderBrowserTest, DriveBoxFollowsTheFolderAcrossMountPoints)
{
    drives->setVolumes({ "/", tmp.file("vol"), tmp.file("vol/sub") });
    browser.start(tmp.file("vol/sub/nowhere/deeper")); // missing: its nearest ancestor opens
    EXPECT_EQ(folders->path(), tmp.file("vol/sub"));
    EXPECT_EQ(drives->drive(), tmp.file("vol/sub"));
    doubleClick(folders, "vol");
    EXPECT_EQ(drives->drive(), tmp.file("vol"));
    browser.start(tmp.file("site"));
    EXPECT_EQ(drives->drive(), "/");
}

TEST_F(FolderBrowserTest, UnreadableDriveIsToldAndTheBoxesStayPut)
{
    drives->setVolumes({ "/", tmp.file("gone") });
    browser.start(tmp.file("site"));
    const QStringList folderEntries = texts(folders);
    QSignalSpy chosen(drives, &DriveBox::driveChosen);

    pickDrive(Qt::Key_Down);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Error");
    EXPECT_EQ(messages.shown[0].text,
        "The drive you selected is not accessable. Please insert a disk or try another drive.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(drives->drive(), "/");
    EXPECT_EQ(chosen.count(), 1); // going back raised nothing
    EXPECT_EQ(folders->path(), tmp.file("site"));
    EXPECT_EQ(texts(folders), folderEntries);
    EXPECT_EQ(texts(files), QStringList({ "a.htm", "b.HTML", "index.HTM" }));
}

TEST_F(FolderBrowserTest, AddButtonIsReconsideredOnFolderChangesOnly)
{
    browser.start(tmp.file("site"));
    EXPECT_TRUE(button->isEnabled()); // with nothing selected, too
    QFile::remove(tmp.file("site/a.htm"));
    QFile::remove(tmp.file("site/b.HTML"));
    QFile::remove(tmp.file("site/index.HTM"));
    files->selectAll();
    files->clearSelection();
    EXPECT_TRUE(button->isEnabled());

    folders->setPath(tmp.file("plain"));
    EXPECT_FALSE(button->isEnabled());
    browser.start(tmp.file("site"));
    EXPECT_FALSE(button->isEnabled());
    tmp.write("site/new.htm", "<html>");
    browser.start(tmp.file("site")); // the same folder again still looks afresh
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(texts(files), QStringList { "new.htm" });
}

TEST_F(FolderBrowserTest, FileDoubleClickAndAddButtonAreForwarded)
{
    browser.start(tmp.file("site"));
    QSignalSpy one(&browser, &FolderBrowser::addOneRequested);
    QSignalSpy selected(&browser, &FolderBrowser::addSelectedRequested);
    doubleClick(files, "b.HTML");
    ASSERT_EQ(one.count(), 1);
    EXPECT_EQ(one.first().first().toString(), "b.HTML");
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(selected.count(), 1);
}

} // namespace
