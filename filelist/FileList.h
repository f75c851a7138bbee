#pragma once

#include "desktop/UserMessages.h"
#include "platform/PageList.h"

#include <QObject>
#include <QStringList>

class QAction;
class QListWidget;
class QMenu;
class QPoint;
class QWidget;

namespace quillon {

class FileBox;
class FolderBrowser;

// The files to be tagged, shown in the list box lstFiles: a view of a page
// list (platform/PageList.h) of at most MaxFiles, in the order they were
// added, each file once however its path is spelled. Pages and folders dropped
// on the list are added too. A path too long for the list is shortened in its
// folders, so the page's name stays in view whole; its tooltip holds the whole
// path. Delete removes the selected file, and the Menu key and Shift+F10 open
// the list's menu. It has no parent: whoever creates it owns it.
class FileList : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxFiles = 50;

    // New files are named by fileBox's selection and taken from its folder.
    FileList(QListWidget* lstFiles, FileBox* fileBox, UserMessages& messages, QWidget* messageParent);

    int FileCount() const { return m_pages.size(); }
    // The full paths, in list order.
    QStringList paths() const;

    // Adds the file box folder's file fileName; a full list, a file already
    // listed or one gone since is told to the user and gives false.
    bool AddFile(const QString& fileName);
    // Adds the file box's selected files in their order, until the list is full.
    void cmdAddFiles_Click();
    // Adds pages named by their paths (dropped, or given when the program
    // starts), as the add button adds the selected files: a folder stands for
    // its pages, a file for itself; a path that is neither is told to the user.
    void addPages(const QStringList& paths);
    // Removes the selected entry; without one, tells the user.
    void mnuFileListRemove_Click();
    void mnuFileListRemoveAll_Click();

    // Selects entry index (none for -1), for a run to show which file it is at.
    void selectEntry(int index);
    // While locked (a run going on), adding, removing and the pop-up menu do nothing.
    void setLocked(bool locked);
    bool isLocked() const { return m_locked; }

    // Adds a file double-clicked in the file box, and the selection when the
    // add button is clicked.
    void connectTo(FolderBrowser& browser);

    // The right-click menu and its entries.
    QMenu* mnuFileListPopup() const { return m_popup; }
    QAction* mnuFileListRemove() const { return m_remove; }
    QAction* mnuFileListRemoveAll() const { return m_removeAll; }

signals:
    void countChanged(int FileCount);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Shows the pop-up menu at globalPos without waiting for a choice; the
    // chosen entry's handler runs when it is triggered.
    virtual void popup(const QPoint& globalPos);

private:
    bool keyFilter(QEvent* event);
    void popupFromKeyboard();
    // Adds paths to the page list; tells each one refused. Returns how many pages came.
    int take(const QStringList& paths);
    // Shows the pages added to the page list since the last call.
    void showNewPages();
    void refused(PageList::Refusal why, const QString& path);
    void tell(const QString& title, const QString& text, MessageIcon icon);

    QListWidget* m_lstFiles;
    FileBox* m_fileBox;
    UserMessages& m_messages;
    QWidget* m_messageParent;
    QObject* m_viewport = nullptr; // lstFiles' viewport, whose mouse events are watched
    QMenu* m_popup;
    QAction* m_remove;
    QAction* m_removeAll;
    PageList m_pages { MaxFiles };
    bool m_locked = false;
};

} // namespace quillon
