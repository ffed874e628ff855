#include "slOnlyOneCore.h"

#include <gtest/gtest.h>

#include <string>

namespace skyloom {
namespace {

class TScriptedHost : public IOnlyOneHost {
public:
    bool Running = false;
    bool MayEnd = true;
    std::string Log;

    bool AnotherInstanceRuns() override { return Running; }
    void RaiseAlreadyExist() override { Note("exists"); }
    void AskFirstToComeForward() override { Note("switch"); }
    void AskFirstToEnd() override { Note("close-first"); }
    bool MayEndThisInstance() override
    {
        Note("ask");
        return MayEnd;
    }
    void EndThisInstance() override { Note("end"); }
    void RegisterThisInstance() override { Note("register"); }

private:
    void Note(const char* what) { Log += Log.empty() ? what : std::string(" ") + what; }
};

TEST(OnlyOne, NamesComeFromTheApplicationTitle)
{
    EXPECT_EQ(OnlyOneMutexName("Skyloom"), "TslOnlyOne" "Skyloom");
    EXPECT_EQ(OnlyOneMutexName("Other Program"), "TslOnlyOneOther Program");
    EXPECT_NE(OnlyOneMutexName("Skyloom"), OnlyOneMutexName("Skyloom2")) << "different titles do not meet";
    EXPECT_STREQ(OnlyOneRegistryKey, "TslOnlyOne");
    EXPECT_EQ(OnlyOneSwitchMessage, 0x3A67u);
    EXPECT_EQ(OnlyOneCloseMessage, 0x3A68u);
}

TEST(OnlyOne, LoadedStepOrder)
{
    const struct {
        const char* Name;
        bool Running;
        TOnlyOneSettings Settings;
        bool MayEnd;
        const char* Expected;
    } cases[] = {
        {"first instance registers and does nothing else", false, {}, true, "register"},
        {"first instance ignores every setting", false, {true, true, true}, true, "register"},
        {"defaults: second brings the first forward and ends", true, {}, true, "exists switch ask end"},
        {"the event keeps the second running; it takes over the registration", true, {}, false,
         "exists switch ask register"},
        {"closing the first comes after switching to it", true, {true, true, true}, true,
         "exists switch close-first ask end"},
        {"no switching, no closing: only the end", true, {true, false, false}, true, "exists ask end"},
        {"a second that is not to close registers without asking", true, {false, false, true}, true,
         "exists switch register"},
        {"close the first and stay", true, {false, true, false}, true, "exists close-first register"},
    };
    for (const auto& c : cases) {
        TScriptedHost host;
        host.Running = c.Running;
        host.MayEnd = c.MayEnd;
        OnlyOneLoadedStep(host, c.Settings);
        EXPECT_EQ(host.Log, c.Expected) << c.Name;
    }
}

} // namespace
} // namespace skyloom
