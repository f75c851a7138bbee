#include "settings/SettingKeys.h"
#include "tests/engine/EngineFixture.h"

#include <algorithm>

namespace quillon::test {
namespace {

using namespace Qt::StringLiterals;

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
    engine().run({ dir.write(u"long.html"_s, longPage), dir.write(u"no.html"_s, "none"),
        dir.write(u"3.html"_s, "<img src=a.gif><img src=gone.gif>") });
    EXPECT_EQ(recorder.files,
        QStringList({ u"1 of 3 file in progress..."_s, u"2 of 3 file in progress..."_s,
            u"3 of 3 file in progress..."_s }));
    // Four steps a file; the long first page shows its way through.
    ASSERT_FALSE(recorder.values.isEmpty());
    EXPECT_EQ(recorder.values.front(), 0);
    EXPECT_TRUE(std::is_sorted(recorder.values.begin(), recorder.values.end()));
    EXPECT_TRUE(
        std::any_of(recorder.values.begin(), recorder.values.end(), [](double v) { return v > 1 && v < 2; }));
    EXPECT_TRUE(recorder.texts.contains(u"67% Complete."_s));
    EXPECT_EQ(recorder.values.back(), 12);
    EXPECT_EQ(recorder.texts.back(), u"100% Complete."_s);
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
    const std::pair<SettingKey, QString> stored[] = { { keys::OnlineMode, u"True"_s },
        { keys::BorderReact, u"1"_s }, { keys::BorderSizeIndex, u"0"_s }, { keys::AltReact, u"2"_s },
        { keys::AltTextIndex, u" 1.0 "_s }, { keys::AltText, u"Hi"_s }, { keys::GenerateBackups, u"False"_s },
        { keys::BackupMode, u"Global"_s }, { keys::BackupPath, dir.path() } };
    for (const auto& [key, value] : stored)
        settings.write(key, value);
    const TagOptions read = TagOptions::fromSettings(settings);
    EXPECT_TRUE(read.online && read.addAlt && read.globalBackups);
    EXPECT_FALSE(read.addBorder || read.generateBackups || read.makeBackupFolder);
    EXPECT_EQ(read.borderSize, u"0"_s);
    EXPECT_EQ(read.altTextIndex, 1.0);
    EXPECT_EQ(read.altText, u"Hi"_s);
    EXPECT_EQ(read.backupPath, dir.path() + u'/');
}

} // namespace
} // namespace quillon::test
