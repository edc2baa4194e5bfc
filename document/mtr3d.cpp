// TMtr3D: the 3-D view of a document's elevation and layer matrices.
#include "document/mtr3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numbers>
#include <utility>

#include "common/liveset.h"
#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/mtlchains.h"
#include "document/rmfchains.h"
#include "drawing/dibpainters.h"
#include "drawing/paintcontext.h"
#include "platform/memory.h"
#include "raster/rmfshow.h"

namespace {

// Palette entries of the picture.
enum : int { kDarkWater = 252, kWater = 253, kSky = 254, kBlack = 255 };

// The map's background while it is draped: the plan ground in COLORREF.
constexpr COLORREF kDrapeBackground = 0x70D0A0;

// Plan pixels (x, r) whose element coordinates lie inside rows x cols:
// fn(x, r, row, col). The plan is walked in tiles, so that the blocks of
// the matrix under a tile stay in the file's block cache while the tile is
// done.
template <class Fn>
void ForEachPlanElement(const VIEW3DPLACE& p, LONG width, LONG height, LONG rows, LONG cols,
                        Fn fn) {
  constexpr LONG kTile = 64;
  for (LONG top = 0; top < height; top += kTile)
    for (LONG left = 0; left < width; left += kTile) {
      const LONG bottom = std::min(top + kTile, height), right = std::min(left + kTile, width);
      for (LONG r = top; r < bottom; ++r) {
        double row = p.Row0 + p.RowR * r + p.RowX * left, col = p.Col0 + p.ColR * r + p.ColX * left;
        for (LONG x = left; x < right; ++x, row += p.RowX, col += p.ColX)
          if (row >= 0.0 && col >= 0.0 && row < rows && col < cols) fn(x, r, row, col);
      }
    }
}

// A raster's colour at an element as a colour-plan word: false when the
// raster shows nothing there.
bool RasterWord(RMFCHAIN* unit, LONG row, LONG col, DWORD* word) {
  TRmf& file = *unit->File;
  LONG v;
  if (!file.GetPoint(v, row, col)) return false;
  const bool negative = file.Head.Negative != 0;
  DWORD w;
  switch (file.Head.BitsPerElement) {
    case 1:
      if (v != (negative ? 1 : 0)) return false;
      *word = SwapRedBlue(unit->Colors.Colors()[0]) & 0xFFFFFF;
      return true;
    case 4:
    case 8:
      if (!unit->ColorView[v & 255]) return false;
      *word = SwapRedBlue(unit->Colors.Colors()[v & 255]) & 0xFFFFFF;
      return true;
    case 16:
      w = ((v & 31) * 8) | ((v & 0x3E0) * 64) | ((v & 0x7C00) << 9);
      break;
    case 24:
    case 32:
      w = SwapRedBlue(DWORD(v)) & 0xFFFFFF;
      break;
    default:
      return false;
  }
  *word = negative ? ~w & 0xFFFFFF : w;
  return true;
}

}  // namespace

TMtr3D::TMtr3D(TMapAccess* doc, LONG width, LONG height) : Document(doc) {
  InitShadowTables();
  SetDrawSize(width, height);
}

TMtr3D::~TMtr3D() {
  Release();
  if (LogPalette != nullptr) plat::DeleteObject(LogPalette);
}

int TMtr3D::Fail(const char* name) {
  Release();
  Error = MAPERR_MEMORY;
  ShowErrorMessage(MAPERR_MEMORY, name);
  return 0;
}

void TMtr3D::Release() {
  DeleteBitmap();
  if (Levels != nullptr) plat::FreePages(Levels);
  Levels = nullptr;
  Walk = nullptr;
  Width = Height = 0;
  PlanValid = 0;
}

// ---------------------------------------------------------------------------
// Size and bitmaps

int TMtr3D::SetDrawSize(LONG width, LONG height) {
  const int64_t w = View3DPictureWidth(width);
  if (width < 1 || height < 1) {
    Release();
    HalfWidth = HalfHeight = 0;
    return 0;
  }
  if (w == Width && height == Height && Levels != nullptr) return 0;
  Release();
  if (!View3DPictureFits(w, height)) {
    HalfWidth = HalfHeight = 0;
    return Fail("DIB-SECTION");
  }
  Width = LONG(w);
  Height = height;
  HalfWidth = width / 2;
  HalfHeight = height / 2;
  if (!CreateBitmap()) return 0;
  // The level plan, and behind it the walk state of every column.
  const SIZE_T plan = (SIZE_T(Width) * SIZE_T(Height) * sizeof(WORD) + 7) & ~SIZE_T(7);
  BYTE* block = static_cast<BYTE*>(plat::AllocPages(plan + SIZE_T(Width) * sizeof(VIEW3DCOLUMN)));
  Levels = reinterpret_cast<WORD*>(block);
  Walk = reinterpret_cast<VIEW3DCOLUMN*>(block + plan);
  if (Levels == nullptr) {
    Release();
    Error = MAPERR_MEMORY;
    return 0;
  }
  return 1;
}

int TMtr3D::CreateBitmap() {
  if (Width < 1 || Height < 1) {
    DeleteBitmap();
    return 0;
  }
  VIEW3DSECTION* const planes[3] = {&Marks, &Colors, &Picture};
  const char* failed = MakeView3DBitmaps(Bitmaps, planes, 3, Width, Height, true);
  return failed ? Fail(failed) : 1;
}

void TMtr3D::DeleteBitmap() {
  VIEW3DSECTION* const planes[3] = {&Marks, &Colors, &Picture};
  FreeView3DBitmaps(Bitmaps, planes, 3);
}

// ---------------------------------------------------------------------------
// Palette

void TMtr3D::SetPaletteMtr(int style) {
  COLORREF colors[32];
  const int n = Document != nullptr ? View3DMatrixColors(Document, style, colors) : 0;
  std::fill(std::begin(Palette), std::end(Palette), 0u);
  for (int i = 0; i < n; ++i) Palette[i] = SwapRedBlue(colors[i]) & 0xFFFFFF;
  Palette[kDarkWater] = 0x000080;
  Palette[kWater] = 0x0000FF;
  Palette[kSky] = VIEW3D_SKY;
  Palette[kBlack] = 0;
  SetupPalette();
}

void TMtr3D::SetupPalette() {
  VIEW3DPALETTE logical{};
  logical.Version = 0x300;
  logical.Count = 256;
  for (int i = 0; i < 256; ++i) {
    const DWORD w = Palette[i];
    logical.Entries[i] = PALETTEENTRY{BYTE(w >> 16), BYTE(w >> 8), BYTE(w), 0};
  }
  if (LogPalette != nullptr) plat::DeleteObject(LogPalette);
  LogPalette = plat::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&logical));
}

void TMtr3D::SetPaletteDib() {
  if (Bitmaps.Headers != nullptr) std::memcpy(Bitmaps.Headers[0].Colors, Palette, sizeof(Palette));
}

// ---------------------------------------------------------------------------
// Building and painting

HBITMAP TMtr3D::BuildMtr3D(MTR3DVIEWEX* view) {
  if (view == nullptr || LiveView3DDocument(Document) == nullptr) return nullptr;
  const int resized = SetDrawSize(view->Width, view->Height);
  if (Levels == nullptr) return nullptr;
  const bool rebuild = resized || !PlanValid ||
                       std::memcmp(&view->ViewX, &View.ViewX, 2 * sizeof(double)) != 0 ||
                       view->Scale != View.Scale || view->Azimuth != View.Azimuth ||
                       view->ColorByHeight != View.ColorByHeight ||
                       view->DrapeMap != View.DrapeMap || view->DrapeRasters != View.DrapeRasters;
  View = *view;
  SetPaletteMtr(View.PaletteStyle);
  SetPaletteDib();
  ShowGrid();
  if (rebuild) ShowMatrix();
  if (View.Shadow) PutShadow();
  ShowMtr3D();
  return Picture.Bitmap;
}

MTR3DVIEWEX TMtr3D::ConvertView(const MTR3DVIEW& old, LONG width, LONG height) {
  MTR3DVIEWEX v{};
  v.ViewX = old.ViewX;
  v.ViewY = old.ViewY;
  v.Scale = old.Scale;
  v.HeightScale = old.HeightScale;
  v.GridStep = old.GridStep;
  v.PaletteStyle = int8_t(old.PaletteStyle);
  v.ShowGrid = old.ShowGrid;
  v.ColorByHeight = 1;
  v.Width = width;
  v.Height = height;
  const double dx = old.ObserverX - old.ViewX, dy = old.ObserverY - old.ViewY;
  const double h = old.ObserverHeight;
  // The plan's top is the far side: the line of sight from the observer
  // turned into the plan's sense of the azimuth, which turns the map
  // clockwise (an observer to the east looks west at azimuth 90).
  if (std::fabs(dx) + std::fabs(dy) >= 1.0 && std::isfinite(dx) && std::isfinite(dy))
    v.Azimuth = int16_t((std::numbers::pi - std::atan2(dy, dx)) * 180.0 / std::numbers::pi);
  const double d2 = dx * dx + dy * dy + h * h;
  if (d2 > 0.001 && std::isfinite(d2))
    v.Elevation = int16_t(std::asin(h / std::sqrt(d2)) * 180.0 / std::numbers::pi);
  return v;
}

HBITMAP TMtr3D::BuildMtr3Dold(MTR3DVIEW* view) {
  if (view == nullptr) return nullptr;
  MTR3DVIEWEX ex = ConvertView(*view, Width, Height);
  return BuildMtr3D(&ex);
}

void TMtr3D::Paint(HDC dc, MTR3DVIEW* view) {
  if (dc != nullptr && BuildMtr3Dold(view) != nullptr) PaintDevice(dc);
}

void TMtr3D::PaintEx(HDC dc, MTR3DVIEWEX* view) {
  if (dc != nullptr && BuildMtr3D(view) != nullptr) PaintDevice(dc);
}

void TMtr3D::PaintAngle(HDC dc, MTR3DVIEWEX* view) {
  if (dc == nullptr || view == nullptr || Levels == nullptr || Picture.Bits == nullptr ||
      LiveView3DDocument(Document) == nullptr)
    return;
  View = *view;
  ShowMtr3D();
  PaintDevice(dc);
}

void TMtr3D::PaintDevice(HDC dc) {
  if (dc == nullptr || Picture.Bits == nullptr || Bitmaps.Headers == nullptr) return;
  HPALETTE previous = nullptr;
  if (LogPalette != nullptr) {
    previous = plat::SelectPalette(dc, LogPalette, FALSE);
    plat::RealizePalette(dc);
  }
  plat::SetDIBitsToDevice(dc, 0, 0, DWORD(Width), DWORD(Height), 0, 0, 0, UINT(Height), Picture.Bits,
                          reinterpret_cast<const BITMAPINFO*>(&Bitmaps.Headers[2]), DIB_RGB_COLORS);
  if (previous != nullptr) {
    plat::SelectPalette(dc, previous, TRUE);
    plat::RealizePalette(dc);
  }
}

// ---------------------------------------------------------------------------
// The stages

void TMtr3D::ShowGrid() {
  MakeView3DGrid(Marks, Width, Height, HalfWidth, HalfHeight, View.GridStep, View.Azimuth);
}

bool TMtr3D::DrapeMap(View3DDocument& state) {
  TMapAccess& doc = *Document;
  // Only the map: every raster and matrix hidden for the painting.
  MTLCHAININFO* layers = MtlChain(&doc);
  CHAININFO* chains[2] = {DocChain(&doc, DOCKIND_MTR), DocChain(&doc, DOCKIND_RST)};
  auto views = [&](auto fn) {
    for (MTLCHAIN* u = layers ? layers->First : nullptr; u; u = u->Next) fn(u->View);
    for (CHAININFO* c : chains)
      for (RMFCHAIN* u = c ? c->First : nullptr; u; u = u->Next) fn(u->View);
  };
  SIZE_T count = 1;
  views([&](LONG&) { ++count; });
  LONG* flags = static_cast<LONG*>(plat::AllocPages(count * sizeof(LONG)));
  if (flags == nullptr) return false;
  LONG* flag = flags;
  views([&](LONG& view) { *flag++ = std::exchange(view, 0); });

  state.SetBackground(kDrapeBackground);
  state.SetTurn(View3DRadians(View.Azimuth));
  const DOUBLEPOINT centre{View.ViewX, View.ViewY};
  POINT at{0, 0};
  doc.PlaneToPicture(&centre, &at);
  // The map comes through the document's memory image: a plan larger than
  // the image is painted in pieces of the image's size.
  GetPaintDc();
  LONG pieceWidth = PaintContext.BytesPerPixel > 0 ? PaintContext.Stride / PaintContext.BytesPerPixel : 0;
  LONG pieceHeight = PaintContext.PictureHeight;
  if (pieceWidth < 1 || pieceHeight < 1) pieceWidth = Width, pieceHeight = Height;
  for (LONG top = 0; top < Height; top += pieceHeight)
    for (LONG left = 0; left < Width; left += pieceWidth) {
      const LONG x = at.x - HalfWidth + left, y = at.y - HalfHeight + top;
      const RECT rect{x, y, x + std::min(pieceWidth, Width - left), y + std::min(pieceHeight, Height - top)};
      POINT old;
      plat::SetViewportOrgEx(Colors.Dc, left, top, &old);
      doc.Paint95(Colors.Dc, 1, rect);
      plat::SetViewportOrgEx(Colors.Dc, old.x, old.y, nullptr);
    }
  state.EndTurn();

  flag = flags;
  views([&](LONG& view) { view = *flag++; });
  plat::FreePages(flags);
  return true;
}

void TMtr3D::ShowMatrix() {
  if (Levels == nullptr || Colors.Bits == nullptr) return;
  TMapAccess& doc = *Document;
  View3DDocument state(&doc);
  PlanValid = 0;
  std::memset(Levels, 0, size_t(Width) * size_t(Height) * sizeof(WORD));
  for (LONG r = 0; r < Height; ++r) std::fill_n(Colors.Words(r), Width, DWORD(VIEW3D_PLAN_GROUND));
  state.SetScale(View.Scale);
  if (View.DrapeMap && !DrapeMap(state)) return;

  // Levels over the document's height range widened on both sides.
  const double low = doc.HeightMin - 0.001, high = doc.HeightMax + 0.001;
  const double k = VIEW3D_TOP_LEVEL / std::max(high - low, 0.001);
  const bool byHeight = View.ColorByHeight != 0, overMap = View.DrapeMap != 0;
  auto take = [&](const VIEW3DPLACE& place, const RMF& head, double least, double most, auto height) {
    ForEachPlanElement(place, Width, Height, head.Height, head.Width, [&](LONG x, LONG r, double row, double col) {
      WORD& level = Levels[size_t(r) * Width + x];
      double z;
      if (level != 0 || !height(z, row, col) || !(z >= least && z <= most)) return;
      level = View3DLevel(z, low, k);
      if (!byHeight) return;
      DWORD& c = Colors.Words(r)[x];
      if (!overMap || c == VIEW3D_PLAN_GROUND) c = Palette[View3DColorIndex(level)];
    });
  };
  double divisor = 0.0;
  CHAININFO* matrices = DocChain(&doc, DOCKIND_MTR);
  for (RMFCHAIN* u = matrices ? matrices->First : nullptr; u; u = u->Next) {
    if (!u->Matrix() || !u->File->IsOpen() || !(u->PictureFactor > 0.0)) continue;
    if (divisor == 0.0) divisor = u->File->HeightFactor;
    const VIEW3DPLACE place = PlaceView3DPlan(&doc, View, HalfWidth, HalfHeight, u->PictureFactor,
                                              u->Frame, u->File->Head.Height);
    TRmf& file = *u->File;
    take(place, file.Head, u->Minimum, u->Maximum,
         [&file](double& z, double row, double col) { return file.GetHeightTriangle(z, row, col) != 0; });
  }
  MTLCHAININFO* layers = MtlChain(&doc);
  if (layers && layers->First) divisor = layers->First->Matrix.HeightFactor;
  for (MTLCHAIN* u = layers ? layers->First : nullptr; u; u = u->Next) {
    TMtl& file = u->Matrix;
    if (!file.IsOpen() || !file.HeightBytes() || !(u->PictureFactor > 0.0)) continue;
    const VIEW3DPLACE place =
        PlaceView3DPlan(&doc, View, HalfWidth, HalfHeight, u->PictureFactor, u->Frame, file.Head.Height);
    take(place, file.Head, u->MinHeight, u->MaxHeight,
         [&file](double& z, double row, double col) { return file.GetHeightTriangle(z, row, col) != 0; });
  }
  ShadeFactor = 768.0 * k * std::max<LONG>(doc.MtrShadow, 1) / (divisor >= 1.0 ? divisor : 1.0);
  if (View.DrapeRasters) DrapeRasters();
  PlanValid = 1;
}

void TMtr3D::DrapeRasters() {
  TMapAccess& doc = *Document;
  CHAININFO* rasters = DocChain(&doc, DOCKIND_RST);
  for (RMFCHAIN* u = rasters ? rasters->First : nullptr; u; u = u->Next) {
    if (u->View == 0 || !u->Raster() || !u->File->IsOpen() || !(u->PictureFactor > 0.0)) continue;
    const RMF& head = u->File->Head;
    const VIEW3DPLACE place =
        PlaceView3DPlan(&doc, View, HalfWidth, HalfHeight, u->PictureFactor, u->Frame, head.Height);
    ForEachPlanElement(place, Width, Height, head.Height, head.Width, [&](LONG x, LONG r, double row, double col) {
      DWORD& c = Colors.Words(r)[x];
      DWORD word;
      if (c == VIEW3D_PLAN_GROUND && RasterWord(u, LONG(row), LONG(col), &word)) c = word;
    });
  }
}

void TMtr3D::PutShadow() {
  if (Levels != nullptr && Marks.Bits != nullptr)
    PutView3DShadow(Levels, Marks, Width, Height, ShadeFactor);
}

void TMtr3D::ShowMtr3D() {
  if (Levels == nullptr || Picture.Bits == nullptr || Document == nullptr) return;
  const TMapAccess& doc = *Document;
  // The water level over the document's whole metres.
  const double low = std::trunc(doc.HeightMin), high = std::trunc(doc.HeightMax);
  const double k = high - low < 0.001 ? VIEW3D_TOP_LEVEL / 0.001 : VIEW3D_TOP_LEVEL / (high - low);
  const double w = (std::max(std::trunc(Water), low) - low) * k;
  const int water = w >= 0.0 ? int(std::min(w, double(VIEW3D_TOP_LEVEL))) : 0;

  const double e = View3DRadians(View.Elevation);
  const double rowStep = std::sin(e);
  double levelStep = std::cos(e) * std::max<LONG>(View.HeightScale, 2) / VIEW3D_TOP_LEVEL;
  if (levelStep < 0.001) levelStep = 0.0;
  double rise[VIEW3D_LEVELS];
  DWORD heightWord[VIEW3D_LEVELS];
  for (int i = 0; i < VIEW3D_LEVELS; ++i) {
    rise[i] = i * levelStep;
    heightWord[i] = Palette[View3DColorIndex(i)];
  }
  for (LONG r = 0; r < Height; ++r) std::fill_n(Picture.Words(r), Width, Palette[kSky]);

  const bool shading = View.Shadow != 0, grid = View.ShowGrid != 0;
  const bool heightFill = View.ColorByHeight && !View.DrapeMap && !View.DrapeRasters;
  auto put = [this](int row, LONG x, DWORD c) { Picture.Words(row)[x] = c; };
  // Every column is walked from the nearest plan row to the farthest; the
  // columns go on together, row by row, each with its own state.
  for (LONG x = 0; x < Width; ++x) Walk[x] = VIEW3DCOLUMN{Height, 0, 0, 0};
  for (LONG i = 0; i < Height; ++i) {
    const LONG r = Height - 1 - i;
    const double baseline = Height - (i + 1) * rowStep;
    const int groundRow = View3DRow(baseline);
    const WORD* levels = Levels + size_t(r) * Width;
    const BYTE* marks = Marks.Row(r);
    const DWORD* colours = Colors.Words(r);
    for (LONG x = 0; x < Width; ++x) {
      VIEW3DCOLUMN& column = Walk[x];
      int& horizon = column.Horizon;  // the topmost row drawn in the column
      if (horizon < 0) continue;
      int level = levels[x];
      if (level == 0) {
        if (groundRow <= horizon) --horizon;
        column.Data = 0;
        continue;
      }
      level = std::min(level, VIEW3D_TOP_LEVEL);
      const BYTE mark = marks[x];
      const int shade = mark & VIEW3D_SHADE_MASK;
      const bool onGrid = grid && (mark & VIEW3D_GRID_MARK);
      const int ground = level;
      const bool wet = level < water;
      DWORD colour;
      if (wet) {
        level = water;
        colour = Palette[onGrid ? kDarkWater : kWater];
      } else {
        colour = colours[x];
        if (onGrid) colour = DarkenView3DWord(colour);
      }
      DWORD own = shading && !wet ? ShadeView3DWord(colour, shade) : colour;
      const int row = View3DRow(baseline - rise[level]);
      if (row < horizon) {
        // The rows between the horizon and this pixel's row, from below.
        const int from = std::min(horizon - 1, int(Height) - 1), to = std::max(row + 1, 0);
        if (column.Data) {
          const DWORD plan = wet ? colour : colours[x];
          const double previous = column.Level;
          DWORD c = own;
          for (int y = from; y >= to; --y) {
            c = plan;
            if (heightFill && !wet) {
              const double l = levelStep > 0.0 ? (baseline - y) / levelStep : level;
              c = heightWord[int(std::min(std::max(l, previous), double(level)))];
            }
            if (shading) c = ShadeView3DWord(c, shade);
            put(y, x, c);
          }
          if (from >= to) own = shading ? ShadeView3DWord(c, shade) : c;
        } else {
          // The near edge of the data: black, over submerged ground dark water.
          const int bed = wet ? View3DRow(baseline - rise[ground]) : 0;
          for (int y = from; y >= to; --y) put(y, x, Palette[y >= bed ? kBlack : kDarkWater]);
        }
        if (row >= 0) put(row, x, own);
        horizon = row;
      } else if (row == horizon && onGrid && row >= 0 && row < Height) {
        put(row, x, own);
      }
      column.Data = 1;
      column.Level = WORD(level);
    }
  }
}

// ---------------------------------------------------------------------------
// Views as handles, and the document's entries

TMtr3D* NewMtr3D(TMapAccess* doc, LONG width, LONG height) {
  if (doc == nullptr) return nullptr;
  void* block = plat::AllocPages(sizeof(TMtr3D));
  if (block == nullptr) return nullptr;
  TMtr3D* view = new (block) TMtr3D(doc, width, height);
  if (!liveRegister(LIVE_VIEW3D, view)) {
    view->~TMtr3D();
    plat::FreePages(block);
    return nullptr;
  }
  return view;
}

void FreeMtr3D(TMtr3D* view) {
  if (view == nullptr || !liveUnregister(LIVE_VIEW3D, view)) return;
  view->~TMtr3D();
  plat::FreePages(view);
}

TMtr3D* Mtr3DOf(HMTR3D handle) {
  const void* address = reinterpret_cast<const void*>(handle);
  return liveIsRegistered(LIVE_VIEW3D, address) ? reinterpret_cast<TMtr3D*>(handle) : nullptr;
}

TMtr3D* TMapAccess::OpenMtr3D(LONG width, LONG height) { return NewMtr3D(this, width, height); }

void TMapAccess::CloseMtr3D(TMtr3D* view) { FreeMtr3D(view); }

void TMapAccess::PaintMtr3D(TMtr3D* view, HDC dc, MTR3DVIEW* record) {
  if (view == nullptr || dc == nullptr || record == nullptr) return;
  if (TMtr3D* live = Mtr3DOf(reinterpret_cast<HMTR3D>(view))) live->Paint(dc, record);
}
