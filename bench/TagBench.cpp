// How long tagging takes per image tag, for a whole run over a document and for
// the scanner alone. The 1 MiB and 10 MiB documents have the same mix of tags and
// text, so equal times per tag mean the rewrite grows linearly with the tags.
#include "engine/html/DocumentText.h"
#include "engine/fetch/ImageFetcher.h"
#include "engine/run/TagOptions.h"
#include "engine/html/TagScanner.h"
#include "engine/run/TaggingEngine.h"
#include "tests/support/Pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace quillon;

// Every picture is local; a fetch would be a fault in the benchmark.
class NoFetcher : public ImageFetcher {
public:
    Status fetch(const QString& address, const QString& targetPath, const std::atomic<bool>& stop) override
    {
        Q_UNUSED(address)
        Q_UNUSED(targetPath)
        Q_UNUSED(stop)
        return Failure(ErrorCode::ConnectFailed);
    }
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The forms a hand-kept page mixes: letter cases, quoting, self-closing tags, tags
// split over lines, sizes already given. Each one needs at least one clause.
QByteArray imageTag(int i)
{
    const QByteArray n = QByteArray::number(i % 5);
    switch (i % 6) {
    case 0:
        return "<img src=\"p" + n + ".png\">";
    case 1:
        return "<IMG SRC='p" + n + ".png' ALT=\"Picture " + QByteArray::number(i) + "\">";
    case 2:
        return "<img src=p" + n + ".png width=40 />";
    case 3:
        return "<Img\n    src=\"p" + n + ".png\"\n    class=\"photo\"\n    border=0/>";
    case 4:
        return "<img alt='a > b' src=\"p" + n + ".png\" height=\"20\">";
    default:
        return "<img src=\"p" + n + ".png\" title=\"x\" data-note=\"<img>\">";
    }
}

// A document of about size bytes holding tags image tags, spread evenly through text.
QByteArray makeDocument(int tags, qsizetype size)
{
    static const QByteArray filler
        = "<p>Words of a hand-kept page, with <b>markup</b>, an &amp; entity and a link "
          "<a href=\"next.html\">onwards</a>; nothing here is an image.</p>\n";
    QByteArray document = "<html><head><title>Bench</title></head><body>\n";
    document.reserve(size + 4096);
    const qsizetype share = size / tags;
    for (int i = 0; i < tags; ++i) {
        const qsizetype target = (i + 1) * share;
        while (document.size() + filler.size() < target - 200)
            document += filler;
        document += imageTag(i) + "\n";
    }
    document += "</body></html>\n";
    return document;
}

// A folder with the five pictures the documents name.
class BenchFolder {
public:
    BenchFolder()
    {
        const char* formats[] = { "png", "gif", "jpg", "bmp", "png" };
        for (int i = 0; i < 5; ++i) {
            const QByteArray picture = test::makePicture(QString::fromLatin1(formats[i]), 100 + i, 50 + i);
            if (!writeFile(m_dir.filePath(QStringLiteral("p%1.png").arg(i)), picture))
                qFatal("cannot write the pictures");
        }
    }
    QString page() const { return m_dir.filePath(QStringLiteral("page.html")); }

private:
    // The engine flushes what it writes to the disk; in a folder held in memory that
    // costs next to nothing, so the figures show the engine's own work per tag rather
    // than the disk's latency.
    static QString folderTemplate()
    {
        const QFileInfo memory(QStringLiteral("/dev/shm"));
        const QString base = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
        return base + QStringLiteral("/quillon-bench-XXXXXX");
    }

    QTemporaryDir m_dir { folderTemplate() };
};

void TagDocument(benchmark::State& state)
{
    const int tags = static_cast<int>(state.range(0));
    const QByteArray original = makeDocument(tags, state.range(1));
    const BenchFolder folder;
    NoFetcher fetcher;
    TagOptions options;
    options.addBorder = true;
    options.addAlt = true;
    options.altTextIndex = 0; // the image name
    options.generateBackups = false;
    TaggingEngine engine([options] { return options; }, fetcher);

    for (auto _ : state) {
        state.PauseTiming();
        engine.ClearStatus();
        const bool written = writeFile(folder.page(), original);
        state.ResumeTiming();
        if (!written) {
            state.SkipWithError("cannot write the document");
            break;
        }
        engine.run(QStringList { folder.page() });
        state.PauseTiming();
        const int tagged = engine.report().counters().totalOf(Counter::Tagged);
        state.ResumeTiming();
        if (tagged != tags) {
            state.SkipWithError("not every tag was tagged");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * tags);
    state.SetBytesProcessed(state.iterations() * original.size());
    state.counters["time_per_tag"] = benchmark::Counter(
        tags, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(TagDocument)
    ->ArgNames({ "tags", "bytes" })
    ->Args({ 1000, 1 << 20 })
    ->Args({ 10000, 10 << 20 })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void TagScannerAlone(benchmark::State& state)
{
    const int tags = static_cast<int>(state.range(0));
    const QByteArray original = makeDocument(tags, state.range(1));
    const DocumentText text = DocumentText::decode(original);

    for (auto _ : state) {
        TagScanner scanner(text.units());
        int found = 0;
        while (std::optional<ImgTag> tag = scanner.next()) {
            benchmark::DoNotOptimize(tag->insertAt);
            ++found;
        }
        if (found != tags) {
            state.SkipWithError("the scanner missed tags");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * tags);
    state.SetBytesProcessed(state.iterations() * original.size());
    state.counters["time_per_tag"] = benchmark::Counter(
        tags, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(TagScannerAlone)
    ->ArgNames({ "tags", "bytes" })
    ->Args({ 1000, 1 << 20 })
    ->Unit(benchmark::kMicrosecond);

} // namespace
