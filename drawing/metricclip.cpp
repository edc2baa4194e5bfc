// TMapMetric: clipping of the polyline set to the coordinate range that a
// device takes.
//
// Each part is clipped against the four sides of the window in turn, point
// by point (one stage per side, each keeping its first and previous point):
// a point inside a side passes, a segment crossing the side adds the
// crossing. What lies outside is thus replaced by a path on the window's
// border, so a clipped polygon keeps what it covers inside the window, and
// a line's outside stretches run along the border, far from any picture.
//
// The points are moved to the end of the points area and the clipped parts
// written from its start. Output can outgrow the input it has not yet read
// (a part zigzagging across a side adds a crossing per point): the unread
// input is then copied aside once, and what no longer fits the area is
// left out.
#include <cstring>

#include "drawing/mapmetric.h"
#include "drawing/paintcontext.h"
#include "drawing/pixelmath.h"
#include "platform/memory.h"

namespace {

enum : LONG { GDI_RANGE = 32600, GDI_RANGE_PRINTER = 65200 };

class Clipper {
 public:
  Clipper(LONG low, LONG high, POINT* area, int64_t capacity, POINT* input, int64_t total)
      : low_(low), high_(high), area_(area), capacity_(capacity), input_(input),
        inputAt_(input - area), total_(total) {}
  ~Clipper() {
    if (spill_ != nullptr) plat::FreePages(spill_);
  }
  Clipper(const Clipper&) = delete;
  Clipper& operator=(const Clipper&) = delete;

  // The next input point.
  POINT Read() {
    const POINT p = spill_ != nullptr ? spill_[next_ - spillFrom_] : input_[next_];
    ++next_;
    return p;
  }
  void Skip(int64_t n) { next_ += n; }

  void BeginPart() {
    for (Stage& s : stages_) s.started = false;
  }
  void Put(const POINT& p) { Put<0>(p); }
  // The closing segment of each stage, from its last point to its first.
  void Close() { Close<0>(); }

  int64_t Written() const { return written_; }
  void Rewind(int64_t to) { written_ = to; }
  bool Failed() const { return failed_; }
  void Emit(const POINT& p) {
    if (failed_) return;
    if (spill_ == nullptr && written_ >= inputAt_ + next_) SpillInput();
    if (failed_ || written_ >= capacity_) {
      failed_ = true;
      return;
    }
    area_[written_++] = p;
  }

 private:
  struct Stage {
    POINT first;
    POINT previous;
    bool previousIn;
    bool started;
  };

  template <int Side>
  bool Inside(const POINT& p) const {
    if constexpr (Side == 0) return p.x >= low_;
    if constexpr (Side == 1) return p.x <= high_;
    if constexpr (Side == 2) return p.y >= low_;
    return p.y <= high_;
  }

  // The crossing of segment a-b with a side: the other coordinate by linear
  // interpolation, truncated.
  template <int Side>
  POINT Crossing(const POINT& a, const POINT& b) const {
    const LONG edge = (Side == 0 || Side == 2) ? low_ : high_;
    if constexpr (Side <= 1) {
      const double t = double(edge - int64_t(a.x)) / double(int64_t(b.x) - a.x);
      return POINT{edge, TruncatePixel(a.y + t * (double(b.y) - a.y))};
    } else {
      const double t = double(edge - int64_t(a.y)) / double(int64_t(b.y) - a.y);
      return POINT{TruncatePixel(a.x + t * (double(b.x) - a.x)), edge};
    }
  }

  template <int Side>
  void Put(const POINT& p) {
    if constexpr (Side == 4) {
      Emit(p);
    } else {
      Stage& s = stages_[Side];
      const bool in = Inside<Side>(p);
      if (!s.started) {
        s.started = true;
        s.first = p;
      } else if (in != s.previousIn) {
        Put<Side + 1>(Crossing<Side>(s.previous, p));
      }
      if (in) Put<Side + 1>(p);
      s.previous = p;
      s.previousIn = in;
    }
  }

  template <int Side>
  void Close() {
    if constexpr (Side < 4) {
      Stage& s = stages_[Side];
      if (s.started && Inside<Side>(s.first) != s.previousIn)
        Put<Side + 1>(Crossing<Side>(s.previous, s.first));
      Close<Side + 1>();
    }
  }

  // The output reached the input not yet read: the rest of the input goes
  // to a block of its own.
  void SpillInput() {
    const int64_t rest = total_ - next_;
    if (rest <= 0) return;
    spill_ = static_cast<POINT*>(plat::AllocPages(static_cast<SIZE_T>(rest) * sizeof(POINT)));
    if (spill_ == nullptr) {
      failed_ = true;
      return;
    }
    std::memcpy(spill_, input_ + next_, static_cast<size_t>(rest) * sizeof(POINT));
    spillFrom_ = next_;
  }

  const LONG low_;
  const LONG high_;
  POINT* const area_;
  const int64_t capacity_;
  POINT* const input_;
  const int64_t inputAt_;  // index of the input in the area
  const int64_t total_;
  int64_t next_ = 0;       // input points read
  int64_t written_ = 0;
  POINT* spill_ = nullptr;
  int64_t spillFrom_ = 0;
  bool failed_ = false;
  Stage stages_[4] = {};
};

}  // namespace

void TMapMetric::ClipPolyToGdiRange(HDC dc) {
  POINT* const area = PaintContext.PointArea;
  if (area == nullptr || Poly.Points != area || Poly.Count <= 0) return;
  const LONG range = dc != nullptr && plat::GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER
                         ? GDI_RANGE_PRINTER
                         : GDI_RANGE;
  const LONG low = -range, high = range;
  if (Poly.MinX > low && Poly.MaxX < high && Poly.MinY > low && Poly.MaxY < high) return;

  // The parts the area holds.
  const int64_t capacity = PaintContext.PointCapacity;
  LONG parts = Poly.Count < POLY_AREA_SIZE ? Poly.Count : POLY_AREA_SIZE;
  int64_t total = 0;
  for (LONG i = 0; i < parts; ++i) {
    const LONG n = Poly.PolyCounts[i] > 0 ? Poly.PolyCounts[i] : 0;
    if (total + n > capacity) {
      parts = i;
      break;
    }
    total += n;
  }
  POINT* const input = area + (capacity - total);
  if (total > 0 && input != area)
    std::memmove(input, area, static_cast<size_t>(total) * sizeof(POINT));

  Clipper clip(low, high, area, capacity, input, total);
  LONG kept = 0;
  for (LONG i = 0; i < parts && !clip.Failed(); ++i) {
    const LONG n = Poly.PolyCounts[i] > 0 ? Poly.PolyCounts[i] : 0;
    if (n == 0) continue;
    const int64_t start = clip.Written();
    bool closed = false;
    if (n == 1) {
      clip.Emit(clip.Read());
    } else {
      clip.BeginPart();
      POINT first{}, last{};
      for (LONG k = 0; k < n; ++k) {
        const POINT p = clip.Read();
        if (k == 0) first = p;
        last = p;
        clip.Put(p);
      }
      closed = first.x == last.x && first.y == last.y;
      if (closed && !clip.Failed()) {
        clip.Close();
        if (clip.Written() - start < 3) {
          clip.Rewind(start);
          continue;
        }
        const POINT head = area[start], tail = area[clip.Written() - 1];
        if (head.x != tail.x || head.y != tail.y) clip.Emit(head);
      }
    }
    // A part cut by the end of the area: a line keeps what it has, a
    // polygon is left out.
    if (clip.Failed() && (closed || clip.Written() == start)) break;
    Poly.PolyCounts[kept++] = static_cast<LONG>(clip.Written() - start);
  }
  Poly.Count = kept;
}
