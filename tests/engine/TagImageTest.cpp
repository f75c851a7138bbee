#include "engine/StatusTexts.h"
#include "settings/SettingKeys.h"
#include "tests/engine/EngineFixture.h"

using namespace quillon;
using quillon::test::EngineTest;

class TagImage : public EngineTest { };

TEST_F(TagImage, AddsMeasuredWidthAndHeightBeforeTheEnd)
{
    EXPECT_EQ(tag(QStringLiteral("img src=\"pics/logo.gif\"")),
        QStringLiteral("img src=\"pics/logo.gif\" WIDTH=120 HEIGHT=60"));
    EXPECT_EQ(lastRow().image, QStringLiteral("pics/logo.gif"));
    EXPECT_EQ(lastRow().status, status::Success);
    EXPECT_EQ(lastRow().file, html);
    EXPECT_EQ(total(Counter::Found), 1);
    EXPECT_EQ(total(Counter::Tagged), 1);
}

TEST_F(TagImage, ClausesComeInOrderAndOnlyWhereMissing)
{
    options.addBorder = true;
    options.borderSize = QStringLiteral("0");
    options.addAlt = true;
    options.altTextIndex = 1;
    options.altText = QStringLiteral("Logo");
    EXPECT_EQ(tag(QStringLiteral("img src=a.gif")),
        QStringLiteral("img src=a.gif WIDTH=120 HEIGHT=60 BORDER=0 ALT=\"Logo\""));
    EXPECT_EQ(tag(QStringLiteral("img Src=a.gif Alt=\"\" BORDER = 2")),
        QStringLiteral("img Src=a.gif Alt=\"\" BORDER = 2 WIDTH=120 HEIGHT=60"));
    EXPECT_EQ(tag(QStringLiteral("img src=a.gif WIDTH = 120 height=60 border alt")),
        QStringLiteral("img src=a.gif WIDTH = 120 height=60 border alt"));
    EXPECT_EQ(lastRow().status, status::NoChanges);
    EXPECT_EQ(total(Counter::Found), 3);
    EXPECT_EQ(total(Counter::Tagged), 2);
}

TEST_F(TagImage, SelfClosingTagGetsItsClausesBeforeTheSlash)
{
    EXPECT_EQ(tag(QStringLiteral("img src=\"a.gif\" /")),
        QStringLiteral("img src=\"a.gif\" WIDTH=120 HEIGHT=60 /"));
    EXPECT_EQ(
        tag(QStringLiteral("img src=\"a.gif\"/")), QStringLiteral("img src=\"a.gif\" WIDTH=120 HEIGHT=60 /"));
    EXPECT_EQ(
        tag(QStringLiteral("img src=\"a.gif\"/")), QStringLiteral("img src=\"a.gif\" WIDTH=120 HEIGHT=60 /"));
}

TEST_F(TagImage, NewAttributesNeverBecomeTheValueOfAnEmptyOne)
{
    EXPECT_EQ(
        tag(QStringLiteral("img src=a.gif alt=")), QStringLiteral("img src=a.gif WIDTH=120 HEIGHT=60 alt="));
    EXPECT_EQ(tag(QStringLiteral("img src='a.gif'alt=")),
        QStringLiteral("img src='a.gif' WIDTH=120 HEIGHT=60 alt="));
}

TEST_F(TagImage, SourceValueIsReadAsBrowsersReadIt)
{
    dir.write(QStringLiteral("my pic.gif"), test::makePicture(QStringLiteral("png"), 7, 3));
    dir.write(QStringLiteral("a&b.gif"), test::makePicture(QStringLiteral("png"), 8, 4));
    EXPECT_EQ(tag(QStringLiteral("img src=\"my pic.gif\"")),
        QStringLiteral("img src=\"my pic.gif\" WIDTH=7 HEIGHT=3"));
    EXPECT_EQ(tag(QStringLiteral("img src='a.gif'")), QStringLiteral("img src='a.gif' WIDTH=120 HEIGHT=60"));
    EXPECT_EQ(tag(QStringLiteral("img src=my%20pic.gif?v=2#top")),
        QStringLiteral("img src=my%20pic.gif?v=2#top WIDTH=7 HEIGHT=3"));
    EXPECT_EQ(tag(QStringLiteral("img src=\"a&amp;b.gif\"")),
        QStringLiteral("img src=\"a&amp;b.gif\" WIDTH=8 HEIGHT=4"));
    // The report shows the value as it is written.
    EXPECT_EQ(lastRow().image, QStringLiteral("a&amp;b.gif"));
    EXPECT_EQ(tag(QStringLiteral("img lowsrc=\"tall.png\" src=\"a.gif\"")),
        QStringLiteral("img lowsrc=\"tall.png\" src=\"a.gif\" WIDTH=120 HEIGHT=60"));
    EXPECT_EQ(total(Counter::Errors), 0);
}

TEST_F(TagImage, MissingSourceIsAnErrorButNotFound)
{
    EXPECT_EQ(tag(QStringLiteral("img alt=\"src=a.gif\"")), QStringLiteral("img alt=\"src=a.gif\""));
    EXPECT_EQ(lastRow().status, status::NoSrc);
    EXPECT_EQ(lastRow().image, QString());
    EXPECT_EQ(total(Counter::Errors), 1);
    EXPECT_EQ(total(Counter::Found), 0);
}

TEST_F(TagImage, MissingPictureAndMissingFolderAreReportedDifferently)
{
    EXPECT_EQ(tag(QStringLiteral("img src=none.gif")), QStringLiteral("img src=none.gif"));
    EXPECT_EQ(lastRow().status, QStringLiteral("Error: [53] Unable to download image."));
    tag(QStringLiteral("img src=nofolder/none.gif"));
    EXPECT_EQ(lastRow().status, QStringLiteral("Error: Image not found."));
    dir.write(QStringLiteral("page.html"), "<html>not a picture</html>");
    tag(QStringLiteral("img src=page.html"));
    EXPECT_EQ(lastRow().status, QStringLiteral("Error: [481] Unable to download image."));
    EXPECT_EQ(total(Counter::Found), 3);
    EXPECT_EQ(total(Counter::Errors), 3);
    EXPECT_EQ(total(Counter::Tagged), 0);
}

TEST_F(TagImage, TagWithBothSidesNeverLoadsItsPicture)
{
    options.addBorder = true;
    EXPECT_EQ(tag(QStringLiteral("img src=none.gif width=1 height=2")),
        QStringLiteral("img src=none.gif width=1 height=2 BORDER=10"));
    EXPECT_EQ(lastRow().status, status::Success);
    EXPECT_EQ(total(Counter::Errors), 0);
}

// One side given: the other keeps the picture's proportions, the given value read
// as HTML reads dimensions. a.gif is 120 by 60, tall.png 50 by 200.
TEST_F(TagImage, OneSideGivenKeepsTheProportions)
{
    options.addBorder = true;
    struct Case {
        const char* tag;
        const char* added;
        QString status;
    };
    const Case cases[] = {
        { "img src=a.gif width=10", " HEIGHT=5 BORDER=10", status::Success },
        { "img src=a.gif Width=\"61\"", " HEIGHT=31 BORDER=10", status::Success }, // 30.5: away from zero
        { "img src=tall.png height=100", " WIDTH=25 BORDER=10", status::Success },
        { "img src=a.gif width=\"60px\"", " HEIGHT=30 BORDER=10", status::Success },
        { "img src=a.gif width=\" 60 \"", " HEIGHT=30 BORDER=10", status::Success },
        { "img src=a.gif width=\"60.5\"", " HEIGHT=30 BORDER=10", status::Success }, // 30.25
        { "img src=a.gif height=\"30.4\"", " WIDTH=61 BORDER=10", status::Success }, // 60.8
        { "img src=a.gif height=10em", " WIDTH=20 BORDER=10", status::Success },
        { "img src=a.gif width=\"50%\" border=0", "", status::SizeInOtherUnits },
        { "img src=none.gif height=\"12.5%\" border=0", "", status::SizeInOtherUnits },
        { "img src=a.gif width=auto border=0", "", status::SizeNotANumber },
        { "img src=a.gif width=\"\" border=0", "", status::SizeNotANumber },
        { "img src=a.gif height=\".5\" border=0", "", status::SizeNotANumber },
        { "img src=a.gif width border=0", "", status::SizeNotANumber },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const QString text = QString::fromUtf8(c.tag);
        EXPECT_EQ(tag(text), text + QString::fromUtf8(c.added));
        EXPECT_EQ(lastRow().status, c.status);
    }
    EXPECT_EQ(total(Counter::Errors), 0);
}

// A path from the site's root is looked up under the root, never beside the page;
// a path ending in "/" names a folder, with or without a root.
TEST_F(TagImage, RootPathsAndFolderPaths)
{
    html = dir.file(QStringLiteral("sub/page.html"));
    dir.write(QStringLiteral("sub/pics/logo.gif"), test::makePicture(QStringLiteral("png"), 5, 5));
    struct Case {
        bool root;
        const char* tag;
        const char* added;
        QString status;
    };
    const Case cases[] = {
        { false, "img src=\"/pics/logo.gif\"", "", status::NoSiteRoot },
        { true, "img src=\"/pics/logo.gif\"", " WIDTH=120 HEIGHT=60", status::Success },
        { true, "img src=\"pics/logo.gif\"", " WIDTH=5 HEIGHT=5", status::Success },
        { false, "img src=pics/logo.gif/", "", status::ImageNotFound },
        { true, "img src=pics/logo.gif/", "", status::ImageNotFound },
        { true, "img src=/pics/logo.gif/", "", status::ImageNotFound },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        options.siteRoot = c.root ? dir.path() : QString();
        const QString text = QString::fromUtf8(c.tag);
        EXPECT_EQ(tag(text), text + QString::fromUtf8(c.added));
        EXPECT_EQ(lastRow().status, c.status);
    }
    EXPECT_EQ(total(Counter::Errors), 4);
}

TEST_F(TagImage, AltTextIsEscapedSoItReadsBackAsWritten)
{
    options.addAlt = true;
    options.altTextIndex = 1;
    options.altText = QStringLiteral("Tom & \"Jerry\"");
    EXPECT_EQ(tag(QStringLiteral("img src=a.gif")),
        QStringLiteral("img src=a.gif WIDTH=120 HEIGHT=60 ALT=\"Tom &amp; &quot;Jerry&quot;\""));
}

TEST_F(TagImage, AltImageNameIsThePathAsTheReportShowsIt)
{
    options.addAlt = true;
    options.altTextIndex = 0;
    EXPECT_EQ(tag(QStringLiteral("img src=pics/logo.gif")),
        QStringLiteral("img src=pics/logo.gif WIDTH=120 HEIGHT=60 ALT=\"pics/logo.gif\""));
}

TEST_F(TagImage, AltIndexThatIsNoNumberFailsAfterTheEarlierClauses)
{
    options.addAlt = true;
    options.altTextIndex = std::nullopt;
    EXPECT_EQ(tag(QStringLiteral("img src=a.gif")), QStringLiteral("img src=a.gif WIDTH=120 HEIGHT=60"));
    EXPECT_EQ(lastRow().status, QStringLiteral("Error: [13] Unable to download image."));
    EXPECT_EQ(total(Counter::Errors), 1);
    EXPECT_EQ(total(Counter::Tagged), 0);
}

TEST_F(TagImage, RemotePicturesAreSkippedOffline)
{
    for (const char* src : { "http://example.invalid/a.gif", "HTTPS://example.invalid/a.gif",
             "ftp://example.invalid/a.gif", "//example.invalid/a.gif" }) {
        const QString text = QStringLiteral("img src=") + QString::fromUtf8(src);
        EXPECT_EQ(tag(text), text);
        EXPECT_EQ(lastRow().status, status::Offline) << src;
    }
    EXPECT_EQ(refusing.calls, 0);
    EXPECT_EQ(total(Counter::Found), 4);
}

TEST_F(TagImage, RemotePictureOnlineFailsWithTheTransferCode)
{
    options.online = true;
    tag(QStringLiteral("img src=\"//example.invalid\\pics\\a.gif\""));
    EXPECT_EQ(refusing.last, QStringLiteral("https://example.invalid/pics/a.gif"));
    EXPECT_EQ(lastRow().image, QStringLiteral("//example.invalid/pics/a.gif"));
    EXPECT_EQ(lastRow().status, status::downloadFailed(static_cast<int>(ErrorCode::ConnectFailed)));
    // A tag that lacks nothing is not fetched at all.
    tag(QStringLiteral("img src=http://x.invalid/a.gif width=1 height=1 border=0 alt=\"\""));
    EXPECT_EQ(lastRow().status, status::NoChanges);
    EXPECT_EQ(refusing.calls, 1);
}

TEST_F(TagImage, DataAddressIsMeasuredFromItsOwnBytes)
{
    const QByteArray png = test::makePicture(QStringLiteral("png"), 9, 4).toBase64();
    const QString text = QStringLiteral("img src=\"data:image/png;base64,") + QString::fromLatin1(png) + u'"';
    EXPECT_EQ(tag(text), text + QStringLiteral(" WIDTH=9 HEIGHT=4"));
    tag(QStringLiteral("img src=\"data:image/png;base64,!!!\""));
    EXPECT_EQ(lastRow().status, status::downloadFailed(481));
    EXPECT_EQ(refusing.calls, 0);
}

TEST_F(TagImage, TurnedJpegMeasuresAsShown)
{
    dir.write(QStringLiteral("turned.jpg"), test::makeJpegWithOrientation(40, 30, 6));
    EXPECT_EQ(
        tag(QStringLiteral("img src=turned.jpg")), QStringLiteral("img src=turned.jpg WIDTH=30 HEIGHT=40"));
}

TEST(TagOptionsFromSettings, FreshStoreAddsBorderButNoAlt)
{
    test::TempDir dir;
    const Settings settings { SettingsStore(dir.path()) };
    const TagOptions options = TagOptions::fromSettings(settings);
    EXPECT_FALSE(options.online);
    EXPECT_TRUE(options.addBorder);
    EXPECT_EQ(options.borderSize, QStringLiteral("10"));
    EXPECT_FALSE(options.addAlt);
    EXPECT_EQ(options.altTextIndex, 0.0);
    EXPECT_TRUE(options.generateBackups);
    EXPECT_FALSE(options.globalBackups);
    EXPECT_EQ(options.backupPath, defaultBackupPath());
    EXPECT_TRUE(options.makeBackupFolder);
}

TEST(TagOptionsFromSettings, StoredTextIsReadExactly)
{
    test::TempDir dir;
    const Settings settings { SettingsStore(dir.path()) };
    settings.write(keys::OnlineMode, QStringLiteral("true"));
    settings.write(keys::AltReact, QStringLiteral("2"));
    settings.write(keys::AltTextIndex, QStringLiteral("1.0"));
    settings.write(keys::BorderSizeIndex, QStringLiteral("3 onload=x"));
    settings.write(keys::GenerateBackups, QStringLiteral("true"));
    settings.write(keys::BackupMode, QStringLiteral("Global"));
    settings.write(keys::BackupPath, QStringLiteral("/srv/bak"));
    TagOptions options = TagOptions::fromSettings(settings);
    EXPECT_FALSE(options.online);
    EXPECT_TRUE(options.addAlt);
    EXPECT_EQ(options.altTextIndex, 1.0);
    EXPECT_EQ(options.borderSize, QStringLiteral("10")); // only a number goes into a page
    EXPECT_FALSE(options.generateBackups);
    EXPECT_TRUE(options.globalBackups);
    EXPECT_EQ(options.backupPath, QStringLiteral("/srv/bak/"));
    EXPECT_FALSE(options.makeBackupFolder);
    settings.write(keys::AltTextIndex, QStringLiteral("abc"));
    EXPECT_FALSE(TagOptions::fromSettings(settings).altTextIndex.has_value());
}
