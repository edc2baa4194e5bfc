// The classifier functions through the loaded library, as a host calls
// them: every function of a classifier or document handle refusing null,
// foreign and closed handles; a classifier built, saved and read back
// through the functions alone; and an older classifier opened through the
// converter library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "api/host_api.h"
#include "api/rsc_api.h"
#include "support/apiheaders.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"

namespace {

namespace fs = std::filesystem;

class RscApi : public apitest::LoadedLibraryTest {
 protected:
  void SetUp() override {
    LoadedLibraryTest::SetUp();
    if (HasFatalFailure()) return;
    dir_ = apitest::FreshTestFolder("rsc_api_");
  }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  // A new classifier with the 16 default colours; 0 on failure.
  HRSC Create(const std::string& path) {
    apitest::NewClassifier classifier("API");
    for (int i = 0; i < 16; ++i) classifier.palette.Colors[i] = 0x111111u * DWORD(i);
    return FN(mapCreateRsc)(path.c_str(), &classifier.create, &classifier.palette);
  }

  fs::path dir_;
};

TEST_F(RscApi, EveryHandleFunctionRefusesNullForeignAndClosedHandles) {
  // The functions of api/rsc_api.h whose first argument is a handle, with
  // whether they answer a text, a handle or a number.
  const std::vector<apitest::DeclaredFunction> functions =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/rsc_api.h", "HRSC|HMAP");
  ASSERT_GT(functions.size(), 130u);
  // A closed classifier's handle, and memory of no classifier whose every
  // word would be a wild address.
  const HRSC created = Create(Path("closed.rsc"));
  ASSERT_NE(0, created);
  ASSERT_EQ(1, FN(mapCloseRsc)(created));
  std::vector<uint64_t> foreign(512, 0x5A5A5A5A5A5A5A5Aull);
  CallWithHandles(functions, {0, reinterpret_cast<intptr_t>(foreign.data()), created},
                  [](const apitest::DeclaredFunction& f, const Answer& a) {
                    const intptr_t r = a.value;
                    if (f.result == "const char*" && f.name.find("Parameters") != std::string::npos)
                      EXPECT_EQ(0, r) << f.name;
                    else if (f.result == "const char*")
                      EXPECT_STREQ("", reinterpret_cast<const char*>(r)) << f.name;
                    else if (f.result == "HRSC")
                      EXPECT_EQ(0, r) << f.name;
                    else
                      EXPECT_EQ(0, int32_t(r)) << f.name;
                  });
  EXPECT_EQ(0, FN(mapCloseRsc)(created));  // once only
  EXPECT_EQ(0, FN(mapOpenRsc)(nullptr));
  EXPECT_EQ(0, FN(mapCreateRsc)(Path("x.rsc").c_str(), nullptr, nullptr));
}

// An area kind takes a hatched (136) or two-colour pattern (138) fill as
// its image alone, as it takes the same fill within a set (147); both read
// back after the classifier is saved and opened again. A function that no
// kind's image takes is still refused.
TEST_F(RscApi, AnAreaKindTakesAHatchOrAPatternAloneAsWithinASet) {
  const std::string path = Path("fills.rsc");
  HRSC h = Create(path);
  ASSERT_NE(0, h);
  RSCOBJECT object = {};
  object.Length = sizeof object;
  object.Excode = 31410000;
  object.Local = LOCAL_SQUARE;
  std::strcpy(object.Name, "FIELD");
  const LONG field = FN(mapAppendRscObject)(h, &object);
  object.Excode = 31420000;
  std::strcpy(object.Name, "MEADOW");
  const LONG meadow = FN(mapAppendRscObject)(h, &object);
  ASSERT_GT(field, 0);
  ASSERT_GT(meadow, 0);
  // Green vertical hatching; a dotted two-colour pattern.
  const DWORD hatch[4] = {0x00A000, 2, 250, 750};
  DWORD pattern[38] = {0xFFFFFFFF, 0, 0x008000};
  for (int row = 0; row < 32; row += 4) pattern[6 + row] = 0x88888888u;
  const char* h136 = reinterpret_cast<const char*>(hatch);
  const char* h138 = reinterpret_cast<const char*>(pattern);
  EXPECT_EQ(1, FN(mapSetRscObjectImage)(h, field, sizeof hatch, PRIM_HATCH, h136));
  EXPECT_EQ(1, FN(mapSetRscPrintObjectImage)(h, field, sizeof hatch, PRIM_HATCH, h136));
  EXPECT_EQ(1, FN(mapSetRscObjectImage)(h, meadow, sizeof pattern, PRIM_PATTERN, h138));
  EXPECT_EQ(PRIM_HATCH, FN(mapGetRscObjectFunction)(h, field));
  EXPECT_EQ(PRIM_PATTERN, FN(mapGetRscObjectFunction)(h, meadow));
  // The same hatch within a set, as before.
  struct {
    DWORD marker = 0x7FFF7FFE, length = 12 + 4 + 16;
    WORD count = 1, flags = 0;
    WORD elementLength = 4 + 16, code = PRIM_HATCH;
    DWORD parm[4] = {0x00A000, 2, 250, 750};
  } set;
  static_assert(sizeof set == 32);
  EXPECT_EQ(1, FN(mapSetRscPrintObjectImage)(h, meadow, sizeof set, PRIM_SET,
                                             reinterpret_cast<const char*>(&set)));
  // No kind's image is a composite line code or a code without a primitive.
  EXPECT_EQ(0, FN(mapSetRscObjectImage)(h, field, sizeof hatch, 130, h136));
  EXPECT_EQ(0, FN(mapSetRscObjectImage)(h, field, sizeof hatch, 200, h136));
  EXPECT_EQ(0, FN(mapSetRscPrintObjectImage)(h, field, sizeof hatch, 137, h136));
  ASSERT_EQ(1, FN(mapCommitRsc)(h));
  ASSERT_EQ(1, FN(mapCloseRsc)(h));

  h = FN(mapOpenRsc)(path.c_str());
  ASSERT_NE(0, h);
  EXPECT_EQ(PRIM_HATCH, FN(mapGetRscObjectFunction)(h, field));
  EXPECT_EQ(LONG(sizeof hatch), FN(mapGetRscObjectParametersSize)(h, field));
  EXPECT_EQ(0, std::memcmp(hatch, FN(mapGetRscObjectParameters)(h, field), sizeof hatch));
  EXPECT_EQ(PRIM_HATCH, FN(mapGetRscPrintObjectFunction)(h, field));
  EXPECT_EQ(PRIM_PATTERN, FN(mapGetRscObjectFunction)(h, meadow));
  EXPECT_EQ(0, std::memcmp(pattern, FN(mapGetRscObjectParameters)(h, meadow), sizeof pattern));
  EXPECT_EQ(PRIM_SET, FN(mapGetRscPrintObjectFunction)(h, meadow));
  // Appending to a fill alone would need it as an element, which no
  // drawing description holds: refused, the fill kept.
  const DWORD line[2] = {0x000000, 250};
  EXPECT_EQ(0, FN(mapAppendRscObjectPrimitive)(h, field, 8, PRIM_LINE,
                                               reinterpret_cast<const char*>(line), 0));
  EXPECT_EQ(PRIM_HATCH, FN(mapGetRscObjectFunction)(h, field));
  EXPECT_EQ(0, std::memcmp(hatch, FN(mapGetRscObjectParameters)(h, field), sizeof hatch));
  FN(mapCloseRsc)(h);
}

TEST_F(RscApi, AClassifierBuiltThroughTheFunctionsReadsBack) {
  const std::string path = Path("api.rsc");
  HRSC h = Create(path);
  ASSERT_NE(0, h);
  // Scales 1..16 of the table; none before or after.
  EXPECT_EQ(16, FN(mapGetRscScaleCount)(h));
  EXPECT_EQ(40000000, FN(mapGetRscScaleItem)(h, 16));
  EXPECT_EQ(0, FN(mapGetRscScaleItem)(h, 17));
  EXPECT_EQ(0, FN(mapGetRscScaleItem)(h, 0));

  RSCSEG seg = {};
  std::strcpy(seg.Name, "ROADS");
  std::strcpy(seg.Short, "RD");
  seg.Order = 5;
  const LONG layer = FN(mapAppendRscSegment)(h, &seg);
  ASSERT_GT(layer, 0);
  EXPECT_EQ(layer, FN(mapGetRscSegmentByShortName)(h, "RD"));

  RSCOBJECT object = {};
  object.Length = sizeof object;
  object.Excode = 31120000;
  object.Segment = DWORD(layer);
  std::strcpy(object.Name, "ROAD");
  const LONG road = FN(mapAppendRscObject)(h, &object);
  object.Excode = 31410000;
  object.Local = 1;
  std::strcpy(object.Name, "LAKE");
  const LONG lake = FN(mapAppendRscObject)(h, &object);
  ASSERT_GT(road, 15);
  ASSERT_EQ(road + 1, lake);
  EXPECT_EQ(2, FN(mapGetRscObjectCountInLayer)(h, layer));
  EXPECT_EQ(lake, FN(mapGetRscObjectCodeInLayer)(h, layer, 2));

  // A list semantic, obligatory for the road with the standard height;
  // the name possible, then obligatory, then gone.
  RSCSEMANTIC sem = {};
  sem.Code = 7;
  sem.Type = 16;
  std::strcpy(sem.Name, "SURFACE");
  ASSERT_EQ(7, FN(mapAppendRscSemantic)(h, &sem));
  EXPECT_EQ(1, FN(mapAppendRscClassificator)(h, 7, 1, "ASPHALT"));
  EXPECT_EQ(2, FN(mapAppendRscClassificator)(h, 7, 2, "GRAVEL"));
  auto append = FN(mapAppendRscSemanticObject);
  append(h, road, 7, 2);
  append(h, road, 4, 2);
  append(h, road, 9, 1);
  EXPECT_EQ(3, FN(mapGetRscSemanticObjectCount)(h, road, 4));
  EXPECT_EQ(9, FN(mapGetRscSemanticObjectCode)(h, road, 3, 4));
  EXPECT_NE(0, FN(mapUpdateRscSemanticObject)(h, road, 9, 2));
  EXPECT_EQ(3, FN(mapGetRscSemanticObjectCount)(h, road, 2));
  EXPECT_EQ(road, FN(mapDeleteRscSemanticObject)(h, road, 9));
  EXPECT_EQ(0, FN(mapGetRscSemanticObjectUsed)(h, road, 9));

  // A key another kind holds is refused.
  const std::string roadKey = FN(mapGetRscObjectKey)(h, road);
  EXPECT_STREQ("", FN(mapSetRscObjectKey)(h, lake, roadKey.c_str()));
  EXPECT_STREQ("LAKE", FN(mapSetRscObjectKey)(h, lake, "LAKE"));

  // The road's line image becomes a set of two lines.
  const int32_t line[2] = {int32_t(0xF0000003), 500};
  EXPECT_EQ(2, FN(mapAppendRscObjectPrimitive)(h, road, 8, 128, reinterpret_cast<const char*>(line), 0));
  EXPECT_EQ(0, FN(mapAppendRscObjectPrimitive)(h, road, 8, 135, reinterpret_cast<const char*>(line), 0));
  EXPECT_EQ(147, FN(mapGetRscPrintObjectFunction)(h, road));  // the screen image stands in

  EXPECT_EQ(1, FN(mapSetRscColor)(h, 0x123456, 3, 1));
  EXPECT_EQ(0, FN(mapSetRscColor)(h, 0x123456, 17, 1));
  EXPECT_EQ(0u, FN(mapGetRscColor)(h, 3, 2));
  RSCFONT font = {"Times", "Times", 204};
  const LONG code = FN(mapAppendFont)(h, &font);
  ASSERT_GT(code, 0);
  ASSERT_EQ(1, FN(mapCommitRsc)(h));
  ASSERT_EQ(1, FN(mapCloseRsc)(h));

  h = FN(mapOpenRsc)(path.c_str());
  ASSERT_NE(0, h);
  EXPECT_STREQ("api.rsc", FN(mapGetRscName)(h));
  EXPECT_EQ(road, FN(mapGetRscObjectCodeByNumber)(h, 31120000, 0, 1));
  EXPECT_EQ(0, FN(mapGetRscObjectCodeByNumber)(h, 31120000, 0, 2));
  EXPECT_STREQ("LAKE", FN(mapGetRscObjectKey)(h, lake));
  EXPECT_STREQ("GRAVEL", FN(mapGetRscSemanticClassificatorName)(h, 7, 2));
  EXPECT_EQ(16, FN(mapGetRscSemanticTypeByCode)(h, 7));
  EXPECT_EQ(2, FN(mapGetRscSemanticObjectUsed)(h, road, 7));
  EXPECT_EQ(2, FN(mapGetRscPrimitiveCount)(h, road, 0));
  EXPECT_EQ(128, FN(mapGetRscPrimitiveFunction)(h, road, 2, 0));
  EXPECT_EQ(12, FN(mapGetRscPrimitiveLength)(h, road, 2, 0));
  EXPECT_EQ(0x123456u, FN(mapGetRscColor)(h, 3, 1));
  RSCFONT back = {};
  EXPECT_GT(FN(mapGetFontByCode)(h, code, &back), 0);
  EXPECT_STREQ("Times", back.Face);
  RSCSEMANTICLONG described = {};
  ASSERT_EQ(1, FN(mapGetRscSemanticEx)(h, &described, 7));
  EXPECT_STREQ("SURFACE", described.Name);
  EXPECT_STREQ("SEM7", described.ShortName);
  EXPECT_EQ(1, FN(mapCloseRsc)(h));
}

int CountBoxes(HWND, const char*, const char*, UINT, void* context) {
  ++*static_cast<int*>(context);
  return IDOK;
}

TEST_F(RscApi, AnOlderClassifierOpensThroughTheConverter) {
  const std::string path = Path("old.rsc");
  HRSC h = Create(path);
  ASSERT_NE(0, h);
  const LONG count = FN(mapGetRscObjectCount)(h);
  ASSERT_EQ(1, FN(mapCloseRsc)(h));
  // Made to look older: its version word and the low half of its style.
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    const unsigned char version[2] = {0x00, 0x05}, style[2] = {0x05, 0x04};
    f.seekp(8);
    f.write(reinterpret_cast<const char*>(version), 2);
    f.seekp(16);
    f.write(reinterpret_cast<const char*>(style), 2);
  }
  int boxes = 0;
  auto hook = FN(platSetMessageBoxHook);
  PLATMESSAGEBOX previous = hook(&CountBoxes, &boxes);
  // Without the converter: refused, the older version reported once.
  EXPECT_EQ(0, FN(mapOpenRsc)(path.c_str()));
  EXPECT_EQ(1, boxes);
  FN(platAddLibraryFolder)(MC_FAKE_LIBRARY_DIR);
  h = FN(mapOpenRsc)(path.c_str());
  ASSERT_NE(0, h);
  EXPECT_EQ(count, FN(mapGetRscObjectCount)(h));
  EXPECT_EQ(1, FN(mapCloseRsc)(h));
  hook(previous, nullptr);
}

}  // namespace
