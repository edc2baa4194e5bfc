// The map register and the sheet register (types/registers.h): the
// records that describe a map (name, scale, kinds, projection, ellipsoid)
// and one of its sheets (nomenclature, names, corners, material and
// magnetic data), as stored in the map passport file and as exchanged with
// callers when a map or a sheet is created or described; and the working
// classes that fill them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "types/registers.h"
#include "geodesy/translate.h"
#include "platform/export.h"
#include "platform/win_types.h"

class TMap;

#pragma pack(push, 1)
// One coordinate of the four sheet corners (a record of latitudes, of
// longitudes, of X or of Y values).
struct COORDINATES {
  double SouthWest;
  double NorthWest;
  double NorthEast;
  double SouthEast;
};
#pragma pack(pop)

static_assert(sizeof(COORDINATES) == 32);

// Size of the value-type table of TMapRegister.
enum : int32_t { MAPREGISTER_VALUETYPES = 130 };

// Clears a map register to the defaults: Length 208, Scale 1000,
// ProjectionFlag 1, the defaults of map type 1, DeviceCapability 20000,
// everything else 0.
void ClearMapRegisterEx(MAPREGISTEREX* map);

// Converts a map register of the older 128-byte form: a zeroed 208-byte
// record receives its 128 bytes and Length 208. 0 (nothing written) for a
// null pointer or a Length other than 128; `old` is read for 128 bytes only.
int MapRegisterFromOld(const void* old, MAPREGISTEREX* out);

// Today's date as the number YYYYMMDD from the system clock in UTC (years
// before 1991 give 1990).
int32_t RegisterToday();

// The working copy of one sheet register.
class MAPCLASS TListRegister {
 public:
  LISTREGISTER Register;

  TListRegister() { Clear(); }

  // Zero, Length 544, MaterialKind and MaterialType 1, both dates today.
  void Clear();
  // Scale index: the 1-based position of `scale` in the scale list of the
  // map type; 0 when the type has a list without that scale; 1 for a type
  // without a list.
  int FactorScaleGeodetic(LONG scale, int mapType);
  // Stores the plane corners from an X and a Y record; 0 for a null record.
  int RightAngleCordinames(COORDINATES* x, COORDINATES* y);
  // 1 when the plane (geodetic) corners form an upright quadrilateral.
  int CheckRightAngle();
  int CheckGeodetic();
  // Today as "YYYYMMDD" into `out`; an empty text (nothing written) for a
  // null buffer or a size below 10.
  char* SystDate(char* out, int size);

  // --- Nomenclature (nomenclature.cpp) ---
  //
  // A name is a zero-terminated text; every check reads only inside it, so
  // a name shorter than its form is refused. The checks upper-case the
  // ASCII letters of the name in place.

  // 1 when the name is a sheet name of the map type at the scale: the
  // rules of types 1 (topographic), 2 (geographic), 4 (city plan) and 6
  // (aeronautical); any name for the other types. 0 for a null name, a
  // scale below 1 or a scale the type's list lacks.
  int CheckNomenclature(char* name, int mapType, LONG scale);
  // The rules of one map type at scale index `index` (the position in the
  // type's scale list): 0 for a null name or an index below 1; 1 for an
  // index past the type's list.
  int CheckNomenclatureTopo(char* name, int index);
  int CheckNomenclatureGeog(char* name, int index);
  int CheckNomenclatureCityPlan(char* name, int index);
  int CheckNomenclatureAero(char* name, int index);
  // The base of a sheet's file names from its nomenclature: a name without
  // "." as it is; otherwise "1" for a southern name, then the characters
  // after the "." up to a blank without "-" and "." (0.N-37-004 gives
  // N37004). At most size - 1 characters, zero-filled. 0 for a null or
  // empty argument or a size below 1.
  int NameFileFromNomenclature(char* out, int size, const char* name);
};

// The working copy of a map register with the register of one sheet.
class MAPCLASS TMapRegister {
 public:
  MAPREGISTEREX Map;
  TListRegister List;
  int32_t ValueType[MAPREGISTER_VALUETYPES];

  TMapRegister();

  // ClearMapRegisterEx on the map register, then the sheet register's Clear.
  void Clear();
  // Defaults of the map type (ellipsoid, height system, projection,
  // coordinate system, frame kind) and MapType itself.
  void RegisterFromMapType(int type);
  // Fills the table of allowed values: twelve lists, each ended by -1.
  void SetValueType();
  // Clear, then the records given copied as they are.
  void RegisterFromData(MAPREGISTEREX* map, LISTREGISTER* list);
  int FactorScaleGeodetic(LONG scale, int mapType) {
    return List.FactorScaleGeodetic(scale, mapType);
  }
  // The scale list of a map type (an empty list when it has none) and its
  // length.
  const LONG* GetAddrScale(int mapType);
  int GetCountScale(int mapType);
  // The projection constants of a projection kind from the register; 0
  // for a null record or a kind without constants (L0 is filled anyway).
  int SetConstproj(int kind, CONSTPROJ* cp);
  // DataProjection = 1 when the register's projection is accepted by a
  // transformer, else 0.
  void SetDataProjection();
  // The four corners from geodetic to plane coordinates and back, in the
  // order south-west, north-west, north-east, south-east. With a transformer
  // (the map's own) the corners go through it and the result is 1; without
  // one a transformer is set up from the register's constants for the
  // projection kind given and the register's ellipsoid. 0 for a null record
  // or a projection that cannot be set up (nothing written then).
  int GeodeticToRightAngleWith(COORDINATES* b, COORDINATES* l, COORDINATES* x, COORDINATES* y,
                               int kind, TTranslate* translate);
  int RightAngleToGeodeticWith(COORDINATES* x, COORDINATES* y, COORDINATES* b, COORDINATES* l,
                               int kind, TTranslate* translate);
  // The same given the map (null: none); defined with the map object, which
  // hands its transformer to the forms above.
  int GeodeticToRightAngle(COORDINATES* b, COORDINATES* l, COORDINATES* x, COORDINATES* y,
                           int kind, TMap* map);
  int RightAngleToGeodetic(COORDINATES* x, COORDINATES* y, COORDINATES* b, COORDINATES* l,
                           int kind, TMap* map);

  // --- Sheet geometry from the nomenclature (nomenclature.cpp) ---

  // Minutes and seconds of arc to radians (the sign kept).
  double MinuteToRadian(double minutes);
  double SecondToRadian(double seconds);
  // The axis meridian of the 6-degree column of a topographic name, in
  // whole minutes east (180 for column 31) or in radians: 0 for a null
  // name or a name without a column number at positions 4-5.
  LONG CalcAxisMeridianMinute(const char* name);
  double CalcAxisMeridian(const char* name);
  // The axis meridian from a corner record: c.SouthWest + 0.2 x
  // (c.SouthWest + c.NorthWest); 0.0 for null.
  double CalcAxisMeridian(COORDINATES* c);
  // Stores the computed axis meridian when the register has none or the
  // same one (to 1e-8 rad): 1; 0, the register unchanged, for another one,
  // a null argument or a name without a column.
  int SetAxisMeridian(const char* name);
  int SetAxisMeridian(COORDINATES* c);
  // The four corners (radians) of the topographic sheet `name` at scale
  // index `index` (1 for 1:1 000 000 ... 9 for 1:2 000), south-west,
  // north-west, north-east, south-east; sheets beyond 60 and 76 degrees
  // are widened. The name is upper-cased. 0 (nothing written) for a null
  // argument, an index outside 1..9 or a name without the fields the
  // index reads.
  int GeodeticsCoordinateGauss(char* name, int index, COORDINATES* b, COORDINATES* l);
  // Grid convergence: sin of the west edge's mean latitude times the
  // south edge's mean longitude less the axis; 0.0 for a null record.
  double GridConvergence(COORDINATES* b, COORDINATES* l, double axis);
  // Fills the sheet register from a topographic name at a scale of the
  // topographic list: the geodetic corners, the plane corners in
  // projection `kind` (through the map's transformer when a map is given,
  // longitudes carried across the 0/360-degree seam into the map's zone)
  // and the grid convergence. 1 done, 0 for a refused name or a projection
  // that cannot be set up.
  int TopographicChartSheet(char* name, LONG scale, int kind, TMap* map);
  int TopographicChartSheetWith(char* name, LONG scale, int kind, TTranslate* translate);
  // Completes the sheet register of a topographic map before the map is
  // created: with flag 0 the defaults of map type 1 and the sheet from its
  // nomenclature, otherwise the plane corners from the geodetic ones. 1
  // for other map types (nothing changed); 0 for a register whose length
  // is not 208, missing geodetic corners or a failed computation.
  int PrepareRegister(int flag);
  // The nomenclature templates of a map type, one per scale of its list
  // ("9" a digit, "Z" a letter); a list of one empty text for the types
  // without templates.
  const char* const* GetAddrPicture(int mapType);
};
