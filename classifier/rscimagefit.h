// Image records of object kinds (PAR and PRN) checked against what they
// hold. A record's parameters carry lengths and counts of their own (a
// sign's length, its layers or subjects, a set's elements); a damaged file
// can make them claim more than the record holds. Whatever reads a kind's
// image, to paint, measure or frame it, asks first whether it fits: one
// that does not paints nothing and measures as empty.
#pragma once

#include <cstdint>

#include "classifier/rscdata.h"

// 1 when the record is whole (its head at least) and its parameters hold
// what the readers of its image function read (PrimitiveFits), else 0.
int rscImageFits(const VIEPAR* record);

// The bytes from `parameters` to the end of the image record of the
// classifier that holds them (the screen and printer records its kinds use
// now, and the items of its GRS records); -1 when they lie in none of
// them: parameters of a caller's own, whose room only the caller knows.
int64_t rscImageRoom(const TRSCDATA* data, const char* parameters);
