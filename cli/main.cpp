#include "cli/Cli.h"
#include "cli/CliOptions.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

// The report is the tool's output; Qt's own warnings would only repeat what the
// report's rows say.
static void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        fprintf(stderr, "%s\n", qPrintable(message));
}

int main(int argc, char* argv[])
{
    // Asked for alone, the version needs no application object: scripts that
    // check it pay for loading the libraries only.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0)
        return std::fputs(quillon::kVersionLine, stdout) < 0 || std::fflush(stdout) != 0
            ? quillon::ExitReportUnwritten
            : quillon::ExitSuccess;
    qInstallMessageHandler(quietMessages);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return quillon::runCli(QCoreApplication::arguments().mid(1), out, err);
}
