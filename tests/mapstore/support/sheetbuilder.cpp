#include "support/sheetbuilder.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/file.h"

namespace sheettest {

namespace fs = std::filesystem;

void WriteFile(const std::string& name, const Bytes& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + name);
}

void WriteFile(const std::string& name, const std::string& bytes) {
  WriteFile(name, Bytes(bytes.begin(), bytes.end()));
}

Bytes ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& name) { return fs::exists(name); }

int64_t FileSize(const std::string& name) {
  std::error_code ec;
  const auto size = fs::file_size(name, ec);
  return ec ? -1 : static_cast<int64_t>(size);
}

namespace {

template <typename T>
void Put(Bytes& b, size_t at, T value) {
  std::memcpy(b.data() + at, &value, sizeof(value));
}

void PadTo(Bytes& b, uint64_t size) {
  if (b.size() < size) b.resize(size, 0);
}

}  // namespace

Bytes MetricRecord(uint32_t length, uint32_t seed) {
  if (length < 16 || (length - 16) % 8 != 0) throw std::invalid_argument("metric length");
  Bytes b(length, 0);
  Put<uint32_t>(b, 0, METRIC_F32);
  Put<uint32_t>(b, 4, length);
  Put<uint16_t>(b, 8, 0);
  const uint32_t points = (length - 16) / 8;
  Put<uint16_t>(b, 10, points > 65000 ? 1 : 0);
  if (points > 65000)
    Put<uint32_t>(b, 12, points);
  else
    Put<uint16_t>(b, 14, static_cast<uint16_t>(points));
  for (uint32_t i = 0; i < points; ++i) {
    Put<float>(b, 16 + i * 8, static_cast<float>(seed + i));
    Put<float>(b, 20 + i * 8, static_cast<float>(seed * 2 + i));
  }
  return b;
}

Bytes SemnRecord(uint32_t length, uint8_t fill) {
  Bytes b(length, static_cast<char>(fill));
  Put<uint16_t>(b, 0, SEMANTIC_IDENT);
  Put<uint16_t>(b, 2, static_cast<uint16_t>(length));
  return b;
}

Bytes DrawRecord(uint32_t length, uint8_t fill) {
  Bytes b(length, static_cast<char>(fill));
  Put<uint32_t>(b, 0, IMGDRAW_IDENT);
  Put<uint32_t>(b, 4, length);
  Put<uint16_t>(b, 8, 1);
  Put<uint16_t>(b, 10, 0);
  return b;
}

SheetBuilder::SheetBuilder() : hdr(48, 0), dat(8, 0), sem(4, 0), gra(4, 0) {
  HDRHEAD head;
  InitHdrHead(&head);
  std::memcpy(hdr.data(), &head, sizeof(head));
  Put<uint32_t>(dat, 0, DAT_IDENT);
  Put<uint32_t>(sem, 0, SEM_IDENT);
  Put<uint32_t>(gra, 0, DRW_IDENT);
}

HDRHEAD& SheetBuilder::Head() { return *reinterpret_cast<HDRHEAD*>(hdr.data()); }

FVSPR& SheetBuilder::MutableDesc(int n) {
  return *reinterpret_cast<FVSPR*>(hdr.data() + n * sizeof(FVSPR));
}

const FVSPR& SheetBuilder::Desc(int n) const {
  return *reinterpret_cast<const FVSPR*>(hdr.data() + n * sizeof(FVSPR));
}

int SheetBuilder::Add(int local, const Bytes& metric, const Bytes& semn, const Bytes& draw,
                      uint16_t code) {
  FVSPR d{};
  d.Local = static_cast<BYTE>(local);
  d.Code = code;
  if (!metric.empty()) {
    uint32_t marker;
    std::memcpy(&marker, metric.data(), 4);
    const int64_t at = PlaceDataRecord(dat.size(), marker, static_cast<DWORD>(metric.size()));
    PadTo(dat, at);
    dat.insert(dat.end(), metric.begin(), metric.end());
    d.DataOffset = static_cast<DWORD>(at);
  }
  if (semn.size() > SEMANTIC_HEAD) {
    const int64_t at = PlaceSemnRecord(sem.size(), static_cast<DWORD>(semn.size()));
    PadTo(sem, at);
    sem.insert(sem.end(), semn.begin(), semn.end());
    d.SemnOffset = static_cast<DWORD>(at);
  }
  if (draw.size() >= DRAW_MIN_STORED) {
    const int64_t at = PlaceDrawRecord(gra.size(), static_cast<DWORD>(draw.size()));
    PadTo(gra, at);
    gra.insert(gra.end(), draw.begin(), draw.end());
    d.DrawOffset = static_cast<DWORD>(at);
  }
  HDRHEAD& head = Head();
  const int n = head.Count + 1;
  d.Key = head.NextKey;
  d.Back = static_cast<DWORD>(head.Last);
  hdr.resize(hdr.size() + sizeof(FVSPR));
  std::memcpy(hdr.data() + n * sizeof(FVSPR), &d, sizeof(d));
  HDRHEAD& h = Head();  // the vector may have moved
  if (h.Last != 0) MutableDesc(h.Last).Next = static_cast<DWORD>(n);
  if (h.First == 0) h.First = n;
  h.Last = n;
  h.Count = n;
  h.NextKey++;
  return n;
}

void SheetBuilder::Write(const std::string& folder, const std::string& base, bool userMap) const {
  const Bytes* files[] = {&hdr, &dat, &sem, &gra};
  for (int f = SHEET_HDR; f <= SHEET_GRA; ++f)
    WriteFile(folder + base + SheetFileExtension(f, userMap), *files[f - SHEET_HDR]);
}

TestMap::TestMap(const std::string& folder, int count, bool userMap) {
  std::snprintf(Folder, sizeof(Folder), "%s", folder.c_str());
  std::snprintf(Path, sizeof(Path), "%sTEST.MAP", folder.c_str());
  NewPassport();
  Passport.Register.IsRealPlace = userMap ? 1 : 0;
  Passport.Register.Scale = 100000;
  for (int i = 0; i < count; ++i) AddSheet();
}

bool TestMap::MakeMapFile() {
  HANDLE h = plat::CreateFileA(Path, GENERIC_READ | GENERIC_WRITE, 3, nullptr, CREATE_ALWAYS, 0,
                               nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  File = h;
  if (WritePassport() != 1) return false;
  TakeCounterFromPassport();
  return true;
}

std::string TestMap::Base(int n) { return "S" + std::to_string(n); }

int TestMap::AddSheet() {
  if (!AllocateOneList()) throw std::runtime_error("no room for a sheet");
  const int n = ++Passport.ListCount;
  LISTDESC* list = List(n);
  std::memset(list, 0, sizeof(*list));
  list->Marker = LISTDESC_MARKER;
  list->Number = n;
  const int userMap = Passport.Register.IsRealPlace;
  char* names[] = {list->NameHDR, list->NameDAT, list->NameSEM, list->NameGRA};
  for (int f = SHEET_HDR; f <= SHEET_GRA; ++f)
    std::snprintf(names[f - SHEET_HDR], sizeof(list->NameHDR), "%s%s", Base(n).c_str(),
                  SheetFileExtension(f, userMap));
  list->Flags = LISTFILE_HDR | LISTFILE_DAT | LISTFILE_SEM | LISTFILE_GRA;
  return n;
}

}  // namespace sheettest
