// The text engines of the drawing engine: texts of codes 142 (a font of the
// font registry) and 152 (a font named by its face name), and the one
// character of code 151 used as a sign.
//
// Every part of an object's pixel polyline set carries one text, anchored
// at the part's first point and turned along its first segment; a text may
// hold several lines. Besides drawing glyphs the engines outline the text's
// box (frame mode, for devices drawing with a raster operation other than
// copy-pen), test the box against the test mask (hit-test mode) and show a
// text too small to read as a dotted line along its first segment.
//
// The records arrive with their heights in pixels of the target and their
// colours as COLORREFs (the front ends convert them). The shared line
// records and the hit-test flags are process-wide: one painting at a time.
#pragma once

#include <cstdint>

#include "drawing/deviceline.h"
#include "drawing/deviceoutline.h"
#include "drawing/polydata.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"

class TPaintMetric;

// Code 142.
struct IMGTEXT {
  DWORD Color;        // glyphs; 0xFFFFFFFF: not drawn
  DWORD BkgndColor;   // box behind the text; 0xFFFFFFFF: none
  DWORD ShadowColor;  // shadow copy; 0xFFFFFFFF: none
  LONG Height;        // character height in pixels; 0: fitted to the first segment
  LONG Weight;        // as the LOGFONT weight
  WORD Align;         // horizontal: & 6 (0 left, 2 right, 6 centre); vertical:
                      // & 0x1018 (0x18 baseline, 0x1018 middle, 0 top, 8 bottom)
  WORD FontIndex;     // slot of the font registry
  BYTE WidthKind;     // 0 normal, 1 narrow, other wide
  BYTE Horizontal;    // non-zero: never turned
  BYTE Italic;
  BYTE Underline;
  BYTE StrikeOut;
  BYTE Reserve;
  BYTE CharSet;       // with a face name: its character set; 255 (the DOS
                      // code page): the text is converted to 1251 first
  BYTE Flag;          // bit 0: fitted to the first segment (the height is ignored)
};
static_assert(sizeof(IMGTEXT) == 32);

// Code 152: a text with the face name of its font.
struct IMGFACETEXT {
  IMGTEXT Text;
  char FontName[32];  // zero-terminated
};
static_assert(sizeof(IMGFACETEXT) == 64);

// Code 151: one character of a named font as a sign. The distances arrive
// in pixels.
struct IMGFONTSIGN {
  IMGFACETEXT Face;
  LONG Symbol;       // character code; only 0..255 is painted
  LONG BoxTop;       // upward distance of the box's top edge from the anchor
  LONG BoxLeft;      // rightward distance of its left edge
  LONG BoxBottom;    // upward distance of its bottom edge
  LONG BoxRight;     // rightward distance of its right edge
  LONG OffsetUp;     // anchor offset from the first point, upward
  LONG OffsetRight;  // and rightward
};
static_assert(sizeof(IMGFONTSIGN) == 92);

enum : int {
  TEXT_DRAW = 0,
  TEXT_FRAME = 1,      // outline each text's box, draw no glyph
  TEXT_HITTEST = 2,    // test each text's box against the test mask
  TEXT_LINE_MAX = 255, // characters of one line; the rest of a longer line is cut
  TEXT_HEIGHT_MIN = 5,     // smaller texts are shown as a dotted line
  TEXT_HEIGHT_FIT = 50,    // fitted text of a one-point part
  TEXT_HEIGHT_MAX = 2048,  // font heights are clamped to this
};

// The line of frames and of fitted texts too small to read; PaintText
// stores its text colour at the start of every call.
extern DEVICELINE TextFrameLine;
// The dotted line of texts under TEXT_HEIGHT_MIN: text colour, thickness 2
// on a device, 500 (micrometres, 2 pixels) on the memory image, dash 1,
// gap 1.
extern DEVICEDASHLINE SmallTextLine;
// Set by the visibility tests of texts before they call a memory-image
// entry; cleared by the entry after every call. TextHitTestResult: 1 when
// the last entry in hit-test mode found a hit.
extern LONG TextHitTestMode;
extern LONG TextHitTestResult;

// --- Engines ---

// Paints the texts of the parts on dc (the memory image's context, or a
// device). face: the face name of code 152, null for the registry's font.
// flags: TEXT_DRAW, TEXT_FRAME or TEXT_HITTEST (tested first). scaleMethod
// (the document's, of mapSetScaleMethod) 0 stops a fitted text under
// TEXT_HEIGHT_MIN pixels at scales below 0.5; any other shows it as the
// dotted line. Returns 1 when a hit test hit, else 0.
int PaintText(HDC dc, POLYDATA* data, const char* record, const char* face, int flags,
              float scale, int scaleMethod);
// The character sign of code 151 at the first part. Returns the hit test's
// answer in hit-test mode (any flags without TEXT_FRAME), else 0.
int PaintFontSign(HDC dc, POLYDATA* data, const char* record, int flags);

// --- Entries ---

// The memory image's: the records come from the memory-image front ends,
// with the scale method of the document painted. In hit-test mode
// (TextHitTestMode set) the answer goes to TextHitTestResult; the mode is
// cleared after every call.
void PaintTextDib(POLYDATA* data, const char* record, float scale, int scaleMethod);      // 142
void PaintFaceTextDib(POLYDATA* data, const char* record, float scale, int scaleMethod);  // 152
void PaintFontSignDib(POLYDATA* data, const char* record, float scale);  // 151
// The document device's: the records come from the device front ends.
// Texts go to the text context of a raster printer that has one;
// otherwise to the device, as frames while it draws with a raster
// operation other than copy-pen. In visual type 9 a text without a
// background is not painted (signs are).
void PaintTextDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale);
void PaintFaceTextDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale);
void PaintFontSignDevice(TPaintMetric* doc, POLYDATA* data, const char* record, float scale);

// --- Pieces of the engines ---

// The font of a text at height h turned by `angle` radians (y downwards):
// escapement and orientation -trunc(angle x 1800 / pi); the registry's
// average character width at h (widthKind, index) unless width0; weight,
// italic, underline, strike-out from the record; precisions and quality
// 2, 1, 2 on a device, 0 on the memory image; pitch and family 0x10.
void MakeTextLogFont(LOGFONTA* font, const IMGTEXT& record, int height, double angle,
                     const char* face, BYTE charset, bool device, bool width0);

// One line of a text: its characters (at most TEXT_LINE_MAX, converted to
// code page 1251 when the record says the text is in the DOS code page),
// where the next line starts, and whether it is the text's last line.
struct TEXTLINE {
  char Chars[TEXT_LINE_MAX + 1];
  int Length;
  bool Last;
};
// Reads the line at *cursor (a line ends at a zero, CR or LF; a break
// followed by LF is one break) and moves the cursor past its break.
void ReadTextLine(const char** cursor, bool dos, TEXTLINE* line);

// The horizontal (TA_LEFT, TA_RIGHT, TA_CENTER) and vertical (TA_BASELINE,
// TA_MAP_MIDDLE | TA_BASELINE, TA_TOP, TA_BOTTOM) alignment of a record's
// align word or, with `own` set, of the text's alignment code: the byte
// after the text's zero when the text is shorter than the length byte
// before it.
void TextAlignment(const IMGTEXT& record, const char* text, bool own, UINT* horizontal,
                   UINT* vertical);
