#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillon::test {

TempDir::TempDir()
    : m_dir(QDir::tempPath() + QStringLiteral("/quillon-test-XXXXXX"))
{
}

QString TempDir::file(const QString& relative) const
{
    return m_dir.path() + QStringLiteral("/") + relative;
}

QString TempDir::write(const QString& relative, const QByteArray& bytes) const
{
    const QString path = file(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

QByteArray TempDir::read(const QString& relative) const
{
    return slurp(file(relative));
}

QByteArray slurp(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<unreadable>");
    return f.readAll();
}

} // namespace quillon::test
