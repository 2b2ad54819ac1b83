#pragma once
// Permission bits mean nothing to root, and the tests often run as root. RunUnprivileged runs a
// piece of code in a forked child that, when the test runs as root, first becomes the user
// "nobody" (65534), so the system itself refuses what an ordinary user may not do. The child
// shares nothing with the test afterwards: the code reports only through the tbn::Error it
// raises (gtest checks inside it are not seen).
#include <QString>
#include <cstdint>
#include <functional>
#include <string>

namespace tbn::test {

struct UnprivilegedRun {
    bool ran = false;  // false: the child could not become an ordinary user (why says so)
    std::string why;
    bool raised = false;  // the code raised a tbn::Error
    std::int32_t number = 0;
    std::string description;
};

UnprivilegedRun RunUnprivileged(const std::function<void()>& code);

// Gives `path` to the user RunUnprivileged runs as and sets its mode (as root: chown to nobody;
// otherwise the test's own files already belong to that user, so only the mode changes).
void GiveToUnprivileged(const QString& path, unsigned mode);

}  // namespace tbn::test
