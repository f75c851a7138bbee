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
        for (const SettingKey& key :
            { keys::GenerateBackups, keys::BackupMode, keys::Sound, keys::OnlineMode, keys::BorderReact,
                keys::BorderSizeIndex, keys::AltReact, keys::AltTextIndex, keys::SiteRoot })
            all.insert(key.name, settings.store().ReadSetting(kApplication, kSection, key.name, "-"));
        return all;
    }

    template <typename T = QWidget> T* find(const char* n) const { return page.findChild<T*>(n); }

    TempDir tmp;
    Settings settings { SettingsStore(tmp.path()) };
    ScriptedMessages messages;
    OptionsPage page { settings, messages };
};

// Each control, clicked or moved with the keyboard, writes its own key and no other.
TEST_F(OptionsPageTest, EachControlStoresItsOwnKey)
{
    page.PageLoad();
    // A click, or a key pressed on the control.
    const auto use = [this](const char* name, int key = 0) {
        return [w = find(name), key] {
            key ? QTest::keyClick(w, Qt::Key(key)) : QTest::mouseClick(w, Qt::LeftButton);
        };
    };
    const struct {
        std::function<void()> act;
        SettingKey key;
        const char* value;
    } steps[] = {
        { use("optOnline"), keys::OnlineMode, "True" },
        { use("optOffline"), keys::OnlineMode, "False" },
        { use("cboAltText", Qt::Key_Down), keys::AltTextIndex, "1" },
        { use("optAlt2"), keys::AltReact, "2" },
        { use("cboAltText", Qt::Key_Up), keys::AltTextIndex, "0" },
        { use("optAlt1"), keys::AltReact, "1" },
        { use("optBorder1"), keys::BorderReact, "1" },
        { use("optBorder2"), keys::BorderReact, "2" },
        { use("lstBorderSize", Qt::Key_Up), keys::BorderSizeIndex, "9" },
        { use("chkSound"), keys::Sound, "False" },
        { use("chkSound"), keys::Sound, "True" },
        { use("chkBackupSame"), keys::BackupMode, "Global" },
        { use("chkGenerateBackups"), keys::GenerateBackups, "False" },
        { use("chkGenerateBackups"), keys::GenerateBackups, "True" },
        { use("chkBackupSame"), keys::BackupMode, "Normal" },
        { [&] { use("cmdSiteRoot")(), QTest::mouseClick(find("cmdNone"), Qt::LeftButton); }, keys::SiteRoot,
            "" },
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
        checked.append(find<QAbstractButton>(name)->isChecked());
    EXPECT_EQ(checked, QList<bool>({ true, true, true, false, true }));
    EXPECT_EQ(find<QComboBox>("lstBorderSize")->currentText(), "10");
    EXPECT_EQ(find<QComboBox>("cboAltText")->currentText(), "Image Name");
    EXPECT_EQ(stored(), written);
}

} // namespace
