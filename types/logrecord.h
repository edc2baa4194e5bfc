/* Records of the edit journal as the host exchanges them: the header of an
 * action and one 16-byte record of an object change. */
#ifndef MAPCORE_TYPES_LOGRECORD_H
#define MAPCORE_TYPES_LOGRECORD_H

#include "types/maptypes.h"

#pragma pack(push, 1)
/* Header of an action, 16 bytes. */
typedef struct ACTIONHEAD {
  WORD Ident;      /* 0x7FFF valid, 0x7FFE undone */
  WORD UseNumber;  /* use number of the writer */
  WORD Count;      /* record count */
  WORD Type;       /* action type */
  DWORD Date;      /* YYYYMMDD */
  DWORD Time;      /* seconds since midnight, UTC */
} ACTIONHEAD;

/* One record, 16 bytes, as the object writers fill it (the journal itself
 * treats records as opaque). */
typedef struct ACTIONRECORD {
  DWORD Key;        /* object key */
  DWORD Number;     /* object number in its sheet */
  DWORD Backup;     /* backup reference of the old version, 0 when none */
  BYTE Operation;   /* 1 appended, 2 deleted, 4 changed */
  BYTE Parts;       /* records of the object the writer wrote */
  SHORT List;       /* sheet number */
} ACTIONRECORD;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(ACTIONHEAD) == 16);
static_assert(sizeof(ACTIONRECORD) == 16);
#endif

#endif
