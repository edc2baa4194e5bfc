/* The records that describe a map and its sheets as a host exchanges them
 * with the library: the map register (208 bytes; the older form is its
 * first 128 bytes with Length 128), the sheet register (544 bytes), and
 * the plan map (432 bytes) and user map (80 bytes) to create. Plain C99
 * and C++, little-endian, no padding; texts are code page 1251,
 * zero-padded. */
#ifndef MAPCORE_TYPES_REGISTERS_H
#define MAPCORE_TYPES_REGISTERS_H

#include <stddef.h>
#include <stdint.h>

#include "types/layout.h"

enum {
  MAPREGISTER_LENGTH = 208,
  MAPREGISTER_OLDLENGTH = 128,
  LISTREGISTER_LENGTH = 544,
  /* The passport record: a map's register and its first sheet's in one
   * record, signature 'L', 'S', 'R', 0. */
  MAPPASSPORT_IDENT = 0x52534C,
  MAPPASSPORT_LENGTH = 760,
  /* Device units per metre of the printed map (DeviceCapability) of a
   * cleared register. */
  MAPREGISTER_DEVICECAPABILITY = 20000
};

/* Map types (MapType), with the projection and ellipsoid each type is
 * meant for. A topographic map is created with the ellipsoid, projection
 * and frame kind of its type, its sheet from the nomenclature when that is
 * a sheet name (else the corners given); a map of another type keeps what
 * its register says. */
enum {
  MAPTYPE_TOPOGRAPHIC = 1,      /* Gauss-Krueger on Krasovsky, sheets 1:1 000 000 .. 1:2 000 */
  MAPTYPE_GEOGRAPHIC = 2,       /* conformal conic, sheets 1:10 000 000 .. 1:500 000 */
  MAPTYPE_GLOBE = 3,            /* globe projection */
  MAPTYPE_CITYPLAN = 4,         /* Gauss-Krueger, sheets 1:25 000 and 1:10 000 */
  MAPTYPE_LARGEPLAN = 5,        /* no projection, sheets 1:10 000 .. 1:500 */
  MAPTYPE_AERO = 6,             /* globe projection, sheets 1:4 000 000 and 1:2 000 000 */
  MAPTYPE_BLANK = 9,            /* blank projection */
  MAPTYPE_UTM_CLARKE1866 = 10,  /* zone system on ellipsoid 5 */
  MAPTYPE_UTM_WGS84 = 11,       /* zone system on WGS 84 */
  MAPTYPE_UTM_WGS84_ANYSCALE = 12, /* the same without a list of scales */
  MAPTYPE_ZONECK63 = 13         /* zone system on Krasovsky */
};

/* Projection kinds (MaterialProjection). */
enum {
  PRJ_GAUSSKRUGER = 1,   /* Gauss-Krueger, 6-degree zones */
  PRJ_CONIC = 2,         /* conformal conic, two standard parallels */
  PRJ_GLOBE = 3,         /* globe */
  PRJ_POLAREQDIST = 6,   /* formula family (polar azimuthal equidistant) */
  PRJ_CYLINDRICAL = 8,   /* conformal cylindrical */
  PRJ_BLANK = 16,        /* blank (equirectangular plate) */
  PRJ_ZONEUTM = 17,      /* zone system on ellipsoids 3-9 */
  PRJ_FAMILYFIRST = 18,  /* formula family: kinds 18 ... 31 (Krasovsky only) */
  PRJ_FAMILYLAST = 31,
  PRJ_ZONECK63 = 32,     /* zone system on the Krasovsky ellipsoid */
  PRJ_KINDCOUNT = 33     /* kinds are 0 ... 32; the rest are unknown */
};

/* Ellipsoid kinds (EllipsoideKind); 8 is a = 6377491 m, 1/f = 299.3. */
enum {
  ELLIPSOID_KRASOVSKY = 1,
  ELLIPSOID_INTERNATIONAL = 3, /* 1924 */
  ELLIPSOID_CLARKE1880 = 4,
  ELLIPSOID_CLARKE1866 = 5,
  ELLIPSOID_EVEREST = 6,       /* 1830 */
  ELLIPSOID_BESSEL = 7,        /* 1841 */
  ELLIPSOID_WGS84 = 9
};

/* Sheet frames (FrameKind): the frame object a new sheet is given. */
enum {
  FRAMEKIND_CORNERS = 1,      /* the four corners only (3 likewise) */
  FRAMEKIND_FULL = 2,         /* the frame of the map type's sheet system */
  FRAMEKIND_NONE = 4
};

#pragma pack(push, 1)

typedef struct MAPREGISTEREX {
  int32_t Length; /* 208 (128 in the older form) */
  char Name[32];  /* map name */
  int32_t Scale;  /* scale denominator */
  int32_t ProjectionFlag;
  int32_t EllipsoideKind;     /* ELLIPSOID_* */
  int32_t HeightSystem;
  int32_t MaterialProjection; /* PRJ_* */
  int32_t CoordinateSystem;
  int32_t PlaneUnit;
  int32_t HeightUnit;
  int32_t FrameKind; /* FRAMEKIND_* */
  int32_t MapType; /* MAPTYPE_* */
  int32_t DeviceCapability;
  int32_t DataProjection; /* 1: projection parameters complete and accepted */
  int32_t Reserve1;
  int32_t IsRealPlace; /* nonzero: user map */
  int32_t ZoneNumber;  /* 0 as stored; the current zone in a copy read out of a map */
  double FirstMainParallel;
  double SecondMainParallel;
  double AxisMeridian;
  double MainPointParallel;
  double PoleLatitude;
  double PoleLongitude;
  char Reserve2[64];
} MAPREGISTEREX;
MC_PLACE(MAPREGISTEREX, Length, 0);
MC_PLACE(MAPREGISTEREX, Name, 4);
MC_PLACE(MAPREGISTEREX, Scale, 36);
MC_PLACE(MAPREGISTEREX, ProjectionFlag, 40);
MC_PLACE(MAPREGISTEREX, EllipsoideKind, 44);
MC_PLACE(MAPREGISTEREX, HeightSystem, 48);
MC_PLACE(MAPREGISTEREX, MaterialProjection, 52);
MC_PLACE(MAPREGISTEREX, CoordinateSystem, 56);
MC_PLACE(MAPREGISTEREX, PlaneUnit, 60);
MC_PLACE(MAPREGISTEREX, HeightUnit, 64);
MC_PLACE(MAPREGISTEREX, FrameKind, 68);
MC_PLACE(MAPREGISTEREX, MapType, 72);
MC_PLACE(MAPREGISTEREX, DeviceCapability, 76);
MC_PLACE(MAPREGISTEREX, DataProjection, 80);
MC_PLACE(MAPREGISTEREX, Reserve1, 84);
MC_PLACE(MAPREGISTEREX, IsRealPlace, 88);
MC_PLACE(MAPREGISTEREX, ZoneNumber, 92);
MC_PLACE(MAPREGISTEREX, FirstMainParallel, 96);
MC_PLACE(MAPREGISTEREX, SecondMainParallel, 104);
MC_PLACE(MAPREGISTEREX, AxisMeridian, 112);
MC_PLACE(MAPREGISTEREX, MainPointParallel, 120);
MC_PLACE(MAPREGISTEREX, PoleLatitude, 128);
MC_PLACE(MAPREGISTEREX, PoleLongitude, 136);
MC_PLACE(MAPREGISTEREX, Reserve2, 144);
MC_SIZE(MAPREGISTEREX, 208);

/* Corners are south-west, north-west, north-east, south-east; X northing
 * and Y easting in the map's projection, B and L in radians. */
typedef struct LISTREGISTER {
  int32_t Length;        /* 544 */
  char Nomenclature[32]; /* at most 31 characters */
  char Name[32];         /* at most 31 characters */
  char FileName[260];    /* base of the sheet's file names */
  double XSouthWest;
  double YSouthWest;
  double XNorthWest;
  double YNorthWest;
  double XNorthEast;
  double YNorthEast;
  double XSouthEast;
  double YSouthEast;
  double BSouthWestCoordinate;
  double LSouthWestCoordinate;
  double BNorthWestCoordinate;
  double LNorthWestCoordinate;
  double BNorthEastCoordinate;
  double LNorthEastCoordinate;
  double BSouthEastCoordinate;
  double LSouthEastCoordinate;
  int32_t MaterialKind;
  int32_t MaterialType;
  int32_t ReliefHeight;
  char Date[12]; /* YYYYMMDD */
  double MagneticAngle;
  double YearMagneticAngle;
  double MeridianAngle;
  char DateAngle[12]; /* YYYYMMDD */
  char Reserve[28];
} LISTREGISTER;
MC_PLACE(LISTREGISTER, Length, 0);
MC_PLACE(LISTREGISTER, Nomenclature, 4);
MC_PLACE(LISTREGISTER, Name, 36);
MC_PLACE(LISTREGISTER, FileName, 68);
MC_PLACE(LISTREGISTER, XSouthWest, 328);
MC_PLACE(LISTREGISTER, YSouthWest, 336);
MC_PLACE(LISTREGISTER, XNorthWest, 344);
MC_PLACE(LISTREGISTER, YNorthWest, 352);
MC_PLACE(LISTREGISTER, XNorthEast, 360);
MC_PLACE(LISTREGISTER, YNorthEast, 368);
MC_PLACE(LISTREGISTER, XSouthEast, 376);
MC_PLACE(LISTREGISTER, YSouthEast, 384);
MC_PLACE(LISTREGISTER, BSouthWestCoordinate, 392);
MC_PLACE(LISTREGISTER, LSouthWestCoordinate, 400);
MC_PLACE(LISTREGISTER, BNorthWestCoordinate, 408);
MC_PLACE(LISTREGISTER, LNorthWestCoordinate, 416);
MC_PLACE(LISTREGISTER, BNorthEastCoordinate, 424);
MC_PLACE(LISTREGISTER, LNorthEastCoordinate, 432);
MC_PLACE(LISTREGISTER, BSouthEastCoordinate, 440);
MC_PLACE(LISTREGISTER, LSouthEastCoordinate, 448);
MC_PLACE(LISTREGISTER, MaterialKind, 456);
MC_PLACE(LISTREGISTER, MaterialType, 460);
MC_PLACE(LISTREGISTER, ReliefHeight, 464);
MC_PLACE(LISTREGISTER, Date, 468);
MC_PLACE(LISTREGISTER, MagneticAngle, 480);
MC_PLACE(LISTREGISTER, YearMagneticAngle, 488);
MC_PLACE(LISTREGISTER, MeridianAngle, 496);
MC_PLACE(LISTREGISTER, DateAngle, 504);
MC_PLACE(LISTREGISTER, Reserve, 516);
MC_SIZE(LISTREGISTER, 544);

/* A plan map to create. */
typedef struct CREATEPLANE {
  int32_t Length;   /* not read */
  char MapName[32]; /* 31 characters used */
  int32_t Scale;    /* denominator, not 0 */
  int32_t Reserve;
  char Nomenclature[32];
  char ListName[32];
  char FileName[260]; /* 259 characters used */
  /* Plane corners X, Y: south-west, north-west, north-east, south-east. */
  double XSouthWest, YSouthWest, XNorthWest, YNorthWest;
  double XNorthEast, YNorthEast, XSouthEast, YSouthEast;
} CREATEPLANE;
MC_PLACE(CREATEPLANE, Length, 0);
MC_PLACE(CREATEPLANE, MapName, 4);
MC_PLACE(CREATEPLANE, Scale, 36);
MC_PLACE(CREATEPLANE, Reserve, 40);
MC_PLACE(CREATEPLANE, Nomenclature, 44);
MC_PLACE(CREATEPLANE, ListName, 76);
MC_PLACE(CREATEPLANE, FileName, 108);
MC_PLACE(CREATEPLANE, XSouthWest, 368);
MC_PLACE(CREATEPLANE, YSouthWest, 376);
MC_PLACE(CREATEPLANE, XNorthWest, 384);
MC_PLACE(CREATEPLANE, YNorthWest, 392);
MC_PLACE(CREATEPLANE, XNorthEast, 400);
MC_PLACE(CREATEPLANE, YNorthEast, 408);
MC_PLACE(CREATEPLANE, XSouthEast, 416);
MC_PLACE(CREATEPLANE, YSouthEast, 424);
MC_SIZE(CREATEPLANE, 432);

/* A user map to create. */
typedef struct CREATESITE {
  int32_t Length;   /* not read */
  char MapName[32]; /* 31 characters used */
  int32_t MapType;
  int32_t MaterialProjection;
  int32_t Scale; /* 0: 100000 (written back) */
  double FirstMainParallel;
  double SecondMainParallel;
  double AxisMeridian;
  double MainPointParallel;
} CREATESITE;
MC_PLACE(CREATESITE, Length, 0);
MC_PLACE(CREATESITE, MapName, 4);
MC_PLACE(CREATESITE, MapType, 36);
MC_PLACE(CREATESITE, MaterialProjection, 40);
MC_PLACE(CREATESITE, Scale, 44);
MC_PLACE(CREATESITE, FirstMainParallel, 48);
MC_PLACE(CREATESITE, SecondMainParallel, 56);
MC_PLACE(CREATESITE, AxisMeridian, 64);
MC_PLACE(CREATESITE, MainPointParallel, 72);
MC_SIZE(CREATESITE, 80);

/* A map's passport as one record a host keeps or hands on: a new map
 * can be made from it (mapPutMapPassportRecord). */
typedef struct MAPPASSPORTRECORD {
  int32_t Ident;      /* MAPPASSPORT_IDENT */
  int32_t Length;     /* MAPPASSPORT_LENGTH */
  MAPREGISTEREX Map;  /* Length 208 */
  LISTREGISTER Sheet; /* of sheet 1; Length 544 */
} MAPPASSPORTRECORD;
MC_PLACE(MAPPASSPORTRECORD, Ident, 0);
MC_PLACE(MAPPASSPORTRECORD, Length, 4);
MC_PLACE(MAPPASSPORTRECORD, Map, 8);
MC_PLACE(MAPPASSPORTRECORD, Sheet, 216);
MC_SIZE(MAPPASSPORTRECORD, 760);

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(MAPREGISTEREX) == 208, "map register");
static_assert(offsetof(MAPREGISTEREX, FirstMainParallel) == 96, "map register");
static_assert(offsetof(MAPREGISTEREX, PoleLatitude) == 128, "map register");
static_assert(sizeof(LISTREGISTER) == 544, "sheet register");
static_assert(offsetof(LISTREGISTER, XSouthWest) == 328, "sheet register");
static_assert(offsetof(LISTREGISTER, BSouthWestCoordinate) == 392, "sheet register");
static_assert(offsetof(LISTREGISTER, MaterialKind) == 456, "sheet register");
static_assert(offsetof(LISTREGISTER, MagneticAngle) == 480, "sheet register");
static_assert(offsetof(LISTREGISTER, DateAngle) == 504, "sheet register");
static_assert(sizeof(CREATEPLANE) == 432, "plan map");
static_assert(offsetof(CREATEPLANE, Nomenclature) == 44, "plan map");
static_assert(offsetof(CREATEPLANE, FileName) == 108, "plan map");
static_assert(offsetof(CREATEPLANE, XSouthWest) == 368, "plan map");
static_assert(sizeof(CREATESITE) == 80, "user map");
static_assert(offsetof(CREATESITE, FirstMainParallel) == 48, "user map");
static_assert(sizeof(MAPPASSPORTRECORD) == 760, "passport record");
static_assert(offsetof(MAPPASSPORTRECORD, Map) == 8, "passport record");
static_assert(offsetof(MAPPASSPORTRECORD, Sheet) == 216, "passport record");
#else
typedef char MapRegisterIs208[sizeof(MAPREGISTEREX) == 208 ? 1 : -1];
typedef char SheetRegisterIs544[sizeof(LISTREGISTER) == 544 ? 1 : -1];
typedef char PlaneMapIs432[sizeof(CREATEPLANE) == 432 ? 1 : -1];
typedef char SiteMapIs80[sizeof(CREATESITE) == 80 ? 1 : -1];
typedef char PassportRecordIs760[sizeof(MAPPASSPORTRECORD) == 760 ? 1 : -1];
#endif

#endif
