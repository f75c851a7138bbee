#include "tests/support/HttpTestServer.h"

#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace quillon::test {

namespace {

// What one registered path answers.
struct Route {
    int status = 200;
    std::string body;
    std::string contentType;
    std::string location;
    std::chrono::milliseconds delay { 0 };
};

} // namespace

struct HttpTestServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = -1;

    mutable std::mutex mutex;
    std::condition_variable stopping;
    bool stopRequested = false;
    std::map<std::string, Route> routes;
    std::map<std::string, int> hits;

    // The routes are ours rather than httplib's so that a test may add them
    // while the server runs; httplib's own handlers stay free for server().
    httplib::Server::HandlerResponse answer(const httplib::Request& request, httplib::Response& response)
    {
        Route route;
        {
            std::unique_lock lock(mutex);
            ++hits[request.path];
            const auto it = routes.find(request.path);
            if (it == routes.end() || (request.method != "GET" && request.method != "HEAD"))
                return httplib::Server::HandlerResponse::Unhandled;
            route = it->second;
            // A slow answer gives way when the server stops, so that a test
            // whose client gave up long ago does not wait out the delay.
            if (route.delay.count() > 0)
                stopping.wait_for(lock, route.delay, [this] { return stopRequested; });
        }
        response.status = route.status;
        if (!route.location.empty())
            response.set_header("Location", route.location);
        response.set_content(route.body, route.contentType);
        return httplib::Server::HandlerResponse::Handled;
    }

    void add(const QString& path, Route route)
    {
        std::lock_guard lock(mutex);
        routes[path.toStdString()] = std::move(route);
    }
};

HttpTestServer::HttpTestServer()
    : m_impl(std::make_unique<Impl>())
{
    Impl& impl = *m_impl;
    // Idle keep-alive connections hold a worker each until they time out, and
    // the destructor waits for the workers.
    impl.server.set_keep_alive_timeout(1);
    // Headers and body go out in separate writes; without this the second
    // request on a kept-alive connection waits for a delayed acknowledgement.
    impl.server.set_tcp_nodelay(true);
    impl.server.set_pre_routing_handler(
        [&impl](const httplib::Request& request, httplib::Response& response) {
            return impl.answer(request, response);
        });

    impl.port = impl.server.bind_to_any_port("127.0.0.1");
    if (impl.port <= 0)
        throw std::runtime_error("HttpTestServer: no free port on 127.0.0.1");
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });

    // stop() does nothing until the loop runs, so the destructor could
    // otherwise miss it and wait forever in join().
    while (!impl.server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

HttpTestServer::~HttpTestServer()
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopRequested = true;
    }
    m_impl->stopping.notify_all();
    m_impl->server.stop();
    m_impl->thread.join();
}

int HttpTestServer::port() const
{
    return m_impl->port;
}

QString HttpTestServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_impl->port).arg(path);
}

void HttpTestServer::serve(
    const QString& path, const QByteArray& body, int status, const QString& contentType)
{
    Route route;
    route.status = status;
    route.body = body.toStdString();
    route.contentType = contentType.toStdString();
    m_impl->add(path, std::move(route));
}

void HttpTestServer::redirect(const QString& from, const QString& location, int status)
{
    Route route;
    route.status = status;
    route.location = location.toStdString();
    route.contentType = "text/plain";
    m_impl->add(from, std::move(route));
}

void HttpTestServer::serveSlowly(const QString& path, const QByteArray& body, std::chrono::milliseconds delay)
{
    Route route;
    route.body = body.toStdString();
    route.contentType = "application/octet-stream";
    route.delay = delay;
    m_impl->add(path, std::move(route));
}

int HttpTestServer::hits(const QString& path) const
{
    std::lock_guard lock(m_impl->mutex);
    const auto it = m_impl->hits.find(path.toStdString());
    return it == m_impl->hits.end() ? 0 : it->second;
}

httplib::Server& HttpTestServer::server()
{
    return m_impl->server;
}

} // namespace quillon::test
