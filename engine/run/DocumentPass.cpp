#include "engine/run/DocumentPass.h"

#include "engine/html/DocumentText.h"
#include "engine/html/LineCounter.h"
#include "engine/run/PictureSources.h"
#include "engine/run/RunObserver.h"
#include "engine/run/RunReport.h"
#include "engine/run/RunResources.h"
#include "engine/run/TagRewriter.h"
#include "engine/run/WrittenClauses.h"
#include "engine/html/TagScanner.h"
#include "platform/FileOps.h"

#include <QByteArrayView>
#include <QList>

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillon {

namespace {

// A page is XML when it says so first (after a byte order mark and blanks) or
// when its root element is in the XHTML namespace.
bool isXmlPage(const DocumentText& document)
{
    QStringView units = document.units();
    if (document.encoding() == DocumentText::Encoding::Utf8 && units.startsWith(u"\u00EF\u00BB\u00BF"))
        units = units.sliced(3); // the UTF-8 byte order mark, one unit a byte
    qsizetype i = 0;
    while (i < units.size() && isHtmlBlank(units[i]))
        ++i;
    if (units.sliced(i).startsWith(u"<?xml"))
        return true;
    TagScanner scanner(units, u"html");
    const std::optional<ImgTag> root = scanner.next();
    const TagAttribute* xmlns = root ? root->find(units, u"xmlns") : nullptr;
    return xmlns
        && document.toText(ImgTag::value(units, *xmlns)).trimmed()
        == QStringLiteral("http://www.w3.org/1999/xhtml");
}

} // namespace

void DocumentPass::reportDocumentFailure(const QString& path, Outcome outcome)
{
    const int row = m_report.AddReportRow(path);
    m_report.SetRowStatus(row, outcome);
}

Result<StagedWrite> DocumentPass::stageBackup(
    const QString& path, const QByteArray& bytes, const TagOptions& options)
{
    QString backup = path + QStringLiteral(".bak");
    if (options.globalBackups) {
        if (options.makeBackupFolder) {
            if (Status made = makeFolders(options.backupPath); !made)
                return made.failure();
        }
        // Documents of one run that share a file name keep a backup each.
        backup = m_resources.backupName(options.backupPath, path);
    }
    // Written whole before the document is touched; flushed at once unless the
    // run flushes many together.
    return stageFileAtomic(backup, bytes, nullptr, !m_deferWrites, Links::Replace);
}

// The backup a page has stays while the page is that backup with nothing but
// our clauses added: it is the page before the first run, and no later run
// replaces it. A backup that cannot be read is replaced.
bool DocumentPass::keepsBackup(const QString& path, const QByteArray& bytes, const TagOptions& options)
{
    const QString backup = options.globalBackups ? m_resources.listedBackup(options.backupPath, path)
                                                 : path + QStringLiteral(".bak");
    if (backup.isEmpty())
        return false;
    const Result<QByteArray> held = readWholeFile(backup);
    return held && onlyWrittenClausesDiffer(*held, bytes);
}

bool DocumentPass::TagFile(
    const QString& path, const TagOptions& options, double base, const std::atomic<bool>& stop)
{
    if (!options.dryRun)
        m_resources.removeStaleStaged(path);
    const int firstRow = static_cast<int>(m_report.rows().size());
    const Counters atStart = m_report.counters();
    FileStamp readVersion;
    const Result<QByteArray> read = readWholeFile(path, &readVersion);
    if (!read) {
        reportDocumentFailure(path, Outcome::ReadFailed);
        return true;
    }
    const QByteArray& bytes = read.value();
    // The backup is written first, but put in place only when the document is
    // about to change: a document left as it is keeps the backup it has, which
    // after an earlier run is the only copy of its bytes before that run.
    std::optional<StagedWrite> backup;
    if (options.generateBackups && !options.dryRun) {
        Result<StagedWrite> staged = stageBackup(path, bytes, options);
        if (!staged) {
            reportDocumentFailure(path, Outcome::BackupFailed);
            return true;
        }
        backup = std::move(staged).value();
    }
    // Stopped: whatever was staged goes, and the rows tell the page was left alone.
    auto abandon = [&](const StagedDocument& staged) {
        for (const auto& write : { staged.backup, staged.document }) {
            if (write)
                discardStaged(*write);
        }
        m_report.markStopped(firstRow, atStart);
        return false;
    };

    double progress = base;
    auto moveProgress = [&](double value) {
        progress = value;
        if (m_progress)
            m_progress(value);
    };

    // The clauses of every tag (and the stale values it corrects), in document
    // order, and where each goes among the document's bytes.
    struct Insertion {
        qsizetype at; // the byte offset in the document
        qsizetype clausesEnd; // one past its clauses in inserted
        qsizetype replacedEnd; // one past the document's bytes they take the place of
    };
    QByteArray inserted;
    QList<Insertion> insertions;
    {
        const DocumentText document = DocumentText::decode(bytes);
        const QStringView units = document.units();
        const bool xmlStyle = options.lowerCaseClauses || isXmlPage(document);
        const double length = std::max<qsizetype>(units.size(), 1);
        auto insert = [&](qsizetype start, qsizetype end, const QString& text) {
            inserted.append(document.encodeUnits(document.toUnits(text)));
            insertions.append(
                Insertion { document.byteOffset(start), inserted.size(), document.byteOffset(end) });
        };
        auto addClauses = [&](const ImgTag& tag, const QString& clauses) {
            if (!clauses.isEmpty())
                insert(tag.insertAt, tag.insertAt, tag.blankAfterInsert ? clauses + u' ' : clauses);
        };
        PictureSources pictures(m_report, m_rewriter);
        TagScanner scanner(units, PictureSources::kElements, true);
        LineCounter lines(units, document.encoding());
        while (!stop) {
            const std::optional<ImgTag> tag = scanner.next();
            if (!tag)
                break;
            const double reached
                = base + std::floor(3.0 * static_cast<double>(tag->start) / length * 100.0) / 100.0;
            if (reached > progress)
                moveProgress(reached);
            const TextPosition at = lines.at(tag->start);
            if (pictures.follow(*tag, at))
                continue;

            const TagContext context { units, *tag, &document, path, xmlStyle, at };
            std::optional<ValueFix> fix;
            const QString clauses = m_rewriter.clausesFor(context, options, &fix);
            // A picture's sources stand before its <img>, and their clauses go in first.
            for (const PictureSources::SourceClauses& source : pictures.clausesFor(context, clauses, options))
                addClauses(source.source, source.clauses);
            if (fix)
                insert(fix->start, fix->end, fix->text);
            addClauses(*tag, clauses);
        }
    } // the decoded text is let go here: a large document is never held as text and as new bytes at once
    if (stop)
        return abandon(StagedDocument { std::move(backup), std::nullopt });
    if (progress < base + 3)
        moveProgress(base + 3);

    if (insertions.isEmpty()) {
        if (backup)
            discardStaged(*backup);
        return true; // nothing inserted: the file keeps its bytes and its time
    }
    if (backup && keepsBackup(path, bytes, options)) {
        discardStaged(*backup);
        backup.reset();
    }

    // The new bytes are the document's own between the clauses, copied once.
    const QByteArrayView original(bytes);
    QByteArray after;
    after.reserve(bytes.size() + inserted.size());
    qsizetype copied = 0;
    qsizetype clausesStart = 0;
    for (const Insertion& insertion : std::as_const(insertions)) {
        after.append(original.sliced(copied, insertion.at - copied));
        after.append(QByteArrayView(inserted).sliced(clausesStart, insertion.clausesEnd - clausesStart));
        copied = insertion.replacedEnd;
        clausesStart = insertion.clausesEnd;
    }
    after.append(original.sliced(copied));
    if (m_observer)
        m_observer->documentRewritten(path, bytes, after);
    if (options.dryRun)
        return true;

    std::optional<Outcome> failure;
    StagedDocument staged
        = stageDocument(path, after, readVersion, std::move(backup), !m_deferWrites, &failure);
    if (stop) // a large page takes a while to stage
        return abandon(staged);
    if (failure)
        reportDocumentFailure(path, *failure);
    if (m_deferWrites) {
        m_staged = std::move(staged); // the run puts the backup in place, then the page
        return true;
    }
    const std::optional<Outcome> failed = commitDocument(staged, true, true);
    if (failed)
        reportDocumentFailure(path, *failed);
    if (backupPlaced(staged, failed)) {
        m_resources.backupPlaced(staged.backup->target);
        m_resources.saveBackupIndexes();
    }
    return true;
}

} // namespace quillon
