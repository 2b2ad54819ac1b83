#pragma once
// Where a result written to a file goes: a scratch file beside the chosen one, renamed over it in
// one step once the writing is complete. Until Commit the chosen file keeps its old content (or
// stays absent), whatever happens to the writing: a cancel, a full disk or a failing write leaves
// it as it was, and the scratch file goes with the destination. A symbolic link is followed and
// its target replaced; an existing file keeps its permission bits, and one the program may not
// write is refused before anything is written.
//
// Threads: made on one thread, then written and committed on others, one at a time (a worker,
// and the thread a writer's buffer hands its chunks to).
#include "core/FileOps.h"
#include "results/ResultFormat.h"
#include "results/ResultWriter.h"

#include <QString>
#include <memory>
#include <string>
#include <string_view>

namespace tbn::run {

class FileDestination : public results::ByteSink {
public:
    explicit FileDestination(const QString& path);  // raises tbn::Error
    ~FileDestination() override;
    FileDestination(const FileDestination&) = delete;
    FileDestination& operator=(const FileDestination&) = delete;

    void Write(std::string_view bytes) override;
    // Writes what is buffered, makes it durable and renames the scratch file over the target.
    void Commit();

    const QString& Target() const { return target_; }
    const QString& ScratchPath() const { return scratch_; }

private:
    void Drain();

    QString target_;
    QString scratch_;
    core::FileHandle file_;
    unsigned mode_ = 0;
    std::string buffer_;
    bool committed_ = false;
};

// A result bound for a file in one format: the writer pushes into the destination.
struct ResultFile {
    ResultFile(const QString& path, results::ResultFormat format,
               const results::FormatOptions& options);
    FileDestination file;
    std::unique_ptr<results::ResultWriter> writer;
};

}  // namespace tbn::run
