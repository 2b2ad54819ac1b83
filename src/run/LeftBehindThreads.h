#pragma once
// Threads let go of while they still run: a worker blocked in an engine call that ignored every
// cancel, a cancel request still waiting on its server. Each ends on its own, holding its own share
// of what it touches; at exit the program waits for them a bounded while, so that none is still
// running while the process tears down the libraries it is inside.
#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>

namespace tbn::run {

// Keeps thread until finished() says its work is over; threads kept earlier that have ended by now
// are joined on the way.
void LeaveBehind(std::thread thread, std::function<bool()> finished);

// Waits up to bound for every kept thread, joining each that ends; the others are detached and
// left to the process's end. Returns how many were left. Runs by itself at exit with a bound of
// 5 s.
std::size_t JoinLeftBehind(std::chrono::milliseconds bound);

}  // namespace tbn::run
