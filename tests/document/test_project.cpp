// Project files: a document saved as a project opens back with every
// setting; the readers' rules for absent keys, counts, palettes and hidden
// colours; a missing project and missing listed files; a save never over a
// file an open document holds; and a save that fails at any file operation
// leaves the earlier project whole.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <string>

#include "document/docentries.h"
#include "document/mapproject.h"
#include "document/mtlchains.h"
#include "platform/profile.h"
#include "support/docfixture.h"
#include "support/fault_sweep.h"
#include "support/host_recorder.h"

namespace {

constexpr double kMeridian = 39 * std::numbers::pi / 180;  // the main map's

class Project : public doctest::MapDocumentTest {
 protected:
  void SetUp() override {
    MapDocumentTest::SetUp();
    plat::SetWriteThroughEnabled(false);
  }
  void TearDown() override {
    if (opened) FreeDocument(opened);
    plat::SetWriteThroughEnabled(true);
    MapDocumentTest::TearDown();
  }
  // A raster of 16 greys, 4 bits an element.
  std::string Raster(const char* name) {
    const std::string path = dir / name;
    EXPECT_EQ(1, doctest::WriteRaster(path, 20, 20, 4, doctest::GreyPalette(), 5000, 2000));
    return path;
  }
  std::string UserMap(const char* name) {
    const std::string path = dir / name;
    EXPECT_TRUE(doctest::CreateUserMap(path, rsc, {}, kMeridian));
    return path;
  }
  std::string Key(const char* section, const char* key) {
    char value[512];
    plat::GetPrivateProfileStringA(section, key, "*", value, sizeof value, project.c_str());
    return value;
  }
  // Writes a project by hand.
  void Write(const std::string& text) { std::ofstream(project, std::ios::binary) << text; }
  TMapAccess* Open() {
    if (opened) FreeDocument(opened);
    opened = DocumentOf(docOpenProject(project.c_str()));
    return opened;
  }
  CHAININFO* Rasters(TMapAccess* d) { return DocChain(d, DOCKIND_RST); }

  const std::string project = dir / "view.mpt";
  TMapAccess* opened = nullptr;
};

TEST_F(Project, EverySettingComesBack) {
  // The main map.
  doc->SetBackGround(0x102030);
  doc->Colors.SetBright(3);
  doc->Colors.SetContrast(-2);
  doc->Colors.SetColor(0x123456, 2);
  doc->VisibleBottom = 1000;
  doc->VisibleTop = 2000000;
  doc->MapVisible(0, 0);
  doc->SetShowScale(50000);
  // Two rasters of 16 colours: 3 and 15 hidden in the first, 3 and 7 in
  // the second.
  ASSERT_EQ(doc->OpenRst(Raster("a.rsw").c_str(), 0), 1);
  ASSERT_EQ(doc->OpenRst(Raster("b.rsw").c_str(), 0), 2);
  CHAININFO* rasters = Rasters(doc);
  for (int c : {3, 15}) SetChainPaletteView(rasters, 1, c, 0);
  for (int c : {3, 7}) SetChainPaletteView(rasters, 2, c, 0);
  ChainViewOrder(rasters, 2, 1);
  SetUnitScaleRange(GetChainUnit(rasters, 2), 500, 100000);
  SetRstBright(doc, 2, 5);
  SetRstContrast(doc, 2, 4);
  GetChainUnit(rasters, 2)->Colors.SetNonlinearBright(2);
  GetChainUnit(rasters, 2)->Colors.SetColor(0x00AA00, 1);
  SetChainView(rasters, 2, 0);
  SetChainMaskType(rasters, 2, 3);
  // An elevation and a layer matrix.
  const std::string mtw = dir / "h.mtw", mtl = dir / "l.mtl";
  ASSERT_EQ(1, rmftest::WriteMatrix(mtw, doctest::MatrixParm(200, 200, 10, 2), 20, 20,
                                    [](int, int) { return 50; }, 0, 100));
  {
    MTLBUILDPARM p = doctest::LayerMatrixParm(1, 0);
    TMtl m;
    ASSERT_EQ(1, m.Create(mtl.c_str(), &p));
    m.Save();
  }
  ASSERT_EQ(doc->OpenMtr(mtw.c_str(), 0), 1);
  ASSERT_EQ(doc->OpenMtl(mtl.c_str(), 0), 1);
  CHAININFO* heights = DocChain(doc, DOCKIND_MTR);
  ChainViewOrder(heights, 1, 1);
  SetChainMaskType(heights, 1, 2);
  SetUnitScaleRange(GetChainUnit(heights, 1), 10, 20000);
  SetMtlView(doc, 1, 0);
  MtlViewOrder(doc, 1, 1);
  SetUnitScaleRange(GetMtlChain(doc, 1), 20, 30000);
  doc->MtrPalette.SetBright(2);
  SetMtrShadow(doc, 7);
  // Two user maps, the first under the main map, the second over it.
  ASSERT_EQ(doc->OpenSit(UserMap("u1.sit").c_str(), 0), 1);
  ASSERT_EQ(doc->OpenSit(UserMap("u2.sit").c_str(), 0), 2);
  doc->MapViewOrder(1, 0);
  doc->MapViewOrder(2, 1);
  doc->MapVisible(1, 0);
  doc->GetMap(2)->Colors.SetBright(-4);
  doc->GetMap(2)->Colors.SetColor(0x0000EE, 0);
  doc->GetMap(1)->VisibleBottom = 200;
  doc->GetMap(1)->VisibleTop = 300000;

  ASSERT_EQ(docSaveProject(HandleOf(doc), project.c_str()), 1);
  // Names under the main map's folder are kept relative to it.
  EXPECT_EQ(Key("RSTLIST", "PATH1"), "a.rsw");
  EXPECT_EQ(Key("MAP", "PATH"), dir / "map.map");
  EXPECT_EQ(Key("MAP", "BCOLOR"), "0x102030");
  EXPECT_EQ(Key("RSTLIST", "COLOR1"), "3,15;");
  EXPECT_EQ(Key("RSTLIST", "COLOR2"), "3,7,");
  EXPECT_EQ(Key("SITELIST", "PALETTENUMBER2"), "1");

  TMapAccess* d = Open();
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->GetProjectName(), project.c_str());
  EXPECT_EQ(d->MapPalette.BackGround, 0x102030u);
  EXPECT_EQ(d->ShowScale, 50000);
  EXPECT_EQ(d->Colors.GetBright(), 3);
  EXPECT_EQ(d->Colors.GetContrast(), -2);
  EXPECT_EQ(d->Colors.GetColor(2), 0x123456u);
  EXPECT_EQ(d->VisibleBottom, 1000);
  EXPECT_EQ(d->VisibleTop, 2000000);
  EXPECT_EQ(d->MapVisible(0, -1), 0);
  CHAININFO* r = Rasters(d);
  ASSERT_EQ(r->Count, 2);
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(CheckChainPaletteView(r, 1, c), c == 3 || c == 15 ? 0 : 1) << c;
    EXPECT_EQ(CheckChainPaletteView(r, 2, c), c == 3 || c == 7 ? 0 : 1) << c;
  }
  RMFCHAIN* b = GetChainUnit(r, 2);
  EXPECT_EQ(ChainViewOrder(r, 1, -1), 0);
  EXPECT_EQ(ChainViewOrder(r, 2, -1), 1);
  EXPECT_EQ(b->BottomScale, 500);
  EXPECT_EQ(b->TopScale, 100000);
  EXPECT_EQ(b->Colors.GetBright(), 5);
  EXPECT_EQ(b->Colors.GetContrast(), 4);
  EXPECT_EQ(b->Colors.GetNonlinearBright(), 2);
  EXPECT_EQ(b->Colors.GetColor(1), 0x00AA00u);
  EXPECT_EQ(CheckChainView(r, 2), 0);
  EXPECT_EQ(GetChainMaskType(r, 2), 3);
  CHAININFO* h = DocChain(d, DOCKIND_MTR);
  ASSERT_EQ(h->Count, 1);
  EXPECT_EQ(ChainViewOrder(h, 1, -1), 1);
  EXPECT_EQ(GetChainMaskType(h, 1), 2);
  EXPECT_EQ(GetChainUnit(h, 1)->BottomScale, 10);
  EXPECT_EQ(GetChainUnit(h, 1)->TopScale, 20000);
  EXPECT_EQ(d->MtrPalette.GetBright(), 2);
  EXPECT_EQ(GetMtrShadow(d), 7);
  ASSERT_EQ(MtlChain(d)->Count, 1);
  EXPECT_EQ(CheckMtlView(d, 1), 0);
  EXPECT_EQ(MtlViewOrder(d, 1, -1), 1);
  EXPECT_EQ(GetMtlChain(d, 1)->BottomScale, 20);
  EXPECT_EQ(GetMtlChain(d, 1)->TopScale, 30000);
  ASSERT_EQ(d->GetSiteCount(), 2);
  EXPECT_EQ(d->MapViewOrder(1, -1), 0);
  EXPECT_EQ(d->MapViewOrder(2, -1), 1);
  EXPECT_EQ(d->MapVisible(1, -1), 0);
  EXPECT_EQ(d->MapVisible(2, -1), 1);
  EXPECT_EQ(d->GetMap(2)->Colors.GetBright(), -4);
  EXPECT_EQ(d->GetMap(2)->Colors.GetColor(0), 0x0000EEu);
  EXPECT_EQ(d->GetMap(1)->VisibleBottom, 200);
  EXPECT_EQ(d->GetMap(1)->VisibleTop, 300000);

  // Saved again over itself: the same keys.
  ASSERT_EQ(docSaveProject(HandleOf(d), project.c_str()), 1);
  EXPECT_EQ(Key("RSTLIST", "COLOR2"), "3,7,");
  EXPECT_FALSE(dir.Exists("view.mpt.~mp"));
}

TEST_F(Project, PalettesReadItemByItem) {
  TBaseColors colours;  // 16 default colours
  const COLORREF one = colours.GetColor(1);
  EXPECT_EQ(TMapProject::LoadPalette(&colours, "*"), 0);
  EXPECT_EQ(TMapProject::LoadPalette(&colours, "0x0000FF,,0x00FF00;0x111111"), 1);
  EXPECT_EQ(colours.GetColor(0), 0x0000FFu);
  EXPECT_EQ(colours.GetColor(1), one);
  EXPECT_EQ(colours.GetColor(2), 0x00FF00u);
  EXPECT_NE(colours.GetColor(3), 0x111111u);
  // An item longer than 13 characters sets nothing; the rest go on.
  TMapProject::LoadPalette(&colours, "0x00000000000022,0x000033");
  EXPECT_EQ(colours.GetColor(0), 0x0000FFu);
  EXPECT_EQ(colours.GetColor(1), 0x000033u);
  char value[64];
  TBaseColors two(std::array<DWORD, 2>{0x0000FF, 0x00FF00}.data(), 2);
  ASSERT_EQ(TMapProject::SavePalette(&two, value, sizeof value), 1);
  EXPECT_STREQ(value, "0x0000FF,0x00FF00;");
  // Items that do not fit are left out.
  ASSERT_EQ(TMapProject::SavePalette(&two, value, 12), 1);
  EXPECT_STREQ(value, "0x0000FF,");
}

TEST_F(Project, ReaderRules) {
  const std::string raster = Raster("a.rsw");
  const std::string map = dir / "map.map";
  // A COUNT of 0 or 1,025 passes its section over.
  Write("[MAP]\nPATH=" + map + "\n[RSTLIST]\nCOUNT=1025\nPATH1=a.rsw\n[SITELIST]\nCOUNT=0\n");
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Rasters(opened)->Count, 0);
  // An absent COLOR1 ends the entry: its view order is not read. An empty
  // COLOR2 shows every colour and goes on. A missing file is passed over.
  Raster("b.rsw");
  Write("[MAP]\nPATH=" + map +
        "\nBRIGHT=40\n[RSTLIST]\nCOUNT=4\nPATH1=a.rsw\nOVERMAP1=1\nPATH2=none.rsw\n"
        "COLOR2=1,\nPATH3=b.rsw\nCOLOR3=\nOVERMAP3=1\n");
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(opened->Colors.GetBright(), 16);  // held to -16 ... 16
  ASSERT_EQ(Rasters(opened)->Count, 2);
  EXPECT_EQ(ChainViewOrder(Rasters(opened), 1, -1), 0);
  EXPECT_EQ(ChainViewOrder(Rasters(opened), 2, -1), 1);
  for (int c = 0; c < 16; ++c) EXPECT_EQ(CheckChainPaletteView(Rasters(opened), 2, c), 1);
  // A raster as the main data: only BCOLOR and SCALE are read of [MAP].
  Write("[MAP]\nPATH=" + raster + "\nBCOLOR=0x112233\nSCALE=25000\nVISIBLE=0\n");
  ASSERT_NE(Open(), nullptr);
  EXPECT_FALSE(opened->TMap::IsActive());
  EXPECT_EQ(Rasters(opened)->Count, 1);
  EXPECT_EQ(opened->MapPalette.BackGround, 0x112233u);
  EXPECT_EQ(opened->ShowScale, 25000);
  EXPECT_EQ(opened->ViewFlag, 1);
}

TEST_F(Project, EachUserMapKeepsItsPaletteNumber) {
  ASSERT_EQ(doc->OpenSit(UserMap("u1.sit").c_str(), 0), 1);
  ASSERT_EQ(doc->OpenSit(UserMap("u2.sit").c_str(), 0), 2);
  ASSERT_NE(doc->GetMap(1)->Colors.GetPaletteByNumber(2), nullptr);
  ASSERT_NE(doc->GetMap(2)->Colors.GetPaletteByNumber(3), nullptr);
  ASSERT_EQ(docSaveProject(HandleOf(doc), project.c_str()), 1);
  EXPECT_EQ(Key("SITELIST", "PALETTENUMBER"), "3");  // the last map's, for older readers
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(opened->GetMap(1)->Colors.Palette, 2);
  EXPECT_EQ(opened->GetMap(2)->Colors.Palette, 3);
  EXPECT_EQ(opened->GetMap(1)->Colors.GetColor(0), TMapRsc::GetDefaultColor(0) ^ 0xFFFFFF);
  // An older project: one number for every map. A number above the
  // classifier's palettes is taken as 1.
  const std::string map = dir / "map.map";
  Write("[MAP]\nPATH=" + map + "\nPALETTENUMBER=9\n[SITELIST]\nCOUNT=2\nPATH1=u1.sit\n"
        "PATH2=u2.sit\nPALETTENUMBER=3\n");
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(opened->Colors.Palette, 1);
  EXPECT_EQ(opened->GetMap(1)->Colors.Palette, 3);
  EXPECT_EQ(opened->GetMap(2)->Colors.Palette, 3);
}

TEST_F(Project, MissingProjectIsReported) {
  MessageEnableSet(1);
  mctest::RecordingMessageBox boxes;
  EXPECT_EQ(docOpenProject(project.c_str()), 0);
  MessageEnableSet(0);
  ASSERT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(boxes.boxes()[0].text, std::string(MapErrorText(MAPERR_NOTFOUND, 1)) + project);
  EXPECT_EQ(boxes.boxes()[1].text,
            std::string(MapErrorText(MAPERR_DATA, 1)) + project + "\n ( [MAP] PATH= ? )");
  EXPECT_EQ(docSaveProject(HandleOf(doc), nullptr), 0);
  EXPECT_EQ(TMapProject().SaveProject(nullptr, project.c_str()), 0);
}

TEST_F(Project, AListedUserMapThatIsMissingIsNotFound) {
  const std::string map = dir / "map.map";
  Write("[MAP]\nPATH=" + map + "\n[SITELIST]\nCOUNT=2\nPATH1=none.sit\nPATH2=u1.sit\n");
  UserMap("u1.sit");
  MessageEnableSet(1);
  mctest::RecordingMessageBox boxes;
  ASSERT_NE(Open(), nullptr);
  MessageEnableSet(0);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text,
            std::string(MapErrorText(MAPERR_NOTFOUND, 1)) + (dir / "none.sit"));
  EXPECT_EQ(opened->GetSiteCount(), 1);
}

// A project is never saved over a file that an open document holds: the
// main map's own file or a raster it shows.
TEST_F(Project, NoProjectIsSavedOverAFileADocumentHolds) {
  const std::string raster = Raster("a.rsw");
  ASSERT_EQ(doc->OpenRst(raster.c_str(), 0), 1);
  const std::string map = dir.Read("map.map"), image = dir.Read("a.rsw");
  for (const std::string& name : {dir / "map.map", dir.path() + "./a.rsw"})
    EXPECT_EQ(docSaveProject(HandleOf(doc), name.c_str()), 0) << name;
  EXPECT_EQ(dir.Read("map.map"), map);
  EXPECT_EQ(dir.Read("a.rsw"), image);
  doc->CloseRst(1);
  EXPECT_EQ(docSaveProject(HandleOf(doc), raster.c_str()), 1);
}

// Every file operation of a save failed in turn: the project is the old one
// or the new one, whole, and the save says which.
TEST_F(Project, FailedSavesLeaveTheEarlierProject) {
  ASSERT_EQ(doc->OpenRst(Raster("a.rsw").c_str(), 0), 1);
  ASSERT_EQ(docSaveProject(HandleOf(doc), project.c_str()), 1);
  auto bytes = [&] {
    std::ifstream in(project, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string old = bytes();
  doc->SetBackGround(0x445566);
  SetRstBright(doc, 1, 6);
  ASSERT_EQ(docSaveProject(HandleOf(doc), project.c_str()), 1);
  const std::string fresh = bytes();
  ASSERT_NE(old, fresh);

  int saved = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] { Write(old); };
  const int faults = sweep.Run([&] { saved = docSaveProject(HandleOf(doc), project.c_str()); },
                               [&](const mctest::SweepRun& run) {
                                 EXPECT_EQ(bytes(), saved ? fresh : old) << run;
                                 EXPECT_TRUE(saved || run.faulted) << run;
                                 EXPECT_FALSE(dir.Exists("view.mpt.~mp")) << run;
                               });
  EXPECT_GE(faults, 20);
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(opened->MapPalette.BackGround, 0x445566u);
}

}  // namespace
