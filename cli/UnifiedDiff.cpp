#include "cli/UnifiedDiff.h"

#include <QFile>
#include <QList>

namespace quillon {

namespace {

constexpr int kContext = 3;

// The lines of text, each with its line end; the last may have none.
QList<QByteArray> linesOf(const QByteArray& text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        lines.append(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

void appendLine(QByteArray& out, char mark, const QByteArray& line)
{
    out += mark;
    out += line;
    if (!line.endsWith('\n'))
        out += "\n\\ No newline at end of file\n";
}

QByteArray range(qsizetype first, qsizetype count)
{
    // A hunk of no lines is named by the line before it.
    return QByteArray::number(count == 0 ? first : first + 1) + ',' + QByteArray::number(count);
}

} // namespace

QByteArray unifiedDiff(const QString& name, const QByteArray& before, const QByteArray& after)
{
    if (before == after)
        return {};
    const QList<QByteArray> a = linesOf(before);
    const QList<QByteArray> b = linesOf(after);

    // Clauses go inside lines, so the lines pair up one to one unless an added
    // text broke a line; then the whole file is one change.
    QList<qsizetype> changed;
    const bool paired = a.size() == b.size();
    if (paired) {
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (a[i] != b[i])
                changed.append(i);
        }
    }

    // patch takes a name up to the first blank unless a tab ends it, as diff
    // and git end names that hold one.
    QByteArray file = QFile::encodeName(name);
    if (file.contains(' '))
        file += '\t';
    QByteArray out = "--- " + file + "\n+++ " + file + "\n";
    if (!paired) {
        out += "@@ -" + range(0, a.size()) + " +" + range(0, b.size()) + " @@\n";
        for (const QByteArray& line : a)
            appendLine(out, '-', line);
        for (const QByteArray& line : b)
            appendLine(out, '+', line);
        return out;
    }

    for (qsizetype k = 0; k < changed.size();) {
        // A hunk takes every change within twice the context of the one before.
        qsizetype last = k;
        while (last + 1 < changed.size() && changed[last + 1] - changed[last] <= 2 * kContext)
            ++last;
        const qsizetype from = std::max<qsizetype>(0, changed[k] - kContext);
        const qsizetype to = std::min<qsizetype>(a.size(), changed[last] + kContext + 1);
        out += "@@ -" + range(from, to - from) + " +" + range(from, to - from) + " @@\n";
        for (qsizetype i = from; i < to; ++i) {
            if (a[i] == b[i]) {
                appendLine(out, ' ', a[i]);
            } else {
                appendLine(out, '-', a[i]);
                appendLine(out, '+', b[i]);
            }
        }
        k = last + 1;
    }
    return out;
}

} // namespace quillon
