// Projection parameters of a map and its three nested frames: the corners
// of each sheet, the frame of each sheet record and the map frame; and the
// device coordinate system in which objects are stored.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "mapstore/map.h"
#include "platform/numeric.h"

namespace {

// Margin of a frame: Scale x k + 0.5 truncated, with the smaller k below
// scale 500,000.
double Margin(LONG scale, double small, double large) {
  const double k = scale < 500000 ? small : large;
  return std::floor(scale * k + 0.5);
}

}  // namespace

// ---------------------------------------------------------------------------
// Passport accessors

LONG TMap::Scale(LONG scale) {
  Passport.Register.Scale = scale < 1 ? 2000 : scale;
  PassportChanged = 1;
  return Passport.Register.Scale;
}

#define MC_REGISTER_SETTER(Type, Method, Field) \
  Type TMap::Method(Type value) {                \
    Passport.Register.Field = value;             \
    PassportChanged = 1;                         \
    return value;                                \
  }
MC_REGISTER_SETTER(int, ProjectionFlag, ProjectionFlag)
MC_REGISTER_SETTER(int, FrameKind, FrameKind)
MC_REGISTER_SETTER(int, MapType, MapType)
MC_REGISTER_SETTER(int, DataProjection, DataProjection)
MC_REGISTER_SETTER(double, FirstMainParallel, FirstMainParallel)
MC_REGISTER_SETTER(double, SecondMainParallel, SecondMainParallel)
MC_REGISTER_SETTER(double, AxisMeridian, AxisMeridian)
MC_REGISTER_SETTER(double, MainPointParallel, MainPointParallel)
MC_REGISTER_SETTER(double, PoleLatitude, PoleLatitude)
MC_REGISTER_SETTER(double, PoleLongitude, PoleLongitude)
#undef MC_REGISTER_SETTER

int TMap::DataProjection() {
  if (Passport.Register.MapType == MAPTYPE_TOPOGRAPHIC && Passport.Register.DataProjection == 0) {
    Passport.Register.DataProjection = 1;
    PassportChanged = 1;
  }
  return Passport.Register.DataProjection;
}

double TMap::AxisMeridian() {
  PassportChanged = 1;
  return Passport.Register.AxisMeridian;
}

int TMap::ScaleTableNumber(int value) {
  Passport.ScaleTable = BYTE(value);
  PassportChanged = 1;
  return value;
}

int TMap::IsOrder(int value) {
  Passport.Order = value ? 1 : 0;
  return Passport.Order;
}

int TMap::SetPrecision(int value) {
  Passport.Precision = value ? 1 : 0;
  return GetPrecision();
}

#define MC_FRAME_SETTER(Field)            \
  double TMap::Field(double value) {      \
    if (!Lists) return 0.0;               \
    Passport.Field = value / 10.0;        \
    PassportChanged = 1;                  \
    return value;                         \
  }
MC_FRAME_SETTER(X1)
MC_FRAME_SETTER(Y1)
MC_FRAME_SETTER(X2)
MC_FRAME_SETTER(Y2)
#undef MC_FRAME_SETTER

int TMap::MapRegister(MAPREGISTEREX* reg) {
  if (!reg) return 0;
  Passport.OriginX = Passport.OriginY = 0.0;
  std::memcpy(&Passport.Register, reg, sizeof(MAPREGISTEREX));
  MAPREGISTEREX& r = Passport.Register;
  r.Length = MAPREGISTER_LENGTH;
  if (r.Scale < 1) r.Scale = 2000;
  r.Name[sizeof(r.Name) - 1] = 0;
  for (size_t n = strnlen(r.Name, sizeof(r.Name)); n > 0 && r.Name[n - 1] == ' '; --n)
    r.Name[n - 1] = 0;
  PassportChanged = 1;
  SetDataProjection();
  return 1;
}

int TMap::ListToRegister(MAPREGISTEREX* map, LISTREGISTER* sheet, int n) {
  LISTDESC* list = TMapPassport::List(n);
  if (!list || !map || !sheet) return 0;
  std::memcpy(map, &Passport.Register, sizeof(*map));
  map->ZoneNumber = Translate.ZoneNumber;
  std::memcpy(sheet, &list->Register, sizeof(*sheet));
  return 1;
}

int TMap::ListToRegister(TMapRegister* reg, int n) {
  return reg ? ListToRegister(&reg->Map, &reg->List.Register, n) : 0;
}

int TMap::SetDataProjection() {
  if (!DataProjection()) {
    ProjectionReady = 0;
    return 0;
  }
  const MAPREGISTEREX& r = Passport.Register;
  CONSTPROJ parameters = {r.FirstMainParallel, r.SecondMainParallel, r.AxisMeridian,
                          r.MainPointParallel, r.PoleLatitude,       r.PoleLongitude};
  const int code = Translate.SetProjection(r.MaterialProjection, &parameters, r.EllipsoideKind);
  ProjectionReady = code == 0;
  return code;
}

DFRAME* TMap::ListFrame(int n) {
  LISTDESC* list = TMapPassport::List(n);
  return list ? &list->Frame : nullptr;
}

DOUBLEPOINT* TMap::ViewPosition(int n) {
  LISTDESC* list = TMapPassport::List(n);
  return list ? &list->ViewPosition : nullptr;
}

int TMap::CheckFrame(int n, const DFRAME* f) {
  const DFRAME* frame = ListFrame(n);
  if (!frame || !f) return 0;
  return frame->X1 <= f->X2 && frame->X2 >= f->X1 && frame->Y1 <= f->Y2 && frame->Y2 >= f->Y1;
}

int TMap::GetListFrameNumber(int n) {
  LISTDESC* list = TMapPassport::List(n);
  if (!list) return 0;
  if (list->FrameObject == -1) return 0;
  if (list->FrameObject > 0) return list->FrameObject;
  if (!OpenList(n)) return 0;
  // The frame object: the first object of the sheet that is not deleted
  // and has the frame code.
  list->FrameObject = -1;
  for (LONG m = 1; m <= List.Head.Count; ++m) {
    const FVSPR* desc = reinterpret_cast<const FVSPR*>(List.HeadBuffer.RecordAddr(m));
    if (!desc) break;
    if (FvsprIsFrame(desc) && !FvsprIsDeleted(desc)) {
      list->FrameObject = m;
      break;
    }
  }
  return list->FrameObject > 0 ? list->FrameObject : 0;
}

FVSPR* TMap::GetFrameDesc() {
  const int sheet = List.Number();
  if (sheet < 1) return nullptr;
  const int m = GetListFrameNumber(sheet);
  return m ? ListObjectDesc(sheet, m) : nullptr;
}

double TMap::BigAxis() const {
  static const double kAxis[] = {6378245.0, 6378140.0, 6378388.0, 6378249.0, 6378206.0,
                                 6377276.0, 6377397.0, 6377491.0, 6378137.0};
  const int kind = EllipsoideKind();
  return kind >= 1 && kind <= 9 ? kAxis[kind - 1] : 0.0;
}

double TMap::Eccentricity() const {
  static const double kInverse[] = {298.3, 298.257, 297.0, 293.5, 295.0,
                                    300.0, 299.2,   299.3, 298.257};
  const int kind = EllipsoideKind();
  return kind >= 1 && kind <= 9 ? kInverse[kind - 1] : 0.0;
}

// ---------------------------------------------------------------------------
// Borders

void TMap::CreateListBorder(int n) {
  LISTDESC* list = TMapPassport::List(n);
  if (!list) return;
  const LISTREGISTER& r = list->Register;
  double xmin = std::min({r.XSouthWest, r.XNorthWest, r.XNorthEast, r.XSouthEast});
  double ymin = std::min({r.YSouthWest, r.YNorthWest, r.YNorthEast, r.YSouthEast});
  const double xmax = std::max({r.XSouthWest, r.XNorthWest, r.XNorthEast, r.XSouthEast});
  const double ymax = std::max({r.YSouthWest, r.YNorthWest, r.YNorthEast, r.YSouthEast});
  if (!IsRealPlace() && Scale() > 25000) {
    const double m = Margin(Scale(), 0.0025, 0.005);
    xmin -= m;
    ymin -= m;
  }
  list->Corner[0] = DOUBLEPOINT{xmin, ymin};
  list->Corner[1] = DOUBLEPOINT{xmax, ymax};
  PassportChanged = 1;
}

int TMap::UpdateListBorder(int n, const DOUBLEPOINT* min, const DOUBLEPOINT* max) {
  LISTDESC* list = TMapPassport::List(n);
  if (!list || !min || !max) return 0;
  list->Corner[0] = *min;
  list->Corner[1] = *max;
  PassportChanged = 1;
  CreateMapBorder();
  return 1;
}

int TMap::UpdateListBorder(int n, int save) {
  LISTDESC* list = TMapPassport::List(n);
  if (!list) return 0;
  const LISTREGISTER& r = list->Register;
  const DOUBLEPOINT min = {std::min({r.XSouthWest, r.XNorthWest, r.XNorthEast, r.XSouthEast}),
                           std::min({r.YSouthWest, r.YNorthWest, r.YNorthEast, r.YSouthEast})};
  const DOUBLEPOINT max = {std::max({r.XSouthWest, r.XNorthWest, r.XNorthEast, r.XSouthEast}),
                           std::max({r.YSouthWest, r.YNorthWest, r.YNorthEast, r.YSouthEast})};
  UpdateListBorder(n, &min, &max);
  if (save && EditMode) Save(1);
  return 1;
}

int TMap::UpdateListGeoBorder(int n) {
  LISTDESC* list = TMapPassport::List(n);
  if (!list || !ProjectionReady || !OpenList(n)) return 0;
  LISTREGISTER& r = list->Register;
  Translate.XY2BL(r.XSouthWest, r.YSouthWest, &r.BSouthWestCoordinate, &r.LSouthWestCoordinate);
  Translate.XY2BL(r.XNorthWest, r.YNorthWest, &r.BNorthWestCoordinate, &r.LNorthWestCoordinate);
  Translate.XY2BL(r.XNorthEast, r.YNorthEast, &r.BNorthEastCoordinate, &r.LNorthEastCoordinate);
  Translate.XY2BL(r.XSouthEast, r.YSouthEast, &r.BSouthEastCoordinate, &r.LSouthEastCoordinate);
  PassportChanged = 1;
  return 1;
}

void TMap::CreateMapBorder() {
  if (Count() < 1 || !Lists) return;
  const double m = Margin(Scale(), 0.005, 0.01);
  const LISTDESC& first = Lists[0];
  double x1, y1, x2, y2;
  if (first.Corner[0].X != first.Corner[1].X && first.Corner[0].Y != first.Corner[1].Y) {
    x1 = first.Corner[0].X - m;
    y1 = first.Corner[0].Y - m;
    x2 = first.Corner[1].X + m;
  } else {
    x1 = first.Corner[0].X;
    y1 = first.Corner[0].Y;
    x2 = first.Corner[1].X;
  }
  y2 = first.Corner[1].Y;
  if (!IsRealPlace()) {
    for (int i = 1; i < Count() && i < Capacity(); ++i) {
      const LISTDESC& list = Lists[i];
      if (x1 > list.Corner[0].X) x1 = list.Corner[0].X - m;
      if (x2 < list.Corner[1].X) x2 = list.Corner[1].X;
      if (y1 > list.Corner[0].Y) y1 = list.Corner[0].Y - m;
      if (y2 < list.Corner[1].Y) y2 = list.Corner[1].Y;
    }
  }
  // The passport keeps a tenth of the map frame.
  Passport.X1 = x1 / 10.0;
  Passport.Y1 = y1 / 10.0;
  Passport.X2 = x2 / 10.0;
  Passport.Y2 = y2 / 10.0;
  CalculateBorder(Count());
  CalculateDeviceFrame();
  PassportChanged = 1;
}

void TMap::CalculateDeviceFrame() {
  // The frame comes from the passport as it was read: a huge value or one
  // that is not a number saturates (0 for the latter) instead of being
  // turned blindly into an integer that cannot hold it.
  const double x1 = Passport.X1 * 10.0, y1 = Passport.Y1 * 10.0;
  const double x2 = Passport.X2 * 10.0, y2 = Passport.Y2 * 10.0;
  // The sheets' origins are computed again below.
  SheetPlacesMoved();
  if (IsRealPlace()) {
    X0 = Y0 = 0.0;
    Factor = 1.0;
    DeviceFrame[0] = plat::TruncateTo<LONG>(x2);
    DeviceFrame[1] = plat::TruncateTo<LONG>(y2);
    DeviceFrame[2] = plat::TruncateTo<LONG>(x1);
    DeviceFrame[3] = plat::TruncateTo<LONG>(y1);
    for (int i = 0; i < Count() && i < Capacity(); ++i) Lists[i].ViewPosition = DOUBLEPOINT{0, 0};
    return;
  }
  X0 = Passport.OriginX;
  Y0 = Passport.OriginY;
  // A device capability of 0 would divide by zero: it counts as 1, as in
  // the sheet frames.
  const double capability = DeviceCapability() < 1 ? 1.0 : double(DeviceCapability());
  Factor = Scale() / capability;
  if (!(Factor > 0)) Factor = 1.0;
  DeviceFrame[0] = plat::TruncateTo<LONG>((x2 - X0) / Factor);
  DeviceFrame[1] = plat::TruncateTo<LONG>((y2 - Y0) / Factor);
  DeviceFrame[2] = plat::TruncateTo<LONG>((x1 - X0) / Factor);
  DeviceFrame[3] = plat::TruncateTo<LONG>((y1 - Y0) / Factor);
  for (int i = 0; i < Count() && i < Capacity(); ++i) {
    const LISTREGISTER& r = Lists[i].Register;
    Lists[i].ViewPosition =
        DOUBLEPOINT{(r.XSouthWest - X0) / Factor - 6400.0, (r.YSouthWest - Y0) / Factor - 6400.0};
  }
}

void TMap::CalculateSiteBorder() {
  SiteBorderChanged = 0;
  if (!IsRealPlace() || !OpenList(1)) return;
  LISTDESC* list = TMapPassport::List(1);
  if (!list) return;
  bool any = false;
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  for (LONG m = 1; m <= List.Head.Count; ++m) {
    const FVSPR* desc = reinterpret_cast<const FVSPR*>(List.HeadBuffer.RecordAddr(m));
    if (!desc) break;
    if (FvsprIsDeleted(desc)) continue;
    if (!any) {
      xmin = desc->X1, ymin = desc->Y1, xmax = desc->X2, ymax = desc->Y2;
      any = true;
    } else {
      xmin = std::min<double>(xmin, desc->X1);
      ymin = std::min<double>(ymin, desc->Y1);
      xmax = std::max<double>(xmax, desc->X2);
      ymax = std::max<double>(ymax, desc->Y2);
    }
  }
  LISTREGISTER& r = list->Register;
  if (any) {
    const double m = std::floor(Scale() * 0.005 + 0.9);
    r.XSouthWest = xmin - m, r.YSouthWest = ymin - m;
    r.XNorthWest = xmax + m, r.YNorthWest = ymin - m;
    r.XNorthEast = xmax + m, r.YNorthEast = ymax + m;
    r.XSouthEast = xmin - m, r.YSouthEast = ymax + m;
  } else {
    r.XSouthWest = r.YSouthWest = r.XNorthWest = r.YNorthWest = 0;
    r.XNorthEast = r.YNorthEast = r.XSouthEast = r.YSouthEast = 0;
  }
  UpdateListBorder(1, 0);
  UpdateListGeoBorder(1);
}
