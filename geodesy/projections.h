// The projection kinds the library knows, as one table: for each kind how
// its parameters are checked, the set-up that installing it runs, and its
// conversions by ellipsoid kind. A null conversion is an unsupported pair
// of projection and ellipsoid, answered with MAPERR_PROJECTION.
#pragma once

#include <cstdint>

class TTranslate;

// Plane to geodetic or geodetic to plane, object first.
using PointConversion = void (*)(TTranslate* t, double in1, double in2, double* out1, double* out2);
using ProjectionSetup = void (*)(TTranslate* t);

struct Conversions {
  PointConversion XY2BL;
  PointConversion BL2XY;
};

// How TestConstproj judges the parameters of a kind.
enum class ParameterCheck : uint8_t {
  Unknown,       // kind not supported
  AxisOnly,      // only the axis meridian
  General,       // axis meridian and the three parallels
  NoSecond,      // as General without the second standard parallel
  TwoParallels,  // as General, and the standard parallels must differ
};

// The ellipsoid columns of the conversion table.
enum EllipsoidColumn : uint8_t {
  ON_KRASOVSKY = 0,   // ellipsoid kind 1
  ON_CLARKE_WGS = 1,  // ellipsoid kinds 5 and 9
  ON_OTHER = 2,       // every other ellipsoid kind (0, 2, 3, 4, 6, 7, 8, ...)
  ELLIPSOID_COLUMNS = 3,
};

struct ProjectionEntry {
  ParameterCheck Check;
  ProjectionSetup Setup;              // run on every ellipsoid kind
  ProjectionSetup SetupOnKrasovsky;   // run on ellipsoid kind 1 only
  Conversions On[ELLIPSOID_COLUMNS];  // by EllipsoidColumn
};

// The entry of a projection kind; kinds outside the table get an entry of
// ParameterCheck::Unknown without set-ups or conversions.
const ProjectionEntry& FindProjection(int32_t kind);

inline EllipsoidColumn ColumnOfEllipsoid(int32_t ellipsoid) {
  if (ellipsoid == 1) return ON_KRASOVSKY;
  if (ellipsoid == 5 || ellipsoid == 9) return ON_CLARKE_WGS;
  return ON_OTHER;
}
