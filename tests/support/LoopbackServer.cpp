#include "tests/support/LoopbackServer.h"

namespace quillon::test {

LoopbackServer::LoopbackServer()
{
    // Debian's own Python, which has the packages the tests need (pyftpdlib).
    m_process.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral(QUILLON_TEST_SOURCE_DIR "/support/loopback_server.py"), m_root.path() });
    // The ports may come in more than one piece.
    while (!m_process.canReadLine() && m_process.waitForReadyRead(20000)) { }
    if (!m_process.canReadLine())
        qFatal("the loopback server did not start: %s", m_process.readAllStandardError().constData());
    const QList<QByteArray> ports = m_process.readLine().simplified().split(' ');
    m_port = ports.value(0).toInt();
    m_neverAcceptingPort = ports.value(1).toInt();
    m_ftpPort = ports.value(2).toInt();
}

LoopbackServer::~LoopbackServer()
{
    m_process.kill();
    m_process.waitForFinished();
}

QString LoopbackServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

QString LoopbackServer::neverAcceptingUrl(const QString& path) const
{
    return m_neverAcceptingPort ? QStringLiteral("http://127.0.0.1:%1%2").arg(m_neverAcceptingPort).arg(path)
                                : QString();
}

QString LoopbackServer::ftpUrl(const QString& path) const
{
    return m_ftpPort ? QStringLiteral("ftp://127.0.0.1:%1%2").arg(m_ftpPort).arg(path) : QString();
}

void LoopbackServer::serve(const QString& path, const QByteArray& body) const
{
    m_root.write(path.mid(1), body);
}

int LoopbackServer::hits(const QString& path) const
{
    return int(m_root.read(QStringLiteral(".hits")).split('\n').count(path.toUtf8()));
}

qint64 LoopbackServer::bodyBytes() const
{
    qint64 sum = 0;
    for (const QByteArray& length : m_root.read(QStringLiteral(".bytes")).split('\n'))
        sum += length.toLongLong();
    return sum;
}

int LoopbackServer::peakConcurrent() const
{
    return m_root.read(QStringLiteral(".peak")).toInt();
}

} // namespace quillon::test
