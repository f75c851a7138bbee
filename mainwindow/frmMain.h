#pragma once

#include "settings/Settings.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;

namespace quillon {

class ChooseFilesPage;
class FileList;
class HelpWindows;
class ImageFetcher;
class LayoutRunner;
class OptionsPage;
class ReportPage;
class RunController;
class SoundPlayer;
class StatusFrame;
class TabStrip;
class UnsavedOptionNotice;
class UrlOpener;
class UserMessages;

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
// lives in the pages, the file list, the run and the help windows.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(MainWindowServices services, QWidget* parent = nullptr);
    ~frmMain() override;

    // Adds pages to the file list as the add button does; a folder adds its pages.
    void openPages(const QStringList& paths);
    void cmdStart_Click();
    void cmdStop_Click();

signals:
    // The end-of-run work is done (after the done picture and the sound).
    void runEnded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Page { ChooseFiles, Options, BeginTagging };

    void createPages();
    void createMenus();
    void connectRun();
    void Form_Load();
    Page currentPage() const;
    void showPage(Page page);
    void tabStrip_Click();
    void mnuStart_Click();
    void ClearStatus();
    void setRunning(bool running);
    void SaveWindowSettings();

    MainWindowServices m_services;
    TabStrip* tabStrip;
    ChooseFilesPage* pageChooseFiles;
    OptionsPage* pageOptions;
    ReportPage* pageReport;
    StatusFrame* fraStatus;
    FileList* fileList;
    QAction* mnuStart;
    QAction* mnuClearAll;
    LayoutRunner* m_layout = nullptr;
    HelpWindows* m_help = nullptr;
    RunController* m_run = nullptr;
    // Tells the user when an option cannot be saved, while the window lives.
    std::unique_ptr<UnsavedOptionNotice> m_unsaved;
    bool m_saved = false;
};

} // namespace quillon
