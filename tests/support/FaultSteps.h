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
inline int FailEachCall(platform::FileOpKind kind, int error, const std::function<void()>& prepare,
                        const std::function<void()>& operation,
                        const std::function<void(const FaultRun&)>& afterFault) {
    constexpr int kLimit = 64;
    for (int nth = 1; nth <= kLimit; ++nth) {
        prepare();
        FaultRun run{nth, 0, {}};
        bool raised = false;
        {
            platform::FaultInjector::Scope fault(kind, nth, error);
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
inline std::string KindName(platform::FileOpKind kind) {
    switch (kind) {
    case platform::FileOpKind::Open: return "Open";
    case platform::FileOpKind::Read: return "Read";
    case platform::FileOpKind::Write: return "Write";
    case platform::FileOpKind::Flush: return "Flush";
    case platform::FileOpKind::Close: return "Close";
    case platform::FileOpKind::Rename: return "Rename";
    case platform::FileOpKind::Remove: return "Remove";
    }
    return "Unknown";
}
inline std::string KindTestName(const ::testing::TestParamInfo<platform::FileOpKind>& info) {
    return KindName(info.param);
}

} // namespace tbn::test

namespace tbn::platform {
inline void PrintTo(FileOpKind kind, std::ostream* out) { *out << test::KindName(kind); }
} // namespace tbn::platform
