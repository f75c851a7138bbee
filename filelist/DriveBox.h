#pragma once

#include <QComboBox>
#include <QStringList>

namespace quillon {

// The drive box: the mounted volumes, the root volume first, then the others by
// their root paths. Only a choice made by the user is announced.
class DriveBox : public QComboBox {
    Q_OBJECT
public:
    // Lists the volumes mounted now.
    explicit DriveBox(QWidget* parent = nullptr);
    // Lists the given volume roots instead, e.g. one that cannot be read.
    explicit DriveBox(const QStringList& roots, QWidget* parent = nullptr);

    // Replaces the list by these volume roots (same order rule, duplicates dropped).
    void setVolumes(const QStringList& roots);
    // The listed volume roots, in list order.
    QStringList volumes() const;

    // The selected volume's root path; empty when none is selected.
    QString drive() const;
    // Selects the volume with this root, without raising driveChosen; an unlisted
    // root leaves the selection as it is.
    void setDrive(const QString& root);

    // The listed volume holding folder: the one with the longest root that is
    // folder itself or one of its ancestors; empty when none does.
    QString volumeOf(const QString& folder) const;

signals:
    void driveChosen(const QString& root);

private:
    struct Volume {
        QString root;
        QString name;
    };
    void init();
    void fill(QList<Volume> volumes);
};

} // namespace quillon
