#include "mainwindow/OptionsPage.h"
#include "settings/SettingKeys.h"
#include "tests/support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMap>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace quillon;
using quillon::test::slurp;
using quillon::test::TempDir;

namespace {

const QString Absent = QStringLiteral("<absent>");

std::function<void()> click(QAbstractButton* button)
{
    return [button] { QTest::mouseClick(button, Qt::LeftButton); };
}
std::function<void()> press(QWidget* widget, Qt::Key key)
{
    return [widget, key] { QTest::keyClick(widget, key); };
}

class OptionsPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        page.resize(640, 480);
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }

    // The text in the store, Absent when the key was never written.
    QString stored(const SettingKey& key) const
    {
        return settings.store().ReadSetting(QString::fromUtf8(kApplication), QString::fromUtf8(kSection),
            QString::fromUtf8(key.name), Absent);
    }
    // Every key the page reads or writes, with its stored text.
    QMap<QString, QString> everyKey() const
    {
        QMap<QString, QString> all;
        for (const SettingKey& key : { keys::GenerateBackups, keys::BackupMode, keys::Sound, keys::OnlineMode,
                 keys::BorderReact, keys::BorderSizeIndex, keys::AltReact, keys::AltTextIndex })
            all.insert(QString::fromUtf8(key.name), stored(key));
        return all;
    }
    // The ticked boxes and options by name, then the two lists' texts.
    QStringList shown() const
    {
        QStringList all;
        for (const QAbstractButton* button : page.findChildren<QAbstractButton*>()) {
            if (button->isChecked())
                all.append(button->objectName());
        }
        return all << page.lstBorderSize->currentText() << page.cboAltText->currentText();
    }
    // 1 or 0: the global backups tick enabled, ticked; the backup folder button, Edit enabled.
    QList<int> enabling() const
    {
        return { page.chkBackupSame->isEnabled(), page.chkBackupSame->isChecked(),
            page.cmdBackupPath->isEnabled(), page.cmdEdit->isEnabled() };
    }
    QByteArray iniBytes() const { return slurp(settings.store().fileFor(QString::fromUtf8(kApplication))); }

    TempDir tmp;
    Settings settings { SettingsStore(tmp.path()) };
    OptionsPage page { settings };
};

// Loading shows what the store holds, or each key's one default, and writes
// nothing: what the page shows on a fresh store is what a run reads.
TEST_F(OptionsPageTest, LoadShowsTheStoredChoicesAndWritesNothing)
{
    page.PageLoad();
    EXPECT_EQ(shown(),
        QStringList(
            { "chkSound", "chkGenerateBackups", "optOffline", "optBorder2", "optAlt1", "10", "Image Name" }));
    EXPECT_EQ(enabling(), QList<int>({ 1, 0, 0, 0 }));
    EXPECT_FALSE(QFile::exists(settings.store().fileFor(QString::fromUtf8(kApplication))));

    for (const auto& [key, value] :
        { std::pair(keys::GenerateBackups, "False"), { keys::BackupMode, "Global" }, { keys::Sound, "False" },
            { keys::OnlineMode, "True" }, { keys::BorderReact, "1" }, { keys::BorderSizeIndex, "3" },
            { keys::AltReact, "2" }, { keys::AltTextIndex, "1" } })
        settings.write(key, value);
    const QByteArray written = iniBytes();
    page.PageLoad();
    EXPECT_EQ(shown(), QStringList({ "chkBackupSame", "optOnline", "optBorder1", "optAlt2", "3", "Custom" }));
    EXPECT_EQ(enabling(), QList<int>({ 0, 1, 1, 1 }));
    EXPECT_EQ(iniBytes(), written);
}

TEST_F(OptionsPageTest, ForeignTextShowsTheDefaultAndStaysAndOpeningAgainWritesNothing)
{
    settings.write(keys::BorderSizeIndex, "abc");
    settings.write(keys::AltTextIndex, "1.5");
    page.PageLoad();
    EXPECT_EQ(page.lstBorderSize->currentText(), "10");
    EXPECT_EQ(page.cboAltText->currentText(), "Image Name");
    EXPECT_EQ(stored(keys::BorderSizeIndex), "abc");
    EXPECT_EQ(stored(keys::AltTextIndex), "1.5");

    // Texts the page shows like the ones it writes but never writes itself: a
    // load that wrote anything would put its own text in their place.
    settings.write(keys::OnlineMode, "no");
    settings.write(keys::BorderReact, "7");
    const QByteArray edited = iniBytes();
    page.PageLoad();
    EXPECT_EQ(iniBytes(), edited);

    // The user's own choice replaces the foreign text.
    QTest::keyClick(page.lstBorderSize, Qt::Key_Up);
    EXPECT_EQ(stored(keys::BorderSizeIndex), "9");
}

// Each control writes its own key and no other. Backups off disables the
// global tick but keeps it and its button; Edit follows the ALT choice and not
// the text list.
TEST_F(OptionsPageTest, EachControlStoresItsOwnKeyAndEnablesWhatDependsOnIt)
{
    page.PageLoad();
    const struct {
        const char* what;
        std::function<void()> act;
        SettingKey key;
        QString value;
        QList<int> enabling;
    } steps[] = {
        { "online", click(page.optOnline), keys::OnlineMode, "True", { 1, 0, 0, 0 } },
        { "offline", click(page.optOffline), keys::OnlineMode, "False", { 1, 0, 0, 0 } },
        { "ALT custom", press(page.cboAltText, Qt::Key_Down), keys::AltTextIndex, "1", { 1, 0, 0, 0 } },
        { "ALT=", click(page.optAlt2), keys::AltReact, "2", { 1, 0, 0, 1 } },
        { "ALT image name", press(page.cboAltText, Qt::Key_Up), keys::AltTextIndex, "0", { 1, 0, 0, 1 } },
        { "ALT do nothing", click(page.optAlt1), keys::AltReact, "1", { 1, 0, 0, 0 } },
        { "BORDER do nothing", click(page.optBorder1), keys::BorderReact, "1", { 1, 0, 0, 0 } },
        { "BORDER=", click(page.optBorder2), keys::BorderReact, "2", { 1, 0, 0, 0 } },
        { "border size", press(page.lstBorderSize, Qt::Key_Up), keys::BorderSizeIndex, "9", { 1, 0, 0, 0 } },
        { "sound off", click(page.chkSound), keys::Sound, "False", { 1, 0, 0, 0 } },
        { "sound on", click(page.chkSound), keys::Sound, "True", { 1, 0, 0, 0 } },
        { "global backups", click(page.chkBackupSame), keys::BackupMode, "Global", { 1, 1, 1, 0 } },
        { "backups off", click(page.chkGenerateBackups), keys::GenerateBackups, "False", { 0, 1, 1, 0 } },
        { "backups on", click(page.chkGenerateBackups), keys::GenerateBackups, "True", { 1, 1, 1, 0 } },
        { "backups beside", click(page.chkBackupSame), keys::BackupMode, "Normal", { 1, 0, 0, 0 } },
        { "backups off again", click(page.chkGenerateBackups), keys::GenerateBackups, "False",
            { 0, 0, 0, 0 } },
    };
    for (const auto& step : steps) {
        QMap<QString, QString> expected = everyKey();
        expected.insert(QString::fromUtf8(step.key.name), step.value);
        step.act();
        EXPECT_EQ(everyKey(), expected) << step.what;
        EXPECT_EQ(enabling(), step.enabling) << step.what;
    }
}

} // namespace
