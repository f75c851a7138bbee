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
    EXPECT_EQ(lstFiles()->count(), 3); // the file list shows under every page
    EXPECT_TRUE(lstFiles()->isVisible());
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
    EXPECT_FALSE(w->run->isRunning());
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
    EXPECT_FALSE(w->run->isRunning());
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
    remote = std::make_unique<GatedFetcher>(makePicture("png", 88, 31), -1);
    online = true;
    open();
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(remote->addresses(), QStringList({"http://example.test/x.png"}));
    EXPECT_EQ(rows()[5], QStringList({page("links.html"), "http://example.test/x.png", status::Success}));
    EXPECT_EQ(site.read("links.html"), "<a href=x><img src=\"http://example.test/x.png\" WIDTH=88 HEIGHT=31 "
                                       "BORDER=10></a><img src='pics/logo.png' WIDTH=40 HEIGHT=30 BORDER=10>\n");
}

// ---------------------------------------------------------------------------
// Sorting the report

class MainWindowReport : public SiteTest {
protected:
    void clickHeader(int section) const
    {
        QHeaderView* header = lvStatus()->header();
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QStringList statuses() const
    {
        QStringList all;
        for (const QStringList& row : rows())
            all.append(row[2]);
        return all;
    }
    static QList<QStringList> inAnyOrder(QList<QStringList> rows)
    {
        std::sort(rows.begin(), rows.end(), [](const QStringList& a, const QStringList& b) {
            return a.join(u'|') < b.join(u'|');
        });
        return rows;
    }
};

TEST_F(MainWindowReport, StatusHeaderClicksTurnTheOrderAndLaterRowsLandInSortedPlaces)
{
    open();
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    const QString failed = status::downloadFailed(53);

    clickHeader(2);
    EXPECT_EQ(statuses(), QStringList({failed, status::ImageNotFound, status::NoChanges, status::Offline,
                                       status::Success, status::Success, status::Success}));
    clickHeader(2);
    EXPECT_EQ(statuses(), QStringList({status::Success, status::Success, status::Success, status::Offline,
                                       status::NoChanges, status::ImageNotFound, failed}));
    clickHeader(2);
    const QStringList ascending = {failed, status::ImageNotFound, status::NoChanges, status::Offline,
                                   status::Success, status::Success, status::Success};
    EXPECT_EQ(statuses(), ascending);
    EXPECT_EQ(inAnyOrder(rows()), inAnyOrder(runRows()));

    // The second run finds the tagged ones done; its rows go among the first run's.
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_EQ(statuses(), QStringList({failed, failed, status::ImageNotFound, status::ImageNotFound,
                                       status::NoChanges, status::NoChanges, status::NoChanges, status::NoChanges,
                                       status::NoChanges, status::Offline, status::Offline, status::Success,
                                       status::Success, status::Success}));
    EXPECT_EQ(rows().size(), 2 * runRows().size());

    // Rows that sort alike keep the order they came in: the first run's before the second's.
    EXPECT_EQ(rows()[0], runRows()[3]);
    EXPECT_EQ(rows()[4], runRows()[0]);
}

TEST_F(MainWindowReport, SortingStaysOnAfterClearAll)
{
    open();
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    clickHeader(2); // ascending
    clickHeader(2); // descending
    w->mnuClearAll->trigger();
    site.write("index.htm", kIndex);
    site.write("links.html", kLinks);
    addAllFiles();
    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    EXPECT_EQ(statuses(), QStringList({status::Success, status::Success, status::Success, status::Offline,
                                       status::NoChanges, status::ImageNotFound, status::downloadFailed(53)}));
}

// ---------------------------------------------------------------------------
// Layout

class MainWindowLayout : public SiteTest {
protected:
    // Makes the window width x height twips as a user's drag of its border would
    // (whole pixels, so sizes that are a whole number of pixels come out exact).
    void resizeTo(double width, double height) const
    {
        w->resize(twips::toPixels(width), twips::toPixels(height));
        QCoreApplication::processEvents();
    }
    // The report list's three column widths as the layout set them.
    QList<double> columns() const
    {
        QList<double> all;
        for (int i = 0; i < 3; ++i)
            all.append(lvStatus()->headerItem()->data(i, Qt::UserRole).toDouble());
        return all;
    }
};

TEST_F(MainWindowLayout, PageControlAndStatusFrameStretchWithTheWindow)
{
    open();
    StatusFrame& s = *w->fraStatus;
    EXPECT_EQ(twips::width(w->tabStrip), 6775);
    EXPECT_EQ(twips::width(w->fraStatus), 6775);
    EXPECT_EQ(twips::height(w->fraStatus), 6000 - 3195 - 850);
    EXPECT_EQ(twips::left(s.lstFiles), 100);
    EXPECT_EQ(twips::width(s.lstFiles), 2115);
    EXPECT_EQ(twips::left(s.picStatus), 2240);
    EXPECT_EQ(twips::left(s.lvStatus), 2355);
    EXPECT_EQ(twips::width(s.lvStatus), 6775 - 2355 - 100);
    EXPECT_EQ(twips::left(s.lblStatus), 2355);

    resizeTo(9000, 6990);
    EXPECT_EQ(twips::width(w->tabStrip), 8775);
    EXPECT_EQ(twips::width(w->fraStatus), 8775);
    EXPECT_EQ(twips::height(w->fraStatus), 6990 - 3195 - 850);
    EXPECT_EQ(twips::width(s.lstFiles), 2115);
    EXPECT_EQ(twips::width(s.lvStatus), 8775 - 2355 - 100);
    EXPECT_EQ(twips::height(s.lvStatus), twips::height(s.lstFiles));
    EXPECT_EQ(twips::height(s.picStatus), twips::height(s.lstFiles));
}

TEST_F(MainWindowLayout, ReportColumnsShareTheListInThirdsTheLastOne200Short)
{
    open();
    StatusFrame& s = *w->fraStatus;
    // At 7000 wide the report list is 6435 less the file list's width.
    twips::setWidth(s.lstFiles, 1935);
    w->Form_Resize();
    ASSERT_EQ(twips::width(s.lvStatus), 4500);
    EXPECT_EQ(columns(), QList<double>({1500, 1500, 1300}));
    EXPECT_EQ(s.lvStatus->columnWidth(0), 100);
    EXPECT_EQ(s.lvStatus->columnWidth(2), twips::toPixels(1300));

    twips::setWidth(s.lstFiles, 3431);
    w->Form_Resize();
    ASSERT_EQ(twips::width(s.lvStatus), 3004);
    EXPECT_EQ(columns(), QList<double>({1001, 1001, 801}));

    twips::setWidth(s.lstFiles, 3430);
    w->Form_Resize();
    ASSERT_EQ(twips::width(s.lvStatus), 3005);
    EXPECT_EQ(columns(), QList<double>({1002, 1002, 802}));
}

TEST_F(MainWindowLayout, ANormalWindowIsNeverSmallerThan7000By5500)
{
    open();
    resizeTo(5000, 4000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->width() >= twips::toPixels(7000); }, 5000));
    EXPECT_EQ(twips::width(w.get()), 7000);
    EXPECT_EQ(twips::height(w.get()), 5500);
    EXPECT_EQ(twips::width(w->tabStrip), 6775);

    resizeTo(8010, 5010);
    EXPECT_EQ(twips::width(w.get()), 8010);
    EXPECT_EQ(twips::height(w.get()), 5500);
}

TEST_F(MainWindowLayout, OnlyTheCurrentPageIsLaidOut)
{
    open();
    const auto& c = *w->pageChooseFiles;
    ASSERT_EQ(twips::width(c.fileChooseFile), 7000 - twips::left(c.fileChooseFile) - 400);
    clickTab(1);
    const double fileBoxWidth = twips::width(c.fileChooseFile);
    const double overallWidth = twips::width(report().fraOverall);

    resizeTo(9000, 6000);
    const double T = 8775;
    const OptionsPage& o = *w->pageOptions;
    EXPECT_EQ(twips::left(o.fraBorder), 100);
    EXPECT_EQ(twips::width(o.fraBorder), T / 2 - 150);
    EXPECT_EQ(twips::left(o.fraAlt), 100 + T / 2 - 150 + 100);
    EXPECT_EQ(twips::width(o.fraAlt), T / 2 - 150);
    EXPECT_EQ(twips::width(o.fraGeneralOptions), T / 3);
    EXPECT_EQ(twips::left(o.fraOnlineMode), 100 + T / 3 + 100);
    EXPECT_EQ(twips::width(o.fraOnlineMode), T / 3 * 2 - 300);
    EXPECT_EQ(twips::width(o.lblNote), T / 3 * 2 - 500);
    EXPECT_EQ(twips::width(o.cmdBackupPath), T / 3 - 200);
    EXPECT_EQ(twips::width(c.fileChooseFile), fileBoxWidth);
    EXPECT_EQ(twips::width(report().fraOverall), overallWidth);

    clickTab(2);
    EXPECT_EQ(twips::width(report().fraOverall), T - 250);
    EXPECT_EQ(twips::width(report().fraTotals), T / 3);
    EXPECT_EQ(twips::left(report().fraCurrentFile), twips::left(report().fraTotals) + T / 3 + 100);
    EXPECT_EQ(twips::left(report().lblPercent),
              twips::left(report().Progress) + twips::width(report().Progress) + 100);
    EXPECT_EQ(twips::width(c.fileChooseFile), fileBoxWidth);

    w->mnuChooseFiles->trigger();
    EXPECT_EQ(twips::width(c.fileChooseFile), 9000 - twips::left(c.fileChooseFile) - 400);
    EXPECT_EQ(twips::left(c.cmdAddFiles) + twips::width(c.cmdAddFiles),
              twips::left(c.fileChooseFile) + twips::width(c.fileChooseFile));
}

// ---------------------------------------------------------------------------
// Splitter bars

class SplitterBars : public SiteTest {};

TEST_F(SplitterBars, ADragStopsAThousandTwipsInsideBothNeighbours)
{
    open();
    StatusFrame& s = *w->fraStatus;
    SplitterBar* bar = s.picStatus;
    const double leftLimit = twips::left(s.lstFiles) + 1000;
    const double rightLimit = twips::left(s.lvStatus) + twips::width(s.lvStatus) - 1000;
    const double filesWidth = twips::width(s.lstFiles);
    const double reportLeft = twips::left(s.lvStatus);

    // Far moves in one go are refused outright.
    bar->MouseMove(Qt::LeftButton, -5000);
    bar->MouseMove(Qt::LeftButton, 50000);
    EXPECT_EQ(twips::left(bar), 2240);

    for (int i = 0; i < 3000; ++i)
        bar->MouseMove(Qt::LeftButton, -1);
    EXPECT_EQ(twips::left(bar), leftLimit);
    for (int i = 0; i < 6000; ++i)
        bar->MouseMove(Qt::LeftButton, 1);
    EXPECT_EQ(twips::left(bar), rightLimit);
    bar->MouseMove(Qt::LeftButton, 1);
    EXPECT_EQ(twips::left(bar), rightLimit);

    // Only the bar moves while dragging.
    EXPECT_EQ(twips::width(s.lstFiles), filesWidth);
    EXPECT_EQ(twips::left(s.lvStatus), reportLeft);
}

TEST_F(SplitterBars, OnlyTheLeftButtonAloneDragsAndReleases)
{
    open();
    StatusFrame& s = *w->fraStatus;
    SplitterBar* bar = s.picStatus;
    bar->MouseMove(Qt::RightButton, -300);
    bar->MouseMove(Qt::LeftButton | Qt::RightButton, -300);
    bar->MouseMove(Qt::NoButton, -300);
    EXPECT_EQ(twips::left(bar), 2240);
    bar->MouseUp(Qt::RightButton);
    EXPECT_EQ(twips::width(s.lstFiles), 2115);

    // The same through real mouse events: a right-button click is no click.
    QTest::mouseClick(bar, Qt::RightButton);
    EXPECT_EQ(twips::width(s.lstFiles), 2115);
    EXPECT_EQ(twips::left(bar), 2240);

    bar->MouseMove(Qt::LeftButton, -300);
    ASSERT_EQ(twips::left(bar), 1940);
    bar->MouseUp(Qt::LeftButton);
    EXPECT_EQ(twips::width(s.lstFiles), 1940 - 175);
    EXPECT_EQ(twips::left(bar), 100 + 1765 + 25);
    EXPECT_EQ(twips::left(s.lvStatus), 1890 + 90 + 25);
    EXPECT_EQ(twips::width(s.lvStatus), 6775 - (1890 + 90 + 25) - 100);
}

TEST_F(SplitterBars, APlainClickDriftsTheBar)
{
    open();
    const ChooseFilesPage& c = *w->pageChooseFiles;
    ASSERT_EQ(twips::width(c.dirChooseFile), 2280);
    ASSERT_EQ(twips::left(c.picChooseFile), 2470);
    QTest::mouseClick(c.picChooseFile, Qt::LeftButton);
    EXPECT_EQ(twips::width(c.dirChooseFile), 2310);
    EXPECT_EQ(twips::width(c.drvChooseFile), 2325);
    EXPECT_EQ(twips::left(c.picChooseFile), 2500);
    EXPECT_EQ(twips::left(c.fileChooseFile), 2615);
    EXPECT_EQ(twips::width(c.fileChooseFile), 7000 - 2615 - 400);

    StatusFrame& s = *w->fraStatus;
    QTest::mouseClick(s.picStatus, Qt::LeftButton);
    EXPECT_EQ(twips::width(s.lstFiles), 2015);
    EXPECT_EQ(twips::left(s.picStatus), 2140);
    EXPECT_EQ(twips::left(s.lvStatus), 2255);
}

TEST_F(SplitterBars, AMouseDragGivesTheFolderBoxTheNewWidthAndTheDriveBoxFollows)
{
    open();
    const ChooseFilesPage& c = *w->pageChooseFiles;
    SplitterBar* bar = c.picChooseFile;
    const QPoint grip(bar->width() / 2, bar->height() / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseMove(bar, grip + QPoint(40, 0));
    const double dropped = 2470 + (grip.x() + 40) * 15;
    ASSERT_EQ(twips::left(bar), dropped);
    EXPECT_EQ(twips::width(c.dirChooseFile), 2280); // not before the release

    // The bar is under the mouse again; release and click follow each other.
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(0, grip.y()));
    EXPECT_EQ(twips::width(c.dirChooseFile), dropped - 160);
    EXPECT_EQ(twips::width(c.drvChooseFile), twips::width(c.dirChooseFile) + 15);
    EXPECT_EQ(twips::left(bar), twips::left(c.dirChooseFile) + twips::width(c.dirChooseFile) + 25);
    EXPECT_EQ(twips::left(c.fileChooseFile), twips::left(bar) + 90 + 25);

    // A release away from the bar is no click: the width is set once.
    const double before = twips::left(bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, grip);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(-200, grip.y()));
    EXPECT_EQ(twips::width(c.dirChooseFile), before - 175);
}

TEST_F(SplitterBars, ResizingTheWindowKeepsTheLeftNeighboursWidth)
{
    open();
    StatusFrame& s = *w->fraStatus;
    const ChooseFilesPage& c = *w->pageChooseFiles;
    s.picStatus->MouseMove(Qt::LeftButton, 600);
    s.picStatus->MouseUp(Qt::LeftButton);
    c.picChooseFile->MouseMove(Qt::LeftButton, -600);
    c.picChooseFile->MouseUp(Qt::LeftButton);
    const double files = twips::width(s.lstFiles);
    const double folders = twips::width(c.dirChooseFile);
    const double reportWidth = twips::width(s.lvStatus);

    w->resize(twips::toPixels(9000), twips::toPixels(6000));
    QCoreApplication::processEvents();
    EXPECT_EQ(twips::width(s.lstFiles), files);
    EXPECT_EQ(twips::left(s.picStatus), 100 + files + 25);
    EXPECT_EQ(twips::width(s.lvStatus), reportWidth + 2000);
    EXPECT_EQ(twips::width(c.dirChooseFile), folders);
    EXPECT_EQ(twips::width(c.drvChooseFile), folders + 15);
    EXPECT_EQ(twips::left(c.picChooseFile), 165 + folders + 25);
}

// ---------------------------------------------------------------------------
// Placement kept in the store

class WindowPlacementTest : public MainWindowTest {
protected:
    void storeBounds(const char* left, const char* top, const char* width, const char* height) const
    {
        setStored(keys::WindowLeft, left);
        setStored(keys::WindowTop, top);
        setStored(keys::WindowWidth, width);
        setStored(keys::WindowHeight, height);
    }
    QStringList storedBounds() const
    {
        return {stored(keys::WindowLeft), stored(keys::WindowTop), stored(keys::WindowWidth),
                stored(keys::WindowHeight)};
    }
    QList<double> bounds() const
    {
        return {twips::left(w.get()), twips::top(w.get()), twips::width(w.get()), twips::height(w.get())};
    }
};

TEST_F(WindowPlacementTest, NormalBoundsAreStoredOnCloseAndComeBack)
{
    open();
    w->setGeometry(QRect(100, 80, 540, 440));
    QCoreApplication::processEvents();
    ASSERT_EQ(bounds(), QList<double>({1500, 1200, 8100, 6600}));
    w->close();
    EXPECT_EQ(stored(keys::WindowState), "0");
    EXPECT_EQ(storedBounds(), QStringList({"1500", "1200", "8100", "6600"}));

    open();
    EXPECT_EQ(bounds(), QList<double>({1500, 1200, 8100, 6600}));
    EXPECT_EQ(w->geometry(), QRect(100, 80, 540, 440));

    // Exit from the menu stores the same way.
    w->setGeometry(QRect(120, 90, 560, 450));
    QCoreApplication::processEvents();
    w->cmdExit->trigger();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(storedBounds(), QStringList({"1800", "1350", "8400", "6750"}));
}

TEST_F(WindowPlacementTest, MaximisedKeepsTheLastNormalBounds)
{
    storeBounds("1500", "1200", "8100", "6600");
    open();
    w->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->isMaximized(); }, 5000));
    w->close();
    EXPECT_EQ(stored(keys::WindowState), "2");
    EXPECT_EQ(storedBounds(), QStringList({"1500", "1200", "8100", "6600"}));

    open();
    EXPECT_TRUE(w->isMaximized());
    // Restoring it gives the stored bounds.
    EXPECT_EQ(w->normalGeometry(), QRect(100, 80, 540, 440));
}

TEST_F(WindowPlacementTest, MinimisedIsStoredAsOneAndComesBackMinimised)
{
    open();
    w->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->isMinimized(); }, 5000));
    w->close();
    EXPECT_EQ(stored(keys::WindowState), "1");
    EXPECT_EQ(storedBounds(), QStringList({"100", "100", "7000", "6000"}));

    open();
    EXPECT_TRUE(w->isMinimized());
}

TEST_F(WindowPlacementTest, APlaceOffEveryScreenComesBackOntoThePrimaryScreen)
{
    for (const char* far : {"900000", "-900000"}) {
        storeBounds(far, far, "8100", "6600");
        open();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_TRUE(screen.intersects(w->geometry())) << far;
        EXPECT_EQ(twips::width(w.get()), 8100);
        EXPECT_EQ(twips::height(w.get()), 6600);
        w.reset();
    }
}

TEST_F(WindowPlacementTest, ASmallStoredSizeComesUpAtTheMinimum)
{
    storeBounds("1500", "1200", "5000", "4000");
    open();
    EXPECT_EQ(bounds(), QList<double>({1500, 1200, 7000, 5500}));
    w->close();
    EXPECT_EQ(storedBounds(), QStringList({"1500", "1200", "7000", "5500"}));
}

// ---------------------------------------------------------------------------
// Stopping a run

// Thirty pages of twenty tags, local and remote pictures by turns. The one fetch
// held back is the fourth remote picture of the second page, its tag number 7.
class MainWindowStop : public MainWindowTest {
protected:
    static constexpr int kPages = 30;
    static constexpr int kTags = 20;
    static constexpr int kHeldPage = 1;
    static constexpr int kHeldTag = 7;

    void SetUp() override
    {
        for (int p = 0; p < 3; ++p)
            site.write(QStringLiteral("pics/p%1.png").arg(p), makePicture("png", 16 + p, 12));
        for (int page = 0; page < kPages; ++page)
            site.write(name(page), text(page, 0));
        remote = std::make_unique<GatedFetcher>(makePicture("png", 88, 31), kTags / 2 + (kHeldTag + 1) / 2);
        setStored(keys::OnlineMode, "True");
    }
    static QString name(int page) { return QStringLiteral("page%1.htm").arg(page, 2, 10, QLatin1Char('0')); }

    // The page with its first `tagged` tags rewritten.
    static QByteArray text(int page, int tagged)
    {
        QByteArray html = "<html><body>\n";
        for (int t = 0; t < kTags; ++t) {
            html += "<p>Paragraph " + QByteArray::number(t) + " of a page kept by hand.</p>\n";
            const bool done = t < tagged;
            if (t % 2 == 0) {
                const int p = t % 3;
                html += "<img src=\"pics/p" + QByteArray::number(p) + ".png\"";
                if (done)
                    html += " WIDTH=" + QByteArray::number(16 + p) + " HEIGHT=12 BORDER=10";
            } else {
                html += "<IMG SRC=\"http://example.test/" + QByteArray::number(page) + "/" + QByteArray::number(t)
                        + ".png\" ALT=\"r\"";
                if (done)
                    html += " WIDTH=88 HEIGHT=31 BORDER=10";
            }
            html += ">\n";
        }
        return html + "</body></html>\n";
    }
    // How many tags of the page on disk were rewritten, when it is the page
    // with a first run of its tags rewritten and nothing else; -1 otherwise.
    int taggedOnDisk(int page) const
    {
        const QByteArray bytes = site.read(name(page));
        for (int tagged = 0; tagged <= kTags; ++tagged) {
            if (bytes == text(page, tagged))
                return tagged;
        }
        return -1;
    }
};

TEST_F(MainWindowStop, StopEndsAfterTheTagInHandAndLeavesEveryPageWholeOrUntouched)
{
    open();
    addAllFiles();
    ASSERT_EQ(lstFiles()->count(), kPages);
    clickTab(2);
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    QTest::mouseClick(report().cmdStart, Qt::LeftButton);

    ASSERT_TRUE(QTest::qWaitFor([&] { return remote->holding(); }, 30000));
    const int heldRow = kTags + kHeldTag;
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows().size() == heldRow + 1; }, 30000));
    EXPECT_EQ(rows()[heldRow][2], status::Downloading);
    EXPECT_EQ(report().lblFilesCompleted->text(), "2 of 30 file in progress...");

    // Nothing that would start, clear or add is open while the run goes on.
    EXPECT_FALSE(report().cmdStart->isEnabled());
    EXPECT_TRUE(report().cmdStop->isEnabled());
    EXPECT_FALSE(w->mnuStart->isEnabled());
    EXPECT_FALSE(w->mnuClearAll->isEnabled());
    EXPECT_FALSE(cmdAddFiles()->isEnabled());
    w->mnuClearAll->trigger();
    w->mnuStart->trigger();
    EXPECT_EQ(lstFiles()->count(), kPages);
    EXPECT_EQ(rows().size(), heldRow + 1);

    QTest::mouseClick(report().cmdStop, Qt::LeftButton);
    remote->release();
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(rows().size(), heldRow + 1);
    EXPECT_EQ(rows()[heldRow][2], status::Success);
    EXPECT_EQ(remote->addresses().size(), kTags / 2 + (kHeldTag + 1) / 2);

    EXPECT_TRUE(report().cmdStart->isEnabled());
    EXPECT_FALSE(report().cmdStop->isEnabled());
    EXPECT_TRUE(w->mnuStart->isEnabled());
    EXPECT_TRUE(w->mnuClearAll->isEnabled());
    EXPECT_TRUE(cmdAddFiles()->isEnabled());
    EXPECT_FALSE(report().imgDone->isHidden());

    for (int page = 0; page < kPages; ++page) {
        const int expected = page < kHeldPage ? kTags : page == kHeldPage ? kHeldTag + 1 : 0;
        EXPECT_EQ(taggedOnDisk(page), expected) << name(page).toStdString();
    }
    EXPECT_FALSE(QFile::exists(site.file(name(kHeldPage + 1) + ".bak")));
}

TEST_F(MainWindowStop, AStoppedRunCanBeFollowedByAWholeOne)
{
    open();
    addAllFiles();
    w->mnuStart->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return remote->holding(); }, 30000));
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    w->cmdStop_Click();
    remote->release();
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));

    ASSERT_TRUE(runs([&] { w->mnuStart->trigger(); }));
    for (int page = 0; page < kPages; ++page)
        EXPECT_EQ(taggedOnDisk(page), kTags) << name(page).toStdString();
    EXPECT_EQ(report().lblFilesCompleted->text(), "30 of 30 file in progress...");
    EXPECT_EQ(report().lblPercent->text(), "100% Complete.");
}
