// Files that are not what their .html name promises, and pages under names a
// shell would have to quote: quillon-tag never crashes on them, changes only
// what is a real image tag, and names them exactly in every report.

#include "tests/cli/ToolRun.h"
#include "tests/support/Pictures.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace quillon;
using namespace quillon::test;

namespace {

QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        files.insert(QDir(folder).relativeFilePath(file), slurp(file));
    }
    return files;
}

QByteArray randomBytes(quint32 seed, qsizetype size)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(random.bounded(256));
    bytes[0] = 0; // no byte order mark by chance
    return bytes;
}

// text as UTF-16 without a byte order mark.
QByteArray utf16(const QString& text, bool littleEndian)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        bytes.append(littleEndian ? lo : hi).append(littleEndian ? hi : lo);
    }
    return bytes;
}

} // namespace

TEST(StrangeDocument, OnlyARealImageTagIsTaggedWhateverElseTheFileHolds)
{
    TempDir dir;
    dir.write(u"a.png"_s, makePicture(u"png"_s, 12, 34));
    const QByteArray noise = randomBytes(7, 256 * 1024);
    const QByteArray tag = "<img src=a.png>";
    const QByteArray tagged = "<img src=a.png WIDTH=12 HEIGHT=34>";
    const QString page = u"<p>caf\u00e9 <img src=\"a.png\"></p>"_s;
    struct Case {
        const char* name;
        QByteArray before;
        QByteArray after; // empty: left as it was
    };
    // Invalid UTF-8 is read byte by byte: the clauses go in, nothing else moves.
    const QByteArray badHead("caf\xE9 \x80\xC3 \xF5\xBF\0", 11);
    const QByteArray badTail("\xED\xA0\x80\xC3");
    // A UTF-16 page without its mark reads as bytes with no tag in them: left
    // whole, never half read and written back in two encodings.
    const QList<Case> all = {
        { "noise", noise, {} },
        { "noise-with-tag", noise + tag + noise, noise + tagged + noise },
        { "png", makePicture(u"png"_s, 40, 30), {} },
        { "jpeg", makePicture(u"jpg"_s, 40, 30), {} },
        { "empty", QByteArray(), {} },
        { "bad-utf8", badHead + tag + badTail, badHead + tagged + badTail },
        { "utf16le", utf16(page, true), {} },
        { "utf16be", utf16(page, false), {} },
    };

    QStringList pages;
    for (const Case& c : all)
        pages.append(dir.write(QString::fromLatin1(c.name) + u".html"_s, c.before));
    const Outcome run = quillonTag(QStringList { u"--no-border"_s, u"-j"_s, u"3"_s } + pages);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.text().endsWith(u"Found 2, Tagged 2, Errors 0\n"_s)) << run.text().toStdString();
    for (qsizetype i = 0; i < all.size(); ++i) {
        const Case& c = all[i];
        const QByteArray now = slurp(pages[i]);
        EXPECT_TRUE(now == (c.after.isEmpty() ? c.before : c.after)) << c.name;
        if (!c.after.isEmpty()) {
            EXPECT_TRUE(slurp(pages[i] + u".bak"_s) == c.before) << c.name;
        }
    }
}

TEST(StrangeDocument, APageUnderANameAShellWouldQuoteIsTaggedBackedUpAndNamedExactly)
{
    TempDir dir;
    const QString folder = dir.file(u"site $HOME `x` 'q' \"d\" ; & * ? \u00e9t\u00e9"_s);
    const QString name = u"-n a'b\"c$d`e;f&g*h?i \u00e9\u00df\u6f22\nj.html"_s;
    const QString path = folder + u'/' + name;
    const QByteArray before = "<p><img src=\"a.png\"></p>\n";
    const QByteArray after = "<p><img src=\"a.png\" WIDTH=12 HEIGHT=34></p>\n";
    dir.write(folder.mid(dir.path().size() + 1) + u"/a.png"_s, makePicture(u"png"_s, 12, 34));
    dir.write(folder.mid(dir.path().size() + 1) + u'/' + name, before);
    ASSERT_EQ(slurp(path), before) << "the file system took no such name";
    const QMap<QString, QByteArray> start = snapshot(dir.path());

    // Dry runs name the page in each report without touching anything.
    const Outcome text = quillonTag({ u"--no-border"_s, u"--dry-run"_s, folder });
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.text(), path + u"\ta.png\tSuccess!\nFound 1, Tagged 1, Errors 0\n"_s);

    const Outcome json = quillonTag({ u"--no-border"_s, u"--dry-run"_s, u"--report"_s, u"json"_s, folder });
    const QJsonObject report = QJsonDocument::fromJson(json.out).object();
    ASSERT_EQ(report[u"rows"_s].toArray().size(), 1) << json.text().toStdString();
    EXPECT_EQ(report[u"rows"_s][0][u"file"_s].toString(), path);

    const Outcome csv = quillonTag({ u"--no-border"_s, u"--dry-run"_s, u"--report"_s, u"csv"_s, folder });
    EXPECT_EQ(csv.text(),
        u"file,image,status\r\n\""_s + QString(path).replace(u"\""_s, u"\"\""_s)
            + u"\",a.png,Success!\r\n"_s);

    // The diff names the page by its bytes, ended by a tab as it holds blanks.
    const Outcome diff = quillonTag({ u"--no-border"_s, u"--dry-run"_s, u"--diff"_s, u"--"_s, path });
    EXPECT_EQ(diff.exitCode, 0);
    const QByteArray file = QFile::encodeName(path) + '\t';
    EXPECT_TRUE(
        diff.out.startsWith("--- " + file + "\n+++ " + file + "\n@@ -1,1 +1,1 @@\n-" + before + "+" + after))
        << diff.out.toStdString();
    EXPECT_EQ(snapshot(dir.path()), start);

    // A real run, named after "--" as the name starts with "-": the page and its
    // backup beside it, nothing else.
    const Outcome run = quillonTag({ u"--no-border"_s, u"--"_s, path });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QMap<QString, QByteArray> expected = start;
    const QString relative = QDir(dir.path()).relativeFilePath(path);
    expected[relative] = after;
    expected[relative + u".bak"_s] = before;
    EXPECT_EQ(snapshot(dir.path()), expected);
}
