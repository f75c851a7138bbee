#include "desktop/DesktopServices.h"
#include "desktop/UserMessages.h"
#include "mainwindow/IsOnline.h"
#include "mainwindow/SingleInstance.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brambleworth Software"));
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
    // Wayland desktops find the window's icon and name through its desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.brambleworth.quillon"));

    // quillon [PAGE or FOLDER]...: the pages start in the file list, as a file
    // manager's "Open With" hands them over.
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Adds measured WIDTH and HEIGHT to the image tags of HTML pages."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("pages"),
        QStringLiteral("HTML pages, or folders of them, to list."), QStringLiteral("[PAGE...]"));
    parser.process(app);
    // The window already there gets the pages, named whole since its current
    // folder is not this one's.
    QStringList pages;
    for (const QString& page : parser.positionalArguments())
        pages.append(QFileInfo(page).absoluteFilePath());
    quillon::SingleInstance instance;
    if (instance.handOver(pages))
        return 0;
    instance.listen();

    quillon::DesktopMessages messages;
    quillon::DesktopOpener opener;
    quillon::DesktopSoundPlayer sound;
    quillon::MainWindowServices services;
    services.messages = &messages;
    services.opener = &opener;
    services.sound = &sound;
    services.isOnline = quillon::IsOnline;
    services.startFolder = QDir::currentPath();
    quillon::frmMain window(services);
    window.show();
    instance.setWindow(&window);
    QObject::connect(
        &instance, &quillon::SingleInstance::pagesHandedOver, &window, &quillon::frmMain::openPages);
    if (!pages.isEmpty())
        QTimer::singleShot(0, &window, [&window, pages] { window.openPages(pages); });
    return app.exec();
}
