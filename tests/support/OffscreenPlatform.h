#pragma once
// gtest discovery runs each test binary right after linking, outside CTest's environment, so a
// program that shows widgets must choose the offscreen platform itself when no display was asked
// for explicitly.
#include <cstdlib>

namespace tbn::test {

inline void UseOffscreenPlatformUnlessAsked() {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

}  // namespace tbn::test
