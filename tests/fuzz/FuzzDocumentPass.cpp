// The whole document pass on any bytes, held to the rules the property test holds
// it to, with options picked by a hash of the input so that an input always runs
// the same way.
#include "tests/support/TagOracle.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    // Qt's warnings about odd file names and pictures are what fuzzing is made of.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
        if (type == QtFatalMsg)
            std::abort();
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const quillon::test::PassOracle oracle;
    const QByteArrayView input(data, qsizetype(size));
    quint32 hash = 2166136261u; // FNV-1a
    for (const char c : input)
        hash = (hash ^ quint8(c)) * 16777619u;
    if (const auto problem = oracle.check(input, quillon::test::optionsFrom(hash))) {
        std::fprintf(stderr, "\n*** broken rule: %s\n", problem->c_str());
        std::abort();
    }
    return 0;
}
