#include "engine/fetch/CurlFetcher.h"

#include "engine/measure/PictureMeasure.h"
#include "platform/FileDescriptor.h"

#include <QFile>

#include <curl/curl.h>

#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace quillon {

namespace {

// Pictures come from the web and from ftp sites; file:, gopher:, dict: and the
// rest would let a page read local files or talk to services it has no
// business with, also by way of a redirect.
constexpr const char* allowedProtocols = "http,https,ftp";
constexpr const char* userAgent = "Quillon/1.0";

// libcurl, with the TLS, Kerberos, LDAP and other libraries it needs, takes
// about a third of the program's start-up to load, and most runs fetch
// nothing: it is loaded when a run that fetches starts (startUp), or else at
// the first fetch.
struct CurlLibrary {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_easy_reset) easyReset = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_strerror) easyStrerror = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;
    decltype(&curl_multi_init) multiInit = nullptr;
    decltype(&curl_multi_cleanup) multiCleanup = nullptr;
    decltype(&curl_multi_add_handle) multiAdd = nullptr;
    decltype(&curl_multi_remove_handle) multiRemove = nullptr;
    decltype(&curl_multi_perform) multiPerform = nullptr;
    decltype(&curl_multi_poll) multiPoll = nullptr;
    decltype(&curl_multi_info_read) multiInfoRead = nullptr;
    QString error; // why it could not be loaded
};

template <typename F> bool resolve(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(::dlsym(library, name));
    return function != nullptr;
}

CurlLibrary loadCurl()
{
    CurlLibrary curl;
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        curl.error = QString::fromLocal8Bit(::dlerror());
        return curl;
    }
    // Never unloaded: libcurl's own threads and caches may outlive any fetcher.
    if (!resolve(library, "curl_global_init", curl.globalInit)
        || !resolve(library, "curl_easy_init", curl.easyInit)
        || !resolve(library, "curl_easy_cleanup", curl.easyCleanup)
        || !resolve(library, "curl_easy_reset", curl.easyReset)
        || !resolve(library, "curl_easy_setopt", curl.easySetopt)
        || !resolve(library, "curl_easy_getinfo", curl.easyGetinfo)
        || !resolve(library, "curl_easy_strerror", curl.easyStrerror)
        || !resolve(library, "curl_slist_append", curl.slistAppend)
        || !resolve(library, "curl_slist_free_all", curl.slistFreeAll)
        || !resolve(library, "curl_multi_init", curl.multiInit)
        || !resolve(library, "curl_multi_cleanup", curl.multiCleanup)
        || !resolve(library, "curl_multi_add_handle", curl.multiAdd)
        || !resolve(library, "curl_multi_remove_handle", curl.multiRemove)
        || !resolve(library, "curl_multi_perform", curl.multiPerform)
        || !resolve(library, "curl_multi_poll", curl.multiPoll)
        || !resolve(library, "curl_multi_info_read", curl.multiInfoRead)) {
        curl = CurlLibrary();
        curl.error = QStringLiteral("libcurl.so.4 lacks a function it should have");
        return curl;
    }
    // curl_global_init is not safe to race with itself or with other curl
    // calls; it runs here once for the whole process, before any transfer.
    if (const CURLcode rc = curl.globalInit(CURL_GLOBAL_DEFAULT); rc != CURLE_OK) {
        curl = CurlLibrary();
        curl.error = QStringLiteral("libcurl could not be started (code %1)").arg(static_cast<int>(rc));
    }
    return curl;
}

// The loaded library; its easyInit is null when it could not be loaded.
const CurlLibrary& curlLibrary()
{
    static const CurlLibrary curl = loadCurl();
    return curl;
}

// Where the body goes, and why writing it stopped if it did.
struct BodySink {
    int fd = -1;
    qint64 maxBytes = 0;
    qint64 written = 0;
    bool tooLarge = false;
    int writeErrno = 0;
    bool headerOnly = false;
    QByteArray head; // the body so far, while it may still tell the size
    bool measurable = false; // the size is known: the rest is not needed
    CURL* easy = nullptr; // the transfer, to ask what kind of answer it is
};

// How much of a picture's start is kept to find its size; formats that put the
// size further in are fetched whole.
constexpr qsizetype kHeadLimit = 1024 * 1024;
constexpr qint64 kHeadBytes = 65536;
constexpr const char* kHeadRange = "0-65535"; // the first kHeadBytes

// Content-Length is checked by libcurl before the body starts, but a chunked
// body or a server that lies about its length is only caught here.
size_t writeBody(char* data, size_t size, size_t count, void* userData)
{
    auto* sink = static_cast<BodySink*>(userData);
    const size_t length = size * count;
    if (sink->measurable) {
        // The rest of a part asked for: read, not kept, unless it runs longer than asked.
        sink->written += static_cast<qint64>(length);
        return sink->written > kHeadBytes ? 0 : length;
    }
    if (sink->written + static_cast<qint64>(length) > sink->maxBytes) {
        sink->tooLarge = true;
        return 0;
    }
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(sink->fd, data + done, length - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            sink->writeErrno = errno;
            return 0;
        }
        done += static_cast<size_t>(n);
    }
    sink->written += static_cast<qint64>(length);
    if (sink->headerOnly && sink->head.size() < kHeadLimit) {
        sink->head.append(data, static_cast<qsizetype>(length));
        if (MeasurePictureData(sink->head).ok()) {
            sink->measurable = true;
            // The rest of a part asked for is short, and reading it keeps the
            // connection for the next picture; a whole picture sent all the
            // same is cut short here, which ends the transfer.
            long response = 0;
            curlLibrary().easyGetinfo(sink->easy, CURLINFO_RESPONSE_CODE, &response);
            if (response != 206)
                return 0;
        }
    }
    return length;
}

// The version an answer names. Every answer on the way (a redirect's included)
// starts with its status line, so only the last answer's headers are kept.
size_t readHeader(char* data, size_t size, size_t count, void* userData)
{
    auto* validators = static_cast<Validators*>(userData);
    const size_t length = size * count;
    const QByteArray line = QByteArray(data, static_cast<qsizetype>(length)).trimmed();
    if (line.startsWith("HTTP/")) {
        *validators = Validators();
        return length;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0)
        return length;
    const QByteArray name = line.left(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed();
    if (name == "etag")
        validators->etag = value;
    else if (name == "last-modified")
        validators->lastModified = value;
    return length;
}

// The request's "changed since?" headers; freed with the transfer.
class ConditionalHeaders {
public:
    explicit ConditionalHeaders(const Validators& known)
    {
        // Header values never hold a line break: one would end the header and
        // start another, so a damaged value is not sent at all.
        auto add = [this](const char* name, const QByteArray& value) {
            if (value.isEmpty() || value.contains('\r') || value.contains('\n'))
                return;
            const QByteArray line = name + value;
            if (curl_slist* longer = curlLibrary().slistAppend(m_list, line.constData()))
                m_list = longer;
        };
        add("If-None-Match: ", known.etag);
        add("If-Modified-Since: ", known.lastModified);
    }
    ~ConditionalHeaders()
    {
        if (m_list)
            curlLibrary().slistFreeAll(m_list);
    }
    ConditionalHeaders(const ConditionalHeaders&) = delete;
    ConditionalHeaders& operator=(const ConditionalHeaders&) = delete;
    curl_slist* list() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

// Ends a transfer in the middle of its data once the run is stopped.
int stopWhenAsked(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0;
}

// How long a transfer waits for its sockets before it looks at the stop flag
// again: a server that says nothing must not keep a stopped run waiting.
constexpr int kStopPollMs = 50;

ErrorCode codeFor(CURLcode rc)
{
    switch (rc) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return ErrorCode::UnsupportedAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ErrorCode::HostNotFound;
    case CURLE_COULDNT_CONNECT:
        return ErrorCode::ConnectFailed;
    case CURLE_OPERATION_TIMEDOUT:
        return ErrorCode::TransferTimedOut;
    case CURLE_TOO_MANY_REDIRECTS:
        return ErrorCode::TooManyRedirects;
    case CURLE_FILESIZE_EXCEEDED:
        return ErrorCode::TransferTooLarge;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return ErrorCode::TransferNotFound;
    default:
        return ErrorCode::TransferFailed;
    }
}

Failure transferFailure(ErrorCode code, const QString& curlText)
{
    return Failure(code, QStringLiteral("%1: %2").arg(describe(code), curlText));
}

template <typename T> void setOption(CURL* easy, CURLoption option, T value)
{
    // Every option set here exists in the libcurl we build against; a failure
    // would only mean a library built without a protocol, which the transfer
    // itself then reports.
    curlLibrary().easySetopt(easy, option, value);
}

} // namespace

// The transfer runs on a multi handle of its own rather than curl_easy_perform,
// which may sit in a silent socket for a second before it asks whether to go
// on; the multi handle also keeps the connection cache from one fetch to the next.
struct CurlFetcher::Handle {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};

    Handle()
        : easy(curlLibrary().easyInit ? curlLibrary().easyInit() : nullptr)
        , multi(easy ? curlLibrary().multiInit() : nullptr)
    {
    }
    ~Handle()
    {
        if (multi)
            curlLibrary().multiCleanup(multi);
        if (easy)
            curlLibrary().easyCleanup(easy);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    // The transfer set up on easy, to its end or until stop is set.
    CURLcode perform(const std::atomic<bool>& stop)
    {
        const CurlLibrary& curl = curlLibrary();
        if (curl.multiAdd(multi, easy) != CURLM_OK)
            return CURLE_FAILED_INIT;
        CURLcode result = CURLE_OK;
        for (;;) {
            int running = 0;
            if (curl.multiPerform(multi, &running) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
            if (running == 0) {
                int left = 0;
                while (const CURLMsg* message = curl.multiInfoRead(multi, &left)) {
                    if (message->msg == CURLMSG_DONE)
                        result = message->data.result;
                }
                break;
            }
            if (stop) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (curl.multiPoll(multi, nullptr, 0, kStopPollMs, nullptr) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
        }
        curl.multiRemove(multi, easy);
        return result;
    }
};

CurlFetcher::CurlFetcher(TransferLimits limits)
    : m_limits(limits)
{
}

CurlFetcher::~CurlFetcher() = default;

Status CurlFetcher::startUp()
{
    const CurlLibrary& curl = curlLibrary();
    if (curl.easyInit)
        return {};
    return transferFailure(
        ErrorCode::TransferFailed, QStringLiteral("libcurl cannot be loaded: ") + curl.error);
}

Status CurlFetcher::fetch(const QString& address, const QString& targetPath, const std::atomic<bool>& stop)
{
    const Result<FetchAnswer> answer = fetchIfChanged(address, targetPath, stop, Validators());
    if (!answer)
        return answer.failure();
    return {};
}

Result<FetchAnswer> CurlFetcher::fetchIfChanged(
    const QString& address, const QString& targetPath, const std::atomic<bool>& stop, const Validators& known)
{
    // The target is made empty before anything else, so a stale picture from an
    // earlier download under this name can never be measured in place of this one.
    const QByteArray nativePath = QFile::encodeName(targetPath);
    FileDescriptor fd(::open(nativePath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd.isOpen())
        return failureFromErrno(errno, targetPath);
    if (!m_handle)
        m_handle = std::make_unique<Handle>();
    if (!m_handle->easy || !m_handle->multi) {
        const QString& why = curlLibrary().error;
        return transferFailure(ErrorCode::TransferFailed,
            why.isEmpty() ? QStringLiteral("libcurl cannot start a transfer")
                          : QStringLiteral("libcurl cannot be loaded: ") + why);
    }

    BodySink sink;
    sink.fd = fd.get();
    sink.maxBytes = m_limits.maxBytes;
    sink.headerOnly = m_limits.headerOnly;
    const QByteArray url = address.toUtf8();
    const bool http = address.startsWith(QStringLiteral("http"), Qt::CaseInsensitive);
    Validators received;
    auto perform = [&](BodySink& body, bool ranged, const ConditionalHeaders* conditions) {
        CURL* easy = m_handle->easy;
        if (!easy)
            return CURLE_FAILED_INIT;
        // Reset rather than a fresh handle: the connection cache survives, which
        // matters when a page takes many pictures from one server.
        curlLibrary().easyReset(easy);
        m_handle->errorText[0] = '\0';
        setOption(easy, CURLOPT_URL, url.constData());
        setOption(easy, CURLOPT_ERRORBUFFER, m_handle->errorText);
        // Signals would disturb the rest of the program and cannot be aimed at
        // a worker thread; name look-ups still time out because this libcurl
        // resolves names on a thread of its own.
        setOption(easy, CURLOPT_NOSIGNAL, 1L);
        setOption(easy, CURLOPT_PROTOCOLS_STR, allowedProtocols);
        setOption(easy, CURLOPT_REDIR_PROTOCOLS_STR, allowedProtocols);
        setOption(easy, CURLOPT_FOLLOWLOCATION, 1L);
        setOption(easy, CURLOPT_MAXREDIRS, m_limits.maxRedirects);
        setOption(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_limits.connectTimeout.count()));
        setOption(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(m_limits.totalTimeout.count()));
        if (m_limits.lowSpeedBytes > 0) {
            setOption(easy, CURLOPT_LOW_SPEED_LIMIT, m_limits.lowSpeedBytes);
            setOption(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_limits.lowSpeedTime.count()));
        }
        // An announced length past the limit is refused before the body starts;
        // not when only the start is wanted, since the start of a large picture
        // still tells its size (the body is capped as it arrives all the same).
        if (!body.headerOnly)
            setOption(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(m_limits.maxBytes));
        setOption(easy, CURLOPT_USERAGENT, userAgent);
        setOption(easy, CURLOPT_WRITEFUNCTION, &writeBody);
        body.easy = easy;
        setOption(easy, CURLOPT_WRITEDATA, &body);
        if (ranged)
            setOption(easy, CURLOPT_RANGE, kHeadRange);
        setOption(easy, CURLOPT_NOPROGRESS, 0L);
        setOption(easy, CURLOPT_XFERINFOFUNCTION, &stopWhenAsked);
        setOption(easy, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&stop));
        received = Validators();
        if (http) {
            setOption(easy, CURLOPT_HEADERFUNCTION, &readHeader);
            setOption(easy, CURLOPT_HEADERDATA, &received);
            if (conditions && conditions->list())
                setOption(easy, CURLOPT_HTTPHEADER, conditions->list());
        }
        return m_handle->perform(stop);
    };

    const bool ranged = m_limits.headerOnly && http;
    const ConditionalHeaders conditions(known);
    CURLcode rc = perform(sink, ranged, &conditions);
    long response = 0;
    if (m_handle->easy)
        curlLibrary().easyGetinfo(m_handle->easy, CURLINFO_RESPONSE_CODE, &response);
    if (ranged && !sink.measurable && rc == CURLE_OK && response == 206 && sink.written >= kHeadBytes) {
        // The first part did not tell the size: the whole picture after all. A
        // shorter part was the whole file already, and asking again would only
        // bring the same bytes.
        if (::ftruncate(fd.get(), 0) == 0 && ::lseek(fd.get(), 0, SEEK_SET) == 0) {
            sink = BodySink();
            sink.fd = fd.get();
            sink.maxBytes = m_limits.maxBytes;
            rc = perform(sink, false, nullptr);
        }
    }
    if (sink.measurable && rc == CURLE_WRITE_ERROR)
        rc = CURLE_OK;
    CURL* easy = m_handle->easy;

    Status status;
    if (stop) {
        // Whatever arrived is of no use to a run that is over.
        (void)fd.close();
        ::unlink(nativePath.constData());
        return Failure(ErrorCode::TransferStopped);
    } else if (sink.writeErrno != 0) {
        status = failureFromErrno(sink.writeErrno, targetPath);
    } else if (sink.tooLarge) {
        status = transferFailure(
            ErrorCode::TransferTooLarge, QStringLiteral("the body passed %1 bytes").arg(m_limits.maxBytes));
    } else if (rc != CURLE_OK) {
        const QString text = (easy && m_handle->errorText[0] != '\0')
            ? QString::fromUtf8(m_handle->errorText)
            : QString::fromUtf8(curlLibrary().easyStrerror(rc));
        status = transferFailure(codeFor(rc), text);
    }

    if (!status.ok()) {
        // Half a picture must not pass for a whole one. Should shortening fail,
        // the failure already reported is still the one that matters.
        const int ignored = ::ftruncate(fd.get(), 0);
        static_cast<void>(ignored);
    }
    if (const int err = fd.close(); err != 0 && status.ok())
        status = failureFromErrno(err, targetPath);
    if (!status)
        return status.failure();
    if (m_handle->easy)
        curlLibrary().easyGetinfo(m_handle->easy, CURLINFO_RESPONSE_CODE, &response);
    FetchAnswer answer;
    // A 304 the request did not ask for says nothing about any version we know.
    answer.unchanged = http && response == 304 && known.any();
    answer.complete = http && (response == 200 || response == 206);
    if (answer.complete)
        answer.validators = received;
    return answer;
}

} // namespace quillon
