// The pieces both 3-D views of a document's matrices are made of.
#include "document/view3d.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/memory.h"
#include "raster/rmfshow.h"

namespace {

void MakeHeader(BITMAPINFOHEADER* header, LONG width, LONG height, int bits) {
  *header = BITMAPINFOHEADER{};
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = width;
  header->biHeight = height;
  header->biPlanes = 1;
  header->biBitCount = WORD(bits);
  header->biCompression = BI_RGB;
  header->biSizeImage = DWORD(int64_t(width) * height * (bits / 8));
  header->biClrUsed = bits == 8 ? 256 : 0;
}

bool MakeSection(VIEW3DSECTION& s, const BITMAPINFO* info) {
  void* bits = nullptr;
  s.Bitmap = plat::CreateDIBSection(s.Dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (s.Bitmap == nullptr || bits == nullptr) return false;
  s.Previous = plat::SelectObject(s.Dc, s.Bitmap);
  const BITMAPINFOHEADER& h = info->bmiHeader;
  s.Stride = ((ptrdiff_t(h.biWidth) * h.biBitCount + 31) / 32) * 4;
  s.Bits = static_cast<BYTE*>(bits);
  s.Top = s.Bits + (h.biHeight - 1) * s.Stride;
  return true;
}

void FreeSection(VIEW3DSECTION& s) {
  if (s.Dc != nullptr && s.Previous != nullptr) plat::SelectObject(s.Dc, s.Previous);
  if (s.Bitmap != nullptr) plat::DeleteObject(s.Bitmap);
  if (s.Dc != nullptr) plat::DeleteDC(s.Dc);
  s = VIEW3DSECTION{};
}

}  // namespace

const char* MakeView3DBitmaps(VIEW3DBITMAPS& b, VIEW3DSECTION* const* sections, int count,
                              LONG width, LONG height, bool identity) {
  FreeView3DBitmaps(b, sections, count);
  auto fail = [&](const char* name) {
    FreeView3DBitmaps(b, sections, count);
    return name;
  };
  b.Headers = static_cast<VIEW3DHEADER*>(plat::AllocPages(SIZE_T(count) * sizeof(VIEW3DHEADER)));
  if (b.Headers == nullptr) return "BITMAP HEADER";
  for (int i = 0; i < count; ++i) MakeHeader(&b.Headers[i].Header, width, height, i == 0 ? 8 : 32);
  for (int i = 0; i < 256; ++i)
    if (identity || i == 1 || i == 2) b.Headers[0].Colors[i] = RGBQUAD{0, 0, BYTE(i), 0};
  for (int i = 0; i < count; ++i)
    if ((sections[i]->Dc = plat::CreateCompatibleDC(nullptr)) == nullptr) return fail("HDC-DIB");
  if (identity) {
    VIEW3DPALETTE* entries = static_cast<VIEW3DPALETTE*>(plat::AllocPages(sizeof(VIEW3DPALETTE)));
    if (entries == nullptr) return fail("LOGPALETTE");
    entries->Version = 0x300;
    entries->Count = 256;
    for (int i = 0; i < 256; ++i) entries->Entries[i] = PALETTEENTRY{BYTE(i), 0, 0, 0};
    b.Identity = plat::CreatePalette(reinterpret_cast<const LOGPALETTE*>(entries));
    plat::FreePages(entries);
    if (b.Identity == nullptr) return fail("LOGPALETTE");
  }
  for (int i = 0; i < count; ++i)
    if (!MakeSection(*sections[i], reinterpret_cast<const BITMAPINFO*>(&b.Headers[i]))) return fail("DIB-SECTION");
  if (identity) {
    plat::SelectPalette(sections[0]->Dc, b.Identity, FALSE);
    plat::RealizePalette(sections[0]->Dc);
  }
  return nullptr;
}

void FreeView3DBitmaps(VIEW3DBITMAPS& b, VIEW3DSECTION* const* sections, int count) {
  for (int i = 0; i < count; ++i) FreeSection(*sections[i]);
  if (b.Identity != nullptr) plat::DeleteObject(b.Identity);
  if (b.Headers != nullptr) plat::FreePages(b.Headers);
  b = VIEW3DBITMAPS{};
}

double View3DRadians(double degrees) { return degrees * std::numbers::pi / 180.0; }

TMapAccess* LiveView3DDocument(TMapAccess* doc) {
  return doc != nullptr && DocumentOf(HandleOf(doc)) == doc ? doc : nullptr;
}

void MakeView3DGrid(const VIEW3DSECTION& plan, LONG width, LONG height, LONG cx, LONG cy,
                    LONG step, int azimuth) {
  if (plan.Bits == nullptr) return;
  std::memset(plan.Bits, 0, size_t(plan.Stride) * size_t(height));
  const HDC marks = plan.Dc;
  HPEN pen = plat::CreatePen(PS_SOLID, 1, RGB(VIEW3D_GRID_MARK, 0, 0));
  if (pen == nullptr) return;
  HGDIOBJ old = plat::SelectObject(marks, pen);
  const double a = View3DRadians(azimuth);
  const double s = std::sin(-a), c = std::cos(-a);
  const double L = std::max(width, height);
  const double x0 = cx, y0 = cy;
  auto at = [](double v) { return int(v + 0.5); };
  step = std::max<LONG>(step, 2);
  for (double t = -L; t < L; t += step) {
    plat::MoveToEx(marks, at(x0 + t * s - L * c), at(y0 + t * c + L * s), nullptr);
    plat::LineTo(marks, at(x0 + t * s + L * c), at(y0 + t * c - L * s));
    plat::MoveToEx(marks, at(x0 - L * s + t * c), at(y0 - L * c - t * s), nullptr);
    plat::LineTo(marks, at(x0 + L * s + t * c), at(y0 + L * c - t * s));
  }
  plat::SelectObject(marks, old);
  plat::DeleteObject(pen);
}

void PutView3DShadow(const WORD* levels, const VIEW3DSECTION& marks, LONG width, LONG height,
                     double factor) {
  InitShadowTables();
  // The shade of every level difference.
  BYTE shade[2 * VIEW3D_LEVELS - 1];
  for (int d = -(VIEW3D_LEVELS - 1); d < VIEW3D_LEVELS; ++d) {
    const double v = d * factor + 300.0;
    const int i = !(v >= 0.0) ? 0 : v > 599.0 ? 599 : int(v);
    shade[d + VIEW3D_LEVELS - 1] = BYTE(std::clamp<LONG>(ShadowAngle[i] + 128, 0, 255) & VIEW3D_SHADE_MASK);
  }
  for (LONG r = 0; r < height; ++r) {
    const WORD* level = levels + ptrdiff_t(r) * width;
    BYTE* mark = marks.Row(r);
    int previous = 0;
    for (LONG x = 0; x < width; ++x) {
      const int l = std::min<int>(level[x], VIEW3D_TOP_LEVEL);
      mark[x] = BYTE((mark[x] & 3) | shade[l - previous + VIEW3D_LEVELS - 1]);
      previous = l;
    }
  }
}

DWORD ShadeView3DWord(DWORD w, int shade) {
  const BYTE* light = ShadowTable[shade & 255];
  return (DWORD(light[w >> 16 & 255]) << 16) | (DWORD(light[w >> 8 & 255]) << 8) | light[w & 255];
}

int View3DMatrixColors(TMapAccess* doc, int style, COLORREF* colors) {
  // A copy takes the style, so that colours the host set in the document's
  // palette are not rebuilt away.
  TMtrPalette palette(doc->MtrPalette);
  palette.Style(style);
  const int n = std::clamp(palette.GetPaletteCount(), 0, 32);
  std::copy(palette.Colors(), palette.Colors() + n, colors);
  return n;
}

VIEW3DPLACE PlaceView3DPlan(TMapAccess* doc, const MTR3DVIEWEX& view, LONG halfWidth,
                            LONG halfHeight, double factor, const DFRAME& frame, LONG rows) {
  doc->SetElemScale(factor);
  const double px = doc->Dis.PixelsPerUnitV, py = doc->Dis.PixelsPerUnitH;
  const double ex = doc->Elem.UnitsPerPixelV, ey = doc->Elem.UnitsPerPixelH;
  const double f = std::max(doc->MeterPerDis, 0.001);
  const double a = View3DRadians(view.Azimuth);
  const double s = std::sin(-a), c = std::cos(-a);
  // Pixels north and east of the frame's south-west corner to the viewed
  // point; the plan pixel adds dy c - dx s north and dy s + dx c east.
  const double north = (view.ViewX - frame.X1) / f * px;
  const double east = (view.ViewY - frame.Y1) / f * py;
  VIEW3DPLACE p;
  p.RowX = s * ex;
  p.RowR = c * ex;
  p.Row0 = rows - north * ex - halfWidth * p.RowX - halfHeight * p.RowR;
  p.ColX = c * ey;
  p.ColR = -s * ey;
  p.Col0 = east * ey - halfWidth * p.ColX - halfHeight * p.ColR;
  return p;
}

View3DDocument::View3DDocument(TMapAccess* doc)
    : doc_(doc),
      zoom_(doc->DrawScale),
      elemBase_(doc->Elem.Base),
      turn_(doc->TurnFlag ? doc->TurnAngle : 0.0),
      background_(doc->MapPalette.BackGround) {}

View3DDocument::~View3DDocument() {
  EndTurn();
  if (backed_) doc_->SetBackGround(background_);
  doc_->SetElemScale(elemBase_);
  if (scaled_) doc_->SetViewScale(zoom_);
}

void View3DDocument::SetScale(LONG scale) {
  scaled_ = true;
  doc_->SetShowScale(scale);
}

void View3DDocument::SetBackground(COLORREF colour) {
  backed_ = true;
  doc_->SetBackGround(colour);
}

void View3DDocument::SetTurn(double angle) {
  turned_ = true;
  doc_->SetTurnAngle(angle, 0.0);
  doc_->SetRegion();
}

void View3DDocument::EndTurn() {
  if (!turned_) return;
  turned_ = false;
  doc_->SetTurnAngle(turn_, 0.0);
  doc_->SetRegion();
}
