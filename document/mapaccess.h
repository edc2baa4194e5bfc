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
  // The layers of the main map's classifier: their count, and the name of
  // layer n; 0 or "" without a classifier (or for a layer it has not).
  int GetLayerCount();
  const char* GetLayerName(int n);

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

  // --- Legend samples (document/legend.cpp) ---
  //
  // A sample of an object kind or of a bare primitive painted into the
  // rectangle of dc: over the caller's points (pixels from the rectangle's
  // top left), or over the sample geometry of the primitive (legend.h).
  // A view type other than 0 is the visual type for the call (3 and up
  // take a kind's print record, when it has one). Points without a text
  // borrow the sample text for the call (`text`, else "AaBbCc", or "12345"
  // by SampleText). Colours: the palette given (count colours), else the
  // classifier's for a kind, else the main map's. 1 when a sample was
  // painted, also the empty sample of a kind without a usable record (code
  // 127); 0 for a missing argument.

  // The kind `incode` of the classifier, over the sample geometry or over
  // the points.
  int PaintExampleObject(HDC dc, const RECT& rect, int incode, TMapRsc* rsc, int viewType,
                         const char* text);
  int PaintExampleObject(HDC dc, const RECT& rect, int incode, TMapRsc* rsc, POLYDATA* data,
                         int viewType);
  // A bare primitive (code and parameters) over the sample geometry of the
  // local kind, or over the points.
  int PaintExampleObject(HDC dc, const RECT& rect, int code, const char* parm, int count,
                         const COLORREF* palette, int viewType, const char* text, int local);
  int PaintExampleObject(HDC dc, const RECT& rect, int code, const char* parm, POLYDATA* data,
                         int count, const COLORREF* palette, int viewType);
  // The same at fill intensity 100, over the sample geometry of a line
  // when no points are given; without code or parameters the empty sample.
  int PaintExampleObjectReal(HDC dc, const RECT& rect, int code, const char* parm,
                             POLYDATA* data, int count, const COLORREF* palette, int viewType,
                             const char* text);
  using TMapPaint::PaintExampleObject;
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

  // --- Object search on the document (search/docseek.cpp) ---
  //
  // A search takes its place from an object handle (nothing when the
  // handle holds no object: a next search is then a first one, a previous
  // one a last one) and binds the handle to the object found; null (the
  // handle left alone) when there is none. Flags are the SEEK_* of
  // types/objtypes.h; map numbers are 0 for the main map, then the user
  // maps. A null argument that is needed gives the failure result.

  // Under a select (null: each map's seek select); SEEK_THISMAP keeps the
  // walk in the select's map (the handle's without a select), or in map m,
  // and a handle's object in another map is no place to go on from.
  TObjectInfo* SeekObject(TObjectInfo* info, TMapSelect* select, int flags);
  TObjectInfo* SeekObject(TObjectInfo* info, TMapSelect* select, int m, int flags);
  // The same with SEEK_VIEW: only what the view shows.
  TObjectInfo* SeekViewObject(TObjectInfo* info, TMapSelect* select, int m, int flags);
  // The total search: the maps of the total seek map rule (one map with
  // its seek select, or every map with its own), only what the view shows
  // while the view rule is set.
  TObjectInfo* TotalSeekObject(TObjectInfo* info, int flags);
  // A key range of one sheet; SEEK_THISMAP keeps the walk in map m.
  TObjectInfo* SeekObject(TObjectInfo* info, const KEYSELECT* keys, int m, int flags);
  // The first undeleted object with the key on a sheet of map m.
  TObjectInfo* SeekObject(TObjectInfo* info, int sheet, DWORD key, int m);
  // The first undeleted object with the key on the sheet named so
  // (trailing blanks and case ignored): the main map's sheets from the
  // last, then the user maps from the last by their sheet 1; only the
  // first sheet of the name is searched.
  TObjectInfo* SeekObject(TObjectInfo* info, const char* name, DWORD key);
  using TMapControl::SeekObject;

  // Objects the total search would find.
  int TotalSeekObjectCount();
  // 1 and the plane frame of every object the total search finds; 0 with
  // the frame untouched when it finds none.
  int GetTotalSeekBorder(DFRAME* frame);
  // The rule stored: n >= 0 naming no map becomes 0; a negative one is
  // kept. Read: -1 all maps, -2 for a rule naming no map.
  int SetTotalSeekMapRule(int n);
  int GetTotalSeekMapRule();
  // null: all maps (-1); a map not in the document: the main map. The rule.
  int SetTotalSeekMap(TMap* map);
  // The rule's map; null for all maps. A rule whose map is gone becomes 0.
  TMap* GetTotalSeekMap();
  // Over the maps with a seek select: 0 when none is marked for its own
  // map, -1 when all are, else the first marked map's number.
  int GetSelectedSeekMapRule();
  // The view mark of the main map's seek select (of user map 1 when the
  // main map is closed); -1 without a select.
  int GetSelectedSeekViewRule();
  // Freezes the seek selects of the rule's maps, so that objects added
  // later are not found: 1, or the one select's result (0 when missing).
  int FreezeMapContents();
  int DefreezeMapContents();
  // The select's count, or the sum over every map's seek (view) select.
  int SeekSelectObjectCount(TMapSelect* select);
  int ViewSelectObjectCount(TMapSelect* select);
  // The main map's view select takes the select's conditions: 1 or 0.
  int SetViewSelect(TMapSelect* select);

  // The first object (deleted ones too) with the key on the sheet named so
  // (the main map's sheets from the first, then the user maps from the
  // last) into that map's view (seek) select's sample: the append's
  // result, 0 when none. The seek form lets every localisation pass first.
  int SelectViewSample(const char* name, LONG key);
  int SelectSeekSample(const char* name, LONG key);
  // Into the select's sample (its map, else the main map): the first
  // object with the key on the first sheet whose name is exactly the name
  // (case ignored); the append's result, 0 when none.
  int SetSample(TMapSelect* select, const char* name, LONG key);
  // Every object with the key on the sheet: how many went in.
  int SetSample(TMapSelect* select, LONG sheet, LONG key);
  // Object `number` of the sheet into or out of the sample: 1 or 0.
  int SetSampleByNumber(TMapSelect* select, LONG sheet, LONG number);
  int DeleteSampleByNumber(TMapSelect* select, LONG sheet, LONG number);
  // The select's sample, or (null) the sample of every map's seek select.
  void ClearSample(TMapSelect* select);
  // The area (an object of one of the document's maps, two points at
  // least) on every map's seek select: map m (-1: every map) is searched
  // at once (seek nonzero), filtered by its view select when `view` is
  // set; the others only take the area. 1 when every seek select took
  // it; the total search rules then become m and view.
  int SetSeekArea(TObjectInfo* area, double distance, int keep, int relation, int view, int seek,
                  int m);

  // The k-th sheet of the main map (k <= 1: the first) holding the point
  // (of a coordinate kind 1 map, 2 picture, 3 plane, 4 geographic)
  // strictly inside; 0 when none or for another kind.
  int WhatListNumber(double x, double y, int k, int kind);
  int WhatListNumber(LONG x, LONG y, int k);
  // That sheet's name; null when none.
  const char* WhatListName(double x, double y, int k, int kind);
  const char* WhatListName(LONG x, LONG y, int k);
  // The name of sheet n of the main map; null for n = 0 or no map.
  const char* GetListName(int n);
  // The first open map (0 main, then user maps) with a sheet of that name
  // (case ignored); -1 when none.
  int WhatListLayoutIs(const char* name);

  // --- Hit test on the picture (search/whatobject.cpp) ---
  //
  // The frame (copied; of a coordinate kind 1 map, 2 picture, 3 plane, 4
  // geographic) is taken to map units; the place is the handle's object
  // for a next or previous search. The handle bound to the object found,
  // or null. A null select lets each map's view select decide.
  TObjectInfo* WhatObjectFrame(TObjectInfo* info, DFRAME* frame, int flags, int kind,
                               TMapSelect* select);
  TObjectInfo* WhatObject(TObjectInfo* info, DFRAME* frame, int flags, int kind);
  // A frame in map units. A next (previous) search from a handle without
  // an object is a plain first (last) search, its other flags dropped.
  TObjectInfo* WhatObject(TObjectInfo* info, DFRAME* frame, int flags);
  // The search of the object functions: that rule, then a frame of the
  // kind given, without a select.
  TObjectInfo* WhatObjectNoSelect(TObjectInfo* info, DFRAME* frame, int kind, int flags);
  using TMapControl::WhatObject;

  // --- Adjacency search (search/adjacent.cpp) ---
  //
  // The stretches of the source's contours that other objects of map m
  // touch within the precision (metres): its consecutive points and the
  // midpoints between them lie that near the other's contour. The select
  // takes the source as its area and keeps it. No errors: 0.

  // The next such stretch, on the outer contour alone (subjects 0) or on
  // every contour: the section count (> 0) with the section and the
  // neighbour handle filled, or 0 when there is no more. Flags are those
  // of the object search; flags 0 or a section count of 0 start over, and
  // an ended search goes on answering 0.
  int SeekAdjacentObject(TObjectInfo* neighbour, TObjectInfo* source, MAPADJACENTSECTION* section,
                         TMapSelect* select, double precision, int flags, int m, int subjects);
  // The same from contour *subject, which gets the stretch's contour.
  int SeekAdjacentObjectSubject(TObjectInfo* neighbour, TObjectInfo* source,
                                MAPADJACENTSECTION* section, int* subject, TMapSelect* select,
                                double precision, int flags, int m);
  // The partition of the source's contours (the outer one alone for
  // subjects 0) into touched and untouched stretches, in contour and point
  // order, point numbers running on through the contours (a closed
  // contour's closing point counts as its first); with `single` a stretch
  // of one point is not listed. At most `count` records: their number, 0
  // on failure. A capacity of 1 takes the first touched stretch as it is
  // found.
  int SeekAdjacentList(TObjectInfo* source, MAPADJACENTLISTEX* list, int count,
                       TMapSelect* select, double precision, int single, int m, int subjects);
  // The same over every contour, `subjects` receiving each record's
  // contour (before the numbers run on).
  int SeekAdjacentListSubject(TObjectInfo* source, MAPADJACENTLISTEX* list, int* subjects,
                              int count, TMapSelect* select, double precision, int single, int m);

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
// The live document a site names: the document of its own handle, or the
// one whose chain holds the user map; null for 0 and for anything else.
TMapAccess* DocumentOfSite(HSITE site);
