#pragma once
// Names and the start-up decision of the single-instance guard, apart from the platform objects they use.

#include <string>

namespace skyloom {

constexpr char OnlyOneRegistryKey[] = "TslOnlyOne";
constexpr unsigned OnlyOneSwitchMessage = 14951;
constexpr unsigned OnlyOneCloseMessage = 14952;

// The mutex that marks a running instance of the program called `title`.
std::string OnlyOneMutexName(const std::string& title);

struct TOnlyOneSettings {
    bool CloseSecond = true;
    bool CloseFirst = false;
    bool SwitchToFirst = true;
};

// What the loaded step needs from the platform and from the component's events.
class IOnlyOneHost {
public:
    virtual ~IOnlyOneHost() = default;
    virtual bool AnotherInstanceRuns() = 0;
    virtual void RaiseAlreadyExist() = 0;
    virtual void AskFirstToComeForward() = 0;
    virtual void AskFirstToEnd() = 0;
    // Asks the forced-termination event; true lets this instance end.
    virtual bool MayEndThisInstance() = 0;
    virtual void EndThisInstance() = 0;
    virtual void RegisterThisInstance() = 0;
};

// The loaded step: register a first instance; in a second one, tell the first and end or register.
void OnlyOneLoadedStep(IOnlyOneHost& host, const TOnlyOneSettings& settings);

} // namespace skyloom
