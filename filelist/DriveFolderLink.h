#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QWidget;

namespace quillon {

class DriveBox;
class FolderBox;
class UserMessages;

// Keeps a drive box and a folder box in step, wherever the two appear together
// (the Choose Files page, the backup location dialog). Choosing a drive opens
// the folder last visited on it, or its root; a drive that cannot be opened is
// told to the user and the drive box goes back to the folder's volume. Browsing
// into another volume (a mount point) moves the drive box along.
class DriveFolderLink : public QObject {
    Q_OBJECT
public:
    DriveFolderLink(DriveBox* drives, FolderBox* folders, UserMessages& messages, QWidget* messageParent,
        QObject* parent = nullptr);

    // Opens folder and selects the volume holding it. A folder that cannot be
    // opened gives way to its nearest openable ancestor, then the home folder.
    // True when folder itself was opened.
    bool start(const QString& folder);

    // The folder last visited on the volume with this root; empty when none.
    QString lastFolderOn(const QString& root) const;

signals:
    // The folder box shows path: it changed, or start() opened the folder it
    // already showed (what lies in it may have changed since).
    void folderShown(const QString& path);

private:
    void driveChosen(const QString& root);
    void folderChanged(const QString& path);

    DriveBox* m_drives;
    FolderBox* m_folders;
    UserMessages& m_messages;
    QWidget* m_messageParent;
    // Each volume's current folder, so that coming back to a volume goes back
    // to where the user was on it.
    QHash<QString, QString> m_lastFolder;
};

} // namespace quillon
