// Points and frames in doubles, shared by every subsystem; the records are
// those of the exported interface.
#pragma once

#include <cmath>

#include "types/geotypes.h"

static_assert(sizeof(DOUBLEPOINT) == 16);
static_assert(sizeof(DFRAME) == 32);
static_assert(sizeof(SIGNDEGREE) == 16);
static_assert(sizeof(DEGREE) == 12);

// True when both coordinates are numbers a metric can keep: neither NaN
// nor infinite.
inline bool IsFinitePoint(double x, double y) { return std::isfinite(x) && std::isfinite(y); }
inline bool IsFinitePoint(const DOUBLEPOINT& p) { return IsFinitePoint(p.X, p.Y); }
