#include "filelist/FolderBrowser.h"

#include "dialogs/UserMessages.h"
#include "filelist/DriveBox.h"
#include "filelist/FileBox.h"
#include "filelist/FolderBox.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace quillon {

FolderBrowser::FolderBrowser(DriveBox* drvChooseFile, FolderBox* dirChooseFile, FileBox* fileChooseFile,
    QPushButton* cmdAddFiles, UserMessages& messages, QWidget* messageParent)
    : m_drives(drvChooseFile)
    , m_folders(dirChooseFile)
    , m_files(fileChooseFile)
    , m_cmdAddFiles(cmdAddFiles)
    , m_messages(messages)
    , m_messageParent(messageParent)
{
    connect(m_drives, &DriveBox::driveChosen, this, &FolderBrowser::drvChooseFile_Change);
    connect(m_folders, &FolderBox::folderChanged, this, &FolderBrowser::dirChooseFile_Change);
    connect(m_files, &FileBox::fileActivated, this, &FolderBrowser::addOneRequested);
    connect(m_cmdAddFiles, &QPushButton::clicked, this, &FolderBrowser::addSelectedRequested);
}

void FolderBrowser::start(const QString& folder)
{
    const QString before = m_folders->path();
    bool opened = false;
    QString candidate = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (;;) {
        opened = m_folders->setPath(candidate);
        if (opened || QDir(candidate).isRoot())
            break;
        candidate = QFileInfo(candidate).path();
    }
    if (!opened)
        opened = m_folders->setPath(QDir::homePath());
    // Opening the folder already shown raises no change; the file box and the
    // add button still have to catch up with what is on disk now.
    if (opened && m_folders->path() == before)
        dirChooseFile_Change(before);
}

QString FolderBrowser::lastFolderOn(const QString& root) const
{
    return m_lastFolder.value(root);
}

void FolderBrowser::drvChooseFile_Change(const QString& root)
{
    const QString remembered = m_lastFolder.value(root);
    bool moved = !remembered.isEmpty() && m_folders->setPath(remembered);
    // The remembered folder may have gone since; the root is the drive's own.
    if (!moved)
        moved = m_folders->setPath(root);
    if (moved)
        return;

    m_messages.show(m_messageParent, QStringLiteral("Error"),
        QStringLiteral("The drive you selected is not accessable. Please insert a disk or try "
                       "another drive."),
        MessageIcon::Exclamation, MessageButtons::Ok);
    m_drives->setDrive(m_drives->volumeOf(m_folders->path()));
}

void FolderBrowser::dirChooseFile_Change(const QString& path)
{
    // Browsing can cross into another volume (a mount point below the root);
    // the drive box follows the folder box.
    const QString volume = m_drives->volumeOf(path);
    if (!volume.isEmpty()) {
        m_lastFolder.insert(volume, path);
        m_drives->setDrive(volume);
    }
    m_files->setFolder(path);
    m_cmdAddFiles->setEnabled(m_files->count() > 0);
}

} // namespace quillon
