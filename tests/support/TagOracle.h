#pragma once

// What a correct document pass leaves behind, checked from the outside: the rules
// the property test and the fuzz target hold the engine to.

#include "engine/run/TagOptions.h"
#include "tests/support/TestSupport.h"

#include <QByteArrayView>

#include <optional>
#include <string>

namespace quillon::test {

using Problem = std::optional<std::string>;

// The options a case runs with, spread over every choice by the bits given.
// Backups are off: they are no part of what is checked here.
TagOptions optionsFrom(quint32 bits);

// A folder holding a.gif (120x60) and b.png (7x3) beside the page it tags.
class PassOracle {
public:
    PassOracle();

    // Tags bytes as a page, twice, and names the first rule the engine breaks:
    // - the image tags are those a browser sees, read by the oracle's own rule and
    //   not by the engine's scanner: none in comments, in script, style, textarea
    //   and their like, or in quoted values; each runs from an "<img" to the first
    //   ">" outside quotes, and new clauses go before the ">", before the "/" of
    //   "/>", or before a last "name=";
    // - the page is its old text with WIDTH, HEIGHT, BORDER and ALT clauses inserted
    //   at those points, kept apart by a blank, in the page's own encoding;
    // - one row per tag, "Success!" only for a tag that got clauses, and clauses
    //   without "Success!" only after an error; Tagged counts the tags that changed;
    //   a.gif and b.png with no size given get their true size;
    // - the clauses move the tags and change nothing else; a second pass adds nothing.
    // A page with a <picture> is held to the last rule only.
    Problem check(QByteArrayView bytes, const TagOptions& options) const;

private:
    TempDir m_dir;
};

} // namespace quillon::test
