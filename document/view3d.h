// What the two 3-D views of a document's matrices share (document/mtr3d.h
// for elevation matrices, document/mtl3d.h for layer matrices): the bitmap
// sections their plans and pictures live in, the grid marks and the relief
// shades of the mark plan, the mapping of a plan pixel onto a matrix's
// elements, the height colours of the document's matrix palette, and the
// document settings a build changes and puts back.
//
// A plan is the scene seen from above and turned by the view's azimuth:
// its pixel (x, r), r counted from the top, lies dx = x - half width to the
// right of the viewed point and dy = half height - r above it, turned so
// that the plan's top is the far side of the scene.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "document/mapaccess.h"
#include "platform/gdi/gdi.h"
#include "platform/win_types.h"
#include "types/mtr3dtypes.h"

// The levels heights are quantised to: 1..511, 0 for no data.
constexpr int VIEW3D_LEVELS = 512, VIEW3D_TOP_LEVEL = 511;

// The level a height takes over a range from `low` at k levels a metre (a
// range a damaged file made no number of gives the lowest).
inline WORD View3DLevel(double z, double low, double k) {
  const double level = (z - low) * k + 1.0;
  if (!(level >= 1.0)) return 1;
  return level < double(VIEW3D_TOP_LEVEL) ? WORD(level) : WORD(VIEW3D_TOP_LEVEL);
}
// The colour index of a level: 32 colours over levels 1..511.
inline int View3DColorIndex(int level) { return std::max((level - 1) * 32 / VIEW3D_TOP_LEVEL, 0); }
// A picture row of a position, the position kept within what an int holds
// (one that is not a number: row 0).
inline int View3DRow(double v) { return std::isnan(v) ? 0 : int(std::clamp(v, -1e9, 1e9)); }

// Marks of the mark plan: bit 1 a grid line, bits 2..7 the shade.
enum : BYTE { VIEW3D_GRID_MARK = 2, VIEW3D_SHADE_MASK = 252 };

// The colours of a picture, as words in bitmap order (0x00RRGGBB).
enum : DWORD {
  VIEW3D_SKY = 0xA0D0D0,          // the background of the elevation view
  VIEW3D_PLAN_GROUND = 0xA0D070,  // a colour plan pixel nothing was draped on
  VIEW3D_GREY = 0xC0C0C0,         // the background of the layer view
};

// A bottom-up device-independent bitmap section selected into a memory
// context of its own.
struct VIEW3DSECTION {
  HDC Dc = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ Previous = nullptr;  // what the context held before
  BYTE* Bits = nullptr;        // the first byte: the bottom row
  BYTE* Top = nullptr;         // the top row
  ptrdiff_t Stride = 0;        // bytes per row
  BYTE* Row(LONG r) const { return Top - r * Stride; }
  DWORD* Words(LONG r) const { return reinterpret_cast<DWORD*>(Row(r)); }
};

// Where the projection of a picture column stands: the topmost row drawn,
// and the level of the last plan pixel walked and whether it had data.
struct VIEW3DCOLUMN {
  int Horizon;
  WORD Level;
  BYTE Data;
  BYTE Reserve;
};

// A bitmap header with a colour table of 256 entries.
struct VIEW3DHEADER {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
};

// A logical palette of 256 entries.
struct VIEW3DPALETTE {
  WORD Version;
  WORD Count;
  PALETTEENTRY Entries[256];
};
static_assert(offsetof(VIEW3DPALETTE, Entries) == offsetof(LOGPALETTE, palPalEntry));

// The bitmaps of a view: the mark plan (8 bits) and count - 1 sections of
// 32 bits, width x height each, with their headers in one block and a
// memory context compatible with the screen for each. The mark plan's
// colour table names marks by red: entry i is red i for every i with
// `identity` (whose palette is then made, selected and realised in the
// mark plan's context), only for marks 1 and 2 without it.
struct VIEW3DBITMAPS {
  VIEW3DHEADER* Headers = nullptr;
  HPALETTE Identity = nullptr;
};
// Null when all was made; else the name of the part that failed ("BITMAP
// HEADER", "HDC-DIB", "LOGPALETTE", "DIB-SECTION"), nothing kept.
const char* MakeView3DBitmaps(VIEW3DBITMAPS& bitmaps, VIEW3DSECTION* const* sections, int count,
                              LONG width, LONG height, bool identity);
void FreeView3DBitmaps(VIEW3DBITMAPS& bitmaps, VIEW3DSECTION* const* sections, int count);

// The picture width a requested width gives: rounded up to a multiple of
// 32 (in 64 bits).
inline int64_t View3DPictureWidth(LONG width) { return (int64_t(width) + 31) & ~int64_t(31); }
// Whether a 32-bit picture of that size can be made: 2 GB at most, and a
// width an int holds. Divided rather than multiplied, so that no size
// overflows the test.
inline bool View3DPictureFits(int64_t width, LONG height) {
  constexpr int64_t kPixels = (int64_t(1) << 31) / 4;
  return width >= 1 && height >= 1 && width <= 0x7FFFFFFF && width <= kPixels / height;
}

// The mark plan cleared, and its grid: width-1 lines of mark 2 drawn
// every `step` plan pixels (2 at least) in both directions of the plan
// turned by the azimuth (degrees) about (cx, cy).
void MakeView3DGrid(const VIEW3DSECTION& marks, LONG width, LONG height, LONG cx, LONG cy,
                    LONG step, int azimuth);

// The relief shade of every plan pixel from the level of the pixel to its
// left, into bits 2..7 of its mark (bits 0..1 kept): the slope (level -
// previous level) x factor through the relief tables of the matrix display.
void PutView3DShadow(const WORD* levels, const VIEW3DSECTION& marks, LONG width, LONG height,
                     double factor);

// A colour word with each of its colour bytes lit by the shade.
DWORD ShadeView3DWord(DWORD word, int shade);
// A colour word with each of its colour bytes x 0.8 (truncated).
inline DWORD DarkenView3DWord(DWORD w) {
  return (((w >> 16 & 255) * 4 / 5) << 16) | (((w >> 8 & 255) * 4 / 5) << 8) | ((w & 255) * 4 / 5);
}

// The first colours (at most 32) of the document's matrix palette in a
// palette style, the document's palette left as it is: their count.
int View3DMatrixColors(TMapAccess* doc, int style, COLORREF* colors);

// The element coordinates of plan pixel (x, r) in a matrix or raster:
// row = Row0 + RowX x + RowR r, column = Col0 + ColX x + ColR r.
struct VIEW3DPLACE {
  double Row0, RowX, RowR;
  double Col0, ColX, ColR;
};
// The document's picture place is put on the unit's drawing factor; the
// unit's frame in metres (X1 its south, Y1 its west edge) and rows.
VIEW3DPLACE PlaceView3DPlan(TMapAccess* doc, const MTR3DVIEWEX& view, LONG halfWidth,
                            LONG halfHeight, double factor, const DFRAME& frame, LONG rows);

// The document settings a build changes (show scale, element scale,
// background, turn), put back when this goes out of scope.
class View3DDocument {
 public:
  explicit View3DDocument(TMapAccess* doc);
  ~View3DDocument();
  View3DDocument(const View3DDocument&) = delete;
  View3DDocument& operator=(const View3DDocument&) = delete;
  // The document at the view's scale denominator.
  void SetScale(LONG scale);
  // The document's background, until the end.
  void SetBackground(COLORREF colour);
  // The picture turned by an angle in radians, until EndTurn or the end.
  void SetTurn(double angle);
  void EndTurn();

 private:
  TMapAccess* doc_;
  double zoom_, elemBase_, turn_;
  COLORREF background_;
  bool scaled_ = false, backed_ = false, turned_ = false;
};

// The document while it is still open, else null.
TMapAccess* LiveView3DDocument(TMapAccess* doc);

// Degrees to radians.
double View3DRadians(double degrees);
