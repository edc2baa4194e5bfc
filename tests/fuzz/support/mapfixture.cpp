#include "support/mapfixture.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "classifier/maprsc.h"
#include "classifier/support/rscbuilder.h"
#include "common/maperror.h"
#include "common/messages.h"
#include "groups/mapgroups.h"
#include "groups/objectgroup.h"
#include "mapstore/map.h"
#include "mapstore/maplog.h"
#include "mapstore/support/objectbuilder.h"
#include "objects/objectinfo.h"
#include "platform/file.h"

namespace fs = std::filesystem;

namespace fuzz {

namespace {

using objtest::Bytes;
using objtest::Draw;
using objtest::Metric;
using objtest::Points;

constexpr const char* kRscFile = "obj.rsc";
constexpr uint32_t kFirstExcode = 600;  // local type t has code 600 + 100 t
constexpr int kFirstKind = 16;          // and classifier index 16 + t
constexpr int kSemWidth = 12, kSemName = 9;

// The classifier: the service objects, one kind per local type in layers 1
// to 3, two characteristics and a series limit on the line kind.
bool WriteFixtureClassifier(const std::string& path) {
  rsctest::Builder b = rsctest::Builder::Minimal();
  rsctest::Semantic& width = b.AddSemantic(kSemWidth, 1, "WIDTH", "WD");
  width.decimal = 0, width.size = 6;
  b.AddSemantic(kSemName, 0, "NAME", "NM").common = 1;
  static const char* const names[kLocalTypes] = {"ROAD", "LAKE", "TOWN", "LABEL", "SIGN", "MIXED"};
  for (int t = 0; t < kLocalTypes; ++t) {
    b.AddObject(kFirstExcode + 100 * t, uint8_t(t), names[t]).segment = uint8_t(1 + t % 3);
    b.par.push_back(rsctest::DefaultImage(uint16_t(kFirstKind + t), t));
  }
  b.pos.push_back({kFirstExcode, 0, {}, {kSemWidth, kSemName}});
  for (int i = 1; i <= 3; ++i) {
    rsctest::Layer l;
    l.name = "LAYER " + std::to_string(i), l.shortName = "L" + std::to_string(i);
    l.number = uint8_t(i);
    b.layers.push_back(l);
  }
  return rsctest::WriteBytes(path, b.Build());
}

// A semantics record of two integer characteristics.
Bytes TwoSemantics(int32_t width, int32_t name) {
  Bytes b(4, 0);
  for (const auto& [code, value] : {std::pair<uint16_t, int32_t>{kSemWidth, width}, {kSemName, name}}) {
    const size_t at = b.size();
    b.resize(at + 8);
    std::memcpy(b.data() + at, &code, 2);
    b[at + 2] = 4;
    std::memcpy(b.data() + at + 4, &value, 4);
  }
  const uint16_t head[2] = {0x7FFF, uint16_t(b.size())};
  std::memcpy(b.data(), head, 4);
  return b;
}

struct ObjectPlan {
  int local;
  Bytes metric, semn, draw;
};

// One object of each local type; `v` varies the point kinds and places.
std::vector<ObjectPlan> ObjectsOfEveryType(int v) {
  const double d = 100.0 * v;
  const Points line = {{10 + d, 20}, {30 + d, 40}, {50 + d, 45}};
  const Points box = {{100 + d, 300}, {200 + d, 300}, {200 + d, 500}, {100 + d, 500}, {100 + d, 300}};
  const Points hole = {{120 + d, 320}, {140 + d, 320}, {140 + d, 340}, {120 + d, 320}};
  const Bytes pen = Draw({{128, Bytes{1, 0, 0, 0, 0x10, 0, 0, 0}}});
  return {
      {LOCAL_LINE, Metric(v ? METRIC_I32 : METRIC_F32, {line, {{1, 2}, {3, 4}}}),
       TwoSemantics(5, v), pen},
      {LOCAL_SQUARE, Metric(v ? METRIC_F64H : METRIC_F64, {box, hole}), TwoSemantics(15, v), pen},
      {LOCAL_POINT, Metric(v ? METRIC_U16 : METRIC_F32H, {{{60 + d, 70}}}), TwoSemantics(1, v), {}},
      {LOCAL_TITLE, Metric(METRIC_F32, {{{5 + d, 5}, {5 + d, 50}}}, {"TOWN"}, v ? 22 : 0), {},
       Draw({{142, objtest::TextParms(1000)}})},
      {LOCAL_VECTOR, Metric(METRIC_I32, {{{100 + d, 100}, {100 + d, 200}}}), TwoSemantics(2, v),
       Draw({{149, objtest::VectorSign({{0, 0}, {5000, 2500}})}})},
      {LOCAL_MIXED, Metric(METRIC_I32, {{{1000 + d, 2000}}, {{1010 + d, 2010}}}, {"ABCD", "EF"}),
       TwoSemantics(3, v), pen},
  };
}

// Appends an object through the map to its current sheet: its number, 0
// when refused. `key` gets its key.
int AppendPlanned(TMap& map, const ObjectPlan& plan, DWORD* key) {
  FVSPR d = objtest::Desc(plan.local, uint16_t(kFirstKind + plan.local));
  Bytes m = plan.metric, s = plan.semn, g = plan.draw;
  const int n = map.AppendObject(&d, m.empty() ? nullptr : objtest::As<LONGMETRIC>(m),
                                 s.empty() ? nullptr : objtest::As<SEMANTIC>(s),
                                 g.empty() ? nullptr : objtest::As<IMGDRAW>(g));
  *key = d.Key;
  return n;
}

// The numbers a walk visits for a count read from a file: 1 .. min(count,
// limit), and past the limit the last ones and one beyond, so that a huge
// count is probed where it points without walking it all.
std::vector<int> Probe(int count, int limit) {
  std::vector<int> numbers;
  for (int n = 1; n <= count && n <= limit; ++n) numbers.push_back(n);
  if (count > limit) {
    numbers.push_back(count - 1);
    numbers.push_back(count);
  }
  if (count < 0x7FFFFFFF) numbers.push_back(count + 1);
  numbers.push_back(0);
  return numbers;
}

int QueryClassifier(TMapRsc& rsc) {
  if (!rsc.IsActive()) return 0;
  int queried = 0;
  for (int n : Probe(rsc.GetObjCount(), 40)) {
    rsc.GetObjName(n);
    rsc.GetObjKey(n);
    rsc.GetObjExcode(n);
    rsc.GetObjLocal(n);
    rsc.GetObjSegment(n);
    rsc.GetObjBot(n);
    rsc.GetObjTop(n);
    RSCOBJECT desc;
    rsc.GetDescribeObj(n, &desc);
    for (int i : Probe(rsc.GetObjPosSemCount(n), 8)) rsc.GetObjPosSem(n, i);
    for (int i : Probe(rsc.GetObjMustSemCount(n), 8)) rsc.GetObjMustSem(n, i);
    rsc.GetTabPar(n);
    rsc.GetParLength(n);
    IMAGESIZE size;
    rsc.GetImageSize(n, &size, 0, "AB");
    ++queried;
  }
  for (int t = 0; t < kLocalTypes; ++t) rsc.GetObjIncode(kFirstExcode + 100 * t, t);
  for (int i : Probe(rsc.GetSemCount(), 32)) {
    const DWORD code = rsc.GetSemOrderExcode(i);
    rsc.GetSemName(code);
    rsc.GetSemType(code);
    for (int k : Probe(rsc.GetClassificatorCount(code), 8)) rsc.GetClassificatorName(code, k);
  }
  for (int s : Probe(rsc.GetSegCount(), 16)) {
    rsc.GetSegName(s);
    rsc.GetSegmentObjectCount(s);
  }
  for (int p : Probe(rsc.GetPaletteCount(), 4)) rsc.GetPaletteName(p);
  for (int c : Probe(rsc.GetRscColorCount(), 4)) rsc.GetRscColor(c);
  return queried;
}

// Reads object n of the open sheet in every way a host does (`info` is
// reused from object to object, as a host reuses its object handle).
bool ReadObject(TMap& map, TObjectInfo& info, int sheet, int n) {
  FVSPR copy;
  map.List.ReadObjectDesc(n, &copy);
  const bool found = map.List.ObjectDesc(n) != nullptr;
  map.List.ObjectDataAddr(n);
  map.List.ObjectSemnAddr(n);
  map.List.ObjectDrawAddr(n);
  info.Object(&map, sheet, n);
  if (info.Desc != nullptr) {
    char text[256];
    info.Metric.TotalPointCount();
    // Its measures walk every point of every contour.
    info.Square();
    info.Length();
    info.Perimeter();
    DFRAME frame;
    info.ObjectFramePlane(&frame);
    info.Metric.GetText(text, sizeof(text));
    info.Semn.Cursor()->SemanticsAmount();
    info.Semn.SemanticValue(kSemWidth, text, sizeof(text));
    info.Draw.Count();
    info.ObjectName();
    info.SegmentName();
    info.ObjectExcode();
  }
  if (map.OpenList(sheet) != 1) return false;  // the object read may have moved the map on
  return found;
}

// Every sheet's objects read and its chain walked both ways: the objects
// found.
int ReadObjects(TMap& map, int* sheets) {
  int objects = 0;
  TObjectInfo info;
  for (int sheet : Probe(map.Count(), 4)) {
    if (map.OpenList(sheet) != 1) continue;
    ++*sheets;
    const int count = map.List.Count();
    for (int n : Probe(count, 40)) objects += ReadObject(map, info, sheet, n);
    int steps = 0;
    for (FVSPR* d = map.List.FirstHead(); d != nullptr && steps < 50; d = map.List.NextHead())
      ++steps;
    steps = 0;
    for (FVSPR* d = map.List.LastHead(); d != nullptr && steps < 50; d = map.List.PrevHead())
      ++steps;
    map.List.GetListFrameNumber();
    map.ListFrame(sheet);
  }
  return objects;
}

int ReadGroups(TMap& map) {
  if (!map.Groups.IsOpen()) return 0;
  int groups = 0;
  for (int n : Probe(map.Groups.Count(), 16)) {
    map.Groups.ReadGroupIndex(n);
    TObjectGroup group;
    if (group.ReadGroup(&map, n) <= 0) continue;
    ++groups;
    for (int i = 1; i <= 4; ++i) {
      const int sheet = group.ListNumber(i);
      if (sheet == 0) break;
      for (int k : Probe(group.ObjectCount(sheet), 8)) group.ObjectNumber(sheet, k);
    }
  }
  return groups;
}

int ReadJournal(TMapLog& log) {
  int actions = 0;
  for (int n : Probe(logCount(&log), 16)) {
    ACTIONHEAD head;
    const int records = logReadAction(&log, n, &head);
    if (records <= 0) continue;
    ++actions;
    ACTIONRECORD record;
    for (int i : Probe(logGetActionRecordCount(&log), 16)) logGetActionRecord(&log, i, &record);
  }
  ACTIONHEAD last;
  logReadLastAction(&log, &last);
  return actions;
}

// Every sheet's backup copies read, every object stepped back through its
// copies (each loaded into the object, the last one committed), and the
// last action undone: the copies read, and 1 more when the undo went
// through.
int StepBack(TMap& map) {
  int restored = 0;
  for (int sheet : Probe(map.Count(), 4)) {
    if (map.OpenList(sheet) != 1) continue;
    char copy[48];
    for (int k : Probe(map.List.GetBackObjectCount(), 16)) map.List.ReadBackObject(k, copy);
    TObjectInfo info;
    for (int n : Probe(map.List.Count(), 40)) {
      if (map.OpenList(sheet) != 1 || info.Object(&map, sheet, n) == nullptr ||
          info.Desc == nullptr)
        continue;
      for (int i = 1; i <= 3; ++i)
        if (info.ReadObjectCopyByNumber(i) != 0) ++restored;
      if (info.Object(&map, sheet, n) == nullptr || info.Desc == nullptr) continue;
      int last = 0;
      for (int k : Probe(info.GetBackObjectCount(), 16))
        if (info.RestoreBackObject(k) != 0) last = k;
      if (last != 0 && info.RestoreBackObject(last) != 0) info.Commit();
    }
  }
  if (map.AbolitionLastAction() > 0) ++restored;
  return restored;
}

// Some objects of the open sheet rewritten with the records they read
// (copied: the write moves the caches they point into), in place where the
// stored records allow.
void RewriteObjects(TMap& map) {
  for (int n : Probe(map.List.Count(), 6)) {
    const FVSPR* stored = map.List.ObjectDesc(n);
    LONGMETRIC* metric;
    SEMANTIC* semn;
    IMGDRAW* draw;
    if (stored == nullptr || map.List.ReadObjectRecords(stored, &metric, &semn, &draw) != 0)
      continue;
    FVSPR d = *stored;
    auto copy = [](const auto* record) {
      return record != nullptr ? Bytes(reinterpret_cast<const char*>(record),
                                       reinterpret_cast<const char*>(record) + record->Length)
                               : Bytes();
    };
    Bytes m = copy(metric), s = copy(semn), g = copy(draw);
    map.UpdateObject(n, &d, m.empty() ? nullptr : objtest::As<LONGMETRIC>(m),
                     s.empty() ? nullptr : objtest::As<SEMANTIC>(s),
                     g.empty() ? nullptr : objtest::As<IMGDRAW>(g));
  }
}

// Some objects rewritten and one object of each local type appended on the
// first and the last sheet, the new ones gathered in a new group.
int AppendObjects(TMap& map, bool editMode) {
  if (editMode) map.WorkMode(1);
  TObjectGroup group;
  group.Create(0, 0);
  int appended = 0;
  std::vector<int> sheets = {1};
  if (map.Count() > 1) sheets.push_back(map.Count());
  for (int sheet : sheets) {
    if (map.OpenList(sheet) != 1) continue;
    if (editMode) map.CreateAction(200);
    RewriteObjects(map);
    for (const ObjectPlan& plan : ObjectsOfEveryType(1)) {
      DWORD key = 0;
      const int n = AppendPlanned(map, plan, &key);
      if (n <= 0) continue;
      ++appended;
      group.AppendObject(sheet, NUMBERKEY{DWORD(n), KEY{key}});
    }
    if (editMode) map.CommitAction(0);
  }
  if (map.Groups.IsOpen()) group.WriteGroup(&map);
  map.WriteToLog("walk", MAPLOG_REMARK);
  if (editMode) map.WorkMode(0);
  return appended;
}

// Sheet 2's objects changed in edit mode, in the last action of the
// journal, so that the sheet keeps backup copies of their old versions: a
// line's metric twice, a polygon's semantics, a point's descriptor alone
// and a title's graphics.
bool UpdateForBackups(TMap& map, const std::vector<std::pair<int, DWORD>>& written) {
  map.CreateAction(102);
  const std::vector<ObjectPlan> plans = ObjectsOfEveryType(1);
  for (int twice = 0; twice < 2; ++twice) {
    FVSPR d;
    map.List.ReadObjectDesc(written[0].first, &d);
    Bytes m = plans[0].metric;
    if (map.UpdateObject(written[0].first, &d, objtest::As<LONGMETRIC>(m), nullptr, nullptr) <= 0)
      return false;
  }
  FVSPR d;
  map.List.ReadObjectDesc(written[1].first, &d);
  Bytes s = TwoSemantics(99, 7);
  if (map.UpdateObject(written[1].first, &d, nullptr, objtest::As<SEMANTIC>(s), nullptr) <= 0)
    return false;
  map.List.ReadObjectDesc(written[2].first, &d);
  d.Flags ^= 0x80;
  if (map.UpdateObject(written[2].first, &d, nullptr, nullptr, nullptr) <= 0) return false;
  map.List.ReadObjectDesc(written[3].first, &d);
  Bytes g = Draw({{142, objtest::TextParms(2000)}});
  if (map.UpdateObject(written[3].first, &d, nullptr, nullptr, objtest::As<IMGDRAW>(g)) <= 0)
    return false;
  map.CommitAction(0);
  return true;
}

}  // namespace

bool BuildFixture(const std::string& folder) {
  const std::string path = folder + kMapFile;
  if (!WriteFixtureClassifier(folder + kRscFile) ||
      !objtest::CreateMapFile(path, folder + kRscFile))
    return false;
  TMap map;
  if (map.OpenData(path.c_str(), 0) != 1) return false;
  LISTREGISTER two = objtest::SquareSheet("S2", 6010000, 7400000);
  if (map.CreateList(&two, 1) != 1) return false;
  // Sheet 1 written plainly, sheet 2 in edit mode: journalled actions.
  std::vector<std::pair<int, DWORD>> written[kFixtureSheets + 1];
  for (int sheet = 1; sheet <= kFixtureSheets; ++sheet) {
    if (map.OpenList(sheet) != 1) return false;
    if (sheet == 2) map.WorkMode(1);
    for (int v = 0; v < 2; ++v) {
      if (sheet == 2) map.CreateAction(100 + v);
      for (const ObjectPlan& plan : ObjectsOfEveryType(v)) {
        DWORD key = 0;
        const int n = AppendPlanned(map, plan, &key);
        if (n <= 0) return false;
        written[sheet].push_back({n, key});
      }
      if (sheet == 2) map.CommitAction(0);
    }
    if (sheet == 2 && !UpdateForBackups(map, written[2])) return false;
    if (sheet == 2) map.WorkMode(0);
  }
  // Two groups: the first objects of sheet 1, and some of each sheet.
  TObjectGroup first, mixed;
  first.Create(0, 0);
  mixed.Create(0, 7);
  auto member = [&](int sheet, int i) {
    return NUMBERKEY{DWORD(written[sheet][i].first), KEY{written[sheet][i].second}};
  };
  for (int i = 0; i < 3; ++i) first.AppendObject(1, member(1, i));
  for (int sheet = 1; sheet <= kFixtureSheets; ++sheet)
    for (int i = 4; i < kObjectsPerSheet; i += 3) mixed.AppendObject(sheet, member(sheet, i));
  if (!map.Groups.IsOpen() || first.WriteGroup(&map) <= 0 || mixed.WriteGroup(&map) <= 0)
    return false;
  map.WriteToLog("fixture", MAPLOG_REMARK);
  return map.Save(1) == 1 && map.CloseData() == 1;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

Files ReadFolder(const std::string& folder) {
  Files files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    files[fs::relative(it->path(), folder).generic_string()] = ReadFile(it->path().string());
  }
  return files;
}

bool WriteFolder(const std::string& folder, const Files& files) {
  for (const auto& [name, bytes] : files) {
    const fs::path path = fs::path(folder) / name;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out.flush()) return false;
  }
  return true;
}

WalkReport WalkMap(const std::string& path, bool editMode, bool restore) {
  WalkReport r;
  {
    TMap map;
    if (map.OpenData(path.c_str(), 0) != 1) {
      r.host = HostWalk(path);
      return r;
    }
    r.opened = 1;
    r.kinds = QueryClassifier(map.Rsc);
    r.objects = ReadObjects(map, &r.sheets);
    r.groups = ReadGroups(map);
    r.actions = ReadJournal(map.Log);
    if (restore) r.restored = StepBack(map);
    r.appended = AppendObjects(map, editMode);
    r.saved = map.Save(1) == 1;
    map.CloseData();
  }
  TMap again;
  if (again.OpenData(path.c_str(), 0) != 1) {
    r.host = HostWalk(path);
    return r;
  }
  r.reopened = 1;
  int sheets = 0;
  r.objectsAfter = ReadObjects(again, &sheets);
  again.CloseData();
  r.host = HostWalk(path);
  return r;
}

}  // namespace fuzz
