#include "engine/html/TagScanner.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace quillon {
namespace {

// The tags found in text, one after the other.
QString scan(QStringView text)
{
    QString found;
    TagScanner scanner(text);
    while (const std::optional<ImgTag> tag = scanner.next())
        found += text.sliced(tag->start, tag->end - tag->start + 1);
    return found;
}

// Only the tags a browser sees are found, each up to the first ">" outside quotes.
TEST(TagScanner, FindsTheImageTagsABrowserSees)
{
    const char* const cases[][2] = {
        // the text, the tags found in it
        { "a<IMG src=a><Img src=b>b", "<IMG src=a><Img src=b>" },
        { "<imgx src=a><image src=b></img src=c><img>", "<img>" },
        { "<img\tsrc=a><img\nsrc=b><img/><img\fx>", "<img\tsrc=a><img\nsrc=b><img/><img\fx>" },
        { "<img alt='x>y' src=a><img alt=\"<img src=b>\">",
            "<img alt='x>y' src=a><img alt=\"<img src=b>\">" },
        { "text <img src=a.gif", "" },
        { "<img alt=\"x> <img src=b>", "" },
        { "<a title=\"<img src=a>\"><div title='<script>'><a<img src=b> a < b <3 <img src=c>",
            "<img src=c>" },
        // Comments: "<!-->" and "<!--->" close at once, "--!>" closes too.
        { "<!-- <img src=a> --><!-- -- -> <img src=b> ---><img src=c>", "<img src=c>" },
        { "<!--><img src=a><!---><img src=b><!-- x --!><img src=c>", "<img src=a><img src=b><img src=c>" },
        { "<!-- <img src=a>", "" },
        { "<!DOCTYPE html><?php ?><![CDATA[<img src=a>]]></1 <img src=c><img src=b>", "<img src=b>" },
        // Elements whose text is no markup, up to their own end tag in any case.
        { "<script>document.write(\"<img src='a.gif'>\")</Script ><img src=b>", "<img src=b>" },
        { "<script></scripts><img src=a></script><img src=b>", "<img src=b>" },
        { "<script><!--<script></script><img src=a>--></script><img src=b>", "<img src=b>" },
        { "<script><!-- <img src=a> --><img src=b></script><img src=c>", "<img src=c>" },
        { "<script/><img src=a>", "" },
        { "<xmp><img src=a></xmp><style><img src=b></style><textarea><img src=c></textarea>", "" },
        { "<title><img src=d></title><iframe><img src=e></iframe><noembed><img src=f></noembed>", "" },
        { "<noframes><img src=g></noframes><img src=h>", "<img src=h>" },
        { "<plaintext><img src=a></plaintext><img src=b>", "" },
        { "<noscript><img src=a></noscript><template><img src=b></template>", "<img src=a><img src=b>" },
    };
    for (const auto& [text, tags] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(scan(QString::fromUtf8(text)), QString::fromUtf8(tags));
    }
}

// The scanner reads a page once. To check it, the text lies in memory that only the
// last few pages read from may be read: a step onto another page faults, is counted
// and let through. Reading from each of many starts to the end of the text would
// step onto the same pages again and again.
namespace touch {
const size_t kPage = size_t(sysconf(_SC_PAGESIZE));
char* base = nullptr;
size_t size = 0;
long steps = 0;
char* open[4] = {}; // a read across the edge of a page needs two

void onFault(int, siginfo_t* info, void*)
{
    char* at = static_cast<char*>(info->si_addr);
    if (at < base || at >= base + size) {
        std::signal(SIGSEGV, SIG_DFL); // a true fault: the access crashes again
        return;
    }
    char*& oldest = open[steps++ % std::size(open)];
    if (oldest)
        mprotect(oldest, kPage, PROT_NONE);
    oldest = base + (at - base) / kPage * kPage;
    mprotect(oldest, kPage, PROT_READ);
}

// The steps onto another page while the scanner reads text.
long pagesStepped(const QString& text)
{
    size = (text.size() * 2 + kPage - 1) / kPage * kPage;
    base
        = static_cast<char*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    std::memcpy(base, text.utf16(), text.size() * 2);
    mprotect(base, size, PROT_NONE);
    steps = 0;
    std::fill(std::begin(open), std::end(open), nullptr);
    struct sigaction action = {}, old = {};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO;
    sigaction(SIGSEGV, &action, &old);
    scan(QStringView(reinterpret_cast<const char16_t*>(base), text.size()));
    sigaction(SIGSEGV, &old, nullptr);
    munmap(base, size);
    return steps;
}
} // namespace touch

TEST(TagScanner, ReadsPagesWhoseTagsNeverEndOnce)
{
    // Each some 8 pages of text, 16 of memory.
    const auto repeated
        = [](const char* unit) { return QString(unit).repeated(8 * touch::kPage / qstrlen(unit)); };
    const QString pages[] = {
        "<img src=\"a.png" + repeated("no end here. "), // one start, an open quote
        "<" + repeated("< "), // starts of no tag
        repeated("<img "), // a start every five units, no ">" anywhere
        repeated("<img a='") + "x=\">", // every start's ">" falls inside quotes
        repeated("<script><!--<script><img src=a.png>"), // scripts, and comments in them, never closed
        repeated("<!-- <img src=a.png> -"), // a comment never closed
    };
    for (const QString& page : pages) {
        SCOPED_TRACE(page.first(40).toStdString());
        EXPECT_EQ(scan(page), QString());
        EXPECT_LE(touch::pagesStepped(page), long(page.size() * 2 / touch::kPage) * 2 + 10);
    }
}

} // namespace
} // namespace quillon
