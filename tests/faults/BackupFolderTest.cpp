// Backups that cannot be written where they should go: no document is
// rewritten without its backup, the failure is reported, and nothing is left
// behind. And pages whose names leave little room for a temporary file's.

#include "engine/StatusTexts.h"
#include "settings/SettingKeys.h"
#include "tests/engine/EngineFixture.h"
#include "tests/faults/SiteRun.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;
using namespace quillon::test;

namespace {

// Sets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : m_name(name)
        , m_old(qgetenv(name))
        , m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

} // namespace

class DefaultBackupFolder : public EngineTest { };

TEST_F(DefaultBackupFolder, ThatCannotBeMadeStopsTheRewrite)
{
    // The per-user data folder lies under a plain file, so the backups folder
    // cannot be made, not even by root.
    const QString home = dir.file(QStringLiteral("home"));
    dir.write(QStringLiteral("home/.qttest"), "a file where a folder should be");
    dir.write(QStringLiteral("home/.local"), "a file where a folder should be");
    const ScopedVariable homeVariable("HOME", QFile::encodeName(home));
    const ScopedVariable dataVariable(
        "XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    options.globalBackups = true;
    options.backupPath = defaultBackupPath();
    options.makeBackupFolder = true;
    ASSERT_TRUE(options.backupPath.startsWith(home)) << options.backupPath.toStdString();

    const QByteArray original("<img src=a.gif>");
    const QString path = dir.write(QStringLiteral("page.html"), original);
    engine().run({ path });
    EXPECT_EQ(slurp(path), original);
    ASSERT_EQ(engine().report().rows().size(), 1);
    EXPECT_EQ(engine().report().rows().front().status, status::BackupFailed);
    EXPECT_EQ(total(Counter::Errors), 1);
    EXPECT_EQ(leftoverTemps(dir.path()), QStringList());
}

// quillon-tag with backups that go into a folder it may not write to: the
// chosen backup folder, or the document's own folder for backups beside it.
// Root may write anywhere, so as root the tool runs as an ordinary account.
TEST(ReadOnlyBackupFolder, NoDocumentIsRewrittenWithoutItsBackup)
{
    TempDir dir;
    const QByteArray original("<img src=a.png>");
    dir.write(QStringLiteral("site/a.png"), makePicture(QStringLiteral("png"), 7, 3));
    const QString document = dir.write(QStringLiteral("site/p.html"), original);
    const QString site = dir.file(QStringLiteral("site"));
    const QString backups = dir.file(QStringLiteral("backups"));
    QDir().mkpath(backups);

    QStringList prefix;
    if (::geteuid() == 0) {
        const Outcome handed = runProgram(
            QStringLiteral("chown"), { QStringLiteral("-R"), QStringLiteral("65534:65534"), dir.path() });
        ASSERT_EQ(handed.exitCode, 0) << handed.err.toStdString();
        prefix = QStringList { QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
            QStringLiteral("--clear-groups"), quillonTagPath() };
    }
    auto quillonTagUnprivileged = [&](const QStringList& arguments) {
        return prefix.isEmpty() ? quillonTag(arguments)
                                : runProgram(QStringLiteral("setpriv"), prefix + arguments);
    };

    struct Case {
        const char* name;
        QString readOnlyFolder;
        QStringList arguments;
    };
    const Case cases[] = {
        { "a backup folder that is read-only", backups,
            { QStringLiteral("--backup-dir"), backups, document } },
        { "beside the document in a read-only folder", site, { document } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(::chmod(QFile::encodeName(c.readOnlyFolder).constData(), 0555), 0);
        const Outcome run = quillonTagUnprivileged(c.arguments);
        ::chmod(QFile::encodeName(c.readOnlyFolder).constData(), 0755);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_EQ(readReport(run, site).statuses.value(QStringLiteral("p.html")),
            QStringList { status::BackupFailed });
        EXPECT_EQ(slurp(document), original);
        EXPECT_EQ(filesBelow(dir.path()).keys(),
            (QStringList { QStringLiteral("site/a.png"), QStringLiteral("site/p.html") }));
    }
}

class LongNames : public EngineTest { };

// A page is written through a temporary file named after it; with a name near
// the file system's limit of 255 bytes the page and its backup still get written.
TEST_F(LongNames, PagesWithNamesNearTheLimitAreTaggedAndBackedUp)
{
    const QString stems[] = {
        QString(240, u'a'), // a byte each
        QString(120, QChar(0xE9)), // two bytes each
        QString::fromUtf8("\xF0\x9F\x98\x80").repeated(60), // four bytes and two units each
    };
    for (const QString& stem : stems) {
        const QString name = stem + QStringLiteral(".html");
        SCOPED_TRACE(name.toStdString());
        ASSERT_EQ(QFile::encodeName(name).size(), 245);
        const QString path = dir.write(name, "<img src=a.gif>");
        engine().run({ path });
        EXPECT_EQ(slurp(path), QByteArray("<img src=a.gif WIDTH=120 HEIGHT=60>"));
        EXPECT_EQ(slurp(path + QStringLiteral(".bak")), QByteArray("<img src=a.gif>"));
        EXPECT_EQ(leftoverTemps(dir.path()), QStringList());
    }
}
