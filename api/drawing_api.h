/* Screen precision as a host program sees it: the physical size of the
 * screen, the scale at which maps are shown on it and the screen pixels per
 * metre derived from them. Library-wide values; a document takes them when
 * it next recomputes its factors. And the outlines of a 32 x 32 mark. */
#ifndef MAPCORE_API_DRAWING_API_H
#define MAPCORE_API_DRAWING_API_H

#include "types/maptypes.h"

/* The screen diagonal in millimetres (320 at start). */
MAPAPI LONG WINAPI mapGetScreenSize(void);
/* Sets the diagonal (0 keeps it; kept within 100-2000) and recomputes the
 * pixels per metre from it, the screen's size in pixels and the scale;
 * returns the previous diagonal. The Ex form takes a second value that is
 * not used. */
MAPAPI LONG WINAPI mapSetScreenSize(LONG size);
MAPAPI LONG WINAPI mapSetScreenSizeEx(LONG size, LONG reserve);

/* The screen scale in percent (120 at start). */
MAPAPI LONG WINAPI mapGetScreenScale(void);
/* Sets the scale (0 keeps it; kept within 50-200) and recomputes the pixels
 * per metre; returns the previous scale. */
MAPAPI LONG WINAPI mapSetScreenScale(LONG scale);

/* The screen pixels per metre, truncated (3000 at start). */
MAPAPI LONG WINAPI mapGetScreenPrecision(void);
/* Sets the pixels per metre (0 keeps them; kept within 1000-100000); the
 * scale follows in proportion, not kept within its range. Returns the
 * previous value, truncated. */
MAPAPI LONG WINAPI mapSetScreenPrecision(LONG precision);

/* Metres on the screen to pixels (nearest), and pixels to metres. */
MAPAPI LONG WINAPI mapScreenMeter2Pixel(double metre);
MAPAPI double WINAPI mapScreenPixel2Meter(LONG pixel);

/* The outlines of a mark, a 32 x 32 one-bit picture (size must be 32; 32
 * rows of 4 bytes from the top, the most significant bit of each byte
 * leftmost), into the buffer of `length` bytes (at least 9472): the
 * address of the first point, the address of the point counts and the
 * number of contours, laid out as the head of the library's polyline set
 * (at bytes 0, 8 and 16 where addresses take 8 bytes, 0, 4 and 8 where they
 * take 4); the counts from byte 2304; the points (two 32-bit integers each,
 * in mark pixels) from byte 2304 + 192 x contours. 1 when written; 0, with
 * the buffer untouched, when an argument is wrong, the outlines need more
 * than `length` bytes, or no map is open to lend its work space. */
MAPAPI LONG WINAPI mapMarkVectorization(LONG size, const char* mark, LONG length,
                                        char* buffer);

#endif
