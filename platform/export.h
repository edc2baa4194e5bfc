// Visibility of the library's classes.
//
// Everything is compiled with hidden visibility; only the exported classes
// (MAPCLASS) and the C interface of api/ are seen outside libmapcore.so.
#pragma once

#include "types/maptypes.h"

#define MAPCLASS MC_VISIBLE
