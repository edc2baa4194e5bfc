// Text engine: realises logical fonts from font files, measures them with the
// host system's metric rules and renders strings monochrome as pixel spans.
//
// Fonts are shared and immutable to callers; OpenFont of the same request
// returns the same instance. All functions are safe to call from several
// threads.
#pragma once

#include <memory>

#include "platform/text/font_types.h"
#include "platform/win_types.h"

namespace plat::text {

class Font;

// Realises a font for the request. Never null: a face that cannot be loaded
// falls back to the default face, and when no font file exists at all the
// result measures with fixed default metrics and draws nothing.
std::shared_ptr<const Font> OpenFont(const LOGFONTA& request);

// Adds a folder searched for font files after the built-in face table and
// before the system font configuration. Fonts opened later see it.
void AddFontFolder(const char* folder);

// The request the font was opened for.
const LOGFONTA& FontRequest(const Font& font);

// Text metrics of the font, in pixels (unrotated).
void GetTextMetrics(const Font& font, TEXTMETRICA* tm);

// Advance width of one byte of the font's character set, in pixels.
int CharWidth(const Font& font, BYTE ch);

// Extent of n bytes of text: cx = sum of the advances, cy = tmHeight.
// n < 0 or s null measure nothing.
SIZE TextExtent(const Font& font, const char* s, int n);

// The rotated text cell (advance width x tmHeight), corners in order:
// top-left, top-right, bottom-right, bottom-left of the unrotated cell.
struct TextBox {
  POINT corner[4];
};

// Receives the ink of a rendered string: pixels [x0, x1) of row y, in device
// coordinates. Spans come row by row, top first, left to right, and never
// overlap or touch, so every ink pixel is reported exactly once.
typedef void (*SpanSink)(void* ctx, int y, int x0, int x1);

// Lays the string out from the reference point (x, y) with the alignment
// (TA_LEFT/TA_RIGHT/TA_CENTER, TA_TOP/TA_BASELINE/TA_BOTTOM, along the rotated
// axes; other bits ignored), rotated by the font's escapement, and emits the
// monochrome ink (glyphs, underline and strike-out bars) to the sink. Fills
// *box, when not null, with the rotated text cell.
void RenderText(const Font& font, int x, int y, UINT align, const char* s, int n,
                SpanSink sink, void* ctx, TextBox* box);

// The Unicode code point of a byte in a Windows character set (symbol set:
// the byte itself). Exposed for the code-page services and tests.
char32_t ByteToUnicode(BYTE charset, BYTE ch);

}  // namespace plat::text
