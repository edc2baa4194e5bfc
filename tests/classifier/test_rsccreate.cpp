// Creating a classifier (never over a file an open document holds), the
// memory pool and its references, and the repairs opening makes: system
// semantics, the object code semantic of the service objects and the sheet
// frame.
#include <gtest/gtest.h>

#include <cstring>

#include "common/heldfiles.h"
#include "platform/fault.h"
#include "support/rscfixture.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;

class RscCreate : public rsctest::RscFolderTest {
 protected:
  void TearDown() override { plat::fault::Reset(); }
};

TEST_F(RscCreate, PoolBlocksAndReferences) {
  TMapRsc rsc;
  // Closed: no pool memory.
  EXPECT_EQ(nullptr, rsc.GetMemoryBlock(10));
  EXPECT_EQ(MAPERR_DATA, rsc.Error());
  ASSERT_EQ(1, rsc.OpenRsc(Write(Builder::Minimal().Build()).c_str(), 0));
  ASSERT_EQ(32768u, rsc.PoolSize);
  const DWORD blocks = rsc.PoolCount;

  // A request larger than the block size gets exactly that size plus the
  // head; the next small request starts a new block.
  char* big = rsc.GetMemoryBlock(40000);
  ASSERT_NE(nullptr, big);
  EXPECT_EQ(40000u + 12, rsc.PoolBlock->Size);
  EXPECT_EQ(40000u + 12, rsc.PoolBlock->Used);
  char* small = rsc.GetMemoryBlock(16);
  ASSERT_NE(nullptr, small);
  EXPECT_EQ(blocks + 2, rsc.PoolCount);
  EXPECT_EQ(32768u + 12, rsc.PoolBlock->Size);

  // References of pool memory lie past the image and come back to the same
  // addresses; image offsets are references too.
  DWORD bigRef = rscAddressRef(&rsc, big + 100);
  DWORD smallRef = rscAddressRef(&rsc, small);
  EXPECT_GE(bigRef, rsc.ImageSize);
  EXPECT_GT(smallRef, bigRef);
  EXPECT_EQ((BYTE*)big + 100, rscRefAddress(&rsc, bigRef));
  EXPECT_EQ((BYTE*)small, rscRefAddress(&rsc, smallRef));
  EXPECT_EQ(rsc.Image + 336, rscRefAddress(&rsc, 336));
  EXPECT_EQ(nullptr, rscRefAddress(&rsc, 0xFFFFFFF0u));
  EXPECT_EQ(0u, rscAddressRef(&rsc, &rsc));
  EXPECT_TRUE(rscRefExtent(&rsc, smallRef, 16));
  EXPECT_FALSE(rscRefExtent(&rsc, smallRef, 40000));

  // A block that can't be had: null, no error code.
  plat::fault::FailAllocation(1);
  EXPECT_EQ(nullptr, rsc.GetMemoryBlock(50000));
  EXPECT_EQ(0, rsc.Error());
  plat::fault::Reset();

  // OpenMemory starts a pool over.
  EXPECT_EQ(1000, rsc.OpenMemory(1000));
  EXPECT_EQ(1u, rsc.PoolCount);
  EXPECT_EQ(1012u, rsc.PoolBlock->Size);
}

TEST_F(RscCreate, NewClassifier) {
  std::string path = folder_ + "new.rsc";
  RSCCREATE desc{};
  strcpy(desc.Name, "NEW CLASSIFIER");
  strcpy(desc.Type, "TOPO");
  strcpy(desc.Code, "TOPO50");
  desc.Scale = 50000;
  desc.Language = 2;
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.CreateRsc(path.c_str(), &desc, nullptr, 1)) << rsc.Error();
  EXPECT_EQ(15, rsc.GetObjCount());
  EXPECT_EQ(9 + 5, rsc.GetSemCount());
  EXPECT_EQ(1, rsc.GetSegCount());
  EXPECT_EQ(1, rsc.GetFontCount());
  EXPECT_STREQ("TOPO50", rsc.Head.Code);
  // The sheet frame is number 15 and the service objects carry keys.
  EXPECT_EQ(1, rsc.CheckFrameCode());
  EXPECT_EQ(RSC_FRAME_EXCODE, rsc.ObjIndex[15].Excode);
  EXPECT_STREQ("\xD0\xC0\xCC\xCA\xC0 \xCB\xC8\xD1\xD2\xC0", rsc.ObjIndex[15].Obj->Name);
  EXPECT_STREQ("S1000000002", rsc.ObjIndex[2].Obj->Key);
  EXPECT_EQ(15u, rsc.Head.MaxKey);
  for (int n = 1; n <= 14; n++) {
    ASSERT_NE(nullptr, rsc.ObjIndex[n].Par) << n;
    ASSERT_NE(nullptr, rsc.ObjIndex[n].Pos) << n;
  }
  EXPECT_EQ(IMG_VECTOREX, rsc.ObjIndex[5].Function);
  EXPECT_EQ(1, rsc.ObjIndex[5].Extloc);
  // Russian names for language 2.
  EXPECT_STREQ("\xD1\xC8\xD1\xD2\xC5\xCC\xCD\xDB\xC9", rsc.GetTabSeg(0)->Name);
  ASSERT_NE(nullptr, rsc.GetTabSem(32800));
  EXPECT_STREQ("OBJCODE", rsc.GetTabSem(32800)->Short);
  EXPECT_STREQ("M.", rsc.GetTabSem(4)->Unit);
  EXPECT_EQ(0xAA0000u, rscPalTable(&rsc)->Colors[1]);
  // Nothing is written until the classifier is saved.
  EXPECT_TRUE(rsctest::ReadBytes(path).empty());
  EXPECT_NE(0, rsc.IsModify());
}

// A file that an open document holds (here the classifier of an open map)
// is not emptied by a new classifier of its name.
TEST_F(RscCreate, NoClassifierIsMadeOverAFileAnOpenDocumentHolds) {
  const std::string path = folder_ + "held.rsc";
  const Bytes bytes = Builder::Minimal().Build();
  ASSERT_TRUE(rsctest::WriteBytes(path, bytes));
  static std::string held;
  held = path;
  const int holder = 0;
  ASSERT_EQ(1, heldRegister(&holder, [](const void*, HELDFILEVISIT visit, void* context) {
              return visit(context, held.c_str());
            }));
  RSCCREATE desc{};
  desc.Scale = 50000;
  for (const std::string& name : {path, folder_ + "./held.rsc"}) {
    TMapRsc rsc;
    EXPECT_EQ(0, rsc.CreateRsc(name.c_str(), &desc, nullptr, 1)) << name;
    EXPECT_EQ(MAPERR_OPEN, rsc.Error()) << name;
  }
  heldUnregister(&holder);
  EXPECT_EQ(bytes, rsctest::ReadBytes(path));
  TMapRsc rsc;
  EXPECT_EQ(1, rsc.CreateRsc(path.c_str(), &desc, nullptr, 1));
}

TEST_F(RscCreate, NewClassifierPalettes) {
  PALETTE256 pal{};
  pal.Version = 0x0300;
  for (int i = 0; i < 256; i++) pal.Colors[i] = 0x010101u * i;
  struct Case {
    int count;
    WORD stored;
    DWORD color5;
  } cases[] = {{40, 40, 0x050505}, {0, 0, 0x55AAFF}, {300, 16, 0}};
  for (const Case& c : cases) {
    pal.Count = WORD(c.count);
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.CreateRsc((folder_ + "pal.rsc").c_str(), nullptr, &pal, 0));
    EXPECT_EQ(c.stored, rsc.Head.ColorCount);
    EXPECT_EQ(c.color5, rscPalTable(&rsc)->Colors[5]);
    EXPECT_STREQ("Standard", rscPalTable(&rsc)->Name);
    EXPECT_EQ(9, rsc.GetSemCount());
  }
}

TEST_F(RscCreate, MissingSheetFrameIsMadeNumberFifteen) {
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(Write(rsctest::WithoutFrame().Build()).c_str(), 0)) << rsc.Error();
  EXPECT_NE(0, rsc.IsModify());
  EXPECT_EQ(16, rsc.GetObjCount());
  const RSCOBJINDEX& frame = rsc.ObjIndex[15];
  EXPECT_EQ(RSC_FRAME_EXCODE, frame.Excode);
  EXPECT_EQ(15u, frame.Obj->Incode);
  ASSERT_NE(nullptr, frame.Par);
  EXPECT_EQ(15, frame.Par->Number);
  EXPECT_EQ(IMG_LINE, frame.Function);
  // The former kind 15 moved to 16 and is deleted.
  EXPECT_EQ(16u, rsc.ObjIndex[16].Obj->Incode);
  EXPECT_EQ(RSCINDEX_DELETED, rsc.ObjIndex[16].Flags);
  EXPECT_EQ(0u, rsc.ObjIndex[16].Excode);
  EXPECT_EQ(16, rsc.ObjIndex[16].Par->Number);
  EXPECT_EQ(1, rsc.CheckFrameCode());
  EXPECT_EQ(16, rsc.GetObjCount());
}

// The frame kind found elsewhere (18): object 15 becomes the frame and the
// queries answer for it.
TEST_F(RscCreate, FrameElsewhereIsReplaced) {
  Builder b = rsctest::WithoutFrame();
  for (int n = 16; n <= 20; n++) b.AddObject(n == 18 ? 91000000u : 2000u + n, 0, "KIND");
  rsctest::AddDefaultImages(b);
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(Write(b.Build()).c_str(), 0)) << rsc.Error();
  EXPECT_EQ(21, rsc.GetObjCount());
  EXPECT_EQ(RSC_FRAME_EXCODE, rsc.ObjIndex[15].Excode);
  EXPECT_EQ(RSCINDEX_DELETED, rsc.ObjIndex[18].Flags);
  EXPECT_EQ(RSCINDEX_DELETED, rsc.ObjIndex[21].Flags);
  EXPECT_EQ(2016u, rsc.ObjIndex[16].Excode);
  EXPECT_EQ(LONG(RSC_FRAME_EXCODE), rsc.GetFrameCodeEx());
  EXPECT_EQ(LOCAL_LINE, rsc.GetObjLocal(15));
  EXPECT_EQ(IMG_LINE, rsc.GetObjFunction(15));
  EXPECT_EQ(15, rsc.GetObjIncode(RSC_FRAME_EXCODE, 0));
  EXPECT_EQ(0, rsc.GetNextObjIncode(RSC_FRAME_EXCODE, 15));
  EXPECT_EQ(1, rsc.CheckFrameCode());
}

TEST_F(RscCreate, MissingSystemSemanticsAndObjectCodesAreAdded) {
  Builder b = Builder::Minimal();
  b.semantics.pop_back();                     // 32811
  b.semantics.erase(b.semantics.begin() + 1);  // 32800
  b.AddSemantic(7, 1, "DEPTH", "DEPTH").values = {{1, "SHALLOW"}, {2, "DEEP"}};
  b.pos[2].possible = {7};  // kind 3 lacks the object code
  b.pos[3].possible = {99, 32800};  // kind 4 names a semantic that is gone
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(Write(b.Build()).c_str(), 0)) << rsc.Error();
  EXPECT_NE(0, rsc.IsModify());
  EXPECT_EQ(10, rsc.GetSemCount());
  TABSEM* object = rsc.GetTabSem(32811);
  ASSERT_NE(nullptr, object);
  EXPECT_STREQ("OBJECT's NAME", object->Short);
  EXPECT_EQ(1, object->Common);
  ASSERT_NE(nullptr, rsc.GetTabSem(32800));
  EXPECT_EQ(18, rsc.GetTabSem(32800)->Size);
  // The SEM table moved into the pool; the value list it points at is
  // still the file's.
  EXPECT_GE(rsc.Head.Tables[RSC_SEM].Offset, rsc.ImageSize);
  TABSEM* depth = rsc.GetTabSem(7);
  ASSERT_NE(nullptr, depth);
  auto* cls = (TABCLS*)rscRefAddress(&rsc, depth->Cls);
  ASSERT_NE(nullptr, cls);
  EXPECT_STREQ("DEEP", cls[1].Name);
  // Kind 3: 7 kept, 32800 added as possible. Kind 4: 99 dropped.
  for (int n : {3, 4}) {
    TABPOS* pos = rsc.ObjIndex[n].Pos;
    ASSERT_NE(nullptr, pos);
    EXPECT_EQ(0, pos->Must);
    ASSERT_EQ(n == 3 ? 2 : 1, pos->Pos) << n;
    DWORD codes[2];
    memcpy(codes, (BYTE*)pos + 16, 4u * pos->Pos);
    EXPECT_EQ(32800u, codes[pos->Pos - 1]);
    EXPECT_EQ(16u + 4 * pos->Pos, pos->Length);
  }
  // Appending the system set again appends nothing.
  EXPECT_EQ(1, rsc.AppendSystemSemantic());
  EXPECT_EQ(10, rsc.GetSemCount());
}

TEST_F(RscCreate, EveryFailedAllocationFailsCleanly) {
  Builder b = Builder::Minimal();
  b.semantics.pop_back();  // opening appends 32811: the SEM table moves
  std::string path = Write(b.Build());
  const std::string made = folder_ + "new.rsc";
  bool failedOnce = false;
  for (int k = 1; k <= 80; k++) {  // opening, then creating a new classifier
    TMapRsc rsc;
    plat::fault::FailAllocation(k <= 40 ? k : k - 40);
    int done = k <= 40 ? rsc.OpenRsc(path.c_str(), 0) : rsc.CreateRsc(made.c_str(), nullptr, nullptr, 0);
    plat::fault::Reset();
    if (!done) {
      failedOnce = true;
      EXPECT_EQ(MAPERR_MEMORY, rsc.Error()) << k;
    }
    rsc.CloseRsc();
    EXPECT_EQ(nullptr, rsc.Image);
    EXPECT_EQ(0u, rsc.PoolCount);
  }
  EXPECT_TRUE(failedOnce);
}

TEST_F(RscCreate, SystemSemanticWhoseShortNameIsTakenStillOpens) {
  Builder b = Builder::Minimal();
  b.semantics.erase(b.semantics.begin() + 1);  // 32800
  b.AddSemantic(5, 0, "OTHER", "OBJCODE");
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(Write(b.Build()).c_str(), 0)) << rsc.Error();
  ASSERT_NE(nullptr, rsc.GetTabSem(32800));
  EXPECT_STREQ("SEM32800", rsc.GetTabSem(32800)->Short);
}

TEST_F(RscCreate, AppendedKindsGetUniqueKeysAndTheIndexGrows) {
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(Write(Builder::Minimal().Build()).c_str(), 0));
  RSCOBJ desc{};
  desc.Excode = 31120000;
  desc.Local = 1;
  const char* keys[] = {"S0031120000", "S00311200001", "S00311200002"};
  for (const char* key : keys) {
    int n = rsc.AppendObject(&desc, 0);
    ASSERT_GT(n, 15);
    EXPECT_STREQ(key, rsc.ObjIndex[n].Obj->Key);
    EXPECT_EQ(2, rsc.ObjIndex[n].Obj->Direct);
  }
  EXPECT_EQ(0, rsc.AppendObject(&desc, 1));
  // 100 appends fit the index made on loading; the next one grows it.
  RSCOBJINDEX* index = rsc.ObjIndex;
  desc.Excode = 1;
  while (rsc.GetObjCount() < 115) ASSERT_NE(0, rsc.AppendObject(&desc, 0));
  EXPECT_EQ(index, rsc.ObjIndex);
  ASSERT_EQ(116, rsc.AppendObject(&desc, 0));
  EXPECT_NE(index, rsc.ObjIndex);
  EXPECT_EQ(18u, rsc.ObjIndex[18].Obj->Incode);
  // Deleting: service kinds and series kinds are refused.
  EXPECT_EQ(0, rsc.DeleteObject(15));
  EXPECT_EQ(20, rsc.DeleteObject(20));
  EXPECT_EQ(0u, rsc.ObjIndex[20].Excode);
  EXPECT_STREQ(" ", rsc.ObjIndex[20].Obj->Key);
}

}  // namespace
