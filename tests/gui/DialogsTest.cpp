#include "tests/support/WidgetActions.h"
#include "dialogs/DesktopServices.h"
#include "dialogs/LinkLabel.h"
#include "dialogs/ProductLinks.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmBackupLocation.h"
#include "dialogs/frmCustomAltText.h"
#include "filelist/DriveBox.h"
#include "filelist/FolderBox.h"
#include "filelist/FileList.h"
#include "mainwindow/OptionsPage.h"
#include "mainwindow/frmMain.h"
#include "platform/Paths.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace quillon;
using quillon::test::ScriptedMessages;
using quillon::test::TempDir;

using quillon::test::doubleClick;

namespace {

const QString Absent = QStringLiteral("<absent>");

class RecordingOpener : public UrlOpener {
public:
    void open(const QUrl& url) override { opened.append(url); }
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
    // The main window is hidden until a dialog brings it to the front.
    bool mainWindowCameBack()
    {
        return mainWindow.isVisible()
            && QTest::qWaitFor([this] { return QApplication::activeWindow() == &mainWindow; }, 2000);
    }
    // The main window is open behind the dialog, which has the focus.
    void openBehind(QWidget* dialog)
    {
        mainWindow.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    }

    TempDir tmp;
    Settings settings { SettingsStore(tmp.path()) };
    ScriptedMessages messages;
    RecordingOpener opener;
    QWidget mainWindow;
};

// --- the ALT text dialog -----------------------------------------------------

using CustomAltTextTest = DialogTest;

TEST_F(CustomAltTextTest, OffersThePlaceholderOnAFreshStoreAndHasNoOwner)
{
    frmCustomAltText dialog(settings, &mainWindow);
    EXPECT_EQ(dialog.windowTitle(), "ALT Property text");
    EXPECT_EQ(dialog.Label1->text(), "Enter custom text for the ALT property ...");
    EXPECT_EQ(dialog.cmdOK->text(), "O&K");
    EXPECT_EQ(dialog.txtAlt->text(), "[Enter Text here]");
    EXPECT_EQ(dialog.parentWidget(), nullptr);
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(stored(keys::AltText), Absent);
}

TEST_F(CustomAltTextTest, OkStoresTheTextExactlyAsTyped)
{
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
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(mainWindowCameBack()) << typed.toStdString();
        // The next opening shows what was stored, an empty text too.
        EXPECT_EQ(frmCustomAltText(settings, &mainWindow).txtAlt->text(), typed);
    }
}

TEST_F(CustomAltTextTest, OkBringsTheMainWindowToTheFront)
{
    frmCustomAltText dialog(settings, &mainWindow);
    openBehind(&dialog);
    QTest::mouseClick(dialog.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(mainWindowCameBack());
}

TEST_F(CustomAltTextTest, ClosingWithoutOkStoresNothing)
{
    settings.write(keys::AltText, "kept");
    frmCustomAltText dialog(settings, &mainWindow);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(dialog.txtAlt, " and more");
    dialog.close();
    EXPECT_EQ(stored(keys::AltText), "kept");

    dialog.show();
    QTest::keyClick(dialog.txtAlt, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(stored(keys::AltText), "kept");
    EXPECT_FALSE(mainWindow.isVisible());
}

// --- the backup location dialog ------------------------------------------------

class BackupLocationTest : public DialogTest {
protected:
    void SetUp() override
    {
        for (const char* folder : { "keep/sub", "vol/inner" })
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
    EXPECT_EQ(dialog->windowTitle(), "Choose a directory to store backups ...");
    EXPECT_EQ(dialog->cmdOK->text(), "O&K");
    EXPECT_EQ(dialog->cmdCancel->text(), "&Cancel");
    EXPECT_EQ(dialog->parentWidget(), &mainWindow);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->lblPath->text(), defaultBackupPath());
    EXPECT_TRUE(dialog->lblPath->text().endsWith(nativeSeparator()));
    EXPECT_EQ(stored(keys::BackupPath), Absent);
}

TEST_F(BackupLocationTest, StoredFolderOpensAndGainsATrailingSeparator)
{
    settings.write(keys::BackupPath, tmp.file("keep"));
    const auto dialog = open({ "/", tmp.file("vol") });
    EXPECT_EQ(dialog->Dir1->path(), tmp.file("keep"));
    EXPECT_EQ(dialog->lblPath->text(), tmp.file("keep/"));
    EXPECT_EQ(dialog->Drive1->drive(), "/");
}

TEST_F(BackupLocationTest, MissingStoredFolderKeepsItsTextAndBrowsingStartsNearby)
{
    const QString missing = tmp.file("vol/gone/deeper/");
    settings.write(keys::BackupPath, missing);
    // "gone" is a drive with no disk in it: listed, but nothing can be opened on it.
    const auto dialog = open({ "/", tmp.file("vol"), tmp.file("vol/gone") });
    EXPECT_EQ(dialog->lblPath->text(), missing);
    EXPECT_EQ(dialog->Dir1->path(), tmp.file("vol"));
    EXPECT_EQ(dialog->Drive1->drive(), tmp.file("vol/gone"));

    QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    EXPECT_EQ(stored(keys::BackupPath), missing);
}

TEST_F(BackupLocationTest, BrowsingShowsTheFolderWithATrailingSeparator)
{
    settings.write(keys::BackupPath, tmp.file("keep/"));
    const auto dialog = open();
    doubleClick(dialog->Dir1, "sub");
    EXPECT_EQ(dialog->lblPath->text(), tmp.file("keep/sub/"));
    doubleClick(dialog->Dir1, "/");
    EXPECT_EQ(dialog->lblPath->text(), "/");
}

TEST_F(BackupLocationTest, OkStoresTheLabelAndCancelOrCloseStoreNothing)
{
    settings.write(keys::BackupPath, tmp.file("keep/"));
    {
        const auto dialog = open();
        doubleClick(dialog->Dir1, "sub");
        QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(stored(keys::BackupPath), tmp.file("keep/"));
        EXPECT_TRUE(mainWindowCameBack());
    }
    mainWindow.hide();
    {
        const auto dialog = open();
        doubleClick(dialog->Dir1, "sub");
        dialog->close();
        EXPECT_EQ(stored(keys::BackupPath), tmp.file("keep/"));
        EXPECT_FALSE(mainWindow.isVisible());
    }
    {
        const auto dialog = open();
        doubleClick(dialog->Dir1, "sub");
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        EXPECT_EQ(stored(keys::BackupPath), tmp.file("keep/sub/"));
        EXPECT_TRUE(mainWindowCameBack());
    }
}

TEST_F(BackupLocationTest, ChoosingADriveOpensItOrSaysItCannot)
{
    settings.write(keys::BackupPath, tmp.file("keep/"));
    const auto dialog = open({ "/", tmp.file("vol"), tmp.file("zz-not-there") });
    ASSERT_EQ(dialog->Drive1->drive(), "/");

    QTest::keyClick(dialog->Drive1, Qt::Key_Down);
    EXPECT_EQ(dialog->Dir1->path(), tmp.file("vol"));
    EXPECT_EQ(dialog->lblPath->text(), tmp.file("vol/"));
    EXPECT_TRUE(messages.shown.isEmpty());

    QTest::keyClick(dialog->Drive1, Qt::Key_Down);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, "Error");
    EXPECT_EQ(messages.shown[0].text,
        "The drive you selected is not accessable. Please insert a disk or try another drive.");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(dialog->Drive1->drive(), tmp.file("vol"));
    EXPECT_EQ(dialog->Dir1->path(), tmp.file("vol"));
    EXPECT_EQ(dialog->lblPath->text(), tmp.file("vol/"));
}

// --- the About box ---------------------------------------------------------------

using AboutTest = DialogTest;

TEST_F(AboutTest, ShowsTheBuildsVersionAndTheProductsPlaces)
{
    frmAbout about(&opener, &mainWindow);
    EXPECT_EQ(about.windowTitle(), " About Brambleworth Quillon...");
    EXPECT_EQ(about.parentWidget(), &mainWindow);
    EXPECT_FALSE(about.isModal());
    EXPECT_EQ(about.lblVersion->text(), QUILLON_TEST_VERSION);
    EXPECT_EQ(about.Label13->text(), "06.24.1999");
    EXPECT_EQ(about.Label2->text(), "https://www.brambleworth.example/quillon/");
    EXPECT_EQ(about.Label3->text(), "https://www.brambleworth.example/resources/");
    EXPECT_EQ(about.Label4->text(), "mailto:quillon@brambleworth.example");
    // The drawn pictures are compiled in and found.
    EXPECT_FALSE(about.Picture2->pixmap().isNull());
    EXPECT_FALSE(about.Image1->pixmap().isNull());
    for (const LinkLabel* link : { about.Label2, about.Label3, about.Label4 }) {
        EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor) << "the hand is our own picture";
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    }
}

TEST_F(AboutTest, EachClickOnALinkOpensItOnce)
{
    frmAbout about(&opener, &mainWindow);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.Label2, Qt::LeftButton);
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.opened[0], QUrl(links::AuthorPage));

    QTest::mouseClick(about.Label4, Qt::LeftButton);
    QTest::mouseClick(about.Label4, Qt::LeftButton);
    QTest::mouseClick(about.Label3, Qt::LeftButton);
    EXPECT_EQ(opener.opened,
        QList<QUrl>({ QUrl(links::AuthorPage), QUrl("mailto:quillon@brambleworth.example"),
            QUrl("mailto:quillon@brambleworth.example"), QUrl(links::ResourcesSite) }));

    // Pressed on the link but let go beside it: the user changed their mind.
    QTest::mousePress(about.Label2, Qt::LeftButton);
    QTest::mouseRelease(about.Label2, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_EQ(opener.opened.size(), 4);
}

TEST_F(AboutTest, OkClosesAndBringsTheMainWindowBack)
{
    frmAbout about(&opener, &mainWindow);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.cmdOK, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(mainWindowCameBack());
}

// --- the desktop's own sound player -----------------------------------------------

TEST(DesktopSoundPlayerTest, NeverWaitsForTheSound)
{
    QElapsedTimer clock;
    clock.start();
    {
        DesktopSoundPlayer player;
        player.play(QString());
        player.play(QStringLiteral("/nowhere/done.wav"));
        const QString chime = QDir(QCoreApplication::applicationDirPath()).filePath("data/done.wav");
        ASSERT_TRUE(QFileInfo::exists(chime));
        player.play(chime);
        player.play(chime);
        QTest::qWait(50);
    }
    EXPECT_LT(clock.elapsed(), 2000);
}

// --- the main window's side ----------------------------------------------------

class MainWindowServicesTest : public ::testing::Test {
protected:
    std::unique_ptr<frmMain> makeWindow(SoundPlayer* player)
    {
        tmp.write("site/page.html", "<html><body><p>No pictures here.</p></body></html>\n");
        MainWindowServices services;
        services.settings = settings;
        services.messages = &messages;
        services.startFolder = tmp.file("site");
        services.opener = &opener;
        services.sound = player;
        return std::make_unique<frmMain>(services);
    }
    // One run over one small file, to its end.
    void runOnce(frmMain& window)
    {
        ASSERT_TRUE(window.fileList->AddFile("page.html"));
        QSignalSpy ended(&window, &frmMain::runEnded);
        window.cmdStart_Click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended.count() == 1; }, 20000));
        EXPECT_TRUE(messages.shown.isEmpty());
    }

    TempDir tmp;
    Settings settings { SettingsStore(tmp.path()) };
    ScriptedMessages messages;
    RecordingOpener opener;
    RecordingSound sound;
};

TEST_F(MainWindowServicesTest, TheChimeSoundsAtTheEndOfARunWhenTicked)
{
    const auto window = makeWindow(&sound);
    ASSERT_TRUE(window->pageOptions->chkSound->isChecked());
    runOnce(*window);
    ASSERT_EQ(sound.played.size(), 1);
    EXPECT_EQ(QFileInfo(sound.played[0]).fileName(), "done.wav");
    EXPECT_TRUE(QFileInfo(sound.played[0]).isFile());
}

TEST_F(MainWindowServicesTest, NoChimeWhenUntickedOrWithoutAPlayer)
{
    {
        const auto window = makeWindow(&sound);
        window->pageOptions->chkSound->click();
        runOnce(*window);
        EXPECT_TRUE(sound.played.isEmpty());
    }
    settings.write(keys::Sound, "True");
    const auto silent = makeWindow(nullptr);
    ASSERT_TRUE(silent->pageOptions->chkSound->isChecked());
    runOnce(*silent);
}

TEST_F(MainWindowServicesTest, HelpMenuOpensTheHelpPageAndTheWebsite)
{
    const auto window = makeWindow(&sound);
    window->mnuHelpContents->trigger();
    ASSERT_EQ(opener.opened.size(), 1);
    const QUrl help = opener.opened[0];
    ASSERT_TRUE(help.isLocalFile());
    EXPECT_EQ(QFileInfo(help.toLocalFile()).fileName(), "yarrow.html");
    EXPECT_TRUE(QFileInfo(help.toLocalFile()).isFile());

    window->mnuWebsite->trigger();
    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_EQ(opener.opened[1], QUrl("https://www.brambleworth.example/quillon/"));
}

TEST_F(MainWindowServicesTest, AboutIsMadeOnceAndKept)
{
    const auto window = makeWindow(&sound);
    window->mnuAbout->trigger();
    QPointer<frmAbout> first = window->dlgAbout;
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), window.get());
    first->close();
    window->mnuAbout->trigger();
    EXPECT_EQ(window->dlgAbout, first);
    EXPECT_TRUE(first->isVisible());
    QTest::mouseClick(first->Label3, Qt::LeftButton);
    EXPECT_EQ(opener.opened, QList<QUrl>({ QUrl(links::ResourcesSite) }));
}

TEST_F(MainWindowServicesTest, OptionsPageButtonsOpenTheirDialogs)
{
    const auto window = makeWindow(&sound);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    OptionsPage* page = window->pageOptions;

    page->optAlt2->click();
    page->cmdEdit->click();
    QPointer<frmCustomAltText> alt = window->dlgCustomAltText;
    ASSERT_TRUE(alt);
    EXPECT_TRUE(alt->isVisible());
    EXPECT_EQ(alt->parentWidget(), nullptr);
    page->cmdEdit->click();
    EXPECT_EQ(window->dlgCustomAltText, alt) << "asking again brings up the open one";
    alt->txtAlt->setText("Custom words");
    QTest::mouseClick(alt->cmdOK, Qt::LeftButton);
    EXPECT_EQ(settings.read(keys::AltText), "Custom words");
    EXPECT_TRUE(QTest::qWaitFor([&] { return alt.isNull(); }));

    page->chkBackupSame->click();
    page->cmdBackupPath->click();
    QPointer<frmBackupLocation> backup = window->dlgBackupLocation;
    ASSERT_TRUE(backup);
    EXPECT_TRUE(backup->isVisible());
    EXPECT_EQ(backup->parentWidget(), window.get());
    QTest::mouseClick(backup->cmdCancel, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return backup.isNull(); }));
    EXPECT_EQ(settings.store().ReadSetting(QString::fromUtf8(kApplication), QString::fromUtf8(kSection),
                  QString::fromUtf8(keys::BackupPath.name), Absent),
        Absent);
}

} // namespace
