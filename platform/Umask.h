#pragma once

namespace quillon {

// The process's file mode creation mask, as it was when the program started.
// The mask belongs to the whole process, so it is read once, before any thread
// starts, and never changed: a new file gets 0666 without these bits.
unsigned processUmask();

} // namespace quillon
