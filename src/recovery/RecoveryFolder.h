#pragma once
// Where query texts are kept for recovery after a crash, and which of them belong to whom:
//
//   $XDG_STATE_HOME/tbn/recovery/            (~/.local/state/tbn/recovery/), 0700
//     <pid>-<tag>.lock                       one per running TBN, locked (flock) while it runs
//     <pid>-<tag>-<n>.rec                    the text of its n-th query window (RecoveryRecord.h),
//     0600
//     .<pid>-<tag>-<n>.rec.<hex>.tmp         scratch file of a save in progress
//     discarded/                             texts the user chose not to reopen, and entries that
//     are
//                                            no recovery file; never offered again, removed at a
//                                            start 30 days after they were put there
//
// <tag> is random, so a TBN that is given an ended one's pid still starts a session of its own.
// A session whose lock nobody holds belongs to a TBN that has ended; a normal end leaves neither
// texts nor a lock file, so whatever such a session left was left by an unclean exit. The lock
// decides, not the pid: a second TBN started while the first runs never takes the first's texts.
// User-interface thread only.
#include "core/Error.h"
#include "core/RecoveryRecord.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tbn::core {
class FileLock;
}

namespace tbn::recovery {

// $XDG_STATE_HOME/tbn/recovery, or ~/.local/state/tbn/recovery when XDG_STATE_HOME is unset or
// not an absolute path.
QString RecoveryFolder();

// A path for a new window's text in this process's session. The folder (0700) and the session's
// lock are made at first use; raises tbn::Error when they cannot be, or when the folder is a
// symbolic link (whose target is left as it is).
QString NewRecoveryPath();
// For a program that quits normally, once its windows have removed their texts: the session's
// lock file goes too. A text that could not be removed keeps it, and is offered at the next start.
void EndRecoverySession() noexcept;

// The texts that ended TBNs left. Their sessions stay locked by this object while this process
// reopens or discards them, so two TBNs that start together never both offer them.
class LeftTexts {
public:
    // A .rec file larger than this is no text a query window held.
    static constexpr std::int64_t kLargestRecoveryFile = std::int64_t{1} << 30;

    struct Entry {
        QString path;
        core::RecoveredText record;
    };

    // Scans RecoveryFolder(), first removing what discarded/ has held for 30 days. A damaged file,
    // or an entry that is not an ordinary file of a text's size (a link, a FIFO, a device), is
    // moved to discarded/ unread; one that cannot be read is left; each is named in Problems(),
    // and none stops the others. Raises tbn::Error when the folder is a symbolic link.
    LeftTexts();
    // Releases the sessions; a session without texts left loses its lock file.
    ~LeftTexts();
    LeftTexts(const LeftTexts&) = delete;
    LeftTexts& operator=(const LeftTexts&) = delete;

    const std::vector<Entry>& Texts() const { return texts_; }
    const std::vector<tbn::Error>& Problems() const { return problems_; }
    // Raise tbn::Error when the file cannot be removed or moved.
    void Remove(const Entry& entry) const;
    void Discard(const Entry& entry) const;  // into discarded/, under the same name

private:
    struct Claimed {
        QString id;
        std::unique_ptr<core::FileLock> lock;  // null: the lock file is gone and cannot be made
    };
    void ClaimSession(const QString& id, const QStringList& names);
    void Read(const QString& path);
    void SetAside(const QString& path, const std::string& why);

    QString folder_;
    std::vector<Claimed> sessions_;
    std::vector<Entry> texts_;
    std::vector<tbn::Error> problems_;
};

}  // namespace tbn::recovery
