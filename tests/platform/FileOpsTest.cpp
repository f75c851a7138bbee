#include "platform/FileOps.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::test::TempDir;

TEST(DeleteFile, RemovesTheFileAndReportsOneThatIsMissing)
{
    TempDir dir;
    const QString path = dir.write(QStringLiteral("temp.001"), "x");
    EXPECT_TRUE(deleteFile(path).ok());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(deleteFile(path).failure().code, 53);
}
