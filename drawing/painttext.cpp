// The text engines: lines, fitting, alignment, box, shadow, frame, hit and
// small-text modes.
#include "drawing/painttext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/codepage.h"
#include "devices/devdraw.h"
#include "devices/fontreg.h"
#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "drawing/parmwords.h"
#include "drawing/pixelmath.h"
#include "drawing/visibility.h"

DEVICELINE TextFrameLine = {0, 1};
DEVICEDASHLINE SmallTextLine = {0, 2, 1, 1};
LONG TextHitTestMode = 0;
LONG TextHitTestResult = 0;

namespace {

using i64 = int64_t;

constexpr DWORD kNoColor = 0xFFFFFFFFu;
constexpr BYTE kDosCodePage = 255;
constexpr LONG kSmallLineDib = 500;  // micrometres: 2 pixels on the memory image
constexpr LONG kDibPixel = 250;      // micrometres of one memory-image pixel

// Height of a record or a fit, in pixels: a negative height (a damaged
// record, or a size read as unsigned) is the least readable one; no font
// is made taller than TEXT_HEIGHT_MAX.
int ClampHeight(i64 h) {
  if (h < 0) return TEXT_HEIGHT_MIN;
  return h > TEXT_HEIGHT_MAX ? TEXT_HEIGHT_MAX : int(h);
}

// The memory image's painters take colour words; a COLORREF goes to them
// as a ready pixel so that it is not shifted by brightness twice.
DWORD DibWord(COLORREF c) { return 0xF1000000u | SwapRedBlue(c & 0xFFFFFF); }

bool IsMemoryDc(HDC dc) {
  return dc != nullptr && dc == PaintContext.MemoryDc && GetDrawingCallbacks() == nullptr;
}

// A one-part set over `points`.
struct OnePart {
  POINT Points[5];
  LONG Count = 0;
  POLYDATA Data{};
  OnePart() {
    Data.Points = Points;
    Data.PolyCounts = &Count;
    Data.Count = 1;
  }
};

POINT Spread(POINT p, POINT origin, double k) {
  if (k == 1.0) return p;
  return POINT{TruncatePixel((double(p.x) - origin.x) / k + 0.5 + origin.x),
               TruncatePixel((double(p.y) - origin.y) / k + 0.5 + origin.y)};
}

POINT Moved(POINT p, i64 dx, i64 dy) {
  return POINT{SaturatePixel(p.x + dx), SaturatePixel(p.y + dy)};
}

LONG Trunc(double v) { return TruncatePixel(v); }

// Extent of a line in the font; false when the font cannot be made.
bool MeasureLine(HDC dc, const LOGFONTA& font, const TEXTLINE& line, LONG* width) {
  HFONT f = plat::CreateFontIndirectA(&font);
  if (f == nullptr) return false;
  HGDIOBJ old = plat::SelectObject(dc, f);
  SIZE size{0, 0};
  plat::GetTextExtentPoint32A(dc, line.Chars, line.Length, &size);
  if (old != nullptr) plat::SelectObject(dc, old);
  plat::DeleteObject(f);
  *width = size.cx;
  return true;
}

// The first two points of a part as a line: the frame line, or the dotted
// line of a text too small to read.
void DrawPartLine(HDC dc, bool memory, POINT p1, POINT p2, bool dotted) {
  OnePart two;
  two.Points[0] = p1, two.Points[1] = p2, two.Count = 2;
  two.Data.MinX = std::min(p1.x, p2.x), two.Data.MaxX = std::max(p1.x, p2.x);
  two.Data.MinY = std::min(p1.y, p2.y), two.Data.MaxY = std::max(p1.y, p2.y);
  if (!dotted) {
    if (memory) {
      const LocalParm<2> line{DibWord(TextFrameLine.Color), 1};
      PaintDibLine(nullptr, &two.Data, line(), 1.0f);
    } else {
      OutputPolylineChunks(dc, &two.Data, &TextFrameLine);
    }
    return;
  }
  SmallTextLine.Color = TextFrameLine.Color;
  if (memory) {
    SmallTextLine.Thickness = kSmallLineDib;
    // The memory painter reads micrometres: dash and gap of one pixel.
    const LocalParm<4> line{DibWord(SmallTextLine.Color), DWORD(kSmallLineDib),
                            DWORD(SmallTextLine.Dash * kDibPixel),
                            DWORD(SmallTextLine.Gap * kDibPixel)};
    PaintDibDashedLine(nullptr, &two.Data, line(), 1.0f);
  } else {
    SmallTextLine.Thickness = 2;
    DrawDeviceLine(dc, &two.Data, &SmallTextLine, 2.0);
  }
}

// Everything PaintText settles once per call.
struct TextCall {
  HDC Dc;
  bool Memory;
  const IMGTEXT* Rec;
  const char* Face;
  int Flags;
  float Scale;
  int ScaleMethod;
  bool Dos;
  int Font;
  int H = 0;            // font height; 0 until fitted
  bool SmallMark = false;
  bool FontReady = false;
  LOGFONTA Log{};
  int Ascent = 0, Descent = 0, LineHeight = 0;
};

enum class Step { Next, Stop, Hit };

// The ring of a text's box from its anchor, width, angle and depth.
void BuildBox(const TextCall& c, POINT anchor, UINT horizontal, double angle, i64 w, i64 depth,
              OnePart* box) {
  const double cs = std::cos(angle), sn = std::sin(angle);
  const i64 wx = Trunc(w * cs), wy = Trunc(w * sn);
  i64 sx = anchor.x, sy = anchor.y, ex = anchor.x, ey = anchor.y;
  if (horizontal == TA_RIGHT) {
    sx -= wx, sy -= wy;
  } else if (horizontal == TA_CENTER) {
    sx -= wx / 2, sy -= wy / 2, ex += wx / 2, ey += wy / 2;
  } else {
    ex += wx, ey += wy;
  }
  const double d = c.Descent;
  if (c.Rec->Italic) {
    const i64 px = Trunc(cs * d), py = Trunc(sn * d);
    sx -= px / 2, sy -= py / 2, ex += px, ey += py;
  } else {
    const i64 px = Trunc(cs * d * 0.5), py = Trunc(sn * d * 0.5);
    sx -= px, sy -= py, ex += px, ey += py;
  }
  const double u = c.Ascent;
  const i64 ux = Trunc(sn * u), uy = -i64(Trunc(cs * u));
  const i64 dx = -i64(Trunc(depth * sn)), dy = Trunc(depth * cs);
  const POINT c0{SaturatePixel(sx + ux), SaturatePixel(sy + uy)};
  const POINT c1{SaturatePixel(ex + ux), SaturatePixel(ey + uy)};
  const POINT c2 = Moved(c1, dx, dy), c3 = Moved(c0, dx, dy);
  box->Points[0] = c0, box->Points[1] = c1, box->Points[2] = c2, box->Points[3] = c3;
  box->Points[4] = c0;
  box->Count = 5;
  POLYDATA& b = box->Data;
  b.MinX = b.MaxX = c0.x, b.MinY = b.MaxY = c0.y;
  for (int i = 1; i < 4; ++i) {
    b.MinX = std::min(b.MinX, box->Points[i].x), b.MaxX = std::max(b.MaxX, box->Points[i].x);
    b.MinY = std::min(b.MinY, box->Points[i].y), b.MaxY = std::max(b.MaxY, box->Points[i].y);
  }
}

// One text (one part): measured and then boxed, or drawn line by line.
Step PaintPartText(TextCall& c, const POINT* points, LONG count, POINT origin, double k,
                   const char* text, bool own) {
  const IMGTEXT& rec = *c.Rec;
  UINT horizontal = TA_LEFT, vertical = TA_BASELINE;
  TextAlignment(rec, text, own, &horizontal, &vertical);
  const POINT p1 = Spread(points[0], origin, k);
  const POINT p2 = count > 1 ? Spread(points[1], origin, k) : p1;
  const bool hit = (c.Flags & TEXT_HITTEST) != 0;
  const bool frame = !hit && (c.Flags & TEXT_FRAME) != 0;
  bool measure = rec.BkgndColor != kNoColor || c.Flags != 0;

  for (;;) {  // a second round draws a boxed text after its box is filled
    const char* cursor = text;
    double angle = 0.0;
    i64 offset = 0;  // of the current line below the first
    int n = 0;
    i64 widest = 0;
    POINT first{};
    TEXTLINE line;
    bool restart = false;
    do {
      ReadTextLine(&cursor, c.Dos, &line);
      ++n;
      if (line.Length == 0 && !measure) {
        offset += c.LineHeight;
        continue;
      }
      if (count == 1) {
        if (c.H == 0) c.H = TEXT_HEIGHT_FIT;
      } else if (p1.x == p2.x && p1.y == p2.y) {
        if (c.H == 0) return Step::Stop;
      } else {
        if (c.H == 0) {
          const double dx = double(p2.x) - p1.x, dy = double(p2.y) - p1.y;
          const int length = TruncatePixel(std::sqrt(dx * dx + dy * dy));
          c.H = ClampHeight(GetMapFontHeightByWidth(c.Font, rec.WidthKind, length, line.Length,
                                                    line.Chars));
          if (c.H < TEXT_HEIGHT_MIN) {
            if (frame)
              c.SmallMark = true;
            else if (c.ScaleMethod == 0 && c.Scale < 0.5f)
              return Step::Stop;
          }
        }
        if (rec.Horizontal == 0) angle = std::atan2(double(p2.y) - p1.y, double(p2.x) - p1.x);
      }
      if (c.H != 0 && c.LineHeight == 0) c.LineHeight = GetMapFontLineHeight(c.Font, c.H);

      if (c.SmallMark || c.H < TEXT_HEIGHT_MIN) {
        if (count > 1) DrawPartLine(c.Dc, c.Memory, p1, p2, !c.SmallMark);
        offset += c.LineHeight;
        continue;
      }

      // Anchor of the line.
      const double sn = std::sin(angle), cs = std::cos(angle);
      POINT anchor = horizontal == TA_RIGHT ? p2 : p1;
      if (horizontal == TA_CENTER)
        anchor = POINT{LONG((i64(p1.x) + p2.x) / 2), LONG((i64(p1.y) + p2.y) / 2)};
      double shift = 0.0;
      if (vertical == (TA_MAP_MIDDLE | TA_BASELINE))
        shift = GetMapFontCharHeight(c.Font, c.H) / 2;
      else if (vertical == TA_TOP)
        shift = GetMapFontAscent(c.Font, c.H);
      else if (vertical == TA_BOTTOM)
        shift = -GetMapFontDescent(c.Font, c.H);
      anchor = Moved(anchor, -i64(Trunc(sn * shift)), Trunc(cs * shift));
      if (offset != 0) {
        if (rec.Horizontal != 0)
          anchor = Moved(anchor, 0, offset);
        else
          anchor = Moved(anchor, -i64(Trunc(offset * sn)), Trunc(offset * cs));
      }

      if (!c.FontReady) {
        const char* face = c.Face != nullptr ? c.Face : GetMapFontName(c.Font);
        BYTE charset = c.Face != nullptr ? rec.CharSet : GetMapFontCharSet(c.Font);
        // A text in the DOS code page was converted to 1251 when read.
        if (c.Face != nullptr && c.Dos) charset = RUSSIAN_CHARSET;
        MakeTextLogFont(&c.Log, rec, c.H, 0.0, face, charset, !c.Memory, false);
        c.Ascent = GetMapFontAscent(c.Font, c.H);
        c.Descent = GetMapFontDescent(c.Font, c.H);
        c.LineHeight = GetMapFontLineHeight(c.Font, c.H);
        c.FontReady = true;
      }
      c.Log.lfEscapement = c.Log.lfOrientation = -Trunc(angle * 1800.0 / M_PI);

      if (measure) {
        LONG width = 0;
        if (!MeasureLine(c.Dc, c.Log, line, &width)) return Step::Stop;
        if (width > widest) widest = width;
        if (n == 1) first = anchor;
        if (line.Last) {
          OnePart box;
          box.Data.Text = nullptr;
          BuildBox(c, first, horizontal, angle, widest, offset + c.LineHeight, &box);
          if (hit) {
            if (TestImageByMask(nullptr, &box.Data, nullptr, 1.0f) != 0) return Step::Hit;
          } else if (frame) {
            OutputPolylineChunks(c.Dc, &box.Data, &TextFrameLine);
          } else {
            if (c.Memory) {
              const LocalParm<1> fill{DibWord(rec.BkgndColor)};
              PaintDibFill(nullptr, &box.Data, fill(), 1.0f);
            } else {
              FillDevicePolygon(c.Dc, &box.Data, rec.BkgndColor & 0xFFFFFF);
            }
            restart = true;
          }
        }
      } else {
        if (rec.ShadowColor != kNoColor) {
          const i64 s = (c.H >> 6) + 1;
          const POINT at = Moved(anchor, s, s);
          DrawDeviceText(c.Dc, at.x, at.y, line.Chars, line.Length, &c.Log, int(horizontal),
                         rec.ShadowColor & 0xFFFFFF);
        }
        if (rec.Color != kNoColor)
          DrawDeviceText(c.Dc, anchor.x, anchor.y, line.Chars, line.Length, &c.Log,
                         int(horizontal), rec.Color & 0xFFFFFF);
      }
      offset += c.LineHeight;
    } while (!line.Last);
    if (!restart) return Step::Next;
    measure = false;
  }
}

}  // namespace

void ReadTextLine(const char** cursor, bool dos, TEXTLINE* line) {
  const char* p = *cursor;
  int n = 0;
  while (*p != 0 && *p != '\r' && *p != '\n') {
    if (n < TEXT_LINE_MAX) line->Chars[n++] = *p;
    ++p;
  }
  line->Chars[n] = 0;
  line->Length = n;
  if (*p != 0) {
    ++p;
    if (*p == '\n') ++p;
  }
  line->Last = *p == 0;
  if (dos) cpText2Win(line->Chars, n);
  *cursor = p;
}

void TextAlignment(const IMGTEXT& record, const char* text, bool own, UINT* horizontal,
                   UINT* vertical) {
  if (own && text != nullptr) {
    const size_t length = std::strlen(text);
    const BYTE stored = static_cast<BYTE>(text[-1]);
    const int code = length < stored ? static_cast<BYTE>(text[length + 1]) : 0;
    PlaceCodeToTextAlign(code, horizontal, vertical);
    return;
  }
  PlaceCodeToTextAlign(TextAlignToPlaceCode(record.Align), horizontal, vertical);
}

void MakeTextLogFont(LOGFONTA* font, const IMGTEXT& record, int height, double angle,
                     const char* face, BYTE charset, bool device, bool width0) {
  std::memset(font, 0, sizeof(*font));
  font->lfHeight = height;
  font->lfWidth = width0 ? 0 : GetMapFontCharWidth(record.FontIndex, record.WidthKind, height);
  font->lfEscapement = font->lfOrientation = -TruncatePixel(angle * 1800.0 / M_PI);
  font->lfWeight = record.Weight;
  font->lfItalic = record.Italic;
  font->lfUnderline = record.Underline;
  font->lfStrikeOut = record.StrikeOut;
  font->lfCharSet = charset;
  font->lfOutPrecision = device ? 2 : 0;
  font->lfClipPrecision = device ? 1 : 0;
  font->lfQuality = device ? 2 : 0;
  font->lfPitchAndFamily = FF_ROMAN;
  if (face != nullptr) {
    std::strncpy(font->lfFaceName, face, LF_FACESIZE - 1);
    font->lfFaceName[LF_FACESIZE - 1] = 0;
  }
}

int PaintText(HDC dc, POLYDATA* data, const char* record, const char* face, int flags,
              float scale, int scaleMethod) {
  if (data == nullptr || record == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1)
    return 0;
  IMGTEXT rec;
  std::memcpy(&rec, record, sizeof(rec));
  plat::SetBkMode(dc, TRANSPARENT);
  TextFrameLine.Color = rec.Color;

  TextCall c{dc, IsMemoryDc(dc), &rec, face, flags, scale, scaleMethod,
             rec.CharSet == kDosCodePage, rec.FontIndex};
  if ((rec.Flag & 1) == 0) {
    c.H = ClampHeight(GetMapFontHeightByCharHeight(c.Font, ClampHeight(rec.Height)));
  }

  // Texts of parts after a first part without text draw nearer the object's
  // first point as the picture shrinks. The factor is 1 where it would be
  // 0 or negative (scales up to 0.5), so that points never mirror.
  double k = 1.0;
  const bool hasTexts = data->Text != nullptr;
  if ((!hasTexts || data->Text[0] == nullptr) && c.H != 0) {
    k = 2.0 - 1.0 / double(scale);
    if (!(k > 0.0)) k = 1.0;
  }
  if (!hasTexts) return 0;

  const POINT origin = data->Points[0];
  const bool own = data->MetricFlag != 0;
  i64 at = 0;
  // Parts past the text slots have no text (a line's parts may outnumber
  // them).
  const LONG parts = data->Count < TEXT_AREA_SIZE ? data->Count : TEXT_AREA_SIZE;
  for (LONG part = 0; part < parts; ++part) {
    const LONG count = data->PolyCounts[part];
    if (count < 0) break;
    const POINT* points = data->Points + at;
    at += count;
    const char* text = data->Text[part];
    if (count == 0 || text == nullptr) continue;
    switch (PaintPartText(c, points, count, origin, k, text, own)) {
      case Step::Stop:
        return 0;
      case Step::Hit:
        return 1;
      case Step::Next:
        break;
    }
  }
  return 0;
}

int PaintFontSign(HDC dc, POLYDATA* data, const char* record, int flags) {
  if (data == nullptr || record == nullptr || data->Points == nullptr ||
      data->PolyCounts == nullptr || data->Count < 1 || data->PolyCounts[0] < 1)
    return 0;
  IMGFONTSIGN rec;
  std::memcpy(&rec, record, sizeof(rec));
  const IMGTEXT& t = rec.Face.Text;
  if (rec.Symbol < 0 || rec.Symbol > 255) return 0;
  const char text[2] = {static_cast<char>(rec.Symbol), 0};

  const LONG count = data->PolyCounts[0];
  const POINT p1 = data->Points[0];
  int h = t.Height == 0 ? 0 : ClampHeight(t.Height);
  double angle = 0.0;
  i64 ox = rec.OffsetRight, oy = rec.OffsetUp;
  i64 tx = ox, ty = oy;  // the offset turned with the text
  if (count == 1) {
    if (h == 0) h = TEXT_HEIGHT_FIT;
  } else {
    const POINT p2 = data->Points[1];
    const i64 dx = i64(p2.x) - p1.x, dy = i64(p2.y) - p1.y;
    if (dx == 0 && dy == 0 && h == 0) return 0;
    if (h == 0) {
      const int length = TruncatePixel(std::sqrt(double(dx) * dx + double(dy) * dy));
      h = ClampHeight(GetMapFontHeightByWidth(t.FontIndex, t.WidthKind, length, 1, text));
    }
    if (t.Horizontal == 0 && (dx != 0 || dy != 0)) {
      angle = std::atan2(double(dy), double(dx));
      const double cs = std::cos(-angle), sn = std::sin(-angle);
      tx = Trunc(ox * cs - oy * sn);
      ty = Trunc(ox * sn + oy * cs);
    }
  }

  if (flags != 0) {
    OnePart box;
    const LONG left = SaturatePixel(p1.x + ox + rec.BoxLeft);
    const LONG right = SaturatePixel(p1.x + ox + rec.BoxRight);
    const LONG top = SaturatePixel(p1.y - oy - rec.BoxTop);
    const LONG bottom = SaturatePixel(p1.y - oy - rec.BoxBottom);
    box.Points[0] = {left, top}, box.Points[1] = {right, top};
    box.Points[2] = {right, bottom}, box.Points[3] = {left, bottom};
    box.Points[4] = {left, top};
    box.Count = 5;
    box.Data.MinX = data->MinX, box.Data.MinY = data->MinY;
    box.Data.MaxX = data->MaxX, box.Data.MaxY = data->MaxY;
    if ((flags & TEXT_FRAME) != 0) {
      OutputPolylineChunks(dc, &box.Data, &TextFrameLine);
      return 0;
    }
    return TestImageByMask(nullptr, &box.Data, nullptr, 1.0f) != 0 ? 1 : 0;
  }

  const POINT anchor = Moved(p1, tx, -ty);
  char face[LF_FACESIZE];
  std::memcpy(face, rec.Face.FontName, LF_FACESIZE - 1);
  face[LF_FACESIZE - 1] = 0;
  LOGFONTA log;
  MakeTextLogFont(&log, t, h, angle, face, t.CharSet, !IsMemoryDc(dc), true);
  if (t.BkgndColor != kNoColor) {
    plat::SetBkMode(dc, OPAQUE);
    plat::SetBkColor(dc, t.BkgndColor & 0xFFFFFF);
  }
  const int align = TA_LEFT | TA_BASELINE;
  if (t.ShadowColor != kNoColor) {
    const i64 s = (h >> 6) + 1;
    const POINT shadow = Moved(anchor, s, s);
    DrawDeviceText(dc, shadow.x, shadow.y, text, 1, &log, align, t.ShadowColor & 0xFFFFFF);
  }
  if (t.BkgndColor == kNoColor || t.ShadowColor != kNoColor) plat::SetBkMode(dc, TRANSPARENT);
  if (t.Color != kNoColor) DrawDeviceText(dc, anchor.x, anchor.y, text, 1, &log, align, t.Color & 0xFFFFFF);
  return 0;
}
