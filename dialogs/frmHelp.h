#pragma once

#include <QWidget>

class QTextBrowser;
class QUrl;

namespace quillon {

class UrlOpener;

// The help window: the help page shown by the program itself, so help opens
// whether or not the desktop has a browser. Links inside the page are followed
// here; web and mail links go to the opener. Not modal; it stays open beside
// the main window until closed or put away with Esc.
class frmHelp : public QWidget {
    Q_OBJECT
public:
    // page is the help file; opener takes the outside links (none: they do nothing).
    frmHelp(const QString& page, UrlOpener* opener, QWidget* mainWindow);

    QTextBrowser* txtHelp;

private:
    void txtHelp_AnchorClicked(const QUrl& url);

    UrlOpener* m_opener;
};

} // namespace quillon
