#pragma once

#include "engine/fetch/ImageFetcher.h"
#include "engine/run/RunObserver.h"
#include "engine/run/TaggingEngine.h"
#include "tests/support/Pictures.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>

namespace quillon::test {

// A folder with pictures of known sizes, an engine over it, and options to change.
class EngineTest : public ::testing::Test {
protected:
    EngineTest()
    {
        dir.write(QStringLiteral("a.gif"), makePicture(QStringLiteral("png"), 120, 60));
        dir.write(QStringLiteral("pics/logo.gif"), makePicture(QStringLiteral("gif"), 120, 60));
        dir.write(QStringLiteral("tall.png"), makePicture(QStringLiteral("png"), 50, 200));
        options.addBorder = false;
    }

    TaggingEngine& engine()
    {
        if (!m_engine) {
            m_engine = std::make_unique<TaggingEngine>([this] { return options; }, *fetcher);
            m_engine->setObserver(observer);
        }
        return *m_engine;
    }

    // The tag text after rewriting, for a document in the test folder.
    QString tag(const QString& text) { return engine().TagImage(text, html); }
    const ReportRow& lastRow() { return engine().report().rows().back(); }
    int total(Counter c) { return engine().report().counters().totalOf(c); }

    TempDir dir;
    QString html = dir.file(QStringLiteral("page.html"));
    TagOptions options;
    RefusingFetcher refusing;
    ImageFetcher* fetcher = &refusing; // set before the first engine() call
    RunObserver* observer = nullptr; // likewise

private:
    std::unique_ptr<TaggingEngine> m_engine;
};

} // namespace quillon::test
