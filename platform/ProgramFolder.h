#pragma once

#include <QString>

namespace quillon {

// The folder of the running executable, without a separator at its end
// (except at the root). Nothing is ever written there.
QString programFolder();

// The read-only file name that ships with the program (done.wav, the help page,
// pictures): found in data/ beside the executable in the build tree, or in the
// installation's share/quillon/ folder. Empty when neither holds it.
QString findDataFile(const QString& name);

// The per-user folder where the program keeps files of its own (the default
// global backup folder lives here). Not created by this call.
QString userDataFolder();

} // namespace quillon
