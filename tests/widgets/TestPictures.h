// Pictures made in the tests of the widget kit.
#pragma once

#include "slJpegCodec.h"

namespace skyloom::testing {

// Left half red, right half blue.
inline TJpegPixels RedBlue(int w, int h)
{
    TJpegPixels p;
    p.Width = w;
    p.Height = h;
    p.Bgra.resize(static_cast<std::size_t>(w * h * 4));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* px = &p.Bgra[static_cast<std::size_t>((y * w + x) * 4)];
            bool red = x < w / 2;
            px[0] = red ? 0 : 255;
            px[1] = 0;
            px[2] = red ? 255 : 0;
        }
    return p;
}

} // namespace skyloom::testing
