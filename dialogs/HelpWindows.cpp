#include "dialogs/HelpWindows.h"

#include "desktop/BringToFront.h"
#include "desktop/DesktopServices.h"
#include "desktop/ProductLinks.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmHelp.h"
#include "platform/ProgramFolder.h"

#include <QUrl>

namespace quillon {

HelpWindows::HelpWindows(UrlOpener* opener, UserMessages& messages, QWidget* mainWindow)
    : QObject(mainWindow)
    , m_mainWindow(mainWindow)
    , m_opener(std::make_unique<TellingOpener>(opener, messages, mainWindow))
{
}

HelpWindows::~HelpWindows() = default;

void HelpWindows::mnuHelpContents_Click()
{
    if (!m_help)
        m_help = new frmHelp(findDataFile(QStringLiteral("yarrow.html")), m_opener.get(), m_mainWindow);
    bringToFront(m_help.data());
}

void HelpWindows::mnuAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(m_opener.get(), m_mainWindow);
    bringToFront(m_about.data());
}

void HelpWindows::mnuWebsite_Click()
{
    m_opener->open(QUrl(QString::fromLatin1(links::AuthorPage)));
}

} // namespace quillon
