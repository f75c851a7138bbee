#include "mainwindow/OptionsPage.h"
#include "settings/SettingKeys.h"
#include "tests/support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
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

// Every key the page reads or writes.
const SettingKey PageKeys[] = {
    keys::GenerateBackups,
    keys::BackupMode,
    keys::Sound,
    keys::OnlineMode,
    keys::BorderReact,
    keys::BorderSizeIndex,
    keys::AltReact,
    keys::AltTextIndex,
};

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
    QMap<QString, QString> everyKey() const
    {
        QMap<QString, QString> all;
        for (const SettingKey& key : PageKeys)
            all.insert(QString::fromUtf8(key.name), stored(key));
        return all;
    }
    QByteArray iniBytes() const { return slurp(settings.store().fileFor(QString::fromUtf8(kApplication))); }

    TempDir tmp;
    Settings settings { SettingsStore(tmp.path()) };
    OptionsPage page { settings };
};

TEST_F(OptionsPageTest, FreshStoreShowsTheDefaultsAndStoresWhatItShows)
{
    page.PageLoad();

    EXPECT_TRUE(page.optOffline->isChecked());
    EXPECT_FALSE(page.optOnline->isChecked());
    EXPECT_TRUE(page.optAlt1->isChecked());
    EXPECT_FALSE(page.cmdEdit->isEnabled());
    EXPECT_TRUE(page.optBorder2->isChecked());
    EXPECT_EQ(page.lstBorderSize->currentText(), "10");
    EXPECT_EQ(page.cboAltText->currentText(), "Image Name");
    EXPECT_TRUE(page.chkSound->isChecked());
    EXPECT_TRUE(page.chkGenerateBackups->isChecked());
    EXPECT_FALSE(page.chkBackupSame->isChecked());
    EXPECT_TRUE(page.chkBackupSame->isEnabled());
    EXPECT_FALSE(page.cmdBackupPath->isEnabled());

    const QMap<QString, QString> expected {
        { "Generate Backups", "True" },
        { "Sound", "True" },
        { "Online Mode", "False" },
        { "BORDER React", "2" },
        { "ALT React", "1" },
        { "BORDER Size Index", "10" },
        { "ALT Text Index", "0" },
        { "Backup Mode", Absent },
    };
    EXPECT_EQ(everyKey(), expected);
}

TEST_F(OptionsPageTest, OpeningAgainWritesNothing)
{
    page.PageLoad();
    const QByteArray first = iniBytes();
    page.PageLoad();
    EXPECT_EQ(iniBytes(), first);

    // Texts the page shows like the ones it writes but never writes itself: a
    // load that wrote anything would put its own text in their place.
    settings.write(keys::OnlineMode, "no");
    settings.write(keys::BorderReact, "7");
    const QByteArray edited = iniBytes();
    page.PageLoad();
    page.PageLoad();
    EXPECT_EQ(iniBytes(), edited);
    EXPECT_TRUE(page.optOffline->isChecked());
    EXPECT_TRUE(page.optBorder2->isChecked());
}

TEST_F(OptionsPageTest, ForeignListTextShowsTheDefaultAndStaysInTheStore)
{
    settings.write(keys::BorderSizeIndex, "abc");
    settings.write(keys::AltTextIndex, "1.5");
    page.PageLoad();
    EXPECT_EQ(page.lstBorderSize->currentText(), "10");
    EXPECT_EQ(page.cboAltText->currentText(), "Image Name");
    EXPECT_EQ(stored(keys::BorderSizeIndex), "abc");
    EXPECT_EQ(stored(keys::AltTextIndex), "1.5");

    // The user's own choice replaces it.
    QTest::keyClick(page.lstBorderSize, Qt::Key_Up);
    EXPECT_EQ(stored(keys::BorderSizeIndex), "9");
}

TEST_F(OptionsPageTest, StoredChoicesAreShown)
{
    settings.write(keys::GenerateBackups, "False");
    settings.write(keys::BackupMode, "Global");
    settings.write(keys::Sound, "False");
    settings.write(keys::OnlineMode, "True");
    settings.write(keys::BorderReact, "1");
    settings.write(keys::BorderSizeIndex, "3");
    settings.write(keys::AltReact, "2");
    settings.write(keys::AltTextIndex, "1");
    page.PageLoad();

    EXPECT_FALSE(page.chkGenerateBackups->isChecked());
    EXPECT_TRUE(page.chkBackupSame->isChecked());
    EXPECT_FALSE(page.chkBackupSame->isEnabled());
    EXPECT_TRUE(page.cmdBackupPath->isEnabled());
    EXPECT_FALSE(page.chkSound->isChecked());
    EXPECT_TRUE(page.optOnline->isChecked());
    EXPECT_TRUE(page.optBorder1->isChecked());
    EXPECT_EQ(page.lstBorderSize->currentText(), "3");
    EXPECT_TRUE(page.optAlt2->isChecked());
    EXPECT_TRUE(page.cmdEdit->isEnabled());
    EXPECT_EQ(page.cboAltText->currentText(), "Custom");
}

// Each control writes its own key and no other.
TEST_F(OptionsPageTest, EachControlStoresItsOwnKey)
{
    page.PageLoad();
    struct Case {
        const char* what;
        std::function<void()> act;
        SettingKey key;
        QString value;
    };
    auto click
        = [](QAbstractButton* button) { return [button] { QTest::mouseClick(button, Qt::LeftButton); }; };
    auto key = [](QWidget* widget, Qt::Key k) { return [widget, k] { QTest::keyClick(widget, k); }; };
    const Case cases[] = {
        { "online", click(page.optOnline), keys::OnlineMode, "True" },
        { "offline", click(page.optOffline), keys::OnlineMode, "False" },
        { "ALT=", click(page.optAlt2), keys::AltReact, "2" },
        { "ALT do nothing", click(page.optAlt1), keys::AltReact, "1" },
        { "ALT custom", key(page.cboAltText, Qt::Key_Down), keys::AltTextIndex, "1" },
        { "ALT image name", key(page.cboAltText, Qt::Key_Up), keys::AltTextIndex, "0" },
        { "BORDER do nothing", click(page.optBorder1), keys::BorderReact, "1" },
        { "BORDER=", click(page.optBorder2), keys::BorderReact, "2" },
        { "border size", key(page.lstBorderSize, Qt::Key_Up), keys::BorderSizeIndex, "9" },
        { "sound off", click(page.chkSound), keys::Sound, "False" },
        { "sound on", click(page.chkSound), keys::Sound, "True" },
        { "backups off", click(page.chkGenerateBackups), keys::GenerateBackups, "False" },
        { "backups on", click(page.chkGenerateBackups), keys::GenerateBackups, "True" },
        { "global backups", click(page.chkBackupSame), keys::BackupMode, "Global" },
        { "backups beside", click(page.chkBackupSame), keys::BackupMode, "Normal" },
    };
    for (const Case& c : cases) {
        QMap<QString, QString> expected = everyKey();
        expected.insert(QString::fromUtf8(c.key.name), c.value);
        c.act();
        EXPECT_EQ(everyKey(), expected) << c.what;
    }
}

TEST_F(OptionsPageTest, BackupsOffDisablesTheGlobalTickButKeepsItAndTheButton)
{
    page.PageLoad();
    QTest::mouseClick(page.chkBackupSame, Qt::LeftButton);
    ASSERT_TRUE(page.cmdBackupPath->isEnabled());

    QTest::mouseClick(page.chkGenerateBackups, Qt::LeftButton);
    EXPECT_FALSE(page.chkBackupSame->isEnabled());
    EXPECT_TRUE(page.chkBackupSame->isChecked());
    EXPECT_TRUE(page.cmdBackupPath->isEnabled());
    EXPECT_EQ(stored(keys::BackupMode), "Global");

    QTest::mouseClick(page.chkGenerateBackups, Qt::LeftButton);
    EXPECT_TRUE(page.chkBackupSame->isEnabled());
    QTest::mouseClick(page.chkBackupSame, Qt::LeftButton);
    EXPECT_FALSE(page.cmdBackupPath->isEnabled());

    // Turning backups off with the tick away leaves the button off too.
    QTest::mouseClick(page.chkGenerateBackups, Qt::LeftButton);
    EXPECT_FALSE(page.cmdBackupPath->isEnabled());
    EXPECT_FALSE(page.chkBackupSame->isChecked());
}

TEST_F(OptionsPageTest, EditFollowsTheAltChoiceAndNotTheTextList)
{
    page.PageLoad();
    ASSERT_TRUE(page.optAlt1->isChecked());
    QTest::keyClick(page.cboAltText, Qt::Key_Down);
    EXPECT_EQ(page.cboAltText->currentText(), "Custom");
    EXPECT_FALSE(page.cmdEdit->isEnabled());
    EXPECT_TRUE(page.optAlt1->isChecked());

    QTest::mouseClick(page.optAlt2, Qt::LeftButton);
    EXPECT_TRUE(page.cmdEdit->isEnabled());
    QTest::keyClick(page.cboAltText, Qt::Key_Up);
    EXPECT_EQ(page.cboAltText->currentText(), "Image Name");
    EXPECT_TRUE(page.cmdEdit->isEnabled());
    EXPECT_TRUE(page.optAlt2->isChecked());

    QTest::mouseClick(page.optAlt1, Qt::LeftButton);
    EXPECT_FALSE(page.cmdEdit->isEnabled());
}

} // namespace
