#include "core/FileLock.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/FileOps.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tbn::core {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::string Quoted(const QString& path) { return '"' + path.toStdString() + '"'; }

[[noreturn]] void Fail(int error, const QString& path, const char* action) {
    throw tbn::Error(FileErrorNumber(error, path), std::string("Cannot ") + action + ' ' +
                                                       Quoted(path) + ": " + std::strerror(error));
}

int OpenLockFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    constexpr int kNoSurprises = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd;
    // Readable by all: it holds nothing, and whoever shares the locked file must be able to lock.
    do fd = ::open(native.constData(), O_RDWR | O_CREAT | kNoSurprises, 0644);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // flock needs no write access, so a lock file that a read-only folder already holds works.
        const int refusal = errno;
        do fd = ::open(native.constData(), O_RDONLY | kNoSurprises);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) Fail(refusal, path, "open the lock file");
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw tbn::Error(ErrorCode::PathFileAccess,
                         "Cannot lock " + Quoted(path) + ": not an ordinary file");
    }
    return fd;
}

}  // namespace

FileLock::FileLock(const QString& lockPath, milliseconds patience) : fd_(OpenLockFile(lockPath)) {
    // flock cannot wait with a time limit, so a short pause between tries stands in for it; the
    // pauses grow to keep an idle wait cheap without making a quick holder's release wait long.
    const steady_clock::time_point giveUp = steady_clock::now() + patience;
    milliseconds pause{1};
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EWOULDBLOCK) {
            ::close(fd_);
            Fail(error, lockPath, "lock");
        }
        const steady_clock::time_point now = steady_clock::now();
        if (now >= giveUp) {
            ::close(fd_);
            const auto seconds =
                std::chrono::duration_cast<std::chrono::duration<double>>(patience).count();
            throw tbn::Error(ErrorCode::PermissionDenied,
                             "Cannot lock " + Quoted(lockPath) +
                                 ": another process kept it locked for " +
                                 QString::number(seconds).toStdString() + " seconds");
        }
        std::this_thread::sleep_for(std::min<steady_clock::duration>(pause, giveUp - now));
        pause = std::min(pause * 2, milliseconds{10});
    }
}

std::unique_ptr<FileLock> FileLock::TryLock(const QString& lockPath) {
    const int fd = OpenLockFile(lockPath);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return std::unique_ptr<FileLock>(new FileLock(fd));
        const int error = errno;
        if (error == EINTR) continue;
        ::close(fd);
        if (error == EWOULDBLOCK) return nullptr;
        Fail(error, lockPath, "lock");
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace tbn::core
