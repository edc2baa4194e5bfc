#include "support/mapbuilder.h"

#include <algorithm>

namespace mctest {

void Put32(std::string& b, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<char>(value >> (8 * i));
}
void Put16(std::string& b, size_t offset, uint16_t value) {
  b[offset] = static_cast<char>(value);
  b[offset + 1] = static_cast<char>(value >> 8);
}
void PutF64(std::string& b, size_t offset, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  for (int i = 0; i < 8; ++i) b[offset + i] = static_cast<char>(bits >> (8 * i));
}
void PutText(std::string& b, size_t offset, const std::string& text) {
  std::memcpy(&b[offset], text.data(), text.size());
}
uint32_t Get32(const std::string& b, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[offset + i]);
  return v;
}
uint16_t Get16(const std::string& b, size_t offset) {
  return static_cast<uint16_t>(static_cast<unsigned char>(b[offset]) |
                               (static_cast<unsigned char>(b[offset + 1]) << 8));
}
double GetF64(const std::string& b, size_t offset) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | static_cast<unsigned char>(b[offset + i]);
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

std::string MapBuilder::Passport() const {
  std::string p(848, '\0');
  int32_t count = claimedCount ? *claimedCount : static_cast<int32_t>(sheets.size());
  Put32(p, 0, ident);
  Put32(p, 4, length);
  Put32(p, 8, version);
  Put32(p, 12, mark);
  Put32(p, 16, static_cast<uint32_t>(count));
  Put32(p, 20, changeCounter);
  p[24] = 2;  // scale table
  p[25] = static_cast<char>(koi8);
  p[26] = 1;  // order
  PutF64(p, 32, originX);
  PutF64(p, 40, originY);
  PutF64(p, 48, 599000.0);
  PutF64(p, 56, 739000.0);
  PutF64(p, 64, 602000.0);
  PutF64(p, 72, 742000.0);
  // Map register at 80.
  Put32(p, 80, 208);
  PutText(p, 84, name);
  Put32(p, 116, static_cast<uint32_t>(scale));
  Put32(p, 120, 1);  // projection flag
  Put32(p, 124, static_cast<uint32_t>(ellipsoid));
  Put32(p, 128, 1);  // height system
  Put32(p, 132, static_cast<uint32_t>(projection));
  Put32(p, 136, 1);  // coordinate system
  Put32(p, 140, 1);  // plane unit
  Put32(p, 144, 1);  // height unit
  Put32(p, 148, 2);  // frame kind
  Put32(p, 152, static_cast<uint32_t>(mapType));
  Put32(p, 156, static_cast<uint32_t>(deviceCapability));
  Put32(p, 160, 0);  // data projection
  Put32(p, 168, static_cast<uint32_t>(isRealPlace));
  PutF64(p, 176, firstParallel);
  PutF64(p, 184, secondParallel);
  PutF64(p, 192, axisMeridian);
  PutF64(p, 200, mainParallel);
  PutText(p, 288, rscName);
  Put32(p, 548, 0x0302ABCD);
  PutText(p, 552, groupName);
  Put32(p, 812, 1);
  Put32(p, 816, static_cast<uint32_t>(848 + 1728 * sheets.size()));
  Put32(p, 820, static_cast<uint32_t>(48 + 4 * keyCodes.size()));
  return p;
}

std::string MapBuilder::Record(size_t i) const {
  const SheetSpec& s = sheets[i];
  std::string r(1728, '\0');
  if (s.marker) Put32(r, 0, 0x7F7F7F7F);
  Put32(r, 4, 1234);  // stale object count
  Put32(r, 8, static_cast<uint32_t>(s.storedNumber));
  Put32(r, 12, 55);  // stale frame object
  double xmin = std::min(s.x[0], s.x[3]), xmax = std::max(s.x[1], s.x[2]);
  double ymin = std::min(s.y[0], s.y[1]), ymax = std::max(s.y[2], s.y[3]);
  PutF64(r, 16, xmin);
  PutF64(r, 24, ymin);
  PutF64(r, 32, xmax);
  PutF64(r, 40, ymax);
  // Frame 48..79 left zero: it is computed on loading.
  PutF64(r, 80, 1.5);
  PutF64(r, 88, 2.5);
  // Sheet register at 96.
  Put32(r, 96, 544);
  PutText(r, 100, s.nomenclature);
  PutText(r, 132, s.name);
  PutText(r, 164, s.base);
  for (int c = 0; c < 4; ++c) {
    PutF64(r, 424 + 16 * c, s.x[c]);
    PutF64(r, 432 + 16 * c, s.y[c]);
    PutF64(r, 488 + 16 * c, s.b[c]);
    PutF64(r, 496 + 16 * c, s.l[c]);
  }
  Put32(r, 552, 1);
  Put32(r, 556, 1);
  Put32(r, 560, 20);
  PutText(r, 564, "20240131");
  PutF64(r, 576, 0.01);
  PutF64(r, 584, 0.001);
  PutF64(r, 592, 0.02);
  PutText(r, 600, "20240101");
  PutText(r, 640, "20240131");
  Put32(r, 652, 0xFF);  // stale stage mask
  PutText(r, 656, s.base + ".HDR");
  PutText(r, 920, s.base + ".DAT");
  PutText(r, 1184, s.base + ".SEM");
  PutText(r, 1448, s.base + ".GRA");
  r[1712] = 1;
  r[1713] = 2;
  return r;
}

std::string MapBuilder::KeyTable() const {
  std::string k(48 + 4 * keyCodes.size(), '\0');
  Put32(k, 0, 0x7EEE7EEE);
  Put32(k, 4, static_cast<uint32_t>(k.size()));
  Put32(k, 8, 7);
  Put32(k, 12, 0x0302ABCD);
  Put32(k, 16, 4096);
  Put32(k, 44, static_cast<uint32_t>(keyCodes.size() - 1));
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
  Put32(h, 0, 0x00524448);
  Put32(h, 16, 1);
  Put16(h, 44, 0x0700);
  Put16(h, 46, 0x414E);
  return h;
}
std::string NewDatFile() {
  std::string d(8, '\0');
  Put32(d, 0, 0x00544144);
  return d;
}
std::string NewSemFile() {
  std::string s(4, '\0');
  Put32(s, 0, 0x004D4553);
  return s;
}
std::string NewGraFile() {
  std::string g(4, '\0');
  Put32(g, 0, 0x00575244);
  return g;
}

void WriteSheetFiles(const MapScratch& dir, const std::string& base) {
  dir.Write(base + ".HDR", NewHdrFile());
  dir.Write(base + ".DAT", NewDatFile());
  dir.Write(base + ".SEM", NewSemFile());
  dir.Write(base + ".GRA", NewGraFile());
}

}  // namespace mctest
