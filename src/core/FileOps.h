#pragma once
// The program's only way to touch the connection store and query files. Thin POSIX wrappers that
// raise tbn::Error on every failure: Number is a classic file error (53 file not found,
// 61 disk full, 70 permission denied, 75 path/file access error, 76 path not found) and
// Description names the operation, the path and the system's reason. Paths are QStrings in the
// local file-name encoding. User-interface thread only; nothing here is thread-safe.
//
// Test seam: FaultInjector makes a chosen call fail with a chosen errno, so tests can prove that
// every step of a file update fails safely without needing a broken disk.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tbn::core {

enum class FileOpKind { Open, Read, Write, Flush, Close, Rename, Remove };

// An open file descriptor, closed when the owner goes away (errors on that implicit close are
// ignored: it only happens on paths that are already failing). Move-only.
class FileHandle {
public:
    FileHandle() = default;
    FileHandle(int descriptor, QString path) : fd_(descriptor), path_(std::move(path)) {}
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    bool IsOpen() const noexcept { return fd_ >= 0; }
    const QString& Path() const noexcept { return path_; }

    // Reads from the current position to the end of the file.
    QByteArray ReadAll();
    // Reads up to `size` bytes at `offset` without moving the position (fewer at end of file).
    QByteArray ReadAt(std::int64_t offset, std::int64_t size);
    // Writes every byte or raises; after a failure part of the data may have been written.
    void Write(const QByteArray& bytes);
    // Forces the written data to the disk (fsync).
    void Flush();
    // Closes and reports the close's own failure; the descriptor is released either way.
    void Close();
    // Current file size in bytes.
    std::int64_t Size() const;
    // False for a FIFO, a device, a socket or a folder.
    bool IsOrdinaryFile() const;
    // Cuts the file to `size` bytes; used to take back a failed append.
    void Truncate(std::int64_t size);
    // Sets the permission bits of the open file itself, whatever its name now points at.
    void SetPermissions(unsigned mode);
    // Sets aside room for `size` bytes without changing the file's length, so that writing that
    // much cannot run out of space half-way. Raises only when the disk is full; a file system that
    // cannot reserve room is left to the writes themselves.
    void Reserve(std::int64_t size);

private:
    int fd_ = -1;
    QString path_;
};

enum class IfExists { Truncate, Fail };

FileHandle OpenForReading(const QString& path);
// Opens an existing ordinary file for reading; a symbolic link or anything but an ordinary file is
// refused (75, "not an ordinary file"), and a FIFO or a device is never waited on nor read.
FileHandle OpenOrdinaryForReading(const QString& path);
// Creates the file with `createMode` (subject to the umask) or, with IfExists::Truncate, empties
// an existing one, which keeps its own mode. With IfExists::Fail any existing entry refuses the
// create, a symbolic link (even a dangling one) or a FIFO included: nothing is followed or opened.
FileHandle OpenForWriting(const QString& path, unsigned createMode = 0666,
                          IfExists ifExists = IfExists::Truncate);
// Opens an existing ordinary file for writing from its start without cutting it; a symbolic link
// or anything but an ordinary file is refused, and a FIFO is never waited on.
FileHandle OpenForOverwriting(const QString& path);
// Every write goes to the end; the file is created with `createMode` when missing. The handle can
// also read (ReadAt), so a caller can look at what the file ends with.
FileHandle OpenForAppending(const QString& path, unsigned createMode = 0666);

// Atomically replaces `to` by `from` (both on the same file system).
void RenameFile(const QString& from, const QString& to);
void RemoveFile(const QString& path);
// True only for an existing ordinary file (after following symbolic links); never raises.
bool FileExists(const QString& path);
// True for any entry but a folder, looked up without following a symbolic link: a dangling link,
// a FIFO or a socket count. Never raises.
bool EntryExists(const QString& path);

// What the entry itself is (a symbolic link is not followed). No entry: `exists` is false; any
// other failure of the lookup raises.
struct EntryStatus {
    bool exists = false;
    bool ordinaryFile = false;
    unsigned permissions = 0;  // including set-id and sticky bits
    std::uint64_t links = 0;   // number of names of the file
};
EntryStatus StatusOf(const QString& path);
// Raises with the system's reason (Permission denied, Read-only file system) unless the program
// may write the existing file at `path`; the file is not touched.
void RequireWritable(const QString& path);
// Permission bits (including set-id and sticky bits) of an existing file.
unsigned FilePermissions(const QString& path);
void SetFilePermissions(const QString& path, unsigned mode);
// Makes a rename in `folder` durable. Best effort: the rename itself already succeeded, so a
// failure here is not reported.
void SyncFolder(const QString& folder) noexcept;

// Maps an errno value to the program's classic file error number.
std::int32_t FileErrorNumber(int error, const QString& path);

// Arms one fault at a time: the `nth` call (1-based, counted from arming) of `kind` fails with
// `error` as if the system had returned it. Open, Read, Flush, Rename and Remove then do nothing;
// Write first writes half of its data, as a disk that fills up does; Close releases the descriptor,
// as close(2) always does. Disarmed by default; only tests arm it.
namespace FaultInjector {
void Arm(FileOpKind kind, int nth, int error);
void Disarm();
// True once the armed fault has been delivered.
bool Fired();

// Arms for the lifetime of the object.
class Scope {
public:
    Scope(FileOpKind kind, int nth, int error) { Arm(kind, nth, error); }
    ~Scope() { Disarm(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    bool Fired() const { return FaultInjector::Fired(); }
};
}  // namespace FaultInjector

}  // namespace tbn::core
