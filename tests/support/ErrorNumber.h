#pragma once
// The number of the tbn::Error an action raises, or 0 when it raises none.
#include "core/Error.h"

#include <functional>

namespace tbn::test {

inline int ErrorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const tbn::Error& error) {
        return error.Number();
    }
    return 0;
}

}  // namespace tbn::test
