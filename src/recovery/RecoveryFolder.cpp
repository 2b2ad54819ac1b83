#include "recovery/RecoveryFolder.h"

#include "core/ErrorCodes.h"
#include "core/FileLock.h"
#include "core/FileOps.h"
#include "core/XdgFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace tbn::recovery {

using core::FileLock;

namespace {

const QRegularExpression kTextName(QStringLiteral("^(\\d+-[0-9a-f]{8})-(\\d+)\\.rec$"));
const QRegularExpression kLockName(QStringLiteral("^(\\d+-[0-9a-f]{8})\\.lock$"));
const QString kDiscarded = QStringLiteral("discarded");

// A failure to make it is left to the first file operation inside, which says why. A folder that
// exists already is made private too: it may have been made by hand.
void MakePrivateFolder(const QString& path) {
    core::MakeOwnFolder(path, core::ExistingFolder::MakePrivate);
}

// A discarded text is kept this long after it was put aside, then removed at a start: each holds
// its connection string, password and all, and nothing ever offers it again.
constexpr qint64 kDiscardedKeptSeconds = 30 * 24 * 3600;

void RemoveOldDiscarded(const QString& discarded) {
    try {
        if (!core::OwnFolderExists(discarded)) return;
    } catch (const tbn::Error&) {
        return;  // a link: refused, and told, when a text is to be put aside there
    }
    const qint64 oldest = QDateTime::currentSecsSinceEpoch() - kDiscardedKeptSeconds;
    for (const QString& name :
         QDir(discarded).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = discarded + QLatin1Char('/') + name;
        struct stat info {};
        // The entry itself: a link set aside goes by its own age, never its target's.
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0 || S_ISDIR(info.st_mode))
            continue;
        if (info.st_mtim.tv_sec >= oldest) continue;
        try {
            core::RemoveFile(path);
        } catch (const tbn::Error&) {
            // Tried again at the next start; it harms nothing meanwhile that it did not before.
        }
    }
}

QString LockPath(const QString& folder, const QString& id) {
    return folder + QLatin1Char('/') + id + ".lock";
}

bool HasTexts(const QString& folder, const QString& id) {
    return !QDir(folder)
                .entryList({id + QStringLiteral("-*.rec")}, QDir::Files | QDir::System)
                .isEmpty();
}

struct OwnSession {
    QString folder;
    QString id;
    std::unique_ptr<FileLock> lock;
    int next = 1;
};
OwnSession& Own() {
    static OwnSession session;
    return session;
}

}  // namespace

QString RecoveryFolder() {
    return core::XdgBaseFolder("XDG_STATE_HOME", QStringLiteral(".local/state")) +
           QStringLiteral("/tbn/recovery");
}

QString NewRecoveryPath() {
    OwnSession& own = Own();
    const QString folder = RecoveryFolder();
    if (!own.lock || own.folder != folder) {
        MakePrivateFolder(folder);
        const QString id =
            QStringLiteral("%1-%2")
                .arg(::getpid())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        std::unique_ptr<FileLock> lock = FileLock::TryLock(LockPath(folder, id));
        if (!lock)
            throw tbn::Error(ErrorCode::PathFileAccess, "Cannot lock \"" +
                                                            LockPath(folder, id).toStdString() +
                                                            "\": another process holds it");
        own = OwnSession{folder, id, std::move(lock), 1};
    }
    return QStringLiteral("%1/%2-%3.rec").arg(own.folder, own.id).arg(own.next++);
}

void EndRecoverySession() noexcept {
    OwnSession& own = Own();
    if (!own.lock) return;
    try {
        if (!HasTexts(own.folder, own.id)) core::RemoveFile(LockPath(own.folder, own.id));
    } catch (...) {}
    own = OwnSession{};
}

LeftTexts::LeftTexts() : folder_(RecoveryFolder()) {
    if (!core::OwnFolderExists(folder_)) return;
    RemoveOldDiscarded(folder_ + QLatin1Char('/') + kDiscarded);
    const QDir dir(folder_);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    std::set<QString> ids;  // sorted, so texts come back in a steady order
    for (const QString& name : names) {
        if (const auto text = kTextName.match(name); text.hasMatch()) ids.insert(text.captured(1));
        if (const auto lock = kLockName.match(name); lock.hasMatch()) ids.insert(lock.captured(1));
    }
    ids.erase(Own().lock ? Own().id : QString());
    for (const QString& id : ids) ClaimSession(id, names);
}

void LeftTexts::ClaimSession(const QString& id, const QStringList& names) {
    const QString lockPath = LockPath(folder_, id);
    std::unique_ptr<FileLock> lock;
    try {
        lock = FileLock::TryLock(lockPath);
        if (!lock) return;  // that TBN still runs
    } catch (const tbn::Error&) {
        // No lock file and none can be made (a read-only folder): no running TBN can hold it.
        if (core::EntryExists(lockPath)) return;
    }
    sessions_.push_back(Claimed{id, std::move(lock)});

    std::vector<std::pair<qlonglong, QString>> texts;
    for (const QString& name : names) {
        if (const auto text = kTextName.match(name); text.hasMatch() && text.captured(1) == id)
            texts.emplace_back(text.captured(2).toLongLong(), name);
        // A save that was cut short left its scratch file; the text it held is older or lost.
        if (name.startsWith(QLatin1Char('.') + id + QLatin1Char('-')) &&
            name.endsWith(QStringLiteral(".tmp"))) {
            try {
                core::RemoveFile(folder_ + QLatin1Char('/') + name);
            } catch (const tbn::Error&) {}
        }
    }
    std::sort(texts.begin(), texts.end());
    for (const auto& text : texts) Read(folder_ + QLatin1Char('/') + text.second);
}

void LeftTexts::Read(const QString& path) {
    QByteArray bytes;
    try {
        // A FIFO would stall the start for good and a link to a device would be read until memory
        // runs out: only an ordinary file of its own is opened, and only one of a text's size read.
        const core::EntryStatus entry = core::StatusOf(path);
        if (!entry.exists) return;  // gone meanwhile: its TBN removed it on the way out
        if (!entry.ordinaryFile)
            return SetAside(path, "it is not an ordinary file (a link, a FIFO or a device)");
        core::FileHandle file = core::OpenOrdinaryForReading(path);
        if (file.Size() > kLargestRecoveryFile)
            return SetAside(path, "it is larger than any query text (" +
                                      std::to_string(file.Size()) + " bytes)");
        bytes = file.ReadAll();
    } catch (const tbn::Error& e) {
        if (e.Number() != ErrorCode::FileNotFound) problems_.push_back(e);
        return;
    }
    if (std::optional<core::RecoveredText> record = core::DecodeRecoveredText(bytes)) {
        texts_.push_back(Entry{path, std::move(*record)});
        return;
    }
    SetAside(path, "it is not a complete recovery file");
}

void LeftTexts::SetAside(const QString& path, const std::string& why) {
    try {
        Discard(Entry{path, {}});
        problems_.emplace_back(ErrorCode::PathFileAccess,
                               "Cannot reopen \"" + path.toStdString() + "\": " + why +
                                   "; it was moved to the \"discarded\" folder beside it");
    } catch (const tbn::Error& e) {
        problems_.push_back(e);
    }
}

LeftTexts::~LeftTexts() {
    for (const Claimed& session : sessions_) {
        if (HasTexts(folder_, session.id)) continue;
        try {
            core::RemoveFile(LockPath(folder_, session.id));
        } catch (const tbn::Error&) {}
    }
}

void LeftTexts::Remove(const Entry& entry) const { core::RemoveFile(entry.path); }

void LeftTexts::Discard(const Entry& entry) const {
    const QString discarded = folder_ + QLatin1Char('/') + kDiscarded;
    MakePrivateFolder(discarded);
    const QString target = discarded + QLatin1Char('/') + QFileInfo(entry.path).fileName();
    core::RenameFile(entry.path, target);
    // Its age there counts from now, not from its last save: a text left long ago and declined
    // today still gets its full time in the folder.
    (void)::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), nullptr,
                      AT_SYMLINK_NOFOLLOW);
}

}  // namespace tbn::recovery
