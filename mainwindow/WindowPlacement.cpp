#include "mainwindow/WindowPlacement.h"

#include "mainwindow/Twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <QWindow>

#include <climits>
#include <cmath>

namespace quillon::WindowPlacement {

namespace {

enum State { Normal = 0, Minimised = 1, Maximised = 2 };

// The outer bounds last asked for, in twips, and the pixels they came to: while
// the window still has those pixels it reads back as the twips that were set.
const char* const kOuterTwips = "quillonOuterTwips";
const char* const kOuterPixels = "quillonOuterPixels";

int readNumber(const Settings& settings, const SettingKey& key)
{
    return settings.readIndex(key, INT_MIN / 2, INT_MAX / 2);
}

bool onSomeScreen(const QRect& bounds)
{
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(bounds))
            return true;
    }
    return false;
}

QRect toPixels(const QRectF& t)
{
    return QRect(twips::toPixels(t.left()), twips::toPixels(t.top()), twips::toPixels(t.width()),
        twips::toPixels(t.height()));
}

// The frame's thickness on each side, as far as the platform knows it now.
QMargins frameOf(const QWidget& window)
{
    const QRect inner = window.geometry();
    const QRect outer = window.frameGeometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
        outer.bottom() - inner.bottom());
}

void applyOuter(QWidget& window, const QRect& outer)
{
    const QMargins frame = frameOf(window);
    // move() places a window by its frame; the size is the inside's.
    window.move(outer.topLeft());
    window.resize(std::max(1, outer.width() - frame.left() - frame.right()),
        std::max(1, outer.height() - frame.top() - frame.bottom()));
}

// Gives a window the outer bounds last asked for once the window manager has
// put its frame around it, which happens only when the window first appears.
class FrameFitter : public QObject {
public:
    static constexpr const char* kName = "quillonFrameFitter";

    explicit FrameFitter(QWidget& window)
        : QObject(&window)
        , m_window(&window)
    {
        setObjectName(QLatin1String(kName));
        window.installEventFilter(this);
        watchHandle();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_window)
            return false;
        QWindow* handle = m_window->windowHandle();
        if (watched == m_window && event->type() == QEvent::Show)
            watchHandle();
        const bool appeared = handle && watched == handle && event->type() == QEvent::Expose;
        const bool restored = watched == m_window && event->type() == QEvent::WindowStateChange;
        // A window that starts maximised or minimised gets its bounds when it
        // is first restored to the normal state.
        const bool normal
            = !(m_window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
        if ((appeared || restored) && normal && handle && handle->isExposed()) {
            handle->removeEventFilter(this);
            m_window->removeEventFilter(this);
            applyOuter(*m_window, m_window->property(kOuterPixels).toRect());
            deleteLater();
        }
        return false;
    }

private:
    void watchHandle()
    {
        if (QWindow* handle = m_window->windowHandle())
            handle->installEventFilter(this);
    }

    QPointer<QWidget> m_window;
};

} // namespace

QRectF outerBounds(const QWidget& window)
{
    const QRect outer = window.frameGeometry();
    const QVariant asked = window.property(kOuterTwips);
    if (asked.isValid() && window.property(kOuterPixels).toRect() == outer)
        return asked.toRectF();
    return QRectF(outer.x() * twips::kPerPixel, outer.y() * twips::kPerPixel,
        outer.width() * twips::kPerPixel, outer.height() * twips::kPerPixel);
}

void setOuterBounds(QWidget& window, const QRectF& bounds)
{
    const QRect outer = toPixels(bounds);
    window.setProperty(kOuterTwips, bounds);
    window.setProperty(kOuterPixels, outer);
    applyOuter(window, outer);
    const bool exposed = window.windowHandle() && window.windowHandle()->isExposed();
    if (!exposed
        && !window.findChild<QObject*>(QLatin1String(FrameFitter::kName), Qt::FindDirectChildrenOnly))
        new FrameFitter(window);
}

bool raiseToMinimum(QWidget& window, const QSizeF& minimum)
{
    const bool normal
        = !(window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    const QRectF outer = outerBounds(window);
    if (!normal || (outer.width() >= minimum.width() && outer.height() >= minimum.height()))
        return false;
    setOuterBounds(window, QRectF(outer.topLeft(), outer.size().expandedTo(minimum)));
    return true;
}

void restore(QWidget& window, const Settings& settings)
{
    double top = readNumber(settings, keys::WindowTop);
    double left = readNumber(settings, keys::WindowLeft);
    const double width = readNumber(settings, keys::WindowWidth);
    const double height = readNumber(settings, keys::WindowHeight);

    if (!QGuiApplication::screens().isEmpty() && !onSomeScreen(toPixels(QRectF(left, top, width, height)))) {
        const QPoint origin = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
        left = origin.x() * twips::kPerPixel + 100;
        top = origin.y() * twips::kPerPixel + 100;
    }
    setOuterBounds(window, QRectF(left, top, width, height));

    switch (settings.readIndex(keys::WindowState, 0, 2)) {
    case Minimised:
        window.setWindowState(Qt::WindowMinimized);
        break;
    case Maximised:
        window.setWindowState(Qt::WindowMaximized);
        break;
    default:
        window.setWindowState(Qt::WindowNoState);
        break;
    }
}

void SaveWindowSettings(const QWidget& window, const Settings& settings)
{
    // Through a store of its own, whose failures no one hears of: this runs on
    // the way out, where no message box may stop the program.
    const Settings quiet(SettingsStore(settings.store().folder()));
    const Qt::WindowStates states = window.windowState();
    const int state = (states & Qt::WindowMinimized) ? Minimised
        : (states & Qt::WindowMaximized)             ? Maximised
                                                     : Normal;
    quiet.write(keys::WindowState, QString::number(state));
    if (state != Normal)
        return;
    const QRectF bounds = outerBounds(window);
    auto text = [](double value) { return QString::number(static_cast<long long>(std::llround(value))); };
    quiet.write(keys::WindowTop, text(bounds.top()));
    quiet.write(keys::WindowLeft, text(bounds.left()));
    quiet.write(keys::WindowWidth, text(bounds.width()));
    quiet.write(keys::WindowHeight, text(bounds.height()));
}

} // namespace quillon::WindowPlacement
