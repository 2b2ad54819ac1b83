#include "run/FileDestination.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/ReplaceFile.h"

#include <QFile>
#include <QFileInfo>

namespace tbn::run {

namespace {

// Large enough that the system is called rarely, small enough to keep memory flat.
constexpr std::size_t kBufferBytes = 256 * 1024;

// The umask, read without changing it: setting it to read it back would race with any other
// thread creating a file meanwhile.
unsigned Umask() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const unsigned mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok) return mask;
            }
    }
    return 022;
}

}  // namespace

FileDestination::FileDestination(const QString& path) : target_(core::ResolveLinks(path)) {
    const core::EntryStatus status = core::StatusOf(target_);
    if (status.exists) {
        if (!status.ordinaryFile)
            throw tbn::Error(ErrorCode::PathFileAccess, "Cannot replace \"" +
                                                            target_.toStdString() +
                                                            "\": not an ordinary file");
        core::RequireWritable(target_);
        mode_ = status.permissions;
    } else {
        mode_ = 0666 & ~Umask();
    }
    file_ = core::CreateScratchBeside(target_, &scratch_);
    buffer_.reserve(kBufferBytes);
}

FileDestination::~FileDestination() {
    if (committed_) return;
    file_ = core::FileHandle();
    try {
        core::RemoveFile(scratch_);
    } catch (...) {}
}

void FileDestination::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBufferBytes) Drain();
    if (bytes.size() >= kBufferBytes)
        file_.Write(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
    else
        buffer_.append(bytes);
}

void FileDestination::Drain() {
    if (buffer_.empty()) return;
    file_.Write(QByteArray::fromRawData(buffer_.data(), static_cast<qsizetype>(buffer_.size())));
    buffer_.clear();
}

void FileDestination::Commit() {
    Drain();
    file_.SetPermissions(mode_);
    file_.Flush();
    file_.Close();
    core::RenameFile(scratch_, target_);
    committed_ = true;
    core::SyncFolder(QFileInfo(target_).absolutePath());
}

ResultFile::ResultFile(const QString& path, results::ResultFormat format,
                       const results::FormatOptions& options)
    : file(path), writer(results::MakeResultWriter(format, options, file)) {}

}  // namespace tbn::run
