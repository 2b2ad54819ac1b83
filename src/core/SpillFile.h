#pragma once
// An unlinked temporary file that takes pages out of memory: their bytes are written to it and
// the same addresses then map the file, read-only, so every pointer into them stays valid and
// reads what it read before, while the kernel may drop the pages and read them again at will.
// Having no name from the start, the file goes when the last mapping and the handle have gone,
// and with the process if it dies. It lives in $XDG_CACHE_HOME/tbn (made 0700), or in the
// system's temporary folder when that cannot be made or does not take unnamed files.
// Move-only owner of the descriptor; one thread at a time.
#include <QString>

#include <cstddef>
#include <cstdint>

namespace tbn::core {

class SpillFile {
public:
    SpillFile() = default;
    ~SpillFile();
    SpillFile(SpillFile&& other) noexcept;
    SpillFile& operator=(SpillFile&& other) noexcept;
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    // Opens the file on first use. Raises tbn::Error 75 when no folder takes it.
    bool IsOpen() const noexcept { return fd_ >= 0; }
    const QString& Folder() const noexcept { return folder_; }
    std::uint64_t Bytes() const noexcept { return used_; }  // written so far

    // Writes the whole pages [at, at + bytes) (page-aligned) to the file and maps them back over
    // the same addresses, read-only. When the disk has no room, raises tbn::Error 61 "Disk full"
    // naming the folder (75 for any other failure) and leaves the memory as it was.
    void MoveOut(std::byte* at, std::size_t bytes);

    // The folder a new spill file goes to, made if missing; empty when it cannot be made.
    static QString PreferredFolder();

private:
    void Open();

    int fd_ = -1;
    QString folder_;
    std::uint64_t used_ = 0;
};

// Drops the resident pages of a range MoveOut mapped (they are read from the file again when next
// touched): what keeps a walk over a result far larger than memory within its budget.
void DropResidentPages(const std::byte* at, std::size_t bytes) noexcept;

}  // namespace tbn::core
