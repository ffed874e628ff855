// The text template: filling in parameters, and telling its clients of changes for as long as both live.
#include "slTextTemplate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skyloom {
namespace {

TEST(TslTextTemplateConverter, FillsInParametersByName)
{
    TslTextTemplateConverter t(nullptr);
    t.SetParameter("title", "News");
    t.SetParameter("Link", "http://x/a?b=1&c=2");
    t.SetParameter("empty", "");
    t.SetParameter("pct", "100%");
    const struct {
        const char* Line;
        const char* Expected;
    } cases[] = {
        {"<b>%title%</b>", "<b>News</b>"},
        {"%TITLE% and %Title%", "News and News"},
        {"<a href=\"%link%\">more</a>", "<a href=\"http://x/a?b=1&c=2\">more</a>"},
        {"[%empty%]", "[]"},
        {"100%% sure", "100% sure"},
        {"%unknown% stays", "%unknown% stays"},
        {"50% off %title%", "50% off News"},
        {"width=50%", "width=50%"},
        {"%pct%", "100%"},
        {"%", "%"},
        {"", ""},
        {"%title%%title%", "NewsNews"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(t.Convert(c.Line), c.Expected) << c.Line;
    EXPECT_EQ(t.ParameterValue("TITLE"), "News");
    EXPECT_EQ(t.ParameterValue("none"), "");
}

TEST(TslTextTemplateConverter, OutputIsEveryLineFilledInWithLineBreaks)
{
    TslTextTemplateConverter t(nullptr);
    EXPECT_EQ(t.OutputText(), "");
    t.SetTemplateText("<p>%a%</p>\r\n<p>%b%</p>");
    t.SetParameter("a", "one");
    t.SetParameter("b", "two\r\nlines");
    EXPECT_EQ(t.Template().Count(), 2);
    EXPECT_EQ(t.OutputText(), "<p>one</p>\r\n<p>two\r\nlines</p>\r\n");
    t.AddTemplateLine("%a%");
    EXPECT_EQ(t.OutputText(), "<p>one</p>\r\n<p>two\r\nlines</p>\r\none\r\n");
    EXPECT_EQ(t.Template().Strings(0), "<p>%a%</p>") << "the template itself is kept as written";
}

TEST(TslTextTemplateConverter, EveryChangeOfTemplateOrParametersIsTold)
{
    TslTextTemplateConverter t(nullptr);
    TComponent client(nullptr);
    int events = 0, told = 0;
    t.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &t);
        ++events;
    };
    t.AddClient(&client, [&] { ++told; });
    const std::string inPlace = "3";
    const struct {
        const char* What;
        std::function<void()> Change;
        bool Tells;
    } steps[] = {
        {"template text", [&] { t.SetTemplateText("%a%"); }, true},
        {"template line", [&] { t.AddTemplateLine("x"); }, true},
        {"new parameter", [&] { t.SetParameter("a", "1"); }, true},
        {"new value", [&] { t.SetParameter("A", "2"); }, true},
        {"same value", [&] { t.SetParameter("a", "2"); }, false},
        {"added item", [&] { t.Parameters().Add(); }, true},
        {"deleted item", [&] { t.Parameters().Delete(1); }, true},
        {"changed in place", [&] { t.Parameters().Items(0)->Value = inPlace; t.ParametersChanged(); }, true},
    };
    for (const auto& s : steps) {
        const int before = told;
        s.Change();
        EXPECT_EQ(told > before, s.Tells) << s.What;
    }
    EXPECT_EQ(events, told);
    EXPECT_EQ(t.OutputText(), "3\r\nx\r\n");

    t.RemoveClient(&client);
    t.SetParameter("a", "4");
    EXPECT_EQ(events, told + 1) << "a client that left hears nothing";
}

TEST(TslTextTemplateConverter, AFreedClientOrTemplateEndsTheLink)
{
    auto* t = new TslTextTemplateConverter(nullptr);
    int told = 0;
    {
        TComponent client(nullptr);
        t->AddClient(&client, [&] { ++told; });
        t->SetParameter("a", "1");
        EXPECT_EQ(told, 1);
    }
    t->SetParameter("a", "2");  // the client is gone: nothing may reach it
    EXPECT_EQ(told, 1);

    // A client told of a change may leave, and take another client with it.
    auto* first = new TComponent(nullptr);
    auto* second = new TComponent(nullptr);
    int secondTold = 0;
    t->AddClient(first, [&] {
        delete second;
        second = nullptr;
    });
    t->AddClient(second, [&] { ++secondTold; });
    t->SetParameter("a", "3");
    EXPECT_EQ(secondTold, 0) << "a client freed during the round is not called";
    delete t;  // first is told through its free notification and must not reach the template afterwards
    delete first;
}

} // namespace
} // namespace skyloom
