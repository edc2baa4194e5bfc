// Pictures a caller holds: the document painted into an enhanced metafile
// file, into bitmaps of 16, 24 and 32 bits per pixel, and into 256-colour
// images with a colour table built from what the document shows.
//
// Bitmaps of any size are painted in bands no larger than the paint
// context's memory image, so that no second full-size 32-bit picture is
// made: with the memory-image visual types the memory image itself is
// pointed at the band for the call.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

#include "common/heldfiles.h"
#include "common/messages.h"
#include "devices/devdraw.h"
#include "document/mapaccess.h"
#include "document/mtlchains.h"
#include "document/rmfchains.h"
#include "drawing/paintcontext.h"

namespace {

// A colour 0x00BBGGRR as a colour-table entry.
RGBQUAD Entry(COLORREF c) {
  return RGBQUAD{BYTE(c >> 16), BYTE(c >> 8), BYTE(c), 0};
}

// Fills a table entry by entry; `free` counts the entries still open.
struct TTableFill {
  RGBQUAD* Table;
  int Next = 0;
  int Free = 256;

  void Add(COLORREF c) {
    if (Next >= 256) return;
    Table[Next++] = Entry(c);
    --Free;
  }
  void Add(const COLORREF* colours, int n) {
    for (int i = 0; i < n; ++i) Add(colours[i]);
  }
};

// Pixels of the picture (0x00RRGGBB) matched to a 256-entry table: the
// first equal entry, else the first of the nearest (squared distance), as
// a scan of the whole table gives it. Two things make it fast: the index
// found for a colour is kept in a cache, and a colour is compared only
// with the entries that can be nearest to any colour of its cell of the
// colour cube (8 x 8 x 8 cells). Every entry at the least distance from a
// colour is among those of its cell, kept in table order, so the first of
// them is found.
class TColorMatch {
 public:
  explicit TColorMatch(const RGBQUAD* table)
      : tags_(new DWORD[kSlots]), indexes_(new BYTE[kSlots]) {
    for (int i = 0; i < 256; ++i) {
      red_[i] = table[i].rgbRed;
      green_[i] = table[i].rgbGreen;
      blue_[i] = table[i].rgbBlue;
    }
    std::fill(tags_.get(), tags_.get() + kSlots, 0xFFFFFFFFu);
    BuildCells();
  }

  BYTE Index(DWORD pixel) {
    const DWORD c = pixel & 0xFFFFFF;
    const DWORD slot = (c * 2654435761u) >> (32 - kBits);
    if (tags_[slot] != c) {
      tags_[slot] = c;
      indexes_[slot] = Scan(c);
    }
    return indexes_[slot];
  }

  BYTE Scan(DWORD pixel) const {
    const int r = int(pixel >> 16 & 0xFF), g = int(pixel >> 8 & 0xFF), b = int(pixel & 0xFF);
    const TCell& cell = cells_[(r >> 5) << 6 | (g >> 5) << 3 | (b >> 5)];
    int best = 0;
    LONG distance = 8388607;
    for (int k = cell.First; k < cell.First + cell.Count; ++k) {
      const int i = candidates_[k];
      const LONG dr = red_[i] - r, dg = green_[i] - g, db = blue_[i] - b;
      const LONG d = dr * dr + dg * dg + db * db;
      if (d < distance) {
        distance = d;
        best = i;
        if (d == 0) break;
      }
    }
    return BYTE(best);
  }

 private:
  static constexpr int kBits = 16;
  static constexpr int kSlots = 1 << kBits;
  struct TCell {
    int First;
    int Count;
  };

  // Squared distances along one axis from a value to the cell's side
  // lo..hi: the least and the greatest.
  static LONG Least(int v, int lo, int hi) {
    const int d = v < lo ? lo - v : v > hi ? v - hi : 0;
    return LONG(d) * d;
  }
  static LONG Greatest(int v, int lo, int hi) {
    const int d = std::max(std::abs(v - lo), std::abs(v - hi));
    return LONG(d) * d;
  }

  // For each cell, the entries whose least distance to it is at most the
  // least over all entries of their greatest distance to it.
  void BuildCells() {
    candidates_.reserve(4096);
    for (int cell = 0; cell < 512; ++cell) {
      const int r = (cell >> 6) * 32, g = (cell >> 3 & 7) * 32, b = (cell & 7) * 32;
      LONG bound = 8388607;
      for (int i = 0; i < 256; ++i)
        bound = std::min(bound, Greatest(red_[i], r, r + 31) + Greatest(green_[i], g, g + 31) +
                                    Greatest(blue_[i], b, b + 31));
      cells_[cell].First = int(candidates_.size());
      for (int i = 0; i < 256; ++i)
        if (Least(red_[i], r, r + 31) + Least(green_[i], g, g + 31) + Least(blue_[i], b, b + 31) <=
            bound)
          candidates_.push_back(BYTE(i));
      cells_[cell].Count = int(candidates_.size()) - cells_[cell].First;
    }
  }

  int red_[256], green_[256], blue_[256];
  TCell cells_[512];
  std::vector<BYTE> candidates_;
  std::unique_ptr<DWORD[]> tags_;
  std::unique_ptr<BYTE[]> indexes_;
};

// Where the bands go: the caller's top picture row, the bytes from a row to
// the one below it (negative for a bottom-up bitmap), the bytes of a row
// and the pixel format (8: table indexes through the matcher).
struct TBandTarget {
  BYTE* Top;
  intptr_t Step;
  int64_t RowBytes;
  int Bits;
  TColorMatch* Match;
};

// One row of the work image (0x00RRGGBB pixels) into the caller's row.
void CopyRow(const DWORD* source, BYTE* target, int64_t width, const TBandTarget& out) {
  switch (out.Bits) {
    case 32:
      std::memcpy(target, source, size_t(width) * 4);
      break;
    case 24:
      for (int64_t x = 0; x < width; ++x, target += 3) {
        const DWORD p = source[x];
        target[0] = BYTE(p);
        target[1] = BYTE(p >> 8);
        target[2] = BYTE(p >> 16);
      }
      break;
    case 16:
      for (int64_t x = 0; x < width; ++x) {
        const DWORD p = source[x];
        const WORD w = WORD((p & 0xFF) >> 3 | ((p >> 8 & 0xFF) >> 3) << 5 | ((p >> 16 & 0xFF) >> 3) << 10);
        std::memcpy(target + 2 * x, &w, 2);
      }
      break;
    default:
      std::memset(target, 0, size_t(out.RowBytes));
      for (int64_t x = 0; x < width; ++x) target[x] = out.Match->Index(source[x]);
      break;
  }
}

// The rows of a band for an image of `stride` work bytes a row: as many as
// the memory image's bytes hold, 8 when that is fewer than 4, at most the
// image's height.
LONG BandRows(int64_t stride, LONG imageHeight) {
  const int64_t surface = int64_t(PaintContext.Stride) * PaintContext.PictureHeight;
  int64_t rows = stride > 0 ? surface / stride : 0;
  if (rows < 4) rows = 8;
  return LONG(std::min<int64_t>(rows, imageHeight));
}

// The memory image pointed at a band of the caller's picture for the call:
// its rows, sizes and context, and its mask planes rebuilt for them.
struct TSurfaceSave {
  HDC MemoryDc;
  BYTE* Bits;
  BYTE* PictureTop;
  BYTE* SectionTop;
  LONG Stride;
  LONG PictureHeight;

  TSurfaceSave()
      : MemoryDc(PaintContext.MemoryDc), Bits(PaintContext.Bits),
        PictureTop(PaintContext.PictureTop), SectionTop(PaintContext.SectionTop),
        Stride(PaintContext.Stride), PictureHeight(PaintContext.PictureHeight) {}
  void Restore() const {
    PaintContext.MemoryDc = MemoryDc;
    PaintContext.Bits = Bits;
    PaintContext.PictureTop = PictureTop;
    PaintContext.SectionTop = SectionTop;
    PaintContext.Stride = Stride;
    PaintContext.PictureHeight = PictureHeight;
    SetPaintMemoryDc(MemoryDc, PaintContext.TopMargin);
    AllocBitsImage();
  }
};

// The picture rectangle in bands into the caller's image of width x
// height pixels: 1, or 0 for an empty rectangle or when the band cannot
// be made.
int PaintBands(TMapAccess* doc, const RECT& rect, LONG width, LONG height,
               const TBandTarget& out) {
  const int64_t w = std::min<int64_t>(int64_t(rect.right) - rect.left, width);
  const int64_t h = std::min<int64_t>(int64_t(rect.bottom) - rect.top, height);
  if (w < 1 || h < 1) return 0;
  // The band's rows are as wide as the memory image's always are: whole
  // multiples of 32 pixels, so that a row of the mask planes is whole
  // 32-bit words and an area rounded out to them stays within the row.
  const int64_t stride = (int64_t(width) + 31) / 32 * 128;
  if (GetPaintDc() == nullptr || stride > INT32_MAX) return 0;
  const LONG rows = BandRows(stride, height);
  const bool direct = doc->VisualType < 3;
  const LONG margin = direct ? PaintContext.TopMargin : 0;
  if (stride * (rows + margin) > INT32_MAX) return 0;

  HDC dc = plat::CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, "HDC-DIB");
    return 0;
  }
  const TSurfaceSave saved;
  if (direct) {
    PaintContext.Stride = LONG(stride);
    PaintContext.PictureHeight = rows;
    if (!AllocBitsImage()) {
      saved.Restore();
      plat::DeleteDC(dc);
      return 0;
    }
  }
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), LONG(stride / 4), rows + margin, 1,
                                    32, BI_RGB, DWORD(stride * (rows + margin)), 0, 0, 0, 0};
  void* section = nullptr;
  HBITMAP bitmap = plat::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &section, nullptr, 0);
  int result = 1;
  HGDIOBJ old = nullptr;
  if (bitmap == nullptr || section == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, "Paint to DIB-TRUE");
    result = 0;
  } else {
    old = plat::SelectObject(dc, bitmap);
    BYTE* const bits = static_cast<BYTE*>(section);
    BYTE* const bandTop = bits + int64_t(rows - 1) * stride;
    if (direct) {
      PaintContext.MemoryDc = dc;
      PaintContext.Bits = bits;
      PaintContext.PictureTop = bandTop;
      PaintContext.SectionTop = bits + int64_t(rows + margin - 1) * stride;
      SetPaintMemoryDc(dc, margin);
    }
    for (int64_t done = 0; done < h; done += rows) {
      const int64_t n = std::min<int64_t>(rows, h - done);
      const RECT band{rect.left, LONG(rect.top + done), LONG(rect.left + w),
                      LONG(rect.top + done + n)};
      doc->TMapPaint::Paint(direct ? nullptr : dc, 1, band);
      plat::GdiFlush();
      for (int64_t r = 0; r < n; ++r)
        CopyRow(reinterpret_cast<const DWORD*>(bandTop - r * stride),
                out.Top + (done + r) * out.Step, w, out);
    }
  }
  if (old != nullptr) plat::SelectObject(dc, old);
  if (bitmap != nullptr) plat::DeleteObject(bitmap);
  plat::DeleteDC(dc);
  plat::GdiFlush();
  if (direct) saved.Restore();
  return result;
}

// Row bytes of a bitmap of `bits` per pixel; 0 when the header's image size
// is smaller than its rows need.
int64_t BitmapRowBytes(const BITMAPINFOHEADER* info, int bits) {
  if (info->biWidth < 1 || info->biHeight < 1) return 0;
  const int64_t need = (int64_t(bits) * info->biWidth + 31) / 32 * 4;
  // An uncompressed bitmap may leave its size 0: its rows are then as
  // long as its pixels take, padded to 4 bytes.
  if (info->biSizeImage == 0) return need;
  if (need * info->biHeight > int64_t(info->biSizeImage)) return 0;
  return int64_t(info->biSizeImage) / info->biHeight;
}

// The caller's bottom-up bitmap as a band target: its top row is its last
// in memory.
TBandTarget BitmapTarget(const BITMAPINFOHEADER* info, char* bits, int64_t rowBytes, int format,
                         TColorMatch* match) {
  BYTE* top = reinterpret_cast<BYTE*>(bits) + (int64_t(info->biHeight) - 1) * rowBytes;
  return TBandTarget{top, -intptr_t(rowBytes), rowBytes, format, match};
}

}  // namespace

// ---------------------------------------------------------------------------
// Metafiles

int TMapAccess::PaintToEmf(const char* name, const METAFILEBUILDPARM* parm) {
  if (name == nullptr || parm == nullptr) return 0;
  METAFILEBUILDPARMEX ex{};
  const double halfHeight = double(parm->Scale) * parm->Height * 0.0005;
  const double halfWidth = double(parm->Scale) * parm->Width * 0.0005;
  ex.X1 = parm->CenterX - halfHeight;
  ex.X2 = parm->CenterX + halfHeight;
  ex.Y1 = parm->CenterY - halfWidth;
  ex.Y2 = parm->CenterY + halfWidth;
  ex.Scale = parm->Scale;
  ex.VisualType = static_cast<signed char>(parm->VisualType);
  ex.Intensity = 50;
  return PaintToEmfEx(name, &ex);
}

int TMapAccess::PaintToEmfEx(const char* name, const METAFILEBUILDPARMEX* parm) {
  if (name == nullptr || parm == nullptr) return 0;
  // A frame whose corner is no number or lies at infinity has no place in
  // the picture: nothing is written.
  for (const double v : {parm->X1, parm->Y1, parm->X2, parm->Y2})
    if (!std::isfinite(v)) return 0;
  // A picture never replaces a file an open document holds.
  if (heldIsFile(name)) return 0;
  HDC meta = plat::CreateEnhMetaFileA(nullptr, name, nullptr, "");
  if (meta == nullptr) return 0;

  // The picture at the record's scale on the metafile's resolution.
  const double zoom = DrawScale;
  const double dpi = plat::GetDeviceCaps(meta, LOGPIXELSY);
  const double screenDpi = GetScreenPixelsPerMeterV() * 0.01 * 2.54;
  const LONG scale = parm->Scale < 1 ? 1 : parm->Scale;
  if (screenDpi > 0 && dpi > 0)
    TMapControl::ChangeViewScale(dpi / screenDpi * double(ShowScale) / scale);

  double x1 = parm->X1, y1 = parm->Y1, x2 = parm->X2, y2 = parm->Y2;
  PlaneToPicture(x1, y1);
  PlaneToPicture(x2, y2);
  auto whole = [](double v) { return LONG(std::clamp(v, double(INT32_MIN / 2), double(INT32_MAX / 2))); };
  const RECT rect{whole(std::floor(x1)), whole(std::floor(y2)), whole(std::ceil(x2)),
                  whole(std::ceil(y1))};
  const LONG w = rect.right - rect.left, h = rect.bottom - rect.top;

  const int type = parm->VisualType;
  const int oldType = SetVisualType(type);
  HPEN pen = plat::CreatePen(PS_SOLID, 1, 0);
  auto lines = [&](const POINT* points, int count) {
    HGDIOBJ oldPen = plat::SelectObject(meta, pen);
    plat::Polyline(meta, points, count);
    plat::SelectObject(meta, oldPen);
  };
  if (!parm->Frame && type >= 3) {
    // The picture's extent, so that the metafile's bounds hold all of it.
    const POINT first[2] = {{0, 0}, {1, 0}};
    const POINT last[2] = {{w, h}, {w - 1, h}};
    lines(first, 2);
    lines(last, 2);
  }
  // Black and white, or the record's intensity for visual type 3; the
  // other types fill as the document does (an intensity of 0 would fill
  // every area white).
  const LONG intensity = FillIntensity, savedIntensity = SavedFillIntensity;
  if (parm->Monochrome)
    SetFillIntensity(-2);
  else if (type == 3)
    SetFillIntensity(parm->Intensity);
  // The painters draw whole the objects that reach into the picture: the
  // metafile keeps only what lies inside it.
  HRGN clip = type < 3 ? plat::CreateRectRgnIndirect(&rect) : plat::CreateRectRgn(0, 0, w, h);
  plat::SelectClipRgn(meta, clip);
  if (type < 3)
    Paint(meta, 1, rect);
  else
    PaintDevice(meta, 1, rect, nullptr, parm->KeepState, nullptr);
  plat::SelectClipRgn(meta, nullptr);
  if (clip != nullptr) plat::DeleteObject(clip);
  FillIntensity = intensity;
  SavedFillIntensity = savedIntensity;
  if (parm->Frame) {
    if (type >= 3) {
      const POINT frame[5] = {{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}};
      lines(frame, 5);
    } else {
      const LONG l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
      const POINT frame[5] = {{l, t}, {r, t}, {r, b}, {l, b}, {l, t}};
      lines(frame, 5);
    }
  }
  plat::DeleteObject(pen);
  SetVisualType(oldType);
  TMapControl::SetViewScale(zoom);

  HENHMETAFILE file = plat::CloseEnhMetaFile(meta);
  if (file == nullptr) return 0;
  plat::DeleteEnhMetaFile(file);
  return 1;
}

// ---------------------------------------------------------------------------
// Bitmaps

int TMapAccess::PaintToDib(BITMAPINFOHEADER* info, char* bits, const RECT& rect) {
  if (info == nullptr || bits == nullptr) return 0;
  const int format = info->biBitCount;
  if (format == 8) return PaintToDib256(info, bits, rect);
  if (format != 16 && format != 24 && format != 32) return 0;
  const int64_t rowBytes = BitmapRowBytes(info, format);
  if (rowBytes == 0) return 0;
  return PaintBands(this, rect, info->biWidth, info->biHeight,
                    BitmapTarget(info, bits, rowBytes, format, nullptr));
}

int TMapAccess::PaintToDib256(BITMAPINFOHEADER* info, char* bits, const RECT& rect) {
  if (info == nullptr || bits == nullptr) return 0;
  const int64_t rowBytes = BitmapRowBytes(info, 8);
  if (rowBytes == 0) return 0;
  RGBQUAD* table = reinterpret_cast<RGBQUAD*>(info + 1);
  BuildPalette256(table);
  TColorMatch match(table);
  return PaintBands(this, rect, info->biWidth, info->biHeight,
                    BitmapTarget(info, bits, rowBytes, 8, &match));
}

int TMapAccess::PaintToImage256(RGBQUAD* palette, char* bits, LONG width, LONG height,
                                const RECT& rect) {
  if (palette == nullptr || bits == nullptr || width < 1 || height < 1) return 0;
  BuildPalette256(palette);
  TColorMatch match(palette);
  return PaintBands(this, rect, width, height,
                    TBandTarget{reinterpret_cast<BYTE*>(bits), intptr_t(width), width, 8, &match});
}

// ---------------------------------------------------------------------------
// The 256-colour table

void TMapAccess::BuildPalette256(RGBQUAD* palette) {
  if (palette == nullptr) return;
  TTableFill table{palette};

  bool vector = TMap::IsActive() && Count() > 0 && ViewFlag > 0;
  for (int n = 1; n <= GetSiteCount() && !vector; ++n) vector = MapVisible(n, -1) > 0;
  CHAININFO* const elevations = DocChain(this, DOCKIND_MTR);
  CHAININFO* const rasters = DocChain(this, DOCKIND_RST);
  bool matrices = false;
  for (int n = 1; n <= elevations->Count && !matrices; ++n)
    matrices = CheckChainView(elevations, n) > 0;
  for (int n = 1; n <= MtlChain(this)->Count && !matrices; ++n)
    matrices = CheckMtlView(n) > 0;
  bool shownRasters = false;
  for (int n = 1; n <= rasters->Count && !shownRasters; ++n)
    shownRasters = CheckChainView(rasters, n) > 0;

  if (vector) {
    table.Add(VisualType < 3 ? MapPalette.BackGround : COLORREF(0xFFFFFF));
    const int count = TMap::IsActive() ? Colors.GetCount() : 0;
    const int k = count < 256 ? std::min(count, 255) : 255;
    if (VisualType < 3) {
      table.Add(Colors.Colors(), k);
    } else {
      // The colours as the device painters give them: lines, then fills.
      TakeMapColors(this, nullptr, -1);
      table.Add(LineColors, k);
      table.Add(FillColors, std::min(255 - k, k));
    }
  }
  if (matrices && table.Free > 0)
    table.Add(MtrPalette.Colors(), std::min(table.Free, MtrPalette.GetPaletteCount()));
  if (shownRasters && table.Free > 0 && !vector && !matrices) {
    if (rasters->Count == 1 && GetChainUnit(rasters, 1)->File->Head.BitsPerElement <= 8) {
      const int count = GetRstColorCount(1);
      if (count >= 1 && count <= 256)
        table.Add(GetChainUnit(rasters, 1)->Colors.Colors(), std::min(count, table.Free));
    }
    // Grey rasters only: a grey ramp fills the table.
    bool grey = rasters->Count > 0;
    for (int n = 1; n <= rasters->Count && grey; ++n) {
      const int count = GetRstColorCount(n);
      const COLORREF* colours = GetChainUnit(rasters, n)->Colors.Colors();
      grey = count >= 1 && count <= 256;
      for (int i = 0; i < count && grey; ++i)
        grey = (colours[i] & 0xFF) == (colours[i] >> 8 & 0xFF) &&
               (colours[i] & 0xFF) == (colours[i] >> 16 & 0xFF);
    }
    if (grey)
      for (int i = 0; table.Free > 0; ++i) table.Add(COLORREF(i) * 0x010101);
  }
  if (table.Free > 0) {
    // A colour cube, blue the slowest: its side is the whole cube root of
    // what is free, computed as a power (216 gives 5).
    const int side = int(std::pow(double(table.Free), 0.3333333333333333));
    const double step = 256.0 / side;
    for (int b = 0; b < side; ++b)
      for (int g = 0; g < side; ++g)
        for (int r = 0; r < side; ++r)
          table.Add(COLORREF(int(step * r)) | COLORREF(int(step * g)) << 8 |
                    COLORREF(int(step * b)) << 16);
  }
  if (table.Free > 0) {
    const int greys = table.Free, step = 256 / greys;
    for (int i = 0; i < greys; ++i) table.Add(COLORREF(step * i) * 0x010101);
  }
}
