#include "dialogs/DesktopServices.h"
#include "dialogs/UserMessages.h"
#include "mainwindow/IsOnline.h"
#include "mainwindow/frmMain.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brambleworth Software"));
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));

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
    return app.exec();
}
