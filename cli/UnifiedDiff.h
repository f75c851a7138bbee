#pragma once

#include <QByteArray>
#include <QString>

namespace quillon {

// The change from before to after as a unified diff ("diff -u"), naming the file
// as name on both sides, with three lines of context. Empty when nothing changed.
QByteArray unifiedDiff(const QString& name, const QByteArray& before, const QByteArray& after);

} // namespace quillon
