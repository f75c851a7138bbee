#include "filelist/DriveBox.h"

#include <QDir>
#include <QStorageInfo>

#include <algorithm>

namespace quillon {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity FileNameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity FileNameCase = Qt::CaseSensitive;
#endif

QString comparable(const QString& path)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

// True when folder is root or lies below it; "/media/usb2" does not lie below "/media/usb".
bool liesOn(const QString& folder, const QString& root)
{
    const QString f = comparable(folder);
    const QString r = comparable(root);
    if (f.compare(r, FileNameCase) == 0)
        return true;
    const QString prefix = r.endsWith(u'/') ? r : r + u'/';
    return f.startsWith(prefix, FileNameCase);
}

} // namespace

DriveBox::DriveBox(QWidget* parent)
    : QComboBox(parent)
{
    init();
    QList<Volume> volumes;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        // A volume that is not ready (an empty drive) stays listed: choosing it
        // is how the user learns that it cannot be read.
        if (info.isValid())
            volumes.append({ info.rootPath(), info.name() });
    }
    fill(volumes);
}

DriveBox::DriveBox(const QStringList& roots, QWidget* parent)
    : QComboBox(parent)
{
    init();
    setVolumes(roots);
}

void DriveBox::init()
{
    // activated comes from the user alone; setCurrentIndex never raises it.
    connect(this, &QComboBox::activated, this,
        [this](int index) { emit driveChosen(itemData(index).toString()); });
}

void DriveBox::setVolumes(const QStringList& roots)
{
    QList<Volume> volumes;
    for (const QString& root : roots)
        volumes.append({ root, QString() });
    fill(volumes);
}

void DriveBox::fill(QList<Volume> volumes)
{
    const QString fileSystemRoot = comparable(QDir::rootPath());
    const auto rank = [&](const Volume& v) { return comparable(v.root) == fileSystemRoot ? 0 : 1; };
    std::stable_sort(volumes.begin(), volumes.end(), [&](const Volume& a, const Volume& b) {
        if (rank(a) != rank(b))
            return rank(a) < rank(b);
        return comparable(a.root).compare(comparable(b.root), FileNameCase) < 0;
    });

    const QString kept = drive();
    clear();
    for (const Volume& v : volumes) {
        if (findData(v.root) >= 0)
            continue; // the same volume mounted twice
        const QString shown = QDir::toNativeSeparators(v.root);
        addItem(v.name.isEmpty() ? shown : shown + QStringLiteral(" [") + v.name + u']', v.root);
    }
    setDrive(kept);
}

QStringList DriveBox::volumes() const
{
    QStringList roots;
    for (int i = 0; i < count(); ++i)
        roots.append(itemData(i).toString());
    return roots;
}

QString DriveBox::drive() const
{
    return currentData().toString();
}

void DriveBox::setDrive(const QString& root)
{
    for (int i = 0; i < count(); ++i) {
        if (comparable(itemData(i).toString()).compare(comparable(root), FileNameCase) == 0) {
            setCurrentIndex(i);
            return;
        }
    }
}

QString DriveBox::volumeOf(const QString& folder) const
{
    QString best;
    for (const QString& root : volumes()) {
        if (liesOn(folder, root) && comparable(root).size() > comparable(best).size())
            best = root;
    }
    return best;
}

} // namespace quillon
