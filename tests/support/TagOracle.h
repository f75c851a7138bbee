#pragma once

// What a correct tag scanner and rewriter leave behind, checked from the outside:
// the rules the property tests and the fuzz targets hold the engine to. Each check
// returns the first rule broken, in words, or nothing.

#include "engine/TagScanner.h"

#include <QRegularExpressionMatch>
#include <QString>
#include <QStringView>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace quillon::test {

using Problem = std::optional<std::string>;

template <typename... Parts> std::string say(const Parts&... parts)
{
    std::ostringstream out;
    (out << ... << parts);
    return out.str();
}

// Units shown in a failure message: printable ASCII as is, the rest escaped.
std::string visible(QStringView units, qsizetype limit = 400);

// Every tag the scanner finds in units, in order.
std::vector<ImgTag> scanImgTags(QStringView units);

// The img start tags a browser sees (not in comments, not in the text of script,
// style and the like), each from its "<" to the ">" that ends it: the oracle's own
// reading of HTML, written plainly, apart from the scanner's.
std::vector<std::pair<qsizetype, qsizetype>> visibleImageTags(QStringView t);

// The tags a browser sees and no other, each ending at the first ">" outside quotes,
// each inserting where HTML keeps new attributes apart from the old ones.
Problem scannerProblem(QStringView t, const std::vector<ImgTag>& tags);

// The clauses " WIDTH=n", " HEIGHT=n", " BORDER=n" and " ALT="..."" (on XML pages
// ' width="n"' and so on) found at an
// insertion point, in that order, each at most once. What follows an insertion point
// in the original (">", "/", blanks, or a name and "=" with no value) never reads as one.
struct Inserted {
    QRegularExpressionMatch clauses; // captures 1 to 4: the values of WIDTH, HEIGHT, BORDER and ALT
    qsizetype length = 0; // the clauses and the blank after them

    bool has(int clause) const { return clauses.capturedStart(clause) >= 0; }
};

// The text after a run must be the text before it with clauses inserted at the tags'
// insertion points, and a blank after them where a name or the "/" of "/>" follows.
// inserted gets what went in at each tag.
Problem insertionsOnly(
    QStringView before, const std::vector<ImgTag>& tags, QStringView after, std::vector<Inserted>& inserted);

// A tag's report row says "Success!" when clauses went in, and nothing else does,
// except an error after which the clauses added before it stay.
Problem rowProblem(bool changed, const QString& said);

// Whether the tags scanned again after a run (again) are not the tags before it
// moved by the clauses inserted.
bool tagsMoved(
    const std::vector<ImgTag>& tags, const std::vector<Inserted>& inserted, const std::vector<ImgTag>& again);

} // namespace quillon::test
