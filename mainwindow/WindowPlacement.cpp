#include "mainwindow/WindowPlacement.h"

#include "mainwindow/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <climits>
#include <cmath>

namespace quillon::WindowPlacement {

namespace {

enum State { Normal = 0, Minimised = 1, Maximised = 2 };

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

} // namespace

void restore(QWidget& window, const Settings& settings)
{
    double top = readNumber(settings, keys::WindowTop);
    double left = readNumber(settings, keys::WindowLeft);
    const double width = readNumber(settings, keys::WindowWidth);
    const double height = readNumber(settings, keys::WindowHeight);

    const QRect bounds(twips::toPixels(left), twips::toPixels(top), twips::toPixels(width), twips::toPixels(height));
    if (!QGuiApplication::screens().isEmpty() && !onSomeScreen(bounds)) {
        const QPoint origin = QGuiApplication::primaryScreen()->availableGeometry().topLeft();
        left = origin.x() * twips::kPerPixel + 100;
        top = origin.y() * twips::kPerPixel + 100;
    }
    twips::setGeometry(&window, left, top, width, height);

    switch (settings.readIndex(keys::WindowState, 0, 2)) {
    case Minimised: window.setWindowState(Qt::WindowMinimized); break;
    case Maximised: window.setWindowState(Qt::WindowMaximized); break;
    default: window.setWindowState(Qt::WindowNoState); break;
    }
}

void SaveWindowSettings(const QWidget& window, const Settings& settings)
{
    const Qt::WindowStates states = window.windowState();
    const int state = (states & Qt::WindowMinimized) ? Minimised : (states & Qt::WindowMaximized) ? Maximised : Normal;
    settings.write(keys::WindowState, QString::number(state));
    if (state != Normal)
        return;
    auto text = [](double value) { return QString::number(static_cast<long long>(std::llround(value))); };
    settings.write(keys::WindowTop, text(twips::top(&window)));
    settings.write(keys::WindowLeft, text(twips::left(&window)));
    settings.write(keys::WindowWidth, text(twips::width(&window)));
    settings.write(keys::WindowHeight, text(twips::height(&window)));
}

} // namespace quillon::WindowPlacement
