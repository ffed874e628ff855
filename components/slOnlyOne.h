#pragma once
// Keeps the program to one running instance: a named mutex marks the running one, a registry value tells later
// instances where its message window is, and two private messages ask it to come forward or to end.
// Windows only.

#include "slClasses_win.h"
#include "slOnlyOneCore.h"

#include <memory>

namespace skyloom {

using TForcedTerminationEvent = std::function<void(TObject* sender, bool& terminate)>;

class TslOnlyOne : public TslComponent, private IOnlyOneHost {
public:
    explicit TslOnlyOne(TComponent* owner);
    ~TslOnlyOne() override;

    bool CloseSecond = true;
    bool CloseFirst = false;
    bool SwitchToFirst = true;
    TNotifyEvent OnAlreadyExist;
    TForcedTerminationEvent OnForcedTermination;

    // Whether another instance of the program (same application title) runs; asked once, then remembered.
    bool AlreadyRunning();
    // The message window of the registered instance, nullptr when none is registered.
    HWND RegisteredWindow() const;
    // The window this instance registered (nullptr when it registered none).
    HWND RegisteredByThis() const { return FRegistered; }
    HWND MessageWindow() const { return FMessageHook ? FMessageHook->Handle() : nullptr; }
    void SwitchToFirstInstance();
    void CloseFirstInstance();

    void MessageHandler(TMessage& message) override;

    // How long a request to the first instance may wait for it before this one gives up (milliseconds).
    static constexpr unsigned RequestTimeout = 10000;

protected:
    void Loaded() override;

private:
    bool AnotherInstanceRuns() override { return AlreadyRunning(); }
    void RaiseAlreadyExist() override;
    void AskFirstToComeForward() override { SwitchToFirstInstance(); }
    void AskFirstToEnd() override { CloseFirstInstance(); }
    bool MayEndThisInstance() override;
    void EndThisInstance() override;
    void RegisterThisInstance() override;
    void SendToFirst(UINT msg);

    TOwnedHandle FMutex;
    int FRunning = -1; // -1: not asked yet
    std::unique_ptr<TslSimpleMessageHook> FMessageHook;
    HWND FRegistered = nullptr;
};

} // namespace skyloom
