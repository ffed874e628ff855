// Helpers for tests of windows: pumping messages with a time limit and collecting error reports.
#pragma once

#include "Forms.h"

#include <functional>
#include <string>
#include <vector>

namespace skyloom {

// Handles messages until condition() holds or timeoutMs passes; answers condition().
bool PumpUntil(const std::function<bool()>& condition, unsigned timeoutMs = 3000);
// Handles messages for ms milliseconds.
void PumpFor(unsigned ms);

// While alive, errors reported by the application go into Messages instead of a message box.
class TExceptionCatcher {
public:
    TExceptionCatcher();
    ~TExceptionCatcher();
    TExceptionCatcher(const TExceptionCatcher&) = delete;
    TExceptionCatcher& operator=(const TExceptionCatcher&) = delete;
    std::vector<std::string> Messages;
    std::vector<TObject*> Senders;

private:
    TExceptionEvent FOld;
};

} // namespace skyloom
