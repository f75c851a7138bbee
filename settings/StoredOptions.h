#pragma once

#include "engine/run/TagOptions.h"

namespace quillon {

class Settings;

// The options of a run as the desktop program has stored them.
TagOptions tagOptionsFromSettings(const Settings& settings);

} // namespace quillon
