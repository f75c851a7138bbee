#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QWidget;

namespace quillon {

class UrlOpener;
class UserMessages;
class frmAbout;
class frmHelp;

// What the Help menu opens for a main window: the help window and the About
// box, each made once and brought up again, and the product's web site. Their
// links go to the opener; a link it cannot open is told to the user.
class HelpWindows : public QObject {
    Q_OBJECT
public:
    // opener: the desktop's, or a test's (none: the user is told links cannot be opened).
    HelpWindows(UrlOpener* opener, UserMessages& messages, QWidget* mainWindow);
    ~HelpWindows() override;

    void mnuHelpContents_Click();
    void mnuAbout_Click();
    void mnuWebsite_Click();

private:
    QWidget* m_mainWindow;
    std::unique_ptr<UrlOpener> m_opener;
    QPointer<frmHelp> m_help;
    QPointer<frmAbout> m_about;
};

} // namespace quillon
