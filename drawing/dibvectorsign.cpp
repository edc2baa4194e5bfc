// Vector signs in the memory image (codes 149, 156 and 199): placed like
// the device's, at the screen's pixels per micrometre, with the parts after
// the first pulled towards the first point by the memory image's own rule,
// and the subjects painted by the memory-image painters.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/parmwords.h"
#include "drawing/hatchfill.h"
#include "drawing/pixelmath.h"
#include "drawing/vectorplace.h"

namespace {

constexpr DWORD kPaletteTag = 0xF0000000;
constexpr DWORD kPaletteColours = 17;  // colour words below this are palette entries
constexpr LONG kThin = 250;

DWORD Tagged(DWORD colour) { return colour < kPaletteColours ? colour | kPaletteTag : colour; }

// The placed points SignPoints[0 .. total) in `parts` parts painted by the
// subject's primitive code.
void PaintPlaced(TPaintMetric* doc, POLYDATA* data, const SIGNPLACEMENT& pl,
                 const SIGNSUBJECT& s, int code, LONG* counts, LONG parts, LONG total,
                 float scale) {
  if (total < 1 || parts < 1) return;
  char words[SIGN_PARM_MAX] = {};
  std::memcpy(words, s.Parm, std::min(s.ParmLength, int(SIGN_PARM_MAX)));
  POLYDATA set = *data;
  set.Points = SignPoints, set.PolyCounts = counts, set.Count = parts, set.Text = nullptr;
  FrameOfPoints(&set, SignPoints, total);
  switch (code) {
    case PRIM_SQUARE:
      SetParmWord(words, 0, Tagged(ParmWord(words, 0)));
      PaintDibFill(doc, &set, words, scale);
      if (VectorSignByReference != 0) ShadePolygonBands(&set, VectorSignPlacement.Value);
      return;
    case PRIM_LINE:
    case PRIM_DOT:
      SetParmWord(words, 0, Tagged(ParmWord(words, 0)));
      if (scale < 1.0f) SetParmWord(words, 1, kThin);
      (code == PRIM_LINE ? PaintDibLine : PaintDibDashedLine)(doc, &set, words, scale);
      return;
    case SIGN_CODE_TEXT: {
      SIGNTEXT text;
      PrepareSignText(data, pl, s, words, &set, &text);
      PaintDibText(doc, &set, words, scale);
      return;
    }
    default: {
      const LocalParm<2> line{ParmWord(words, 0), DWORD(kThin)};
      PaintDibLine(doc, &set, line(), scale);
      return;
    }
  }
}

// One sign at an anchor with a direction point.
void PaintOneSign(TPaintMetric* doc, POLYDATA* data, const char* sign, const IMGVECTOREX& head,
                  POINT anchor, POINT toward, int codeFlip, float scale) {
  SIGNPLACEMENT pl;
  if (!PlaceSign(sign, head, anchor, toward, codeFlip, scale, GetScreenPixelsPerMeterH() * 1e-6,
                 GetScreenPixelsPerMeterV() * 1e-6, &pl))
    return;
  TSignSubjectWalk walk(sign, head.Length, head.Count);
  SIGNSUBJECT s;
  while (walk.Next(&s)) {
    if (s.Kind != SIGN_KIND_OUTLINE) {
      LONG n = SignSubjectPoints(pl, s, 0, s.Code == PRIM_SQUARE);
      PaintPlaced(doc, data, pl, s, s.Code, &n, 1, n, scale);
      continue;
    }
    // The outline and the rings of kind 102 after it, as the parts of one
    // set; filled rings are closed, and holes stay open by the even-odd fill.
    const SIGNSUBJECT outline = s;
    const bool fill = outline.Code == PRIM_SQUARE;
    LONG counts[VECTOR_SUBJECTS_MAX];
    LONG parts = 0, n = 0;
    for (bool more = true; more;) {
      const LONG from = n;
      n = SignSubjectPoints(pl, s, n, false);
      if (n > from) {
        const POINT a = SignPoints[from], b = SignPoints[n - 1];
        if (fill && (a.x != b.x || a.y != b.y)) SignPoints[n++] = a;
        counts[parts++] = n - from;
      }
      more = walk.PeekKind() == SIGN_KIND_OUTLINE_PIECE && walk.Next(&s);
    }
    PaintPlaced(doc, data, pl, outline, fill ? PRIM_SQUARE : PRIM_LINE, counts, parts, n, scale);
  }
}

// The sign at the first point of each part; the anchor and direction
// point of parts after the first pulled to 1 / k of their distance from
// the object's first point, k = 2 - 1 / scale from scale 1 on and 1 /
// scale below.
void PaintSignParts(TPaintMetric* doc, POLYDATA* data, const char* sign, int codeFlip,
                    float scale) {
  IMGVECTOREX head;
  if (!SignHead(sign, &head) || data == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1)
    return;
  const double s = scale;
  double k = s >= 1.0 ? 2.0 - 1.0 / s : 1.0 / s;
  if (!(k > 0.0) || !std::isfinite(k)) k = 1.0;
  const POINT first = data->Points[0];
  auto pulled = [&](POINT p) {
    const double qx = (double(p.x) - first.x) / k, qy = (double(p.y) - first.y) / k;
    return POINT{TruncatePixel(qx > 0 ? qx + 0.5 + first.x : qx - 0.5 + first.x),
                 TruncatePixel(qy + 0.5 + first.y)};
  };
  ForEachSignPart(data, pulled, [&](POINT anchor, POINT toward) {
    PaintOneSign(doc, data, sign, head, anchor, toward, codeFlip, scale);
  });
}

}  // namespace

void PaintDibVectorSign(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  PaintSignParts(doc, data, parm, 1, scale);
}

void PaintDibVectorSignMirrored(TPaintMetric* doc, POLYDATA* data, const char* parm,
                                float scale) {
  PaintSignParts(doc, data, parm, -1, scale);
}

void PaintDibVectorSignByReference(TPaintMetric* doc, POLYDATA* data, const char* parm,
                                   float scale) {
  if (parm == nullptr) return;
  const char* sign = nullptr;
  if (!TakeSignReference(parm, &sign)) {
    const LocalParm<2> line{255, 255};
    PaintDibLine(doc, data, line(), scale);
    return;
  }
  if (sign == nullptr) return;
  VectorSignByReference = 1;
  PaintSignParts(doc, data, sign, 1, scale);
  VectorSignByReference = 0;
}
