#include "support/objectbuilder.h"

#include <cstdio>
#include <cstring>
#include <numbers>

#include "classifier/maprsc.h"
#include "mapstore/map.h"

namespace objtest {

namespace {

template <typename T>
void Append(Bytes& b, T value) {
  const size_t at = b.size();
  b.resize(at + sizeof(T));
  std::memcpy(b.data() + at, &value, sizeof(T));
}

template <typename T>
void Put(Bytes& b, size_t at, T value) {
  std::memcpy(b.data() + at, &value, sizeof(T));
}

void AppendPoint(Bytes& b, uint32_t kind, double x, double y) {
  const bool height = kind == METRIC_U16H || kind == METRIC_I32H || kind == METRIC_F32H ||
                      kind == METRIC_F64H;
  if (kind == METRIC_U16 || kind == METRIC_U16H) {
    Append<uint16_t>(b, uint16_t(x));
    Append<uint16_t>(b, uint16_t(y));
  } else if (kind == METRIC_I32 || kind == METRIC_I32H) {
    Append<int32_t>(b, int32_t(x));
    Append<int32_t>(b, int32_t(y));
  } else if (kind == METRIC_F32 || kind == METRIC_F32H) {
    Append<float>(b, float(x));
    Append<float>(b, float(y));
  } else {
    Append<double>(b, x);
    Append<double>(b, y);
    if (height) Append<double>(b, 0.0);
    return;
  }
  if (height) Append<float>(b, 0.0f);
}

}  // namespace

Bytes Metric(uint32_t kind, const std::vector<Points>& contours,
             const std::vector<std::string>& texts, int place) {
  Bytes b;
  Append<uint32_t>(b, kind);
  Append<uint32_t>(b, 0);
  Append<uint16_t>(b, uint16_t(contours.empty() ? 0 : contours.size() - 1));
  Append<uint16_t>(b, 0);
  for (size_t i = 0; i < contours.size(); ++i) {
    Append<uint16_t>(b, 0);
    Append<uint16_t>(b, uint16_t(contours[i].size()));
    for (const auto& p : contours[i]) AppendPoint(b, kind, p.first, p.second);
    if (!texts.empty()) {
      const std::string& t = i < texts.size() ? texts[i] : std::string();
      b.push_back(char(t.size() + (place ? 1 : 0)));
      b.insert(b.end(), t.begin(), t.end());
      b.push_back(0);
      if (place) b.push_back(char(place));
    }
  }
  Put<uint32_t>(b, 4, uint32_t(b.size()));
  return b;
}

Bytes Draw(const std::vector<std::pair<int, Bytes>>& elements) {
  Bytes b;
  Append<uint32_t>(b, IMGDRAW_IDENT);
  Append<uint32_t>(b, 0);
  Append<uint16_t>(b, uint16_t(elements.size()));
  Append<uint16_t>(b, 0);
  for (const auto& e : elements) {
    Append<uint16_t>(b, uint16_t(e.second.size() + 4));
    Append<uint16_t>(b, uint16_t(e.first));
    b.insert(b.end(), e.second.begin(), e.second.end());
  }
  Put<uint32_t>(b, 4, uint32_t(b.size()));
  return b;
}

Bytes TextParms(uint32_t height, uint16_t font) {
  Bytes b(32, 0);
  Put<uint32_t>(b, 0, 0xF0000000u);
  Put<uint32_t>(b, 4, 0xFFFFFFFFu);
  Put<uint32_t>(b, 8, 0xFFFFFFFFu);
  Put<uint32_t>(b, 12, height);
  Put<uint16_t>(b, 22, font);
  return b;
}

Bytes VectorSign(const std::vector<std::pair<int32_t, int32_t>>& points, uint8_t fixed,
                 uint8_t mirror) {
  Bytes b(56, 0);  // anchor at 4 and 8 zero
  Put<uint32_t>(b, 12, 1000);
  for (size_t at : {20, 24, 32, 36}) Put<int32_t>(b, at, 10000);
  b[40] = char(fixed);
  b[41] = char(mirror);
  Put<uint32_t>(b, 52, 1);
  b.push_back(1);  // kind: a line
  b.push_back(128);
  Append<uint16_t>(b, 4);
  Append<uint32_t>(b, 0xF0000001u);
  Append<uint32_t>(b, uint32_t(points.size()));
  for (const auto& p : points) {
    Append<int32_t>(b, p.first);
    Append<int32_t>(b, p.second);
  }
  Put<uint32_t>(b, 0, uint32_t(b.size()));
  return b;
}

Bytes Semantics(uint16_t code, int32_t value) {
  Bytes b;
  Append<uint16_t>(b, 0x7FFF);
  Append<uint16_t>(b, 0);
  Append<uint16_t>(b, code);
  b.push_back(4);  // a 32-bit integer
  b.push_back(0);
  Append<int32_t>(b, value);
  Put<uint16_t>(b, 2, uint16_t(b.size()));
  return b;
}

FVSPR Desc(int local, uint16_t code) {
  FVSPR d{};
  d.Local = BYTE(local);
  d.Code = code;
  return d;
}

bool WriteClassifier(const std::string& path,
                     const std::vector<std::pair<uint32_t, int>>& kinds) {
  RSCCREATE create{};
  std::strcpy(create.Name, "OBJECTS");
  create.Scale = 100000;
  create.Language = 1;
  TMapRsc rsc;
  if (!rsc.CreateRsc(path.c_str(), &create, nullptr, 0)) return false;
  int expected = 16;
  for (const auto& k : kinds) {
    RSCOBJ desc{};
    desc.Excode = k.first;
    desc.Local = WORD(k.second);
    desc.Segment = 1;
    std::snprintf(desc.Name, sizeof(desc.Name), "KIND %u", k.first);
    if (rsc.AppendObject(&desc, 0) != expected++) return false;
  }
  return rsc.Save(1) == 1;
}

LISTREGISTER SquareSheet(const char* name, double x, double y, double size) {
  TListRegister sheet;
  LISTREGISTER r = sheet.Register;
  std::strcpy(r.FileName, name);
  std::strcpy(r.Nomenclature, name);
  r.XSouthWest = x, r.YSouthWest = y;
  r.XNorthWest = x + size, r.YNorthWest = y;
  r.XNorthEast = x + size, r.YNorthEast = y + size;
  r.XSouthEast = x, r.YSouthEast = y + size;
  return r;
}

bool CreateMapFile(const std::string& path, const std::string& rsc, bool userMap) {
  MAPREGISTEREX reg;
  ClearMapRegisterEx(&reg);
  std::strcpy(reg.Name, "Objects");
  reg.Scale = 100000;
  reg.IsRealPlace = userMap ? 1 : 0;
  // Sheets of these tests lie at eastings of 7 400 000 m and up: zone 7.
  reg.AxisMeridian = 39 * std::numbers::pi / 180;
  LISTREGISTER r = userMap ? TListRegister().Register : SquareSheet("S1", 6000000, 7400000);
  if (userMap) {
    std::strcpy(r.FileName, "S1");
    std::strcpy(r.Nomenclature, "S1");
  }
  TMap map;
  if (!map.CreateDataEx(path.c_str(), rsc.c_str(), &reg, &r)) return false;
  map.CloseData();
  return true;
}

}  // namespace objtest
