#include "support/rmffiles.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

namespace rmftest {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void Patch(const std::string& path, uint64_t offset, const void* data, size_t size) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(std::streamoff(offset));
  f.write(static_cast<const char*>(data), std::streamsize(size));
}

RMF ReadHeader(const std::string& path) {
  RMF h{};
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(&h), sizeof(h));
  return h;
}

RMFBLOCKDESC TableEntry(const std::string& path, int number) {
  const RMF h = ReadHeader(path);
  const uint64_t at = uint64_t(h.TablePosition) << h.UnitShift;
  RMFBLOCKDESC e{};
  std::ifstream f(path, std::ios::binary);
  f.seekg(std::streamoff(at + uint64_t(number) * 8));
  f.read(reinterpret_cast<char*>(&e), sizeof(e));
  return e;
}

std::vector<char> Pattern(int number, int size) {
  std::vector<char> bytes(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) bytes[size_t(i)] = char((i * 7 + number * 31 + i / 251) & 0xFF);
  return bytes;
}

int MakeRaster(const std::string& path, int columns, int rows) {
  TRmf rmf;
  if (!rmf.Create(path.c_str(), columns, rows, 8, nullptr, 1000, 1)) return 0;
  for (int r = 0; r < rmf.Head.BlockRows; ++r)
    for (int c = 0; c < rmf.Head.BlockColumns; ++c) {
      const int raw = rmf.BlockRawLength(r, c);
      const std::vector<char> data = Pattern(r * rmf.Head.BlockColumns + c, raw);
      if (rmf.WriteBlock(r, c, data.data(), raw) != raw) return 0;
    }
  return rmf.Save();
}

std::string ForeignBytes(const ForeignFile& file) {
  const uint32_t raw = uint32_t(file.columns * file.rows * file.bits / 8);
  const uint32_t table = 320 + 1024, addition = table + 8;
  const uint32_t block = file.addition.empty() ? addition : addition + 320;
  const uint32_t end = block + raw;
  std::string f(end, '\0');
  auto u32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
  auto f64 = [&](size_t at, double v) { std::memcpy(&f[at], &v, 8); };
  u32(0, file.kind);
  u32(4, 0x0200);
  u32(8, end);
  u32(52, uint32_t(file.bits));
  u32(56, uint32_t(file.rows));
  u32(60, uint32_t(file.columns));
  u32(64, 1);  // one block column and row, as wide and high as the grid
  u32(68, 1);
  u32(72, uint32_t(file.rows));
  u32(76, uint32_t(file.columns));
  u32(80, uint32_t(file.rows));
  u32(84, uint32_t(file.columns));
  u32(96, 320);
  u32(100, 1024);
  u32(104, table);
  u32(108, 8);
  f64(136, 1.0);  // scale, precision, element size
  f64(144, 1.0);
  f64(152, 1.0);
  f[208] = char(file.compression);
  u32(220, end);
  if (file.kind != RMF_RSW) f64(296, -32767.0);  // the empty value of a matrix
  if (!file.addition.empty()) {
    u32(312, addition);
    u32(316, 320);
    std::memcpy(&f[addition], file.addition.data(), std::min<size_t>(320, file.addition.size()));
  }
  u32(table, block);
  u32(table + 4, raw);
  std::memcpy(&f[block], file.block.data(), std::min<size_t>(raw, file.block.size()));
  return f;
}

}  // namespace rmftest
