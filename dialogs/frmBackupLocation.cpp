#include "dialogs/frmBackupLocation.h"

#include "desktop/BringToFront.h"
#include "filelist/DriveBox.h"
#include "filelist/DriveFolderLink.h"
#include "filelist/FolderBox.h"
#include "platform/Paths.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace quillon {

frmBackupLocation::frmBackupLocation(
    Settings settings, UserMessages& messages, QWidget* mainWindow, const FolderChoice& choice)
    : QDialog(mainWindow)
    , m_settings(std::move(settings))
    , m_choice(choice)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmBackupLocation"));
    setWindowTitle(QString::fromLatin1(choice.title));
    setModal(false);

    lblPath = new QLabel(this);
    lblPath->setObjectName(QStringLiteral("lblPath"));
    lblPath->setFrameShape(QFrame::StyledPanel);
    lblPath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPath->setMinimumWidth(lblPath->fontMetrics().averageCharWidth() * 50);
    Drive1 = new DriveBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Dir1 = new FolderBox(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setMinimumHeight(Dir1->fontMetrics().height() * 14);
    cmdOK = new QPushButton(QStringLiteral("O&K"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    if (choice.mayBeNone) {
        cmdNone = new QPushButton(QStringLiteral("&None"), this);
        cmdNone->setObjectName(QStringLiteral("cmdNone"));
        buttons->insertWidget(1, cmdNone);
        connect(cmdNone, &QPushButton::clicked, this, [this] {
            m_settings.write(m_choice.key, QString());
            cmdCancel_Click();
        });
    }
    auto* layout = new QGridLayout(this);
    layout->addWidget(lblPath, 0, 0);
    layout->addWidget(Dir1, 1, 0);
    layout->addWidget(Drive1, 2, 0);
    layout->addLayout(buttons, 3, 0);

    m_link = new DriveFolderLink(Drive1, Dir1, messages, this, this);
    connect(m_link, &DriveFolderLink::folderShown, this, &frmBackupLocation::Dir1_Change);
    connect(cmdOK, &QPushButton::clicked, this, &frmBackupLocation::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmBackupLocation::cmdCancel_Click);
    Form_Load();
}

void frmBackupLocation::Form_Load()
{
    const QString stored = m_settings.read(m_choice.key);
    lblPath->setText(stored);
    m_loading = true;
    // With no folder chosen yet the browsing begins at home.
    const bool opened = m_link->start(stored.isEmpty() ? QDir::homePath() : stored);
    m_loading = false;
    if (opened)
        Dir1_Change(Dir1->path());
    // The drive shown is the one the label names, wherever the browsing began.
    Drive1->setDrive(Drive1->volumeOf(lblPath->text()));
}

void frmBackupLocation::Dir1_Change(const QString& path)
{
    if (!m_loading)
        lblPath->setText(withTrailingSeparator(path));
}

void frmBackupLocation::cmdOK_Click()
{
    // Stored as shown; the folder is made when the first backup is written.
    m_settings.write(m_choice.key, lblPath->text());
    close();
    bringToFront(m_mainWindow);
}

void frmBackupLocation::cmdCancel_Click()
{
    close();
    bringToFront(m_mainWindow);
}

} // namespace quillon
