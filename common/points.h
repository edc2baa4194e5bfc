// Points and frames in doubles, shared by every subsystem; the records are
// those of the exported interface.
#pragma once

#include "types/geotypes.h"

static_assert(sizeof(DOUBLEPOINT) == 16);
static_assert(sizeof(DFRAME) == 32);
static_assert(sizeof(SIGNDEGREE) == 16);
static_assert(sizeof(DEGREE) == 12);
