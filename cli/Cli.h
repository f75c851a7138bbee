#pragma once

#include "engine/run/ParallelRun.h"

#include <QStringList>
#include <QTextStream>

namespace quillon {

// What --version prints, its line end included.
extern const char kVersionLine[];

// quillon-tag without its main(): arguments without the program's name; the
// report goes to out, messages to err. Returns the exit status.
int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err);
// The same with other fetchers for remote pictures (one is made per transfer
// slot), and what gets them ready once before an online run.
int runCli(
    const QStringList& arguments, QTextStream& out, QTextStream& err,
    const ParallelRun::FetcherFactory& makeFetcher,
    const std::function<Status()>& startFetching = [] { return Status(); });

} // namespace quillon
