#include "filelist/FileList.h"

#include "desktop/BusyPointer.h"
#include "filelist/FileBox.h"
#include "filelist/FolderBrowser.h"
#include "filelist/PathElision.h"
#include "platform/Paths.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace quillon {

namespace {

// Items no wider than the list, so that their text is elided rather than cut.
class FitWidthDelegate : public PathElideDelegate {
public:
    explicit FitWidthDelegate(QListWidget* list)
        : PathElideDelegate(list)
        , m_list(list)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = PathElideDelegate::sizeHint(option, index);
        size.setWidth(std::min(size.width(), std::max(1, m_list->viewport()->width())));
        return size;
    }

private:
    QListWidget* m_list;
};

// The local files and folders a drag carries; empty when it carries anything else.
QStringList droppedPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

} // namespace

FileList::FileList(QListWidget* lstFiles, FileBox* fileBox, UserMessages& messages, QWidget* messageParent)
    : m_lstFiles(lstFiles)
    , m_fileBox(fileBox)
    , m_messages(messages)
    , m_messageParent(messageParent)
{
    // Removing works on "the" selected entry.
    m_lstFiles->setSelectionMode(QAbstractItemView::SingleSelection);

    m_popup = new QMenu(QStringLiteral("FileListPopup"), m_lstFiles);
    m_popup->setObjectName(QStringLiteral("mnuFileListPopup"));
    m_remove = m_popup->addAction(QStringLiteral("&Remove"));
    m_remove->setObjectName(QStringLiteral("mnuFileListRemove"));
    m_removeAll = m_popup->addAction(QStringLiteral("Remove &All"));
    m_removeAll->setObjectName(QStringLiteral("mnuFileListRemoveAll"));
    connect(m_remove, &QAction::triggered, this, &FileList::mnuFileListRemove_Click);
    connect(m_removeAll, &QAction::triggered, this, &FileList::mnuFileListRemoveAll_Click);

    // Long paths are shortened to the list's width rather than scrolled
    // sideways, their folders first, so each page's own name shows whole.
    m_lstFiles->setTextElideMode(Qt::ElideMiddle);
    m_lstFiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_lstFiles->setResizeMode(QListView::Adjust);
    m_lstFiles->setItemDelegate(new FitWidthDelegate(m_lstFiles));

    m_viewport = m_lstFiles->viewport();
    m_viewport->installEventFilter(this);
    // Delete and the menu keys, on the list itself, which has the focus.
    m_lstFiles->installEventFilter(this);
    m_lstFiles->setAcceptDrops(true);
    m_lstFiles->viewport()->setAcceptDrops(true);
}

QStringList FileList::paths() const
{
    QStringList shown;
    for (const QString& path : m_pages.paths())
        shown.append(QDir::toNativeSeparators(path));
    return shown;
}

bool FileList::AddFile(const QString& fileName)
{
    if (fileName.isEmpty())
        return false;
    // The root already ends in its separator: "/" + "index.htm".
    return take({ withTrailingSeparator(m_fileBox->folder()) + fileName }) > 0;
}

void FileList::cmdAddFiles_Click()
{
    const QString folder = withTrailingSeparator(m_fileBox->folder());
    QStringList selected = m_fileBox->selectedNames();
    for (QString& name : selected)
        name.prepend(folder);
    BusyPointer busy;
    take(selected);
}

void FileList::addPages(const QStringList& paths)
{
    QStringList absolute;
    for (const QString& path : paths)
        absolute.append(QFileInfo(path).absoluteFilePath());
    BusyPointer busy;
    take(absolute);
}

int FileList::take(const QStringList& paths)
{
    if (m_locked || paths.isEmpty())
        return 0;
    const int before = FileCount();
    m_pages.add(paths, false, [this](PageList::Refusal why, const QString& path) { refused(why, path); });
    showNewPages();
    return FileCount() - before;
}

void FileList::showNewPages()
{
    const int shown = m_lstFiles->count();
    if (shown == FileCount())
        return;
    for (int i = shown; i < FileCount(); ++i) {
        const QString path = QDir::toNativeSeparators(m_pages.paths()[i]);
        auto* item = new QListWidgetItem(path, m_lstFiles);
        item->setToolTip(path);
    }
    emit countChanged(FileCount());
}

void FileList::refused(PageList::Refusal why, const QString& path)
{
    // The pages taken so far are in view while the message waits.
    showNewPages();
    const QString shown = QDir::toNativeSeparators(path);
    switch (why) {
    case PageList::Refusal::NotFound:
        tell(QStringLiteral("File not found..."),
            QStringLiteral("The file: ") + shown + QStringLiteral(" was not found."),
            MessageIcon::Exclamation);
        break;
    case PageList::Refusal::AlreadyListed:
        tell(QStringLiteral("File already listed..."),
            QStringLiteral("The file: ") + shown + QStringLiteral(" is already in the list!"),
            MessageIcon::Exclamation);
        break;
    case PageList::Refusal::Full:
        tell(QStringLiteral("File list full..."),
            QStringLiteral("Sorry, Quillon can only handle 50 files at a time."), MessageIcon::Information);
        break;
    }
}

void FileList::mnuFileListRemove_Click()
{
    if (m_locked)
        return;
    const QList<QListWidgetItem*> selected = m_lstFiles->selectedItems();
    if (selected.isEmpty()) {
        tell(QStringLiteral("Error!"), QStringLiteral("No file is selected to remove!"),
            MessageIcon::Exclamation);
        return;
    }
    BusyPointer busy;
    const int row = m_lstFiles->row(selected.first());
    delete m_lstFiles->takeItem(row);
    m_pages.removeAt(row);
    m_lstFiles->setCurrentItem(nullptr);
    m_lstFiles->clearSelection();
    emit countChanged(FileCount());
}

void FileList::mnuFileListRemoveAll_Click()
{
    if (m_locked)
        return;
    BusyPointer busy;
    const bool hadFiles = FileCount() > 0;
    m_lstFiles->clear();
    m_pages.clear();
    if (hadFiles)
        emit countChanged(0);
}

void FileList::selectEntry(int index)
{
    if (index < 0 || index >= FileCount()) {
        m_lstFiles->setCurrentItem(nullptr);
        m_lstFiles->clearSelection();
        return;
    }
    m_lstFiles->setCurrentRow(index);
    m_lstFiles->scrollToItem(m_lstFiles->item(index));
}

void FileList::setLocked(bool locked)
{
    m_locked = locked;
    if (locked)
        m_popup->hide();
}

void FileList::connectTo(FolderBrowser& browser)
{
    connect(&browser, &FolderBrowser::addOneRequested, this, &FileList::AddFile);
    connect(&browser, &FolderBrowser::addSelectedRequested, this, &FileList::cmdAddFiles_Click);
}

bool FileList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lstFiles)
        return keyFilter(event);
    // The viewport kept from the start: while the list is being destroyed it
    // must not be asked for it.
    if (watched != m_viewport)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!m_locked && !droppedPaths(drag->mimeData()).isEmpty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList paths = droppedPaths(drop->mimeData());
        if (m_locked || paths.isEmpty())
            return true;
        drop->acceptProposedAction();
        // Added once the drop is over: a message box must not keep the file
        // manager waiting for the drop to end.
        QMetaObject::invokeMethod(
            this, [this, paths] { addPages(paths); }, Qt::QueuedConnection);
        return true;
    }
    case QEvent::ContextMenu:
        // The menu belongs to the right button's release, handled below.
        return static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // The list would select the entry under a right press; the right
        // button only opens the menu on whatever is selected already.
        return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            return false;
        if (m_locked)
            return true;
        if (FileCount() == 0)
            m_messages.beep();
        else
            popup(mouse->globalPosition().toPoint());
        return true;
    }
    default:
        return false;
    }
}

// Delete removes the selected file as the menu's Remove does; the Menu key
// and Shift+F10 open the menu at the selected file, as the right button does.
bool FileList::keyFilter(QEvent* event)
{
    if (event->type() == QEvent::ContextMenu) {
        // Some desktops follow the Menu key, already handled, with a menu event.
        if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard
            && !m_popup->isVisible())
            popupFromKeyboard();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
        mnuFileListRemove_Click();
        return true;
    }
    if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
        popupFromKeyboard();
        return true;
    }
    return false;
}

void FileList::popupFromKeyboard()
{
    if (m_locked)
        return;
    if (FileCount() == 0) {
        m_messages.beep();
        return;
    }
    const QListWidgetItem* current = m_lstFiles->currentItem();
    const QRect at = current ? m_lstFiles->visualItemRect(current) : QRect();
    popup(m_lstFiles->viewport()->mapToGlobal(current ? at.bottomLeft() : QPoint(0, 0)));
}

void FileList::popup(const QPoint& globalPos)
{
    m_popup->popup(globalPos);
}

void FileList::tell(const QString& title, const QString& text, MessageIcon icon)
{
    m_messages.show(m_messageParent, title, text, icon, MessageButtons::Ok);
}

} // namespace quillon
