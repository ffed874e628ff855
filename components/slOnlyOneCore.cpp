#include "slOnlyOneCore.h"

namespace skyloom {

std::string OnlyOneMutexName(const std::string& title) { return std::string(OnlyOneRegistryKey) + title; }

void OnlyOneLoadedStep(IOnlyOneHost& host, const TOnlyOneSettings& settings)
{
    if (!host.AnotherInstanceRuns()) {
        host.RegisterThisInstance();
        return;
    }
    host.RaiseAlreadyExist();
    if (settings.SwitchToFirst)
        host.AskFirstToComeForward();
    if (settings.CloseFirst)
        host.AskFirstToEnd();
    if (settings.CloseSecond && host.MayEndThisInstance()) {
        host.EndThisInstance();
        return;
    }
    host.RegisterThisInstance();
}

} // namespace skyloom
