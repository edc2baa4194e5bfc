// Loads the shared library and looks up every exported name built so far, so
// that an export that went missing fails here; names that must stay inside
// the library must not resolve. A few exported calls are tried through the
// loaded library as a host would call them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

const char* const kExports[] = {
    // errors and messages
    "ErrorMessageEx",
    "ErrorMessage",
    "IsMessageEnable",
    "mapErrorMessage",
    "mapMessageEnable",
    "mapIsMessageEnable",
    "mapSetHandleForMessage",
    "mapGetHandleForMessage",
    "mapMessageBox",
    // settings
    "SetMapAccessLanguage",
    "GetMapAccessLanguage",
    "mapSetPathShell",
    "mapGetPathShell",
    // host-side platform services
    "platSetMessageBoxHook",
    "platCreateWindow",
    "platDestroyWindow",
    "platAddLibraryFolder",
    "platSetSystemProfile",
    // code pages
    "Win2Dos",
    "Ansi2Dos",
    "Dos2Win",
    "Text2Win",
    "Koi82Win",
    "mapDos2Win",
    // common services: log time stamp, file kinds, libraries
    "mapGetTheTime",
    "mapCheckFile",
    "mapLoadLibrary",
    "mapFreeLibrary",
    "mapGetProcAddress",
    // map fonts
    "GetMapFont",
    "mapGetMapFont",
    "mapGetMapFontName",
    "mapGetMapFontCharSet",
    "GetMapFontIndex",
    "mapGetMapFontIndex",
    "SetMapFont",
    "mapSetMapFont",
    "mapSetMapFontName",
    "mapSetMapFontCharSet",
    // dialog fonts
    "GetDialogStringFont",
    "mapGetDialogStringFont",
    "GetDialogTableFont",
    "mapGetDialogTableFont",
    "SetDialogStringFont",
    "mapSetDialogStringFont",
    "SetDialogTableFont",
    "mapSetDialogTableFont",
    "mapGetDialogStringFontSize",
    "mapGetDialogTableFontSize",
    "mapSetDialogStringFontSize",
    "mapSetDialogTableFontSize",
    // exported classes: profile and file copy
    "_ZN11TMapProfileC1EPKcS1_",
    "_ZN11TMapProfile6GetIntEPKci",
    "_ZN11TMapProfile8WriteIntEPKci",
    "_ZN9TCopyFile4CopyEPKcS1_ii",
    "_ZN12TPrepareFile3RunEPKcii",
    "_ZTV9TCopyFile",
    // LZW and the colour classes
    "mapCompressLZW",
    "mapDecompressLZW",
    "_ZN11TBaseColorsC1Ev",
    "_ZN11TBaseColors9SetBrightEi",
    "_ZN11TMtrPaletteC1Ev",
    "_ZN11TMtrPalette5StyleEi",
    // TTranslate
    "_ZN10TTranslateC1Ev",
    "_ZN10TTranslateC2Ev",
    "_ZN10TTranslateC1EiP9CONSTPROJi",
    "_ZN10TTranslateC2EiP9CONSTPROJi",
    "_ZN10TTranslateD1Ev",
    "_ZN10TTranslateD2Ev",
    "_ZN10TTranslate13SetProjectionEiP9CONSTPROJi",
    "_ZN10TTranslate13TestConstprojEiP9CONSTPROJ",
    "_ZN10TTranslate5XY2BLEddPdS0_",
    "_ZN10TTranslate5BL2XYEddPdS0_",
    "_ZN10TTranslate12IdentifyZoneEd",
    "_ZN10TTranslate13GetNumberZoneEv",
    "_ZN10TTranslate13SetNumberZoneEi",
    "_ZN10TTranslate13SetNumberZoneEd",
    "_ZN10TTranslate8XY2BL_GKEddPdS0_",
    "_ZN10TTranslate8BL2XY_GKEddPdS0_",
    "_ZN10TTranslate15InitUTMforWGS84Ev",
    "_ZN10TTranslate15InitUTMforNAD27Ev",
    "_ZN10TTranslate7InitUTMEv",
    "_ZN10TTranslate11InitGKfor42Ev",
    "_ZN10TTranslate8InitCK63Ev",
    "_ZN10TTranslate21InitNumberZone_in_IllEd",
    "_ZN10TTranslate23InitNumberZone_in_Ill_lEd",
    "_ZN10TTranslate20GetNumberZone_in_IllEv",
    "_ZN10TTranslate20SetNumberZone_in_IllEi",
    "_ZN10TTranslate35CalcAxisMeridianByNumberZone_in_IllEi",
    // TRadianGrad
    "_ZN11TRadianGrad12RadianToGradEdPiS0_Pd",
    "_ZN11TRadianGrad12GradToRadianEiidi",
    "_ZN11TRadianGrad12GradToRadianEd",
    "_ZN11TRadianGrad12RadianToGradEd",
    "_ZN11TRadianGrad13GradNormalizeEPiS0_Pd",
    // the map object, its groups, key table and colours
    "SetGroupObjectsAccess",
    "GetGroupObjectsAccess",
    "mapGetLogAccess",
    "mapLogAccess",
    "_ZN4TMap8OpenDataEPKci",
    "_ZN4TMap9CloseDataEv",
    "_ZN4TMap12CreateDataExEPKcS1_P13MAPREGISTEREXP12LISTREGISTER",
    "_ZN4TMap15CreateMapBorderEv",
    "_ZN10TMapGroups4OpenEPKc",
    "_ZN10TMapGroups7RestoreEP4TMapPKc",
    "_ZN12TObjectGroup12AppendObjectEi9NUMBERKEY",
    "_ZN12TMapKeyTable8CheckMapEP4TMap",
    "_ZN10TMapColors13RestoreColorsEv",
    // the journal
    "mapLogCount",
    "mapLogDate",
    "mapLogCreateAction",
    "mapLogPutRecord",
    "mapLogCommitAction",
    "mapLogGetActionNumberByTime",
    "mapReadLastAction",
    "mapLogReadAction",
    "mapLogGetActionRecord",
    "mapLogGetActionRecordCount",
    "mapLogIsWrite",
    "mapLogFlush",
    // metric records and plane geometry
    "_ZN9TDataEdit4InitEv",
    "_ZN9TDataEdit18AppendPointSubjectEidd",
    "_ZN9TDataEdit10ChangeKindEi",
    "_ZN9TDataEdit6SquareEv",
    "_ZN9TDataEdit12LinearFilterEd",
    "_ZN9TDataEdit12CrossCutDataEPK11DOUBLEPOINTS2_iiP11NUMBERPOINTS4_id",
    "_ZNK11TObjectData9PerimeterEv",
    "_ZNK8TMeasure12CircleCenterEPK11DOUBLEPOINTS2_S2_PS0_",
    "_ZN8TMeasure12CrossCutDataEPK11DOUBLEPOINTS2_S2_S2_PS0_S3_d",
    // map objects
    "_ZN11TObjectInfo6ObjectEP4TMapii",
    "_ZN11TObjectInfo12CreateObjectEP4TMapiii",
    "_ZN11TObjectInfo14RegisterObjectEii",
    "_ZN11TObjectInfo10FromHandleEl",
    "_ZN11TObjectDesc12RegisterDescEiP7TMapRsc",
    // object records
    "mapCompareTemplateString",
    "_ZN8TSemBase16LoadStringNumberEPKc",
    "_ZN13TWorkSemantic8FindCodeEi",
    "_ZN9TSemnEdit4LoadE11TObjectSemn",
    "_ZN11TObjectDraw14ElementAddressEPK7IMGDRAWi",
    "_ZN9TDrawEdit13AppendElementEiPKc",
    // sign images, sign editors and the classifier
    "mapGetVectorSize",
    "_ZN16TVectorImageEdit13CreateSubjectEv",
    "_ZN16TVectorImageEdit13GetIndexColorEjPKji",
    "_ZN15TDecorImageEdit8LoadPartEiiPKci",
    "_ZN7TMapRsc13GetImageFrameEiPKcdP10IMAGEFRAME",
    "_ZN7TMapRsc9TurnPointEP11DOUBLEPOINTS1_dd",
    "_ZN7TMapRsc22CheckAndLoadOldVersionEPKci",
    "_ZN7TMapRsc14LoadOldVersionEPKcS1_i",
};

// Names that must stay inside the library.
const char* const kHidden[] = {
    "MapErrorText",
    "_Z12MapErrorTextii",
    "_Z14PathShellSetPKc",
    "_ZN4plat11CreateFileAEPKcjjPvjjS2_",
    "_ZN4plat12LoadLibraryAEPKc",
    "_Z13CheckFileKindPKc",
    "_Z15RegisterMapFontPKchh",
    "_Z19LoadLibraryFunctionPKcPP9HMODULE__S0_i",
    "_ZN9TCompress8CompressEPKciPci",
    "_Z5XY2BLP10TTranslateddPdS1_",
    "_Z13SetProjectionP10TTranslateiP9CONSTPROJi",
    "_Z14FindProjectioni",
    "_Z13FindEllipsoidi",
    "_Z18GaussKrugerForwardRK15GaussKrugerZoneddPdS2_",
    "_Z6slInitP10SELECTLISTPv",
    "_Z6slFreeP10SELECTLIST",
    "logOpen",
    "_Z7logOpenP7TMapLogPKc",
    "_Z10FindMapLogll",
    "_ZN6metric10AllocBlockEm",
    "_Z15MetricPointSizej",
    "_Z21CompareTemplateStringPKcS0_",
    "CompareTemplateString",
    "_Z16rscGetVectorSizePK11IMGVECTOREXP9IMAGESIZEPKc",
    "_Z11rscWriteRscP8TRSCDATA",
};

class Exports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL); }
  static void TearDownTestSuite() {
    if (lib) dlclose(lib);
  }
  void SetUp() override { ASSERT_NE(lib, nullptr) << dlerror(); }
  // An exported function as the type a host would declare it with.
  template <class F>
  static F Fn(const char* name) {
    F f = reinterpret_cast<F>(dlsym(lib, name));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  static void* lib;
};
void* Exports::lib = nullptr;

TEST_F(Exports, EveryNameResolvesAndInternalsStayHidden) {
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;
}

TEST_F(Exports, CodecAndCodePageCalls) {
  using Lzw = int (*)(const char*, int, char*, int);
  auto compress = Fn<Lzw>("mapCompressLZW");
  auto decompress = Fn<Lzw>("mapDecompressLZW");
  ASSERT_TRUE(compress && decompress);
  std::vector<char> src(10, 'a'), packed(10), back(10);
  ASSERT_EQ(6, compress(src.data(), 10, packed.data(), 10));
  EXPECT_EQ(10, decompress(packed.data(), 6, back.data(), 10));
  EXPECT_EQ(src, back);
  EXPECT_EQ(0, compress(src.data(), 2, packed.data(), 10));
  EXPECT_EQ(0, decompress(packed.data(), 6, back.data(), 9));

  // mapDos2Win converts always and leaves Latin letters alone.
  auto dos2win = Fn<char* (*)(char*, int)>("mapDos2Win");
  ASSERT_NE(dos2win, nullptr);
  char s[] = "TA\x80";
  dos2win(s, 3);
  EXPECT_EQ(0, std::memcmp(s, "TA\xC0", 3));

  using Compare = int (*)(const char*, const char*);
  auto compare = Fn<Compare>("mapCompareTemplateString");
  ASSERT_NE(compare, nullptr);
  EXPECT_EQ(compare("river Don", "*DON"), 2);
  EXPECT_EQ(compare("A", "A?"), 5);
  EXPECT_EQ(compare(nullptr, "A"), 0);
}

TEST_F(Exports, CommonCallsRefuseNullArguments) {
  // A font name is copied zero-filled and always terminated.
  auto getName = Fn<char* (*)(intptr_t, int, char*, int)>("mapGetMapFontName");
  ASSERT_NE(getName, nullptr);
  char buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(getName(0, 0, buffer, sizeof(buffer)), buffer);
  EXPECT_EQ(buffer[3], 0);
  EXPECT_EQ(getName(0, 0, nullptr, 4), nullptr);
  // Bad indexes read slot 0; the library's fonts are not changed by name.
  auto getFont = Fn<const char* (*)(intptr_t, int)>("GetMapFont");
  auto setFont = Fn<int (*)(intptr_t, int, const char*)>("SetMapFont");
  ASSERT_TRUE(getFont && setFont);
  EXPECT_STREQ(getFont(0, 99), getFont(0, 0));
  EXPECT_EQ(setFont(0, 1, "x"), 0);
  auto getProc = Fn<void* (*)(void*, const char*)>("mapGetProcAddress");
  auto checkFile = Fn<int32_t (*)(const char*)>("mapCheckFile");
  ASSERT_TRUE(getProc && checkFile);
  EXPECT_EQ(getProc(nullptr, "x"), nullptr);
  EXPECT_EQ(checkFile(nullptr), 0);
}

TEST_F(Exports, MapCallsRefuseForeignHandles) {
  auto set = Fn<int (*)(int)>("SetGroupObjectsAccess");
  auto get = Fn<int (*)()>("GetGroupObjectsAccess");
  ASSERT_TRUE(set && get);
  EXPECT_EQ(0, get());
  EXPECT_EQ(1, set(7));
  EXPECT_EQ(1, get());
  EXPECT_EQ(0, set(0));

  // A handle that is no map of the library is refused, never read.
  auto getAccess = Fn<int (*)(intptr_t, intptr_t)>("mapGetLogAccess");
  auto setAccess = Fn<int (*)(intptr_t, intptr_t, int)>("mapLogAccess");
  ASSERT_TRUE(getAccess && setAccess);
  int notAMap[64] = {};
  const intptr_t foreign = reinterpret_cast<intptr_t>(notAMap);
  EXPECT_EQ(0, getAccess(0, 0));
  EXPECT_EQ(0, getAccess(foreign, 0));
  EXPECT_EQ(0, setAccess(foreign, 0, 1));

  // The journal answers 0 for a document whose journal cannot be found.
  auto count = Fn<int32_t (*)(intptr_t, intptr_t)>("mapLogCount");
  auto date = Fn<int32_t (*)(intptr_t, intptr_t, int32_t*, int32_t*)>("mapLogDate");
  ASSERT_TRUE(count && date);
  EXPECT_EQ(count(0, 0), 0);
  EXPECT_EQ(count(12345, 0), 0);
  int32_t d = 0, t = 0;
  EXPECT_EQ(date(1, 0, &d, &t), 0);
}

TEST_F(Exports, VectorSizeOfASign) {
  // A sign of one line subject from (-100, -200) to (300, 400), anchor 4000.
  auto size = Fn<int (*)(void*, void*, char*)>("mapGetVectorSize");
  ASSERT_NE(size, nullptr);
  uint32_t sign[21] = {};
  sign[0] = 84;
  sign[1] = sign[2] = 4000;
  sign[3] = 500;
  sign[13] = 1;
  sign[14] = 4u << 16;  // kind 0, parameter length 4
  sign[16] = 2;
  const int32_t points[4] = {-100, -200, 300, 400};
  std::memcpy(&sign[17], points, sizeof points);
  int32_t out[7] = {};
  ASSERT_EQ(1, size(sign, out, nullptr));
  // Anchor, then left, top, width and height.
  const int32_t expected[5] = {500, 100, 200, 400, 600};
  EXPECT_EQ(0, std::memcmp(&out[1], expected, sizeof expected));
  EXPECT_EQ(0, size(nullptr, out, nullptr));
}

}  // namespace
