// Measuring signs: the extent of a vector sign and the turned frame of a
// sign of any image function.
#include <cmath>
#include <cstring>

#include "classifier/imageedit.h"
#include "classifier/imageinternal.h"
#include "classifier/maprsc.h"
#include "classifier/rscimagefit.h"
#include "classifier/rscdata.h"
#include "devices/fontreg.h"
#include "common/maperr.h"
#include "platform/numeric.h"
#include "records/objectdraw.h"
#include "records/semnedit.h"

using imgedit::Extent;
using imgedit::ScaleFactor;

namespace {

enum : int { TEXT_CODE_OFFSET = 32, TEXT_STRING_OFFSET = 36, TEXT_MAX = 255 };

RSCIMAGEBORDERPROC g_border = nullptr;


// One subject of a sign, found within the sign's own length.
struct Subject {
  int Kind;
  const char* Parm;
  DWORD ParmLength;
  const LONGPOINT* Points;
  DWORD Count;
};

template <class F>
void WalkSubjects(const IMGVECTOREX* image, F f) {
  const char* base = (const char*)image;
  const uint64_t end = image->Length;
  uint64_t offset = IMGVECT_HEAD;
  for (DWORD n = 0; n < image->Count; n++) {
    if (offset + 8 > end) return;
    const auto* head = (const IMGVECTSUBJECT*)(base + offset);
    const uint64_t parm = head->Length;
    if (offset + 8 + parm > end) return;
    DWORD count;
    std::memcpy(&count, base + offset + 4 + parm, 4);
    const uint64_t size = 8 + parm + 8 * uint64_t(count);
    if (offset + size > end) return;
    Subject s{head->Kind, base + offset + 4, DWORD(parm),
              (const LONGPOINT*)(base + offset + 8 + parm), count};
    f(s);
    offset += size;
  }
}

// The text of a text subject: from the object's semantics when it names a
// semantic code the record holds, else from its own parameters.
int SubjectText(const Subject& s, const char* semantics, char* text) {
  text[0] = 0;
  if (s.ParmLength < TEXT_STRING_OFFSET) return 0;
  DWORD code;
  std::memcpy(&code, s.Parm + TEXT_CODE_OFFSET, 4);
  if (semantics && code) {
    TSemnEdit semn;
    if (semn.Access((char*)semantics, 0, 0) && semn.SemanticValue(int(code), text, TEXT_MAX + 1)) {
      text[TEXT_MAX] = 0;
      return int(std::strlen(text));
    }
  }
  const DWORD room = s.ParmLength - TEXT_STRING_OFFSET;
  DWORD n = 0;
  while (n < room && n < TEXT_MAX && s.Parm[TEXT_STRING_OFFSET + n]) {
    text[n] = s.Parm[TEXT_STRING_OFFSET + n];
    n++;
  }
  text[n] = 0;
  return int(n);
}

void Turn(DOUBLEPOINT* p, double s, double c) {
  const DOUBLEPOINT origin{0, 0};
  rscTurnPoint(&origin, p, s, c);
}

void FrameOf(IMAGEFRAME* frame, double x1, double y1, double x2, double y2, double x3, double y3,
             double x4, double y4) {
  frame->Point[0] = {x1, y1};
  frame->Point[1] = {x2, y2};
  frame->Point[2] = {x3, y3};
  frame->Point[3] = {x4, y4};
}

// Bitmap sign: +0 length, +4 layers, +8 grid side in image units, +12 and
// +16 the anchor offsets, then per layer a colour and one 4-byte row mask
// per row of cells.
void BitmapFrame(const char* parm, IMAGEFRAME* frame) {
  DWORD head[5];
  std::memcpy(head, parm, sizeof(head));
  const DWORD length = head[0], layers = head[1];
  DWORD cells = head[2] / IMGBITMAP_CELL;
  if (cells > 32) cells = 32;
  const uint64_t stride = 4 + 4 * uint64_t(cells);
  int firstRow = -1, lastRow = 0, firstCol = -1, lastCol = 0;
  for (DWORD l = 0; l < layers; l++) {
    const uint64_t at = sizeof(head) + l * stride;
    if (at + stride > length) break;
    for (DWORD r = 0; r < cells; r++) {
      const BYTE* row = (const BYTE*)parm + at + 4 + 4 * r;
      for (DWORD c = 0; c < cells; c++) {
        if (!(row[c / 8] & (0x80 >> (c % 8)))) continue;
        if (firstRow < 0 || int(r) < firstRow) firstRow = int(r);
        if (int(r) > lastRow) lastRow = int(r);
        if (firstCol < 0 || int(c) < firstCol) firstCol = int(c);
        if (int(c) > lastCol) lastCol = int(c);
      }
    }
  }
  if (firstRow < 0) firstRow = 0;
  if (firstCol < 0) firstCol = 0;
  const double offR = double(LONG(head[3])), offC = double(LONG(head[4]));
  const double r1 = firstRow * double(IMGBITMAP_CELL) - offR;
  const double r2 = lastRow * double(IMGBITMAP_CELL) - offR;
  const double c1 = firstCol * double(IMGBITMAP_CELL) - offC;
  const double c2 = lastCol * double(IMGBITMAP_CELL) - offC;
  FrameOf(frame, -r1, c1, -r1, c2, -r2, c2, -r2, c1);
}

}  // namespace

int rscGetVectorSize(const IMGVECTOREX* image, IMAGESIZE* size, const char* semantics) {
  if (!image || !size) return 0;
  const LONG base = LONG(image->Base);
  const LONG flags = LONG((image->Flags & 1) | 4);
  Extent e;
  bool started = false;
  char text[TEXT_MAX + 2];
  WalkSubjects(image, [&](const Subject& s) {
    if (!started && s.Count) {
      // The extent starts at the first point of the sign.
      double x = s.Points[0].X, y = s.Points[0].Y;
      if (IsVectorCircleKind(s.Kind)) {
        x -= image->AnchorX;
        y -= image->AnchorY;
      }
      e.Add(x, y);
      started = true;
    }
    if (s.Kind == VECT_TEXT || s.Kind == VECT_TEXTSEM) {
      // The frame helper reads the length byte before the text.
      if (!s.Count || !SubjectText(s, semantics, text + 1)) return;
      text[0] = char(std::strlen(text + 1));
      const DOUBLEPOINT p1{double(s.Points[0].X), double(s.Points[0].Y)};
      const LONGPOINT& q = s.Points[s.Count > 1 ? 1 : 0];
      const DOUBLEPOINT p2{double(q.X), double(q.Y)};
      int frame[4];
      if (CalcMapTextFrame(frame, &p1, &p2, s.Parm, text + 1)) {
        e.Add(frame[0], frame[1]);
        e.Add(frame[0], frame[3]);
        e.Add(frame[2], frame[1]);
        e.Add(frame[2], frame[3]);
      }
      return;
    }
    if (IsVectorCircleKind(s.Kind)) {
      if (s.Count < 2) return;
      const double radius = s.Points[1].X > s.Points[1].Y ? s.Points[1].X : s.Points[1].Y;
      const double cx = double(s.Points[0].X) - image->AnchorX;
      const double cy = double(s.Points[0].Y) - image->AnchorY;
      e.Add(cx - radius, cy - radius);
      e.Add(cx + radius, cy + radius);
      return;
    }
    for (DWORD i = 0; i < s.Count; i++) e.Add(s.Points[i].X, s.Points[i].Y);
  });
  if (!e.any) {
    std::memset(size, 0, sizeof(*size));
    size->Base = base;
    size->Flags = flags;
    return 1;
  }
  const double fy = ScaleFactor(image->ScaleY), fx = ScaleFactor(image->ScaleX);
  size->Base = base;
  size->Flags = flags;
  // Points and factors are a sign's own: a sign's extent beyond 32 bits
  // stops at their bounds.
  size->Top = plat::TruncateTo<LONG>(-e.minY * fy);
  size->Height = plat::TruncateTo<LONG>((e.maxY - e.minY) * fy);
  size->Left = plat::TruncateTo<LONG>(-e.minX * fx);
  size->Width = plat::TruncateTo<LONG>((e.maxX - e.minX) * fx);
  return 1;
}

int rscTurnPoint(const DOUBLEPOINT* center, DOUBLEPOINT* point, double s, double c) {
  if (!center || !point) return 0;
  const double dx = point->X - center->X, dy = point->Y - center->Y;
  point->X = center->X + dx * c + dy * s;
  point->Y = center->Y + dy * c - dx * s;
  return 1;
}

void rscSetImageBorderService(RSCIMAGEBORDERPROC proc) { g_border = proc; }
RSCIMAGEBORDERPROC rscImageBorderService() { return g_border; }

int rscGetImageFrame(TRSCDATA* data, int function, const char* parameters, double angle,
                     IMAGEFRAME* frame) {
  if (!frame || !parameters) return 0;
  if (!rscIsOpen(data)) {
    if (data) data->ErrorCode = MAPERR_DATA;
    return 0;
  }
  std::memset(frame, 0, sizeof(*frame));
  // Parameters of the classifier's own records are read within their
  // record; a caller's own are taken at the length they give.
  const int64_t held = rscImageRoom(data, parameters);
  int room = held < 0 || held > INT32_MAX ? INT32_MAX : int(held);
  if (function == PRIM_SET) {
    // A set of elements is measured by its first bitmap or vector sign.
    const auto* draw = (const IMGDRAW*)parameters;
    if (room < IMGDRAW_HEAD) return 1;
    const int count = TObjectDraw::Count(draw);
    const char* found = nullptr;
    for (int n = 1; n <= count && !found; n++) {
      const char* element = DrawElementAddress(draw, room, n);
      if (!element) break;
      IMGELEMENT head;
      std::memcpy(&head, element, sizeof(head));
      if (head.Image == PRIM_BITMAP || head.Image == PRIM_VECTOR) {
        found = element + IMGELEMENT_HEAD;
        function = head.Image;
        room = head.Length - IMGELEMENT_HEAD;
      }
    }
    if (!found) return 1;
    parameters = found;
  }
  // A sign whose own length claims more than it holds measures as empty;
  // within its length its layers and subjects are read no further than it.
  if ((function == PRIM_VECTOR || function == PRIM_BITMAP || function == PRIM_LIBRARY) &&
      !PrimitiveFits(function, parameters, room))
    return 1;
  if (function == PRIM_VECTOR) {
    IMAGESIZE size{};
    rscGetVectorSize((const IMGVECTOREX*)parameters, &size, nullptr);
    const double top = size.Top, left = size.Left, width = size.Width, height = size.Height;
    FrameOf(frame, top, -left, top, width - left, top - height, width - left, top - height, -left);
    const double s = -std::sin(angle), c = std::cos(angle);
    for (DOUBLEPOINT& p : frame->Point) Turn(&p, s, c);
  } else if (function == PRIM_BITMAP) {
    BitmapFrame(parameters, frame);
  } else if (function == PRIM_LIBRARY) {
    // Library sign: {u32, library code, open-library slot, image number}.
    DWORD parm[4];
    std::memcpy(parm, parameters, sizeof(parm));
    LONG border[4] = {0, 0, 0, 0};
    if (!g_border || !g_border(int(parm[2]), LONG(parm[3]), border)) return 1;
    const double x1 = border[0] / 250.0, y1 = border[1] / 250.0;
    const double x2 = border[2] / 250.0, y2 = border[3] / 250.0;
    FrameOf(frame, x1, y1, x1, y2, x2, y2, x2, y1);
    const double s = std::cos(angle), c = std::sin(angle);
    for (DOUBLEPOINT& p : frame->Point) Turn(&p, s, c);
  }
  return 1;
}

int TMapRsc::GetImageFrame(int function, const char* parameters, double angle, IMAGEFRAME* frame) {
  return rscGetImageFrame(this, function, parameters, angle, frame);
}

int TMapRsc::TurnPoint(DOUBLEPOINT* centre, DOUBLEPOINT* point, double s, double c) {
  return rscTurnPoint(centre, point, s, c);
}
