// Read-only facts about the computer: the Windows classification, name and version number, and the measured
// processor clock. Every read asks the system again; nothing is cached.
#pragma once

#include "slClasses.h"
#include "slSystemInfoCore.h"

#include <string>

namespace skyloom {

class TslSystemInfo : public TslComponent {
public:
    explicit TslSystemInfo(TComponent* owner) : TslComponent(owner) {}
    TslOSVersion OSVersion() const;
    bool WinNT() const;
    std::string WinVersion() const;
    std::string WinVersionNumber() const;
    // Blocks the calling thread for about 50 ms at real-time priority.
    int CPUFrequency() const;
};

// The system's version record.
TslVersionRecord ReadVersionRecord();
// A text value of the local-machine hive (at most 1024 bytes); "" when the key or the value is missing.
std::string ReadMachineText(const std::string& key, const std::string& name);

} // namespace skyloom
