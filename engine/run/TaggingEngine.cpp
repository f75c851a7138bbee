#include "engine/run/TaggingEngine.h"

#include "engine/run/RunObserver.h"
#include "engine/run/RunResources.h"

#include <utility>

namespace quillon {

TaggingEngine::TaggingEngine(std::function<TagOptions()> options, ImageFetcher& fetcher)
    : m_options(std::move(options))
    , m_ownResources(std::make_unique<RunResources>(fetcher))
    , m_resources(*m_ownResources)
    , m_rewriter(m_report, m_resources)
    , m_pass(m_report, m_resources, m_rewriter)
{
    m_pass.setProgress([this](double value) { setProgress(value); });
    m_resources.setStopFlag(&m_stopRequested);
}

TaggingEngine::TaggingEngine(std::function<TagOptions()> options, RunResources& shared)
    : m_options(std::move(options))
    , m_resources(shared)
    , m_rewriter(m_report, m_resources)
    , m_pass(m_report, m_resources, m_rewriter)
{
    m_pass.setProgress([this](double value) { setProgress(value); });
}

TaggingEngine::~TaggingEngine() = default;

const DownloadArea& TaggingEngine::downloads() const
{
    return m_resources.downloads();
}

void TaggingEngine::setObserver(RunObserver* observer)
{
    m_observer = observer;
    m_report.setObserver(observer);
    m_pass.setObserver(observer);
}

void TaggingEngine::setProgress(double value)
{
    m_progressValue = value;
    if (m_observer)
        m_observer->progressChanged(m_progressValue, m_progressMaximum);
}

void TaggingEngine::run(const QStringList& files)
{
    m_resources.endRun();
    m_progressMaximum = 4.0 * files.size();
    setProgress(0);
    m_report.resetCounters();

    // One set of options for the whole run, whatever changes while it goes.
    const TagOptions options = m_options();
    const int count = static_cast<int>(files.size());
    int handled = 0;
    for (int i = 0; i < count && !*m_stop; ++i) {
        if (m_observer)
            m_observer->fileStarted(i, count, files[i]);
        if (!tagFile(files[i], options))
            break;
        handled = i + 1;
        if (m_progressValue != handled * 4.0)
            setProgress(handled * 4.0);
    }
    if (handled < count && m_observer)
        m_observer->runStopped(handled, count);
    DoneScanning();
    // A stop asked for before the run began still ends it; one asked for now ends nothing later.
    m_stopRequested = false;
}

bool TaggingEngine::TagFile(const QString& path)
{
    return tagFile(path, m_options());
}

bool TaggingEngine::tagFile(const QString& path, const TagOptions& options)
{
    m_report.resetCurrent();
    return m_pass.TagFile(path, options, m_progressValue, *m_stop);
}

QString TaggingEngine::TagImage(const QString& tagText, const QString& htmlFile)
{
    return m_rewriter.TagImage(tagText, htmlFile, m_options());
}

void TaggingEngine::DoneScanning()
{
    setProgress(m_progressMaximum);
    m_report.resetCurrent();
    m_resources.endRun();
    if (m_observer)
        m_observer->runFinished();
}

void TaggingEngine::ClearStatus()
{
    // The driver puts its progress bar back itself; its percentage stays as it was.
    m_progressValue = 0;
    m_report.clear();
}

} // namespace quillon
