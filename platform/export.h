// Visibility of the library's interface.
//
// Everything is compiled with hidden visibility; only the C interface
// (MAPAPI) and the exported classes (MAPCLASS) are seen outside
// libmapcore.so. The calling convention of the original interface has no
// meaning on x86_64, so WINAPI expands to nothing.
#pragma once

#define MC_VISIBLE __attribute__((visibility("default")))

#ifdef __cplusplus
#define MAPAPI extern "C" MC_VISIBLE
#else
#define MAPAPI MC_VISIBLE
#endif

#define MAPCLASS MC_VISIBLE
#define WINAPI
#define CALLBACK
