// Whole-map painting through the document: a sheet of 100,000 objects
// (60,000 lines of 20 points, 30,000 areas of 40 points, 10,000 point signs,
// 8 pixels across) painted with visual type 1 into the memory image over a
// 1920 x 1080 picture that holds them all, in milliseconds per picture; the
// cull of the same sheet when every object lies outside the picture and the
// sheet has no index of its frames, in descriptors per second; and beside
// them a general 2-D renderer (cairo, antialiasing off) drawing the same
// polylines, polygons and 8-pixel circles into a 1920 x 1080 ARGB32
// surface, with the ratio of the two times (map/cairo): what the engine's
// own work costs over plain rasterising. The painted picture is written to
// <temp>/bench_mappaint.png. The same picture painted by a host onto a
// bitmap context of its own, against the whole map in the memory image.
// The same sheet painted as a select in one colour, against the whole map
// in the memory image and through the device painters.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "bench/bench_support.h"
#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/mapcreate.h"
#include "drawing/paintcontext.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/gdi_test.h"
#include "platform/gdi/hostdc.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kLines = 60000, kLinePoints = 20;
constexpr int kAreas = 30000, kAreaPoints = 40;
constexpr int kSigns = 10000;
constexpr int kObjects = kLines + kAreas + kSigns;
constexpr double kSheetX = 6000000, kSheetY = 7400000, kSideX = 10000, kSideY = 18000;

// The objects in picture pixels, as the map and cairo both draw them.
struct Shapes {
  std::vector<std::vector<DOUBLEPOINT>> lines, areas;  // x column, y row
  std::vector<DOUBLEPOINT> signs;
};

struct Scene {
  benchsupport::ScratchFolder folder{"bench_mappaint"};
  TMapAccess* doc = nullptr;
  RECT picture{};  // 1920 x 1080 over the objects
  RECT empty{};    // a corner of the sheet that no object reaches
  Shapes shapes;
};

Scene* MakeScene() {
  MessageEnableSet(0);
  plat::SetWriteThroughEnabled(false);
  auto* s = new Scene;
  int codes[3];
  const std::string rsc = s->folder.path() + "bench.rsc";
  if (!benchsupport::CreateLineAreaPointClassifier(rsc, codes)) return nullptr;
  s->doc = benchsupport::CreateSheetDocument(s->folder.path() + "bench.map", rsc, kSheetX,
                                             kSheetY, kSideX, kSideY);
  if (s->doc == nullptr) return nullptr;
  TMapAccess* doc = s->doc;
  doc->SetBackGround(0xFFFFFF);
  // The zoom at which the sheet is 1100 rows high.
  auto corner = [&](double x, double y) {
    doc->PlaneToPicture(x, y);
    return DOUBLEPOINT{x, y};  // column, row
  };
  doc->SetViewScale(1.0);
  const double rows = corner(kSheetX, kSheetY).Y - corner(kSheetX + kSideX, kSheetY).Y;
  doc->SetViewScale(1100.0 / rows);

  // The objects fill the 1920 x 1080 picture from the sheet's north-west
  // corner but for a strip on the right, where the culling picture lies.
  const DOUBLEPOINT nw = corner(kSheetX + kSideX, kSheetY);
  const LONG left = LONG(nw.X), top = LONG(nw.Y);
  s->picture = RECT{left, top, left + kWidth, top + kHeight};
  s->empty = RECT{left + 1840, top + 100, left + 1904, top + 164};
  const double reach = 1800;

  std::mt19937 rng(27);
  std::uniform_real_distribution<double> px(left + 20, left + reach - 20), py(top + 20, top + kHeight - 20),
      step(-6, 6), radius(5, 10);
  for (int i = 0; i < kLines; ++i) {
    std::vector<DOUBLEPOINT> line{{px(rng), py(rng)}};
    for (int k = 1; k < kLinePoints; ++k)
      line.push_back({line.back().X + step(rng), line.back().Y + step(rng)});
    s->shapes.lines.push_back(line);
  }
  for (int i = 0; i < kAreas; ++i) {
    const double cx = px(rng), cy = py(rng);
    std::vector<DOUBLEPOINT> area;
    for (int k = 0; k < kAreaPoints - 1; ++k) {
      const double a = 6.283185307179586 * k / (kAreaPoints - 1), r = radius(rng);
      area.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    area.push_back(area.front());
    s->shapes.areas.push_back(area);
  }
  for (int i = 0; i < kSigns; ++i) s->shapes.signs.push_back({px(rng), py(rng)});

  if (!doc->OpenList(1)) return nullptr;
  auto append = [&](int code, int local, const std::vector<DOUBLEPOINT>& points) {
    std::vector<char> metric = benchsupport::PictureMetric(doc, points);
    FVSPR d{};
    d.Local = BYTE(local);
    d.Code = code;
    return doc->AppendObject(&d, reinterpret_cast<LONGMETRIC*>(metric.data()), nullptr, nullptr) != 0;
  };
  for (const auto& l : s->shapes.lines)
    if (!append(codes[0], LOCAL_LINE, l)) return nullptr;
  for (const auto& a : s->shapes.areas)
    if (!append(codes[1], LOCAL_SQUARE, a)) return nullptr;
  for (const auto& p : s->shapes.signs)
    if (!append(codes[2], LOCAL_POINT, {p})) return nullptr;
  return s;
}

Scene* TheScene() {
  static Scene* scene = MakeScene();
  return scene;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Paints the scene's `place` once per iteration with visual type 1; the
// seconds of all the paints, or -1 with the benchmark skipped when there is
// no scene or no device.
double PaintSeconds(benchmark::State& state, RECT Scene::*place) {
  Scene* s = TheScene();
  if (s == nullptr || GetPaintDc() == nullptr) {
    state.SkipWithError("no scene");
    return -1;
  }
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    s->doc->PaintDib(nullptr, 1, s->*place);
    seconds += Seconds(start);
  }
  return seconds;
}

// The memory image as <temp>/name.
void WritePicture(const char* name) {
  char folder[MAX_PATH];
  plat::GetTempPathA(sizeof folder, folder);
  plat::gdi::WritePng(PaintContext.MemoryDc, (std::string(folder) + name).c_str());
}

double mapSeconds = 0;  // one whole-map picture

void BM_PaintWholeMap(benchmark::State& state) {
  const double seconds = PaintSeconds(state, &Scene::picture);
  if (seconds < 0) return;
  mapSeconds = seconds / double(state.iterations());
  state.counters["objects/s"] = benchmark::Counter(double(kObjects) / mapSeconds);
  static bool written = false;
  if (!written) {
    written = true;
    WritePicture("bench_mappaint.png");
  }
}
BENCHMARK(BM_PaintWholeMap)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same picture painted by a host onto a device context over a bitmap
// of its own (mapPaint95 of the whole picture onto a 1920 x 1080 bitmap
// context), with its cost over the whole map in the memory image
// (bitmap/map) and the cost of one copy of the memory image to the bitmap
// over the same (copy/map): the bitmap gets one copy at the end, not one
// every 256 primitives, so bitmap/map stays near 1 + copy/map.
void BM_PaintWholeMapOntoABitmap(benchmark::State& state) {
  Scene* s = TheScene();
  HDC bitmap = plat::CreateBitmapDc(kWidth, kHeight, true);
  if (s == nullptr || GetPaintDc() == nullptr || bitmap == nullptr) {
    state.SkipWithError("no scene");
    plat::DeleteBitmapDc(bitmap);
    return;
  }
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    s->doc->Paint95(bitmap, 1, s->picture);
    seconds += Seconds(start);
  }
  const double bitmapSeconds = seconds / double(state.iterations());
  // One copy of the memory image, as the paint ends with.
  constexpr int kCopies = 20;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kCopies; ++i)
    plat::BitBlt(bitmap, 0, 0, kWidth, kHeight, PaintContext.MemoryDc, 0, PaintContext.TopMargin,
                 SRCCOPY);
  const double copySeconds = Seconds(start) / kCopies;
  plat::DeleteBitmapDc(bitmap);
  state.counters["objects/s"] = benchmark::Counter(double(kObjects) / bitmapSeconds);
  state.counters["copy ms"] = benchmark::Counter(copySeconds * 1000);
  if (mapSeconds > 0) {
    state.counters["bitmap/map"] = benchmark::Counter(bitmapSeconds / mapSeconds);
    state.counters["copy/map"] = benchmark::Counter(copySeconds / mapSeconds);
  }
}
BENCHMARK(BM_PaintWholeMapOntoABitmap)->Unit(benchmark::kMillisecond)->UseRealTime();

// The walk of every descriptor, the sheet having no index of its frames
// (a small window of a sheet that has one costs what the window holds).
void BM_CullWholeSheet(benchmark::State& state) {
  const LONG minObjects = TSheetFrameIndex::MinObjects();
  TSheetFrameIndex::SetMinObjects(kObjects + 1);
  const double seconds = PaintSeconds(state, &Scene::empty);
  TSheetFrameIndex::SetMinObjects(minObjects);
  if (seconds < 0) return;
  state.counters["descriptors/s"] = benchmark::Counter(double(kObjects) * state.iterations() / seconds);
}
BENCHMARK(BM_CullWholeSheet)->Unit(benchmark::kMillisecond)->UseRealTime();

double deviceSeconds = 0;  // one whole-map picture through the device painters

// The same picture in the objects' own colours through the device painters
// (visual type 3) onto the memory image's context, a display: the painters
// a select in one colour uses.
void BM_PaintWholeMapOnTheDevice(benchmark::State& state) {
  Scene* s = TheScene();
  if (s == nullptr || GetPaintDc() == nullptr) {
    state.SkipWithError("no scene");
    return;
  }
  const int type = s->doc->SetVisualType(3);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    s->doc->TMapPaint::Paint(PaintContext.MemoryDc, 1, s->picture);
    seconds += Seconds(start);
  }
  s->doc->SetVisualType(type);
  deviceSeconds = seconds / double(state.iterations());
  state.counters["objects/s"] = benchmark::Counter(double(kObjects) / deviceSeconds);
}
BENCHMARK(BM_PaintWholeMapOnTheDevice)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole sheet as a select in one colour onto the memory image's
// context (lines and areas as lines of the select thickness, wider than
// 2.5 pixels on this display, signs with their image), per picture, with
// its cost over the whole map's in the memory image (select/map) and
// through the device painters (select/device). The picture is written to
// <temp>/bench_mappaint_select.png.
void BM_PaintSelectInOneColour(benchmark::State& state) {
  Scene* s = TheScene();
  if (s == nullptr || GetPaintDc() == nullptr) {
    state.SkipWithError("no scene");
    return;
  }
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    s->doc->PaintSelect(PaintContext.MemoryDc, s->picture, nullptr, 0xFF00FF, 0);
    seconds += Seconds(start);
  }
  const double selectSeconds = seconds / double(state.iterations());
  state.counters["objects/s"] = benchmark::Counter(double(kObjects) / selectSeconds);
  if (mapSeconds > 0) state.counters["select/map"] = benchmark::Counter(selectSeconds / mapSeconds);
  if (deviceSeconds > 0)
    state.counters["select/device"] = benchmark::Counter(selectSeconds / deviceSeconds);
  WritePicture("bench_mappaint_select.png");
}
BENCHMARK(BM_PaintSelectInOneColour)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CairoSamePicture(benchmark::State& state) {
  Scene* s = TheScene();
  if (s == nullptr) {
    state.SkipWithError("no scene");
    return;
  }
  const double left = s->picture.left, top = s->picture.top;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_set_line_width(cr, 1.0);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.0, 0.31, 0.63);
    for (const auto& l : s->shapes.lines) {
      cairo_move_to(cr, l[0].X - left, l[0].Y - top);
      for (size_t k = 1; k < l.size(); ++k) cairo_line_to(cr, l[k].X - left, l[k].Y - top);
      cairo_stroke(cr);
    }
    cairo_set_source_rgb(cr, 0.25, 0.69, 0.25);
    for (const auto& a : s->shapes.areas) {
      cairo_move_to(cr, a[0].X - left, a[0].Y - top);
      for (size_t k = 1; k < a.size(); ++k) cairo_line_to(cr, a[k].X - left, a[k].Y - top);
      cairo_close_path(cr);
      cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (const auto& p : s->shapes.signs) {
      cairo_arc(cr, p.X - left, p.Y - top, 4.0, 0, 6.283185307179586);
      cairo_fill(cr);
    }
    cairo_surface_flush(surface);
    seconds += Seconds(start);
  }
  const double cairoSeconds = seconds / double(state.iterations());
  state.counters["objects/s"] = benchmark::Counter(double(kObjects) / cairoSeconds);
  if (mapSeconds > 0) state.counters["map/cairo"] = benchmark::Counter(mapSeconds / cairoSeconds);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_CairoSamePicture)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
