#include "slSelfUpdaterCore.h"

#include "slHTTPCore.h"
#include "SysUtils.h"

#include <array>
#include <map>

namespace skyloom {

namespace {

// The information file is written with a final line break; values that run to the end stop before it.
std::string_view WithoutFinalLineBreak(std::string_view text)
{
    if (text.ends_with("\r\n"))
        text.remove_suffix(2);
    else if (text.ends_with('\n') || text.ends_with('\r'))
        text.remove_suffix(1);
    return text;
}

std::string ValueAt(std::string_view text, size_t start, bool multiLine)
{
    size_t end = start;
    if (multiLine) {
        end = text.find('}', start);
        if (end == std::string_view::npos)
            end = text.size();
    } else {
        while (end < text.size() && static_cast<unsigned char>(text[end]) >= 32)
            ++end;
    }
    return std::string(text.substr(start, end - start));
}

// The version parts read as numbers: digits only, at least one.
bool IsNumber(std::string_view s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!IsDigit(c))
            return false;
    return true;
}

// Compares two decimal digit strings of any length by value.
int CompareNumbers(std::string_view a, std::string_view b)
{
    while (a.size() > 1 && a.front() == '0')
        a.remove_prefix(1);
    while (b.size() > 1 && b.front() == '0')
        b.remove_prefix(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The first four parts of a version, each ended by "." (one is appended); missing parts are "0".
std::array<std::string_view, 4> VersionParts(std::string_view v, std::string& withDot)
{
    withDot.assign(v);
    withDot += '.';
    std::array<std::string_view, 4> parts{"0", "0", "0", "0"};
    std::string_view rest = withDot;
    for (auto& part : parts) {
        size_t dot = rest.find('.');
        if (dot == std::string_view::npos)
            break;
        part = rest.substr(0, dot);
        rest.remove_prefix(dot + 1);
    }
    return parts;
}

bool IsReservedDeviceName(std::string_view name)
{
    // The device names are reserved with any extension and regardless of trailing dots and blanks.
    std::string base = UpperCase(name.substr(0, name.find('.')));
    while (!base.empty() && (base.back() == ' ' || base.back() == '.'))
        base.pop_back();
    static constexpr std::string_view fixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view d : fixed)
        if (base == d)
            return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' &&
           base[3] <= '9';
}

} // namespace

std::string InfoFileValue(std::string_view text, std::string_view key, bool multiLine)
{
    text = WithoutFinalLineBreak(text);
    std::string pattern = LowerCase(key) + (multiLine ? "={" : "=");
    size_t at = LowerCase(text).find(pattern);
    if (at == std::string::npos)
        return {};
    return ValueAt(text, at + pattern.size(), multiLine);
}

TslUpgradeMethod UpgradeMethodFromText(std::string_view value)
{
    if (value.starts_with('1'))
        return umUseExternalSetup;
    if (value.starts_with('2'))
        return umRedirectToURL;
    return umSelfUpgrade;
}

TslInfoFileContents ReadInfoFile(std::string_view text)
{
    text = WithoutFinalLineBreak(text);
    const std::string lower = LowerCase(text);
    auto value = [&](std::string_view key, bool multiLine = false) {
        std::string pattern = std::string(key) + (multiLine ? "={" : "=");
        size_t at = lower.find(pattern);
        return at == std::string::npos ? std::string() : ValueAt(text, at + pattern.size(), multiLine);
    };

    // The numbered keys of one kind, indexed in one pass: the first "<prefix><digits>=" of each number counts.
    // Looking each number up in the whole text would make a long list quadratic.
    auto numberedKeys = [&](std::string_view prefix) {
        std::map<std::string, size_t, std::less<>> numbered;
        for (size_t at = lower.find(prefix); at != std::string::npos; at = lower.find(prefix, at + 1)) {
            size_t end = at + prefix.size();
            while (end < lower.size() && IsDigit(lower[end]))
                ++end;
            if (end > at + prefix.size() && end < lower.size() && lower[end] == '=')
                numbered.try_emplace(lower.substr(at + prefix.size(), end - at - prefix.size()), end + 1);
        }
        return numbered;
    };
    const auto numberedUrls = numberedKeys("#url");
    const auto numberedSigs = numberedKeys("#sig");

    TslInfoFileContents info;
    // Each file's signature carries the same suffix as the file's key: "#sig" for "#url", "#sig0" for "#url0".
    for (std::string_view suffix : {"", "0"}) {
        std::string url = value("#url" + std::string(suffix));
        if (url.empty())
            continue;
        info.Files.push_back(std::move(url));
        info.Signatures.push_back(value("#sig" + std::string(suffix)));
    }
    for (size_t n = info.Files.size() + 1;; ++n) {
        const std::string number = std::to_string(n);
        auto it = numberedUrls.find(number);
        if (it == numberedUrls.end())
            break;
        std::string url = ValueAt(text, it->second, false);
        if (url.empty())
            break;
        info.Files.push_back(std::move(url));
        auto sig = numberedSigs.find(number);
        info.Signatures.push_back(sig == numberedSigs.end() ? std::string() : ValueAt(text, sig->second, false));
    }
    info.Version = value("#version");
    info.Date = value("#date");
    info.Message = value("#message", true);
    info.Method = UpgradeMethodFromText(value("#method"));
    return info;
}

TDateTime ReadReleaseDate(std::string_view text, TDateTime today)
{
    size_t first = text.find('/');
    if (first == std::string_view::npos)
        return today;
    size_t second = text.find('/', first + 1);
    if (second == std::string_view::npos)
        return today;
    int month = StrToIntDef(text.substr(0, first), -1);
    int day = StrToIntDef(text.substr(first + 1, second - first - 1), -1);
    int year = StrToIntDef(text.substr(second + 1), -1);
    TDateTime result = 0;
    return TryEncodeDate(year, month, day, result) ? result : today;
}

int CompareVersions(std::string_view a, std::string_view b)
{
    std::string aText, bText;
    const auto aParts = VersionParts(a, aText);
    const auto bParts = VersionParts(b, bText);
    for (size_t i = 0; i < 4; ++i)
        if (!IsNumber(aParts[i]) || !IsNumber(bParts[i])) {
            int c = a.compare(b); // char_traits<char> compares as unsigned bytes
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
    for (size_t i = 0; i < 4; ++i)
        if (int c = CompareNumbers(aParts[i], bParts[i]))
            return c;
    return 0;
}

bool IsNewerRelease(TslSelfUpdaterVersionControl control, const TslInfoFileContents& info,
                    std::string_view versionNumber, std::string_view versionDate, TDateTime today)
{
    if (control == byNumber)
        return CompareVersions(info.Version, versionNumber) > 0;
    return ReadReleaseDate(versionDate, today) < ReadReleaseDate(info.Date, today);
}

std::string UpgradeQuestionText(std::string_view question, std::string_view appTitle, std::string_view defaultTitle,
                                std::string_view placeholderTitle, std::string_view upgradeMsg)
{
    std::string title(appTitle);
    if (!defaultTitle.empty() && title.find(defaultTitle) != std::string::npos)
        title = placeholderTitle;
    std::string notes;
    if (!upgradeMsg.empty()) {
        notes += '\n';
        notes += upgradeMsg;
        notes += "[DEF]\n";
    }
    return Format(question, {title, notes});
}

std::string PasswordRequestText(std::string_view request, std::string_view fileName, bool hideLocation)
{
    if (!hideLocation)
        return Format(request, {std::string(fileName)});
    static constexpr std::string_view quoted = "\"[b]%s[]\"";
    std::string text(request);
    size_t at = text.find(quoted);
    if (at != std::string::npos) {
        size_t from = at == 0 ? 0 : at - 1;
        text.erase(from, at + quoted.size() - from);
    }
    // A translation without the quoted place holder must not reveal the file either.
    return Format(text, {std::string()});
}

bool IsWebAddress(std::string_view url)
{
    if (!StartsText(url, "http://") && !StartsText(url, "https://"))
        return false;
    return !HTTPHostName(url).empty();
}

std::string RedirectArgument(std::string_view url)
{
    if (!IsWebAddress(url))
        return {};
    for (char c : url)
        if (c == '"' || static_cast<unsigned char>(c) < 32 || c == 127)
            return {};
    std::string argument;
    argument.reserve(url.size() + 2);
    argument += '"';
    argument += url;
    argument += '"';
    return argument;
}

bool IsDownloadableFileURL(std::string_view url)
{
    if (!IsWebAddress(url))
        return false;
    const std::string name = HTTPFileName(url);
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return false;
    // Windows drops trailing dots and blanks, so "x.." or "x " would name another file than shown.
    if (name.back() == '.' || name.back() == ' ')
        return false;
    return !IsReservedDeviceName(name);
}

std::string RestartParamsValue(std::string_view value)
{
    return value.empty() ? std::string(" ") : std::string(value);
}

bool IsConnected(const TslConnectionFacts& facts)
{
    const int major = facts.MajorVersion, minor = facts.MinorVersion;
    const bool oldNT = facts.NTFamily && (major == 3 || (major == 4 && minor == 0) || (major == 5 && minor <= 1));
    if (oldNT || !facts.RemoteAccessKeyReadable || !facts.RemoteConnectionReadable)
        return !facts.LocalAddress.empty() && facts.LocalAddress != "127.0.0.1";
    return facts.RemoteConnectionFirstByte == 1;
}

} // namespace skyloom
