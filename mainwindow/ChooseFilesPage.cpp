#include "mainwindow/ChooseFilesPage.h"

#include "filelist/DriveBox.h"
#include "filelist/FileBox.h"
#include "filelist/FolderBox.h"
#include "mainwindow/SplitterBar.h"
#include "mainwindow/Twips.h"

#include <QLabel>
#include <QPushButton>

namespace quillon {

ChooseFilesPage::ChooseFilesPage(QWidget* parent)
    : QWidget(parent)
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
}

} // namespace quillon
