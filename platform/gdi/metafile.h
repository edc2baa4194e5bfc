// Recording of drawing calls as enhanced-metafile records, and the record
// layout shared by the writer and the reader.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/gdi/objects.h"

namespace plat::gdi {

// Record types.
enum : DWORD {
  EMR_HEADER = 1,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_POLYPOLYGON = 8,
  EMR_SETVIEWPORTORGEX = 12,
  EMR_EOF = 14,
  EMR_SETPIXELV = 15,
  EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20,
  EMR_SETTEXTALIGN = 22,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_MOVETOEX = 27,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_SELECTPALETTE = 48,
  EMR_CREATEPALETTE = 49,
  EMR_SETPALETTEENTRIES = 50,
  EMR_REALIZEPALETTE = 52,
  EMR_LINETO = 54,
  EMR_EXTSELECTCLIPRGN = 75,
  EMR_BITBLT = 76,
  EMR_SETDIBITSTODEVICE = 80,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYGON16 = 86,
  EMR_POLYLINE16 = 87,
  EMR_POLYPOLYGON16 = 91,
};

constexpr DWORD kEmfSignature = 0x464D4520;  // " EMF"
constexpr DWORD kStockFlag = 0x80000000;
constexpr DWORD RGN_COPY = 5;

#pragma pack(push, 1)
struct EmrHeader {
  DWORD iType, nSize;
  RECT rclBounds, rclFrame;
  DWORD dSignature, nVersion, nBytes, nRecords;
  WORD nHandles, sReserved;
  DWORD nDescription, offDescription, nPalEntries;
  SIZE szlDevice, szlMillimeters;
  DWORD cbPixelFormat, offPixelFormat, bOpenGL;
  SIZE szlMicrometers;
};
struct EmrBitBlt {
  DWORD iType, nSize;
  RECT rclBounds;
  LONG xDest, yDest, cxDest, cyDest;
  DWORD dwRop;
  LONG xSrc, ySrc;
  float xform[6];
  COLORREF crBkColorSrc;
  DWORD iUsageSrc, offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
};
struct EmrSetDIBits {
  DWORD iType, nSize;
  RECT rclBounds;
  LONG xDest, yDest, xSrc, ySrc, cxSrc, cySrc;
  DWORD offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc, iUsageSrc, iStartScan, cScans;
};
struct EmrText {
  POINT ptlReference;
  DWORD nChars, offString, fOptions;
  RECT rcl;
  DWORD offDx;
};
struct EmrExtTextOut {
  DWORD iType, nSize;
  RECT rclBounds;
  DWORD iGraphicsMode;
  float exScale, eyScale;
  EmrText text;
};
struct LogFontW {
  LONG lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight;
  BYTE lfItalic, lfUnderline, lfStrikeOut, lfCharSet, lfOutPrecision, lfClipPrecision,
      lfQuality, lfPitchAndFamily;
  uint16_t lfFaceName[32];
};
#pragma pack(pop)
static_assert(sizeof(EmrHeader) == 108);
static_assert(sizeof(EmrBitBlt) == 100);
static_assert(sizeof(EmrSetDIBits) == 76);
static_assert(sizeof(EmrExtTextOut) == 76);
static_assert(sizeof(LogFontW) == 92);
// EXTCREATEFONTINDIRECTW: type, size, index, then the font in the 320-byte
// form (logical font, full name, style, version fields, panose).
constexpr DWORD kFontRecordSize = 12 + 320;

// Whether any recording context exists (deletions and palette changes are
// recorded into every one; without any, nothing needs to be looked up).
bool AnyRecorder();

class MetaRecorder {
 public:
  MetaRecorder(const DeviceCaps& reference, const RECT* frame, const char* description);
  ~MetaRecorder();
  bool OpenFile(const char* name);

  void Value(DWORD type, DWORD value);
  void Point(DWORD type, int64_t x, int64_t y);
  void SetPixel(const Dc* dc, int x, int y, COLORREF color);
  // POLYLINE/POLYGON/POLYPOLYGON (the 16-bit form when every point fits).
  void Poly(const Dc* dc, DWORD type32, DWORD type16, const POINT* points, const INT* counts,
            int polygons);
  void LineTo(const Dc* dc, int64_t x0, int64_t y0, int64_t x1, int64_t y1);
  // Creates the object's record when it has none yet, then selects it.
  void Select(GdiObject* object);
  void Deleted(const GdiObject* object);
  void SelectPalette(Palette* palette);
  void PaletteEntries(const Palette* palette, UINT start, UINT count);
  void Clip(const RECT* rect);
  // Device rectangle given in logical coordinates; source pixels (or none).
  // False when the source pixels are too many for a record (nothing written).
  bool BitBlt(const Dc* dc, int x, int y, int cx, int cy, DWORD rop, const Surface* src,
              int sx, int sy);
  void SetDIBits(const Dc* dc, int xDest, int yDest, int cx, int cy, int xSrc, int ySrc,
                 UINT startScan, UINT lines, const BITMAPINFO* info, DWORD infoSize,
                 const void* bits, DWORD bitsSize, UINT usage);
  void Text(const Dc* dc, int x, int y, const char* text, int length, const RECT& box);
  // Finishes the file and the metafile object; null when the file cannot
  // be written (a partial file is removed). The file is written through
  // the platform's file calls, so that its writes can be failed in tests.
  std::unique_ptr<MetaFile> Close();

 private:
  void Begin(DWORD type, DWORD size);
  void Put(const void* data, size_t size);
  template <class T>
  void Put(const T& v) {
    Put(&v, sizeof v);
  }
  void Pad();
  // Takes a drawn box (device coordinates, edges included) into the
  // bounds, as far as the context's clip lets it be drawn.
  void Bound(const Dc* dc, int64_t l, int64_t t, int64_t r, int64_t b);
  DWORD IndexOf(const GdiObject* object) const;
  DWORD NewIndex();

  std::vector<uint8_t> buf_;
  size_t recordStart_ = 0;
  DWORD records_ = 1;
  DeviceCaps ref_;
  bool hasFrame_ = false;
  RECT frame_{};
  bool empty_ = true;
  RECT bounds_{0, 0, -1, -1};
  std::map<const GdiObject*, DWORD> index_;
  std::vector<bool> used_{true};
  HANDLE file_ = nullptr;  // the file being written (platform/file.h)
  std::string fileName_;
};

}  // namespace plat::gdi
