#include "support/rmffiles.h"

#include <algorithm>
#include <cstddef>
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

namespace {

RMF HeaderAt(const std::string& bytes, size_t at) {
  RMF h{};
  if (at + sizeof(RMF) <= bytes.size()) std::memcpy(&h, bytes.data() + at, sizeof(RMF));
  return h;
}

}  // namespace

std::vector<StoredCopy> StoredCopies(const std::string& path) {
  const std::string bytes = ReadAll(path);
  std::vector<StoredCopy> copies;
  for (DWORD at = HeaderAt(bytes, 0).NextCopy; at && copies.size() < 8;) {
    StoredCopy c{HeaderAt(bytes, at), {}};
    const RMF& h = c.head;
    if (h.Ident != RMF_RSW || h.BitsPerElement != 8 || h.Width < 1 || h.Height < 1) break;
    c.elements.assign(size_t(h.Width) * size_t(h.Height), 0);
    for (int br = 0; br < h.BlockRows; ++br)
      for (int bc = 0; bc < h.BlockColumns; ++bc) {
        RMFBLOCKDESC e{};
        const size_t entry = h.TablePosition + size_t(br * h.BlockColumns + bc) * 8;
        if (entry + 8 > bytes.size()) continue;
        std::memcpy(&e, bytes.data() + entry, 8);
        const int bh = br == h.BlockRows - 1 ? h.LastHeight : h.BlockHeight;
        const int bw = bc == h.BlockColumns - 1 ? h.LastWidth : h.BlockWidth;
        // Only plain blocks are read; others leave zeros.
        if (e.Length != DWORD(bh * bw) || e.Position + size_t(e.Length) > bytes.size()) continue;
        for (int i = 0; i < bh; ++i)
          std::memcpy(&c.elements[size_t(br * h.BlockHeight + i) * h.Width + bc * h.BlockWidth],
                      bytes.data() + e.Position + size_t(i) * bw, size_t(bw));
      }
    at = h.NextCopy;
    copies.push_back(std::move(c));
  }
  return copies;
}

void AppendForeignCopies(const std::string& path, std::initializer_list<int> factors,
                         const std::function<int(int, int, int)>& value) {
  std::string bytes = ReadAll(path);
  const RMF main = HeaderAt(bytes, 0);
  size_t link = offsetof(RMF, NextCopy);
  for (int f : factors) {
    const DWORD at = DWORD(bytes.size());
    RMF h{};
    h.Ident = RMF_RSW;
    h.Version = RMF_VERSION;
    h.BitsPerElement = 8;
    h.Height = (main.Height + f - 1) / f;
    h.Width = (main.Width + f - 1) / f;
    h.BlockHeight = h.BlockWidth = 256;
    h.BlockRows = (h.Height + 255) / 256;
    h.BlockColumns = (h.Width + 255) / 256;
    h.LastHeight = h.Height - (h.BlockRows - 1) * 256;
    h.LastWidth = h.Width - (h.BlockColumns - 1) * 256;
    h.Scale = main.Scale;
    h.Precision = main.Precision / f;
    h.ElementSize = h.Scale / h.Precision;
    h.LocationX = main.LocationX;
    h.LocationY = main.LocationY;
    h.LocationSet = 1;
    h.TablePosition = at + sizeof(RMF);
    h.TableLength = DWORD(h.BlockRows * h.BlockColumns * 8);
    std::string table, blocks;
    DWORD next = h.TablePosition + h.TableLength;
    for (int br = 0; br < h.BlockRows; ++br)
      for (int bc = 0; bc < h.BlockColumns; ++bc) {
        const int bh = br == h.BlockRows - 1 ? h.LastHeight : 256;
        const int bw = bc == h.BlockColumns - 1 ? h.LastWidth : 256;
        const RMFBLOCKDESC e{next, DWORD(bh * bw)};
        table.append(reinterpret_cast<const char*>(&e), sizeof(e));
        for (int i = 0; i < bh; ++i)
          for (int j = 0; j < bw; ++j) blocks.push_back(char(value(br * 256 + i, bc * 256 + j, f)));
        next += e.Length;
      }
    h.Length = next - at;
    std::memcpy(&bytes[link], &at, sizeof(at));
    link = at + offsetof(RMF, NextCopy);
    bytes.append(reinterpret_cast<const char*>(&h), sizeof(h));
    bytes += table;
    bytes += blocks;
  }
  const DWORD end = DWORD(bytes.size());
  std::memcpy(&bytes[offsetof(RMF, Length)], &end, sizeof(end));
  WriteAll(path, bytes);
}

}  // namespace rmftest
