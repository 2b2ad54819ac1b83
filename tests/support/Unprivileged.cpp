#include "support/Unprivileged.h"

#include "core/Error.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tbn::test {

namespace {

constexpr uid_t kNobody = 65534;

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        done += static_cast<std::size_t>(put);
    }
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

// The child's report: "skip <why>", "ok", or "raised <number> <description>".
[[noreturn]] void RunChild(int reportFd, const std::function<void()>& code) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
        WriteAll(reportFd, std::string("skip cannot become nobody: ") + std::strerror(errno));
        ::_exit(0);
    }
    try {
        code();
        WriteAll(reportFd, "ok");
    } catch (const tbn::Error& e) {
        WriteAll(reportFd, "raised " + std::to_string(e.Number()) + ' ' + e.Description());
    } catch (const std::exception& e) {
        WriteAll(reportFd, std::string("raised 0 unexpected: ") + e.what());
    }
    ::_exit(0);
}

}  // namespace

UnprivilegedRun RunUnprivileged(const std::function<void()>& code) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        ::close(report[0]);
        RunChild(report[1], code);
    }
    ::close(report[1]);
    const std::string text = ReadAll(report[0]);
    ::close(report[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}

    UnprivilegedRun run;
    if (text.rfind("skip ", 0) == 0) {
        run.why = text.substr(5);
    } else if (text == "ok") {
        run.ran = true;
    } else if (text.rfind("raised ", 0) == 0) {
        run.ran = run.raised = true;
        const std::size_t space = text.find(' ', 7);
        run.number = std::stoi(text.substr(7, space - 7));
        run.description = space == std::string::npos ? std::string() : text.substr(space + 1);
    } else {
        run.ran = true;
        run.raised = true;
        run.description =
            "the child ended without a report (status " + std::to_string(status) + ")";
    }
    return run;
}

void GiveToUnprivileged(const QString& path, unsigned mode) {
    const QByteArray native = QFile::encodeName(path);
    if (::geteuid() == 0 && ::chown(native.constData(), kNobody, kNobody) != 0)
        throw std::runtime_error("cannot give " + path.toStdString() + " to nobody");
    if (::chmod(native.constData(), static_cast<mode_t>(mode)) != 0)
        throw std::runtime_error("cannot set the mode of " + path.toStdString());
}

}  // namespace tbn::test
