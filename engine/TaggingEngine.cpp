#include "engine/TaggingEngine.h"

#include "engine/DocumentText.h"
#include "engine/ImageSource.h"
#include "engine/RunResources.h"
#include "engine/PictureMeasure.h"
#include "engine/Progress.h"
#include "engine/RunObserver.h"
#include "engine/StatusTexts.h"
#include "engine/TagScanner.h"
#include "platform/FileOps.h"
#include "platform/Paths.h"
#include "settings/SettingKeys.h"

#include <QByteArrayView>
#include <QDir>
#include <QFileInfo>
#include <QList>

#include <cmath>
#include <utility>

namespace quillon {

namespace {

// A width or height as HTML reads it: blanks skipped, digits with an optional
// fraction, the rest ignored (" 60px" is 60, "60.5" is 60.5); a "%" right after
// the number makes it a percentage. None when no digit comes first ("auto", "").
struct Dimension {
    double value = 0;
    bool percentage = false;
};

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

std::optional<Dimension> readDimension(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isHtmlBlank(text[i]))
        ++i;
    const qsizetype start = i;
    while (i < text.size() && isAsciiDigit(text[i]))
        ++i;
    if (i == start)
        return std::nullopt;
    if (i + 1 < text.size() && text[i] == u'.' && isAsciiDigit(text[i + 1])) {
        for (++i; i < text.size() && isAsciiDigit(text[i]); ++i) { }
    }
    const double value = text.sliced(start, i - start).toDouble();
    if (!std::isfinite(value))
        return std::nullopt;
    return Dimension { value, i < text.size() && text[i] == u'%' };
}

// The missing side of a picture shown with one side fixed, keeping its
// proportions; halves are rounded away from zero.
QString proportionalSide(double given, double pictureGiven, double pictureOther)
{
    if (pictureGiven <= 0)
        return PictureSize::text(pictureOther);
    return QString::number(std::round(given * pictureOther / pictureGiven), 'f', 0);
}

// A page is XML when it says so first (after a byte order mark and blanks) or
// when its root element is in the XHTML namespace.
bool isXmlPage(const DocumentText& document)
{
    QStringView units = document.units();
    if (units.startsWith(QStringLiteral("\xEF\xBB\xBF"))
        && document.encoding() == DocumentText::Encoding::Utf8)
        units = units.sliced(3);
    else if (units.startsWith(QChar(0xFEFF)))
        units = units.sliced(1);
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

struct TaggingEngine::TagContext {
    QStringView units;
    const ImgTag& tag;
    const DocumentText& document;
    const QString& htmlFile;
    bool xmlStyle; // lower-case names and quoted values, escaped for XML

    const TagAttribute* find(QStringView name) const { return tag.find(units, name); }
    QString valueOf(const TagAttribute& attribute) const
    {
        return document.toText(ImgTag::value(units, attribute));
    }
};

TaggingEngine::TaggingEngine(std::function<TagOptions()> options, ImageFetcher& fetcher)
    : m_options(std::move(options))
    , m_ownResources(std::make_unique<RunResources>(fetcher))
    , m_resources(*m_ownResources)
{
}

TaggingEngine::TaggingEngine(std::function<TagOptions()> options, RunResources& shared)
    : m_options(std::move(options))
    , m_resources(shared)
{
}

const DownloadArea& TaggingEngine::downloads() const
{
    return m_resources.downloads();
}

TaggingEngine::~TaggingEngine() = default;

void TaggingEngine::setObserver(RunObserver* observer)
{
    m_observer = observer;
    m_report.setObserver(observer);
}

void TaggingEngine::setProgress(double value)
{
    m_progressValue = value;
    if (m_observer)
        m_observer->progressChanged(
            m_progressValue, m_progressMaximum, percentText(value, m_progressMaximum));
}

void TaggingEngine::run(const QStringList& files)
{
    m_resources.endRun();
    m_progressMaximum = 4.0 * files.size();
    setProgress(0);
    m_report.resetCounters();

    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count && !m_stopRequested; ++i) {
        if (m_observer)
            m_observer->fileStarted(i, count, files[i], filesInProgressText(i + 1, count));
        TagFile(files[i]);
        if (m_progressValue != (i + 1) * 4.0)
            setProgress((i + 1) * 4.0);
    }
    DoneScanning();
    // A stop asked for before the run began still ends it; one asked for now ends nothing later.
    m_stopRequested = false;
}

void TaggingEngine::reportDocumentFailure(const QString& path, const QString& status)
{
    const int row = m_report.AddReportRow(path);
    m_report.SetRowStatus(row, status);
    m_report.CountOne(Counter::Errors);
}

// Writes a file at once, or with deferred writes stages it for the caller to
// put in place after one flush for many documents.
StagedDocument TaggingEngine::takeStaged()
{
    return std::exchange(m_staged, StagedDocument());
}

Result<StagedWrite> TaggingEngine::stageBackup(
    const QString& path, const QByteArray& bytes, const TagOptions& options)
{
    QString backup = path + QStringLiteral(".bak");
    if (options.globalBackups) {
        // The default folder is the program's own and is made when first needed; a
        // folder the user chose must already be there.
        if (options.backupPath == defaultBackupPath()) {
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

void TaggingEngine::TagFile(const QString& path)
{
    m_report.resetCurrent();
    m_fileOptions = m_options();

    FileStamp readVersion;
    const Result<QByteArray> read = readWholeFile(path, &readVersion);
    if (!read) {
        reportDocumentFailure(path, status::ReadFailed);
        return;
    }
    const QByteArray& bytes = read.value();
    // The backup is written first, but put in place only when the document is
    // about to change: a document left as it is keeps the backup it has, which
    // after an earlier run is the only copy of its bytes before that run.
    std::optional<StagedWrite> backup;
    if (m_fileOptions.generateBackups && !m_fileOptions.dryRun) {
        Result<StagedWrite> staged = stageBackup(path, bytes, m_fileOptions);
        if (!staged) {
            reportDocumentFailure(path, status::BackupFailed);
            return;
        }
        backup = std::move(staged).value();
    }

    // The clauses of every tag, in document order, and where each goes among the
    // document's bytes.
    struct Insertion {
        qsizetype at; // the byte offset in the document
        qsizetype clausesEnd; // one past its clauses in inserted
    };
    QByteArray inserted;
    QList<Insertion> insertions;
    const double base = m_progressValue;
    {
        const DocumentText document = DocumentText::decode(bytes);
        const QStringView units = document.units();
        const bool xmlStyle = m_fileOptions.lowerCaseClauses || isXmlPage(document);
        const double length = std::max<qsizetype>(units.size(), 1);
        TagScanner scanner(units);
        while (!m_stopRequested) {
            const std::optional<ImgTag> tag = scanner.next();
            if (!tag)
                break;
            const double reached
                = base + std::floor(3.0 * static_cast<double>(tag->start) / length * 100.0) / 100.0;
            if (reached > m_progressValue)
                setProgress(reached);

            const QString clauses = tagClauses(TagContext { units, *tag, document, path, xmlStyle });
            if (clauses.isEmpty())
                continue;
            inserted.append(
                document.encodeUnits(document.toUnits(tag->blankAfterInsert ? clauses + u' ' : clauses)));
            insertions.append(Insertion { document.byteOffset(tag->insertAt), inserted.size() });
        }
    } // the decoded text is let go here: a large document is never held as text and as new bytes at once
    if (m_progressValue < base + 3)
        setProgress(base + 3);

    if (insertions.isEmpty()) {
        if (backup)
            discardStaged(*backup);
        return; // nothing inserted: the file keeps its bytes and its time
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
        copied = insertion.at;
        clausesStart = insertion.clausesEnd;
    }
    after.append(original.sliced(copied));
    if (m_observer)
        m_observer->documentRewritten(path, bytes, after);
    if (m_fileOptions.dryRun)
        return;

    // The new bytes are written beside the page first. A page that cannot take
    // them (read-only, say) still holds what was read, and keeps its earlier
    // backup; one changed by someone else meanwhile no longer does, so the backup
    // of what was read is kept.
    Result<StagedWrite> staged = stageFileAtomic(path, after, &readVersion, !m_deferWrites);
    if (!staged) {
        if (backup && staged.failure().is(ErrorCode::FileChanged)) {
            if (m_deferWrites)
                m_staged.backup = std::move(backup);
            else
                (void)commitStagedDurably(*backup);
        } else if (backup) {
            discardStaged(*backup);
        }
        reportDocumentFailure(path, status::WriteFailed);
        return;
    }
    if (m_deferWrites) {
        // The run puts the backup in place, then the page.
        m_staged.backup = std::move(backup);
        m_staged.document = std::move(staged).value();
        return;
    }
    if (backup && !commitStagedDurably(*backup)) {
        discardStaged(*staged);
        reportDocumentFailure(path, status::BackupFailed);
        return;
    }
    if (!commitStagedDurably(*staged))
        reportDocumentFailure(path, status::WriteFailed);
}

QString TaggingEngine::TagImage(const QString& tagText, const QString& htmlFile)
{
    m_fileOptions = m_options();
    const QString text = QStringLiteral("<") + tagText + QStringLiteral(">");
    const DocumentText document = DocumentText::decode(
        QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
    TagScanner scanner(document.units());
    const std::optional<ImgTag> tag = scanner.next();
    if (!tag || tag->start != 0 || tag->end != text.size() - 1)
        return tagText; // not one whole image tag
    const QString clauses = tagClauses(
        TagContext { document.units(), *tag, document, htmlFile, m_fileOptions.lowerCaseClauses });
    if (clauses.isEmpty())
        return tagText; // nothing added, not even the blank that would keep clauses apart
    QString result = text;
    result.insert(tag->insertAt, tag->blankAfterInsert ? clauses + u' ' : clauses);
    return result.mid(1, result.size() - 2);
}

// A local picture's file: beside the document, or for "/..." under the site's
// root when there is one. With a root, nothing outside it is read.
Result<QString> TaggingEngine::localPicture(const QString& htmlFile, const QString& path) const
{
    if (path.endsWith(u'/') || path.endsWith(nativeSeparator()))
        return Failure(ErrorCode::PathNotFound, path); // a folder, never a picture
    const QString& root = m_fileOptions.siteRoot;
    if (root.isEmpty())
        return GetPath(htmlFile) + path;
    const QString file = path.startsWith(u'/') ? root + path : GetPath(htmlFile) + path;
    const QString cleanRoot = QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    const QString cleanFile = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    if (cleanFile != cleanRoot && !cleanFile.startsWith(withTrailingSeparator(cleanRoot)))
        return Failure(ErrorCode::OutsideSiteRoot, path);
    return cleanFile;
}

Result<PictureSize> TaggingEngine::measure(const ImageSource& source, const QString& pictureFile)
{
    if (source.kind == ImageSource::Kind::Data) {
        if (!source.dataValid)
            return Failure(ErrorCode::NotAPicture, QStringLiteral("Malformed data: address"));
        return MeasurePictureData(source.data);
    }
    return m_resources.measure(pictureFile);
}

// The rewriter: one report row per tag, and the clauses that go at the tag's
// insertion point (empty when nothing is added).
QString TaggingEngine::tagClauses(const TagContext& context)
{
    const TagOptions& options = m_fileOptions;
    const int row = m_report.AddReportRow(context.htmlFile);
    m_report.SetRowStatus(row, status::NoChanges);

    const TagAttribute* src = context.find(u"src");
    if (!src) {
        m_report.SetRowStatus(row, status::NoSrc);
        m_report.CountOne(Counter::Errors);
        return {};
    }
    m_report.CountOne(Counter::Found);

    const ImageSource source = classifyImageSource(context.valueOf(*src));
    m_report.SetRowImage(row, source.shown);

    const TagAttribute* width = context.find(u"width");
    const TagAttribute* height = context.find(u"height");
    const bool hasBorder = context.find(u"border") != nullptr;
    const bool hasAlt = context.find(u"alt") != nullptr;

    QString clauses;
    auto fail = [&](const Failure& failure) {
        m_report.SetRowStatus(row,
            failure.is(ErrorCode::PathNotFound) ? status::ImageNotFound
                                                : status::downloadFailed(failure.code));
        m_report.CountOne(Counter::Errors);
        return clauses; // what was added before the failure stays
    };
    auto append = [&](const QString& clause) {
        clauses += clause;
        m_report.SetRowStatus(row, status::Success);
    };

    QString pictureFile;
    if (source.kind == ImageSource::Kind::Remote) {
        if (!options.online) {
            m_report.SetRowStatus(row, status::Offline);
            return {};
        }
        if (width && height && hasBorder && hasAlt)
            return {};
        m_report.SetRowStatus(row, status::Downloading);
        const Result<QString> fetched = m_resources.download(source.target);
        if (!fetched)
            return fail(fetched.failure());
        pictureFile = fetched.value();
        m_report.SetRowImage(row, source.shown);
        m_report.SetRowStatus(row, status::NoChanges);
    } else if (source.kind == ImageSource::Kind::Local) {
        if (source.target.startsWith(u'/') && options.siteRoot.isEmpty()) {
            // Beside the page it would be another picture, or none.
            m_report.SetRowStatus(row, status::NoSiteRoot);
            m_report.CountOne(Counter::Errors);
            return {};
        }
        const Result<QString> local = localPicture(context.htmlFile, source.target);
        if (!local)
            return fail(local.failure());
        pictureFile = local.value();
    }

    // " WIDTH=120", or on an XML page ' width="120"'.
    auto clause = [&](QStringView name, const QString& value) {
        if (context.xmlStyle)
            return u' ' + name.toString().toLower() + QStringLiteral("=\"") + escapeXmlAttributeValue(value)
                + u'"';
        return u' ' + name.toString() + u'=' + value;
    };

    if (!width && !height) {
        const Result<PictureSize> size = measure(source, pictureFile);
        if (!size)
            return fail(size.failure());
        append(clause(u"WIDTH", size->widthText()));
        append(clause(u"HEIGHT", size->heightText()));
    } else if (!width || !height) {
        // One side given: the other keeps the picture's proportions. A percentage
        // leaves it to the browser; a value without a number gives no size at all.
        const std::optional<Dimension> given = readDimension(context.valueOf(width ? *width : *height));
        if (!given) {
            m_report.SetRowStatus(row, status::SizeNotANumber);
        } else if (given->percentage) {
            m_report.SetRowStatus(row, status::SizeInOtherUnits);
        } else {
            const Result<PictureSize> size = measure(source, pictureFile);
            if (!size)
                return fail(size.failure());
            if (width)
                append(clause(u"HEIGHT", proportionalSide(given->value, size->width, size->height)));
            else
                append(clause(u"WIDTH", proportionalSide(given->value, size->height, size->width)));
        }
    }

    if (options.addBorder && !hasBorder)
        append(clause(u"BORDER", options.borderSize));

    if (options.addAlt && !hasAlt) {
        if (!options.altTextIndex)
            return fail(Failure(ErrorCode::TypeMismatch));
        const QString text = (*options.altTextIndex == 1) ? options.altText : source.shown;
        append(context.xmlStyle
                ? clause(u"ALT", text)
                : QStringLiteral(" ALT=\"") + escapeAttributeValue(text) + QStringLiteral("\""));
    }

    if (!clauses.isEmpty())
        m_report.CountOne(Counter::Tagged);
    return clauses;
}

void TaggingEngine::DoneScanning()
{
    setProgress(m_progressMaximum);
    m_report.resetCurrent();
    m_resources.endRun();
    if (m_observer)
        m_observer->runFinished();
}

void TaggingEngine::ClearStatus()
{
    // The driver puts its progress bar back itself; its percentage stays as it was.
    m_progressValue = 0;
    m_report.clear();
}

} // namespace quillon
