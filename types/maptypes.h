/* Types of the library's interface: fixed-width scalars, handles, the
 * plain records shared with a host and the export markers. Plain C99 and
 * C++; the library's own code is built on the same definitions.
 *
 * The interface was laid out for a 32-bit system: a "long" there is 32 bits
 * wide. LONG is int32_t, DWORD uint32_t; values that carry an address are
 * pointer-sized. Records are packed, little-endian. */
#ifndef MAPCORE_TYPES_MAPTYPES_H
#define MAPCORE_TYPES_MAPTYPES_H

#include <stddef.h>
#include <stdint.h>

#include "types/layout.h"

/* Functions of the interface are exported with C linkage; the calling
 * convention of the original interface means nothing on x86_64. */
#define MC_VISIBLE __attribute__((visibility("default")))
#ifdef __cplusplus
#define MAPAPI extern "C" MC_VISIBLE
#else
#define MAPAPI MC_VISIBLE
#endif
#define WINAPI
#define CALLBACK

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

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

/* Operating-system handles: opaque pointer types, so that one kind of
 * handle cannot be passed where another is expected. */
#define MC_DECLARE_HANDLE(name) \
  struct name##__;              \
  typedef struct name##__* name
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

/* An entry point of a loaded library. */
typedef void (*FARPROC)(void);

/* Handles of the library's own objects: pointer-sized. */
typedef intptr_t HMAP;   /* a map document */
typedef intptr_t HOBJ;   /* a map object */
typedef intptr_t HSITE;  /* a map of a document: 0 or the document for its main map */
typedef intptr_t HSELECT;
typedef intptr_t HSET;   /* an object set */
typedef intptr_t HRSC;
typedef intptr_t HPAINT;

#pragma pack(push, 1)
typedef struct POINT {
  LONG x;
  LONG y;
} POINT;
MC_PLACE(POINT, x, 0);
MC_PLACE(POINT, y, 4);
MC_SIZE(POINT, 8);
typedef struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
} RECT;
MC_PLACE(RECT, left, 0);
MC_PLACE(RECT, top, 4);
MC_PLACE(RECT, right, 8);
MC_PLACE(RECT, bottom, 12);
MC_SIZE(RECT, 16);
typedef struct SIZE {
  LONG cx;
  LONG cy;
} SIZE;
MC_PLACE(SIZE, cx, 0);
MC_PLACE(SIZE, cy, 4);
MC_SIZE(SIZE, 8);
typedef struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME;
MC_PLACE(FILETIME, dwLowDateTime, 0);
MC_PLACE(FILETIME, dwHighDateTime, 4);
MC_SIZE(FILETIME, 8);
typedef struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
} SYSTEMTIME;
#pragma pack(pop)
MC_PLACE(SYSTEMTIME, wYear, 0);
MC_PLACE(SYSTEMTIME, wMonth, 2);
MC_PLACE(SYSTEMTIME, wDayOfWeek, 4);
MC_PLACE(SYSTEMTIME, wDay, 6);
MC_PLACE(SYSTEMTIME, wHour, 8);
MC_PLACE(SYSTEMTIME, wMinute, 10);
MC_PLACE(SYSTEMTIME, wSecond, 12);
MC_PLACE(SYSTEMTIME, wMilliseconds, 14);
MC_SIZE(SYSTEMTIME, 16);

#ifdef __cplusplus
static_assert(sizeof(POINT) == 8);
static_assert(sizeof(RECT) == 16);
static_assert(sizeof(SIZE) == 8);
static_assert(sizeof(FILETIME) == 8);
static_assert(sizeof(SYSTEMTIME) == 16);
#endif

#endif
