// The reading half of the XML library: byte sources with their stack of collecting buffers, and the reader
// that turns XML text into nodes.
#pragma once

#include "XmlNodes.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace skyloom::xml {

// One collecting buffer. It starts with room for 32 bytes and never gives room back, so a buffer that once held
// a long text keeps that size for its next use.
class TXmlToken {
public:
    static constexpr std::size_t kInitialCapacity = 32;

    TXmlToken() : FData(new char[kInitialCapacity]), FCapacity(kInitialCapacity) {}

    void Reset() noexcept { FLength = 0; }
    void AppendChar(char c)
    {
        if (FLength == FCapacity)
            Grow(FLength + 1);
        FData[FLength++] = c;
    }
    void AppendRun(const char* p, std::size_t n)
    {
        if (n > FCapacity - FLength)
            Grow(FLength + n);
        if (n)
            std::memcpy(FData.get() + FLength, p, n);
        FLength += n;
    }
    std::string_view View() const noexcept { return {FData.get(), FLength}; }
    std::size_t Capacity() const noexcept { return FCapacity; }

private:
    void Grow(std::size_t needed);

    std::unique_ptr<char[]> FData;
    std::size_t FLength = 0;
    std::size_t FCapacity;
};

// A source hands out the input one byte at a time. The bytes not yet read that are already in memory form the
// window [FPos, FEnd); FPos is the current byte. The window is empty only at the end of the input: whenever it
// runs out the source refills it at once.
class TXmlSource {
public:
    TXmlSource() = default;
    TXmlSource(const TXmlSource&) = delete;
    TXmlSource& operator=(const TXmlSource&) = delete;
    virtual ~TXmlSource() = default;

    bool AtEnd() const noexcept { return FPos == FEnd; }
    unsigned char CurrentChar() const noexcept { return FPos != FEnd ? static_cast<unsigned char>(*FPos) : 0; }
    // Advances one byte; false (and current char 0) at the end.
    bool Next()
    {
        if (FPos == FEnd)
            return false;
        if (++FPos != FEnd)
            return true;
        return Refill();
    }
    // Moves the read position to p inside the window (FEnd included); false when that is the end of the input.
    bool MoveTo(const char* p)
    {
        FPos = p;
        return p != FEnd || Refill();
    }

    // The stack of collecting buffers: one per nesting of rules that collect, reused from load to load.
    TXmlToken& NewToken();
    TXmlToken& CurrentToken() noexcept { return *FTokens[static_cast<std::size_t>(FTop)]; }
    void AppendChar(char c) { CurrentToken().AppendChar(c); }
    void AppendRun(const char* p, std::size_t n) { CurrentToken().AppendRun(p, n); }
    // The collected bytes; the buffer one level down becomes current.
    std::string TakeToken();
    // Like TakeToken, but the bytes stay in the buffer, valid until that depth is used again.
    std::string_view TakeTokenView() noexcept;
    int Top() const noexcept { return FTop; }
    std::size_t TokenCapacity(int depth) const noexcept { return FTokens[static_cast<std::size_t>(depth)]->Capacity(); }

    const char* FPos = nullptr;
    const char* FEnd = nullptr;

protected:
    // Called when the window is used up: loads the next bytes and returns true, or returns false at the end.
    virtual bool Refill() = 0;

private:
    std::vector<std::unique_ptr<TXmlToken>> FTokens;
    int FTop = -1;
};

// Reads a byte string in place; the string must outlive the source.
class TXmlStrSource final : public TXmlSource {
public:
    explicit TXmlStrSource(std::string_view text)
    {
        FPos = text.data();
        FEnd = text.data() + text.size();
    }

protected:
    bool Refill() override { return false; }
};

// An input over a byte string that outlives it, handing out its bytes in pieces as a stream would.
class TXmlStrInput final : public IXmlInput {
public:
    explicit TXmlStrInput(std::string_view text) : FRest(text) {}
    std::size_t Size() const { return FRest.size(); }
    std::size_t Read(char* buffer, std::size_t count) override
    {
        const std::size_t n = std::min(count, FRest.size());
        std::memcpy(buffer, FRest.data(), n);
        FRest.remove_prefix(n);
        return n;
    }

private:
    std::string_view FRest;
};

// Reads size bytes of an input (to its end with ~0) through a buffer of the given size.
class TXmlStmSource final : public TXmlSource {
public:
    TXmlStmSource(IXmlInput& input, std::uint64_t size, std::size_t bufferSize);

protected:
    bool Refill() override;

private:
    IXmlInput& FInput;
    std::unique_ptr<char[]> FBuffer;
    std::size_t FBufferSize;
    unsigned long long FRemaining;
};

// Elements nested deeper than this end the load with an error instead of exhausting the stack.
inline constexpr int kMaxXmlDepth = 256;

// Reads nodes from the source and appends them to the list until the source ends or an end tag begins.
void ParseContent(TXmlNodeList& list, TXmlSource& source, TXmlNameTable& names, bool preserveWhitespace);

} // namespace skyloom::xml
