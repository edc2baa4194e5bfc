// Object handles through the loaded library, as a host calls them: reading
// by number, the searches and the hit test, the object record taken from
// one map and put into another, records whose lengths lie, commit flags,
// and every function refusing null, freed and foreign handles.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "document/mapcreate.h"
#include "mapstore/mapregister.h"
#include "support/apimaps.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kRoad = 31120000;  // a line kind of the classifier
constexpr DWORD kSemCode = 5;
constexpr size_t kTail = 12 + 24;  // semantics and graphics

void* lib = nullptr;
// The functions, found in the loaded library.
#define OBJECT_FUNCTIONS(X) \
  X(mapMessageEnable) X(mapCloseData) X(mapCreateRsc) X(mapAppendRscObject) X(mapCommitRsc) \
  X(mapCloseRsc) X(mapCreateMapEx) X(mapPutObjectRecord) X(mapFreeObject) X(mapCommit) \
  X(mapCreateObject) X(mapReadObjectByNumber) X(mapDeleteObject) X(mapUndeleteObjectByNumber) \
  X(mapDeleteObjectByNumber) X(mapGetObjectRecordLength) X(mapGetObjectRecord) \
  X(mapCommitObjectByOrder) X(mapCommitObjectAsNew) X(mapCreateCopyObject) \
  X(mapCreateCopyObjectAsNew) X(mapRevert) X(mapSeekObject) X(mapSeekViewObject) \
  X(mapSeekObjectInList) X(mapClearObject) X(mapReadCopyObject) X(mapCopyObjectAsNew) \
  X(mapTestObject) X(mapSeekSelectObject) X(mapCommitObject) X(mapDeleteObjectNumber) \
  X(mapUndeleteObject) X(mapRevertObject) X(mapCreateSite) X(mapPointCount) X(mapSquare) \
  X(mapAppendPointPlane) X(mapGetObjectsCross) X(mapCreateObjectCrossPoints) X(mapObjectIsGroup) \
  X(mapOpenData) X(mapWhatObject) X(mapWhatObjectBySelect) X(mapSeekAdjacentObject) \
  X(mapSeekAdjacentList) X(mapSeekAdjacentListEx) X(mapCreateMapSelectContext) X(mapSelectKey) \
  X(mapDeleteSelectContext) X(mapGetObjectNumber)
struct Functions {
#define DECLARE(name) decltype(&::name) name = nullptr;
  OBJECT_FUNCTIONS(DECLARE)
#undef DECLARE
} F;

template <class T>
void Add(std::vector<char>& bytes, const T& value) {
  bytes.insert(bytes.end(), reinterpret_cast<const char*>(&value),
               reinterpret_cast<const char*>(&value) + sizeof value);
}

// A record of a line through the plane points (as doubles, or as floats
// with `singles`) with one semantic (code 5, a 32-bit number) and a
// graphics record of one line element.
std::vector<char> PlaneRecord(const std::vector<std::vector<DOUBLEPOINT>>& contours, LONG value,
                              bool singles = false) {
  std::vector<char> metric;
  Add(metric, DWORD(singles ? 0x7FFD7FFD : 0x7FFC7FFC));
  Add(metric, DWORD(0));  // the length, below
  Add(metric, WORD(contours.size() - 1));
  Add(metric, WORD(0));
  for (const auto& c : contours) {
    Add(metric, DWORD(c.size()) << 16);  // a 16-bit count in the upper half
    for (const DOUBLEPOINT& p : c) {
      if (singles) Add(metric, float(p.X)), Add(metric, float(p.Y));
      else Add(metric, p);
    }
  }
  const DWORD metricLength = DWORD(metric.size());
  std::memcpy(&metric[4], &metricLength, 4);
  std::vector<char> parts = metric;
  for (const DWORD word : {0x000C7FFFu, kSemCode | (4u << 16), DWORD(value)})
    Add(parts, word);  // marker, length 12; code, type 4 (32-bit), scale 0; value
  for (const DWORD word : {0x7FFF7FFEu, 24u, 1u, 12u | (128u << 16), 0x0000FFu, 500u})
    Add(parts, word);  // marker, length, 1 element; element of 12 bytes: line, colour, width
  OBJECTRECORD head{};
  head.Ident = OBJECTRECORD_IDENT;
  head.Length = DWORD(OBJECTRECORD_HEAD + parts.size());
  head.Excode = LONG(kRoad);
  head.MetricOffset = OBJECTRECORD_HEAD;
  head.MetricLength = metricLength;
  head.SemanticLength = 12;
  head.GraphicLength = 24;
  std::vector<char> record;
  Add(record, head);
  record.insert(record.end(), parts.begin(), parts.end());
  return record;
}

OBJECTRECORD HeadOf(const std::vector<char>& record) {
  OBJECTRECORD head;
  std::memcpy(&head, record.data(), sizeof(head));
  return head;
}

// The plane points of contour 0 of a record taken from a sheet map.
std::vector<DOUBLEPOINT> PointsOf(const std::vector<char>& record) {
  const char* metric = record.data() + OBJECTRECORD_HEAD;
  DWORD count;
  std::memcpy(&count, metric + 12, 4);
  std::vector<DOUBLEPOINT> points(count >> 16);
  std::memcpy(points.data(), metric + 16, points.size() * sizeof(DOUBLEPOINT));
  return points;
}

class ObjectApi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) return;
#define RESOLVE(name)                                                  \
  F.name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name)); \
  if (F.name == nullptr) missing += " " #name;
    OBJECT_FUNCTIONS(RESOLVE)
#undef RESOLVE
    if (!missing.empty()) return;
    fs::remove_all(dir);
    fs::create_directories(dir);
    F.mapMessageEnable(0);
    MakeClassifier();
    // Two maps of one sheet each, the second's sheet lying elsewhere, so
    // that the same plane point has other map coordinates there.
    mapA = MakeMap("a.map", 6000000, 7400000);
    mapB = MakeMap("b.map", 5990000, 7395000);
  }
  static void TearDownTestSuite() {
    if (lib == nullptr || !missing.empty()) return;
    if (mapA) F.mapCloseData(mapA);
    if (mapB) F.mapCloseData(mapB);
    dlclose(lib);
    fs::remove_all(dir);
  }
  void SetUp() override {
    ASSERT_NE(lib, nullptr) << dlerror();
    ASSERT_EQ("", missing);
    ASSERT_NE(0, mapA);
    ASSERT_NE(0, mapB);
  }

  static void MakeClassifier() {
    apitest::NewClassifier classifier("OBJ");
    const HRSC rsc =
        F.mapCreateRsc((dir / "obj.rsc").c_str(), &classifier.create, &classifier.palette);
    if (rsc == 0) return;
    RSCOBJECT road{};
    road.Length = sizeof road;
    road.Excode = kRoad;
    road.Local = 0;
    std::strcpy(road.Name, "ROAD");
    F.mapAppendRscObject(rsc, &road);
    F.mapCommitRsc(rsc);
    F.mapCloseRsc(rsc);
  }

  static HMAP MakeMap(const char* name, double x, double y) {
    apitest::NewSheetMap reg(name, x, y, 20000);
    reg.sheet.FileName[1] = 0;
    return F.mapCreateMapEx((dir / name).c_str(), (dir / "obj.rsc").c_str(), &reg.map,
                            &reg.sheet);
  }

  // A committed line on map A through the points: its number.
  static LONG AppendLine(const std::vector<DOUBLEPOINT>& points, LONG value = 0) {
    const std::vector<char> record = PlaneRecord({points}, value);
    const HOBJ h = F.mapPutObjectRecord(mapA, 0, record.data(), LONG(record.size()), 4);
    const LONG number = h ? F.mapCommit(h) : 0;
    F.mapFreeObject(h);
    return number;
  }

  // Whether map A has an object of that number on sheet 1.
  static bool Exists(HMAP map, LONG number) {
    const HOBJ h = F.mapCreateObject(map, 1, 0, 0);
    const bool found = F.mapReadObjectByNumber(map, 0, h, 1, number) != 0;
    F.mapFreeObject(h);
    return found;
  }

  // A map of its own folder below dir with `lines` lines along kLine
  // committed (semantic value 1), closed: its path.
  static std::string MapOfLines(const char* folder, const char* name, LONG lines);

  static inline const fs::path dir = fs::path(MC_TEST_TMP) / "api_object_api";
  static inline HMAP mapA = 0, mapB = 0;
  static inline std::string missing;
};

const std::vector<DOUBLEPOINT> kLine = {
    {6005000.25, 7405000.5}, {6006000.75, 7406500.0}, {6008000.0, 7404000.125}};

std::string ObjectApi::MapOfLines(const char* folder, const char* name, LONG lines) {
  fs::create_directories(dir / folder);
  apitest::NewSheetMap reg(name, 6000000, 7400000, 20000);
  reg.sheet.FileName[1] = 0;
  const std::string path = (dir / folder / name).string();
  HMAP map = F.mapCreateMapEx(path.c_str(), (dir / "obj.rsc").c_str(), &reg.map, &reg.sheet);
  EXPECT_NE(0, map);
  const std::vector<char> record = PlaneRecord({kLine}, 1);
  for (LONG n = 1; map != 0 && n <= lines; ++n) {
    const HOBJ h = F.mapPutObjectRecord(map, 0, record.data(), LONG(record.size()), 4);
    EXPECT_EQ(n, h ? F.mapCommit(h) : 0);
    F.mapFreeObject(h);
  }
  if (map != 0) F.mapCloseData(map);
  return path;
}

TEST_F(ObjectApi, ReadByNumberGivesHandleOneForDeletedAndZeroForNone) {
  const LONG live = AppendLine(kLine), gone = AppendLine(kLine);
  ASSERT_GT(live, 0);
  ASSERT_EQ(live + 1, gone);
  const HOBJ h = F.mapCreateObject(mapA, 1, 0, 0);
  ASSERT_EQ(h, F.mapReadObjectByNumber(mapA, 0, h, 1, gone));
  EXPECT_EQ(1, F.mapDeleteObject(h));

  EXPECT_EQ(h, F.mapReadObjectByNumber(mapA, 0, h, 1, live));
  EXPECT_EQ(h, F.mapReadObjectByNumber(mapA, mapA, h, 1, live));  // the document as its site
  EXPECT_EQ(1, F.mapReadObjectByNumber(mapA, 0, h, 1, gone));
  EXPECT_EQ(0, F.mapReadObjectByNumber(mapA, 0, h, 1, 0));
  EXPECT_EQ(0, F.mapReadObjectByNumber(mapA, 0, h, 1, gone + 1));
  EXPECT_EQ(0, F.mapReadObjectByNumber(mapA, mapB, h, 1, live));  // not a site of A

  EXPECT_EQ(1, F.mapUndeleteObjectByNumber(mapA, 0, 1, gone));
  EXPECT_EQ(h, F.mapReadObjectByNumber(mapA, 0, h, 1, gone));
  EXPECT_EQ(1, F.mapDeleteObjectByNumber(mapA, 1, gone));
  EXPECT_EQ(1, F.mapReadObjectByNumber(mapA, 0, h, 1, gone));
  F.mapFreeObject(h);
}

TEST_F(ObjectApi, RecordFromOneMapReproducesItsPlanePointsInAnother) {
  const LONG number = AppendLine(kLine, 42);
  ASSERT_GT(number, 0);
  const HOBJ h = F.mapCreateObject(mapA, 1, 0, 0);
  ASSERT_EQ(h, F.mapReadObjectByNumber(mapA, 0, h, 1, number));
  const LONG length = F.mapGetObjectRecordLength(h);
  // Head, metric head, one count word and three plane points, semantics
  // and graphics.
  ASSERT_EQ(OBJECTRECORD_HEAD + 12 + 4 + 3 * 16 + LONG(kTail), length);
  std::vector<char> record(size_t(length) + 8, 0);
  EXPECT_EQ(0, F.mapGetObjectRecord(h, record.data(), length - 1));
  ASSERT_EQ(1, F.mapGetObjectRecord(h, record.data(), length));
  record.resize(size_t(length));
  const OBJECTRECORD head = HeadOf(record);
  EXPECT_EQ(DWORD(length), head.Length);
  EXPECT_EQ(LONG(kRoad), head.Excode);
  EXPECT_NE(0u, head.Key);
  EXPECT_EQ(12u, head.SemanticLength);
  EXPECT_EQ(24u, head.GraphicLength);
  EXPECT_EQ(0, std::memcmp(&record[size_t(length) - 28], "\x2a\0\0\0", 4));  // the value 42

  const HOBJ put = F.mapPutObjectRecord(mapB, 0, record.data(), length, 0);
  ASSERT_NE(0, put);
  std::vector<char> again(static_cast<size_t>(length));
  ASSERT_EQ(length, F.mapGetObjectRecordLength(put));
  ASSERT_EQ(1, F.mapGetObjectRecord(put, again.data(), length));
  const std::vector<DOUBLEPOINT> moved = PointsOf(again);
  ASSERT_EQ(kLine.size(), moved.size());
  for (size_t i = 0; i < kLine.size(); ++i) {
    EXPECT_NEAR(kLine[i].X, moved[i].X, 0.01) << i;
    EXPECT_NEAR(kLine[i].Y, moved[i].Y, 0.01) << i;
  }
  EXPECT_EQ(0, std::memcmp(&record[length - kTail], &again[length - kTail], kTail));
  F.mapFreeObject(put);
  F.mapFreeObject(h);
}

// A map that keeps plane coordinates hands its metric out unchanged (here
// of floats, where a sheet map gives doubles), and a sheet map takes it as
// plane points.
TEST_F(ObjectApi, RecordOfAUserMapCarriesItsOwnMetric) {
  CREATESITE create{};
  create.Length = sizeof create;
  std::strcpy(create.MapName, "User");
  create.Scale = 100000;
  const HMAP site =
      F.mapCreateSite((dir / "u.sit").c_str(), (dir / "obj.rsc").c_str(), &create);
  ASSERT_NE(0, site);
  const std::vector<DOUBLEPOINT> line = {
      {6005000.5, 7405000}, {6006000, 7406500.5}, {6008000, 7404000}};
  const std::vector<char> record = PlaneRecord({line, {line[2], line[0]}}, 3, true);
  const HOBJ h = F.mapPutObjectRecord(site, 0, record.data(), LONG(record.size()), 0);
  ASSERT_NE(0, h);
  std::vector<char> again(record.size());
  ASSERT_EQ(LONG(record.size()), F.mapGetObjectRecordLength(h));
  ASSERT_EQ(1, F.mapGetObjectRecord(h, again.data(), LONG(again.size())));
  EXPECT_EQ(0, std::memcmp(&record[OBJECTRECORD_HEAD], &again[OBJECTRECORD_HEAD],
                           record.size() - OBJECTRECORD_HEAD));
  const HOBJ sheet = F.mapPutObjectRecord(mapB, 0, again.data(), LONG(again.size()), 0);
  ASSERT_NE(0, sheet);
  again.resize(size_t(F.mapGetObjectRecordLength(sheet)));
  ASSERT_EQ(record.size() + 5 * 8, again.size());  // five points as doubles
  ASSERT_EQ(1, F.mapGetObjectRecord(sheet, again.data(), LONG(again.size())));
  const std::vector<DOUBLEPOINT> moved = PointsOf(again);
  ASSERT_EQ(line.size(), moved.size());
  EXPECT_NEAR(line[2].X, moved[2].X, 0.01);
  EXPECT_NEAR(line[2].Y, moved[2].Y, 0.01);
  F.mapFreeObject(sheet);
  F.mapFreeObject(h);
  F.mapCloseData(site);
}

TEST_F(ObjectApi, RecordsWhoseLengthsLieChangeNothing) {
  const std::vector<char> good = PlaneRecord({kLine, {kLine[0], kLine[1]}}, 7);
  const LONG size = LONG(good.size());
  const size_t metric = OBJECTRECORD_HEAD, semn = good.size() - kTail, draw = good.size() - 24;
  auto put32 = [](size_t at, DWORD v) {
    return [at, v](std::vector<char>& r) { std::memcpy(&r[at], &v, 4); };
  };
  auto put16 = [](size_t at, WORD v) {
    return [at, v](std::vector<char>& r) { std::memcpy(&r[at], &v, 2); };
  };
  const DWORD metricLength = HeadOf(good).MetricLength;
  const struct {
    const char* what;
    std::function<void(std::vector<char>&)> lie;
  } lies[] = {
      {"signature", put32(0, 0x0052534E)},
      {"length beyond the size", put32(4, DWORD(size) + 1)},
      {"metric offset", put32(16, 48)},
      {"metric longer", put32(20, metricLength + 4)},
      {"metric shorter", put32(20, metricLength - 4)},
      {"semantics longer", put32(24, 16)},
      {"parts beyond the length", put32(28, 4)},
      {"text flag", [](std::vector<char>& r) { r[34] = 2; }},
      {"metric's own length", put32(metric + 4, metricLength - 16)},
      {"metric's kind", put32(metric, 0x12345678)},
      {"subject count", put16(metric + 8, 5)},
      {"point count", put16(metric + 14, 100)},
      {"second contour's count", put16(metric + 12 + 4 + 3 * 16 + 2, 3)},
      {"semantics' own length", put16(semn + 2, 16)},
      {"semantic block", [semn](std::vector<char>& r) { r[semn + 6] = 126, r[semn + 7] = 60; }},
      {"graphics' own length", put32(draw + 4, 28)},
      {"graphics element", put16(draw + 12, 40)},
  };
  const LONG before = AppendLine(kLine);
  for (const auto& l : lies) {
    std::vector<char> record = good;
    l.lie(record);
    EXPECT_EQ(0, F.mapPutObjectRecord(mapA, 0, record.data(), size, 0)) << l.what;
  }
  // Truncated: by the size given, and by a length field the parts overrun.
  for (LONG cut = 0; cut < size; ++cut) {
    EXPECT_EQ(0, F.mapPutObjectRecord(mapA, 0, good.data(), cut, 0)) << cut;
    std::vector<char> record = good;
    put32(4, DWORD(cut))(record);
    EXPECT_EQ(0, F.mapPutObjectRecord(mapA, 0, record.data(), size, 0)) << cut;
  }
  EXPECT_EQ(0, F.mapPutObjectRecord(mapA, 0, nullptr, size, 0));
  // Nothing was appended: the next line takes the next number.
  EXPECT_EQ(before + 1, AppendLine(kLine));
  // Bytes overwritten anywhere never crash; a record still whole is taken.
  for (size_t at = 0; at < good.size(); ++at) {
    std::vector<char> record = good;
    record[at] = char(record[at] ^ 0x5A);
    F.mapFreeObject(F.mapPutObjectRecord(mapA, 0, record.data(), size, 4));
  }
}

TEST_F(ObjectApi, CommitFlagsAndCopiesDecideWhatIsWritten) {
  const LONG first = AppendLine(kLine);
  ASSERT_GT(first, 0);
  // Flags 4: not written until committed.
  const std::vector<char> record = PlaneRecord({kLine}, 0);
  const HOBJ held = F.mapPutObjectRecord(mapA, 0, record.data(), LONG(record.size()), 4);
  ASSERT_NE(0, held);
  EXPECT_FALSE(Exists(mapA, first + 1));
  EXPECT_EQ(first + 1, F.mapCommitObjectByOrder(held));
  EXPECT_TRUE(Exists(mapA, first + 1));

  // A copy rewrites its object; a copy as new appends.
  const HOBJ copy = F.mapCreateCopyObject(mapA, held);
  const HOBJ fresh = F.mapCreateCopyObjectAsNew(mapA, held);
  EXPECT_EQ(first + 1, F.mapCommit(copy));
  EXPECT_EQ(first + 2, F.mapCommit(fresh));
  EXPECT_EQ(first + 3, F.mapCommitObjectAsNew(fresh));

  // Flags 1 with the key of a stored object rewrites it.
  std::vector<char> stored(static_cast<size_t>(F.mapGetObjectRecordLength(held)));
  ASSERT_EQ(1, F.mapGetObjectRecord(held, stored.data(), LONG(stored.size())));
  const HOBJ rewritten = F.mapPutObjectRecord(mapA, 0, stored.data(), LONG(stored.size()), 1);
  EXPECT_NE(0, rewritten);
  EXPECT_FALSE(Exists(mapA, first + 4));
  EXPECT_EQ(1, F.mapRevert(rewritten));
  for (HOBJ h : {held, copy, fresh, rewritten}) F.mapFreeObject(h);
}

TEST_F(ObjectApi, SearchesBindTheHandle) {
  const LONG number = AppendLine(kLine);
  ASSERT_GT(number, 0);
  const HOBJ h = F.mapCreateObject(mapA, 1, 0, 0);
  EXPECT_EQ(h, F.mapSeekObject(mapA, h, 0));
  EXPECT_EQ(h, F.mapSeekObject(mapA, h, 4));  // the next one
  EXPECT_EQ(h, F.mapSeekViewObject(mapA, h, 0, 2));
  // By key: the key of the last line, read from its record.
  ASSERT_EQ(h, F.mapSeekObject(mapA, h, 2));
  std::vector<char> record(4096);
  ASSERT_EQ(1, F.mapGetObjectRecord(h, record.data(), LONG(record.size())));
  const HOBJ other = F.mapCreateObject(mapA, 1, 0, 0);
  EXPECT_EQ(other, F.mapSeekObjectInList(mapA, 0, other, 1, HeadOf(record).Key));
  EXPECT_EQ(0, F.mapSeekObjectInList(mapA, 0, other, 1, 0x7FFFFFF0));
  F.mapFreeObject(other);
  // On the picture: the line under a frame round its first point, in
  // plane metres; the host's frame stays as given.
  DFRAME frame{kLine[0].X - 50, kLine[0].Y - 50, kLine[0].X + 50, kLine[0].Y + 50};
  const DFRAME given = frame;
  ASSERT_EQ(h, F.mapWhatObject(mapA, h, &frame, 0, 3));
  EXPECT_EQ(0, std::memcmp(&given, &frame, sizeof frame));
  EXPECT_EQ(3, F.mapPointCount(h, 0));
  EXPECT_EQ(0, F.mapWhatObject(mapA, h, &frame, 0, 5));

  // Through a select: two lines crossing elsewhere, the select's key range
  // admitting the later one alone, then neither; a select of another
  // map's finds nothing here.
  const std::vector<DOUBLEPOINT> cross1{{6012000, 7412000}, {6014000, 7414000}};
  const std::vector<DOUBLEPOINT> cross2{{6012000, 7414000}, {6014000, 7412000}};
  const LONG first = AppendLine(cross1), second = AppendLine(cross2);
  ASSERT_EQ(first + 1, second);
  ASSERT_EQ(h, F.mapReadObjectByNumber(mapA, 0, h, 1, second));
  ASSERT_EQ(1, F.mapGetObjectRecord(h, record.data(), LONG(record.size())));
  const LONG key = LONG(HeadOf(record).Key);
  DFRAME at{6012990, 7412990, 6013010, 7413010};
  ASSERT_EQ(h, F.mapWhatObject(mapA, h, &at, 0, 3));
  EXPECT_EQ(first, F.mapGetObjectNumber(h));
  const HSELECT select = F.mapCreateMapSelectContext(mapA);
  F.mapSelectKey(select, key, key);
  ASSERT_EQ(h, F.mapWhatObjectBySelect(mapA, h, &at, select, 0, 3));
  EXPECT_EQ(second, F.mapGetObjectNumber(h));
  EXPECT_EQ(0, F.mapWhatObjectBySelect(mapA, h, &at, select, 4, 3));  // nothing after it
  F.mapSelectKey(select, key + 1, key + 1);
  EXPECT_EQ(0, F.mapWhatObjectBySelect(mapA, h, &at, select, 0, 3));
  const HSELECT foreign = F.mapCreateMapSelectContext(mapB);
  EXPECT_EQ(0, F.mapWhatObjectBySelect(mapA, h, &at, foreign, 0, 3));
  F.mapDeleteSelectContext(foreign);
  F.mapDeleteSelectContext(select);
  F.mapFreeObject(h);
}

// An object whose metric record is damaged in its file reads as none; the
// searches pass over it to the objects that read, and it can be deleted.
TEST_F(ObjectApi, ADamagedObjectReadsAsNoneAndSearchesPassOverIt) {
  const std::string path = MapOfLines("damaged", "d.map", 3);
  const fs::path folder = dir / "damaged";
  // The metric marker of object 2 (its descriptor names the record at 40).
  uint32_t offset = 0;
  std::ifstream hdr(folder / "d.HDR", std::ios::binary);
  hdr.seekg(2 * 48 + 40);
  ASSERT_TRUE(hdr.read(reinterpret_cast<char*>(&offset), 4));
  std::fstream dat(folder / "d.DAT", std::ios::in | std::ios::out | std::ios::binary);
  dat.seekp(offset);
  ASSERT_TRUE(dat.write("XXXX", 4));
  dat.close();

  const HMAP map = F.mapOpenData(path.c_str(), 0);
  ASSERT_NE(0, map);
  const HOBJ h = F.mapCreateObject(map, 1, 0, 0);
  EXPECT_EQ(0, F.mapReadObjectByNumber(map, 0, h, 1, 2));
  EXPECT_EQ(h, F.mapReadObjectByNumber(map, 0, h, 1, 3));
  std::vector<LONG> found;
  for (HOBJ at = F.mapSeekObject(map, h, 0); at != 0; at = F.mapSeekObject(map, h, 4))
    found.push_back(F.mapPointCount(h, 0));
  EXPECT_EQ((std::vector<LONG>{3, 3}), found);
  EXPECT_EQ(1, F.mapDeleteObjectByNumber(map, 1, 2));
  EXPECT_EQ(0, F.mapReadObjectByNumber(map, 0, h, 1, 2));
  F.mapFreeObject(h);
  F.mapCloseData(map);
}

// The open modes of a document: 0 and 0xC0000000 read and write, the
// write bit alone (0x40000000) is taken as reading and writing, 0x80000000
// reads only: its commits are refused, and nothing reaches the file.
TEST_F(ObjectApi, EveryOpenModeReadsAndTheWriteBitWrites) {
  const std::string path = MapOfLines("modes", "m.map", 1);
  const std::vector<char> record = PlaneRecord({kLine}, 1);
  LONG objects = 1;
  HMAP map = 0;
  for (const DWORD mode : {0u, 0x40000000u, 0xC0000000u, 0x80000000u}) {
    SCOPED_TRACE(mode);
    map = F.mapOpenData(path.c_str(), LONG(mode));
    ASSERT_NE(0, map);
    EXPECT_TRUE(Exists(map, objects));
    const HOBJ h = F.mapPutObjectRecord(map, 0, record.data(), LONG(record.size()), 4);
    ASSERT_NE(0, h);
    const bool writes = mode != 0x80000000u;
    EXPECT_EQ(writes ? objects + 1 : 0, F.mapCommit(h));
    F.mapFreeObject(h);
    F.mapCloseData(map);
    if (writes) ++objects;
    map = F.mapOpenData(path.c_str(), LONG(0x80000000u));
    ASSERT_NE(0, map);
    EXPECT_TRUE(Exists(map, objects));
    EXPECT_FALSE(Exists(map, objects + 1));
    F.mapCloseData(map);
  }
}

TEST_F(ObjectApi, NullFreedAndForeignHandlesAreRefused) {
  ASSERT_GT(AppendLine(kLine), 0);
  const HOBJ good = F.mapCreateObject(mapA, 1, 0, 0);
  ASSERT_EQ(good, F.mapReadObjectByNumber(mapA, 0, good, 1, 1));
  const HOBJ freed = F.mapCreateObject(mapA, 1, 0, 0);
  F.mapFreeObject(freed);
  int64_t block[512] = {};
  const intptr_t invented = reinterpret_cast<intptr_t>(block);
  const std::vector<char> record = PlaneRecord({kLine}, 0);
  char buffer[4096];
  DFRAME frame{kLine[0].X - 50, kLine[0].Y - 50, kLine[0].X + 50, kLine[0].Y + 50};
  MAPADJACENTSECTION section{};
  MAPADJACENTLIST entry{};
  MAPADJACENTLISTEX adjacent{};
  // As objects: null, freed, invented, and a document.
  for (const HOBJ h : {HOBJ(0), freed, invented, HOBJ(mapA)}) {
    SCOPED_TRACE(h);
    const std::function<intptr_t()> calls[] = {
        [&] { return F.mapClearObject(h, 1, 0); },
        [&] { return F.mapCreateCopyObject(mapA, h); },
        [&] { return F.mapReadCopyObject(h, good); },
        [&] { return F.mapReadCopyObject(good, h); },
        [&] { return F.mapCopyObjectAsNew(h, good); },
        [&] { return F.mapCopyObjectAsNew(good, h); },
        [&] { return F.mapCreateCopyObjectAsNew(mapA, h); },
        [&] { return F.mapReadObjectByNumber(mapA, 0, h, 1, 1); },
        [&] { return F.mapTestObject(h, 0); },
        [&] { return F.mapSeekObject(mapA, h, 0); },
        [&] { return F.mapSeekSelectObject(mapA, h, 0, 0); },
        [&] { return F.mapSeekViewObject(mapA, h, 0, 0); },
        [&] { return F.mapSeekObjectInList(mapA, 0, h, 1, 1); },
        [&] { return F.mapGetObjectRecordLength(h); },
        [&] { return F.mapGetObjectRecord(h, buffer, sizeof buffer); },
        [&] { return F.mapCommit(h); },
        [&] { return F.mapCommitObject(h); },
        [&] { return F.mapCommitObjectAsNew(h); },
        [&] { return F.mapCommitObjectByOrder(h); },
        [&] { return F.mapDeleteObject(h); },
        [&] { return F.mapUndeleteObject(h); },
        [&] { return F.mapRevert(h); },
        [&] { return F.mapRevertObject(h); },
        [&] { return F.mapWhatObject(mapA, h, &frame, 0, 1); },
        [&] { return F.mapWhatObjectBySelect(mapA, h, &frame, 0, 0, 1); },
        [&] { return F.mapSeekAdjacentObject(mapA, h, good, &section, 0, 1.0, 0, 0); },
        [&] { return F.mapSeekAdjacentObject(mapA, good, h, &section, 0, 1.0, 0, 0); },
        [&] { return F.mapSeekAdjacentList(mapA, h, &entry, 1, 0, 1.0, 0, 0); },
        [&] { return F.mapSeekAdjacentListEx(mapA, h, &adjacent, 1, 0, 1.0, 0, 0); },
    };
    for (size_t i = 0; i < std::size(calls); ++i) EXPECT_EQ(0, calls[i]()) << "call " << i;
    F.mapFreeObject(h);  // nothing happens
  }
  // As documents and sites: null, invented, and an object.
  for (const HMAP m : {HMAP(0), HMAP(invented), HMAP(good)}) {
    SCOPED_TRACE(m);
    const std::function<intptr_t()> calls[] = {
        [&] { return F.mapCreateObject(m, 1, 0, 0); },
        [&] { return F.mapCreateCopyObject(m, good); },
        [&] { return F.mapCreateCopyObjectAsNew(m, good); },
        [&] { return F.mapReadObjectByNumber(m, 0, good, 1, 1); },
        [&] { return F.mapReadObjectByNumber(mapA, m == 0 ? invented : m, good, 1, 1); },
        [&] { return F.mapSeekObject(m, good, 0); },
        [&] { return F.mapSeekObjectInList(m, 0, good, 1, 1); },
        [&] { return F.mapPutObjectRecord(m, 0, record.data(), LONG(record.size()), 4); },
        [&] { return F.mapPutObjectRecord(mapA, invented, record.data(), LONG(record.size()), 4); },
        [&] { return F.mapDeleteObjectNumber(m, 1, 1); },
        [&] { return F.mapDeleteObjectByNumber(m, 1, 1); },
        [&] { return F.mapUndeleteObjectByNumber(m, 0, 1, 1); },
        [&] { return F.mapWhatObject(m, good, &frame, 0, 1); },
        [&] { return F.mapWhatObjectBySelect(m, good, &frame, invented, 0, 1); },
        [&] { return F.mapSeekAdjacentObject(m, good, good, &section, invented, 1.0, 0, 0); },
        [&] { return F.mapSeekAdjacentList(m, good, &entry, 1, invented, 1.0, 0, 0); },
        [&] { return F.mapSeekAdjacentListEx(m, good, &adjacent, 1, invented, 1.0, 0, 0); },
    };
    for (size_t i = 0; i < std::size(calls); ++i) EXPECT_EQ(0, calls[i]()) << "call " << i;
  }
  EXPECT_EQ(0, F.mapGetObjectRecord(good, nullptr, 4096));
  F.mapFreeObject(good);
}

TEST_F(ObjectApi, AnObjectOutlivingItsMapIsRefusedUntilReadAgain) {
  const HMAP closed = MakeMap("c.map", 6000000, 7400000);
  ASSERT_NE(0, closed);
  const std::vector<char> record = PlaneRecord({kLine}, 0);
  const HOBJ h = F.mapPutObjectRecord(closed, 0, record.data(), LONG(record.size()), 0);
  ASSERT_NE(0, h);
  F.mapCloseData(closed);
  char buffer[4096];
  EXPECT_EQ(0, F.mapCommit(h));
  EXPECT_EQ(0, F.mapGetObjectRecord(h, buffer, sizeof buffer));
  EXPECT_EQ(0, F.mapDeleteObject(h));
  EXPECT_EQ(0, F.mapRevert(h));
  EXPECT_EQ(0, F.mapClearObject(h, 1, 0));
  EXPECT_EQ(0, F.mapCreateObject(closed, 1, 0, 0));
  EXPECT_EQ(0, F.mapSeekObject(closed, h, 0));
  // The metric, geometry and group functions refuse it as well.
  EXPECT_EQ(0, F.mapPointCount(h, 0));
  EXPECT_EQ(0, F.mapAppendPointPlane(h, 1, 1, 0));
  EXPECT_EQ(0.0, F.mapSquare(h));
  EXPECT_EQ(0, F.mapGetObjectsCross(h, h));
  EXPECT_EQ(0, F.mapCreateObjectCrossPoints(h, h));
  EXPECT_EQ(0, F.mapObjectIsGroup(h));
  // Read from a live map, the handle serves again.
  ASSERT_GT(AppendLine(kLine), 0);
  EXPECT_EQ(h, F.mapReadObjectByNumber(mapA, 0, h, 1, 1));
  EXPECT_NE(0, F.mapGetObjectRecord(h, buffer, sizeof buffer));
  F.mapFreeObject(h);
}

}  // namespace
