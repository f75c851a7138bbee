#include "tests/gui/MainWindowFixture.h"

#include "engine/StatusTexts.h"
#include "filelist/DriveBox.h"
#include "filelist/FolderBox.h"
#include "mainwindow/OptionsPage.h"
#include "mainwindow/SplitterBar.h"
#include "mainwindow/Twips.h"
#include "tests/support/Pictures.h"

#include <QAction>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>

using namespace quillon;
using namespace quillon::test;

namespace {

// What the user sees of a menu: its entries' captions, "-" for a separator.
QStringList captions(const QMenu* menu)
{
    QStringList all;
    for (const QAction* a : menu->actions())
        all.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    return all;
}

const QString kNoConnection = QStringLiteral(
    "You must have an internet connection established in order to tag in Online Mode.\r\n\r\nContinue in Offline Mode?");

// A small site: pages sharing one picture, a tag naming a picture that is not
// there, a remote picture, and a page that needs nothing.
class SiteTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        site.write("pics/logo.png", makePicture("png", 40, 30));
        site.write("banner.png", makePicture("png", 200, 50));
        site.write("about.html", kAbout);
        site.write("index.htm", kIndex);
        site.write("links.html", kLinks);
        site.write("notes.txt", "not a page");
    }
    QString page(const char* name) const { return site.file(QString::fromLatin1(name)); }

    // The rows one run over about, index and links adds, in that order.
    QList<QStringList> runRows() const
    {
        return {
            {page("about.html"), "pics/logo.png", status::NoChanges},
            {page("index.htm"), "pics/logo.png", status::Success},
            {page("index.htm"), "banner.png", status::Success},
            {page("index.htm"), "gone.png", status::downloadFailed(53)},
            {page("index.htm"), "nowhere/gone.png", status::ImageNotFound},
            {page("links.html"), "http://example.test/x.png", status::Offline},
            {page("links.html"), "pics/logo.png", status::Success},
        };
    }

    static constexpr const char* kAbout = "<p><img src=\"pics/logo.png\" width=40 height=30 border=0></p>\n";
    static constexpr const char* kIndex = "<html><body>\n<img src=\"pics/logo.png\">\n<IMG SRC=\"banner.png\" "
                                          "ALT=\"b\">\n<img src=\"gone.png\"><img src=\"nowhere/gone.png\">\n"
                                          "</body></html>\n";
    static constexpr const char* kLinks =
        "<a href=x><img src=\"http://example.test/x.png\"></a><img src='pics/logo.png'>\n";
};

} // namespace

// ---------------------------------------------------------------------------
// Start-up

class MainWindowStartUp : public SiteTest {};

TEST_F(MainWindowStartUp, FreshStoreOpensNormalAtTheDefaultPlaceOnChooseFiles)
{
    open();
    EXPECT_EQ(w->windowTitle(), " Brambleworth Quillon ");
    EXPECT_EQ(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowNoState);
    EXPECT_EQ(twips::left(w.get()), 100);
    EXPECT_EQ(twips::top(w.get()), 100);
    EXPECT_EQ(twips::width(w.get()), 7000);
    EXPECT_EQ(twips::height(w.get()), 6000);
    EXPECT_EQ(w->tabStrip->currentIndex(), 0);
    EXPECT_TRUE(w->pageChooseFiles->isVisible());
    EXPECT_FALSE(w->pageReport->isVisible());
    EXPECT_TRUE(w->fraStatus->isVisible());
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindowStartUp, MenusCarryTheirCaptionsAndF4Starts)
{
    open();
    QStringList bar;
    for (const QAction* a : w->menuBar()->actions())
        bar.append(a->text());
    EXPECT_EQ(bar, QStringList({"&File", "&Process", "&Help"}));
    EXPECT_EQ(captions(w->mnuFile), QStringList({"&Start ", "-", "&Clear All", "-", "E&xit"}));
    EXPECT_EQ(captions(w->mnuProcess), QStringList({"&Choose Files", "&Options", "Begin &Tagging"}));
    EXPECT_EQ(captions(w->mnuHelp), QStringList({"Help &Contents", "Quillon &Website", "-", "&About..."}));
    EXPECT_EQ(w->mnuStart->shortcut(), QKeySequence(Qt::Key_F4));
}

TEST_F(MainWindowStartUp, FileBoxesShowTheStartFoldersPages)
{
    open();
    EXPECT_EQ(w->pageChooseFiles->dirChooseFile->path(), site.path());
    EXPECT_EQ(fileBox()->folder(), site.path());
    EXPECT_EQ(texts(fileBox()), QStringList({"about.html", "index.htm", "links.html"}));
    EXPECT_FALSE(w->pageChooseFiles->drvChooseFile->drive().isEmpty());
    EXPECT_TRUE(cmdAddFiles()->isEnabled());
    EXPECT_EQ(lstFiles()->count(), 0);
}

TEST_F(MainWindowStartUp, AddButtonStaysDisabledInAFolderWithoutPages)
{
    TempDir empty;
    empty.write("readme.txt", "no pages here");
    startFolder = empty.path();
    open();
    EXPECT_EQ(fileBox()->count(), 0);
    EXPECT_FALSE(cmdAddFiles()->isEnabled());
}

TEST_F(MainWindowStartUp, ReportPageStartsEmptyWithItsTooltips)
{
    open();
    const ReportPage& r = report();
    EXPECT_EQ(r.lblFilesCompleted->text(), "0 of 0 files completed...");
    EXPECT_EQ(r.lblPercent->text(), "00% Complete");
    EXPECT_EQ(counters(), QStringList(6, "0"));
    EXPECT_TRUE(r.imgDone->isHidden());
    EXPECT_TRUE(r.cmdStart->isEnabled());
    EXPECT_EQ(r.Progress->currentValue(), 0);
    EXPECT_EQ(r.Progress->maximumValue(), 100);
    EXPECT_EQ(rows().size(), 0);
    QStringList headers;
    for (int i = 0; i < lvStatus()->columnCount(); ++i)
        headers.append(lvStatus()->headerItem()->text(i));
    EXPECT_EQ(headers, QStringList({"File", "Image", "Status"}));
    EXPECT_EQ(r.cmdStart->toolTip(), "Start tagging selected file(s)");
    EXPECT_EQ(lstFiles()->toolTip(), "File to be tagged");
    EXPECT_EQ(cmdAddFiles()->toolTip(), "Add selected files");
}

// ---------------------------------------------------------------------------
// Filling the file list through the Choose Files page

class MainWindowFiles : public SiteTest {};

TEST_F(MainWindowFiles, SelectedFilesAreAddedInFileBoxOrder)
{
    open();
    FileBox* box = fileBox();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(box->item(2)).center());
    QTest::mouseClick(box->viewport(), Qt::LeftButton, Qt::ControlModifier, box->visualItemRect(box->item(0)).center());
    ASSERT_EQ(box->selectedNames(), QStringList({"about.html", "links.html"}));
    QTest::mouseClick(cmdAddFiles(), Qt::LeftButton);
    EXPECT_EQ(texts(lstFiles()), QStringList({page("about.html"), page("links.html")}));
    EXPECT_EQ(w->fileList->FileCount(), 2);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindowFiles, DoubleClickAddsOneFile)
{
    open();
    FileBox* box = fileBox();
    const QPoint at = box->visualItemRect(box->item(1)).center();
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(box->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(texts(lstFiles()), QStringList({page("index.htm")}));
}

TEST_F(MainWindowFiles, AFileAlreadyListedIsToldAndTheOthersAdded)
{
    open();
    addAllFiles();
    ASSERT_EQ(lstFiles()->count(), 3);
    site.write("new.htm", "<p>");
    fileBox()->setFolder(site.path());
    addAllFiles();
    EXPECT_EQ(texts(lstFiles()),
              QStringList({page("about.html"), page("index.htm"), page("links.html"), page("new.htm")}));
    ASSERT_EQ(messages.shown.size(), 3);
    const char* listed[] = {"about.html", "index.htm", "links.html"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(messages.shown[i].title, "File already listed...");
        EXPECT_EQ(messages.shown[i].text, "The file: " + page(listed[i]) + " is already in the list!");
        EXPECT_EQ(messages.shown[i].icon, MessageIcon::Exclamation);
        EXPECT_EQ(messages.shown[i].buttons, MessageButtons::Ok);
    }
}

TEST_F(MainWindowFiles, FiftiethFileFillsTheListWithOneMessage)
{
    TempDir many;
    for (int i = 0; i < 52; ++i)
        many.write(QStringLiteral("p%1.htm").arg(i, 2, 10, QLatin1Char('0')), "<p>");
    startFolder = many.path();
    open();
    FileBox* box = fileBox();
    ASSERT_EQ(box->count(), 52);
    for (int i = 0; i < 49; ++i)
        box->item(i)->setSelected(true);
    QTest::mouseClick(cmdAddFiles(), Qt::LeftButton);
    ASSERT_EQ(lstFiles()->count(), 49);

    box->clearSelection();
    for (int i = 49; i < 52; ++i)
        box->item(i)->setSelected(true);
    QTest::mouseClick(cmdAddFiles(), Qt::LeftButton);
    EXPECT_EQ(lstFiles()->count(), 50);
    EXPECT_EQ(lstFiles()->item(49)->text(), many.file("p49.htm"));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "File list full...");
    EXPECT_EQ(messages.shown[0].text, "Sorry, Quillon can only handle 50 files at a time.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
}

// ---------------------------------------------------------------------------
// Page switches

class MainWindowPages : public SiteTest {};

TEST_F(MainWindowPages, ReportPageTellsTheFileCountAndSizesTheBar)
{
    open();
    addAllFiles();
    clickTab(2);
    ASSERT_EQ(w->tabStrip->currentIndex(), 2);
    EXPECT_TRUE(w->pageReport->isVisible());
    EXPECT_EQ(report().lblFilesCompleted->text(), "0 of 3 file in progress...");
    EXPECT_EQ(report().Progress->maximumValue(), 12);
    EXPECT_TRUE(texts(lstFiles()).size() == 3 && w->fraStatus->isVisible());
}

TEST_F(MainWindowPages, ReportPageWithNoFilesKeepsTheBarsMaximum)
{
    open();
    addAllFiles();
    clickTab(2);
    ASSERT_EQ(report().Progress->maximumValue(), 12);
    clickTab(0);
    w->fileList->mnuFileListRemoveAll()->trigger();
    clickTab(2);
    EXPECT_EQ(report().lblFilesCompleted->text(), "0 of 0 file in progress...");
    EXPECT_EQ(report().Progress->maximumValue(), 12);
}

TEST_F(MainWindowPages, ProcessMenuDoesWhatTheTabsDo)
{
    open();
    addAllFiles();
    w->mnuBeginTagging->trigger();
    EXPECT_EQ(w->tabStrip->currentIndex(), 2);
    EXPECT_EQ(report().lblFilesCompleted->text(), "0 of 3 file in progress...");
    EXPECT_EQ(report().Progress->maximumValue(), 12);

    // The Options page takes the stored values each time it is shown.
    setStored(keys::OnlineMode, "True");
    w->mnuOptions->trigger();
    EXPECT_EQ(w->tabStrip->currentIndex(), 1);
    EXPECT_TRUE(w->pageOptions->isVisible());
    EXPECT_TRUE(w->pageOptions->optOnline->isChecked());

    w->mnuChooseFiles->trigger();
    EXPECT_EQ(w->tabStrip->currentIndex(), 0);
    EXPECT_TRUE(w->pageChooseFiles->isVisible());
    EXPECT_FALSE(w->pageOptions->isVisible());

    setStored(keys::OnlineMode, "False");
    clickTab(1);
    EXPECT_TRUE(w->pageOptions->optOffline->isChecked());
}

// ---------------------------------------------------------------------------
// Runs

class MainWindowRun : public SiteTest {};

TEST_F(MainWindowRun, AWholeRunReportsEveryTagAndRewritesThePages)
{
    open();
    addAllFiles();
    ASSERT_EQ(lstFiles()->count(), 3);
    clickTab(2);

    QStringList linesShown;
    QList<int> entriesSelected;
    QObject::connect(w->run, &RunController::fileStarted, w.get(), [&] {
        linesShown.append(report().lblFilesCompleted->text());
        entriesSelected.append(lstFiles()->currentRow());
    });
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    QTest::mouseClick(report().cmdStart, Qt::LeftButton);
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
    EXPECT_EQ(ended.count(), 1);

    EXPECT_EQ(linesShown, QStringList({"1 of 3 file in progress...", "2 of 3 file in progress...",
                                       "3 of 3 file in progress..."}));
    EXPECT_EQ(entriesSelected, QList<int>({0, 1, 2}));
    EXPECT_EQ(report().lblFilesCompleted->text(), "3 of 3 file in progress...");
    EXPECT_EQ(rows(), runRows());
    EXPECT_EQ(counters(), QStringList({"7", "3", "2", "0", "0", "0"}));
    EXPECT_EQ(report().Progress->currentValue(), 12);
    EXPECT_EQ(report().lblPercent->text(), "100% Complete.");
    EXPECT_FALSE(report().imgDone->isHidden());
    EXPECT_TRUE(report().cmdStart->isEnabled());
    EXPECT_FALSE(report().cmdStop->isEnabled());
    EXPECT_TRUE(w->mnuStart->isEnabled());
    EXPECT_TRUE(w->mnuClearAll->isEnabled());
    EXPECT_TRUE(cmdAddFiles()->isEnabled());
    EXPECT_EQ(texts(lstFiles()).size(), 3);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(onlineChecks, 0);

    EXPECT_EQ(site.read("about.html"), kAbout);
    EXPECT_EQ(site.read("index.htm"),
              "<html><body>\n<img src=\"pics/logo.png\" WIDTH=40 HEIGHT=30 BORDER=10>\n<IMG SRC=\"banner.png\" "
              "ALT=\"b\" WIDTH=200 HEIGHT=50 BORDER=10>\n<img src=\"gone.png\"><img src=\"nowhere/gone.png\">\n"
              "</body></html>\n");
    EXPECT_EQ(site.read("links.html"), "<a href=x><img src=\"http://example.test/x.png\"></a><img "
                                       "src='pics/logo.png' WIDTH=40 HEIGHT=30 BORDER=10>\n");
    EXPECT_EQ(site.read("index.htm.bak"), kIndex);
}

TEST_F(MainWindowRun, AnEmptyListIsNotReady)
{
    open();
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    ASSERT_NE(counters()[0], "0");
    w->fileList->mnuFileListRemoveAll()->trigger();
    ASSERT_EQ(lstFiles()->count(), 0);

    QSignalSpy ended(w.get(), &frmMain::runEnded);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_F4);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Not Ready...");
    EXPECT_EQ(messages.shown[0].text, "You must first select the files to add image tag properties to.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(w->tabStrip->currentIndex(), 0);
    EXPECT_EQ(counters(), QStringList(6, "0"));
    EXPECT_EQ(report().Progress->currentValue(), report().Progress->minimumValue());
    EXPECT_EQ(report().lblPercent->text(), "0% Complete.");
    EXPECT_TRUE(report().imgDone->isHidden());
    EXPECT_TRUE(report().cmdStart->isEnabled());
    EXPECT_TRUE(w->mnuStart->isEnabled());
    EXPECT_EQ(rows().size(), runRows().size()); // the last run's rows stay
    QTest::qWait(50);
    EXPECT_EQ(ended.count(), 0);
}

TEST_F(MainWindowRun, TwoRunsWithoutClearingKeepBothRunsRowsAndRestartTheCounters)
{
    open();
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    ASSERT_EQ(counters(), QStringList({"7", "3", "2", "0", "0", "0"}));
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));

    QList<QStringList> expected = runRows();
    for (QStringList row : runRows()) {
        if (row[2] == status::Success)
            row[2] = status::NoChanges; // tagged by the first run
        expected.append(row);
    }
    EXPECT_EQ(rows(), expected);
    EXPECT_EQ(counters(), QStringList({"7", "0", "2", "0", "0", "0"}));
    EXPECT_EQ(report().lblPercent->text(), "100% Complete.");
}

TEST_F(MainWindowRun, ClearAllEmptiesTheListsButLeavesThePercentage)
{
    open();
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    ASSERT_EQ(report().lblPercent->text(), "100% Complete.");

    w->mnuClearAll->trigger();
    EXPECT_EQ(lstFiles()->count(), 0);
    EXPECT_EQ(w->fileList->FileCount(), 0);
    EXPECT_EQ(rows().size(), 0);
    EXPECT_EQ(counters(), QStringList(6, "0"));
    EXPECT_EQ(report().lblFilesCompleted->text(), "0 of 0 files completed...");
    EXPECT_EQ(report().Progress->currentValue(), report().Progress->minimumValue());
    EXPECT_EQ(report().Progress->value(), report().Progress->minimum());
    EXPECT_EQ(report().lblPercent->text(), "100% Complete.");
    EXPECT_TRUE(report().imgDone->isHidden());

    // The next run's rows are the only ones.
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_EQ(rows().size(), runRows().size());
}

// ---------------------------------------------------------------------------
// Online mode at the start of a run

class MainWindowOnline : public SiteTest {
protected:
    void SetUp() override
    {
        SiteTest::SetUp();
        setStored(keys::OnlineMode, "True");
    }
    void expectQuestion(const ScriptedMessages::Shown& shown)
    {
        EXPECT_EQ(shown.title, "Unable to tag in Online Mode...");
        EXPECT_EQ(shown.text, kNoConnection);
        EXPECT_EQ(shown.buttons, MessageButtons::YesNo);
        EXPECT_EQ(shown.icon, MessageIcon::None);
    }
};

TEST_F(MainWindowOnline, NoConnectionAndYesGoesOnOffline)
{
    online = false;
    open();
    addAllFiles();
    messages.answers = {MessageAnswer::Yes};
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_EQ(onlineChecks, 1);
    ASSERT_EQ(messages.shown.size(), 1);
    expectQuestion(messages.shown[0]);
    EXPECT_EQ(stored(keys::OnlineMode), "False");
    EXPECT_EQ(rows(), runRows());

    // Later runs are offline without asking.
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_EQ(onlineChecks, 1);
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(MainWindowOnline, NoConnectionAndNoGoesBackToChooseFilesChangingNothing)
{
    online = false;
    open();
    addAllFiles();
    clickTab(2);
    const QString percent = report().lblPercent->text();
    messages.answers = {MessageAnswer::No};
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    QTest::mouseClick(report().cmdStart, Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1);
    expectQuestion(messages.shown[0]);
    EXPECT_EQ(w->tabStrip->currentIndex(), 0);
    EXPECT_EQ(stored(keys::OnlineMode), "True");
    EXPECT_TRUE(report().cmdStart->isEnabled());
    EXPECT_EQ(report().lblPercent->text(), percent);
    EXPECT_EQ(counters(), QStringList(6, "0"));
    QTest::qWait(50);
    EXPECT_EQ(ended.count(), 0);
    EXPECT_EQ(rows().size(), 0);
    EXPECT_EQ(site.read("index.htm"), kIndex);
    EXPECT_FALSE(QFile::exists(site.file("index.htm.bak")));
}

TEST_F(MainWindowOnline, AnUnknownConnectionShowsErrorBeforeTheQuestion)
{
    online = std::nullopt;
    open();
    addAllFiles();
    messages.answers = {MessageAnswer::No};
    w->mnuStart->trigger();
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].text, "ERROR");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    expectQuestion(messages.shown[1]);
    EXPECT_EQ(w->tabStrip->currentIndex(), 0);
}

TEST_F(MainWindowOnline, OfflineModeNeverChecksTheConnection)
{
    setStored(keys::OnlineMode, "False");
    online = false;
    open();
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_EQ(onlineChecks, 0);
    EXPECT_TRUE(messages.shown.isEmpty());

    // Only the exact word switches online mode on.
    setStored(keys::OnlineMode, "true");
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_EQ(onlineChecks, 0);
}

TEST_F(MainWindowOnline, AConnectionFetchesRemotePictures)
{
    GatedFetcher remote(makePicture("png", 88, 31), -1);
    fetcher = &remote;
    online = true;
    open();
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(remote.addresses(), QStringList({"http://example.test/x.png"}));
    EXPECT_EQ(rows()[5], QStringList({page("links.html"), "http://example.test/x.png", status::Success}));
    EXPECT_EQ(site.read("links.html"), "<a href=x><img src=\"http://example.test/x.png\" WIDTH=88 HEIGHT=31 "
                                       "BORDER=10></a><img src='pics/logo.png' WIDTH=40 HEIGHT=30 BORDER=10>\n");
}
