// Online runs over remote pictures, good and bad: the engine over one page, and
// the real quillon-tag over a site whose pages share their pictures.

#include "engine/fetch/CurlFetcher.h"
#include "engine/fetch/DownloadArea.h"
#include "engine/run/Outcome.h"
#include "engine/run/TaggingEngine.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/Pictures.h"

#include <QFileInfo>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace quillon {
namespace {

using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using test::makePicture;

TEST(OnlineTagging, EachPictureIsFetchedOnceABadAddressIsAnErrorRowAndTheDownloadsGoAtTheEnd)
{
    qputenv("no_proxy", "127.0.0.1");
    test::LoopbackServer server;
    test::TempDir dir;
    server.serve(QStringLiteral("/a.png"), makePicture(QStringLiteral("png"), 33, 22));
    server.serve(QStringLiteral("/b.svg"), makePicture(QStringLiteral("svg"), 31, 17));
    QByteArray page = "<p>Pictures from elsewhere</p>\n";
    QByteArray tagged = page;
    QStringList statuses;
    const auto tag = [&](const QString& address, const QString& status, const QByteArray& added = {}) {
        const QByteArray img = "<img src=\"" + address.toUtf8() + "\"";
        page += img + ">\n";
        tagged += img + added + ">\n";
        statuses << status;
    };
    tag(server.url(QStringLiteral("/a.png")), u"Success!"_s, " WIDTH=33 HEIGHT=22");
    tag(server.url(QStringLiteral("/missing.png")), u"Error: [481] Unable to download image."_s);
    tag(server.url(QStringLiteral("/hostile/endless/")), u"Error: [606] Unable to download image."_s);
    tag(server.url(QStringLiteral("/hostile/gzip-bomb")), u"Error: [481] Unable to download image."_s);
    tag(QStringLiteral("http://127.0.0.1:1/x.png"), u"Error: [603] Unable to download image."_s);
    // Sent compressed: measured as the compressed SVG that arrives.
    tag(server.url(QStringLiteral("/gzip/b.svg")), u"Success!"_s, " WIDTH=31 HEIGHT=17");
    tag(server.url(QStringLiteral("/a.png")), u"Success!"_s, " WIDTH=33 HEIGHT=22");
    const QString document = dir.write(QStringLiteral("page.html"), page);

    TagOptions options;
    options.online = true;
    options.addBorder = false;
    options.generateBackups = false;
    TransferLimits limits;
    limits.connectTimeout = 1s;
    limits.maxBytes = 1024 * 1024;
    CurlFetcher fetcher(limits);
    TaggingEngine engine([&] { return options; }, fetcher);
    engine.run({ document });

    QStringList got;
    for (const ReportRow& row : engine.report().rows())
        got << row.statusText();
    EXPECT_EQ(got, statuses);
    EXPECT_EQ(test::slurp(document), tagged);
    EXPECT_EQ(engine.report().counters().totalOf(Counter::Tagged), 3);
    EXPECT_EQ(engine.report().counters().totalOf(Counter::Errors), 4);
    EXPECT_EQ(server.hits(QStringLiteral("/a.png")), 1);
    EXPECT_EQ(engine.downloads().counter(), 0);
    EXPECT_TRUE(engine.downloads().folder().isEmpty()) << engine.downloads().folder().toStdString();
}

TEST(OnlineTagging, QuillonTagFetchesEachAddressOfASiteOnceAndAtMostEightAtOnce)
{
    test::LoopbackServer server;
    test::TempDir dir;
    const auto img = [&](const QString& path) { return "<img src=\"" + server.url(path).toUtf8() + "\">\n"; };
    server.serve(QStringLiteral("/a.png"), makePicture(QStringLiteral("png"), 30, 20));
    server.serve(QStringLiteral("/broken.png"), "no picture at all");
    const QByteArray shared = img(QStringLiteral("/a.png")) + img(QStringLiteral("/missing.png"))
        + img(QStringLiteral("/broken.png"));
    // Each page has a slow picture of its own, so that their transfers overlap.
    constexpr int pages = 16;
    for (int i = 0; i < pages; ++i) {
        server.serve(QStringLiteral("/s%1.png").arg(i), makePicture(QStringLiteral("png"), 3, 2));
        dir.write(QStringLiteral("site/p%1.html").arg(i),
            img(QStringLiteral("/slow/300/s%1.png").arg(i)) + shared + shared);
    }

    const test::ProgramRun run = test::quillonTag({ QStringLiteral("--online"), QStringLiteral("--no-backup"),
        QStringLiteral("-j"), QString::number(pages), dir.file(QStringLiteral("site")) });
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.text().endsWith(
        QStringLiteral("Found %1, Tagged %2, Errors %3\n").arg(pages * 7).arg(pages * 3).arg(pages * 4)))
        << run.text().toStdString();
    for (const char* path : { "/a.png", "/missing.png", "/broken.png", "/slow/300/s7.png" })
        EXPECT_EQ(server.hits(QString::fromLatin1(path)), 1) << path;
    EXPECT_GE(server.peakConcurrent(), 4);
    EXPECT_LE(server.peakConcurrent(), 8);
}

// A later run asks whether each picture changed: a picture its server still
// vouches for costs no body, one that names no version is fetched whole, and
// neither a changed picture nor a damaged cache ever gives a wrong size.
TEST(OnlineTagging, ALaterRunAsksBeforeFetchingAndNeverTrustsAStaleOrDamagedCache)
{
    test::LoopbackServer server;
    test::TempDir dir, cache;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
    const QString cacheName = QStringLiteral("quillon/remote-sizes.json");
    const QByteArray plain = makePicture(QStringLiteral("png"), 5, 6);
    server.serve(QStringLiteral("/a.png"), makePicture(QStringLiteral("png"), 30, 20));
    server.serve(QStringLiteral("/b.png"), plain);
    server.serve(QStringLiteral("/c.gif"), makePicture(QStringLiteral("gif"), 7, 8));
    QByteArray page;
    for (const char* path : { "/a.png", "/plain/b.png", "/dated/c.gif" })
        page += "<img src=\"" + server.url(QString::fromLatin1(path)).toUtf8() + "\">\n";

    // The bytes of bodies one run fetched, after checking what it wrote.
    const auto run = [&](const QByteArray& aSize, const QStringList& extra = {}) {
        const QString document = dir.write(QStringLiteral("page.html"), page);
        const qint64 before = server.bodyBytes();
        const test::ProgramRun ran = test::quillonTag(
            QStringList { QStringLiteral("--online"), QStringLiteral("--no-backup"), document } + extra, {},
            environment);
        EXPECT_EQ(ran.exitCode, 0) << ran.text().toStdString() << ran.err.toStdString();
        QByteArray expected = page;
        expected.replace("a.png\">", "a.png\" WIDTH=" + aSize + ">")
            .replace("b.png\">", "b.png\" WIDTH=5 HEIGHT=6>")
            .replace("c.gif\">", "c.gif\" WIDTH=7 HEIGHT=8>");
        EXPECT_EQ(test::slurp(document), expected);
        return server.bodyBytes() - before;
    };
    EXPECT_GT(run("30 HEIGHT=20"), plain.size());
    EXPECT_EQ(run("30 HEIGHT=20"), plain.size()); // only the picture that names no version
    const QByteArray remembered = cache.read(cacheName);

    EXPECT_GT(run("30 HEIGHT=20", { QStringLiteral("--no-cache") }), plain.size());
    EXPECT_EQ(cache.read(cacheName), remembered);

    server.serve(QStringLiteral("/a.png"), makePicture(QStringLiteral("png"), 40, 10));
    EXPECT_GT(run("40 HEIGHT=10"), plain.size());
    EXPECT_EQ(run("40 HEIGHT=10"), plain.size());

    // Damage of every kind, a digit of a size changed included: ignored, then written anew.
    const QByteArray good = cache.read(cacheName);
    QByteArray otherSize = good;
    ASSERT_NE(otherSize.replace(",40,10,", ",41,10,"), good);
    for (const QByteArray& damaged : { otherSize, good.left(good.size() / 2), QByteArray(600, '\0') }) {
        cache.write(cacheName, damaged);
        EXPECT_GT(run("40 HEIGHT=10"), plain.size());
        EXPECT_EQ(run("40 HEIGHT=10"), plain.size());
    }
}

} // namespace
} // namespace quillon
