#include "filelist/FileList.h"

#include "filelist/BusyPointer.h"
#include "filelist/FileBox.h"
#include "filelist/FolderBrowser.h"
#include "platform/Paths.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QEvent>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>

namespace quillon {

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

    m_viewport = m_lstFiles->viewport();
    m_viewport->installEventFilter(this);
}

int FileList::FileCount() const
{
    return int(m_names.size());
}

QStringList FileList::FileNames() const
{
    return m_names;
}

QStringList FileList::FilePaths() const
{
    return m_folders;
}

QStringList FileList::paths() const
{
    QStringList full;
    for (qsizetype i = 0; i < m_names.size(); ++i)
        full.append(m_folders[i] + m_names[i]);
    return full;
}

bool FileList::AddFile(const QString& fileName)
{
    if (m_locked || fileName.isEmpty())
        return false;
    if (FileCount() >= MaxFiles) {
        tellFull();
        return false;
    }
    const QString box = m_fileBox->folder();
    // The root already ends in its separator: "/" + "index.htm".
    const QString folder = !box.isEmpty() && isSeparator(box.back()) ? box : box + nativeSeparator();
    const QString full = folder + fileName;
    if (paths().contains(full, Qt::CaseSensitive)) {
        tell(QStringLiteral("File already listed..."),
            QStringLiteral("The file: ") + full + QStringLiteral(" is already in the list!"),
            MessageIcon::Exclamation);
        return false;
    }
    append(folder, fileName);
    emit countChanged(FileCount());
    return true;
}

void FileList::cmdAddFiles_Click()
{
    if (m_locked)
        return;
    const QStringList selected = m_fileBox->selectedNames();
    BusyPointer busy;
    const QScopedValueRollback busyFlag(m_busy, true);
    for (const QString& name : selected) {
        if (FileCount() >= MaxFiles) {
            tellFull();
            break;
        }
        AddFile(name);
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
    removeAt(m_lstFiles->row(selected.first()));
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
    m_names.clear();
    m_folders.clear();
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
    // The viewport kept from the start: while the list is being destroyed it
    // must not be asked for it.
    if (watched != m_viewport)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
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

void FileList::popup(const QPoint& globalPos)
{
    m_popup->popup(globalPos);
}

void FileList::append(const QString& folder, const QString& name)
{
    m_folders.append(folder);
    m_names.append(name);
    m_lstFiles->addItem(folder + name);
}

void FileList::removeAt(int row)
{
    delete m_lstFiles->takeItem(row);
    m_folders.removeAt(row);
    m_names.removeAt(row);
}

void FileList::tell(const QString& title, const QString& text, MessageIcon icon)
{
    // A message box under the busy pointer looks as though it cannot be answered.
    if (m_busy)
        QApplication::restoreOverrideCursor();
    m_messages.show(m_messageParent, title, text, icon, MessageButtons::Ok);
    if (m_busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
}

void FileList::tellFull()
{
    tell(QStringLiteral("File list full..."),
        QStringLiteral("Sorry, Quillon can only handle 50 files at a time."), MessageIcon::Information);
}

} // namespace quillon
