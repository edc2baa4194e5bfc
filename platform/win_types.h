// Fixed-width types and handle types of the library's interfaces.
//
// The library's interfaces were laid out for a 32-bit system: a "long" there
// is 32 bits wide. Project code never writes the bare C type; it uses LONG
// (int32_t), DWORD (uint32_t) or intptr_t where a value carries an address.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t BOOL;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef uint32_t COLORREF;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef char CHAR;
typedef unsigned char UCHAR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Operating-system handles: opaque pointer types, so that one kind of handle
// cannot be passed where another is expected.
#define MC_DECLARE_HANDLE(name) \
  struct name##__;              \
  typedef name##__* name
MC_DECLARE_HANDLE(HWND);
MC_DECLARE_HANDLE(HDC);
MC_DECLARE_HANDLE(HPEN);
MC_DECLARE_HANDLE(HBRUSH);
MC_DECLARE_HANDLE(HFONT);
MC_DECLARE_HANDLE(HBITMAP);
MC_DECLARE_HANDLE(HPALETTE);
MC_DECLARE_HANDLE(HRGN);
MC_DECLARE_HANDLE(HENHMETAFILE);
MC_DECLARE_HANDLE(HMODULE);
MC_DECLARE_HANDLE(HINSTANCE);
typedef void* HANDLE;
typedef void* HGDIOBJ;
typedef HMODULE HLIBRARY;

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

// Library handles: pointer-sized.
typedef intptr_t HMAP;
typedef intptr_t HOBJ;
typedef intptr_t HSITE;
typedef intptr_t HSELECT;
typedef intptr_t HRSC;
typedef intptr_t HPAINT;

// Plain records shared with the host.
#pragma pack(push, 1)
struct POINT {
  LONG x;
  LONG y;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct SIZE {
  LONG cx;
  LONG cy;
};
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
#pragma pack(pop)
static_assert(sizeof(POINT) == 8);
static_assert(sizeof(RECT) == 16);
static_assert(sizeof(SIZE) == 8);
static_assert(sizeof(FILETIME) == 8);
static_assert(sizeof(SYSTEMTIME) == 16);

typedef POINT* LPPOINT;
typedef RECT* LPRECT;

#ifndef MAX_PATH
#define MAX_PATH 260
#endif
