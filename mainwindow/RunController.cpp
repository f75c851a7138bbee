#include "mainwindow/RunController.h"

#include "desktop/DesktopServices.h"
#include "desktop/UserMessages.h"
#include "engine/fetch/CurlFetcher.h"
#include "engine/run/RunObserver.h"
#include "engine/run/TaggingEngine.h"
#include "platform/ProgramFolder.h"
#include "settings/SettingKeys.h"
#include "settings/StoredOptions.h"

#include <QMap>
#include <QThread>
#include <QTimer>

#include <mutex>
#include <optional>

namespace quillon {

// What the engine told since the last delivery, folded together.
struct RunController::Batch {
    struct Progress {
        double value;
        double maximum;
    };
    struct FileStep {
        int index;
        int count;
        QString path;
    };

    bool cleared = false;
    int first = 0; // the engine's index of added[0]
    QList<ReportRow> added;
    QMap<int, ReportRow> changed; // rows delivered before
    std::optional<Counters> counters;
    std::optional<Progress> progress;
    std::optional<FileStep> file;
    bool finished = false;
    bool stopped = false;
    int filesHandled = 0; // when stopped: the files written or otherwise handled to their end

    bool isEmpty() const
    {
        return !cleared && added.isEmpty() && changed.isEmpty() && !counters && !progress && !file
            && !finished;
    }
};

// Gathers the engine's events on whatever thread the engine runs, until the
// window's thread takes them.
class RunController::Relay : public RunObserver {
public:
    void rowAdded(int row, const ReportRow& content) override
    {
        const std::lock_guard lock(m_lock);
        if (m_batch.added.isEmpty())
            m_batch.first = row;
        m_batch.added.append(content);
    }
    void rowChanged(int row, const ReportRow& content) override
    {
        const std::lock_guard lock(m_lock);
        const int at = row - m_batch.first;
        if (at >= 0 && at < m_batch.added.size())
            m_batch.added[at] = content;
        else
            m_batch.changed[row] = content;
    }
    void rowsCleared() override
    {
        const std::lock_guard lock(m_lock);
        m_batch.cleared = true;
        m_batch.added.clear();
        m_batch.changed.clear();
    }
    void countersChanged(const Counters& counters) override
    {
        const std::lock_guard lock(m_lock);
        m_batch.counters = counters;
    }
    void progressChanged(double value, double maximum) override
    {
        const std::lock_guard lock(m_lock);
        m_batch.progress = Batch::Progress { value, maximum };
    }
    void fileStarted(int index, int count, const QString& path) override
    {
        const std::lock_guard lock(m_lock);
        m_batch.file = Batch::FileStep { index, count, path };
        m_filesHandled = count; // unless a stop ends the run first
    }
    void runStopped(int handled, int) override
    {
        const std::lock_guard lock(m_lock);
        m_filesHandled = handled;
    }
    // Called by the engine after its end-of-run work and before it forgets any
    // stop asked of it: a stop asked after this point is not passed on.
    void runFinished() override
    {
        const std::lock_guard lock(m_lock);
        m_engineBusy = false;
        m_batch.finished = true;
        m_batch.stopped = m_stopAsked;
        m_batch.filesHandled = m_filesHandled;
    }

    void runStarts()
    {
        const std::lock_guard lock(m_lock);
        m_engineBusy = true;
        m_stopAsked = false;
        m_filesHandled = 0;
    }
    void stop(TaggingEngine& engine)
    {
        const std::lock_guard lock(m_lock);
        if (!m_engineBusy)
            return;
        m_stopAsked = true;
        engine.requestStop();
    }
    Batch take()
    {
        const std::lock_guard lock(m_lock);
        return std::exchange(m_batch, Batch());
    }

private:
    std::mutex m_lock;
    Batch m_batch;
    bool m_engineBusy = false;
    bool m_stopAsked = false;
    int m_filesHandled = 0;
};

RunController::RunController(RunServices services, QObject* parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_relay(std::make_unique<Relay>())
    , m_delivery(new QTimer(this))
{
    qRegisterMetaType<ReportRow>();
    qRegisterMetaType<Counters>();
    ImageFetcher* fetcher = m_services.fetcher;
    if (!fetcher) {
        m_ownFetcher = std::make_unique<CurlFetcher>(TransferLimits());
        fetcher = m_ownFetcher.get();
    }
    const Settings settings = m_services.settings;
    // Read on the run's thread once, at its start; m_noTransfers is set before that thread starts.
    m_engine = std::make_unique<TaggingEngine>(
        [this, settings] {
            TagOptions options = tagOptionsFromSettings(settings);
            options.noTransfers = m_noTransfers;
            return options;
        },
        *fetcher);
    m_engine->setObserver(m_relay.get());
    m_delivery->setInterval(kDeliveryMs);
    connect(m_delivery, &QTimer::timeout, this, &RunController::deliver);
}

RunController::~RunController()
{
    if (m_thread) {
        m_engine->requestStop();
        m_thread->wait();
        delete m_thread;
    }
}

bool RunController::begin(const QStringList& files, bool doneSound)
{
    if (m_running || !goOnlineOrOffline())
        return false;
    emit preparing(static_cast<int>(files.size()));
    if (files.isEmpty()) {
        m_services.messages->show(m_services.messageParent, QStringLiteral("Not Ready..."),
            QStringLiteral("You must first select the files to add image tag properties to."),
            MessageIcon::Information);
        return false;
    }
    m_doneSound = doneSound;
    emit runningChanged(true);
    return start(files);
}

bool RunController::goOnlineOrOffline()
{
    const Settings& settings = m_services.settings;
    if (!settings.isTrue(keys::OnlineMode))
        return true;
    const std::optional<bool> online
        = m_services.isOnline ? m_services.isOnline() : std::optional<bool>(true);
    UserMessages& messages = *m_services.messages;
    if (!online)
        messages.show(m_services.messageParent, QStringLiteral("Brambleworth Quillon"),
            QStringLiteral("ERROR"), MessageIcon::None);
    if (online.value_or(false))
        return true;
    const MessageAnswer answer
        = messages.show(m_services.messageParent, QStringLiteral("Unable to tag in Online Mode..."),
            QStringLiteral(
                "You must have an internet connection established in order to tag in Online Mode.\r\n\r\n"
                "Continue in Offline Mode?"),
            MessageIcon::None, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes)
        return false;
    settings.write(keys::OnlineMode, QString::fromLatin1(values::False));
    return true;
}

bool RunController::start(const QStringList& files)
{
    if (m_running)
        return false;
    if (m_thread) {
        m_thread->wait(); // the last run's thread is past its final event
        delete m_thread;
        m_thread = nullptr;
    }
    // Our own libcurl is started here, on the window's thread, before the run's
    // thread can use it, and only once a run fetches.
    if (m_ownFetcher && m_services.settings.isTrue(keys::OnlineMode)) {
        const Status started = CurlFetcher::startUp();
        m_noTransfers = started ? std::nullopt : std::optional<Failure>(started.failure());
    }
    m_running = true;
    m_relay->runStarts();
    m_thread = QThread::create([this, files] { m_engine->run(files); });
    m_thread->setObjectName(QStringLiteral("tagging run"));
    m_thread->start();
    m_delivery->start();
    return true;
}

void RunController::stop()
{
    if (m_running)
        m_relay->stop(*m_engine);
}

void RunController::ClearStatus()
{
    if (m_running)
        return;
    m_engine->ClearStatus();
    deliver();
}

void RunController::addRows(const QList<ReportRow>& rows)
{
    if (m_running)
        return;
    RunReport& report = m_engine->report();
    for (const ReportRow& row : rows) {
        const int added = report.AddReportRow(row.file);
        report.SetRowImage(added, row.image);
        report.SetRowStatus(added, row.outcome, row.failure);
    }
    deliver();
}

void RunController::deliver()
{
    Batch fresh = m_relay->take();
    if (!fresh.isEmpty())
        m_backlog.push_back(std::move(fresh));

    // A few thousand rows at a time, so that a burst of rows never holds the
    // window's thread for long; the rest follow as soon as the loop is free.
    qsizetype budget = kRowsPerDelivery;
    while (!m_backlog.empty()) {
        Batch& head = m_backlog.front();
        if (std::exchange(head.cleared, false))
            emit rowsCleared();
        if (!head.added.isEmpty()) {
            const qsizetype n = std::min(budget, head.added.size());
            emit rowsAdded(head.first, head.added.first(n));
            head.added.remove(0, n);
            head.first += static_cast<int>(n);
            budget -= n;
            if (!head.added.isEmpty())
                break;
        }
        for (auto it = head.changed.cbegin(); it != head.changed.cend(); ++it)
            emit rowChanged(it.key(), it.value());
        if (head.file)
            emit fileStarted(head.file->index, head.file->count, head.file->path);
        if (head.progress)
            emit progressChanged(head.progress->value, head.progress->maximum);
        if (head.counters)
            emit countersChanged(*head.counters);
        const bool finished = head.finished;
        const bool stopped = head.stopped;
        const int filesHandled = head.filesHandled;
        m_backlog.pop_front();
        if (finished) {
            m_delivery->stop();
            m_running = false;
            emit runFinished(stopped, filesHandled);
            if (m_doneSound && m_services.sound)
                m_services.sound->play(findDataFile(QStringLiteral("done.wav")));
            emit runningChanged(false);
        }
        if (budget == 0)
            break;
    }
    if (!m_backlog.empty() && !m_moreQueued) {
        m_moreQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_moreQueued = false;
            deliver();
        });
    }
}

} // namespace quillon
