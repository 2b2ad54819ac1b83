#include "core/SpillFile.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/XdgFolders.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace tbn::core {

namespace {
std::string Quoted(const QString& path) { return '"' + path.toStdString() + '"'; }

[[noreturn]] void Fail(int error, const QString& folder, const char* action) {
    if (error == ENOSPC || error == EDQUOT)
        throw tbn::Error(ErrorCode::DiskFull,
                         "Disk full: no room for the result's rows in " + Quoted(folder));
    throw tbn::Error(ErrorCode::PathFileAccess, std::string("Cannot ") + action +
                                                    " the result's rows in " + Quoted(folder) +
                                                    ": " + std::strerror(error));
}

int OpenUnnamed(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    int fd;
    do fd = ::open(native.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0) return fd;
    // A file system without unnamed files: a named one, unlinked before anything is written.
    QByteArray pattern = QFile::encodeName(folder + QStringLiteral("/tbn-spill-XXXXXX"));
    fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(pattern.constData());
    return fd;
}
}  // namespace

QString SpillFile::PreferredFolder() {
    const QString folder =
        XdgBaseFolder("XDG_CACHE_HOME", QStringLiteral(".cache")) + QStringLiteral("/tbn");
    try {
        if (MakeOwnFolder(folder) == 0) return folder;
    } catch (const tbn::Error&) {
        // A link or a file in the folder's place: not ours to write through.
    }
    return {};
}

SpillFile::~SpillFile() {
    if (fd_ >= 0) ::close(fd_);
}

SpillFile::SpillFile(SpillFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), folder_(std::move(other.folder_)),
      used_(std::exchange(other.used_, 0)) {}

SpillFile& SpillFile::operator=(SpillFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        folder_ = std::move(other.folder_);
        used_ = std::exchange(other.used_, 0);
    }
    return *this;
}

void SpillFile::Open() {
    const QString preferred = PreferredFolder();
    if (!preferred.isEmpty()) {
        fd_ = OpenUnnamed(preferred);
        folder_ = preferred;
    }
    if (fd_ < 0) {
        folder_ = QDir::tempPath();
        fd_ = OpenUnnamed(folder_);
    }
    if (fd_ < 0) Fail(errno, folder_, "keep");
}

void SpillFile::MoveOut(std::byte* at, std::size_t bytes) {
    if (bytes == 0) return;
    if (fd_ < 0) Open();
    const auto offset = static_cast<off_t>(used_);
    // The write itself takes the room (a full disk refuses it here), and the mapping only reads,
    // so no page fault of the mapping can find the disk full.
    std::size_t written = 0;
    while (written < bytes) {
        const ssize_t n =
            ::pwrite(fd_, at + written, bytes - written, offset + static_cast<off_t>(written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            // Give back what this call took; the file is ours alone.
            [[maybe_unused]] const int ignored = ::ftruncate(fd_, offset);
            Fail(error, folder_, "write");
        }
        written += static_cast<std::size_t>(n);
    }
    void* mapped = ::mmap(at, bytes, PROT_READ, MAP_SHARED | MAP_FIXED, fd_, offset);
    if (mapped == MAP_FAILED) Fail(errno, folder_, "map");
    used_ += bytes;
}

void DropResidentPages(const std::byte* at, std::size_t bytes) noexcept {
    // Advisory: pages that stay resident cost memory, never correctness.
    if (bytes > 0) ::madvise(const_cast<std::byte*>(at), bytes, MADV_DONTNEED);
}

}  // namespace tbn::core
