#pragma once

#include "settings/SettingKeys.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace quillon {

// A folder the dialog chooses: the key it is stored under, the dialog's
// title, and whether "no folder" may be chosen too.
struct FolderChoice {
    SettingKey key;
    const char* title;
    bool mayBeNone;
};
inline constexpr FolderChoice BackupFolderChoice { keys::BackupPath,
    "Choose a directory to store backups ...", false };
// Where pictures named "/..." are found; none leaves such pictures unfound.
inline constexpr FolderChoice SiteRootChoice { keys::SiteRoot, "Choose the site root folder ...", true };

class DriveBox;
class DriveFolderLink;
class FolderBox;
class UserMessages;

// Where global backups go (or another stored folder, such as the site root):
// the user browses to a folder, the label shows it, and O&K stores the
// label's text. Cancel and the close box store nothing; &None, where offered,
// stores that there is no folder.
class frmBackupLocation : public QDialog {
    Q_OBJECT
public:
    // Owned by mainWindow, which O&K and Cancel bring to the front.
    frmBackupLocation(Settings settings, UserMessages& messages, QWidget* mainWindow,
        const FolderChoice& choice = BackupFolderChoice);

    DriveBox* Drive1;
    FolderBox* Dir1;
    QLabel* lblPath;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QPushButton* cmdNone = nullptr;

    // Shows the stored folder (done when the dialog is made): the label gets the
    // stored text, the folder box that folder or, when it is missing, the
    // nearest folder there is, and the drive box the volume the label names.
    void Form_Load();

private:
    void Dir1_Change(const QString& path);
    void cmdOK_Click();
    void cmdCancel_Click();

    Settings m_settings;
    FolderChoice m_choice;
    QPointer<QWidget> m_mainWindow;
    DriveFolderLink* m_link;
    // While loading, a stored folder that cannot be opened keeps its text in
    // the label though the folder box opens somewhere near it.
    bool m_loading = false;
};

} // namespace quillon
