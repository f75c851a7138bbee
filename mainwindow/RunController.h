#pragma once

#include "engine/run/RunReport.h"
#include "settings/Settings.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QStringList>

#include <functional>
#include <list>
#include <memory>
#include <optional>

class QThread;
class QTimer;
class QWidget;

Q_DECLARE_METATYPE(quillon::ReportRow)
Q_DECLARE_METATYPE(quillon::Counters)

namespace quillon {

class ImageFetcher;
class SoundPlayer;
class TaggingEngine;
class UserMessages;

// What a run needs around the engine.
struct RunServices {
    // The options the engine reads at the start of each run, and online mode.
    Settings settings;
    // The questions and notices before a run, over messageParent.
    UserMessages* messages = nullptr;
    QWidget* messageParent = nullptr;
    // True when a network connection is up; nothing when that cannot be told.
    // Null: always up.
    std::function<std::optional<bool>()> isOnline;
    // Plays the done sound; silent when null.
    SoundPlayer* sound = nullptr;
    // Where remote pictures come from; the controller's own libcurl fetcher when null.
    ImageFetcher* fetcher = nullptr;
};

// Runs the engine on a worker thread so the window stays alive. The engine's
// events are gathered as they come and handed to the window's thread a few
// times a second, in order and folded together: a row arrives once, in the
// state it reached; counters, progress and the file line in their latest state.
// So the window keeps up with however many tags a run meets.
class RunController : public QObject {
    Q_OBJECT
public:
    explicit RunController(RunServices services, QObject* parent = nullptr);
    ~RunController() override;

    // The start button: in online mode without a connection the user is asked
    // whether to go on offline, which is then stored; without files the user is
    // told there is nothing to tag. False when no run started. doneSound: the
    // end of this run plays the done sound.
    bool begin(const QStringList& files, bool doneSound);
    // Starts a run over files; false when one is already going.
    bool start(const QStringList& files);
    // Ends the run within moments, a download included; the file in hand is
    // left as it was. A stop that comes when the engine is already past its
    // last file does nothing, so it cannot stop the next run.
    void stop();
    bool isRunning() const { return m_running; }
    // Empties the report (between runs).
    void ClearStatus();
    // Rows made between runs (a restore's), added after those the report holds.
    void addRows(const QList<ReportRow>& rows);

    // How often gathered events are handed on while a run goes, and how many
    // rows at most in one go.
    static constexpr int kDeliveryMs = 50;
    static constexpr int kRowsPerDelivery = 4000;

signals:
    // A run over fileCount files is about to start (none: the user is told so).
    void preparing(int fileCount);
    // A run started or is over, its last event and the done sound handed on.
    void runningChanged(bool running);
    // Rows first, first + 1, ... appeared (the engine's indices).
    void rowsAdded(int first, const QList<quillon::ReportRow>& rows);
    // A row handed on earlier has changed.
    void rowChanged(int row, const quillon::ReportRow& content);
    void rowsCleared();
    void countersChanged(const quillon::Counters& counters);
    void progressChanged(double value, double maximum);
    void fileStarted(int index, int count, const QString& path);
    // The run is over, every event before it handed on. stopped: it ended
    // because stop() was asked while the engine still had work; filesHandled
    // then counts the files written or otherwise handled to their end.
    void runFinished(bool stopped, int filesHandled);

private:
    class Relay;
    struct Batch;
    // False when the user would rather not run without the connection that online mode needs.
    bool goOnlineOrOffline();
    void deliver();

    RunServices m_services;
    std::unique_ptr<ImageFetcher> m_ownFetcher;
    std::unique_ptr<Relay> m_relay;
    std::unique_ptr<TaggingEngine> m_engine;
    QThread* m_thread = nullptr;
    QTimer* m_delivery = nullptr;
    // Events taken from the engine, not yet handed on.
    std::list<Batch> m_backlog;
    bool m_moreQueued = false;
    bool m_running = false;
    bool m_doneSound = false;
    std::optional<Failure> m_noTransfers; // why nothing can be fetched, once that is known
};

} // namespace quillon
