#pragma once

#include <QObject>
#include <QString>

class QPushButton;
class QWidget;

namespace quillon {

class DriveBox;
class DriveFolderLink;
class FileBox;
class FolderBox;
class UserMessages;

// Keeps the Choose Files page's drive, folder and file boxes and its add button
// in step, and passes the user's requests to add files on to the file list.
// It has no parent: whoever creates it owns it and keeps it alive no longer
// than the boxes.
class FolderBrowser : public QObject {
    Q_OBJECT
public:
    FolderBrowser(DriveBox* drvChooseFile, FolderBox* dirChooseFile, FileBox* fileChooseFile,
        QPushButton* cmdAddFiles, UserMessages& messages, QWidget* messageParent);

    // Opens folder and selects the volume holding it. A folder that cannot be
    // opened gives way to its nearest openable ancestor, then the home folder.
    void start(const QString& folder);

    // The folder last visited on the volume with this root; empty when none.
    QString lastFolderOn(const QString& root) const;

signals:
    // A file double-clicked in the file box.
    void addOneRequested(const QString& name);
    // The add button clicked: add the file box's selected files.
    void addSelectedRequested();

private:
    void dirChooseFile_Change(const QString& path);

    // The drive and folder boxes' own rules, shared with the backup location dialog.
    DriveFolderLink* m_link;
    FileBox* m_files;
    QPushButton* m_cmdAddFiles;
};

} // namespace quillon
