// ImageMagick's remap of a picture to a table of colours without dithering,
// the point of comparison of the 256-colour picture benchmark. Kept apart:
// ImageMagick's headers and the library's cannot share a translation unit.
#pragma once

#include <cstdint>

namespace benchpeer {

struct MagickRemap;

// A picture of width x height pixels 0x00RRGGBB, top row first, and a table
// of `count` colours as red, green, blue bytes; one thread.
MagickRemap* MagickRemapOpen(const uint32_t* pixels, int width, int height,
                             const unsigned char* colours, int count);
// Remaps a fresh copy of the picture: the seconds the remap took.
double MagickRemapOnce(MagickRemap* remap);
void MagickRemapClose(MagickRemap* remap);

}  // namespace benchpeer
