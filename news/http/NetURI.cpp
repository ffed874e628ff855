#include "NetURI.h"

#include "Charsets.h"

namespace skyloom {

namespace {

// In a double-byte system code page the second byte of a character may be 0x5C, which is no backslash there.
bool IsLeadByte(unsigned char byte)
{
    return IsSystemLeadByte(byte);
}

std::string Slashes(const std::string& url)
{
    std::string s = url;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(s[i]))) {
            ++i;
            continue;
        }
        if (s[i] == '\\')
            s[i] = '/';
    }
    return s;
}

// Splits "dir/dir/doc?params" into directory part, document and parameters.
void SplitRest(const std::string& rest, std::string& dir, std::string& doc, std::string& params)
{
    std::size_t paramStart = rest.find('?');
    if (paramStart == std::string::npos)
        paramStart = rest.find('=');
    const std::string beforeParams = paramStart == std::string::npos ? rest : rest.substr(0, paramStart);
    const std::size_t lastSlash = beforeParams.rfind('/');
    dir = lastSlash == std::string::npos ? std::string() : beforeParams.substr(0, lastSlash + 1);
    doc = beforeParams.substr(dir.size());
    params = paramStart == std::string::npos ? std::string() : rest.substr(paramStart);
}

} // namespace

void TNetURI::SetURI(const std::string& url)
{
    Clear();
    const std::string s = Slashes(url);
    std::string dir;
    const std::size_t schemeEnd = s.find("://");
    if (schemeEnd != std::string::npos) {
        Protocol = s.substr(0, schemeEnd);
        const std::string afterScheme = s.substr(schemeEnd + 3);
        const std::size_t slash = afterScheme.find('/');
        std::string authority = afterScheme.substr(0, slash);
        const std::string rest = slash == std::string::npos ? std::string() : afterScheme.substr(slash + 1);

        const std::size_t at = authority.find('@');
        if (at != std::string::npos) {
            const std::string userInfo = authority.substr(0, at);
            authority.erase(0, at + 1);
            const std::size_t colon = userInfo.find(':');
            Username = userInfo.substr(0, colon);
            Password = colon == std::string::npos ? std::string() : userInfo.substr(colon + 1);
            if (Username.empty())
                Password.clear();
        }
        const std::size_t open = authority.find('[');
        const std::size_t close = authority.find(']');
        if (open != std::string::npos && close != std::string::npos && open < close) {
            Host = authority.substr(open + 1, close - open - 1);
            IPVersion = TNetIPVersion::ivIPv6;
            const std::size_t colon = authority.find(':', close);
            if (colon != std::string::npos)
                Port = authority.substr(colon + 1);
        } else {
            const std::size_t colon = authority.find(':');
            Host = authority.substr(0, colon);
            if (colon != std::string::npos)
                Port = authority.substr(colon + 1);
        }
        SplitRest(rest, dir, Document, Params);
        Path = "/" + dir;
    } else {
        SplitRest(s, dir, Document, Params);
        Path = dir;
    }
    const std::size_t hash = Document.find('#');
    if (hash != std::string::npos) {
        Bookmark = Document.substr(hash + 1);
        Document.erase(hash);
    } else {
        const std::size_t phash = Params.find('#');
        if (phash != std::string::npos) {
            Bookmark = Params.substr(phash + 1);
            Params.erase(phash);
        }
    }
}

} // namespace skyloom
