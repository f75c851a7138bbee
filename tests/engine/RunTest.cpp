#include "settings/SettingKeys.h"
#include "tests/engine/EngineFixture.h"

#include <algorithm>

namespace quillon::test {
namespace {

struct Recorder : RunObserver {
    void progressChanged(double value, double, const QString& text) override
    {
        values << value;
        texts << text;
    }
    void fileStarted(int, int, const QString&, const QString& line) override { files << line; }
    void runFinished() override { ++finished; }
    QList<double> values;
    QStringList texts, files;
    int finished = 0;
};

class TaggingRun : public EngineTest {
protected:
    TaggingRun()
    {
        options.generateBackups = false;
        observer = &recorder;
    }
    Recorder recorder;
};

TEST_F(TaggingRun, ProgressMovesWithinAPageAndTheEndClearsTheCurrentCounters)
{
    QByteArray longPage;
    for (int i = 0; i < 50; ++i)
        longPage += "<p>some words between the pictures</p><img src=a.gif>\n";
    engine().run(
        { dir.write(QStringLiteral("long.html"), longPage), dir.write(QStringLiteral("no.html"), "none"),
            dir.write(QStringLiteral("3.html"), "<img src=a.gif><img src=gone.gif>") });
    EXPECT_EQ(recorder.files,
        QStringList({ QStringLiteral("1 of 3 file in progress..."),
            QStringLiteral("2 of 3 file in progress..."), QStringLiteral("3 of 3 file in progress...") }));
    // Four steps a file; the long first page shows its way through.
    ASSERT_FALSE(recorder.values.isEmpty());
    EXPECT_EQ(recorder.values.front(), 0);
    EXPECT_TRUE(std::is_sorted(recorder.values.begin(), recorder.values.end()));
    EXPECT_TRUE(
        std::any_of(recorder.values.begin(), recorder.values.end(), [](double v) { return v > 1 && v < 2; }));
    EXPECT_TRUE(recorder.texts.contains(QStringLiteral("67% Complete.")));
    EXPECT_EQ(recorder.values.back(), 12);
    EXPECT_EQ(recorder.texts.back(), QStringLiteral("100% Complete."));
    EXPECT_EQ(recorder.finished, 1);
    const Counters& counters = engine().report().counters();
    EXPECT_EQ(counters.total, (std::array<int, 3> { 52, 51, 1 }));
    EXPECT_EQ(counters.current, (std::array<int, 3> {}));

    engine().ClearStatus();
    EXPECT_TRUE(engine().report().rows().isEmpty());
    EXPECT_EQ(engine().report().counters(), Counters());
    EXPECT_EQ(engine().progressValue(), 0);
}

TEST(TagOptionsFromSettings, EveryStoredKeyIsRead)
{
    TempDir dir;
    const Settings settings { SettingsStore(dir.path()) };
    const TagOptions fresh = TagOptions::fromSettings(settings);
    EXPECT_TRUE(fresh.addBorder && fresh.generateBackups && fresh.makeBackupFolder);
    EXPECT_EQ(fresh.backupPath, defaultBackupPath());
    const std::pair<SettingKey, QString> stored[] = {
        { keys::OnlineMode, QStringLiteral("True") },
        { keys::BorderReact, QStringLiteral("1") },
        { keys::BorderSizeIndex, QStringLiteral("0") },
        { keys::AltReact, QStringLiteral("2") },
        { keys::AltTextIndex, QStringLiteral(" 1.0 ") },
        { keys::AltText, QStringLiteral("Hi") },
        { keys::GenerateBackups, QStringLiteral("False") },
        { keys::BackupMode, QStringLiteral("Global") },
        { keys::BackupPath, dir.path() },
    };
    for (const auto& [key, value] : stored)
        settings.write(key, value);
    const TagOptions read = TagOptions::fromSettings(settings);
    EXPECT_TRUE(read.online && read.addAlt && read.globalBackups);
    EXPECT_FALSE(read.addBorder || read.generateBackups || read.makeBackupFolder);
    EXPECT_EQ(read.borderSize, QStringLiteral("0"));
    EXPECT_EQ(read.altTextIndex, 1.0);
    EXPECT_EQ(read.altText, QStringLiteral("Hi"));
    EXPECT_EQ(read.backupPath, dir.path() + u'/');
}

} // namespace
} // namespace quillon::test
