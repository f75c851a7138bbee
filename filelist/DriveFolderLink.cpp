#include "filelist/DriveFolderLink.h"

#include "desktop/UserMessages.h"
#include "filelist/DriveBox.h"
#include "filelist/FolderBox.h"

#include <QDir>
#include <QFileInfo>

namespace quillon {

DriveFolderLink::DriveFolderLink(
    DriveBox* drives, FolderBox* folders, UserMessages& messages, QWidget* messageParent, QObject* parent)
    : QObject(parent)
    , m_drives(drives)
    , m_folders(folders)
    , m_messages(messages)
    , m_messageParent(messageParent)
{
    connect(m_drives, &DriveBox::driveChosen, this, &DriveFolderLink::driveChosen);
    connect(m_folders, &FolderBox::folderChanged, this, &DriveFolderLink::folderChanged);
}

bool DriveFolderLink::start(const QString& folder)
{
    const QString before = m_folders->path();
    const QString wanted = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString candidate = wanted;
    bool opened = false;
    for (;;) {
        opened = m_folders->setPath(candidate);
        if (opened || QDir(candidate).isRoot())
            break;
        candidate = QFileInfo(candidate).path();
    }
    const bool exact = opened && candidate == wanted;
    if (!opened)
        opened = m_folders->setPath(QDir::homePath());
    // Opening the folder already shown raises no change, yet whoever shows its
    // contents has to catch up with what is on disk now.
    if (opened && m_folders->path() == before)
        folderChanged(before);
    return exact;
}

QString DriveFolderLink::lastFolderOn(const QString& root) const
{
    return m_lastFolder.value(root);
}

void DriveFolderLink::driveChosen(const QString& root)
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

void DriveFolderLink::folderChanged(const QString& path)
{
    const QString volume = m_drives->volumeOf(path);
    if (!volume.isEmpty()) {
        m_lastFolder.insert(volume, path);
        m_drives->setDrive(volume);
    }
    emit folderShown(path);
}

} // namespace quillon
