#include "engine/measure/PictureMeasure.h"

#include "tests/support/Pictures.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using quillon::MeasurePicture;

// The picture files, written once into a temporary folder that lasts as long as the program.
class PictureFiles {
public:
    static const PictureFiles& get()
    {
        static const PictureFiles files;
        return files;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    PictureFiles()
    {
        for (const char* format :
            { "png", "bmp", "jpg", "gif", "ico", "cur", "webp", "tiff", "svg", "wmf", "emf" })
            write(QString::fromLatin1(format),
                quillon::test::makePicture(QString::fromLatin1(format), 120, 60));
        write("large.jpg", quillon::test::makePicture("jpg", 4000, 3000));
        write("large-turned.jpg", quillon::test::makeJpegWithOrientation(4000, 3000, 6));
    }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
    }
    QTemporaryDir m_dir;
};

void measureFile(benchmark::State& state, const char* name)
{
    const QString path = PictureFiles::get().path(QString::fromLatin1(name));
    if (!MeasurePicture(path).ok()) {
        state.SkipWithError("the picture does not measure");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(MeasurePicture(path));
}

BENCHMARK_CAPTURE(measureFile, png, "png");
BENCHMARK_CAPTURE(measureFile, bmp, "bmp");
BENCHMARK_CAPTURE(measureFile, jpg, "jpg");
BENCHMARK_CAPTURE(measureFile, gif, "gif");
BENCHMARK_CAPTURE(measureFile, ico, "ico");
BENCHMARK_CAPTURE(measureFile, cur, "cur");
BENCHMARK_CAPTURE(measureFile, webp, "webp");
BENCHMARK_CAPTURE(measureFile, tiff, "tiff");
BENCHMARK_CAPTURE(measureFile, svg, "svg");
BENCHMARK_CAPTURE(measureFile, wmf, "wmf");
BENCHMARK_CAPTURE(measureFile, emf, "emf");
BENCHMARK_CAPTURE(measureFile, jpg_4000x3000, "large.jpg");
BENCHMARK_CAPTURE(measureFile, jpg_4000x3000_turned, "large-turned.jpg");

// What measuring would cost if it decoded: the yardstick for the large JPEG above.
void decodeLargeJpeg(benchmark::State& state)
{
    const QString path = PictureFiles::get().path("large-turned.jpg");
    for (auto _ : state)
        benchmark::DoNotOptimize(QImage(path));
}
BENCHMARK(decodeLargeJpeg)->Unit(benchmark::kMillisecond);

} // namespace
