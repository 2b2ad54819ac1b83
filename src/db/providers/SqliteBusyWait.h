#pragma once
// Waiting for another connection's lock on an SQLite database, as sqlite3_busy_timeout does, but
// open to a cancel: sqlite3_interrupt does not reach a connection that sleeps between retries, so
// a statement waiting on a lock could only be stopped once the whole busy timeout had passed.
//
// Installed with sqlite3_busy_handler(db, BusyWait::Handler, wait); the database must keep the
// wait alive (see AdoptDatabase). Handler runs on the thread that runs the connection's commands;
// Cancel on any other.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tbn::db::sqlite {

class BusyWait {
public:
    explicit BusyWait(int timeoutMs) : timeout_(timeoutMs) {}
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

    // sqlite3_busy_handler's callback: nonzero to try again, 0 to give up with SQLITE_BUSY. Gives
    // up once the timeout has passed since the wait began, or at once after Cancel.
    static int Handler(void* wait, int count);

    // Ends a wait in progress, and any later one, until Rearm.
    void Cancel();
    // Before each command: a cancel meant for an earlier one must not stop it.
    void Rearm();
    // Whether Cancel has been called since the last Rearm: the interrupt that came with it may
    // reach the command disguised as another failure.
    bool CancelRequested();

private:
    bool WaitBeforeRetry(int count);

    const std::chrono::milliseconds timeout_;
    std::chrono::steady_clock::time_point
        began_;  // of the wait in progress; the handler's thread only
    std::mutex lock_;
    std::condition_variable woken_;
    bool cancelled_ = false;
};

}  // namespace tbn::db::sqlite
