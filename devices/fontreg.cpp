#include "devices/fontreg.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "common/codepage.h"
#include "common/points.h"
#include "platform/gdi/gdi.h"
#include "platform/numeric.h"

namespace {

MapFontSlot g_slots[MAPFONT_SLOTS];
bool g_initialised = false;
MapFontInkProc g_inkProvider = nullptr;

char g_dialogStringFont[MAPFONT_NAME_SIZE] = "MS Sans Serif";
char g_dialogTableFont[MAPFONT_NAME_SIZE] = "Courier New";
int g_dialogStringFontSize = 8;
int g_dialogTableFontSize = 8;

const double kNarrow = 0.8333333333333334;
const double kWide = 1.2;
const double kHalfPi = 1.5707963267948966;

// Heights and widths come from the text records of classifiers and maps: a
// huge height gives sizes that saturate at the bounds of an int.

// Width factor of a width kind: narrow texts are 5/6 as wide, wide ones 1.2.
double WidthFactor(int kind) { return kind == 0 ? 1.0 : kind == 1 ? kNarrow : kWide; }
// The inverse, for heights computed from widths.
double HeightFactor(int kind) { return kind == 0 ? 1.0 : kind == 1 ? kWide : kNarrow; }

bool SameName(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (FoldCase1251(static_cast<unsigned char>(*a)) != FoldCase1251(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

// A slot's name against a face name as the slot would keep it (cut to 31
// characters), so that a long face registered twice is still one slot.
bool SameStoredName(const char* stored, const char* name) {
  size_t n = 0;
  for (; n < MAPFONT_NAME_SIZE - 1 && name[n]; ++n) {
    if (stored[n] == 0 || FoldCase1251(static_cast<unsigned char>(stored[n])) !=
                              FoldCase1251(static_cast<unsigned char>(name[n])))
      return false;
  }
  return stored[n] == 0;
}

void CopyName(char* dst, const char* src) {
  size_t n = 0;
  while (n < MAPFONT_NAME_SIZE - 1 && src[n]) ++n;
  std::memset(dst, 0, MAPFONT_NAME_SIZE);
  std::memcpy(dst, src, n);
}

void SetDefaultMetrics(MapFontSlot& s) {
  s.CharHeight = MAPFONT_DEFAULT_CHARHEIGHT;
  s.AveWidth = MAPFONT_DEFAULT_AVEWIDTH;
  s.Ascent = MAPFONT_DEFAULT_ASCENT;
  s.Descent = MAPFONT_DEFAULT_DESCENT;
  s.LineHeight = MAPFONT_DEFAULT_LINEHEIGHT;
}

LOGFONTA FontRequest(const MapFontSlot& s) {
  LOGFONTA lf;
  std::memset(&lf, 0, sizeof(lf));
  lf.lfHeight = MAPFONT_BASE_HEIGHT;
  lf.lfCharSet = s.CharSet;
  lf.lfOutPrecision = 2;   // character precision
  lf.lfClipPrecision = 1;  // character clipping
  lf.lfQuality = PROOF_QUALITY;
  lf.lfPitchAndFamily = FF_ROMAN;
  std::memcpy(lf.lfFaceName, s.Name, MAPFONT_NAME_SIZE);
  lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return lf;
}

bool RowIsBlank(const MapFontInkContext& c, int row) {
  const BYTE* p = c.bits + static_cast<intptr_t>(c.height - 1 - row) * c.rowBytes;
  const int pixels = c.rowBytes / 4;
  for (int x = 0; x < pixels; ++x) {
    DWORD v;
    std::memcpy(&v, p + 4 * x, 4);
    if (v & 0x00FFFFFFu) return false;
  }
  return true;
}

// The character height from the ink of the digits drawn on the paint
// context's memory bitmap, when the drawing engine has one.
void MeasureInk(MapFontSlot& s, const LOGFONTA& request) {
  if (g_inkProvider == nullptr) return;
  MapFontInkContext c{};
  if (!g_inkProvider(&c) || c.dc == nullptr || c.bits == nullptr || c.rowBytes < 4 ||
      c.topMargin < 0 || c.height < c.topMargin + MAPFONT_BASE_HEIGHT)
    return;
  HFONT font = plat::CreateFontIndirectA(&request);
  if (font == nullptr) return;

  const int top = c.topMargin;
  for (int r = 0; r < top + MAPFONT_BASE_HEIGHT; ++r)
    std::memset(c.bits + static_cast<intptr_t>(c.height - 1 - r) * c.rowBytes, 0,
                static_cast<size_t>(c.rowBytes));

  HGDIOBJ old = plat::SelectObject(c.dc, font);
  const COLORREF oldColor = plat::SetTextColor(c.dc, 0x00FFFFFF);
  const int oldMode = plat::SetBkMode(c.dc, TRANSPARENT);
  const UINT oldAlign = plat::SetTextAlign(c.dc, 0);
  plat::TextOutA(c.dc, 0, top, "0123456789", 10);
  plat::GdiFlush();
  plat::SetTextAlign(c.dc, oldAlign);
  plat::SetBkMode(c.dc, oldMode);
  plat::SetTextColor(c.dc, oldColor);
  plat::SelectObject(c.dc, old);
  plat::DeleteObject(font);

  int above = 0;
  while (above < MAPFONT_BASE_HEIGHT && RowIsBlank(c, top + above)) ++above;
  if (above == MAPFONT_BASE_HEIGHT) return;  // no ink at all
  int below = 0;
  while (RowIsBlank(c, top + MAPFONT_BASE_HEIGHT - 1 - below)) ++below;
  const int height = MAPFONT_BASE_HEIGHT - (below + 1) - (above + 1);
  if (height > 0) s.CharHeight = static_cast<BYTE>(height);
}

// Measures a newly registered font at height 64; a font that can't be made
// keeps the default metrics.
void MeasureSlot(MapFontSlot& s) {
  SetDefaultMetrics(s);
  HDC ic = plat::CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  if (ic == nullptr) return;
  const LOGFONTA request = FontRequest(s);
  HFONT font = plat::CreateFontIndirectA(&request);
  if (font != nullptr) {
    HGDIOBJ old = plat::SelectObject(ic, font);
    INT widths[256];
    if (plat::GetCharWidthA(ic, 0, 255, widths)) {
      for (int i = 0; i < 256; ++i) s.Widths[i] = widths[i];
    }
    TEXTMETRICA tm;
    std::memset(&tm, 0, sizeof(tm));
    if (plat::GetTextMetricsA(ic, &tm) && tm.tmHeight != 0) {
      const LONG charHeight = tm.tmAscent - tm.tmInternalLeading;
      if (charHeight != 0) s.CharHeight = static_cast<BYTE>(charHeight);
      if (tm.tmAveCharWidth != 0) s.AveWidth = static_cast<BYTE>(tm.tmAveCharWidth);
      if (tm.tmAscent != 0) s.Ascent = static_cast<BYTE>(tm.tmAscent);
      if (tm.tmDescent != 0) s.Descent = static_cast<BYTE>(tm.tmDescent);
      if (tm.tmExternalLeading > 0) {
        const LONG line = tm.tmHeight + tm.tmExternalLeading;
        if (line != 0) s.LineHeight = static_cast<BYTE>(line);
      }
    }
    plat::SelectObject(ic, old);
    plat::DeleteObject(font);
  }
  plat::DeleteDC(ic);
  if (font != nullptr) MeasureInk(s, request);
}

// Sum of the stored widths of the characters up to `length` or a zero byte.
int64_t SumWidths(const MapFontSlot& s, const char* text, int length) {
  int64_t sum = 0;
  for (int i = 0; i < length && text[i]; ++i) sum += s.Widths[static_cast<unsigned char>(text[i])];
  return sum;
}

int64_t WidestLine(const MapFontSlot& s, const char* text, int length) {
  int64_t widest = 0, line = 0;
  if (text == nullptr) return 0;
  for (int i = 0; i < length && text[i]; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 13 || c == 10) {
      if (line > widest) widest = line;
      line = 0;
    } else {
      line += s.Widths[c];
    }
  }
  return line > widest ? line : widest;
}

int32_t ReadInt32(const char* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

int RecordFont(const char* record) {
  WORD v;
  std::memcpy(&v, record + TEXTPARM_FONT, 2);
  return v;
}

}  // namespace

MapFontSlot* MapFontSlotOf(int index) {
  if (index < 0 || index >= MAPFONT_SLOTS) index = 0;
  return &g_slots[index];
}

void InitMapFontTable() {
  if (g_initialised) return;
  g_initialised = true;
  std::memset(g_slots, 0, sizeof(g_slots));
  for (MapFontSlot& s : g_slots) SetDefaultMetrics(s);
}

int RegisterMapFont(const char* name, BYTE charset, BYTE flags) {
  g_initialised = true;
  if (name == nullptr) return 0;
  int freeSlot = -1;
  for (int i = 0; i < MAPFONT_SLOTS; ++i) {
    MapFontSlot& s = g_slots[i];
    if (s.RefCount > 0) {
      if (s.CharSet == charset && SameStoredName(s.Name, name)) {
        ++s.RefCount;
        return i + 1;
      }
    } else if (freeSlot < 0) {
      freeSlot = i;
    }
  }
  if (freeSlot < 0) return 0;
  MapFontSlot& s = g_slots[freeSlot];
  std::memset(&s, 0, sizeof(s));
  CopyName(s.Name, name);
  s.CharSet = charset;
  s.Flags = flags;
  MeasureSlot(s);
  s.RefCount = 1;
  return freeSlot + 1;
}

int ReleaseMapFont(int index) {
  if (index < 0 || index >= MAPFONT_SLOTS) return 0;
  MapFontSlot& s = g_slots[index];
  if (s.RefCount < 2) {
    s.RefCount = 0;
    std::memset(s.Name, 0, sizeof(s.Name));
  } else {
    --s.RefCount;
  }
  return index;
}

int FindMapFont(const char* name, BYTE charset) {
  if (name == nullptr) return 0;
  for (int i = 0; i < MAPFONT_SLOTS; ++i) {
    const MapFontSlot& s = g_slots[i];
    if (s.RefCount > 0 && s.CharSet == charset && SameStoredName(s.Name, name)) return i + 1;
  }
  return 0;
}

const char* GetMapFontName(int index) { return MapFontSlotOf(index)->Name; }

BYTE GetMapFontCharSet(int index) { return MapFontSlotOf(index)->CharSet; }

int FindMapFontIndex(const char* name) {
  if (name == nullptr || name[0] == 0) return -1;
  for (int i = 0; i < MAPFONT_SEARCHED; ++i)
    if (SameName(g_slots[i].Name, name)) return i;
  return -1;
}

double GetMapFontCharHeight(int index, int height) {
  if (height == 0) return 0;
  return static_cast<double>(height) * MapFontSlotOf(index)->CharHeight / 64.0;
}

int GetMapFontHeightByCharHeight(int index, int charHeight) {
  if (charHeight == 0) return 0;
  const int ch = MapFontSlotOf(index)->CharHeight;
  if (ch == 0) return MAPFONT_BASE_HEIGHT;
  return plat::TruncateTo<int>(static_cast<double>(charHeight) * 64.0 / ch + 0.5);
}

namespace {
int ScaledMetric(int height, BYTE metric) {
  if (height == 0) return 0;
  return plat::TruncateTo<int>(static_cast<double>(height) * metric * 1.1 / 64.0 + 0.5);
}
}  // namespace

int GetMapFontAscent(int index, int height) {
  return ScaledMetric(height, MapFontSlotOf(index)->Ascent);
}

int GetMapFontDescent(int index, int height) {
  return ScaledMetric(height, MapFontSlotOf(index)->Descent);
}

int GetMapFontLineHeight(int index, int height) {
  return ScaledMetric(height, MapFontSlotOf(index)->LineHeight);
}

int GetMapFontCharWidth(int index, int widthKind, int height) {
  if (height == 0) return 0;
  const double average = MapFontSlotOf(index)->AveWidth / 64.0;
  if (average < 0.001) return 0;
  return plat::TruncateTo<int>(height * average * WidthFactor(widthKind) + 0.5);
}

int GetMapTextMaxLineWidth(int index, int widthKind, int height, int length, const char* text) {
  if (height < 1) return 0;
  const int64_t widest = WidestLine(*MapFontSlotOf(index), text, length);
  if (widest == 0) return 0;
  return plat::TruncateTo<int>(static_cast<double>(height) * static_cast<double>(widest) / 64.0 *
                                   WidthFactor(widthKind) +
                               0.5);
}

int GetMapTextWidth(int* size, const char* record, const char* text, int length) {
  if (size == nullptr || record == nullptr || text == nullptr || length <= 0) return 0;
  const int index = RecordFont(record);
  const int height = GetMapFontHeightByCharHeight(index, ReadInt32(record + TEXTPARM_HEIGHT));
  if (height == 0) return 0;

  char copy[256];
  int n = 0;
  while (n < length && n < 255 && text[n]) {
    copy[n] = text[n];
    ++n;
  }
  copy[n] = 0;
  if (static_cast<BYTE>(record[TEXTPARM_CODEPAGE]) == 255) cpText2Win(copy, n);

  const int kind = static_cast<BYTE>(record[TEXTPARM_WIDTHKIND]);
  size[0] = plat::TruncateTo<int>(GetMapTextMaxLineWidth(index, kind, height, n, copy) * 1.05);
  size[1] = GetMapFontAscent(index, height);
  return GetMapFontDescent(index, height);
}

int GetMapFontHeightByWidth(int index, int widthKind, int width, int length, const char* text) {
  if (width < 1 || text == nullptr) return 0;
  const int64_t sum = SumWidths(*MapFontSlotOf(index), text, length);
  if (sum == 0) return 0;
  return plat::TruncateTo<int>(static_cast<double>(width) / static_cast<double>(sum) * 64.0 *
                               HeightFactor(widthKind));
}

int GetMapFontHeightBySpacing(int index, int widthKind, int width, int count, const char* text,
                              int size, float* out) {
  // The pairs written need 2 x count entries; counted in 64 bits so that a
  // huge count cannot wrap past the check and overrun the array.
  if (count <= 0 || size <= 0 || text == nullptr || text[0] == 0 || out == nullptr ||
      static_cast<int64_t>(size) < 2 * static_cast<int64_t>(count) || width <= 0)
    return 0;
  const MapFontSlot& s = *MapFontSlotOf(index);
  int entries = 0;
  int64_t total = 0;
  out[entries++] = 0;
  out[entries] = static_cast<float>(s.Widths[static_cast<unsigned char>(text[0])]);
  total += static_cast<int64_t>(out[entries++]);
  for (int i = 1; i < count && text[i]; ++i) {
    out[entries] = static_cast<float>(s.Widths[' ']);
    total += static_cast<int64_t>(out[entries++]);
    out[entries] = static_cast<float>(s.Widths[static_cast<unsigned char>(text[i])]);
    total += static_cast<int64_t>(out[entries++]);
  }
  if (total == 0) return 0;
  const double k = static_cast<double>(width) / static_cast<double>(total);
  for (int i = 1; i < entries; ++i) out[i] = static_cast<float>(out[i] * k);
  return plat::TruncateTo<int>(k * 64.0 * HeightFactor(widthKind));
}

int TextAlignToPlaceCode(int alignFlags) {
  const UINT f = static_cast<UINT>(alignFlags) & 0x101Eu;
  const UINT h = f & 0x6u;
  const int column = h == 0 ? 0 : h == TA_RIGHT ? 1 : 2;
  const UINT v = f & (TA_MAP_MIDDLE | TA_BASELINE);
  if (v == 0) return 26 + column;                                  // top
  if (v < TA_BASELINE) return 29 + column;                         // bottom
  if (v == (TA_MAP_MIDDLE | TA_BASELINE)) return 23 + column;      // middle
  return 20 + column;                                              // baseline
}

bool PlaceCodeToTextAlign(int code, UINT* horizontal, UINT* vertical) {
  static const UINT kHorizontal[3] = {TA_LEFT, TA_RIGHT, TA_CENTER};
  static const UINT kVertical[4] = {TA_BASELINE, TA_MAP_MIDDLE | TA_BASELINE, TA_TOP, TA_BOTTOM};
  UINT h = TA_LEFT, v = TA_BASELINE;
  const bool known = code >= PLACE_FIRST && code <= PLACE_LAST;
  if (known) {
    h = kHorizontal[(code - PLACE_FIRST) % 3];
    v = kVertical[(code - PLACE_FIRST) / 3];
  }
  if (horizontal) *horizontal = h;
  if (vertical) *vertical = v;
  return known;
}

int CalcMapTextFrame(int* frame, const DOUBLEPOINT* p1, const DOUBLEPOINT* p2, const char* record,
                     const char* text) {
  if (frame == nullptr || p1 == nullptr || p2 == nullptr || record == nullptr) return 0;
  // Points that are no numbers or lie past what the frame's integers hold
  // (a damaged metric) have no frame.
  constexpr double kFar = 2147483647.0;
  for (const DOUBLEPOINT* p : {p1, p2})
    if (!(std::fabs(p->X) < kFar && std::fabs(p->Y) < kFar)) return 0;
  int minX = 2147483647, minY = 2147483647, maxX = -2147483647, maxY = -2147483647;

  UINT horizontal = TA_LEFT, vertical = TA_BASELINE;
  if (text == nullptr) {
    text = "";
  } else {
    const size_t length = std::strlen(text);
    const unsigned char entryLength = static_cast<unsigned char>(text[-1]);
    if (entryLength > length)
      PlaceCodeToTextAlign(static_cast<unsigned char>(text[length + 1]), &horizontal, &vertical);
  }

  const int index = RecordFont(record);
  const int kind = static_cast<BYTE>(record[TEXTPARM_WIDTHKIND]);
  const bool fit = (record[TEXTPARM_FLAGS] & 1) != 0;
  const bool follow = record[TEXTPARM_HORIZONTAL] == 0;
  double a = kHalfPi;
  int h = ReadInt32(record + TEXTPARM_HEIGHT);
  int64_t offset = 0;  // accumulated line offset

  const char* line = text;
  do {
    // One line: up to CR, LF or the end, at most 255 characters measured.
    int lineLength = 0;
    while (line[lineLength] && line[lineLength] != 13 && line[lineLength] != 10) ++lineLength;
    const char* next = line + lineLength;
    if (*next == 13) ++next;
    if (*next == 10) ++next;
    const int measured = lineLength < 255 ? lineLength : 255;

    const int dX = static_cast<int>(std::clamp(p2->X - p1->X, -kFar, kFar));
    const int dY = static_cast<int>(std::clamp(p2->Y - p1->Y, -kFar, kFar));
    if (fit) {
      if (dX == 0 && dY == 0) return 0;
      const double distance = std::sqrt(static_cast<double>(dX) * dX + static_cast<double>(dY) * dY);
      h = GetMapFontHeightByWidth(index, kind, plat::TruncateTo<int>(distance), measured, line);
    }
    if (follow) a = (dX == 0 && dY == 0) ? kHalfPi : std::atan2(static_cast<double>(dY), dX);
    const double sinA = std::sin(a), cosA = std::cos(a);

    const int A = GetMapFontAscent(index, h);
    const int D = GetMapFontDescent(index, h);
    int W = plat::TruncateTo<int>(GetMapTextMaxLineWidth(index, kind, h, measured, line) * 1.05);

    int64_t x, y;
    if (horizontal == TA_RIGHT) {
      x = static_cast<int64_t>(p2->X);
      y = static_cast<int64_t>(p2->Y);
    } else if (horizontal == TA_CENTER) {
      x = static_cast<int64_t>((p1->X + p2->X) / 2);
      y = static_cast<int64_t>((p1->Y + p2->Y) / 2);
      W /= 2;
    } else {
      x = static_cast<int64_t>(p1->X);
      y = static_cast<int64_t>(p1->Y);
    }

    double o = 0;
    if (vertical == TA_TOP)
      o = A;
    else if (vertical == TA_BOTTOM)
      o = -D;
    else if (vertical == (TA_MAP_MIDDLE | TA_BASELINE))
      o = GetMapFontCharHeight(index, h) / 2;
    x -= static_cast<int64_t>(sinA * o);
    y += static_cast<int64_t>(cosA * o);

    const int64_t eX = static_cast<int64_t>(W * cosA);
    const int64_t eY = static_cast<int64_t>(W * sinA);
    int64_t sx, sy, ex, ey;
    if (horizontal == TA_RIGHT) {
      ex = x, ey = y, sx = x - eX, sy = y - eY;
    } else if (horizontal == TA_CENTER) {
      // The start lies before the anchor and the end after it, as for the
      // other placements, so that the stretch below widens a centred line
      // too instead of cutting its ends off.
      sx = x - eX, sy = y - eY, ex = x + eX, ey = y + eY;
    } else {
      sx = x, sy = y, ex = x + eX, ey = y + eY;
    }

    if (offset != 0) {
      const int64_t mx = -static_cast<int64_t>(offset * sinA);
      const int64_t my = static_cast<int64_t>(offset * cosA);
      sx += mx, ex += mx, sy += my, ey += my;
    }

    const int64_t stretchX = static_cast<int64_t>(cosA * D);
    const int64_t stretchY = static_cast<int64_t>(sinA * D);
    sx -= stretchX, sy -= stretchY, ex += stretchX, ey += stretchY;

    const int64_t belowX = static_cast<int64_t>(-sinA * D), belowY = static_cast<int64_t>(cosA * D);
    const int64_t aboveX = static_cast<int64_t>(sinA * A), aboveY = static_cast<int64_t>(-cosA * A);
    const int64_t cornersX[4] = {sx + belowX, sx + aboveX, ex + belowX, ex + aboveX};
    const int64_t cornersY[4] = {sy + belowY, sy + aboveY, ey + belowY, ey + aboveY};
    for (int i = 0; i < 4; ++i) {
      const int cx = plat::SaturateTo<int>(cornersX[i]);
      const int cy = plat::SaturateTo<int>(cornersY[i]);
      if (cx < minX) minX = cx;
      if (cx > maxX) maxX = cx;
      if (cy < minY) minY = cy;
      if (cy > maxY) maxY = cy;
    }

    offset += GetMapFontLineHeight(index, h);
    line = next;
  } while (*line);

  frame[0] = minX;
  frame[1] = minY;
  frame[2] = maxX;
  frame[3] = maxY;
  return 1;
}

MapFontInkProc SetMapFontInkProvider(MapFontInkProc proc) {
  MapFontInkProc old = g_inkProvider;
  g_inkProvider = proc;
  return old;
}

// ---------------------------------------------------------------------------
// Dialog fonts

const char* DialogStringFont() { return g_dialogStringFont; }
const char* DialogTableFont() { return g_dialogTableFont; }
void SetDialogStringFontName(const char* name) {
  if (name) CopyName(g_dialogStringFont, name);
}
void SetDialogTableFontName(const char* name) {
  if (name) CopyName(g_dialogTableFont, name);
}
int DialogStringFontSize() { return g_dialogStringFontSize; }
int DialogTableFontSize() { return g_dialogTableFontSize; }
int SetDialogStringFontSize(int size) { return g_dialogStringFontSize = size; }
int SetDialogTableFontSize(int size) { return g_dialogTableFontSize = size; }

