#pragma once

#include <QPointer>
#include <QWidget>

namespace quillon {

// Shows window and puts it in front of the others, as the dialogs do with the
// main window when they are done. A window already gone is left alone.
inline void bringToFront(const QPointer<QWidget>& window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace quillon
