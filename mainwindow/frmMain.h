#pragma once

#include "settings/Settings.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QAction;

namespace quillon {

class ChooseFilesPage;
class FileList;
class ImageFetcher;
class OptionsPage;
class ReportPage;
class RunController;
class SoundPlayer;
class StatusFrame;
class TabPage;
class TabStrip;
class UrlOpener;
class UserMessages;
class WindowLayout;

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
// lives in the pages, the file list and the run.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(MainWindowServices services, QWidget* parent = nullptr);
    ~frmMain() override;

    // Adds pages to the file list as the add button does; a folder adds its pages.
    void openPages(const QStringList& paths);
    // Pages a later start of the program handed over (SingleInstance): the
    // window comes to the front and adds them as openPages does.
    void takeHandedOverPages(const QStringList& paths);
    void cmdStart_Click();
    void cmdStop_Click();

signals:
    // The end-of-run work is done (after the done picture and the sound).
    void runEnded();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Page { ChooseFiles, Options, BeginTagging };

    void createPages();
    void createMenus();
    void connectRun();
    void Form_Load();
    // The layout of every control for the window's size and current page.
    void Form_Resize();
    Page currentPage() const;
    void showPage(Page page);
    void tabStrip_Click();
    void mnuStart_Click();
    void ClearStatus();
    void mnuHelpContents_Click();
    void mnuAbout_Click();
    void setRunning(bool running);
    void tellUnsaved(const QString& file);
    void SaveWindowSettings();

    MainWindowServices m_services;
    TabStrip* tabStrip;
    ChooseFilesPage* pageChooseFiles;
    OptionsPage* pageOptions;
    ReportPage* pageReport;
    // By page, in the order of Page.
    std::array<TabPage*, 3> m_pages {};
    StatusFrame* fraStatus;
    FileList* fileList;
    QAction* mnuStart;
    QAction* mnuClearAll;
    std::unique_ptr<WindowLayout> m_layout;
    RunController* m_run = nullptr;
    // The services' opener, telling the user when a link cannot be opened.
    std::unique_ptr<UrlOpener> m_opener;
    bool m_saved = false;
    bool m_toldUnsaved = false;
};

} // namespace quillon
