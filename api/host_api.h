/* Services a host program installs or sets: its message box, its windows,
 * the folders libraries are looked for in and the system profile. */
#ifndef MAPCORE_API_HOST_API_H
#define MAPCORE_API_HOST_API_H

#include "types/hosttypes.h"

/* Installs the host's message box (null: the built-in one, which writes
 * "caption: text" to the standard error stream and answers IDOK for OK
 * boxes, IDNO or IDCANCEL for questions). Returns the previous hook. */
MAPAPI PLATMESSAGEBOX WINAPI platSetMessageBoxHook(PLATMESSAGEBOX hook, void* context);

/* Creates a host window with a procedure and a client area of the given
 * size: 0 for a side below 1 or above PLATBITMAP_MAXSIDE or a client area
 * above 1 GiB at 32 bits per pixel, as for a bitmap. Destroys it (0 for an
 * unknown window). */
MAPAPI HWND WINAPI platCreateWindow(PLATWNDPROC proc, void* context, int width, int height);
MAPAPI int WINAPI platDestroyWindow(HWND window);

/* --- Device contexts ------------------------------------------------------
 * The painting functions (mapPaint, mapPaintObject, the legend samples,
 * mapPaintMtr3D, ...) draw onto a device context (HDC). A host makes one
 * over a bitmap of its own, or takes the one of a window made with
 * platCreateWindow. Pixels are 32-bit words 0x00RRGGBB (in memory: blue,
 * green, red, 0), the left pixel of a row first. Every function that
 * takes a device context draws nothing for a null, freed or foreign one,
 * and answers 0 when it answers at all.
 *
 *   HDC dc = platCreateBitmapDC(width, height, 1);      top-down rows
 *   RECT rect = {0, 0, width, height};                  picture pixels
 *   mapPaint(hMap, dc, 1, &rect);
 *   LONG stride;
 *   const unsigned char* pixels = platGetBitmapBits(dc, &stride);
 *   ...                                                 row y at pixels + y * stride
 *   platDeleteBitmapDC(dc);
 */

/* The kinds of device a bitmap's device context shows the painters: a
 * display (the initial kind; visual types 1 and 2 paint through the
 * library's memory image), a raster printer (painted in bands at its own
 * resolution, visual types 1 and 2 as 6) or another device such as a
 * plotter (painted straight at its own resolution, 1 and 2 as 6). */
enum { PLATDEVICE_PLOTTER = 0, PLATDEVICE_DISPLAY = 1, PLATDEVICE_PRINTER = 2 };

/* The largest side of a bitmap, in pixels; a bitmap holds at most 1 GiB. */
#define PLATBITMAP_MAXSIDE 65536

/* A device context over a new 32-bit bitmap of width x height pixels,
 * white, its rows top-down in memory when topDown is non-zero, else
 * bottom-up; it shows a display. 0 for a side below 1 or above
 * PLATBITMAP_MAXSIDE, a bitmap above 1 GiB, or when memory fails. */
MAPAPI HDC WINAPI platCreateBitmapDC(LONG width, LONG height, LONG topDown);
/* The address of the bitmap's first byte in memory (its top row when
 * top-down, its bottom row when bottom-up), with the bytes from one row to
 * the next in memory in *stride (width x 4; stride may be null). Valid
 * until the context is freed. 0 (stride 0) for a context that is not a
 * live one of platCreateBitmapDC. */
MAPAPI void* WINAPI platGetBitmapBits(HDC dc, LONG* stride);
/* Frees the context and its bitmap: 1, or 0 for any other handle (a
 * window's context, one freed already). */
MAPAPI int WINAPI platDeleteBitmapDC(HDC dc);
/* Chooses the device a bitmap's context shows (PLATDEVICE_*), a printer
 * or plotter at dpiX x dpiY dots per inch (1 to 100000; ignored for a
 * display, which has the screen's resolution). The kind it showed before,
 * or -1 (nothing changed) for another handle, kind or resolution. */
MAPAPI LONG WINAPI platSetDeviceKind(HDC dc, LONG kind, LONG dpiX, LONG dpiY);

/* The device context of a window made with platCreateWindow: its client
 * area, a display, kept with its pixels while the window lives (each
 * context of one window draws onto the same pixels). 0 for an unknown
 * window. Free it with platReleaseDC. */
MAPAPI HDC WINAPI platGetDC(HWND window);
/* Frees a window's device context: 1, or 0 when it is not that window's. */
MAPAPI int WINAPI platReleaseDC(HWND window, HDC dc);
/* Copies the window's pixels (black where nothing painted them) into the
 * caller's buffer, top row first, rows stride bytes apart: at most width x
 * height of the client area. The rows copied; 0 for an unknown window, a
 * null buffer, a size below 1 or a stride below width x 4. */
MAPAPI LONG WINAPI platReadWindowPixels(HWND window, void* bits, LONG stride, LONG width,
                                        LONG height);

/* Adds a folder in which libraries loaded by name are looked for, after
 * the folder of the name itself. */
MAPAPI void WINAPI platAddLibraryFolder(const char* folder);

/* Sets the file that stands for the system profile (null: $HOME/.win.ini). */
MAPAPI void WINAPI platSetSystemProfile(const char* fileName);

#endif
