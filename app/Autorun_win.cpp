#include "Autorun.h"

#include "AppSettings.h"
#include "Classes.h"
#include "Registry.h"

namespace skyloom {

void AddToAutorun(const std::string& valueName, const std::string& command)
{
    TRegistry registry(KEY_ALL_ACCESS);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(RunKey, true))
        throw ERegistryException(Format("Failed to create key %s", {RunKey}));
    registry.WriteString(valueName, command);
    registry.CloseKey();
}

void RemoveFromAutorun(const std::string& valueName)
{
    // Removal is best effort by design: the user asked for "not at start-up", and a value that cannot be removed
    // is either not there or beyond this user's rights; neither is worth a message.
    for (const char* key : {RunKey, RunOnceKey}) {
        TRegistry registry(KEY_ALL_ACCESS);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (registry.OpenKey(key, false)) {
            registry.DeleteValue(valueName);
            registry.CloseKey();
        }
    }
}

bool IsInAutorun(const std::string& valueName)
{
    // Only looked at: a user without the right to change the machine's start-up list still sees whether the
    // program is on it (asking for write access there would fail and show the box unchecked).
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKeyReadOnly(RunKey))
        return false;
    bool present = registry.ValueExists(valueName);
    registry.CloseKey();
    return present;
}

} // namespace skyloom
