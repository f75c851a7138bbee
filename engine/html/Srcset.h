#pragma once

#include <QStringView>

#include <optional>

namespace quillon {

// The address of the first image candidate of a srcset value, read as browsers
// read the attribute: candidates apart by commas, each an address with perhaps a
// density ("2x") or a width ("800w"). A candidate whose descriptors make no sense
// ("2x 3x", "big", "0w") is passed over, as browsers drop it. None when no
// candidate is left.
std::optional<QStringView> firstSrcsetCandidate(QStringView srcset);

} // namespace quillon
