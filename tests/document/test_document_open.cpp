// Opening data into documents by kind: missing and unknown files leave no
// document, a user map file becomes the main map, damaged rasters and
// matrices are reported as not opened, the kinds whose readers are not in
// the library yet are refused with 60040 each, the document
// name follows the first data opened, and closing frees everything.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "common/messages.h"
#include "document/docentries.h"
#include "document/mapcreate.h"
#include "support/docmap.h"
#include "support/objectbuilder.h"
#include "support/scratch_dir.h"

namespace {

class DocumentOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(0);
    ASSERT_EQ(LiveDocumentCount(), 0);
  }
  void TearDown() override {
    for (int k = 0; k < DOCKIND_COUNT; ++k) DocumentKinds[k] = DefaultDocumentKind(k);
    EXPECT_EQ(LiveDocumentCount(), 0) << "a document was left behind";
    MessageEnableSet(1);
  }
  std::string File(const char* name, const std::string& bytes) {
    const std::string path = (dir / name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // The message of the last error reported, and its code's text.
  static bool Reported(int code, const std::string& name) {
    return std::string(LastMessageText()) == std::string(MapErrorText(code, 1)) + name;
  }
  std::string Map(const char* name = "map.map") {
    const std::string rsc = (dir / "map.rsc"), path = (dir / name);
    if (!objtest::WriteClassifier(rsc, {{5550, LOCAL_LINE}})) return "";
    return objtest::CreateMapFile(path, rsc) ? path : "";
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
};

TEST_F(DocumentOpen, MissingAndUnknownFilesLeaveNoDocument) {
  const std::string missing = (dir / "none.map");
  EXPECT_EQ(docOpenData(missing.c_str(), 0), 0);
  EXPECT_TRUE(Reported(MAPERR_NOTFOUND, missing)) << LastMessageText();
  const std::string unknown = File("unknown.bin", "WXYZ and more");
  EXPECT_EQ(docOpenData(unknown.c_str(), 0), 0);
  EXPECT_TRUE(Reported(MAPERR_INPUT, unknown)) << LastMessageText();
  EXPECT_EQ(docOpenData(nullptr, 0), 0);
}

// Each kind whose files come with a later reader answers as a kind without
// an opener until its slot is filled.
void ExpectRefused(DocumentOpen* test, const char* signature, int code = MAPERR_INPUT) {
  (void)test;
  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string path = (dir / "data.bin");
  std::ofstream(path, std::ios::binary) << std::string(signature, 4) << std::string(60, '\0');
  EXPECT_EQ(docOpenData(path.c_str(), 0), 0) << signature;
  EXPECT_EQ(std::string(LastMessageText()), std::string(MapErrorText(code, 1)) + path);
}
// Rasters and matrices have their readers: a damaged file of the kind is
// reported as not opened, and leaves no document.
TEST_F(DocumentOpen, DamagedRasterRstIsNotOpened) { ExpectRefused(this, "RST\0", MAPERR_OPEN); }
TEST_F(DocumentOpen, DamagedRasterRswIsNotOpened) { ExpectRefused(this, "RSW\0", MAPERR_OPEN); }
TEST_F(DocumentOpen, DamagedMatrixMtwIsNotOpened) { ExpectRefused(this, "MTW\0", MAPERR_OPEN); }
TEST_F(DocumentOpen, OldMatrixWithoutItsConverterIsNotOpened) {
  ExpectRefused(this, "MTR\0", MAPERR_OPEN);
}
TEST_F(DocumentOpen, DamagedQualityMatrixIsNotOpened) { ExpectRefused(this, "MTQ\0", MAPERR_OPEN); }
TEST_F(DocumentOpen, DamagedLayerMatrixIsNotOpened) { ExpectRefused(this, "MTL\0", MAPERR_OPEN); }
// A project without a main map opens nothing.
TEST_F(DocumentOpen, ProjectWithoutMainDataIsNotOpened) {
  const std::string path = File("data.mpt", "[MAP]\nSCALE=5\n");
  EXPECT_EQ(docOpenData(path.c_str(), 0), 0);
  EXPECT_TRUE(Reported(MAPERR_DATA, path + "\n ( [MAP] PATH= ? )")) << LastMessageText();
}

TEST_F(DocumentOpen, TheMainMapIsNoUserMapOfItself) {
  const std::string path = Map();
  const HMAP h = docOpenData(path.c_str(), 0);
  TMapAccess* doc = DocumentOf(h);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->OpenSit(path.c_str(), 0), 0);
  EXPECT_EQ(doc->GetSiteCount(), 0);
  docCloseData(h);
}

TEST_F(DocumentOpen, UserMapFileBecomesTheMainMap) {
  const std::string rsc = (dir / "map.rsc"), path = (dir / "site.sit");
  ASSERT_TRUE(objtest::WriteClassifier(rsc, {{5550, LOCAL_LINE}}));
  ASSERT_TRUE(objtest::CreateMapFile(path, rsc, true));
  const HMAP h = docOpenData(path.c_str(), 0);
  TMapAccess* doc = DocumentOf(h);
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(doc->TMap::IsActive());
  EXPECT_TRUE(doc->IsRealPlace());
  EXPECT_EQ(doc->SiteChainHead.Count, 0);
  EXPECT_STREQ(doc->GetDocumentName(), path.c_str());
  docCloseData(h);
  docCloseData(h);  // a dead handle is refused
  EXPECT_EQ(docGetViewType(h), 0);
}

// A stand-in raster and user-map reader: each open adds a unit.
LONG& UnitCount(TMapControl* doc, int kind) {
  return kind == DOCKIND_RST ? doc->RstChainHead.Count : doc->SiteChainHead.Count;
}
int OpenFakeRaster(TMapControl* doc, const char*, int) { return ++UnitCount(doc, DOCKIND_RST); }
int OpenFakeSite(TMapControl* doc, const char*, int) { return ++UnitCount(doc, DOCKIND_SITE); }
void CloseFake(TMapControl* doc, int kind) { UnitCount(doc, kind) = 0; }

TEST_F(DocumentOpen, DocumentNameFollowsTheFirstDataAndEveryMap) {
  DocumentKinds[DOCKIND_RST].Open = OpenFakeRaster;
  DocumentKinds[DOCKIND_RST].Close = [](TMapControl* d, int) { CloseFake(d, DOCKIND_RST); };
  DocumentKinds[DOCKIND_SITE].Open = OpenFakeSite;
  DocumentKinds[DOCKIND_SITE].Close = [](TMapControl* d, int) { CloseFake(d, DOCKIND_SITE); };
  const std::string map1 = Map("one.map"), map2 = Map("two.map");

  // A raster first names the document; a map then takes the name.
  TMapAccess* doc = NewDocument();
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->OpenRst("first.rsw", 0), 1);
  EXPECT_STREQ(doc->GetDocumentName(), "first.rsw");
  EXPECT_EQ(doc->OpenRst("second.rsw", 0), 2);
  EXPECT_STREQ(doc->GetDocumentName(), "first.rsw");
  EXPECT_EQ(doc->OpenMap(map1.c_str(), 0), 1);
  EXPECT_STREQ(doc->GetDocumentName(), map1.c_str());
  FreeDocument(doc);

  // A map first keeps its name against rasters; a failed map open keeps
  // it too; a second map replaces the first and keeps rasters and user maps.
  doc = NewDocument();
  ASSERT_EQ(doc->OpenMap(map1.c_str(), 0), 1);
  EXPECT_EQ(doc->OpenRst("r.rsw", 0), 1);
  EXPECT_EQ(doc->OpenSit("s.sit", 0), 1);
  EXPECT_STREQ(doc->GetDocumentName(), map1.c_str());
  EXPECT_EQ(doc->OpenMap((dir / "none.map").c_str(), 0), 0);
  EXPECT_STREQ(doc->GetDocumentName(), map1.c_str());
  EXPECT_EQ(doc->OpenMap(map2.c_str(), 0), 1);
  EXPECT_STREQ(doc->GetDocumentName(), map2.c_str());
  EXPECT_STREQ(doc->Path, map2.c_str());
  EXPECT_EQ(doc->RstChainHead.Count, 1);
  EXPECT_EQ(doc->SiteChainHead.Count, 1);
  EXPECT_EQ(doc->IsActive(), 1);
  doc->CloseData();
  EXPECT_EQ(doc->IsActive(), 0);
  EXPECT_STREQ(doc->GetDocumentName(), map2.c_str());  // closing keeps the name
  FreeDocument(doc);
}

TEST_F(DocumentOpen, ViewOfEmptyAndOpenDocuments) {
  TMapAccess* doc = NewDocument();
  ASSERT_NE(doc, nullptr);
  doc->SetRegion();
  EXPECT_EQ(doc->BaseScale, 1);
  EXPECT_EQ(doc->ShowScale, 1);
  EXPECT_EQ(doc->VisualType, 1);
  FreeDocument(doc);

  const std::string path = Map();
  const HMAP h = docOpenMap(path.c_str(), 0);
  doc = DocumentOf(h);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->BaseScale, 100000);
  EXPECT_EQ(doc->ShowScale, 100000);
  EXPECT_EQ(doc->ScaleIndex, 7);
  doc->SetViewScale(2.0);
  EXPECT_EQ(doc->ShowScale, 50000);
  EXPECT_EQ(doc->ScaleIndex, 6);
  EXPECT_EQ(doc->ViewFlag, 1);
  // The picture and plane conversions meet again.
  double x = 120.0, y = 80.0;
  doc->PictureToPlane(x, y);
  doc->PlaneToPicture(x, y);
  EXPECT_NEAR(x, 120.0, 1e-6);
  EXPECT_NEAR(y, 80.0, 1e-6);
  EXPECT_STREQ(docSetMapIniName(h, std::string(300, 'a').c_str()), std::string(259, 'a').c_str());
  EXPECT_EQ(std::strlen(docGetMapIniName(h)), 259u);
  EXPECT_STREQ(docGetMapIniName(0), "");
  EXPECT_NE(doc->OpenTransaction(0, 7), 0);
  EXPECT_NE(doc->CloseTransaction(0), 0);
  EXPECT_EQ(doc->OpenTransaction(1, 7), 0);  // no user map 1
  EXPECT_EQ(doc->CloseTransaction(1), 0);
  docCloseData(h);
}

TEST_F(DocumentOpen, CreatingMaps) {
  const std::string rsc = (dir / "map.rsc");
  ASSERT_TRUE(objtest::WriteClassifier(rsc, {{5550, LOCAL_LINE}}));
  MAPREGISTEREX map;
  ClearMapRegisterEx(&map);
  map.Scale = 50000;
  LISTREGISTER sheet = objtest::SquareSheet("S1", 6000000, 7400000);
  // The older entry takes only the 128-byte register; CheckAndUpdate too.
  EXPECT_EQ(docCreateMap((dir / "a.map").c_str(), rsc.c_str(), &map, &sheet), 0);
  EXPECT_EQ(docCheckAndUpdateOld(&map, &sheet, 0), 0);
  EXPECT_EQ(docCheckAndUpdate(nullptr, &sheet, 0), 0);

  HMAP h = docCreateMapEx((dir / "a.map").c_str(), rsc.c_str(), &map, &sheet);
  ASSERT_NE(h, 0);
  EXPECT_EQ(DocumentOf(h)->BaseScale, 50000);
  EXPECT_EQ(docCreateList(h, nullptr), 0);
  LISTREGISTER second = objtest::SquareSheet("S2", 6010000, 7400000);
  EXPECT_EQ(docCreateList(h, &second), 1);
  EXPECT_EQ(DocumentOf(h)->Count(), 2);
  // Deleting the map removes its files and the document.
  EXPECT_EQ(docDeleteMap(h), 1);
  EXPECT_FALSE(std::ifstream((dir / "a.map")).good());
  EXPECT_FALSE(std::ifstream((dir / "S2.HDR")).good());

  // A topographic sheet named by its nomenclature gets its corners from it.
  LISTREGISTER named = {};
  named.Length = sizeof(named);
  std::strcpy(named.Nomenclature, "0.N-37-004");
  std::strcpy(named.FileName, "N37");
  map.Scale = 100000;
  h = docCreateMapEx((dir / "n.map").c_str(), rsc.c_str(), &map, &named);
  ASSERT_NE(h, 0);
  TMapRegister expected;
  char name[32] = "0.N-37-004";
  ASSERT_EQ(1, expected.TopographicChartSheetWith(name, 100000, map.MaterialProjection, nullptr));
  const LISTREGISTER& made = DocumentOf(h)->TMapPassport::List(1)->Register;
  EXPECT_NE(0.0, made.XSouthWest);
  EXPECT_NEAR(expected.List.Register.XSouthWest, made.XSouthWest, 1e-6);
  EXPECT_NEAR(expected.List.Register.YNorthEast, made.YNorthEast, 1e-6);
  EXPECT_EQ(docDeleteMap(h), 1);

  CREATESITE site{};
  std::strcpy(site.MapName, "Site");
  site.MapType = 1;
  h = docCreateSite((dir / "b.sit").c_str(), rsc.c_str(), &site);
  ASSERT_NE(h, 0);
  EXPECT_EQ(site.Scale, 100000);
  EXPECT_TRUE(DocumentOf(h)->IsRealPlace());
  // A user map added to a document answers its handle.
  const HSITE added = docCreateAndAppendSite(h, (dir / "c.sit").c_str(), rsc.c_str(), &site);
  EXPECT_NE(added, 0);
  EXPECT_EQ(added, SiteHandleOf(DocumentOf(h), 1));
  EXPECT_EQ(DocumentOf(h)->GetMap(1)->Scale(), 100000);
  docCloseData(h);

  CREATEPLANE plane{};
  EXPECT_EQ(docCreatePlane((dir / "d.map").c_str(), rsc.c_str(), &plane), 0);  // scale 0
  plane.Scale = 10000;
  std::strcpy(plane.FileName, "P1");
  plane.XSouthWest = 100, plane.YSouthWest = 100, plane.XNorthWest = 1100, plane.YNorthWest = 100;
  plane.XNorthEast = 1100, plane.YNorthEast = 1100, plane.XSouthEast = 100, plane.YSouthEast = 1100;
  h = docCreatePlane((dir / "d.map").c_str(), rsc.c_str(), &plane);
  ASSERT_NE(h, 0);
  EXPECT_EQ(DocumentOf(h)->MapType(), 5);
  docCloseData(h);

  h = docCreateTempSite(rsc.c_str());
  ASSERT_NE(h, 0);
  docCloseData(h);
  EXPECT_FALSE(std::ifstream(rsc + ".SIT").good());  // the temporary map is gone

  // A failed creation leaves no document.
  EXPECT_EQ(docCreateMapEx((dir / "e.map").c_str(), (dir / "none.rsc").c_str(), &map, &sheet), 0);
}

TEST_F(DocumentOpen, NullAndForeignHandlesAnswerZero) {
  TMap plain;  // a live map that is no document
  const HMAP foreign = reinterpret_cast<HMAP>(&plain);
  for (HMAP h : {HMAP(0), foreign, HMAP(12345)}) {
    EXPECT_EQ(DocumentOf(h), nullptr);
    EXPECT_EQ(docSetViewType(h, 2), 0);
    EXPECT_EQ(docAdjustData(h), 0);
    EXPECT_EQ(docDeleteMap(h), 0);
    EXPECT_EQ(docOpenRstForMap(h, "x.rsw", 0), 0);
    EXPECT_EQ(docCloseMtrForMap(h, 0), 0);
    EXPECT_EQ(docPaintToScript(h, 3780, 3780, nullptr), 0);
    docCloseData(h);
  }
}

}  // namespace
