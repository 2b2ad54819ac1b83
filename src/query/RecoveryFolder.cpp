#include "query/RecoveryFolder.h"

#include "core/ErrorCodes.h"
#include "core/FileLock.h"
#include "core/FileOps.h"
#include "core/XdgFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace tbn::query {

using platform::FileLock;

namespace {

const QRegularExpression kTextName(QStringLiteral("^(\\d+-[0-9a-f]{8})-(\\d+)\\.rec$"));
const QRegularExpression kLockName(QStringLiteral("^(\\d+-[0-9a-f]{8})\\.lock$"));
const QString kDiscarded = QStringLiteral("discarded");

// A failure is left to the first file operation inside, which says why. A folder that exists
// already is made private too: it may have been made by hand.
void MakePrivateFolder(const QString& path) {
    platform::MakePrivatePath(path);
    (void)::chmod(QFile::encodeName(path).constData(), 0700);
}

QString LockPath(const QString& folder, const QString& id) { return folder + QLatin1Char('/') + id + ".lock"; }

bool HasTexts(const QString& folder, const QString& id) {
    return !QDir(folder).entryList({id + QStringLiteral("-*.rec")}, QDir::Files | QDir::System).isEmpty();
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

} // namespace

QString RecoveryFolder() {
    return platform::XdgBaseFolder("XDG_STATE_HOME", QStringLiteral(".local/state")) + QStringLiteral("/tbn/recovery");
}

QString NewRecoveryPath() {
    OwnSession& own = Own();
    const QString folder = RecoveryFolder();
    if (!own.lock || own.folder != folder) {
        MakePrivateFolder(folder);
        const QString id = QStringLiteral("%1-%2")
                               .arg(::getpid())
                               .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        std::unique_ptr<FileLock> lock = FileLock::TryLock(LockPath(folder, id));
        if (!lock)
            throw tbn::Error(ErrorCode::PathFileAccess,
                             "Cannot lock \"" + LockPath(folder, id).toStdString() + "\": another process holds it");
        own = OwnSession{folder, id, std::move(lock), 1};
    }
    return QStringLiteral("%1/%2-%3.rec").arg(own.folder, own.id).arg(own.next++);
}

void EndRecoverySession() noexcept {
    OwnSession& own = Own();
    if (!own.lock) return;
    try {
        if (!HasTexts(own.folder, own.id)) platform::RemoveFile(LockPath(own.folder, own.id));
    } catch (...) {
    }
    own = OwnSession{};
}

LeftTexts::LeftTexts() : folder_(RecoveryFolder()) {
    const QDir dir(folder_);
    if (!dir.exists()) return;
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
        if (platform::EntryExists(lockPath)) return;
    }
    sessions_.push_back(Claimed{id, std::move(lock)});

    std::vector<std::pair<qlonglong, QString>> texts;
    for (const QString& name : names) {
        if (const auto text = kTextName.match(name); text.hasMatch() && text.captured(1) == id)
            texts.emplace_back(text.captured(2).toLongLong(), name);
        // A save that was cut short left its scratch file; the text it held is older or lost.
        if (name.startsWith(QLatin1Char('.') + id + QLatin1Char('-')) && name.endsWith(QStringLiteral(".tmp"))) {
            try {
                platform::RemoveFile(folder_ + QLatin1Char('/') + name);
            } catch (const tbn::Error&) {
            }
        }
    }
    std::sort(texts.begin(), texts.end());
    for (const auto& text : texts) Read(folder_ + QLatin1Char('/') + text.second);
}

void LeftTexts::Read(const QString& path) {
    QByteArray bytes;
    try {
        platform::FileHandle file = platform::OpenForReading(path);
        bytes = file.ReadAll();
    } catch (const tbn::Error& e) {
        // Gone meanwhile: its TBN removed it on the way out.
        if (e.Number() != ErrorCode::FileNotFound) problems_.push_back(e);
        return;
    }
    if (std::optional<platform::RecoveredText> record = platform::DecodeRecoveredText(bytes)) {
        texts_.push_back(Entry{path, std::move(*record)});
        return;
    }
    try {
        Discard(Entry{path, {}});
        problems_.emplace_back(ErrorCode::PathFileAccess, "Cannot reopen \"" + path.toStdString() +
                                                              "\": it is not a complete recovery file; it was moved "
                                                              "to the \"discarded\" folder beside it");
    } catch (const tbn::Error& e) {
        problems_.push_back(e);
    }
}

LeftTexts::~LeftTexts() {
    for (const Claimed& session : sessions_) {
        if (HasTexts(folder_, session.id)) continue;
        try {
            platform::RemoveFile(LockPath(folder_, session.id));
        } catch (const tbn::Error&) {
        }
    }
}

void LeftTexts::Remove(const Entry& entry) const { platform::RemoveFile(entry.path); }

void LeftTexts::Discard(const Entry& entry) const {
    const QString discarded = folder_ + QLatin1Char('/') + kDiscarded;
    MakePrivateFolder(discarded);
    platform::RenameFile(entry.path, discarded + QLatin1Char('/') + QFileInfo(entry.path).fileName());
}

} // namespace tbn::query
