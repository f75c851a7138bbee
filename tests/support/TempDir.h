#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <ostream>

// Readable values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '"' << bytes.toStdString() << '"';
}

namespace quillon::test {

// A temporary folder that is removed with everything in it when the test ends.
class TempDir {
public:
    TempDir();
    QString path() const { return m_dir.path(); }
    // path()/relative
    QString file(const QString& relative) const;
    // Writes bytes to relative, creating the folders on the way; returns the full path.
    QString write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// Reads a whole file for a test's comparison; an unreadable file gives "<unreadable>".
QByteArray slurp(const QString& path);

} // namespace quillon::test
