// The exported names: the export list (api/exports.list) names every
// function of the public headers, every class an installed header declares
// for export and every class the library's subsystems are made of; the
// library exports exactly the list, names that must stay inside the
// library do not resolve, and a few exported calls are tried through the
// loaded library as a host would call them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/apiheaders.h"
#include "support/apilibrary.h"

namespace {

// The export list: the C functions by name, the exported classes, the C++
// functions and the members of exported classes that stay inside (both by
// their demangled names).
struct ExportList {
  std::set<std::string> functions;
  std::set<std::string> classes;
  std::set<std::string> cxx;
  std::set<std::string> hidden;
};

ExportList ReadExportList() {
  ExportList list;
  std::ifstream in(std::string(MC_SOURCE_DIR) + "/api/exports.list");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("class ", 0) == 0)
      list.classes.insert(line.substr(6));
    else if (line.rfind("c++ ", 0) == 0)
      list.cxx.insert(line.substr(4));
    else if (line.rfind("hidden ", 0) == 0)
      list.hidden.insert(line.substr(7));
    else
      list.functions.insert(line);
  }
  return list;
}

// The classes the installed headers (the build's list of them) declare
// with the export macro.
std::set<std::string> InstalledExportedClasses() {
  std::set<std::string> classes;
  std::ifstream list(MC_PUBLIC_HEADERS);
  const std::regex declaration(R"((?:^|\n)[ \t]*(?:class|struct)[ \t]+MAPCLASS[ \t]+(\w+))");
  std::string header;
  while (std::getline(list, header)) {
    if (header.empty()) continue;
    std::ifstream in(std::string(MC_SOURCE_DIR) + "/" + header);
    std::stringstream text;
    text << in.rdbuf();
    const std::string s = text.str();
    for (std::sregex_iterator m(s.begin(), s.end(), declaration), end; m != end; ++m)
      classes.insert((*m)[1]);
  }
  return classes;
}

// The classes that make up the library's subsystems, by subsystem: every
// public method of each is exported.
const char* const kSubsystemClasses[] = {
    // Common services: the file copy and prepare pipeline
    "TPrepareFile", "TCopyFile", "TPrepareFileHeader",
    // Coordinates and geodesy
    "TTranslate", "TRadianGrad", "TMeasure",
    // Classifier
    "TMapRsc", "TVectorImageEdit", "TDecorImageEdit",
    // Vector map store
    "TMap", "TMapList", "TMapTempList", "TMapRegister", "TListRegister",
    // Map objects and semantics
    "TObjectInfo", "TDataEdit", "TObjectData", "TObjectDesc", "TSemnEdit", "TObjectDraw",
    "TDrawEdit", "TSemBase", "TWorkSemantic",
    // Object drawing engine
    "TMapMetric", "TPaintMetric",
    // Map document
    "TMapControl", "TMapPaint", "TMapAccess",
    // Selection, search and object sets
    "TSample", "TMapSelect", "TPlaneMeasure", "TCompare", "TObjectSet", "TObjectGroup",
    "TMapGroups",
    // Object geometry
    "TPointCross", "TObjectCutSubject", "TObjectCut", "TObjectCutByLine", "TObjectConsent",
    "TObjectUnion", "TPointCrossObject", "TBuildZone", "TSplin",
    // Raster and matrix data
    "TRmf", "TRst", "TCompress", "TMtr", "TMtl", "TMtrPalette", "TBaseColors", "TMtr3D",
    "TMtl3D",
};

// The library's defined dynamic symbols (all its symbols with `all`),
// demangled, as nm lists them.
std::vector<std::string> DynamicSymbols(bool all = false) {
  std::vector<std::string> names;
  std::string command =
      std::string(all ? "nm" : "nm -D") + " --defined-only -C '" + MC_LIBRARY_PATH + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[4096];
  while (std::fgets(line, sizeof(line), pipe)) {
    std::string l(line);
    if (!l.empty() && l.back() == '\n') l.pop_back();
    // "address type name", the name possibly holding blanks.
    size_t first = l.find(' ');
    size_t second = first == std::string::npos ? first : l.find(' ', first + 1);
    if (second != std::string::npos) names.push_back(l.substr(second + 1));
  }
  pclose(pipe);
  return names;
}

// The exported class a demangled name belongs to ("" when none of them).
std::string ClassOf(const std::string& name, const std::set<std::string>& classes) {
  for (const char* prefix : {"vtable for ", "typeinfo name for ", "typeinfo for "}) {
    if (name.rfind(prefix, 0) == 0) {
      std::string rest = name.substr(std::strlen(prefix));
      return classes.count(rest) ? rest : "";
    }
  }
  size_t colons = name.find("::");
  if (colons == std::string::npos) return "";
  std::string owner = name.substr(0, colons);
  return classes.count(owner) ? owner : "";
}

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
    "_Z10RmfRawSizelli",
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
    "_Z11rscCopyListP8TRSCDATAP6TABSEMbPKvj",
    "_Z25rscCheckAndLoadOldVersionP8TRSCDATAPKci",
};

class Exports : public apitest::LoadedLibraryTest {};

TEST_F(Exports, EveryNameResolvesAndInternalsStayHidden) {
  const ExportList list = ReadExportList();
  ASSERT_GT(list.functions.size(), 50u);
  EXPECT_EQ(apitest::DeclaredFunctionNames(MC_SOURCE_DIR "/api"), list.functions);
  for (const std::string& name : list.functions) EXPECT_NE(dlsym(lib, name.c_str()), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;
}

// The library exports exactly the list: every listed function, at least one
// member of every listed class, every listed C++ function, and nothing else
// (no internal function, no instance of a standard template, no member
// listed as staying inside).
TEST_F(Exports, DynamicSymbolsAreExactlyTheExportList) {
  const ExportList list = ReadExportList();
  const std::vector<std::string> symbols = DynamicSymbols();
  ASSERT_FALSE(symbols.empty());
  std::set<std::string> functions, classes, cxx;
  std::string unlisted, hidden;
  for (const std::string& name : symbols) {
    if (list.functions.count(name)) {
      functions.insert(name);
      continue;
    }
    if (list.cxx.count(name)) {
      cxx.insert(name);
      continue;
    }
    if (list.hidden.count(name)) hidden += name + "\n";
    std::string owner = ClassOf(name, list.classes);
    if (owner.empty())
      unlisted += name + "\n";
    else
      classes.insert(owner);
  }
  EXPECT_EQ(unlisted, "");
  EXPECT_EQ(hidden, "");
  EXPECT_EQ(functions, list.functions);
  EXPECT_EQ(classes, list.classes);
  EXPECT_EQ(cxx, list.cxx);
  // A member that stays inside is named as the library has it.
  const std::vector<std::string> all = DynamicSymbols(true);
  for (const std::string& name : list.hidden)
    EXPECT_NE(std::find(all.begin(), all.end(), name), all.end()) << name;
}

// A class an installed header declares with the export macro is in the
// export list (else a host that includes the header compiles and fails to
// link), a listed class is declared so, and so is every class the
// subsystems are made of.
TEST(ExportList, NamesEveryClassItsHeadersAndSubsystemsExport) {
  const ExportList list = ReadExportList();
  const std::set<std::string> declared = InstalledExportedClasses();
  ASSERT_GT(declared.size(), 20u);
  std::string unlisted, undeclared;
  for (const std::string& name : declared)
    if (!list.classes.count(name)) unlisted += name + " ";
  for (const std::string& name : list.classes)
    if (!declared.count(name)) undeclared += name + " ";
  EXPECT_EQ(unlisted, "");
  EXPECT_EQ(undeclared, "");
  for (const char* name : kSubsystemClasses) EXPECT_EQ(1u, list.classes.count(name)) << name;
  // The members that stay inside belong to listed classes.
  for (const std::string& name : list.hidden)
    EXPECT_EQ(1u, list.classes.count(name.substr(0, name.find("::")))) << name;
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

TEST_F(Exports, ViewCallsRefuseNullHandles) {
  auto round = Fn<int32_t (*)(double)>("mapScaleToRoundScale");
  auto color = Fn<uint32_t (*)(intptr_t, int32_t)>("mapGetMapColor");
  auto back = Fn<uint32_t (*)(intptr_t)>("mapGetBackColor");
  auto paint = Fn<int32_t (*)(intptr_t, void*, int32_t, void*)>("mapPaint");
  auto size = Fn<int32_t (*)(intptr_t, int32_t*, int32_t*)>("mapGetPictureSize");
  ASSERT_TRUE(round && color && back && paint && size);
  EXPECT_EQ(round(150), 100);
  EXPECT_EQ(round(151), 200);
  EXPECT_EQ(color(0, 1), 0u);
  EXPECT_EQ(back(0), 0xFFFFFFu);
  int32_t rect[4] = {0, 0, 10, 10};
  EXPECT_EQ(paint(0, nullptr, 1, rect), 0);
  // The pictures a host holds: nothing for a null handle.
  auto emf = Fn<int32_t (*)(intptr_t, const char*, void*)>("mapPaintToEmf");
  auto emfEx = Fn<int32_t (*)(intptr_t, const char*, void*)>("mapPaintToEmfEx");
  auto dib = Fn<int32_t (*)(intptr_t, void*, char*, void*)>("mapPaintToDib");
  auto image = Fn<int32_t (*)(intptr_t, void*, char*, int32_t, int32_t, void*)>("mapPaintToImage");
  ASSERT_TRUE(emf && emfEx && dib && image);
  uint8_t parm[48] = {}, header[40 + 1024] = {}, table[1024];
  char bits[64];
  EXPECT_EQ(emf(0, "x.emf", parm), 0);
  EXPECT_EQ(emfEx(0, "x.emf", parm), 0);
  EXPECT_EQ(dib(0, header, bits, rect), 0);
  EXPECT_EQ(image(0, table, bits, 8, 8, rect), 0);
  int32_t w = 7, h = 7;
  EXPECT_EQ(size(0, &w, &h), 0);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

TEST_F(Exports, GroupCallsRefuseForeignHandles) {
  auto commit = Fn<int32_t (*)(intptr_t)>("mapCommitWithPlace");
  auto commitList = Fn<int32_t (*)(intptr_t, void*)>("mapCommitWithPlaceForList");
  auto isGroup = Fn<int32_t (*)(intptr_t)>("mapObjectIsGroup");
  auto first = Fn<intptr_t (*)(intptr_t, intptr_t)>("mapFirstObjectInGroup");
  auto next = Fn<intptr_t (*)(intptr_t, intptr_t)>("mapNextObjectInGroup");
  auto unite = Fn<int32_t (*)(intptr_t, double)>("mapUnionGroupObject");
  ASSERT_TRUE(commit && commitList && isGroup && first && next && unite);
  int notAnObject[128] = {};
  for (const intptr_t h : {intptr_t(0), reinterpret_cast<intptr_t>(notAnObject)}) {
    EXPECT_EQ(0, commit(h));
    EXPECT_EQ(0, commitList(h, notAnObject));
    EXPECT_EQ(0, isGroup(h));
    EXPECT_EQ(0, first(h, h));
    EXPECT_EQ(0, next(h, 0));
    EXPECT_EQ(0, unite(h, 1.0));
  }
}

TEST_F(Exports, ObjectCallsRefuseNullHandles) {
  auto create = Fn<intptr_t (*)(intptr_t, int32_t, int32_t, int32_t)>("mapCreateObject");
  auto length = Fn<int32_t (*)(intptr_t)>("mapGetObjectRecordLength");
  auto put = Fn<intptr_t (*)(intptr_t, intptr_t, const char*, int32_t, int32_t)>(
      "mapPutObjectRecord");
  auto commit = Fn<int32_t (*)(intptr_t)>("mapCommit");
  ASSERT_TRUE(create && length && put && commit);
  const char record[64] = {'O', 'S', 'R', 0, 64};
  EXPECT_EQ(0, create(0, 1, 0, 0));
  EXPECT_EQ(0, length(0));
  EXPECT_EQ(0, put(0, 0, record, sizeof record, 0));
  EXPECT_EQ(0, commit(0));
}

TEST_F(Exports, ClassifierCallsRefuseNullHandles) {
  auto scales = Fn<int32_t (*)(intptr_t)>("mapGetRscScaleCount");
  auto local = Fn<const char* (*)(intptr_t, int32_t, int32_t)>("mapGetRscLocalName");
  auto close = Fn<int32_t (*)(intptr_t)>("mapCloseRsc");
  auto open = Fn<intptr_t (*)(const char*)>("mapOpenRsc");
  ASSERT_TRUE(scales && local && close && open);
  EXPECT_EQ(0, scales(0));
  EXPECT_STREQ("", local(0, 1, 1));
  EXPECT_EQ(0, close(0));
  EXPECT_EQ(0, open(nullptr));
}

TEST_F(Exports, ObjectSetCallsRefuseNullInventedAndFreedSets) {
  const auto functions = apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/objset_api.h", "HSET");
  ASSERT_EQ(23u, functions.size());
  auto create = Fn<intptr_t (*)()>("mapCreateObjectSet");
  auto release = Fn<void (*)(intptr_t)>("mapFreeObjectSet");
  ASSERT_TRUE(create && release);
  const intptr_t freed = create();
  ASSERT_NE(0, freed);
  release(freed);
  std::vector<uint64_t> invented(512, 0x5A5A5A5A5A5A5A5Aull);
  CallWithHandles(functions, {0, reinterpret_cast<intptr_t>(invented.data()), freed},
                  [](const apitest::DeclaredFunction& f, const Answer& a) {
                    if (f.result != "void") {
                      EXPECT_EQ(0, int32_t(a.value)) << f.name;
                    }
                  });
}

TEST_F(Exports, RasterCallsRefuseNullHandles) {
  auto open = Fn<intptr_t (*)(const char*, int32_t)>("mapOpenRst");
  auto count = Fn<int32_t (*)(intptr_t)>("mapGetRstCount");
  auto name = Fn<const char* (*)(intptr_t, int32_t)>("mapGetRstName");
  auto length = Fn<double (*)(int32_t, int32_t, int32_t, int32_t)>("mapRstFileLengthCalculation");
  ASSERT_TRUE(open && count && name && length);
  EXPECT_EQ(0, open(nullptr, 0));
  EXPECT_EQ(0, count(0));
  EXPECT_STREQ("", name(0, 1));
  // 1000 x 1000 at 8 bits: 16 blocks, the header, palette and data.
  EXPECT_DOUBLE_EQ(16 * 8 + 1344 + 1000000.0, length(1, 1000, 1000, 8));
  EXPECT_DOUBLE_EQ(0.0, length(1, 0, 1000, 8));
}

TEST_F(Exports, MatrixCallsRefuseNullHandles) {
  auto count = Fn<int32_t (*)(intptr_t)>("mapGetMtrCount");
  auto name = Fn<const char* (*)(intptr_t, int32_t)>("mapGetMtrName");
  auto open = Fn<intptr_t (*)(const char*, int32_t)>("mapOpenMtr");
  ASSERT_TRUE(count && name && open);
  EXPECT_EQ(0, count(0));
  EXPECT_EQ(nullptr, name(0, 1));
  EXPECT_EQ(0, open(nullptr, 0));
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

TEST_F(Exports, MetricCallsRefuseForeignHandles) {
  auto append = Fn<int32_t (*)(intptr_t, double, double, int32_t)>("mapAppendPointPlane");
  auto x = Fn<double (*)(intptr_t, int32_t, int32_t)>("mapXPlane");
  auto zone = Fn<int32_t (*)(double, intptr_t, int32_t, int32_t)>("mapZoneObject");
  auto length = Fn<double (*)(intptr_t)>("mapLength");
  ASSERT_TRUE(append && x && zone && length);
  int notAnObject[128] = {};
  for (const intptr_t h : {intptr_t(0), reinterpret_cast<intptr_t>(notAnObject)}) {
    EXPECT_EQ(0, append(h, 1.0, 2.0, 0));
    EXPECT_EQ(0.0, x(h, 1, 0));
    EXPECT_EQ(0, zone(5.0, h, 0, 0));
    EXPECT_EQ(0.0, length(h));
  }
  EXPECT_EQ(0, notAnObject[0]);
}

TEST_F(Exports, ObjectSemanticsCallsRefuseForeignHandles) {
  auto amount = Fn<int32_t (*)(intptr_t)>("mapSemanticAmount");
  auto append = Fn<int32_t (*)(intptr_t, int32_t, const char*, int32_t)>("mapAppendSemantic");
  auto name = Fn<const char* (*)(intptr_t)>("mapObjectName");
  auto text = Fn<int32_t (*)(intptr_t, char*, int32_t, int32_t)>("mapGetText");
  ASSERT_TRUE(amount && append && name && text);
  int notAnObject[128] = {};
  char buffer[8] = "x";
  for (const intptr_t h : {intptr_t(0), reinterpret_cast<intptr_t>(notAnObject)}) {
    EXPECT_EQ(0, amount(h));
    EXPECT_EQ(0, append(h, 9, "a", 2));
    EXPECT_STREQ("", name(h));
    EXPECT_EQ(0, text(h, buffer, sizeof buffer, 0));
    EXPECT_STREQ("", buffer);
  }
  EXPECT_EQ(0, notAnObject[0]);
}

}  // namespace
