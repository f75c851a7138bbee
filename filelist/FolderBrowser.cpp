#include "filelist/FolderBrowser.h"

#include "filelist/DriveFolderLink.h"
#include "filelist/FileBox.h"

#include <QPushButton>

namespace quillon {

FolderBrowser::FolderBrowser(DriveBox* drvChooseFile, FolderBox* dirChooseFile, FileBox* fileChooseFile,
    QPushButton* cmdAddFiles, UserMessages& messages, QWidget* messageParent)
    : m_link(new DriveFolderLink(drvChooseFile, dirChooseFile, messages, messageParent, this))
    , m_files(fileChooseFile)
    , m_cmdAddFiles(cmdAddFiles)
{
    connect(m_link, &DriveFolderLink::folderShown, this, &FolderBrowser::dirChooseFile_Change);
    connect(m_files, &FileBox::fileActivated, this, &FolderBrowser::addOneRequested);
    connect(m_cmdAddFiles, &QPushButton::clicked, this, &FolderBrowser::addSelectedRequested);
}

void FolderBrowser::start(const QString& folder)
{
    m_link->start(folder);
}

QString FolderBrowser::lastFolderOn(const QString& root) const
{
    return m_link->lastFolderOn(root);
}

void FolderBrowser::dirChooseFile_Change(const QString& path)
{
    m_files->setFolder(path);
    m_cmdAddFiles->setEnabled(m_files->count() > 0);
}

} // namespace quillon
