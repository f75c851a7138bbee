#include "cli/Cli.h"

#include <QCoreApplication>

#include <cstdio>

// The report is the tool's output; Qt's own warnings about broken pictures
// ("libpng error: ...") would only repeat what the report's rows say.
static void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        fprintf(stderr, "%s\n", qPrintable(message));
}

int main(int argc, char* argv[])
{
    qInstallMessageHandler(quietMessages);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return quillon::runCli(QCoreApplication::arguments().mid(1), out, err);
}
