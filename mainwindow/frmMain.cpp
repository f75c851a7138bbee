#include "mainwindow/frmMain.h"

#include "desktop/BringToFront.h"
#include "desktop/DesktopServices.h"
#include "desktop/ProductLinks.h"
#include "desktop/UserMessages.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmBackupLocation.h"
#include "dialogs/frmCustomAltText.h"
#include "dialogs/frmHelp.h"
#include "filelist/DriveBox.h"
#include "filelist/FileBox.h"
#include "filelist/FolderBox.h"
#include "filelist/FileList.h"
#include "filelist/FolderBrowser.h"
#include "mainwindow/ChooseFilesPage.h"
#include "mainwindow/OptionsPage.h"
#include "mainwindow/ReportPage.h"
#include "mainwindow/RunController.h"
#include "mainwindow/SplitterBar.h"
#include "mainwindow/StatusFrame.h"
#include "mainwindow/TabStrip.h"
#include "mainwindow/Twips.h"
#include "mainwindow/WindowLayout.h"
#include "mainwindow/WindowPlacement.h"
#include "platform/ProgramFolder.h"
#include "settings/StoredOptions.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSessionManager>
#include <QUrl>

// The pictures are compiled into this library; a static library must ask for them.
static void loadPictures()
{
    Q_INIT_RESOURCE(pictures);
}

namespace quillon {

namespace {

const QString kCaption = QStringLiteral(" Brambleworth Quillon ");

enum Page { ChooseFiles = 0, Options = 1, BeginTagging = 2 };

} // namespace

frmMain::frmMain(MainWindowServices services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(std::move(services))
    , m_opener(std::make_unique<TellingOpener>(m_services.opener, *m_services.messages, this))
{
    loadPictures();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kCaption);
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

frmMain::~frmMain()
{
    // The ALT text dialog has no owner to take it along.
    delete dlgCustomAltText;
}

void frmMain::createPages()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    tabStrip = new TabStrip(client);
    tabStrip->setObjectName(QStringLiteral("tabStrip"));
    pageChooseFiles = new ChooseFilesPage;
    pageOptions = new OptionsPage(m_services.settings);
    pageReport = new ReportPage;
    tabStrip->addPage(
        pageChooseFiles, QIcon(QStringLiteral(":/pictures/tab-choose.svg")), QStringLiteral(" Choose Files"));
    tabStrip->addPage(
        pageOptions, QIcon(QStringLiteral(":/pictures/tab-options.svg")), QStringLiteral(" Options"));
    tabStrip->addPage(
        pageReport, QIcon(QStringLiteral(":/pictures/tab-report.svg")), QStringLiteral(" Begin Tagging"));
    tabStrip->setCurrentIndex(ChooseFiles);
    connect(tabStrip, &TabStrip::currentChanged, this, &frmMain::tabStrip_Click);

    fraStatus = new StatusFrame(client);

    UserMessages& messages = *m_services.messages;
    fileList = new FileList(fraStatus->lstFiles, pageChooseFiles->fileChooseFile, messages, this);
    folderBrowser = new FolderBrowser(pageChooseFiles->drvChooseFile, pageChooseFiles->dirChooseFile,
        pageChooseFiles->fileChooseFile, pageChooseFiles->cmdAddFiles, messages, this);
    fileList->setParent(this);
    folderBrowser->setParent(this);
    fileList->connectTo(*folderBrowser);

    auto relayout = [this] { Form_Resize(); };
    pageChooseFiles->picChooseFile->setAfterResize([this] {
        twips::setWidth(pageChooseFiles->drvChooseFile, twips::width(pageChooseFiles->dirChooseFile) + 15);
    });
    pageChooseFiles->picChooseFile->setLayout(relayout);
    fraStatus->picStatus->setLayout(relayout);

    connect(pageReport->cmdStart, &QPushButton::clicked, this, &frmMain::cmdStart_Click);
    connect(pageReport->cmdStop, &QPushButton::clicked, this, &frmMain::cmdStop_Click);
    connect(pageOptions, &OptionsPage::editAltTextRequested, this, &frmMain::cmdEdit_Click);
    connect(pageOptions, &OptionsPage::backupLocationRequested, this, &frmMain::cmdBackupPath_Click);
}

void frmMain::createMenus()
{
    auto action = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuStart = action(mnuFile, "mnuStart", QStringLiteral("&Start "));
    mnuStart->setShortcut(Qt::Key_F4);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("sepFile2"));
    mnuClearAll = action(mnuFile, "mnuClearAll", QStringLiteral("&Clear All"));
    mnuFile->addSeparator()->setObjectName(QStringLiteral("sepFile1"));
    cmdExit = action(mnuFile, "cmdExit", QStringLiteral("E&xit"));

    mnuProcess = menuBar()->addMenu(QStringLiteral("&Process"));
    mnuProcess->setObjectName(QStringLiteral("mnuProcess"));
    mnuChooseFiles = action(mnuProcess, "mnuChooseFiles", QStringLiteral("&Choose Files"));
    mnuOptions = action(mnuProcess, "mnuOptions", QStringLiteral("&Options"));
    mnuBeginTagging = action(mnuProcess, "mnuBeginTagging", QStringLiteral("Begin &Tagging"));

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpContents = action(mnuHelp, "mnuHelpContents", QStringLiteral("Help &Contents"));
    mnuWebsite = action(mnuHelp, "mnuWebsite", QStringLiteral("Quillon &Website"));
    mnuHelp->addSeparator()->setObjectName(QStringLiteral("sepHelp1"));
    mnuAbout = action(mnuHelp, "mnuAbout", QStringLiteral("&About..."));

    connect(mnuStart, &QAction::triggered, this, &frmMain::mnuStart_Click);
    connect(mnuClearAll, &QAction::triggered, this, &frmMain::mnuClearAll_Click);
    connect(cmdExit, &QAction::triggered, this, &frmMain::cmdExit_Click);
    connect(mnuChooseFiles, &QAction::triggered, this, [this] { tabStrip->setCurrentIndex(ChooseFiles); });
    connect(mnuOptions, &QAction::triggered, this, [this] { tabStrip->setCurrentIndex(Options); });
    connect(mnuBeginTagging, &QAction::triggered, this, [this] { tabStrip->setCurrentIndex(BeginTagging); });
    connect(mnuHelpContents, &QAction::triggered, this, &frmMain::mnuHelpContents_Click);
    connect(mnuWebsite, &QAction::triggered, this, &frmMain::mnuWebsite_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
}

void frmMain::connectRun()
{
    const Settings settings = m_services.settings;
    m_runController = new RunController(
        [settings] { return tagOptionsFromSettings(settings); }, m_services.fetcher, this);
    RunController* controller = m_runController;
    connect(controller, &RunController::rowsAdded, fraStatus, &StatusFrame::addRows);
    connect(controller, &RunController::rowChanged, fraStatus, &StatusFrame::changeRow);
    connect(controller, &RunController::rowsCleared, fraStatus, &StatusFrame::clearRows);
    connect(controller, &RunController::countersChanged, pageReport, &ReportPage::showCounters);
    connect(controller, &RunController::progressChanged, pageReport, &ReportPage::showProgress);
    connect(controller, &RunController::fileStarted, this, [this](int index, int count, const QString&) {
        pageReport->showFileStarted(index, count);
        fileList->selectEntry(index);
    });
    connect(controller, &RunController::runFinished, this, &frmMain::DoneScanning);
    connect(pageReport, &ReportPage::percentResized, this, [this] {
        if (tabStrip->currentIndex() == BeginTagging)
            Form_Resize();
    });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            WindowPlacement::SaveWindowSettings(*this, m_services.settings);
            m_saved = true;
        });
    }
}

void frmMain::Form_Load()
{
    WindowPlacement::restore(*this, m_services.settings);
    WindowLayout::applyDesign(*this);
    WindowLayout::applyLoadGeometry(*this);
    folderBrowser->start(m_services.startFolder);
    // The options show what is stored from the start, so the run, the sound and
    // the page agree before the page is first opened.
    pageOptions->PageLoad();
    Form_Resize();
}

double frmMain::windowWidth() const
{
    return WindowPlacement::outerBounds(*this).width();
}

double frmMain::windowHeight() const
{
    return WindowPlacement::outerBounds(*this).height();
}

void frmMain::Form_Resize()
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    const bool laidOut = WindowLayout::run(*this);
    m_inLayout = false;
    if (!laidOut)
        WindowLayout::run(*this);
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
    if (!m_saved) {
        m_saved = true;
        WindowPlacement::SaveWindowSettings(*this, m_services.settings);
    }
    if (m_runController->isRunning())
        m_runController->stop();
    event->accept();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void frmMain::tabStrip_Click()
{
    Form_Resize();
    const int page = tabStrip->currentIndex();
    if (page == Options)
        pageOptions->PageLoad();
    if (page == BeginTagging && !m_runController->isRunning())
        pageReport->showFilesToTag(fileList->FileCount());
}

void frmMain::mnuStart_Click()
{
    tabStrip->setCurrentIndex(BeginTagging);
    repaint();
    cmdStart_Click();
}

void frmMain::mnuClearAll_Click()
{
    ClearStatus();
}

void frmMain::cmdExit_Click()
{
    close();
}

void frmMain::cmdStart_Click()
{
    if (m_runController->isRunning())
        return;
    const Settings& settings = m_services.settings;
    UserMessages& messages = *m_services.messages;
    if (settings.isTrue(keys::OnlineMode)) {
        const std::optional<bool> online
            = m_services.isOnline ? m_services.isOnline() : std::optional<bool>(true);
        if (!online)
            messages.show(
                this, QStringLiteral("Brambleworth Quillon"), QStringLiteral("ERROR"), MessageIcon::None);
        if (!online.value_or(false)) {
            const MessageAnswer answer = messages.show(this,
                QStringLiteral("Unable to tag in Online Mode..."),
                QStringLiteral(
                    "You must have an internet connection established in order to tag in Online Mode.\r\n\r\n"
                    "Continue in Offline Mode?"),
                MessageIcon::None, MessageButtons::YesNo);
            if (answer != MessageAnswer::Yes) {
                tabStrip->setCurrentIndex(ChooseFiles);
                return;
            }
            settings.write(keys::OnlineMode, QString::fromLatin1(values::False));
        }
    }

    const int count = fileList->FileCount();
    pageReport->resetForRun(count);
    if (count > 0) {
        setRunning(true);
        m_runController->start(fileList->paths());
    } else {
        messages.show(this, QStringLiteral("Not Ready..."),
            QStringLiteral("You must first select the files to add image tag properties to."),
            MessageIcon::Information);
        tabStrip->setCurrentIndex(ChooseFiles);
    }
}

void frmMain::cmdStop_Click()
{
    m_runController->stop();
}

// Enter on the report page presses the start button, as the window's default
// button; a button or box with the focus that takes Enter itself keeps it.
void frmMain::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && tabStrip->currentIndex() == BeginTagging && pageReport->cmdStart->isEnabled()) {
        pageReport->cmdStart->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void frmMain::DoneScanning(bool stopped)
{
    if (stopped)
        pageReport->showStopped();
    else
        pageReport->showDone();
    if (pageOptions->chkSound->isChecked() && m_services.sound)
        m_services.sound->play(findDataFile(QStringLiteral("done.wav")));
    setRunning(false);
    emit runEnded();
}

void frmMain::mnuHelpContents_Click()
{
    if (!dlgHelp)
        dlgHelp = new frmHelp(findDataFile(QStringLiteral("yarrow.html")), m_opener.get(), this);
    bringToFront(dlgHelp.data());
}

void frmMain::mnuWebsite_Click()
{
    m_opener->open(QUrl(QString::fromLatin1(links::AuthorPage)));
}

void frmMain::mnuAbout_Click()
{
    if (!dlgAbout)
        dlgAbout = new frmAbout(m_opener.get(), this);
    bringToFront(dlgAbout.data());
}

// The ALT text and backup location dialogs load the store when they open, so
// each opening makes a new one; asking again while one is open brings it up.
void frmMain::cmdEdit_Click()
{
    if (!dlgCustomAltText) {
        dlgCustomAltText = new frmCustomAltText(m_services.settings, this);
        dlgCustomAltText->setAttribute(Qt::WA_DeleteOnClose);
        dlgCustomAltText->setWindowIcon(windowIcon());
    }
    bringToFront(dlgCustomAltText.data());
}

void frmMain::cmdBackupPath_Click()
{
    if (!dlgBackupLocation) {
        dlgBackupLocation = new frmBackupLocation(m_services.settings, *m_services.messages, this);
        dlgBackupLocation->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringToFront(dlgBackupLocation.data());
}

void frmMain::openPages(const QStringList& paths)
{
    fileList->addPages(paths);
}

void frmMain::setRunning(bool running)
{
    pageReport->setRunning(running);
    mnuStart->setEnabled(!running);
    mnuClearAll->setEnabled(!running);
    fileList->setLocked(running);
    pageChooseFiles->cmdAddFiles->setEnabled(!running && pageChooseFiles->fileChooseFile->count() > 0);
}

void frmMain::ClearStatus()
{
    if (m_runController->isRunning())
        return;
    pageReport->clear();
    fileList->mnuFileListRemoveAll_Click();
    m_runController->ClearStatus();
}

} // namespace quillon
