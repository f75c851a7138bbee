#include "settings/SettingKeys.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::test::TempDir;

namespace {

const QString kApp = QString::fromUtf8(kApplication);
const QString kSec = QString::fromUtf8(kSection);

} // namespace

TEST(SettingsStore, AbsentKeyReadsAsTheCallersDefaultAndWritesNothing)
{
    TempDir dir;
    SettingsStore store(dir.path());
    EXPECT_EQ(store.ReadSetting(kApp, kSec, QStringLiteral("Online Mode"), QStringLiteral("False")),
        QStringLiteral("False"));
    EXPECT_EQ(store.ReadSetting(kApp, kSec, QStringLiteral("Online Mode"), QStringLiteral("x")),
        QStringLiteral("x"));
    EXPECT_FALSE(QFile::exists(store.fileFor(kApp)));
}

TEST(SettingsStore, ValuesPersistAcrossStoresAndAreExact)
{
    TempDir dir;
    {
        SettingsStore store(dir.path());
        store.WriteSetting(kApp, kSec, QStringLiteral("ALT text"), QString());
        store.WriteSetting(kApp, kSec, QStringLiteral("Online Mode"), QStringLiteral("true"));
        store.WriteSetting(kApp, kSec, QStringLiteral("Backup Path"), QStringLiteral("/b, c/\"q\"/"));
    }
    SettingsStore again(dir.path());
    // An empty value exists: the default is not used for it.
    EXPECT_EQ(
        again.ReadSetting(kApp, kSec, QStringLiteral("ALT text"), QStringLiteral("Quillon")), QString());
    EXPECT_EQ(again.ReadSetting(kApp, kSec, QStringLiteral("Backup Path"), QString()),
        QStringLiteral("/b, c/\"q\"/"));
    Settings settings(again);
    // Comparisons are exact: lower-case "true" is not "True".
    EXPECT_FALSE(settings.isTrue(keys::OnlineMode));
}

TEST(SettingsStore, FileIsReadableByAPerson)
{
    TempDir dir;
    Settings settings { SettingsStore(dir.path()) };
    settings.write(keys::GenerateBackups, QStringLiteral("False"));
    const QByteArray ini = test::slurp(settings.store().fileFor(kApp));
    EXPECT_TRUE(ini.contains("[Quillon]"));
    EXPECT_TRUE(ini.contains("Generate%20Backups=False") || ini.contains("Generate Backups=False"));
}

TEST(Settings, DefaultBackupFolderIsPerUserAndEndsInASeparator)
{
    TempDir dir;
    Settings settings { SettingsStore(dir.path()) };
    const QString path = settings.read(keys::BackupPath);
    EXPECT_EQ(path, defaultBackupPath());
    EXPECT_TRUE(path.endsWith(QStringLiteral("/backups/")));
    EXPECT_TRUE(path.startsWith(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
}

TEST(Settings, ForeignTextInANumericKeyReadsAsItsDefaultAndStaysStored)
{
    TempDir dir;
    Settings settings { SettingsStore(dir.path()) };
    settings.write(keys::BorderSizeIndex, QStringLiteral("abc"));
    EXPECT_EQ(settings.readIndex(keys::BorderSizeIndex, 0, 10), 10);
    EXPECT_EQ(settings.read(keys::BorderSizeIndex), QStringLiteral("abc"));
    settings.write(keys::BorderSizeIndex, QStringLiteral("42"));
    EXPECT_EQ(settings.readIndex(keys::BorderSizeIndex, 0, 10), 10);
    settings.write(keys::BorderSizeIndex, QStringLiteral("0"));
    EXPECT_EQ(settings.readIndex(keys::BorderSizeIndex, 0, 10), 0);
}
