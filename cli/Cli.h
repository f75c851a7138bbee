#pragma once

#include <QStringList>
#include <QTextStream>

namespace quillon {

class ImageFetcher;

// quillon-tag without its main(): arguments without the program's name; the
// report goes to out, messages to err. Returns the exit status.
int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err);
// The same with another fetcher for remote pictures.
int runCli(const QStringList& arguments, QTextStream& out, QTextStream& err, ImageFetcher& fetcher);

} // namespace quillon
