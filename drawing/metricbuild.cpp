// TMapMetric: an object's metric record into the pixel polyline set, and a
// set of picture pixels copied into it.
//
// A converted point lies at row = origin row - X x v, column = Y x h -
// origin column (v, h: pixels per discrete vertically and horizontally),
// each the nearest whole pixel; in a turned view the pair (X x v, Y x h) is
// turned first. Every read stays inside the record's own length, and the
// points and texts stay inside the point buffer.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "drawing/mapmetric.h"
#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"

namespace {

// The text slot of an entry that cannot be read: like every slot it points
// at the characters, just behind their length byte.
char g_unknownText[] = "\x01?";

// Range of the 32-bit float kinds: a point beyond it is dropped.
constexpr double kFloatXLimit = 2e7;
constexpr double kFloatYLimit = 4e7;
// Range of the 64-bit float kinds: the first X above it ends the metric.
constexpr double kDoubleXLimit = 5e7;

template <class T>
T Load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Readers of one point kind: X and Y at a point's address.
struct ReadU16 {
  using Coord = WORD;
};
struct ReadI32 {
  using Coord = LONG;
};
struct ReadF32 {
  using Coord = float;
};
struct ReadF64 {
  using Coord = double;
};

// What ends or thins a part: the 32-bit floats drop points out of range,
// the unturned 64-bit floats stop at an X beyond their range.
enum class Guard { None, DropOutside, StopAbove };

template <class Reader, bool Turned>
constexpr Guard GuardOf() {
  if constexpr (std::is_same_v<Reader, ReadF32>) return Guard::DropOutside;
  if constexpr (std::is_same_v<Reader, ReadF64> && !Turned) return Guard::StopAbove;
  return Guard::None;
}

// Converts count points at p (size bytes apart) into out; returns the
// points written. *stopped is set when a point ends the metric.
template <class Reader, bool Turned>
LONG ConvertPoints(const char* p, LONG count, int size, POINT* out, double row0, double col0,
                   double v, double h, double sine, double cosine, bool* stopped) {
  using Coord = typename Reader::Coord;
  constexpr Guard guard = GuardOf<Reader, Turned>();
  LONG n = 0;
  for (LONG k = 0; k < count; ++k, p += size) {
    const double x = Load<Coord>(p);
    const double y = Load<Coord>(p + sizeof(Coord));
    if constexpr (guard == Guard::DropOutside) {
      if (!(x >= -kFloatXLimit && x <= kFloatXLimit && y <= kFloatYLimit)) continue;
    } else if constexpr (guard == Guard::StopAbove) {
      if (!(x <= kDoubleXLimit)) {
        *stopped = true;
        break;
      }
    }
    if constexpr (Turned) {
      const double a = x * v, b = y * h;
      out[n].y = NearestPixel(row0 - (a * cosine - b * sine));
      out[n].x = NearestPixel((a * sine + b * cosine) - col0);
    } else {
      out[n].y = NearestPixel(row0 - x * v);
      out[n].x = NearestPixel(y * h - col0);
    }
    ++n;
  }
  return n;
}

// Bytes per point of a converter: the height, when the kind has one, is
// stepped over.
int ConverterPointSize(DWORD marker) {
  switch (marker) {
    case METRIC_U16: return 4;
    case METRIC_U16H: return 8;
    case METRIC_F32: return 8;
    case METRIC_F32H: return 12;
    case METRIC_F64: return 16;
    case METRIC_F64H: return 24;
    case METRIC_I32H: return 12;
    default: return 8;  // 32-bit integers
  }
}

DWORD ReadCount(const char* p, bool longCounts) {
  return longCounts ? Load<DWORD>(p) : Load<WORD>(p + 2);
}

}  // namespace

int TMapMetric::BuildMetric(TObjectDesc desc, LONGMETRIC* metric) {
  const FVSPR* d = desc.Desc;
  if (d == nullptr) return 0;
  TakeAreas();

  // Bounds of the object from its frame, and the scale of the view.
  const double v = Dis.PixelsPerUnitV, h = Dis.PixelsPerUnitH;
  if (!TurnFlag) {
    const int64_t row = TruncatePixel(OriginRow), col = TruncatePixel(OriginColumn);
    Poly.MinX = SaturatePixel(NearestPixel(d->Y1 * h) - col - 1);
    Poly.MaxX = SaturatePixel(NearestPixel(d->Y2 * h) - col + 1);
    Poly.MinY = SaturatePixel(row - NearestPixel(d->X2 * v) - 1);
    Poly.MaxY = SaturatePixel(row - NearestPixel(d->X1 * v) + 1);
  } else {
    DFRAME f{d->X1 * v, d->Y1 * h, d->X2 * v, d->Y2 * h};
    Turn(f, f);
    Poly.MinX = NearestPixel(f.Y1 - OriginColumn - 1);
    Poly.MaxX = NearestPixel(f.Y2 - OriginColumn + 1);
    Poly.MinY = NearestPixel(OriginRow - f.X2 - 1);
    Poly.MaxY = NearestPixel(OriginRow - f.X1 + 1);
  }
  Poly.ShowScale = Scale() / DrawScale;

  if (metric == nullptr) return BuildCentre(d);
  const int local = desc.Local();
  int text = local == LOCAL_TITLE || local == LOCAL_MIXED;
  if (!SplineOff && (metric->Flags & (METRIC_FLAG_SMOOTH | METRIC_FLAG_ENVELOPE))) {
    LONGMETRIC* curve =
        BuildSplineMetric(desc, metric, (metric->Flags & METRIC_FLAG_SMOOTH) ? 2 : 4);
    if (curve != metric) {
      metric = curve;
      text = 0;  // a curve carries no texts
    }
  }

  // Markers compare as signed values: one with the top bit set is below.
  const DWORD marker = metric->Ident;
  if (static_cast<LONG>(marker) < static_cast<LONG>(METRIC_F64H)) return 0;
  switch (marker) {
    case METRIC_U16:
    case METRIC_U16H:
      return TurnFlag ? Convert<ReadU16, true>(metric, text, ConverterPointSize(marker))
                      : Convert<ReadU16, false>(metric, text, ConverterPointSize(marker));
    case METRIC_F32:
    case METRIC_F32H:
      return TurnFlag ? Convert<ReadF32, true>(metric, text, ConverterPointSize(marker))
                      : Convert<ReadF32, false>(metric, text, ConverterPointSize(marker));
    case METRIC_F64:
    case METRIC_F64H:
      return TurnFlag ? Convert<ReadF64, true>(metric, text, ConverterPointSize(marker))
                      : Convert<ReadF64, false>(metric, text, ConverterPointSize(marker));
    default:
      return TurnFlag ? Convert<ReadI32, true>(metric, text, ConverterPointSize(marker))
                      : Convert<ReadI32, false>(metric, text, ConverterPointSize(marker));
  }
}

// An object without metric: one point at the centre of its frame.
int TMapMetric::BuildCentre(const FVSPR* d) {
  if (PaintContext.PointArea == nullptr) {
    Poly.Count = 0;
    return 0;
  }
  Poly.Text[0] = nullptr;
  const double x = (int64_t(d->X1) + d->X2) * 0.5 * Dis.PixelsPerUnitV;
  const double y = (int64_t(d->Y1) + d->Y2) * 0.5 * Dis.PixelsPerUnitH;
  DOUBLEPOINT p{x, y};
  if (TurnFlag) Turn(p, p);
  Poly.Points[0].y = NearestPixel(OriginRow - p.X);
  Poly.Points[0].x = NearestPixel(p.Y - OriginColumn);
  Poly.PolyCounts[0] = 1;
  Poly.Count = 1;
  return 1;
}

template <class Reader, bool Turned>
int TMapMetric::Convert(LONGMETRIC* metric, int text, int size) {
  if (PaintContext.PointArea == nullptr) {
    Poly.Count = 0;
    return 0;
  }
  Poly.Text[0] = nullptr;
  const char* const base = reinterpret_cast<const char*>(metric);
  const DWORD length = metric->Length;
  if (length < static_cast<DWORD>(METRIC_EMPTY_LENGTH)) {
    Poly.Count = 0;
    return -2;
  }
  const char* const end = base + length;

  LONG parts = LONG(metric->Count) + 1;
  if (parts >= POLY_AREA_SIZE) parts = 1;
  if (text && parts > TEXT_AREA_SIZE) parts = TEXT_AREA_SIZE;
  int64_t total = (length - METRIC_EMPTY_LENGTH) / size;
  if (total > PaintContext.PointCapacity) {
    if (!GrowPointBuffer(static_cast<int>(total < POINT_AREA_LIMIT ? total : POINT_AREA_LIMIT + 1))) {
      total = 100;
      parts = 1;
    }
    TakeAreas();
  }
  Poly.Count = parts;
  Poly.MetricFlag = 1;
  // No part has a text until its entry is read: the slots still hold the
  // texts of the object built before, in a record that may be gone.
  std::fill(Poly.Text, Poly.Text + (parts < TEXT_AREA_SIZE ? parts : TEXT_AREA_SIZE), nullptr);

  const bool longCounts = (metric->Flags & METRIC_LONG_COUNTS) != 0;
  const char* p = base + METRIC_HEADER_SIZE;
  if (ReadCount(p, longCounts) == 0) {
    Poly.Count = 0;
    return 0;
  }

  int64_t left = total;
  POINT* out = Poly.Points;
  for (LONG i = 0; i < parts; ++i) {
    if (left <= 0 || end - p < 4) {
      Poly.Count = i;
      return -2;
    }
    int64_t count = ReadCount(p, longCounts);
    p += 4;
    bool last = false;
    if (count > left) {
      count = left;
      last = true;
    }
    const int64_t room = (end - p) / size;
    if (count > room) {
      count = room;
      last = true;
    }
    bool stopped = false;
    const LONG n = ConvertPoints<Reader, Turned>(p, LONG(count), size, out, OriginRow, OriginColumn,
                                                 Dis.PixelsPerUnitV, Dis.PixelsPerUnitH, TurnSin,
                                                 TurnCos, &stopped);
    Poly.PolyCounts[i] = n;
    out += n;
    left -= count;
    p += count * size;
    if (stopped) {
      Poly.Count = i + 1;
      return 1;
    }
    if (text) {
      // A text entry: its length byte L, then L + 1 bytes holding the
      // characters and their terminating zero.
      const int64_t room = end - p;
      const int entry = room > 0 ? static_cast<BYTE>(*p) + 2 : 0;
      if (room <= 0 || entry > room || std::memchr(p + 1, 0, entry - 1) == nullptr) {
        Poly.Text[i] = g_unknownText + 1;
        Poly.Count = i + 1;
        return 1;
      }
      Poly.Text[i] = const_cast<char*>(p + 1);
      p += entry;
    }
    if (last) {
      Poly.Count = i + 1;
      return 1;
    }
  }
  return 1;
}

int TMapMetric::PixMetric(const POLYDATA& source) {
  TakeAreas();
  POINT* const area = PaintContext.PointArea;
  if (area == nullptr) return 0;
  if (source.Count > 0 && (source.Points == nullptr || source.PolyCounts == nullptr)) return 0;
  LONG parts = source.Count > 0 ? source.Count : 0;
  if (parts > POLY_AREA_SIZE) parts = POLY_AREA_SIZE;

  // A source in the point buffer itself is copied in place and cannot grow
  // it.
  const bool inside = source.Points >= area && source.Points < area + PaintContext.PointCapacity;
  int64_t total = 0;
  for (LONG i = 0; i < parts; ++i) total += source.PolyCounts[i] > 0 ? source.PolyCounts[i] : 0;
  if (!inside && total > PaintContext.PointCapacity) {
    GrowPointBuffer(static_cast<int>(total < POINT_AREA_LIMIT ? total : POINT_AREA_LIMIT + 1));
    TakeAreas();
  }

  const int64_t dx = int64_t(DrawPlace.Y1) - PictureFrame.Y1;
  const int64_t dy = int64_t(PictureFrame.X2) - DrawPlace.X2;
  int64_t room = PaintContext.PointCapacity;
  if (inside) room = (area + PaintContext.PointCapacity) - source.Points;
  const POINT* in = source.Points;
  POINT* out = Poly.Points;
  LONG minX = 0, minY = 0, maxX = 0, maxY = 0;
  bool first = true;
  LONG done = 0;
  for (; done < parts && room > 0; ++done) {
    const LONG given = source.PolyCounts[done] > 0 ? source.PolyCounts[done] : 0;
    const LONG count = given < room ? given : static_cast<LONG>(room);
    for (LONG k = 0; k < count; ++k) {
      const LONG x = SaturatePixel(in[k].x - dx), y = SaturatePixel(in[k].y - dy);
      out[k] = POINT{x, y};
      if (first) {
        minX = x;
        minY = y;
        first = false;
      }
      if (x < minX) minX = x;
      if (y < minY) minY = y;
      if (x > maxX) maxX = x;
      if (y > maxY) maxY = y;
    }
    Poly.PolyCounts[done] = count;
    in += given;
    out += count;
    room -= count;
  }
  Poly.Count = done;
  Poly.Text[0] = nullptr;
  Poly.MinX = minX;
  Poly.MinY = minY;
  Poly.MaxX = maxX;
  Poly.MaxY = maxY;
  return 1;
}
