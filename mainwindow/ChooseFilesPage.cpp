#include "mainwindow/ChooseFilesPage.h"

#include "filelist/DriveBox.h"
#include "filelist/FileBox.h"
#include "filelist/FolderBox.h"
#include "filelist/FolderBrowser.h"
#include "mainwindow/SplitterBar.h"
#include "mainwindow/Twips.h"
#include "mainwindow/PageLayout.h"

#include <QLabel>
#include <QPushButton>

namespace quillon {

ChooseFilesPage::ChooseFilesPage(UserMessages& messages, QWidget* parent)
    : TabPage(parent)
{
    setObjectName(QStringLiteral("pageChooseFiles"));
    Label1 = new QLabel(QStringLiteral("Choose the HTML file(s) to add image tags to..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dirChooseFile = new FolderBox(this);
    dirChooseFile->setObjectName(QStringLiteral("dirChooseFile"));
    drvChooseFile = new DriveBox(this);
    drvChooseFile->setObjectName(QStringLiteral("drvChooseFile"));
    fileChooseFile = new FileBox(this);
    fileChooseFile->setObjectName(QStringLiteral("fileChooseFile"));
    picChooseFile = new SplitterBar(dirChooseFile, fileChooseFile, this);
    picChooseFile->setObjectName(QStringLiteral("picChooseFile"));
    cmdAddFiles = new QPushButton(QStringLiteral("Add File(s)"), this);
    cmdAddFiles->setObjectName(QStringLiteral("cmdAddFiles"));
    cmdAddFiles->setToolTip(QStringLiteral("Add selected files"));
    cmdAddFiles->setEnabled(false);

    m_browser = std::make_unique<FolderBrowser>(
        drvChooseFile, dirChooseFile, fileChooseFile, cmdAddFiles, messages, this);
    picChooseFile->setAfterResize([this] { followFolderWidth(); });
    picChooseFile->setLayout([this] { emit layoutNeeded(); });
}

ChooseFilesPage::~ChooseFilesPage() = default;

void ChooseFilesPage::applyDesign()
{
    using twips::height, twips::setGeometry;
    setGeometry(Label1, 135, 495, 5265, 255);
    setGeometry(dirChooseFile, 165, 850, 2280, 1440);
    setGeometry(drvChooseFile, 165, 2400, 2280, 315);
    setGeometry(fileChooseFile, 2585, 850, 3000, 1845);
    setGeometry(picChooseFile, 2470, 850, 90, height(fileChooseFile) - 10);
    setGeometry(cmdAddFiles, 4025, 2760, 1560, 330);
    followFolderWidth();
}

void ChooseFilesPage::followFolderWidth()
{
    using twips::setWidth, twips::width;
    setWidth(drvChooseFile, width(dirChooseFile) + 15);
}

void ChooseFilesPage::layOut(double W, double)
{
    using twips::left, twips::setLeft, twips::setWidth, twips::width;
    if (PageLayout::limitLeftNeighbour(dirChooseFile, picChooseFile, W - 400))
        followFolderWidth();
    setLeft(picChooseFile, left(dirChooseFile) + width(dirChooseFile) + 25);
    setLeft(fileChooseFile, left(picChooseFile) + width(picChooseFile) + 25);
    setWidth(fileChooseFile, W - left(fileChooseFile) - 400);
    setLeft(cmdAddFiles, left(fileChooseFile) + width(fileChooseFile) - width(cmdAddFiles));
}

void ChooseFilesPage::setRunning(bool running)
{
    cmdAddFiles->setEnabled(!running && fileChooseFile->count() > 0);
}

} // namespace quillon
