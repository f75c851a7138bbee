#pragma once

#include "tests/support/TestSupport.h"

#include <QProcess>

namespace quillon::test {

// An HTTP server on 127.0.0.1 in a Python process of its own (loopback_server.py),
// from construction to destruction. It serves the files put in its folder, and
// behaviours named by the path: /slow/MS/PATH answers after MS milliseconds,
// /to/PATH redirects to /PATH.
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
    // The most requests the server was answering at the same time.
    int peakConcurrent() const;

private:
    TempDir m_root;
    QProcess m_process;
    int m_port = 0;
};

} // namespace quillon::test
