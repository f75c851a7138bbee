#include "tests/hostile/RawServer.h"

#include <QList>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quillon::test {

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

int boundPort(int fd)
{
    sockaddr_in address {};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

// A socket listening on a free loopback port with the given queue length; -1 on failure.
int listenOnLoopback(int backlog)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd, backlog) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

// A connection attempt that does not wait: -1 when it failed outright.
int connectWithoutWaiting(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const sockaddr_in address = loopback(port);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        && errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool becomesConnected(int fd, int waitMs)
{
    pollfd entry { fd, POLLOUT, 0 };
    if (::poll(&entry, 1, waitMs) != 1)
        return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

} // namespace

struct RawConnection::Shared {
    std::mutex mutex;
    std::condition_variable stopping;
    bool stopRequested = false;
};

RawConnection::RawConnection(int fd, Shared& shared)
    : m_fd(fd)
    , m_shared(shared)
{
}

bool RawConnection::send(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n
            = ::send(m_fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    std::lock_guard lock(m_shared.mutex);
    return !m_shared.stopRequested;
}

bool RawConnection::pause(std::chrono::milliseconds delay)
{
    std::unique_lock lock(m_shared.mutex);
    return !m_shared.stopping.wait_for(lock, delay, [this] { return m_shared.stopRequested; });
}

struct RawServer::Impl {
    int listener = -1;
    int port = 0;
    std::thread acceptor;
    RawConnection::Shared shared;

    // Guarded by shared.mutex.
    std::map<std::string, Behaviour> behaviours;
    std::map<std::string, int> hits;
    std::set<int> open;
    std::vector<std::thread> workers;

    bool stopped()
    {
        std::lock_guard lock(shared.mutex);
        return shared.stopRequested;
    }

    // The request's head, up to its blank line; empty when the client went away
    // or sent more than any request head needs.
    static QByteArray readHead(int fd)
    {
        QByteArray head;
        char buffer[4096];
        while (!head.contains("\r\n\r\n") && head.size() < 65536) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return {};
            head.append(buffer, n);
        }
        return head;
    }

    void serve(int fd)
    {
        const QByteArray head = readHead(fd);
        // "GET /path HTTP/1.1": the path is the second word of the first line.
        const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
        const std::string path = words.size() >= 2 ? words[1].toStdString() : std::string();
        Behaviour behaviour;
        {
            std::lock_guard lock(shared.mutex);
            if (!head.isEmpty())
                ++hits[path];
            const auto it = behaviours.find(path);
            if (it != behaviours.end())
                behaviour = it->second;
        }
        if (!head.isEmpty()) {
            RawConnection connection(fd, shared);
            if (behaviour)
                behaviour(connection);
            else
                connection.send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        }
        std::lock_guard lock(shared.mutex);
        open.erase(fd);
        ::close(fd);
    }

    void acceptLoop()
    {
        while (true) {
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                return; // the listener was shut down
            }
            std::lock_guard lock(shared.mutex);
            if (shared.stopRequested) {
                ::close(fd);
                return;
            }
            open.insert(fd);
            workers.emplace_back([this, fd] { serve(fd); });
        }
    }
};

RawServer::RawServer()
    : m_impl(std::make_unique<Impl>())
{
    m_impl->listener = listenOnLoopback(64);
    if (m_impl->listener < 0)
        throw std::runtime_error("RawServer: no free port on 127.0.0.1");
    m_impl->port = boundPort(m_impl->listener);
    m_impl->acceptor = std::thread([impl = m_impl.get()] { impl->acceptLoop(); });
}

RawServer::~RawServer()
{
    Impl& impl = *m_impl;
    {
        std::lock_guard lock(impl.shared.mutex);
        impl.shared.stopRequested = true;
        // Wakes every blocked send and receive; the sockets are closed by their threads.
        for (const int fd : impl.open)
            ::shutdown(fd, SHUT_RDWR);
    }
    impl.shared.stopping.notify_all();
    ::shutdown(impl.listener, SHUT_RDWR);
    impl.acceptor.join();
    ::close(impl.listener);
    // No thread is added once the acceptor has ended.
    for (std::thread& worker : impl.workers)
        worker.join();
}

void RawServer::on(const QString& path, Behaviour behaviour)
{
    std::lock_guard lock(m_impl->shared.mutex);
    m_impl->behaviours[path.toStdString()] = std::move(behaviour);
}

QString RawServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_impl->port).arg(path);
}

int RawServer::hits(const QString& path) const
{
    std::lock_guard lock(m_impl->shared.mutex);
    const auto it = m_impl->hits.find(path.toStdString());
    return it == m_impl->hits.end() ? 0 : it->second;
}

FullBacklogPort::FullBacklogPort()
{
    // A queue of length 0 holds one connection that nobody accepts; the next
    // attempt's opening packet is dropped, so its client hears nothing.
    m_listener = listenOnLoopback(0);
    if (m_listener < 0)
        return;
    const int candidate = boundPort(m_listener);
    for (int& filler : m_fillers)
        filler = connectWithoutWaiting(candidate);
    // One more attempt that must not get through shows the queue is full.
    const int probe = connectWithoutWaiting(candidate);
    const bool full = probe >= 0 && !becomesConnected(probe, 200);
    if (probe >= 0)
        ::close(probe);
    if (full)
        port = candidate;
}

FullBacklogPort::~FullBacklogPort()
{
    for (const int filler : m_fillers) {
        if (filler >= 0)
            ::close(filler);
    }
    if (m_listener >= 0)
        ::close(m_listener);
}

} // namespace quillon::test
