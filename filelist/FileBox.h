#pragma once

#include <QListWidget>

namespace quillon {

// The file box: the pages of one folder, as the file list takes a folder's
// pages (platform/PageList.h), by name; several can be selected.
class FileBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileBox(QWidget* parent = nullptr);

    // Lists folder's HTML files; a folder that cannot be listed leaves the box empty.
    void setFolder(const QString& folder);
    // The folder last given to setFolder, as given.
    QString folder() const;

    // The selected file names, in list order.
    QStringList selectedNames() const;
    // The name of the item with the focus; empty when there is none.
    QString currentName() const;

signals:
    void fileActivated(const QString& name);

private:
    QString m_folder;
};

} // namespace quillon
