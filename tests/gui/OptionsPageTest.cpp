#include "mainwindow/OptionsPage.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestSupport.h"

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <functional>

using namespace quillon;
using namespace quillon::test;

namespace {

class OptionsPageTest : public ::testing::Test {
protected:
    // Every key the page reads or writes, with its stored text ("-" for none).
    QMap<QString, QString> stored() const
    {
        QMap<QString, QString> all;
        for (const SettingKey& key : { keys::GenerateBackups, keys::BackupMode, keys::Sound, keys::OnlineMode,
                 keys::BorderReact, keys::BorderSizeIndex, keys::AltReact, keys::AltTextIndex })
            all.insert(key.name, settings.store().ReadSetting(kApplication, kSection, key.name, "-"));
        return all;
    }

    template <typename T = QAbstractButton> T* find(const char* name) const
    {
        return page.findChild<T*>(name);
    }

    TempDir tmp;
    Settings settings { SettingsStore(tmp.path()) };
    ScriptedMessages messages;
    OptionsPage page { settings, messages };
};

// Each control, clicked or moved with the keyboard, writes its own key and no other.
TEST_F(OptionsPageTest, EachControlStoresItsOwnKey)
{
    page.PageLoad();
    const auto click
        = [this](const char* b) { return [b = find(b)] { QTest::mouseClick(b, Qt::LeftButton); }; };
    const auto press = [this](const char* b, Qt::Key key) {
        return [b = find<QWidget>(b), key] { QTest::keyClick(b, key); };
    };
    const struct {
        std::function<void()> act;
        SettingKey key;
        const char* value;
    } steps[] = {
        { click("optOnline"), keys::OnlineMode, "True" },
        { click("optOffline"), keys::OnlineMode, "False" },
        { press("cboAltText", Qt::Key_Down), keys::AltTextIndex, "1" },
        { click("optAlt2"), keys::AltReact, "2" },
        { press("cboAltText", Qt::Key_Up), keys::AltTextIndex, "0" },
        { click("optAlt1"), keys::AltReact, "1" },
        { click("optBorder1"), keys::BorderReact, "1" },
        { click("optBorder2"), keys::BorderReact, "2" },
        { press("lstBorderSize", Qt::Key_Up), keys::BorderSizeIndex, "9" },
        { click("chkSound"), keys::Sound, "False" },
        { click("chkSound"), keys::Sound, "True" },
        { click("chkBackupSame"), keys::BackupMode, "Global" },
        { click("chkGenerateBackups"), keys::GenerateBackups, "False" },
        { click("chkGenerateBackups"), keys::GenerateBackups, "True" },
        { click("chkBackupSame"), keys::BackupMode, "Normal" },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.key.name + std::string("=") + step.value);
        QMap<QString, QString> expected = stored();
        expected.insert(step.key.name, step.value);
        step.act();
        EXPECT_EQ(stored(), expected);
    }
}

// Loading shows what the store holds, or the default for text the program never
// writes, and writes nothing: odd stored text stays as it was.
TEST_F(OptionsPageTest, LoadingShowsTheStoreAndKeepsOddTextAsWritten)
{
    page.PageLoad();
    EXPECT_FALSE(QFile::exists(settings.store().fileFor(kApplication)));
    for (const auto& [key, value] : { std::pair(keys::OnlineMode, "true"), { keys::BorderReact, "1" },
             { keys::BorderSizeIndex, "abc" }, { keys::AltReact, "7" }, { keys::AltTextIndex, "1.5" },
             { keys::Sound, "False" }, { keys::BackupMode, "Global" } })
        settings.write(key, value);
    const QMap<QString, QString> written = stored();
    page.PageLoad();
    QList<bool> checked;
    for (const char* name : { "optOffline", "optBorder1", "optAlt2", "chkSound", "chkBackupSame" })
        checked.append(find(name)->isChecked());
    EXPECT_EQ(checked, QList<bool>({ true, true, true, false, true }));
    EXPECT_EQ(find<QComboBox>("lstBorderSize")->currentText(), "10");
    EXPECT_EQ(find<QComboBox>("cboAltText")->currentText(), "Image Name");
    EXPECT_EQ(stored(), written);
}

} // namespace
