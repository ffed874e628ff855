// The hosts and addresses this program reaches. They are build-time settings (CMake cache variables in the top
// CMakeLists.txt); this header is the one place the code reads them.
#pragma once

namespace skyloom {

// The product's web site, shown in the welcome message and the about box.
inline constexpr const char* ProductSite = SL_PRODUCT_SITE;
// The feed read when the settings file has no "rss" key.
inline constexpr const char* DefaultFeedURL = SL_DEFAULT_FEED;
// The publisher's update server (the information file and the release live under /skyloom/ on it).
inline constexpr const char* UpdateHost = SL_UPDATE_HOST;
// The host whose address the connection monitor resolves and pings; also the default of the "ping" setting.
inline constexpr const char* ProbeHost = SL_PROBE_HOST;
inline constexpr const char* ProductVersion = SL_VERSION;

} // namespace skyloom
