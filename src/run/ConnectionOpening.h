#pragma once
// Opening a connection from its string on a thread of its own, and reading its table list when
// asked: opening may wait for a server up to the connection's login timeout, which a window must
// not wait out. GiveUp ends the attempt at once on the owner's side: the thread is told to stop
// (PostgreSQL's open stops within a moment; a table list under way is broken off where the engine
// allows) and left to end alone, keeping its own share of what it fills; a connection it opens
// after that is closed when it ends, never used. Destroying an opening that has not finished
// gives it up.
//
// Threads: made and used on one thread; the notice, when given, is called on the opening's own.
#include "core/Error.h"
#include "db/Connection.h"
#include "run/FinishNotice.h"
#include "run/RunState.h"

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tbn::run {

// The failure of an opening given up because the server stayed silent for that long.
tbn::Error NoAnswerWithin(int seconds);

class ConnectionOpening {
public:
    // The opened connection gets cursorLocation. whenFinished, when given, is called on the
    // opening's thread as its last act, unless the attempt was given up before.
    ConnectionOpening(std::string connectionString, int cursorLocation, bool listTables,
                      std::function<void()> whenFinished = {});
    ~ConnectionOpening();
    ConnectionOpening(const ConnectionOpening&) = delete;
    ConnectionOpening& operator=(const ConnectionOpening&) = delete;

    // True once the thread has ended or the attempt was given up.
    bool Finished() const { return state_->run.Phase() != RunPhase::Connecting; }
    // Gives up an attempt that has not finished, with why as its failure; nothing once finished.
    void GiveUp(tbn::Error why);

    // Once Finished(): the failure, none when the connection opened and its tables (if asked
    // for) were read.
    std::exception_ptr Failure() const;
    // The connection: open unless opening it failed or was given up (a table list that failed
    // leaves it open).
    tbn::db::Connection TakeConnection();
    std::vector<tbn::db::TableInfo> TakeTables();

private:
    struct State {
        RunState run{RunPhase::Connecting};
        tbn::db::Connection connection;
        std::vector<tbn::db::TableInfo> tables;
        std::exception_ptr failure;
        FinishNotice notice;
        std::mutex cancelLock;  // orders making the table list stoppable against giving up
        std::shared_ptr<tbn::db::CancelHandle> cancel;
        bool canSever = false;
    };
    static void Open(State& state, const std::string& connectionString, int cursorLocation,
                     bool listTables);
    static bool LetStop(State& state);
    void Join();

    std::shared_ptr<State> state_ = std::make_shared<State>();
    std::thread thread_;
    std::exception_ptr gaveUp_;
};

}  // namespace tbn::run
