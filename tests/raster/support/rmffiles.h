// Files of the blocked raster tests: whole-file bytes, patches of a closed
// file, and small rasters with known blocks.
#pragma once

#include <cstdint>
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

}  // namespace rmftest
