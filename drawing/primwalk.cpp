// The walks of drawing descriptions and primitive sets, and the entries of
// the tables that belong to them.
#include <cstddef>
#include <cstring>

#include "drawing/devicepainters.h"
#include "drawing/dibpainters.h"
#include "drawing/nesting.h"
#include "drawing/paintmetric.h"
#include "drawing/parmwords.h"
#include "drawing/primtables.h"
#include "drawing/visibility.h"

PAINTCOLORSTATE PaintColorState = {};
LONG PaintInsideSet = 0;

namespace {

// Sets nest inside sets; a record that nests deeper than this is damaged
// (or built to exhaust the stack) and its deeper sets are not painted.
constexpr int kSetDepthLimit = 16;
int g_setDepth = 0;

bool InSetRange(int code) { return code >= 1 && code < 255; }

// A nested record's own length bounds its walk.
constexpr LONG kOwnLength = 0x7FFFFFFF;

}  // namespace

// --- Elements ---

TImageWalk::TImageWalk(const IMGDRAW* draw, LONG size)
    : base_(reinterpret_cast<const char*>(draw)) {
  if (draw == nullptr || size < IMGDRAW_HEAD) return;
  // The marker and the length first: a nested record's length is all that
  // is known to lie in memory.
  DWORD head[2];
  std::memcpy(head, draw, sizeof(head));
  if (head[0] != IMGDRAW_IDENT || head[1] < static_cast<DWORD>(IMGDRAW_HEAD)) return;
  end_ = head[1] < static_cast<DWORD>(size) ? head[1] : size;
  WORD count;
  std::memcpy(&count, base_ + offsetof(IMGDRAW, Count), sizeof(count));
  left_ = count_ = count;
}

int TImageWalk::Next(IMGELEMENTREF* element) {
  if (left_ < 1 || offset_ + IMGELEMENT_HEAD > end_) return 0;
  IMGELEMENT head;
  std::memcpy(&head, base_ + offset_, sizeof(head));
  if (head.Length < IMGELEMENT_HEAD || offset_ + head.Length > end_) {
    left_ = 0;
    return 0;
  }
  element->Code = head.Image;
  element->Parm = base_ + offset_ + IMGELEMENT_HEAD;
  element->ParmLength = head.Length - IMGELEMENT_HEAD;
  offset_ += head.Length;
  --left_;
  return 1;
}

int ImageElementFits(const IMGELEMENTREF& e) { return PrimitiveFits(e.Code, e.Parm, e.ParmLength); }

void PaintImageDraw(TPaintMetric* doc, POLYDATA* data, const IMGDRAW* draw, LONG size,
                    const IMGPAINTER* block, float scale) {
  if (block == nullptr) return;
  TImageWalk walk(draw, size);
  IMGELEMENTREF e;
  while (walk.Next(&e))
    if (InSetRange(e.Code) && ImageElementFits(e)) block[e.Code](doc, data, e.Parm, scale);
}

int WalkPrimitiveSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale,
                     const IMGPAINTER* block, bool lines) {
  if (parm == nullptr || block == nullptr) return 0;
  NestingGuard depth(g_setDepth, kSetDepthLimit);
  if (!depth.ok) return 0;
  TImageWalk walk(reinterpret_cast<const IMGDRAW*>(parm), kOwnLength);
  IMGELEMENTREF e;
  int walked = 0;
  while (walk.Next(&e) && InSetRange(e.Code)) {
    ++walked;
    if (!ImageElementFits(e)) continue;
    block[e.Code](doc, data, e.Parm, scale);
    if (lines && (e.Code == PRIM_LINE || e.Code == PRIM_DOT)) PaintInsideSet = 1;
  }
  if (lines) PaintInsideSet = 0;
  return walked;
}

int WalkPrimitiveSetTest(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale,
                         int* count) {
  if (count != nullptr) *count = 0;
  if (parm == nullptr) return 0;
  NestingGuard depth(g_setDepth, kSetDepthLimit);
  if (!depth.ok) return 0;
  TImageWalk walk(reinterpret_cast<const IMGDRAW*>(parm), kOwnLength);
  IMGELEMENTREF e;
  while (walk.Next(&e) && InSetRange(e.Code)) {
    if (count != nullptr) ++*count;
    if (ImageElementFits(e) && VisibilityTestTable[e.Code](doc, data, e.Parm, scale) != 0) return 1;
  }
  return 0;
}

int SetElementCount(const char* parm) {
  return TImageWalk(reinterpret_cast<const IMGDRAW*>(parm), kOwnLength).Count();
}

// --- Device entries ---

void PaintNothing(TPaintMetric*, POLYDATA*, const char*, float) {}

void PaintDefaultLine(TPaintMetric* doc, POLYDATA* data, const char*, float) {
  const LocalParm<2> line{0, 260};
  PaintLine(doc, data, line(), 1.0f);
}

void PaintPrimitiveSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  const IMGPAINTER* block = doc != nullptr && doc->DeviceBlock != nullptr
                                ? doc->DeviceBlock
                                : DevicePainterTable[0].data();
  WalkPrimitiveSet(doc, data, parm, scale, block, true);
}

void PaintLabelledSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  PaintLabelledSetThrough(doc, data, parm, scale, DevicePainterTable[0].data());
}

int TestPrimitiveSet(TPaintMetric* doc, POLYDATA* data, const char* parm, float scale) {
  if (SetElementCount(parm) == 0) return TestDefaultImage(doc, data, parm, 1.0f);
  return WalkPrimitiveSetTest(doc, data, parm, scale, nullptr);
}

// --- Memory-image entries ---

void PaintEmptyImage(TPaintMetric*, POLYDATA*, const char*, float) {}

void PaintDefaultImage(TPaintMetric* doc, POLYDATA* data, const char*, float scale) {
  const LocalParm<2> line{0, 260};
  PaintDibLine(doc, data, line(), scale);
}

void PaintDibOneColourDefault(TPaintMetric* doc, POLYDATA* data, const char*, float) {
  const LocalParm<2> line{0, 0};
  PaintDibLine(doc, data, line(), 1.0f);
}
