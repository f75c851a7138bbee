#pragma once

#include <QApplication>
#include <QCursor>

namespace quillon {

// Shows the busy pointer for as long as it lives, so that every way out of a
// long operation, early returns included, puts the ordinary pointer back.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace quillon
