/* A host of the C interface, built against an installed tree only. It is
 * plain C99 and valid C++, so the same source is built as a C host and,
 * through pkg-config, as a C++ host; it shares the builders of the
 * pkg-config hosts (pkghost_maps.h, copied beside it). Exits 0 when every
 * check holds and prints the first failed checks. argv[1] is a folder for
 * the files it makes. */
#include <stdio.h>
#include <string.h>

#include "api/mapapi.h"
#include "pkghost_maps.h"

#define CHECK PKGHOST_CHECK

/* A small classifier through the C interface alone: made with a layer, an
 * area kind and a semantic with two values, written, and read back. */
static void Classifier(const char* folder) {
  char path[512];
  PALETTE256 palette;
  HRSC rsc;
  LONG segment, kind;
  int i;

  PkgHostPath(path, sizeof path, folder, "host.rsc");
  PkgHostPalette(&palette, 16, NULL);
  for (i = 0; i < 16; ++i) palette.Colors[i] = 0x101010u * (DWORD)i;
  rsc = PkgHostCreateRscEx(path, "HOST", "HOST", &palette);
  CHECK(rsc != 0);
  if (rsc == 0) return;

  segment = PkgHostAppendLayer(rsc, "WATER", "WTR", 3);
  CHECK(segment > 0);
  kind = PkgHostAppendKindEx(rsc, segment, 31410000, 1, "LAKE", 0, NULL, 0);
  CHECK(kind > 0);
  CHECK(PkgHostAppendSemantic(rsc, 20, 16, "WATER KIND", NULL) == 20);
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
  LONG cacheSize;

  if (PkgHostFolder(argc, argv, "host") == NULL) return 2;

  /* Messages off: a host without a window gets no boxes. */
  mapMessageEnable(0);
  CHECK(mapIsMessageEnable() == 0);

  SetMapAccessLanguage(2);
  CHECK(GetMapAccessLanguage() == 2);
  SetMapAccessLanguage(1);
  CHECK(GetMapAccessLanguage() == 1);

  /* A file that is not there is of no kind. */
  PkgHostPath(missing, sizeof missing, argv[1], "no-such-folder/missing.map");
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

  /* The memory for decoded raster blocks: set, the size before given
   * back, and restored. */
  cacheSize = mapSetBlockCacheSize(8);
  CHECK(cacheSize >= 0);
  CHECK(mapSetBlockCacheSize(cacheSize) == 8);

  Classifier(argv[1]);

  if (pkghost_failures == 0) printf("C interface host: all checks passed\n");
  return pkghost_failures == 0 ? 0 : 1;
}
