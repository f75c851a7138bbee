#include "desktop/DesktopServices.h"
#include "dialogs/frmCustomAltText.h"
#include "dialogs/frmHelp.h"
#include "settings/StoredOptions.h"
#include "engine/run/TagOptions.h"
#include "engine/run/TaggingEngine.h"
#include "filelist/FileList.h"
#include "mainwindow/ProgressBar.h"
#include "mainwindow/SingleInstance.h"
#include "mainwindow/StatusFrame.h"
#include "mainwindow/Twips.h"
#include "mainwindow/WindowPlacement.h"
#include "mainwindow/frmMain.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Pictures.h"
#include "tests/support/ScriptedMessages.h"

#include <QLocalServer>
#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <cmath>
#include <future>

using namespace quillon;
using namespace quillon::test;

namespace {

class RecordingOpener : public UrlOpener {
public:
    bool open(const QUrl& url) override { return opened.append(url), true; }
    QList<QUrl> opened;
};

// A window over a store and a site of its own: three pages, each with a local
// picture and a remote one (skipped offline).
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        site.write("pics/a.png", makePicture("png", 4, 3));
        for (const QString& name : kPages)
            site.write(name, kPage);
    }
    Settings settings() const { return Settings(SettingsStore(storeFolder)); }
    void open(const QStringList& pages = kPages)
    {
        const MainWindowServices s { settings(), &messages, [this] { return online; }, nullptr, site.path(),
            &opener };
        w.reset();
        w = std::make_unique<frmMain>(s);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        for (const QString& name : pages)
            w->openPages({ site.file(name) });
    }
    template <typename T = QWidget> T* find(const char* name) const { return w->findChild<T*>(name); }
    QString text(const char* label) const { return find<QLabel>(label)->text(); }
    int listed() const { return find<QListWidget>("lstFiles")->count(); }
    // The report's rows as the user reads them, top to bottom.
    QList<QStringList> rows() const
    {
        QList<QStringList> all;
        const QAbstractItemModel* shown = find<QTableView>("lvStatus")->model();
        for (int i = 0; i < shown->rowCount(); ++i)
            all.append({ shown->index(i, 0).data().toString(), shown->index(i, 1).data().toString(),
                shown->index(i, 2).data().toString() });
        return all;
    }
    // Images found, tagged and errors in the whole run.
    QStringList totals() const
    {
        return { text("lblTotalFound"), text("lblTotalTagged"), text("lblTotalErrors") };
    }
    // Starts a run from the File menu and waits for its end.
    bool runs() const
    {
        QSignalSpy ended(w.get(), &frmMain::runEnded);
        find<QAction>("mnuStart")->trigger();
        return ended.count() > 0 || ended.wait(60000);
    }

    inline static const QStringList kPages = { "one.htm", "two.htm", "three.htm" };
    static constexpr const char* kPage = "<img src=\"pics/a.png\"><img src=\"http://example.test/b.png\">\n";
    TempDir store;
    QString storeFolder = store.path();
    TempDir site;
    std::optional<bool> online = true; // what the connection check tells
    ScriptedMessages messages;
    RecordingOpener opener;
    std::unique_ptr<frmMain> w;
};

// The second page is large, and halfway through it a remote picture never
// comes: Stop is clicked while it is on its way. The download is cut off at
// once, and the page in hand is left whole, without a backup.
TEST_F(MainWindowTest, AStopLeavesThePageInHandAsItWasAndTheListAndOptionsAreLockedUntilThen)
{
    LoopbackServer server;
    server.serve("/x.png", makePicture("png", 88, 31));
    const QByteArray half = QByteArray("<p><img src=\"pics/a.png\">").repeated(5000);
    const QByteArray large = half + "<img src=\"" + server.url("/hostile/stall").toUtf8() + "\">" + half;
    site.write(kPages[0], "<img src=\"pics/a.png\"><img src=\"" + server.url("/x.png").toUtf8() + "\">");
    site.write(kPages[1], large);
    settings().write(keys::OnlineMode, "True");
    open();
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    find<QAction>("mnuStart")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.hits("/hostile/stall") > 0; }, 30000));
    find<QAction>("mnuFileListRemoveAll")->trigger();
    EXPECT_EQ(listed(), 3);
    EXPECT_FALSE(find("optOffline")->isEnabled());

    QElapsedTimer sinceStop;
    sinceStop.start();
    QTest::mouseClick(find("cmdStop"), Qt::LeftButton);
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
    EXPECT_LT(sinceStop.elapsed(), 500);
    EXPECT_EQ(text("lblFilesCompleted"), "Stopped after 1 of 3 files.");
    EXPECT_EQ(find<ProgressBar>("Progress")->currentValue(), 4);
    EXPECT_EQ(site.read("two.htm"), large);
    EXPECT_FALSE(QFile::exists(site.file("two.htm.bak")));
    EXPECT_EQ(QDir(site.path()).entryList(QDir::Files | QDir::Hidden).filter(".quillon-"), QStringList());
    const QList<QStringList> shown = rows();
    ASSERT_EQ(shown.size(), 2 + 5001); // the scan went as far as the remote picture
    EXPECT_EQ(shown[2][2], "Skipped: Stopped before this file was written.");
    EXPECT_EQ(shown.last()[2], shown[2][2]);
    EXPECT_EQ(totals(), QStringList({ "5003", "2", "0" })); // page one's two tags, all that was written
    find<QAction>("mnuFileListRemoveAll")->trigger();
    EXPECT_EQ(listed(), 0);
    EXPECT_TRUE(find("optOffline")->isEnabled());
}

// Without a connection a run in online mode asks first: No leaves everything as
// it was, Yes goes on offline and stores offline mode.
TEST_F(MainWindowTest, OnlineModeWithoutAConnectionAsksFirstAndYesGoesOnOffline)
{
    settings().write(keys::OnlineMode, "True");
    online = false;
    open();
    messages.answers = { MessageAnswer::No };
    find<QAction>("mnuStart")->trigger();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0][0], "Unable to tag in Online Mode...");
    EXPECT_EQ(settings().read(keys::OnlineMode), "True");
    EXPECT_TRUE(rows().isEmpty());
    ASSERT_TRUE(runs());
    EXPECT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(settings().read(keys::OnlineMode), "False");
    EXPECT_EQ(rows().size(), 6);
}

TEST_F(MainWindowTest, AStopClickedAfterTheLastFileStopsNothingAndClearAllLeavesNothingToRun)
{
    open();
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    w->cmdStart_Click();
    // The window's thread stands still while the engine goes through every page,
    // so the window is behind when Stop is clicked.
    for (int waited = 0; site.read("three.htm") == kPage && waited < 3000; ++waited)
        QThread::msleep(10);
    QThread::msleep(1000);
    ASSERT_TRUE(find("cmdStop")->isEnabled());
    find<QPushButton>("cmdStop")->click();
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
    EXPECT_EQ(text("lblPercent"), "100% Complete.");

    ASSERT_TRUE(runs());
    EXPECT_EQ(rows().size(), 12);

    // Clear All leaves nothing to run.
    find<QAction>("mnuClearAll")->trigger();
    EXPECT_EQ(listed(), 0);
    EXPECT_EQ(rows().size(), 0);
    EXPECT_EQ(totals(), QStringList(3, "0"));
    EXPECT_EQ(text("lblPercent"), "0% Complete.");

    find<QAction>("mnuStart")->trigger();
    EXPECT_EQ(messages.shown,
        QList<QStringList>(
            { { "Not Ready...", "You must first select the files to add image tag properties to." } }));
}

// Restore Backups asks first, telling how many pages it will put back; No
// leaves them, Yes puts them back, and the report tells what became of each.
TEST_F(MainWindowTest, RestoreBackupsAsksHowManyPagesAndPutsThemBack)
{
    open();
    ASSERT_TRUE(runs());
    const QByteArray edited = site.read("three.htm") + "<p>mine";
    site.write("three.htm", edited);
    const QList<QStringList> tagged = rows();
    const auto before = filesBelow(site.path());
    messages.answers = { MessageAnswer::No };
    find<QAction>("mnuRestoreBackups")->trigger();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0][1].startsWith("Put back 2 pages from their backups?"));
    EXPECT_EQ(filesBelow(site.path()), before);
    EXPECT_EQ(rows(), tagged);

    find<QAction>("mnuRestoreBackups")->trigger();
    EXPECT_EQ(site.read("one.htm"), kPage);
    EXPECT_EQ(site.read("two.htm"), kPage);
    EXPECT_EQ(site.read("three.htm"), edited);
    EXPECT_EQ(rows().mid(tagged.size()),
        (QList<QStringList> { { site.file("one.htm"), "", "Restored from its backup." },
            { site.file("two.htm"), "", "Restored from its backup." },
            { site.file("three.htm"), "", "Error: Page changed since it was tagged. Not restored." } }));
}

// Many pages of many tags of every kind: the window shows the engine's own
// report over the same site, row for row, whether sorted or not.
TEST_F(MainWindowTest, TheReportShowsTheEnginesRowsAndCountersSortedOrNot)
{
    QStringList names;
    const auto writeSite = [&] {
        names.clear();
        const char* const kinds[] = { "<img src=\"pics/a.png\">",
            "<IMG SRC=pics/a.png WIDTH=4 HEIGHT=3 BORDER=0>", "<img src=\"pics/missing.png\">",
            "<img src=\"http://example.test/c.png\">", "<img alt=x>" };
        for (int page = 0; page < 6; ++page) {
            QByteArray html;
            for (int t = 0; t < 400; ++t)
                html += QByteArray("<p>") + kinds[(page + t) % 5] + "\n";
            names.append(site.write(QStringLiteral("p%1.html").arg(page), html));
        }
    };
    writeSite();
    const Settings store = settings();
    RefusingFetcher offline;
    TaggingEngine engine([store] { return tagOptionsFromSettings(store); }, offline);
    engine.run(names);
    QList<QStringList> expected;
    for (const ReportRow& row : engine.report().rows())
        expected.append({ row.file, row.image, row.statusText() });
    QStringList counted;
    for (const int count : engine.report().counters().total)
        counted.append(QString::number(count));

    for (const int sortColumn : { -1, 2 }) {
        SCOPED_TRACE(sortColumn);
        writeSite();
        open({});
        w->openPages(names);
        QList<QStringList> shown = expected;
        if (sortColumn >= 0) {
            w->findChild<StatusFrame*>()->lvStatus_ColumnClick(sortColumn);
            std::stable_sort(
                shown.begin(), shown.end(), [sortColumn](const QStringList& a, const QStringList& b) {
                    return QString::compare(a[sortColumn], b[sortColumn], Qt::CaseInsensitive) < 0;
                });
        }
        ASSERT_TRUE(runs());
        EXPECT_EQ(rows(), shown);
        EXPECT_EQ(totals(), counted);
    }
}

// The controls of each page where the layout rules put them, at the default size
// and at the minimum a smaller window is raised to (figures that depend on the
// font left out, _); every caption has the room its text needs.
TEST_F(MainWindowTest, ControlsSitWhereTheLayoutSaysAtTheDefaultAndTheMinimumSize)
{
    open({});
    for (const double H : { 6000.0, 5500.0 }) {
        SCOPED_TRACE(H);
        if (H < 6000)
            w->resize(twips::toPixels(5000), twips::toPixels(4000));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return WindowPlacement::outerBounds(*w).size() == QSizeF(7000, H); }, 5000));
        const double T = 6775, F = H - 3195 - 850, lists = F - twips::height(find("lblFiles")) - 300, _ = NAN;
        const struct {
            int page;
            const QWidget* control;
            double left, top, width, height;
        } table[] = {
            { 0, find("tabStrip"), 50, 50, T, 3195 },
            { 0, find("fraStatus"), 50, 3295, T, F },
            { 0, find("lstFiles"), 100, 390, 2115, lists },
            { 0, find("lvStatus"), 2355, 390, T - 2355 - 100, lists },
            { 0, find("cmdAddFiles"), 7000 - 400 - 1560, 2760, 1560, 330 },
            { 1, find("fraGeneralOptions"), 100, 450, _, _ },
            { 1, find("fraOnlineMode"), _, 435, _, 1530 },
            { 1, find("fraAlt"), T / 2 + 50, 2040, T / 2 - 150, 990 },
            { 1, find("cmdBackupPath"), 100, _, _, 300 },
            { 2, find("fraOverall"), 100, 450, T - 250, 1020 },
            { 2, find("fraCurrentFile"), 235 + T / 3, 1560, T / 3, 1425 },
            { 2, find("cmdStart"), 385 + T / 3 * 2, 1650, _, 435 },
        };
        for (const int page : { 0, 1, 2 }) {
            find<QAction>(std::array { "mnuChooseFiles", "mnuOptions", "mnuBeginTagging" }[page])->trigger();
            for (const auto& row : table) {
                const double shown[] = { twips::left(row.control), twips::top(row.control),
                    twips::width(row.control), twips::height(row.control) };
                const double expected[] = { row.left, row.top, row.width, row.height };
                for (int i = 0; i < 4 && (row.page == 0 || row.page == page); ++i)
                    EXPECT_TRUE(std::isnan(expected[i]) || std::abs(shown[i] - expected[i]) < 0.5)
                        << row.control->objectName().toStdString() << " figure " << i << ": " << shown[i];
            }
            for (const auto* control : w->findChildren<QWidget*>()) {
                const QSize need = control->sizeHint();
                if (!control->isVisible() || qobject_cast<const QPushButton*>(control)
                    || !(qobject_cast<const QLabel*>(control)
                        || qobject_cast<const QAbstractButton*>(control)))
                    continue;
                EXPECT_TRUE(control->width() >= need.width() && control->height() >= need.height())
                    << control->objectName().toStdString();
                // ...and whatever it needed, it stays inside its frame.
                if (qobject_cast<const QGroupBox*>(control->parentWidget())) {
                    EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()))
                        << control->objectName().toStdString();
                }
            }
        }
        // The options' frames share the width, the general one at least a third.
        const QWidget *general = find("fraGeneralOptions"), *online = find("fraOnlineMode");
        EXPECT_GE(twips::width(general), T / 3);
        EXPECT_NEAR(twips::left(online), twips::width(general) + 200, 0.5);
        EXPECT_NEAR(twips::left(online) + twips::width(online), T - 100, 0.5);
        // Stop ends where the rules end Start.
        EXPECT_NEAR(twips::left(find("cmdStop")) + twips::width(find("cmdStop")), T - 300, 0.5);
    }
}

// What is stored is the outer bounds (frame and caption included), and they come back.
TEST_F(MainWindowTest, TheOuterBoundsAreStoredAndComeBack)
{
    open({});
    w->setGeometry(QRect(120, 90, 500, 420));
    QCoreApplication::processEvents();
    const QRect outer = w->frameGeometry();
    ASSERT_NE(outer, w->geometry());
    w->close();
    const Settings s = settings();
    EXPECT_EQ(QStringList({ s.read(keys::WindowLeft), s.read(keys::WindowTop), s.read(keys::WindowWidth),
                  s.read(keys::WindowHeight), s.read(keys::WindowState) }),
        QStringList({ QString::number(outer.x() * 15), QString::number(outer.y() * 15),
            QString::number(outer.width() * 15), QString::number(outer.height() * 15), "0" }));
    open({});
    EXPECT_EQ(w->frameGeometry(), outer);
}

// On a fresh store the ALT text is "Quillon", in the dialog and in what a run writes.
TEST_F(MainWindowTest, EnterStartsARunOnTheReportPageAndTheRunWritesTheAltTextShown)
{
    settings().write(keys::AltReact, "2");
    settings().write(keys::AltTextIndex, "1");
    open({ "one.htm" });
    QSignalSpy ended(w.get(), &frmMain::runEnded);
    find<QAction>("mnuBeginTagging")->trigger();
    QTest::keyClick(find("lvStatus"), Qt::Key_Return);
    ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
    EXPECT_EQ(frmCustomAltText(settings(), w.get()).txtAlt->text(), "Quillon");
    EXPECT_TRUE(site.read("one.htm").startsWith(
        "<img src=\"pics/a.png\" WIDTH=4 HEIGHT=3 BORDER=10 ALT=\"Quillon\">"));
}

// With a store that cannot be written the first option lost is told, naming
// the store's file; the options lost after it are not, nor the placement lost
// on the way out.
TEST_F(MainWindowTest, AnOptionThatCannotBeSavedIsToldOnceWithTheStoresFile)
{
    storeFolder = store.write("in-the-way", "") + "/store";
    open({});
    w->close();
    EXPECT_EQ(messages.shown, QList<QStringList>());
    open({});
    find<QAction>("mnuOptions")->trigger();
    for (const char* option : { "optOnline", "optOffline", "chkSound" })
        QTest::mouseClick(find(option), Qt::LeftButton);
    EXPECT_EQ(messages.shown,
        QList<QStringList>({ { "Option not saved...",
            "The option could not be saved. Options are kept in the file: "
                + settings().store().fileFor(kApplication) } }));
}

// F1 opens help in its own window and Esc puts it away.
TEST_F(MainWindowTest, HelpOpensInItsOwnWindowAndOutsideLinksGoToTheOpener)
{
    open({});
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_F1);
    auto* help = w->findChild<frmHelp*>();
    ASSERT_TRUE(help && QTest::qWaitForWindowExposed(help));
    EXPECT_EQ(QFileInfo(help->txtHelp->source().toLocalFile()).fileName(), "yarrow.html");
    emit help->txtHelp->anchorClicked(QUrl("https://example.test/quillon"));
    EXPECT_EQ(opener.opened, QList<QUrl>({ QUrl("https://example.test/quillon") }));
    QTest::keyClick(help->txtHelp, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

// The tick and OK only when no row is an error; otherwise the warning in its
// place, telling how many.
TEST_F(MainWindowTest, TheDonePictureIsTheTickOnlyWithoutErrorsAndTheWarningCountsThem)
{
    open({ "one.htm" });
    const auto* done = find<QLabel>("imgDone");
    QImage tick;
    for (const auto& [missing, told] : { std::pair(0, ""), { 1, "1 error" }, { 3, "3 errors" } }) {
        SCOPED_TRACE(missing);
        site.write("one.htm", kPage + QByteArray("<img src=\"gone.png\">").repeated(missing));
        ASSERT_TRUE(runs());
        EXPECT_TRUE(done->isVisible());
        EXPECT_EQ(done->accessibleName(), told);
        EXPECT_EQ(text("lblTotalErrors"), QString::number(missing));
        if (missing == 0)
            tick = done->pixmap().toImage();
        EXPECT_EQ(done->pixmap().toImage() == tick, missing == 0);
    }
}

// With a site root stored, a picture named from the top of the site is found
// under it, and one whose path leads out of it is refused.
TEST_F(MainWindowTest, PicturesNamedFromTheTopAreFoundUnderTheStoredSiteRootOnly)
{
    site.write("root/pics/in.png", makePicture("png", 5, 6));
    settings().write(keys::SiteRoot, site.file("root"));
    site.write("root/one.htm", "<img src=/pics/in.png><img src=/../pics/a.png>");
    open({ "root/one.htm" });
    ASSERT_TRUE(runs());
    EXPECT_TRUE(site.read("root/one.htm")
                    .startsWith("<img src=/pics/in.png WIDTH=5 HEIGHT=6 BORDER=10><img src=/../pics/a.png>"));
    EXPECT_EQ(totals(), QStringList({ "2", "1", "1" }));
}

// A later start hands its pages to the window there, which lists them and comes
// out of hiding; a socket whose owner does not answer is taken over.
TEST_F(MainWindowTest, ALaterStartHandsItsPagesToTheWindowThereAndASilentSocketIsTakenOver)
{
    open({});
    const QString socket = store.file("window");
    const auto handOver = [&](const QStringList& pages) {
        auto handed
            = std::async(std::launch::async, [&] { return SingleInstance(socket).handOver(pages, 500); });
        while (handed.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QTest::qWait(5);
        return handed.get();
    };
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(socket));
    EXPECT_FALSE(handOver({ site.file("one.htm") }));
    SingleInstance first(socket);
    ASSERT_TRUE(first.listen());
    first.setWindow(w.get());
    QObject::connect(&first, &SingleInstance::pagesHandedOver, w.get(), &frmMain::openPages);
    w->showMinimized();
    EXPECT_TRUE(handOver({ site.file("one.htm"), site.file("two.htm") }));
    EXPECT_EQ(listed(), 2);
    EXPECT_FALSE(w->isMinimized());
}

} // namespace
