#include "tests/support/WidgetActions.h"
#include "desktop/DesktopServices.h"
#include "dialogs/LinkLabel.h"
#include "desktop/ProductLinks.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmBackupLocation.h"
#include "dialogs/frmCustomAltText.h"
#include "dialogs/frmHelp.h"
#include "filelist/DriveBox.h"
#include "filelist/FolderBox.h"
#include "filelist/FileList.h"
#include "mainwindow/OptionsPage.h"
#include "mainwindow/frmMain.h"
#include "platform/Paths.h"
#include "tests/support/Pictures.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QComboBox>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::test::doubleClick;
using quillon::test::ScriptedMessages;
using quillon::test::TempDir;

namespace {

const QString Absent = QStringLiteral("<absent>");

class RecordingOpener : public UrlOpener {
public:
    bool open(const QUrl& url) override
    {
        opened.append(url);
        return works;
    }
    bool works = true;
    QList<QUrl> opened;
};

class RecordingSound : public SoundPlayer {
public:
    void play(const QString& wavPath) override { played.append(wavPath); }
    QStringList played;
};

// A test's store, and a stand-in for the main window the dialogs bring back.
class DialogTest : public ::testing::Test {
protected:
    QString stored(const SettingKey& key) const
    {
        return settings.store().ReadSetting(QString::fromUtf8(kApplication), QString::fromUtf8(kSection),
            QString::fromUtf8(key.name), Absent);
    }

    TempDir tmp;
    Settings settings { SettingsStore(tmp.path()) };
    ScriptedMessages messages;
    RecordingOpener opener;
    QWidget mainWindow;
};

TEST_F(DialogTest, AltTextDialogOnlyStoresTheTextAsTypedOnOk)
{
    {
        frmCustomAltText fresh(settings, &mainWindow);
        fresh.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
        QTest::keyClicks(fresh.txtAlt, " and more");
        fresh.close();
        EXPECT_EQ(stored(keys::AltText), Absent);
    }
    for (const QString& typed : { QString(), QStringLiteral("  blanks at both ends  "),
             QStringLiteral(R"(say "cheese" & 'smile')") }) {
        mainWindow.hide();
        frmCustomAltText dialog(settings, &mainWindow);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.txtAlt->clear();
        QTest::keyClicks(dialog.txtAlt, typed);
        QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
        EXPECT_EQ(stored(keys::AltText), typed);
        // The main window comes to the front, and the next opening shows what was stored.
        EXPECT_TRUE(mainWindow.isVisible()
            && QTest::qWaitFor([this] { return QApplication::activeWindow() == &mainWindow; }, 2000))
            << typed.toStdString();
        EXPECT_EQ(frmCustomAltText(settings, &mainWindow).txtAlt->text(), typed);
    }
}

class BackupLocationTest : public DialogTest {
protected:
    void SetUp() override
    {
        for (const char* folder : { "keep/sub", "vol" })
            QDir().mkpath(tmp.file(QString::fromLatin1(folder)));
    }
    // A dialog over the volumes given, as if the machine had mounted them.
    std::unique_ptr<frmBackupLocation> open(const QStringList& volumes = { QStringLiteral("/") })
    {
        auto dialog = std::make_unique<frmBackupLocation>(settings, messages, &mainWindow);
        dialog->Drive1->setVolumes(volumes);
        dialog->Form_Load();
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
};

TEST_F(BackupLocationTest, FreshStoreShowsThePerUserBackupsFolder)
{
    const auto dialog = open();
    EXPECT_EQ(dialog->lblPath->text(), defaultBackupPath());
    EXPECT_TRUE(dialog->lblPath->text().endsWith(nativeSeparator()));
}

TEST_F(BackupLocationTest, BrowsingShowsTheFolderWithASeparatorAndOnlyOkStoresIt)
{
    settings.write(keys::BackupPath, tmp.file("keep"));
    auto dialog = open();
    EXPECT_EQ(dialog->lblPath->text(), tmp.file("keep/"));
    doubleClick(dialog->Dir1, "sub");
    EXPECT_EQ(dialog->lblPath->text(), tmp.file("keep/sub/"));
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored(keys::BackupPath), tmp.file("keep"));

    dialog = open();
    doubleClick(dialog->Dir1, "sub");
    QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    EXPECT_EQ(stored(keys::BackupPath), tmp.file("keep/sub/"));
}

TEST_F(BackupLocationTest, ChoosingADriveOpensItOrSaysItCannotAndGoesBack)
{
    settings.write(keys::BackupPath, tmp.file("keep/"));
    const auto dialog = open({ "/", tmp.file("vol"), tmp.file("zz-not-there") });
    ASSERT_EQ(dialog->Drive1->drive(), "/");

    QTest::keyClick(dialog->Drive1, Qt::Key_Down);
    EXPECT_EQ(dialog->lblPath->text(), tmp.file("vol/"));
    EXPECT_TRUE(messages.shown.isEmpty());

    QTest::keyClick(dialog->Drive1, Qt::Key_Down);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Error");
    EXPECT_EQ(messages.shown[0].text,
        "The drive you selected is not accessable. Please insert a disk or try another drive.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(dialog->Drive1->drive(), tmp.file("vol"));
    EXPECT_EQ(dialog->Dir1->path(), tmp.file("vol"));
    EXPECT_EQ(dialog->lblPath->text(), tmp.file("vol/"));
}

TEST_F(DialogTest, AboutShowsTheVersionAndEachClickOnALinkOpensItOnce)
{
    frmAbout about(&opener, &mainWindow);
    EXPECT_EQ(about.lblVersion->text(), QUILLON_TEST_VERSION);
    EXPECT_EQ(about.Label13->text(), "06.24.1999");
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.Label2, Qt::LeftButton);
    QTest::mouseClick(about.Label4, Qt::LeftButton);
    QTest::mouseClick(about.Label4, Qt::LeftButton);
    EXPECT_EQ(opener.opened,
        QList<QUrl>({ QUrl(links::AuthorPage), QUrl("mailto:quillon@brambleworth.example"),
            QUrl("mailto:quillon@brambleworth.example") }));
}

// The main window's side: a window over one small page, with a recording opener and sound player.
class MainWindowServicesTest : public DialogTest {
protected:
    void SetUp() override
    {
        tmp.write("site/page.html", "<html><body><p>No pictures here.</p></body></html>\n");
        MainWindowServices services;
        services.settings = settings;
        services.messages = &messages;
        services.startFolder = tmp.file("site");
        services.opener = &opener;
        services.sound = &sound;
        window = std::make_unique<frmMain>(services);
        ASSERT_TRUE(window->fileList->AddFile("page.html"));
    }
    // One run over the page, to its end.
    void runOnce()
    {
        QSignalSpy ended(window.get(), &frmMain::runEnded);
        window->cmdStart_Click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() == 1; }, 20000));
        EXPECT_TRUE(messages.shown.isEmpty());
    }

    RecordingSound sound;
    std::unique_ptr<frmMain> window;
};

TEST_F(MainWindowServicesTest, TheChimeSoundsAtTheEndOfARunOnlyWhenTicked)
{
    ASSERT_TRUE(window->pageOptions->chkSound->isChecked());
    runOnce();
    ASSERT_EQ(sound.played.size(), 1);
    EXPECT_EQ(QFileInfo(sound.played[0]).fileName(), "done.wav");
    EXPECT_TRUE(QFileInfo(sound.played[0]).isFile());

    window->pageOptions->chkSound->click();
    runOnce();
    EXPECT_EQ(sound.played.size(), 1);
}

// The help page opens in the program's own window, whatever the desktop has;
// only web and mail links leave it, and one that cannot be opened is told.
TEST_F(MainWindowServicesTest, HelpOpensInItsOwnWindowAndOutsideLinksGoToTheOpener)
{
    window->mnuHelpContents->trigger();
    frmHelp* help = window->dlgHelp;
    ASSERT_TRUE(help);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    EXPECT_FALSE(help->isModal());
    EXPECT_EQ(QFileInfo(help->txtHelp->source().toLocalFile()).fileName(), "yarrow.html");
    EXPECT_TRUE(help->txtHelp->toPlainText().contains("Quillon"));

    emit help->txtHelp->anchorClicked(QUrl("#options"));
    EXPECT_EQ(help->txtHelp->source().fragment(), "options");
    emit help->txtHelp->anchorClicked(QUrl(links::AuthorPage));
    EXPECT_EQ(opener.opened, QList<QUrl>({ QUrl(links::AuthorPage) }));
    EXPECT_TRUE(messages.shown.isEmpty());

    opener.works = false;
    window->mnuWebsite->trigger();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(messages.shown[0].text.contains(links::AuthorPage));

    // Asking again brings up the same window.
    window->mnuHelpContents->trigger();
    EXPECT_EQ(window->dlgHelp, help);
    EXPECT_TRUE(help->isVisible());
}

// Custom ALT text never edited: the dialog shows what a run writes.
TEST_F(MainWindowServicesTest, TheAltTextTheDialogShowsIsTheOneARunWrites)
{
    OptionsPage& options = *window->pageOptions;
    options.PageLoad();
    QTest::mouseClick(options.optAlt2, Qt::LeftButton);
    QTest::keyClick(options.cboAltText, Qt::Key_Down);
    ASSERT_EQ(options.cboAltText->currentText(), "Custom");
    QTest::mouseClick(options.cmdEdit, Qt::LeftButton);
    ASSERT_TRUE(window->dlgCustomAltText);
    const QString shown = window->dlgCustomAltText->txtAlt->text();
    window->dlgCustomAltText->close();
    EXPECT_EQ(stored(keys::AltText), Absent);

    tmp.write("site/x.png", test::makePicture("png", 4, 3));
    tmp.write("site/page.html", "<img src=x.png>\n");
    runOnce();
    const QByteArray page = tmp.read("site/page.html");
    EXPECT_TRUE(page.contains("ALT=\"" + shown.toUtf8() + "\"")) << page.toStdString();
}

} // namespace
