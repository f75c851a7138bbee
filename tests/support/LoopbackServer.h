#pragma once

#include "tests/support/TestSupport.h"

#include <QProcess>

namespace quillon::test {

// An HTTP server on 127.0.0.1 in a Python process of its own (loopback_server.py),
// from construction to destruction. It serves the files put in its folder, and
// behaviours named by the path: /slow/MS/PATH answers after MS milliseconds,
// /plain/PATH names no version (a plain PATH has an ETag and a Last-Modified, and
// answers a request that still matches them with a 304), /dated/PATH only its time,
// /to/PATH redirects to /PATH, /gzip/PATH sends the file gzipped as a
// Content-Encoding, and /hostile/... gives the answers that loopback_server.py
// lists, each a way a server can misbehave.
class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();

    // "http://127.0.0.1:PORT" followed by path (which starts with "/").
    QString url(const QString& path) const;
    // GET path answers body.
    void serve(const QString& path, const QByteArray& body) const;
    // How many requests reached path.
    int hits(const QString& path) const;
    // The bytes of all bodies sent so far (headers not counted).
    qint64 bodyBytes() const;
    // The most requests the server was answering at the same time.
    int peakConcurrent() const;
    // path on a port that accepts no connection, nor refuses one: the client
    // hears nothing. Empty when the system would not let such a port be made.
    QString neverAcceptingUrl(const QString& path) const;
    // path on an anonymous FTP server over the same files; empty without pyftpdlib.
    QString ftpUrl(const QString& path) const;

private:
    TempDir m_root;
    QProcess m_process;
    int m_port = 0;
    int m_neverAcceptingPort = 0;
    int m_ftpPort = 0;
};

} // namespace quillon::test
