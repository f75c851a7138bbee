#include "filelist/FolderBox.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStyle>
#include <QStyledItemDelegate>

namespace quillon {

namespace {

// A list has no indentation of its own; the folder box shows its tree by
// shifting each entry right by its level.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(shifted.rect.left() + indent(option, index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indent(option, index);
        return size;
    }

private:
    static int indent(const QStyleOptionViewItem& option, const QModelIndex& index)
    {
        // One step is about an icon's width, so it follows the font size.
        return index.data(FolderBox::LevelRole).toInt() * option.fontMetrics.height();
    }
};

bool canList(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

// root first, folder last
QStringList chainTo(const QString& folder)
{
    QStringList chain;
    QString step = folder;
    for (;;) {
        chain.prepend(step);
        if (QDir(step).isRoot())
            break;
        const QString parent = QFileInfo(step).path();
        if (parent == step)
            break;
        step = parent;
    }
    return chain;
}

QString shownName(const QString& folder)
{
    if (QDir(folder).isRoot())
        return QDir::toNativeSeparators(folder);
    return QFileInfo(folder).fileName();
}

} // namespace

FolderBox::FolderBox(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderBox::openItem);
}

QString FolderBox::path() const
{
    return QDir::toNativeSeparators(m_path);
}

bool FolderBox::setPath(const QString& folder)
{
    if (folder.isEmpty())
        return false;
    const QString target = QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(folder)).absoluteFilePath());
    if (!canList(target))
        return false;

    const QStringList subfolders
        = QDir(target).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    const QIcon opened = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    clear();
    const QStringList chain = chainTo(target);
    QListWidgetItem* current = nullptr;
    for (int level = 0; level < chain.size(); ++level) {
        current = new QListWidgetItem(opened, shownName(chain[level]), this);
        current->setData(PathRole, QDir::toNativeSeparators(chain[level]));
        current->setData(LevelRole, level);
    }
    const QString prefix = target.endsWith(u'/') ? target : target + u'/';
    for (const QString& name : subfolders) {
        auto* item = new QListWidgetItem(closed, name, this);
        item->setData(PathRole, QDir::toNativeSeparators(prefix + name));
        item->setData(LevelRole, chain.size());
    }
    setCurrentItem(current);
    scrollToItem(current);

    const bool changed = target != m_path;
    m_path = target;
    if (changed)
        emit folderChanged(path());
    return true;
}

void FolderBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        openItem(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void FolderBox::openItem(QListWidgetItem* item)
{
    // Read before setPath rebuilds the list and deletes item.
    const QString folder = item->data(PathRole).toString();
    setPath(folder);
}

} // namespace quillon
