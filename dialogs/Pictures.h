#pragma once

#include <QCursor>
#include <QPixmap>
#include <QString>

namespace quillon {

// The dialogs' pictures, compiled into this library: the About box's pictures
// and the hand over links. Safe to call more than once.
void loadDialogPictures();

// The drawing at resource path (":/pictures/...") at its own size, sharp on
// screens of any pixel ratio; a null pixmap when it cannot be read.
QPixmap drawnPicture(const QString& path);

// The pointer over links: the program's own drawn hand, pointing at the link
// with its fingertip; the system's pointing hand when the drawing is missing.
QCursor handCursor();

} // namespace quillon
