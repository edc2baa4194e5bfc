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

  if (failures == 0) printf("C interface host: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
