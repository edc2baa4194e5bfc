// Services a host installs or sets.
#include "api/host_api.h"

#include "platform/gdi/gdi.h"
#include "platform/gdi/hostdc.h"
#include "platform/library.h"
#include "platform/profile.h"
#include "platform/ui.h"

MAPAPI PLATMESSAGEBOX WINAPI platSetMessageBoxHook(PLATMESSAGEBOX hook, void* context) {
  return plat::SetMessageBoxHook(hook, context);
}

MAPAPI HWND WINAPI platCreateWindow(PLATWNDPROC proc, void* context, int width, int height) {
  return plat::CreateHostWindow(proc, context, width, height);
}

MAPAPI int WINAPI platDestroyWindow(HWND window) { return plat::DestroyHostWindow(window); }

MAPAPI void WINAPI platAddLibraryFolder(const char* folder) { plat::AddLibraryFolder(folder); }

MAPAPI void WINAPI platSetSystemProfile(const char* fileName) { plat::SetSystemProfile(fileName); }

static_assert(PLATBITMAP_MAXSIDE == plat::kHostBitmapMaxSide);
static_assert(PLATDEVICE_PLOTTER == DT_PLOTTER && PLATDEVICE_DISPLAY == DT_RASDISPLAY &&
              PLATDEVICE_PRINTER == DT_RASPRINTER);

MAPAPI HDC WINAPI platCreateBitmapDC(LONG width, LONG height, LONG topDown) {
  return plat::CreateBitmapDc(width, height, topDown != 0);
}

MAPAPI void* WINAPI platGetBitmapBits(HDC dc, LONG* stride) {
  int step = 0;
  BYTE* bits = plat::BitmapDcBits(dc, &step);
  if (stride) *stride = step;
  return bits;
}

MAPAPI int WINAPI platDeleteBitmapDC(HDC dc) { return plat::DeleteBitmapDc(dc) ? 1 : 0; }

MAPAPI LONG WINAPI platSetDeviceKind(HDC dc, LONG kind, LONG dpiX, LONG dpiY) {
  return plat::SetBitmapDcKind(dc, kind, dpiX, dpiY);
}

MAPAPI HDC WINAPI platGetDC(HWND window) { return plat::GetDC(window); }

MAPAPI int WINAPI platReleaseDC(HWND window, HDC dc) { return plat::ReleaseDC(window, dc); }

MAPAPI LONG WINAPI platReadWindowPixels(HWND window, void* bits, LONG stride, LONG width,
                                        LONG height) {
  return plat::ReadWindowPixels(window, static_cast<BYTE*>(bits), stride, width, height);
}
