// The process-wide registry of map fonts and the text metrics derived from
// it.
//
// Each registered font is measured once, at a height of 64 units, through
// the display's information context; every later size question is answered
// from the stored measurements by proportion, without a device context.
#pragma once

#include "platform/export.h"
#include "platform/win_types.h"

struct DOUBLEPOINT;

enum : int {
  MAPFONT_SLOTS = 64,
  MAPFONT_SEARCHED = 48,  // slots that the index search by name looks at
  MAPFONT_NAME_SIZE = 32,
  MAPFONT_BASE_HEIGHT = 64,
};

// Defaults of the metric bytes (at height 64).
enum : BYTE {
  MAPFONT_DEFAULT_CHARHEIGHT = 42,
  MAPFONT_DEFAULT_AVEWIDTH = 128,
  MAPFONT_DEFAULT_ASCENT = 70,
  MAPFONT_DEFAULT_DESCENT = 12,
  MAPFONT_DEFAULT_LINEHEIGHT = 58,
};

struct MapFontSlot {
  char Name[MAPFONT_NAME_SIZE];  // face name; empty in a free slot
  BYTE CharSet;
  BYTE CharHeight;  // ascent minus internal leading
  BYTE AveWidth;
  BYTE Ascent;
  BYTE Descent;
  BYTE LineHeight;  // cell height plus external leading
  BYTE Flags;       // kept for the font's users
  LONG RefCount;    // registrations; 0 = free
  LONG Widths[256];
};

// Offsets in the text parameter record of a text sign.
enum : int {
  TEXTPARM_HEIGHT = 12,     // int32
  TEXTPARM_FONT = 22,       // uint16, slot index
  TEXTPARM_WIDTHKIND = 24,  // 0 normal, 1 narrow, else wide
  TEXTPARM_HORIZONTAL = 25, // 0: the text follows its two points
  TEXTPARM_CODEPAGE = 30,   // 255: DOS code page
  TEXTPARM_FLAGS = 31,      // bit 0: fit the size to the points
  TEXTPARM_MINSIZE = 32,
};

// Placement codes of a title's text entry.
enum : int { PLACE_FIRST = 20, PLACE_LAST = 31 };
// The library's own alignment flag: vertical middle (with TA_BASELINE).
enum : UINT { TA_MAP_MIDDLE = 0x1000 };

// The slot of an index; slot 0 for an index outside 0-63.
MapFontSlot* MapFontSlotOf(int index);

void InitMapFontTable();
int RegisterMapFont(const char* name, BYTE charset, BYTE flags);
int ReleaseMapFont(int index);
int FindMapFont(const char* name, BYTE charset);
const char* GetMapFontName(int index);
BYTE GetMapFontCharSet(int index);
// Index 0-47 of the first slot with the name (case ignored), -1 for none.
int FindMapFontIndex(const char* name);

double GetMapFontCharHeight(int index, int height);
int GetMapFontHeightByCharHeight(int index, int charHeight);
int GetMapFontAscent(int index, int height);
int GetMapFontDescent(int index, int height);
int GetMapFontLineHeight(int index, int height);
int GetMapFontCharWidth(int index, int widthKind, int height);
int GetMapTextMaxLineWidth(int index, int widthKind, int height, int length, const char* text);
// size: out[0] width, out[1] ascent; returns the descent.
int GetMapTextWidth(int* size, const char* record, const char* text, int length);
int GetMapFontHeightByWidth(int index, int widthKind, int width, int length, const char* text);
int GetMapFontHeightBySpacing(int index, int widthKind, int width, int count, const char* text,
                              int size, float* out);
int TextAlignToPlaceCode(int alignFlags);
// The horizontal and vertical alignment of a placement code (20-31); any
// other code gives left and baseline. False for such other codes.
bool PlaceCodeToTextAlign(int code, UINT* horizontal, UINT* vertical);
// frame: X1, Y1, X2, Y2. `text` is the character part of a title's text
// entry: the byte before it is the entry's length byte and, when that
// exceeds the text's length, the byte after its zero is a placement code.
int CalcMapTextFrame(int* frame, const DOUBLEPOINT* p1, const DOUBLEPOINT* p2, const char* record,
                     const char* text);

// The shared memory bitmap on which a newly registered font's character
// height is measured from the ink of "0123456789": a 32-bit bottom-up
// bitmap (device row r at bits + (height - 1 - r) * rowBytes) selected into
// dc, and the top margin added to the y of texts drawn there.
struct MapFontInkContext {
  HDC dc;
  BYTE* bits;
  int rowBytes;
  int height;
  int topMargin;
};
// The drawing engine installs a provider once it has its paint context; the
// provider returns false while there is no bitmap. Null: no provider.
typedef bool (*MapFontInkProc)(MapFontInkContext* context);
MapFontInkProc SetMapFontInkProvider(MapFontInkProc proc);

// Dialog fonts of the host's dialogs.
const char* DialogStringFont();
const char* DialogTableFont();
void SetDialogStringFontName(const char* name);
void SetDialogTableFontName(const char* name);
int DialogStringFontSize();
int DialogTableFontSize();
int SetDialogStringFontSize(int size);
int SetDialogTableFontSize(int size);

