// The loopback HTTP server of the benchmarks: serves prepared replies by request path on 127.0.0.1, each
// connection on a thread of its own and kept open as long as the client keeps it. Run the benchmarks inside the
// private network namespace (scripts/lib/netns.sh).
#pragma once

#include "NetSocket.h"

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace skyloom::bench {

// A whole "200 OK" reply with a Content-Length.
inline std::string ReplyWithLength(const std::string& body, const char* type = "application/octet-stream")
{
    return "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(type) + "\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Replies by path; any other path gets a 404.
class TBenchServer {
public:
    explicit TBenchServer(std::map<std::string, std::string> replies) : FReplies(std::move(replies))
    {
        FThread = std::thread([this] { Run(); });
    }
    ~TBenchServer()
    {
        FStop = true;
        FThread.join();
        for (std::thread& t : FConnections)
            t.join();
    }
    std::string Url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(FListener.Port()) + path;
    }

private:
    // A thread per connection: each client keeps its connection open while the other one runs.
    void Run()
    {
        while (!FStop) {
            std::shared_ptr<TNetSocket> s = FListener.Accept(20);
            if (s)
                FConnections.emplace_back([this, s] { Serve(*s); });
        }
    }
    void Serve(TNetSocket& s)
    {
        std::string pending;
        char buf[8192];
        for (;;) {
            std::size_t end;
            while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
                std::size_t n = 0;
                try {
                    n = s.Receive(buf, sizeof buf);
                } catch (const std::exception&) {
                    return;
                }
                if (n == 0)
                    return;
                pending.append(buf, n);
            }
            const std::size_t sp = pending.find(' ');
            const std::string path = pending.substr(sp + 1, pending.find(' ', sp + 1) - sp - 1);
            pending.erase(0, end + 4);
            const auto it = FReplies.find(path);
            static const std::string notFound = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
            const std::string& reply = it == FReplies.end() ? notFound : it->second;
            try {
                s.Send(reply.data(), reply.size());
            } catch (const std::exception&) {
                return;
            }
        }
    }

    TNetListener FListener;
    std::map<std::string, std::string> FReplies;
    std::atomic<bool> FStop{false};
    std::vector<std::thread> FConnections;
    std::thread FThread;
};

} // namespace skyloom::bench
