// Vector signs on a device (codes 149, 156 and 199): placement at the first
// point of each part, turned along its first segment, and the subjects of
// the sign drawn through the device painters.
#include <algorithm>
#include <cstring>

#include "drawing/devicepainters.h"
#include "drawing/paintmetric.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "drawing/vectorplace.h"

VECTORPLACEMENT VectorSignPlacement = {};
LONG VectorSignByReference = 0;

namespace {

constexpr DWORD kNoColor = 0xFFFFFFFF;

// Paints the placed points of a subject by its primitive code.
void PaintPlaced(TPaintMetric* doc, POLYDATA* data, const SIGNPLACEMENT& pl, const SIGNSUBJECT& s,
                 int count, float scale) {
  if (count < 1) return;
  char words[SIGN_PARM_MAX] = {};
  std::memcpy(words, s.Parm, std::min(s.ParmLength, int(SIGN_PARM_MAX)));
  LONG n = count;
  POLYDATA one = OnePartOf(*data, SignPoints, &n);
  one.Text = nullptr;
  FrameOfPoints(&one, SignPoints, n);
  const LONG thin = 250;
  switch (s.Code) {
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
    case SIGN_CODE_TEXT: {
      SIGNTEXT text;
      PrepareSignText(data, pl, s, words, &one, &text);
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

// One sign at an anchor with a direction point.
void PaintOneSign(TPaintMetric* doc, POLYDATA* data, const char* sign, const IMGVECTOREX& head,
                  POINT anchor, POINT toward, int codeFlip, float scale) {
  SIGNPLACEMENT pl;
  if (!PlaceSign(sign, head, anchor, toward, codeFlip, scale, doc->PixelsPerMicronH,
                 doc->PixelsPerMicronV, &pl))
    return;
  TSignSubjectWalk walk(sign, head.Length, head.Count);
  SIGNSUBJECT s;
  while (walk.Next(&s)) {
    const bool filled = s.Code == PRIM_SQUARE;
    if (s.Kind == SIGN_KIND_OUTLINE) {
      // The pieces that follow are joined into one outline.
      const SIGNSUBJECT outline = s;
      int n = SignSubjectPoints(pl, s, 0, false);
      for (int kind = walk.PeekKind(); kind >= 0 && kind != SIGN_KIND_OUTLINE;
           kind = walk.PeekKind()) {
        if (!walk.Next(&s) || kind == SIGN_KIND_OUTLINE_END) break;
        n = SignSubjectPoints(pl, s, n, false);
      }
      PaintPlaced(doc, data, pl, outline, n, scale);
      continue;
    }
    const int n = SignSubjectPoints(pl, s, 0, filled);
    PaintPlaced(doc, data, pl, s, n, scale);
  }
}

// The sign of a record at the first point of each part; parts after the
// first pulled towards the object's first point by k = 2 - 1 / scale.
void PaintSignParts(TPaintMetric* doc, POLYDATA* data, const char* sign, int codeFlip,
                    float scale) {
  IMGVECTOREX head;
  if (doc == nullptr || !SignHead(sign, &head) || data == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1)
    return;
  double k = scale > 0.0f ? 2.0 - 1.0 / scale : 1.0;
  if (k == 0.0) k = 1.0;
  const POINT first = data->Points[0];
  auto pulled = [&](POINT p) {
    return POINT{SaturatePixel(int64_t(TruncatePixel((double(p.x) - first.x) / k + 0.5)) + first.x),
                 SaturatePixel(int64_t(TruncatePixel((double(p.y) - first.y) / k + 0.5)) + first.y)};
  };
  ForEachSignPart(data, pulled, [&](POINT anchor, POINT toward) {
    PaintOneSign(doc, data, sign, head, anchor, toward, codeFlip, scale);
  });
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
  const char* sign = nullptr;
  if (!TakeSignReference(parm, &sign)) {
    const LocalParm<2> line{255, 250};
    PaintLine(doc, data, line(), scale);
    return;
  }
  if (sign == nullptr) return;
  VectorSignByReference = 1;
  PaintSignParts(doc, data, sign, 1, scale);
  VectorSignByReference = 0;
}
