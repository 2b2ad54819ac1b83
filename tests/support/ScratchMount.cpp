#include "support/ScratchMount.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace tbn::test {

namespace {
QString Reason(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}
}  // namespace

ScratchMount::ScratchMount(std::size_t bytes) {
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/tbn-mount-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        why_ = Reason("cannot make a mount point");
        return;
    }
    path_ = QString::fromLocal8Bit(pattern);
    const QByteArray options =
        "size=" + QByteArray::number(static_cast<qulonglong>(bytes)) + ",mode=0755";
    if (::mount("tmpfs", pattern.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) !=
        0) {
        why_ = Reason("this machine does not let the tests mount a tmpfs (mount)");
        return;
    }
    mounted_ = true;
}

ScratchMount::~ScratchMount() {
    if (mounted_) ::umount2(path_.toLocal8Bit().constData(), MNT_DETACH);
    if (!path_.isEmpty()) ::rmdir(path_.toLocal8Bit().constData());
}

bool ScratchMount::SetReadOnly(bool readOnly) {
    const unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    if (::mount("tmpfs", path_.toLocal8Bit().constData(), "tmpfs", flags, nullptr) != 0) {
        why_ = Reason("this machine does not let the tests remount a tmpfs read-only");
        return false;
    }
    return true;
}

std::size_t ScratchMount::FillUp(const QString& name) {
    const int fd = ::open(file(name).toLocal8Bit().constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return 0;
    const QByteArray chunk(512, 'x');
    std::size_t written = 0;
    for (;;) {
        const ssize_t put = ::write(fd, chunk.constData(), static_cast<std::size_t>(chunk.size()));
        if (put <= 0) break;
        written += static_cast<std::size_t>(put);
    }
    ::close(fd);
    return written;
}

}  // namespace tbn::test
