#include <windows.h>

#include "slAppStartCounter.h"

#include <cstring>

namespace skyloom {

namespace {

constexpr const char* CounterValue = "Start Counter";
constexpr const char* InstallTimeValue = "InstallTime";

// The two values under one registry key. Registry failures are not reported: a read gives 0, a write leaves the
// value as it was (a counter that cannot be stored must never keep the program from starting).
class TRegistryCounterStore : public TslStartCounterStore {
public:
    TRegistryCounterStore(TslRegLocation location, const std::string& key)
        : FRoot(location == rlLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER),
          FKey(StripLeadingBackslashes(key))
    {
    }

    std::uint32_t ReadCounter() override
    {
        std::uint32_t value = 0;
        return Read(CounterValue, REG_DWORD, &value, sizeof value) ? value : 0;
    }

    TDateTime ReadInstallTime() override
    {
        TDateTime value = 0;
        return Read(InstallTimeValue, REG_BINARY, &value, sizeof value) ? value : 0;
    }

    void WriteCounter(std::uint32_t value) override { Write(CounterValue, REG_DWORD, &value, sizeof value); }

    void WriteInstallTime(TDateTime value) override { Write(InstallTimeValue, REG_BINARY, &value, sizeof value); }

private:
    // Only a value of the expected size counts; REG_BINARY and REG_DWORD data of that size are both accepted,
    // since both are raw bytes to the reader.
    bool Read(const char* name, DWORD expectedType, void* buffer, DWORD size) const
    {
        HKEY raw = nullptr;
        if (RegOpenKeyExA(FRoot, FKey.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
            return false;
        TOwnedKey key(raw);
        DWORD type = 0;
        DWORD got = size;
        unsigned char data[sizeof(double)] = {};
        if (RegQueryValueExA(key.Get(), name, nullptr, &type, data, &got) != ERROR_SUCCESS || got != size)
            return false;
        if (type != expectedType && type != REG_BINARY && type != REG_DWORD)
            return false;
        std::memcpy(buffer, data, size);
        return true;
    }

    void Write(const char* name, DWORD type, const void* buffer, DWORD size) const
    {
        HKEY raw = nullptr;
        if (RegCreateKeyExA(FRoot, FKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &raw,
                            nullptr) != ERROR_SUCCESS)
            return;
        TOwnedKey key(raw);
        RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(buffer), size);
    }

    HKEY FRoot;
    std::string FKey;
};

} // namespace

TslAppStartCounter::TslAppStartCounter(TComponent* owner) : TslComponent(owner) {}

std::uint32_t TslAppStartCounter::Counter() const
{
    return TRegistryCounterStore(RegLocation, RegKey).ReadCounter();
}

TDateTime TslAppStartCounter::InstallTime() const
{
    return ValidInstallTime(TRegistryCounterStore(RegLocation, RegKey).ReadInstallTime());
}

TDateTime TslAppStartCounter::LifeTime() const
{
    return LifeTimeSince(InstallTime(), Now());
}

void TslAppStartCounter::Loaded()
{
    TslComponent::Loaded();
    if (Designing())
        return;
    TRegistryCounterStore store(RegLocation, RegKey);
    if (CountStart(store, Now()))
        Fire(OnFirstStart, this);
}

} // namespace skyloom
