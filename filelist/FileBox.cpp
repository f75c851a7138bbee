#include "filelist/FileBox.h"

#include "platform/PageList.h"
#include "platform/Paths.h"

namespace quillon {

FileBox::FileBox(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
        [this](QListWidgetItem* item) { emit fileActivated(item->text()); });
}

void FileBox::setFolder(const QString& folder)
{
    m_folder = folder;
    clear();
    if (folder.isEmpty())
        return;
    for (const QString& page : PageList::pagesIn(folder, false))
        addItem(GetFileName(page));
}

QString FileBox::folder() const
{
    return m_folder;
}

QStringList FileBox::selectedNames() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected())
            names.append(item(i)->text());
    }
    return names;
}

QString FileBox::currentName() const
{
    return currentItem() ? currentItem()->text() : QString();
}

} // namespace quillon
