// Loads a large generated RSS document (about 20 MB, 20,000 items with attributes, entities and CDATA) and a
// feed of real size (about 50 KB) with our XML library and with pugixml, tinyxml2, libxml2 (tree) and expat
// (SAX, the streaming reference), all from the same bytes in memory. Prints MB/s, our speed relative to each
// peer and the peak memory of one load per input byte.
#include "XmlLib.h"

#include <expat.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace skyloom;

namespace {

std::string GenerateFeed(int items)
{
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                    "xmlns:media=\"http://search.yahoo.com/mrss/\">\n<channel>\n"
                    "  <title>Generated News &amp; Views</title>\n  <link>http://news.example.com/</link>\n"
                    "  <description>Benchmark feed</description>\n  <language>en-gb</language>\n";
    unsigned seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0x7FFF; };
    static const char* words[] = {"market", "government", "election", "weather", "storm", "football", "science",
                                  "research", "economy", "city", "council", "report", "health", "school",
                                  "police", "court", "minister", "energy", "transport", "festival"};
    for (int i = 0; i < items; ++i) {
        std::string title;
        const int n = 5 + static_cast<int>(next() % 6);
        for (int w = 0; w < n; ++w) {
            if (w)
                title += ' ';
            title += words[next() % 20];
        }
        std::string body;
        const int m = 40 + static_cast<int>(next() % 60);
        for (int w = 0; w < m; ++w) {
            body += words[next() % 20];
            body += (w % 11 == 10) ? ". " : " ";
        }
        const std::string id = std::to_string(100000 + i);
        s += "  <item>\n    <title>" + title + " &amp; &quot;more&quot; &#8217;" + id + "</title>\n";
        s += "    <link>http://news.example.com/story/" + id + "?ref=rss&amp;src=feed</link>\n";
        s += "    <description><![CDATA[<p>" + body + "</p><a href=\"http://news.example.com/" + id +
             "\">Read</a>]]></description>\n";
        s += "    <pubDate>Tue, 08 Dec 2026 " + std::to_string(10 + i % 12) + ":" + std::to_string(10 + i % 50) +
             ":00 GMT</pubDate>\n";
        s += "    <guid isPermaLink=\"false\">urn:news:" + id + "</guid>\n";
        s += "    <dc:creator>Reporter " + std::to_string(i % 37) + "</dc:creator>\n";
        s += "    <category domain=\"http://news.example.com/cat\">" + std::string(words[i % 20]) + "</category>\n";
        s += "    <media:thumbnail url=\"http://img.example.com/" + id + ".jpg\" width=\"240\" height=\"135\"/>\n";
        s += "  </item>\n";
    }
    s += "</channel>\n</rss>\n";
    return s;
}

struct TParser {
    const char* name;
    std::function<void(const std::string&)> load;  // builds the tree (or runs the SAX parse) and keeps it
    std::function<void()> free;                     // frees what load kept; not timed
};

void NoStart(void*, const XML_Char*, const XML_Char**) {}
void NoEnd(void*, const XML_Char*) {}
void NoText(void*, const XML_Char*, int) {}

std::vector<TParser> Parsers()
{
    static TXmlPtr<IXmlDocument> ours;
    static pugi::xml_document pugi;
    static tinyxml2::XMLDocument tiny;
    static xmlDocPtr libxml = nullptr;
    return {
        {"skyloom", [](const std::string& s) {
             ours = NewXmlDocument();
             ours->LoadFromString(s);
         }, [] { ours.reset(); }},
        {"pugixml", [](const std::string& s) {
             if (!pugi.load_buffer(s.data(), s.size()))
                 std::abort();
         }, [] { pugi.reset(); }},
        {"tinyxml2", [](const std::string& s) {
             if (tiny.Parse(s.data(), s.size()) != tinyxml2::XML_SUCCESS)
                 std::abort();
         }, [] { tiny.Clear(); }},
        {"libxml2", [](const std::string& s) {
             libxml = xmlReadMemory(s.data(), static_cast<int>(s.size()), "bench.xml", nullptr, XML_PARSE_NONET);
             if (!libxml)
                 std::abort();
         }, [] {
             xmlFreeDoc(libxml);
             libxml = nullptr;
         }},
        {"expat (SAX)", [](const std::string& s) {
             XML_Parser p = XML_ParserCreate(nullptr);
             XML_SetElementHandler(p, NoStart, NoEnd);
             XML_SetCharacterDataHandler(p, NoText);
             if (XML_Parse(p, s.data(), static_cast<int>(s.size()), 1) != XML_STATUS_OK)
                 std::abort();
             XML_ParserFree(p);
         }, [] {}},
    };
}

// Runs f in a child process forked from this one and returns what it returns (-1 when the child failed).
double InChild(const std::function<double()>& f)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const double value = f();
        if (write(fds[1], &value, sizeof value) != sizeof value)
            _exit(1);
        _exit(0);
    }
    close(fds[1]);
    double value = -1;
    if (read(fds[0], &value, sizeof value) != sizeof value)
        value = -1;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    return value;
}

// Best of several rounds, in seconds per load; freeing the tree is not timed. The parsers take turns round by
// round, so that a busy machine slows all of them alike. Each turn runs in a fresh child process with one
// untimed load first, so that no parser finds its heap shaped by another one.
std::vector<double> TimeLoads(const std::vector<TParser>& parsers, const std::string& input, int loadsPerRound,
                              int rounds)
{
    std::vector<double> best(parsers.size(), 1e30);
    for (int r = 0; r < rounds; ++r) {
        for (std::size_t k = 0; k < parsers.size(); ++k) {
            const double perLoad = InChild([&] {
                parsers[k].load(input);
                parsers[k].free();
                double total = 0;
                for (int i = 0; i < loadsPerRound; ++i) {
                    const auto t0 = std::chrono::steady_clock::now();
                    parsers[k].load(input);
                    const auto t1 = std::chrono::steady_clock::now();
                    parsers[k].free();
                    total += std::chrono::duration<double>(t1 - t0).count();
                }
                return total / loadsPerRound;
            });
            if (perLoad > 0)
                best[k] = std::min(best[k], perLoad);
        }
    }
    return best;
}

long StatusKb(const char* key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line)) {
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key));
    }
    return -1;
}

// Peak resident memory added by one load, measured in a child process whose high-water mark is reset first.
double PeakBytesPerInputByte(const TParser& p, const std::string& input)
{
    // Free memory the heap still holds (kept by the settings in main) would hide what the load needs.
    malloc_trim(0);
    return InChild([&] {
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = StatusKb("VmRSS:");
        const long hwm0 = StatusKb("VmHWM:");
        if (before <= 0 || hwm0 > before + 64)
            return -1.0;
        p.load(input);
        const long peak = StatusKb("VmHWM:");
        return static_cast<double>(peak - before) * 1024.0 / static_cast<double>(input.size());
    });
}

void Run(const char* label, const std::string& input, int loadsPerRound, int rounds, bool memory)
{
    const double mb = static_cast<double>(input.size()) / (1024.0 * 1024.0);
    std::printf("\n%s: %.2f MB (%zu bytes)\n", label, mb, input.size());
    std::printf("  %-12s %10s %12s %14s\n", "parser", "MB/s", "skyloom is", "peak mem/byte");
    const auto parsers = Parsers();
    // Memory first, each in a child of its own.
    std::vector<double> mem(parsers.size(), -1);
    for (std::size_t i = 0; memory && i < parsers.size(); ++i)
        mem[i] = PeakBytesPerInputByte(parsers[i], input);
    std::vector<double> speed = TimeLoads(parsers, input, loadsPerRound, rounds);
    for (double& v : speed)
        v = mb / v;
    for (std::size_t i = 0; i < parsers.size(); ++i) {
        char memText[32] = "-";
        if (mem[i] >= 0)
            std::snprintf(memText, sizeof memText, "%.2f", mem[i]);
        std::printf("  %-12s %10.1f %11.2fx %14s\n", parsers[i].name, speed[i], speed[0] / speed[i], memText);
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Without this glibc gives large freed blocks (the peers' copies of the input, their buffers) back to the
    // kernel and faults them in again on the next round; on a virtual machine those faults cost more than some
    // parses, and whether they happen depends on which parser ran before. Every parser gets the same setting.
    mallopt(M_MMAP_THRESHOLD, 512 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    const int items = argc > 1 ? std::atoi(argv[1]) : 20000;
    const std::string large = GenerateFeed(items);
    const std::string small = GenerateFeed(50);
    std::printf("XML load benchmark: same bytes in memory for every parser, best of several rounds.\n"
                "Load time only (building the tree); freeing it is not timed.\n"
                "\"skyloom is\" = our MB/s divided by the parser's MB/s (above 1: we are faster).\n"
                "peak mem/byte = resident memory one load adds, per input byte (the input itself excluded).\n");
    Run("large generated RSS", large, 1, 7, true);
    Run("real-size feed", small, 400, 15, true);
    return 0;
}
