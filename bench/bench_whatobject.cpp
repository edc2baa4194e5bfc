// The hit test on the picture over a sheet of 100,000 small objects (50,000
// lines of 10 points and 50,000 areas of 12 points, 10 to 20 pixels
// across), a click being a frame of 5 x 5 pixels, in milliseconds per
// click: a hit on the object at the end of the sheet's chain, a miss, and
// a first search followed by nine next ones through 10 lines crossing at
// one point (spread through the chain), per click, through one object
// handle as a host keeps it. Beside them, in the same run, GEOS: an
// STRtree over the same geometries in picture pixels (its building timed
// apart, once), the click's box queried and GEOSIntersects asked of each
// candidate, the first (or next) in chain order taken; with the ratio of
// the two times (geos_over_ours above 1: ours is faster). GEOS is only a
// point of comparison.
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "bench/bench_peer.h"
#include "bench/bench_support.h"
#include "common/messages.h"
#include "search/docseek.h"
#include "search/whatobject.h"

namespace {

constexpr int kLines = 50000 - 11, kLinePoints = 10;
constexpr int kAreas = 50000, kAreaPoints = 12;
constexpr int kStacked = 10;
constexpr int kSpan = 3000;  // the objects lie in a square of this many pixels
constexpr double kSheetX = 6000000, kSheetY = 7400000, kSide = 10000;

// One object in picture pixels (x column, y row), with its chain rank.
struct Shape {
  std::vector<DOUBLEPOINT> points;
  bool area;
};

struct Scene {
  benchsupport::ScratchFolder folder{"bench_whatobject"};
  TMapAccess* doc = nullptr;
  std::vector<Shape> shapes;  // in chain order: the areas, then the lines
  std::vector<int> numbers;   // their object numbers
  DOUBLEPOINT last{}, empty{}, crossing{};
  int lastNumber = 0;
  std::vector<int> stackedNumbers;
};

Scene* MakeScene() {
  MessageEnableSet(0);
  plat::SetWriteThroughEnabled(false);
  auto* s = new Scene;
  int codes[2];
  const std::string rsc = s->folder.path() + "bench.rsc";
  if (!benchsupport::CreateImageClassifier(
          rsc, {{100, LOCAL_LINE, 128, {0xA05000, 250}}, {200, LOCAL_SQUARE, 135, {0x40B040}}},
          codes))
    return nullptr;
  s->doc = benchsupport::CreateSheetDocument(s->folder.path() + "bench.map", rsc, kSheetX,
                                             kSheetY, kSide, kSide);
  if (s->doc == nullptr) return nullptr;
  TMapAccess* doc = s->doc;
  // The zoom at which the sheet is 4000 pixels high.
  auto picture = [&](double x, double y) {
    doc->PlaneToPicture(x, y);
    return DOUBLEPOINT{x, y};
  };
  doc->SetViewScale(1.0);
  const double rows = picture(kSheetX, kSheetY).Y - picture(kSheetX + kSide, kSheetY).Y;
  doc->SetViewScale(4000.0 / rows);
  const DOUBLEPOINT nw = picture(kSheetX + kSide, kSheetY);
  const double left = nw.X + 200, top = nw.Y + 200;

  // Random objects in a square; a strip to its right holds the last
  // object, the crossing and an empty place.
  std::mt19937 rng(69);
  std::uniform_real_distribution<double> px(left, left + kSpan), py(top, top + kSpan),
      step(-3, 3), radius(5, 10);
  auto line = [&](DOUBLEPOINT from) {
    Shape shape{{from}, false};
    for (int k = 1; k < kLinePoints; ++k)
      shape.points.push_back({shape.points.back().X + step(rng), shape.points.back().Y + step(rng)});
    return shape;
  };
  for (int i = 0; i < kAreas; ++i) {
    const double cx = px(rng), cy = py(rng);
    Shape area{{}, true};
    for (int k = 0; k < kAreaPoints - 1; ++k) {
      const double a = 6.283185307179586 * k / (kAreaPoints - 1), r = radius(rng);
      area.points.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    area.points.push_back(area.points.front());
    s->shapes.push_back(area);
  }
  s->crossing = {left + kSpan + 400, top + 500};
  s->empty = {left + kSpan + 400, top + 1500};
  s->last = {left + kSpan + 400, top + 2500};
  const int every = kLines / kStacked;
  for (int i = 0; i < kLines; ++i) {
    s->shapes.push_back(line({px(rng), py(rng)}));
    if (i % every == every / 2 && int(s->stackedNumbers.size()) < kStacked) {
      // A line through the crossing, turned a little more each time.
      const double a = 0.3 * double(s->stackedNumbers.size());
      const DOUBLEPOINT c = s->crossing;
      s->shapes.push_back({{{c.X - 8 * std::cos(a), c.Y - 8 * std::sin(a)},
                            {c.X + 8 * std::cos(a), c.Y + 8 * std::sin(a)}},
                           false});
      s->stackedNumbers.push_back(-int(s->shapes.size()));  // its shape, for now
    }
  }
  s->shapes.push_back(line(s->last));

  if (!doc->OpenList(1)) return nullptr;
  for (const Shape& shape : s->shapes) {
    std::vector<char> metric = benchsupport::PictureMetric(doc, shape.points);
    FVSPR d{};
    d.Local = BYTE(shape.area ? LOCAL_SQUARE : LOCAL_LINE);
    d.Code = WORD(codes[shape.area ? 1 : 0]);
    const int n =
        doc->AppendObject(&d, reinterpret_cast<LONGMETRIC*>(metric.data()), nullptr, nullptr);
    if (n == 0) return nullptr;
    s->numbers.push_back(n);
  }
  for (int& n : s->stackedNumbers) n = s->numbers[size_t(-n - 1)];
  s->lastNumber = s->numbers.back();
  // Opened again, as a host finds it: the sheet's caches sized for what it
  // holds.
  const double zoom = doc->GetViewScale();
  FreeDocument(doc);
  s->doc = doc = NewDocument();
  if (doc == nullptr || !doc->OpenData((s->folder.path() + "bench.map").c_str(), 0) ||
      !doc->OpenList(1))
    return nullptr;
  doc->SetViewScale(zoom);
  // The object at the end of the chain is the last line.
  if (doc->List.GetLastHead() == nullptr || doc->List.CurrentObject != s->lastNumber)
    return nullptr;
  return s;
}

Scene* TheScene() {
  static Scene* scene = MakeScene();
  return scene;
}

// A click: 5 x 5 pixels round a picture point.
DFRAME Click(DOUBLEPOINT at) { return DFRAME{at.X - 2, at.Y - 2, at.X + 2, at.Y + 2}; }

enum Case { HIT_AT_END = 0, MISS = 1, NEXT_THROUGH_STACK = 2 };
const char* const kCaseNames[] = {"hit at the chain's end", "miss", "next through 10 stacked"};
double gOurs[3] = {};

// The object numbers a case finds, click by click; empty when one is
// wrong.
std::vector<int> OurClicks(Scene* s, Case c) {
  TObjectHit hit(s->doc);
  // The object handle a host makes once and clicks with again and again.
  static TObjectInfo info;
  std::vector<int> found;
  if (c == NEXT_THROUGH_STACK) {
    DFRAME frame = Click(s->crossing);
    for (int k = 0; k < kStacked; ++k) {
      if (hit.WhatObject(&info, &frame, k == 0 ? SEEK_FIRST : SEEK_NEXT, SEEKPOINT_PICTURE) ==
          nullptr)
        break;
      found.push_back(info.ObjectNumber());
    }
    return found;
  }
  DFRAME frame = Click(c == HIT_AT_END ? s->last : s->empty);
  found.push_back(hit.WhatObject(&info, &frame, SEEK_FIRST, SEEKPOINT_PICTURE) != nullptr
                      ? info.ObjectNumber()
                      : 0);
  return found;
}

std::vector<int> Expected(Scene* s, Case c) {
  if (c == NEXT_THROUGH_STACK) return s->stackedNumbers;
  return {c == HIT_AT_END ? s->lastNumber : 0};
}

void BM_WhatObject(benchmark::State& state) {
  Scene* s = TheScene();
  const Case c = Case(state.range(0));
  if (s == nullptr) {
    state.SkipWithError("no scene");
    return;
  }
  state.SetLabel(kCaseNames[c]);
  if (OurClicks(s, c) != Expected(s, c)) {
    state.SkipWithError("wrong objects found");
    return;
  }
  const int clicks = c == NEXT_THROUGH_STACK ? kStacked : 1;
  gOurs[c] = benchsupport::SecondsPerIteration(state, [&] {
                benchmark::DoNotOptimize(OurClicks(s, c));
              }) /
              clicks;
  state.counters["ms_per_click"] = gOurs[c] * 1e3;
}
BENCHMARK(BM_WhatObject)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// --- GEOS ---

struct Peer {
  GEOSContextHandle_t h = nullptr;
  std::vector<GEOSGeometry*> geometries;  // in chain order
  GEOSSTRtree* tree = nullptr;
  double buildSeconds = 0;
};

GEOSCoordSequence* Sequence(GEOSContextHandle_t h, const std::vector<DOUBLEPOINT>& points) {
  GEOSCoordSequence* seq = GEOSCoordSeq_create_r(h, unsigned(points.size()), 2);
  for (size_t i = 0; i < points.size(); ++i)
    GEOSCoordSeq_setXY_r(h, seq, unsigned(i), points[i].X, points[i].Y);
  return seq;
}

Peer* ThePeer(Scene* s) {
  static Peer* peer = [s] {
    auto* p = new Peer;
    p->h = GEOS_init_r();
    for (const Shape& shape : s->shapes) {
      GEOSCoordSequence* seq = Sequence(p->h, shape.points);
      p->geometries.push_back(
          shape.area ? GEOSGeom_createPolygon_r(p->h, GEOSGeom_createLinearRing_r(p->h, seq),
                                                nullptr, 0)
                     : GEOSGeom_createLineString_r(p->h, seq));
    }
    const auto start = std::chrono::steady_clock::now();
    p->tree = GEOSSTRtree_create_r(p->h, 10);
    for (size_t i = 0; i < p->geometries.size(); ++i)
      GEOSSTRtree_insert_r(p->h, p->tree, p->geometries[i], reinterpret_cast<void*>(i + 1));
    // The tree is built by its first query.
    GEOSGeometry* nowhere = GEOSGeom_createPointFromXY_r(p->h, -1e9, -1e9);
    GEOSSTRtree_query_r(p->h, p->tree, nowhere, [](void*, void*) {}, nullptr);
    GEOSGeom_destroy_r(p->h, nowhere);
    p->buildSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return p;
  }();
  return peer;
}

// The chain rank (from 1) of the first geometry after `after` that the
// click's box meets; 0 when none.
size_t PeerClick(Peer* p, DOUBLEPOINT at, size_t after) {
  const DFRAME f = Click(at);
  GEOSGeometry* box = GEOSGeom_createRectangle_r(p->h, f.X1, f.Y1, f.X2, f.Y2);
  struct Query {
    Peer* p;
    GEOSGeometry* box;
    size_t after, best;
  } q{p, box, after, 0};
  GEOSSTRtree_query_r(
      p->h, p->tree, box,
      [](void* item, void* data) {
        auto* q = static_cast<Query*>(data);
        const size_t rank = reinterpret_cast<size_t>(item);
        if (rank <= q->after || (q->best != 0 && rank >= q->best)) return;
        if (GEOSIntersects_r(q->p->h, q->box, q->p->geometries[rank - 1]) == 1) q->best = rank;
      },
      &q);
  GEOSGeom_destroy_r(p->h, box);
  return q.best;
}

std::vector<int> PeerClicks(Scene* s, Peer* p, Case c) {
  std::vector<int> found;
  auto number = [&](size_t rank) { return rank != 0 ? s->numbers[rank - 1] : 0; };
  if (c == NEXT_THROUGH_STACK) {
    size_t rank = 0;
    for (int k = 0; k < kStacked; ++k) {
      rank = PeerClick(p, s->crossing, rank);
      if (rank == 0) break;
      found.push_back(number(rank));
    }
    return found;
  }
  found.push_back(number(PeerClick(p, c == HIT_AT_END ? s->last : s->empty, 0)));
  return found;
}

void BM_GeosStrTree(benchmark::State& state) {
  Scene* s = TheScene();
  const Case c = Case(state.range(0));
  if (s == nullptr) {
    state.SkipWithError("no scene");
    return;
  }
  Peer* p = ThePeer(s);
  state.SetLabel(kCaseNames[c]);
  if (PeerClicks(s, p, c) != Expected(s, c)) {
    state.SkipWithError("GEOS found other objects");
    return;
  }
  const int clicks = c == NEXT_THROUGH_STACK ? kStacked : 1;
  const double geos = benchsupport::SecondsPerIteration(state, [&] {
                        benchmark::DoNotOptimize(PeerClicks(s, p, c));
                      }) /
                      clicks;
  state.counters["ms_per_click"] = geos * 1e3;
  state.counters["tree_build_ms"] = p->buildSeconds * 1e3;
  state.counters["geos_over_ours"] = gOurs[c] > 0.0 ? geos / gOurs[c] : 0.0;
}
BENCHMARK(BM_GeosStrTree)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
