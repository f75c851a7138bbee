#include "engine/CurlFetcher.h"
#include "engine/DownloadArea.h"
#include "engine/StatusTexts.h"
#include "tests/engine/EngineFixture.h"
#include "tests/support/HttpTestServer.h"

#include <QDir>
#include <QFileInfo>

using namespace quillon;
using quillon::test::EngineTest;
using quillon::test::slurp;

namespace {

// Writes down every event, one line each, as a driver would see them.
class Recorder : public RunObserver {
public:
    void rowAdded(int row, const ReportRow& r) override
    {
        add(QStringLiteral("row+ %1 %2").arg(row).arg(r.file));
    }
    void rowChanged(int row, const ReportRow& r) override
    {
        add(QStringLiteral("row %1 [%2] [%3]").arg(row).arg(r.image, r.status));
    }
    void rowsCleared() override { add(QStringLiteral("cleared")); }
    void countersChanged(const Counters& c) override
    {
        add(QStringLiteral("counters %1/%2/%3 %4/%5/%6")
                .arg(c.total[0])
                .arg(c.total[1])
                .arg(c.total[2])
                .arg(c.current[0])
                .arg(c.current[1])
                .arg(c.current[2]));
    }
    void progressChanged(double value, double maximum, const QString& text) override
    {
        add(QStringLiteral("progress %1/%2 %3").arg(value).arg(maximum).arg(text));
    }
    void fileStarted(int, int, const QString&, const QString& line) override
    {
        add(QStringLiteral("file ") + line);
    }
    void runFinished() override { add(QStringLiteral("finished")); }

    QStringList matching(const QString& prefix) const
    {
        QStringList out;
        for (const QString& e : events) {
            if (e.startsWith(prefix))
                out << e;
        }
        return out;
    }
    QStringList events;

private:
    void add(const QString& e) { events << e; }
};

} // namespace

class Run : public EngineTest {
protected:
    Run()
    {
        options.generateBackups = false;
        observer = &recorder;
    }
    QString page(const QString& name, const QByteArray& bytes) { return dir.write(name, bytes); }
    Recorder recorder;
};

TEST_F(Run, ThreeFilesMoveTheFilesLineProgressAndPercentage)
{
    const QStringList files
        = { page(QStringLiteral("1.html"), "<img src=a.gif>"), page(QStringLiteral("2.html"), "no tags"),
              page(QStringLiteral("3.html"), "<img src=a.gif><img src=none.gif>") };
    engine().run(files);
    EXPECT_EQ(recorder.matching(QStringLiteral("file ")),
        QStringList({ QStringLiteral("file 1 of 3 file in progress..."),
            QStringLiteral("file 2 of 3 file in progress..."),
            QStringLiteral("file 3 of 3 file in progress...") }));
    const QStringList progress = recorder.matching(QStringLiteral("progress "));
    EXPECT_EQ(progress.front(), QStringLiteral("progress 0/12 0% Complete."));
    EXPECT_TRUE(progress.contains(QStringLiteral("progress 4/12 33% Complete.")));
    EXPECT_TRUE(progress.contains(QStringLiteral("progress 8/12 67% Complete.")));
    EXPECT_EQ(progress.back(), QStringLiteral("progress 12/12 100% Complete."));
    // The value never goes back during a run.
    double last = -1;
    for (const QString& p : progress) {
        const double v = p.section(u' ', 1, 1).section(u'/', 0, 0).toDouble();
        EXPECT_GE(v, last) << p.toStdString();
        last = v;
    }
    EXPECT_EQ(recorder.events.back(), QStringLiteral("finished"));
    const Counters& c = engine().report().counters();
    EXPECT_EQ(c.total, (std::array<int, 3> { 3, 2, 1 }));
    EXPECT_EQ(c.current, (std::array<int, 3> { 0, 0, 0 })); // the end of a run clears them
}

TEST_F(Run, RowEventsFollowTheTagsSteps)
{
    engine().run({ page(QStringLiteral("p.html"), "<img src=a.gif>") });
    const QString file = dir.file(QStringLiteral("p.html"));
    const QStringList rows = recorder.matching(QStringLiteral("row"));
    EXPECT_EQ(rows,
        QStringList(
            { QStringLiteral("row+ 0 ") + file, QStringLiteral("row 0 [] [Skipped: No changes needed.]"),
                QStringLiteral("row 0 [a.gif] [Skipped: No changes needed.]"),
                QStringLiteral("row 0 [a.gif] [Success!]"), QStringLiteral("row 0 [a.gif] [Success!]") }));
}

TEST_F(Run, CurrentCountersRestartForEachFileAndTotalsForEachRun)
{
    const QString one = page(QStringLiteral("1.html"), "<img src=a.gif>");
    const QString two = page(QStringLiteral("2.html"), "<img src=none.gif>");
    engine().run({ one, two });
    const QStringList counters = recorder.matching(QStringLiteral("counters "));
    EXPECT_EQ(counters.front(), QStringLiteral("counters 0/0/0 0/0/0"));
    EXPECT_TRUE(counters.contains(QStringLiteral("counters 1/1/0 0/0/0"))); // second file starts
    EXPECT_TRUE(counters.contains(QStringLiteral("counters 2/1/1 1/0/1")));
    EXPECT_EQ(counters.back(), QStringLiteral("counters 2/1/1 0/0/0"));

    // A second run keeps the rows and starts the counters again.
    engine().run({ two });
    EXPECT_EQ(engine().report().rows().size(), 3);
    EXPECT_EQ(engine().report().counters().total, (std::array<int, 3> { 1, 0, 1 }));

    engine().ClearStatus();
    EXPECT_TRUE(engine().report().rows().isEmpty());
    EXPECT_EQ(engine().report().counters(), Counters());
    EXPECT_EQ(engine().progressValue(), 0);
}

TEST_F(Run, OptionsChangedBeforeARunAreSeenByIt)
{
    const QString path = page(QStringLiteral("p.html"), "<img src=a.gif>");
    engine();
    options.addBorder = true;
    options.borderSize = QStringLiteral("3");
    engine().run({ path });
    EXPECT_EQ(slurp(path), QByteArray("<img src=a.gif WIDTH=120 HEIGHT=60 BORDER=3>"));
}

TEST_F(Run, StopEndsTheRunAfterTheCurrentTagAndWritesWhatWasDone)
{
    class Stopper : public RunObserver {
    public:
        explicit Stopper(TaggingEngine& e)
            : engine(e)
        {
        }
        void rowAdded(int, const ReportRow&) override
        {
            if (++rows == 2)
                engine.requestStop();
        }
        void runFinished() override { finished = true; }
        TaggingEngine& engine;
        int rows = 0;
        bool finished = false;
    } stopper(engine());
    engine().setObserver(&stopper);
    const QString first = page(QStringLiteral("1.html"), "<img src=a.gif><img src=a.gif><img src=a.gif>");
    const QString second = page(QStringLiteral("2.html"), "<img src=a.gif>");
    engine().run({ first, second });
    EXPECT_EQ(slurp(first),
        QByteArray("<img src=a.gif WIDTH=120 HEIGHT=60><img src=a.gif WIDTH=120 HEIGHT=60><img src=a.gif>"));
    EXPECT_EQ(slurp(second), QByteArray("<img src=a.gif>"));
    EXPECT_TRUE(stopper.finished);
    EXPECT_EQ(engine().progressValue(), engine().progressMaximum());
}

class OnlineRun : public Run {
protected:
    OnlineRun()
    {
        fetcher = &curl;
        options.online = true;
        server.serve(QStringLiteral("/pics/a.gif"), test::makePicture(QStringLiteral("gif"), 33, 22), 200,
            QStringLiteral("image/gif"));
        server.serve(
            QStringLiteral("/missing.gif"), "<html>Not here</html>", 404, QStringLiteral("text/html"));
    }
    test::HttpTestServer server;
    CurlFetcher curl { TransferLimits {
        std::chrono::milliseconds(2000), std::chrono::milliseconds(5000), 10, 1 << 20 } };
};

TEST_F(OnlineRun, RemotePicturesAreFetchedOnceMeasuredAndCleanedUp)
{
    const QString address = server.url(QStringLiteral("/pics/a.gif"));
    const QString path = page(QStringLiteral("p.html"),
        (QStringLiteral("<img src=\"%1\"><IMG SRC=%1 width=66>").arg(address)).toUtf8());
    engine().run({ path });
    EXPECT_EQ(slurp(path),
        QStringLiteral("<img src=\"%1\" WIDTH=33 HEIGHT=22><IMG SRC=%1 width=66 HEIGHT=44>")
            .arg(address)
            .toUtf8());
    EXPECT_EQ(server.hits(QStringLiteral("/pics/a.gif")), 1);
    EXPECT_TRUE(recorder.events.contains(QStringLiteral("row 0 [%1] [Downloading image ...]").arg(address)));
    // The run's downloads are gone once it ends.
    EXPECT_EQ(engine().downloads().counter(), 0);
    EXPECT_TRUE(engine().downloads().folder().isEmpty() || !QFileInfo::exists(engine().downloads().folder()));
}

TEST_F(OnlineRun, ErrorPageIsNotAPicture)
{
    const QString path = page(QStringLiteral("p.html"),
        QStringLiteral("<img src=%1>").arg(server.url(QStringLiteral("/missing.gif"))).toUtf8());
    engine().run({ path });
    EXPECT_EQ(engine().report().rows().back().status, status::downloadFailed(481));
}

TEST_F(OnlineRun, OfflineRunFetchesNothing)
{
    options.online = false;
    const QString path = page(QStringLiteral("p.html"),
        QStringLiteral("<img src=%1>").arg(server.url(QStringLiteral("/pics/a.gif"))).toUtf8());
    engine().run({ path });
    EXPECT_EQ(engine().report().rows().back().status, status::Offline);
    EXPECT_EQ(server.hits(QStringLiteral("/pics/a.gif")), 0);
}

TEST_F(Run, APictureIsMeasuredOncePerRun)
{
    // Swapping the picture between two documents of one run shows whether it was read again.
    class Swapper : public RunObserver {
    public:
        explicit Swapper(test::TempDir& d)
            : dir(d)
        {
        }
        void fileStarted(int index, int, const QString&, const QString&) override
        {
            if (index == 1)
                dir.write(QStringLiteral("a.gif"), test::makePicture(QStringLiteral("png"), 10, 10));
        }
        test::TempDir& dir;
    } swapper(dir);
    observer = &swapper;
    const QString first = page(QStringLiteral("1.html"), "<img src=a.gif>");
    const QString second = page(QStringLiteral("2.html"), "<img src=a.gif>");
    engine().run({ first, second });
    EXPECT_EQ(slurp(second), QByteArray("<img src=a.gif WIDTH=120 HEIGHT=60>"));
    // The next run measures afresh.
    const QString third = page(QStringLiteral("3.html"), "<img src=a.gif>");
    engine().run({ third });
    EXPECT_EQ(slurp(third), QByteArray("<img src=a.gif WIDTH=10 HEIGHT=10>"));
}
