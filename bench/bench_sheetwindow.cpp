// Work on a small place of a large sheet, at two sheet sizes: 100,000 and
// 1,000,000 objects of one sheet at the same density (a 300 m square
// holds about 50 of them), so that the work asked stays the same and only
// the sheet grows. The objects are 40 % points, 35 % lines of 2 to 200
// points and 25 % areas of 6 to 50 points, each with three
// characteristics, appended in no order of place: the objects of one place
// lie scattered through the files.
//
// - BM_Cull: a picture of 64 x 64 pixels over a strip of the sheet that no
//   object reaches: every descriptor is looked at, nothing is drawn.
// - BM_SelectByFrame: the objects of a 300 m square (area relation 1), as
//   a host finds them: the area set on a select context without a search,
//   and the objects sought one after another (first, then next); and the
//   same with the area search filling the sample first.
// - BM_PaintWindow: a 1000 x 1000 picture of a square holding 1 % of the
//   sheet's objects; BM_PaintSheet: the whole sheet in 1000 x 1000.
// - BM_WhatObject: a click of 5 x 5 pixels in the strip (a miss) and on an
//   object of the square (a hit), at the zoom of the window picture; and
//   the first click on the sheet as opened, which makes the index of the
//   sheet's frames (a miss).
// - BM_MemoryAfterPaint: the anonymous memory of the process after the
//   whole sheet was painted, over what it was before the first paint, per
//   object of the sheet (counter "bytes_per_object").
//
// After the runs the program prints each figure at 1,000,000 objects over
// its figure at 100,000, the select over the cull of its sheet, and the
// window picture over the whole sheet's. Building the 1,000,000-object
// sheet takes about half a minute; pick one size with --benchmark_filter
// (e.g. '/100000$').
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_peer.h"
#include "bench/bench_support.h"
#include "common/messages.h"
#include "drawing/paintcontext.h"
#include "platform/gdi/gdi_test.h"
#include "search/docseek.h"
#include "search/whatobject.h"
#include "selection/mapselect.h"
#include "tests/support/process_memory.h"

namespace {

constexpr int kSizes[] = {100000, 1000000};
constexpr double kDensity = 50.0 / (300.0 * 300.0);  // objects per square metre
constexpr double kSheetX = 6000000, kSheetY = 7400000;
constexpr int kPicture = 1000;  // pixels of the window and sheet pictures
constexpr double kSquare = 300;  // the select's square, metres

struct Scene {
  explicit Scene(int n) : objects(n), folder("bench_sheetwindow_" + std::to_string(n)) {}
  // The document goes before its folder.
  ~Scene() {
    if (doc != nullptr) FreeDocument(doc);
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  int objects;
  benchsupport::ScratchFolder folder;
  TMapAccess* doc = nullptr;
  double side = 0;         // metres: the objects lie in [0, side) x [0, side) from the corner
  double windowZoom = 0, sheetZoom = 0;
  DFRAME window{}, strip{}, square{}, sheet{};  // plane metres
  DOUBLEPOINT hit{};       // a point on an object of the square (plane metres)
};

// A metric record of one f32 contour through plane points, in the units of
// the document's sheet 1.
std::vector<char> PlaneMetric(TMapAccess* doc, const std::vector<DOUBLEPOINT>& points) {
  const DOUBLEPOINT* view = doc->ViewPosition(1);
  std::vector<std::pair<float, float>> sheet;
  sheet.reserve(points.size());
  for (const DOUBLEPOINT& p : points)
    sheet.push_back({float((p.X - doc->X0) / doc->Factor - view->X),
                     float((p.Y - doc->Y0) / doc->Factor - view->Y)});
  return benchsupport::F32Metric(sheet);
}

// Three 4-byte characteristics, codes 9 to 11.
std::vector<char> Semantics(int seed) {
  std::vector<char> b(4 + 3 * 8, 0);
  const WORD head[2] = {0x7FFF, WORD(b.size())};
  std::memcpy(b.data(), head, 4);
  for (int v = 0; v < 3; ++v) {
    char* at = b.data() + 4 + v * 8;
    const WORD code = WORD(9 + v);
    const int32_t value = seed * 3 + v;
    std::memcpy(at, &code, 2);
    at[2] = 4;
    at[3] = 4;
    std::memcpy(at + 4, &value, 4);
  }
  return b;
}

// Says which step of building a scene failed; null.
Scene* Failed(const char* step) {
  std::fprintf(stderr, "cannot build the sheet: %s\n", step);
  return nullptr;
}

Scene* MakeScene(int n) {
  MessageEnableSet(0);
  plat::SetWriteThroughEnabled(false);
  auto s = std::make_unique<Scene>(n);
  s->side = std::sqrt(n / kDensity);
  // A strip of a tenth of the side east of the objects belongs to the
  // sheet too: the culled picture lies there.
  const double sheetY = s->side * 1.1;
  int codes[3];
  const std::string rsc = s->folder.path() + "bench.rsc";
  if (!benchsupport::CreateLineAreaPointClassifier(rsc, codes)) return Failed("classifier");
  const std::string path = s->folder.path() + "bench.map";
  TMapAccess* doc =
      benchsupport::CreateSheetDocument(path, rsc, kSheetX, kSheetY, s->side, sheetY);
  s->doc = doc;
  if (doc == nullptr || !doc->OpenList(1)) return Failed("map");
  doc->WorkMode(0);  // one writer: no journal, no lock per object

  std::mt19937 rng(85);
  std::uniform_real_distribution<double> place(0.0, 1.0), unit(0.0, 1.0);
  const double cx = kSheetX + s->side / 2, cy = kSheetY + s->side / 2;
  double nearest = 1e300;
  for (int i = 0; i < n; ++i) {
    const double kind = unit(rng);
    const double x = kSheetX + place(rng) * (s->side - 200) + 100;
    const double y = kSheetY + place(rng) * (s->side - 200) + 100;
    std::vector<DOUBLEPOINT> points{{x, y}};
    FVSPR d{};
    if (kind < 0.40) {
      d.Local = LOCAL_POINT, d.Code = WORD(codes[2]);
    } else if (kind < 0.75) {
      d.Local = LOCAL_LINE, d.Code = WORD(codes[0]);
      const int count = 2 + int(rng() % 199);
      double heading = unit(rng) * 6.283185307179586;
      for (int k = 1; k < count; ++k) {
        heading += (unit(rng) - 0.5) * 0.8;
        const double step = 2 + unit(rng) * 4;
        points.push_back({points.back().X + step * std::cos(heading),
                          points.back().Y + step * std::sin(heading)});
      }
    } else {
      d.Local = LOCAL_SQUARE, d.Code = WORD(codes[1]);
      const int count = 6 + int(rng() % 45);
      const double radius = 10 + unit(rng) * 30;
      points.clear();
      for (int k = 0; k < count - 1; ++k) {
        const double a = 6.283185307179586 * k / (count - 1);
        const double r = radius * (0.7 + 0.3 * unit(rng));
        points.push_back({x + r * std::cos(a), y + r * std::sin(a)});
      }
      points.push_back(points.front());
    }
    std::vector<char> metric = PlaneMetric(doc, points);
    std::vector<char> semn = Semantics(i);
    const int number = doc->AppendObject(&d, reinterpret_cast<LONGMETRIC*>(metric.data()),
                                         reinterpret_cast<SEMANTIC*>(semn.data()), nullptr);
    if (number == 0) return Failed("append");
    // The point object nearest the centre: the click's hit.
    const double away = std::hypot(x - cx, y - cy);
    if (d.Local == LOCAL_POINT && away < nearest) nearest = away, s->hit = {x, y};
  }
  // Opened again, as a host finds it: the caches sized for what it holds.
  FreeDocument(doc);
  s->doc = doc = NewDocument();
  if (doc == nullptr || !doc->OpenData(path.c_str(), 0) || !doc->OpenList(1)) return Failed("reopen");
  doc->SetBackGround(0xFFFFFF);

  const double w = s->side * 0.1;  // a hundredth of the sheet's area
  s->window = DFRAME{cx - w / 2, cy - w / 2, cx + w / 2, cy + w / 2};
  s->sheet = DFRAME{kSheetX, kSheetY, kSheetX + s->side, kSheetY + sheetY};
  s->square = DFRAME{cx - kSquare / 2, cy - kSquare / 2, cx + kSquare / 2, cy + kSquare / 2};
  const double east = kSheetY + s->side + 0.05 * s->side;
  s->strip = DFRAME{cx - 100, east - 100, cx + 100, east + 100};
  // The zooms at which the window and the sheet are a picture high.
  auto rows = [&](double metres) {
    double x1 = kSheetX, y1 = kSheetY, x2 = kSheetX + metres, y2 = kSheetY;
    doc->PlaneToPicture(x1, y1);
    doc->PlaneToPicture(x2, y2);
    return std::fabs(y1 - y2);
  };
  doc->SetViewScale(1.0);
  s->windowZoom = kPicture / rows(w);
  s->sheetZoom = kPicture / rows(s->side);
  return s.release();
}

// The scenes made, by size; emptied at the end, which removes their files.
std::map<int, std::unique_ptr<Scene>>& Scenes() {
  static std::map<int, std::unique_ptr<Scene>> scenes;
  return scenes;
}

Scene* TheScene(int n) {
  auto it = Scenes().find(n);
  if (it == Scenes().end()) it = Scenes().emplace(n, std::unique_ptr<Scene>(MakeScene(n))).first;
  return it->second.get();
}

// The picture rectangle of a frame in plane metres at the current zoom.
RECT PictureOf(TMapAccess* doc, const DFRAME& f) {
  double x1 = f.X1, y1 = f.Y1, x2 = f.X2, y2 = f.Y2;
  doc->PlaneToPicture(x1, y1);  // x1 becomes the column, y1 the row
  doc->PlaneToPicture(x2, y2);
  return RECT{LONG(std::lround(std::min(x1, x2))), LONG(std::lround(std::min(y1, y2))),
              LONG(std::lround(std::max(x1, x2))), LONG(std::lround(std::max(y1, y2)))};
}

// Figures by name and size, for the ratios printed at the end.
std::map<std::string, std::map<int, double>>& Figures() {
  static std::map<std::string, std::map<int, double>> figures;
  return figures;
}

Scene* Start(benchmark::State& state) {
  Scene* s = TheScene(int(state.range(0)));
  if (s == nullptr || GetPaintDc() == nullptr) state.SkipWithError("no scene");
  return s;
}

// Paints the scene's `frame` at its `zoom` once per iteration, the
// milliseconds of a picture kept as the figure `name`; the scene, or null
// (the benchmark skipped).
Scene* TimePicture(benchmark::State& state, DFRAME Scene::*frame, double Scene::*zoom,
                   const char* name) {
  Scene* s = Start(state);
  if (s == nullptr) return nullptr;
  s->doc->SetViewScale(s->*zoom);
  const RECT rect = PictureOf(s->doc, s->*frame);
  const double ms =
      benchsupport::SecondsPerIteration(state, [&] { s->doc->PaintDib(nullptr, 1, rect); }) * 1e3;
  state.counters["ms"] = ms;
  Figures()[name][s->objects] = ms;
  return s;
}

void BM_Cull(benchmark::State& state) {
  TimePicture(state, &Scene::strip, &Scene::windowZoom, "cull");
}

// The objects of the square: with `search` the area search fills the
// sample first; without, each object is sought and tested in turn.
void SelectByFrame(benchmark::State& state, bool search) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  TMapAccess* doc = s->doc;
  TObjectInfo area;
  if (!area.CreateObject(int(METRIC_F64), 0)) return state.SkipWithError("no area");
  const DFRAME& q = s->square;
  for (const DOUBLEPOINT& p : {DOUBLEPOINT{q.X1, q.Y1}, DOUBLEPOINT{q.X1, q.Y2},
                               DOUBLEPOINT{q.X2, q.Y2}, DOUBLEPOINT{q.X2, q.Y1},
                               DOUBLEPOINT{q.X1, q.Y1}})
    area.Metric.AppendPointSubject(0, p.X, p.Y);
  TMapSelect select(doc);
  select.ProgressWindow = reinterpret_cast<HWND>(intptr_t(-1));
  int found = 0;
  const double seconds = benchsupport::SecondsPerIteration(state, [&] {
    select.AreaSet(0.0, &area, 0, 1, search ? 1 : 0, nullptr);
    TObjectInfo info;
    found = 0;
    for (TObjectInfo* o = doc->SeekObject(&info, &select, SEEK_FIRST); o != nullptr;
         o = doc->SeekObject(&info, &select, SEEK_NEXT))
      ++found;
  });
  state.counters["ms"] = seconds * 1e3;
  state.counters["found"] = found;
  Figures()[search ? "select, area search" : "select, sought"][s->objects] = seconds * 1e3;
}

void BM_SelectByFrame(benchmark::State& state) { SelectByFrame(state, false); }
void BM_SelectByFrameSearched(benchmark::State& state) { SelectByFrame(state, true); }

void BM_PaintWindow(benchmark::State& state) {
  Scene* s = TimePicture(state, &Scene::window, &Scene::windowZoom, "window picture");
  if (s == nullptr) return;
  char folder[MAX_PATH];
  plat::GetTempPathA(sizeof folder, folder);
  plat::gdi::WritePng(PaintContext.MemoryDc,
                      (std::string(folder) + "bench_sheetwindow_" +
                       std::to_string(s->objects) + ".png").c_str());
}

void BM_PaintSheet(benchmark::State& state) {
  TimePicture(state, &Scene::sheet, &Scene::sheetZoom, "sheet picture");
}

// A click of 5 x 5 pixels round a plane point at the window's zoom: the
// object found (0 none).
int Click(Scene* s, const DOUBLEPOINT& at) {
  double x = at.X, y = at.Y;
  s->doc->PlaneToPicture(x, y);
  DFRAME frame{x - 2, y - 2, x + 2, y + 2};
  TObjectInfo info;
  return TObjectHit(s->doc).WhatObject(&info, &frame, SEEK_FIRST, SEEKPOINT_PICTURE) != nullptr
             ? info.ObjectNumber()
             : 0;
}

// Clicks on the object near the centre (hit) or in the strip (miss); with
// `first`, each click is the first one on the sheet as opened, which makes
// the index of the sheet's frames.
void WhatObject(benchmark::State& state, bool hit, bool first = false) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  s->doc->SetViewScale(s->windowZoom);
  const DOUBLEPOINT at = hit ? s->hit
                             : DOUBLEPOINT{(s->strip.X1 + s->strip.X2) / 2,
                                           (s->strip.Y1 + s->strip.Y2) / 2};
  int found = 0;
  const double seconds = benchsupport::SecondsPerIteration(state, [&] {
    if (first) s->doc->List.FrameIndex.Forget();
    found = Click(s, at);
  });
  if ((found != 0) != hit) return state.SkipWithError("wrong answer");
  state.counters["ms_per_click"] = seconds * 1e3;
  state.counters["object"] = found;
  state.counters["index_bytes_per_object"] =
      double(s->doc->List.FrameIndex.Bytes()) / double(s->objects);
  Figures()[first ? "click, first on the sheet" : hit ? "click, hit" : "click, miss"]
           [s->objects] = seconds * 1e3;
}

void BM_WhatObjectMiss(benchmark::State& state) { WhatObject(state, false); }
void BM_WhatObjectHit(benchmark::State& state) { WhatObject(state, true); }
void BM_WhatObjectFirstClick(benchmark::State& state) { WhatObject(state, false, true); }

void BM_MemoryAfterPaint(benchmark::State& state) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  // A fresh document over the same map: nothing painted or sought yet.
  char path[MAX_PATH];
  std::strcpy(path, (s->folder.path() + "bench.map").c_str());
  TMapAccess* doc = NewDocument();
  if (doc == nullptr || !doc->OpenData(path, 0)) return state.SkipWithError("cannot open");
  doc->SetBackGround(0xFFFFFF);
  doc->SetViewScale(s->sheetZoom);
  const RECT rect = PictureOf(doc, s->sheet);
  // The memory image made and the sheet open, with its caches.
  doc->PaintDib(nullptr, 1, RECT{0, 0, 1, 1});
  if (!doc->OpenList(1)) return state.SkipWithError("cannot open the sheet");
  const double before = testsupport::AnonymousBytes();
  for (auto _ : state) doc->PaintDib(nullptr, 1, rect);
  const double grown = testsupport::AnonymousBytes() - before;
  FreeDocument(doc);
  state.counters["bytes_per_object"] = grown / s->objects;
  Figures()["memory after painting, bytes per object"][s->objects] = grown / s->objects;
}

void Register() {
  const std::pair<const char*, void (*)(benchmark::State&)> timed[] = {
      {"BM_Cull", BM_Cull},
      {"BM_SelectByFrame", BM_SelectByFrame},
      {"BM_SelectByFrameSearched", BM_SelectByFrameSearched},
      {"BM_PaintWindow", BM_PaintWindow},
      {"BM_PaintSheet", BM_PaintSheet},
      {"BM_WhatObjectMiss", BM_WhatObjectMiss},
      {"BM_WhatObjectHit", BM_WhatObjectHit},
      {"BM_WhatObjectFirstClick", BM_WhatObjectFirstClick},
  };
  for (int n : kSizes) {
    for (const auto& [name, run] : timed)
      benchmark::RegisterBenchmark(name, run)->Arg(n)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_MemoryAfterPaint", BM_MemoryAfterPaint)
        ->Arg(n)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
}

void PrintRatios() {
  auto& f = Figures();
  const int small = kSizes[0], large = kSizes[1];
  std::printf("\n%-44s %12s %12s %8s\n", "figure (ms, or as named)", "100,000", "1,000,000",
              "ratio");
  for (const auto& [name, by] : f) {
    auto a = by.find(small), b = by.find(large);
    if (a == by.end() || b == by.end()) continue;
    std::printf("%-44s %12.3f %12.3f %8.2f\n", name.c_str(), a->second, b->second,
                a->second != 0 ? b->second / a->second : 0.0);
  }
  for (int n : kSizes) {
    auto cull = f["cull"].find(n);
    if (cull == f["cull"].end() || cull->second <= 0) continue;
    for (const char* what : {"select, sought", "select, area search", "click, miss"}) {
      auto it = f[what].find(n);
      if (it != f[what].end())
        std::printf("%s over the cull at %d objects: %.2f\n", what, n, it->second / cull->second);
    }
    auto window = f["window picture"].find(n), sheet = f["sheet picture"].find(n);
    if (window != f["window picture"].end() && sheet != f["sheet picture"].end())
      std::printf("window picture over the sheet picture at %d objects: %.2f\n", n,
                  window->second / sheet->second);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintRatios();
  Scenes().clear();
  return 0;
}
