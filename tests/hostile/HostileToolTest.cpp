// The real quillon-tag, online, over a page that names every hostile server
// that answers within its own limits: each is an error row, the good pictures
// after them are tagged, the page is written whole, and memory stays bounded.
// Stalling servers take quillon-tag's full time-outs and are met at engine
// level instead.

#include "engine/StatusTexts.h"
#include "tests/cli/ToolRun.h"
#include "tests/hostile/HostileAnswers.h"
#include "tests/hostile/PeakMemory.h"
#include "tests/hostile/RawServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <iostream>

namespace quillon {
namespace {

using test::HostileAnswer;

TEST(HostileServersThroughQuillonTag, EachIsAnErrorRowAndTheRunGoesOnInBoundedMemory)
{
    qputenv("no_proxy", "127.0.0.1,localhost");
    qputenv("NO_PROXY", "127.0.0.1,localhost");
    test::TempDir dir;
    test::RawServer server;
    const std::vector<HostileAnswer> answers = test::serveHostileAnswers(server);

    QByteArray page = "<p>Pictures from everywhere</p>\n";
    QByteArray tagged = page;
    QStringList rows;
    const QString document = dir.file(QStringLiteral("hostile.html"));
    const auto tag = [&](const QString& path, const QString& status, const QByteArray& added = {}) {
        const QByteArray img = "<IMG SRC=\"" + server.url(path).toUtf8() + "\" alt=x";
        page += img + ">\n";
        tagged += img + added + ">\n";
        rows << QStringLiteral("%1\t%2\t%3").arg(document, server.url(path), status);
    };
    int errors = 0;
    for (const HostileAnswer& answer : answers) {
        if (!answer.stalls) {
            // quillon-tag wants only each picture's start
            tag(answer.path,
                status::downloadFailed(static_cast<int>(answer.headerOnlyCode.value_or(answer.code))));
            ++errors;
        }
    }
    tag(QStringLiteral("/gif-max.gif"), status::Success, " WIDTH=65535 HEIGHT=65535");
    tag(QStringLiteral("/endless-picture.png"), status::Success, " WIDTH=7 HEIGHT=5");
    tag(QStringLiteral("/good.png"), status::Success, " WIDTH=7 HEIGHT=5");
    dir.write(QStringLiteral("hostile.html"), page);

    const long before = test::peakResidentKiB(RUSAGE_CHILDREN);
    const test::Outcome run = test::quillonTag({ QStringLiteral("--online"), QStringLiteral("--no-backup"),
        QStringLiteral("--no-border"), document });
    const long peak = test::peakResidentKiB(RUSAGE_CHILDREN);

    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    const QStringList lines = run.text().split(u'\n', Qt::SkipEmptyParts);
    for (const QString& row : rows)
        EXPECT_TRUE(lines.contains(row)) << row.toStdString() << "\nin:\n" << run.text().toStdString();
    EXPECT_EQ(lines.value(lines.size() - 1),
        QStringLiteral("Found %1, Tagged 3, Errors %2").arg(rows.size()).arg(errors));
    EXPECT_EQ(test::slurp(document), tagged);
    // Redirects are followed ten times and no further.
    EXPECT_EQ(server.hits(QStringLiteral("/loop")), 11);

    // The figure is kept in the test's report; the bound holds wherever
    // resident sizes mean something.
    std::cout << "quillon-tag peak resident size: " << peak << " KiB\n";
    ::testing::Test::RecordProperty("QuillonTagPeakKiB", static_cast<int>(peak));
    if (test::kMemoryIsMeasurable && peak > before) {
        EXPECT_LT(peak, 128 * 1024) << "quillon-tag held " << peak << " KiB at once";
    }
}

} // namespace
} // namespace quillon
