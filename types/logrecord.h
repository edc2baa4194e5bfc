/* Records of the edit journal as the host exchanges them: the header of an
 * action and one 16-byte record of an object change. */
#ifndef MAPCORE_TYPES_LOGRECORD_H
#define MAPCORE_TYPES_LOGRECORD_H

#include "types/maptypes.h"
#include "types/layout.h"

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
MC_PLACE(ACTIONHEAD, Ident, 0);
MC_PLACE(ACTIONHEAD, UseNumber, 2);
MC_PLACE(ACTIONHEAD, Count, 4);
MC_PLACE(ACTIONHEAD, Type, 6);
MC_PLACE(ACTIONHEAD, Date, 8);
MC_PLACE(ACTIONHEAD, Time, 12);
MC_SIZE(ACTIONHEAD, 16);

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
MC_PLACE(ACTIONRECORD, Key, 0);
MC_PLACE(ACTIONRECORD, Number, 4);
MC_PLACE(ACTIONRECORD, Backup, 8);
MC_PLACE(ACTIONRECORD, Operation, 12);
MC_PLACE(ACTIONRECORD, Parts, 13);
MC_PLACE(ACTIONRECORD, List, 14);
MC_SIZE(ACTIONRECORD, 16);

#ifdef __cplusplus
static_assert(sizeof(ACTIONHEAD) == 16);
static_assert(sizeof(ACTIONRECORD) == 16);
#endif

#endif
