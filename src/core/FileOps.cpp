#include "core/FileOps.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tbn::core {

namespace {

struct ArmedFault {
    bool armed = false;
    bool fired = false;
    FileOpKind kind = FileOpKind::Open;
    int remaining = 0;
    int error = 0;
};
ArmedFault g_fault;

// Returns the errno to fake for this call, or 0 to let the real call run.
int TakeFault(FileOpKind kind) {
    if (!g_fault.armed || g_fault.fired || g_fault.kind != kind) return 0;
    if (--g_fault.remaining > 0) return 0;
    g_fault.fired = true;
    return g_fault.error;
}

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

std::string Quoted(const QString& path) {
    std::string quoted(1, '"');
    quoted += path.toStdString();
    quoted += '"';
    return quoted;
}

[[noreturn]] void Fail(int error, const QString& path, const std::string& action) {
    throw tbn::Error(FileErrorNumber(error, path), action + ": " + std::strerror(error));
}

std::string Cannot(const char* verb, const QString& path, const std::string& tail = {}) {
    std::string text = "Cannot ";
    text += verb;
    text += ' ';
    text += Quoted(path);
    text += tail;
    return text;
}

FileHandle Open(const QString& path, int flags, unsigned mode, const char* purpose) {
    if (int fault = TakeFault(FileOpKind::Open)) Fail(fault, path, Cannot("open", path, purpose));
    int fd;
    do fd = ::open(Native(path).constData(), flags | O_CLOEXEC, static_cast<mode_t>(mode));
    while (fd < 0 && errno == EINTR);
    if (fd < 0) Fail(errno, path, Cannot("open", path, purpose));
    return FileHandle(fd, path);
}

}  // namespace

std::int32_t FileErrorNumber(int error, const QString& path) {
    switch (error) {
    case ENOENT:
        // A missing folder on the way is a different complaint from a missing file.
        return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? ErrorCode::FileNotFound
                                                                 : ErrorCode::PathNotFound;
    case ENOTDIR: return ErrorCode::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return ErrorCode::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ErrorCode::DiskFull;
    default: return ErrorCode::PathFileAccess;
    }
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
}

QByteArray FileHandle::ReadAll() {
    if (int fault = TakeFault(FileOpKind::Read)) Fail(fault, path_, Cannot("read", path_));
    QByteArray data;
    // The size is only a hint: the file may grow or shrink while it is read.
    const std::int64_t hint = Size();
    data.reserve(static_cast<qsizetype>(hint) + 1);
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Fail(errno, path_, Cannot("read", path_));
        if (got == 0) return data;
        data.append(buffer, got);
    }
}

QByteArray FileHandle::ReadAt(std::int64_t offset, std::int64_t size) {
    if (int fault = TakeFault(FileOpKind::Read)) Fail(fault, path_, Cannot("read", path_));
    QByteArray data(static_cast<qsizetype>(size), '\0');
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t got = ::pread(fd_, data.data() + done, data.size() - done, offset + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) Fail(errno, path_, Cannot("read", path_));
        if (got == 0) break;
        done += got;
    }
    data.truncate(done);
    return data;
}

void FileHandle::Write(const QByteArray& bytes) {
    qsizetype end = bytes.size();
    const int fault = TakeFault(FileOpKind::Write);
    if (fault) end /= 2;
    qsizetype done = 0;
    while (done < end) {
        const ssize_t put = ::write(fd_, bytes.constData() + done, end - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) Fail(errno, path_, Cannot("write to", path_));
        done += put;
    }
    if (fault) Fail(fault, path_, Cannot("write to", path_));
}

void FileHandle::Flush() {
    if (int fault = TakeFault(FileOpKind::Flush)) Fail(fault, path_, Cannot("flush", path_));
    if (::fsync(fd_) != 0) Fail(errno, path_, Cannot("flush", path_));
}

void FileHandle::Close() {
    if (fd_ < 0) return;
    const int fd = fd_;
    fd_ = -1;
    const int fault = TakeFault(FileOpKind::Close);
    // Retrying close after EINTR could close a descriptor reused by someone else; Linux has
    // released it already, so the error is reported and the descriptor forgotten.
    if (::close(fd) != 0) Fail(errno, path_, Cannot("close", path_));
    if (fault) Fail(fault, path_, Cannot("close", path_));
}

std::int64_t FileHandle::Size() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) Fail(errno, path_, Cannot("query the size of", path_));
    return info.st_size;
}

bool FileHandle::IsOrdinaryFile() const {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) Fail(errno, path_, Cannot("look up", path_));
    return S_ISREG(info.st_mode);
}

void FileHandle::Truncate(std::int64_t size) {
    if (::ftruncate(fd_, size) != 0) Fail(errno, path_, Cannot("truncate", path_));
}

void FileHandle::SetPermissions(unsigned mode) {
    if (::fchmod(fd_, static_cast<mode_t>(mode)) != 0)
        Fail(errno, path_, Cannot("set the permissions of", path_));
}

void FileHandle::Reserve(std::int64_t size) {
    if (size <= 0) return;
    int result;
    do result = ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, size);
    while (result != 0 && errno == EINTR);
    if (result != 0 && FileErrorNumber(errno, path_) == ErrorCode::DiskFull)
        Fail(errno, path_, Cannot("make room in", path_));
}

FileHandle OpenForReading(const QString& path) { return Open(path, O_RDONLY, 0, " for reading"); }

FileHandle OpenOrdinaryForReading(const QString& path) {
    FileHandle file = Open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK, 0, " for reading");
    if (!file.IsOrdinaryFile())
        throw tbn::Error(ErrorCode::PathFileAccess, Cannot("read", path, ": not an ordinary file"));
    return file;
}

FileHandle OpenForWriting(const QString& path, unsigned createMode, IfExists ifExists) {
    const int flags =
        O_WRONLY | O_CREAT | (ifExists == IfExists::Fail ? O_EXCL | O_NOFOLLOW : O_TRUNC);
    return Open(path, flags, createMode, " for writing");
}

FileHandle OpenForOverwriting(const QString& path) {
    FileHandle file = Open(path, O_WRONLY | O_NOFOLLOW | O_NONBLOCK, 0, " for writing");
    if (!file.IsOrdinaryFile())
        throw tbn::Error(ErrorCode::PathFileAccess,
                         Cannot("write to", path, ": not an ordinary file"));
    return file;
}

FileHandle OpenForAppending(const QString& path, unsigned createMode) {
    return Open(path, O_RDWR | O_APPEND | O_CREAT, createMode, " for appending");
}

void RenameFile(const QString& from, const QString& to) {
    const std::string action = Cannot("rename", from, " to " + Quoted(to));
    if (int fault = TakeFault(FileOpKind::Rename)) Fail(fault, from, action);
    if (::rename(Native(from).constData(), Native(to).constData()) != 0) Fail(errno, from, action);
}

void RemoveFile(const QString& path) {
    if (int fault = TakeFault(FileOpKind::Remove)) Fail(fault, path, Cannot("remove", path));
    if (::unlink(Native(path).constData()) != 0) Fail(errno, path, Cannot("remove", path));
}

bool FileExists(const QString& path) {
    struct stat info {};
    return ::stat(Native(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EntryExists(const QString& path) {
    struct stat info {};
    return ::lstat(Native(path).constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

EntryStatus StatusOf(const QString& path) {
    struct stat info {};
    if (::lstat(Native(path).constData(), &info) != 0) {
        if (errno == ENOENT) return EntryStatus{};
        Fail(errno, path, Cannot("look up", path));
    }
    return EntryStatus{true, S_ISREG(info.st_mode), static_cast<unsigned>(info.st_mode & 07777),
                       static_cast<std::uint64_t>(info.st_nlink)};
}

void RequireWritable(const QString& path) {
    // The effective user's rights, as an open for writing would see them (root passes).
    if (::faccessat(AT_FDCWD, Native(path).constData(), W_OK, AT_EACCESS) != 0)
        Fail(errno, path, Cannot("write to", path));
}

unsigned FilePermissions(const QString& path) {
    struct stat info {};
    if (::stat(Native(path).constData(), &info) != 0)
        Fail(errno, path, Cannot("query the permissions of", path));
    return info.st_mode & 07777;
}

void SetFilePermissions(const QString& path, unsigned mode) {
    if (::chmod(Native(path).constData(), static_cast<mode_t>(mode)) != 0)
        Fail(errno, path, Cannot("set the permissions of", path));
}

void SyncFolder(const QString& folder) noexcept {
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

namespace FaultInjector {
void Arm(FileOpKind kind, int nth, int error) {
    g_fault = ArmedFault{true, false, kind, nth, error};
}
void Disarm() { g_fault = ArmedFault{}; }
bool Fired() { return g_fault.fired; }
}  // namespace FaultInjector

}  // namespace tbn::core
