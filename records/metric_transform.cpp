// Transformations of all points of a metric (moving, rotating, scaling about
// a centre) and point filters (repeated points, corridor thinning). Values
// are stored by the write rules of the record's kind; filters compact the
// record in one pass.
#include <cmath>
#include <cstring>

#include "records/dataedit.h"
#include "records/metric_access.h"

using metric::Contour;
using metric::Walk;

namespace {

enum { kRelocate, kRotate, kScope, kScopeRelocate };

// Every contour of the record reachable? (Filters check before writing.)
bool RecordWalks(LONGMETRIC* record, int size, bool text) {
  char* base = reinterpret_cast<char*>(record);
  Walk walk(base, base + record->Length, size, text);
  Contour c;
  if (!walk.First(c)) return false;
  for (int i = 0; i < walk.Subjects(); ++i) {
    Contour next;
    if (!walk.Next(c, i + 1, next)) return false;
    c = next;
  }
  return true;
}

DOUBLEPOINT Read(DWORD kind, const char* p) {
  DOUBLEPOINT r;
  metric::ReadXY(kind, p, r.X, r.Y);
  return r;
}

}  // namespace

int TDataEdit::TransformPoints(int n, int op, const DOUBLEPOINT* k, const DOUBLEPOINT* c,
                               const DOUBLEPOINT* d, double angle) {
  if (!Valid()) return 0;
  // Factors, centres, shifts and angles that are not numbers would leave
  // no point a number: refused before anything is written.
  if ((k && !IsFinitePoint(*k)) || (c && !IsFinitePoint(*c)) || (d && !IsFinitePoint(*d)) ||
      !std::isfinite(angle))
    return 0;
  int size = MetricPointSize(Kind());
  if (size == 0) return 0;
  PointBytes = size;
  DWORD kind = Kind();
  double kx = 1.0, ky = 1.0;
  if (k) {
    kx = k->X;
    ky = k->Y;
    if (op == kScopeRelocate) {
      if (std::fabs(kx) <= 1e-6) kx = 1.0;
      if (std::fabs(ky) <= 1e-6) ky = 1.0;
    }
  }
  double cosA = std::cos(angle), sinA = std::sin(angle);
  auto apply = [&](char* p, DWORD count) {
    for (DWORD i = 0; i < count; ++i, p += size) {
      DOUBLEPOINT q = Read(kind, p);
      double x = q.X, y = q.Y;
      switch (op) {
        case kRelocate:
          x += d->X;
          y += d->Y;
          break;
        case kRotate: {
          double dx = q.X - c->X, dy = q.Y - c->Y;
          x = dx * cosA + dy * sinA + c->X;
          y = dy * cosA - dx * sinA + c->Y;
          break;
        }
        case kScope:
          x = (q.X - c->X) * kx + c->X;
          y = (q.Y - c->Y) * ky + c->Y;
          break;
        default:
          x = (q.X - c->X) * kx + c->X + d->X;
          y = (q.Y - c->Y) * ky + c->Y + d->Y;
          break;
      }
      metric::StoreCoord(kind, p, 0, x);
      metric::StoreCoord(kind, p, 1, y);
    }
  };
  if (n >= 0) {
    char* first;
    DWORD count;
    if (!ContourPoints(n, first, count)) return 0;
    if (count) ChangedFlag = 1;
    apply(first, count);
    return 1;
  }
  if (!RecordWalks(Record, size, TextFlag != 0)) return 0;
  char* base = reinterpret_cast<char*>(Record);
  Walk walk(base, End(), size, TextFlag != 0);
  Contour contour;
  walk.First(contour);
  for (int i = 0;; ++i) {
    if (contour.count) ChangedFlag = 1;
    apply(contour.First(), contour.count);
    if (i >= walk.Subjects()) break;
    Contour next;
    walk.Next(contour, i + 1, next);
    contour = next;
  }
  return 1;
}

int TDataEdit::RelocateObject(const DOUBLEPOINT* d) {
  return d ? TransformPoints(-1, kRelocate, nullptr, nullptr, d, 0.0) : 0;
}

int TDataEdit::RelocateSubject(int n, const DOUBLEPOINT* d) {
  return (d && n >= 0) ? TransformPoints(n, kRelocate, nullptr, nullptr, d, 0.0) : 0;
}

int TDataEdit::RotateObject(const DOUBLEPOINT* c, double a) {
  if (c == nullptr || !(std::fabs(a) > 1e-6)) return 0;
  return TransformPoints(-1, kRotate, nullptr, c, nullptr, a);
}

int TDataEdit::RotateSubject(const DOUBLEPOINT* c, double a, int n) {
  if (c == nullptr || n < 0 || !(std::fabs(a) > 1e-6)) return 0;
  return TransformPoints(n, kRotate, nullptr, c, nullptr, a);
}

int TDataEdit::ScopeObject(const DOUBLEPOINT* k, const DOUBLEPOINT* c) {
  return (k && c) ? TransformPoints(-1, kScope, k, c, nullptr, 0.0) : 0;
}

int TDataEdit::ScopeSubject(const DOUBLEPOINT* k, const DOUBLEPOINT* c, int n) {
  return (k && c && n >= 0) ? TransformPoints(n, kScope, k, c, nullptr, 0.0) : 0;
}

int TDataEdit::ScopeAndRelocateObject(const DOUBLEPOINT* k, const DOUBLEPOINT* c,
                                      const DOUBLEPOINT* d) {
  return (k && c && d) ? TransformPoints(-1, kScopeRelocate, k, c, d, 0.0) : 0;
}

int TDataEdit::ScopeAndRelocateSublect(const DOUBLEPOINT* k, const DOUBLEPOINT* c,
                                       const DOUBLEPOINT* d, int n) {
  return (k && c && d && n >= 0) ? TransformPoints(n, kScopeRelocate, k, c, d, 0.0) : 0;
}

// Removes every point that repeats its predecessor within the precision (in
// X and Y, and in height for the f32 and f64 kinds with heights when asked),
// so that the next point is compared with the same predecessor; a contour
// that was closed is closed again on its first point. One pass: kept points
// and the following contours move down as the record is read.
int TDataEdit::DeleteEqualPoint(double precision, int dimension) {
  if (!Valid()) return 0;
  int size = MetricPointSize(Kind());
  if (size == 0 || !RecordWalks(Record, size, TextFlag != 0)) return 0;
  PointBytes = size;
  DWORD kind = Kind();
  bool heights = dimension && (size == 24 || size == 12);
  bool text = TextFlag != 0;
  char* base = reinterpret_cast<char*>(Record);
  char* end = End();
  Walk walk(base, end, size, text);
  char* read = base + METRIC_HEADER_SIZE;
  char* write = read;
  bool changed = false;
  for (int i = 0; i <= walk.Subjects(); ++i) {
    Contour c;
    walk.At(read, i, c);  // checked by RecordWalks; read stays ahead of write
    DWORD count = c.count;
    bool closed = count <= 1 ||
                  std::memcmp(c.First(), c.First() + (count - 1) * static_cast<size_t>(size),
                              static_cast<size_t>(size)) == 0;
    char* word = write;
    std::memmove(word, c.word, 4);
    write += 4;
    DWORD kept = 0;
    double px = 0.0, py = 0.0, ph = 0.0;
    const char* p = c.First();
    for (DWORD j = 0; j < count; ++j, p += size) {
      double x, y;
      metric::ReadXY(kind, p, x, y);
      double h = heights ? metric::ReadH(kind, p) : 0.0;
      if (j > 0 && std::fabs(x - px) <= precision && std::fabs(y - py) <= precision &&
          (!heights || std::fabs(h - ph) <= precision)) {
        changed = true;
        continue;
      }
      std::memmove(write, p, static_cast<size_t>(size));
      write += size;
      ++kept;
      px = x;
      py = y;
      ph = h;
    }
    if (closed && kept > 1) {
      char* firstKept = word + 4;
      char* lastKept = firstKept + (kept - 1) * static_cast<size_t>(size);
      if (std::memcmp(firstKept, lastKept, static_cast<size_t>(size)) != 0) {
        std::memcpy(lastKept, firstKept, static_cast<size_t>(size));
        changed = true;
      }
    }
    metric::WriteCount(walk.LongCounts(), word, kept);
    size_t entry = static_cast<size_t>(c.next - c.text);
    std::memmove(write, c.text, entry);
    write += entry;
    read = c.next;
  }
  // Bytes past the last contour, if any, stay behind it.
  std::memmove(write, read, static_cast<size_t>(end - read));
  write += end - read;
  Record->Length = static_cast<DWORD>(write - base);
  if (changed) ChangedFlag = 1;
  ClearCursor();
  FirstPointSubject(0);
  return 1;
}

// Corridor thinning: from an anchor, the end point runs forward while every
// point between them lies closer than the precision to the line through
// the two; the point before the first end that fails becomes the next anchor.
int TDataEdit::LinearFilter(double precision) {
  double p = precision < 0.001 ? 0.001 : precision;
  if (TextFlag) return DeleteEqualPoint(precision, 0);
  if (!Valid()) return -10;
  int size = MetricPointSize(Kind());
  if (size == 0 || !RecordWalks(Record, size, false)) return -10;
  PointBytes = size;
  DWORD kind = Kind();
  char* base = reinterpret_cast<char*>(Record);
  Walk walk(base, End(), size, false);
  bool longCounts = walk.LongCounts();
  char* read = base + METRIC_HEADER_SIZE;
  char* write = read;
  int code = 0;
  int64_t total = 0;
  int contours = 0;
  for (int i = 0; i <= walk.Subjects(); ++i) {
    Contour c;
    walk.At(read, i, c);
    read = c.next;
    const char* pts = c.First();
    DWORD count = c.count;
    auto at = [&](DWORD j) { return Read(kind, pts + static_cast<size_t>(j) * size); };
    char* word = write;
    std::memmove(word, c.word, 4);
    char* out = word + 4;
    DWORD kept = 0;
    auto keep = [&](DWORD j) {
      std::memmove(out + static_cast<size_t>(kept) * size, pts + static_cast<size_t>(j) * size,
                   static_cast<size_t>(size));
      ++kept;
    };
    bool remove = false;
    if (count <= 1) {
      if (i == 0) {
        code = -1;
        for (DWORD j = 0; j < count; ++j) keep(j);
      } else {
        remove = true;
      }
    } else if (count == 2) {
      DOUBLEPOINT a = at(0), b = at(1);
      if (std::fabs(b.X - a.X) >= p || std::fabs(b.Y - a.Y) >= p || i == 0) {
        if (!(std::fabs(b.X - a.X) >= p || std::fabs(b.Y - a.Y) >= p)) code = -2;
        keep(0);
        keep(1);
      } else {
        remove = true;
      }
    } else {
      // Points at or behind the anchor may already be overwritten by kept
      // points: the anchor is held in a local, later points are read in place.
      DOUBLEPOINT anchor = at(0);
      keep(0);
      DWORD a = 0, e = 2;
      while (e < count) {
        DOUBLEPOINT end = at(e);
        bool inside = true;
        for (DWORD j = a + 1; j < e && inside; ++j) {
          DOUBLEPOINT q = at(j);
          if (Measure.Distance(&q, &anchor, &end) >= p) inside = false;
        }
        if (inside) {
          ++e;
          continue;
        }
        a = e - 1;
        anchor = at(a);
        keep(a);
        e = a + 2;
      }
      keep(count - 1);
      DOUBLEPOINT first = Read(kind, out);
      DOUBLEPOINT last = Read(kind, out + static_cast<size_t>(kept - 1) * size);
      bool closed = std::fabs(last.X - first.X) < p && std::fabs(last.Y - first.Y) < p;
      if (closed && kept >= 4) {
        DOUBLEPOINT second = Read(kind, out + static_cast<size_t>(size));
        char* beforeLast = out + static_cast<size_t>(kept - 2) * size;
        DOUBLEPOINT prior = Read(kind, beforeLast);
        if (Measure.Distance(&first, &prior, &second) < p) {
          // P(k-1), P2, ..., P(k-1)
          std::memcpy(out, beforeLast, static_cast<size_t>(size));
          --kept;
        }
      }
      if (closed && kept < 4) {
        if (i == 0) code = -3;
        else remove = true;
      }
    }
    if (remove) continue;  // write stays: the contour and its count word go
    metric::WriteCount(longCounts, word, kept);
    write = out + static_cast<size_t>(kept) * size;
    total += kept;
    ++contours;
  }
  Record->Count = static_cast<WORD>(contours - 1);
  Record->Length = static_cast<DWORD>(write - base);
  ChangedFlag = 1;
  ClearCursor();
  FirstPointSubject(0);
  if (code) return code;
  return static_cast<int>(total);
}
