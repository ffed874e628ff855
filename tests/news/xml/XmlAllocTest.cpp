// The storage of the library's small objects: blocks of every size keep their bytes, memory of released
// documents serves the next ones, and a document may be released on another thread than the one that loaded it.
#include "XmlAlloc.h"
#include "XmlTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

namespace skyloom {
namespace {

std::string Feed(int items)
{
    std::string s = "<rss><channel><title>t</title>";
    for (int i = 0; i < items; ++i)
        s += "<item n=\"" + std::to_string(i) + "\"><title>Title number " + std::to_string(i) +
             " of the feed</title><link>http://example.com/" + std::to_string(i) +
             "</link><description><![CDATA[" + std::string(static_cast<std::size_t>(i % 700), 'x') +
             "]]></description></item>";
    return s + "</channel></rss>";
}

TEST(XmlPool, BlocksOfEverySizeHoldTheirBytes)
{
    // Sizes around the rounding steps, the largest pooled size and beyond it; enough of them to fill several
    // chunks, so that blocks are also cut at the end of a chunk.
    const std::size_t sizes[] = {1, 2, 7, 8, 9, 15, 16, 17, 63, 64, 65, 100, 511, 512, 513, 1000, 4095, 4096, 4097,
                                 10000, 65536};
    struct Block {
        unsigned char* p;
        std::size_t size;
        unsigned char fill;
    };
    std::vector<Block> blocks;
    unsigned char fill = 1;
    for (int round = 0; round < 40; ++round) {
        for (std::size_t size : sizes) {
            auto* p = static_cast<unsigned char*>(xml::PoolAllocate(size));
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 8, 0u) << "block of " << size << " bytes is misaligned";
            std::fill(p, p + size, fill);
            blocks.push_back({p, size, fill});
            fill = static_cast<unsigned char>(fill % 250 + 1);
        }
    }
    for (const Block& b : blocks) {
        const bool intact = std::all_of(b.p, b.p + b.size, [&](unsigned char c) { return c == b.fill; });
        EXPECT_TRUE(intact) << "a block of " << b.size << " bytes was overwritten by another block";
    }
    // Released in an order unlike the order they were made in.
    for (std::size_t i = 0; i < blocks.size(); i += 2)
        xml::PoolRelease(blocks[i].p, blocks[i].size);
    for (std::size_t i = 1; i < blocks.size(); i += 2)
        xml::PoolRelease(blocks[i].p, blocks[i].size);
    xml::PoolRelease(nullptr, 16);
}

TEST(XmlPool, RepeatedLoadsReuseTheirMemory)
{
    const std::string feed = Feed(3000);
    xmltest::Load(feed);  // the first load makes the chunks it needs
    const std::size_t made = xml::PoolChunksMade();
    if (made == 0)
        GTEST_SKIP() << "this build takes every block from the general heap";
    for (int i = 0; i < 5; ++i) {
        auto doc = xmltest::Load(feed);
        ASSERT_EQ(doc->DocumentElement()->FirstChildElementNamed("channel")->ChildElementsNamed("item")->Count(), 3000);
    }
    EXPECT_EQ(xml::PoolChunksMade(), made) << "released documents must leave their memory to the next loads";

    // A node kept from a released document keeps only its own memory; everything else is reused.
    auto kept = xmltest::Load(feed)->DocumentElement()->FirstChildElementNamed("channel")->FirstChildElementNamed("item");
    for (int i = 0; i < 5; ++i)
        xmltest::Load(feed);
    EXPECT_LE(xml::PoolChunksMade(), made + 16);
    EXPECT_EQ(kept->ChildText("title"), "Title number 0 of the feed") << "the kept item lost its children";
}

TEST(XmlPool, ASmallDocumentLoadedAgainTakesTheMemoryItLeft)
{
    if (xml::PoolChunksMade() == 0)
        xmltest::Load("<r/>");
    if (xml::PoolChunksMade() == 0)
        GTEST_SKIP() << "this build takes every block from the general heap";
    // Once the cutting goes on in a chunk that holds nothing else, each load of a small feed is written where the
    // one before it was: the memory is still in the cache. Blocks that other objects keep alive only delay that.
    const std::string feed = Feed(3);
    const void* before = nullptr;
    bool repeated = false;
    for (int i = 0; i < 2000 && !repeated; ++i) {
        auto doc = xmltest::Load(feed);
        const void* at = doc->DocumentElement()->ImplObject();
        repeated = at == before;
        before = at;
    }
    EXPECT_TRUE(repeated);
}

TEST(XmlPool, DocumentReleasedOnAnotherThread)
{
    const std::string feed = Feed(1500);
    std::size_t made = 0;
    for (int cycle = 0; cycle < 4; ++cycle) {
        auto doc = xmltest::Load(feed);
        int count = -1;
        std::thread other([&count, d = std::move(doc)]() mutable {
            count = d->DocumentElement()->FirstChildElementNamed("channel")->ChildElementsNamed("item")->Count();
            d.reset();
        });
        other.join();
        EXPECT_EQ(count, 1500);
        if (cycle == 1)
            made = xml::PoolChunksMade();
    }
    EXPECT_EQ(xml::PoolChunksMade(), made) << "memory released on the other thread must come back for later loads";
    EXPECT_EQ(xmltest::Load("<a>b</a>")->DocumentElement()->Text(), "b");
}

} // namespace
} // namespace skyloom
