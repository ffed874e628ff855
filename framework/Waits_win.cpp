#include "Waits.h"

namespace skyloom {

bool WaitServingSent(HANDLE object, DWORD ms)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        DWORD wait = INFINITE;
        if (ms != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            wait = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        }
        const DWORD r = MsgWaitForMultipleObjects(1, &object, FALSE, wait, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED)
            return true;
        if (r == WAIT_TIMEOUT)
            return false;
        // Peeking delivers the messages sent to this thread.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace skyloom
