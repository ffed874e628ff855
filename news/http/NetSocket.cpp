#include "NetSocket.h"

namespace skyloom {

// Close is the platform's; owning the handle is the same everywhere.
TNetSocket::TNetSocket(std::intptr_t handle) : FHandle(handle) {}

TNetSocket::~TNetSocket()
{
    Close();
}

bool IsDottedIPv4(const std::string& host)
{
    int parts = 0;
    std::size_t i = 0;
    while (i <= host.size()) {
        std::size_t digits = 0;
        int value = 0;
        while (i < host.size() && host[i] >= '0' && host[i] <= '9') {
            if (++digits > 3)
                return false;
            value = value * 10 + (host[i] - '0');
            ++i;
        }
        if (digits == 0 || value > 255)
            return false;
        ++parts;
        if (i == host.size())
            break;
        if (host[i] != '.' || parts == 4)
            return false;
        ++i;
    }
    return parts == 4;
}

} // namespace skyloom
