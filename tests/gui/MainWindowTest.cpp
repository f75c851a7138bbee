#include "tests/gui/MainWindowFixture.h"

#include "engine/StatusTexts.h"
#include "engine/TaggingEngine.h"
#include "filelist/DriveBox.h"
#include "filelist/FolderBox.h"
#include "mainwindow/OptionsPage.h"
#include "mainwindow/SplitterBar.h"
#include "mainwindow/Twips.h"
#include "mainwindow/WindowPlacement.h"
#include "tests/support/Pictures.h"
#include "tests/support/WidgetActions.h"

#include <QAction>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QThread>

using namespace quillon;
using namespace quillon::test;

namespace {

// The window's outer bounds in twips: frame, caption and menu bar included.
QList<double> bounds(const QWidget* w)
{
    const QRectF outer = WindowPlacement::outerBounds(*w);
    return { outer.left(), outer.top(), outer.width(), outer.height() };
}

// The frame the platform puts around the window (the offscreen platform has one too).
QMargins frameOf(const QWidget* w)
{
    const QRect inner = w->geometry();
    const QRect outer = w->frameGeometry();
    return { inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
        outer.bottom() - inner.bottom() };
}

// Moves and sizes the window by its outer edges, as a user dragging its frame does.
void setOuterPixels(QWidget* w, const QRect& outer)
{
    w->move(outer.topLeft());
    w->resize(outer.size().shrunkBy(frameOf(w)));
    QCoreApplication::processEvents();
}

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
            { page("about.html"), "pics/logo.png", status::NoChanges },
            { page("index.htm"), "pics/logo.png", status::Success },
            { page("index.htm"), "banner.png", status::Success },
            { page("index.htm"), "gone.png", status::downloadFailed(53) },
            { page("index.htm"), "nowhere/gone.png", status::ImageNotFound },
            { page("links.html"), "http://example.test/x.png", status::Offline },
            { page("links.html"), "pics/logo.png", status::Success },
        };
    }

    static constexpr const char* kAbout = "<p><img src=\"pics/logo.png\" width=40 height=30 border=0></p>\n";
    static constexpr const char* kIndex
        = "<html><body>\n<img src=\"pics/logo.png\">\n<IMG SRC=\"banner.png\" "
          "ALT=\"b\">\n<img src=\"gone.png\"><img src=\"nowhere/gone.png\">\n"
          "</body></html>\n";
    static constexpr const char* kLinks
        = "<a href=x><img src=\"http://example.test/x.png\"></a><img src='pics/logo.png'>\n";
};

} // namespace

// ---------------------------------------------------------------------------
// Start-up and the file list

class MainWindowStartUp : public SiteTest { };

TEST_F(MainWindowStartUp, FreshStoreOpensNormalAtTheDefaultPlaceWithEmptyReport)
{
    open();
    EXPECT_EQ(w->windowTitle(), " Brambleworth Quillon ");
    EXPECT_EQ(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized), Qt::WindowNoState);
    EXPECT_EQ(bounds(w.get()), QList<double>({ 100, 100, 7000, 6000 }));
    EXPECT_EQ(w->tabStrip->currentIndex(), 0);
    EXPECT_TRUE(w->pageChooseFiles->isVisible());
    EXPECT_FALSE(w->pageReport->isVisible());
    EXPECT_EQ(texts(fileBox()), QStringList({ "about.html", "index.htm", "links.html" }));
    EXPECT_TRUE(messages.shown.isEmpty());

    const ReportPage& r = report();
    EXPECT_EQ(r.lblFilesCompleted->text(), "0 of 0 files completed...");
    EXPECT_EQ(r.lblPercent->text(), "00% Complete");
    EXPECT_EQ(counters(), QStringList(6, "0"));
    EXPECT_TRUE(r.imgDone->isHidden());
    EXPECT_EQ(r.Progress->maximumValue(), 100);
    QStringList headers;
    for (int i = 0; i < lvStatus()->model()->columnCount(); ++i)
        headers.append(lvStatus()->model()->headerData(i, Qt::Horizontal).toString());
    EXPECT_EQ(headers, QStringList({ "File", "Image", "Status" }));
}

TEST_F(MainWindowStartUp, DoubleClickAddsOneFileAndAListedFileIsToldWhileTheOthersAreAdded)
{
    open();
    doubleClick(fileBox(), "index.htm");
    EXPECT_EQ(texts(lstFiles()), QStringList({ page("index.htm") }));

    addAllFiles();
    EXPECT_EQ(texts(lstFiles()), QStringList({ page("index.htm"), page("about.html"), page("links.html") }));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "File already listed...");
    EXPECT_EQ(messages.shown[0].text, "The file: " + page("index.htm") + " is already in the list!");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
}

TEST_F(MainWindowTest, TheFiftiethFileFillsTheListWithOneMessage)
{
    for (int i = 0; i < 52; ++i)
        site.write(QStringLiteral("p%1.htm").arg(i, 2, 10, QLatin1Char('0')), "<p>");
    open();
    const auto addItems = [this](int from, int to) {
        fileBox()->clearSelection();
        for (int i = from; i < to; ++i)
            fileBox()->item(i)->setSelected(true);
        QTest::mouseClick(cmdAddFiles(), Qt::LeftButton);
    };
    addItems(0, 49);
    ASSERT_EQ(lstFiles()->count(), 49);
    addItems(49, 52);
    EXPECT_EQ(lstFiles()->count(), 50);
    EXPECT_EQ(lstFiles()->item(49)->text(), site.file("p49.htm"));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "File list full...");
    EXPECT_EQ(messages.shown[0].text, "Sorry, Quillon can only handle 50 files at a time.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
}

TEST_F(MainWindowStartUp, ProcessMenuSwitchesPagesAsTheTabsDo)
{
    open();
    addAllFiles();
    clickTab(2);
    ASSERT_EQ(w->tabStrip->currentIndex(), 2);
    EXPECT_EQ(report().lblFilesCompleted->text(), "0 of 3 file in progress...");
    EXPECT_EQ(report().Progress->maximumValue(), 12);

    // With the list emptied the line follows but the bar keeps its maximum.
    clickTab(0);
    w->fileList->mnuFileListRemoveAll()->trigger();
    w->mnuBeginTagging->trigger();
    EXPECT_EQ(report().lblFilesCompleted->text(), "0 of 0 file in progress...");
    EXPECT_EQ(report().Progress->maximumValue(), 12);

    // The Options page takes the stored values each time it is shown.
    setStored(keys::OnlineMode, "True");
    w->mnuOptions->trigger();
    EXPECT_EQ(w->tabStrip->currentIndex(), 1);
    EXPECT_TRUE(w->pageOptions->optOnline->isChecked());
    w->mnuChooseFiles->trigger();
    EXPECT_TRUE(w->pageChooseFiles->isVisible());
}

// ---------------------------------------------------------------------------
// Runs

class MainWindowRun : public SiteTest { };

TEST_F(MainWindowRun, AWholeRunReportsEveryTagAndRewritesThePages)
{
    open();
    addAllFiles();
    clickTab(2);
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    QTest::mouseClick(report().cmdStart, Qt::LeftButton);
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));

    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(report().lblFilesCompleted->text(), "3 of 3 file in progress...");
    EXPECT_EQ(rows(), runRows());
    EXPECT_EQ(counters(), QStringList({ "7", "3", "2", "0", "0", "0" }));
    EXPECT_EQ(report().Progress->currentValue(), 12);
    EXPECT_EQ(report().lblPercent->text(), "100% Complete.");
    EXPECT_FALSE(report().imgDone->isHidden());
    EXPECT_TRUE(report().cmdStart->isEnabled());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(onlineChecks, 0);

    EXPECT_EQ(site.read("about.html"), kAbout);
    EXPECT_EQ(site.read("index.htm"),
        "<html><body>\n<img src=\"pics/logo.png\" WIDTH=40 HEIGHT=30 BORDER=10>\n<IMG SRC=\"banner.png\" "
        "ALT=\"b\" WIDTH=200 HEIGHT=50 BORDER=10>\n<img src=\"gone.png\"><img src=\"nowhere/gone.png\">\n"
        "</body></html>\n");
    EXPECT_EQ(site.read("links.html"),
        "<a href=x><img src=\"http://example.test/x.png\"></a><img "
        "src='pics/logo.png' WIDTH=40 HEIGHT=30 BORDER=10>\n");
    EXPECT_EQ(site.read("index.htm.bak"), kIndex);
}

TEST_F(MainWindowRun, ClearAllEmptiesTheListsAndThenARunIsNotReady)
{
    open();
    addAllFiles();
    ASSERT_TRUE(runs());
    w->mnuClearAll->trigger();
    EXPECT_EQ(lstFiles()->count(), 0);
    EXPECT_EQ(rows().size(), 0);
    EXPECT_EQ(counters(), QStringList(6, "0"));
    EXPECT_EQ(report().lblFilesCompleted->text(), "0 of 0 files completed...");
    EXPECT_EQ(report().Progress->currentValue(), report().Progress->minimumValue());
    EXPECT_EQ(report().lblPercent->text(), "0% Complete.");
    EXPECT_TRUE(report().imgDone->isHidden());

    clickTab(2);
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_F4);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Not Ready...");
    EXPECT_EQ(messages.shown[0].text, "You must first select the files to add image tag properties to.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(w->tabStrip->currentIndex(), 0);
    EXPECT_EQ(report().lblPercent->text(), "0% Complete.");
    EXPECT_EQ(ended.count(), 0);

    // The next run's rows are the only ones.
    addAllFiles();
    ASSERT_TRUE(runs());
    EXPECT_EQ(rows().size(), runRows().size());
}

// Twelve pages of 500 tags: measurable pictures whose names sort by case, tags
// that need nothing, missing pictures, remote ones skipped offline, tags without
// SRC. More rows than the window takes in one go.
class MainWindowBigRun : public MainWindowTest {
protected:
    static constexpr int kPages = 12;
    static constexpr int kTags = 500;

    static void writeSite(const TempDir& folder)
    {
        folder.write("pics/a.png", makePicture("png", 3, 2));
        folder.write("pics/B.png", makePicture("png", 5, 4));
        static const char* const kinds[] = { "<img src=\"pics/a.png\">",
            "<IMG SRC=\"pics/B.png\" WIDTH=5 HEIGHT=4 BORDER=0>", "<img src=\"pics/missing.png\">",
            "<img src=\"http://example.test/c.png\">", "<img alt=x>", "<img src=\"pics/B.png\">" };
        for (int page = 0; page < kPages; ++page) {
            QByteArray html;
            for (int t = 0; t < kTags; ++t)
                html += QByteArray("<p>") + kinds[(page + t) % 6] + "\n";
            folder.write(QStringLiteral("p%1.html").arg(page, 2, 10, QLatin1Char('0')), html);
        }
    }
    // The engine's own report over an identical site, with the window's paths.
    void engineReport(QList<QStringList>& rows, Counters& counters) const
    {
        TempDir twin;
        writeSite(twin);
        QStringList pages;
        for (int page = 0; page < kPages; ++page)
            pages.append(twin.file(QStringLiteral("p%1.html").arg(page, 2, 10, QLatin1Char('0'))));
        GatedFetcher unused({}, 0);
        const Settings store = settings();
        TaggingEngine engine([store] { return TagOptions::fromSettings(store); }, unused);
        engine.run(pages);
        for (const ReportRow& row : engine.report().rows())
            rows.append({ QString(row.file).replace(twin.path(), site.path()), row.image, row.status });
        counters = engine.report().counters();
    }
};

TEST_F(MainWindowBigRun, TheWindowShowsTheEnginesReportSortedOrNotAndFollowsNewRows)
{
    QList<QStringList> expected;
    Counters engineCounters;
    engineReport(expected, engineCounters);
    ASSERT_EQ(expected.size(), kPages * kTags);
    const QStringList totals = { QString::number(engineCounters.total[0]),
        QString::number(engineCounters.total[1]), QString::number(engineCounters.total[2]), "0", "0", "0" };

    for (const int sortColumn : { -1, 1, 2 }) {
        SCOPED_TRACE(sortColumn);
        writeSite(site);
        open();
        addAllFiles();
        ASSERT_EQ(lstFiles()->count(), kPages);
        QList<QStringList> shown = expected;
        if (sortColumn >= 0) {
            w->fraStatus->lvStatus_ColumnClick(sortColumn);
            EXPECT_TRUE(lvStatus()->horizontalHeader()->isSortIndicatorShown());
            std::stable_sort(
                shown.begin(), shown.end(), [sortColumn](const QStringList& a, const QStringList& b) {
                    return QString::compare(a[sortColumn], b[sortColumn], Qt::CaseInsensitive) < 0;
                });
        }
        ASSERT_TRUE(runs());
        EXPECT_EQ(rows(), shown);
        EXPECT_EQ(counters(), totals);
    }

    // Unsorted, the list went down with the rows; scrolled away, it stays where the user put it.
    writeSite(site);
    open();
    addAllFiles();
    ASSERT_TRUE(runs());
    QCoreApplication::processEvents();
    QScrollBar* bar = lvStatus()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(bar->maximum() / 2);
    const int kept = bar->value();
    ASSERT_TRUE(runs());
    QCoreApplication::processEvents();
    EXPECT_EQ(rows().size(), 2 * kPages * kTags);
    EXPECT_EQ(bar->value(), kept);
}

TEST_F(MainWindowRun, AStopAfterTheLastFileIsADoneRunAndTheNextRunGoesWhole)
{
    open();
    addAllFiles();
    clickTab(2);
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    w->cmdStart_Click();
    // The window's thread stands still while the engine goes through every page,
    // so the window is behind when Stop is pressed.
    QElapsedTimer waited;
    waited.start();
    while (site.read("links.html") == kLinks && waited.elapsed() < 30000)
        QThread::msleep(10);
    QThread::msleep(300);
    ASSERT_TRUE(report().cmdStop->isEnabled());
    report().cmdStop->click();
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
    EXPECT_EQ(report().lblFilesCompleted->text(), "3 of 3 file in progress...");
    EXPECT_EQ(report().lblPercent->text(), "100% Complete.");
    EXPECT_FALSE(report().imgDone->isHidden());

    ASSERT_TRUE(runs());
    EXPECT_EQ(rows().size(), 2 * runRows().size());
    EXPECT_EQ(report().lblFilesCompleted->text(), "3 of 3 file in progress...");
}

TEST_F(MainWindowRun, EnterStartsARunOnTheReportPageOnly)
{
    open();
    addAllFiles();
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    QTest::keyClick(lstFiles(), Qt::Key_Return);
    EXPECT_FALSE(ended.wait(300));

    clickTab(2);
    lvStatus()->setFocus();
    QTest::keyClick(lvStatus(), Qt::Key_Return);
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(rows(), runRows());
}

// ---------------------------------------------------------------------------
// Online mode at the start of a run

class MainWindowOnline : public SiteTest {
protected:
    void SetUp() override
    {
        SiteTest::SetUp();
        setStored(keys::OnlineMode, "True");
        open();
        addAllFiles();
    }
    void expectQuestion(const ScriptedMessages::Shown& shown)
    {
        EXPECT_EQ(shown.title, "Unable to tag in Online Mode...");
        EXPECT_EQ(shown.text,
            "You must have an internet connection established in order to tag in Online "
            "Mode.\r\n\r\nContinue in Offline Mode?");
        EXPECT_EQ(shown.buttons, MessageButtons::YesNo);
        EXPECT_EQ(shown.icon, MessageIcon::None);
    }
};

TEST_F(MainWindowOnline, NoConnectionAnsweredNoChangesNothingAndYesGoesOnOffline)
{
    online = false;
    clickTab(2);
    messages.answers = { MessageAnswer::No, MessageAnswer::Yes };
    QTest::mouseClick(report().cmdStart, Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1);
    expectQuestion(messages.shown[0]);
    EXPECT_EQ(w->tabStrip->currentIndex(), 0);
    EXPECT_EQ(stored(keys::OnlineMode), "True");
    EXPECT_EQ(rows().size(), 0);
    EXPECT_EQ(site.read("index.htm"), kIndex);

    ASSERT_TRUE(runs());
    ASSERT_EQ(messages.shown.size(), 2);
    expectQuestion(messages.shown[1]);
    EXPECT_EQ(stored(keys::OnlineMode), "False");
    EXPECT_EQ(rows(), runRows());
    ASSERT_TRUE(runs());
    EXPECT_EQ(onlineChecks, 2); // later runs are offline without asking
}

TEST_F(MainWindowOnline, AnUnknownConnectionShowsErrorBeforeTheQuestion)
{
    online = std::nullopt;
    messages.answers = { MessageAnswer::No };
    w->mnuStart->trigger();
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[0].text, "ERROR");
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
    expectQuestion(messages.shown[1]);
}

// ---------------------------------------------------------------------------
// Sorting the report

TEST_F(MainWindowRun, HeaderClicksSortAndASecondRunWithoutClearingAddsItsRowsInSortedPlaces)
{
    open();
    addAllFiles();
    ASSERT_TRUE(runs());
    const auto clickStatusHeader = [this] {
        QHeaderView* header = lvStatus()->horizontalHeader();
        const int x = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    const auto statuses = [this] {
        QStringList all;
        for (const QStringList& row : rows())
            all.append(row[2]);
        return all;
    };
    const QString failed = status::downloadFailed(53);
    const QStringList ascending = { failed, status::ImageNotFound, status::NoChanges, status::Offline,
        status::Success, status::Success, status::Success };
    clickStatusHeader();
    EXPECT_EQ(statuses(), ascending);
    clickStatusHeader();
    EXPECT_EQ(statuses(), QList(ascending.rbegin(), ascending.rend()));
    clickStatusHeader();
    EXPECT_EQ(statuses(), ascending);

    // The second run finds the tagged ones done; its rows go among the first run's.
    ASSERT_TRUE(runs());
    EXPECT_EQ(statuses(),
        QStringList({ failed, failed, status::ImageNotFound, status::ImageNotFound, status::NoChanges,
            status::NoChanges, status::NoChanges, status::NoChanges, status::NoChanges, status::Offline,
            status::Offline, status::Success, status::Success, status::Success }));
    // Rows that sort alike keep the order they came in: the first run's before the second's.
    EXPECT_EQ(rows()[0], runRows()[3]);
    EXPECT_EQ(rows()[4], runRows()[0]);
    EXPECT_EQ(counters(), QStringList({ "7", "0", "2", "0", "0", "0" }));
}

// ---------------------------------------------------------------------------
// Layout and splitter bars

class MainWindowLayout : public SiteTest {
protected:
    // Makes the window width x height twips as a user's drag of its border would.
    void resizeTo(double width, double height) const
    {
        const QSize size(twips::toPixels(width), twips::toPixels(height));
        setOuterPixels(w.get(), QRect(w->frameGeometry().topLeft(), size));
    }
};

TEST_F(MainWindowLayout, PageControlAndStatusFrameStretchWithTheWindowDownToTheMinimum)
{
    open();
    EXPECT_EQ(twips::width(w->tabStrip), 6775);
    EXPECT_EQ(twips::width(w->fraStatus), 6775);
    EXPECT_EQ(twips::height(w->fraStatus), 6000 - 3195 - 850);
    EXPECT_EQ(twips::width(lvStatus()), 6775 - 2355 - 100);

    resizeTo(9000, 6990);
    EXPECT_EQ(twips::height(w->fraStatus), 6990 - 3195 - 850);
    EXPECT_EQ(twips::width(lvStatus()), 8775 - 2355 - 100);

    resizeTo(5000, 4000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->frameGeometry().width() >= twips::toPixels(7000); }, 5000));
    EXPECT_EQ(bounds(w.get())[2], 7000);
    EXPECT_EQ(bounds(w.get())[3], 5500);
    EXPECT_EQ(twips::width(w->tabStrip), 6775);
    resizeTo(8010, 5010);
    EXPECT_EQ(bounds(w.get())[2], 8010);
    EXPECT_EQ(bounds(w.get())[3], 5500);
}

TEST_F(MainWindowLayout, ReportColumnsShareTheListInThirdsTheLastOne200Short)
{
    open();
    // At 7000 wide the report list is 6435 less the file list's width.
    const struct {
        double files, list;
        QList<double> columns;
    } cases[] = { { 1935, 4500, { 1500, 1500, 1300 } }, { 3431, 3004, { 1001, 1001, 801 } },
        { 3430, 3005, { 1002, 1002, 802 } } };
    for (const auto& c : cases) {
        twips::setWidth(lstFiles(), c.files);
        w->Form_Resize();
        ASSERT_EQ(twips::width(lvStatus()), c.list);
        QList<double> columns;
        for (int i = 0; i < 3; ++i) {
            columns.append(lvStatus()->model()->headerData(i, Qt::Horizontal, Qt::UserRole).toDouble());
            EXPECT_EQ(lvStatus()->columnWidth(i), twips::toPixels(columns[i])) << c.list << " column " << i;
        }
        EXPECT_EQ(columns, c.columns) << c.list;
    }
}

TEST_F(MainWindowLayout, ASplitterDragStopsAThousandTwipsInsideBothNeighbours)
{
    open();
    StatusFrame& s = *w->fraStatus;
    SplitterBar* bar = s.picStatus;
    const double rightLimit = twips::left(s.lvStatus) + twips::width(s.lvStatus) - 1000;

    // Far moves in one go are refused outright.
    bar->MouseMove(Qt::LeftButton, -5000);
    bar->MouseMove(Qt::LeftButton, 50000);
    EXPECT_EQ(twips::left(bar), 2240);

    for (int i = 0; i < 3000; ++i)
        bar->MouseMove(Qt::LeftButton, -1);
    EXPECT_EQ(twips::left(bar), twips::left(s.lstFiles) + 1000);
    for (int i = 0; i < 6000; ++i)
        bar->MouseMove(Qt::LeftButton, 1);
    EXPECT_EQ(twips::left(bar), rightLimit);
    // Only the bar moves while dragging.
    EXPECT_EQ(twips::width(s.lstFiles), 2115);
    EXPECT_EQ(twips::left(s.lvStatus), 2355);
}

TEST_F(MainWindowLayout, OnlyTheLeftButtonAloneDragsTheSplitterAndReleases)
{
    open();
    StatusFrame& s = *w->fraStatus;
    SplitterBar* bar = s.picStatus;
    bar->MouseMove(Qt::RightButton, -300);
    bar->MouseMove(Qt::LeftButton | Qt::RightButton, -300);
    bar->MouseMove(Qt::NoButton, -300);
    EXPECT_EQ(twips::left(bar), 2240);
    bar->MouseUp(Qt::RightButton);
    QTest::mouseClick(bar, Qt::RightButton);
    EXPECT_EQ(twips::width(s.lstFiles), 2115);
    EXPECT_EQ(twips::left(bar), 2240);

    bar->MouseMove(Qt::LeftButton, -300);
    ASSERT_EQ(twips::left(bar), 1940);
    bar->MouseUp(Qt::LeftButton);
    EXPECT_EQ(twips::width(s.lstFiles), 1940 - 175);
    EXPECT_EQ(twips::left(s.lvStatus), 1890 + 90 + 25);
    EXPECT_EQ(twips::width(s.lvStatus), 6775 - (1890 + 90 + 25) - 100);
}

// A bar dragged far right in a wide window, then the window made narrow: the
// left-hand list gives way, so the bar and the right-hand list stay inside.
TEST_F(MainWindowLayout, NarrowingTheWindowKeepsTheBarAndTheRightHandListInside)
{
    open();
    const ChooseFilesPage& c = *w->pageChooseFiles;
    const StatusFrame& s = *w->fraStatus;
    const struct {
        SplitterBar* bar;
        QWidget *left, *right, *container;
    } rows[] = { { c.picChooseFile, c.dirChooseFile, c.fileChooseFile, w->tabStrip },
        { s.picStatus, s.lstFiles, s.lvStatus, w->fraStatus } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.bar->objectName().toStdString());
        resizeTo(14000, 6000);
        const double limit = twips::left(row.right) + twips::width(row.right) - 1000;
        row.bar->MouseMove(Qt::LeftButton, limit - twips::left(row.bar));
        row.bar->MouseUp(Qt::LeftButton);
        ASSERT_GT(twips::width(row.left), 9000);
        resizeTo(7000, 6000);
        EXPECT_LT(twips::left(row.bar) + twips::width(row.bar), twips::left(row.right));
        EXPECT_GE(twips::width(row.right), 1000);
        EXPECT_LE(twips::left(row.right) + twips::width(row.right), twips::width(row.container));
        EXPECT_EQ(twips::width(c.drvChooseFile), twips::width(c.dirChooseFile) + 15);
    }
}

TEST_F(MainWindowLayout, APlainClickOnASplitterDriftsIt)
{
    open();
    const ChooseFilesPage& c = *w->pageChooseFiles;
    ASSERT_EQ(twips::width(c.dirChooseFile), 2280);
    ASSERT_EQ(twips::left(c.picChooseFile), 2470);
    QTest::mouseClick(c.picChooseFile, Qt::LeftButton);
    EXPECT_EQ(twips::width(c.dirChooseFile), 2310);
    EXPECT_EQ(twips::left(c.picChooseFile), 2500);
    EXPECT_EQ(twips::left(c.fileChooseFile), 2615);

    StatusFrame& s = *w->fraStatus;
    QTest::mouseClick(s.picStatus, Qt::LeftButton);
    EXPECT_EQ(twips::width(s.lstFiles), 2015);
    EXPECT_EQ(twips::left(s.picStatus), 2140);
    EXPECT_EQ(twips::left(s.lvStatus), 2255);
}

// ---------------------------------------------------------------------------
// Placement kept in the store

class WindowPlacementTest : public MainWindowTest {
protected:
    void storeBounds(
        const QString& left, const QString& top, const QString& width, const QString& height) const
    {
        setStored(keys::WindowLeft, left);
        setStored(keys::WindowTop, top);
        setStored(keys::WindowWidth, width);
        setStored(keys::WindowHeight, height);
    }
    QStringList storedBounds() const
    {
        return { stored(keys::WindowLeft), stored(keys::WindowTop), stored(keys::WindowWidth),
            stored(keys::WindowHeight) };
    }
};

// The stored bounds are the outer ones, so the title bar of a window stored at
// the screen's top comes back on the screen.
TEST_F(WindowPlacementTest, NormalOuterBoundsAreStoredOnCloseAndComeBack)
{
    open();
    ASSERT_FALSE(frameOf(w.get()).isNull());
    setOuterPixels(w.get(), QRect(100, 80, 540, 440));
    w->close();
    EXPECT_EQ(stored(keys::WindowState), "0");
    EXPECT_EQ(storedBounds(), QStringList({ "1500", "1200", "8100", "6600" }));
    open();
    EXPECT_EQ(w->frameGeometry(), QRect(100, 80, 540, 440));
}

TEST_F(WindowPlacementTest, MaximisedAndMinimisedComeBackSoKeepingTheNormalBounds)
{
    storeBounds("1500", "1200", "8100", "6600");
    const struct {
        void (QWidget::*show)();
        bool (QWidget::*is)() const;
        const char* state;
    } cases[] = { { &QWidget::showMaximized, &QWidget::isMaximized, "2" },
        { &QWidget::showMinimized, &QWidget::isMinimized, "1" } };
    for (const auto& c : cases) {
        open();
        (w.get()->*c.show)();
        ASSERT_TRUE(QTest::qWaitFor([&] { return (w.get()->*c.is)(); }, 5000)) << c.state;
        w->close();
        EXPECT_EQ(stored(keys::WindowState), c.state);
        EXPECT_EQ(storedBounds(), QStringList({ "1500", "1200", "8100", "6600" })) << c.state;
        open();
        EXPECT_TRUE((w.get()->*c.is)()) << c.state;
        w->showNormal();
        EXPECT_TRUE(QTest::qWaitFor([&] { return w->frameGeometry() == QRect(100, 80, 540, 440); }, 5000))
            << c.state;
    }
}

TEST_F(WindowPlacementTest, OffScreenComesBackOntoThePrimaryScreenAndTooSmallAtTheMinimum)
{
    for (const char* far : { "900000", "-900000" }) {
        storeBounds(far, far, "8100", "6600");
        open();
        EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().intersects(w->geometry())) << far;
        EXPECT_EQ(bounds(w.get())[2], 8100);
        EXPECT_EQ(bounds(w.get())[3], 6600);
    }
    storeBounds("1500", "1200", "5000", "4000");
    open();
    EXPECT_EQ(bounds(w.get()), QList<double>({ 1500, 1200, 7000, 5500 }));
    w->close();
    EXPECT_EQ(storedBounds(), QStringList({ "1500", "1200", "7000", "5500" }));
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
    static constexpr int kFetchesToTheHeld = kTags / 2 + (kHeldTag + 1) / 2;

    void SetUp() override
    {
        for (int p = 0; p < 3; ++p)
            site.write(QStringLiteral("pics/p%1.png").arg(p), makePicture("png", 16 + p, 12));
        for (int page = 0; page < kPages; ++page)
            site.write(name(page), text(page, 0));
        remote = std::make_unique<GatedFetcher>(makePicture("png", 88, 31), kFetchesToTheHeld);
        setStored(keys::OnlineMode, "True");
    }
    static QString name(int page) { return QStringLiteral("page%1.htm").arg(page, 2, 10, QLatin1Char('0')); }

    // The page with its first `tagged` tags rewritten.
    static QByteArray text(int page, int tagged)
    {
        QByteArray html = "<html><body>\n";
        for (int t = 0; t < kTags; ++t) {
            html += "<p>Paragraph " + QByteArray::number(t) + " of a page kept by hand.</p>\n";
            if (t % 2 == 0) {
                const int p = t % 3;
                html += "<img src=\"pics/p" + QByteArray::number(p) + ".png\"";
                if (t < tagged)
                    html += " WIDTH=" + QByteArray::number(16 + p) + " HEIGHT=12 BORDER=10";
            } else {
                html += "<IMG SRC=\"http://example.test/" + QByteArray::number(page) + "/"
                    + QByteArray::number(t) + ".png\" ALT=\"r\"";
                if (t < tagged)
                    html += " WIDTH=88 HEIGHT=31 BORDER=10";
            }
            html += ">\n";
        }
        return html + "</body></html>\n";
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

    ASSERT_TRUE(QTest::qWaitFor([&] { return remote->holding.load(); }, 30000));
    const int heldRow = kTags + kHeldTag;
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows().size() == heldRow + 1; }, 30000));
    EXPECT_EQ(rows()[heldRow][2], status::Downloading);
    EXPECT_EQ(report().lblFilesCompleted->text(), "2 of 30 file in progress...");

    // Start, Stop, the Start and Clear All menus, Add: only Stop while the run goes on.
    const auto enabled = [this] {
        return QList<bool>({ report().cmdStart->isEnabled(), report().cmdStop->isEnabled(),
            w->mnuStart->isEnabled(), w->mnuClearAll->isEnabled(), cmdAddFiles()->isEnabled() });
    };
    EXPECT_EQ(enabled(), QList<bool>({ false, true, false, false, false }));

    QTest::mouseClick(report().cmdStop, Qt::LeftButton);
    remote->release();
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(rows().size(), heldRow + 1);
    EXPECT_EQ(rows()[heldRow][2], status::Success);
    EXPECT_EQ(remote->fetches.load(), kFetchesToTheHeld);

    // The page tells how far the run got, not that it is done.
    EXPECT_EQ(report().lblFilesCompleted->text(), "Stopped after 2 of 30 files.");
    EXPECT_EQ(report().Progress->currentValue(), 8);
    EXPECT_EQ(report().lblPercent->text(), "7% Complete.");
    EXPECT_TRUE(report().imgDone->isHidden());
    EXPECT_EQ(counters(), QStringList({ "28", "28", "0", "0", "0", "0" }));

    EXPECT_EQ(enabled(), QList<bool>({ true, false, true, true, true }));
    for (int page = 0; page < kPages; ++page) {
        const int expected = page < kHeldPage ? kTags : page == kHeldPage ? kHeldTag + 1 : 0;
        EXPECT_EQ(site.read(name(page)), text(page, expected)) << name(page).toStdString();
    }
    EXPECT_FALSE(QFile::exists(site.file(name(kHeldPage + 1) + ".bak")));
}
