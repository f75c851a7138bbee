#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QLocalServer;

namespace quillon {

// One window per user: the first start listens on a local socket, and a later
// start hands its pages over that socket to it instead of opening a window of
// its own. A socket left behind by a window that is gone, or one whose window
// does not answer, is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // socketPath names the socket; by default one in the user's runtime folder.
    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket in the user's runtime folder, so that each user has a window of their own.
    static QString defaultSocketPath();

    // Gives pages (absolute paths; none just asks the window to come to the
    // front) to the running window. False when no window took them within
    // timeoutMs: none is running, or the one there does not answer. Blocks.
    bool handOver(const QStringList& pages, int timeoutMs = 3000) const;
    // Takes the socket so that later starts find this one; a socket left
    // behind is removed first. False when it cannot be made.
    bool listen();
    // The window a later start asks for: at each hand-over it comes out of its
    // minimised state and to the front, before pagesHandedOver.
    void setWindow(QWidget* window) { m_window = window; }

signals:
    // A later start handed these pages over (none: it only asked for the window).
    void pagesHandedOver(const QStringList& pages);

private:
    void takeConnection();

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
    QPointer<QWidget> m_window;
};

} // namespace quillon
