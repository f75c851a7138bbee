#include "engine/run/BackupIndex.h"

#include "platform/AtomicWrite.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <optional>

namespace quillon {

namespace {

// Pages are listed by their full path, however a run named them.
QString fullPath(const QString& page)
{
    return QDir::cleanPath(QFileInfo(page).absoluteFilePath());
}

// The characters a field cannot hold as they are, each with the letter that
// stands for it after a backslash.
constexpr std::array<std::pair<char16_t, char16_t>, 4> kEscapes { { { u'\\', u'\\' }, { u'\t', u't' },
    { u'\n', u'n' }, { u'\r', u'r' } } };

QString escaped(const QString& field)
{
    QString text;
    text.reserve(field.size());
    for (const QChar c : field) {
        const auto escape = std::find_if(
            kEscapes.begin(), kEscapes.end(), [c](const auto& pair) { return pair.first == c.unicode(); });
        if (escape == kEscapes.end()) {
            text += c;
        } else {
            text += QChar(u'\\');
            text += QChar(escape->second);
        }
    }
    return text;
}

// None for an escape we never write.
std::optional<QString> unescaped(QStringView field)
{
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\') {
            text += field[i];
            continue;
        }
        if (++i == field.size())
            return std::nullopt;
        const auto escape = std::find_if(kEscapes.begin(), kEscapes.end(),
            [&](const auto& pair) { return pair.second == field[i].unicode(); });
        if (escape == kEscapes.end())
            return std::nullopt;
        text += QChar(escape->first);
    }
    return text;
}

} // namespace

BackupIndex BackupIndex::load(const QString& folder)
{
    BackupIndex index;
    index.m_folder = folder;
    const Result<QByteArray> bytes = readWholeFile(QDir(folder).filePath(QString::fromLatin1(kFileName)));
    if (!bytes)
        return index;
    const QString text = QString::fromUtf8(*bytes);
    for (const QStringView line : QStringView(text).split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'#'))
            continue;
        const QList<QStringView> fields = line.split(u'\t');
        if (fields.size() != 3)
            continue;
        const std::optional<QString> name = unescaped(fields[0]);
        const std::optional<QString> page = unescaped(fields[1]);
        const QDateTime made = QDateTime::fromString(fields[2].toString(), Qt::ISODate);
        if (!name || name->isEmpty() || name->contains(u'/') || *name == u"." || *name == u".." || !page
            || page->isEmpty() || !made.isValid())
            continue; // never a name outside the folder
        index.m_entries.append(Entry { *name, *page, made });
        index.m_nameByPage.insert(*page, *name);
        index.m_names.insert(*name);
    }
    return index;
}

QString BackupIndex::backupOf(const QString& page) const
{
    return m_nameByPage.value(fullPath(page));
}

bool BackupIndex::lists(const QString& name) const
{
    return m_names.contains(name);
}

void BackupIndex::record(const QString& name, const QString& page, const QDateTime& made)
{
    const QString path = fullPath(page);
    const QString before = m_nameByPage.value(path);
    if (before != name || m_names.contains(name)) {
        m_entries.removeIf([&](const Entry& entry) { return entry.name == name || entry.page == path; });
        m_names.remove(before);
        m_nameByPage.removeIf([&](const auto& listed) { return listed.value() == name; });
    }
    m_entries.append(Entry { name, path, made.toUTC() });
    m_nameByPage.insert(path, name);
    m_names.insert(name);
}

Status BackupIndex::save() const
{
    QString text = QStringLiteral("# Quillon's backups in this folder: backup file, page, time made (UTC)\n");
    for (const Entry& entry : m_entries)
        text += escaped(entry.name) + u'\t' + escaped(entry.page) + u'\t' + entry.made.toString(Qt::ISODate)
            + u'\n';
    return writeFileAtomic(QDir(m_folder).filePath(QString::fromLatin1(kFileName)), text.toUtf8());
}

} // namespace quillon
