// The reply parser fed from a fake connection: status and header lines, every body mode, 100 replies, cookies,
// authentication and keep-alive across up to three requests on whatever bytes arrive.
#include "NetHTTP.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

struct Wire {
    std::string Data;
    std::size_t Pos = 0;
    std::size_t Piece = 1;
};

class FuzzTransport final : public skyloom::TNetTransport {
public:
    explicit FuzzTransport(std::shared_ptr<Wire> wire) : FWire(std::move(wire)) {}
    void Connect(const std::string&, int, skyloom::TNetIPVersion) override { FOpen = true; }
    void Send(const char*, std::size_t) override {}
    std::size_t Receive(char* buffer, std::size_t size) override
    {
        const std::size_t n = std::min({size, FWire->Piece, FWire->Data.size() - FWire->Pos});
        FWire->Data.copy(buffer, n, FWire->Pos);
        FWire->Pos += n;
        return n;
    }
    bool Readable() override { return FWire->Pos == FWire->Data.size(); }
    void Close() override { FOpen = false; }
    bool IsOpen() const override { return FOpen; }

private:
    std::shared_ptr<Wire> FWire;
    bool FOpen = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    auto wire = std::make_shared<Wire>();
    wire->Piece = 1 + data[0] % 64;
    wire->Data.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    skyloom::TNetHTTP http;
    // Long lines and full-size receives are tested elsewhere; small ones keep each run short.
    http.MaxLineLength = 1024;
    http.RecvBufferSize = 512;
    http.TransportFactory = [wire] { return std::make_unique<FuzzTransport>(wire); };
    const char* urls[] = {"http://u:p@fuzz.test/feed.xml", "other.xml", "http://fuzz.test:8080/a/"};
    for (const char* url : urls) {
        try {
            const std::string body = http.Get(url);
            if (body.size() > wire->Data.size())
                __builtin_trap(); // a body cannot hold more than arrived
        } catch (const skyloom::ENetException&) {
        }
        if (wire->Pos == wire->Data.size())
            break;
    }
    return 0;
}
