// The points of a sheet's frame object.
#include "mapstore/sheetframe.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "common/language.h"
#include "common/messages.h"
#include "geodesy/radiangrad.h"
#include "mapstore/map.h"
#include "platform/ui.h"
#include "records/dataedit.h"

namespace {

// Latitude bands of the point table: a latitude on a boundary belongs to
// the band above it.
constexpr double kLatitude60 = 1.0471975511965976;
constexpr double kLatitude76 = 1.3264502315156905;

constexpr double kDegree = 0.017453292519943295;
constexpr double k30Minutes = 0.008726646259971648;
constexpr double k15Minutes = 0.004363323129985824;

// Edges meet their corners within this (radians).
constexpr double kCornerTolerance = 1e-7;

// One band of the point table: the point count and the step (a step of 0
// leaves the builder's step as it is).
struct FrameBand {
  int32_t count;
  double step;
};

struct FrameRow {
  LONG scale;
  FrameBand band[3];  // below 60 degrees, 60 to 76, 76 and above
};

const FrameRow kFrameTable[] = {
    {1000000, {{15, kDegree}, {15, kDegree}, {15, kDegree}}},
    {500000, {{15, k30Minutes}, {27, k30Minutes}, {27, k30Minutes}}},
    {200000, {{11, k15Minutes}, {19, k15Minutes}, {27, k15Minutes}}},
    {100000, {{7, k15Minutes}, {11, k15Minutes}, {19, k15Minutes}}},
    {50000, {{5, k15Minutes}, {7, k15Minutes}, {11, k15Minutes}}},
    {25000, {{5, k15Minutes / 2}, {5, k15Minutes}, {7, k15Minutes}}},
    {10000, {{5, k15Minutes / 4}, {5, 0.0}, {5, 0.0}}},
    {5000, {{5, k15Minutes / 8}, {5, k15Minutes / 4}, {5, k15Minutes / 2}}},
    {2000, {{5, k15Minutes / 24}, {5, k15Minutes / 24}, {5, k15Minutes / 24}}},
};

// The register of the map's current sheet, or null.
LISTREGISTER* CurrentRegister(TMap* map) {
  if (!map) return nullptr;
  LISTDESC* list = map->TMapPassport::List(map->List.Number());
  return list ? &list->Register : nullptr;
}

// Sets the error kind and asks whether to go on.
int Ask(int32_t* errorKind, int32_t kind) {
  *errorKind = kind;
  return SheetFrameQuestion(kind);
}

// A failure that stops the build whatever the answer.
int Fail(int32_t* errorKind, int32_t kind) {
  Ask(errorKind, kind);
  return 0;
}

// A corner angle rounded to whole seconds, or to tenths at 1:5 000 and
// larger scales.
double RoundCorner(double radian, LONG scale) {
  int degree = 0, minute = 0;
  double second = 0.0;
  const int negative = TRadianGrad::RadianToGrad(radian, &degree, &minute, &second);
  second = scale <= 5000 ? std::trunc(second * 10.0 + 0.5) / 10.0 : std::trunc(second + 0.5);
  return TRadianGrad::GradToRadian(degree, minute, second, negative);
}

}  // namespace

int SheetFrameQuestion(int32_t kind) {
  if (kind == FRAMEERR_NONE) return 1;
  if (!MessageEnableGet()) return 0;
  const bool ru = IsRussianLanguage();
  const char* text;
  switch (kind) {
    case FRAMEERR_SCALE:
      text = ru ? "Ошибка в масштабе для топографических карт \n\nПродолжить обработку ?"
                : "Topographic map scale error \n\nContinue data processing ?";
      break;
    case FRAMEERR_CORNER:
      text = ru ? "Ошибка в географических координатах угловых точек карты \n\nПродолжить "
                  "обработку ?"
                : "Geography coordinate pasport engle point error \n\nContinue data processing ?";
      break;
    default:
      text = ru ? "Ошибка структуры информации \n\nПродолжить обработку ?"
                : "Data struct error \n\nContinue data processing ?";
      break;
  }
  return plat::MessageBoxA(nullptr, text, ru ? "Формирование рамки листа" : "Create frame",
                           MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) == IDYES
             ? 1
             : 0;
}

int SheetFramePointCount(TMap* map, double* step, int32_t* errorKind) {
  const LISTREGISTER* r = CurrentRegister(map);
  if (!r) return Fail(errorKind, FRAMEERR_INPUT);
  const int frameKind = map->FrameKind();
  if (frameKind == 1 || frameKind == 3) {
    *step = r->LSouthEastCoordinate - r->LSouthWestCoordinate;
    return 5;
  }
  // The signed latitude: a southern sheet lies in the band below 60 degrees.
  const double latitude = (r->BSouthWestCoordinate + r->BNorthWestCoordinate) / 2;
  const int band = latitude < kLatitude60 ? 0 : latitude < kLatitude76 ? 1 : 2;
  for (const FrameRow& row : kFrameTable) {
    if (row.scale != map->Scale()) continue;
    if (row.band[band].step != 0.0) *step = row.band[band].step;
    return row.band[band].count;
  }
  // Corners only: the edges run from corner to corner in one step.
  if (!Ask(errorKind, FRAMEERR_SCALE)) return 0;
  *step = r->LSouthEastCoordinate - r->LSouthWestCoordinate;
  return 5;
}

int SheetFrameFour(TMap* map, int32_t* errorKind, const SHEETFRAMESINK& sink) {
  const LISTREGISTER* r = CurrentRegister(map);
  if (!r) return Fail(errorKind, FRAMEERR_INPUT);
  const double corners[5][2] = {{r->XSouthWest, r->YSouthWest},
                                {r->XNorthWest, r->YNorthWest},
                                {r->XNorthEast, r->YNorthEast},
                                {r->XSouthEast, r->YSouthEast},
                                {r->XSouthWest, r->YSouthWest}};
  for (const auto& c : corners)
    if (!sink.Plane(sink.Context, c[0], c[1])) return Fail(errorKind, FRAMEERR_POINT);
  return 1;
}

int SheetFrameTopo(TMap* map, double* step, int32_t* pointCount, int32_t* errorKind,
                   const SHEETFRAMESINK& sink) {
  const int n = SheetFramePointCount(map, step, errorKind);
  if (n == 0) return 0;
  *pointCount = n;
  if (n < 5 || n % 2 == 0) return Fail(errorKind, FRAMEERR_INPUT);
  const int k = (n - 5) / 2;

  const LISTREGISTER& r = *CurrentRegister(map);
  const LONG scale = map->Scale();
  const double bSW = RoundCorner(r.BSouthWestCoordinate, scale);
  const double lSW = RoundCorner(r.LSouthWestCoordinate, scale);
  const double bNW = RoundCorner(r.BNorthWestCoordinate, scale);
  const double lNW = RoundCorner(r.LNorthWestCoordinate, scale);
  const double bNE = RoundCorner(r.BNorthEastCoordinate, scale);
  const double lNE = RoundCorner(r.LNorthEastCoordinate, scale);
  const double bSE = RoundCorner(r.BSouthEastCoordinate, scale);
  const double lSE = RoundCorner(r.LSouthEastCoordinate, scale);
  auto append = [&](double b, double l) { return sink.Geo(sink.Context, b, l) != 0; };
  // An edge that misses its corner matters at scales smaller than
  // 1:50 000; the user may go on with it.
  auto missed = [&](double l, double corner) {
    return std::fabs(l - corner) > kCornerTolerance && scale > 50000 &&
           !Ask(errorKind, FRAMEERR_CORNER);
  };

  if (!append(bSW, lSW) || !append(bNW, lNW)) return Fail(errorKind, FRAMEERR_POINT);
  double l = lNW;
  for (int i = 0; i < k; ++i) {
    l = RoundCorner(l + *step, scale);
    if (!append(bNW, l)) return Fail(errorKind, FRAMEERR_POINT);
  }
  if (missed(l + *step, lNE)) return 0;

  if (!append(bNE, lNE) || !append(bSE, lSE)) return Fail(errorKind, FRAMEERR_POINT);
  l = lSE;
  for (int i = k; i >= 1; --i) {
    l = RoundCorner(lSW + i * *step, scale);
    if (!append(bSE, l)) return Fail(errorKind, FRAMEERR_POINT);
  }
  if (missed(l - *step, lSW)) return 0;

  if (!append(bSW, lSW)) return Fail(errorKind, FRAMEERR_POINT);
  return 1;
}

// ---------------------------------------------------------------------------
// The map's check of the current sheet's frame object

namespace {

// Frame points as plane metres; geodetic ones go through the map's
// projection.
struct PlanePoints {
  TMap* map;
  std::vector<DOUBLEPOINT> points;

  static int Plane(void* context, double x, double y) {
    static_cast<PlanePoints*>(context)->points.push_back({x, y});
    return 1;
  }
  static int Geo(void* context, double b, double l) {
    TMap* map = static_cast<PlanePoints*>(context)->map;
    if (!(std::fabs(b) <= std::numbers::pi / 2) || !std::isfinite(l) || !map->IsActive() ||
        !map->ProjectionReady)
      return 0;
    double x, y;
    map->Translate.ErrorCode = 0;
    map->Translate.BL2XY(b, l, &x, &y);
    if (map->Translate.ErrorCode != 0 || !std::isfinite(x) || !std::isfinite(y)) return 0;
    return Plane(context, x, y);
  }
};

// The outer contour of object m of the sheet in plane metres; false when
// the object has no readable metric.
bool StoredFrame(TMap* map, int sheet, int m, std::vector<DOUBLEPOINT>* out) {
  const FVSPR* cached = map->ListObjectDesc(sheet, m);
  if (!cached || cached->DataOffset == 0) return false;
  const FVSPR desc = *cached;
  const LONGMETRIC* metric = map->List.DataAddr(desc.DataOffset);
  if (!metric) return false;
  const int local = FvsprLocal(&desc);
  TDataEdit edit;
  edit.Init();
  bool read = edit.Load(metric, local == 3 || local == 5 ? 1 : 0) != 0;
  const DOUBLEPOINT* origin = map->ViewPosition(sheet);
  const double ox = origin ? origin->X : 0.0, oy = origin ? origin->Y : 0.0;
  const int count = read ? edit.PointCount(0) : 0;
  for (int i = 1; i <= count && edit.GoPointSubject(i, 0); ++i)
    out->push_back({(edit.XDouble() + ox) * map->Factor + map->X0,
                    (edit.YDouble() + oy) * map->Factor + map->Y0});
  edit.Free();
  return read;
}

// Two frames agree when every point (with unequal counts: the four corners
// and the closing point) lies within 0.1 m in X and in Y.
int FramesAgree(const std::vector<DOUBLEPOINT>& a, const std::vector<DOUBLEPOINT>& b) {
  if (a.size() < 5 || b.size() < 5) return 0;
  auto near = [](const DOUBLEPOINT& p, const DOUBLEPOINT& q) {
    return std::fabs(p.X - q.X) <= 0.1 && std::fabs(p.Y - q.Y) <= 0.1;
  };
  if (a.size() == b.size()) {
    for (size_t i = 0; i < a.size(); ++i)
      if (!near(a[i], b[i])) return 0;
    return 1;
  }
  const size_t sa = (a.size() - 5) / 2, sb = (b.size() - 5) / 2;
  return near(a[0], b[0]) && near(a[1], b[1]) && near(a[2 + sa], b[2 + sb]) &&
                 near(a[3 + sa], b[3 + sb]) && near(a.back(), b.back())
             ? 1
             : 0;
}

}  // namespace

int TMap::GetAccordingProjection() {
  const int sheet = List.Number();
  const int frame = sheet >= 1 ? GetListFrameNumber(sheet) : 0;
  std::vector<DOUBLEPOINT> stored;
  if (frame == 0 || !StoredFrame(this, sheet, frame, &stored)) return 0;

  // The frame the sheet should have, as the frame builder makes it.
  if (FrameKind() == 4 || !Rsc.IsActive()) return 0;
  PlanePoints expected{this, {}};
  const SHEETFRAMESINK sink{&expected, PlanePoints::Plane, PlanePoints::Geo};
  double step = 0.0;
  int32_t count = 5, kind = FRAMEERR_NONE;
  int built = 0;
  if (MapType() == MAPTYPE_TOPOGRAPHIC) built = SheetFrameTopo(this, &step, &count, &kind, sink);
  if (!built) {
    expected.points.clear();
    kind = FRAMEERR_NONE;
    built = SheetFrameFour(this, &kind, sink);
  }
  return built ? FramesAgree(stored, expected.points) : 0;
}
