#pragma once

#include "settings/SettingKeys.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <optional>

#include <memory>

class QAction;
class QMenu;

namespace quillon {

class ChooseFilesPage;
class FileList;
class FolderBrowser;
class ImageFetcher;
class OptionsPage;
class ReportPage;
class RunController;
class SoundPlayer;
class StatusFrame;
class TabStrip;
class UrlOpener;
class UserMessages;
class frmAbout;
class frmBackupLocation;
class frmCustomAltText;
class frmHelp;

// What the window needs from the world, replaceable in tests.
struct MainWindowServices {
    Settings settings;
    UserMessages* messages = nullptr;
    // True when a network connection is up; nothing when that cannot be told.
    std::function<std::optional<bool>()> isOnline;
    // Where remote pictures come from; libcurl when null.
    ImageFetcher* fetcher = nullptr;
    // The folder the file boxes open at start-up.
    QString startFolder;
    // Opens web and mail links; when null, or when it fails, the user is told.
    UrlOpener* opener = nullptr;
    // Plays the done sound; silent when null.
    SoundPlayer* sound = nullptr;
};

// The program's one main window: three pages over the file list and the report.
// It assembles the pages, menus and run, and wires them together; the behaviour
// lives in the pages, the file list and the engine.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(MainWindowServices services, QWidget* parent = nullptr);
    ~frmMain() override;

    // Menu and button handlers.
    void cmdStart_Click();
    void cmdStop_Click();
    void mnuStart_Click();
    void mnuClearAll_Click();
    void cmdExit_Click();
    void tabStrip_Click();
    void mnuHelpContents_Click();
    void mnuWebsite_Click();
    void mnuAbout_Click();
    void cmdEdit_Click();
    void cmdBackupPath_Click();
    // Adds pages to the file list as the add button does; a folder adds its pages.
    void openPages(const QStringList& paths);
    // Resets the report page and empties the file list.
    void ClearStatus();
    // The layout of every control for the window's size and current page.
    void Form_Resize();

    // The window's outer size in twips, as the layout reads it.
    double windowWidth() const;
    double windowHeight() const;

    TabStrip* tabStrip;
    ChooseFilesPage* pageChooseFiles;
    OptionsPage* pageOptions;
    ReportPage* pageReport;
    StatusFrame* fraStatus;
    FileList* fileList;
    FolderBrowser* folderBrowser;

    QMenu* mnuFile;
    QAction* mnuStart;
    QAction* mnuClearAll;
    QAction* cmdExit;
    QMenu* mnuProcess;
    QAction* mnuChooseFiles;
    QAction* mnuOptions;
    QAction* mnuBeginTagging;
    QMenu* mnuHelp;
    QAction* mnuHelpContents;
    QAction* mnuWebsite;
    QAction* mnuAbout;

    // The dialogs while they are open (About: once it was opened).
    QPointer<frmCustomAltText> dlgCustomAltText;
    QPointer<frmBackupLocation> dlgBackupLocation;
    QPointer<frmAbout> dlgAbout;
    QPointer<frmHelp> dlgHelp;

signals:
    // The end-of-run work is done (after the done picture and the sound).
    void runEnded();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createPages();
    void createMenus();
    void connectRun();
    void Form_Load();
    void setRunning(bool running);
    void DoneScanning(bool stopped);

    MainWindowServices m_services;
    RunController* m_runController = nullptr;
    // The services' opener, telling the user when a link cannot be opened.
    std::unique_ptr<UrlOpener> m_opener;
    bool m_saved = false;
    bool m_inLayout = false;
};

} // namespace quillon
