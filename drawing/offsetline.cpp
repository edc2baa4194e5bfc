// The offset line: the parallel copy of a part, the cutting of its loops,
// and the three entries of code 159.
#include "drawing/offsetline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "drawing/paintmetric.h"
#include "drawing/paintunits_internal.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "drawing/primtables.h"
#include "records/objectdraw.h"

namespace {

using i64 = int64_t;
__extension__ typedef __int128 i128;

constexpr LONG kOffsetMax = 20000;     // micrometres either way
constexpr LONG kOffsetDefault = 4000;  // taken for an offset beyond them
constexpr LONG kFar = 777777777;       // "no point written yet"
constexpr i64 kLoopReach = 22;         // segment k is probed for segment i when k <= 2 i + 22
constexpr int kNestedAt = 8;           // the nested element's head in the record

// --- Scratch of the copies ---

std::vector<POINT>& Scratch() {
  static std::vector<POINT> scratch;
  return scratch;
}

bool InScratch(const POINT* points, int count) {
  const std::vector<POINT>& s = Scratch();
  if (s.empty()) return false;
  const std::less<const POINT*> before;
  return before(points, s.data() + s.size()) && before(s.data(), points + count);
}

// --- Loop index ---

struct SegmentBox {
  LONG X1, Y1, X2, Y2;  // inclusive

  static SegmentBox Of(POINT a, POINT b) {
    return SegmentBox{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                      std::max(a.y, b.y)};
  }
  static SegmentBox Empty() { return SegmentBox{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}; }
  void Add(const SegmentBox& o) {
    X1 = std::min(X1, o.X1), Y1 = std::min(Y1, o.Y1);
    X2 = std::max(X2, o.X2), Y2 = std::max(Y2, o.Y2);
  }
  bool Meets(const SegmentBox& o) const {
    return X1 <= o.X2 && o.X1 <= X2 && Y1 <= o.Y2 && o.Y1 <= Y2;
  }
};

// The boxes of the segments of a part in their order, as a complete binary
// tree over blocks of kBlock segments: node 1 the root, node j's children
// 2j and 2j + 1, the blocks the leaves from node Leaves on. The part's own
// points serve the segments; cutting only ever writes points before the
// ones still probed, so the boxes of the original segments stay right.
class LoopIndex {
 public:
  static constexpr i64 kBlock = 8;

  bool Build(const POINT* points, i64 count) {
    points_ = points;
    segments_ = count - 1;
    const i64 blocks = (segments_ + kBlock - 1) / kBlock;
    leaves_ = 1;
    while (leaves_ < blocks) leaves_ *= 2;
    std::vector<SegmentBox>& nodes = Nodes();
    try {
      nodes.resize(size_t(2 * leaves_));
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (i64 b = 0; b < leaves_; ++b) {
      SegmentBox box = SegmentBox::Empty();
      for (i64 k = b * kBlock; k < std::min(segments_, (b + 1) * kBlock); ++k)
        box.Add(SegmentBox::Of(points[k], points[k + 1]));
      nodes[size_t(leaves_ + b)] = box;
    }
    for (i64 j = leaves_ - 1; j >= 1; --j) {
      nodes[size_t(j)] = nodes[size_t(2 * j)];
      nodes[size_t(j)].Add(nodes[size_t(2 * j + 1)]);
    }
    return true;
  }

  // The last segment k in lo .. hi that crosses `segment`, its crossing in
  // `cross`; -1 when none does.
  i64 Find(const POINT* segment, i64 lo, i64 hi, POINT* cross) const {
    const SegmentBox query = SegmentBox::Of(segment[0], segment[1]);
    const std::vector<SegmentBox>& nodes = Nodes();
    struct Item {
      i64 Node, First, Count;  // segments First .. First + Count - 1
    };
    Item stack[128];
    int top = 0;
    stack[top++] = Item{1, 0, leaves_ * kBlock};
    while (top > 0) {
      const Item it = stack[--top];
      if (it.First > hi || it.First + it.Count - 1 < lo || !nodes[size_t(it.Node)].Meets(query))
        continue;
      if (it.Node >= leaves_) {
        for (i64 k = std::min(hi, it.First + it.Count - 1); k >= std::max(lo, it.First); --k)
          if (SegmentBox::Of(points_[k], points_[k + 1]).Meets(query) &&
              SegmentsCross(segment, points_ + k, cross))
            return k;
        continue;
      }
      // The right half holds the later segments: it is taken first.
      const i64 half = it.Count / 2;
      stack[top++] = Item{2 * it.Node, it.First, half};
      stack[top++] = Item{2 * it.Node + 1, it.First + half, half};
    }
    return -1;
  }

 private:
  static std::vector<SegmentBox>& Nodes() {
    static std::vector<SegmentBox> nodes;
    return nodes;
  }
  const POINT* points_ = nullptr;
  i64 segments_ = 0;
  i64 leaves_ = 1;
};

// --- Entries ---

LONG OffsetOf(const char* parm) { return OffsetMicrons(ParmLong(parm, 1)); }

// The memory image's distance: whole pixels of 250 micrometres, scaled.
LONG DibDistance(const char* parm, float scale) { return ScaleTrunc(OffsetOf(parm) / 250, scale); }

// The nested element: within the record's length, with its own record.
bool Nested(const char* parm, IMGELEMENTREF* element) {
  const DWORD length = ParmWord(parm, 0);
  if (length < DWORD(kNestedAt + IMGELEMENT_HEAD)) return false;
  IMGELEMENT head;
  std::memcpy(&head, parm + kNestedAt, sizeof(head));
  if (head.Length < IMGELEMENT_HEAD || DWORD(kNestedAt) + head.Length > length || head.Image < 1 ||
      head.Image >= PRIM_COUNT - 1)
    return false;
  *element =
      IMGELEMENTREF{head.Image, parm + kNestedAt + IMGELEMENT_HEAD, head.Length - IMGELEMENT_HEAD};
  return ImageElementFits(*element) != 0;
}

// Hands the copy of each part (of the first only with `first`) to `use`
// as a one-part set with the object's other fields, its frame widened by
// the distance; stops when `use` answers true.
template <class Use>
bool EachCopy(POLYDATA* data, LONG distance, bool first, Use use) {
  const LONG reach = distance < 0 ? SaturatePixel(-i64(distance)) : distance;
  POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) break;
    POINT* copy = p;
    LONG count = MakeOffsetPolyline(&copy, p, n, distance);
    POLYDATA one = OnePartOf(*data, copy, &count);
    if (data->Text != nullptr && data->Text[0] != nullptr) one.Text = data->Text + part;
    one.MinX = SaturatePixel(i64(data->MinX) - reach),
    one.MinY = SaturatePixel(i64(data->MinY) - reach);
    one.MaxX = SaturatePixel(i64(data->MaxX) + reach),
    one.MaxY = SaturatePixel(i64(data->MaxY) + reach);
    if (use(&one)) return true;
    if (first) break;
    p += n;
  }
  return false;
}

}  // namespace

int SegmentsCross(const POINT* a, const POINT* b, POINT* cross) {
  if (a == nullptr || b == nullptr) return 0;
  const i128 a1 = i64(a[1].y) - a[0].y, b1 = i64(a[0].x) - a[1].x;
  const i128 c1 = i128(a[0].y) * a[1].x - i128(a[0].x) * a[1].y;
  const i128 s = a1 * b[0].x + b1 * b[0].y + c1, t = a1 * b[1].x + b1 * b[1].y + c1;
  if ((s > 0 && t > 0) || (s < 0 && t < 0)) return 0;
  const i128 a2 = i64(b[1].y) - b[0].y, b2 = i64(b[0].x) - b[1].x;
  const i128 c2 = i128(b[0].y) * b[1].x - i128(b[0].x) * b[1].y;
  const i128 det = a1 * b2 - a2 * b1;
  if (det == 0) return 0;
  const double d = double(det);
  const POINT p{NearestPixel(double(b1 * c2 - b2 * c1) / d),
                NearestPixel(double(a2 * c1 - a1 * c2) / d)};
  const SegmentBox box = SegmentBox::Of(p, p);
  if (!box.Meets(SegmentBox::Of(a[0], a[1])) || !box.Meets(SegmentBox::Of(b[0], b[1]))) return 0;
  if (cross != nullptr) *cross = p;
  return 1;
}

int OffsetSegments(POINT* out, const POINT* points, int count, int distance) {
  if (out == nullptr || points == nullptr || count < 1) return 0;
  if (count == 1) {
    out[0] = POINT{points[0].x, SaturatePixel(i64(points[0].y) + distance)};
    return 1;
  }
  i64 lastX = kFar, lastY = kFar;
  int n = 0;
  auto put = [&](i64 x, i64 y) {
    if (std::llabs(x - lastX) <= 1 && std::llabs(y - lastY) <= 1) return;
    out[n++] = POINT{SaturatePixel(x), SaturatePixel(y)};
    lastX = x, lastY = y;
  };
  // Halves away from zero, by the sign of the numerator.
  auto across = [](double numerator, double length) {
    return i64(numerator / length + (numerator > 0.0 ? 0.5 : -0.5));
  };
  for (int i = 0; i + 1 < count; ++i) {
    const POINT a = points[i], b = points[i + 1];
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double square = dx * dx + dy * dy;
    if (square < 1.0) continue;
    const double length = std::sqrt(square);
    const i64 ox = across(dx * distance, length), oy = across(dy * distance, length);
    put(a.x - oy, a.y + ox);
    put(b.x - oy, b.y + ox);
  }
  return n;
}

int CutOffsetLoops(POINT* points, int count) {
  if (points == nullptr || count < 4) return count;
  LoopIndex index;
  if (!index.Build(points, count)) return count;
  // The part as cut so far is points 0 .. i + 1 in place; its points after
  // those are the original ones `shift` places further on.
  i64 n = count, m = n - 3, shift = 0, i = 0;
  for (; i < m; ++i) {
    if (shift > 0) points[i + 1] = points[i + 1 + shift];
    i64 hi = std::min(n - 2, 2 * i + kLoopReach);
    if (i == 0) hi = std::min(hi, n - 3);  // a closed part's first and last segments meet
    const i64 lo = i + 2;
    if (hi < lo) continue;
    POINT cross;
    const i64 k = index.Find(points + i, lo + shift, hi + shift, &cross);
    if (k < 0) continue;
    points[i + 1] = cross;
    const i64 removed = k - shift - i - 1;
    shift += removed, n -= removed, m -= removed;
  }
  if (shift > 0 && n > i + 1)
    std::memmove(points + i + 1, points + i + 1 + shift, size_t(n - i - 1) * sizeof(POINT));
  return int(n);
}

int MakeOffsetPolyline(POINT** out, POINT* points, int count, int distance) {
  if (out != nullptr) *out = points;
  if (distance == 0 || points == nullptr || count < 1 || InScratch(points, count)) return count;
  std::vector<POINT>& scratch = Scratch();
  const size_t room = count > 1 ? 2 * size_t(count - 1) : 1;
  try {
    if (scratch.size() < room) scratch.resize(room);
  } catch (const std::bad_alloc&) {
    return count;
  }
  int n = OffsetSegments(scratch.data(), points, count, distance);
  if (n > 0) n = CutOffsetLoops(scratch.data(), n);
  if (n <= 0) return count;
  if (out != nullptr) *out = scratch.data();
  return n;
}

LONG OffsetMicrons(LONG offset) {
  return offset < -kOffsetMax || offset > kOffsetMax ? kOffsetDefault : offset;
}

void PaintOffsetCopies(TPaintMetric* doc, POLYDATA* data, LONG distance, IMGPAINTER painter,
                       const char* parm, float scale) {
  if (!HasParts(data) || painter == nullptr) return;
  EachCopy(data, distance, false, [&](POLYDATA* copy) {
    painter(doc, copy, parm, scale);
    return false;
  });
}

void PaintOffsetLineDib(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  IMGELEMENTREF nested;
  if (!HasParts(data) || parm == nullptr || !Nested(parm, &nested)) return;
  PaintOffsetCopies(doc, data, DibDistance(parm, scale),
                    DibPainterTable[DIB_FULLCOLOUR][nested.Code], nested.Parm, scale);
}

void PaintOffsetLineDevice(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  IMGELEMENTREF nested;
  if (doc == nullptr || !HasParts(data) || parm == nullptr || !Nested(parm, &nested)) return;
  PaintOffsetCopies(doc, data, DeviceUnits(doc, ScaleTrunc(OffsetOf(parm), scale)),
                    DevicePainterTable[0][nested.Code], nested.Parm, scale);
}

int TestOffsetLine(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  IMGELEMENTREF nested;
  if (!HasParts(data) || parm == nullptr || !Nested(parm, &nested)) return 0;
  const IMGTESTER test = VisibilityTestTable[nested.Code];
  return EachCopy(data, DibDistance(parm, scale), true,
                  [&](POLYDATA* copy) { return test(doc, copy, nested.Parm, scale) != 0; })
             ? 1
             : 0;
}
