// URL parsing, and the merge of a URL into the client's persistent record (two URLs per input, split at the
// first line feed), without any connection being made.
#include "NetHTTP.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

class NullTransport final : public skyloom::TNetTransport {
public:
    void Connect(const std::string&, int, skyloom::TNetIPVersion) override { FOpen = true; }
    void Send(const char*, std::size_t) override {}
    std::size_t Receive(char*, std::size_t) override { return 0; }
    bool Readable() override { return true; }
    void Close() override { FOpen = false; }
    bool IsOpen() const override { return FOpen; }

private:
    bool FOpen = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const skyloom::TNetURI uri(text);
    // Every part comes from the text; none can be longer than it.
    const std::size_t total = uri.Protocol.size() + uri.Username.size() + uri.Password.size() + uri.Host.size() +
                              uri.Port.size() + uri.Document.size() + uri.Params.size() + uri.Bookmark.size();
    if (total > text.size())
        __builtin_trap();

    const std::size_t lf = text.find('\n');
    skyloom::TNetHTTP http;
    http.TransportFactory = [] { return std::make_unique<NullTransport>(); };
    for (const std::string& url : {text.substr(0, lf), lf == std::string::npos ? std::string() : text.substr(lf + 1)}) {
        try {
            http.Get(url);
        } catch (const skyloom::ENetException&) {
        }
    }
    return 0;
}
