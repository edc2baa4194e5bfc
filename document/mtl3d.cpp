// TMtl3D: the 3-D block diagram of a document's layer matrices.
#include "document/mtl3d.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/mtlchains.h"
#include "drawing/dibpainters.h"
#include "platform/memory.h"
#include "raster/rmfshow.h"

namespace {

// Brightness bands of the relief palette, 32 entries each: the colours,
// grid lines, and four more.
constexpr double kBands[6] = {1.0, 0.8, 0.92, 0.74, 0.85, 0.68};
constexpr int kBandSize = 32;
static_assert(kBandSize == 32, "a band holds the 32 colour indexes of the levels");
constexpr int kBlack = 255;

// Label columns lie every 240 pixels (when the view looks down at most 45
// degrees) and hold 100 labels at most.
constexpr LONG kLabelEvery = 240;
constexpr int kLabelElevation = 45;
constexpr int kLabelsPerColumn = 100;

// The height ladder of the labels: a raw step below the limit takes the
// step.
struct Rung {
  double Limit, Step;
};
constexpr Rung kLadder[] = {
    {0.075, 0.05},   {0.15, 0.1},     {0.3, 0.2},       {0.75, 0.5},      {1.5, 1},
    {3, 2},          {7.5, 5},        {15, 10},         {30, 20},         {75, 50},
    {150, 100},      {300, 200},      {750, 500},       {1500, 1000},     {3000, 2000},
    {7500, 5000},    {15000, 10000},  {30000, 20000},   {75000, 50000},   {150000, 100000},
    {300000, 200000}, {750000, 500000},
};
constexpr double kTopStep = 1000000;

DWORD ScaleWord(DWORD w, double f) {
  return (DWORD(BYTE((w >> 16 & 255) * f)) << 16) | (DWORD(BYTE((w >> 8 & 255) * f)) << 8) |
         BYTE((w & 255) * f);
}

}  // namespace

TMtl3D::TMtl3D(TMapAccess* doc) : Document(doc) { InitShadowTables(); }

TMtl3D::~TMtl3D() { Release(); }

void TMtl3D::FreeBuffers() {
  for (void* p : {static_cast<void*>(Levels), static_cast<void*>(Sections), static_cast<void*>(Columns)})
    if (p != nullptr) plat::FreePages(p);
  Levels = nullptr;
  Sections = nullptr;
  Columns = nullptr;
}

void TMtl3D::Release() {
  DeleteBitmap();
  FreeBuffers();
  Width = Height = 0;
  PlanValid = 0;
}

int TMtl3D::Fail(const char* name) {
  Release();
  Error = MAPERR_MEMORY;
  ShowErrorMessage(MAPERR_MEMORY, name);
  return 0;
}

// ---------------------------------------------------------------------------
// Size and bitmaps

int TMtl3D::SetDrawSize(LONG width, LONG height) {
  if (width < 1 || height < 1) {
    Release();
    HalfWidth = HalfHeight = 0;
    return 0;
  }
  const int64_t w = View3DPictureWidth(width);
  const LONG layers = Document != nullptr ? std::max<LONG>(Document->LayerCountMax, 0) : 0;
  const bool sized = w == Width && height == Height && Picture.Bits != nullptr;
  if (sized && layers == LayerMax && Levels && Sections && Columns) return 0;
  if (!sized && !View3DPictureFits(w, height)) {
    HalfWidth = HalfHeight = 0;
    return Fail("DIB-SECTION");
  }
  LayerMax = layers;
  HalfWidth = width / 2;
  HalfHeight = height / 2;
  PlanValid = 0;
  if (!sized) {
    Release();
    Width = LONG(w);
    Height = height;
    if (!CreateBitmap()) return 0;
  }
  FreeBuffers();
  Levels = static_cast<WORD*>(plat::AllocPages(SIZE_T(Width) * SIZE_T(Height) * sizeof(WORD)));
  Sections = static_cast<double*>(plat::AllocPages(SIZE_T(SectionCount()) * SIZE_T(Width) * sizeof(double)));
  Columns = static_cast<COLUMN*>(plat::AllocPages(SIZE_T(Width) * sizeof(COLUMN)));
  if (!Levels || !Sections || !Columns) {
    Release();
    Error = MAPERR_MEMORY;
    return 0;
  }
  return 1;
}

int TMtl3D::CreateBitmap() {
  if (Width < 1 || Height < 1) {
    DeleteBitmap();
    return 0;
  }
  VIEW3DSECTION* const planes[2] = {&Marks, &Picture};
  const char* failed = MakeView3DBitmaps(Bitmaps, planes, 2, Width, Height, false);
  return failed ? Fail(failed) : 1;
}

void TMtl3D::DeleteBitmap() {
  VIEW3DSECTION* const planes[2] = {&Marks, &Picture};
  FreeView3DBitmaps(Bitmaps, planes, 2);
}

void TMtl3D::SetReliefPalette(int style) {
  COLORREF colors[kBandSize];
  const int n = Document != nullptr ? View3DMatrixColors(Document, style, colors) : 0;
  std::fill(std::begin(Palette), std::end(Palette), 0u);
  for (int band = 0; band < 6; ++band)
    for (int i = 0; i < n; ++i)
      Palette[band * kBandSize + i] = ScaleWord(SwapRedBlue(colors[i]) & 0xFFFFFF, kBands[band]);
  Palette[254] = VIEW3D_SKY;
  Palette[kBlack] = 0;
}

// ---------------------------------------------------------------------------
// Building and painting

void TMtl3D::Set3DParm(MTR3DVIEWEX* view) {
  if (view != nullptr) View = *view;
}

HBITMAP TMtl3D::BuildMtl3D(MTR3DVIEWEX* view) {
  if (view == nullptr || LiveView3DDocument(Document) == nullptr) return nullptr;
  const int resized = SetDrawSize(view->Width, view->Height);
  if (!Levels || !Sections || !Columns) return nullptr;
  const bool rebuild = resized || !PlanValid ||
                       std::memcmp(&view->ViewX, &View.ViewX, 2 * sizeof(double)) != 0 ||
                       std::strncmp(view->Name, View.Name, sizeof(View.Name)) != 0 ||
                       view->Scale != View.Scale || view->Azimuth != View.Azimuth ||
                       view->LayerSwitches != View.LayerSwitches;
  View = *view;
  SetReliefPalette(View.PaletteStyle);
  ShowGrid();
  if (View.LayerSwitches & 1) AngleCut();
  if (rebuild) ShowMatrix();
  if (View.Shadow) PutShadow();
  Show3D();
  return Picture.Bitmap;
}

void TMtl3D::Paint(HDC dc, MTR3DVIEWEX* view) {
  if (dc != nullptr && BuildMtl3D(view) != nullptr) PaintDevice(dc);
}

void TMtl3D::PaintDevice(HDC dc) {
  if (dc != nullptr && Picture.Dc != nullptr)
    plat::BitBlt(dc, 0, 0, Width, Height, Picture.Dc, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------------------
// The stages

void TMtl3D::ShowGrid() {
  MakeView3DGrid(Marks, Width, Height, HalfWidth, HalfHeight, View.GridStep, View.Azimuth);
}

void TMtl3D::AngleCut() {
  if (Marks.Dc == nullptr) return;
  // The triangle between the plan's centre and its bottom corners: the
  // part of the scene nearest the viewer.
  const POINT wedge[4] = {{-4, Height}, {HalfWidth, HalfHeight}, {2 * HalfWidth + 2, Height}, {-4, Height}};
  HPEN pen = plat::CreatePen(PS_SOLID, 1, RGB(1, 0, 0));
  HBRUSH brush = plat::CreateSolidBrush(RGB(1, 0, 0));
  HGDIOBJ oldPen = plat::SelectObject(Marks.Dc, pen);
  HGDIOBJ oldBrush = plat::SelectObject(Marks.Dc, brush);
  plat::Polygon(Marks.Dc, wedge, 4);
  plat::SelectObject(Marks.Dc, oldPen);
  plat::SelectObject(Marks.Dc, oldBrush);
  plat::DeleteObject(pen);
  plat::DeleteObject(brush);
}

void TMtl3D::ShowMatrix() {
  if (!Levels || !Sections || !Columns || Marks.Bits == nullptr) return;
  TMapAccess& doc = *Document;
  View3DDocument state(&doc);
  PlanValid = 0;
  std::memset(Levels, 0, size_t(Width) * size_t(Height) * sizeof(WORD));
  std::memset(Sections, 0, size_t(SectionCount()) * size_t(Width) * sizeof(double));
  std::fill_n(Columns, Width, COLUMN{-1, 0});
  state.SetScale(View.Scale);

  const double low = doc.HeightMin, high = doc.HeightMax, bottom = doc.LayerValueMin;
  const double k1 = VIEW3D_TOP_LEVEL / std::max(high - bottom, 1.0);
  const double k2 = VIEW3D_TOP_LEVEL / std::max(high - low, 1.0);
  double* powers = static_cast<double*>(plat::AllocPages(SIZE_T(SectionCount()) * sizeof(double)));
  if (powers == nullptr) return;
  MTLCHAININFO* chain = MtlChain(&doc);
  bool first = true;
  int m = 0;
  for (MTLCHAIN* u = chain ? chain->First : nullptr; u; u = u->Next) {
    ++m;
    TMtl& file = u->Matrix;
    if (View.Name[0] && std::strncmp(file.GetFileName(), View.Name, sizeof(View.Name)) != 0) continue;
    if (!file.IsOpen() || !file.HeightBytes() || !(u->PictureFactor > 0.0)) continue;
    if (first) {
      ShadeFactor = 768.0 * k2 * std::max<LONG>(doc.MtrShadow, 1) / std::max(file.HeightFactor, 1.0);
      first = false;
    }
    const VIEW3DPLACE p = PlaceView3DPlan(&doc, View, HalfWidth, HalfHeight, u->PictureFactor, u->Frame,
                                          file.Head.Height);
    const LONG rows = file.Head.Height, cols = file.Head.Width;
    const int used = std::min<LONG>(u->LayerCount, LayerMax);
    // The last row with data of the previous column that got a section:
    // the first column compares with the bottom row, as a step towards.
    int previousLast = Height - 1;
    bool away = false, firstColumn = true;
    for (LONG x = 0; x < Width; ++x) {
      int lastRow = -1;
      double lastRowE = 0, lastColE = 0;
      for (LONG r = 0; r < Height; ++r) {
        WORD& level = Levels[size_t(r) * Width + x];
        if (level != 0 || (Marks.Row(r)[x] & 3) == 1) continue;
        const double row = p.Row0 + p.RowX * x + p.RowR * r, col = p.Col0 + p.ColX * x + p.ColR * r;
        double z;
        if (!(row >= 0.0 && col >= 0.0 && row < rows && col < cols)) continue;
        if (!file.GetHeightTriangle(z, row, col) || !(z >= u->MinHeight && z <= u->MaxHeight)) continue;
        // The top of the range is level 511, the last one the tables hold.
        level = View3DLevel(z, low, k2);
        lastRow = r;
        lastRowE = row;
        lastColE = col;
      }
      if (lastRow < 0) continue;
      COLUMN& c = Columns[x];
      if (lastRow <= c.Last) continue;
      c.Last = lastRow;
      if (used < 1 || !file.GetPowersTriangle(lastRowE, lastColE, powers, used)) continue;
      double* section = Sections + size_t(x) * SectionCount();
      for (int i = 0; i < used; ++i) section[i] = std::max(powers[i], 0.0) * k1;
      bool recedes = lastRow < previousLast;
      if (firstColumn)
        away = false;
      else if (lastRow != previousLast)
        away = recedes;
      else
        recedes = away;
      firstColumn = false;
      previousLast = lastRow;
      c.Matrix = WORD(m & 0x7FFF) | (recedes ? MTL3D_RECEDES : 0);
    }
  }
  plat::FreePages(powers);
  PlanValid = 1;
}

void TMtl3D::PutShadow() {
  if (Levels != nullptr && Marks.Bits != nullptr)
    PutView3DShadow(Levels, Marks, Width, Height, ShadeFactor);
}

double TMtl3D::LabelStep(double range, LONG heightScale) {
  const double raw = std::max(range, 1.0) * 24.0 / std::max<LONG>(heightScale, 2);
  for (const Rung& rung : kLadder)
    if (raw < rung.Limit) return rung.Step;
  return kTopStep;
}

int TMtl3D::LabelText(double step, double value, char* text, int size) {
  if (text == nullptr || size < 1) return 0;
  int n;
  if (step <= 0.1)
    n = std::snprintf(text, size_t(size), "%6.2f", value);
  else if (step <= 1.0)
    n = std::snprintf(text, size_t(size), "%6.1f", value);
  else
    n = std::snprintf(text, size_t(size), "%5i",
                      std::isnan(value) ? 0 : int(std::clamp(value, -2e9, 2e9)));
  return std::clamp(n, 0, size - 1);
}

void TMtl3D::Show3D() {
  if (!Levels || !Sections || !Columns || Picture.Bits == nullptr || Document == nullptr) return;
  TMapAccess& doc = *Document;
  const double low = doc.HeightMin, high = doc.HeightMax, bottom = doc.LayerValueMin;
  const double range = std::max(high - bottom, 1.0);
  const double e = View3DRadians(View.Elevation);
  const double rowStep = std::sin(e);
  double scaleHeight = std::max<LONG>(View.HeightScale, 2) * std::cos(e);
  if (scaleHeight < 0.001) scaleHeight = 0.0;
  const double perLevel = scaleHeight / VIEW3D_TOP_LEVEL;  // pixels of a section level

  // The lowest surface lifted above the bottom; mode 3 draws it flat.
  const double lift = std::max(low - bottom, 1.0) * scaleHeight / range * 1.05;
  const double riseStep = View.DrawMode == 3 ? 0.0 : std::max(high - low, 1.0) * perLevel / range;
  double rise[VIEW3D_LEVELS];
  int colorIndex[VIEW3D_LEVELS];
  for (int i = 0; i < VIEW3D_LEVELS; ++i) {
    rise[i] = lift + i * riseStep;
    colorIndex[i] = View3DColorIndex(i);
  }

  // Ticks along the sections: every `spacing` pixels from the surface
  // down, valued from one step; with mode 1 from the bottom up at heights
  // that are multiples of the step.
  const double step = LabelStep(range, View.HeightScale);
  const double spacing = View.DrawMode == 0 ? 0.0 : step / range * scaleHeight;
  double firstValue = step, offset = 0.0;
  if (View.DrawMode == 1) {
    firstValue = std::ceil(bottom / step) * step;
    offset = (firstValue - bottom) / range * scaleHeight + 1.0;
  }
  const bool labelled = View.Elevation <= kLabelElevation;
  struct Label {
    LONG X;
    int Row;
    double Value;
  };
  std::vector<Label> labels;

  for (LONG r = 0; r < Height; ++r) std::fill_n(Picture.Words(r), Width, DWORD(VIEW3D_GREY));
  const bool shading = View.Shadow != 0, grid = View.ShowGrid != 0;
  auto put = [this](int row, LONG x, DWORD c) { Picture.Words(row)[x] = c; };
  for (LONG x = 0; x < Width; ++x) {
    const COLUMN& column = Columns[x];
    const int m = column.Matrix & 0x7FFF;
    MTLCHAIN* unit = m ? GetMtlChain(&doc, m) : nullptr;
    const bool recedes = (column.Matrix & MTL3D_RECEDES) != 0;
    const bool labelColumn = labelled && (x + 1) % kLabelEvery == 0;
    int labelCount = 0;
    int horizon = Height;
    bool previousLevel = false;
    int previous = 0;
    for (LONG i = 0; i < Height && horizon >= 0; ++i) {
      const LONG r = Height - 1 - i;
      const double baseline = Height - (i + 1) * rowStep;
      const int level = std::min<int>(Levels[size_t(r) * Width + x], VIEW3D_TOP_LEVEL);
      if (level == 0) {
        if (View3DRow(baseline - rise[0]) < horizon) --horizon;
        previousLevel = false;
        continue;
      }
      const BYTE mark = Marks.Row(r)[x];
      const int shade = mark & VIEW3D_SHADE_MASK;
      const bool onGrid = grid && (mark & VIEW3D_GRID_MARK);
      DWORD own = Palette[colorIndex[level] + (onGrid ? kBandSize : 0)];
      if (shading) own = ShadeView3DWord(own, shade);
      const int row = View3DRow(baseline - rise[level]);
      if (row < horizon) {
        const int lowest = std::min(horizon - 1, int(Height) - 1), highest = std::max(row + 1, 0);
        int ownRow = row;
        if (previousLevel) {
          for (int y = lowest; y >= highest; --y) {
            const double l = riseStep > 0.0 ? (baseline - y - lift) / riseStep : level;
            const int at = l >= double(previous) ? (l <= double(level) ? int(l) : level) : previous;
            DWORD c = Palette[colorIndex[at]];
            if (shading && unit) c = ShadeView3DWord(c, shade);
            put(y, x, c);
          }
        } else if (unit == nullptr) {
          for (int y = lowest; y >= highest; --y) put(y, x, Palette[kBlack]);
        } else {
          // The section: the layers from the surface down, then stripes.
          const int used = std::min<LONG>(unit->LayerCount, LayerMax);
          const MTLLAYER* items = unit->Matrix.LayerItems();
          const double* thick = Sections + size_t(x) * SectionCount();
          auto layerWord = [&](int j) {
            const DWORD w = items ? SwapRedBlue(items[j].Color) & 0xFFFFFF : VIEW3D_GREY;
            return recedes ? DarkenView3DWord(w) : w;
          };
          const DWORD below = used > 0 && (x + 1) % 2 == 0 ? layerWord(used - 1) : DWORD(VIEW3D_GREY);
          int j = 0;
          double boundary = row + (used > 0 ? thick[0] * perLevel : 0.0);
          for (int y = highest; y <= lowest; ++y) {
            while (j < used && y > boundary) {
              if (++j < used) boundary += thick[j] * perLevel;
            }
            put(y, x, j < used ? layerWord(j) : below);
          }
          if (spacing > 3.0) {
            // Ticks darken the section; label columns keep them.
            auto tick = [&](double at, double value) {
              const int y = View3DRow(at);
              if (y < highest || y > lowest) return;
              put(y, x, DarkenView3DWord(Picture.Words(y)[x]));
              if (labelColumn && labelCount < kLabelsPerColumn) {
                labels.push_back(Label{x, y, value});
                ++labelCount;
              }
            };
            // Only the ticks that fall on the rows drawn are walked.
            if (View.DrawMode == 1) {
              const double start = baseline - offset;
              int t = std::max(0, int(std::ceil((start - lowest - 1) / spacing)));
              for (; start - t * spacing >= highest; ++t) tick(start - t * spacing, firstValue + t * step);
            } else {
              int t = std::max(1, int(std::floor((highest - row) / spacing)));
              for (; row + t * spacing <= lowest; ++t) tick(row + t * spacing, t * step);
            }
          }
          if (row >= 0) put(row, x, Palette[kBlack]);
          ownRow = row - 1;
        }
        if (ownRow >= 0) put(ownRow, x, own);
        horizon = ownRow;
      } else if (row == horizon && onGrid && row >= 0 && row < Height) {
        put(row, x, own);
      }
      previousLevel = true;
      previous = level;
    }
  }
  if (labels.empty()) return;

  LOGFONTA face{};
  face.lfHeight = 16;
  face.lfWeight = FW_BOLD;
  face.lfUnderline = 1;
  std::strcpy(face.lfFaceName, "Courier");
  HFONT font = plat::CreateFontIndirectA(&face);
  HGDIOBJ oldFont = plat::SelectObject(Picture.Dc, font);
  const int oldMode = plat::SetBkMode(Picture.Dc, TRANSPARENT);
  const UINT oldAlign = plat::SetTextAlign(Picture.Dc, TA_BOTTOM);
  for (const Label& label : labels) {
    char text[64];
    const int n = LabelText(step, label.Value, text, sizeof(text));
    if (n > 0) plat::TextOutA(Picture.Dc, label.X, label.Row, text, n);
  }
  plat::SetTextAlign(Picture.Dc, oldAlign);
  plat::SetBkMode(Picture.Dc, oldMode);
  if (oldFont != nullptr) plat::SelectObject(Picture.Dc, oldFont);
  if (font != nullptr) plat::DeleteObject(font);
}
