// TMapMetric: factors, draw place, region, turn and the position of the
// sheet or user map being painted.
#include "drawing/mapmetric.h"

#include <cmath>
#include <numbers>

#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"

namespace {

constexpr double kLeast = 0.001;
constexpr double kPi = std::numbers::pi;

void Widen(DFRAME& f, const DFRAME& g) {
  if (g.X1 < f.X1) f.X1 = g.X1;
  if (g.Y1 < f.Y1) f.Y1 = g.Y1;
  if (g.X2 > f.X2) f.X2 = g.X2;
  if (g.Y2 > f.Y2) f.Y2 = g.Y2;
}

void ScaleFrame(const DFRAME& in, double x, double y, DFRAME& out) {
  out = DFRAME{in.X1 * x, in.Y1 * y, in.X2 * x, in.Y2 * y};
}

}  // namespace

TMapMetric::TMapMetric() {
  Self = this;
  Dis.Base = Elem.Base = GetScreenPixelsPerMeterH();
  DrawScale = 1.0;
  SetPixel(0.0, 0.0);
  AttachPointBuffers();
  TakeAreas();
  MapPalette.ClearPalette();
}

TMapMetric::~TMapMetric() {
  if (Self != this) return;
  DetachPointBuffers();
  Self = nullptr;
}

void TMapMetric::TakeAreas() {
  Poly.Points = PaintContext.PointArea;
  Poly.PolyCounts = PaintContext.PolyArea;
  Poly.Text = PaintContext.TextArea;
}

// --- Factors ---

void TMapMetric::SetPixel(const double& horizontal, const double& vertical) {
  PixelsPerMeterH = horizontal;
  PixelsPerMeterV = vertical;
  UpdatePlace();
}

void TMapMetric::UpdatePlace() {
  if (!(PixelsPerMeterH >= kLeast)) PixelsPerMeterH = GetScreenPixelsPerMeterH();
  if (!(PixelsPerMeterV >= kLeast)) PixelsPerMeterV = GetScreenPixelsPerMeterV();
  if (!(Dis.Base >= kLeast)) Dis.Base = GetScreenPixelsPerMeterH();
  if (!(Elem.Base >= kLeast)) Elem.Base = GetScreenPixelsPerMeterH();
  if (!(DrawScale >= kLeast)) DrawScale = 1.0;
  const double h = PixelsPerMeterH * DrawScale, v = PixelsPerMeterV * DrawScale;
  for (UNITFACTORS* f : {&Dis, &Elem}) {
    f->UnitsPerPixelH = f->Base / h;
    f->PixelsPerUnitH = h / f->Base;
    f->UnitsPerPixelV = f->Base / v;
    f->PixelsPerUnitV = v / f->Base;
  }
  DisPerElem = Dis.Base / Elem.Base;
  ElemPerDis = Elem.Base / Dis.Base;
  MakePictureFrame();
}

// The region in picture coordinates; in a turned view the bounding frame of
// the turned region.
void TMapMetric::MakePictureFrame() {
  DFRAME pix;
  RegionDisToPix(Region, pix);
  if (TurnFlag) Turn(pix, pix);
  PictureFrame = FRAME{NearestPixel(pix.X1), NearestPixel(pix.Y1), NearestPixel(pix.X2),
                       NearestPixel(pix.Y2)};
}

double TMapMetric::SetDrawScale(double scale) {
  DrawScale = scale;
  UpdatePlace();
  return DrawScale;
}

double TMapMetric::ChangeDrawScale(double factor) {
  DrawScale *= factor;
  UpdatePlace();
  return DrawScale;
}

double TMapMetric::SetTurnAngle(double angle, double least) {
  if (!(std::fabs(angle) >= kLeast) || !std::isfinite(angle)) {
    TurnFlag = 0;
    TurnAngle = TurnSin = 0.0;
    TurnCos = 1.0;
    MakePictureFrame();
    return TurnAngle;
  }
  angle = std::remainder(angle, 2.0 * kPi);  // -pi .. pi
  if (std::fabs(TurnAngle) > kLeast) {
    double limit = least < kPi / 6.0 ? least : kPi / 6.0;
    if (!(limit > 0.0)) limit = 0.0;
    const double change = std::fabs(TurnAngle - angle);
    // Small changes are ignored, also across the seam at +-pi.
    if (change < limit || 2.0 * kPi - change < limit) return TurnAngle;
  }
  TurnAngle = angle;
  TurnSin = std::sin(angle);
  TurnCos = std::cos(angle);
  TurnFlag = 1;
  MakePictureFrame();
  return TurnAngle;
}

void TMapMetric::SetDisToMeter(double metres) {
  MeterPerDis = metres;
  DisPerMeter = metres != 0.0 ? 1.0 / metres : 0.0;
}

void TMapMetric::SetDisScale(double base) {
  Dis.Base = base;
  UpdatePlace();
}

void TMapMetric::SetElemScale(double base) {
  Elem.Base = base;
  UpdatePlace();
}

// --- Draw place and region ---

FRAME* TMapMetric::SetDrawPlace(const RECT& rect) {
  SavedPlace = DrawPlace;
  const int64_t left = rect.left, top = rect.top;
  int64_t right = rect.right, bottom = rect.bottom;
  if (left >= right) right = left + 4;
  if (top >= bottom) bottom = top + 4;
  PaintContext.ImageWidth = SaturatePixel(right - left);
  PaintContext.ImageHeight = SaturatePixel(bottom - top);
  DrawPlace.Y1 = SaturatePixel(PictureFrame.Y1 + left);
  DrawPlace.X2 = SaturatePixel(PictureFrame.X2 - top);
  DrawPlace.X1 = SaturatePixel(PictureFrame.X2 - (bottom - 1));
  DrawPlace.Y2 = SaturatePixel(right + PictureFrame.Y1 - 1);
  PlaceToUnits();
  return &SavedPlace;
}

void TMapMetric::RestoreDrawPlace(const FRAME* place) {
  DrawPlace = place != nullptr ? *place : SavedPlace;
  PaintContext.ImageWidth = SaturatePixel(int64_t(DrawPlace.Y2) - DrawPlace.Y1 + 1);
  PaintContext.ImageHeight = SaturatePixel(int64_t(DrawPlace.X2) - DrawPlace.X1 + 1);
  PlaceToUnits();
}

// The draw place in discretes and in plane metres.
void TMapMetric::PlaceToUnits() {
  PlaceDis = DFRAME{DrawPlace.X1 * Dis.UnitsPerPixelV, DrawPlace.Y1 * Dis.UnitsPerPixelH,
                    DrawPlace.X2 * Dis.UnitsPerPixelV, DrawPlace.Y2 * Dis.UnitsPerPixelH};
  PlaceMeters = DFRAME{PlaceDis.X1 * MeterPerDis + PlaneX0, PlaceDis.Y1 * MeterPerDis + PlaneY0,
                       PlaceDis.X2 * MeterPerDis + PlaneX0, PlaceDis.Y2 * MeterPerDis + PlaneY0};
}

void TMapMetric::SetRegionDis(const DFRAME& region) {
  if (!(region.X2 >= region.X1) || !(region.Y2 >= region.Y1)) return;
  Region = region;
  MakePictureFrame();
}

void TMapMetric::UpdateRegionElem(const DFRAME& frame, const double& base) {
  Elem.Base = base;
  UpdatePlace();
  DFRAME f;
  RegionElemToDis(frame, f);
  if (Region.X2 > Region.X1 && Region.Y2 > Region.Y1)
    Widen(Region, f);
  else
    Region = f;
  MakePictureFrame();
}

void TMapMetric::WidenRegion(double margin) {
  Region.X1 -= margin;
  Region.Y1 -= margin;
  Region.X2 += margin;
  Region.Y2 += margin;
  MakePictureFrame();
  // Unturned, the region itself lies on whole pixels.
  if (!TurnFlag)
    Region = DFRAME{PictureFrame.X1 * Dis.UnitsPerPixelV, PictureFrame.Y1 * Dis.UnitsPerPixelH,
                    PictureFrame.X2 * Dis.UnitsPerPixelV, PictureFrame.Y2 * Dis.UnitsPerPixelH};
}

void TMapMetric::RegionDisToPix(const DFRAME& in, DFRAME& out) const {
  ScaleFrame(in, Dis.PixelsPerUnitV, Dis.PixelsPerUnitH, out);
}

void TMapMetric::RegionElemToPix(const DFRAME& in, DFRAME& out) const {
  ScaleFrame(in, Elem.PixelsPerUnitV, Elem.PixelsPerUnitH, out);
}

void TMapMetric::RegionElemToDis(const DFRAME& in, DFRAME& out) const {
  ScaleFrame(in, DisPerElem, DisPerElem, out);
}

// --- Turn and conversions ---

void TMapMetric::Turn(const DOUBLEPOINT& in, DOUBLEPOINT& out) const {
  const double a = in.X, b = in.Y;
  out.X = a * TurnCos - b * TurnSin;
  out.Y = a * TurnSin + b * TurnCos;
}

void TMapMetric::Inverse(const DOUBLEPOINT& in, DOUBLEPOINT& out) const {
  const double a = in.X, b = in.Y;
  out.X = a * TurnCos + b * TurnSin;
  out.Y = -a * TurnSin + b * TurnCos;
}

namespace {

template <class F>
void BoundTurned(const DFRAME& in, DFRAME& out, F turn) {
  DOUBLEPOINT c[4] = {{in.X1, in.Y1}, {in.X1, in.Y2}, {in.X2, in.Y1}, {in.X2, in.Y2}};
  for (DOUBLEPOINT& p : c) turn(p);
  out = DFRAME{c[0].X, c[0].Y, c[0].X, c[0].Y};
  for (const DOUBLEPOINT& p : c) Widen(out, DFRAME{p.X, p.Y, p.X, p.Y});
}

}  // namespace

void TMapMetric::Turn(const DFRAME& in, DFRAME& out) const {
  BoundTurned(in, out, [this](DOUBLEPOINT& p) { Turn(p, p); });
}

void TMapMetric::Inverse(const DFRAME& in, DFRAME& out) const {
  BoundTurned(in, out, [this](DOUBLEPOINT& p) { Inverse(p, p); });
}

void TMapMetric::Pix2Dis(const DOUBLEPOINT& pixel, DOUBLEPOINT& dis) const {
  DOUBLEPOINT p{pixel.X * Dis.UnitsPerPixelH, pixel.Y * Dis.UnitsPerPixelV};
  if (TurnFlag) Turn(p, p);
  dis.X = p.Y;
  dis.Y = p.X;
}

void TMapMetric::Dis2Pix(const DOUBLEPOINT& dis, DOUBLEPOINT& pixel) const {
  DOUBLEPOINT p{dis.Y * Dis.PixelsPerUnitH, dis.X * Dis.PixelsPerUnitV};
  if (TurnFlag) Inverse(p, p);
  pixel = p;
}

void TMapMetric::Dis2Pix(const DOUBLEPOINT& dis, POINT& pixel) const {
  DOUBLEPOINT p;
  Dis2Pix(dis, p);
  pixel.x = NearestPixel(p.X);
  pixel.y = NearestPixel(p.Y);
}

// --- Position of the units being painted ---

// A point u in the units of the sheet lies at picture coordinates
// (u + offset) x pixels per unit. The sheet place is the draw place in
// those units, widened by 1; the origin row and column put u = 0 on the
// picture.
void TMapMetric::SetPosition(const DFRAME& place, const DOUBLEPOINT& offset) {
  SheetPlace.X1 = SaturatePixel(int64_t(TruncatePixel(place.X1 - offset.X)) - 1);
  SheetPlace.Y1 = SaturatePixel(int64_t(TruncatePixel(place.Y1 - offset.Y)) - 1);
  SheetPlace.X2 = SaturatePixel(int64_t(TruncatePixel(place.X2 - offset.X)) + 1);
  SheetPlace.Y2 = SaturatePixel(int64_t(TruncatePixel(place.Y2 - offset.Y)) + 1);
  DOUBLEPOINT o{offset.X * Dis.PixelsPerUnitV, offset.Y * Dis.PixelsPerUnitH};
  if (TurnFlag) Turn(o, o);
  OriginRow = DrawPlace.X2 - o.X;
  OriginColumn = DrawPlace.Y1 - o.Y;
}

void TMapMetric::SetListPosition(const DOUBLEPOINT* origin) { SetListPosition(origin, nullptr); }

void TMapMetric::SetListPosition(const DOUBLEPOINT* origin, const DFRAME* frame) {
  if (origin == nullptr) {
    SheetPlace = FRAME{};
    return;
  }
  DFRAME place = PlaceDis;
  if (frame != nullptr)
    place = *frame;
  else if (TurnFlag)
    Inverse(place, place);
  SetPosition(place, *origin);
}

void TMapMetric::SetSitePosition() { SetSitePosition(nullptr); }

void TMapMetric::SetSitePosition(const DFRAME* frame) {
  // The place in metres from the plane origin.
  DFRAME place;
  if (frame != nullptr) {
    place = DFRAME{frame->X1 - PlaneX0, frame->Y1 - PlaneY0, frame->X2 - PlaneX0,
                   frame->Y2 - PlaneY0};
  } else {
    place = PlaceDis;
    if (TurnFlag) Inverse(place, place);
    ScaleFrame(place, MeterPerDis, MeterPerDis, place);
  }
  // From here on the units are plane metres.
  Dis.Base = DrawScale * MeterPerDis * Dis.UnitsPerPixelV * PixelsPerMeterV;
  UpdatePlace();
  SetPosition(place, DOUBLEPOINT{-PlaneX0, -PlaneY0});
}
