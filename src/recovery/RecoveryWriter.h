#pragma once
// Keeps a query window's text, with its connection's name and string, in a recovery file of its
// own (RecoveryFolder.h), so that a crash, a killed process or a power cut does not lose it.
//
// The file is saved about a second after a change: the first change starts a one-second timer and
// further changes while it runs do not restart it, so steady typing is saved every second and
// never on every key. (A text so large that a save takes more than a quarter of a second waits four
// times as long as its last save took, so typing stays fluent; only the save counts, never the time
// a report of its failure stays on screen.) Each save replaces the file in one step (scratch file,
// flush, rename); an empty text has no file. Failures go to ReportRecoveryFailure (told once per
// run) and the window goes on. The window removes the file when it closes normally (Discard); so
// does destroying it.
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

namespace tbn::recovery {

class RecoveryWriter : public QObject {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 1000;
    static constexpr int kLongestDelayMs = 60000;

    // Reads the text to keep through `text` at each save (as the window shows it, CR LF line
    // breaks), which must work for as long as the writer lives.
    explicit RecoveryWriter(std::function<QString()> text);
    ~RecoveryWriter() override;

    // The text changed at `position`: `removed` characters went, `added` came (the arguments of a
    // text document's contentsChange). A change of formats only, nothing removed or added, is none.
    void ContentsChanged(int position, int removed, int added);

    // The connection the text belongs to; saved with the next save.
    void SetConnection(const QString& name, const QString& cnn);
    // Saves at once (a pending save is done now); false when it failed.
    bool SaveNow();
    // The window has closed normally: the file goes and nothing is saved any more.
    void Discard();
    // The window has closed but its text could not be kept anywhere else: the file is saved now
    // and stays, to be offered at the next start; nothing is saved any more.
    void KeepForNextStart();
    // Empty until the first save.
    const QString& FilePath() const { return path_; }
    // How long after the next change its save comes, in milliseconds.
    int SaveDelayMs() const { return timer_.interval(); }

    // Test seam: the clock saves are timed by, in milliseconds; empty: a steady clock again.
    using Clock = std::function<qint64()>;
    static void SetClockForTesting(Clock clock);

private:
    void Save();
    void RemoveFile();

    std::function<QString()> text_;
    QTimer timer_;
    QString path_;
    QString name_;
    QString cnn_;
    bool saved_ = false;  // the file at path_ exists
    bool discarded_ = false;
};

}  // namespace tbn::recovery
