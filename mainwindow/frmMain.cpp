#include "mainwindow/frmMain.h"

#include "desktop/UserMessages.h"
#include "dialogs/HelpWindows.h"
#include "filelist/FileList.h"
#include "filelist/FolderBrowser.h"
#include "mainwindow/ChooseFilesPage.h"
#include "mainwindow/LayoutRunner.h"
#include "mainwindow/OptionsPage.h"
#include "mainwindow/ReportPage.h"
#include "mainwindow/RestoreBackups.h"
#include "mainwindow/RunController.h"
#include "mainwindow/StatusFrame.h"
#include "mainwindow/TabStrip.h"
#include "mainwindow/Twips.h"
#include "mainwindow/UnsavedOptionNotice.h"
#include "mainwindow/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QSessionManager>

// The pictures are compiled into this library; a static library must ask for them.
static void loadPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace quillon {

frmMain::frmMain(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
    , m_unsaved(std::make_unique<UnsavedOptionNotice>(m_services.settings, *m_services.messages, this))
{
    loadPictures();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral(" Brambleworth Quillon "));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/quillon.svg")));
    // The layout's twips were made for an 8-point face; a larger one clips captions.
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);

    createPages();
    createMenus();
    connectRun();
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::createPages()
{
    // The window's own share of the layout: the page control and the status frame
    // follow its outer size. Made before them, it is gone before they are.
    m_layout = new LayoutRunner(*this, QSizeF(7000, 5500), [this](const QSizeF& outer) {
        tabStrip->layOut(outer.width());
        fraStatus->layOut(outer);
    });

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    UserMessages& messages = *m_services.messages;
    tabStrip = new TabStrip(client);
    tabStrip->setObjectName(QStringLiteral("tabStrip"));
    pageChooseFiles = new ChooseFilesPage(messages);
    pageOptions = new OptionsPage(m_services.settings, messages);
    pageReport = new ReportPage;
    tabStrip->addPage(
        pageChooseFiles, QIcon(QStringLiteral(":/pictures/tab-choose.svg")), QStringLiteral(" Choose Files"));
    tabStrip->addPage(
        pageOptions, QIcon(QStringLiteral(":/pictures/tab-options.svg")), QStringLiteral(" Options"));
    tabStrip->addPage(
        pageReport, QIcon(QStringLiteral(":/pictures/tab-report.svg")), QStringLiteral(" Begin Tagging"));
    showPage(Page::ChooseFiles);

    fraStatus = new StatusFrame(client);
    fileList = new FileList(fraStatus->fileListBox(), pageChooseFiles->fileBox(), messages, this);
    fileList->setParent(this);
    fileList->connectTo(pageChooseFiles->browser());

    connect(tabStrip, &TabStrip::currentChanged, this, &frmMain::tabStrip_Click);
    connect(pageChooseFiles, &ChooseFilesPage::layoutNeeded, m_layout, &LayoutRunner::run);
    connect(fraStatus, &StatusFrame::layoutNeeded, m_layout, &LayoutRunner::run);
    connect(pageReport, &ReportPage::startClicked, this, &frmMain::cmdStart_Click);
    connect(pageReport, &ReportPage::stopClicked, this, &frmMain::cmdStop_Click);
}

void frmMain::createMenus()
{
    m_help = new HelpWindows(m_services.opener, *m_services.messages, this);
    QMenu* menu = nullptr;
    auto addMenu = [&](const char* name, const QString& caption) {
        menu = menuBar()->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
    };
    // An entry of the last menu added; choosing it runs the receiver's handler.
    auto add = [&](const char* name, const QString& caption, auto* receiver, auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, receiver, handler);
        return action;
    };
    auto separator
        = [&](const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    addMenu("mnuFile", QStringLiteral("&File"));
    mnuStart = add("mnuStart", QStringLiteral("&Start "), this, &frmMain::mnuStart_Click);
    mnuStart->setShortcut(Qt::Key_F4);
    separator("sepFile2");
    mnuClearAll = add("mnuClearAll", QStringLiteral("&Clear All"), this, &frmMain::ClearStatus);
    separator("sepFile1");
    add("cmdExit", QStringLiteral("E&xit"), this, &frmMain::close);

    addMenu("mnuProcess", QStringLiteral("&Process"));
    add("mnuChooseFiles", QStringLiteral("&Choose Files"), this, [this] { showPage(Page::ChooseFiles); });
    add("mnuOptions", QStringLiteral("&Options"), this, [this] { showPage(Page::Options); });
    add("mnuBeginTagging", QStringLiteral("Begin &Tagging"), this, [this] { showPage(Page::BeginTagging); });
    add("mnuRestoreBackups", QStringLiteral("&Restore Backups"), this, [this] {
        RestoreBackups(*m_run, m_services.settings, *m_services.messages, this).restore(fileList->paths());
    });

    addMenu("mnuHelp", QStringLiteral("&Help"));
    add("mnuHelpContents", QStringLiteral("Help &Contents"), m_help, &HelpWindows::mnuHelpContents_Click)
        ->setShortcut(Qt::Key_F1);
    add("mnuWebsite", QStringLiteral("Quillon &Website"), m_help, &HelpWindows::mnuWebsite_Click);
    separator("sepHelp1");
    add("mnuAbout", QStringLiteral("&About..."), m_help, &HelpWindows::mnuAbout_Click);
}

void frmMain::connectRun()
{
    m_run = new RunController(RunServices { m_services.settings, m_services.messages, this,
                                  m_services.isOnline, m_services.sound, m_services.fetcher },
        this);
    connect(m_run, &RunController::rowsAdded, fraStatus, &StatusFrame::addRows);
    connect(m_run, &RunController::rowChanged, fraStatus, &StatusFrame::changeRow);
    connect(m_run, &RunController::rowsCleared, fraStatus, &StatusFrame::clearRows);
    connect(m_run, &RunController::preparing, pageReport, &ReportPage::resetForRun);
    connect(m_run, &RunController::countersChanged, pageReport, &ReportPage::showCounters);
    connect(m_run, &RunController::progressChanged, pageReport, &ReportPage::showProgress);
    connect(m_run, &RunController::fileStarted, pageReport, &ReportPage::showFileStarted);
    connect(m_run, &RunController::fileStarted, fileList, &FileList::selectEntry);
    connect(m_run, &RunController::runFinished, pageReport, &ReportPage::showFinished);
    connect(m_run, &RunController::runningChanged, this, &frmMain::setRunning);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { SaveWindowSettings(); });
}

void frmMain::Form_Load()
{
    WindowPlacement::restore(*this, m_services.settings);
    tabStrip->applyDesign();
    fraStatus->applyDesign(twips::top(tabStrip) + twips::height(tabStrip) + 50);
    pageChooseFiles->browser().start(m_services.startFolder);
    // The options show what is stored from the start, so the run, the sound and
    // the page agree before the page is first opened.
    pageOptions->PageLoad();
    m_layout->run();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    SaveWindowSettings();
    m_run->stop();
    event->accept();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

// Placement is stored once, on the way out.
void frmMain::SaveWindowSettings()
{
    if (!std::exchange(m_saved, true))
        WindowPlacement::SaveWindowSettings(*this, m_services.settings);
}

frmMain::Page frmMain::currentPage() const
{
    return static_cast<Page>(tabStrip->currentIndex());
}

void frmMain::showPage(Page page)
{
    tabStrip->setCurrentIndex(static_cast<int>(page));
}

void frmMain::tabStrip_Click()
{
    m_layout->run();
    if (currentPage() == Page::BeginTagging && !m_run->isRunning())
        pageReport->showFilesToTag(fileList->FileCount());
}

void frmMain::mnuStart_Click()
{
    showPage(Page::BeginTagging);
    repaint();
    cmdStart_Click();
}

void frmMain::cmdStart_Click()
{
    if (!m_run->isRunning() && !m_run->begin(fileList->paths(), pageOptions->playsDoneSound()))
        showPage(Page::ChooseFiles);
}

void frmMain::cmdStop_Click()
{
    m_run->stop();
}

// Every page follows a run: the options it started with and the list it goes
// through stay as they are until it ends.
void frmMain::setRunning(bool running)
{
    tabStrip->setRunning(running);
    fileList->setLocked(running);
    mnuStart->setEnabled(!running);
    mnuClearAll->setEnabled(!running);
    if (!running)
        emit runEnded();
}

void frmMain::ClearStatus()
{
    if (m_run->isRunning())
        return;
    pageReport->clear();
    fileList->mnuFileListRemoveAll_Click();
    m_run->ClearStatus();
}

void frmMain::openPages(const QStringList& paths)
{
    fileList->addPages(paths);
}

} // namespace quillon
