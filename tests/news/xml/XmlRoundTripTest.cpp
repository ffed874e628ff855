// Round trips over real-world feed shapes: text to tree to text, and tree to binary to tree.
#include "XmlFeedSamples.h"
#include "XmlTestSupport.h"

#include <sstream>

namespace skyloom {
namespace {

using xmltest::kFeedSamples;
using xmltest::Load;
using xmltest::Shape;

TEST(XmlRoundTrip, TextToTreeToTextKeepsTheFeed)
{
    for (const auto& sample : kFeedSamples) {
        auto doc = Load(sample.text, true);
        const std::string written = doc->ToXml();
        if (sample.canonical) {
            EXPECT_EQ(written, sample.text) << sample.name;
        }
        // Adjacent texts (around a skipped document type) merge on the first reading; from then on the tree
        // and its text stay the same.
        auto again = Load(written, true);
        EXPECT_EQ(again->ToXml(), written) << sample.name;
        auto third = Load(again->ToXml(), true);
        EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(third)), Shape(TXmlPtr<IXmlNode>(again))) << sample.name;
        if (sample.canonical) {
            EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(again)), Shape(TXmlPtr<IXmlNode>(doc))) << sample.name;
        }
    }
}

// Whether an element mixes non-blank text with child elements; the indented form adds line breaks to such text.
bool HasMixedContent(const TXmlPtr<IXmlNode>& node)
{
    auto kids = node->ChildNodes();
    bool text = false, element = false;
    for (int i = 0; i < kids->Count(); ++i) {
        auto kid = kids->Item(i);
        text |= kid->NodeType() == ntText;
        element |= kid->NodeType() == ntElement;
        if (HasMixedContent(kid))
            return true;
    }
    return text && element && node->NodeType() == ntElement;
}

TEST(XmlRoundTrip, IndentedOutputReadsBackToTheSameTree)
{
    int checked = 0;
    for (const auto& sample : kFeedSamples) {
        auto doc = Load(sample.text, false);
        if (HasMixedContent(TXmlPtr<IXmlNode>(doc)))
            continue;
        ++checked;
        auto again = Load(doc->ToXml(), false);
        EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(again)), Shape(TXmlPtr<IXmlNode>(doc))) << sample.name;
        EXPECT_EQ(again->ToXml(), doc->ToXml()) << sample.name;
    }
    EXPECT_GE(checked, 6);
}

TEST(XmlRoundTrip, TreeToBinaryToTreeIsEqualNodeForNode)
{
    for (const auto& sample : kFeedSamples) {
        for (bool keep : {false, true}) {
            auto doc = Load(sample.text, keep);
            for (int options : {0, 1}) {
                std::ostringstream out;
                doc->SaveBinaryToStream(out, options);
                auto back = NewXmlDocument("", "1.0", "", NewXmlNameTable());
                back->SetKeepWhitespace(keep);
                back->LoadFromString(out.str());
                EXPECT_EQ(Shape(TXmlPtr<IXmlNode>(back)), Shape(TXmlPtr<IXmlNode>(doc)))
                    << sample.name << ", options " << options;
                EXPECT_EQ(back->ToXml(), doc->ToXml()) << sample.name << ", options " << options;
            }
        }
    }
}

TEST(XmlRoundTrip, RssReadingPath)
{
    // The way the feed reader walks a document: root name, channel, items, their child texts.
    auto doc = NewXmlDocument("", "1.0", "iso-8859-1");
    doc->LoadFromString(kFeedSamples[0].text);  // atom.xml sorts first
    EXPECT_EQ(doc->DocumentElement()->NodeName(), "feed");
    for (const auto& sample : kFeedSamples) {
        if (std::string(sample.name) != "rss2_basic.xml")
            continue;
        doc->LoadFromString(sample.text);
        auto rss = doc->DocumentElement();
        ASSERT_EQ(rss->NodeName(), "rss");
        EXPECT_EQ(rss->AttrText("version", ""), "2.0");
        auto channel = rss->FirstChildElementNamed("channel");
        ASSERT_TRUE(channel);
        auto items = channel->ChildElementsNamed("item");
        ASSERT_EQ(items->Count(), 2);
        EXPECT_EQ(items->Item(1)->ChildText("title"), "Second <headline>");
        EXPECT_EQ(items->Item(1)->ChildText("link"), "http://www.example.com/news/2?a=1&b=2");
        EXPECT_EQ(items->Item(1)->ChildText("description"), "Quotes \"here\" and 'there'");
        EXPECT_EQ(items->Item(0)->FirstChildElementNamed("guid")->AttrText("isPermaLink", ""), "true");
    }
}

} // namespace
} // namespace skyloom
