// Vector signs: subject walk, placement, placed points and texts shared by
// the device and memory-image painters.
#include "drawing/vectorplace.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "drawing/paintgeometry.h"
#include "records/semantic.h"

POINT SignPoints[SIGN_POINTS_ROOM];

namespace {

constexpr int kRoom = SIGN_OUTLINE_POINTS_MAX;

bool IsCircleKind(int kind) { return kind == 6 || kind == 7 || kind == 64 || kind == 65; }
bool IsArcKind(int kind) { return kind == 66 || kind == 67 || kind == 70; }

LONG Word(const char* p, size_t offset) {
  LONG v;
  std::memcpy(&v, p + offset, sizeof(v));
  return v;
}

POINT PointOf(const SIGNSUBJECT& s, int i) {
  return POINT{Word(s.Points, 8 * i), Word(s.Points, 8 * i + 4)};
}

// The points of a circle, ellipse or arc subject, appended at `at`;
// returns the new count. Filled arcs are closed through their centre.
int RoundPoints(const SIGNPLACEMENT& pl, const SIGNSUBJECT& s, int at, bool filled) {
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
      for (LONG i = 0; i < n; ++i) SignPoints[at++] = local[i];
    } else {
      DrawEllipseByChords(POINT{0, 0}, rx, ry, &out);
      for (LONG i = 0; i < n; ++i) SignPoints[at++] = pl.Turn(centre, local[i].x, local[i].y);
    }
    return at;
  }
  POINT a = PointOf(s, 2), b = PointOf(s, 3);
  if (pl.Flip < 0) std::swap(a, b);
  const POINT from = pl.Place(double(a.x) - pl.AnchorAlong, double(a.y) - pl.AnchorAcross);
  const POINT to = pl.Place(double(b.x) - pl.AnchorAlong, double(b.y) - pl.AnchorAcross);
  if (rx == ry) {
    DrawJoinArc(from, centre, to, rx, &out);
    for (LONG i = 0; i < n; ++i) SignPoints[at++] = local[i];
  } else {
    double fx, fy, tx, ty;
    pl.Unturn(centre, from, &fx, &fy);
    pl.Unturn(centre, to, &tx, &ty);
    DrawJoinEllipse(POINT{NearestPixel(fx), NearestPixel(fy)}, POINT{0, 0},
                    POINT{NearestPixel(tx), NearestPixel(ty)}, rx, ry, &out);
    for (LONG i = 0; i < n; ++i) SignPoints[at++] = pl.Turn(centre, local[i].x, local[i].y);
  }
  if (filled && n > 0) {
    const POINT start = SignPoints[at - n];
    SignPoints[at++] = centre;
    SignPoints[at++] = start;
  }
  return at;
}

// The points of a subject placed as they are, appended at `at`.
int PlainPoints(const SIGNPLACEMENT& pl, const SIGNSUBJECT& s, int at) {
  for (int i = 0; i < s.Count && at < kRoom; ++i) {
    const POINT p = PointOf(s, i);
    SignPoints[at++] = pl.Place(p.x, p.y);
  }
  return at;
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

}  // namespace

TSignSubjectWalk::TSignSubjectWalk(const char* sign, DWORD length, DWORD count)
    : sign_(sign), length_(length), left_(std::min<DWORD>(count, VECTOR_SUBJECTS_MAX)) {}

bool TSignSubjectWalk::Next(SIGNSUBJECT* s) {
  if (left_ == 0 || offset_ + 4 > length_) return false;
  IMGVECTSUBJECT head;
  std::memcpy(&head, sign_ + offset_, sizeof(head));
  const uint64_t points = offset_ + 4 + head.Length;
  if (points + 4 > length_) return Stop();
  DWORD count;
  std::memcpy(&count, sign_ + points, sizeof(count));
  if (count > DWORD(VECTOR_POINTS_MAX) || points + 4 + 8 * uint64_t(count) > length_) return Stop();
  *s = SIGNSUBJECT{head.Kind,          head.Attribute,         sign_ + offset_ + 4,
                   head.Length,        sign_ + points + 4,     static_cast<int>(count)};
  offset_ = points + 4 + 8 * uint64_t(count);
  --left_;
  return true;
}

int TSignSubjectWalk::PeekKind() const {
  if (left_ == 0 || offset_ + 4 > length_) return -1;
  return BYTE(sign_[offset_]);
}

bool TSignSubjectWalk::Stop() {
  left_ = 0;
  return false;
}

bool SignHead(const char* sign, IMGVECTOREX* head) {
  if (sign == nullptr) return false;
  std::memcpy(head, sign, sizeof(*head));
  return head->Length >= sizeof(IMGVECTOREX);
}

bool PlaceSign(const char* sign, const IMGVECTOREX& head, POINT anchor, POINT toward,
               int codeFlip, float scale, double perMicronH, double perMicronV,
               SIGNPLACEMENT* pl) {
  const BYTE* flags = reinterpret_cast<const BYTE*>(sign) + 40;
  const double dx = double(toward.x) - anchor.x, dy = double(toward.y) - anchor.y;
  const double segment = std::sqrt(dx * dx + dy * dy);
  *pl = SIGNPLACEMENT{};
  pl->X = anchor.x, pl->Y = anchor.y;
  pl->AnchorAlong = head.AnchorX, pl->AnchorAcross = head.AnchorY;
  pl->Flip = (flags[1] != 0 && dx < 0) ? -1 : 1;
  pl->Flip *= codeFlip;
  if (flags[0] != 0) {
    pl->Cos = pl->Flip < 0 ? -1.0 : 1.0, pl->Sin = 0.0;
  } else if (segment >= 1.0) {
    pl->Cos = dx / segment, pl->Sin = dy / segment;
  } else {
    pl->Cos = 1.0, pl->Sin = 0.0;
  }
  const SignFactors f = Factors(head);
  const double base = head.Base < 250 ? 1000.0 : double(head.Base);
  double g = flags[3] != 0 ? 0.0 : double(scale);
  if (flags[2] != 0 && scale > 0.001f && g < 1.0) g = 1.0;
  if (g >= 0.001) {
    if (g < 0.02) return false;
    pl->FactorH = g * perMicronH * f.H;
    pl->FactorV = g * perMicronV * f.V;
    const double scaledBase = base * pl->FactorH;
    if (flags[4] != 0 && segment > 0.0 && scaledBase < segment) {
      const double move = (segment - scaledBase) / 2.0 / segment;
      pl->X += dx * move, pl->Y += dy * move;
    }
  } else {
    pl->FactorH = segment / base;
    pl->FactorV = pl->FactorH * f.V / f.H;
  }
  return true;
}

int SignSubjectPoints(const SIGNPLACEMENT& pl, const SIGNSUBJECT& s, int at, bool filled) {
  if (IsCircleKind(s.Kind) || IsArcKind(s.Kind)) return RoundPoints(pl, s, at, filled);
  return PlainPoints(pl, s, at);
}

void PrepareSignText(const POLYDATA* data, const SIGNPLACEMENT& pl, const SIGNSUBJECT& s,
                     char* words, POLYDATA* set, SIGNTEXT* text) {
  char* chars = text->Chars;
  chars[0] = 0;
  chars[1] = 0;
  text->Parts[0] = chars + 1;
  set->Text = text->Parts;
  if (pl.Flip < 0 && set->PolyCounts[0] == 2) {
    std::swap(set->Points[0], set->Points[1]);
    WORD align;
    std::memcpy(&align, words + 20, sizeof(align));
    const WORD h = align & 6;
    if (h == 0 || h == 2) align = WORD((align & ~6) | (h == 0 ? 2 : 0));
    std::memcpy(words + 20, &align, sizeof(align));
  }
  const LONG code = Word(words, 32);
  if (code != 0) {
    SEMANTIC head{};
    if (data->Semantic == nullptr) return;
    std::memcpy(&head, data->Semantic, sizeof(head));
    if (head.Ident != SEMANTIC_IDENT || head.Length <= SEMANTIC_HEAD) return;
    TWorkSemantic work;
    work.Access(static_cast<char*>(data->Semantic) + SEMANTIC_HEAD, head.Length - SEMANTIC_HEAD, 0);
    if (work.FindCode(code) == nullptr || work.CurrentValue() == nullptr) return;
    work.CurrentValue()->StringValue(chars + 1, SIGN_TEXT_CHARS_MAX + 1);
  } else {
    const int n = std::min(s.ParmLength - 36, int(SIGN_TEXT_CHARS_MAX));
    if (n > 0) std::memcpy(chars + 1, s.Parm + 36, n);
    chars[1 + std::max(n, 0)] = 0;
  }
  chars[1 + SIGN_TEXT_CHARS_MAX] = 0;
  chars[0] = static_cast<char>(std::strlen(chars + 1));
}

bool TakeSignReference(const char* parm, const char** sign) {
  DWORD length;
  std::memcpy(&length, parm, sizeof(length));
  if (length != IMGVECTORREF_LENGTH) return false;
  std::memcpy(sign, parm + IMGVECTORREF_ADDRESS, sizeof(*sign));
  std::memcpy(&VectorSignPlacement, parm + 4, sizeof(VectorSignPlacement));
  return true;
}
