#include "run/RunState.h"

namespace tbn::run {

bool MayFollow(RunPhase from, RunPhase to) {
    using enum RunPhase;
    switch (from) {
    case Connecting:
        // Opened (or failed), or given up while the worker still waits on the server.
        return to == Ended || to == Abandoned;
    case Running:
        // Asked to stop; or the worker ended, leaving nothing (Ended) or something (Finishing) to
        // wait for.
        return to == Cancelling || to == Finishing || to == Ended;
    case Cancelling:
        // Past the wait for an answer the link is broken, or the worker left behind.
        return to == Severing || to == Abandoned || to == Finishing || to == Ended;
    case Severing:
        // A worker that still does not return after its link was broken is left behind.
        return to == Abandoned || to == Finishing || to == Ended;
    case Abandoned:
    case Finishing: return to == Ended;
    case Ended: return false;
    }
    return false;
}

bool RunState::To(RunPhase next) {
    std::uint16_t current = word_.load(std::memory_order_acquire);
    do {
        if (!MayFollow(PhaseOf(current), next)) return false;
    } while (!word_.compare_exchange_weak(
        current, Pack(next, static_cast<std::uint16_t>((current >> 8) | Bit(next))),
        std::memory_order_acq_rel, std::memory_order_acquire));
    return true;
}

}  // namespace tbn::run
