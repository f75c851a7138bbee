// Tags the pages of a folder the way the desktop program does: one engine, one
// page after the other, each backed up, flushed and put in place at once, with
// quillon-tag's default options. Usage: engine-run FOLDER. Prints the report as
// quillon-tag does (FILE<TAB>IMAGE<TAB>STATUS); exits 1 when a row is an error.

#include "engine/run/TaggingEngine.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDirIterator>

#include <algorithm>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList pages;
    for (QDirIterator it(app.arguments().value(1), { QStringLiteral("*.html") }, QDir::Files,
             QDirIterator::Subdirectories);
         it.hasNext();)
        pages.append(it.next());
    std::sort(pages.begin(), pages.end());
    quillon::test::RefusingFetcher network;
    quillon::TagOptions options;
    options.addBorder = false;
    quillon::TaggingEngine engine([options] { return options; }, network);
    engine.run(pages);
    for (const quillon::ReportRow& row : engine.report().rows())
        std::printf(
            "%s\t%s\t%s\n", qPrintable(row.file), qPrintable(row.image), qPrintable(row.statusText()));
    return engine.report().counters().totalOf(quillon::Counter::Errors) > 0 ? 1 : 0;
}
