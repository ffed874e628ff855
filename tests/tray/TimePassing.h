#pragma once
// Lets timers fire: on Windows by running the message loop for a while, natively by moving the handler's clock.

#include "SimpleTimer.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace skyloom::testing {

inline void LetTimePass(unsigned ms)
{
#ifdef _WIN32
    const ULONGLONG end = GetTickCount64() + ms;
    MSG msg;
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
#else
    TSimpleTimerHandler::AdvanceClock(ms);
#endif
}

} // namespace skyloom::testing
