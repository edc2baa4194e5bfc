/* LZW compression of memory blocks, as a host program sees it. */
#ifndef MAPCORE_API_CODEC_API_H
#define MAPCORE_API_CODEC_API_H

#include "types/maptypes.h"

/* LZW-compresses length bytes of source into dest (capacity destSize, at
 * least length); returns the number of bytes written, or 0 when the data do
 * not compress below 0.8 of their length or an argument is bad. */
MAPAPI int WINAPI mapCompressLZW(const char* source, int length, char* dest, int destSize);

/* Decompresses a stream written by mapCompressLZW into dest (capacity
 * destSize, at least length); returns the number of bytes written, or 0 for
 * a damaged stream, a stream that does not fit or a bad argument. */
MAPAPI int WINAPI mapDecompressLZW(const char* source, int length, char* dest, int destSize);

#endif
