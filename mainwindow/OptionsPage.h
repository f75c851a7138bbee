#pragma once

#include "mainwindow/TabPage.h"
#include "settings/SettingKeys.h"

#include <QPointer>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quillon {

class UserMessages;
class frmBackupLocation;
class frmCustomAltText;

// The Options page. Every change is stored at once; there is no OK or Apply.
// Its two buttons open the custom ALT text and backup location dialogs.
class OptionsPage : public TabPage {
    Q_OBJECT
public:
    OptionsPage(Settings settings, UserMessages& messages, QWidget* parent = nullptr);
    ~OptionsPage() override;

    // Sets every control from the store; the handlers write back what changed.
    // Made current, the page does so again.
    void PageLoad();

    // The design geometry, fitted to the window's font.
    void applyDesign() override;
    // The page's share of the layout for a page control tabWidth twips wide.
    void layOut(double windowWidth, double tabWidth) override;
    // A run keeps the options it started with: while it goes the page is locked.
    void setRunning(bool running) override;
    // Whether the end of a run plays the done sound: what the box shows.
    bool playsDoneSound() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cmdEdit_Click();
    void cmdBackupPath_Click();
    void cmdSiteRoot_Click();
    // Names the stored site root in its button's tooltip.
    void showSiteRoot();
    void optOnline_Click();
    void optOffline_Click();
    void optAlt1_Click();
    void optAlt2_Click();
    void cboAltText_Click();
    void optBorder1_Click();
    void optBorder2_Click();
    void lstBorderSize_Click();
    void chkSound_Click();
    void chkGenerateBackups_Click();
    void chkBackupSame_Click();

    QGroupBox* fraGeneralOptions;
    QCheckBox* chkSound;
    QCheckBox* chkGenerateBackups;
    QCheckBox* chkBackupSame;
    QPushButton* cmdBackupPath;
    QGroupBox* fraOnlineMode;
    QRadioButton* optOnline;
    QRadioButton* optOffline;
    QLabel* lblNote;
    QPushButton* cmdSiteRoot;
    QGroupBox* fraBorder;
    QRadioButton* optBorder1;
    QRadioButton* optBorder2;
    QComboBox* lstBorderSize;
    QGroupBox* fraAlt;
    QRadioButton* optAlt1;
    QRadioButton* optAlt2;
    QComboBox* cboAltText;
    QPushButton* cmdEdit;

    Settings m_settings;
    UserMessages& m_messages;
    // The dialogs while they are open.
    QPointer<frmCustomAltText> dlgCustomAltText;
    QPointer<frmBackupLocation> dlgBackupLocation;
    QPointer<frmBackupLocation> dlgSiteRoot;
};

} // namespace quillon
