#include "platform/ProgramFolder.h"

#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quillon {

QString programFolder()
{
    QString folder;
    if (QCoreApplication::instance()) {
        folder = QCoreApplication::applicationDirPath();
    } else {
#ifdef Q_OS_LINUX
        folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
        folder = QFileInfo(folder).absolutePath();
#else
        folder = QDir::currentPath();
#endif
    }
    return QDir::toNativeSeparators(QDir::cleanPath(folder));
}

QString findDataFile(const QString& name)
{
    const QString folder = programFolder();
    const QStringList candidates = {
        folder + QStringLiteral("/data/") + name,
        folder + QStringLiteral("/../" QUILLON_SHARE_SUBDIR "/") + name,
    };
    for (const QString& candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.isFile())
            return QDir::toNativeSeparators(info.canonicalFilePath());
    }
    return {};
}

QString userDataFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    return QDir::toNativeSeparators(folder + QStringLiteral("/Brambleworth Software/Quillon"));
}

} // namespace quillon
