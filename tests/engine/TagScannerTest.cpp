#include "engine/TagScanner.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quillon;

namespace {

struct FoundTag {
    QString text; // from "<" to ">"
    QString beforeInsert; // the tag's text up to its insertion point
    std::vector<std::pair<QString, QString>> attributes; // name, value without quotes
};

std::vector<FoundTag> scan(const QString& text)
{
    std::vector<FoundTag> found;
    TagScanner scanner(text);
    while (auto tag = scanner.next()) {
        FoundTag f;
        f.text = text.mid(tag->start, tag->end - tag->start + 1);
        f.beforeInsert = text.mid(tag->start, tag->insertAt - tag->start);
        for (const TagAttribute& a : tag->attributes) {
            f.attributes.emplace_back(
                text.mid(a.nameStart, a.nameEnd - a.nameStart), ImgTag::value(text, a).toString());
        }
        found.push_back(f);
    }
    return found;
}

struct StartCase {
    const char* name;
    const char* input;
    std::vector<const char*> tags;
};

class TagStart : public ::testing::TestWithParam<StartCase> { };

TEST_P(TagStart, FindsExactlyTheImageTags)
{
    const StartCase& c = GetParam();
    const auto found = scan(QString::fromUtf8(c.input));
    ASSERT_EQ(found.size(), c.tags.size()) << c.input;
    for (size_t i = 0; i < found.size(); ++i)
        EXPECT_EQ(found[i].text, QString::fromUtf8(c.tags[i]));
}

INSTANTIATE_TEST_SUITE_P(Scanner, TagStart,
    ::testing::Values(StartCase { "LowerCase", "a<img src=a.gif>b", { "<img src=a.gif>" } },
        StartCase { "AnyLetterCase", "<IMG src=a><Img src=b><iMg src=c>",
            { "<IMG src=a>", "<Img src=b>", "<iMg src=c>" } },
        StartCase { "EachTagOnceInOrderWhenCasesMix", "<img src=a.gif><IMG src=b.gif>",
            { "<img src=a.gif>", "<IMG src=b.gif>" } },
        StartCase { "ImgxIsNoTag", "<imgx src=a><image src=b><img>", { "<img>" } },
        StartCase { "BlankSlashOrGreaterThanFollows", "<img\tsrc=a><img\nsrc=b><img/><img\fx>",
            { "<img\tsrc=a>", "<img\nsrc=b>", "<img/>", "<img\fx>" } },
        StartCase { "GreaterThanInsideQuotes", "<img alt='x>y' src=a.gif>", { "<img alt='x>y' src=a.gif>" } },
        StartCase { "DoubleQuotesHideGreaterThan", "<img alt=\"a>b\">", { "<img alt=\"a>b\">" } },
        StartCase { "UnterminatedTagIsSkipped", "text <img src=a.gif", {} },
        StartCase { "UnclosedQuoteHidesTheRest", "<img alt=\"x> <img src=b>", {} },
        StartCase { "TagInsideAnotherTagsValueIsNotATag", "<img alt=\"<img src=b>\" src=a>",
            { "<img alt=\"<img src=b>\" src=a>" } },
        StartCase { "ImgAtTheVeryEnd", "x<img", {} }),
    [](const auto& info) { return std::string(info.param.name); });

// Only the tags a browser sees are found: comments, the text of elements that
// hold no markup, and other tags' values hide the rest.
INSTANTIATE_TEST_SUITE_P(Hidden, TagStart,
    ::testing::Values(StartCase { "InComment", "<!-- <img src=a> --><img src=b>", { "<img src=b>" } },
        StartCase { "CommentEndsAtBangForm", "<!-- x --!><img src=b>", { "<img src=b>" } },
        StartCase { "ShortCommentsCloseAtOnce", "<!--><img src=a><!---><img src=b>",
            { "<img src=a>", "<img src=b>" } },
        StartCase { "DashesInsideComment", "<!-- -- -> <img src=a> ---><img src=b>", { "<img src=b>" } },
        StartCase { "UnclosedCommentHidesTheRest", "<!-- <img src=a>", {} },
        StartCase { "BogusCommentsEndAtTheFirstGreaterThan",
            "<!DOCTYPE html><?php ?><![CDATA[<img src=a>]]></1 <img src=c><img src=b>", { "<img src=b>" } },
        StartCase { "EndTagIsNoImage", "</img src=a><img src=b>", { "<img src=b>" } },
        StartCase { "InScriptString", "<script>document.write(\"<img src='a.gif'>\")</script><img src=b>",
            { "<img src=b>" } },
        StartCase {
            "ScriptEndsAtItsEndTagInAnyCase", "<SCRIPT type=x>a</Script ><img src=b>", { "<img src=b>" } },
        StartCase { "ScriptNotEndedByALongerName", "<script></scripts><img src=a></script><img src=b>",
            { "<img src=b>" } },
        StartCase { "ScriptInsideScriptComment",
            "<script><!--<script></script><img src=a>--></script><img src=b>", { "<img src=b>" } },
        StartCase { "SelfClosingScriptStillHoldsText", "<script/><img src=a>", {} },
        StartCase { "RawTextElements",
            "<xmp><img src=a></xmp><style><img src=b></style><textarea><img src=c></textarea>"
            "<title><img src=d></title><iframe><img src=e></iframe><noembed><img src=f></noembed>"
            "<noframes><img src=g></noframes><img src=h>",
            { "<img src=h>" } },
        StartCase { "PlaintextRunsToTheEnd", "<plaintext><img src=a></plaintext><img src=b>", {} },
        StartCase { "NoscriptAndTemplateHoldMarkup",
            "<noscript><img src=a></noscript><template><img src=b></template>",
            { "<img src=a>", "<img src=b>" } },
        StartCase { "InAnotherTagsValue", "<a title=\"<img src=a>\"><div title='<script>'><img src=b>",
            { "<img src=b>" } },
        StartCase { "InAnotherTagsName", "<a<img src=a><img src=b>", { "<img src=b>" } },
        StartCase { "LessThanAsText", "a < b <3 <img src=a>", { "<img src=a>" } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TagAttributes, QuotedUnquotedAndBareValues)
{
    const auto found = scan(QStringLiteral("<img SRC = \"my pic.gif\" alt width=10 Height='20' border=>"));
    ASSERT_EQ(found.size(), 1u);
    const auto& a = found[0].attributes;
    ASSERT_EQ(a.size(), 5u);
    EXPECT_EQ(a[0], std::make_pair(QStringLiteral("SRC"), QStringLiteral("my pic.gif")));
    EXPECT_EQ(a[1], std::make_pair(QStringLiteral("alt"), QString()));
    EXPECT_EQ(a[2], std::make_pair(QStringLiteral("width"), QStringLiteral("10")));
    EXPECT_EQ(a[3], std::make_pair(QStringLiteral("Height"), QStringLiteral("20")));
    EXPECT_EQ(a[4], std::make_pair(QStringLiteral("border"), QString()));
}

TEST(TagAttributes, NamesMatchWholeAndInAnyCase)
{
    const QString text = QStringLiteral("<img lowsrc=\"low.gif\" Src=\"a.gif\" data-width=\"5\">");
    TagScanner scanner(text);
    const auto tag = scanner.next();
    ASSERT_TRUE(tag);
    const TagAttribute* src = tag->find(text, u"src");
    ASSERT_NE(src, nullptr);
    EXPECT_EQ(ImgTag::value(text, *src), QStringLiteral("a.gif"));
    EXPECT_EQ(tag->find(text, u"width"), nullptr);
    // Only ASCII letters change case: a long s is no "s".
    const QString longS = QStringLiteral("<img \u017Frc=a.gif>");
    EXPECT_EQ(TagScanner(longS).next()->find(longS, u"src"), nullptr);
}

TEST(TagAttributes, WidthInsideAnotherValueCountsForNothing)
{
    const QString text = QStringLiteral("<img alt=\"width=10\" src=a.gif>");
    TagScanner scanner(text);
    const auto tag = scanner.next();
    ASSERT_TRUE(tag);
    EXPECT_EQ(tag->find(text, u"width"), nullptr);
}

TEST(TagAttributes, FirstOfTwoSameNamedAttributesWins)
{
    const QString text = QStringLiteral("<img src=a.gif SRC=b.gif>");
    TagScanner scanner(text);
    const auto tag = scanner.next();
    ASSERT_TRUE(tag);
    EXPECT_EQ(ImgTag::value(text, *tag->find(text, u"src")), QStringLiteral("a.gif"));
}

TEST(InsertionPoint, BeforeTheGreaterThanOrBeforeASelfClosingSlash)
{
    EXPECT_EQ(scan(QStringLiteral("<img src=a.gif>"))[0].beforeInsert, QStringLiteral("<img src=a.gif"));
    EXPECT_EQ(
        scan(QStringLiteral("<img src=\"a.gif\" />"))[0].beforeInsert, QStringLiteral("<img src=\"a.gif\""));
    EXPECT_EQ(
        scan(QStringLiteral("<img src=\"a.gif\"/>"))[0].beforeInsert, QStringLiteral("<img src=\"a.gif\""));
    // An unquoted value takes the slash in, as browsers read it: no self-closing tag.
    EXPECT_EQ(scan(QStringLiteral("<img src=a.gif/>"))[0].beforeInsert, QStringLiteral("<img src=a.gif/"));
    // After an "=" with nothing behind it a new attribute would become its value.
    EXPECT_EQ(
        scan(QStringLiteral("<img src=a.gif alt= >"))[0].beforeInsert, QStringLiteral("<img src=a.gif"));
    // A slash before more attributes does not close the tag.
    EXPECT_EQ(
        scan(QStringLiteral("<img / src=a.gif >"))[0].beforeInsert, QStringLiteral("<img / src=a.gif "));
}

} // namespace
