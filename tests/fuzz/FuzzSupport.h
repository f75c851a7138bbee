#pragma once

// What both fuzz targets share: Qt set up once, a folder in memory with pictures
// of known sizes, the options an input runs with, and the way a broken rule ends
// the process so that libFuzzer keeps the input.

#include "engine/ImageFetcher.h"
#include "engine/TagOptions.h"

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <string>

namespace quillon::fuzz {

// Qt's application object, made on the first call.
void startQt();

// A private folder on tmpfs, made once per process and removed at exit, holding
// a.gif (120x60), b.png (7x3) and pics/c.gif (9x5).
struct FuzzFolder {
    QString path;
    QString page; // path/page.html: where documents are written
};
const FuzzFolder& fuzzFolder();

// The options an input runs with, picked by a hash of its bytes so that every
// input always runs the same way and the options are explored with the inputs.
// Backups are off.
TagOptions optionsFor(QByteArrayView input);

// Remote pictures are refused; fetching them is not what these targets are about.
class RefusingFetcher : public ImageFetcher {
public:
    Status fetch(const QString& address, const QString& targetPath) override;
};

// Prints the rule broken and the input, then aborts: libFuzzer saves the input as a crash.
[[noreturn]] void broken(const std::string& problem, QByteArrayView input);

// Each target's oracle: the first rule input breaks, or nothing. The entry
// points libFuzzer calls (in FuzzSupport.cpp) run it on every input.
std::optional<std::string> problemWith(QByteArrayView input);

} // namespace quillon::fuzz
