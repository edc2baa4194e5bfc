// Legend samples for a host: each checks the document and the rectangle
// and forwards to the document's sample painters.
#include "api/legend_api.h"

#include "document/mapaccess.h"
#include "platform/gdi/hostdc.h"

MAPAPI LONG WINAPI mapPaintExampleObject(HMAP hMap, HDC hdc, RECT* rect, LONG incode) {
  return mapPaintExampleObjectEx(hMap, hdc, rect, incode, 0);
}

MAPAPI LONG WINAPI mapPaintExampleObjectEx(HMAP hMap, HDC hdc, RECT* rect, LONG incode,
                                           LONG viewType) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || rect == nullptr || !plat::IsDeviceContext(hdc)) return 0;
  return doc->PaintExampleObject(hdc, *rect, incode, &doc->Rsc, viewType, nullptr);
}

MAPAPI LONG WINAPI mapPaintExampleObjectFunc(HMAP hMap, HDC hdc, LONG left, LONG top,
                                             LONG right, LONG bottom, LONG code,
                                             const char* parm, LONG count,
                                             const COLORREF* palette, LONG viewType,
                                             const char* text) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || !plat::IsDeviceContext(hdc)) return 0;
  const RECT rect{left, top, right, bottom};
  return doc->PaintExampleObject(hdc, rect, code, parm, count, palette, viewType, text,
                                 LOCAL_LINE);
}

MAPAPI LONG WINAPI mapPaintExampleObjectRealByFuncData(HMAP hMap, HDC hdc, RECT* rect, LONG code,
                                                       const char* parm, POLYDATA* data,
                                                       LONG count, const COLORREF* palette,
                                                       LONG viewType, const char* text) {
  TMapAccess* doc = DocumentOf(hMap);
  if (doc == nullptr || rect == nullptr || !plat::IsDeviceContext(hdc)) return 0;
  return doc->PaintExampleObjectReal(hdc, *rect, code, parm, data, count, palette, viewType,
                                     text);
}
