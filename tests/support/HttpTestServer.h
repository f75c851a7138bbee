#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <memory>

namespace httplib {
class Server;
}

namespace quillon::test {

// An HTTP server on 127.0.0.1 and a free port, running in a thread of the test
// process from construction to destruction.
class HttpTestServer {
public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int port() const;
    // "http://127.0.0.1:PORT" followed by path (which starts with "/").
    QString url(const QString& path) const;

    // GET path answers status with body.
    void serve(const QString& path, const QByteArray& body, int status = 200,
        const QString& contentType = QStringLiteral("application/octet-stream"));
    // GET from answers a redirect to location (a path on this server or a full address).
    void redirect(const QString& from, const QString& location, int status = 302);
    // GET path waits delay before it answers with body.
    void serveSlowly(const QString& path, const QByteArray& body, std::chrono::milliseconds delay);
    // How many requests reached path.
    int hits(const QString& path) const;

    // The server itself, for handlers a test needs beyond the ones above.
    // Register them before the first request.
    httplib::Server& server();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace quillon::test
