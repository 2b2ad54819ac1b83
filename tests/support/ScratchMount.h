#pragma once
// A small tmpfs mounted on a fresh temporary folder, for tests that need a disk that really fills
// up or really refuses writes. Mounting needs root (or the capability) and a system that allows
// it; where it does not, Mounted() is false and Why() says what happened, for a GTEST_SKIP.
#include <QString>
#include <cstddef>

namespace tbn::test {

class ScratchMount {
public:
    explicit ScratchMount(std::size_t bytes);
    ~ScratchMount();
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool Mounted() const { return mounted_; }
    const QString& Why() const { return why_; }
    const QString& path() const { return path_; }
    QString file(const QString& name) const { return path_ + QLatin1Char('/') + name; }

    // Remounts the file system read-only or writable again; false (with Why()) when refused.
    bool SetReadOnly(bool readOnly);
    // Writes a filler file until the disk is full; returns the bytes written.
    std::size_t FillUp(const QString& name);

private:
    QString path_;
    QString why_;
    bool mounted_ = false;
};

}  // namespace tbn::test
