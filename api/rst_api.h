/* Rasters as a host program sees them: opening and creating rasters, their
 * place in a document's raster chain and how the document shows them, their
 * colours, location, scale and border, and their elements and blocks.
 *
 * Every function but the openers and the file-length calculation takes a
 * document handle (HMAP) and a raster number n, 1-based in the document's
 * raster chain. A null, closed or foreign handle gets 0 (a text result: an
 * empty string); a number without a raster gets 0 too, unless a function
 * names another answer (-1). Coordinates: elements are (row, column) from
 * the north-west element; plane X runs north and Y east, in metres. Colour
 * words are 0x00BBGGRR. Functions that change colours rebuild the
 * document's palette. */
#ifndef MAPCORE_API_RST_API_H
#define MAPCORE_API_RST_API_H

#include "types/geotypes.h"
#include "types/maptypes.h"

/* --- Documents -------------------------------------------------------- */

/* A new document with the raster open in it: the handle, or 0 (nothing is
 * left behind) when the file opens as no raster. */
MAPAPI HMAP WINAPI mapOpenRst(const char* name, LONG mode);
/* Closes raster n, or every raster when n is 0. */
MAPAPI void WINAPI mapCloseRst(HMAP hMap, LONG n);
/* Creates a raster file of width x height elements of nbits bits (1, 4, 8,
 * 16, 24, 32) with the first colorcount colours of palette (above 8 bits
 * with more than 256 colours the colours are not used), scale denominator
 * and precision, and opens it in a new document: the handle, or 0. The
 * precision counts elements per metre of the printed map (of the picture
 * at the raster's scale, as dots per metre of a scan: 11,811 for 300 dots
 * per inch), not of the ground: an element covers scale / precision metres
 * on the ground. A scale or precision below 1 is raised to 1: a precision
 * counted per metre of the ground, below 1 for elements of more than a
 * metre, gives elements of `scale` metres and a picture far wider than
 * meant. */
MAPAPI HMAP WINAPI mapCreateRst(const char* name, LONG width, LONG height, LONG nbits,
                                const COLORREF* palette, LONG colorcount, double scale,
                                double precision);
/* The same file created and opened into a document, its south-west corner
 * at (x, y); palette used when useColors is not 0 (2, 16 or 256 colours by
 * depth). The new raster's number, or 0. */
MAPAPI LONG WINAPI mapCreateAndAppendRst(HMAP hMap, const char* name, LONG width, LONG height,
                                         LONG nbits, const COLORREF* palette, LONG useColors,
                                         double scale, double precision, double x, double y);
/* The length of a new raster file of that size (word not 0, width and
 * height at least 1, nbits above 0), 0.0 otherwise. */
MAPAPI double WINAPI mapRstFileLengthCalculation(LONG word, LONG width, LONG height, LONG nbits);
MAPAPI double WINAPI mapRtsFileLengthCalculation(LONG word, LONG width, LONG height, LONG nbits);

/* --- The chain and the view ------------------------------------------- */

MAPAPI LONG WINAPI mapGetRstCount(HMAP hMap);
/* The document's current raster number (set as given). */
MAPAPI LONG WINAPI mapGetRstCurrentNumber(HMAP hMap);
MAPAPI LONG WINAPI mapSetRstCurrentNumber(HMAP hMap, LONG n);
/* The raster's file name; "" without it. */
MAPAPI const char* WINAPI mapGetRstName(HMAP hMap, LONG n);
/* Shown (not 0) or hidden; -1 without the raster. */
MAPAPI LONG WINAPI mapGetRstView(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapSetRstView(HMAP hMap, LONG n, LONG view);
/* 0: painted under the vector map, 1: over it (any order not 0 is 1). */
MAPAPI LONG WINAPI mapGetRstViewOrder(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapSetRstViewOrder(HMAP hMap, LONG n, LONG order);
/* The scale denominators between which the raster is shown; setting needs
 * 0 < bottom <= top. */
MAPAPI LONG WINAPI mapGetRstRangeScaleVisible(HMAP hMap, LONG n, LONG* bottom, LONG* top);
MAPAPI LONG WINAPI mapSetRstRangeScaleVisible(HMAP hMap, LONG n, LONG bottom, LONG top);
/* Only what lies inside the border is shown (a raster with a border): 1,
 * or 0; the state read: 0, 1, or -1 without the raster. */
MAPAPI LONG WINAPI mapShowRstByBorder(HMAP hMap, LONG n, LONG on);
MAPAPI LONG WINAPI mapCheckShowRstByBorder(HMAP hMap, LONG n);

/* --- Colours ---------------------------------------------------------- */

/* count colours (2..256) as shown (after brightness and contrast), and as
 * set. */
MAPAPI LONG WINAPI mapGetRstPalette(HMAP hMap, COLORREF* colors, LONG count, LONG n);
MAPAPI LONG WINAPI mapGetRstStandardPalette(HMAP hMap, COLORREF* colors, LONG count, LONG n);
/* count colours (at least 2, at most 256 taken); null colours: the file's
 * palette (4 and 8 bits) or the 16 default colours. */
MAPAPI LONG WINAPI mapSetRstPalette(HMAP hMap, const COLORREF* colors, LONG count, LONG n);
/* The file's palette again, brightness and contrast 0. */
MAPAPI LONG WINAPI mapRestoreRstPalette(HMAP hMap, LONG n);
/* The colours of the raster: its palette's count, else by depth (65,536
 * for 16 bits, 16,777,216 for 24 and 32). */
MAPAPI LONG WINAPI mapGetRstColorCount(HMAP hMap, LONG n);
/* Brightness and contrast (-16..16) and non-linear brightness (-32..32). */
MAPAPI LONG WINAPI mapGetRstBright(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstContrast(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstGamma(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapSetRstBright(HMAP hMap, LONG bright, LONG n);
MAPAPI LONG WINAPI mapSetRstContrast(HMAP hMap, LONG contrast, LONG n);
MAPAPI LONG WINAPI mapSetRstGamma(HMAP hMap, LONG gamma, LONG n);
/* Shown inverted: the state (-1 without the raster); inverting: 1. */
MAPAPI LONG WINAPI mapCheckInversionRst(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapInvertRst(HMAP hMap, LONG n, LONG value);
/* Palette entry `index` of a raster of 16 or 256 colours shown or hidden
 * in the document (the file form also keeps it in the file): the state
 * (-1 when not allowed); setting: 1, or 0. */
MAPAPI LONG WINAPI mapCheckVisibilityColor(HMAP hMap, LONG n, LONG index);
MAPAPI LONG WINAPI mapSetVisibilityColor(HMAP hMap, LONG n, LONG index, LONG on);
MAPAPI LONG WINAPI mapSetVisibilityColorInRstFile(HMAP hMap, LONG n, LONG index, LONG on);
/* The colour of the element at the plane point. */
MAPAPI LONG WINAPI mapGetRstPlanePointColor(HMAP hMap, LONG n, COLORREF* color, double x,
                                            double y);

/* --- Geometry and location -------------------------------------------- */

/* The raster's frame in metres; the frame of what is shown (the box of the
 * border while only its inside is shown; the raster must be shown). */
MAPAPI LONG WINAPI mapGetRstFrameMeters(HMAP hMap, DFRAME* frame, LONG n);
MAPAPI LONG WINAPI mapGetActualRstFrame(HMAP hMap, DFRAME* frame, LONG n);
/* The south-west corner in metres; setting it writes it into the file. */
MAPAPI LONG WINAPI mapGetRstLocation(HMAP hMap, LONG n, DOUBLEPOINT* point);
MAPAPI LONG WINAPI mapSetRstLocation(HMAP hMap, LONG n, const DOUBLEPOINT* point);
/* 1 when the file was given a location. */
MAPAPI LONG WINAPI mapCheckExistenceRstLocation(HMAP hMap, LONG n);
/* Scale (above 0) and precision (elements per metre of the printed map,
 * as at creation; at least 1.0), written into the file. */
MAPAPI LONG WINAPI mapSetRstScale(HMAP hMap, LONG n, double scale);
MAPAPI LONG WINAPI mapSetRstPrecision(HMAP hMap, LONG n, double precision);
MAPAPI LONG WINAPI mapGetRstScale(HMAP hMap, LONG n, double* scale);
MAPAPI LONG WINAPI mapGetRstPrecision(HMAP hMap, LONG n, double* precision);
/* Metres on the ground per element. */
MAPAPI LONG WINAPI mapGetRstMeterInElement(HMAP hMap, LONG n, double* metres);
/* Picture pixels per element at the document's view. */
MAPAPI LONG WINAPI mapGetSizeRstElemInPix(HMAP hMap, LONG n, double* size);
/* A length in elements as picture pixels, and back. */
MAPAPI LONG WINAPI mapRstElementToPixel(HMAP hMap, LONG n, double value, double* pixels);
MAPAPI LONG WINAPI mapPixelToRstElement(HMAP hMap, LONG n, double value, double* elements);

/* --- Border ------------------------------------------------------------ */

/* The border from an object whose first contour is closed (plane
 * coordinates); the border into an object's metric. */
MAPAPI LONG WINAPI mapSetRstBorder(HMAP hMap, LONG n, HOBJ object);
MAPAPI LONG WINAPI mapGetRstBorder(HMAP hMap, LONG n, HOBJ object);
MAPAPI LONG WINAPI mapDeleteRstBorder(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapCheckExistenceRstBorder(HMAP hMap, LONG n);
/* The border point (in metres, inside the raster's frame) nearest to a
 * plane point. */
MAPAPI LONG WINAPI mapGetImmediatePointOfRstBorder(HMAP hMap, LONG n, const DOUBLEPOINT* point,
                                                   DOUBLEPOINT* nearest);

/* --- Elements and blocks ----------------------------------------------- */

MAPAPI LONG WINAPI mapGetRstPoint(HMAP hMap, LONG n, LONG* value, LONG row, LONG column);
/* Writing needs a raster open for writing. */
MAPAPI LONG WINAPI mapPutRstPoint(HMAP hMap, LONG n, LONG value, LONG row, LONG column);
MAPAPI LONG WINAPI mapGetRstPlanePoint(HMAP hMap, LONG n, LONG* value, double x, double y);
/* The value interpolated over the triangle of the point, truncated; a
 * negative value gives 0. */
MAPAPI LONG WINAPI mapGetRstPlanePointTriangle(HMAP hMap, LONG n, LONG* value, double x,
                                               double y);
MAPAPI LONG WINAPI mapPutRstPlanePoint(HMAP hMap, LONG n, LONG value, double x, double y);
/* Columns, rows, the length of the data in the file, bits per element. */
MAPAPI LONG WINAPI mapGetRstWidth(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstHeight(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstLength(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstElementSize(HMAP hMap, LONG n);
/* Blocks: their count, block rows, block columns; the bytes, width and
 * height of a whole block; of block (row, column) and of the blocks of a
 * block column or row. */
MAPAPI LONG WINAPI mapGetRstBlockCount(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstBlockRow(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstBlockColumn(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstBlockSize(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstBlockWidth(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstBlockHeight(HMAP hMap, LONG n);
MAPAPI LONG WINAPI mapGetRstCurrentBlockSize(HMAP hMap, LONG n, LONG row, LONG column);
MAPAPI LONG WINAPI mapGetRstCurrentBlockWidth(HMAP hMap, LONG n, LONG column);
MAPAPI LONG WINAPI mapGetRstCurrentBlockHeight(HMAP hMap, LONG n, LONG row);
/* The decoded block (valid until the raster's next block access), null
 * for an absent one; the second form makes an absent block. */
MAPAPI char* WINAPI mapGetRstBlock(HMAP hMap, LONG n, LONG row, LONG column);
MAPAPI char* WINAPI mapGetRstBlockAndCreate(HMAP hMap, LONG n, LONG row, LONG column);
/* Memory for decoded blocks, rasters and matrices alike: each file opened
 * from now on keeps up to this many megabytes of the blocks its cache gives
 * up (64 at start; 0 keeps none), freed when it closes. A negative size
 * changes nothing. Returns the size in force before. */
MAPAPI LONG WINAPI mapSetBlockCacheSize(LONG megabytes);
/* Stores size bytes (plain or compressed) as block (row, column): the
 * bytes stored, or 0. */
MAPAPI LONG WINAPI mapWriteRstBlock(HMAP hMap, LONG n, LONG row, LONG column, const char* data,
                                    LONG size);
/* Sets value into every element of block (row, column) whose byte of the
 * mask (width x height bytes = size, rows bottom-up) is 0. */
MAPAPI LONG WINAPI mapPutRstBlockByMask(HMAP hMap, LONG n, LONG row, LONG column, LONG value,
                                        const char* mask, LONG size, LONG width, LONG height);
/* A rectangle of elements (rows of width x bits / 8 bytes, top-down)
 * written from and read into a caller's image; a turned strip from element
 * (row1, column1) to (row2, column2) sampled into width x height colours. */
MAPAPI LONG WINAPI mapPutRstFrame(HMAP hMap, LONG n, const char* bits, LONG left, LONG top,
                                  LONG width, LONG height);
MAPAPI LONG WINAPI mapGetRstFrame(HMAP hMap, LONG n, char* bits, LONG left, LONG top, LONG width,
                                  LONG height);
MAPAPI LONG WINAPI mapGetRstFrameTurn(HMAP hMap, LONG n, COLORREF* bits, LONG width, LONG height,
                                      double row1, double column1, double row2, double column2);
/* Writes every change into the file. */
MAPAPI LONG WINAPI mapSaveRst(HMAP hMap, LONG n);
/* Not 0 when the raster is open for writing. */
MAPAPI LONG WINAPI mapCheckRstEdit(HMAP hMap, LONG n);
/* The compression of the file (0 none, 1 LZW, 32 matrix coder). */
MAPAPI LONG WINAPI mapCheckRstCompressNumber(HMAP hMap, LONG n);
/* Block number `index` (row x block columns + column) is stored; how it
 * lies to the border (0 outside, 1 inside, 2 crossed). */
MAPAPI LONG WINAPI mapCheckRstBlockExistence(HMAP hMap, LONG n, LONG index);
MAPAPI LONG WINAPI mapCheckRstBlockVisible(HMAP hMap, LONG n, LONG index);
/* A 1-bit mask of block (row, column), top-down rows of 32-bit words (the
 * block width raised to a multiple of 32; the leftmost element of a word in
 * its top bit): set where the element lies inside the border. size must
 * hold the whole mask. */
MAPAPI LONG WINAPI mapBuildRstBlockMask(HMAP hMap, LONG n, char* mask, LONG size, LONG row,
                                        LONG column);

#endif
