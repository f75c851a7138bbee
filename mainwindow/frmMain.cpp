#include "mainwindow/frmMain.h"

#include "desktop/BringToFront.h"
#include "desktop/DesktopServices.h"
#include "desktop/ProductLinks.h"
#include "desktop/UserMessages.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmHelp.h"
#include "filelist/FileList.h"
#include "filelist/FolderBrowser.h"
#include "mainwindow/ChooseFilesPage.h"
#include "mainwindow/OptionsPage.h"
#include "mainwindow/ReportPage.h"
#include "mainwindow/RestoreBackups.h"
#include "mainwindow/RunController.h"
#include "mainwindow/StatusFrame.h"
#include "mainwindow/TabStrip.h"
#include "mainwindow/WindowLayout.h"
#include "mainwindow/WindowPlacement.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSessionManager>
#include <QUrl>

// The pictures are compiled into this library; a static library must ask for them.
static void loadPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace quillon {

frmMain::frmMain(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
    , m_opener(std::make_unique<TellingOpener>(m_services.opener, *m_services.messages, this))
{
    loadPictures();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral(" Brambleworth Quillon "));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/quillon.svg")));
    // The layout's twips were made for an 8-point face; a larger one clips captions.
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);
    m_services.settings.setWriteFailureHandler([this](const QString& file) { tellUnsaved(file); });

    createPages();
    createMenus();
    connectRun();
    Form_Load();
}

frmMain::~frmMain()
{
    m_services.settings.setWriteFailureHandler(nullptr);
}

void frmMain::createPages()
{
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
    m_pages = { pageChooseFiles, pageOptions, pageReport };
    showPage(Page::ChooseFiles);
    connect(tabStrip, &TabStrip::currentChanged, this, &frmMain::tabStrip_Click);

    fraStatus = new StatusFrame(client);
    fileList = new FileList(fraStatus->fileListBox(), pageChooseFiles->fileBox(), messages, this);
    fileList->setParent(this);
    fileList->connectTo(pageChooseFiles->browser());

    connect(pageChooseFiles, &ChooseFilesPage::layoutNeeded, this, &frmMain::Form_Resize);
    connect(fraStatus, &StatusFrame::layoutNeeded, this, &frmMain::Form_Resize);
    connect(pageReport, &ReportPage::startClicked, this, &frmMain::cmdStart_Click);
    connect(pageReport, &ReportPage::stopClicked, this, &frmMain::cmdStop_Click);
}

void frmMain::createMenus()
{
    QMenu* menu = nullptr;
    auto addMenu = [&](const char* name, const QString& caption) {
        menu = menuBar()->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
    };
    auto add = [&](const char* name, const QString& caption, auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    auto separator
        = [&](const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    addMenu("mnuFile", QStringLiteral("&File"));
    mnuStart = add("mnuStart", QStringLiteral("&Start "), &frmMain::mnuStart_Click);
    mnuStart->setShortcut(Qt::Key_F4);
    separator("sepFile2");
    mnuClearAll = add("mnuClearAll", QStringLiteral("&Clear All"), &frmMain::ClearStatus);
    separator("sepFile1");
    add("cmdExit", QStringLiteral("E&xit"), &frmMain::close);

    addMenu("mnuProcess", QStringLiteral("&Process"));
    add("mnuChooseFiles", QStringLiteral("&Choose Files"), [this] { showPage(Page::ChooseFiles); });
    add("mnuOptions", QStringLiteral("&Options"), [this] { showPage(Page::Options); });
    add("mnuBeginTagging", QStringLiteral("Begin &Tagging"), [this] { showPage(Page::BeginTagging); });
    add("mnuRestoreBackups", QStringLiteral("&Restore Backups"), [this] {
        RestoreBackups(*m_run, m_services.settings, *m_services.messages, this).restore(fileList->paths());
    });

    addMenu("mnuHelp", QStringLiteral("&Help"));
    add("mnuHelpContents", QStringLiteral("Help &Contents"), &frmMain::mnuHelpContents_Click)
        ->setShortcut(Qt::Key_F1);
    add("mnuWebsite", QStringLiteral("Quillon &Website"),
        [this] { m_opener->open(QUrl(QString::fromLatin1(links::AuthorPage))); });
    separator("sepHelp1");
    add("mnuAbout", QStringLiteral("&About..."), &frmMain::mnuAbout_Click);
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
    connect(m_run, &RunController::fileStarted, this, [this](int index, int count, const QString&) {
        pageReport->showFileStarted(index, count);
        fileList->selectEntry(index);
    });
    connect(m_run, &RunController::runFinished, this, [this](bool stopped, int filesHandled) {
        stopped ? pageReport->showStopped(filesHandled) : pageReport->showDone();
    });
    connect(m_run, &RunController::runningChanged, this, &frmMain::setRunning);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { SaveWindowSettings(); });
}

void frmMain::Form_Load()
{
    m_layout = std::make_unique<WindowLayout>(*this, *tabStrip, *fraStatus, m_pages);
    WindowPlacement::restore(*this, m_services.settings);
    m_layout->applyDesign();
    pageChooseFiles->browser().start(m_services.startFolder);
    // The options show what is stored from the start, so the run, the sound and
    // the page agree before the page is first opened.
    pageOptions->PageLoad();
    Form_Resize();
}

void frmMain::Form_Resize()
{
    if (m_layout)
        m_layout->run();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void frmMain::closeEvent(QCloseEvent* event)
{
    SaveWindowSettings();
    m_run->stop();
    event->accept();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

// Placement is stored once, on the way out, where no message box may stop the program.
void frmMain::SaveWindowSettings()
{
    if (std::exchange(m_saved, true))
        return;
    m_services.settings.setWriteFailureHandler(nullptr);
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
    Form_Resize();
    if (currentPage() == Page::Options)
        pageOptions->PageLoad();
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

// Enter on the report page presses the start button, as the window's default
// button; a button or box with the focus that takes Enter itself keeps it.
void frmMain::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!(enter && currentPage() == Page::BeginTagging && pageReport->pressDefaultButton()))
        QMainWindow::keyPressEvent(event);
}

// Every page follows a run: the options it started with and the list it goes
// through stay as they are until it ends.
void frmMain::setRunning(bool running)
{
    for (TabPage* page : m_pages)
        page->setRunning(running);
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

void frmMain::takeHandedOverPages(const QStringList& paths)
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    bringToFront(this);
    openPages(paths);
}

// An option that cannot be stored would be lost at the next start; the user
// hears of it once, with the place of the file that could not be written.
void frmMain::tellUnsaved(const QString& file)
{
    if (std::exchange(m_toldUnsaved, true))
        return;
    m_services.messages->show(this, QStringLiteral("Option not saved..."),
        QStringLiteral("The option could not be saved. Options are kept in the file: %1").arg(file),
        MessageIcon::Exclamation);
}

// The help and About windows are made once and brought up again.
void frmMain::mnuHelpContents_Click()
{
    auto* help = findChild<frmHelp*>();
    bringToFront(
        help ? help : new frmHelp(findDataFile(QStringLiteral("yarrow.html")), m_opener.get(), this));
}

void frmMain::mnuAbout_Click()
{
    auto* about = findChild<frmAbout*>();
    bringToFront(about ? about : new frmAbout(m_opener.get(), this));
}

} // namespace quillon
