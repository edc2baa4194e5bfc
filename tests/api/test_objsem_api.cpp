// An object's characteristics, identity, text and graphics through the
// loaded library, as a host calls them: an object on a user map of a
// classifier built through the functions, and every function of
// api/objsem_api.h refusing null, invented and freed handles and an object
// whose map was closed.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "api/document_api.h"
#include "api/objsem_api.h"
#include "api/rsc_api.h"
#include "support/apiheaders.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

namespace fs = std::filesystem;

enum : LONG { DATE = 20, HEIGHT = 23, NAME = 27 };

class ObjSemApi : public apitest::LoadedLibraryTest {
 protected:
  void SetUp() override {
    LoadedLibraryTest::SetUp();
    if (HasFatalFailure()) return;
    dir_ = apitest::FreshTestFolder("objsem_api_");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A classifier of one line kind with a date, a number of 2 decimals in
  // metres and a text semantic; the kind's number.
  LONG MakeClassifier(const std::string& path);
  // A new object on a temporary user map of that classifier, made as the
  // library's own object functions make it.
  HOBJ MakeObject(HMAP* map, LONG* kind);
  void Free(HOBJ object) { Fn<int (*)(HOBJ)>("_ZN11TObjectInfo10FreeHandleEl")(object); }

  fs::path dir_;
};

LONG ObjSemApi::MakeClassifier(const std::string& path) {
  apitest::NewClassifier classifier("SEM");
  const HRSC rsc = FN(mapCreateRsc)(path.c_str(), &classifier.create, &classifier.palette);
  if (rsc == 0) return 0;
  RSCOBJECT road = {};
  road.Length = sizeof road;
  road.Excode = 31120000;
  std::strcpy(road.Name, "ROAD");
  const LONG kind = FN(mapAppendRscObject)(rsc, &road);
  const struct {
    LONG code, type;
    const char *name, *unit;
  } semantics[] = {{DATE, 17, "DATE", ""}, {HEIGHT, 1, "HEIGHT", "m"}, {NAME, 0, "NAME", ""}};
  for (const auto& s : semantics) {
    RSCSEMANTIC sem = {};
    sem.Code = DWORD(s.code);
    sem.Type = DWORD(s.type);
    std::strcpy(sem.Name, s.name);
    std::strcpy(sem.Unit, s.unit);
    FN(mapAppendRscSemantic)(rsc, &sem);
    FN(mapAppendRscSemanticObject)(rsc, kind, s.code, 1);
  }
  FN(mapSetRscSemanticDecimal)(rsc, HEIGHT, 10, 2);
  FN(mapCommitRsc)(rsc);
  FN(mapCloseRsc)(rsc);
  return kind;
}

HOBJ ObjSemApi::MakeObject(HMAP* map, LONG* kind) {
  const std::string rsc = (dir_ / "sem.rsc").string();
  *kind = MakeClassifier(rsc);
  *map = *kind > 0 ? FN(mapCreateTempSite)(rsc.c_str()) : 0;
  if (*map == 0) return 0;
  // A document handle is the address of its main map.
  const HOBJ object = Fn<HOBJ (*)()>("_ZN11TObjectInfo9NewHandleEv")();
  auto create = Fn<int (*)(HOBJ, HMAP, int, int, int)>("_ZN11TObjectInfo12CreateObjectEP4TMapiii");
  if (object == 0 || create(object, *map, 1, 0x7FFC7FFC, 0) != 1) return 0;
  return object;
}

}  // namespace

TEST_F(ObjSemApi, AnObjectIsClassifiedGivenCharacteristicsAndGraphics) {
  HMAP map = 0;
  LONG kind = 0;
  const HOBJ h = MakeObject(&map, &kind);
  ASSERT_NE(0, h);
  ASSERT_EQ(1, FN(mapDescribeObject)(h, kind));
  const LONG available = FN(mapAvailableSemanticCount)(h);
  EXPECT_STREQ("ROAD", FN(mapObjectName)(h));
  EXPECT_EQ(31120000, FN(mapObjectExcode)(h));
  EXPECT_EQ(kind, FN(mapObjectCode)(h));
  EXPECT_EQ(0, FN(mapSetSegmentNumber)(h, 3));  // a classified object keeps its layer

  EXPECT_EQ(1, FN(mapAppendSemantic)(h, DATE, "12/05/1998", 255));
  EXPECT_DOUBLE_EQ(19980512.0, FN(mapSemanticDoubleValue)(h, 1));
  EXPECT_EQ(2, FN(mapAppendSemantic)(h, HEIGHT, "3.14159", 255));
  char text[32] = "x";
  EXPECT_EQ(1, FN(mapSemanticValueFullName)(h, 2, text, sizeof text));
  EXPECT_STREQ("3.14 m", text);
  EXPECT_EQ(3, FN(mapAppendSemantic)(h, NAME, "first", 255));
  EXPECT_EQ(3, FN(mapAppendSemantic)(h, NAME, "last", 255));
  EXPECT_EQ(3, FN(mapSemanticCodeValueName)(h, NAME, text, sizeof text, 1));
  EXPECT_STREQ("last", text);
  EXPECT_STREQ("DATE", FN(mapSemanticName)(h, 1));
  EXPECT_EQ(1, FN(mapSemanticNameEx)(h, 2, text, sizeof text));
  EXPECT_STREQ("HEIGHT", text);
  EXPECT_EQ(available - 3, FN(mapAvailableSemanticCount)(h));
  EXPECT_EQ(1, FN(mapDeleteSemantic)(h, 3));
  EXPECT_EQ(NAME, FN(mapAvailableSemanticCode)(h, FN(mapAvailableSemanticCount)(h)));

  EXPECT_EQ(0, FN(mapSetObjectKey)(h, 0));
  EXPECT_EQ(77, FN(mapSetObjectKey)(h, 77));
  EXPECT_EQ(77, FN(mapObjectKey)(h));
  EXPECT_EQ(6, FN(mapSetObjectSpline)(h, 7));
  EXPECT_EQ(6, FN(mapGetObjectSpline)(h));
  EXPECT_EQ(1, FN(mapSetObjectListNumber)(h, 3));  // a user map has the one sheet
  EXPECT_EQ(1, FN(mapGetListNumber)(h));
  EXPECT_EQ(0, FN(mapObjectKey)(h));

  const int32_t line[2] = {int32_t(0xF0000003), 500};
  EXPECT_EQ(0, FN(mapIsDrawObject)(h));
  EXPECT_EQ(1, FN(mapAppendDraw)(h, 128, reinterpret_cast<const char*>(line)));
  EXPECT_EQ(1, FN(mapIsDrawObject)(h));
  EXPECT_EQ(128, FN(mapDrawImage)(h, 1));
  EXPECT_EQ(0, std::memcmp(line, FN(mapDrawParameters)(h, 1), sizeof line));
  EXPECT_EQ(1, FN(mapClearDraw)(h));
  EXPECT_EQ(0, FN(mapIsDrawObject)(h));
  EXPECT_EQ(nullptr, FN(mapDrawParameters)(h, 1));
  FN(mapCloseData)(map);
  Free(h);
}

TEST_F(ObjSemApi, EveryFunctionRefusesNullInventedFreedAndOrphanedHandles) {
  // The functions of api/objsem_api.h, with what they answer.
  const std::vector<apitest::DeclaredFunction> functions =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/objsem_api.h", "HOBJ");
  ASSERT_GE(functions.size(), 70u);
  // An object whose map was closed, and one that was freed.
  HMAP map = 0;
  LONG kind = 0;
  const HOBJ orphan = MakeObject(&map, &kind);
  ASSERT_NE(0, orphan);
  ASSERT_EQ(1, FN(mapDescribeObject)(orphan, kind));
  FN(mapCloseData)(map);
  const HOBJ freed = Fn<HOBJ (*)()>("_ZN11TObjectInfo9NewHandleEv")();
  Free(freed);
  // Memory of no object, whose every word would be a wild address.
  std::vector<uint64_t> invented(512, 0x5A5A5A5A5A5A5A5Aull);
  const HOBJ handles[] = {0, reinterpret_cast<HOBJ>(invented.data()), freed, orphan};
  CallWithHandles(functions, {std::begin(handles), std::end(handles)},
                  [](const apitest::DeclaredFunction& f, const Answer& a) {
                    if (f.result == "double")
                      EXPECT_EQ(0.0, a.real) << f.name;
                    else if (f.name == "mapDrawParameters")
                      EXPECT_EQ(0, a.value) << f.name;
                    else if (f.result == "const char*")
                      EXPECT_STREQ("", reinterpret_cast<const char*>(a.value)) << f.name;
                    else
                      EXPECT_EQ(0, int32_t(a.value)) << f.name;
                  });
  Free(orphan);
}
