// The primitive set and the labelled set of the memory image (the labelled
// set also serves the device, through its block).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/parmwords.h"

namespace {

// The labelled set's record: word 0 its length, word 15 the level flag,
// word 16 the element count, the elements from byte 68.
constexpr int kLabelHead = 68;
constexpr int kLabelFlagWord = 15;
constexpr int kLabelCountWord = 16;
// Parts looked at for the direction of the signs.
constexpr LONG kDirectionParts = 512;

// The second point minus the first of the first part that has two points,
// among the first parts of the object.
POINT LabelDirection(const POLYDATA* data) {
  const LONG look = data->Count > kDirectionParts ? 4 : data->Count;
  const POINT* p = data->Points;
  for (LONG part = 0; part < look; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) break;
    if (n >= 2)
      return POINT{SaturatePixel(int64_t(p[1].x) - p[0].x),
                   SaturatePixel(int64_t(p[1].y) - p[0].y)};
    p += n;
  }
  return POINT{32, 0};
}

// p moved toward the object's first point by the factor k.
POINT Toward(POINT p, POINT first, double k) {
  return POINT{TruncatePixel((double(p.x) - first.x) / k + 0.5 + first.x),
               TruncatePixel((double(p.y) - first.y) / k + 0.5 + first.y)};
}

}  // namespace

LABELELEMENTS FindLabelElements(const char* parm) {
  LABELELEMENTS found;
  int64_t left = int64_t(ParmWord(parm, 0)) - kLabelHead;
  const int64_t count = ParmWord(parm, kLabelCountWord);
  const char* p = parm + kLabelHead;
  for (int64_t n = 0; n < count && left >= IMGELEMENT_HEAD; ++n) {
    IMGELEMENT head;
    std::memcpy(&head, p, sizeof(head));
    if (head.Length < IMGELEMENT_HEAD || head.Length > left) break;
    const IMGELEMENTREF e{head.Image, p + IMGELEMENT_HEAD, head.Length - IMGELEMENT_HEAD};
    if (ImageElementFits(e)) {
      if (e.Code == PRIM_LINE) found.Line = e;
      if (e.Code == PRIM_TEXT) found.Text = e;
      if (e.Code == PRIM_BITMAP || e.Code == PRIM_VECTOR || e.Code == PRIM_FONT_SIGN)
        found.Sign = e;
    }
    left -= head.Length;
    p += head.Length;
  }
  return found;
}

void PaintDibSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  WalkPrimitiveSet(doc, data, parm, scale, DibPainterTable[DIB_FULLCOLOUR].data(), false);
}

void PaintDibSetOneColour(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (SetElementCount(parm) == 0) {
    PaintDefaultImage(doc, data, parm, 1.0f);
    return;
  }
  WalkPrimitiveSet(doc, data, parm, scale, DibPainterTable[DIB_ONECOLOUR].data(), false);
}

void PaintDibLabelledSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  PaintLabelledSetThrough(doc, data, parm, scale, DibPainterTable[DIB_FULLCOLOUR].data());
}

void PaintLabelledSetThrough(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale,
                             const IMGPAINTER* block) {
  if (data == nullptr || parm == nullptr || block == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1)
    return;
  // Objects without texts carry no text list (its first entry is 0); a
  // record shorter than its head holds no elements.
  if (data->Text == nullptr || data->Text[0] == nullptr) return;
  if (ParmWord(parm, 0) < DWORD(kLabelHead)) return;
  if (scale == 0.0f) scale = 1.0f;
  if (scale < 0.6f) return;
  double k = 2.0 - 1.0 / scale;
  if (k == 0.0) k = 1.0;

  const LABELELEMENTS found = FindLabelElements(parm);
  const bool level = ParmWord(parm, kLabelFlagWord) != 0;
  // Without a text element: a text of height 2000; without a line: a black
  // line as thick as a sixteenth of the text's height.
  LocalParm<8> defaultText{0, 0, 0, 2000};
  IMGELEMENTREF text = found.Text;
  if (text.Code == 0) text = IMGELEMENTREF{PRIM_TEXT, defaultText(), 32};
  LocalParm<2> defaultLine;
  IMGELEMENTREF line = found.Line;
  if (line.Code == 0) {
    const LONG thickness = text.Code == PRIM_TEXT
                               ? TruncatePixel(ParmLong(text.Parm, 3) * double(scale) * 0.0625)
                               : 100;
    defaultLine = LocalParm<2>{0, DWORD(thickness)};
    line = IMGELEMENTREF{PRIM_LINE, defaultLine(), 8};
  }
  const IMGELEMENTREF sign = found.Sign;
  const POINT direction = level ? POINT{0, 0} : LabelDirection(data);

  const POINT first = data->Points[0];
  const float lineScale = std::min(scale, 1.0f);
  const POINT* p = data->Points;
  for (LONG part = 0; part < data->Count; ++part) {
    const LONG n = data->PolyCounts[part];
    if (n <= 0) break;
    POINT two[2] = {Toward(p[0], first, k), Toward(p[n > 1 ? 1 : 0], first, k)};
    LONG count = n > 1 ? 2 : 1;
    POLYDATA one = OnePartOf(*data, two, &count);
    char* partText = part < TEXT_AREA_SIZE ? data->Text[part] : nullptr;
    one.Text = &partText;
    if (partText != nullptr && partText[0] != '\0') {
      block[text.Code](doc, &one, text.Parm, scale);
    } else if (n == 1) {
      if (!level) {
        two[1] = POINT{SaturatePixel(int64_t(two[0].x) + direction.x),
                       SaturatePixel(int64_t(two[0].y) + direction.y)};
        count = 2;
      }
      block[sign.Code](doc, &one, sign.Parm, scale);
    } else {
      if (level) two[0].y = two[1].y = TruncatePixel((double(two[0].y) + two[1].y) / 2);
      block[line.Code](doc, &one, line.Parm, lineScale);
    }
    p += n;
  }
}
