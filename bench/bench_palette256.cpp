// The 256-colour picture: a 1920 x 1080 picture of a map over a 24-bit
// raster of some 100,000 colours painted into a caller's byte image with
// the document's 256-colour table (PaintToImage256), and the same picture
// painted at 32 bits (PaintToDib); the difference is what matching every
// pixel to the table and copying the band cost. Beside it ImageMagick's
// remap of the same 32-bit pixels to the same 256 colours without
// dithering (MagickWand, one thread, as the library paints), with the
// ratio of the two printed. The indexes are checked once against the
// linear scan of the table (first exact entry, else the first nearest).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "bench/bench_peer.h"
#include "bench/bench_support.h"
#include "bench/magickremap.h"
#include "common/messages.h"
#include "document/mapaccess.h"
#include "drawing/mappalette.h"
#include "raster/rst.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kColumns = kWidth / 4, kRows = kHeight / 4;  // 4 pixels an element
constexpr double kSheetX = 6000000, kSheetY = 7400000;

struct Scene {
  benchsupport::ScratchFolder folder{"bench_palette256"};
  TMapAccess* doc = nullptr;
  RECT rect{};
};

// A raster of 10 m elements at the sheet's south-west corner: red across,
// green down, blue along the diagonals.
bool WriteRaster(const std::string& path) {
  TRst r;
  if (r.Create(path.c_str(), kColumns, kRows, 24, nullptr, 10000, 1000) != 1) return false;
  r.Head.LocationX = kSheetX;
  r.Head.LocationY = kSheetY;
  r.Head.LocationSet = 1;
  r.HeadChanged = 1;
  for (int i = 0; i < kRows; ++i)
    for (int j = 0; j < kColumns; ++j) {
      const LONG red = j * 255 / (kColumns - 1), green = i * 255 / (kRows - 1),
                 blue = (i * 3 + j * 5) & 255;
      if (r.PutPoint(red << 16 | green << 8 | blue, i, j) != 1) return false;
    }
  r.Close();
  return true;
}

Scene* MakeScene() {
  MessageEnableSet(0);
  auto* s = new Scene;
  const std::string rsc = s->folder.path() + "bench.rsc";
  if (!benchsupport::CreateLineClassifier(rsc)) return nullptr;
  s->doc = benchsupport::CreateSheetDocument(s->folder.path() + "bench.map", rsc, kSheetX, kSheetY,
                                             10000, 10000);
  const std::string raster = s->folder.path() + "under.rsw";
  if (s->doc == nullptr || !WriteRaster(raster) || s->doc->OpenRst(raster.c_str(), 0) != 1)
    return nullptr;
  TMapAccess* doc = s->doc;
  // 4 pixels an element of 10 m.
  doc->SetViewScale(1.0);
  doc->SetViewScale(0.4 * doc->BaseScale / doc->PixelsPerMeterV);
  double x = kSheetX + kRows * 10.0, y = kSheetY;
  doc->PlaneToPicture(x, y);
  s->rect = RECT{LONG(x), LONG(y), LONG(x) + kWidth, LONG(y) + kHeight};
  return s;
}

Scene* TheScene() {
  static Scene* scene = MakeScene();
  return scene;
}

std::vector<RGBQUAD> table(256);
std::vector<char> image(size_t(kWidth) * kHeight);
std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);  // bottom-up, 0x00RRGGBB
double imageSeconds = 0, dibSeconds = 0, magickSeconds = 0;

void Report() {
  if (imageSeconds <= 0 || dibSeconds <= 0 || magickSeconds <= 0) return;
  const double matching = imageSeconds - dibSeconds;
  std::printf("matching and band copy: %.2f ms (goal 30 ms); remap without dithering: %.2f ms; "
              "ratio %.2f\n",
              matching * 1e3, magickSeconds * 1e3, matching / magickSeconds);
}

void BM_PaintToImage256(benchmark::State& state) {
  Scene* s = TheScene();
  if (s == nullptr) {
    state.SkipWithError("no scene");
    return;
  }
  imageSeconds = benchsupport::SecondsPerIteration(state, [&] {
    s->doc->PaintToImage256(table.data(), image.data(), kWidth, kHeight, s->rect);
  });
  // The indexes are the linear scan's.
  std::unordered_map<uint32_t, int> scan;
  BITMAPINFOHEADER info{sizeof info, kWidth, kHeight, 1, 32, BI_RGB, DWORD(pixels.size() * 4), 0,
                        0, 0, 0};
  s->doc->PaintToDib(&info, reinterpret_cast<char*>(pixels.data()), s->rect);
  int64_t differ = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t p = pixels[size_t(kHeight - 1 - y) * kWidth + x] & 0xFFFFFF;
      auto [it, added] = scan.try_emplace(p, 0);
      if (added) {
        const COLORREF c = (p >> 16) | (p & 0xFF00) | (p & 0xFF) << 16;
        LONG least = 8388607;
        for (int i = 0; i < 256; ++i) {
          const COLORREF t = table[i].rgbRed | table[i].rgbGreen << 8 | table[i].rgbBlue << 16;
          const LONG d = ColorDistance(t, c);
          if (d < least) least = d, it->second = i;
        }
      }
      differ += BYTE(image[size_t(y) * kWidth + x]) != it->second;
    }
  state.counters["colours"] = double(scan.size());
  if (differ != 0) state.SkipWithError("indexes differ from the linear scan");
}

void BM_PaintToDib32(benchmark::State& state) {
  Scene* s = TheScene();
  if (s == nullptr) {
    state.SkipWithError("no scene");
    return;
  }
  BITMAPINFOHEADER info{sizeof info, kWidth, kHeight, 1, 32, BI_RGB, DWORD(pixels.size() * 4), 0,
                        0, 0, 0};
  dibSeconds = benchsupport::SecondsPerIteration(state, [&] {
    s->doc->PaintToDib(&info, reinterpret_cast<char*>(pixels.data()), s->rect);
  });
}

void BM_MagickRemap(benchmark::State& state) {
  if (TheScene() == nullptr) {
    state.SkipWithError("no scene");
    return;
  }
  // The pixels top row first.
  std::vector<uint32_t> top(pixels.size());
  for (int y = 0; y < kHeight; ++y)
    std::memcpy(&top[size_t(y) * kWidth], &pixels[size_t(kHeight - 1 - y) * kWidth], kWidth * 4);
  std::vector<unsigned char> colours(256 * 3);
  for (int i = 0; i < 256; ++i) {
    colours[3 * i] = table[i].rgbRed;
    colours[3 * i + 1] = table[i].rgbGreen;
    colours[3 * i + 2] = table[i].rgbBlue;
  }
  benchpeer::MagickRemap* remap =
      benchpeer::MagickRemapOpen(top.data(), kWidth, kHeight, colours.data(), 256);
  double seconds = 0;
  for (auto _ : state) seconds += benchpeer::MagickRemapOnce(remap);
  magickSeconds = seconds / double(state.iterations());
  benchpeer::MagickRemapClose(remap);
  Report();
}

}  // namespace

BENCHMARK(BM_PaintToImage256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintToDib32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickRemap)->Unit(benchmark::kMillisecond)->UseRealTime();
