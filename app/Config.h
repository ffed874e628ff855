// The hosts and addresses this program reaches. They are build-time settings (CMake cache variables in the top
// CMakeLists.txt); this header is the one place the code reads them.
#pragma once

namespace skyloom {

// The product's web site, shown in the welcome message and the about box.
inline constexpr const char* ProductSite = SL_PRODUCT_SITE;
// The publisher's mail address, the about box's e-mail link.
inline constexpr const char* ContactMail = SL_CONTACT_MAIL;
// The feed read when the settings file has no "rss" key.
inline constexpr const char* DefaultFeedURL = SL_DEFAULT_FEED;
// The publisher's update server (the information file and the release live under /skyloom/ on it).
inline constexpr const char* UpdateHost = SL_UPDATE_HOST;
// ProbeHost, the host whose address the connection monitor resolves and pings (SL_PROBE_HOST) and the default of
// the "ping" setting, belongs to the monitor: StatusLoop.h.
// The publisher key that downloaded updates must be signed with (SL_UPDATE_PUBLIC_KEY) belongs to the upgrade:
// upgrade/slPublisherKey.cpp, read through PublisherKeyText() in slSignature.h.
inline constexpr const char* ProductVersion = SL_VERSION;

} // namespace skyloom
