#include "mapstore/objectframe.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "classifier/imageedit.h"
#include "classifier/maprsc.h"
#include "classifier/rscimagefit.h"
#include "devices/fontreg.h"
#include "mapstore/maplist.h"
#include "platform/numeric.h"
#include "records/objectdata.h"
#include "records/primitives.h"

namespace {

constexpr int kFontRecord = 32;  // the text parameters that describe the font

template <typename T>
T Load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  return v;
}

LONG Trunc(double v) { return plat::TruncateTo<LONG>(v); }

LONG Clamp(int64_t v) { return plat::SaturateTo<LONG>(v); }

// An extent of integer or real coordinates; empty while max < min.
struct Extent {
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  void Add(double x, double y) {
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
  bool HasX() const { return maxX >= minX; }
  bool HasY() const { return maxY >= minY; }
};

void StoreFrame(FVSPR* desc, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  desc->X1 = Clamp(x1);
  desc->Y1 = Clamp(y1);
  desc->X2 = Clamp(x2);
  desc->Y2 = Clamp(y2);
}

bool TextKind(int local) { return local == LOCAL_TITLE || local == LOCAL_MIXED; }

// One contour as found by a bounded walk: its points and its text entry.
struct ContourView {
  const char* points;  // first point
  DWORD count;         // points, limited to what the record holds
  const char* text;    // text entry (length byte first), or null
};

// Walks the contours of a metric record (subject count + 1 of them, each
// count limited to the points the rest of the record can hold), calling
// f(index, contour) until it returns false. A contour whose count word
// lies past the record's end ends the walk. Returns the contours visited.
template <class F>
int ForContours(const LONGMETRIC* metric, bool text, F f) {
  const char* record = reinterpret_cast<const char*>(metric);
  const DWORD length = metric->Length;
  const int size = MetricPointSize(metric->Ident);
  if (size == 0) return 0;
  const bool longCounts = (metric->Flags & METRIC_LONG_COUNTS) != 0;
  const int contours = metric->Count + 1;
  DWORD at = METRIC_HEADER_SIZE;
  int index = 0;
  for (; index < contours; ++index) {
    if (at > length || length - at < 4) break;
    const char* word = record + at;
    DWORD count = longCounts ? Load<uint32_t>(word) : Load<uint16_t>(word + 2);
    const DWORD room = (length - at - 4) / DWORD(size);
    if (count > room) count = room;
    ContourView c{word + 4, count, nullptr};
    at += 4 + count * DWORD(size);
    if (text && at < length) {
      c.text = record + at;
      at += DWORD(static_cast<BYTE>(record[at])) + 2;
    }
    if (!f(index, c)) return index + 1;
  }
  return index;
}

// X and Y of a point by kind (the kind is one with a point size).
void ReadPoint(DWORD kind, const char* p, double* x, double* y) {
  switch (kind) {
    case METRIC_U16:
    case METRIC_U16H:
      *x = Load<uint16_t>(p);
      *y = Load<uint16_t>(p + 2);
      return;
    case METRIC_I32:
      *x = Load<int32_t>(p);
      *y = Load<int32_t>(p + 4);
      return;
    case METRIC_F32:
    case METRIC_F32H:
      *x = Load<float>(p);
      *y = Load<float>(p + 4);
      return;
    default:
      *x = Load<double>(p);
      *y = Load<double>(p + 8);
      return;
  }
}

// Calls f(x, y) for each of `count` points from `p`, `size` bytes apart:
// the kind is looked at once, not at every point.
template <class F>
void ForPoints(DWORD kind, const char* p, DWORD count, int size, F&& f) {
  const char* const end = p + size_t(count) * size_t(size);
  switch (kind) {
    case METRIC_U16:
    case METRIC_U16H:
      for (; p != end; p += size) f(double(Load<uint16_t>(p)), double(Load<uint16_t>(p + 2)));
      return;
    case METRIC_I32:
      for (; p != end; p += size) f(double(Load<int32_t>(p)), double(Load<int32_t>(p + 4)));
      return;
    case METRIC_F32:
    case METRIC_F32H:
      for (; p != end; p += size) f(double(Load<float>(p)), double(Load<float>(p + 4)));
      return;
    default:
      for (; p != end; p += size) f(Load<double>(p), Load<double>(p + 8));
      return;
  }
}

// The extent of `count` points from `p` (ForPoints), a coordinate that is
// not a number counted as 0, as Trunc takes it: since Trunc never goes
// down as its argument goes up, the truncated extent is that of the
// truncated points (a coordinate past the extent's start values of
// +-1e300 is past the 32-bit range too, which Trunc saturates at).
Extent PointExtent(DWORD kind, const char* p, DWORD count, int size) {
  Extent e;
  ForPoints(kind, p, count, size, [&](double x, double y) {
    e.Add(x == x ? x : 0.0, y == y ? y : 0.0);
  });
  return e;
}

bool FloatKind(DWORD kind) {
  return kind == METRIC_F32 || kind == METRIC_F32H || kind == METRIC_F64 || kind == METRIC_F64H;
}

// A metric record the frames may walk: a valid marker and a length that
// holds at least the first count word.
bool UsableMetric(const LONGMETRIC* metric) {
  return metric != nullptr && IsMetricMarker(metric->Ident) &&
         metric->Length >= DWORD(METRIC_EMPTY_LENGTH) && metric->Length <= DWORD(DATA_MAX_LENGTH);
}

// The first and second point of a contour (a one-point contour gives its
// point twice, an empty one the point (0, 0)).
void ContourEnds(DWORD kind, const ContourView& c, DOUBLEPOINT* p1, DOUBLEPOINT* p2) {
  p1->X = p1->Y = 0.0;
  if (c.count >= 1) ReadPoint(kind, c.points, &p1->X, &p1->Y);
  *p2 = *p1;
  if (c.count >= 2) ReadPoint(kind, c.points + MetricPointSize(kind), &p2->X, &p2->Y);
}

// --- image parameters ----------------------------------------------------

const VIEPAR* KindParameters(const TRSCDATA* rsc, int n, bool printer) {
  if (rsc == nullptr || !rscIsOpen(rsc) || rsc->ObjIndex == nullptr) return nullptr;
  if (n < 1 || DWORD(n) > rsc->Head.Tables[RSC_OBJ].Count) return nullptr;
  const RSCOBJINDEX& e = rsc->ObjIndex[n];
  if (e.Obj == nullptr) return nullptr;
  const VIEPAR* par = printer ? e.Prn : e.Par;
  return rscImageFits(par) ? par : nullptr;
}

// Calls f(function, parameters, length) for every element of a drawing
// description held in `length` bytes; false when it is not one.
template <class F>
bool ForDrawElements(const char* record, DWORD length, F f) {
  if (record == nullptr || length < DWORD(IMGDRAW_HEAD)) return false;
  const IMGDRAW* head = reinterpret_cast<const IMGDRAW*>(record);
  if (head->Ident != IMGDRAW_IDENT) return false;
  const DWORD limit = head->Length < length ? head->Length : length;
  DWORD at = IMGDRAW_HEAD;
  for (int k = 0; k < head->Count && at + IMGELEMENT_HEAD <= limit; ++k) {
    const WORD size = Load<WORD>(record + at);
    const WORD function = Load<WORD>(record + at + 2);
    if (size < IMGELEMENT_HEAD || size > limit - at) break;
    f(int(function), record + at + IMGELEMENT_HEAD, int(size - IMGELEMENT_HEAD));
    at += size;
  }
  return true;
}

// The image elements that draw an object: those of its own graphics when
// it has any, else those of its kind's printer parameters, else of its
// screen parameters (a set of primitives element by element).
template <class F>
void ForImageElements(const OBJECTFRAMECONTEXT& context, const FVSPR* desc, const IMGDRAW* draw,
                      F f) {
  if (draw != nullptr && draw->Ident == IMGDRAW_IDENT && draw->Count > 0 &&
      draw->Length > DWORD(IMGDRAW_HEAD)) {
    ForDrawElements(reinterpret_cast<const char*>(draw), draw->Length, f);
    return;
  }
  const VIEPAR* par = KindParameters(context.Rsc, desc->Code, true);
  if (par == nullptr) par = KindParameters(context.Rsc, desc->Code, false);
  if (par == nullptr) return;
  const char* parms = reinterpret_cast<const char*>(par) + RSC_PAR_HEAD;
  const DWORD length = par->Length - RSC_PAR_HEAD;
  if (par->Function == PRIM_SET)
    ForDrawElements(parms, length, f);
  else
    f(int(par->Function), parms, int(length));
}

// --- signs -------------------------------------------------------------------

// Scale factor of one axis of a vector sign: drawn / (to - from).
double VectorFactor(const LONG* scale) {
  if (scale[2] != 0 && scale[1] > scale[0]) return double(scale[2]) / (double(scale[1]) - scale[0]);
  return 0.0;
}

// The box of a vector sign in device units along and across its direction.
struct SignBox {
  bool valid = false;
  double left = 0, top = 0, width = 0, height = 0;  // at the map's own scale
  double base = 1000;      // length the sign is fitted to, sign units
  double along = 1;        // X factor of the sign (for fitting)
  bool fixed = false;      // not turned along its segment
  bool mirror = false;     // mirrored when its segment runs backwards
  bool fit = false;        // stretched to its segment
  bool centre = false;     // centred on its segment
  double paper = 0;        // device units per sign unit
};

SignBox MeasureVectorSign(const OBJECTFRAMECONTEXT& context, const char* parms, int length,
                          const SEMANTIC* semn) {
  SignBox box;
  if (length < int(sizeof(IMGVECTOREX))) return box;
  const IMGVECTOREX* image = reinterpret_cast<const IMGVECTOREX*>(parms);
  if (image->Length < sizeof(IMGVECTOREX) || image->Length > DWORD(length)) return box;
  IMAGESIZE size{};
  if (!rscGetVectorSize(image, &size, reinterpret_cast<const char*>(semn))) return box;
  box.valid = true;
  box.paper = PaperToSheet(context, 1.0);
  box.left = PaperToSheet(context, size.Left);
  box.top = PaperToSheet(context, size.Top);
  box.width = PaperToSheet(context, size.Width);
  box.height = PaperToSheet(context, size.Height);
  if (box.width < 1) box.width = 1;
  if (box.height < 1) box.height = 1;
  box.base = image->Base < 250 ? 1000 : double(image->Base);
  double fx = VectorFactor(image->ScaleX), fy = VectorFactor(image->ScaleY);
  if (fx == 0) fx = fy;
  box.along = fx == 0 ? 1.0 : fx;
  box.fixed = parms[40] != 0;
  box.mirror = parms[41] != 0;
  box.fit = parms[43] != 0;
  box.centre = parms[44] != 0;
  return box;
}

// Adds the corners of a vector sign placed at the first point of a contour
// and turned along its first segment.
void AddSignBox(const SignBox& box, const DOUBLEPOINT& p1, const DOUBLEPOINT& p2, bool segment,
                Extent* e) {
  if (!box.valid) return;
  // Direction along the segment (X north, Y east); a one-point contour and
  // a sign that does not turn point east.
  double dx = 0, dy = 1, length = 0;
  if (segment && !box.fixed) {
    const double sx = p2.X - p1.X, sy = p2.Y - p1.Y;
    length = std::sqrt(sx * sx + sy * sy);
    if (sx == 0 && sy != 0) {
      dx = 0, dy = sy > 0 ? 1 : -1;
    } else if (sy == 0 && sx != 0) {
      dx = sx > 0 ? 1 : -1, dy = 0;
    } else if (length > 0) {
      dx = sx / length, dy = sy / length;
    }
  } else if (segment) {
    const double sx = p2.X - p1.X, sy = p2.Y - p1.Y;
    length = std::sqrt(sx * sx + sy * sy);
  }
  double left = box.left, top = box.top, width = box.width, height = box.height;
  if (box.fit && length > 0) {
    // Stretched to the segment: the sign's base length becomes the
    // segment's length on both axes.
    const double k = length / (box.base * box.along * box.paper);
    left *= k, top *= k, width *= k, height *= k;
  }
  double a0 = -left, a1 = width - left;
  if (box.centre) {
    const double slack = length - box.base * box.paper;
    if (slack > 0) a1 += slack / 2;
  }
  // Across the direction the sign's Y runs to the right of it.
  const double nx = -dy, ny = dx;
  const double b0 = -top, b1 = height - top;
  for (int side = 0; side < (box.mirror ? 2 : 1); ++side) {
    const double flip = side == 0 ? 1.0 : -1.0;
    for (double a : {a0, a1}) {
      for (double b : {b0, b1}) {
        const double x = p1.X + a * dx + b * flip * nx;
        const double y = p1.Y + a * dy + b * flip * ny;
        e->Add(Trunc(x), Trunc(y));
      }
    }
  }
}

// Half side of the square taken by bitmap and font signs.
LONG SquareSign(const OBJECTFRAMECONTEXT& context) {
  return Trunc(double(context.Scale) * 32 / 3000 + 1);
}

// --- the image plug-in layer --------------------------------------------------

OBJECTIMAGEBORDERPROC g_imageBorder = nullptr;

// Shared point buffers of the question put to the plug-in layer; they
// grow and are kept.
struct ImageBuffers {
  std::vector<POINT> points;
  std::vector<int> counts;
  std::vector<const char*> texts;
  std::vector<char> textBytes;
  std::vector<size_t> textAt;
};

}  // namespace

OBJECTIMAGEBORDERPROC SetObjectImageBorderService(OBJECTIMAGEBORDERPROC proc) {
  OBJECTIMAGEBORDERPROC old = g_imageBorder;
  g_imageBorder = proc;
  return old;
}

void SetObjectFrameContext(OBJECTFRAMECONTEXT* context, const MAPPASSPORT* passport,
                           TRSCDATA* rsc) {
  const MAPREGISTEREX& reg = passport->Register;
  context->Rsc = rsc;
  context->Scale = reg.Scale;
  context->UserMap = reg.IsRealPlace != 0;
  context->DeviceCapability = reg.DeviceCapability;
  context->Factor = 1.0;
  if (!context->UserMap && reg.DeviceCapability > 0 && reg.Scale > 0)
    context->Factor = double(reg.Scale) / reg.DeviceCapability;
}

double PaperToSheet(const OBJECTFRAMECONTEXT& context, double size) {
  const double factor = context.Factor > 0 ? context.Factor : 1.0;
  return double(context.Scale) * size / (1000000.0 * factor);
}

int ObjectFrameMargin(const OBJECTFRAMECONTEXT& context) {
  if (!context.UserMap) return 64;
  return Trunc(double(context.Scale) * 32 / 3000 + 1);
}

void BuildPointFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric) {
  if (desc == nullptr || !UsableMetric(metric)) return;
  const int local = FvsprLocal(desc);
  const int64_t m = ObjectFrameMargin(context);
  const int64_t half = m / 2;
  const DWORD kind = metric->Ident;
  TObjectData data(const_cast<LONGMETRIC*>(metric));

  int64_t minX = data.X1Long(), maxX = minX;
  int64_t minY = data.Y1Long(), maxY = minY;
  auto add = [&](double x, double y, bool roundUp) {
    const int64_t ix = Trunc(x), iy = Trunc(y);
    const int64_t up = roundUp ? 1 : 0;
    if (ix < minX) minX = ix;
    if (ix + up > maxX) maxX = ix + up;
    if (iy < minY) minY = iy;
    if (iy + up > maxY) maxY = iy + up;
  };
  // Its two corners stand for every point of an extent.
  auto addExtent = [&](const Extent& e, bool roundUp) {
    if (!e.HasX()) return;
    add(e.minX, e.minY, roundUp);
    add(e.maxX, e.maxY, roundUp);
  };
  const bool floats = FloatKind(kind);
  const int size = MetricPointSize(kind);

  if (local == LOCAL_POLYGON) {
    if (size == 0) {
      minX = minY = -32766;
      maxX = maxY = -16;
    } else {
      ForContours(metric, false, [&](int, const ContourView& c) {
        addExtent(PointExtent(kind, c.points, c.count, size), floats);
        return false;  // the outer contour only
      });
    }
    StoreFrame(desc, minX - half - 1, minY - half - 1, maxX + half + 1, maxY + half + 1);
    return;
  }

  if (size == 0) {
    minX = minY = 0;
    maxX = maxY = 0xFFFFF0;
  } else {
    const bool mixed = local == LOCAL_MIXED;
    const bool scaled = (desc->Flags & FVSPR_SCALE) != 0;
    ForContours(metric, mixed, [&](int index, const ContourView& c) {
      const bool roundUp = floats && index == 0;
      addExtent(PointExtent(kind, c.points, c.count, size), roundUp);
      // A one-point text of a mixed object runs along Y from its point.
      if (mixed && c.text != nullptr && c.count == 1 && !scaled) {
        double x, y;
        ReadPoint(kind, c.points, &x, &y);
        const int64_t reach = Trunc(y) + int64_t(static_cast<BYTE>(*c.text)) * m / 2;
        if (reach > maxY) maxY = reach;
      }
      return true;
    });
  }
  int64_t extra = local == LOCAL_MIXED ? half : 0;
  StoreFrame(desc, minX - half, minY - half, maxX + half + extra, maxY + half + extra);
}

void BuildTextFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric,
                    const SEMANTIC* semn, const IMGDRAW* draw) {
  if (desc == nullptr || !UsableMetric(metric)) return;
  const DWORD kind = metric->Ident;
  if (MetricPointSize(kind) == 0) {
    BuildPointFrame(context, desc, metric);
    return;
  }
  Extent e;
  LONG height = 0;  // the last font height converted
  ForImageElements(context, desc, draw, [&](int function, const char* parms, int length) {
    const bool text = PrimitiveIs(function, PRIMF_TEXT);
    if (!text && function != PRIM_VECTOR) return;
    char font[kFontRecord];
    SignBox sign;
    if (text) {
      if (length < kFontRecord) return;
      std::memcpy(font, parms, kFontRecord);
      const DWORD h = Load<DWORD>(font + TEXTPARM_HEIGHT);
      if (h != 0) {
        height = Trunc(PaperToSheet(context, 2.0 * h)) + 1;
        std::memcpy(font + TEXTPARM_HEIGHT, &height, sizeof(height));
      }
    } else {
      sign = MeasureVectorSign(context, parms, length, semn);
      if (!sign.valid) return;
    }
    ForContours(metric, true, [&](int, const ContourView& c) {
      DOUBLEPOINT p1, p2;
      ContourEnds(kind, c, &p1, &p2);
      e.Add(p1.X, p1.Y);
      e.Add(p2.X, p2.Y);
      if (!text) {
        AddSignBox(sign, p1, p2, c.count >= 2, &e);
        return true;
      }
      if (c.text == nullptr) return true;
      // The entry is copied so that the measuring finds its text ended and
      // its placement code within bounds: {length byte, text, 0, code}.
      char entry[1 + 255 + 2];
      const char* end = reinterpret_cast<const char*>(metric) + metric->Length;
      const char* chars = c.text + 1;
      size_t n = 0;
      while (n < 255 && chars + n < end && chars[n] != 0) ++n;
      entry[0] = c.text[0];
      std::memcpy(entry + 1, chars, n);
      entry[1 + n] = 0;
      entry[2 + n] = chars + n + 1 < end ? chars[n + 1] : 0;
      int frame[4];
      if (CalcMapTextFrame(frame, &p1, &p2, font, entry + 1)) {
        e.Add(frame[0], frame[1]);
        e.Add(frame[2], frame[3]);
      }
      return true;
    });
  });
  TObjectData data(const_cast<LONGMETRIC*>(metric));
  if (!e.HasX()) e.minX = e.maxX = data.X1Long();
  if (!e.HasY()) e.minY = e.maxY = data.Y1Long();
  const int64_t t = (int64_t(height) + 10) / 10;
  StoreFrame(desc, Trunc(e.minX) - t, Trunc(e.minY) - t, Trunc(e.maxX) + t, Trunc(e.maxY) + t);
}

void BuildSignFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric,
                    const SEMANTIC* semn, const IMGDRAW* draw) {
  if (desc == nullptr || !UsableMetric(metric)) return;
  const DWORD kind = metric->Ident;
  if (MetricPointSize(kind) == 0) {
    BuildPointFrame(context, desc, metric);
    return;
  }
  // Wide, so that the frame of points at the ends of the range does not
  // overflow before StoreFrame clamps it.
  const int64_t margin =
      context.UserMap ? Trunc(double(context.Scale) * 8 / 3000 + 1) : 2;
  const bool text = TextKind(FvsprLocal(desc));

  Extent e;
  DOUBLEPOINT first{0, 0};
  ForContours(metric, text, [&](int, const ContourView& c) {
    DOUBLEPOINT p1, p2;
    ContourEnds(kind, c, &p1, &p2);
    first = p1;
    e.Add(Trunc(p1.X), Trunc(p1.Y));
    if (c.count >= 2) e.Add(Trunc(p2.X), Trunc(p2.Y));
    return false;
  });

  ForImageElements(context, desc, draw, [&](int function, const char* parms, int length) {
    // A vector sign is measured; the other signs take a square.
    if (PrimitiveIs(function, PRIMF_SIGN) && function != PRIM_VECTOR) {
      const LONG r = SquareSign(context);
      e = Extent{};
      e.Add(double(Trunc(first.X)) - r, double(Trunc(first.Y)) - r);
      e.Add(double(Trunc(first.X)) + r, double(Trunc(first.Y)) + r);
      return;
    }
    if (function != PRIM_VECTOR) return;
    const SignBox sign = MeasureVectorSign(context, parms, length, semn);
    if (!sign.valid) return;
    ForContours(metric, text, [&](int, const ContourView& c) {
      DOUBLEPOINT p1, p2;
      ContourEnds(kind, c, &p1, &p2);
      AddSignBox(sign, p1, p2, c.count >= 2, &e);
      return true;
    });
  });
  StoreFrame(desc, Trunc(e.minX) - margin, Trunc(e.minY) - margin, Trunc(e.maxX) + margin,
             Trunc(e.maxY) + margin);
}

int BuildImageFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric,
                    const SEMANTIC* semn) {
  if (g_imageBorder == nullptr || desc == nullptr || !UsableMetric(metric)) return 0;
  const VIEPAR* par = KindParameters(context.Rsc, desc->Code, false);
  if (par == nullptr || par->Function != PRIM_LIBRARY) return 0;
  const DWORD kind = metric->Ident;
  const int size = MetricPointSize(kind);
  if (size == 0) return 0;

  static ImageBuffers buffers;
  buffers.points.clear();
  buffers.counts.clear();
  buffers.texts.clear();
  buffers.textBytes.clear();
  buffers.textAt.clear();
  const bool text = TextKind(FvsprLocal(desc));
  TObjectData data(const_cast<LONGMETRIC*>(metric));
  const double x0 = data.X1Long(), y0 = data.Y1Long();
  bool whole = true;
  const int contours = ForContours(metric, text, [&](int, const ContourView& c) {
    for (DWORD i = 0; i < c.count; ++i) {
      double x, y;
      ReadPoint(kind, c.points + i * size, &x, &y);
      buffers.points.push_back(POINT{Trunc(y - y0), Trunc(x0 - x)});
    }
    buffers.counts.push_back(int(c.count));
    if (text) {
      buffers.textAt.push_back(buffers.textBytes.size());
      if (c.text != nullptr) {
        const char* end = reinterpret_cast<const char*>(metric) + metric->Length;
        for (const char* p = c.text + 1; p < end && *p != 0; ++p) buffers.textBytes.push_back(*p);
      }
      buffers.textBytes.push_back(0);
    }
    return true;
  });
  if (contours != metric->Count + 1) whole = false;
  if (!whole || buffers.points.empty()) return 0;
  for (size_t at : buffers.textAt) buffers.texts.push_back(buffers.textBytes.data() + at);

  OBJECTIMAGEQUERY query;
  query.Parameters = reinterpret_cast<const char*>(par) + RSC_PAR_HEAD;
  query.ParameterLength = int(par->Length - RSC_PAR_HEAD);
  query.Points = buffers.points.data();
  query.Counts = buffers.counts.data();
  query.Texts = text ? buffers.texts.data() : nullptr;
  query.Contours = int(buffers.counts.size());
  query.Semn = semn;
  query.Scale = 1e-6 * (context.UserMap ? double(context.Scale) : double(context.DeviceCapability));
  LONG frame[4] = {0, 0, 0, 0};
  if (!g_imageBorder(&query, frame)) return 0;
  const int64_t h = ObjectFrameMargin(context) / 2;
  const int64_t X0 = Trunc(x0), Y0 = Trunc(y0);
  StoreFrame(desc, X0 - frame[3] - h, Y0 + frame[0] - h, X0 - frame[1] + h, Y0 + frame[2] + h);
  return 1;
}

void BuildObjectFrame(const OBJECTFRAMECONTEXT& context, FVSPR* desc, const LONGMETRIC* metric,
                      const SEMANTIC* semn, const IMGDRAW* draw) {
  if (desc == nullptr || !UsableMetric(metric)) return;
  if (BuildImageFrame(context, desc, metric, semn)) {
    const int64_t h = ObjectFrameMargin(context) / 2;
    StoreFrame(desc, desc->X1 - h, desc->Y1 - h, int64_t(desc->X2) + h, int64_t(desc->Y2) + h);
    return;
  }
  switch (FvsprLocal(desc)) {
    case LOCAL_TITLE:
      BuildTextFrame(context, desc, metric, semn, draw);
      return;
    case LOCAL_POINT:
    case LOCAL_VECTOR:
      BuildSignFrame(context, desc, metric, semn, draw);
      return;
    default:
      BuildPointFrame(context, desc, metric);
      return;
  }
}
