#include "mainwindow/RunController.h"

#include "engine/CurlFetcher.h"
#include "engine/RunObserver.h"
#include "engine/TaggingEngine.h"

#include <QThread>

namespace quillon {

// Passes the engine's events on as the controller's signals. Emitted on the
// worker thread, they reach the window's thread queued, in order.
class RunController::Relay : public RunObserver {
public:
    explicit Relay(RunController& owner) : m_owner(owner) {}
    void rowAdded(int row, const ReportRow& content) override { emit m_owner.rowAdded(row, content); }
    void rowChanged(int row, const ReportRow& content) override { emit m_owner.rowChanged(row, content); }
    void rowsCleared() override { emit m_owner.rowsCleared(); }
    void countersChanged(const Counters& counters) override { emit m_owner.countersChanged(counters); }
    void progressChanged(double value, double maximum, const QString& text) override
    {
        emit m_owner.progressChanged(value, maximum, text);
    }
    void fileStarted(int index, int count, const QString& path, const QString& line) override
    {
        emit m_owner.fileStarted(index, count, path, line);
    }
    void runFinished() override { emit m_owner.runFinished(); }
    void endOfRunFailed(const Failure& failure) override { emit m_owner.endOfRunFailed(failure); }

private:
    RunController& m_owner;
};

RunController::RunController(std::function<TagOptions()> options, ImageFetcher* fetcher, QObject* parent)
    : QObject(parent), m_relay(std::make_unique<Relay>(*this))
{
    qRegisterMetaType<ReportRow>();
    qRegisterMetaType<Counters>();
    qRegisterMetaType<Failure>();
    if (!fetcher) {
        m_ownFetcher = std::make_unique<CurlFetcher>(TransferLimits());
        fetcher = m_ownFetcher.get();
    }
    m_engine = std::make_unique<TaggingEngine>(std::move(options), *fetcher);
    m_engine->setObserver(m_relay.get());
    // The run counts as over once its last event has reached this thread.
    connect(this, &RunController::runFinished, this, [this] { m_running = false; });
}

RunController::~RunController()
{
    if (m_thread) {
        m_engine->requestStop();
        m_thread->wait();
        delete m_thread;
    }
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
    m_running = true;
    m_thread = QThread::create([this, files] { m_engine->run(files); });
    m_thread->setObjectName(QStringLiteral("tagging run"));
    m_thread->start();
    return true;
}

void RunController::stop()
{
    if (m_running)
        m_engine->requestStop();
}

void RunController::ClearStatus()
{
    if (!m_running)
        m_engine->ClearStatus();
}

} // namespace quillon
