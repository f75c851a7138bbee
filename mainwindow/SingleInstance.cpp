#include "mainwindow/SingleInstance.h"

#include "desktop/BringToFront.h"

#include <QDataStream>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace quillon {

namespace {

// The window's answer once it has the pages.
constexpr char kTaken = 'T';

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultSocketPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/quillon-window");
}

bool SingleInstance::handOver(const QStringList& pages, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << pages;
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Only the window's answer says the pages arrived; a socket that accepts
    // and stays silent belongs to no working window.
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == kTaken;
}

bool SingleInstance::listen()
{
    if (!m_server) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::takeConnection);
    }
    if (m_server->listen(m_socketPath))
        return true;
    // Whoever made the socket did not answer (the caller asked first): it is
    // left over, and goes.
    QLocalServer::removeServer(m_socketPath);
    return m_server->listen(m_socketPath);
}

void SingleInstance::takeConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QStringList pages;
            in >> pages;
            if (!in.commitTransaction())
                return; // the rest is still on its way
            socket->putChar(kTaken);
            socket->flush();
            socket->disconnectFromServer();
            if (m_window && m_window->isMinimized())
                m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
            bringToFront(m_window);
            emit pagesHandedOver(pages);
        });
    }
}

} // namespace quillon
