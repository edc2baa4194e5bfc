// The map register and the sheet register.
#include "mapstore/mapregister.h"

#include <cstring>

#include "platform/clock.h"

namespace {

// Scale lists by map type; the position in a list is the scale index.
const LONG kTopographic[] = {1000000, 500000, 200000, 100000, 50000, 25000, 10000, 5000, 2000};
const LONG kGeographic[] = {10000000, 5000000, 2500000, 1000000, 500000};
const LONG kCityPlan[] = {25000, 10000};
const LONG kLargeScale[] = {10000, 5000, 2000, 1000, 500};
const LONG kAero[] = {4000000, 2000000};
const LONG kNoScales[] = {0};

struct ScaleList {
  const LONG* scales;
  int count;
};

ScaleList ScalesOf(int mapType) {
  switch (mapType) {
    case 1:
    case 10:
    case 11:
      return {kTopographic, 9};
    case 2:
      return {kGeographic, 5};
    case 4:
      return {kCityPlan, 2};
    case 5:
      return {kLargeScale, 5};
    case 6:
      return {kAero, 2};
    default:
      return {kNoScales, 0};
  }
}

// Defaults by map type: ellipsoid, height system, projection, coordinate
// system, frame kind.
struct TypeDefaults {
  int32_t ellipsoid, heights, projection, coordinates, frame;
};

TypeDefaults DefaultsOf(int type) {
  switch (type) {
    case 1: return {1, 1, 1, 1, 2};
    case 2: return {1, 1, 2, 6, 3};
    case 3: return {1, 1, 3, -1, 3};
    case 4: return {1, 1, 1, 1, 3};
    case 5: return {1, 1, -1, 4, 3};
    case 6: return {1, 1, 3, 4, 2};
    case 9: return {1, -1, 16, -1, 3};
    case 10: return {5, 1, 17, 2, 2};
    case 11:
    case 12: return {9, 1, 17, 2, 2};
    case 13: return {1, 1, 32, 5, 3};
    default: return {1, 1, -1, -1, -1};
  }
}

// The twelve lists of the value-type table, each ended by -1.
const int32_t kValueTypes[MAPREGISTER_VALUETYPES] = {
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, -1,                                    //
    5, 0, 1, 2, 3, 16, 65, 64, 67, 4, 66, -1,                                          //
    5, 0, 1, 2, 3, 16, 4, -1,                                                          //
    1, 2, 3, 4, 5, 6, 7, 8, 9, -1,                                                     //
    1, 6, 16, 22, 24, 25, 26, 27, -1,                                                  //
    1, 2, 3, 4, 5, 6, 7, -1,                                                           //
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,  //
    24, 25, 26, 27, 28, 29, 30, 31, 32, -1,                                            //
    1, 2, 3, 4, -1,                                                                    //
    1, 2, 3, 4, 5, 6, -1,                                                              //
    7, 8, 9, 10, 11, 12, 64, 65, 66, -1,                                               //
    1, 2, 3, 4, -1,                                                                    //
    1, 2, 3, 4, 5, 6, 7, 8, -1,
};

// Writes today as eight digits and a zero into `out` (at least 9 bytes).
void WriteToday(char* out) {
  uint32_t value = static_cast<uint32_t>(RegisterToday()) % 100000000u;
  for (int i = 7; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  out[8] = 0;
}

// The four corners of a register as X/Y (or B/L) pairs in corner order.
void PlaneCorners(const LISTREGISTER& r, double x[4], double y[4]) {
  x[0] = r.XSouthWest, y[0] = r.YSouthWest;
  x[1] = r.XNorthWest, y[1] = r.YNorthWest;
  x[2] = r.XNorthEast, y[2] = r.YNorthEast;
  x[3] = r.XSouthEast, y[3] = r.YSouthEast;
}

void GeodeticCorners(const LISTREGISTER& r, double b[4], double l[4]) {
  b[0] = r.BSouthWestCoordinate, l[0] = r.LSouthWestCoordinate;
  b[1] = r.BNorthWestCoordinate, l[1] = r.LNorthWestCoordinate;
  b[2] = r.BNorthEastCoordinate, l[2] = r.LNorthEastCoordinate;
  b[3] = r.BSouthEastCoordinate, l[3] = r.LSouthEastCoordinate;
}

// X (north) of the south corners below both north corners, Y (east) of the
// west corners left of both east corners; all strict.
int IsUpright(const double x[4], const double y[4]) {
  enum { SW, NW, NE, SE };
  return x[SW] < x[NW] && x[SW] < x[NE] && x[SE] < x[NW] && x[SE] < x[NE] && y[SW] < y[NE] &&
         y[SW] < y[SE] && y[NW] < y[NE] && y[NW] < y[SE];
}

double* Corner(COORDINATES* c, int i) {
  switch (i) {
    case 0: return &c->SouthWest;
    case 1: return &c->NorthWest;
    case 2: return &c->NorthEast;
    default: return &c->SouthEast;
  }
}

}  // namespace

int32_t RegisterToday() {
  SYSTEMTIME now;
  plat::GetSystemTime(&now);
  int32_t value = now.wYear > 1990 ? now.wYear * 10000 : 19900000;
  return value + now.wMonth * 100 + now.wDay;
}

void ClearMapRegisterEx(MAPREGISTEREX* map) {
  if (!map) return;
  std::memset(map, 0, sizeof(*map));
  map->Length = MAPREGISTER_LENGTH;
  map->Scale = 1000;
  map->ProjectionFlag = 1;
  TypeDefaults d = DefaultsOf(1);
  map->MapType = 1;
  map->EllipsoideKind = d.ellipsoid;
  map->HeightSystem = d.heights;
  map->MaterialProjection = d.projection;
  map->CoordinateSystem = d.coordinates;
  map->FrameKind = d.frame;
  map->DeviceCapability = MAPREGISTER_DEVICECAPABILITY;
}

int MapRegisterFromOld(const void* old, MAPREGISTEREX* out) {
  if (!old || !out) return 0;
  int32_t length;
  std::memcpy(&length, old, sizeof(length));
  if (length != MAPREGISTER_OLDLENGTH) return 0;
  std::memset(out, 0, sizeof(*out));
  std::memcpy(out, old, MAPREGISTER_OLDLENGTH);
  out->Length = MAPREGISTER_LENGTH;
  return 1;
}

// ---------------------------------------------------------------------------
// TListRegister

void TListRegister::Clear() {
  std::memset(&Register, 0, sizeof(Register));
  Register.Length = LISTREGISTER_LENGTH;
  Register.MaterialKind = 1;
  Register.MaterialType = 1;
  WriteToday(Register.Date);
  WriteToday(Register.DateAngle);
}

int TListRegister::FactorScaleGeodetic(LONG scale, int mapType) {
  ScaleList list = ScalesOf(mapType);
  if (list.count == 0) return 1;
  for (int i = 0; i < list.count; ++i)
    if (list.scales[i] == scale) return i + 1;
  return 0;
}

int TListRegister::RightAngleCordinames(COORDINATES* x, COORDINATES* y) {
  if (!x || !y) return 0;
  Register.XSouthWest = x->SouthWest, Register.YSouthWest = y->SouthWest;
  Register.XNorthWest = x->NorthWest, Register.YNorthWest = y->NorthWest;
  Register.XNorthEast = x->NorthEast, Register.YNorthEast = y->NorthEast;
  Register.XSouthEast = x->SouthEast, Register.YSouthEast = y->SouthEast;
  return 1;
}

int TListRegister::CheckRightAngle() {
  double x[4], y[4];
  PlaneCorners(Register, x, y);
  return IsUpright(x, y);
}

int TListRegister::CheckGeodetic() {
  double b[4], l[4];
  GeodeticCorners(Register, b, l);
  return IsUpright(b, l);
}

char* TListRegister::SystDate(char* out, int size) {
  static char empty[1] = {0};
  if (!out || size < 10) return empty;
  WriteToday(out);
  return out;
}

// ---------------------------------------------------------------------------
// TMapRegister

TMapRegister::TMapRegister() {
  std::memset(ValueType, 0, sizeof(ValueType));
  Clear();
}

void TMapRegister::Clear() {
  ClearMapRegisterEx(&Map);
  List.Clear();
}

void TMapRegister::RegisterFromMapType(int type) {
  TypeDefaults d = DefaultsOf(type);
  Map.MapType = type;
  Map.EllipsoideKind = d.ellipsoid;
  Map.HeightSystem = d.heights;
  Map.MaterialProjection = d.projection;
  Map.CoordinateSystem = d.coordinates;
  Map.FrameKind = d.frame;
}

void TMapRegister::SetValueType() { std::memcpy(ValueType, kValueTypes, sizeof(ValueType)); }

void TMapRegister::RegisterFromData(MAPREGISTEREX* map, LISTREGISTER* list) {
  Clear();
  if (map) std::memcpy(&Map, map, sizeof(Map));
  if (list) std::memcpy(&List.Register, list, sizeof(List.Register));
}

const LONG* TMapRegister::GetAddrScale(int mapType) { return ScalesOf(mapType).scales; }

int TMapRegister::GetCountScale(int mapType) { return ScalesOf(mapType).count; }

int TMapRegister::SetConstproj(int kind, CONSTPROJ* cp) {
  if (!cp) return 0;
  std::memset(cp, 0, sizeof(*cp));
  cp->AxisMeridian = Map.AxisMeridian;
  switch (kind) {
    case 1:
      // Gauss-Krueger without an axis meridian: the middle of the sheet.
      if (cp->AxisMeridian == 0.0)
        cp->AxisMeridian =
            (List.Register.LSouthWestCoordinate + List.Register.LSouthEastCoordinate) * 0.5;
      return 1;
    case 2:
    case 16:
    case 17:
    case 20:
    case 21:
    case 22:
      cp->FirstMainParallel = Map.FirstMainParallel;
      cp->SecondMainParallel = Map.SecondMainParallel;
      cp->MainPointParallel = Map.MainPointParallel;
      return 1;
    case 6:
    case 8:
    case 24:
    case 27:
      cp->FirstMainParallel = Map.FirstMainParallel;
      return 1;
    case 18:
    case 19:
    case 25:
    case 26:
    case 28:
      return 1;
    case 23:
    case 29:
      cp->FirstMainParallel = Map.FirstMainParallel;
      cp->SecondMainParallel = Map.SecondMainParallel;
      return 1;
    case 30:
      cp->FirstMainParallel = Map.FirstMainParallel;
      cp->SecondMainParallel = Map.SecondMainParallel;
      cp->PoleLatitude = Map.PoleLatitude;
      cp->PoleLongitude = Map.PoleLongitude;
      return 1;
    case 32:
      cp->FirstMainParallel = Map.FirstMainParallel;
      cp->SecondMainParallel = Map.SecondMainParallel;
      cp->MainPointParallel = Map.MainPointParallel;
      cp->PoleLongitude = Map.PoleLongitude;
      return 1;
    default:
      return 0;
  }
}

void TMapRegister::SetDataProjection() {
  Map.DataProjection = 0;
  CONSTPROJ cp;
  if (!SetConstproj(Map.MaterialProjection, &cp)) return;
  TTranslate translate;
  if (translate.SetProjection(Map.MaterialProjection, &cp, 1) == 0) Map.DataProjection = 1;
}

int TMapRegister::GeodeticToRightAngleWith(COORDINATES* b, COORDINATES* l, COORDINATES* x,
                                           COORDINATES* y, int kind, TTranslate* translate) {
  if (!b || !l || !x || !y) return 0;
  if (!translate) {
    CONSTPROJ cp;
    if (!SetConstproj(kind, &cp)) return 0;
    TTranslate local(kind, &cp, Map.EllipsoideKind);
    if (local.ErrorCode != 0 || local.ProjectionKind < 0) return 0;
    return GeodeticToRightAngleWith(b, l, x, y, kind, &local);
  }
  for (int i = 0; i < 4; ++i)
    translate->BL2XY(*Corner(b, i), *Corner(l, i), Corner(x, i), Corner(y, i));
  return 1;
}

int TMapRegister::RightAngleToGeodeticWith(COORDINATES* x, COORDINATES* y, COORDINATES* b,
                                           COORDINATES* l, int kind, TTranslate* translate) {
  if (!x || !y || !b || !l) return 0;
  TTranslate local;
  if (!translate) {
    // A projection that cannot be set up converts nothing and says so.
    CONSTPROJ cp;
    if (!SetConstproj(kind, &cp)) return 0;
    if (local.SetProjection(kind, &cp, Map.EllipsoideKind) != 0) return 0;
    translate = &local;
  }
  for (int i = 0; i < 4; ++i)
    translate->XY2BL(*Corner(x, i), *Corner(y, i), Corner(b, i), Corner(l, i));
  return 1;
}
