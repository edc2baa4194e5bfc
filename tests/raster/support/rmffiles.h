// Files of the blocked raster tests: whole-file bytes, patches of a closed
// file, and small rasters with known blocks.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "raster/rmf.h"

namespace rmftest {

std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
// Writes `size` bytes at `offset` of a closed file.
void Patch(const std::string& path, uint64_t offset, const void* data, size_t size);
template <class T>
void PatchValue(const std::string& path, uint64_t offset, T value) {
  Patch(path, offset, &value, sizeof(value));
}
RMF ReadHeader(const std::string& path);
RMFBLOCKDESC TableEntry(const std::string& path, int number);

// The bytes a test puts into block `number` of a raster: a pattern of the
// number, `size` long.
std::vector<char> Pattern(int number, int size);

// An 8-bit raster of rows x columns with every block written plain with
// its pattern; 1 on success.
int MakeRaster(const std::string& path, int columns, int rows);

// A file of one block laid out byte by byte from the format, as another
// program writes it (not through the library's writer): the header, the
// palette area at 320, the block table at 1344, the addition area (when
// given) and the block, stored plain, in this order.
struct ForeignFile {
  DWORD kind = RMF_RSW;
  int columns = 4, rows = 2, bits = 8;
  BYTE compression = RMF_PLAIN;
  std::string addition;  // the 320 bytes of the addition area; empty: none
  std::string block;     // the block's bytes, cut or padded with zeros to its raw length
};
std::string ForeignBytes(const ForeignFile& file);

// A reduced copy as the file holds it: its header and its elements row by
// row (blocks stored plain; an 8-bit raster).
struct StoredCopy {
  RMF head;
  std::vector<BYTE> elements;
};
// The copies of an 8-bit raster file, in chain order.
std::vector<StoredCopy> StoredCopies(const std::string& path);
// Appends reduced copies of an 8-bit raster as another program writes
// them: at the given factors, sides rounded up, blocks of 256 x 256 stored
// plain behind each header and its table, element (y, x) of the copy at
// factor f being value(y, x, f); the main header names the first copy and
// its end moves past the last.
void AppendForeignCopies(const std::string& path, std::initializer_list<int> factors,
                         const std::function<int(int, int, int)>& value);

}  // namespace rmftest
