// The owner of one handle: closes each handle exactly once, whatever way it is let go.
#include "Owned.h"

#include <gtest/gtest.h>

#include <vector>

using namespace skyloom;

namespace {

// Handles are numbers; 0 is none, negative ones are invalid; closing records the handle.
std::vector<int> GClosed;

struct TCountingTraits {
    static int Null() { return 0; }
    static bool Valid(int h) { return h > 0; }
    static void Close(int h) { GClosed.push_back(h); }
};
using TCounted = TOwned<int, TCountingTraits>;

// A handle kind whose one close function records what it closed.
std::vector<const int*> GClosedPointers;
void ClosePointer(const int* p) { GClosedPointers.push_back(p); }
using TPointerOwner = TOwned<const int*, TNullHandleTraits<const int*, ClosePointer>>;

} // namespace

TEST(Owned, EveryHandleIsClosedExactlyOnce)
{
    GClosed.clear();
    {
        TCounted a(1);
        TCounted b(2);
        a.Reset(3);                   // closes 1
        a.Reset(3);                   // the same handle again: kept, not closed
        TCounted c(std::move(b));     // 2 moves, b is empty
        EXPECT_FALSE(b.Valid()) << "a moved-from owner holds nothing";
        c = TCounted(4);              // closes 2
        const int kept = TCounted(5).Release();  // given up: never closed by us
        EXPECT_EQ(kept, 5);
        *a.Put() = 6;                 // closes 3, then owns 6
        TCounted invalid(-1);         // not valid: never closed
        EXPECT_FALSE(invalid);
    }                                 // closes 4 and 6 (c and a)
    EXPECT_EQ(GClosed, (std::vector<int>{1, 2, 3, 4, 6}));
}

TEST(Owned, NullHandleTraitsCloseNonNullHandlesThroughTheirFunction)
{
    GClosedPointers.clear();
    const int first = 1, second = 2;
    {
        TPointerOwner empty;
        EXPECT_FALSE(empty) << "the null handle is not valid";
        EXPECT_EQ(empty.Get(), nullptr);
        TPointerOwner owner(&first);
        EXPECT_TRUE(owner);
        owner.Reset(&second);         // closes first
        TPointerOwner none(nullptr);  // nothing to close
    }                                 // closes second
    EXPECT_EQ(GClosedPointers, (std::vector<const int*>{&first, &second}));
}
