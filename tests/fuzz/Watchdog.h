// Watchdog: runs the fuzzer's calls on a worker thread while the calling
// thread watches them. The worker announces each call (Begin) with its
// seed and its limit, and its end (End). A call still running past its
// limit is a hang; an exception no one handles, in any thread, a crash.
// Either prints what happened, the call and the line that replays it,
// runs the cleanup given (registry and files put back, the server ended)
// and ends the process with exit code 3: a hung call cannot be taken
// back, and a crashed one leaves nothing to trust.
#pragma once

#include <windows.h>
#include <stdint.h>

#include <functional>
#include <string>

namespace Watchdog {

// Runs work on a new thread until it returns; watches meanwhile. cleanup
// runs before the process ends on a hang or crash.
void Run(const std::function<void()>& work, const std::function<void()>& cleanup);

// Called by the worker: the call about to run, and its description for a
// report. limit in milliseconds.
void Begin(uint64_t seed, DWORD limit, const std::string& description);
void End();

}  // namespace Watchdog

// The line that replays a call alone.
std::string ReplayLine(uint64_t seed);
