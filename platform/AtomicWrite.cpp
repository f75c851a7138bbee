#include "platform/AtomicWrite.h"

#include "platform/FileDescriptor.h"
#include "platform/PosixFiles.h"
#include "platform/Umask.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace quillon {

using posix::encoded;
using posix::stampFrom;

namespace {

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// The permission bits decide, not the privileges of the account: root may write
// anything, but a user who made a page read-only did not mean it to change.
bool runsAsRoot()
{
    static const bool root = ::geteuid() == 0;
    return root;
}

bool permissionBitsAllowWriting(const struct stat& st, const QByteArray& path)
{
    if (runsAsRoot())
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    return ::access(path.constData(), W_OK) == 0;
}

// stat() or lstat() of name, and whether the file is immutable or append-only
// where one statx() call tells; otherwise the flags are asked of the file.
struct Found {
    bool exists = false;
    int error = 0;
    struct stat st { };
    bool locked = false; // immutable or append-only
};

bool isImmutable(int fd);

Found lookUp(const QByteArray& name, bool followLinks)
{
    Found found;
    bool flagsKnown = false;
    bool looked = false;
#if defined(Q_OS_LINUX) && defined(STATX_ATTR_IMMUTABLE)
    struct statx sx { };
    if (::statx(AT_FDCWD, name.constData(), followLinks ? 0 : AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &sx)
        == 0) {
        looked = true;
        struct stat& st = found.st;
        st.st_mode = sx.stx_mode;
        st.st_uid = sx.stx_uid;
        st.st_gid = sx.stx_gid;
        st.st_size = static_cast<off_t>(sx.stx_size);
        st.st_ino = sx.stx_ino;
        st.st_dev = makedev(sx.stx_dev_major, sx.stx_dev_minor);
        st.st_mtim.tv_sec = sx.stx_mtime.tv_sec;
        st.st_mtim.tv_nsec = sx.stx_mtime.tv_nsec;
        constexpr quint64 lockBits = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
        flagsKnown = (sx.stx_attributes_mask & lockBits) == lockBits;
        found.locked = flagsKnown && (sx.stx_attributes & lockBits) != 0;
    } else if (errno != ENOSYS && errno != EPERM) { // not a kernel or sandbox without statx
        found.error = errno;
        return found;
    }
#endif
    if (!looked
        && (followLinks ? ::stat(name.constData(), &found.st) : ::lstat(name.constData(), &found.st)) != 0) {
        found.error = errno;
        return found;
    }
    found.exists = true;
    if (!flagsKnown && S_ISREG(found.st.st_mode)) {
        FileDescriptor probe(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
        found.locked = probe.isOpen() && isImmutable(probe.get());
    }
    return found;
}

bool isImmutable(int fd)
{
#if defined(Q_OS_LINUX) && defined(FS_IOC_GETFLAGS)
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0)
        return (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
#else
    Q_UNUSED(fd);
#endif
    return false;
}

// The file a write to path really changes: a symbolic link leads to its target.
// Most pages are no link, which one lstat tells.
QString resolveLinks(const QString& path)
{
    struct stat st { };
    if (::lstat(encoded(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    QString current = path;
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        QString target = info.symLinkTarget();
        if (target.isEmpty())
            return current;
        current = target;
    }
    return current;
}

const QString kStagedMark = QStringLiteral(".quillon-");
constexpr qsizetype kRandomLength = 6; // mkostemp's XXXXXX

// A temporary file beside the target fileName is named with a dot, the target's
// name, ".quillon-" and six random characters. The name is shortened by whole
// characters where it would pass the file system's limit, so that a page with
// a long name can still be written. This is all of it but the random part.
QString stagedPrefixFor(const QString& fileName)
{
    QString name = fileName;
    while (!name.isEmpty() && encoded(u'.' + name + kStagedMark).size() + kRandomLength > NAME_MAX)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return u'.' + name + kStagedMark;
}

// mkostemp's template for a temporary file in folder beside the target fileName.
QByteArray tempNameFor(const QString& folder, const QString& fileName)
{
    return encoded(folder + u'/' + stagedPrefixFor(fileName) + QStringLiteral("XXXXXX"));
}

// mkostemp fills its template with letters and digits.
bool isRandomPart(QStringView text)
{
    return text.size() == kRandomLength && std::all_of(text.begin(), text.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
    });
}

bool isStagedNameFor(const QString& name, const QString& fileName)
{
    const QString prefix = stagedPrefixFor(fileName);
    return name.startsWith(prefix) && isRandomPart(QStringView(name).sliced(prefix.size()));
}

} // namespace

Result<StagedWrite> stageFileAtomic(
    const QString& path, const QByteArray& bytes, const FileStamp* expected, bool flush, Links links)
{
    const QString target = links == Links::Follow ? resolveLinks(path) : path;
    const QByteArray targetName = encoded(target);

    mode_t mode = 0;
    bool exists = false;
    uid_t owner = 0;
    gid_t group = 0;
    const Found lookedUp = lookUp(targetName, links == Links::Follow);
    const bool found = lookedUp.exists;
    const struct stat& st = lookedUp.st;
    // Someone else's change since the file was read is theirs to keep.
    if (expected && (!found || stampFrom(st) != *expected))
        return Failure(ErrorCode::FileChanged, target);
    const bool replacedLink = found && links == Links::Replace && S_ISLNK(st.st_mode);
    if (found && !replacedLink) {
        if (!S_ISREG(st.st_mode))
            return Failure(ErrorCode::NotARegularFile, target);
        if (!permissionBitsAllowWriting(st, targetName))
            return Failure(ErrorCode::PermissionDenied, target + QStringLiteral(": file is read-only"));
        if (lookedUp.locked)
            return Failure(ErrorCode::PermissionDenied, target + QStringLiteral(": file is immutable"));
        exists = true;
        mode = st.st_mode & 07777;
        owner = st.st_uid;
        group = st.st_gid;
    } else if (!found && lookedUp.error != ENOENT) {
        return failureFromErrno(lookedUp.error, target);
    } else {
        mode = 0666 & ~processUmask();
    }

    const QString folder = QFileInfo(target).absolutePath();
    if (!exists && !QFileInfo(folder).isDir())
        return Failure(ErrorCode::PathNotFound, folder);
    QByteArray tempName = tempNameFor(folder, QFileInfo(target).fileName());
    FileDescriptor fd(::mkostemp(tempName.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return failureFromErrno(errno, target);

    auto fail = [&](int err) {
        ::unlink(tempName.constData());
        return failureFromErrno(err, target);
    };
    if (!writeAll(fd.get(), bytes.constData(), bytes.size()))
        return fail(errno);
    if (::fchmod(fd.get(), mode) != 0)
        return fail(errno);
    if (exists && runsAsRoot() && (owner != 0 || group != ::getegid()))
        (void)::fchown(fd.get(), owner, group); // keep the page's owner when root rewrites it
    if (flush && ::fsync(fd.get()) != 0)
        return fail(errno);
    if (const int err = fd.close(); err != 0)
        return fail(err);
    StagedWrite staged;
    staged.target = target;
    staged.temp = QFile::decodeName(tempName);
    if (expected) {
        staged.expected = *expected;
        staged.checkExpected = true;
    }
    return staged;
}

Status commitStaged(const StagedWrite& staged)
{
    const QByteArray targetName = encoded(staged.target);
    const QByteArray tempName = encoded(staged.temp);
    if (staged.checkExpected) {
        struct stat st { };
        if (::stat(targetName.constData(), &st) != 0 || stampFrom(st) != staged.expected) {
            ::unlink(tempName.constData());
            return Failure(ErrorCode::FileChanged, staged.target);
        }
    }
    if (::rename(tempName.constData(), targetName.constData()) != 0) {
        const int err = errno;
        ::unlink(tempName.constData());
        return failureFromErrno(err, staged.target);
    }
    return {};
}

Status commitStagedDurably(const StagedWrite& staged)
{
    if (Status done = commitStaged(staged); !done)
        return done;
    FileDescriptor dir(::open(
        encoded(QFileInfo(staged.target).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.isOpen())
        (void)::fsync(dir.get()); // the rename itself reaches the disk
    return {};
}

void discardStaged(const StagedWrite& staged)
{
    ::unlink(encoded(staged.temp).constData());
}

QStringList syncFileSystems(const QStringList& paths)
{
    QHash<QString, dev_t> deviceOf; // by folder, once its file system is known
    QHash<dev_t, bool> flushed; // by file system
    QStringList unflushed;
    for (const QString& path : paths) {
        const QString folder = QFileInfo(path).absolutePath();
        auto known = deviceOf.constFind(folder);
        if (known == deviceOf.cend()) {
            // The folder names the file system; a folder that cannot be read
            // (mode -wx) still holds a file that can be.
            FileDescriptor fd(::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!fd.isOpen())
                fd = FileDescriptor(::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
            struct stat st { };
            if (!fd.isOpen() || ::fstat(fd.get(), &st) != 0) {
                unflushed.append(path); // nothing says its bytes are on disk
                continue;
            }
            known = deviceOf.insert(folder, st.st_dev);
            // A write-back error shows here: bytes that never reached the disk.
            if (!flushed.contains(st.st_dev))
                flushed.insert(st.st_dev, ::syncfs(fd.get()) == 0);
        }
        if (!flushed.value(*known))
            unflushed.append(path);
    }
    return unflushed;
}

Status writeFileAtomic(const QString& path, const QByteArray& bytes, const FileStamp* expected)
{
    const Result<StagedWrite> staged = stageFileAtomic(path, bytes, expected, true);
    if (!staged)
        return staged.failure();
    return commitStagedDurably(*staged);
}

timespec fileClockNow()
{
    timespec now {};
    // File times come from the kernel's coarse clock, which may lag the fine
    // one: a file written right after a fine reading could seem older than it.
#ifdef CLOCK_REALTIME_COARSE
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
#else
    ::clock_gettime(CLOCK_REALTIME, &now);
#endif
    return now;
}

QStringList stagedNamesIn(const QString& folder)
{
    QStringList names;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(encoded(folder).constData()), &::closedir);
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QString name = QFile::decodeName(entry->d_name);
        const qsizetype mark = name.lastIndexOf(kStagedMark);
        if (name.startsWith(u'.') && mark > 0
            && isRandomPart(QStringView(name).sliced(mark + kStagedMark.size())))
            names.append(name);
    }
    return names;
}

void removeStaleStaged(const QString& path, const QStringList& names, const timespec& before)
{
    const QFileInfo page(resolveLinks(path));
    const QString backupName = QFileInfo(path).fileName() + QStringLiteral(".bak");
    for (const QString& name : names) {
        if (!isStagedNameFor(name, page.fileName()) && !isStagedNameFor(name, backupName))
            continue;
        const QByteArray file = encoded(page.absolutePath() + u'/' + name);
        struct stat st { };
        if (::lstat(file.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const bool older = st.st_mtim.tv_sec < before.tv_sec
            || (st.st_mtim.tv_sec == before.tv_sec && st.st_mtim.tv_nsec < before.tv_nsec);
        if (older)
            ::unlink(file.constData());
    }
}

} // namespace quillon
