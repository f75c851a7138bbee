#include "tests/support/WidgetActions.h"
#include "filelist/DriveBox.h"
#include "filelist/FileBox.h"
#include "filelist/FileList.h"
#include "filelist/FolderBox.h"
#include "filelist/FolderBrowser.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <functional>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::test::ScriptedMessages;
using quillon::test::TempDir;

namespace {

QString page(int i)
{
    return QStringLiteral("page%1.htm").arg(i, 2, 10, QLatin1Char('0'));
}

// Also notes whether the busy pointer was up while each message was shown.
class NotingMessages : public ScriptedMessages {
public:
    MessageAnswer show(QWidget* parent, const QString& title, const QString& text, MessageIcon icon,
        MessageButtons buttons) override
    {
        busyWhenShown.append(QApplication::overrideCursor() != nullptr);
        return ScriptedMessages::show(parent, title, text, icon, buttons);
    }
    QList<bool> busyWhenShown;
};

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 55; ++i)
            tmp.write(page(i), "<html>");
        host.resize(640, 480);
        folders->setGeometry(0, 0, 200, 300);
        files->setGeometry(200, 0, 200, 300);
        lstFiles->setGeometry(400, 0, 240, 300);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        list.connectTo(browser);
        browser.start(tmp.path());
    }
    void addFirst(int n)
    {
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(list.AddFile(page(i)));
    }
    void selectFiles(std::initializer_list<int> rows)
    {
        files->clearSelection();
        for (int row : rows)
            files->item(row)->setSelected(true);
    }
    void click(QListWidget* box, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        box->scrollToItem(box->item(row));
        QTest::mouseClick(box->viewport(), button, {}, box->visualItemRect(box->item(row)).center());
    }
    void doubleClick(QListWidget* box, int row) { test::doubleClick(box, box->item(row)->text()); }
    void expectFullMessageOnce()
    {
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, "File list full...");
        EXPECT_EQ(messages.shown[0].text, "Sorry, Quillon can only handle 50 files at a time.");
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    }

    TempDir tmp;
    NotingMessages messages;
    QWidget host;
    DriveBox* drives = new DriveBox(QStringList { QStringLiteral("/") }, &host);
    FolderBox* folders = new FolderBox(&host);
    FileBox* files = new FileBox(&host);
    QPushButton* cmdAddFiles = new QPushButton(&host);
    QListWidget* lstFiles = new QListWidget(&host);
    FolderBrowser browser { drives, folders, files, cmdAddFiles, messages, &host };
    FileList list { lstFiles, files, messages, &host };
};

TEST_F(FileListTest, KeepsNamesFoldersAndTheListBoxInStep)
{
    QSignalSpy counts(&list, &FileList::countChanged);
    addFirst(2);
    ASSERT_TRUE(list.AddFile(page(0).toUpper())); // letter case makes another file
    EXPECT_EQ(list.FileCount(), 3);
    EXPECT_EQ(list.FileNames(), QStringList({ page(0), page(1), page(0).toUpper() }));
    EXPECT_EQ(list.FileFolders(), QStringList(3, tmp.path() + "/"));
    EXPECT_EQ(list.paths().value(1), tmp.file(page(1)));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(lstFiles->item(i)->text(), list.FileFolders()[i] + list.FileNames()[i]);
    EXPECT_EQ(counts.count(), 3);
    EXPECT_TRUE(messages.shown.isEmpty());

    files->setFolder("/");
    ASSERT_TRUE(list.AddFile("index.htm"));
    EXPECT_EQ(list.paths().last(), "/index.htm");
    EXPECT_EQ(list.FileFolders().last(), "/");
}

TEST_F(FileListTest, AddingStopsAtFiftyWithOneMessage)
{
    addFirst(49);
    selectFiles({ 49, 50, 51 });
    QList<bool> busyWhileAdding;
    QObject::connect(&list, &FileList::countChanged,
        [&] { busyWhileAdding.append(QApplication::overrideCursor() != nullptr); });
    QTest::mouseClick(cmdAddFiles, Qt::LeftButton);
    EXPECT_EQ(list.FileCount(), 50);
    EXPECT_EQ(list.FileNames().last(), page(49));
    expectFullMessageOnce();
    EXPECT_EQ(busyWhileAdding, QList<bool> { true });
    EXPECT_EQ(messages.busyWhenShown, QList<bool> { false });
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FileListTest, FiftiethAsTheLastSelectedIsAddedSilently)
{
    addFirst(48);
    selectFiles({ 48, 49 });
    list.cmdAddFiles_Click();
    EXPECT_EQ(list.FileCount(), 50);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(FileListTest, DoubleClickAddsOneUntilTheListIsFull)
{
    doubleClick(files, 7);
    EXPECT_EQ(list.FileNames(), QStringList { page(7) });
    list.mnuFileListRemoveAll_Click();
    addFirst(50);
    doubleClick(files, 52);
    EXPECT_EQ(list.FileCount(), 50);
    expectFullMessageOnce();
}

TEST_F(FileListTest, DuplicatesAreToldAndTheOthersStillAdded)
{
    addFirst(2);
    selectFiles({ 0, 1, 2 });
    list.cmdAddFiles_Click();
    EXPECT_EQ(list.FileNames(), QStringList({ page(0), page(1), page(2) }));
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].title, "File already listed...");
    EXPECT_EQ(messages.shown[0].text, "The file: " + tmp.file(page(0)) + " is already in the list!");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[1].text, "The file: " + tmp.file(page(1)) + " is already in the list!");
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
    const auto drop = [&](const QStringList& paths) {
        QMimeData mime;
        QList<QUrl> urls { QUrl("https://example.test/x.htm") };
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(lstFiles->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(lstFiles->viewport(), &dropped);
        EXPECT_TRUE(dropped.isAccepted());
        QCoreApplication::processEvents();
    };
    const std::pair<const char*, std::function<void()>> ways[] = {
        { "command line", [&] { list.addPages(given); } },
        { "drop", [&] { drop(given); } },
    };
    for (const auto& [way, deliver] : ways) {
        SCOPED_TRACE(way);
        list.mnuFileListRemoveAll_Click();
        messages.shown.clear();
        addFirst(1);
        deliver();
        ASSERT_EQ(list.FileCount(), 50);
        EXPECT_EQ(list.paths().mid(0, 4),
            QStringList(
                { tmp.file(page(0)), tmp.file("sub/a.HTML"), tmp.file("sub/b.htm"), tmp.file(page(1)) }));
        EXPECT_EQ(list.paths().last(), tmp.file(page(47)));
        QStringList titles;
        for (const auto& shown : messages.shown)
            titles.append(shown.title);
        EXPECT_EQ(titles,
            QStringList({ "File already listed...", "File not found...", "File already listed...",
                "File list full..." }));
    }

    // A drag with no local file in it is refused; a long path is shortened,
    // never scrolled sideways, and its tooltip holds it whole.
    QMimeData web;
    web.setUrls({ QUrl("https://example.test/x.htm") });
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(lstFiles->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    lstFiles->resize(80, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(lstFiles->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(lstFiles->item(3)->toolTip(), tmp.file(page(1)));
}

TEST_F(FileListTest, RemovingKeepsTheOrderAndLeavesNothingSelected)
{
    list.mnuFileListRemove_Click();
    list.mnuFileListRemoveAll_Click(); // an empty list: nothing to say
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Error!");
    EXPECT_EQ(messages.shown[0].text, "No file is selected to remove!");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);

    addFirst(3);
    click(lstFiles, 1);
    list.mnuFileListRemove()->trigger();
    EXPECT_EQ(list.FileNames(), QStringList({ page(0), page(2) }));
    EXPECT_EQ(lstFiles->count(), 2);
    EXPECT_TRUE(lstFiles->selectedItems().isEmpty());

    QSignalSpy counts(&list, &FileList::countChanged);
    list.mnuFileListRemoveAll()->trigger();
    EXPECT_EQ(list.FileCount(), 0);
    EXPECT_EQ(lstFiles->count(), 0);
    EXPECT_EQ(counts.count(), 1);
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(FileListTest, RightClickBeepsOnAnEmptyListAndOpensTheMenuOnAFilledOne)
{
    QTest::mouseClick(lstFiles->viewport(), Qt::RightButton, {}, QPoint(20, 20));
    EXPECT_EQ(messages.beeps, 1);
    EXPECT_FALSE(list.mnuFileListPopup()->isVisible());

    addFirst(3);
    click(lstFiles, 0, Qt::MiddleButton);
    EXPECT_FALSE(list.mnuFileListPopup()->isVisible());
    click(lstFiles, 2);
    click(lstFiles, 0, Qt::RightButton);
    EXPECT_TRUE(list.mnuFileListPopup()->isVisible());
    ASSERT_EQ(lstFiles->selectedItems().size(), 1);
    EXPECT_EQ(lstFiles->row(lstFiles->selectedItems().first()), 2);
    list.mnuFileListPopup()->hide();
    EXPECT_EQ(messages.beeps, 1);
}

TEST_F(FileListTest, LockedListChangesOnlyItsSelection)
{
    addFirst(2);
    click(lstFiles, 0);
    list.setLocked(true);
    selectFiles({ 5, 6 });
    EXPECT_FALSE(list.AddFile(page(9)));
    list.cmdAddFiles_Click();
    doubleClick(files, 5);
    list.mnuFileListRemove_Click();
    list.mnuFileListRemoveAll_Click();
    click(lstFiles, 1, Qt::RightButton);
    EXPECT_EQ(list.FileNames(), QStringList({ page(0), page(1) }));
    EXPECT_FALSE(list.mnuFileListPopup()->isVisible());
    EXPECT_TRUE(messages.shown.isEmpty());
    list.selectEntry(1);
    EXPECT_EQ(lstFiles->selectedItems().value(0), lstFiles->item(1));

    list.setLocked(false);
    EXPECT_TRUE(list.AddFile(page(9)));
}

} // namespace
