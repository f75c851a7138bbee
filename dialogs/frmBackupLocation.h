#pragma once

#include "settings/SettingKeys.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace quillon {

class DriveBox;
class DriveFolderLink;
class FolderBox;
class UserMessages;

// Where global backups go: the user browses to a folder, the label shows it,
// and O&K stores the label's text. Cancel and the close box store nothing.
class frmBackupLocation : public QDialog {
    Q_OBJECT
public:
    // Owned by mainWindow, which O&K and Cancel bring to the front.
    frmBackupLocation(Settings settings, UserMessages& messages, QWidget* mainWindow);

    DriveBox* Drive1;
    FolderBox* Dir1;
    QLabel* lblPath;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // Shows the stored folder (done when the dialog is made): the label gets the
    // stored text, the folder box that folder or, when it is missing, the
    // nearest folder there is, and the drive box the volume the label names.
    void Form_Load();

private:
    void Dir1_Change(const QString& path);
    void cmdOK_Click();
    void cmdCancel_Click();

    Settings m_settings;
    QPointer<QWidget> m_mainWindow;
    DriveFolderLink* m_link;
    // While loading, a stored folder that cannot be opened keeps its text in
    // the label though the folder box opens somewhere near it.
    bool m_loading = false;
};

} // namespace quillon
