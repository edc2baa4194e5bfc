/* A part of a file mapped read-only into memory (mapOpenTheFileMapping). */
#ifndef MAPCORE_TYPES_FILEMAPPING_H
#define MAPCORE_TYPES_FILEMAPPING_H

#include "types/maptypes.h"
#include "types/layout.h"

typedef struct FILEMAPPING {
  HANDLE File;       /* the open file */
  HANDLE Mapping;    /* the file-mapping object */
  char* View;        /* address of the mapped view */
  DWORD ViewOffset;  /* file offset of the view: the offset asked for with
                        its low 16 bits cleared */
  DWORD ViewLength;  /* bytes of the view */
  DWORD Remainder;   /* the low 16 bits of the offset asked for: where the
                        data asked for begins inside the view */
} FILEMAPPING;
#if MC_POINTERS_8
MC_PLACE(FILEMAPPING, File, 0);
MC_PLACE(FILEMAPPING, Mapping, 8);
MC_PLACE(FILEMAPPING, View, 16);
MC_PLACE(FILEMAPPING, ViewOffset, 24);
MC_PLACE(FILEMAPPING, ViewLength, 28);
MC_PLACE(FILEMAPPING, Remainder, 32);
MC_SIZE(FILEMAPPING, 40);
#endif

#endif
