// A URL split into its parts. Parsing never fails: whatever the text holds lands in some part.
#pragma once

#include "NetSocket.h"

#include <string>

namespace skyloom {

class TNetURI {
public:
    TNetURI() = default;
    explicit TNetURI(const std::string& url) { SetURI(url); }

    std::string Protocol; // the scheme, "http"
    std::string Username;
    std::string Password;
    std::string Host;
    std::string Port;
    std::string Path;     // directory path, with its trailing "/"
    std::string Document;
    std::string Params;   // from "?" (or from the first "=" when there is no "?")
    std::string Bookmark; // the fragment, without "#"
    TNetIPVersion IPVersion = TNetIPVersion::ivIPv4;

    void SetURI(const std::string& url);
    void Clear() { *this = TNetURI(); }
};

} // namespace skyloom
