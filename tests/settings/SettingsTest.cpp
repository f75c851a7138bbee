#include "settings/SettingKeys.h"
#include "tests/support/TestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace quillon;
using namespace quillon::test;

// Text of any kind comes back from a later store as it was written; an absent
// key is the caller's default and reading it writes nothing.
TEST(SettingsStore, KeepsTextAsWrittenAndReadsAMissingOrDamagedFileAsDefaultsWithoutLoss)
{
    TempDir dir;
    const SettingsStore store(dir.path());
    EXPECT_EQ(store.ReadSetting(kApplication, kSection, "Online Mode", "x"), "x");
    EXPECT_FALSE(QFile::exists(store.fileFor(kApplication)));

    const QStringList values = { "", "  blanks at both ends  ", "/b, c/\"q\"/", "a;b=c # d", "[Quillon]",
        "100% ünïcödé", "two\nlines", "true" };
    for (const QString& value : values) {
        store.WriteSetting(kApplication, kSection, "Online Mode", value);
        EXPECT_EQ(SettingsStore(dir.path()).ReadSetting(kApplication, kSection, "Online Mode", "-"), value);
    }
    // Comparisons are exact: lower-case "true" is not "True".
    EXPECT_FALSE(Settings(store).isTrue(keys::OnlineMode));

    // A store whose folder is missing reads as defaults; a damaged file gives what
    // can still be read, is left alone by reads, and a write keeps those values.
    const Settings missing { SettingsStore(dir.file("not/there")) };
    EXPECT_EQ(missing.read(keys::BorderSizeIndex), "10");
    missing.write(keys::BorderSizeIndex, "3");
    EXPECT_EQ(missing.read(keys::BorderSizeIndex), "3");

    const Settings damaged(store);
    const QByteArray bytes = "\xff\xfe\x01junk\n[Quillon]\nSound=False\nno equals sign\nALT%20text=Hi\n[Quil";
    dir.write("Brambleworth Software.ini", bytes);
    EXPECT_EQ(damaged.read(keys::Sound), "False");
    EXPECT_EQ(dir.read("Brambleworth Software.ini"), bytes);
    damaged.write(keys::OnlineMode, "True");
    const Settings later { SettingsStore(dir.path()) };
    EXPECT_EQ(
        QStringList({ later.read(keys::Sound), later.read(keys::AltText), later.read(keys::OnlineMode) }),
        QStringList({ "False", "Hi", "True" }));
}
