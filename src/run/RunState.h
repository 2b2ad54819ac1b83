#pragma once
// Where a run, or an opening of a connection, stands: one phase at a time, moved only along the
// transitions MayFollow allows, all of them listed in one table (RunState.cpp). Each object that
// works on a thread of its own keeps one: QueryRun as the window sees the run, RunJob as its
// worker does, ConnectionOpening for a connection opened away from the window.
//
// Threads: any thread may read and move a RunState; a move is one atomic step, so of two threads
// racing to move it only the one whose move is allowed from the phase the other left wins.
#include <atomic>
#include <cstdint>

namespace tbn::run {

enum class RunPhase : std::uint8_t {
    Connecting,  // opening a connection (and reading its table list)
    Running,     // the worker runs the command text and fills the store
    Cancelling,  // the engine was asked to stop; the request is repeated until the worker ends
    Severing,    // the engine did not answer: its link is broken, a new connection is opening
    Abandoned,   // no way to stop the engine: the worker is left to end alone, its results lost
    Finishing,   // the worker has ended; a cancel request may still be on its way, or a new
                 // connection opening
    Ended,       // nothing more happens; the results may be taken
};

// The one table of allowed transitions.
bool MayFollow(RunPhase from, RunPhase to);

class RunState {
public:
    explicit RunState(RunPhase start) : word_(Pack(start, Bit(start))) {}
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;

    RunPhase Phase() const { return PhaseOf(word_.load(std::memory_order_acquire)); }
    // Whether the state has ever been in phase (the starting one included).
    bool Passed(RunPhase phase) const {
        return (word_.load(std::memory_order_acquire) >> 8) & Bit(phase);
    }

    // Moves to next when MayFollow allows it from the present phase; otherwise refuses, changing
    // nothing, and returns false.
    bool To(RunPhase next);

private:
    static std::uint16_t Bit(RunPhase phase) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(phase));
    }
    static std::uint16_t Pack(RunPhase phase, std::uint16_t passed) {
        return static_cast<std::uint16_t>(passed << 8 | static_cast<std::uint16_t>(phase));
    }
    static RunPhase PhaseOf(std::uint16_t word) { return static_cast<RunPhase>(word & 0xFF); }

    // The phase in the low byte, the phases passed through in the high one: read and moved
    // together.
    std::atomic<std::uint16_t> word_;
};

}  // namespace tbn::run
