// Picture folders that disappear while a run goes on: the documents after it
// get error rows for the pictures that are gone, and stay whole.

#include "engine/StatusTexts.h"
#include "tests/engine/EngineFixture.h"

#include <QDir>

using namespace quillon;
using quillon::test::EngineTest;
using quillon::test::slurp;

namespace {

// Takes the picture folder away as the second document starts.
class FolderRemover : public RunObserver {
public:
    FolderRemover(QString folder, bool replaceWithFile)
        : m_folder(std::move(folder))
        , m_replace(replaceWithFile)
    {
    }
    void fileStarted(int index, int, const QString&, const QString&) override
    {
        if (index != 1)
            return;
        QDir(m_folder).removeRecursively();
        if (m_replace) {
            QFile file(m_folder);
            file.open(QIODevice::WriteOnly);
            file.write("not a folder");
        }
    }

private:
    QString m_folder;
    bool m_replace;
};

} // namespace

class VanishingPictures : public EngineTest { };

TEST_F(VanishingPictures, DocumentsAfterTheFolderWentGetErrorRowsAndStayWhole)
{
    for (const bool replaced : { false, true }) {
        SCOPED_TRACE(replaced ? "folder replaced by a file" : "folder removed");
        const QString pictures = dir.file(QStringLiteral("shots"));
        for (int i = 0; i < 3; ++i)
            dir.write(
                QStringLiteral("shots/p%1.png").arg(i), test::makePicture(QStringLiteral("png"), 10 + i, 5));
        const QByteArray firstText("<img src=shots/p0.png>");
        const QByteArray secondText("<p><img src=shots/p1.png></p>");
        const QByteArray thirdText("<img src=shots/p2.png><img src=a.gif>");
        const QStringList documents { dir.write(QStringLiteral("d0.html"), firstText),
            dir.write(QStringLiteral("d1.html"), secondText),
            dir.write(QStringLiteral("d2.html"), thirdText) };
        FolderRemover remover(pictures, replaced);
        TaggingEngine run([this] { return options; }, *fetcher);
        run.setObserver(&remover);
        run.run(documents);

        EXPECT_EQ(slurp(documents[0]), QByteArray("<img src=shots/p0.png WIDTH=10 HEIGHT=5>"));
        EXPECT_EQ(slurp(documents[1]), secondText);
        EXPECT_EQ(
            slurp(documents[2]), QByteArray("<img src=shots/p2.png><img src=a.gif WIDTH=120 HEIGHT=60>"));
        EXPECT_EQ(slurp(documents[0] + QStringLiteral(".bak")), firstText);
        EXPECT_FALSE(QFileInfo::exists(documents[1] + QStringLiteral(".bak"))); // it did not change
        EXPECT_EQ(slurp(documents[2] + QStringLiteral(".bak")), thirdText);

        QStringList statuses;
        for (const ReportRow& row : run.report().rows())
            statuses.append(row.status);
        EXPECT_EQ(statuses,
            (QStringList { status::Success, status::ImageNotFound, status::ImageNotFound, status::Success }));
        EXPECT_EQ(run.report().counters().totalOf(Counter::Errors), 2);
        QFile::remove(pictures);
    }
}
