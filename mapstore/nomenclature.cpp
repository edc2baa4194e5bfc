// Sheet nomenclature: the name checks of each map type, the name templates,
// the file name of a sheet; and the geometry of a topographic sheet from its
// name: the axis meridian of its column, its four corners in geodetic and in
// plane coordinates, and the grid convergence.
//
// A topographic name is "D.L-CC" for a 1:1 000 000 sheet (D the hemisphere,
// 0 northern; L the 4-degree row A..U counted from the equator; CC the
// 6-degree column 1..60, column 31 beginning at longitude 0), followed by
// the number of the sheet inside it for the larger scales:
//
//   1:500 000  -Q          1:50 000  -nnn-Q        1:5 000  -nnn-mmm
//   1:200 000  -n (1..36)  1:25 000  -nnn-Q-Q      1:2 000  -nnn-mmm-p
//   1:100 000  -n (1..144) 1:10 000  -nnn-Q-Q-Q
//
// (Q a quarter 1..4: north-west, north-east, south-west, south-east; mmm
// 1..256; p 1..9; numbers run row by row from the north-west corner).
// Beyond 60 degrees (rows P..S) sheets are twice as wide and beyond 76
// degrees (T, U) four times (three times at 1:200 000), so only the numbers
// of their western parts are names.
//
// Every read of a name stays inside the text: a name shorter than its form,
// or with something other than digits where a number stands, is refused.
#include <cmath>
#include <cstring>

#include "mapstore/map.h"
#include "mapstore/mapregister.h"

namespace {

constexpr double kSecond = 4.84813681109536e-6;  // one arc second in radians
constexpr double kTwoPi = 6.283185307179586;

// Sheet extents by scale index 1..9, minutes of arc (index 9: 25 seconds).
constexpr double kExtentL[10] = {0, 360, 180, 60, 30, 15, 7.5, 3.75, 1.875, 0.625};

// A zero-terminated name read by position; a position past its end reads as
// -1, so no test can look beyond the terminator.
class NameText {
 public:
  explicit NameText(const char* s) : s_(s), n_(std::strlen(s)) {}

  int At(size_t i) const { return i < n_ ? static_cast<unsigned char>(s_[i]) : -1; }
  bool Is(size_t i, char c) const { return At(i) == static_cast<unsigned char>(c); }
  bool IsEnd(size_t i) const { return i == n_; }
  // The digit at i, -1 when there is none.
  int Digit(size_t i) const {
    const int c = At(i);
    return c >= '0' && c <= '9' ? c - '0' : -1;
  }
  // Exactly `count` digits from i as a number; -1 when one is missing.
  int Fixed(size_t i, int count) const {
    int value = 0;
    for (int k = 0; k < count; ++k) {
      const int d = Digit(i + k);
      if (d < 0) return -1;
      value = value * 10 + d;
    }
    return value;
  }
  // One to `most` digits from i as a number (as many as stand there); -1
  // when position i holds no digit.
  int Leading(size_t i, int most) const {
    if (Digit(i) < 0) return -1;
    int value = 0;
    for (int k = 0; k < most && Digit(i + k) >= 0; ++k) value = value * 10 + Digit(i + k);
    return value;
  }
  // The row letter at position 2 when it is one of A..U, else 0.
  int Row() const {
    const int c = At(2);
    return c >= 'A' && c <= 'U' ? c : 0;
  }

 private:
  const char* s_;
  size_t n_;
};

void UpperCase(char* s) {
  for (; *s; ++s)
    if (*s >= 'a' && *s <= 'z') *s = static_cast<char>(*s - 'a' + 'A');
}

// Rows of the wide sheets: beyond 60 degrees (after O), P..S, beyond 76.
bool Wide(int row) { return row > 'O'; }
bool Double(int row) { return row >= 'P' && row <= 'S'; }
bool Polar(int row) { return row > 'S'; }

// The column of a topographic name (positions 4-5), -1 when unreadable.
int ColumnOf(const char* name) { return NameText(name).Leading(4, 2); }

LONG AxisMinutesOfColumn(int c) { return c <= 30 ? (c + 29) * 360 + 180 : (c - 31) * 360 + 180; }

// The same value to 1e-8 (both rounded on the eighth decimal).
bool SameAngle(double a, double b) {
  return std::trunc(a * 1e8 + 0.5) == std::trunc(b * 1e8 + 0.5);
}

// Templates of the names by map type, one per scale of the type's list.
const char* const kTopoPictures[] = {
    "9.Z-99           ( 1 000 000 )", "9.Z-99-9         (   500 000 )",
    "9.Z-99-99        (   200 000 )", "9.Z-99-999       (   100 000 )",
    "9.Z-99-999-9     (    50 000 )", "9.Z-99-999-9-9.Z (    25 000 )",
    "9.Z-99-999-9-9-9 (    10 000 )", "9.Z-99-999-999   (     5 000 )",
    "9.Z-99-999-999-9 (     2 000 )"};
const char* const kGeogPictures[] = {
    "91-99-99         ( 10 000 000 )", "92-99-99         (  5 000 000 )",
    "93-99-99         (  2 500 000 )", "94-99-99         (  1 000 000 )",
    "95-99-99-99      (    500 000 )"};
const char* const kCityPictures[] = {"9.Z-99-999-B     ( 25 000 )", "9.Z-99-999-A     ( 10 000 )"};
const char* const kAeroPictures[] = {"9-2-99-99        ( 4 000 000 )",
                                     "9-1-99-99        ( 2 000 000 )"};
const char* const kNoPictures[] = {""};

}  // namespace

// ---------------------------------------------------------------------------
// Name checks

int TListRegister::CheckNomenclature(char* name, int mapType, LONG scale) {
  if (!name || scale <= 0) return 0;
  const int index = FactorScaleGeodetic(scale, mapType);
  if (index == 0) return 0;
  UpperCase(name);
  switch (mapType) {
    case 1: return CheckNomenclatureTopo(name, index);
    case 2: return CheckNomenclatureGeog(name, index);
    case 4: return CheckNomenclatureCityPlan(name, index);
    case 6: return CheckNomenclatureAero(name, index);
    default: return 1;
  }
}

int TListRegister::CheckNomenclatureTopo(char* name, int index) {
  if (!name || index < 1) return 0;
  if (index > 9) return 1;
  UpperCase(name);
  const NameText t(name);
  const int row = t.Row();
  if (!(t.Is(0, '0') || t.Is(0, '1')) || !t.Is(1, '.') || !row || !t.Is(3, '-')) return 0;
  const int column = t.Leading(4, 2);
  if (column < 1 || column > 60) return 0;
  if (index == 1) return 1;

  // The sheet's number inside the 1:1 000 000 sheet: exactly three digits
  // when further fields follow it.
  if (!t.Is(6, '-')) return 0;
  const int number = index >= 5 ? t.Fixed(7, 3) : t.Leading(7, 3);
  if (index == 2) return number >= 1 && number <= 4 && !(Wide(row) && number % 2 == 0);
  if (index == 3)
    return number >= 1 && number <= 36 && !(Double(row) && number % 2 == 0) &&
           !(Polar(row) && number % 3 != 1);
  if (number < 1 || number > 144) return 0;
  if (index == 4 && Double(row) && number % 2 == 0) return 0;
  if (Polar(row) && number % 4 != 1) return 0;
  if (index == 4) return 1;

  if (index >= 8) {
    // The 1:5 000 sheet inside the 1:100 000 one, and the 1:2 000 sheet.
    const int m = t.Fixed(11, 3);
    if (m < 1 || m > 256 || (Double(row) && m % 2 == 0)) return 0;
    if (index == 8) return 1;
    const int p = t.Digit(15);
    return t.Is(14, '-') && p >= 1 && t.IsEnd(16);
  }

  // Quarters at positions 11, 13, 15; on a wide sheet the last one is a
  // western quarter.
  for (int level = 5; level <= index; ++level) {
    const size_t at = 10 + 2 * static_cast<size_t>(level - 5);
    const int q = t.Digit(at + 1);
    if (!t.Is(at, '-') || q < 1 || q > 4) return 0;
    if (level == index && Wide(row) && q % 2 == 0) return 0;
  }
  return 1;
}

int TListRegister::CheckNomenclatureGeog(char* name, int index) {
  if (!name || index < 1) return 0;
  if (index > 5) return 1;
  const NameText t(name);
  const int first = t.Digit(0), second = t.Digit(1);
  if (first < 1 || first > 8) return 0;
  if (first <= 5 && (second < 1 || second > 5)) return 0;
  if (second != index) return 0;
  if (index == 1) return t.Is(2, '-');
  return t.Is(5, '-') && (index < 5 || t.Is(8, '-'));
}

int TListRegister::CheckNomenclatureCityPlan(char* name, int index) {
  if (!name || index < 1) return 0;
  if (index > 2) return 1;
  const NameText t(name);
  if (!(t.Is(0, '0') || t.Is(0, '1')) || !t.Is(1, '.') || !t.Row() || !t.Is(3, '-')) return 0;
  const int column = t.Fixed(4, 2);
  if (column < 0 || column > 60 || !t.Is(6, '-')) return 0;
  const int number = t.Fixed(7, 3);
  return number >= 1 && number <= 144;
}

int TListRegister::CheckNomenclatureAero(char* name, int index) {
  if (!name || index < 1) return 0;
  if (index > 2) return 1;
  const NameText t(name);
  const int first = t.Digit(0);
  const int zone = t.Fixed(4, 2);
  if (first < 1 || first > 3 || zone < 1 || zone > 12) return 0;
  if (!t.Is(1, '-') || !t.Is(3, '-') || !t.Is(6, '-')) return 0;
  // Two digits at 7-8; for the first digits 2 and 3 one digit beside a
  // blank.
  int number;
  if (first == 1)
    number = t.Fixed(7, 2);
  else if (t.Is(7, ' '))
    number = t.Digit(8);
  else if (t.Is(8, ' '))
    number = t.Digit(7);
  else
    return 0;
  return number >= 1 && number <= 20;
}

int TListRegister::NameFileFromNomenclature(char* out, int size, const char* name) {
  if (!out || !name || !name[0] || size < 1) return 0;
  std::memset(out, 0, static_cast<size_t>(size));
  const int limit = size - 1;
  int n = 0;
  const char* dot = std::strchr(name, '.');
  if (!dot) {
    for (const char* p = name; *p && n < limit; ++p) out[n++] = *p;
    return 1;
  }
  if (name[0] == '1' && n < limit) out[n++] = '1';
  for (const char* p = dot + 1; *p && *p != ' ' && n < limit; ++p)
    if (*p != '-' && *p != '.') out[n++] = *p;
  return 1;
}

// ---------------------------------------------------------------------------
// Sheet geometry

double TMapRegister::MinuteToRadian(double minutes) {
  const double r = std::fabs(minutes) * 60.0 * kSecond;
  return minutes < 0 ? -r : r;
}

double TMapRegister::SecondToRadian(double seconds) {
  const double r = std::fabs(seconds) * kSecond;
  return seconds < 0 ? -r : r;
}

LONG TMapRegister::CalcAxisMeridianMinute(const char* name) {
  if (!name) return 0;
  const int column = ColumnOf(name);
  return column < 0 ? 0 : AxisMinutesOfColumn(column);
}

double TMapRegister::CalcAxisMeridian(const char* name) {
  return MinuteToRadian(CalcAxisMeridianMinute(name));
}

double TMapRegister::CalcAxisMeridian(COORDINATES* c) {
  return c ? c->SouthWest + 0.2 * (c->SouthWest + c->NorthWest) : 0.0;
}

int TMapRegister::SetAxisMeridian(const char* name) {
  if (!name || ColumnOf(name) < 0) return 0;
  const double axis = CalcAxisMeridian(name);
  if (Map.AxisMeridian != 0.0 && !SameAngle(Map.AxisMeridian, axis)) return 0;
  Map.AxisMeridian = axis;
  return 1;
}

int TMapRegister::SetAxisMeridian(COORDINATES* c) {
  if (!c) return 0;
  const double axis = CalcAxisMeridian(c);
  if (Map.AxisMeridian != 0.0 && !SameAngle(Map.AxisMeridian, axis)) return 0;
  Map.AxisMeridian = axis;
  return 1;
}

int TMapRegister::GeodeticsCoordinateGauss(char* name, int index, COORDINATES* b, COORDINATES* l) {
  if (!name || !b || !l || index < 1 || index > 9) return 0;
  UpperCase(name);
  const NameText t(name);
  const int row = t.Row();
  const int column = t.Leading(4, 2);
  if (!row || column < 0) return 0;

  // Minutes of arc; rows count from the equator, northwards for a northern
  // name and southwards for a southern one.
  const int rowIndex = row - 'A' + 1;
  double north = t.Is(0, '0') ? rowIndex * 240.0 : 240.0 - rowIndex * 240.0;
  double south = north - 240.0;
  double west = AxisMinutesOfColumn(column) - 180.0;
  double east = west + 360.0;

  if (index >= 2) {
    const int k = t.Leading(7, 3);
    if (index == 2) {
      if (k < 1 || k > 4) return 0;
      if (k < 3)
        south += 120.0;
      else
        north -= 120.0;
      if (k == 1 || k == 3)
        east -= 180.0;
      else
        west += 180.0;
    } else {
      // A grid of 6 x 6 sheets of 40' x 60', or of 12 x 12 of 20' x 30',
      // numbered row by row from the north-west corner.
      const int n = index == 3 ? 6 : 12;
      const double cellB = index == 3 ? 40.0 : 20.0, cellL = index == 3 ? 60.0 : 30.0;
      if (k < 1 || k > n * n) return 0;
      const int r = (k - 1) / n, c = k - r * n - 1;
      north -= r * cellB;
      south = north - cellB;
      west += c * cellL;
      east = west + cellL;
      if (index >= 8) {
        // 16 x 16 sheets of 1.25' x 1.875' inside the 1:100 000 sheet.
        const int m = t.Fixed(11, 3);
        if (m < 1 || m > 256) return 0;
        const int mr = (m - 1) / 16, mc = m - 16 * mr;
        south += (15 - mr) * 1.25;
        north = south + 1.25;
        west += (mc - 1) * 1.875;
        east = west + 1.875;
        if (index == 9) {
          // 3 x 3 sheets of 25" x 0.625': latitudes in seconds from here.
          const int p = t.Digit(15);
          if (p < 1) return 0;
          const int pr = (p - 1) / 3, pc = p - 3 * pr;
          south = south * 60.0 + (2 - pr) * 25.0;
          north = south + 25.0;
          west += (pc - 1) * 0.625;
          east = west + 0.625;
          b->SouthWest = b->SouthEast = SecondToRadian(south);
          b->NorthWest = b->NorthEast = SecondToRadian(north);
          l->SouthWest = l->NorthWest = MinuteToRadian(west);
          l->NorthEast = l->SouthEast = MinuteToRadian(east);
          return 1;
        }
      } else if (index >= 5) {
        // Quarters, each halving the sheet.
        double quarterB = 10.0, quarterL = 15.0;
        for (int level = 5; level <= index; ++level) {
          const int q = t.Digit(11 + 2 * static_cast<size_t>(level - 5));
          if (q < 1 || q > 4) return 0;
          if (q <= 2)
            south += quarterB;
          else
            north -= quarterB;
          if (q == 1 || q == 3)
            east -= quarterL;
          else
            west += quarterL;
          quarterB /= 2;
          quarterL /= 2;
        }
      }
    }
    // Wide sheets beyond 60 and 76 degrees.
    if (Wide(row)) {
      east += kExtentL[index];
      if (index > 2 && Polar(row)) east += index == 3 ? kExtentL[3] : 2 * kExtentL[index];
    }
  }

  b->SouthWest = b->SouthEast = MinuteToRadian(south);
  b->NorthWest = b->NorthEast = MinuteToRadian(north);
  l->SouthWest = l->NorthWest = MinuteToRadian(west);
  l->NorthEast = l->SouthEast = MinuteToRadian(east);
  return 1;
}

double TMapRegister::GridConvergence(COORDINATES* b, COORDINATES* l, double axis) {
  if (!b || !l) return 0.0;
  return std::sin((b->SouthWest + b->NorthWest) / 2) * ((l->SouthWest + l->SouthEast) / 2 - axis);
}

int TMapRegister::TopographicChartSheetWith(char* name, LONG scale, int kind,
                                            TTranslate* translate) {
  if (!name) return 0;
  const int index = List.FactorScaleGeodetic(scale, 1);
  if (index == 0 || !List.CheckNomenclatureTopo(name, index)) return 0;
  COORDINATES b, l;
  if (!GeodeticsCoordinateGauss(name, index, &b, &l)) return 0;
  LISTREGISTER& r = List.Register;
  r.BSouthWestCoordinate = b.SouthWest, r.LSouthWestCoordinate = l.SouthWest;
  r.BNorthWestCoordinate = b.NorthWest, r.LNorthWestCoordinate = l.NorthWest;
  r.BNorthEastCoordinate = b.NorthEast, r.LNorthEastCoordinate = l.NorthEast;
  r.BSouthEastCoordinate = b.SouthEast, r.LSouthEastCoordinate = l.SouthEast;

  CONSTPROJ cp;
  if (!SetConstproj(kind, &cp)) return 0;

  // Through the map's transformer, a sheet on the other side of the
  // 0/360-degree seam from the map's zone is carried over to it.
  COORDINATES used = l;
  if (translate) {
    CONSTPROJ own = cp;
    own.AxisMeridian = (l.SouthWest + l.SouthEast) * 0.5;
    TTranslate sheet(kind, &own, Map.EllipsoideKind);
    const int sheetZone = sheet.GetNumberZone(), mapZone = GetNumberZone(translate);
    double shift = 0.0;
    if (sheetZone > 50 && mapZone < 10) shift = -kTwoPi;
    if (sheetZone < 10 && mapZone > 50) shift = kTwoPi;
    used.SouthWest += shift, used.NorthWest += shift;
    used.NorthEast += shift, used.SouthEast += shift;
  }
  COORDINATES x, y;
  if (!GeodeticToRightAngleWith(&b, &used, &x, &y, kind, translate)) return 0;
  List.RightAngleCordinames(&x, &y);
  // The convergence against the axis of the name's own column, both taken
  // on the same side of the seam.
  r.MeridianAngle = GridConvergence(&b, &l, CalcAxisMeridian(name));
  return 1;
}

int TMapRegister::TopographicChartSheet(char* name, LONG scale, int kind, TMap* map) {
  return TopographicChartSheetWith(name, scale, kind, map ? &map->Translate : nullptr);
}

int TMapRegister::PrepareRegister(int flag) {
  if (Map.Length != MAPREGISTER_LENGTH) return 0;
  if (Map.MapType != MAPTYPE_TOPOGRAPHIC) return 1;
  LISTREGISTER& r = List.Register;
  if (flag == 0) {
    RegisterFromMapType(1);
    r.Nomenclature[sizeof(r.Nomenclature) - 1] = 0;
    return TopographicChartSheetWith(r.Nomenclature, Map.Scale, Map.MaterialProjection, nullptr);
  }
  COORDINATES b = {r.BSouthWestCoordinate, r.BNorthWestCoordinate, r.BNorthEastCoordinate,
                   r.BSouthEastCoordinate};
  COORDINATES l = {r.LSouthWestCoordinate, r.LNorthWestCoordinate, r.LNorthEastCoordinate,
                   r.LSouthEastCoordinate};
  if (b.SouthWest == 0.0 && b.NorthWest == 0.0 && b.NorthEast == 0.0 && b.SouthEast == 0.0 &&
      l.SouthWest == 0.0 && l.NorthWest == 0.0 && l.NorthEast == 0.0 && l.SouthEast == 0.0)
    return 0;
  COORDINATES x, y;
  if (!GeodeticToRightAngleWith(&b, &l, &x, &y, Map.MaterialProjection, nullptr)) return 0;
  return List.RightAngleCordinames(&x, &y);
}

const char* const* TMapRegister::GetAddrPicture(int mapType) {
  switch (mapType) {
    case 1: return kTopoPictures;
    case 2: return kGeogPictures;
    case 4: return kCityPictures;
    case 6: return kAeroPictures;
    default: return kNoPictures;
  }
}
