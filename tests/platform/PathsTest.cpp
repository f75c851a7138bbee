#include "platform/Paths.h"

#include <gtest/gtest.h>

using namespace quillon;

TEST(Paths, FileNameIsTheTextAfterTheLastSeparator)
{
    EXPECT_EQ(GetFileName(QStringLiteral("/a/b.htm")), QStringLiteral("b.htm"));
    EXPECT_EQ(GetFileName(QStringLiteral("b.htm")), QStringLiteral("b.htm"));
    EXPECT_EQ(GetFileName(QStringLiteral("/a/")), QString());
    EXPECT_EQ(GetFileName(QString()), QString());
    EXPECT_EQ(GetFileName(QStringLiteral("/x/y/z.html")), QStringLiteral("z.html"));
}

TEST(Paths, PathIsTheTextUpToAndIncludingTheLastSeparator)
{
    EXPECT_EQ(GetPath(QStringLiteral("/a/b.htm")), QStringLiteral("/a/"));
    EXPECT_EQ(GetPath(QStringLiteral("b.htm")), QString());
    EXPECT_EQ(GetPath(QString()), QString());
    EXPECT_EQ(GetPath(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(GetPath(QStringLiteral("/x/y/z.html")), QStringLiteral("/x/y/"));
}

TEST(Paths, TrailingSeparatorAddedOnce)
{
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/a")), QStringLiteral("/a/"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/a/")), QStringLiteral("/a/"));
    EXPECT_EQ(withTrailingSeparator(QString()), QString());
}
