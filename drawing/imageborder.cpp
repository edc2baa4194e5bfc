// The border table: how far each built-in primitive paints around its
// polylines, for the plug-ins (imgPrepareBorder) and the legend frames.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "classifier/imageedit.h"
#include "classifier/rsccore.h"
#include "drawing/imagelibrary.h"
#include "drawing/linesigns.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "records/primitives.h"

namespace {

using i64 = int64_t;

LONG Nearest(double v) { return TruncatePixel(v + 0.5); }

void Take(FRAME* f, i64 x, i64 y) {
  f->X1 = std::min(f->X1, SaturatePixel(x));
  f->Y1 = std::min(f->Y1, SaturatePixel(y));
  f->X2 = std::max(f->X2, SaturatePixel(x));
  f->Y2 = std::max(f->Y2, SaturatePixel(y));
}

// The square of half side r around a point.
void TakeSquare(FRAME* f, POINT p, LONG r) {
  Take(f, i64(p.x) - r, i64(p.y) - r);
  Take(f, i64(p.x) + r, i64(p.y) + r);
}

bool Ready(const POLYDATA* data, const char* parm, const IMGCONTEXT* context, const FRAME* frame) {
  return data != nullptr && parm != nullptr && context != nullptr && frame != nullptr;
}

// Dword n of the record.
LONG Word(const char* parm, int n) { return ParmLong(parm, n); }

int BorderDefault(POLYDATA* data, const char*, const IMGCONTEXT*, FRAME* frame) {
  if (data == nullptr || frame == nullptr || data->PolyCounts == nullptr) return 0;
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n < 0) return 0;
    if (n > 0 && p == nullptr) return 0;
    for (LONG i = 0; i < n; ++i) Take(frame, p[i].x, p[i].y);
    p += n;
  }
  return 1;
}

// 137 (word 1), 141 and 143 (word 2): a square around the first point.
template <int kWord>
int BorderSquare(POLYDATA* data, const char* parm, const IMGCONTEXT* context, FRAME* frame) {
  if (!Ready(data, parm, context, frame)) return 0;
  POINT p;
  if (FirstPoint(data, &p))
    TakeSquare(frame, p, Nearest(Word(parm, kWord) * context->PixelsPerMicronX));
  return 1;
}

// 142, 151, 152: the points widened by the text's height, and each part's
// text run out from its first point.
int BorderText(POLYDATA* data, const char* parm, const IMGCONTEXT* context, FRAME* frame) {
  if (!Ready(data, parm, context, frame)) return 0;
  const double px = context->PixelsPerMicronX;
  const LONG m = Nearest(Word(parm, 3) * px);
  if (BorderDefault(data, parm, context, frame) != 0) {
    frame->X1 = SaturatePixel(i64(frame->X1) - m);
    frame->Y1 = SaturatePixel(i64(frame->Y1) - m);
    frame->X2 = SaturatePixel(i64(frame->X2) + m);
    frame->Y2 = SaturatePixel(i64(frame->Y2) + m);
  }
  const char* text = data->Text != nullptr ? data->Text[0] : nullptr;
  if (text == nullptr || text[0] == 0 || data->Points == nullptr || data->PolyCounts == nullptr)
    return 1;
  IMAGESIZE size{};
  if (rscGetTextImageSize(nullptr, parm, text, 0, &size) == 0) return 1;
  const LONG w = TruncatePixel(size.Width * px);
  if (w <= 0) return 1;
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n < 0) break;
    if (n >= 2) {
      const double dx = double(p[1].x) - p[0].x, dy = double(p[1].y) - p[0].y;
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d > 0) {
        const LONG x = NearestPixel(p[0].x + w * dx / d), y = NearestPixel(p[0].y + w * dy / d);
        frame->X2 = std::max(frame->X2, x);
        frame->Y2 = std::max(frame->Y2, y);
      }
    } else if (n == 1) {
      frame->X2 = std::max(frame->X2, SaturatePixel(i64(p[0].x) + w));
    }
    p += n;
  }
  return 1;
}

// 149: the vector sign's measured box at its place, or a square of its
// border's size around the places.
int BorderVector(POLYDATA* data, const char* parm, const IMGCONTEXT* context, FRAME* frame) {
  if (!Ready(data, parm, context, frame)) return 0;
  if (data->Points == nullptr || data->PolyCounts == nullptr || data->Count < 1) return 1;
  const double px = context->PixelsPerMicronX, py = context->PixelsPerMicronY;
  IMAGESIZE size{};
  LONG r = 0;
  double ax = 0, ay = 0, w = 0, h = 0;
  if (rscGetVectorSize(reinterpret_cast<const IMGVECTOREX*>(parm), &size,
                       static_cast<const char*>(data->Semantic)) != 0) {
    ax = size.Left * px, ay = size.Top * py, w = size.Width * px, h = size.Height * py;
  } else {
    const LONG border = Word(parm, 12);
    r = Nearest((border != 0 && border < 50000 ? border : 10000) * px);
  }
  const LONG first = data->PolyCounts[0];
  if (first < 1) return 1;
  const POINT* places[2] = {data->Points, nullptr};
  if (data->Count >= 2 && data->PolyCounts[1] >= 1) places[1] = data->Points + first;
  for (const POINT* at : places) {
    if (at == nullptr) continue;
    TakeSquare(frame, at[0], r);
    if (first > 1) Take(frame, at[1].x, at[1].y);
  }
  if (r == 0) {
    const POINT p = places[1] != nullptr ? places[1][0] : places[0][0];
    Take(frame, TruncatePixel(p.x - ax), TruncatePixel(p.y - ay));
    Take(frame, TruncatePixel(p.x - ax + w), TruncatePixel(p.y - ay + h));
  }
  return 1;
}

// 146 and 157: the points (unless the base line's code is above 255), the
// line-start sign on each part's first segment and the line-end sign at
// its last point.
template <int kCode>
int BorderLineSigns(POLYDATA* data, const char* parm, const IMGCONTEXT* context, FRAME* frame) {
  if (!Ready(data, parm, context, frame)) return 0;
  LINESIGNSLOT slots[LINESIGNS_SLOTS];
  ReadLineSignsSlots(kCode, parm, slots);
  if (slots[0].Code <= 255 && BorderDefault(data, parm, context, frame) == 0) return 0;
  if (data->Points == nullptr || data->PolyCounts == nullptr) return 1;
  auto border = [&](const LINESIGNSLOT& s, POINT* points, LONG count) {
    if (!s.Present() || s.Code > 255 || !PrimitiveFits(s.Code, s.Parm, s.Length)) return;
    POLYDATA one = OnePartOf(*data, points, &count);
    one.Text = nullptr;  // the texts belong to the parts of the whole set
    BorderPrimitiveTable[s.Code](&one, s.Parm, context, frame);
  };
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n < 0) break;
    if (n >= 2) {
      POINT segment[2] = {p[0], p[1]};
      border(slots[1], segment, 2);
      POINT last[1] = {p[n - 1]};
      border(slots[2], last, 1);
    }
    p += n;
  }
  return 1;
}

// 147: each element of the set in turn.
int BorderSet(POLYDATA* data, const char* parm, const IMGCONTEXT* context, FRAME* frame) {
  if (!Ready(data, parm, context, frame)) return 0;
  TImageWalk walk(reinterpret_cast<const IMGDRAW*>(parm), 0x7FFFFFFF);
  IMGELEMENTREF e;
  while (walk.Next(&e) && e.Code >= 1 && e.Code <= 254) {
    if (!ImageElementFits(e)) continue;
    if (BorderPrimitiveTable[e.Code](data, e.Parm, context, frame) == 0) return 0;
  }
  return 1;
}

constexpr std::array<IMGBORDER, PRIM_COUNT> MakeBorderTable() {
  std::array<IMGBORDER, PRIM_COUNT> t{};
  for (IMGBORDER& b : t) b = BorderDefault;
  t[PRIM_BITMAP32] = BorderSquare<1>;
  t[PRIM_TEST_CIRCLE] = BorderSquare<2>;
  t[PRIM_BITMAP] = BorderSquare<2>;
  t[PRIM_TEXT] = t[PRIM_FONT_SIGN] = t[PRIM_FACE_TEXT] = BorderText;
  t[PRIM_DECORATED_SHORT] = BorderLineSigns<PRIM_DECORATED_SHORT>;
  t[PRIM_DECORATED] = BorderLineSigns<PRIM_DECORATED>;
  t[PRIM_SET] = BorderSet;
  t[PRIM_VECTOR] = BorderVector;
  return t;
}

}  // namespace

constinit const std::array<IMGBORDER, PRIM_COUNT> BorderPrimitiveTable = MakeBorderTable();
