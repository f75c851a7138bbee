#pragma once

#include "tests/cli/ToolRun.h"

#include <QFile>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillon::test {

// How a run of quillon-tag ended, and the most memory it held at once.
struct MeasuredOutcome {
    int exitCode = -1; // -1 when it crashed or did not end in time
    qint64 peakBytes = 0; // its largest resident set
};

// Runs quillon-tag with its output going to outFile, and measures its peak
// memory from the kernel's account of the ended process. A run that has not
// ended after timeoutSeconds is killed: a hang fails instead of blocking.
inline MeasuredOutcome quillonTagMeasured(
    const QStringList& arguments, const QString& outFile, int timeoutSeconds = 120)
{
    const QByteArray program = QFile::encodeName(quillonTagPath());
    QList<QByteArray> encoded { program };
    for (const QString& argument : arguments)
        encoded.append(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = QFile::encodeName(outFile);
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    MeasuredOutcome outcome;
    if (spawned != 0)
        return outcome;

    int status = 0;
    struct rusage usage { };
    for (int waited = 0;; waited += 50) {
        const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        if (done < 0)
            return outcome;
        if (waited > timeoutSeconds * 1000) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &status, 0, &usage);
            return outcome;
        }
        QThread::msleep(50);
    }
    outcome.peakBytes = qint64(usage.ru_maxrss) * 1024;
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// True when the tests were built with AddressSanitizer, whose shadow memory and
// slower reading call for smaller documents.
constexpr bool underAddressSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

} // namespace quillon::test
