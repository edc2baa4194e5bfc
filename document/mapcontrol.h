// TMapControl: the link of the document chain that holds the data of a map
// document and paints it. Above the painting link (TPaintMetric) it keeps
// the main map's view (base scale, show scale, scale index), the three
// selection contexts, the chains of rasters, elevation matrices, quality
// matrices, layer matrices and user maps, the painter tables chosen by the
// visual type and the host's callbacks; it opens and closes the main map,
// computes the document region, refreshes data whose files changed and
// paints the document layer by layer, sheet by sheet and object by object.
//
// The files of the chains (rasters, matrices, user maps) and projects are
// opened, closed and painted through the slots of DocumentKinds. Rasters,
// elevation and quality matrices open into their chains through
// document/rmfchains.h, layer matrices through document/mtlchains.h, and
// all of them paint through document/rmfdisplay.h; user maps are the
// document's own chain (document/sitechain.h). Until the project reader is
// in the library its slot refuses its kind with 60040.
#pragma once

#include <cstdint>

#include "types/hosttypes.h"
#include "document/docselect.h"
#include "drawing/paintmetric.h"
#include "drawing/primtables.h"
#include "objects/objectinfo.h"
#include "platform/export.h"
#include "platform/win_types.h"
#include "raster/mtlchain.h"
#include "raster/rmfunit.h"
#include "raster/showstate.h"
#include "types/mtltypes.h"
#include "types/mtrtypes.h"

class TMapControl;
class TBaseColors;
class TRst;
struct SITENODE;

// The chain of the user maps, in the order they were opened.
struct DATACHAIN {
  LONG Count;
  void* First;
  intptr_t Further;
};

// The kinds of data a document opens besides its main map.
enum DOCKIND : int {
  DOCKIND_RST = 0,  // rasters
  DOCKIND_MTR,      // elevation matrices
  DOCKIND_MTQ,      // quality matrices
  DOCKIND_MTL,      // layer matrices
  DOCKIND_SITE,     // user maps
  DOCKIND_MPT,      // projects (open into the document; no chain)
  DOCKIND_COUNT
};

// The slot of one kind: its opener (the unit's number, 0 after reporting),
// its closer (unit n, 0: all), its painter (the units that lie under the
// map for `over` 0, over it for 1: 1, or -1 when the break callback
// stopped it) and, for projects, the writer (1, or 0 after reporting). The
// component that reads the kind's files fills its slot; a null entry does
// nothing.
//
// Painters paint into the document's current target: PaintDc with its
// technology (the memory image's context on the memory-image roads, a
// device, the second image of a window picture or a printed band) and,
// for the memory image, the paint context's picture rows. ShowUnit paints
// unit n alone (below 1: every visible unit); AddColors adds the colours
// of every unit to the document's palette (TMapPalette::SetPalette, each
// into the unit's own colour index).
struct DOCUMENTKIND {
  int (*Open)(TMapControl* doc, const char* name, int mode);
  void (*Close)(TMapControl* doc, int n);
  int (*Show)(TMapControl* doc, int over);
  int (*Save)(TMapControl* doc, const char* name);
  const char* ComesWith;  // the component that brings the kind
  int (*ShowUnit)(TMapControl* doc, int n);
  void (*AddColors)(TMapControl* doc, TMapPalette* palette);
};
extern DOCUMENTKIND DocumentKinds[DOCKIND_COUNT];
// The slot as the library has it now (for a test that replaced one).
DOCUMENTKIND DefaultDocumentKind(int kind);


// Primitives painted since the last paint step (a library global: one
// painting at a time). The memory-image roads set it to 0 before painting
// and put it back afterwards.
extern LONG PaintStepCounter;
// How signs grow with the zoom: 0 damped (the initial method), any other
// value the full zoom. Taken by every document when it paints.
extern LONG ScaleMethodValue;

enum : int {
  ROUND_SCALE_COUNT = 27,       // round scales from 1 to 250 000 000
  DOC_COLOR_INDEX = 272,        // bytes of the map colour index
  SELECT_LINE_THICKNESS = 500,  // initial thickness of lines painted by a select
  SIGN_ZOOM_LIMIT = 10,         // the largest damped zoom of a scalable sign
};

class MAPCLASS TMapControl : public TPaintMetric {
 public:
  TMapControl();
  ~TMapControl();
  TMapControl(const TMapControl&) = delete;
  TMapControl& operator=(const TMapControl&) = delete;

  // --- Data ---

  // Opens the main vector map (an open one is closed first; the other
  // data stay): 1, or 0 after reporting.
  int OpenMap(const char* name, int mode);
  // Closes the main map and recomputes the region.
  void CloseMap();
  // Closes everything: layer matrices, quality matrices, elevation
  // matrices, rasters, the main map, user maps.
  void Close();
  // 1 when the main map or any chain holds data.
  int IsActive() const;
  // The map of user map n (0: the main map); null when there is none.
  TMap* GetMap(int n) const;
  // Refreshes the data whose files another writer changed: 1 when anything
  // changed, else 0.
  int AdjustData();
  // The chains' slots (DocumentKinds): the unit's number, 0 after
  // reporting; closing unit n (0: all).
  int OpenChain(int kind, const char* name, int mode);
  void CloseChain(int kind, int n);

  // --- View ---

  // The document region and base scale from the first data open (the main
  // map, else elevation matrix 1, layer matrix 1, raster 1, user map 1,
  // quality matrix 1), the chains' positions and the picture frame.
  void SetRegion();
  // A map as the base data: the region its frame, the base scale its
  // scale, the plane origin its origin; with `units` the document's
  // discretes as TakeMapUnits gives them.
  void TakeBaseMap(TMap* map, int units);
  // The document's discretes and their metres taken from a map: a map kept
  // in plane metres has the base scale as discrete scale (one discrete,
  // one metre); another its own precision and metres per discrete.
  void TakeMapUnits(TMap* map);
  // The zoom (clamped to 0.001..400): draw scale, region, show scale and
  // the scale index of the main map. Returns the zoom in force.
  double SetViewScale(double zoom);
  double GetViewScale() const { return DrawScale; }
  // SetViewScale with f x the zoom.
  double ChangeViewScale(double f);
  // The zoom that shows the base data at 1:s (s below 1 taken as 1; with a
  // base scale below 2 the zoom is s); returns the base scale as it was.
  LONG SetShowScale(LONG s);
  LONG GetMapScale() const { return BaseScale; }
  // Base scale / zoom; 1.0 when the zoom is at most 0.001.
  double GetRealShowScale() const;
  // The scale index of a map at a show scale: the thresholds of the map's
  // scale table row (1, or 0 for any other number) lying below it.
  static int ScaleIndexOf(int tableNumber, LONG showScale);
  // The round scale nearest to s (of 1, 2, 5, 10, 25, ... 250000000): the
  // largest r that s (truncated) exceeds, or exceeds the midpoint of r and
  // the next smaller; 1 below 1, 250000000 above it.
  static LONG ScaleToRoundScale(double s);
  static LONG GetNewShowScale(LONG s) { return ScaleToRoundScale(double(s)); }

  // --- User maps (document/sitechain.cpp) ---
  //
  // The user maps lie over or under the main map in one chain of nodes,
  // painted in chain order. A user map is named by its position 1..count;
  // number 0 is the main map wherever a number is taken. Every accessor
  // answers a number outside the chain with its absent value (null, -1 or
  // "") and changes nothing.

  // The node of user map n; null for n outside 1..count or a broken chain.
  SITENODE* GetSiteChain(int n) const;
  LONG GetSiteCount() const { return SiteChainHead.Count; }
  // Opens the vector map file `name` as a user map (mode: the map file's
  // access, as TMap::OpenData takes it) and checks it against the main map
  // (region, axis meridian, coordinate system) with the user's answers
  // while message boxes are enabled. The new user map's number; the
  // number of the user map that has the file open already; 0 for the main
  // map's own file, a map that does not open, a refused question or no
  // memory (60001 reported), the chain then as it was.
  int OpenSite(const char* name, int mode);
  // Closes user map n (0: every user map); later ones move up a number.
  // The region stays as it was.
  void CloseSite(int n);
  // Moves user map `from` to position `to`: 1, or 0 when they are equal or
  // either names no user map.
  int ChangeOrderSiteShow(int from, int to);
  // The flags of map n. MapEdit answers the effective edit flag (set, the
  // map open and its file writable); the others the flag stored. A value
  // of 0 or more is stored. -1 for a map that is not there.
  int MapEdit(int n, int value);
  int MapVisible(int n, int value);
  int MapInquiry(int n, int value);
  // User map n lies over (1) or under (0) the main map: a value of 0 or
  // more is stored and returned, a negative one reads; -1 for the main map
  // or a number not in the chain.
  int MapViewOrder(int n, int value);
  // The map file's path and the map's name; "" when absent.
  const char* MapFileName(int n) const;
  const char* MapSheetName(int n) const;
  // The map's classifier; null when absent.
  TMapRsc* GetResource(int n) const;
  // 0 for the document's own map, the number of a user map, -1 otherwise.
  int GetMapNumber(const TMap* map) const;
  // The selects of map n: the view select (what painting shows), the seek
  // select (what searches find) and the real select (built from what the
  // map holds); null when absent.
  TMapSelect* GetViewSelect(int n);
  TMapSelect* GetSeekSelect(int n);
  TMapSelect* GetRealSelect(int n);
  // Builds map n's real select again when the map changed since it was
  // built (its change counter), or always with `force`.
  void AdjustRealSelect(int n, int force);
  // The callback told of every object change, handed to the main map and
  // to every user map (and to those opened later): 1.
  int SetChangeCall(MAPCHANGECALL call, intptr_t parameter);
  // Paints the visible user maps of one layer (over 0: under the main map,
  // 1: over it) whose visible scale range holds the show scale: 1, 0 for a
  // broken chain.
  int ShowSitePlace(int over);
  // Paints one map kept in plane metres (a user map, or a main map of that
  // kind) through the select: 1, 0 when it is not painted, -1 when the
  // break callback stopped it.
  int ShowMapBySelect(TMap* map, TMapSelect* select);

  // --- Object search over the maps (search/objectseek.cpp) ---
  //
  // Maps are walked in number order (0 the main map, then the user maps),
  // sheets in number order and the objects of a sheet along its chain (or
  // along a sample in force). A search starts from a place {sheet, object,
  // map} and writes the place of the object found there. Flags are the
  // SEEK_* of types/objtypes.h. No errors: 1 (the place written) or 0.

  // The object after (SEEK_NEXT) or before (SEEK_PREV) the place, or the
  // first or last one, that passes the select (null: each map's own seek
  // select) and its area while that is on; SEEK_THISMAP keeps to the
  // place's map, SEEK_VIEW asks the map's view select too.
  int SeekObject(MAPOBJDESC* place, TMapSelect* select, int flags);
  // The walk of map n alone (SEEK_VIEW: what its view shows too).
  int SeekObjectInMap(int n, MAPOBJDESC* place, TMapSelect* select, int flags);
  // The same with SEEK_VIEW.
  int SeekViewObjectInMap(int n, MAPOBJDESC* place, TMapSelect* select, int flags);
  // The objects of the range's sheet whose key lies in the range, by
  // number, in the maps' order; in one map.
  int SeekObject(MAPOBJDESC* place, const KEYSELECT* keys, int flags);
  int SeekKeyInMap(TMap* map, MAPOBJDESC* place, const KEYSELECT* keys, int flags);

  // --- Hit test on the picture (search/whatobject.cpp) ---
  //
  // Which object is drawn in a frame (map units): the maps, sheets and
  // objects in the order of the object search, an object counting when
  // its sign as painted touches the frame. The test window is shared with
  // painting: no hit test while a picture is painted.

  // The place (written) of the first (last, next, previous) object hit,
  // or null. Maps not shown are passed over; with SEEK_THISMAP and a
  // select of another map the search moves to the select's map. The
  // frame comes back with X1 <= X2 and Y1 <= Y2.
  MAPOBJDESC* WhatObject(MAPOBJDESC* place, DFRAME* frame, int flags, TMapSelect* select);
  // Map n alone: it must be open, have sheets and its inquiry flag, and be
  // the select's map (without a select its view select decides): 1 and
  // the place, or 0.
  int WhatObjectInMap(MAPOBJDESC* place, DFRAME* frame, TMapSelect* select, int n, int flags);
  // Whether the sign of an object of the map's current sheet touches the
  // test window as the hit test has set it up: 1 or 0.
  int TestObjectImage(const FVSPR* desc, TMap* map);
  // 1 when the object is not deleted and its frame meets the frame (both
  // in sheet units); 0 for a null descriptor or frame.
  static int IsObjectInFrame(const FVSPR* desc, const FRAME* frame);

  // --- Rasters, elevation matrices and quality matrices
  // (document/rmfchains.cpp) ---
  //
  // Each kind lies in a chain of units numbered 1..count in the order they
  // are shown and asked for heights; a unit owns its open file, its
  // colours and the view settings of the file in this document. A number
  // outside the chain gives the absent value of each operation (null, 0,
  // "" or -1 as said) and changes nothing.

  // Opens a file of a kind (RMF_RSW, RMF_MTW, RMF_MTQ) into its chain: the
  // unit's number; a name already in the chain (same bytes) gives that
  // unit again, set up anew with its view and view order kept. 0 after
  // reporting 60006 (not opened) or 60001 (no memory), and when the user
  // refuses a matrix that lies outside the map or is of another type.
  int OpenChainFile(const char* name, int mode, DWORD kind);
  int OpenRst(const char* name, int mode);
  int OpenMtr(const char* name, int mode);
  int OpenMtq(const char* name, int mode);
  // Closes unit n, or all when n is 0, and recomputes the region (the
  // elevation matrices also their colour ranges; a quality matrix keeps
  // the colours it was shown with in its file).
  void CloseRst(int n);
  void CloseMtr(int n);
  void CloseMtq(int n);
  // Another file opened into an existing unit and the unit set up from
  // it as opening sets a unit up: 1; 0 with the unit as it was.
  int ChangeRst(RMFCHAIN* unit, const char* name, int mode);
  int ChangeMtr(RMFCHAIN* unit, const char* name, int mode);
  // A unit set up from its file (a raster's colours kept with
  // `keepColors`).
  void InitRstChainUnit(RMFCHAIN* unit, int keepColors);
  void InitMtrChainUnit(RMFCHAIN* unit);
  // Unit n of the raster, elevation and quality chains.
  RMFCHAIN* GetRstChain(int n);
  RMFCHAIN* GetChain(int n);
  RMFCHAIN* GetMtqChain(int n);
  // The number of the first raster whose file name equals the name, case
  // not counted; 0.
  int GetRstNumberByName(const char* name);
  // The raster of a unit at a level (0 itself, else its first reduced
  // copy, built when missing); null.
  TRst* GetRstClass(RMFCHAIN* unit, int level);

  // View (0 hidden), mask type and view order (0 under the vector map, 1
  // over it; a negative order only reads it): -1 without the unit. The
  // colour visibility byte i (0 for i outside 0..255).
  int CheckRstView(int n);
  int SetRstView(int n, int view);
  int GetRstMaskType(int n);
  int SetRstMaskType(int n, int type);
  int RstViewOrder(int n, int order);
  int CheckRstPaletteView(int n, int i);
  int SetRstPaletteView(int n, int i, int view);
  // The file name; "" without the unit.
  const char* GetRstName(int n);
  // The raster's colours as painted (brightness and contrast applied) and
  // as set; null without the unit.
  const COLORREF* GetRstPalette(int n);
  const COLORREF* GetRstStandardPalette(int n);
  int GetRstBright(int n);
  int GetRstContrast(int n);
  // Moves unit `from` to position `to`: 1, or 0.
  int ChangeOrderRstShow(int from, int to);
  // The precision (elements per metre) of the unit and its file: n, or 0.
  int SetRstPrecision(int n, double precision);
  // The frame in the document's picture elements, and in metres.
  DFRAME* GetRstFrame(int n);
  DFRAME* GetRstFrameMeters(int n);

  int CheckMtrView(int n);
  int SetMtrView(int n, int view);
  int GetMtrMaskType(int n);
  int SetMtrMaskType(int n, int type);
  int MtrViewOrder(int n, int order);
  const char* GetMtrName(int n);
  int ChangeOrderMtrShow(int from, int to);
  int ChangeOrderMtqShow(int from, int to);
  // The description and projection data of elevation matrix n: 1, or 0.
  int GetMtrDescribe(int n, MTRDESCRIBE* describe);
  int GetMtrProjectionData(int n, MTRPROJECTIONDATA* data);
  // The number of the k-th elevation matrix (k from 1) whose frame holds
  // the point (edges included); 0.
  int GetMtrNumberInPoint(double x, double y, int k);

  // Relief shading of the elevation matrices and of quality matrix n:
  // 0..16 kept, any other value becomes 4; the value kept (0 without the
  // unit).
  int SetMtrShadow(int value);
  int GetMtrShadow();
  int SetMtqShadow(int n, int value);
  int GetMtqShadow(int n);

  // Borders. Set from a record of plane points (metres), kept in elements
  // (a raster keeps the fractions, a matrix whole elements) and saved: 1,
  // or 0. The stored border when it has points, else null. Shown by its
  // border only when it has one (then saved): 1, or 0; the border display
  // of the file, -1 for n = 0 or without the unit.
  int SetRstBorderPlane(int n, TDataEdit* border);
  TDataEdit* GetRstBorderPlane(int n);
  int SetMtrBorderPlane(int n, TDataEdit* border);
  TDataEdit* GetMtrBorderPlane(int n);
  int SetMtqBorderPlane(int n, TDataEdit* border);
  TDataEdit* GetMtqBorderPlane(int n);
  int ShowRstByBorder(int n, int on);
  int ShowMtrByBorder(int n, int on);
  int ShowMtqByBorder(int n, int on);
  int CheckShowRstByBorder(int n);
  int CheckShowMtrByBorder(int n);
  int CheckShowMtqByBorder(int n);

  // Colour visibility of rasters of 16 or 256 colours: the byte of index i
  // (-1 for another colour count, an index outside 0..255 or no unit); set
  // (on non-zero: shown): 1, or 0 when not allowed; the file form also
  // stores all 256 in the file.
  int CheckVisibilityColor(int n, int i);
  int SetVisibilityColor(int n, int i, int on);
  int SetVisibilityColorInRstFile(int n, int i, int on);
  // Raster colours: the unit's colour count (2, 16 or 256 by the depth of
  // a palette raster), brightness and contrast (the value kept), colour i
  // of 0..255 (1, or 0), the file's palette again with no brightness or
  // contrast (1, or 0).
  int GetRstColorCount(int n);
  int SetRstBright(int n, int bright);
  int SetRstContrast(int n, int contrast);
  int SetRstColor(int n, COLORREF color, int i);
  int RestoreRstPalette(int n);
  // The negative byte of the raster's header; -1 without the unit.
  int CheckInversionRst(int n);
  // Shows raster n inverted (value non-zero) or not: the negative byte,
  // and for rasters of 3..256 colours the colours inverted in the file's
  // palette and the unit's colours when the state changes. 1, or 0.
  int InvertRst(int n, int value);

  // Colour step i of the elevation palette over elevation matrix n's
  // range (i below the palette count), and of quality matrix n's own
  // colours (i below 256; a step at or past its count has colour 0): 1,
  // or 0. Setting colour i of the elevation palette (i below its count)
  // or of quality matrix n (i below its count): 1, or 0.
  int GetMtrColorDesc(int n, int i, MTRCOLORDESCEX* desc);
  int SetMtrColor(int n, COLORREF color, int i);
  int GetMtqColorDesc(int n, int i, MTRCOLORDESCEX* desc);
  int SetMtqColor(int n, int i, COLORREF color);

  // --- Heights and values at a point (document/rmfheights.cpp) ---
  //
  // Points are plane metres (X north, Y east); heights are metres;
  // -111111.0 means no height.

  // The first elevation matrix in chain order that has a height, else the
  // layer matrices' first.
  double GetHeightValue(double x, double y);
  // Elevation matrix n only.
  double GetHeightValue(int n, double x, double y);
  // The elevation matrix of the finest element (the earlier of equal
  // ones), else the finest layer matrix.
  double GetPrecisionHeightValue(double x, double y);
  // Interpolated in a triangle of elements of the finest matrix giving a
  // height within its range, else of the finest layer matrix.
  double GetPrecisionHeightTriangle(double x, double y);
  // The finest heights at count points evenly from first to last; the
  // caller's first point ends on the last inner point. 1, or 0 for null
  // heights or a count below 2.
  int GetHeightArray(double* heights, int count, DOUBLEPOINT* first, DOUBLEPOINT* last);
  // Writes a height into elevation matrix n (its range widened): 1, or 0.
  int PutHeightValue(LONG n, double x, double y, double h);

  // --- Layer matrices (document/mtlchains.cpp) ---
  //
  // Numbered 1..count in chain order; -111111.0 is no height and
  // -1111111.0 no layer thickness (layers counted from 1).

  // Empties the chain without closing anything.
  void InitMtlChain();
  // Opens a layer matrix: its number (a name already open gives that unit
  // again with its view and view order kept); 0 after reporting 60001 or
  // 60006, or when the user refuses a matrix outside the map.
  int OpenMtl(const char* name, int mode);
  // Closes matrix n, or all when n is 0 (each saved first).
  void CloseMtl(int n);
  MTLCHAIN* GetMtlChain(int n);
  // Fills a unit from its matrix: 1, or 0 without a layer block.
  int InitMtlChainUnit(MTLCHAIN* unit);
  // View and mask type (0 without the unit), view order (-1 without it; a
  // negative order only reads it), the file name (null).
  int CheckMtlView(int n);
  int SetMtlView(int n, int view);
  int GetMtlMaskType(int n);
  int SetMtlMaskType(int n, int type);
  const char* GetMtlName(int n);
  int MtlViewOrder(int n, int order);
  int ChangeOrderMtlShow(int from, int to);
  // The border from plane points (kept in elements, saved): 1, or 0; the
  // stored border when it has a point, else null; shown by its border
  // only when it has one (1, or 0); the switch, -1 for n = 0 or no unit.
  int SetMtlBorderPlane(int n, TDataEdit* border);
  TDataEdit* GetMtlBorderPlane(int n);
  int ShowMtlByBorder(int n, int show);
  int CheckShowMtlByBorder(int n);
  // Surface heights and layer thicknesses: the first matrix in chain order
  // that answers, matrix n alone, interpolated in matrix n, or from the
  // finest matrix at the point; writing them into matrix n (1, or 0).
  double GetElementHeight(double x, double y);
  double GetElementHeight(int n, double x, double y);
  double GetElementPower(double x, double y, LONG layer);
  double GetElementPower(int n, double x, double y, LONG layer);
  int GetElementPowersTriangle(int n, double x, double y, double* powers, int count);
  double GetElementPowerTriangle(int n, double x, double y, int layer);
  int PutElementHeight(LONG n, double x, double y, double h);
  int PutElementPower(LONG n, double x, double y, double power, LONG layer);
  double GetPrecisionElementHeight(double x, double y);
  double GetPrecisionElementPower(double x, double y, LONG layer);
  // The finest layer-matrix heights along a line, as GetHeightArray.
  int GetHeightArrayFromMtl(double* heights, int count, DOUBLEPOINT* first, DOUBLEPOINT* last);
  int GetMtlDescribe(int n, MTLDESCRIBE* describe);
  int GetMtlProjectionData(int n, MTRPROJECTIONDATA* data);
  // The number of the k-th matrix whose frame holds the point; the last
  // shown matrix; 0 when none.
  int GetMtlNumberInPoint(double x, double y, int k);
  int GetMtlNumberLastVisible();
  // The layer count (0) and the largest summary power (-1111111.0) of
  // matrix n.
  int GetLayerCountOfMtl(LONG n);
  double GetMaxSummaryPowerOfMtl(LONG n);

  // --- Raster and matrix display (document/rmfdisplay.cpp) ---
  //
  // The units of a place (0 under the vector map, 1 over it) whose view is
  // on and whose scale range holds the show scale, in chain order, into a
  // target image (null: the paint context's picture) or, from visual type
  // 3 up, onto the document's device; one unit alone (n below 1: every
  // shown unit) onto the default target. 1, or 0 when the host's break
  // callback stopped it, for a null chain or unit and for a unit n (n
  // above 0) the chain has not. The place painters and ShowRst, ShowMtr
  // and ShowMtl paint through the display state (Display), whose frame and
  // block addresses they clear when they return.
  int ShowRstPlace(int place, DIBCONTEXT* dib);
  int ShowRst(int n);
  int ShowChainRst(int n, DIBCONTEXT* dib);
  // Elevation or quality matrices of a chain (&MtrChainHead or
  // &MtqChainHead), and layer matrices.
  int ShowMtrPlace(CHAININFO* chain, int place, DIBCONTEXT* dib);
  int ShowMtr(CHAININFO* chain, int n);
  int ShowChainMtr(RMFCHAIN* unit, DIBCONTEXT* dib);
  int ShowMtlPlace(int place, DIBCONTEXT* dib);
  int ShowMtl(int n);
  int ShowChainMtl(MTLCHAIN* unit, DIBCONTEXT* dib);
  // The visible rectangle of the display state's frame (Display.Frame, in
  // elements) at the current element scale (SetElemScale with the unit's
  // picture factor): Display.Bottom, Left, Top, Right and the frame's
  // fractions written; 1 when it meets the region, 0 (also without a
  // frame) when not.
  int CheckViewRmf();
  // The transparency pattern of a mask type and view value (row i of the
  // pattern in byte i, column j in bit j): its period, 0 for a view below
  // 2 (no pattern, the bytes untouched) or a null pattern.
  static int BuildMaskPattern(int type, int view, BYTE* pattern);
  // The current block of the display state (span, block size, data, start
  // element positions, block flag, pattern, depth and colour visibility as
  // Display holds them) painted into the target image (null: the paint
  // context's picture) or onto the document's device: an 8-bit raster
  // block, a raster block of 1, 4, 8, 16, 24 or 32 bits with the unit's
  // colours (true colours need them), an elevation or quality matrix
  // block, a layer matrix block (relief needs the neighbours' data). The
  // span is kept inside the draw place and the target; a block larger
  // than the file's blocks, of another depth than the file's, or without
  // data paints nothing.
  void ShowBlockRstDib256(TRmf& file, DIBCONTEXT* dib);
  void ShowBlockRstDib(TRmf& file, DIBCONTEXT* dib, TBaseColors* colors);
  void ShowBlockRstDevice(TRmf& file, TBaseColors* colors);
  void ShowBlockMtrDib(RMFCHAIN* unit, DIBCONTEXT* dib);
  void ShowBlockMtrDevice(RMFCHAIN* unit);
  void ShowBlockMtlDib(MTLCHAIN* unit, DIBCONTEXT* dib);
  void ShowBlockMtlDevice(MTLCHAIN* unit);

  // --- Edit transactions of map n (0: the main map) ---

  int OpenTransaction(int n, int type);
  int CloseTransaction(int n);

  // --- Painting ---

  // Stores the type and chooses the painter tables; returns the previous
  // type.
  int SetVisualType(int type);
  // Paints the whole document into the current paint target: 1, or -1
  // when the break callback stopped it.
  int ShowData();
  // The main vector map: 1, 0 without a map or sheet, -1 when stopped.
  int ShowMap();
  // Sheet n: 1, 0 when it is not shown, -1 when stopped.
  int ShowList(int n);
  // One object of the current sheet of a map (the main map when none is
  // given): 1 drawn or skipped, 0 without a metric to draw, -1 when
  // stopped.
  int ShowObject(const FVSPR* desc, float zoom) { return ShowObject(this, desc, zoom); }
  int ShowObject(TMap* map, const FVSPR* desc, float zoom);
  // 1 when the object may be drawn at the current view.
  int CheckObjectVisible(const FVSPR* desc, TMap* map) const;
  // The kind's image and the object's own graphics: 1, 0 when stopped.
  int PaintObjectImage(int key, TMap* map, float zoom, POLYDATA* data);
  int PaintObjectGraphics(const FVSPR* desc, TMap* map, float zoom, POLYDATA* data);
  // The elements of a graphics record: 1, 0 when stopped.
  int PaintGraphicsRecord(const IMGDRAW* draw, int scalable, float zoom, POLYDATA* data);
  // One object handle painted alone: 1 when its metric converted, else 0.
  int PaintOneObject(TObjectInfo* object);
  // The zoom handed to the painters of a sign: the view zoom, damped for
  // signs when the scale method is 0.
  static float SignZoom(double zoom, int scalable, int method);
  // The break callback asked: 1 to go on, 0 to stop.
  int GoOn() const;
  // After every primitive painted: 1 to go on, 0 when stopped.
  int PaintStep();
  // The break callback and the before-paint callback with their arguments.
  void SetBreakCall(BREAKCALL call, intptr_t parameter);
  void SetBeforePaint(BEFOREPAINTCALL call, intptr_t parameter);
  // Edit-node markers (document/nodemarkers.cpp). While node display is
  // on, every object painted into the memory image gets a marker at each
  // point; devices (printing, metafiles) clear it while they paint.
  // Colours are 0x00BBGGRR as set; each is kept in pixel order too.
  void InitNodeImage();
  // Turns node display on (non-zero) or off: the previous setting.
  LONG SetNodeView(LONG view);
  void SetNodeCenterColor(COLORREF color);
  void SetNodeFirstColor(COLORREF color);
  void SetNodeBorderColor(COLORREF color);
  COLORREF GetNodeCenterColor() const { return NodeCenterColor; }
  COLORREF GetNodeFirstColor() const { return NodeFirstColor; }
  COLORREF GetNodeBorderColor() const { return NodeBorderColor; }
  // The node type kept within 1..3; drawing does not read it.
  void SetNodeType(int type);
  int GetNodeType() const { return NodeType; }
  // The markers of a picture polyline set on the paint context's picture:
  // per part, its first segment dashed 5 / 5 in the first colour, then a
  // 4 x 4 square at each point (x - 1 .. x + 2, y - 1 .. y + 2) ringed in
  // the border colour, its inner 2 x 2 pixels in the first colour for the
  // part's first point and the centre colour for the others; the last
  // point of a closed part is not marked. Pixels outside the current draw
  // place are not drawn.
  void ViewNode(const POLYDATA* data);

  // --- Document state, in this order ---

  LONG BaseScale = 1;          // denominator of the base data
  LONG ShowScale = 0;          // denominator the picture shows
  TDocumentSelect MainViewSelect;  // what is painted
  TDocumentSelect SeekSelect;  // what the searches find
  TDocumentSelect RealSelect;  // built from the map's content
  // The main map's change stamp (TMapPassport::ChangeStamp) when its real
  // select was built; REALSELECT_BOUND when the select was only bound (a
  // map of many sheets).
  enum : uint64_t { REALSELECT_BOUND = ~uint64_t(0) };
  uint64_t RealSelectMode = 0;
  LONG TotalSeekViewRule = 0;
  TDocumentSelect* SeekSelectPointer = &SeekSelect;
  TDocumentSelect* ViewSelectPointer = &MainViewSelect;
  // The chains of rasters, elevation matrices, quality matrices, layer
  // matrices and user maps: each head's count and first unit.
  CHAININFO RstChainHead = {};
  CHAININFO MtrChainHead = {};
  CHAININFO MtqChainHead = {};
  MTLCHAININFO MtlChainHead = {};
  DATACHAIN SiteChainHead = {};
  LONG CurrentRst = 0;  // the current raster number, as a host sets it
  double HeightMin = 999999999.0;  // over the elevation and layer matrices
  double HeightMax = -999999999.0;
  double LayerValueMin = 1e10;  // over the layer matrices
  double LayerValueMax = 0.0;
  LONG LayerCountMax = 0;
  const IMGPAINTER* DibBlock = nullptr;  // memory-image painters of the visual type
  LONG VectorOnly = 0;
  BYTE ColorIndex[DOC_COLOR_INDEX] = {};
  BREAKCALL BreakCall = nullptr;
  intptr_t BreakParameter = 0;
  BEFOREPAINTCALL BeforePaintCall = nullptr;
  intptr_t BeforePaintParameter = 0;
  LONG SelectThickness = SELECT_LINE_THICKNESS;
  LONG NodeImageFlag = 0;
  LONG NodeBuildFlag = 0;
  COLORREF NodeCenterColor = 0;  // node markers, as set
  COLORREF NodeFirstColor = 0;
  COLORREF NodeBorderColor = 0;
  DWORD NodeCenterPixel = 0;     // the same in pixel order
  DWORD NodeFirstPixel = 0;
  DWORD NodeBorderPixel = 0;
  LONG NodeType = 0;
  MAPCHANGECALL SiteChangeCall = nullptr;
  intptr_t SiteChangeParameter = 0;
  LONG MtrShadow = 4;  // relief shading of elevation and layer matrices, 0..16 (0: none)
  RMFDISPLAY Display;  // the display state of the raster and matrix painters

 protected:
  // The painter table of the current road: the memory image's for visual
  // types below 3, the device block's from 3 up.
  const IMGPAINTER* RoadBlock() const { return VisualType < 3 ? DibBlock : DeviceBlock; }
  // The draw place of sheet n of a map (a map kept in plane metres: the
  // user-map place, the discrete scale saved into `savedBase`).
  void PlaceSheet(TMap* map, int n, double* savedBase);
  void UnplaceSheet(TMap* map, double savedBase);
  // The colours of a map into the painting colour tables (at intensity 100
  // in the memory image, the fill intensity on a device), with its
  // brightness and contrast; the second form with one colour more after
  // them (when given) at the intensity given (-1: the saved one).
  void TakeMapColors(TMap* map);
  void TakeMapColors(TMap* map, const COLORREF* extra, int intensity);
  // The image of a kind of the map: on a device the printer's parameters
  // (else the screen's), in the memory image the screen's (else, with
  // `either`, the printer's); usable only when their key is the kind's and
  // their code at most 254. 1 and the element, or 0.
  int KindImage(TMap* map, int key, int either, IMGELEMENTREF* element) const;
  // The metric of an object of the map's current sheet into the
  // polylines: its record read through the sheet's cache (none for a
  // point without one). 1 with the record (or null), 0 when there is
  // nothing to draw.
  int BuildObjectPoly(TMap* map, FVSPR* desc, LONGMETRIC** metric);
  // The sheet of an object handle opened and placed and its metric in the
  // polylines (semantics too): the object's map, the place to be put back
  // with UnplaceSheet; null, nothing placed, when the sheet does not open
  // or the metric does not convert.
  TMap* PlaceObject(TObjectInfo* object, double* savedBase);
  // The zoom of a map's signs: the view's, times the map's scale over the
  // base scale for a user map.
  double MapZoom(const TMap* map) const;
  // The picture, turned back when the view is turned, in the map's own
  // units (sheet frames are kept in them).
  DFRAME PictureInMapUnits(const TMap* map) const;
  // Signs of objects just outside the place reach into it on a device: the
  // sheet place widened by the map's margin, twice on the low sides.
  void WidenSheetPlace(TMap* map);
  // The objects of a map's current sheet in chain order that are visible
  // and pass the select, painted at the zoom: 1, or -1 when stopped.
  int ShowSheetObjects(TMap* map, TMapSelect* select, float zoom);
  // The layers of the chains under (0) or over (1) the map: 1, or -1.
  int ShowLayers(int over);
};
