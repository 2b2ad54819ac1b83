#pragma once
// Drives an operation through every call of one kind of file operation: the first run fails the
// 1st such call, the next run the 2nd, and so on until a run finishes without meeting the fault.
#include "core/Error.h"
#include "core/FileOps.h"

#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace tbn::test {

struct FaultRun {
    int nth = 0;
    std::int32_t number = 0;  // Number of the error the operation raised
    std::string description;
};

// `prepare` resets the files before each run, `operation` is the code under test, and `afterFault`
// checks the files after an injected failure. Returns how many calls of `kind` were failed.
inline int FailEachCall(core::FileOpKind kind, int error, const std::function<void()>& prepare,
                        const std::function<void()>& operation,
                        const std::function<void(const FaultRun&)>& afterFault) {
    constexpr int kLimit = 64;
    for (int nth = 1; nth <= kLimit; ++nth) {
        prepare();
        FaultRun run{nth, 0, {}};
        bool raised = false;
        {
            core::FaultInjector::Scope fault(kind, nth, error);
            try {
                operation();
            } catch (const tbn::Error& e) {
                raised = true;
                run.number = e.Number();
                run.description = e.Description();
            }
            if (!fault.Fired()) {
                EXPECT_FALSE(raised) << "failed without an injected fault: " << run.description;
                return nth - 1;
            }
        }
        EXPECT_TRUE(raised) << "injected fault #" << nth << " was swallowed";
        afterFault(run);
    }
    ADD_FAILURE() << "operation never ran out of calls";
    return kLimit;
}

// Readable names for tests parameterised by the kind of operation that fails.
inline std::string KindName(core::FileOpKind kind) {
    switch (kind) {
    case core::FileOpKind::Open: return "Open";
    case core::FileOpKind::Read: return "Read";
    case core::FileOpKind::Write: return "Write";
    case core::FileOpKind::Flush: return "Flush";
    case core::FileOpKind::Close: return "Close";
    case core::FileOpKind::Rename: return "Rename";
    case core::FileOpKind::Remove: return "Remove";
    }
    return "Unknown";
}
inline std::string KindTestName(const ::testing::TestParamInfo<core::FileOpKind>& info) {
    return KindName(info.param);
}

}  // namespace tbn::test

namespace tbn::core {
inline void PrintTo(FileOpKind kind, std::ostream* out) { *out << test::KindName(kind); }
}  // namespace tbn::core
