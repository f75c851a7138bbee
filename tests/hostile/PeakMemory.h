#pragma once

#include <sys/resource.h>

namespace quillon::test {

// The most memory this process (RUSAGE_SELF) or its ended children
// (RUSAGE_CHILDREN) have held at once so far, in KiB.
inline long peakResidentKiB(int who)
{
    rusage usage {};
    return getrusage(who, &usage) == 0 ? usage.ru_maxrss : -1;
}

// AddressSanitizer keeps freed memory aside and maps shadow memory, so resident
// sizes say nothing about the program under it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kMemoryIsMeasurable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kMemoryIsMeasurable = false;
#else
inline constexpr bool kMemoryIsMeasurable = true;
#endif
#else
inline constexpr bool kMemoryIsMeasurable = true;
#endif

} // namespace quillon::test
