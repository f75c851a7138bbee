#pragma once

#include <optional>

namespace quillon {

// True when a network interface other than loopback is up and has an address;
// nothing when the interfaces cannot be listed at all.
std::optional<bool> IsOnline();

} // namespace quillon
