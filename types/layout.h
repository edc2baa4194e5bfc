/* The places of the fields of the records exchanged with a host as bytes,
 * pinned where each record is declared: a field moved, resized or swapped
 * with another of its size fails the build of the library and of every
 * host that includes the record, C99, C11 and C++ alike.
 *
 *   MC_PLACE(record, field, offset)   the field begins at byte `offset`
 *   MC_SIZE(record, size)             the record is `size` bytes
 *
 * Records holding pointers are pinned where pointers take 8 bytes
 * (#if MC_POINTERS_8), the platform the library is built for. */
#ifndef MAPCORE_TYPES_LAYOUT_H
#define MAPCORE_TYPES_LAYOUT_H

#include <stddef.h>
#include <stdint.h>

#if defined(__cplusplus)
#define MC_PLACE(record, field, offset) \
  static_assert(offsetof(record, field) == (offset), #record "." #field " at " #offset)
#define MC_SIZE(record, size) static_assert(sizeof(record) == (size), #record " of " #size " bytes")
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define MC_PLACE(record, field, offset) \
  _Static_assert(offsetof(record, field) == (offset), #record "." #field " at " #offset)
#define MC_SIZE(record, size) _Static_assert(sizeof(record) == (size), #record " of " #size " bytes")
#else
/* C99 has no static assertion: a type of an array of -1 elements fails. */
#define MC_PLACE(record, field, offset) \
  typedef char mc_place_##record##_##field[offsetof(record, field) == (offset) ? 1 : -1]
#define MC_SIZE(record, size) typedef char mc_size_##record[sizeof(record) == (size) ? 1 : -1]
#endif

#define MC_POINTERS_8 (UINTPTR_MAX == UINT64_MAX)

#endif
