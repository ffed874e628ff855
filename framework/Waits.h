// Waits on the window thread that stay bounded and keep the thread answering: a thread that owns windows must
// still serve what other threads send to it (a worker's Synchronize, the shell's callbacks), or both sides stall.
#pragma once

#include <windows.h>

namespace skyloom {

// Waits up to `ms` milliseconds (INFINITE for no limit) for `object`, delivering messages sent to this thread
// meanwhile; posted messages stay queued. True when the object was signalled (or the wait failed, so that
// nobody waits on a handle that cannot be waited on); false when the time ran out first.
bool WaitServingSent(HANDLE object, DWORD ms);

} // namespace skyloom
