// The paint context: memory image, bits image, point and work buffers,
// colour tables and paint step.
#include "drawing/paintcontext.h"

#include <cstring>

#include "common/messages.h"
#include "devices/devdraw.h"
#include "devices/fontreg.h"
#include "platform/memory.h"

namespace {

constexpr TPaintContext InitialPaintContext() {
  TPaintContext c{};
  c.TopMargin = PAINT_TOP_MARGIN;
  c.PaintStep = PAINT_STEP_ON;
  c.PointCapacity = POINT_AREA_START;
  return c;
}

}  // namespace

constinit TPaintContext PaintContext = InitialPaintContext();

namespace {

TPaintContext& P = PaintContext;

// Screen pixels of the display, read when the image is opened.
void ReadDisplaySize(int* width, int* height) {
  int bits = 32;
  GetDisplaySize(width, height, &bits);
}

// The image as the font registry measures ink on it: the whole section,
// margin included.
bool PaintInk(MapFontInkContext* context) {
  if (P.MemoryDc == nullptr || P.Bits == nullptr) return false;
  context->dc = P.MemoryDc;
  context->bits = P.Bits;
  context->rowBytes = P.Stride;
  context->height = P.PictureHeight + P.TopMargin;
  context->topMargin = P.TopMargin;
  return true;
}

// Points area, text slots and part counts in one block.
SIZE_T PointBlockSize(LONG points) {
  return static_cast<SIZE_T>(points) * sizeof(POINT) + TEXT_AREA_SIZE * sizeof(char*) +
         POLY_AREA_SIZE * sizeof(LONG);
}

void SetPointAreas(BYTE* block, LONG points) {
  P.PointArea = reinterpret_cast<POINT*>(block);
  P.TextArea = reinterpret_cast<char**>(block + static_cast<SIZE_T>(points) * sizeof(POINT));
  P.PolyArea = reinterpret_cast<LONG*>(reinterpret_cast<BYTE*>(P.TextArea) +
                                       TEXT_AREA_SIZE * sizeof(char*));
  P.PointCapacity = points;
}

// A buffer failure is shown once per process.
void ReportBufferFailure(const char* name) {
  if (P.BufferFailureShown) return;
  P.BufferFailureShown = 1;
  ShowErrorMessage(MAPERR_MEMORY, name);
}

}  // namespace

// --- Memory image ---

int OpenPaintDib() {
  if (P.Opening) return 0;
  P.Opening = 1;
  ++P.UseCount;
  int width = 0, height = 0;
  ReadDisplaySize(&width, &height);
  SetScreenPixelSizeFromDisplay(width, height);
  const int result = AllocPaintDib(width, height, 4);
  P.Opening = 0;
  return result;
}

int AllocPaintDib(int width, int height, int bytesPerPixel) {
  if (width < 1 || height < 1 || (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4))
    return PAINT_DIB_FAILED;
  if (P.Bits != nullptr) {
    if (height <= P.PictureHeight && width <= P.Stride / P.BytesPerPixel) return 0;
    FreePaintDib();
  }
  const int64_t padded = (static_cast<int64_t>(width) + 31) & ~int64_t(31);
  const int64_t rows = static_cast<int64_t>(height) + PAINT_TOP_MARGIN;
  const int64_t stride = padded * bytesPerPixel;
  if (stride > INT32_MAX || rows > INT32_MAX || stride * rows > INT32_MAX) {
    ShowErrorMessage(MAPERR_MEMORY, "DIB-SECTION");
    return PAINT_DIB_FAILED;
  }

  P.Info = static_cast<BITMAPINFO*>(plat::AllocPages(PAINT_INFO_SIZE));
  if (P.Info == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, "DIB");
    return PAINT_DIB_FAILED;
  }
  BITMAPINFOHEADER& h = P.Info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biWidth = static_cast<LONG>(padded);
  h.biHeight = static_cast<LONG>(rows);  // positive: bottom-up
  h.biPlanes = 1;
  h.biBitCount = static_cast<WORD>(8 * bytesPerPixel);
  h.biCompression = BI_RGB;
  h.biSizeImage = static_cast<DWORD>(stride * rows);
  h.biClrUsed = 256;
  P.Stride = static_cast<LONG>(stride);
  P.BytesPerPixel = bytesPerPixel;
  P.PictureHeight = height;
  P.TopMargin = PAINT_TOP_MARGIN;

  P.MemoryDc = plat::CreateCompatibleDC(nullptr);
  if (P.MemoryDc == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, "HDC-DIB");
    FreePaintDib();
    return PAINT_DIB_FAILED;
  }
  void* bits = nullptr;
  P.Section = plat::CreateDIBSection(P.MemoryDc, P.Info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bits == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, "DIB-SECTION");
    FreePaintDib();
    return PAINT_DIB_FAILED;
  }
  P.Bits = static_cast<BYTE*>(bits);
  P.OldBitmap = plat::SelectObject(P.MemoryDc, P.Section);
  P.PictureTop = P.Bits + static_cast<intptr_t>(height - 1) * P.Stride;
  P.SectionTop = P.Bits + static_cast<intptr_t>(rows - 1) * P.Stride;
  // Handed out, the header describes the picture without its margin.
  h.biHeight = height;
  h.biSizeImage = static_cast<DWORD>(static_cast<int64_t>(height) * P.Stride);

  if (!AllocBitsImage()) {
    FreePaintDib();
    return PAINT_DIB_FAILED;
  }
  InitMapFontTable();
  SetMapFontInkProvider(&PaintInk);
  SetPaintMemoryDc(P.MemoryDc, P.TopMargin);
  return 0;
}

void ClosePaintDib() {
  if (--P.UseCount < 1) {
    FreePaintDib();
    P.UseCount = 0;
  }
}

void FreePaintDib() {
  if (P.Info != nullptr) plat::FreePages(P.Info);
  P.Info = nullptr;
  P.PictureTop = P.SectionTop = nullptr;
  if (P.MemoryDc != nullptr) {
    SetPaintMemoryDc(nullptr, 0);
    if (P.OldBitmap != nullptr) plat::SelectObject(P.MemoryDc, P.OldBitmap);
    plat::DeleteDC(P.MemoryDc);
  }
  if (P.Section != nullptr) plat::DeleteObject(P.Section);
  P.MemoryDc = nullptr;
  P.Section = nullptr;
  P.OldBitmap = nullptr;
  P.Bits = nullptr;
  P.Stride = P.BytesPerPixel = P.PictureHeight = 0;
  FreeBitsImage();
}

int AllocBitsImage() {
  FreeBitsImage();
  if (P.Bits == nullptr) return 0;
  const LONG width = P.Stride / P.BytesPerPixel;  // padded to 32 pixels
  const LONG rowBytes = ((width + 31) / 32) * 4;
  const LONG rows = 2 * P.PictureHeight + P.TopMargin;
  P.MaskBits = static_cast<BYTE*>(plat::AllocPages(static_cast<SIZE_T>(rowBytes) * rows));
  if (P.MaskBits == nullptr) {
    ShowErrorMessage(MAPERR_MEMORY, "BITS IMAGE");
    return 0;
  }
  P.MaskRowBytes = rowBytes;
  P.MaskRows = rows;
  const intptr_t top1 = P.TopMargin / 2 + P.PictureHeight - 1;
  P.MaskTop1 = P.MaskBits + top1 * rowBytes;
  P.MaskTop2 = P.MaskBits + (top1 + P.PictureHeight) * rowBytes;
  return 1;
}

void FreeBitsImage() {
  if (P.MaskBits != nullptr) plat::FreePages(P.MaskBits);
  P.MaskBits = P.MaskTop1 = P.MaskTop2 = nullptr;
  P.MaskRowBytes = P.MaskRows = 0;
}

HDC GetPaintDc() {
  if (P.PictureTop == nullptr || P.MaskBits == nullptr) {
    ClosePaintDib();
    OpenPaintDib();
  }
  return P.MemoryDc;
}

int FinishPaintDib() { return 1; }

void CopyPaintDibToDc(HDC dc, int x, int y) {
  if (dc == nullptr) dc = P.WindowDc;
  if (dc == nullptr || P.MemoryDc == nullptr) return;
  plat::BitBlt(dc, x, y, P.ImageWidth, P.ImageHeight, P.MemoryDc, 0, P.TopMargin, SRCCOPY);
}

void CopyDcToPaintDib(HDC dc, int x, int y) {
  if (dc == nullptr) dc = P.WindowDc;
  if (dc == nullptr || P.MemoryDc == nullptr) return;
  plat::BitBlt(P.MemoryDc, 0, P.TopMargin, P.ImageWidth, P.ImageHeight, dc, x, y, SRCCOPY);
}

void SetDibPalette(const COLORREF* colours, int n) {
  if (n > 256) n = 256;
  for (int i = 0; i < n; ++i) {
    if (colours != nullptr) {
      const DWORD v = colours[i];
      P.ColorsA[i] = v;
      P.ColorsB[i] = (v & 0xFF) << 16 | (v & 0xFF00) | (v & 0xFF0000) >> 16;
    } else {
      P.ColorsA[i] = static_cast<DWORD>(i);
      P.ColorsB[i] = static_cast<DWORD>(i + 1);
    }
  }
}

int SetPaintStepValue(int flag) {
  const int old = P.PaintStep;
  P.PaintStep = flag ? PAINT_STEP_ON : PAINT_STEP_OFF;
  return old;
}

// --- Point and work buffers ---

int AllocPointBuffers() {
  if (P.PointArea == nullptr) {
    const LONG points = P.PointCapacity;
    BYTE* block = static_cast<BYTE*>(plat::AllocPages(PointBlockSize(points)));
    if (block == nullptr) {
      ReportBufferFailure("POINTBUFFER");
      return 0;
    }
    SetPointAreas(block, points);
  }
  if (P.WorkBuffer == nullptr) {
    P.WorkBuffer = static_cast<BYTE*>(plat::AllocPages(WORK_BUFFER_SIZE));
    if (P.WorkBuffer == nullptr) {
      ReportBufferFailure("WORKBUFFER");
      return 0;
    }
    P.WorkBufferSize = WORK_BUFFER_SIZE;
  }
  return 1;
}

void FreePointBuffers() {
  if (P.PointArea != nullptr) plat::FreePages(P.PointArea);
  if (P.WorkBuffer != nullptr) plat::FreePages(P.WorkBuffer);
  P.PointArea = nullptr;
  P.TextArea = nullptr;
  P.PolyArea = nullptr;
  P.PointCapacity = POINT_AREA_START;
  P.WorkBuffer = nullptr;
  P.WorkBufferSize = 0;
}

int GrowPointBuffer(int n) {
  if (P.PointArea == nullptr) return 0;
  if (n <= P.PointCapacity) return 1;
  if (n > POINT_AREA_LIMIT) return 0;
  // The new block first: a failure leaves the old one in place.
  BYTE* block = static_cast<BYTE*>(plat::AllocPages(PointBlockSize(n)));
  if (block == nullptr) {
    ReportBufferFailure("POINTBUFFER");
    return 0;
  }
  plat::FreePages(P.PointArea);
  SetPointAreas(block, n);
  return 1;
}

int AttachPointBuffers() {
  ++P.InstanceCount;
  return AllocPointBuffers();
}

void DetachPointBuffers() {
  if (P.InstanceCount > 0 && --P.InstanceCount == 0) FreePointBuffers();
}
