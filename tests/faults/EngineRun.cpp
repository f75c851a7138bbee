// Tags the pages of a folder the way the desktop program does: one engine, one
// page after the other, each backed up, flushed and put in place at once, with
// quillon-tag's default options. Usage: engine-run FOLDER. Prints the report as
// quillon-tag does (FILE<TAB>IMAGE<TAB>STATUS); exits 1 when a row is an error.

#include "engine/StatusTexts.h"
#include "engine/TaggingEngine.h"
#include "tests/support/TestSupport.h"

#include <QDirIterator>
#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList pages;
    for (QDirIterator it(app.arguments().value(1), { QStringLiteral("*.html") }, QDir::Files,
             QDirIterator::Subdirectories);
         it.hasNext();)
        pages.append(it.next());
    std::sort(pages.begin(), pages.end());
    quillon::test::RefusingFetcher network;
    quillon::TaggingEngine engine(
        [] {
            quillon::TagOptions options;
            options.addBorder = false;
            return options;
        },
        network);
    engine.run(pages);
    QTextStream out(stdout);
    bool anyError = false;
    for (const quillon::ReportRow& row : engine.report().rows()) {
        out << row.file << '\t' << row.image << '\t' << row.status << '\n';
        anyError = anyError || quillon::status::isError(row.status);
    }
    out << "Totals\n";
    return anyError ? 1 : 0;
}
