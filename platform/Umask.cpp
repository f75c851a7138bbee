#include "platform/Umask.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#endif

namespace quillon {

namespace {

#ifdef Q_OS_UNIX
// Linux tells the mask without changing it; elsewhere it is set and put back,
// which is safe only while one thread runs.
unsigned readUmask()
{
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::strncmp(line, "Umask:", 6) == 0 && std::sscanf(line + 6, "%o", &mask) == 1;
        std::fclose(status);
        if (found)
            return mask & 0777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask & 0777;
}
#else
unsigned readUmask()
{
    return 0;
}
#endif

// Read while the program starts, before main and so before any thread.
[[maybe_unused]] const unsigned startupUmask = processUmask();

} // namespace

unsigned processUmask()
{
    static const unsigned mask = readUmask();
    return mask;
}

} // namespace quillon
