#pragma once
// An exclusive advisory lock (flock) on a lock file, so that cooperating processes take turns at
// updating a file: every process that changes the file holds the lock for the whole of its read,
// change and write. The lock file is only a meeting point: it stays empty and is never removed
// (removing it would let two processes lock two different files of the same name). Released when
// the object goes away, and by the system when the process ends, however it ends.
#include <QString>
#include <chrono>
#include <memory>

namespace tbn::core {

class FileLock {
public:
    static constexpr std::chrono::milliseconds kDefaultPatience{10000};

    // Opens `lockPath` (created 0644 when missing, never through a symbolic link) and locks it,
    // waiting up to `patience` while another process holds it. Raises tbn::Error: the open's own
    // error, or PermissionDenied (70) saying it stayed locked when the wait runs out. A
    // folder that refuses to create the lock file may still hold one to lock.
    explicit FileLock(const QString& lockPath,
                      std::chrono::milliseconds patience = kDefaultPatience);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks `lockPath` without waiting: null while another process (or another lock of this one)
    // holds it. Opening failures raise as the constructor's do.
    static std::unique_ptr<FileLock> TryLock(const QString& lockPath);

private:
    explicit FileLock(int lockedDescriptor) : fd_(lockedDescriptor) {}

    int fd_ = -1;
};

}  // namespace tbn::core
