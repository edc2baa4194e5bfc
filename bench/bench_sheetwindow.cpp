// Work on a small place of a large map, on maps of several sizes at the
// same density (a 300 m square holds about 50 objects), so that the work
// asked stays the same and only the map grows: one sheet of 100,000 and
// of 1,000,000 objects, 16 sheets (4 x 4) of 1,000,000 objects together,
// and 4 sheets (2 x 2) of 400,000 and of 6,400,000 objects together. The
// objects are 40 % points, 35 % lines of 2 to 200 points and 25 % areas of
// 6 to 50 points, each with three characteristics, appended in no order of
// place (each to the sheet its first point lies on, lines reaching past
// it): the objects of one place lie scattered through the files.
//
// On one sheet (/100000, /1000000):
// - BM_Cull: a picture of the empty fifth along the sheet's east side at
//   the zoom of the whole sheet, on a document that has made no index of
//   the sheet's frames: every descriptor is looked at, nothing is drawn
//   (the whole-sheet cull).
// - BM_SelectByFrame: the objects of a 300 m square (area relation 1), as
//   a host finds them: the area set on a select context without a search,
//   and the objects sought one after another (first, then next); and the
//   same with the area search filling the sample first.
// - BM_PaintWindow: a 1000 x 1000 picture of a square holding 1 % of the
//   sheet's objects; BM_PaintSheet: the whole sheet in 1000 x 1000.
// - BM_WhatObject: a click of 5 x 5 pixels in the strip (a miss) and on an
//   object near the centre (a hit), at the zoom of the window picture; and
//   the first click on the sheet of a map just opened, which makes the
//   index of the sheet's frames (a miss).
// - BM_MemoryAfterPaint: the anonymous memory of the process after the
//   whole sheet was painted and clicked on, over what it was before the
//   first paint, per object of the sheet, and the bytes the index of the
//   sheet's frames holds per object.
// - Beside them, in the same run, SQLite with an R*Tree over the frames of
//   the same objects' points (in plane metres, built once apart from the
//   timing): the 300 m square's query and the click's, each row read.
//   SQLite is only a point of comparison.
// On 16 sheets (/16x1000000): BM_SelectAllSheets, the 300 m select of a
// square inside one sheet with every sheet on, against BM_SelectOneSheet,
// the same with only that sheet on.
// On 4 sheets (/4x400000, /4x6400000): BM_PaintView, a fixed view of 3 km
// by 5.3 km painted at 1920 x 1080 over the corner the four sheets share;
// BM_ClickAfterRepaint, a click on an object near that corner after each
// repaint of the view (only the click timed).
//
// After the runs the program prints each goal's ratio, and fails (exit
// status 1) when a goal of a map it ran is missed. Building the large
// maps takes a minute or more; pick some with --benchmark_filter (e.g.
// '/100000$').
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
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

constexpr double kDensity = 50.0 / (300.0 * 300.0);  // objects per square metre
constexpr double kSheetX = 6000000, kSheetY = 7400000;
constexpr int kPicture = 1000;  // pixels of the window and sheet pictures
constexpr double kSquare = 300;  // the select's square, metres
constexpr int kViewWidth = 1920, kViewHeight = 1080;
constexpr double kViewMetres = 3000;  // the view's height, north to south

// A map: its object count and its sheets on a side.
struct Shape {
  int objects;
  int grid;
  bool operator<(const Shape& o) const {
    return objects != o.objects ? objects < o.objects : grid < o.grid;
  }
};
constexpr int kOneSheet[] = {100000, 1000000};
constexpr Shape kSixteen{1000000, 4};
constexpr Shape kFourSmall{400000, 2}, kFourLarge{6400000, 2};

// The frame of an object's points in plane metres.
struct Box {
  double x1, y1, x2, y2;
};

struct Scene {
  Scene(Shape shape)
      : objects(shape.objects),
        grid(shape.grid),
        folder("bench_sheetwindow_" + std::to_string(shape.grid) + "_" +
               std::to_string(shape.objects)) {}
  // The document and the peer go before their folder.
  ~Scene() {
    if (doc != nullptr) FreeDocument(doc);
    if (cullDoc != nullptr) FreeDocument(cullDoc);
    if (db != nullptr) sqlite3_close(db);
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  int objects, grid;
  benchsupport::ScratchFolder folder;
  std::string path;
  TMapAccess* doc = nullptr;
  // The same map opened apart, only painted over the strip: the walk of
  // every descriptor, no index made.
  TMapAccess* cullDoc = nullptr;
  double side = 0;  // metres: the objects lie in [0, side) x [0, side) from the corner
  double windowZoom = 0, sheetZoom = 0, viewZoom = 0;
  DFRAME window{}, strip{}, square{}, sheet{}, view{};  // plane metres
  int squareSheet = 0;  // the sheet holding the square
  DOUBLEPOINT hit{};    // a point object near the centre (plane metres)
  // One sheet: the frames of the objects' points by number, and SQLite's
  // R*Tree over them.
  std::vector<Box> boxes;
  sqlite3* db = nullptr;
  sqlite3_stmt* query = nullptr;
};

// Sheet `n` (from 1) of a grid of sheets `side` metres wide from the
// corner, its files S<n>.*; a map of one sheet reaches a fifth further
// east, where no object lies.
LISTREGISTER GridSheet(int n, int grid, double side) {
  LISTREGISTER r{};
  std::snprintf(r.FileName, sizeof(r.FileName), "S%d", n);
  std::snprintf(r.Nomenclature, sizeof(r.Nomenclature), "GRID-%d", n);
  const double x = kSheetX + ((n - 1) / grid) * side, y = kSheetY + ((n - 1) % grid) * side;
  const double east = grid == 1 ? side * 1.2 : side;
  r.XSouthWest = x, r.YSouthWest = y;
  r.XNorthWest = x + side, r.YNorthWest = y;
  r.XNorthEast = x + side, r.YNorthEast = y + east;
  r.XSouthEast = x, r.YSouthEast = y + east;
  return r;
}

// A metric record of one f32 contour through plane points, in the units
// of the document's sheet n.
std::vector<char> PlaneMetric(TMapAccess* doc, int n, const std::vector<DOUBLEPOINT>& points) {
  const DOUBLEPOINT* view = doc->ViewPosition(n);
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
  std::fprintf(stderr, "cannot build the map: %s\n", step);
  return nullptr;
}

// SQLite's R*Tree over the scene's boxes, in memory; false on failure.
bool MakePeer(Scene* s) {
  if (sqlite3_open(":memory:", &s->db) != SQLITE_OK ||
      sqlite3_exec(s->db, "CREATE VIRTUAL TABLE frames USING rtree(id, x1, x2, y1, y2)", nullptr,
                   nullptr, nullptr) != SQLITE_OK ||
      sqlite3_exec(s->db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
    return false;
  sqlite3_stmt* insert = nullptr;
  if (sqlite3_prepare_v2(s->db, "INSERT INTO frames VALUES(?,?,?,?,?)", -1, &insert, nullptr) !=
      SQLITE_OK)
    return false;
  bool ok = true;
  for (size_t n = 1; n < s->boxes.size() && ok; ++n) {
    const Box& b = s->boxes[n];
    sqlite3_bind_int64(insert, 1, sqlite3_int64(n));
    sqlite3_bind_double(insert, 2, b.x1);
    sqlite3_bind_double(insert, 3, b.x2);
    sqlite3_bind_double(insert, 4, b.y1);
    sqlite3_bind_double(insert, 5, b.y2);
    ok = sqlite3_step(insert) == SQLITE_DONE;
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  return ok && sqlite3_exec(s->db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK &&
         sqlite3_prepare_v2(s->db,
                            "SELECT id FROM frames WHERE x1 <= ?2 AND x2 >= ?1 AND y1 <= ?4 AND "
                            "y2 >= ?3",
                            -1, &s->query, nullptr) == SQLITE_OK;
}

// The ids whose frames meet `f` (plane metres), read row by row: their
// count, and the least of them into `first`.
int PeerQuery(Scene* s, const DFRAME& f, sqlite3_int64* first) {
  sqlite3_bind_double(s->query, 1, f.X1);
  sqlite3_bind_double(s->query, 2, f.X2);
  sqlite3_bind_double(s->query, 3, f.Y1);
  sqlite3_bind_double(s->query, 4, f.Y2);
  int rows = 0;
  *first = 0;
  while (sqlite3_step(s->query) == SQLITE_ROW) {
    const sqlite3_int64 id = sqlite3_column_int64(s->query, 0);
    if (rows++ == 0 || id < *first) *first = id;
  }
  sqlite3_reset(s->query);
  return rows;
}

Scene* MakeScene(Shape shape) {
  MessageEnableSet(0);
  plat::SetWriteThroughEnabled(false);
  auto s = std::make_unique<Scene>(shape);
  const int n = shape.objects, grid = shape.grid;
  s->side = std::sqrt(n / kDensity);
  const double sheetSide = s->side / grid;
  int codes[3];
  const std::string rsc = s->folder.path() + "bench.rsc";
  if (!benchsupport::CreateLineAreaPointClassifier(rsc, codes)) return Failed("classifier");
  s->path = s->folder.path() + "bench.map";
  const LISTREGISTER first = GridSheet(1, grid, sheetSide);
  TMapAccess* doc = benchsupport::CreateSheetDocument(
      s->path, rsc, first.XSouthWest, first.YSouthWest, sheetSide, first.YNorthEast - first.YSouthWest);
  s->doc = doc;
  if (doc == nullptr) return Failed("map");
  for (int k = 2; k <= grid * grid; ++k) {
    LISTREGISTER r = GridSheet(k, grid, sheetSide);
    if (doc->CreateList(&r, 1) != 1) return Failed("sheet");
  }
  if (!doc->OpenList(1)) return Failed("sheet");
  doc->WorkMode(0);  // one writer: no journal, no lock per object

  std::mt19937 rng(85);
  std::uniform_real_distribution<double> place(0.0, 1.0), unit(0.0, 1.0);
  // The point object nearest a place just north-east of the centre: the
  // click's hit (on a grid, inside one sheet).
  const DOUBLEPOINT target{kSheetX + s->side / 2 + 300, kSheetY + s->side / 2 + 300};
  double nearest = 1e300;
  if (grid == 1) s->boxes.resize(size_t(n) + 1);
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
    // The sheet the first point lies on.
    const int row = std::min(grid - 1, int((points[0].X - kSheetX) / sheetSide));
    const int column = std::min(grid - 1, int((points[0].Y - kSheetY) / sheetSide));
    const int sheet = row * grid + column + 1;
    if (doc->List.Number() != sheet && !doc->OpenList(sheet)) return Failed("sheet");
    std::vector<char> metric = PlaneMetric(doc, sheet, points);
    std::vector<char> semn = Semantics(i);
    const int number = doc->AppendObject(&d, reinterpret_cast<LONGMETRIC*>(metric.data()),
                                         reinterpret_cast<SEMANTIC*>(semn.data()), nullptr);
    if (number == 0) return Failed("append");
    if (grid == 1) {
      Box& b = s->boxes[size_t(number)];
      b = Box{points[0].X, points[0].Y, points[0].X, points[0].Y};
      for (const DOUBLEPOINT& p : points) {
        b.x1 = std::min(b.x1, p.X), b.y1 = std::min(b.y1, p.Y);
        b.x2 = std::max(b.x2, p.X), b.y2 = std::max(b.y2, p.Y);
      }
    }
    const double away = std::hypot(x - target.X, y - target.Y);
    if (d.Local == LOCAL_POINT && away < nearest) nearest = away, s->hit = {x, y};
  }
  // Opened again, as a host finds it: the caches sized for what it holds.
  FreeDocument(doc);
  s->doc = doc = NewDocument();
  if (doc == nullptr || !doc->OpenData(s->path.c_str(), 0) || !doc->OpenList(1))
    return Failed("reopen");
  doc->SetBackGround(0xFFFFFF);
  if (grid == 1 && !MakePeer(s.get())) return Failed("SQLite");
  s->cullDoc = NewDocument();
  if (s->cullDoc == nullptr || !s->cullDoc->OpenData(s->path.c_str(), 0)) return Failed("reopen");
  s->cullDoc->SetBackGround(0xFFFFFF);

  const double cx = kSheetX + s->side / 2, cy = kSheetY + s->side / 2;
  const double w = s->side * 0.1;  // a hundredth of the map's area
  s->window = DFRAME{cx - w / 2, cy - w / 2, cx + w / 2, cy + w / 2};
  s->sheet = DFRAME{kSheetX, kSheetY, kSheetX + s->side, kSheetY + s->side * 1.2};
  // The square inside the sheet north-east of the centre.
  const double sx = cx + sheetSide / 4, sy = cy + sheetSide / 4;
  s->square = DFRAME{sx - kSquare / 2, sy - kSquare / 2, sx + kSquare / 2, sy + kSquare / 2};
  s->squareSheet = std::min(grid - 1, int((sx - kSheetX) / sheetSide)) * grid +
                   std::min(grid - 1, int((sy - kSheetY) / sheetSide)) + 1;
  s->strip = DFRAME{kSheetX, kSheetY + s->side * 1.05, kSheetX + s->side, kSheetY + s->side * 1.2};
  const double viewWide = kViewMetres * kViewWidth / kViewHeight;
  s->view = DFRAME{cx - kViewMetres / 2, cy - viewWide / 2, cx + kViewMetres / 2, cy + viewWide / 2};
  // The zooms at which the window, the sheet and the view are a picture
  // high.
  auto rows = [&](double metres) {
    double x1 = kSheetX, y1 = kSheetY, x2 = kSheetX + metres, y2 = kSheetY;
    doc->PlaneToPicture(x1, y1);
    doc->PlaneToPicture(x2, y2);
    return std::fabs(y1 - y2);
  };
  doc->SetViewScale(1.0);
  s->windowZoom = kPicture / rows(w);
  s->sheetZoom = kPicture / rows(s->side);
  s->viewZoom = kViewHeight / rows(kViewMetres);
  return s.release();
}

// The scenes made, by shape; emptied at the end, which removes their files.
std::map<Shape, std::unique_ptr<Scene>>& Scenes() {
  static std::map<Shape, std::unique_ptr<Scene>> scenes;
  return scenes;
}

Scene* TheScene(Shape shape) {
  auto it = Scenes().find(shape);
  if (it == Scenes().end())
    it = Scenes().emplace(shape, std::unique_ptr<Scene>(MakeScene(shape))).first;
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

// Figures by name and map, for the ratios printed at the end.
std::map<std::string, std::map<Shape, double>>& Figures() {
  static std::map<std::string, std::map<Shape, double>> figures;
  return figures;
}

Shape ShapeOf(benchmark::State& state) { return Shape{int(state.range(0)), int(state.range(1))}; }

Scene* Start(benchmark::State& state) {
  Scene* s = TheScene(ShapeOf(state));
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
  // Painted once first, as a host shows a place before it pans round it:
  // what the first picture makes (an index of frames) is not timed.
  s->doc->PaintDib(nullptr, 1, rect);
  const double ms =
      benchsupport::SecondsPerIteration(state, [&] { s->doc->PaintDib(nullptr, 1, rect); }) * 1e3;
  state.counters["ms"] = ms;
  Figures()[name][ShapeOf(state)] = ms;
  return s;
}

void WritePicture(const std::string& name) {
  char folder[MAX_PATH];
  plat::GetTempPathA(sizeof folder, folder);
  plat::gdi::WritePng(PaintContext.MemoryDc, (std::string(folder) + name).c_str());
}

void BM_Cull(benchmark::State& state) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  s->cullDoc->SetViewScale(s->sheetZoom);
  const RECT rect = PictureOf(s->cullDoc, s->strip);
  const double ms =
      benchsupport::SecondsPerIteration(state, [&] { s->cullDoc->PaintDib(nullptr, 1, rect); }) *
      1e3;
  if (s->cullDoc->List.FrameIndex.Made()) return state.SkipWithError("the index answered");
  state.counters["ms"] = ms;
  Figures()["cull of the whole sheet"][ShapeOf(state)] = ms;
}

// The objects of the square on sheets `sheet` (0: all): with `search` the
// area search fills the sample first; without, each object is sought and
// tested in turn. The objects found, -1 when the area cannot be set.
int SelectSquare(Scene* s, TMapSelect& select, TObjectInfo& area, bool search, int sheet) {
  if (sheet != 0) {
    select.ClearAllSheets();
    select.SelectSheet(sheet);
    select.SetSheetSwitch(1);
  }
  if (!select.AreaSet(0.0, &area, sheet != 0 ? 1 : 0, 1, search ? 1 : 0, nullptr)) return -1;
  TObjectInfo info;
  int found = 0;
  for (TObjectInfo* o = s->doc->SeekObject(&info, &select, SEEK_FIRST); o != nullptr;
       o = s->doc->SeekObject(&info, &select, SEEK_NEXT))
    ++found;
  return found;
}

// Times the square's select, kept as the figure `name`.
void TimeSelect(benchmark::State& state, bool search, bool oneSheet, const char* name) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  TObjectInfo area;
  if (!area.CreateObject(int(METRIC_F64), 0)) return state.SkipWithError("no area");
  const DFRAME& q = s->square;
  for (const DOUBLEPOINT& p : {DOUBLEPOINT{q.X1, q.Y1}, DOUBLEPOINT{q.X1, q.Y2},
                               DOUBLEPOINT{q.X2, q.Y2}, DOUBLEPOINT{q.X2, q.Y1},
                               DOUBLEPOINT{q.X1, q.Y1}})
    area.Metric.AppendPointSubject(0, p.X, p.Y);
  TMapSelect select(s->doc);
  select.ProgressWindow = reinterpret_cast<HWND>(intptr_t(-1));
  int found = 0;
  const int sheet = oneSheet ? s->squareSheet : 0;
  const double seconds = benchsupport::SecondsPerIteration(
      state, [&] { found = SelectSquare(s, select, area, search, sheet); });
  if (found < 1) return state.SkipWithError("nothing found");
  state.counters["ms"] = seconds * 1e3;
  state.counters["found"] = found;
  Figures()[name][ShapeOf(state)] = seconds * 1e3;
}

void BM_SelectByFrame(benchmark::State& state) {
  TimeSelect(state, false, false, "select, sought");
}
void BM_SelectByFrameSearched(benchmark::State& state) {
  TimeSelect(state, true, false, "select, area search");
}
void BM_SelectAllSheets(benchmark::State& state) {
  TimeSelect(state, false, false, "select, every sheet on");
}
void BM_SelectOneSheet(benchmark::State& state) {
  TimeSelect(state, false, true, "select, its sheet alone on");
}

// SQLite's R*Tree: the rows of the square.
void BM_SqliteSelect(benchmark::State& state) {
  Scene* s = Start(state);
  if (s == nullptr || s->db == nullptr) return state.SkipWithError("no peer");
  int rows = 0;
  sqlite3_int64 first = 0;
  const double seconds = benchsupport::SecondsPerIteration(
      state, [&] { rows = PeerQuery(s, s->square, &first); });
  if (rows < 1) return state.SkipWithError("nothing found");
  state.counters["ms"] = seconds * 1e3;
  state.counters["rows"] = rows;
  Figures()["SQLite, the square's rows"][ShapeOf(state)] = seconds * 1e3;
}

void BM_PaintWindow(benchmark::State& state) {
  Scene* s = TimePicture(state, &Scene::window, &Scene::windowZoom, "window picture");
  if (s != nullptr) WritePicture("bench_sheetwindow_" + std::to_string(s->objects) + ".png");
}

void BM_PaintSheet(benchmark::State& state) {
  TimePicture(state, &Scene::sheet, &Scene::sheetZoom, "sheet picture");
}

// The click of 5 x 5 pixels round a plane point at the current zoom, in
// plane metres.
DFRAME ClickFrame(TMapAccess* doc, const DOUBLEPOINT& at) {
  double x = at.X, y = at.Y;
  doc->PlaneToPicture(x, y);
  DFRAME f{x - 2, y - 2, x + 2, y + 2};
  doc->PictureToPlane(f.X1, f.Y1);
  doc->PictureToPlane(f.X2, f.Y2);
  return DFRAME{std::min(f.X1, f.X2), std::min(f.Y1, f.Y2), std::max(f.X1, f.X2),
                std::max(f.Y1, f.Y2)};
}

// A click of 5 x 5 pixels round a plane point at the current zoom: the
// object found (0 none), through the host's object handle.
int Click(TMapAccess* doc, TObjectInfo& info, const DOUBLEPOINT& at) {
  double x = at.X, y = at.Y;
  doc->PlaneToPicture(x, y);
  DFRAME frame{x - 2, y - 2, x + 2, y + 2};
  return TObjectHit(doc).WhatObject(&info, &frame, SEEK_FIRST, SEEKPOINT_PICTURE) != nullptr
             ? info.ObjectNumber()
             : 0;
}

DOUBLEPOINT StripMiddle(const Scene* s) {
  return DOUBLEPOINT{(s->strip.X1 + s->strip.X2) / 2, (s->strip.Y1 + s->strip.Y2) / 2};
}

// Clicks on the object near the centre (hit) or in the strip (miss).
void WhatObject(benchmark::State& state, bool hit) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  s->doc->SetViewScale(s->windowZoom);
  const DOUBLEPOINT at = hit ? s->hit : StripMiddle(s);
  TObjectInfo info;
  int found = 0;
  const double seconds =
      benchsupport::SecondsPerIteration(state, [&] { found = Click(s->doc, info, at); });
  if ((found != 0) != hit) return state.SkipWithError("wrong answer");
  state.counters["ms_per_click"] = seconds * 1e3;
  state.counters["object"] = found;
  Figures()[hit ? "click, hit" : "click, miss"][ShapeOf(state)] = seconds * 1e3;
}

void BM_WhatObjectMiss(benchmark::State& state) { WhatObject(state, false); }
void BM_WhatObjectHit(benchmark::State& state) { WhatObject(state, true); }

// SQLite's R*Tree: the rows of the click on the object near the centre.
void BM_SqliteClick(benchmark::State& state) {
  Scene* s = Start(state);
  if (s == nullptr || s->db == nullptr) return state.SkipWithError("no peer");
  s->doc->SetViewScale(s->windowZoom);
  const DFRAME click = ClickFrame(s->doc, s->hit);
  int rows = 0;
  sqlite3_int64 first = 0;
  const double seconds =
      benchsupport::SecondsPerIteration(state, [&] { rows = PeerQuery(s, click, &first); });
  if (rows < 1) return state.SkipWithError("nothing found");
  state.counters["ms_per_click"] = seconds * 1e3;
  state.counters["rows"] = rows;
  Figures()["SQLite, the click's rows"][ShapeOf(state)] = seconds * 1e3;
}

// The first click on the sheet of the map just opened (a miss), which
// makes the index of the sheet's frames; the opening is not timed.
void BM_WhatObjectFirstClick(benchmark::State& state) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  double seconds = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    TMapAccess* doc = NewDocument();
    if (doc == nullptr || !doc->OpenData(s->path.c_str(), 0)) return state.SkipWithError("cannot open");
    doc->SetViewScale(s->windowZoom);
    TObjectInfo info;
    const auto start = std::chrono::steady_clock::now();
    const int found = Click(doc, info, StripMiddle(s));
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bytes = doc->List.FrameIndex.Bytes();
    FreeDocument(doc);
    if (found != 0) return state.SkipWithError("wrong answer");
  }
  seconds /= double(state.iterations());
  state.counters["ms_per_click"] = seconds * 1e3;
  state.counters["index_bytes_per_object"] = double(bytes) / s->objects;
  Figures()["click, first on the sheet"][ShapeOf(state)] = seconds * 1e3;
}

void BM_MemoryAfterPaint(benchmark::State& state) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  // A fresh document over the same map: nothing painted or sought yet.
  TMapAccess* doc = NewDocument();
  if (doc == nullptr || !doc->OpenData(s->path.c_str(), 0)) return state.SkipWithError("cannot open");
  doc->SetBackGround(0xFFFFFF);
  doc->SetViewScale(s->sheetZoom);
  const RECT rect = PictureOf(doc, s->sheet);
  // The memory image made and the sheet open, with its caches.
  doc->PaintDib(nullptr, 1, RECT{0, 0, 1, 1});
  if (!doc->OpenList(1)) return state.SkipWithError("cannot open the sheet");
  const double before = testsupport::AnonymousBytes();
  TObjectInfo info;
  for (auto _ : state) {
    doc->PaintDib(nullptr, 1, rect);
    doc->SetViewScale(s->windowZoom);
    Click(doc, info, s->hit);
    doc->SetViewScale(s->sheetZoom);
  }
  const double grown = testsupport::AnonymousBytes() - before;
  const double index = double(doc->List.FrameIndex.Bytes()) / s->objects;
  FreeDocument(doc);
  state.counters["bytes_per_object"] = grown / s->objects;
  state.counters["index_bytes_per_object"] = index;
  Figures()["memory after painting, bytes per object"][ShapeOf(state)] = grown / s->objects;
  Figures()["index of the frames, bytes per object"][ShapeOf(state)] = index;
}

void BM_PaintView(benchmark::State& state) {
  Scene* s = TimePicture(state, &Scene::view, &Scene::viewZoom, "view picture");
  if (s != nullptr)
    WritePicture("bench_sheetwindow_view_" + std::to_string(s->objects) + ".png");
}

// A click on the object near the corner after each repaint of the view;
// only the clicks timed.
void BM_ClickAfterRepaint(benchmark::State& state) {
  Scene* s = Start(state);
  if (s == nullptr) return;
  s->doc->SetViewScale(s->viewZoom);
  const RECT rect = PictureOf(s->doc, s->view);
  TObjectInfo info;
  double seconds = 0;
  int found = 0;
  for (auto _ : state) {
    s->doc->PaintDib(nullptr, 1, rect);
    const auto start = std::chrono::steady_clock::now();
    found = Click(s->doc, info, s->hit);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (found == 0) return state.SkipWithError("wrong answer");
  }
  seconds /= double(state.iterations());
  state.counters["ms_per_click"] = seconds * 1e3;
  Figures()["click after a repaint"][ShapeOf(state)] = seconds * 1e3;
}

void Register() {
  using Run = void (*)(benchmark::State&);
  auto add = [](const char* name, Run run, Shape shape) {
    return benchmark::RegisterBenchmark(name, run)
        ->Args({shape.objects, shape.grid})
        ->Unit(benchmark::kMillisecond);
  };
  const std::pair<const char*, Run> oneSheet[] = {
      {"BM_Cull", BM_Cull},
      {"BM_SelectByFrame", BM_SelectByFrame},
      {"BM_SelectByFrameSearched", BM_SelectByFrameSearched},
      {"BM_SqliteSelect", BM_SqliteSelect},
      {"BM_PaintWindow", BM_PaintWindow},
      {"BM_PaintSheet", BM_PaintSheet},
      {"BM_WhatObjectMiss", BM_WhatObjectMiss},
      {"BM_WhatObjectHit", BM_WhatObjectHit},
      {"BM_SqliteClick", BM_SqliteClick},
  };
  for (int n : kOneSheet) {
    for (const auto& [name, run] : oneSheet) add(name, run, Shape{n, 1});
    add("BM_WhatObjectFirstClick", BM_WhatObjectFirstClick, Shape{n, 1})->Iterations(5);
    add("BM_MemoryAfterPaint", BM_MemoryAfterPaint, Shape{n, 1})->Iterations(1);
  }
  add("BM_SelectAllSheets", BM_SelectAllSheets, kSixteen);
  add("BM_SelectOneSheet", BM_SelectOneSheet, kSixteen);
  for (Shape shape : {kFourSmall, kFourLarge}) add("BM_PaintView", BM_PaintView, shape);
  add("BM_ClickAfterRepaint", BM_ClickAfterRepaint, kFourLarge);
}

// The figure `name` of a map, 0 when not run.
double Figure(const char* name, Shape shape) {
  auto& by = Figures()[name];
  auto it = by.find(shape);
  return it != by.end() ? it->second : 0.0;
}

// Prints a ratio a / b (when both were measured) against its goal, the
// most it may be: false, naming it, when it is more.
bool PrintRatio(const char* what, double a, double b, double most) {
  if (a <= 0 || b <= 0) return true;
  std::printf("  %-58s %8.2f  (goal <= %g)\n", what, a / b, most);
  if (a / b <= most) return true;
  std::printf("FAILED: %s, %.2f over its goal of %g\n", what, a / b, most);
  return false;
}

// Prints the figures and the ratios of the benchmarks run: false when a
// goal of a map run is missed.
bool PrintRatios() {
  std::printf("\n%-44s", "figure (ms, or as named)");
  std::vector<Shape> shapes;
  for (int n : kOneSheet) shapes.push_back(Shape{n, 1});
  for (Shape shape : {kSixteen, kFourSmall, kFourLarge}) shapes.push_back(shape);
  for (Shape shape : shapes)
    std::printf(" %12s", (std::to_string(shape.grid * shape.grid) + "x" +
                          std::to_string(shape.objects / shape.grid / shape.grid))
                             .c_str());
  std::printf("\n");
  for (const auto& [name, by] : Figures()) {
    std::printf("%-44s", name.c_str());
    for (Shape shape : shapes) {
      auto it = by.find(shape);
      if (it != by.end())
        std::printf(" %12.4f", it->second);
      else
        std::printf(" %12s", "-");
    }
    std::printf("\n");
  }
  std::printf("\nratios:\n");
  bool held = true;
  for (int n : kOneSheet) {
    const Shape one{n, 1};
    const std::string at = " at " + std::to_string(n);
    held &= PrintRatio(("select, sought over SQLite's R*Tree" + at).c_str(),
                       Figure("select, sought", one), Figure("SQLite, the square's rows", one), 5);
    held &= PrintRatio(("select, area search over SQLite's R*Tree" + at).c_str(),
                       Figure("select, area search", one),
                       Figure("SQLite, the square's rows", one), 5);
    held &= PrintRatio(("click, hit over SQLite's R*Tree" + at).c_str(), Figure("click, hit", one),
                       Figure("SQLite, the click's rows", one), 3);
    held &= PrintRatio(("first click on the sheet over the whole-sheet cull" + at).c_str(),
                       Figure("click, first on the sheet", one),
                       Figure("cull of the whole sheet", one), 3);
    const double window = Figure("window picture", one), sheet = Figure("sheet picture", one);
    if (window > 0 && sheet > 0)
      std::printf("  %-58s %8.2f  (no goal: the window holds 1 %% of the objects)\n",
                  ("window picture over the sheet picture" + at).c_str(), window / sheet);
    held &= PrintRatio(("index, bytes per object" + at).c_str(),
                       Figure("index of the frames, bytes per object", one), 1, 16);
  }
  held &= PrintRatio("select on 16 sheets, every sheet on over its sheet alone",
                     Figure("select, every sheet on", kSixteen),
                     Figure("select, its sheet alone on", kSixteen), 2);
  held &= PrintRatio("3 km view on 6,400,000 objects over 400,000",
                     Figure("view picture", kFourLarge), Figure("view picture", kFourSmall), 1.5);
  held &= PrintRatio("click after a repaint on 4 x 1,600,000, ms",
                     Figure("click after a repaint", kFourLarge), 1, 1);
  return held;
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const bool held = PrintRatios();
  Scenes().clear();
  return held ? 0 : 1;
}
