#pragma once

#include "settings/SettingKeys.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillon {

// The custom ALT text dialog. Only O&K stores the text; closing the window
// any other way keeps what was stored.
class frmCustomAltText : public QDialog {
    Q_OBJECT
public:
    // mainWindow is brought to the front when the text is stored; the dialog
    // has no owner of its own.
    frmCustomAltText(Settings settings, QWidget* mainWindow);

    QLabel* Label1;
    QLineEdit* txtAlt;
    QPushButton* cmdOK;

private:
    void Form_Load();
    void cmdOK_Click();

    Settings m_settings;
    QPointer<QWidget> m_mainWindow;
};

} // namespace quillon
