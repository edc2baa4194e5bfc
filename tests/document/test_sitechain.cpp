// The user maps of a document: opening (never the main map's own file,
// never twice, the questions of region, axis meridian and coordinate
// system), closing and reordering with the numbers and handles that
// follow, the flags and selects of each map, the region, and painting
// under and over the main map with a select in one colour.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "common/messages.h"
#include "document/docentries.h"
#include "document/sitechain.h"
#include "document/sitefiles.h"
#include "mapstore/mapfiles.h"
#include "document/viewentries.h"
#include "platform/fault.h"
#include "platform/gdi/gdi_test.h"
#include "support/docfixture.h"
#include "support/fault_sweep.h"
#include "support/host_recorder.h"
#include "support/scratch_dir.h"

namespace {

using doctest::PlaneObject;
constexpr double kMeridian = 0.5;
constexpr double kX = doctest::kSheetX, kY = doctest::kSheetY;
constexpr uint32_t kWhite = 0xFFFFFF, kBlue = 0x0000FF, kRed = 0xFF0000, kMagenta = 0xFF00FF;

// A well at a plane point of the main sheet (sheet-relative metres).
PlaneObject Well(double x, double y) {
  return PlaneObject{doctest::KIND_WELL, LOCAL_POINT, {{kX + x, kY + y}}};
}

class SiteChain : public doctest::MapDocumentTest {
 protected:
  void SetUp() override {
    MapDocumentTest::SetUp();
    doc->Passport.Register.AxisMeridian = kMeridian;
    doc->SetDataProjection();
  }
  void TearDown() override {
    plat::fault::Reset();
    MapDocumentTest::TearDown();
  }
  // A user map `name` holding the objects (a well when none are given).
  std::string Site(const std::string& name, std::vector<PlaneObject> objects = {},
                   double meridian = kMeridian) {
    if (objects.empty()) objects.push_back(Well(5000, 5000));
    EXPECT_TRUE(doctest::CreateUserMap(dir / name, rsc, objects, meridian)) << name;
    return dir / name;
  }
  // The first letters of the user maps' file names in chain order.
  std::string Order() {
    std::string order;
    for (int n = 1; n <= doc->GetSiteCount(); ++n) order += doc->GetSiteChain(n)->Map.FileName[0];
    return order;
  }
  // The user maps p, q, r, s opened anew.
  void OpenPQRS() {
    doc->CloseSite(0);
    for (const char* name : {"p.sit", "q.sit", "r.sit", "s.sit"}) {
      const std::string path = dir.Exists(name) ? dir / name : Site(name);
      ASSERT_GT(doc->OpenSite(path.c_str(), 0), 0);
    }
    ASSERT_EQ(Order(), "pqrs");
  }
};

TEST_F(SiteChain, OpensEachFileOnceAndNeverTheMainMap) {
  EXPECT_EQ(doc->OpenSite(nullptr, 0), 0);
  EXPECT_EQ(doc->OpenSite((dir / "map.map").c_str(), 0), 0);
  EXPECT_EQ(doc->OpenSite((dir.path() + "./map.map").c_str(), 0), 0);  // the same file
  EXPECT_EQ(doc->OpenSite((dir / "none.sit").c_str(), 0), 0);
  EXPECT_EQ(doc->GetSiteCount(), 0);
  EXPECT_EQ(doc->IsActive(), 1);

  const std::string a = Site("a.sit"), b = Site("b.sit");
  ASSERT_EQ(doc->OpenSit(a.c_str(), 0), 1);
  ASSERT_EQ(doc->OpenSite(b.c_str(), 0), 2);
  EXPECT_EQ(doc->OpenSite((dir.path() + "./a.sit").c_str(), 0), 1);  // open already
  EXPECT_EQ(doc->GetSiteCount(), 2);
  EXPECT_STREQ(doc->MapFileName(2), b.c_str());
  EXPECT_STREQ(doc->MapFileName(0), (dir / "map.map").c_str());
  EXPECT_STREQ(doc->MapFileName(3), "");
  EXPECT_STREQ(doc->MapSheetName(1), "User map");
  EXPECT_EQ(doc->GetResource(1), &doc->GetSiteChain(1)->Map.Rsc);
  EXPECT_EQ(doc->GetResource(3), nullptr);
  EXPECT_EQ(doc->GetSiteChain(0), nullptr);
  EXPECT_EQ(doc->GetSiteChain(3), nullptr);

  // Handles are node addresses; the main map is 0 or the document's own.
  SITENODE* second = doc->GetSiteChain(2);
  const HSITE hb = SiteHandleOf(doc, 2);
  EXPECT_EQ(hb, reinterpret_cast<HSITE>(second));
  EXPECT_EQ(SiteHandleOf(doc, 0), HSITE(HandleOf(doc)));
  EXPECT_EQ(SiteHandleOf(doc, 3), 0);
  EXPECT_EQ(SiteNumberOf(doc, hb), 2);
  EXPECT_EQ(SiteNumberOf(doc, 0), 0);
  EXPECT_EQ(SiteNumberOf(doc, HSITE(HandleOf(doc))), 0);
  EXPECT_EQ(SiteNumberOf(doc, 12345), -1);
  EXPECT_EQ(SiteNumberOf(nullptr, hb), -1);
  EXPECT_EQ(SiteMapOf(doc, hb), &second->Map);
  EXPECT_EQ(MapOfSite(HandleOf(doc), hb), &second->Map);
  EXPECT_EQ(doc->GetMapNumber(&second->Map), 2);
  EXPECT_EQ(doc->GetMapNumber(doc), 0);
  EXPECT_EQ(doc->GetMapNumber(nullptr), -1);
  // A handle stays with its map when the maps before it close.
  doc->CloseSit(1);
  EXPECT_EQ(SiteNumberOf(doc, hb), 1);
  EXPECT_EQ(doc->GetSiteCount(), 1);
}

TEST_F(SiteChain, MovesAndClosesRenumberTheChain) {
  OpenPQRS();
  ASSERT_EQ(doc->ChangeOrderSiteShow(1, 3), 1);
  EXPECT_EQ(Order(), "qrps");
  OpenPQRS();
  ASSERT_EQ(doc->ChangeOrderSiteShow(3, 1), 1);
  EXPECT_EQ(Order(), "rpqs");
  OpenPQRS();
  ASSERT_EQ(doc->ChangeOrderSiteShow(2, 4), 1);
  EXPECT_EQ(Order(), "prsq");
  for (auto [from, to] : {std::pair{2, 2}, {0, 1}, {1, 5}, {5, 1}})
    EXPECT_EQ(doc->ChangeOrderSiteShow(from, to), 0) << from << " " << to;
  EXPECT_EQ(Order(), "prsq");
  EXPECT_EQ(doc->GetSiteChain(1)->Prev, nullptr);
  EXPECT_EQ(doc->GetSiteChain(4)->Next, nullptr);

  doc->CloseSite(4);
  const HSITE s = SiteHandleOf(doc, 3);
  doc->CloseSite(2);
  EXPECT_EQ(Order(), "ps");
  EXPECT_EQ(SiteNumberOf(doc, s), 2);
  doc->CloseSite(7);
  EXPECT_EQ(doc->GetSiteCount(), 2);
  doc->CloseSite(0);
  EXPECT_EQ(doc->GetSiteCount(), 0);
  EXPECT_EQ(doc->SiteChainHead.First, nullptr);
}

TEST_F(SiteChain, FlagsSelectsAndCallbacksOfEachMap) {
  const std::string a = Site("a.sit"), b = Site("b.sit");
  ASSERT_EQ(doc->OpenSite(a.c_str(), int(GENERIC_READ)), 1);
  ASSERT_EQ(doc->OpenSite(b.c_str(), 0), 2);
  TMap& read = doc->GetSiteChain(1)->Map;
  EXPECT_EQ(read.EditFlag, 1);
  EXPECT_EQ(doc->MapEdit(1, -1), 0);  // read only: no edits whatever the flag
  EXPECT_EQ(doc->MapEdit(2, 0), 1);
  EXPECT_EQ(doc->MapEdit(2, -1), 0);
  EXPECT_EQ(doc->MapEdit(3, 1), -1);
  EXPECT_EQ(doc->MapVisible(1, 0), 1);
  EXPECT_EQ(doc->MapVisible(1, -1), 0);
  EXPECT_EQ(doc->MapInquiry(0, 0), 1);
  EXPECT_EQ(doc->InquiryFlag, 0);
  EXPECT_EQ(doc->MapViewOrder(0, 1), -1);
  EXPECT_EQ(doc->MapViewOrder(3, 1), -1);
  EXPECT_EQ(doc->MapViewOrder(1, -1), 1);
  EXPECT_EQ(doc->MapViewOrder(1, 0), 0);
  EXPECT_EQ(doc->GetSiteChain(1)->ViewOrder, 0);

  EXPECT_EQ(doc->GetViewSelect(1)->GetMap(), &read);
  EXPECT_EQ(doc->GetSeekSelect(2)->GetMap(), &doc->GetSiteChain(2)->Map);
  EXPECT_EQ(doc->GetSeekSelect(0), doc->SeekSelectPointer);
  EXPECT_EQ(doc->GetRealSelect(3), nullptr);

  // The real select is built again when its map changed, through the
  // document or by another writer, and only then.
  SITENODE* node = doc->GetSiteChain(2);
  auto rebuilt = [&] {
    const auto before = node->RealStamp;
    doc->AdjustRealSelect(2, 0);
    return node->RealStamp != before;
  };
  EXPECT_FALSE(rebuilt());
  node->Map.UpdateMode();
  EXPECT_TRUE(rebuilt());
  EXPECT_FALSE(rebuilt());
  {
    TMap other;
    ASSERT_EQ(1, other.OpenData(b.c_str(), 0));
    other.UpdateMode();
  }
  EXPECT_TRUE(rebuilt()) << "another writer's change went unseen";
  EXPECT_FALSE(rebuilt());

  // The change callback reaches every map, those opened later too, each
  // reporting under the low half of its handle.
  const MAPCHANGECALL call = [](intptr_t, intptr_t) {};
  EXPECT_EQ(doc->SetChangeCall(call, 7), 1);
  EXPECT_EQ(doc->ChangeCall, call);
  EXPECT_EQ(node->Map.ChangeCall, call);
  ASSERT_EQ(doc->OpenSite(Site("c.sit").c_str(), 0), 3);
  SITENODE* late = doc->GetSiteChain(3);
  EXPECT_EQ(late->Map.ChangeCall, call);
  EXPECT_EQ(late->Map.ChangeParameter, 7);
  EXPECT_EQ(late->Map.MapTag, int32_t(SiteHandleOf(doc, 3)));
}

TEST_F(SiteChain, QuestionsOfOpeningWithTheUsersAnswers) {
  MessageEnableSet(1);
  mctest::RecordingMessageBox box(IDCANCEL);
  // Out of the region: refused, the chain as it was.
  const std::string far = Site("far.sit", {Well(50000, 5000)});
  EXPECT_EQ(doc->OpenSite(far.c_str(), 0), 0);
  ASSERT_EQ(box.boxes().size(), 1u);
  EXPECT_EQ(box.boxes()[0].caption, "Open situation " + far);
  EXPECT_EQ(box.boxes()[0].text, "Situation is out of region. Continue ?");
  EXPECT_EQ(box.boxes()[0].flags, UINT(MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL));
  EXPECT_EQ(doc->GetSiteCount(), 0);
  EXPECT_EQ(doc->SiteChainHead.First, nullptr);

  // Axis meridians 1e-6 apart agree: no question.
  ASSERT_EQ(doc->ProjectionReady, 1);
  EXPECT_EQ(doc->OpenSite(Site("near.sit", {}, kMeridian + 1e-6).c_str(), 0), 1);
  EXPECT_EQ(box.boxes().size(), 1u);
  // Further apart they ask; No opens the map in its own system.
  box.set_reply(IDNO);
  EXPECT_EQ(doc->OpenSite(Site("other.sit", {}, kMeridian + 3e-6).c_str(), 0), 2);
  ASSERT_EQ(box.boxes().size(), 2u);
  EXPECT_EQ(box.boxes()[1].flags, UINT(MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL));
  EXPECT_EQ(doc->GetSiteChain(2)->Map.Passport.Register.AxisMeridian, kMeridian + 3e-6);
  // A map without axis meridian takes the main map's when the user says so.
  box.set_reply(IDYES);
  const std::string zero = Site("zero.sit", {}, 0.0);
  EXPECT_EQ(doc->OpenSite(zero.c_str(), 0), 3);
  ASSERT_EQ(box.boxes().size(), 3u);
  EXPECT_EQ(box.boxes()[2].caption, "Open situation");
  EXPECT_EQ(doc->GetSiteChain(3)->Map.Passport.Register.AxisMeridian, kMeridian);

  // A frame that only touches the main map's is inside the region.
  const std::string touching = Site("touch.sit");
  {
    TMap map;
    ASSERT_TRUE(map.OpenData(touching.c_str(), 0));
    const MAPPASSPORT& main = doc->Passport;
    map.Passport.X1 = main.X2, map.Passport.X2 = main.X2 + 100;
    map.Passport.Y1 = main.Y1, map.Passport.Y2 = main.Y2;
    map.PassportChanged = 1;
    ASSERT_EQ(map.Save(1), 1);
  }
  EXPECT_EQ(doc->OpenSite(touching.c_str(), 0), 4);
  EXPECT_EQ(box.boxes().size(), 3u);

  // No memory for the node: reported, nothing opened.
  const std::string late = Site("late.sit");
  plat::fault::FailAllocation(1);
  EXPECT_EQ(doc->OpenSite(late.c_str(), 0), 0);
  EXPECT_EQ(box.boxes().size(), 4u);
  EXPECT_EQ(doc->GetSiteCount(), 4);

  // With messages off nothing is asked and the map stays as it is.
  MessageEnableSet(0);
  doc->CloseSite(0);
  const std::string still = Site("still.sit", {Well(50000, 5000)}, 0.0);
  EXPECT_EQ(doc->OpenSite(still.c_str(), 0), 1);
  EXPECT_EQ(box.boxes().size(), 4u);
  EXPECT_EQ(doc->GetSiteChain(1)->Map.Passport.Register.AxisMeridian, 0.0);
}

TEST_F(SiteChain, UserMapsTakeTheirPlaceInTheRegion) {
  const DFRAME before = doc->Region;
  ASSERT_EQ(doc->OpenSite(Site("far.sit", {Well(60000, 5000)}).c_str(), 0), 1);
  EXPECT_GT(doc->Region.X2, before.X2);
  EXPECT_EQ(doc->Region.Y1, before.Y1);
  doc->CloseSite(0);

  // A document of user maps alone takes its base from the first.
  TMapAccess* sites = NewDocument();
  ASSERT_NE(sites, nullptr);
  EXPECT_EQ(sites->OpenSit((dir / "far.sit").c_str(), 0), 1);
  EXPECT_EQ(sites->BaseScale, 100000);
  EXPECT_STREQ(sites->GetDocumentName(), (dir / "far.sit").c_str());
  EXPECT_GT(sites->Region.X2, sites->Region.X1);
  FreeDocument(sites);
}

// The sheet files of user map n, as the map names them.
std::vector<std::string> SheetFiles(TMap* map) {
  std::vector<std::string> files;
  const LISTDESC* list = map->TMapPassport::List(1);
  for (const char* name : {list->NameHDR, list->NameDAT, list->NameSEM, list->NameGRA}) {
    char path[MAX_PATH] = {};
    if (TMapPassport::JoinFolderName(map->Folder, name, sizeof list->NameHDR, path, MAX_PATH))
      files.push_back(path);
  }
  return files;
}

// The objects of sheet 1 of a map file opened on its own; -1 when it does
// not open.
int ObjectsOf(const std::string& path) {
  TMap map;
  if (!map.OpenData(path.c_str(), 0)) return -1;
  const int n = map.GetObjectCount(1);
  map.CloseData();
  return n;
}

TEST_F(SiteChain, CopyGoesBesideTheSourceUnderBareSheetNames) {
  const std::string a = Site("a.sit", {Well(1000, 1000), Well(2000, 2000), Well(3000, 1000)});
  ASSERT_EQ(doc->OpenSit(a.c_str(), 0), 1);
  TMap* map = &doc->GetSiteChain(1)->Map;
  const std::string before = dir.Read("a.sit");
  // Onto its own map file or a sheet file, or without a name: nothing.
  EXPECT_EQ(CopySite(map, a.c_str()), 0);
  EXPECT_EQ(CopySite(map, (dir.path() + "./a.sit").c_str()), 0);
  for (const std::string& sheet : SheetFiles(map)) EXPECT_EQ(CopySite(map, sheet.c_str()), 0);
  EXPECT_EQ(CopySite(map, nullptr), 0);
  EXPECT_EQ(CopySite(map, std::string(400, 'n').c_str()), 0);
  EXPECT_EQ(CopySite(nullptr, "copy.sit"), 0);
  EXPECT_EQ(dir.Read("a.sit"), before);

  ASSERT_EQ(CopySite(map, "copy.sit"), 1);
  EXPECT_EQ(doc->GetSiteCount(), 1);  // the copy is not opened
  // Each sheet file the source has (wells have no semantics file).
  const std::vector<std::string> sources = SheetFiles(map);
  const char* copies[4] = {"copy.SHD", "copy.SDA", "copy.SSE", "copy.SGR"};
  EXPECT_TRUE(dir.Exists("copy.sit"));
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(dir.Exists(copies[k]), access(sources[k].c_str(), F_OK) == 0) << copies[k];
  EXPECT_TRUE(dir.Exists("copy.SDA"));
  TMap copy;
  ASSERT_TRUE(copy.OpenData((dir / "copy.sit").c_str(), 0));
  EXPECT_STREQ(copy.TMapPassport::List(1)->NameHDR, "copy.SHD");
  EXPECT_STREQ(copy.TMapPassport::List(1)->NameDAT, "copy.SDA");
  EXPECT_STREQ(copy.TMapPassport::List(1)->NameSEM, "copy.SSE");
  EXPECT_STREQ(copy.TMapPassport::List(1)->NameGRA, "copy.SGR");
  EXPECT_EQ(copy.GetObjectCount(1), 3);
  copy.CloseData();

  // A sheet file that is missing is passed over.
  std::remove(sources[3].c_str());
  EXPECT_EQ(CopySite(map, (dir / "sub.sit").c_str()), 1);
  EXPECT_FALSE(dir.Exists("sub.SGR"));
  EXPECT_EQ(ObjectsOf(dir / "sub.sit"), 3);
}

TEST_F(SiteChain, CopyFailingAtAnyFileOperationLeavesNoHalfCopy) {
  const std::string a = Site("a.sit", {Well(1000, 1000), Well(2000, 2000)});
  ASSERT_EQ(doc->OpenSit(a.c_str(), 0), 1);
  TMap* map = &doc->GetSiteChain(1)->Map;
  int copied = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    for (const char* name : {"copy.sit", "copy.SHD", "copy.SDA", "copy.SSE", "copy.SGR"})
      std::remove((dir / name).c_str());
  };
  const int faults = sweep.Run([&] { copied = CopySite(map, "copy.sit"); },
                               [&](const mctest::SweepRun& run) {
                                 EXPECT_TRUE(copied || run.faulted) << run;
                                 // A whole copy or no map file at all.
                                 EXPECT_EQ(ObjectsOf(dir / "copy.sit"), copied ? 2 : -1) << run;
                                 EXPECT_EQ(map->GetObjectCount(1), 2) << run;
                               });
  EXPECT_GE(faults, 10);
  EXPECT_EQ(ObjectsOf(a), 2);
}

// The files of a folder, by name, with their bytes (the log folder left
// out).
std::map<std::string, std::string> FolderBytes(const mctest::ScratchDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    if (e.is_regular_file()) files[e.path().filename().string()] = dir.Read(e.path().filename());
  return files;
}

TEST_F(SiteChain, CopyOverAFileAnyOpenDocumentHoldsWritesNothing) {
  const std::string a = Site("a.sit", {Well(1000, 1000), Well(2000, 2000)});
  const std::string b = Site("b.sit", {Well(1000, 1000), Well(2000, 2000), Well(3000, 1000)});
  ASSERT_EQ(doc->OpenSit(a.c_str(), 0), 1);
  TMap* map = &doc->GetSiteChain(1)->Map;
  const HMAP other = docOpenData(b.c_str(), 0);  // another document
  ASSERT_NE(other, 0);
  ASSERT_EQ(::link(b.c_str(), (dir / "link.sit").c_str()), 0);
  const auto before = FolderBytes(dir);
  // The other document's map file, by name, another spelling and a link;
  // a copy whose sheet files would be its sheet files; the main map's.
  for (const std::string& name : {b, dir.path() + "./b.sit", dir / "link.sit",
                                  dir / "b.other", dir / "map.map"})
    EXPECT_EQ(CopySite(map, name.c_str()), 0) << name;
  EXPECT_EQ(FolderBytes(dir), before);
  docCloseData(other);
  EXPECT_EQ(ObjectsOf(b), 3);
  EXPECT_EQ(map->GetObjectCount(1), 2);
}

// Every file operation of a copy failing in turn over targets that exist:
// a copy that fails leaves each of them byte for byte and no temporary
// file; a copy that goes through replaces them, and a target whose source
// the map does not have (the wells' semantics) keeps no stranger's file.
TEST_F(SiteChain, CopyFailingAtAnyFileOperationLeavesTheFilesItFound) {
  const std::string a = Site("a.sit", {Well(1000, 1000), Well(2000, 2000)});
  ASSERT_EQ(doc->OpenSit(a.c_str(), 0), 1);
  TMap* map = &doc->GetSiteChain(1)->Map;
  ASSERT_EQ(CopySite(map, "old.sit"), 1);
  ASSERT_FALSE(dir.Exists("old.SSE"));
  const std::map<std::string, std::string> found = {
      {"copy.sit", dir.Read("old.sit")}, {"copy.SHD", "an older descriptor file"},
      {"copy.SSE", "a stranger's file"}};
  auto prepare = [&] {
    for (const char* name : {"copy.sit", "copy.SHD", "copy.SDA", "copy.SSE", "copy.SGR"})
      std::remove((dir / name).c_str());
    for (const auto& [name, bytes] : found) dir.Write(name, bytes);
  };
  const auto untouched = [&] {
    auto files = FolderBytes(dir);
    std::erase_if(files, [](const auto& f) { return f.first.rfind("copy.", 0) == 0; });
    return files;
  };
  prepare();
  const auto around = untouched();
  int copied = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = prepare;
  const int faults = sweep.Run(
      [&] { copied = CopySite(map, "copy.sit"); },
      [&](const mctest::SweepRun& run) {
        EXPECT_TRUE(copied || run.faulted) << run;
        auto files = FolderBytes(dir);
        for (const auto& [name, bytes] : files)
          EXPECT_EQ(name.find(".~"), std::string::npos) << name << " left, " << run;
        if (copied) {
          EXPECT_EQ(ObjectsOf(dir / "copy.sit"), 2) << run;
          EXPECT_NE(files["copy.SHD"], found.at("copy.SHD")) << run;
          EXPECT_FALSE(dir.Exists("copy.SSE")) << run;
        } else {
          std::erase_if(files, [](const auto& f) { return f.first.rfind("copy.", 0) != 0; });
          EXPECT_EQ(files, found) << run;
        }
        EXPECT_EQ(untouched(), around) << run;
        EXPECT_EQ(map->GetObjectCount(1), 2) << run;
      });
  EXPECT_GE(faults, 15);
}

// A folder where a file of the copy should go (the map file, a sheet file
// the source has, or one it has not) is not a target: the copy is refused
// before anything is written, and the folder keeps its name and contents.
TEST_F(SiteChain, CopyOntoAFolderMovesNothing) {
  const std::string a = Site("a.sit", {Well(1000, 1000), Well(2000, 2000)});
  ASSERT_EQ(doc->OpenSit(a.c_str(), 0), 1);
  TMap* map = &doc->GetSiteChain(1)->Map;
  for (const char* folder : {"copy.sit", "copy.SDA", "copy.SSE"}) {
    ASSERT_TRUE(std::filesystem::create_directory(dir / folder)) << folder;
    dir.Write(std::string(folder) + "/inside", "kept");
    const auto before = FolderBytes(dir);
    EXPECT_EQ(CopySite(map, "copy.sit"), 0) << folder;
    EXPECT_TRUE(FolderBytes(dir) == before) << folder << ": files written";
    EXPECT_TRUE(std::filesystem::is_directory(dir / folder)) << folder;
    EXPECT_EQ(dir.Read(std::string(folder) + "/inside"), "kept") << folder;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
      EXPECT_EQ(e.path().filename().string().find(".~"), std::string::npos)
          << e.path() << " left, " << folder;
    std::filesystem::remove_all(dir / folder);
  }
  EXPECT_EQ(CopySite(map, "copy.sit"), 1);
  EXPECT_EQ(ObjectsOf(dir / "copy.sit"), 2);
}

TEST_F(SiteChain, PassportRecordMakesAWholeMapOrNone) {
  const std::string a = Site("a.sit", {Well(1000, 1000)});
  ASSERT_EQ(doc->OpenSit(a.c_str(), 0), 1);
  TMap* map = &doc->GetSiteChain(1)->Map;
  MAPPASSPORTRECORD record{MAPPASSPORT_IDENT, MAPPASSPORT_LENGTH, {}, {}};
  ASSERT_TRUE(map->ListToRegister(&record.Map, &record.Sheet, 1));
  MAPPASSPORTRECORD lying = record;
  lying.Sheet.Length = 543;
  const std::string made = dir / "made.sit";
  EXPECT_EQ(CreateMapFromPassport(made.c_str(), rsc.c_str(), lying), 0);
  EXPECT_FALSE(dir.Exists("made.sit"));
  int created = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] { DeleteMapFiles(made.c_str()), std::remove(made.c_str()); };
  const int faults = sweep.Run(
      [&] { created = CreateMapFromPassport(made.c_str(), rsc.c_str(), record); },
                               [&](const mctest::SweepRun& run) {
                                 EXPECT_TRUE(created || run.faulted) << run;
                                 EXPECT_EQ(ObjectsOf(made), created ? 0 : -1) << run;
                               });
  EXPECT_GE(faults, 5);
  TMap again;
  ASSERT_TRUE(again.OpenData(made.c_str(), 0));
  EXPECT_EQ(again.Scale(), map->Scale());
  EXPECT_EQ(again.MapType(), map->MapType());
  EXPECT_STRNE(again.TMapPassport::List(1)->NameHDR, map->TMapPassport::List(1)->NameHDR);
  again.CloseData();
  EXPECT_EQ(ObjectsOf(a), 1);
}

TEST_F(SiteChain, DeletingAUserMapTakesItsFilesAndIni) {
  const std::string a = Site("a.sit");
  ASSERT_EQ(doc->OpenSit(a.c_str(), 0), 1);
  const std::vector<std::string> sheets = SheetFiles(&doc->GetSiteChain(1)->Map);
  dir.Write("a.sit.ini", "[x]\n");
  EXPECT_EQ(DeleteSite(doc, 2), 0);
  EXPECT_EQ(DeleteSite(doc, 1), 1);
  EXPECT_EQ(doc->GetSiteCount(), 0);
  EXPECT_FALSE(dir.Exists("a.sit"));
  EXPECT_FALSE(dir.Exists("a.sit.ini"));
  for (const std::string& sheet : sheets) EXPECT_NE(access(sheet.c_str(), F_OK), 0) << sheet;
  EXPECT_TRUE(dir.Exists("map.map"));
}

class SitePaint : public SiteChain {
 protected:
  void SetUp() override {
    SiteChain::SetUp();
    ASSERT_TRUE(doctest::AppendScene(doc));
    doc->SetBackGround(kWhite);
    // Under the map a lake over the south-west, over it a road along the
    // north.
    ASSERT_EQ(doc->OpenSit(Site("under.sit", {{doctest::KIND_LAKE,
                                               LOCAL_SQUARE,
                                               {{kX + 500, kY + 500},
                                                {kX + 3500, kY + 500},
                                                {kX + 3500, kY + 5000},
                                                {kX + 500, kY + 5000},
                                                {kX + 500, kY + 500}}}})
                               .c_str(),
                           0),
              1);
    ASSERT_EQ(doc->OpenSit(Site("over.sit", {{doctest::KIND_ROAD,
                                              LOCAL_LINE,
                                              {{kX + 7000, kY + 500}, {kX + 7000, kY + 9500}}}})
                               .c_str(),
                           0),
              2);
    doc->MapViewOrder(1, 0);
    doc->SetViewScale(0.8);
    double left = kX + doctest::kSheetSide, top = kY, right = kX, bottom = kY + doctest::kSheetSide;
    doc->PlaneToPicture(left, top);
    doc->PlaneToPicture(right, bottom);
    rect = RECT{LONG(left), LONG(top), LONG(right), LONG(bottom)};
  }
  // The picture's pixel at a point of the sheet (sheet-relative metres).
  uint32_t At(const doctest::Picture& p, double x, double y) {
    double px = kX + x, py = kY + y;
    doc->PlaneToPicture(px, py);
    return p.At(int(px) - rect.left, int(py) - rect.top);
  }
  // Whether a pixel within 2 of the point has the colour (thin lines).
  bool Near(const doctest::Picture& p, double x, double y, uint32_t colour) {
    double px = kX + x, py = kY + y;
    doc->PlaneToPicture(px, py);
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx)
        if (p.At(int(px) - rect.left + dx, int(py) - rect.top + dy) == colour) return true;
    return false;
  }
  doctest::Picture Paint(const char* name, int select) {
    doctest::MemoryDevice window(rect.right - rect.left, rect.bottom - rect.top);
    EXPECT_EQ(docPaint95(HandleOf(doc), window.dc, 1, &rect), 1);
    if (select) {
      // The main map's lake in one colour through a sample of its seek
      // select.
      TMapSelect* seek = doc->GetSeekSelect(0);
      seek->AppendSample(2, 1);
      EXPECT_EQ(doc->PaintSelect(window.dc, rect, nullptr, 0xFF00FF, 0), 1);
      seek->ClearSample();
    }
    const doctest::Picture p = doctest::GrabDc(window.dc);
    doctest::WritePng(p, std::string(MC_TEST_TMP) + "/" + name);
    return p;
  }
  RECT rect{};
};

TEST_F(SitePaint, UnderAndOverTheMainMapWithASelectInOneColour) {
  const doctest::Picture p = Paint("sites_under_over_select.png", 1);
  EXPECT_EQ(At(p, 1000, 4500), kBlue);          // the lake under the map
  EXPECT_NE(At(p, 2000, 2500), kBlue);          // the main map's well over it
  EXPECT_TRUE(Near(p, 7000, 3000, kRed));       // the road over the main map's field
  EXPECT_TRUE(Near(p, 7000, 8000, kRed));       // and past its road
  EXPECT_TRUE(Near(p, 1500, 7500, kMagenta));   // the main lake's outline in one colour
  EXPECT_EQ(At(p, 2500, 7500), kBlue);          // its inside as it was
  EXPECT_FALSE(Near(p, 3500, 1500, kMagenta));  // nothing else in that colour
  EXPECT_EQ(At(p, 9000, 6000), kWhite);
}

TEST_F(SitePaint, AMapOutOfItsScaleRangeIsSkippedAndTheNextPaints) {
  doc->GetSiteChain(1)->Map.VisibleTop = doc->ShowScale - 1;
  doc->MapViewOrder(1, 1);  // before the road in the same layer
  const doctest::Picture p = Paint("sites_out_of_range.png", 0);
  EXPECT_EQ(At(p, 1000, 4500), kWhite);
  EXPECT_TRUE(Near(p, 7000, 3000, kRed));
  // A map hidden or its sheet unselected is not painted either.
  doc->GetSiteChain(1)->Map.VisibleTop = 40000000;
  doc->MapVisible(2, 0);
  const doctest::Picture q = Paint("sites_hidden.png", 0);
  EXPECT_EQ(At(q, 1000, 4500), kBlue);
  EXPECT_FALSE(Near(q, 7000, 3000, kRed));
}

}  // namespace
