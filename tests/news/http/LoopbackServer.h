// A scripted HTTP server on 127.0.0.1 for the client's tests: it answers each request it reads with the next
// reply of its script, byte for byte, and records what arrived.
#pragma once

#include "NetSocket.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace skyloom::test {

struct TScriptedReply {
    std::string Bytes;
    bool CloseAfter = false; // close the connection once the reply is sent
    bool Silent = false;     // send nothing and wait for the client to give up
};

inline TScriptedReply Reply(std::string bytes, bool closeAfter = false)
{
    return TScriptedReply{std::move(bytes), closeAfter, false};
}

class TLoopbackServer {
public:
    explicit TLoopbackServer(std::vector<TScriptedReply> script) : FScript(std::move(script))
    {
        FThread = std::thread([this] { Run(); });
    }
    ~TLoopbackServer()
    {
        FStop = true;
        FThread.join();
    }
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    int Port() const { return FListener.Port(); }
    std::string Url(const std::string& path = "/") const
    {
        return "http://127.0.0.1:" + std::to_string(Port()) + path;
    }
    std::string HostHeader() const { return "127.0.0.1:" + std::to_string(Port()); }
    int Connections() const { return FConnections.load(); }
    std::vector<std::string> Requests() const
    {
        std::lock_guard lock(FMutex);
        return FRequests;
    }

private:
    // Waits until the socket has something to read; false when the server is stopping.
    bool WaitReadable(TNetSocket& s)
    {
        while (!FStop) {
            if (s.Readable())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    // One request head, up to its empty line; false when the client closed or the server stops.
    bool ReadRequest(TNetSocket& s, std::string& pending, std::string& request)
    {
        for (;;) {
            const std::size_t end = pending.find("\r\n\r\n");
            if (end != std::string::npos) {
                request = pending.substr(0, end + 4);
                pending.erase(0, end + 4);
                return true;
            }
            if (!WaitReadable(s))
                return false;
            char buf[4096];
            std::size_t n = 0;
            try {
                n = s.Receive(buf, sizeof buf);
            } catch (const std::exception&) {
                return false;
            }
            if (n == 0)
                return false;
            pending.append(buf, n);
        }
    }

    void Serve(TNetSocket& s)
    {
        std::string pending;
        std::string request;
        while (!FStop && ReadRequest(s, pending, request)) {
            {
                std::lock_guard lock(FMutex);
                FRequests.push_back(request);
            }
            if (FNext >= FScript.size())
                return;
            const TScriptedReply& r = FScript[FNext++];
            if (r.Silent) {
                // Hold the connection until the client closes it.
                while (WaitReadable(s)) {
                    char buf[256];
                    try {
                        if (s.Receive(buf, sizeof buf) == 0)
                            return;
                    } catch (const std::exception&) {
                        return;
                    }
                }
                return;
            }
            try {
                s.Send(r.Bytes.data(), r.Bytes.size());
            } catch (const std::exception&) {
                return;
            }
            if (r.CloseAfter)
                return;
        }
    }

    void Run()
    {
        while (!FStop) {
            std::unique_ptr<TNetSocket> s = FListener.Accept(20);
            if (!s)
                continue;
            ++FConnections;
            Serve(*s);
        }
    }

    TNetListener FListener;
    std::vector<TScriptedReply> FScript;
    std::size_t FNext = 0;
    std::atomic<bool> FStop{false};
    std::atomic<int> FConnections{0};
    mutable std::mutex FMutex;
    std::vector<std::string> FRequests;
    std::thread FThread;
};

// A server on 127.0.0.1 that reads each request head and then hands the connection to a behaviour of the test
// (trickling, stalling, streaming without end). The behaviour should return when Stopping() turns true or a send
// fails; the destructor waits for it.
class TStreamingServer {
public:
    using TBehaviour = std::function<void(TNetSocket& s, const std::atomic<bool>& stopping)>;
    explicit TStreamingServer(TBehaviour behaviour) : FBehaviour(std::move(behaviour))
    {
        FThread = std::thread([this] { Run(); });
    }
    ~TStreamingServer()
    {
        FStop = true;
        FThread.join();
    }
    TStreamingServer(const TStreamingServer&) = delete;
    TStreamingServer& operator=(const TStreamingServer&) = delete;

    std::string Url(const std::string& path = "/") const
    {
        return "http://127.0.0.1:" + std::to_string(FListener.Port()) + path;
    }

    // Sends text; false when the client has gone.
    static bool SendText(TNetSocket& s, const std::string& text)
    {
        try {
            s.Send(text.data(), text.size());
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

private:
    void Run()
    {
        while (!FStop) {
            std::unique_ptr<TNetSocket> s = FListener.Accept(20);
            if (!s)
                continue;
            std::string head;
            char buf[4096];
            while (!FStop && head.find("\r\n\r\n") == std::string::npos) {
                if (!s->WaitReadable(20))
                    continue;
                std::size_t n = 0;
                try {
                    n = s->Receive(buf, sizeof buf);
                } catch (const std::exception&) {
                    break;
                }
                if (n == 0)
                    break;
                head.append(buf, n);
            }
            if (!FStop && head.find("\r\n\r\n") != std::string::npos)
                FBehaviour(*s, FStop);
        }
    }

    TNetListener FListener;
    TBehaviour FBehaviour;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// A connection that serves fixed bytes and records what the client sends; it never touches the network.
struct TFakeWire {
    std::string ToServe;
    std::size_t Served = 0;
    std::string Sent;
    std::vector<std::string> ConnectedTo; // "host:port"
    std::size_t Piece = 7; // bytes per receive, small so that lines and blocks straddle receives
    std::vector<std::string> OnConnect; // bytes added to ToServe by the first, second, ... connect
};

class TFakeTransport final : public TNetTransport {
public:
    explicit TFakeTransport(std::shared_ptr<TFakeWire> wire) : FWire(std::move(wire)) {}
    void Connect(const std::string& host, int port, TNetIPVersion) override
    {
        if (FWire->ConnectedTo.size() < FWire->OnConnect.size())
            FWire->ToServe += FWire->OnConnect[FWire->ConnectedTo.size()];
        FWire->ConnectedTo.push_back(host + ":" + std::to_string(port));
        FOpen = true;
    }
    void Send(const char* data, std::size_t size) override { FWire->Sent.append(data, size); }
    std::size_t Receive(char* buffer, std::size_t size) override
    {
        std::size_t n = FWire->ToServe.size() - FWire->Served;
        n = std::min({n, size, FWire->Piece});
        FWire->ToServe.copy(buffer, n, FWire->Served);
        FWire->Served += n;
        return n;
    }
    // Stays quiet (open, nothing new) once everything was served, like a kept connection between replies.
    bool Readable() override { return FWire->Served < FWire->ToServe.size(); }
    void Close() override { FOpen = false; }
    bool IsOpen() const override { return FOpen; }

private:
    std::shared_ptr<TFakeWire> FWire;
    bool FOpen = false;
};

} // namespace skyloom::test
