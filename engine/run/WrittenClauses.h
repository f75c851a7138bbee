#pragma once

#include <QByteArray>

namespace quillon {

// True when page holds exactly backup's bytes with nothing changed but what a
// tagging run writes: WIDTH=, HEIGHT=, BORDER= and ALT= clauses added at an
// image tag's insertion point (as " WIDTH=120" or as ' width="120"'), WIDTH=
// and HEIGHT= added to the source tags of a picture, and a height's digits
// corrected in place. Any other difference, and any doubt, and they differ:
// the backup is then not the page as it was before it was tagged.
bool onlyWrittenClausesDiffer(const QByteArray& backup, const QByteArray& page);

} // namespace quillon
