#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace quillon::test {

// One accepted connection, for a behaviour to answer as it likes.
class RawConnection {
public:
    // Sends all of bytes; false once the client has gone or the server stops.
    bool send(const QByteArray& bytes);
    // Waits for delay; false at once when the server stops.
    bool pause(std::chrono::milliseconds delay);

private:
    friend class RawServer;
    struct Shared;
    RawConnection(int fd, Shared& shared);
    int m_fd;
    Shared& m_shared;
};

// A TCP server on 127.0.0.1 that speaks no protocol of its own: after reading a
// request's head it hands the connection to the behaviour registered for the
// request's path, which may answer with anything, however wrong, as slowly as it
// likes. Unknown paths get a 404. Each connection runs on a thread of its own
// and is closed when its behaviour returns.
//
// The destructor stops everything at once: blocked sends and pauses give way,
// so no behaviour outlives the server.
class RawServer {
public:
    using Behaviour = std::function<void(RawConnection&)>;

    RawServer();
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    // Register before the first request.
    void on(const QString& path, Behaviour behaviour);
    // "http://127.0.0.1:PORT" followed by path.
    QString url(const QString& path) const;
    // How many requests reached path.
    int hits(const QString& path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// A loopback port whose listening socket is never accepted from and whose queue
// is full: a client's connection attempt gets no answer at all.
class FullBacklogPort {
public:
    FullBacklogPort();
    ~FullBacklogPort();
    FullBacklogPort(const FullBacklogPort&) = delete;
    FullBacklogPort& operator=(const FullBacklogPort&) = delete;

    // 0 when the queue could not be filled.
    int port = 0;

private:
    int m_listener = -1;
    int m_fillers[4] = { -1, -1, -1, -1 };
};

} // namespace quillon::test
