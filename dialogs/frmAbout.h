#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace quillon {

class LinkLabel;
class UrlOpener;

// The About box: the product's pictures, version, release date and links.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Owned by mainWindow, which O&K brings to the front. The links go to
    // opener; with none a click does nothing.
    frmAbout(UrlOpener* opener, QWidget* mainWindow);

    QLabel* Picture2;
    QLabel* Image1;
    QLabel* Label8;
    QLabel* lblVersion;
    QLabel* Label9;
    QLabel* Label13;
    QLabel* Label5;
    LinkLabel* Label2;
    QLabel* Label6;
    LinkLabel* Label3;
    QLabel* Label7;
    LinkLabel* Label4;
    QLabel* Label1;
    QPushButton* cmdOK;

private:
    void cmdOK_Click();

    QPointer<QWidget> m_mainWindow;
};

} // namespace quillon
