// The map object measured: lengths and areas (from the plane coordinates,
// or in a local projection centred on the object), sides, frames, nearest
// points and distances to other objects; its own visibility scale range;
// its texts and their length on the map.
#include <cmath>
#include <cstring>
#include <numbers>

#include "classifier/maprsc.h"
#include "classifier/rscimagefit.h"
#include "devices/fontreg.h"
#include "mapstore/map.h"
#include "objects/crossfinder.h"
#include "objects/objectinfo.h"
#include "records/primitives.h"

namespace {

constexpr double kFar = 1.7e300;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// A longitude brought to 0 .. 2 pi: 2 pi added once to a negative one;
// still negative gives 0.
double WholeTurn(double l) {
  if (l < 0) l += kTwoPi;
  return l < 0 ? 0.0 : l;
}

void ClearFrame(DFRAME* frame) {
  if (frame != nullptr) *frame = DFRAME{0, 0, 0, 0};
}

}  // namespace

// ---------------------------------------------------------------------------
// The local projection

int TObjectInfo::SetTranslate(TTranslate* t) {
  if (t == nullptr || !HasProjection() || Metric.Record == nullptr) return 0;
  DFRAME frame;
  if (!ObjectFramePlane(&frame)) return 0;
  DOUBLEPOINT centre{(frame.X1 + frame.X2) * 0.5, (frame.Y1 + frame.Y2) * 0.5};
  if (frame.X2 - frame.X1 <= 0.001 && frame.Y2 - frame.Y1 <= 0.001 &&
      !PlanePoint(1, 0, &centre))
    return 0;
  double b = 0, l = 0;
  Map->Translate.XY2BL(centre.X, centre.Y, &b, &l);
  if (!std::isfinite(l)) return 0;
  CONSTPROJ parameters{0, 0, WholeTurn(l), 0, 0, 0};
  if (Map->MaterialProjection() == PRJ_ZONEUTM)
    return t->SetProjection(PRJ_ZONEUTM, &parameters, Map->EllipsoideKind()) == 0;
  return t->SetProjection(PRJ_GAUSSKRUGER, &parameters, ELLIPSOID_KRASOVSKY) == 0;
}

void TObjectInfo::LocalPlane(TTranslate* t, double x, double y, DOUBLEPOINT* out) {
  if (t == nullptr) {
    *out = DOUBLEPOINT{x, y};
    return;
  }
  double b = 0, l = 0;
  Map->Translate.XY2BL(x, y, &b, &l);
  t->BL2XY(b, WholeTurn(l), &out->X, &out->Y);
}

// ---------------------------------------------------------------------------
// Lengths and areas

double TObjectInfo::LengthReal(int subject) {
  if (Metric.Record == nullptr || Map == nullptr) return 0.0;
  TTranslate local;
  TTranslate* t = HasProjection() && SetTranslate(&local) ? &local : nullptr;
  const int first = subject < 0 ? 0 : subject;
  const int last = subject < 0 ? Metric.Record->Count : subject;
  double sum = 0.0;
  for (int s = first; s <= last; ++s) {
    // A contour the record does not hold leaves no length to measure.
    if (Metric.DescPointSubject(s) == nullptr) return 0.0;
    const int count = Metric.PointCount(s);
    DOUBLEPOINT a{}, p;
    for (int i = 1; i <= count; ++i) {
      if (!PlanePoint(i, s, &p)) break;
      DOUBLEPOINT q;
      LocalPlane(t, p.X, p.Y, &q);
      const double dx = q.X - a.X, dy = q.Y - a.Y, d2 = dx * dx + dy * dy;
      if (i > 1 && d2 > 1e-6) sum += std::sqrt(d2);
      a = q;
    }
  }
  return sum;
}

double TObjectInfo::SquareReal(int subject) {
  if (Metric.Record == nullptr || Map == nullptr || Metric.TextFlag) return 0.0;
  TTranslate local;
  TTranslate* t = HasProjection() && SetTranslate(&local) ? &local : nullptr;
  const int first = subject < 0 ? 0 : subject;
  const int last = subject < 0 ? Metric.Record->Count : subject;
  double total = 0.0;
  for (int s = first; s <= last; ++s) {
    if (Metric.DescPointSubject(s) == nullptr) return 0.0;
    const int count = Metric.PointCount(s);
    double sum = 0.0;
    DOUBLEPOINT a{}, p;
    for (int i = 1; i <= count; ++i) {
      if (!PlanePoint(i, s, &p)) break;
      DOUBLEPOINT q;
      LocalPlane(t, p.X, p.Y, &q);
      if (i > 1) sum += (a.X + q.X) * (a.Y - q.Y);
      a = q;
    }
    total += s == first ? std::fabs(sum) : -std::fabs(sum);
  }
  return total * 0.5;
}

double TObjectInfo::Length() {
  if (Metric.Record == nullptr || Map == nullptr) return 0.0;
  if (HasProjection() && Map->MapType() != 1) return LengthReal(-1);
  return Metric.PolyPerimeter() * Map->Factor;
}

double TObjectInfo::Perimeter() {
  if (Metric.Record == nullptr || Map == nullptr) return 0.0;
  if (HasProjection() && Map->MapType() != 1) return LengthReal(0);
  return Metric.Perimeter() * Map->Factor;
}

double TObjectInfo::ViewLength() {
  if (Metric.Record == nullptr || Map == nullptr) return 0.0;
  return Metric.PolyPerimeter() * Map->Factor;
}

double TObjectInfo::Square() {
  if (Metric.Record == nullptr || Map == nullptr || Desc == nullptr) return 0.0;
  const int local = FvsprLocal(Desc);
  if (local != LOCAL_SQUARE && !(local == LOCAL_LINE && Metric.GetExclusiveSubject(0) == 1))
    return 0.0;
  if (HasProjection() && Map->Scale() > 10000) return SquareReal(-1);
  const double area = Metric.Square() * Map->Factor * Map->Factor;
  if (area >= 100000000.0) return area;
  // Thousandths of a square metre.
  const double whole = std::trunc(area + 0.005);
  const double part = std::trunc((area - whole) * 1000 + 0.5);
  return whole + part * 0.001;
}

// ---------------------------------------------------------------------------
// Sides

namespace {

// The point after n in a contour of `count` points: 1 after the last.
int NextOf(int n, int count) { return n == count ? 1 : n + 1; }

}  // namespace

double TObjectInfo::SideLength(int n, int subject) {
  if (Metric.Record == nullptr || Map == nullptr) return 0.0;
  const int count = Metric.PointCount(subject);
  DOUBLEPOINT a, b;
  if (n < 1 || n > count || !PlanePoint(n, subject, &a) ||
      !PlanePoint(NextOf(n, count), subject, &b))
    return 0.0;
  TTranslate local;
  if (HasProjection() && Map->MapType() != 1 && SetTranslate(&local)) {
    DOUBLEPOINT p, q;
    LocalPlane(&local, a.X, a.Y, &p);
    LocalPlane(&local, b.X, b.Y, &q);
    return Metric.Distance(&p, &q);
  }
  return Metric.Distance(&a, &b);
}

double TObjectInfo::SideDirection(int n, int subject) {
  if (Metric.Record == nullptr) return 0.0;
  const int count = Metric.PointCount(subject);
  if (n < 1 || n > count || Metric.GoPointSubject(n, subject) == nullptr) return 0.0;
  const DOUBLEPOINT a{Metric.XDouble(), Metric.YDouble()};
  if (Metric.GoPointSubject(NextOf(n, count), subject) == nullptr) return 0.0;
  const DOUBLEPOINT b{Metric.XDouble(), Metric.YDouble()};
  return Metric.DirectionAngle(&a, &b);
}

double TObjectInfo::SideAzimuth(int n, int subject) {
  if (Metric.Record == nullptr || !HasProjection()) return 0.0;
  const int count = Metric.PointCount(subject);
  DOUBLEPOINT a, b;
  if (n < 1 || n > count || !PlanePoint(n, subject, &a) ||
      !PlanePoint(NextOf(n, count), subject, &b))
    return 0.0;
  double lat = 0, lon = 0;
  Map->Translate.XY2BL(a.X, a.Y, &lat, &lon);
  DOUBLEPOINT north;
  Map->Translate.BL2XY(lat + 0.01, lon, &north.X, &north.Y);
  return Metric.DirectionAngle(&a, &b) - Metric.DirectionAngle(&a, &north);
}

// ---------------------------------------------------------------------------
// Frames

int TObjectInfo::ObjectFramePlane(DFRAME* frame) {
  if (frame == nullptr) return 0;
  DFRAME f;
  if (Metric.Record == nullptr || !Metric.Dimensions(&f)) {
    ClearFrame(frame);
    return 0;
  }
  *frame = DFRAME{ToPlaneX(f.X1), ToPlaneY(f.Y1), ToPlaneX(f.X2), ToPlaneY(f.Y2)};
  return 1;
}

int TObjectInfo::ObjectFrame(DFRAME* frame, int rebuild) {
  if (frame == nullptr) return 0;
  if (Desc == nullptr || Map == nullptr) {
    ClearFrame(frame);
    return 0;
  }
  if (Number == 0 || rebuild) {
    if (Map->List.Number() == 0 && !Map->OpenList(Sheet)) {
      ClearFrame(frame);
      return 0;
    }
    Map->List.BuildBorder(Desc, Metric.Record, Semn.Record(), Draw.Record());
  }
  if (Map->IsRealPlace()) {
    *frame = DFRAME{double(Desc->X1), double(Desc->Y1), double(Desc->X2), double(Desc->Y2)};
    return 1;
  }
  *frame = DFRAME{std::trunc(Desc->X1 + Origin.X), std::trunc(Desc->Y1 + Origin.Y),
                  std::trunc(Desc->X2 + Origin.X), std::trunc(Desc->Y2 + Origin.Y)};
  return 1;
}

int TObjectInfo::ViewObjectFramePlane(DFRAME* frame, int rebuild) {
  if (!ObjectFrame(frame, rebuild)) return 0;
  const double k = Map->Factor;
  *frame = DFRAME{frame->X1 * k + Map->X0, frame->Y1 * k + Map->Y0, frame->X2 * k + Map->X0,
                  frame->Y2 * k + Map->Y0};
  return 1;
}

int TObjectInfo::DimensionObject(DFRAME* frame) {
  if (frame == nullptr) return 0;
  DFRAME f;
  if (Metric.Record == nullptr || !Metric.Dimensions(&f)) {
    ClearFrame(frame);
    return 0;
  }
  *frame = DFRAME{f.X1 + Origin.X, f.Y1 + Origin.Y, f.X2 + Origin.X, f.Y2 + Origin.Y};
  return 1;
}

int TObjectInfo::IsCrossObjectFrame(TObjectInfo* other, double delta) {
  if (other == nullptr || Map == nullptr || other->Map == nullptr) return 0;
  DFRAME a, b;
  if (Map == other->Map) {
    if (!ObjectFrame(&a, 0) || !other->ObjectFrame(&b, 0)) return 0;
  } else {
    // The smaller object's plane frame, widened, in the other map's units.
    TObjectInfo* small = PointCount(0) <= other->PointCount(0) ? this : other;
    TObjectInfo* large = small == this ? other : this;
    DFRAME plane;
    if (!small->ViewObjectFramePlane(&plane, 0) || !large->ObjectFrame(&b, 0)) return 0;
    const TMap* to = large->Map;
    a = DFRAME{std::trunc((plane.X1 - delta - to->X0) / to->Factor - 0.5),
               std::trunc((plane.Y1 - delta - to->Y0) / to->Factor - 0.5),
               std::trunc((plane.X2 + delta - to->X0) / to->Factor - 0.5),
               std::trunc((plane.Y2 + delta - to->Y0) / to->Factor - 0.5)};
  }
  return !(a.X1 > b.X2 || b.X1 > a.X2 || a.Y1 > b.Y2 || b.Y1 > a.Y2);
}

// ---------------------------------------------------------------------------
// Nearest points

int TObjectInfo::SeekNearPoint(double x, double y, int subject) {
  if (Metric.Record == nullptr || Map == nullptr || subject > Metric.Record->Count) {
    Error = MAPERR_INPUT;
    return 0;
  }
  const double sx = ToStoredX(x), sy = ToStoredY(y);
  return subject < 0 ? Metric.SeekNearPoint(sx, sy) : Metric.SeekNearPoint(sx, sy, subject);
}

int TObjectInfo::SeekNearVirtualPoint(double x, double y, DOUBLEPOINT* result, int subject) {
  if (Metric.Record == nullptr || Map == nullptr || result == nullptr ||
      subject > Metric.Record->Count) {
    Error = MAPERR_INPUT;
    return 0;
  }
  XYDOUBLE found;
  const double sx = ToStoredX(x), sy = ToStoredY(y);
  const int n = subject < 0 ? Metric.SeekNearVirtualPoint(sx, sy, &found)
                            : Metric.SeekNearVirtualPoint(sx, sy, subject, &found);
  if (n == 0) return 0;
  *result = DOUBLEPOINT{ToPlaneX(found.X), ToPlaneY(found.Y)};
  return n;
}

int TObjectInfo::SeekVirtualPointByDistance(int subject, double distance, DOUBLEPOINT* result,
                                            int n) {
  if (Metric.Record == nullptr || Map == nullptr || result == nullptr || subject < 0 ||
      subject > Metric.Record->Count) {
    Error = MAPERR_INPUT;
    return 0;
  }
  DOUBLEPOINT found;
  const int r = Metric.SeekVirtualPointByDistance(n, distance / Map->Factor, &found, subject);
  if (r == 0) return 0;
  *result = DOUBLEPOINT{ToPlaneX(found.X), ToPlaneY(found.Y)};
  return r;
}

int TObjectInfo::DistanceObject(TObjectInfo* other, int subject, DOUBLEPOINT* nearest,
                                double* distance) {
  if (other == nullptr || other == this || Metric.Record == nullptr || Map == nullptr ||
      other->Metric.Record == nullptr || other->Map == nullptr)
    return 0;
  const bool otherPlane = other->Map->IsRealPlace() != 0;
  const bool thisPlane = Map->IsRealPlace() != 0;
  const DOUBLEPOINT shift{Origin.X - other->Origin.X, Origin.Y - other->Origin.Y};
  double best = kFar;
  int winner = 0;
  XYDOUBLE near{};
  const int count = Metric.PointCount(subject);
  for (int i = 1; i <= count; ++i) {
    if (Metric.GoPointSubject(i, subject) == nullptr) break;
    // The point in the other object's units.
    DOUBLEPOINT q{Metric.XDouble(), Metric.YDouble()};
    if (otherPlane) {
      q = DOUBLEPOINT{ToPlaneX(q.X), ToPlaneY(q.Y)};
    } else if (!thisPlane) {
      if (other->Map != Map || other->Sheet != Sheet) q = DOUBLEPOINT{q.X + shift.X, q.Y + shift.Y};
    } else {
      q = DOUBLEPOINT{other->ToStoredX(q.X), other->ToStoredY(q.Y)};
    }
    XYDOUBLE found;
    if (other->Metric.SeekNearVirtualPoint(q.X, q.Y, &found) == 0) continue;
    const double dx = found.X - q.X, dy = found.Y - q.Y, d2 = dx * dx + dy * dy;
    if (d2 < best) {
      best = d2;
      winner = i;
      near = found;
    }
  }
  if (winner == 0) return 0;
  const DOUBLEPOINT nearPlane =
      otherPlane ? DOUBLEPOINT{near.X, near.Y}
                 : DOUBLEPOINT{other->ToPlaneX(near.X), other->ToPlaneY(near.Y)};
  DOUBLEPOINT own;
  PlanePoint(winner, subject, &own);
  if (nearest != nullptr) *nearest = nearPlane;
  if (distance != nullptr) *distance = Metric.Distance(&own, &nearPlane);
  return winner;
}

namespace {

// The kind a metric takes before crossing points go into it: integer kinds
// become floats (with heights when the object is three-dimensional); float
// and double kinds keep their precision.
int CrossingKind(const TObjectInfo& o) {
  const DWORD kind = o.Metric.Record->Ident;
  if (kind == METRIC_F32 || kind == METRIC_F32H || kind == METRIC_F64 || kind == METRIC_F64H)
    return static_cast<int>(kind);
  return static_cast<int>(o.Descriptor().DatDimension() ? METRIC_F32H : METRIC_F32);
}

}  // namespace

int TObjectInfo::InsertPointCross(TObjectInfo* other) {
  if (other == nullptr || other == this) {
    Error = MAPERR_INPUT;
    return 0;
  }
  const int a = ObjectLocal(), b = other->ObjectLocal();
  if (Desc == nullptr || other->Desc == nullptr || (a != LOCAL_LINE && a != LOCAL_SQUARE) ||
      (b != LOCAL_LINE && b != LOCAL_SQUARE) || Metric.Record == nullptr ||
      other->Metric.Record == nullptr)
    return 0;
  const OBJECTCROSSFINDER* finder = ObjectCrossFinder();
  if (finder == nullptr) {
    Error = OBJECT_ERR_NOCROSSING;
    return 0;
  }
  void* worker = finder->Create();
  if (worker == nullptr) {
    Error = MAPERR_MEMORY;
    return 0;
  }
  int total = 0;
  bool converted = false;
  for (int s1 = 0; s1 < PolyCount(); ++s1) {
    for (int s2 = 0; s2 < other->PolyCount(); ++s2) {
      if (!finder->Load(worker, this, other, s1, s2)) {
        if (const int code = finder->Error(worker)) Error = code;
        continue;
      }
      if (!converted) {
        // Both metrics take kinds that keep the fractions of crossing
        // points (the worker writes into them in their own kinds).
        if (ChangeKind(CrossingKind(*this)) == 0 || other->ChangeKind(CrossingKind(*other)) == 0) {
          finder->Free(worker);
          Error = MAPERR_INPUT;
          return 0;
        }
        converted = true;
      }
      total += finder->Insert(worker);
    }
  }
  finder->Free(worker);
  return total;
}

// ---------------------------------------------------------------------------
// The object's own scale range

LONG TObjectInfo::TopScale() {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr) return 0;
  TObjectDesc desc(Desc);
  return rsc->GetScaleItem(desc.IsBotTop() ? desc.Top() : rsc->GetObjTop(Desc->Code));
}

LONG TObjectInfo::BotScale() {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr) return 0;
  TObjectDesc desc(Desc);
  return rsc->GetScaleItem(desc.IsBotTop() ? desc.Bot() : rsc->GetObjBot(Desc->Code));
}

LONG TObjectInfo::TopScale(int denominator) {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr) return 0;
  int index = 15;
  for (int i = 0; i <= 15; ++i) {
    const LONG item = rsc->GetScaleItem(i);
    if (int64_t(item) + item / 2 > denominator) {
      index = i;
      break;
    }
  }
  TObjectDesc desc(Desc);
  desc.IsBotTop(1);
  desc.Top(index);
  return rsc->GetScaleItem(index);
}

LONG TObjectInfo::BotScale(int denominator) {
  TMapRsc* rsc = OpenRsc();
  if (rsc == nullptr || Desc == nullptr) return 0;
  int index = 0;
  for (int i = 0; i <= 15; ++i) {
    const LONG item = rsc->GetScaleItem(i);
    if (int64_t(item) + item / 2 >= denominator) {
      index = i;
      break;
    }
  }
  TObjectDesc(Desc).IsBotTop(1);
  Desc->Scales = static_cast<BYTE>((Desc->Scales & 0xF0) | (index & 0x0F));
  return rsc->GetScaleItem(index);
}

int TObjectInfo::ClearBotTop() {
  if (Desc == nullptr) return 0;
  TObjectDesc desc(Desc);
  desc.IsBotTop(0);
  TMapRsc* rsc = OpenRsc();
  int top = 15, bot = 0;
  if (rsc != nullptr && Desc->Code != 0) {
    top = rsc->GetObjTop(Desc->Code);
    bot = rsc->GetObjBot(Desc->Code);
  }
  desc.Top(top);
  Desc->Scales = static_cast<BYTE>((Desc->Scales & 0xF0) | (bot & 0x0F));
  return 1;
}

// ---------------------------------------------------------------------------
// Texts

char* TObjectInfo::GetText(char* buffer, int size, int subject) {
  if (buffer == nullptr || size < 1) return nullptr;
  buffer[0] = 0;
  if (Metric.Record == nullptr || Metric.DescPointSubject(subject) == nullptr) return nullptr;
  return Metric.GetText(buffer, size);
}

int TObjectInfo::PutText(const char* text, int subject) {
  if (text == nullptr || Metric.Record == nullptr || Metric.DescPointSubject(subject) == nullptr)
    return 0;
  return Metric.PutText(text, -1);
}

int TObjectInfo::GetTextHorizontalAlign(int subject) {
  if (Metric.Record == nullptr || Metric.DescPointSubject(subject) == nullptr) return 0;
  return Metric.GetTextHorizontalAlign();
}

int TObjectInfo::GetTextVerticalAlign(int subject) {
  if (Metric.Record == nullptr || Metric.DescPointSubject(subject) == nullptr) return 0;
  return Metric.GetTextVerticalAlign();
}

int TObjectInfo::PutTextHorizontalAlign(int align, int subject) {
  return Metric.Record != nullptr ? Metric.PutTextHorizontalAlign(align, subject) : 0;
}

int TObjectInfo::PutTextVerticalAlign(int align, int subject) {
  return Metric.Record != nullptr ? Metric.PutTextVerticalAlign(align, subject) : 0;
}

namespace {

// Offsets in the 32-byte text record of primitives 142 and 152.
enum : int {
  TEXT_HEIGHT = 12,     // character height, micrometres
  TEXT_FONT = 22,       // font slot
  TEXT_WIDTHKIND = 24,  // 0 normal, 1 narrow, other wide
  TEXT_FLAG = 31,       // bit 0: stretched along the metric
  TEXT_RECORD = 32,
  VECTOR_STRETCH = 43,  // a vector sign stretched along the metric
};

// The stretch answer of the last text element of a drawing description;
// -1 when it has none.
int StretchOf(TDrawEdit& draw) {
  for (int n = draw.Count(); n >= 1; --n) {
    const int code = draw.ElementIdent(n);
    const char* parms = draw.ElementParmAddress(n);
    const int length = draw.ElementParmLength(n);
    if (parms == nullptr) continue;
    if ((code == PRIM_TEXT || code == PRIM_FACE_TEXT) && length >= TEXT_RECORD)
      return parms[TEXT_FLAG] & 1;
    if (code == PRIM_VECTOR && length > VECTOR_STRETCH) return BYTE(parms[VECTOR_STRETCH]);
  }
  return -1;
}

}  // namespace

int TObjectInfo::GetTextLengthMkm(int subject) {
  if (Desc == nullptr || Metric.Record == nullptr) return 0;
  const int local = FvsprLocal(Desc);
  if (local != LOCAL_TITLE && local != LOCAL_MIXED) return 0;
  char text[METRIC_TEXT_LIMIT + 2] = {};
  if (GetText(text, sizeof(text) - 1, subject) == nullptr || text[0] == 0) return 0;
  const int length = int(std::strlen(text));
  if (Desc->Code != 0) {
    TMapRsc* rsc = OpenRsc();
    IMAGESIZE size;
    if (rsc == nullptr || !rsc->GetImageSize(Desc->Code, &size, 0, text)) return 0;
    return size.Width;
  }
  if (Draw.Record() == nullptr || Draw.Count() < 1) return 0;
  const int code = Draw.ElementIdent(1);
  char* parms = Draw.ElementParmAddress(1);
  if ((code != PRIM_TEXT && code != PRIM_FACE_TEXT) || parms == nullptr ||
      Draw.ElementParmLength(1) < TEXT_RECORD)
    return 0;
  // A text with a face name is measured in the registry's first font.
  if (code == PRIM_FACE_TEXT) parms[TEXT_FONT] = 0;
  if (parms[TEXT_FLAG] & 1) return 0;
  LONG height;
  std::memcpy(&height, parms + TEXT_HEIGHT, sizeof(height));
  const int font = BYTE(parms[TEXT_FONT]);
  const int fontHeight = GetMapFontHeightByCharHeight(font, height);
  return GetMapTextMaxLineWidth(font, BYTE(parms[TEXT_WIDTHKIND]), fontHeight, length, text);
}

int TObjectInfo::IsObjectStretch() {
  if (Desc == nullptr) return 0;
  TDrawEdit image;
  TDrawEdit* walk = &Draw;
  if (Desc->Code != 0) {
    TMapRsc* rsc = OpenRsc();
    VIEPAR* par = rsc != nullptr ? rsc->GetTabPar(Desc->Code) : nullptr;
    // The image is copied by its own length: it must lie in the record.
    if (!rscImageFits(par)) return 0;
    const char* parms = reinterpret_cast<const char*>(par) + sizeof(VIEPAR);
    const int length = int(par->Length - sizeof(VIEPAR));
    if (par->Function == PRIM_SET) {
      // The nested description must lie within the classifier's record.
      IMGDRAW head;
      if (length < int(sizeof(head))) return 0;
      std::memcpy(&head, parms, sizeof(head));
      if (head.Length > DWORD(length) || !image.Load(TObjectDraw(const_cast<IMGDRAW*>(
                                             reinterpret_cast<const IMGDRAW*>(parms)))))
        return 0;
    } else if (!image.Load(par->Function, parms)) {
      return 0;
    }
    walk = &image;
  }
  if (walk->Record() == nullptr) return 0;
  const int stretch = StretchOf(*walk);
  return stretch < 0 ? 0 : stretch;
}
