// ImageMagick's remap without dithering, through MagickWand.
#include "bench/magickremap.h"

#include <wand/MagickWand.h>

#include <chrono>

#include "bench/bench_peer.h"

namespace benchpeer {

struct MagickRemap {
  MagickWand* picture;
  MagickWand* palette;
};

MagickRemap* MagickRemapOpen(const uint32_t* pixels, int width, int height,
                             const unsigned char* colours, int count) {
  MagickWandGenesis();
  SetMagickResourceLimit(ThreadResource, 1);
  auto* remap = new MagickRemap{NewMagickWand(), NewMagickWand()};
  // Little-endian 0x00RRGGBB: blue, green, red and a pad byte.
  MagickConstituteImage(remap->picture, width, height, "BGRP", CharPixel, pixels);
  MagickConstituteImage(remap->palette, count, 1, "RGB", CharPixel, colours);
  return remap;
}

double MagickRemapOnce(MagickRemap* remap) {
  MagickWand* copy = CloneMagickWand(remap->picture);
  const auto start = benchsupport::CpuClock::now();
  MagickRemapImage(copy, remap->palette, NoDitherMethod);
  const double seconds =
      std::chrono::duration<double>(benchsupport::CpuClock::now() - start).count();
  DestroyMagickWand(copy);
  return seconds;
}

void MagickRemapClose(MagickRemap* remap) {
  DestroyMagickWand(remap->picture);
  DestroyMagickWand(remap->palette);
  delete remap;
  MagickWandTerminus();
}

}  // namespace benchpeer
