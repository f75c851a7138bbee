#include "tests/fuzz/FuzzSupport.h"

#include "tests/support/Pictures.h"
#include "tests/support/TagOracle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace quillon::fuzz {

void startQt()
{
    static int argc = 1;
    static char name[] = "quillon-fuzz";
    static char* argv[] = { name, nullptr };
    if (QCoreApplication::instance())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    // Qt's warnings about odd file names and pictures are what fuzzing is made of.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            std::abort();
        }
    });
}

namespace {

bool write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// The engine flushes what it writes; in memory that costs nothing, and an input
// runs in well under a millisecond.
const FuzzFolder& fuzzFolder()
{
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                : QDir::tempPath();
        auto made = std::make_unique<QTemporaryDir>(base + QStringLiteral("/quillon-fuzz-XXXXXX"));
        if (!made->isValid()
            || !write(
                made->filePath(QStringLiteral("a.gif")), test::makePicture(QStringLiteral("gif"), 120, 60))
            || !write(made->filePath(QStringLiteral("b.png")), test::makePicture(QStringLiteral("png"), 7, 3))
            || !write(made->filePath(QStringLiteral("pics/c.gif")),
                test::makePicture(QStringLiteral("gif"), 9, 5))) {
            std::fprintf(stderr, "cannot make the fuzz folder under %s\n", qPrintable(base));
            std::abort();
        }
        return made;
    }();
    static const FuzzFolder folder { dir->path(), dir->filePath(QStringLiteral("page.html")) };
    return folder;
}

TagOptions optionsFor(QByteArrayView input)
{
    quint32 h = 2166136261u; // FNV-1a
    for (const char c : input)
        h = (h ^ quint8(c)) * 16777619u;
    TagOptions options;
    options.generateBackups = false;
    options.addBorder = h & 1;
    options.borderSize = QString::number((h >> 1) & 3);
    options.addAlt = h & 8;
    const int alt = (h >> 4) & 3;
    options.altTextIndex = alt == 2 ? std::nullopt : std::optional<double>(alt == 1 ? 1.0 : 0.0);
    options.altText
        = QString::fromUtf8("Tom & \"Jerry\" caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80");
    options.online = h & 64;
    options.lowerCaseClauses = h & 128;
    return options;
}

Status RefusingFetcher::fetch(const QString& address, const QString& targetPath)
{
    Q_UNUSED(address)
    Q_UNUSED(targetPath)
    return Failure(ErrorCode::ConnectFailed);
}

void broken(const std::string& problem, QByteArrayView input)
{
    std::fprintf(stderr, "\n*** broken rule: %s\n*** input (%lld bytes): %s\n", problem.c_str(),
        static_cast<long long>(input.size()), test::visible(QString::fromLatin1(input), 600).c_str());
    std::abort();
}

} // namespace quillon::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    quillon::fuzz::startQt();
    quillon::fuzz::fuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(data, qsizetype(size));
    if (const auto problem = quillon::fuzz::problemWith(input))
        quillon::fuzz::broken(*problem, input);
    return 0;
}
