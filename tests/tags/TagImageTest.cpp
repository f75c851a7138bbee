#include "engine/run/Outcome.h"
#include "engine/run/TaggingEngine.h"
#include "platform/ProgramFolder.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace quillon::test {
namespace {

using namespace Qt::StringLiterals;

// What TagImage makes of one tag in sub/page.html, beside pictures of known sizes,
// under options named by letters: b BORDER=0, a the custom ALT text, n the image
// name as ALT, ? an ALT choice that is no number, x XML clauses, r the site root,
// u online but with no transfer library.
TEST(TagImage, AddsTheMissingClausesWhereTheyBelong)
{
    TempDir dir;
    for (const auto& [name, width, height] : { std::tuple("sub/a.gif", 120, 60),
             std::tuple("sub/my pic.gif", 7, 3), std::tuple("sub/a&b\U0010FFFF.gif", 8, 4),
             std::tuple("sub/pics/logo.gif", 5, 5), std::tuple("pics/logo.gif", 9, 5) })
        dir.write(QString::fromUtf8(name), makePicture(QStringLiteral("png"), width, height));
    TagOptions options;
    RefusingFetcher fetcher;
    TaggingEngine engine([&options] { return options; }, fetcher);
    struct Case {
        const char* options;
        QString tag; // the clauses go at "|", or at the end
        const char* added;
        Outcome outcome;
        int code = 0; // the failure's number, for an error that has one
    };
    const Outcome skipped = Outcome::NoChanges, done = Outcome::Tagged;
    const char* const size = " WIDTH=120 HEIGHT=60";
    const QString png = makePicture(QStringLiteral("png"), 9, 4).toBase64();
    const Case cases[] = {
        // Clauses in order, each only when missing, where HTML keeps them apart.
        { "", "img src=a.gif", size, done },
        { "ba", "img src=a.gif", " WIDTH=120 HEIGHT=60 BORDER=0 ALT=\"Tom &amp; &quot;Jerry&quot; <3\"",
            done },
        { "bax", "img src=a.gif",
            R"( width="120" height="60" border="0" alt="Tom &amp; &quot;Jerry&quot; &lt;3")", done },
        { "n", "img src=pics/logo.gif", " WIDTH=5 HEIGHT=5 ALT=\"pics/logo.gif\"", done },
        { "ba", "img Src=a.gif Alt=\"\" BORDER = 2", size, done },
        { "ba", "img src=a.gif WIDTH = 120 height=60 border alt", "", skipped },
        { "b", "img src=none.gif width=1 height=2", " BORDER=0", done },
        { "?", "img src=a.gif", size, Outcome::PictureFailed, 13 },
        { "", "img src=\"a.gif\"| /", size, done },
        { "", "img src='a.gif'|/", " WIDTH=120 HEIGHT=60 ", done },
        { "", "img src=a.gif| alt=", size, done },
        { "", "img src='a.gif'|alt=", " WIDTH=120 HEIGHT=60 ", done },
        // One side given: the other keeps the proportions, halves away from zero.
        { "", "img src=a.gif Width=\"61\"", " HEIGHT=31", done },
        { "", "img src=a.gif width=\"60px\"", " HEIGHT=30", done },
        { "", "img src=a.gif width=\"60.5\"", " HEIGHT=30", done },
        { "", "img src=a.gif height=\" 30.4\"", " WIDTH=61", done },
        { "", "img src=a.gif width=\"50%\"", "", Outcome::SizeInOtherUnits },
        { "", "img src=a.gif width=auto", "", Outcome::SizeNotANumber },
        { "", "img src=a.gif height=\".5\"", "", Outcome::SizeNotANumber },
        { "", "img src=a.gif width=16777216", " HEIGHT=8388608", done },
        { "", "img src=a.gif width=16777216.5", "", Outcome::SizeOutOfRange },
        { "", "img src=a.gif height=" + QString(400, u'9'), "", Outcome::SizeOutOfRange },
        // Both sides given: stale when neither is within a pixel of the picture's shape.
        { "", "img src=a.gif width=100 height=\"100\"", "", Outcome::StaleSize },
        { "", "img src=a.gif width=241 height=\"119\"", "", Outcome::StaleSize },
        { "", "img src=a.gif width=240 height=119", "", skipped },
        { "", "img src=a.gif width=100 height=50%", "", skipped },
        { "", "img src=\"{{ a }}\" width=1 height=100", "", Outcome::TemplatePath },
        // The source as a browser reads it.
        { "", "img src=\"my pic.gif\"", " WIDTH=7 HEIGHT=3", done },
        { "", "img src=my%20pic.gif?v=2#top", " WIDTH=7 HEIGHT=3", done },
        { "", "img src=\"./././a&amp;b&#x10FFFF;.gif\"", " WIDTH=8 HEIGHT=4", done },
        { "", "img lowsrc=\"x.png\" src=\"a.gif\"", size, done },
        { "", "img alt=\"src=a.gif\"", "", Outcome::NoSrc },
        { "", "img src=none.gif", "", Outcome::PictureFailed, 53 },
        { "", "img src=nofolder/none.gif", "", Outcome::ImageNotFound, 76 },
        { "", "img src=a.gif/", "", Outcome::ImageNotFound, 76 },
        { "", "img src=//example.invalid/a.gif", "", Outcome::Offline },
        { "u", "img src=//example.invalid/a.gif", "", Outcome::DownloadFailed, 600 },
        // Filled in later by a template system: nothing to measure, and no error.
        { "", "img src=\"{{ site.logo }}\"", "", Outcome::TemplatePath },
        { "b", "img src=\"<?php echo $logo ?>\"", "", Outcome::TemplatePath },
        { "", "img src=\"https://cdn.example/${name}.png\"", "", Outcome::TemplatePath },
        { "", "img src=\"data:image/png;base64," + png + '"', " WIDTH=9 HEIGHT=4", done },
        // "/..." is a path under the site's root, and an error without one.
        { "", "img src=\"/pics/logo.gif\"", "", Outcome::NoSiteRoot },
        { "r", "img src=\"/pics/logo.gif\"", " WIDTH=9 HEIGHT=5", done },
        { "r", "img src=\"pics/logo.gif\"", " WIDTH=5 HEIGHT=5", done },
        { "r", "img src=/pics/logo.gif/", "", Outcome::ImageNotFound, 76 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag.toStdString());
        const auto has = [&c](char letter) { return QByteArrayView(c.options).contains(letter); };
        options = TagOptions();
        options.addBorder = has('b');
        options.borderSize = QStringLiteral("0");
        options.addAlt = has('a') || has('n') || has('?');
        options.altTextIndex = has('?') ? std::nullopt : std::optional(has('a') ? 1.0 : 0);
        options.altText = QStringLiteral("Tom & \"Jerry\" <3");
        options.siteRoot = has('r') ? dir.path() : QString();
        options.lowerCaseClauses = has('x');
        options.online = has('u'); // online, but the transfer library did not start
        if (has('u'))
            options.noTransfers = Failure(ErrorCode::TransferFailed, QStringLiteral("no libcurl"));
        const QString added = QString::fromUtf8(c.added);
        const QString tagged = c.tag.contains(u'|') ? QString(c.tag).replace(u'|', added) : c.tag + added;
        EXPECT_EQ(
            engine.TagImage(QString(c.tag).remove(u'|'), dir.file(QStringLiteral("sub/page.html"))), tagged);
        EXPECT_EQ(engine.report().rows().back().outcome, c.outcome);
        EXPECT_EQ(engine.report().rows().back().failure.code, c.code);
    }
}

// The help page explains every status the report can show, in the report's words.
TEST(TagImage, EveryStatusIsExplainedOnTheHelpPage)
{
    const QString help = QString::fromUtf8(slurp(findDataFile(QStringLiteral("yarrow.html"))));
    ASSERT_FALSE(help.isEmpty());
    for (int o = static_cast<int>(Outcome::Tagged); o <= static_cast<int>(Outcome::NotRestoredChanged); ++o) {
        const QString words
            = outcomeText(static_cast<Outcome>(o), Failure(), u"…"_s).replace(u"[0]"_s, u"[N]"_s);
        EXPECT_TRUE(help.contains(u"<tr><td>"_s + words + u"</td>"_s)) << qPrintable(words);
    }
}

} // namespace
} // namespace quillon::test
