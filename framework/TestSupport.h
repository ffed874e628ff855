// Helpers for tests of windows: pumping messages with a time limit and collecting error reports.
#pragma once

#include "Owned.h"
#include "Forms.h"

#include <functional>
#include <string>
#include <vector>

namespace skyloom {

// Handles messages until condition() holds or timeoutMs passes; answers condition().
bool PumpUntil(const std::function<bool()>& condition, unsigned timeoutMs = 3000);
// Handles messages for ms milliseconds.
void PumpFor(unsigned ms);

// When the environment variable SL_SHOT_DIR names a folder, a person (or a script taking screenshots of the
// display) may look at what the test shows now: NAME.ready appears in the folder and the test keeps handling
// messages until NAME.done appears there (at most 15 seconds). Otherwise does nothing.
void SaveScreenShot(const std::string& name);

// While alive, errors reported by the application go into Messages instead of a message box.
class TExceptionCatcher : TNonCopyable {
public:
    TExceptionCatcher();
    ~TExceptionCatcher();
    std::vector<std::string> Messages;
    std::vector<TObject*> Senders;

private:
    TExceptionEvent FOld;
};

} // namespace skyloom
