#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace quillon::test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
#define UNDER_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDER_ADDRESS_SANITIZER
#endif
#endif

// The most memory a run of quillon-tag over page held at once, from the kernel's
// account of the ended process; -1 when it failed.
qint64 peakBytesTagging(const QString& page)
{
    QByteArray program = QFile::encodeName(quillonTagPath()), quiet = "-q", path = QFile::encodeName(page);
    char* argv[] = { program.data(), quiet.data(), path.data(), nullptr };
    pid_t pid = -1;
    int status = 0;
    struct rusage usage = {};
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0
        || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return qint64(usage.ru_maxrss) * 1024;
}

TEST(LargePage, IsTaggedInOnePassWithEveryOtherByteKeptAndMemoryASmallMultipleOfIt)
{
#ifdef UNDER_ADDRESS_SANITIZER
    GTEST_SKIP() << "AddressSanitizer's own memory is no measure of the program's";
#endif
    // 512 blocks of 64 KiB: text with a tag in its middle, which gets its size.
    const QByteArray text = QByteArray("<p>Gr\xC3\xB6\xC3\x9F"
                                       "e \xE2\x80\x94 a < b > c</p>\r\n")
                                .repeated(1500);
    const QByteArray tag = "<IMG SRC=a.png />";
    QByteArray block = text.first(32 * 1024) + tag + text.first(32 * 1024 - tag.size());
    TempDir dir;
    dir.write(QStringLiteral("a.png"), makePicture(QStringLiteral("png"), 12, 34));
    const QString small = dir.write(QStringLiteral("small.html"), block);
    const QString large = dir.write(QStringLiteral("large.html"), block.repeated(512));
    const qint64 base = peakBytesTagging(small);
    const qint64 peak = peakBytesTagging(large);
    ASSERT_TRUE(base > 0 && peak > 0);
    EXPECT_TRUE(slurp(large + ".bak") == block.repeated(512));
    EXPECT_TRUE(slurp(large) == block.replace(tag, "<IMG SRC=a.png WIDTH=12 HEIGHT=34 />").repeated(512));
    // The bytes read and their text, or the bytes read and the new bytes: never three copies.
    EXPECT_LE(peak - base, 512 * 64 * 1024 * 3) << "peak " << peak << ", " << base << " for a small page";
}

} // namespace
} // namespace quillon::test
