// Vector signs on a device (codes 149, 156 and 199): placement at the first
// point of each part, turned along its first segment, and the subjects of
// the sign drawn through the device painters; and the visibility tests of
// the same codes, which place the sign alike and test its subjects.
#include <algorithm>
#include <cstring>

#include "drawing/devicepainters.h"
#include "drawing/paintcontext.h"
#include "drawing/paintmetric.h"
#include "drawing/paintunits_internal.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "drawing/vectorplace.h"
#include "drawing/visibility.h"

VECTORPLACEMENT VectorSignPlacement = {};
LONG VectorSignByReference = 0;

namespace {

constexpr DWORD kNoColor = 0xFFFFFFFF;

// The placed points of a subject as a one-part set of the object's, and
// the subject's parameters copied (the rest zero).
struct PlacedSubject {
  char Words[SIGN_PARM_MAX] = {};
  LONG Count;
  POLYDATA One;
  PlacedSubject(POLYDATA* data, const SIGNSUBJECT& s, int count) : Count(count) {
    std::memcpy(Words, s.Parm, std::min(s.ParmLength, int(SIGN_PARM_MAX)));
    One = PlacedPartOf(*data, SignPoints, &Count);
  }
  PlacedSubject(const PlacedSubject&) = delete;
  PlacedSubject& operator=(const PlacedSubject&) = delete;
};

// Paints the placed points of a subject by its primitive code.
void PaintPlaced(TPaintMetric* doc, POLYDATA* data, const SIGNPLACEMENT& pl, const SIGNSUBJECT& s,
                 int count, float scale) {
  if (count < 1) return;
  PlacedSubject placed(data, s, count);
  char* words = placed.Words;
  POLYDATA& one = placed.One;
  const LONG thin = 250;
  switch (s.Code) {
    case PRIM_SQUARE: {
      if (ParmWord(words, 0) == kNoColor) return;
      FillDevicePolygon(doc->PaintDc, &one, LineColor(doc, ParmWord(words, 0)));
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

// Places one sign at an anchor with a direction point and hands each of
// its subjects (or joined composite outlines), placed in SignPoints, to the
// action: bool(const SIGNPLACEMENT&, const SIGNSUBJECT&, int count), true
// to stop. True when the action stopped the walk.
template <class Action>
bool PlaceOneSign(const char* sign, const IMGVECTOREX& head, POINT anchor, POINT toward,
                  int codeFlip, float scale, double perMicronH, double perMicronV, Action act) {
  SIGNPLACEMENT pl;
  if (!PlaceSign(sign, head, anchor, toward, codeFlip, scale, perMicronH, perMicronV, &pl))
    return false;
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
      if (act(pl, outline, n)) return true;
      continue;
    }
    if (act(pl, s, SignSubjectPoints(pl, s, 0, filled))) return true;
  }
  return false;
}

// The sign of a record at the first point of each part; parts after the
// first pulled towards the object's first point by k = 2 - 1 / scale.
// True when the action stopped.
template <class Action>
bool PlaceSignParts(POLYDATA* data, const char* sign, int codeFlip, float scale,
                    double perMicronH, double perMicronV, Action act) {
  IMGVECTOREX head;
  if (!SignHead(sign, &head) || data == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1)
    return false;
  double k = scale > 0.0f ? 2.0 - 1.0 / scale : 1.0;
  if (k == 0.0) k = 1.0;
  const POINT first = data->Points[0];
  auto pulled = [&](POINT p) {
    return POINT{SaturatePixel(int64_t(TruncatePixel((double(p.x) - first.x) / k + 0.5)) + first.x),
                 SaturatePixel(int64_t(TruncatePixel((double(p.y) - first.y) / k + 0.5)) + first.y)};
  };
  return ForEachSignPart(data, pulled, [&](POINT anchor, POINT toward) {
    return PlaceOneSign(sign, head, anchor, toward, codeFlip, scale, perMicronH, perMicronV, act);
  });
}

void PaintSignParts(TPaintMetric* doc, POLYDATA* data, const char* sign, int codeFlip,
                    float scale) {
  if (doc == nullptr) return;
  PlaceSignParts(data, sign, codeFlip, scale, doc->PixelsPerMicronH, doc->PixelsPerMicronV,
                 [&](const SIGNPLACEMENT& pl, const SIGNSUBJECT& s, int count) {
                   PaintPlaced(doc, data, pl, s, count, scale);
                   return false;
                 });
}

// --- Visibility ---

// A placed subject against the test window: a fill by its polygon, a text
// by its box, anything else by its bounding box widened by one pixel.
bool TestPlaced(TPaintMetric* doc, POLYDATA* data, const SIGNPLACEMENT& pl, const SIGNSUBJECT& s,
                int count, float scale) {
  if (count < 1) return false;
  PlacedSubject placed(data, s, count);
  POLYDATA& one = placed.One;
  if (s.Code == PRIM_SQUARE) return TestImageByMask(doc, &one, nullptr, 1.0f) != 0;
  if (s.Code == SIGN_CODE_TEXT) {
    SIGNTEXT text;
    PrepareSignText(data, pl, s, placed.Words, &one, &text);
    return TestTextImage(doc, &one, placed.Words, scale) != 0;
  }
  const LONG x1 = SaturatePixel(int64_t(one.MinX) - 1), y1 = SaturatePixel(int64_t(one.MinY) - 1);
  const LONG x2 = SaturatePixel(int64_t(one.MaxX) + 1), y2 = SaturatePixel(int64_t(one.MaxY) + 1);
  POINT box[5] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
  LONG five = 5;
  POLYDATA ring = PlacedPartOf(one, box, &five);
  return TestImageByMask(doc, &ring, nullptr, 1.0f) != 0;
}

int TestSignParts(TPaintMetric* doc, POLYDATA* data, const char* sign, int codeFlip, float scale) {
  TestHitFlag = 0;
  if (!(scale >= 0.02f)) return 0;
  const bool hit = PlaceSignParts(data, sign, codeFlip, scale, GetScreenPixelsPerMeterH() * 1e-6,
                                  GetScreenPixelsPerMeterV() * 1e-6,
                                  [&](const SIGNPLACEMENT& pl, const SIGNSUBJECT& s, int count) {
                                    return TestPlaced(doc, data, pl, s, count, scale);
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

int TestVectorSignImage(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  return TestSignParts(doc, data, parm, 1, scale);
}

int TestVectorSignMirrored(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  return TestSignParts(doc, data, parm, -1, scale);
}

int TestVectorSignByReference(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  TestHitFlag = 0;
  if (parm == nullptr) return 0;
  const char* sign = nullptr;
  if (!TakeSignReference(parm, &sign)) return TestDefaultImage(doc, data, parm, scale);
  return TestSignParts(doc, data, sign, 1, scale);
}
