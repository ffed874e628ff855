// The XML text reader: a recursive-descent reader over a byte source. Runs of ordinary bytes are scanned inside
// the source's window and copied once; only runs that cross a window boundary or hold references go through the
// collecting buffers.
#include "XmlReader.h"

#include "XmlMessages.h"
#include "XmlPlatform.h"
#include "XmlValue.h"

#include <algorithm>
#include <bit>
#include <cstdint>

// SSE2 where the target always has it (x86-64, or a 32-bit x86 build told so); elsewhere, and in the build of the
// tests that checks the plain loops (SL_XML_PLAIN_SCAN), byte by byte.
#if !defined(SL_XML_PLAIN_SCAN) && \
    (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#define SL_XML_SSE2 1
#include <emmintrin.h>
#endif

namespace skyloom::xml {

void TXmlToken::Grow(std::size_t needed)
{
    const std::size_t capacity = std::max(needed, FCapacity * 2);
    std::unique_ptr<char[]> data(new char[capacity]);
    std::memcpy(data.get(), FData.get(), FLength);
    FData = std::move(data);
    FCapacity = capacity;
}

TXmlToken& TXmlSource::NewToken()
{
    ++FTop;
    if (static_cast<std::size_t>(FTop) == FTokens.size())
        FTokens.push_back(std::make_unique<TXmlToken>());
    TXmlToken& t = *FTokens[static_cast<std::size_t>(FTop)];
    t.Reset();
    return t;
}

std::string TXmlSource::TakeToken()
{
    const std::string_view v = CurrentToken().View();
    --FTop;
    return std::string(v);
}

std::string_view TXmlSource::TakeTokenView() noexcept
{
    const std::string_view v = CurrentToken().View();
    --FTop;
    return v;
}

TXmlStmSource::TXmlStmSource(IXmlInput& input, std::uint64_t size, std::size_t bufferSize)
    : FInput(input), FBufferSize(bufferSize > 0 ? bufferSize : 1), FRemaining(size)
{
    // A short input needs no more room than it has bytes.
    FBufferSize = static_cast<std::size_t>(std::min<unsigned long long>(FBufferSize, std::max(FRemaining, 1ULL)));
    FBuffer.reset(new char[FBufferSize]);
    FPos = FEnd = FBuffer.get();
    Refill();
}

bool TXmlStmSource::Refill()
{
    FPos = FEnd = FBuffer.get();
    if (FRemaining == 0)
        return false;
    const auto want = static_cast<std::size_t>(std::min<unsigned long long>(FBufferSize, FRemaining));
    const std::size_t got = FInput.Read(FBuffer.get(), want);
    if (got == 0) {
        FRemaining = 0;
        return false;
    }
    FRemaining = got < want ? 0 : FRemaining - got;
    FEnd = FBuffer.get() + got;
    return true;
}

namespace {

[[noreturn]] void Fail(const char* message)
{
    throw EXmlError(message);
}

[[noreturn]] void FailExpectedText(std::string_view rest)
{
    throw EXmlError(FormatXmlMessage(kMsgExpectedText, {rest}));
}

[[noreturn]] void FailExpectedChar(char c)
{
    throw EXmlError(FormatXmlMessage(kMsgExpectedChar, {std::string_view(&c, 1)}));
}

// Words of eight bytes, read in place: the runs the reader passes (blanks, names, values) mostly end within one
// or two of them, at a byte found without a loop whose end the processor would have to guess.
constexpr std::uint64_t kBytes01 = 0x0101010101010101ull;
constexpr std::uint64_t kBytes7F = 0x7F7F7F7F7F7F7F7Full;
constexpr std::uint64_t kBytes80 = 0x8080808080808080ull;

inline std::uint64_t LoadWord(const char* p) noexcept
{
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// The index of the first byte whose high bit is set in a mask of high bits (not 0): the first in memory order.
inline std::size_t FirstMarked(std::uint64_t marks) noexcept
{
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<std::size_t>(std::countr_zero(marks)) >> 3;
    else
        return static_cast<std::size_t>(std::countl_zero(marks)) >> 3;
}

// The high bit of every byte above 32, that is of every byte that is not a blank.
inline std::uint64_t NonBlankMarks(std::uint64_t w) noexcept
{
    return (((w & kBytes7F) + (kBytes80 - kBytes01 * 33)) | w) & kBytes80;
}

// The first byte of [p, end) that is not a blank, or end.
inline const char* SkipBlankRun(const char* p, const char* end) noexcept
{
    // Most calls find no blank or a single one.
    if (p != end && static_cast<unsigned char>(*p) > 32)
        return p;
    for (; end - p >= 8; p += 8) {
        if (const std::uint64_t marks = NonBlankMarks(LoadWord(p)))
            return p + FirstMarked(marks);
    }
    while (p != end && static_cast<unsigned char>(*p) <= 32)
        ++p;
    return p;
}

// The first byte of [p, end) that equals a, b or c, or end. Texts and attribute values run for tens of bytes
// between two such bytes: sixteen at a time, the end of the run is found without a loop whose exit the processor
// would mispredict, and without the call and set-up of a library search per run.
inline const char* FindStop(const char* p, const char* end, char a, char b, char c) noexcept
{
#ifdef SL_XML_SSE2
    const __m128i va = _mm_set1_epi8(a);
    const __m128i vb = _mm_set1_epi8(b);
    const __m128i vc = _mm_set1_epi8(c);
    for (; end - p >= 16; p += 16) {
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(w, va), _mm_cmpeq_epi8(w, vb)), _mm_cmpeq_epi8(w, vc));
        if (const int mask = _mm_movemask_epi8(hit))
            return p + std::countr_zero(static_cast<unsigned>(mask));
    }
#endif
    while (p != end && *p != a && *p != b && *p != c)
        ++p;
    return p;
}

class TReader {
public:
    TReader(TXmlSource& source, TXmlNameTable& names, bool preserve)
        : S(source), FNames(names), FPreserve(preserve), FClass(NameClassTable())
    {
    }

    void Content(TXmlNodeList& list, int depth);

private:
    unsigned char Cur() const noexcept { return S.CurrentChar(); }
    bool IsNameStart(unsigned char c) const noexcept { return FClass[c] & kClassNameStart; }
    bool IsNameByte(unsigned char c) const noexcept { return FClass[c] & kClassName; }

    void Text(TXmlNodeList& list);
    char Reference();
    // A run of digits in base 10 or 16; none at all fails with the message missing.
    std::uint32_t Number(unsigned base, const char* missing);
    std::string_view Name();
    // Reads a name and interns it.
    std::int32_t NameId();
    std::int32_t NameIdSlow(std::uint32_t key, bool keyed);
    void ExpectChar(char c);
    void ExpectText(std::string_view s);
    void SkipBlanks();
    void Element(TXmlNodeList& list, int depth);
    void Attributes(TXmlNode& node);
    void AttributeList(TXmlNode& node);
    void QuotedValue(char q, TXmlValue* into);
    void Instruction(TXmlNodeList& list);
    TXmlValue ScanUntil(std::string_view terminator);

    TXmlSource& S;
    TXmlNameTable& FNames;
    const bool FPreserve;
    const unsigned char* const FClass;
};

void TReader::Content(TXmlNodeList& list, int depth)
{
    while (!S.AtEnd()) {
        Text(list);
        if (Cur() != '<')
            continue;
        if (!S.Next())
            continue;  // a lone "<" at the very end is dropped
        switch (Cur()) {
        case '/':
            return;
        case '?':
            Instruction(list);
            break;
        case '!': {
            if (!S.Next())
                continue;
            const unsigned char c = Cur();
            if (c == '-') {
                ExpectText("--");
                list.AppendNew(new TXmlComment(&FNames, ScanUntil("-->")));
            } else if (c == '[') {
                ExpectText("[CDATA[");
                list.AppendNew(new TXmlCDATASection(&FNames, ScanUntil("]]>")));
            } else {
                // A document type declaration is skipped up to its first ">"; nothing of it is kept.
                ExpectText("DOCTYPE");
                ScanUntil(">");
            }
            break;
        }
        default:
            Element(list, depth);
            break;
        }
    }
}

void TReader::Text(TXmlNodeList& list)
{
    const char* start = S.FPos;
    const char* end = S.FEnd;
    // Most texts are the blanks between two tags; the rest are mostly runs without references up to the next
    // tag.
    const char* p = SkipBlankRun(start, end);
    bool nonBlank = false;
    if (p != end && *p != '<' && *p != '&') {
        nonBlank = true;
        p = FindStop(p, end, '<', '&', '<');  // a text has two stops; the third is one of them again
    }
    if (p != end && *p == '<') {
        S.FPos = p;
        if (FPreserve || nonBlank)
            list.AppendNew(new TXmlText(&FNames, std::string_view(start, static_cast<std::size_t>(p - start))));
        return;
    }
    // The text goes on past the window or holds references: collect it.
    S.NewToken();
    S.AppendRun(start, static_cast<std::size_t>(p - start));
    S.MoveTo(p);
    while (!S.AtEnd()) {
        const unsigned char c = Cur();
        if (c == '<')
            break;
        if (c == '&') {
            const char b = Reference();
            nonBlank |= static_cast<unsigned char>(b) > 32;
            S.AppendChar(b);
            continue;
        }
        start = S.FPos;
        p = start;
        end = S.FEnd;
        while (p != end) {
            const auto d = static_cast<unsigned char>(*p);
            if (d == '<' || d == '&')
                break;
            nonBlank |= d > 32;
            ++p;
        }
        S.AppendRun(start, static_cast<std::size_t>(p - start));
        S.MoveTo(p);
    }
    const std::string_view text = S.TakeTokenView();
    if (FPreserve || nonBlank)
        list.AppendNew(new TXmlText(&FNames, text));
}

char TReader::Reference()
{
    // The five named references, whole inside the window, are recognised in place.
    struct TNamedRef {
        const char* Text;
        std::size_t Length;
        char Byte;
    };
    static constexpr TNamedRef kNamed[] = {
        {"amp;", 4, '&'}, {"quot;", 5, '"'}, {"lt;", 3, '<'}, {"gt;", 3, '>'}, {"apos;", 5, '\''}};
    if (S.FEnd - S.FPos > 5) {
        const char* p = S.FPos + 1;
        const TNamedRef* r = nullptr;
        switch (p[0]) {
        case 'a': r = p[1] == 'm' ? &kNamed[0] : &kNamed[4]; break;
        case 'q': r = &kNamed[1]; break;
        case 'l': r = &kNamed[2]; break;
        case 'g': r = &kNamed[3]; break;
        default: break;
        }
        if (r && XmlSameBytes(p, r->Text, r->Length)) {
            S.MoveTo(p + r->Length);
            return r->Byte;
        }
    }
    if (!S.Next())
        Fail(kMsgRefStart);
    if (Cur() == '#') {
        if (!S.Next())
            Fail(kMsgNumber);
        std::uint32_t v;
        if (Cur() == 'x') {
            S.Next();
            v = Number(16, kMsgHexNumber);
        } else {
            v = Number(10, kMsgNumber);
        }
        ExpectChar(';');
        // Only the low byte of the character number is kept.
        return static_cast<char>(v & 0xFF);
    }
    const std::string_view name = Name();
    char result;
    if (name == "amp")
        result = '&';
    else if (name == "quot")
        result = '"';
    else if (name == "lt")
        result = '<';
    else if (name == "gt")
        result = '>';
    else if (name == "apos")
        result = '\'';
    else
        result = 0;
    const bool known = name == "amp" || name == "quot" || name == "lt" || name == "gt" || name == "apos";
    ExpectChar(';');
    if (!known)
        Fail(kMsgEntityName);
    return result;
}

std::uint32_t TReader::Number(unsigned base, const char* missing)
{
    // Numbers too long for 32 bits wrap around; only their low byte is used.
    std::uint32_t v = 0;
    bool any = false;
    for (unsigned d = HexDigitValue(Cur()); d < base; d = HexDigitValue(Cur())) {
        v = v * base + d;
        any = true;
        S.Next();
    }
    if (!any)
        Fail(missing);
    return v;
}

std::string_view TReader::Name()
{
    if (S.AtEnd() || !IsNameStart(Cur()))
        Fail(kMsgNameStart);
    const char* start = S.FPos;
    const char* p = start + 1;
    const char* end = S.FEnd;
    while (p != end && IsNameByte(static_cast<unsigned char>(*p)))
        ++p;
    if (p != end) {
        S.FPos = p;
        return {start, static_cast<std::size_t>(p - start)};
    }
    S.NewToken();
    S.AppendRun(start, static_cast<std::size_t>(p - start));
    S.MoveTo(p);
    while (!S.AtEnd() && IsNameByte(Cur())) {
        S.AppendChar(static_cast<char>(Cur()));
        S.Next();
    }
    return S.TakeTokenView();
}

inline std::int32_t TReader::NameId()
{
    // A name read lately is recognised by comparing it in place: no scan byte by byte and no hashing.
    const char* const start = S.FPos;
    const std::ptrdiff_t avail = S.FEnd - start;
    if (avail < 4)
        return NameIdSlow(0, false);
    std::uint32_t key;
    std::memcpy(&key, start, 4);
    const TXmlNameTable::TRecentName& recent = FNames.RecentName(key);
    const std::size_t n = recent.Length;
    if (recent.Key == key && recent.Id >= 0 && static_cast<std::size_t>(avail) > n &&
        XmlSameBytes(start, recent.Bytes, n) && !IsNameByte(static_cast<unsigned char>(start[n]))) {
        S.FPos = start + n;
        return recent.Id;
    }
    return NameIdSlow(key, true);
}

// Out of line, so that the common path above needs no saved registers.
SL_XML_NOINLINE std::int32_t TReader::NameIdSlow(std::uint32_t key, bool keyed)
{
    const char* const start = S.FPos;
    const std::string_view name = Name();
    const std::int32_t id = FNames.Intern(name);
    // Only a name read in place starts at the key's bytes.
    if (keyed && name.data() == start)
        FNames.NoteRecentName(key, id, name);
    return id;
}

void TReader::ExpectChar(char c)
{
    if (S.AtEnd() || Cur() != static_cast<unsigned char>(c))
        FailExpectedChar(c);
    S.Next();
}

void TReader::ExpectText(std::string_view s)
{
    if (static_cast<std::size_t>(S.FEnd - S.FPos) > s.size() && XmlSameBytes(S.FPos, s.data(), s.size())) {
        S.FPos += s.size();
        return;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (S.AtEnd() || Cur() != static_cast<unsigned char>(s[i]))
            FailExpectedText(s.substr(i));
        S.Next();
    }
}

inline void TReader::SkipBlanks()
{
    while (!S.AtEnd()) {
        const char* end = S.FEnd;
        const char* p = SkipBlankRun(S.FPos, end);
        if (p != end) {
            S.FPos = p;
            return;
        }
        S.MoveTo(p);
    }
}

void TReader::Element(TXmlNodeList& list, int depth)
{
    if (depth >= kMaxXmlDepth)
        Fail(kMsgTooDeep);
    const std::int32_t id = NameId();
    if (S.AtEnd())
        Fail(kMsgElementUnfinished);
    const unsigned char c = Cur();
    if (!(c <= 32 || c == '/' || c == '>'))
        Fail(kMsgElementNameChar);
    auto* element = new TXmlElement(&FNames, id);
    list.AppendNew(element);
    Attributes(*element);
    if (Cur() == '/' && !S.AtEnd()) {
        ExpectText("/>");
        return;
    }
    ExpectChar('>');
    Content(element->ChildList(), depth + 1);
    // The usual end tag, "</name>" with nothing between the name and ">", is matched in one go.
    const std::string& name = FNames.Name(id);
    const std::size_t n = name.size();
    if (static_cast<std::size_t>(S.FEnd - S.FPos) > n + 1 && S.FPos[0] == '/' &&
        XmlSameBytes(S.FPos + 1, name.data(), n) && S.FPos[n + 1] == '>') {
        S.MoveTo(S.FPos + n + 2);
        return;
    }
    ExpectChar('/');
    ExpectText(name);
    SkipBlanks();
    ExpectChar('>');
}

void TReader::Attributes(TXmlNode& node)
{
    SkipBlanks();
    if (!S.AtEnd() && IsNameStart(Cur()))
        AttributeList(node);
}

void TReader::AttributeList(TXmlNode& node)
{
    // The attributes of a tag are gathered first, so that the node's array is made once with room for exactly
    // them (a feed's tags have one to three, and an array grown step by step would keep room for four).
    constexpr int kBatch = 8;
    std::int32_t ids[kBatch];
    // Values are made in place only as they are read: most tags have far fewer than the batch.
    alignas(TXmlValue) unsigned char room[kBatch * sizeof(TXmlValue)];
    auto* const values = reinterpret_cast<TXmlValue*>(room);
    int count = 0;
    const auto store = [&] {
        node.ReserveAttributes(node.AttributeCount() + count);
        for (int i = 0; i < count; ++i) {
            node.StoreAttr(ids[i], std::move(values[i]));
            values[i].~TXmlValue();
        }
        count = 0;
    };
    try {
        while (!S.AtEnd() && IsNameStart(Cur())) {
            const std::int32_t id = NameId();
            SkipBlanks();
            ExpectChar('=');
            SkipBlanks();
            if (S.AtEnd())
                Fail(kMsgAttrValue);
            const unsigned char q = Cur();
            if (q != '\'' && q != '"')
                Fail(kMsgStringConst);
            if (count == kBatch)
                store();
            QuotedValue(static_cast<char>(q), values + count);
            ids[count++] = id;
            S.Next();
            SkipBlanks();
        }
    } catch (...) {
        // The attributes read before the error stay on the node, as they would have without the gathering.
        store();
        throw;
    }
    store();
}

// Makes the value in place at into (a value returned and then moved would be written to memory and read back at
// once, in pieces of a size the processor cannot pass on from the stores) and leaves the closing quote current, so
// that the caller counts the value before anything else can fail.
void TReader::QuotedValue(char q, TXmlValue* into)
{
    S.Next();
    const char* start = S.FPos;
    const char* p = FindStop(start, S.FEnd, q, '&', '<');
    if (p != S.FEnd && *p == q) {
        ::new (static_cast<void*>(into)) TXmlValue(std::string_view(start, static_cast<std::size_t>(p - start)));
        S.FPos = p;
        return;
    }
    S.NewToken();
    S.AppendRun(start, static_cast<std::size_t>(p - start));
    S.MoveTo(p);
    while (!S.AtEnd() && Cur() != static_cast<unsigned char>(q)) {
        const unsigned char c = Cur();
        if (c == '&') {
            S.AppendChar(Reference());
            continue;
        }
        if (c == '<')
            Fail(kMsgLtInAttr);
        start = S.FPos;
        p = FindStop(start, S.FEnd, q, '&', '<');
        S.AppendRun(start, static_cast<std::size_t>(p - start));
        S.MoveTo(p);
    }
    if (S.AtEnd())
        FailExpectedText(std::string_view(&q, 1));
    ::new (static_cast<void*>(into)) TXmlValue(S.TakeTokenView());
}

void TReader::Instruction(TXmlNodeList& list)
{
    S.Next();
    const std::int32_t id = NameId();
    auto* pi = new TXmlProcessingInstruction(&FNames, id, std::string());
    list.AppendNew(pi);
    if (id == FNames.FXmlId) {
        Attributes(*pi);
        ExpectText("?>");
    } else {
        const TXmlValue data = ScanUntil("?>");
        pi->SetData(std::string(data.Bytes()));
    }
}

TXmlValue TReader::ScanUntil(std::string_view t)
{
    // Within the window a plain search finds the first occurrence of the terminator.
    {
        const std::string_view window(S.FPos, static_cast<std::size_t>(S.FEnd - S.FPos));
        const std::size_t at = window.find(t);
        if (at != std::string_view::npos) {
            TXmlValue text(std::string_view(S.FPos, at));
            S.MoveTo(S.FPos + at + t.size());
            return text;
        }
    }
    // Across windows: byte by byte, keeping a partial match of the terminator. After a mismatch the longest
    // proper suffix of the matched part that also begins the terminator stays matched.
    S.NewToken();
    std::size_t matched = 0;
    for (;;) {
        if (S.AtEnd())
            FailExpectedText(t);
        const unsigned char c = Cur();
        if (c == static_cast<unsigned char>(t[matched])) {
            ++matched;
            S.Next();
            if (matched == t.size())
                break;
            continue;
        }
        if (matched == 0) {
            S.AppendChar(static_cast<char>(c));
            S.Next();
            continue;
        }
        std::size_t keep = matched - 1;
        while (keep > 0 && t.substr(matched - keep, keep) != t.substr(0, keep))
            --keep;
        S.AppendRun(t.data(), matched - keep);
        matched = keep;
    }
    const std::string_view collected = S.TakeTokenView();
    return TXmlValue(collected);
}

} // namespace

void ParseContent(TXmlNodeList& list, TXmlSource& source, TXmlNameTable& names, bool preserveWhitespace)
{
    TReader reader(source, names, preserveWhitespace);
    reader.Content(list, 0);
}

} // namespace skyloom::xml
