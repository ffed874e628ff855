// What the JPEG decoder and encoder share: the error manager that turns the library's errors into exceptions,
// and the size limits. Included only by the codec's own files.
#pragma once

#include "slJpegCodec.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
// jpeglib.h needs stdio first; jerror.h its types.
#include <jerror.h>

namespace skyloom::jpegcodec {

// The library's default error handler ends the process. This one jumps back to the call with the message;
// the functions that set the jump point keep no objects with destructors between it and the library calls.
struct TErrorManager {
    jpeg_error_mgr Public;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
    bool Truncated;
};

// Real encoders write a progressive picture in about a dozen scans. Every scan walks all the picture's blocks,
// however few bytes it takes, so a file that repeats a tiny scan by the thousand would keep the decoder busy for
// minutes: more scans than this are refused.
constexpr int kJpegMaxScans = 500;

void SetupErrors(TErrorManager& err);
[[noreturn]] void Raise(const char* message);
void CheckSize(long long width, long long height);

} // namespace skyloom::jpegcodec
