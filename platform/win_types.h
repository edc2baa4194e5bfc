// Fixed-width types and handle types of the library's interfaces.
//
// The library's interfaces were laid out for a 32-bit system: a "long" there
// is 32 bits wide. Project code never writes the bare C type; it uses LONG
// (int32_t), DWORD (uint32_t) or intptr_t where a value carries an address.
#pragma once

#include <cstddef>
#include <cstdint>

#include "types/maptypes.h"

typedef HMODULE HLIBRARY;

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

typedef POINT* LPPOINT;
typedef RECT* LPRECT;
