// TslAppStartCounter: counts the program's starts in the registry, remembers the first start's moment and raises
// OnFirstStart on the very first one. The counting happens in the loaded step.
#pragma once

#include "slAppStartCounterCore.h"
#include "slClasses_win.h"

#include <cstdint>
#include <string>

namespace skyloom {

class TslAppStartCounter : public TslComponent {
public:
    explicit TslAppStartCounter(TComponent* owner);

    // Key below the root; leading backslashes are dropped before use.
    std::string RegKey = "Software\\CompanyName\\ProgramName\\Default";
    TslRegLocation RegLocation = rlCurrentUser;

    // Starts counted so far, read from the registry at every access (0 when missing).
    std::uint32_t Counter() const;
    // Moment of the first counted start (local time), read at every access (0 when missing).
    TDateTime InstallTime() const;
    // Time since InstallTime in days, 0 when InstallTime is 0.
    TDateTime LifeTime() const;
    // The three are read-only: writing them is accepted and changes nothing.
    void SetCounter(std::uint32_t) {}
    void SetInstallTime(TDateTime) {}
    void SetLifeTime(TDateTime) {}

    TNotifyEvent OnFirstStart;

protected:
    void Loaded() override;
};

} // namespace skyloom
