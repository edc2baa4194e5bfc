/* A host of the C interface, built against an installed tree only. It is
 * plain C99 and valid C++, so the same source is built as a C host and,
 * through pkg-config, as a C++ host. Exits 0 when every check holds and
 * prints each failed check. argv[1] is a folder for the files it makes. */
#include <stdio.h>
#include <string.h>

#include "api/mapapi.h"

static int failures = 0;

#define CHECK(cond)                                                  \
  do {                                                               \
    if (!(cond)) {                                                   \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                    \
    }                                                                \
  } while (0)

/* A small classifier through the C interface alone: made with a layer, an
 * area kind and a semantic with two values, written, and read back. */
static void Classifier(const char* folder) {
  char path[512];
  RSCCREATE create;
  PALETTE256 palette;
  RSCSEG layer;
  RSCOBJECT object;
  RSCSEMANTIC semantic;
  HRSC rsc;
  LONG segment, kind;
  int i;

  snprintf(path, sizeof path, "%s/host.rsc", folder);
  memset(&create, 0, sizeof create);
  strcpy(create.Name, "HOST");
  strcpy(create.Code, "HOST");
  create.Scale = 100000;
  create.Language = 1;
  memset(&palette, 0, sizeof palette);
  palette.Version = 0x0300;
  palette.Count = 16;
  for (i = 0; i < 16; ++i) palette.Colors[i] = 0x101010u * (DWORD)i;
  rsc = mapCreateRsc(path, &create, &palette);
  CHECK(rsc != 0);
  if (rsc == 0) return;

  memset(&layer, 0, sizeof layer);
  strcpy(layer.Name, "WATER");
  strcpy(layer.Short, "WTR");
  layer.Order = 3;
  segment = mapAppendRscSegment(rsc, &layer);
  CHECK(segment > 0);
  memset(&object, 0, sizeof object);
  object.Length = sizeof object;
  object.Excode = 31410000;
  object.Local = 1;
  object.Segment = (DWORD)segment;
  strcpy(object.Name, "LAKE");
  kind = mapAppendRscObject(rsc, &object);
  CHECK(kind > 0);
  memset(&semantic, 0, sizeof semantic);
  semantic.Code = 20;
  semantic.Type = 16;
  strcpy(semantic.Name, "WATER KIND");
  CHECK(mapAppendRscSemantic(rsc, &semantic) == 20);
  CHECK(mapAppendRscClassificator(rsc, 20, 1, "FRESH") == 1);
  CHECK(mapAppendRscClassificator(rsc, 20, 2, "SALT") == 2);
  mapAppendRscSemanticObject(rsc, kind, 20, 2);
  CHECK(mapCommitRsc(rsc) == 1);
  CHECK(mapCloseRsc(rsc) == 1);

  rsc = mapOpenRsc(path);
  CHECK(rsc != 0);
  if (rsc == 0) return;
  CHECK(mapGetRscObjectCode(rsc, 31410000, 1) == kind);
  CHECK(strcmp(mapGetRscObjectName(rsc, kind), "LAKE") == 0);
  CHECK(mapGetRscSegmentByShortName(rsc, "WTR") == segment);
  CHECK(mapGetRscSemanticObjectUsed(rsc, kind, 20) == 2);
  CHECK(strcmp(mapGetRscSemanticClassificatorName(rsc, 20, 2), "SALT") == 0);
  CHECK(mapCloseRsc(rsc) == 1);
  CHECK(mapCloseRsc(0) == 0);
}

int main(int argc, char** argv) {
  char missing[512];
  char text[4000];
  char packed[4000];
  char unpacked[4000];
  int i, packedSize, unpackedSize;

  if (argc < 2) {
    fprintf(stderr, "usage: host <folder>\n");
    return 2;
  }

  /* Messages off: a host without a window gets no boxes. */
  mapMessageEnable(0);
  CHECK(mapIsMessageEnable() == 0);

  SetMapAccessLanguage(2);
  CHECK(GetMapAccessLanguage() == 2);
  SetMapAccessLanguage(1);
  CHECK(GetMapAccessLanguage() == 1);

  /* A file that is not there is of no kind. */
  snprintf(missing, sizeof missing, "%s/no-such-folder/missing.map", argv[1]);
  CHECK(mapCheckFile(missing) == 0);

  /* LZW round trip of a text that compresses well. */
  for (i = 0; i < (int)sizeof text; ++i) text[i] = "map sheet object "[i % 17];
  packedSize = mapCompressLZW(text, (int)sizeof text, packed, (int)sizeof packed);
  CHECK(packedSize > 0 && packedSize < (int)sizeof text);
  if (packedSize > 0) {
    unpackedSize = mapDecompressLZW(packed, packedSize, unpacked, (int)sizeof unpacked);
    CHECK(unpackedSize == (int)sizeof text);
    CHECK(memcmp(text, unpacked, sizeof text) == 0);
  }
  /* A bad argument is an error code, not a crash. */
  CHECK(mapCompressLZW(NULL, 16, packed, (int)sizeof packed) == 0);

  Classifier(argv[1]);

  if (failures == 0) printf("C interface host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
