#include "support/rmffiles.h"

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

}  // namespace rmftest
