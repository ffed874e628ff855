#include "TestSupport.h"

namespace skyloom {

bool PumpUntil(const std::function<bool()>& condition, unsigned timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        Application.ProcessMessages();
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(unsigned ms)
{
    PumpUntil([] { return false; }, ms);
}

TExceptionCatcher::TExceptionCatcher() : FOld(Application.OnException)
{
    Application.OnException = [this](TObject* sender, const std::exception& e) {
        Messages.push_back(ExceptionMessage(e));
        Senders.push_back(sender);
    };
}

TExceptionCatcher::~TExceptionCatcher() { Application.OnException = FOld; }

} // namespace skyloom
