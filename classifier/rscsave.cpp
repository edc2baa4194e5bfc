// Saving a classifier back into its file.
#include "classifier/maprsc.h"
#include "classifier/rscdata.h"
#include "classifier/rscwrite.h"
#include "common/maperr.h"

int rscSaveRsc(TRSCDATA* d, int force) {
  if (!rscIsOpen(d)) {
    if (d) d->ErrorCode = MAPERR_DATA;
    return 0;
  }
  d->ErrorCode = 0;
  if (!(d->Access & RSC_ACCESS_WRITEBIT)) return 0;
  if (!force && !d->Modify) return 0;
  if (!rscWriteRsc(d)) return 0;
  d->Modify = 0;
  return 1;
}

int TMapRsc::Save(int force) { return rscSaveRsc(this, force); }
