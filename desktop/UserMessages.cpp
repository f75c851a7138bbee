#include "desktop/UserMessages.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QScopeGuard>

namespace quillon {

MessageAnswer DesktopMessages::show(
    QWidget* parent, const QString& title, const QString& text, MessageIcon icon, MessageButtons buttons)
{
    // A message box under the busy pointer looks as though it cannot be
    // answered: the ordinary pointer while it waits, the busy one after.
    const QCursor* pointer = QApplication::overrideCursor();
    const bool busy = pointer != nullptr;
    const Qt::CursorShape busyShape = busy ? pointer->shape() : Qt::ArrowCursor;
    if (busy)
        QApplication::restoreOverrideCursor();
    const auto putBack = qScopeGuard([busy, busyShape] {
        if (busy)
            QApplication::setOverrideCursor(busyShape);
    });
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

void DesktopMessages::beep()
{
    QApplication::beep();
}

} // namespace quillon
