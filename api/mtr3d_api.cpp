// 3-D views for a host: each function checks the view handle (a live view
// made by mapOpenMtr3D) and forwards to the view.
#include "api/mtr3d_api.h"

#include "document/mapaccess.h"
#include "document/mtr3d.h"
#include "platform/gdi/hostdc.h"

MAPAPI HMTR3D WINAPI mapOpenMtr3D(HMAP hMap, LONG width, LONG height) {
  TMapAccess* doc = DocumentOf(hMap);
  return doc ? reinterpret_cast<HMTR3D>(doc->OpenMtr3D(width, height)) : 0;
}

MAPAPI void WINAPI mapCloseMtr3D(HMTR3D view) { FreeMtr3D(Mtr3DOf(view)); }

MAPAPI void WINAPI mapPaintMtr3D(HMTR3D view, HDC dc, MTR3DVIEW* record) {
  TMtr3D* v = Mtr3DOf(view);
  if (v && record && plat::IsDeviceContext(dc)) v->Paint(dc, record);
}

MAPAPI void WINAPI mapPaintMtr3Dx(HMTR3D view, HDC dc, MTR3DVIEWEX* record) {
  TMtr3D* v = Mtr3DOf(view);
  if (v && record && plat::IsDeviceContext(dc)) v->PaintEx(dc, record);
}

MAPAPI HBITMAP WINAPI mapBuildMtr3D(HMTR3D view, MTR3DVIEW* record) {
  TMtr3D* v = Mtr3DOf(view);
  return v && record ? v->BuildMtr3Dold(record) : nullptr;
}
