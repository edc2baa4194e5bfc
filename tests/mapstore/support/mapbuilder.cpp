#include "support/mapbuilder.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace mctest {

namespace {

// Fields are stored little-endian, as on the test machines.
template <typename T>
void Put(std::string& b, size_t offset, T value) {
  std::memcpy(&b[offset], &value, sizeof(T));
}
template <typename T>
T Get(const std::string& b, size_t offset) {
  T v;
  std::memcpy(&v, &b[offset], sizeof(T));
  return v;
}
void PutText(std::string& b, size_t offset, const std::string& text) {
  std::memcpy(&b[offset], text.data(), text.size());
}
void Put32s(std::string& b, std::initializer_list<std::pair<size_t, uint32_t>> fields) {
  for (const auto& f : fields) Put<uint32_t>(b, f.first, f.second);
}
void PutF64s(std::string& b, std::initializer_list<std::pair<size_t, double>> fields) {
  for (const auto& f : fields) Put<double>(b, f.first, f.second);
}

}  // namespace

void Put32(std::string& b, size_t offset, uint32_t value) { Put(b, offset, value); }
void Put16(std::string& b, size_t offset, uint16_t value) { Put(b, offset, value); }
uint32_t Get32(const std::string& b, size_t offset) { return Get<uint32_t>(b, offset); }
uint16_t Get16(const std::string& b, size_t offset) { return Get<uint16_t>(b, offset); }

std::string MapBuilder::Passport() const {
  std::string p(848, '\0');
  const int32_t count = claimedCount ? *claimedCount : static_cast<int32_t>(sheets.size());
  Put32s(p, {{0, ident}, {4, length}, {8, version}, {12, mark}, {16, uint32_t(count)},
             {20, changeCounter}});
  p[24] = 2;  // scale table
  p[25] = static_cast<char>(koi8);
  p[26] = 1;  // order
  PutF64s(p, {{32, originX}, {40, originY}, {48, 599000.0}, {56, 739000.0}, {64, 602000.0},
              {72, 742000.0}});
  // Map register at 80: length, name, scale, projection flag, ellipsoid,
  // height system, projection, coordinate system, plane and height units,
  // frame kind, map type, device capability, data projection, user map.
  Put32(p, 80, 208);
  PutText(p, 84, name);
  Put32s(p, {{116, uint32_t(scale)}, {120, 1}, {124, uint32_t(ellipsoid)}, {128, 1},
             {132, uint32_t(projection)}, {136, 1}, {140, 1}, {144, 1}, {148, 2},
             {152, uint32_t(mapType)}, {156, uint32_t(deviceCapability)}, {160, 0},
             {168, uint32_t(isRealPlace)}});
  PutF64s(p, {{176, firstParallel}, {184, secondParallel}, {192, axisMeridian},
              {200, mainParallel}});
  PutText(p, 288, rscName);
  Put32(p, 548, 0x0302ABCD);
  PutText(p, 552, groupName);
  Put32s(p, {{812, 1}, {816, uint32_t(848 + 1728 * sheets.size())},
             {820, uint32_t(48 + 4 * keyCodes.size())}});
  return p;
}

std::string MapBuilder::Record(size_t i) const {
  const SheetSpec& s = sheets[i];
  std::string r(1728, '\0');
  // Marker, stale object count, stored number, stale frame object.
  Put32s(r, {{0, s.marker ? 0x7F7F7F7Fu : 0u}, {4, 1234}, {8, uint32_t(s.storedNumber)},
             {12, 55}});
  // Plane frame; the device frame at 48..79 is computed on loading.
  PutF64s(r, {{16, std::min(s.x[0], s.x[3])}, {24, std::min(s.y[0], s.y[1])},
              {32, std::max(s.x[1], s.x[2])}, {40, std::max(s.y[2], s.y[3])}, {80, 1.5},
              {88, 2.5}});
  // Sheet register at 96.
  Put32(r, 96, 544);
  PutText(r, 100, s.nomenclature);
  PutText(r, 132, s.name);
  PutText(r, 164, s.base);
  for (int c = 0; c < 4; ++c)
    PutF64s(r, {{424 + 16 * c, s.x[c]}, {432 + 16 * c, s.y[c]}, {488 + 16 * c, s.b[c]},
                {496 + 16 * c, s.l[c]}});
  Put32s(r, {{552, 1}, {556, 1}, {560, 20}, {652, 0xFF}});  // 652: stale stage mask
  PutF64s(r, {{576, 0.01}, {584, 0.001}, {592, 0.02}});
  PutText(r, 564, "20240131");
  PutText(r, 600, "20240101");
  PutText(r, 640, "20240131");
  const char* ext[] = {".HDR", ".DAT", ".SEM", ".GRA"};
  for (int f = 0; f < 4; ++f) PutText(r, 656 + 264 * f, s.base + ext[f]);
  r[1712] = 1;
  r[1713] = 2;
  return r;
}

std::string MapBuilder::KeyTable() const {
  std::string k(48 + 4 * keyCodes.size(), '\0');
  Put32s(k, {{0, 0x7EEE7EEE}, {4, uint32_t(k.size())}, {8, 7}, {12, 0x0302ABCD}, {16, 4096},
             {44, uint32_t(keyCodes.size() - 1)}});
  for (size_t i = 0; i < keyCodes.size(); ++i) Put32(k, 48 + 4 * i, keyCodes[i]);
  return k;
}

std::string MapBuilder::Bytes() const {
  std::string out = Passport();
  for (size_t i = 0; i < sheets.size(); ++i) out += Record(i);
  return out + KeyTable();
}

void MapBuilder::Write(const MapScratch& dir, const std::string& mapName) const {
  dir.Write(mapName, Bytes());
  for (const SheetSpec& s : sheets) WriteSheetFiles(dir, s.base);
}

std::string NewHdrFile() {
  std::string h(48, '\0');
  Put32s(h, {{0, 0x00524448}, {16, 1}});
  Put16(h, 44, 0x0700);
  Put16(h, 46, 0x414E);
  return h;
}

void WriteSheetFiles(const MapScratch& dir, const std::string& base) {
  dir.Write(base + ".HDR", NewHdrFile());
  dir.Write(base + ".DAT", std::string("DAT\0\0\0\0\0", 8));
  dir.Write(base + ".SEM", std::string("SEM\0", 4));
  dir.Write(base + ".GRA", std::string("DRW\0", 4));
}

}  // namespace mctest
