#pragma once

#include "engine/RunReport.h"
#include "engine/TagOptions.h"
#include "platform/Failure.h"

#include <QMetaType>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QThread;

Q_DECLARE_METATYPE(quillon::ReportRow)
Q_DECLARE_METATYPE(quillon::Counters)
Q_DECLARE_METATYPE(quillon::Failure)

namespace quillon {

class ImageFetcher;
class TaggingEngine;

// Runs the engine on a worker thread so the window stays alive, and hands its
// events to the window's thread in the order they happened.
class RunController : public QObject {
    Q_OBJECT
public:
    // fetcher: where remote pictures come from; the controller's own libcurl
    // fetcher when null.
    explicit RunController(std::function<TagOptions()> options, ImageFetcher* fetcher = nullptr,
                           QObject* parent = nullptr);
    ~RunController() override;

    // Starts a run over files; false when one is already going.
    bool start(const QStringList& files);
    // Ends the run after the tag in hand.
    void stop();
    bool isRunning() const { return m_running; }
    // Empties the report (between runs).
    void ClearStatus();

signals:
    void rowAdded(int row, const quillon::ReportRow& content);
    void rowChanged(int row, const quillon::ReportRow& content);
    void rowsCleared();
    void countersChanged(const quillon::Counters& counters);
    void progressChanged(double value, double maximum, const QString& percentText);
    void fileStarted(int index, int count, const QString& path, const QString& line);
    void runFinished();
    void endOfRunFailed(const quillon::Failure& failure);

private:
    class Relay;
    std::unique_ptr<ImageFetcher> m_ownFetcher;
    std::unique_ptr<Relay> m_relay;
    std::unique_ptr<TaggingEngine> m_engine;
    QThread* m_thread = nullptr;
    bool m_running = false;
};

} // namespace quillon
