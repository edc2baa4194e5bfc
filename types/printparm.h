/* The print record a host fills for printing a rectangle of a map document:
 * the scale to print at, the visual type, the mirror switch and the
 * printer's resolutions. 48 bytes, packed, little-endian. */
#ifndef MAPCORE_TYPES_PRINTPARM_H
#define MAPCORE_TYPES_PRINTPARM_H

#include "types/maptypes.h"
#include "types/layout.h"

#pragma pack(push, 1)
typedef struct PRINTPARM {
  LONG Length;              /* the record's length (48); not read */
  LONG Scale;               /* scale denominator to print at; below 1 taken as 1 */
  BYTE VisualType;          /* visual type to print with */
  BYTE DeviceType;          /* 1: the visual type plus 3 (the device variant) */
  BYTE Mirror;              /* non-zero: each printed band mirrored left to right */
  BYTE Reserve[21];
  double ResolutionY;       /* vertical dots per inch; 0: the printer's own */
  double ResolutionX;       /* horizontal dots per inch; 0: the printer's own */
} PRINTPARM;
#pragma pack(pop)
MC_PLACE(PRINTPARM, Length, 0);
MC_PLACE(PRINTPARM, Scale, 4);
MC_PLACE(PRINTPARM, VisualType, 8);
MC_PLACE(PRINTPARM, DeviceType, 9);
MC_PLACE(PRINTPARM, Mirror, 10);
MC_PLACE(PRINTPARM, Reserve, 11);
MC_PLACE(PRINTPARM, ResolutionY, 32);
MC_PLACE(PRINTPARM, ResolutionX, 40);
MC_SIZE(PRINTPARM, 48);

#ifdef __cplusplus
static_assert(sizeof(PRINTPARM) == 48, "PRINTPARM is 48 bytes");
static_assert(offsetof(PRINTPARM, VisualType) == 8, "visual type at byte 8");
static_assert(offsetof(PRINTPARM, Mirror) == 10, "mirror at byte 10");
static_assert(offsetof(PRINTPARM, ResolutionY) == 32, "resolutions at bytes 32 and 40");
static_assert(offsetof(PRINTPARM, ResolutionX) == 40, "resolutions at bytes 32 and 40");
#endif

#endif
