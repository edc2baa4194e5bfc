/* 3-D views of a document's elevation and layer matrices as a host program
 * sees them: a view is opened on a map document at a picture size, built
 * or painted from a view record (types/mtr3dtypes.h) as often as needed,
 * and closed. The picture is a 32-bit bitmap of the requested width rounded
 * up to a multiple of 32; the viewed point lies at half the requested
 * width and height.
 *
 * A null, closed or foreign view handle, a null device context or a null
 * record makes a call do nothing (0 or a null bitmap). */
#ifndef MAPCORE_API_MTR3D_API_H
#define MAPCORE_API_MTR3D_API_H

#include "types/maptypes.h"
#include "types/mtr3dtypes.h"

/* A view of the document's matrices at a picture size: its handle, or 0
 * for a bad map handle or when memory fails. */
MAPAPI HMTR3D WINAPI mapOpenMtr3D(HMAP hMap, LONG width, LONG height);
/* Destroys the view. */
MAPAPI void WINAPI mapCloseMtr3D(HMTR3D view);
/* Builds the picture from the record (the older form with an observer's
 * place, or the full record) and copies it onto the device at (0, 0). */
MAPAPI void WINAPI mapPaintMtr3D(HMTR3D view, HDC dc, MTR3DVIEW* record);
MAPAPI void WINAPI mapPaintMtr3Dx(HMTR3D view, HDC dc, MTR3DVIEWEX* record);
/* Builds the picture from the older record: its bitmap, null when it
 * cannot be made. */
MAPAPI HBITMAP WINAPI mapBuildMtr3D(HMTR3D view, MTR3DVIEW* record);

#endif
