// TMapAccess: the map document, the last link of its class chain
//   TMap <- TMapMetric <- TPaintMetric <- TMapControl <- TMapPaint <- TMapAccess
// (no virtual operations; each constructor runs its base's first). A
// document lives in one block of the page allocator and its address is the
// map handle (HMAP) of the API functions; the handle is also the address
// of the document's main map, so the map's functions take it as they are.
//
// The document opens any file by its kind (the main vector map, and into
// the chains rasters, matrices and user maps, and projects), keeps the
// names of the document (the first data opened, the map's INI file, the
// project) and converts coordinates between map units, the picture, plane
// metres and geographic coordinates.
#pragma once

#include "document/mappaint.h"
#include "mapstore/mapregister.h"
#include "platform/export.h"
#include "platform/win_types.h"
#include "types/mtr3dtypes.h"
#include "types/picturetypes.h"

class TMtr3D;

enum : int {
  MAPACCESS_VERSION = 20020403,
  DOC_NAME_SIZE = 260,
};

class MAPCLASS TMapAccess : public TMapPaint {
 public:
  TMapAccess();
  ~TMapAccess();
  TMapAccess(const TMapAccess&) = delete;
  TMapAccess& operator=(const TMapAccess&) = delete;

  // --- Opening and closing ---

  // Opens a file by the kind its signature gives: a map (".SIT" included,
  // which becomes the main map), a raster, a matrix, a layer matrix or a
  // project. 0 after reporting 60007 (no such file) or 60040 (a kind
  // without an opener); else the opener's result.
  int OpenData(const char* name, int mode);
  // The main vector map: 1, or 0 (the document name left as it was). A
  // success makes the path the document name.
  int OpenMap(const char* name, int mode);
  // Into the chains: the unit's number, or 0. The first data opened into
  // an empty document names it.
  int OpenRst(const char* name, int mode);
  int OpenMtr(const char* name, int mode);
  int OpenMtq(const char* name, int mode);
  int OpenMtl(const char* name, int mode);
  int OpenSit(const char* name, int mode);
  // Closes unit n (0: all) and rebuilds the palette; 1.
  int CloseRst(int n);
  int CloseMtr(int n);
  int CloseMtq(int n);
  int CloseMtl(int n);
  int CloseSit(int n);
  int CloseMap();
  int CloseData();
  // The data whose files changed read again: 1 when anything changed.
  int AdjustData();
  // Projects: opened into this document, and saved.
  int OpenMpt(const char* name);
  int SaveMpt(const char* name);

  // --- Names ---

  const char* GetDocumentName() const { return DocumentName; }
  // At most 259 characters, always terminated; the name kept.
  const char* SetMapIniName(const char* name);
  const char* GetMapIniName() const { return MapIniName; }
  const char* GetProjectName() const { return ProjectName; }
  static int GetMapAccessVersion() { return MAPACCESS_VERSION; }

  // --- Painting ---

  // The viewport origin of dc moved by the rectangle's corner for the call
  // and TMapPaint::Paint: the picture rectangle lands at its own place in
  // a device whose logical coordinates are picture coordinates. Paint95
  // leaves the origin alone. 0 for a null dc on Paint95, else the road's
  // result.
  int Paint(HDC dc, int erase, const RECT& rect);
  int Paint95(HDC dc, int erase, const RECT& rect);
  // One object (keep 0: with the origin moved by the rectangle's corner;
  // keep also keeps the device's palette, clip and text alignment): 1, or
  // 0 for a null dc or object.
  int PaintObject(HDC dc, const RECT& rect, TObjectInfo* object, int erase, int keep);
  // The object with erase 1, the origin left alone.
  int PaintObject95(HDC dc, const RECT& rect, TObjectInfo* object);
  using TMapPaint::PaintObject;
  // Prints the rectangle on dc at the record's scale (below 1: 1), visual
  // type (plus 3 when its device byte is 1; a type below 3, whose painters
  // draw only into the memory image, prints as type 6), resolutions and
  // mirror switch; the zoom and visual type are put back. 0 for a null dc
  // or record, else the device road's result.
  int Print(HDC dc, const RECT& rect, const PRINTPARM* print);

  // --- Pictures held by the caller (document/picture.cpp) ---

  // An enhanced metafile of the frame about a centre at a scale: the
  // frame's half sides are scale x size x 0.0005 metres; painted as
  // PaintToEmfEx with fill intensity 50 and no frame line.
  int PaintToEmf(const char* name, const METAFILEBUILDPARM* parm);
  // The frame painted into a new metafile file at the record's scale on the
  // metafile's resolution, with its visual type and fill intensity; the
  // view scale, visual type and fill intensity are put back. Nonzero when
  // the file was written, 0 for a null argument or a file not written.
  int PaintToEmfEx(const char* name, const METAFILEBUILDPARMEX* parm);
  // The picture rectangle painted in bands into a caller's bottom-up bitmap
  // of 8 (PaintToDib256), 16 (5-5-5), 24 or 32 bits per pixel, its rows
  // biSizeImage / biHeight bytes long: min(rect, bitmap) pixels from the
  // bitmap's top left. 1, or 0 for a null argument, an empty rectangle,
  // another bit count or a buffer smaller than its header says.
  int PaintToDib(BITMAPINFOHEADER* info, char* bits, const RECT& rect);
  // 8 bits: the 256 colour entries after the 40-byte header get the
  // document's 256-colour table and each pixel the index of its colour.
  int PaintToDib256(BITMAPINFOHEADER* info, char* bits, const RECT& rect);
  // The same into a top-down byte image of width x height with the table
  // in `palette`.
  int PaintToImage256(RGBQUAD* palette, char* bits, LONG width, LONG height, const RECT& rect);
  // 256 colours for what the document shows: the background and the map's
  // colours, the elevation palette, a grey raster's colours and grey ramp,
  // then a colour cube and greys; nothing for null.
  void BuildPalette256(RGBQUAD* palette);

  // A 3-D view of the document's matrices (document/mtr3d.h) at a size:
  // null when memory fails. Closing destroys it; painting needs the view,
  // a device and a record.
  TMtr3D* OpenMtr3D(LONG width, LONG height);
  void CloseMtr3D(TMtr3D* view);
  void PaintMtr3D(TMtr3D* view, HDC dc, MTR3DVIEW* record);
  // --- Objects with a paint record, selects and window views
  // (document/objectview.cpp) ---
  //
  // Coordinate kinds of points and displacements: 1 map units (any value
  // but 2, 3 and 4), 2 picture pixels, 3 plane metres, 4 geographic (a
  // point that does not convert paints nothing: 0). A displacement moves
  // every pixel of the polylines: a picture one by its whole pixels
  // (truncated toward zero), the others by the nearest pixel of their
  // length at the view.

  // An object painted with a paint record (null: its own image in its own
  // colours) on dc, its pixels from the rectangle's top left: 1, or 0
  // without dc or object or when its metric does not convert.
  int PaintMapObject95(HDC dc, const RECT& rect, TObjectInfo* object, const PAINTPARM* parm);
  // The same moved by a displacement; every argument is needed (0).
  int PaintOffsetMapObject95(HDC dc, const RECT& rect, TObjectInfo* object, const PAINTPARM* parm,
                             const DOUBLEPOINT* offset, int kind);
  // A caller's points of a kind painted with a paint record (code 255 has
  // no object here and paints nothing): 1, or 0 without dc, record,
  // points, or for a negative count. Points beyond the shared point
  // buffer are left out, the last part cut. PaintUserObject moves dc's
  // viewport origin by the rectangle's corner for the call.
  int PaintUserObject(HDC dc, const RECT& rect, const PAINTPARM* parm, const PLACEDATA* data,
                      int kind);
  int PaintUserObject95(HDC dc, const RECT& rect, const PAINTPARM* parm, const PLACEDATA* data,
                        int kind);
  // The same moved by a displacement of the points' kind, which moves a
  // user object by the rectangle's left and top further than a map
  // object.
  int PaintOffsetUserObject95(HDC dc, const RECT& rect, const PAINTPARM* parm,
                              const PLACEDATA* data, const DOUBLEPOINT* offset, int kind);
  using TMapPaint::PaintUserObject;
  // The objects of the seek selects of the total seek map rule (every map
  // for -1) in one colour: 1, 0 when the rule's map has no seek select or
  // without dc.
  int TotalPaintSelect95(HDC dc, const RECT& rect, COLORREF colour);
  // Window views: the window's client area shows the picture from the
  // point (of a kind; a picture point rounded) at its top left: the
  // document, a select in one colour (for the map the select is bound
  // to), an object, an object or caller's points with a paint record. The
  // painter's result; 0 without a window, a point, or when the point does
  // not convert.
  int View(HWND window, int erase, const DOUBLEPOINT* point, int kind);
  int ViewSelect(HWND window, const DOUBLEPOINT* point, TMapSelect* select, COLORREF colour,
                 int kind);
  // The total select (TotalPaintSelect95) from the point.
  int TotalViewSelect(HWND window, const DOUBLEPOINT* point, COLORREF colour, int kind);
  int ViewObject(HWND window, const DOUBLEPOINT* point, TObjectInfo* object, int kind);
  int ViewMapObject(HWND window, const DOUBLEPOINT* point, TObjectInfo* object,
                    const PAINTPARM* parm, int kind);
  int ViewOffsetMapObject(HWND window, const DOUBLEPOINT* point, TObjectInfo* object,
                          const PAINTPARM* parm, const DOUBLEPOINT* offset, int kind);
  int ViewUserObject(HWND window, const DOUBLEPOINT* point, const PAINTPARM* parm,
                     const PLACEDATA* data, int kind);
  int ViewOffsetUserObject(HWND window, const DOUBLEPOINT* point, const PAINTPARM* parm,
                           const PLACEDATA* data, const DOUBLEPOINT* offset, int kind);

  // --- Limits ---

  // The document's extent: kind 1 the region in map units, 2 the picture
  // (0, 0, width, height in pixels), 3 the region in plane metres, 4 the
  // smallest geographic frame holding the region's corners (only with a
  // geographic projection). 1, or 0 for a null frame or another kind.
  int GetMapLimit(DFRAME* frame, int kind);

  // --- View scale ---

  using TMapControl::ChangeViewScale;
  using TMapControl::SetViewScale;
  // The zoom that shows the map at 1:scale (base scale / scale; the scale
  // itself with a base scale below 1; 1.0 for a scale not above 0): 0 when
  // it lies outside 0.001..400 (nothing changed); else the picture point
  // (x, y) is scaled with the zoom so that it stays on its ground point,
  // and 1.
  int SetViewScale(LONG& x, LONG& y, float scale);
  // f x the zoom, which must lie within 0.001..400 (else 0, nothing
  // changed), (x, y) scaled by f; 1. f below 0.001: (x, y) divided by the
  // zoom and the zoom set to 1.0; 1.
  int ChangeViewScale(LONG& x, LONG& y, float f);

  // --- Coordinates (map units: discretes; picture: pixels from the
  // picture's top left, y downwards; plane: metres; geographic: radians) ---

  // Picture to map with the result rounded to the nearest unit.
  void PictureToMap(LONG& x, LONG& y) const;
  // To the nearest picture pixel.
  void MapToPicture(const DOUBLEPOINT* map, POINT* picture) const;
  void PlaneToPicture(const DOUBLEPOINT* plane, POINT* picture) const;
  void PictureToPlane(const POINT* picture, DOUBLEPOINT* plane) const;
  // Geographic (B, L) to the nearest picture pixel: 1, or 0 when the
  // transformation reports an error.
  int GeoToPicture(const DOUBLEPOINT* geo, POINT* picture);
  // 1 when the main map is open with a projection that converts to and
  // from geographic coordinates.
  int IsGeoSupported() const;
  // Copies count points from src to dst (when they differ) and converts
  // each between the kinds 1 map, 2 picture, 3 plane, 4 geographic (kind 4
  // only when IsGeoSupported); equal or unknown kinds leave the copy as
  // it is.
  void TransformPoints(const DOUBLEPOINT* src, int from, DOUBLEPOINT* dst, int count, int to);

  void MapToPlane(double& x, double& y) const;
  void PlaneToMap(double& x, double& y) const;
  void MapToPicture(double& x, double& y) const;
  void PictureToMap(double& x, double& y) const;
  void PictureToPlane(double& x, double& y) const;
  void PlaneToPicture(double& x, double& y) const;
  // Through the main map's transformation: 1, or 0 when it reports an
  // error.
  int PlaneToGeo(double& x, double& y);
  int GeoToPlane(double& b, double& l);

  // --- Geodetic systems (the 1942 datum on the Krasovsky ellipsoid, EP90,
  // WGS84): 1, or 0 when the main map's transformation reports an error.
  // The two-value forms take height 0, except where said ---

  // Plane to B, L of WGS84: a map of the 1942 datum shifts its point, at
  // the finest elevation matrix's height there (0 without one), or at the
  // caller's height (in and out).
  int PlaneToGeoWGS84(double& x, double& y);
  int PlaneToGeoWGS84(double& x, double& y, double& h);
  // Plane to B, L of the 1942 datum: a map of another datum is taken as
  // WGS84 and shifted, at the height as above.
  int PlaneToGeo42(double& x, double& y);
  int PlaneToGeo42(double& x, double& y, double& h);
  // Datum shifts of B, L (and H) in place; Geo42ToGeoWGS84 with two values
  // takes the finest elevation matrix's height at the point.
  int Geo42ToGeoWGS84(double& b, double& l);
  int Geo42ToGeoWGS84(double& b, double& l, double& h);
  int GeoWGS84ToGeo42(double& b, double& l);
  int GeoWGS84ToGeo42(double& b, double& l, double& h);
  int GeoEP90ToGeo42(double& b, double& l);
  int GeoEP90ToGeo42(double& b, double& l, double& h);
  int Geo42ToGeoEP90(double& b, double& l);
  int Geo42ToGeoEP90(double& b, double& l, double& h);
  // B, L of the 1942 datum become X, Y of the 6-degree zones on the NAHRWAN
  // datum.
  int Geo42ToPlaneUTM(double& b, double& l);
  int Geo42ToPlaneUTM(double& b, double& l, double& h);

  // --- Names and switches, in this order ---

  LONG TotalSeekMapRule = -1;
  LONG TotalSelectFlag = 0;
  char DocumentName[DOC_NAME_SIZE] = {};
  char MapIniName[DOC_NAME_SIZE] = {};
  LONG ProjectFlag = 0;
  char ProjectName[DOC_NAME_SIZE] = {};

 private:
  // A point of a kind to picture coordinates: 1, or 0 when it does not
  // convert.
  int PointToPicture(double& x, double& y, int kind);
  // A displacement of a kind in pixels (a user object's less the
  // rectangle's corner): 1, or 0 when it does not convert.
  int OffsetPixels(const DOUBLEPOINT& offset, int kind, const RECT& rect, int user, POINT* shift);
  // A caller's points of a kind into the polylines, from the rectangle's
  // top left: 1, or 0 for a damaged record or a point that does not
  // convert.
  int TakePlaceData(const PLACEDATA* data, int kind);
  void ShiftPoly(POINT shift);
  int PaintMapObjectBy(HDC dc, const RECT& rect, TObjectInfo* object, const PAINTPARM* parm,
                       const DOUBLEPOINT* offset, int kind);
  int PaintUserBy(HDC dc, const RECT& rect, const PAINTPARM* parm, const PLACEDATA* data,
                  const DOUBLEPOINT* offset, int kind);
  // A window's device context with the rectangle of the view from the
  // point, handed to `paint`.
  template <class Painter>
  int ViewAt(HWND window, const DOUBLEPOINT* point, int kind, Painter paint);
  // The chain opener of a kind, with the palette and the document name.
  int OpenInto(int kind, const char* name, int mode);
  int CloseOf(int kind, int n);
  void TakeName(const char* name);
  // Plane to B, L, shifted to WGS84 (toWgs84) or to the 1942 datum when
  // the map's datum is the other; the height from *h (written back) or
  // from the matrices.
  int ShiftedPlaneToGeo(double& x, double& y, double* h, int toWgs84);
};

// --- Documents as handles ---

// A new empty document in a block of its own; null when there is no memory
// or no shared point buffer.
TMapAccess* NewDocument();
// Destroys the document and gives its block back; nothing for null.
void FreeDocument(TMapAccess* doc);
// The document of a host's handle: a live document made by NewDocument;
// null for anything else (null, freed, a map that is no document).
TMapAccess* DocumentOf(HMAP handle);
// Documents alive now.
int LiveDocumentCount();
inline HMAP HandleOf(TMapAccess* doc) { return reinterpret_cast<HMAP>(doc); }
// The maps of a document as a host names them (HSITE): a user map by the
// address of its node in the document's chain of user maps
// (document/sitechain.h), the main map by 0 or by the document's own handle.
// A handle stays valid until its own user map is closed.
//
// The handle of map n (0: the document's own handle); 0 for a number that
// names no map or a null document.
HSITE SiteHandleOf(TMapAccess* doc, int n);
// The number of a site: 0 the main map, n for user map n; -1 for a null
// document and for a handle that names none of its maps.
int SiteNumberOf(TMapAccess* doc, HSITE site);
// The map of a site; null where SiteNumberOf gives -1.
TMap* SiteMapOf(TMapAccess* doc, HSITE site);
// The map of a host's pair of handles: a site of a document, or a live map
// that is no document (with site 0 or its own handle); null otherwise.
TMap* MapOfSite(HMAP hMap, HSITE site);
