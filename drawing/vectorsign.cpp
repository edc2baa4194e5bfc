// Vector signs on a device (codes 149, 156 and 199): placement at the first
// point of each part, turned along its first segment, and the subjects of
// the sign drawn through the device painters; and the visibility tests of
// the same codes, which place the sign alike and test its subjects.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "drawing/chordarcs.h"
#include "drawing/devicepainters.h"
#include "drawing/paintcontext.h"
#include "drawing/paintgeometry.h"
#include "drawing/paintmetric.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "drawing/visibility.h"
#include "records/semantic.h"

VECTORPLACEMENT VectorSignPlacement = {};
LONG VectorSignByReference = 0;

namespace {

constexpr DWORD kNoColor = 0xFFFFFFFF;

constexpr int KIND_OUTLINE = 101;  // starts a composite outline
constexpr int KIND_OUTLINE_END = 103;
constexpr int CODE_TEXT = 160;
constexpr int SUBJECT_PARM_MAX = 320;  // parameter bytes of a subject that are read
constexpr int TEXT_CHARS_MAX = 255;
constexpr int OUTLINE_POINTS_MAX = 4096;  // points of one composite outline
constexpr DWORD kSubjectsMax = VECTOR_SUBJECTS_MAX;
constexpr DWORD kPointsMax = VECTOR_POINTS_MAX;

bool IsCircleKind(int kind) { return kind == 6 || kind == 7 || kind == 64 || kind == 65; }
bool IsArcKind(int kind) { return kind == 66 || kind == 67 || kind == 70; }

LONG Word(const char* p, size_t offset) {
  LONG v;
  std::memcpy(&v, p + offset, sizeof(v));
  return v;
}

// One subject of a sign, inside the record.
struct Subject {
  int Kind;
  int Code;
  const char* Parm;
  int ParmLength;
  const char* Points;  // pairs of i32
  int Count;
};

// The subjects of a sign, never read past the record's own length.
class SubjectWalk {
 public:
  SubjectWalk(const char* sign, DWORD length, DWORD count)
      : sign_(sign), length_(length), left_(count > kSubjectsMax ? kSubjectsMax : count) {}
  // The next subject; false at the end or at one that does not fit.
  bool Next(Subject* s) {
    if (left_ == 0 || offset_ + 4 > length_) return false;
    IMGVECTSUBJECT head;
    std::memcpy(&head, sign_ + offset_, sizeof(head));
    const uint64_t points = offset_ + 4 + head.Length;
    if (points + 4 > length_) return Stop();
    DWORD count;
    std::memcpy(&count, sign_ + points, sizeof(count));
    if (count > kPointsMax || points + 4 + 8 * uint64_t(count) > length_) return Stop();
    *s = Subject{head.Kind, head.Attribute, sign_ + offset_ + 4, head.Length,
                 sign_ + points + 4, static_cast<int>(count)};
    offset_ = points + 4 + 8 * uint64_t(count);
    --left_;
    return true;
  }
  // Looks at the kind of the next subject without taking it; -1 at the end.
  int PeekKind() const {
    if (left_ == 0 || offset_ + 4 > length_) return -1;
    return BYTE(sign_[offset_]);
  }

 private:
  bool Stop() {
    left_ = 0;
    return false;
  }
  const char* sign_;
  uint64_t length_;
  uint64_t offset_ = sizeof(IMGVECTOREX);
  DWORD left_;
};

// How one sign lies on the device: the anchor pixel (unrounded), the
// direction's cosine and sine, the flip and the pixel factors.
struct Placement {
  double X, Y;
  double Cos, Sin;
  int Flip;
  double FactorH, FactorV;
  LONG AnchorAlong, AnchorAcross;  // the sign's anchor values

  // A point of the sign (a along, b across) in device pixels.
  POINT Place(double a, double b) const {
    const double u = a * FactorH, v = -b * FactorV * Flip;
    return POINT{NearestPixel(X + u * Cos + v * Sin), NearestPixel(Y + u * Sin - v * Cos)};
  }
  // An offset in unturned pixels (y downwards) from a placed centre.
  POINT Turn(POINT centre, double dx, double dy) const {
    return POINT{NearestPixel(centre.x + dx * Cos - dy * Sin),
                 NearestPixel(centre.y + dx * Sin + dy * Cos)};
  }
  // The unturned offset of a pixel from a placed centre.
  void Unturn(POINT centre, POINT p, double* dx, double* dy) const {
    const double x = double(p.x) - centre.x, y = double(p.y) - centre.y;
    *dx = x * Cos + y * Sin;
    *dy = -x * Sin + y * Cos;
  }
};

// Placed points of one subject or one composite outline (one sign at a
// time, like the paint context).
POINT g_points[OUTLINE_POINTS_MAX + int(JOIN_ARC_POINTS_MAX) + 2];
constexpr int kRoom = OUTLINE_POINTS_MAX;

POINT PointOf(const Subject& s, int i) { return POINT{Word(s.Points, 8 * i), Word(s.Points, 8 * i + 4)}; }

// The points of a circle, ellipse or arc subject, appended at `at`;
// returns the new count. Filled arcs are closed through their centre.
int RoundPoints(const Placement& pl, const Subject& s, int at, bool filled) {
  const bool arc = IsArcKind(s.Kind);
  if (s.Count < (arc ? 4 : 2) || at > kRoom) return at;
  const POINT c = PointOf(s, 0), radii = PointOf(s, 1);
  const POINT centre = pl.Place(double(c.x) - pl.AnchorAlong, double(c.y) - pl.AnchorAcross);
  const int rx = NearestPixel(std::fabs(radii.x * pl.FactorH));
  const int ry = NearestPixel(std::fabs(radii.y * pl.FactorV));
  POINT local[JOIN_ARC_POINTS_MAX];
  LONG n = 0;
  POLYDATA out{};
  out.Points = local, out.PolyCounts = &n, out.Count = 1;
  if (!arc) {
    if (rx == ry) {
      DrawArcByChords(centre, rx, &out);
      for (LONG i = 0; i < n; ++i) g_points[at++] = local[i];
    } else {
      DrawEllipseByChords(POINT{0, 0}, rx, ry, &out);
      for (LONG i = 0; i < n; ++i) g_points[at++] = pl.Turn(centre, local[i].x, local[i].y);
    }
    return at;
  }
  POINT a = PointOf(s, 2), b = PointOf(s, 3);
  if (pl.Flip < 0) std::swap(a, b);
  const POINT from = pl.Place(double(a.x) - pl.AnchorAlong, double(a.y) - pl.AnchorAcross);
  const POINT to = pl.Place(double(b.x) - pl.AnchorAlong, double(b.y) - pl.AnchorAcross);
  if (rx == ry) {
    DrawJoinArc(from, centre, to, rx, &out);
    for (LONG i = 0; i < n; ++i) g_points[at++] = local[i];
  } else {
    double fx, fy, tx, ty;
    pl.Unturn(centre, from, &fx, &fy);
    pl.Unturn(centre, to, &tx, &ty);
    DrawJoinEllipse(POINT{NearestPixel(fx), NearestPixel(fy)}, POINT{0, 0},
                    POINT{NearestPixel(tx), NearestPixel(ty)}, rx, ry, &out);
    for (LONG i = 0; i < n; ++i) g_points[at++] = pl.Turn(centre, local[i].x, local[i].y);
  }
  if (filled && n > 0) {
    const POINT start = g_points[at - n];
    g_points[at++] = centre;
    g_points[at++] = start;
  }
  return at;
}

// The points of a subject placed as they are, appended at `at`.
int PlainPoints(const Placement& pl, const Subject& s, int at) {
  for (int i = 0; i < s.Count && at < kRoom; ++i) {
    const POINT p = PointOf(s, i);
    g_points[at++] = pl.Place(p.x, p.y);
  }
  return at;
}

int SubjectPoints(const Placement& pl, const Subject& s, int at, bool filled) {
  if (IsCircleKind(s.Kind) || IsArcKind(s.Kind)) return RoundPoints(pl, s, at, filled);
  return PlainPoints(pl, s, at);
}

// The text of a text subject after its length byte: from word 9 of its
// parameters, or the value of the semantic code of word 8.
void SubjectText(const POLYDATA* data, const char* words, const char* parm, int length,
                 char* text) {
  text[0] = 0;
  text[1] = 0;
  const LONG code = Word(words, 32);
  if (code != 0) {
    SEMANTIC head{};
    if (data->Semantic == nullptr) return;
    std::memcpy(&head, data->Semantic, sizeof(head));
    if (head.Ident != SEMANTIC_IDENT || head.Length <= SEMANTIC_HEAD) return;
    TWorkSemantic work;
    work.Access(static_cast<char*>(data->Semantic) + SEMANTIC_HEAD, head.Length - SEMANTIC_HEAD, 0);
    if (work.FindCode(code) == nullptr || work.CurrentValue() == nullptr) return;
    work.CurrentValue()->StringValue(text + 1, TEXT_CHARS_MAX + 1);
  } else {
    const int n = std::min(length - 36, int(TEXT_CHARS_MAX));
    if (n > 0) std::memcpy(text + 1, parm + 36, n);
    text[1 + std::max(n, 0)] = 0;
  }
  text[1 + TEXT_CHARS_MAX] = 0;
  text[0] = static_cast<char>(std::strlen(text + 1));
}

// The record and the text of a text subject of n placed points; a flipped
// two-point text has its points swapped and its horizontal alignment
// mirrored.
void TextSubject(const POLYDATA* data, const Placement& pl, char* words, const char* parm,
                 int parmLength, LONG n, char* text) {
  SubjectText(data, words, parm, parmLength, text);
  if (pl.Flip < 0 && n == 2) {
    std::swap(g_points[0], g_points[1]);
    WORD align;
    std::memcpy(&align, words + 20, sizeof(align));
    const WORD h = align & 6;
    if (h == 0 || h == 2) align = WORD((align & ~6) | (h == 0 ? 2 : 0));
    std::memcpy(words + 20, &align, sizeof(align));
  }
}

// The placed points of a subject as a one-part set of the object's, and
// the subject's parameters copied (the rest zero).
struct PlacedSubject {
  char Words[SUBJECT_PARM_MAX] = {};
  LONG Count;
  POLYDATA One;
  PlacedSubject(POLYDATA* data, const char* parm, int parmLength, int count) : Count(count) {
    std::memcpy(Words, parm, std::min(parmLength, int(SUBJECT_PARM_MAX)));
    One = OnePartOf(*data, g_points, &Count);
    One.Text = nullptr;
    FrameOfPoints(&One, g_points, Count);
  }
  PlacedSubject(const PlacedSubject&) = delete;
  PlacedSubject& operator=(const PlacedSubject&) = delete;
};

// Paints the placed points of a subject by its primitive code.
void PaintPlaced(TPaintMetric* doc, POLYDATA* data, const Placement& pl, int code,
                 const char* parm, int parmLength, int count, float scale) {
  if (count < 1) return;
  PlacedSubject placed(data, parm, parmLength, count);
  char* words = placed.Words;
  const LONG n = placed.Count;
  POLYDATA& one = placed.One;
  const LONG thin = 250;
  switch (code) {
    case PRIM_SQUARE: {
      if (ParmWord(words, 0) == kNoColor) return;
      FillDevicePolygon(doc->PaintDc, &one, doc->LineColor(ParmWord(words, 0)));
      if (VectorSignByReference != 0) ShadeSignColumns(doc, &one, &VectorSignPlacement, 1.0f);
      return;
    }
    case PRIM_LINE:
      if (scale < 1.0f) SetParmWord(words, 1, thin);
      PaintLine(doc, &one, words, scale);
      return;
    case PRIM_DOT:
      if (scale < 1.0f) SetParmWord(words, 1, thin);
      PaintDashedLine(doc, &one, words, scale);
      return;
    case CODE_TEXT: {
      char text[TEXT_CHARS_MAX + 2];
      char* texts[1] = {text + 1};
      TextSubject(data, pl, words, parm, parmLength, n, text);
      one.Text = texts;
      PaintTextFront(doc, &one, words, scale);
      return;
    }
    default: {
      const LocalParm<2> line{ParmWord(words, 0), DWORD(thin)};
      PaintLine(doc, &one, line(), scale);
      return;
    }
  }
}

struct SignFactors {
  double H, V;  // drawn size per measured unit, across and along
};

SignFactors Factors(const IMGVECTOREX& head) {
  auto factor = [](const LONG* scale, double* f) {
    const double extent = double(scale[1]) - scale[0];
    if (extent == 0.0 || scale[2] == 0) return false;
    *f = scale[2] / extent;
    return true;
  };
  double h = 1.0, v = 1.0;
  const bool hasH = factor(head.ScaleX, &h), hasV = factor(head.ScaleY, &v);
  if (!hasH && hasV) h = v;
  if (!hasV && hasH) v = h;
  return SignFactors{h, v};
}

// Pixels per micrometre of the surface a sign is placed on.
struct SignResolution {
  double H, V;
};

// Places one sign at an anchor with a direction point and hands each of
// its subjects (or joined outlines), placed in g_points, to the action:
// bool(const Placement&, int code, const char* parm, int parmLength, int
// count), true to stop. True when the action stopped the walk.
template <class Action>
bool PlaceOneSign(const char* sign, const IMGVECTOREX& head, POINT anchor, POINT toward,
                  int codeFlip, float scale, SignResolution px, Action act) {
  const BYTE* flags = reinterpret_cast<const BYTE*>(sign) + 40;
  const double dx = double(toward.x) - anchor.x, dy = double(toward.y) - anchor.y;
  const double segment = std::sqrt(dx * dx + dy * dy);
  Placement pl{};
  pl.X = anchor.x, pl.Y = anchor.y;
  pl.AnchorAlong = head.AnchorX, pl.AnchorAcross = head.AnchorY;
  pl.Flip = (flags[1] != 0 && dx < 0) ? -1 : 1;
  pl.Flip *= codeFlip;
  if (flags[0] != 0) {
    pl.Cos = pl.Flip < 0 ? -1.0 : 1.0, pl.Sin = 0.0;
  } else if (segment >= 1.0) {
    pl.Cos = dx / segment, pl.Sin = dy / segment;
  } else {
    pl.Cos = 1.0, pl.Sin = 0.0;
  }
  const SignFactors f = Factors(head);
  const double base = head.Base < 250 ? 1000.0 : double(head.Base);
  double g = flags[3] != 0 ? 0.0 : double(scale);
  if (flags[2] != 0 && scale > 0.001f && g < 1.0) g = 1.0;
  if (g >= 0.001) {
    if (g < 0.02) return false;
    pl.FactorH = g * px.H * f.H;
    pl.FactorV = g * px.V * f.V;
    const double scaledBase = base * pl.FactorH;
    if (flags[4] != 0 && segment > 0.0 && scaledBase < segment) {
      const double move = (segment - scaledBase) / 2.0 / segment;
      pl.X += dx * move, pl.Y += dy * move;
    }
  } else {
    pl.FactorH = segment / base;
    pl.FactorV = pl.FactorH * f.V / f.H;
  }

  SubjectWalk walk(sign, head.Length, head.Count);
  Subject s;
  while (walk.Next(&s)) {
    const bool filled = s.Code == PRIM_SQUARE;
    if (s.Kind == KIND_OUTLINE) {
      // The pieces that follow are joined into one outline.
      const Subject outline = s;
      int n = SubjectPoints(pl, s, 0, false);
      for (int kind = walk.PeekKind(); kind >= 0 && kind != KIND_OUTLINE; kind = walk.PeekKind()) {
        if (!walk.Next(&s) || kind == KIND_OUTLINE_END) break;
        n = SubjectPoints(pl, s, n, false);
      }
      if (act(pl, outline.Code, outline.Parm, outline.ParmLength, n)) return true;
      continue;
    }
    const int n = SubjectPoints(pl, s, 0, filled);
    if (act(pl, s.Code, s.Parm, s.ParmLength, n)) return true;
  }
  return false;
}

// The sign of a record at the first point of each part (the first part is
// passed over when there are several); true when the action stopped.
template <class Action>
bool PlaceSignParts(POLYDATA* data, const char* sign, int codeFlip, float scale,
                    SignResolution px, Action act) {
  if (sign == nullptr || data == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1)
    return false;
  IMGVECTOREX head;
  std::memcpy(&head, sign, sizeof(head));
  if (head.Length < sizeof(IMGVECTOREX)) return false;
  double k = scale > 0.0f ? 2.0 - 1.0 / scale : 1.0;
  if (k == 0.0) k = 1.0;
  const POINT first = data->Points[0];
  auto pulled = [&](POINT p) {
    return POINT{SaturatePixel(int64_t(TruncatePixel((double(p.x) - first.x) / k + 0.5)) + first.x),
                 SaturatePixel(int64_t(TruncatePixel((double(p.y) - first.y) / k + 0.5)) + first.y)};
  };
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    LONG n = data->PolyCounts[part];
    if (n < 0) return false;
    const POINT* points = p;
    p += n;
    const bool last = n > VECTOR_PART_POINTS_MAX;
    if (last) n = 16;
    if (n > 0 && (part > 0 || data->Count < 2)) {
      POINT anchor = points[0];
      POINT toward = n >= 2 ? points[1] : POINT{SaturatePixel(int64_t(anchor.x) + 16), anchor.y};
      if (part > 0) anchor = pulled(anchor), toward = pulled(toward);
      if (PlaceOneSign(sign, head, anchor, toward, codeFlip, scale, px, act)) return true;
    }
    if (last) return false;
  }
  return false;
}

void PaintSignParts(TPaintMetric* doc, POLYDATA* data, const char* sign, int codeFlip,
                    float scale) {
  if (doc == nullptr) return;
  const SignResolution px{doc->PixelsPerMicronH, doc->PixelsPerMicronV};
  PlaceSignParts(data, sign, codeFlip, scale, px,
                 [&](const Placement& pl, int code, const char* parm, int length, int count) {
                   PaintPlaced(doc, data, pl, code, parm, length, count, scale);
                   return false;
                 });
}

// --- Visibility ---

// A placed subject against the test window: a fill by its polygon, a text
// by its box, anything else by its bounding box widened by one pixel.
bool TestPlaced(TPaintMetric* doc, POLYDATA* data, const Placement& pl, int code,
                const char* parm, int parmLength, int count, float scale) {
  if (count < 1) return false;
  PlacedSubject placed(data, parm, parmLength, count);
  POLYDATA& one = placed.One;
  if (code == PRIM_SQUARE) return TestImageByMask(doc, &one, nullptr, 1.0f) != 0;
  if (code == CODE_TEXT) {
    char text[TEXT_CHARS_MAX + 2];
    char* texts[1] = {text + 1};
    TextSubject(data, pl, placed.Words, parm, parmLength, placed.Count, text);
    one.Text = texts;
    return TestTextImage(doc, &one, placed.Words, scale) != 0;
  }
  const LONG x1 = SaturatePixel(int64_t(one.MinX) - 1), y1 = SaturatePixel(int64_t(one.MinY) - 1);
  const LONG x2 = SaturatePixel(int64_t(one.MaxX) + 1), y2 = SaturatePixel(int64_t(one.MaxY) + 1);
  POINT box[5] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
  LONG five = 5;
  POLYDATA ring = OnePartOf(one, box, &five);
  FrameOfPoints(&ring, box, five);
  return TestImageByMask(doc, &ring, nullptr, 1.0f) != 0;
}

int TestSignParts(TPaintMetric* doc, POLYDATA* data, const char* sign, int codeFlip, float scale) {
  TestHitFlag = 0;
  if (!(scale >= 0.02f)) return 0;
  const SignResolution px{GetScreenPixelsPerMeterH() * 1e-6, GetScreenPixelsPerMeterV() * 1e-6};
  const bool hit =
      PlaceSignParts(data, sign, codeFlip, scale, px,
                     [&](const Placement& pl, int code, const char* parm, int length, int count) {
                       return TestPlaced(doc, data, pl, code, parm, length, count, scale);
                     });
  TestHitFlag = hit ? 1 : 0;
  return TestHitFlag;
}

}  // namespace

void PaintVectorSign(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  PaintSignParts(doc, data, parm, 1, scale);
}

void PaintVectorSignMirrored(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  PaintSignParts(doc, data, parm, -1, scale);
}

void PaintVectorSignByReference(TPaintMetric* doc, POLYDATA* data, const char* parm,
                                float scale) {
  if (doc == nullptr || parm == nullptr) return;
  if (ParmWord(parm, 0) != IMGVECTORREF_LENGTH) {
    const LocalParm<2> line{255, 250};
    PaintLine(doc, data, line(), scale);
    return;
  }
  const char* sign = nullptr;
  std::memcpy(&sign, parm + IMGVECTORREF_ADDRESS, sizeof(sign));
  if (sign == nullptr) return;
  std::memcpy(&VectorSignPlacement, parm + 4, sizeof(VectorSignPlacement));
  VectorSignByReference = 1;
  PaintSignParts(doc, data, sign, 1, scale);
  VectorSignByReference = 0;
}

int TestVectorSignImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  return TestSignParts(doc, data, parm, 1, scale);
}

int TestVectorSignMirrored(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  return TestSignParts(doc, data, parm, -1, scale);
}

int TestVectorSignByReference(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  TestHitFlag = 0;
  if (parm == nullptr) return 0;
  if (ParmWord(parm, 0) != IMGVECTORREF_LENGTH) return TestDefaultImage(doc, data, parm, scale);
  const char* sign = nullptr;
  std::memcpy(&sign, parm + IMGVECTORREF_ADDRESS, sizeof(sign));
  return TestSignParts(doc, data, sign, 1, scale);
}
