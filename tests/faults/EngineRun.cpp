// Tags a site the way the desktop program does: one engine, one document after
// the other, each backed up and rewritten in place at once, with quillon-tag's
// default options and no network. Usage: engine-run FOLDER. Prints every report row as
// FILE<TAB>IMAGE<TAB>STATUS and the totals; exits 1 when a row is an error.

#include "engine/ImageFetcher.h"
#include "engine/StatusTexts.h"
#include "engine/TaggingEngine.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>

namespace {

class NoNetwork : public quillon::ImageFetcher {
public:
    quillon::Status fetch(const QString&, const QString&) override
    {
        return quillon::ErrorCode::ConnectFailed;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QStringList documents;
    QDirIterator it(QString::fromLocal8Bit(argv[1]), { QStringLiteral("*.html") }, QDir::Files,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        documents.append(it.next());
    std::sort(documents.begin(), documents.end());

    NoNetwork network;
    // The options quillon-tag runs with by default (no BORDER=), so that both
    // ways of writing are held against the same reference.
    quillon::TaggingEngine engine(
        [] {
            quillon::TagOptions options;
            options.addBorder = false;
            return options;
        },
        network);
    engine.run(documents);

    QTextStream out(stdout);
    bool anyError = false;
    for (const quillon::ReportRow& row : engine.report().rows()) {
        out << row.file << '\t' << row.image << '\t' << row.status << '\n';
        anyError = anyError || quillon::status::isError(row.status);
    }
    const quillon::Counters& counters = engine.report().counters();
    out << "Found " << counters.totalOf(quillon::Counter::Found) << ", Tagged "
        << counters.totalOf(quillon::Counter::Tagged) << ", Errors "
        << counters.totalOf(quillon::Counter::Errors) << '\n';
    return anyError ? 1 : 0;
}
