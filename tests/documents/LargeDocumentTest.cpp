// Documents far larger than any page, and documents whose tags never end: each
// is tagged in one pass, with every other byte kept and memory bounded by a
// small multiple of the document.

#include "tests/documents/MeasuredRun.h"
#include "tests/support/Pictures.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace quillon::test;

namespace {

constexpr qsizetype kMiB = 1024 * 1024;
constexpr qsizetype kBlock = 64 * 1024;

// Block k of a large document: a stretch of text with one tag in its middle, in
// one of four shapes; tagged, the tag carries what was missing.
QByteArray block(int k, bool tagged)
{
    static const char* const tags[4][2] = {
        { "<img src=\"a.png\">", "<img src=\"a.png\" WIDTH=12 HEIGHT=34>" },
        { "<IMG SRC=a.png />", "<IMG SRC=a.png WIDTH=12 HEIGHT=34 />" },
        { "<img src='a.png' width=6>", "<img src='a.png' width=6 HEIGHT=17>" },
        { "<img\r\nsrc=a.png width=12 height=34>", "<img\r\nsrc=a.png width=12 height=34>" },
    };
    const QByteArray tag = tags[k % 4][0];
    QByteArray text;
    text.reserve(kBlock + 64);
    const QByteArray line = "<p>Gr\xC3\xB6\xC3\x9F"
                            "e "
        + QByteArray::number(k) + " \xE2\x80\x94 a < b > c</p>\r\n";
    while (text.size() < kBlock - tag.size())
        text += line;
    text.truncate(kBlock - tag.size());
    text.insert(text.size() / 2, tags[k % 4][tagged ? 1 : 0]);
    return text;
}

void writeBlocks(const QString& path, int count)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int k = 0; k < count; ++k)
        ASSERT_EQ(file.write(block(k, false)), kBlock);
}

// Whether the file holds exactly the blocks, compared a block at a time.
bool holdsBlocks(const QString& path, int count, bool tagged)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (int k = 0; k < count; ++k) {
        const QByteArray expected = block(k, tagged);
        if (file.read(expected.size()) != expected) {
            ADD_FAILURE() << "block " << k << " differs";
            return false;
        }
    }
    return file.atEnd();
}

} // namespace

TEST(LargeDocument, IsTaggedInPlaceWithEveryOtherByteKeptAndMemoryASmallMultipleOfItsSize)
{
    // Under AddressSanitizer the same test on a smaller page, without the memory
    // bound: its shadow memory and quarantine are no measure of the program's.
    const int blocks = underAddressSanitizer() ? 256 : 3200; // 16 or 200 MiB
    const qint64 size = qint64(blocks) * kBlock;
    TempDir dir;
    dir.write(u"a.png"_s, makePicture(u"png"_s, 12, 34));
    const QString page = dir.file(u"big.html"_s);
    writeBlocks(page, blocks);
    ASSERT_EQ(QFileInfo(page).size(), size);

    const MeasuredOutcome run = quillonTagMeasured({ u"--no-border"_s, page }, dir.file(u"report.txt"_s));
    ASSERT_EQ(run.exitCode, 0);
    const QByteArray report = slurp(dir.file(u"report.txt"_s));
    EXPECT_TRUE(report.endsWith(
        QStringLiteral("Found %1, Tagged %2, Errors 0\n").arg(blocks).arg(blocks / 4 * 3).toUtf8()));
    EXPECT_TRUE(holdsBlocks(page, blocks, true));
    EXPECT_TRUE(holdsBlocks(page + u".bak"_s, blocks, false));

    std::printf("[ figures  ] %lld MiB document: peak %lld MiB, %.2f times its size\n", size / kMiB,
        run.peakBytes / kMiB, double(run.peakBytes) / double(size));
    if (!underAddressSanitizer()) {
        // The bytes read, their text and the new bytes, never all three at once
        // with a copy besides; the constant is the program's own libraries.
        EXPECT_LE(run.peakBytes, size * 7 / 2 + 64 * kMiB);
    }
}

TEST(LargeDocument, TagsWithoutAnEndLeaveTheDocumentAsItWasInOneReading)
{
    // Each would take hours if every "<img" were read to the end of the text.
    const qsizetype length = underAddressSanitizer() ? 4 * kMiB : 24 * kMiB;
    auto repeated = [length](const QByteArray& unit) { return unit.repeated(length / unit.size()); };
    const QList<QByteArray> documents = {
        "<img src=\"a.png" + repeated("no end here. "), // one start, an open quote
        "<" + repeated("< "), // starts of no tag
        repeated("<img "), // a start every five bytes, no ">" anywhere
        repeated("<img a='") + "x=\">", // every start's ">" falls inside quotes
        repeated("<img\t<IMG/<img a=\"b\" c='"),
        repeated("<script><!--<script><img src=a.png>"), // scripts, and comments in them, never closed
        repeated("<!-- <img src=a.png> -"), // comments never closed
    };
    TempDir dir;
    dir.write(u"a.png"_s, makePicture(u"png"_s, 12, 34));
    for (qsizetype i = 0; i < documents.size(); ++i) {
        const QString page = dir.write(QStringLiteral("endless%1.html").arg(i), documents[i]);
        const MeasuredOutcome run
            = quillonTagMeasured({ u"--no-backup"_s, page }, dir.file(u"report.txt"_s), 60);
        EXPECT_EQ(run.exitCode, 0) << "document " << i;
        EXPECT_EQ(slurp(dir.file(u"report.txt"_s)), QByteArray("Found 0, Tagged 0, Errors 0\n"))
            << "document " << i;
        EXPECT_TRUE(slurp(page) == documents[i]) << "document " << i << " changed";
    }
}
