/* A host written in C99 that makes a layer matrix through the C functions
 * alone: it creates one of four blocks, writes a height and three layer
 * powers into every element, names and colours its layers, saves and
 * closes it, opens it again and reads every element back. Exits 0 when
 * every check holds and prints each failed check. argv[1] is a folder for
 * its files. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "host_common.h"

enum { ROWS = 70, COLUMNS = 66, LAYERS = 3 };
static const double X0 = 6000000.0, Y0 = 7400000.0, STEP = 10.0;

/* The centre of element (row, column), row 0 at the north edge. */
static double CentreX(int row) { return X0 + (ROWS - row - 0.5) * STEP; }
static double CentreY(int column) { return Y0 + (column + 0.5) * STEP; }

/* What element (row, column) holds: a height in metres and layer powers
 * in decimetres. */
static double Height(int row, int column) { return (row * 7 + column * 3) % 500 - 100; }
static double Power(int row, int column, int layer) {
  return ((row + column * layer) % 100) * 0.1 + layer;
}

static HMAP Create(const char* path) {
  MTLBUILDPARM parm;
  PkgHostMtlRecord(&parm, X0, Y0, X0 + ROWS * STEP, Y0 + COLUMNS * STEP, STEP, LAYERS);
  return mapCreateMtl(path, &parm);
}

static void Write(HMAP h) {
  int r, c, l;
  char name[32];
  for (r = 0; r < ROWS; ++r)
    for (c = 0; c < COLUMNS; ++c) {
      CHECK(mapPutElementHeight(h, 1, CentreX(r), CentreY(c), Height(r, c)) == 1);
      for (l = 1; l <= LAYERS; ++l)
        CHECK(mapPutElementPower(h, 1, CentreX(r), CentreY(c), Power(r, c, l), l) == 1);
    }
  for (l = 1; l <= LAYERS; ++l) {
    snprintf(name, sizeof name, "LAYER-%d", l);
    CHECK(mapSetLayerShortName(h, 1, l, name) != NULL);
    CHECK(mapSetLayerColor(h, 1, l, (COLORREF)(0x102030 * l)) == (COLORREF)(0x102030 * l));
  }
  CHECK(mapSetMtlMaxSummaryPower(h, 1, 35.5) == 1);
}

static void ReadBack(HMAP h) {
  int r, c, l, wrong = 0;
  char name[32];
  MTLDESCRIBE describe;
  CHECK(mapGetMtlCount(h) == 1);
  CHECK(mapGetMtlElementRow(h, 1) == ROWS && mapGetMtlElementColumn(h, 1) == COLUMNS);
  CHECK(mapGetMtlBlockRow(h, 1) == 2 && mapGetMtlBlockColumn(h, 1) == 2);
  CHECK(mapGetLayerCountOfMtl(h, 1) == LAYERS);
  CHECK(mapGetMaxSummaryPowerOfMtl(h, 1) == 35.5);
  memset(&describe, 0, sizeof describe);
  CHECK(mapGetMtlDescribe(h, 1, &describe) == 1);
  CHECK(describe.LayerCount == LAYERS && describe.HasHeight == 1 && describe.View == 1);
  CHECK(describe.FrameX2 == X0 + ROWS * STEP && describe.FrameY2 == Y0 + COLUMNS * STEP);
  for (r = 0; r < ROWS; ++r)
    for (c = 0; c < COLUMNS; ++c) {
      wrong += mapGetElementHeightOfMtl(h, 1, CentreX(r), CentreY(c)) != Height(r, c);
      for (l = 1; l <= LAYERS; ++l)
        wrong += fabs(mapGetElementPowerOfMtl(h, 1, CentreX(r), CentreY(c), l) -
                      Power(r, c, l)) > 1e-9;
    }
  CHECK(wrong == 0);
  for (l = 1; l <= LAYERS; ++l) {
    snprintf(name, sizeof name, "LAYER-%d", l);
    CHECK(mapGetLayerShortName(h, 1, l) != NULL &&
          strcmp(mapGetLayerShortName(h, 1, l), name) == 0);
    CHECK(mapGetLayerColor(h, 1, l) == (COLORREF)(0x102030 * l));
  }
  /* Outside the frame there is neither height nor power. */
  CHECK(mapGetElementHeightOfMtl(h, 1, X0 - 1.0, Y0) == -111111.0);
  CHECK(mapGetElementPowerOfMtl(h, 1, X0, Y0 - 1.0, 1) == -1111111.0);
}

int main(int argc, char** argv) {
  char path[512];
  HMAP h;
  if (argc < 2) {
    fprintf(stderr, "usage: host_layers <folder>\n");
    return 2;
  }
  mapMessageEnable(0);
  snprintf(path, sizeof path, "%s/layers.mtl", argv[1]);
  h = Create(path);
  CHECK(h != 0);
  if (h == 0) return 1;
  Write(h);
  CHECK(mapSaveMtl(h, 1) == 1);
  mapCloseData(h);

  h = mapOpenMtl(path, 0);
  CHECK(h != 0);
  if (h == 0) return 1;
  ReadBack(h);
  mapCloseData(h);
  if (pkghost_failures == 0) printf("C layer matrix host: every element read back\n");
  return pkghost_failures == 0 ? 0 : 1;
}
