// The publisher key this program carries. A file of its own, compiled once per key, so that the shipped program
// and a test build differ in this one object.
#include "slSignature.h"

#ifndef SL_UPDATE_PUBLIC_KEY
#error "SL_UPDATE_PUBLIC_KEY must be defined (empty for a build without a publisher key)"
#endif

namespace skyloom {

std::string_view PublisherKeyText() { return SL_UPDATE_PUBLIC_KEY; }

} // namespace skyloom
