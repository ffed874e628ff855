#include "TestSupport.h"

#include <cstdlib>
#include <fstream>

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

void SaveScreenShot(const std::string& name)
{
    const char* dir = std::getenv("SL_SHOT_DIR");
    if (!dir || !*dir)
        return;
    std::string base = std::string(dir) + "\\" + name;
    { std::ofstream ready(base + ".ready"); }
    PumpUntil([&] { return GetFileAttributesA((base + ".done").c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
    DeleteFileA((base + ".ready").c_str());
    DeleteFileA((base + ".done").c_str());
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
