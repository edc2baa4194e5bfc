// LZW compression of memory blocks.
#include "api/codec_api.h"

#include "codec/compress.h"

MAPAPI int WINAPI mapCompressLZW(const char* source, int length, char* dest, int destSize) {
  TCompress compress;
  return compress.Compress(source, length, dest, destSize);
}

MAPAPI int WINAPI mapDecompressLZW(const char* source, int length, char* dest, int destSize) {
  TCompress compress;
  return compress.Decompress(source, length, dest, destSize);
}
