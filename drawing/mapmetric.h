// TMapMetric: the link of the document chain that lays the map onto the
// picture. It keeps the draw scale, the device resolution, the turn of the
// view, the part of the picture being painted (the draw place) and the
// factors between plane metres, map units (discretes), raster or matrix
// cells (elements) and pixels; it turns one object's metric record into the
// pixel polyline set (POLYDATA) that every painter receives, and clips that
// set to the range a device takes.
//
// Axes: map X runs north and Y east. Picture coordinates are map
// coordinates in pixels (X times the vertical pixels per discrete, Y times
// the horizontal), so picture X grows northward too; a window row comes
// from picture X (row = north edge - X), a column from picture Y.
//
// Every document shares the paint context's point buffer: the first one
// made allocates it, the last one destroyed frees it.
#pragma once

#include "codec/basecolors.h"
#include "common/points.h"
#include "drawing/mappalette.h"
#include "drawing/polydata.h"
#include "mapstore/map.h"
#include "objects/objectinfo.h"
#include "platform/export.h"
#include "platform/win_types.h"

// One conversion between a unit and pixels: the base value and the four
// factors it gives at the device's pixels per metre and the draw scale.
struct UNITFACTORS {
  double Base;
  double UnitsPerPixelH;   // base / (horizontal ppm x draw scale)
  double PixelsPerUnitH;   // its reciprocal
  double UnitsPerPixelV;
  double PixelsPerUnitV;
};
static_assert(sizeof(UNITFACTORS) == 40);

class MAPCLASS TMapMetric : public TMap {
 public:
  TMapMetric();
  ~TMapMetric();
  TMapMetric(const TMapMetric&) = delete;
  TMapMetric& operator=(const TMapMetric&) = delete;

  // --- Factors ---

  // Device pixels per metre, horizontal and vertical (below 0.001: the
  // screen's); then UpdatePlace.
  void SetPixel(const double& horizontal, const double& vertical);
  // Recomputes both conversion records, the discretes per element and the
  // picture frame.
  void UpdatePlace();
  // The draw scale (below 0.001: 1.0); returns the one in force.
  double SetDrawScale(double scale);
  double ChangeDrawScale(double factor);
  // The turn of the view in radians: below 0.001 in size the turn is off;
  // a change smaller than min(least, pi/6) is ignored. Returns the angle in
  // force.
  double SetTurnAngle(double angle, double least);
  // Metres per discrete (keeps the reciprocal); the discrete and element
  // bases (each followed by UpdatePlace).
  void SetDisToMeter(double metres);
  void SetDisScale(double base);
  void SetElemScale(double base);

  // --- Draw place and region ---

  // The draw place from a window rectangle of the picture (an empty side
  // widens to 4 pixels); sets the paint context's image size. Returns the
  // place saved before.
  FRAME* SetDrawPlace(const RECT& rect);
  // The place given, or the one saved when null.
  void RestoreDrawPlace(const FRAME* place);
  // The document region in discretes; kept only when X2 >= X1 and Y2 >= Y1.
  void SetRegionDis(const DFRAME& region);
  // Takes a frame of elements at the given element base into the region.
  void UpdateRegionElem(const DFRAME& frame, const double& base);
  // Moves each side of the region outward by the margin (discretes) and
  // snaps it to whole pixels.
  void WidenRegion(double margin);

  void RegionDisToPix(const DFRAME& in, DFRAME& out) const;
  void RegionElemToPix(const DFRAME& in, DFRAME& out) const;
  void RegionElemToDis(const DFRAME& in, DFRAME& out) const;

  // --- Turn and conversions ---

  // (a, b) -> (a cos - b sin, a sin + b cos), and back.
  void Turn(const DOUBLEPOINT& in, DOUBLEPOINT& out) const;
  void Inverse(const DOUBLEPOINT& in, DOUBLEPOINT& out) const;
  // The bounding frame of the frame turned, and turned back.
  void Turn(const DFRAME& in, DFRAME& out) const;
  void Inverse(const DFRAME& in, DFRAME& out) const;
  // Picture pixel (x, y) to discretes, and back.
  void Pix2Dis(const DOUBLEPOINT& pixel, DOUBLEPOINT& dis) const;
  void Dis2Pix(const DOUBLEPOINT& dis, DOUBLEPOINT& pixel) const;
  void Dis2Pix(const DOUBLEPOINT& dis, POINT& pixel) const;

  // --- Position of the units being painted ---

  // The current sheet's origin in discretes (null: the sheet place is
  // cleared): the sheet place and the origin row and column.
  void SetListPosition(const DOUBLEPOINT* origin);
  // The same with a frame in discretes instead of the draw place.
  void SetListPosition(const DOUBLEPOINT* origin, const DFRAME* frame);
  // A map kept in plane metres: the discrete base becomes metres and the
  // position follows the plane origin; with a frame in metres instead of
  // the draw place.
  void SetSitePosition();
  void SetSitePosition(const DFRAME* frame);

  // --- Polylines ---

  // The object's metric into the document's POLYDATA: 1 built, 0 nothing
  // built, -2 a metric shorter than its counts (the parts done stay).
  int BuildMetric(TObjectDesc desc, LONGMETRIC* metric);
  // Copies a set in picture pixels, relative to the draw place: 1, or 0
  // without a point buffer or points.
  int PixMetric(const POLYDATA& source);
  // Clips the set to the coordinate range of a device (+-32600, +-65200 on
  // a raster printer; null dc: the display); a clipped polygon follows the
  // window border.
  void ClipPolyToGdiRange(HDC dc = nullptr);
  // The curve of a metric drawn smoothed (kind 2) or as an envelope (kind
  // 4), built by the shared spline builder; the metric itself when the
  // curve cannot be built. The curve carries no texts and lives until the
  // next curve is built.
  LONGMETRIC* BuildSplineMetric(TObjectDesc desc, LONGMETRIC* metric, int kind);

  // --- Metric state, in this order ---

  TMapMetric* Self = nullptr;
  FRAME PictureFrame = {};  // the region in picture coordinates
  FRAME DrawPlace = {};     // X1 south, Y1 west, X2 north, Y2 east
  FRAME SavedPlace = {};
  DFRAME Region = {};       // the document region, discretes
  DFRAME PlaceDis = {};     // the draw place in discretes
  DFRAME PlaceMeters = {};  // and in plane metres
  double PlaneX0 = 0.0;     // plane origin, metres
  double PlaneY0 = 0.0;
  double MeterPerDis = 1.0;
  double DisPerMeter = 1.0;
  double DrawScale = 1.0;
  double PixelsPerMeterV = 0.0;  // device
  double PixelsPerMeterH = 0.0;
  UNITFACTORS Dis = {};     // discretes
  UNITFACTORS Elem = {};    // elements
  double DisPerElem = 1.0;
  double ElemPerDis = 1.0;
  double TurnAngle = 0.0;
  double TurnSin = 0.0;
  double TurnCos = 1.0;
  LONG TurnFlag = 0;
  FRAME SheetPlace = {};    // the draw place in sheet units, widened by 1
  POLYDATA Poly = {};
  double OriginRow = 0.0;   // row = OriginRow - X x v
  double OriginColumn = 0.0;  // column = Y x h - OriginColumn
  LONG SplineOff = 0;         // nonzero: metrics flagged as curves are drawn as stored

  TMtrPalette MtrPalette;
  TMapPalette MapPalette;

 private:
  void MakePictureFrame();
  void PlaceToUnits();
  void SetPosition(const DFRAME& place, const DOUBLEPOINT& offset);
  void TakeAreas();
  int BuildCentre(const FVSPR* desc);
  template <class Reader, bool Turned>
  int Convert(LONGMETRIC* metric, int text, int kind);
};
