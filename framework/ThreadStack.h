// Worker threads: starting one that nobody waits for, and giving back the stack a thread no longer uses.
#pragma once

#include <functional>

namespace skyloom {

// Runs body on a new thread that nobody joins; the thread's handle is not kept. False, with body not run, when no
// thread can be started.
bool StartDetachedThread(std::function<void()> body);

// Tells the system that the calling thread's stack pages below the current frame (less a margin for the frames of
// this call) hold nothing of interest any more, so that they need no physical memory until they are used again.
// Wine commits and touches the upper megabyte of every new thread's stack; a long-lived worker that calls this
// when it starts, and a worker that calls it as it ends (Wine keeps the stack of the thread that ended last), cost
// only what they actually use. Best effort: failures are ignored, the stack stays usable as before.
void ReleaseUnusedStack();

} // namespace skyloom
