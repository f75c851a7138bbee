#include "mainwindow/OptionsPage.h"
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

    TempDir tmp;
    Settings settings { SettingsStore(tmp.path()) };
    OptionsPage page { settings };
};

// Each control, clicked or moved with the keyboard, writes its own key and no other.
TEST_F(OptionsPageTest, EachControlStoresItsOwnKey)
{
    page.PageLoad();
    const auto click = [](QAbstractButton* b) { return [b] { QTest::mouseClick(b, Qt::LeftButton); }; };
    const auto press = [](QWidget* b, Qt::Key key) { return [b, key] { QTest::keyClick(b, key); }; };
    const struct {
        std::function<void()> act;
        SettingKey key;
        const char* value;
    } steps[] = {
        { click(page.optOnline), keys::OnlineMode, "True" },
        { click(page.optOffline), keys::OnlineMode, "False" },
        { press(page.cboAltText, Qt::Key_Down), keys::AltTextIndex, "1" },
        { click(page.optAlt2), keys::AltReact, "2" },
        { press(page.cboAltText, Qt::Key_Up), keys::AltTextIndex, "0" },
        { click(page.optAlt1), keys::AltReact, "1" },
        { click(page.optBorder1), keys::BorderReact, "1" },
        { click(page.optBorder2), keys::BorderReact, "2" },
        { press(page.lstBorderSize, Qt::Key_Up), keys::BorderSizeIndex, "9" },
        { click(page.chkSound), keys::Sound, "False" },
        { click(page.chkSound), keys::Sound, "True" },
        { click(page.chkBackupSame), keys::BackupMode, "Global" },
        { click(page.chkGenerateBackups), keys::GenerateBackups, "False" },
        { click(page.chkGenerateBackups), keys::GenerateBackups, "True" },
        { click(page.chkBackupSame), keys::BackupMode, "Normal" },
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
    EXPECT_EQ(QList<bool>({ page.optOffline->isChecked(), page.optBorder1->isChecked(),
                  page.optAlt2->isChecked(), page.chkSound->isChecked(), page.chkBackupSame->isChecked() }),
        QList<bool>({ true, true, true, false, true }));
    EXPECT_EQ(page.lstBorderSize->currentText(), "10");
    EXPECT_EQ(page.cboAltText->currentText(), "Image Name");
    EXPECT_EQ(stored(), written);
}

} // namespace
