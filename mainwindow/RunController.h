#pragma once

#include "engine/run/RunReport.h"
#include "engine/run/TagOptions.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QStringList>

#include <functional>
#include <list>
#include <memory>

class QThread;
class QTimer;

Q_DECLARE_METATYPE(quillon::ReportRow)
Q_DECLARE_METATYPE(quillon::Counters)

namespace quillon {

class ImageFetcher;
class TaggingEngine;

// Runs the engine on a worker thread so the window stays alive. The engine's
// events are gathered as they come and handed to the window's thread a few
// times a second, in order and folded together: a row arrives once, in the
// state it reached; counters, progress and the file line in their latest state.
// So the window keeps up with however many tags a run meets.
class RunController : public QObject {
    Q_OBJECT
public:
    // fetcher: where remote pictures come from; the controller's own libcurl
    // fetcher when null.
    explicit RunController(
        std::function<TagOptions()> options, ImageFetcher* fetcher = nullptr, QObject* parent = nullptr);
    ~RunController() override;

    // Starts a run over files; false when one is already going.
    bool start(const QStringList& files);
    // Ends the run after the tag in hand. A stop that comes when the engine is
    // already past its last file does nothing, so it cannot stop the next run.
    void stop();
    bool isRunning() const { return m_running; }
    // Empties the report (between runs).
    void ClearStatus();

    // How often gathered events are handed on while a run goes, and how many
    // rows at most in one go.
    static constexpr int kDeliveryMs = 50;
    static constexpr int kRowsPerDelivery = 4000;

signals:
    // Rows first, first + 1, ... appeared (the engine's indices).
    void rowsAdded(int first, const QList<quillon::ReportRow>& rows);
    // A row handed on earlier has changed.
    void rowChanged(int row, const quillon::ReportRow& content);
    void rowsCleared();
    void countersChanged(const quillon::Counters& counters);
    void progressChanged(double value, double maximum);
    void fileStarted(int index, int count, const QString& path);
    // The run is over, every event before it handed on. stopped: it ended
    // because stop() was asked while the engine still had work.
    void runFinished(bool stopped);

private:
    class Relay;
    struct Batch;
    void deliver();

    std::unique_ptr<ImageFetcher> m_ownFetcher;
    std::unique_ptr<Relay> m_relay;
    std::unique_ptr<TaggingEngine> m_engine;
    QThread* m_thread = nullptr;
    QTimer* m_delivery = nullptr;
    // Events taken from the engine, not yet handed on.
    std::list<Batch> m_backlog;
    bool m_moreQueued = false;
    bool m_running = false;
};

} // namespace quillon
