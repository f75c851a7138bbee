#pragma once

#include "settings/SettingKeys.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace quillon {

// The Options page. Every change is stored at once; there is no OK or Apply.
class OptionsPage : public QWidget {
    Q_OBJECT
public:
    explicit OptionsPage(Settings settings, QWidget* parent = nullptr);

    // Sets every control from the store; the handlers write back what changed.
    void PageLoad();

    QGroupBox* fraGeneralOptions;
    QCheckBox* chkSound;
    QCheckBox* chkGenerateBackups;
    QCheckBox* chkBackupSame;
    QPushButton* cmdBackupPath;
    QGroupBox* fraOnlineMode;
    QRadioButton* optOnline;
    QRadioButton* optOffline;
    QLabel* lblNote;
    QGroupBox* fraBorder;
    QRadioButton* optBorder1;
    QRadioButton* optBorder2;
    QComboBox* lstBorderSize;
    QGroupBox* fraAlt;
    QRadioButton* optAlt1;
    QRadioButton* optAlt2;
    QComboBox* cboAltText;
    QPushButton* cmdEdit;

signals:
    void editAltTextRequested();
    void backupLocationRequested();

private:
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

    Settings m_settings;
};

} // namespace quillon
