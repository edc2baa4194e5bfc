#include "support/selectfixture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "mapstore/map.h"
#include "selection/mapselect.h"

namespace fuzz {

namespace {

// Offsets of the records, written here field by field (independent of the
// library's declarations).
enum : size_t {
  SLT_SEMANTICS = 52,
  SLT_MEASURES = 17216,
  SLT_SECTIONS = 20424,
  SLT_HEAD = 20488,
  OLD_LAYERS = 8,
  OLD_LOCALS = 40,
  OLD_KINDS = 44,
  OLD_SHEETS = 8236,
  OLD_SEMANTICS = 8748,
  OLD_SWITCHES = 25912,
  OLD_KEYS = 25988,
  OLD_MEASURES = 25996,
  OLD_MEASURE_SWITCH = 29204,
  OLD_MARKS = 29212,
  OLD_SIZE = 29216,
};

void Put(std::string& b, size_t at, const void* data, size_t size) {
  std::memcpy(&b[at], data, size);
}
void Put32(std::string& b, size_t at, DWORD v) { Put(b, at, &v, 4); }

// The older record of a context's conditions.
std::string OldRecord(const TMapSelect& s, DWORD tag) {
  std::string b(OLD_SIZE, '\0');
  Put32(b, 0, tag);
  Put32(b, 4, OLD_SIZE);
  Put(b, OLD_LAYERS, s.LayerBits, sizeof(s.LayerBits));
  Put32(b, OLD_LOCALS, s.LocalWord);
  Put(b, OLD_KINDS, s.KindBits, sizeof(s.KindBits));
  Put(b, OLD_SHEETS, s.SheetBits, sizeof(s.SheetBits));
  Put(b, OLD_SEMANTICS, &s.Semantics, sizeof(s.Semantics));
  const DWORD switches[6] = {s.LayerSwitch, s.LocalSwitch,    s.KindSwitch,
                             s.SheetSwitch, s.SemanticSwitch, s.KeySwitch};
  Put(b, OLD_SWITCHES, switches, sizeof(switches));
  Put32(b, OLD_KEYS, s.KeyMinimum);
  Put32(b, OLD_KEYS + 4, s.KeyMaximum);
  Put(b, OLD_MEASURES, &s.Measures, sizeof(s.Measures));
  Put32(b, OLD_MEASURE_SWITCH, s.MeasureSwitch);
  Put32(b, OLD_MARKS, s.TotalSeekMarks);
  return b;
}

}  // namespace

bool BuildSelectFixture(const std::string& folder) {
  TMap map;
  if (map.OpenData((folder + kMapFile).c_str(), 0) != 1) return false;
  TMapSelect s(&map);
  // Sheet 2, every layer but 2, three kinds: a section of each kind.
  s.ClearAllSheets();
  s.SelectSheet(2);
  s.SetSheetSwitch(1);
  s.UnselectLayer(2);
  s.SetLayerSwitch(1);
  s.ClearAllKinds();
  for (int kind = 16; kind <= 18; ++kind) s.SelectKind(kind);
  s.SetKindSwitch(1);
  s.SetKeyMaximum(100000);
  s.SetKeySwitch(1);
  const MEASUREMENT length{MEASURE_LENGTH, 2, 6, 3, 1.0, 1e9};
  bool ok = s.SemanticAppend(COMPARE_PRESENT, 12, "1") == 1 &&
            s.SemanticAppend(COMPARE_GREATER, 9, "-5") == 1 && s.MeasureAdd(&length) == 1;
  std::string slt(size_t(s.GetSelectRecordSize()), '\0');
  ok = ok && s.GetSelectRecord(&slt[0], int(slt.size())) == int(slt.size());
  ok = ok && WriteFolder(folder, {{kSltFile, slt},
                                  {kSetFile, OldRecord(s, 0x00544553)},
                                  {kSecFile, OldRecord(s, 0x00434553)}});
  map.CloseData();
  return ok;
}

Layout SelectLayout(const Files& files, const std::string& name) {
  auto it = files.find(name);
  const std::string b = it == files.end() ? std::string() : it->second;
  Layout l;
  l.Head(4, 4, "record length");
  if (Read32(b, 0) == 0x00544C53) {
    static const char* const switches[] = {"layer", "localisation", "kind",
                                           "sheet", "semantic",     "key",
                                           "area",  "measure",      "total-seek marks"};
    for (size_t i = 0; i < 9; ++i) l.Head(8 + 4 * i, 4, std::string(switches[i]) + " switch");
    l.Head(SLT_SEMANTICS, 4, "semantic count");
    l.Head(SLT_MEASURES, 4, "measure count");
    l.Add(SLT_HEAD - 24, 4, "kind mode");
    static const char* const sections[] = {"sheet", "layer", "kind"};
    for (size_t s = 0; s < 3; ++s) {
      const size_t at = SLT_SECTIONS + 12 * s;
      const std::string what = std::string(sections[s]) + " section ";
      l.Head(at, 4, what + "count");
      l.Add(at + 4, 4, what + "flag");
      l.Head(at + 8, 4, what + "offset");
      const uint32_t count = Read32(b, at), offset = Read32(b, at + 8);
      if (offset == 0) continue;
      l.Boundary(offset);
      l.Add(offset, 4, what + "tag");
      for (uint32_t n = 0; n < count && offset + 4 + 32 * (n + 1) <= b.size(); ++n)
        l.names.push_back({offset + 4 + 32 * n, 32, what + "name"});
      l.Boundary(offset + 4 + 32 * size_t(count));
    }
    for (size_t at :
         {size_t(SLT_SEMANTICS), size_t(SLT_MEASURES), size_t(SLT_SECTIONS), size_t(SLT_HEAD)})
      l.Boundary(at);
  } else {
    static const char* const switches[] = {"layer", "localisation", "kind",
                                           "sheet", "semantic",     "key"};
    for (size_t i = 0; i < 6; ++i)
      l.Head(OLD_SWITCHES + 4 * i, 4, std::string(switches[i]) + " switch");
    l.Head(OLD_SEMANTICS, 4, "semantic count");
    l.Head(OLD_MEASURES, 4, "measure count");
    l.Add(OLD_MEASURE_SWITCH, 4, "measure switch");
    l.Add(OLD_KEYS, 4, "minimum key");
    for (size_t at : {size_t(OLD_LAYERS), size_t(OLD_LOCALS), size_t(OLD_KINDS), size_t(OLD_SHEETS),
                      size_t(OLD_SEMANTICS), size_t(OLD_SWITCHES), size_t(OLD_MEASURES),
                      size_t(OLD_MEASURE_SWITCH), size_t(OLD_SIZE - 1)})
      l.Boundary(at);
  }
  l.boundaries.erase(std::remove_if(l.boundaries.begin(), l.boundaries.end(),
                                    [&](size_t at) { return at == 0 || at >= b.size(); }),
                     l.boundaries.end());
  return l;
}

WalkReport WalkSelect(const std::string& path) {
  WalkReport r;
  const std::string record = ReadFile(path);
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  TMap map;
  if (map.OpenData((folder + kMapFile).c_str(), 0) != 1) return r;
  r.opened = 1;
  {
    TMapSelect s(&map);
    r.kinds = s.PutSelectRecord(record.data(), int(record.size())) != 0;
    r.objects = s.GetSelectObjectCount();
    for (int sheet = 1; sheet <= map.Count(); ++sheet) {
      if (map.OpenList(sheet) != 1) continue;
      ++r.sheets;
      for (int n = 1; n <= map.List.Count(); ++n) {
        const FVSPR* desc = map.List.ObjectDesc(n);
        if (desc == nullptr) break;
        FVSPR copy = *desc;
        if (!FvsprIsDeleted(desc) && s.CheckList(sheet))
          r.groups += s.CheckObject(TObjectDesc(&copy));
      }
    }
    // Written again and read back, the context selects the same.
    std::vector<char> again(size_t(s.GetSelectRecordSize()));
    if (s.GetSelectRecord(again.data(), int(again.size())) == int(again.size())) {
      TMapSelect t(&map);
      r.reopened = t.PutSelectRecord(again.data(), int(again.size())) != 0;
      r.objectsAfter = t.GetSelectObjectCount();
      r.saved = r.objectsAfter == r.objects;
    }
    // Without a map the sheet section is passed over.
    TMapSelect alone;
    alone.PutSelectRecord(record.data(), int(record.size()));
    r.appended = alone.GetSelectRecordSize() >= 20488;
  }
  map.CloseData();
  return r;
}

}  // namespace fuzz
