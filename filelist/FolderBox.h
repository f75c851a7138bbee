#pragma once

#include <QListWidget>

namespace quillon {

// The folder box: the current folder's ancestors from the root down, each one
// step further in, the current folder highlighted, then its subfolders.
// Double-click or Enter on an entry opens it.
class FolderBox : public QListWidget {
    Q_OBJECT
public:
    // Each entry's folder (full path) and its depth below the root.
    static constexpr int PathRole = Qt::UserRole;
    static constexpr int LevelRole = Qt::UserRole + 1;

    explicit FolderBox(QWidget* parent = nullptr);

    // The current folder, with no separator at its end except at the root;
    // empty before the first folder is opened.
    QString path() const;
    // Opens folder. When it cannot be listed (missing, not a folder, not
    // readable) returns false and leaves the box as it was.
    bool setPath(const QString& folder);

signals:
    // The current folder changed, by the user or by setPath.
    void folderChanged(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void openItem(QListWidgetItem* item);

    QString m_path; // cleaned, "/" separated
};

} // namespace quillon
