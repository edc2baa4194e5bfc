/* The select record: a select context as a block of bytes that a host
 * keeps (mapGetSelectRecord) and gives back to a context later
 * (mapPutSelectRecord), for instance in its own project or settings files.
 * Sheets, layers and object kinds are named in it (sheet nomenclature,
 * layer short name, object key), not numbered, so that the record stays
 * valid when the sheet table or the classifier is renumbered.
 *
 * The record is SELECTRECORD followed by up to three sections, in the order
 * sheets, layers, kinds, each present only while its condition is on: a
 * 4-byte tag, then its names in slots of 32 bytes, each name ending in a
 * zero inside its slot. A section lists the selected items (Selected 1) or,
 * when most are selected, the unselected ones (Selected 0). Little-endian,
 * packed. */
#ifndef MAPCORE_TYPES_SELECTTYPES_H
#define MAPCORE_TYPES_SELECTTYPES_H

#include "types/maptypes.h"
#include "types/layout.h"

enum {
  SELECTRECORD_TAG = 0x00544C53,      /* "SLT" and a zero byte */
  SELECTRECORD_TAG_SET = 0x00544553,  /* "SET": an older form still read */
  SELECTRECORD_TAG_SEC = 0x00434553,  /* "SEC": the same without measures */
  SELECTRECORD_HEAD = 20488,          /* SELECTRECORD; the least "SLT" record */
  SELECTRECORD_OLDSIZE = 29216,       /* an older record */
  SELECTRECORD_NAMESIZE = 32,         /* a name's slot */
  SELECTSECTION_SHEETS = 0x0044534C,  /* "LSD": sheets by nomenclature */
  SELECTSECTION_LAYERS = 0x00445353,  /* "SSD": layers by short name */
  SELECTSECTION_KINDS = 0x0044534F,   /* "OSD": object kinds by key */
  SELECTRECORD_SEMANTICS = 17164,     /* bytes of the semantic conditions */
  SELECTRECORD_MEASURES = 3208        /* bytes of the measurement conditions */
};

#pragma pack(push, 1)
/* Where a section lies: names written, 1 when they are the selected items
 * (0: the unselected ones), offset of its tag from the record's start. All
 * zero for a section that is not present. */
typedef struct SELECTSECTION {
  DWORD Count;
  DWORD Selected;
  DWORD Offset;
} SELECTSECTION;
MC_PLACE(SELECTSECTION, Count, 0);
MC_PLACE(SELECTSECTION, Selected, 4);
MC_PLACE(SELECTSECTION, Offset, 8);
MC_SIZE(SELECTSECTION, 12);

/* The fixed part of an "SLT" record. Switches: 1 while the condition is in
 * force. */
typedef struct SELECTRECORD {
  DWORD Tag;             /* SELECTRECORD_TAG */
  DWORD Length;          /* of the whole record, sections included */
  DWORD LayerSwitch;
  DWORD LocalSwitch;
  DWORD KindSwitch;
  DWORD SheetSwitch;
  DWORD SemanticSwitch;
  DWORD KeySwitch;
  DWORD AreaSwitch;      /* always 0: the area is not kept */
  DWORD MeasureSwitch;
  DWORD TotalSeekMarks;  /* 1 marked for its own map, 2 for the view */
  DWORD KeyMinimum;      /* object keys, both ends included, unsigned */
  DWORD KeyMaximum;
  BYTE Semantics[SELECTRECORD_SEMANTICS];  /* the semantic conditions */
  BYTE Measures[SELECTRECORD_MEASURES];    /* the measurement conditions */
  SELECTSECTION Sheets;
  SELECTSECTION Layers;
  SELECTSECTION Kinds;
  DWORD LocalWord;       /* bit n: localisation n selected */
  DWORD KindMode;        /* 0 any object, 1 only without a kind, 2 only with one */
  DWORD Reserved[5];     /* zero */
} SELECTRECORD;
#pragma pack(pop)
MC_PLACE(SELECTRECORD, Tag, 0);
MC_PLACE(SELECTRECORD, Length, 4);
MC_PLACE(SELECTRECORD, LayerSwitch, 8);
MC_PLACE(SELECTRECORD, LocalSwitch, 12);
MC_PLACE(SELECTRECORD, KindSwitch, 16);
MC_PLACE(SELECTRECORD, SheetSwitch, 20);
MC_PLACE(SELECTRECORD, SemanticSwitch, 24);
MC_PLACE(SELECTRECORD, KeySwitch, 28);
MC_PLACE(SELECTRECORD, AreaSwitch, 32);
MC_PLACE(SELECTRECORD, MeasureSwitch, 36);
MC_PLACE(SELECTRECORD, TotalSeekMarks, 40);
MC_PLACE(SELECTRECORD, KeyMinimum, 44);
MC_PLACE(SELECTRECORD, KeyMaximum, 48);
MC_PLACE(SELECTRECORD, Semantics, 52);
MC_PLACE(SELECTRECORD, Measures, 17216);
MC_PLACE(SELECTRECORD, Sheets, 20424);
MC_PLACE(SELECTRECORD, Layers, 20436);
MC_PLACE(SELECTRECORD, Kinds, 20448);
MC_PLACE(SELECTRECORD, LocalWord, 20460);
MC_PLACE(SELECTRECORD, KindMode, 20464);
MC_PLACE(SELECTRECORD, Reserved, 20468);
MC_SIZE(SELECTRECORD, 20488);

#ifdef __cplusplus
static_assert(sizeof(SELECTSECTION) == 12, "SELECTSECTION layout");
static_assert(sizeof(SELECTRECORD) == SELECTRECORD_HEAD, "SELECTRECORD layout");
static_assert(offsetof(SELECTRECORD, Semantics) == 52, "SELECTRECORD layout");
static_assert(offsetof(SELECTRECORD, Measures) == 17216, "SELECTRECORD layout");
static_assert(offsetof(SELECTRECORD, Sheets) == 20424, "SELECTRECORD layout");
static_assert(offsetof(SELECTRECORD, LocalWord) == 20460, "SELECTRECORD layout");
#endif

#endif
