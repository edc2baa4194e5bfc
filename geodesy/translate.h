// Coordinate transformation between the plane coordinates of a map (X
// northing, Y easting, metres) and geodetic coordinates (B latitude,
// L longitude, radians).
//
// A TTranslate holds one projection: its kind, the ellipsoid kind, the six
// projection parameters, the current 6-degree zone, the work constants of the
// kind's set-up and the block of the zone-system projections. It owns no
// memory and is cheap to build on the stack.
//
// Every operation also exists as a body taking the object first (the free
// functions below, same names as the methods). The bodies accept a null
// object and then do nothing; the library's own code calls them directly,
// the exported methods forward to them.
#pragma once

#include <cstdint>

#include "types/registers.h"

#include "platform/export.h"
#include "platform/win_types.h"

#pragma pack(push, 1)
// Projection parameters, radians, in the order a map register keeps them.
struct CONSTPROJ {
  double FirstMainParallel;   // first standard parallel B1
  double SecondMainParallel;  // second standard parallel B2
  double AxisMeridian;        // axis (central) meridian L0
  double MainPointParallel;   // latitude of the origin B0
  double PoleLatitude;        // pole of an oblique aspect: latitude
  double PoleLongitude;       // pole of an oblique aspect: longitude
};
#pragma pack(pop)
static_assert(sizeof(CONSTPROJ) == 48);

// Projection kinds (PRJ_*) and ellipsoid kinds (ELLIPSOID_*) are those of
// the map register (types/registers.h); 0, 2 and unknown ellipsoid kinds
// keep the previous axis and eccentricity.

// The six projection parameters are its CONSTPROJ record, first in the
// object.
class MAPCLASS TTranslate : public CONSTPROJ {
 public:
  double MajorAxis;         // semi-major axis a, metres
  double EccentricityTerm;  // e on ellipsoid 1, e squared on ellipsoids 3-9
  double ZoneMeridian;      // axis meridian of the current 6-degree zone

  int32_t ProjectionKind;  // -1 after a refused constructor
  int32_t EllipsoidKind;
  int32_t ZoneNumber;  // current zone, from 1
  int32_t ErrorCode;   // 0, MAPERR_PROJECTION or MAPERR_PROJPARAM

  // Work constants of the current kind's set-up.
  double WorkConstants[19];

  // Zone-system block.
  double FalseNorthing;
  double FalseEasting;
  double ScaleFactor;
  double FirstAxisDegrees;  // axis meridian of zone 1
  double FirstAxis;
  double ZoneWidthDegrees;
  double ZoneWidth;
  double ZoneMajorAxis;
  double ZoneFlattening;
  double ZoneEccentricity2;
  int32_t ZoneNumberInSystem;

  // Gauss-Krueger on Krasovsky, axis meridian 0.65704432 (zone 7).
  TTranslate();
  // Installs kind and parameters without running the kind's set-up; a
  // refused record leaves ProjectionKind -1.
  TTranslate(int kind, CONSTPROJ* parameters, int ellipsoid);
  ~TTranslate();

  // Checks and installs a projection: 0, MAPERR_INPUT, MAPERR_PROJECTION
  // or MAPERR_PROJPARAM.
  int SetProjection(int kind, CONSTPROJ* parameters, int ellipsoid);
  // Checks a kind and its parameters: 0, MAPERR_PROJECTION or
  // MAPERR_PROJPARAM.
  static int TestConstproj(int kind, CONSTPROJ* parameters);

  // Conversions chosen by projection and ellipsoid kind; ErrorCode tells.
  void XY2BL(double X, double Y, double* B, double* L);
  void BL2XY(double B, double L, double* X, double* Y);

  // The 6-degree zone.
  void IdentifyZone(double L);
  int GetNumberZone();
  int SetNumberZone(int number);
  int SetNumberZone(double L);

  // Gauss-Krueger in the current zone.
  void XY2BL_GK(double X, double Y, double* B, double* L);
  void BL2XY_GK(double B, double L, double* X, double* Y);

  // Conformal cylindrical and conformal conic on the object's ellipsoid.
  void XY2BL_CYL(double X, double Y, double* B, double* L);
  void BL2XY_CYL(double B, double L, double* X, double* Y);
  void XY2BL_CON(double X, double Y, double* B, double* L);
  void BL2XY_CON(double B, double L, double* X, double* Y);

  // Blank and globe plates; they read nothing of the object.
  void XY2BL_BLANK(double X, double Y, double* B, double* L);
  void BL2XY_BLANK(double B, double L, double* X, double* Y);
  void XY2BL_GLOBE(double X, double Y, double* B, double* L);
  void BL2XY_GLOBE(double B, double L, double* X, double* Y);

  // Datum shifts of B, L, H (radians, metres) between the 42 system,
  // EC90, WGS84 and NAHRWAN; they read nothing of the object. A mode
  // outside 1-8 writes nothing.
  void BL2BL(double B, double L, double H, double* B2, double* L2, double* H2, int mode);
  void BL2BL_03(double B, double L, double H, double* B2, double* L2, double* H2, int mode);
  void BL2BL_001(double B, double L, double H, double* B2, double* L2, double* H2, int mode);
  void BL422BLEC90(double B, double L, double H, double* B2, double* L2, double* H2);
  void BL422BLWGS84(double B, double L, double H, double* B2, double* L2, double* H2);
  void BL422BLNAHRWAN(double B, double L, double H, double* B2, double* L2, double* H2);
  void BLEC902BL42(double B, double L, double H, double* B2, double* L2, double* H2);
  void BLWGS842BL42(double B, double L, double H, double* B2, double* L2, double* H2);
  void BLNAHRWAN2BL42(double B, double L, double H, double* B2, double* L2, double* H2);
  // A point of the 42 system in the 6-degree zones on the NAHRWAN datum.
  void BL422XYNAHRWAN(double B, double L, double H, double* X, double* Y);
  void BL2XYNAHRWAN(double B, double L, double* X, double* Y);

  // Zone-system set-ups and zone numbers.
  void InitUTMforWGS84();
  void InitUTMforNAD27();
  void InitUTM();
  void InitGKfor42();
  void InitCK63();
  void InitNumberZone_in_Ill(double Y);
  void InitNumberZone_in_Ill_l(double L);
  LONG GetNumberZone_in_Ill();
  LONG SetNumberZone_in_Ill(LONG number);
  double CalcAxisMeridianByNumberZone_in_Ill(LONG number);
  // Transverse Mercator in the zone system's current zone; the _1 forms
  // have shorter series.
  void XY2BL_in_Ill(double X, double Y, double* B, double* L);
  void BL2XY_in_Ill(double B, double L, double* X, double* Y);
  void XY2BL_in_Ill_1(double X, double Y, double* B, double* L);
  void BL2XY_in_Ill_1(double B, double L, double* X, double* Y);
};

// Bodies of the methods. A null object does nothing (getters answer 0).
int SetProjection(TTranslate* t, int kind, CONSTPROJ* parameters, int ellipsoid);
int TestConstproj(int kind, CONSTPROJ* parameters);
void XY2BL(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY(TTranslate* t, double B, double L, double* X, double* Y);

void IdentifyZone(TTranslate* t, double L);
int GetNumberZone(TTranslate* t);
int SetNumberZone(TTranslate* t, int number);
int SetNumberZone(TTranslate* t, double L);
void XY2BL_GK(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_GK(TTranslate* t, double B, double L, double* X, double* Y);
void XY2BL_CYL(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_CYL(TTranslate* t, double B, double L, double* X, double* Y);
void XY2BL_CON(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_CON(TTranslate* t, double B, double L, double* X, double* Y);
// The plates accept any object, a null one too.
void XY2BL_BLANK(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_BLANK(TTranslate* t, double B, double L, double* X, double* Y);
void XY2BL_GLOBE(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_GLOBE(TTranslate* t, double B, double L, double* X, double* Y);

// The datum shifts need no object.
void BL2BL(double B, double L, double H, double* B2, double* L2, double* H2, int mode);
void BL2BL_03(double B, double L, double H, double* B2, double* L2, double* H2, int mode);
void BL2BL_001(double B, double L, double H, double* B2, double* L2, double* H2, int mode);
void BL422BLEC90(double B, double L, double H, double* B2, double* L2, double* H2);
void BL422BLWGS84(double B, double L, double H, double* B2, double* L2, double* H2);
void BL422BLNAHRWAN(double B, double L, double H, double* B2, double* L2, double* H2);
void BLEC902BL42(double B, double L, double H, double* B2, double* L2, double* H2);
void BLWGS842BL42(double B, double L, double H, double* B2, double* L2, double* H2);
void BLNAHRWAN2BL42(double B, double L, double H, double* B2, double* L2, double* H2);
void BL422XYNAHRWAN(double B, double L, double H, double* X, double* Y);
void BL2XYNAHRWAN(double B, double L, double* X, double* Y);

void InitUTMforWGS84(TTranslate* t);
void InitUTMforNAD27(TTranslate* t);
void InitUTM(TTranslate* t);
void InitGKfor42(TTranslate* t);
void InitCK63(TTranslate* t);
void InitNumberZone_in_Ill(TTranslate* t, double Y);
void InitNumberZone_in_Ill_l(TTranslate* t, double L);
LONG GetNumberZone_in_Ill(TTranslate* t);
LONG SetNumberZone_in_Ill(TTranslate* t, LONG number);
double CalcAxisMeridianByNumberZone_in_Ill(TTranslate* t, LONG number);
void XY2BL_in_Ill(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_in_Ill(TTranslate* t, double B, double L, double* X, double* Y);
void XY2BL_in_Ill_1(TTranslate* t, double X, double Y, double* B, double* L);
void BL2XY_in_Ill_1(TTranslate* t, double B, double L, double* X, double* Y);
