#include "dialogs/frmHelp.h"

#include "desktop/DesktopServices.h"

#include <QAction>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quillon {

frmHelp::frmHelp(const QString& page, UrlOpener* opener, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window)
    , m_opener(opener)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Quillon Help"));
    if (mainWindow)
        setWindowIcon(mainWindow->windowIcon());

    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    // Every click comes here first, so that only the page's own links stay inside.
    txtHelp->setOpenLinks(false);
    connect(txtHelp, &QTextBrowser::anchorClicked, this, &frmHelp::txtHelp_AnchorClicked);

    // Esc puts the help away, as it does a dialog.
    auto* escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    addAction(escape);
    connect(escape, &QAction::triggered, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtHelp);

    if (QFileInfo(page).isFile())
        txtHelp->setSource(QUrl::fromLocalFile(page));
    else
        txtHelp->setPlainText(QStringLiteral("The help file ") + page + QStringLiteral(" is missing."));
    const int line = fontMetrics().height();
    resize(line * 40, line * 36);
}

void frmHelp::txtHelp_AnchorClicked(const QUrl& url)
{
    const QUrl target = txtHelp->source().resolved(url);
    if (target.isLocalFile()) {
        txtHelp->setSource(target);
        return;
    }
    if (m_opener)
        m_opener->open(url);
}

} // namespace quillon
