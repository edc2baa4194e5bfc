// Damaged places in rasters and matrices: a block table that shares bytes
// with the header or an area is refused at opening, and so is a reduced
// copy whose header, table or area shares bytes with another image; a
// block or an area whose place other data share is stored anew rather than
// written over them, within an image and across the images of a raster's
// copies.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/maperr.h"
#include "raster/mtr.h"
#include "raster/rst.h"
#include "support/rasterfixture.h"
#include "support/rmfbuild.h"
#include "support/rmffiles.h"

namespace {

using rmftest::PatchValue;

constexpr DWORD kColours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};

class RmfPlacesTest : public rmftest::RasterFileTest {
 protected:
  // An 8-bit raster or a 2-byte matrix of 2 x 2 blocks, every block
  // written.
  void Make(bool raster) {
    if (raster) {
      ASSERT_EQ(1, rmftest::MakeRaster(name, 512, 512));
      return;
    }
    const BUILDMTW b = rmftest::MatrixBuild(0, 0, 512, 512, 2, 2, 50000);
    ASSERT_EQ(1, rmftest::WriteMatrix(
                     name, b, 256, 256, [](int i, int j) { return (i * 7 + j * 3) % 1000; }, 0, 999));
  }
  std::shared_ptr<TRmf> Open(bool raster, int* result) {
    if (raster) {
      auto rst = std::make_shared<TRst>();
      *result = rst->Open(name.c_str(), 0);
      return rst;
    }
    auto mtr = std::make_shared<TMtr>();
    *result = mtr->Open(name.c_str(), 0);
    return mtr;
  }
  std::string name = dir / "a.rsw";
};

// One damaged file: how it is damaged, then either the code its opening
// fails with (the file left as it was), or what is done to it (ending in a
// save whose result is returned) and the block that must keep its bytes.
struct PlaceCase {
  const char* what;
  bool raster;
  std::function<void(const std::string&, const RMF&)> damage;
  int refused;
  std::function<int(TRmf&)> change;
  int keptRow, keptColumn;  // the block whose bytes stay
  std::function<void(TRmf&)> changed;  // what the change left, after reopening
};

}  // namespace

TEST_F(RmfPlacesTest, NothingIsWrittenOverTheBytesOfAnotherBlockOrArea) {
  auto puts = [](TRmf& f) {
    EXPECT_EQ(1, f.PutPoint(LONG(77), 5, 5));
    return f.Save(1);
  };
  auto written = [](TRmf& f) {
    LONG v = 0;
    EXPECT_EQ(1, f.GetPoint(v, 5, 5));
    EXPECT_EQ(77, v);
  };
  auto block0OverBlock3 = [](const std::string& path, const RMF& h) {
    PatchValue(path, h.TablePosition, rmftest::TableEntry(path, 3).Position);
  };
  std::vector<PlaceCase> cases;
  for (const bool raster : {true, false}) {
    cases.push_back({"table over the header", raster,
                     [](const std::string& path, const RMF&) {
                       PatchValue(path, offsetof(RMF, TablePosition), DWORD(1));
                     },
                     MAPERR_DATA, nullptr, 0, 0, nullptr});
    cases.push_back({"table over the palette", raster,
                     [](const std::string& path, const RMF& h) {
                       PatchValue(path, offsetof(RMF, TablePosition), h.PalettePosition + 16);
                     },
                     MAPERR_DATA, nullptr, 0, 0, nullptr});
    cases.push_back({"addition over the table", raster,
                     [](const std::string& path, const RMF& h) {
                       PatchValue(path, offsetof(RMF, AdditionPosition), h.TablePosition + 8);
                     },
                     MAPERR_DATA, nullptr, 0, 0, nullptr});
    cases.push_back({"block 0 over block 3, saved", raster, block0OverBlock3, 0, puts, 1, 1, written});
    cases.push_back({"block 0 over block 3, written alone", raster, block0OverBlock3, 0,
                     [](TRmf& f) {
                       EXPECT_EQ(1, f.WritePoint(LONG(77), 5, 5));
                       return f.Save(1);
                     },
                     1, 1, written});
    cases.push_back({"palette over block 1", raster,
                     [](const std::string& path, const RMF&) {
                       PatchValue(path, offsetof(RMF, PalettePosition),
                                  rmftest::TableEntry(path, 1).Position);
                     },
                     0,
                     [](TRmf& f) {
                       f.Palette(kColours, 4);
                       return f.Save(1);
                     },
                     0, 1,
                     [](TRmf& f) {
                       for (int i = 0; i < 4; ++i) EXPECT_EQ(kColours[i], f.PaletteWords[i]) << i;
                     }});
  }
  // A reduced copy's block moved into the image's block 2: the copy
  // brought up to date under a written block stores it anew.
  cases.push_back({"copy block over image block 2", true,
                   [](const std::string& path, const RMF&) {
                     {
                       TRst rst(path.c_str(), 0);
                       ASSERT_NE(&rst, rst.GetRstClass(1));
                     }
                     const RMF main = rmftest::ReadHeader(path);
                     ASSERT_NE(0u, main.NextCopy);
                     RMF copy{};
                     const std::string bytes = rmftest::ReadAll(path);
                     std::memcpy(&copy, bytes.data() + main.NextCopy, sizeof(copy));
                     PatchValue(path, copy.TablePosition, rmftest::TableEntry(path, 2).Position);
                   },
                   0,
                   [](TRmf& f) {
                     const std::vector<char> p = rmftest::Pattern(9, 65536);
                     EXPECT_EQ(65536, static_cast<TRst&>(f).WriteBlock(0, 0, p.data(), 65536));
                     return static_cast<TRst&>(f).SaveDuplicates(1);
                   },
                   1, 0,
                   [](TRmf& f) {
                     LONG v = 0;
                     EXPECT_EQ(1, f.GetPoint(v, 0, 0));
                     EXPECT_EQ(LONG(BYTE(rmftest::Pattern(9, 1)[0])), v);
                   }});

  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(std::string(c.what) + (c.raster ? " (raster)" : " (matrix)"));
    Make(c.raster);
    std::string kept;
    {
      int opened = 0;
      auto f = Open(c.raster, &opened);
      ASSERT_EQ(1, opened);
      kept = Block(*f, c.keptRow, c.keptColumn);
    }
    c.damage(name, rmftest::ReadHeader(name));
    const std::string damaged = rmftest::ReadAll(name);
    int opened = 0;
    auto f = Open(c.raster, &opened);
    if (c.refused) {
      EXPECT_EQ(0, opened);
      EXPECT_EQ(c.refused, f->GetError());
      EXPECT_FALSE(f->IsOpen());
      f.reset();
      EXPECT_TRUE(damaged == rmftest::ReadAll(name)) << "the file was changed";
      continue;
    }
    ASSERT_EQ(1, opened) << f->GetError();
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(1, c.change(*f)) << f->GetError();
    f.reset();
    f = Open(c.raster, &opened);
    ASSERT_EQ(1, opened) << f->GetError();
    EXPECT_TRUE(kept == Block(*f, c.keptRow, c.keptColumn)) << "the block was written over";
    c.changed(*f);
  }
}

// A reduced copy whose header, table or an area lies over another image's
// bytes is refused (read-only, the raster is shown without it); asked for
// in a raster that can be written, a copy is made anew at the end of the
// file, and saving the image and its copies leaves those bytes as they
// were.
TEST_F(RmfPlacesTest, ACopyOverAnotherImagesBytesIsRefusedAndMadeAnew) {
  struct CopyCase {
    const char* what;
    // Damages the file (its image's header `h`, its copy's `copy` at
    // h.NextCopy): the place of the bytes that must stay.
    std::function<std::pair<DWORD, DWORD>(const RMF& h, const RMF& copy)> damage;
  };
  const std::vector<CopyCase> cases = {
      {"copy table over image block 2",
       [&](const RMF& h, const RMF&) {
         const RMFBLOCKDESC two = rmftest::TableEntry(name, 2);
         PatchValue(name, h.NextCopy + offsetof(RMF, TablePosition), two.Position);
         return std::make_pair(two.Position, two.Length);
       }},
      {"copy header over the image's palette",
       [&](const RMF& h, const RMF& copy) {
         rmftest::Patch(name, h.PalettePosition, &copy, sizeof(copy));
         PatchValue(name, offsetof(RMF, NextCopy), h.PalettePosition);
         return std::make_pair(h.PalettePosition, h.PaletteLength);
       }},
      {"copy flags over the image's table",
       [&](const RMF& h, const RMF&) {
         PatchValue(name, h.NextCopy + offsetof(RMF, FlagsPosition), h.TablePosition);
         PatchValue(name, h.NextCopy + offsetof(RMF, FlagsLength), DWORD(1));
         return std::make_pair(h.TablePosition, DWORD(32));
       }},
  };
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.what);
    Make(true);
    {
      TRst rst(name.c_str(), 0);
      ASSERT_NE(&rst, rst.GetRstClass(1));
    }
    const RMF h = rmftest::ReadHeader(name);
    ASSERT_NE(0u, h.NextCopy);
    RMF copy{};
    std::memcpy(&copy, rmftest::ReadAll(name).data() + h.NextCopy, sizeof(copy));
    const auto [at, length] = c.damage(h, copy);
    const DWORD damaged = rmftest::ReadHeader(name).NextCopy;
    const std::string held = rmftest::ReadAll(name).substr(at, length);
    {
      TRst rst(name.c_str(), int(GENERIC_READ));
      EXPECT_EQ(&rst, rst.GetRstClass(1));
      EXPECT_EQ(MAPERR_DATA, rst.GetRstDuplicate()->GetError());
    }
    {
      TRst rst(name.c_str(), 0);
      TRst* made = rst.GetRstClass(1);
      ASSERT_NE(&rst, made);
      EXPECT_NE(damaged, made->HeadPosition);
      const std::vector<char> p = rmftest::Pattern(9, 65536);
      EXPECT_EQ(65536, rst.WriteBlock(0, 0, p.data(), 65536));
      EXPECT_EQ(1, rst.SaveDuplicates(1)) << rst.GetError();
    }
    EXPECT_TRUE(held == rmftest::ReadAll(name).substr(at, length)) << "the bytes were written over";
    TRst rst(name.c_str(), int(GENERIC_READ));
    TRst* again = rst.GetRstClass(1);
    ASSERT_NE(&rst, again);
    LONG v = 0;
    EXPECT_EQ(1, again->GetPoint(v, 0, 0)) << again->GetError();
  }
}

// A change of the image carried into its copies meets a copy refused as
// damaged (its table over image block 2): the change is saved and answered
// 1, the copy is made anew at the end from the image as it is now, and the
// bytes under the damaged table stay. Copy 1 and copy 2 damaged in turn.
TEST_F(RmfPlacesTest, AChangeMeetingARefusedCopySavesAndMakesTheCopyAnew) {
  const std::vector<char> p = rmftest::Pattern(9, 65536);
  // Block (0, 0) of the copy at `level` of the raster in `path`.
  const auto copyBlock = [](const std::string& path, int level) {
    TRst rst(path.c_str(), int(GENERIC_READ));
    TRst* copy = rst.GetRstClass(1);
    for (int i = 1; i < level && copy != &rst; ++i)
      if (!copy->Head.NextCopy || !copy->ReadDuplicate(copy->Head.NextCopy)) return std::string();
    const BYTE* b = copy == &rst ? nullptr : copy->GetBlockAddress(0, 0);
    const size_t size = size_t(copy->Head.BlockWidth) * size_t(copy->Head.BlockHeight);
    return b ? std::string(reinterpret_cast<const char*>(b), size) : std::string();
  };
  const auto make = [&](const std::string& path) {
    ASSERT_EQ(1, rmftest::MakeRaster(path, 512, 512));
    TRst rst(path.c_str(), 0);
    ASSERT_NE(&rst, rst.GetRstClass(1));
    ASSERT_EQ(1, rst.CreateDuplicate(2));
  };
  const std::string reference = dir / "ref.rsw";
  make(reference);
  {
    TRst rst(reference.c_str(), 0);
    ASSERT_EQ(65536, rst.WriteBlock(0, 0, p.data(), 65536));
  }
  for (const int level : {1, 2}) {
    SCOPED_TRACE(level);
    make(name);
    const RMF h = rmftest::ReadHeader(name);
    DWORD at = h.NextCopy;
    if (level == 2) {
      RMF first{};
      std::memcpy(&first, rmftest::ReadAll(name).data() + at, sizeof(first));
      at = first.NextCopy;
    }
    const RMFBLOCKDESC two = rmftest::TableEntry(name, 2);
    PatchValue(name, at + offsetof(RMF, TablePosition), two.Position);
    const std::string held = rmftest::ReadAll(name).substr(two.Position, two.Length);
    {
      TRst rst(name.c_str(), 0);
      EXPECT_EQ(65536, rst.WriteBlock(0, 0, p.data(), 65536)) << rst.GetError();
      EXPECT_EQ(1, rst.SaveDuplicates(0)) << rst.GetError();
    }
    EXPECT_TRUE(held == rmftest::ReadAll(name).substr(two.Position, two.Length));
    const std::string made = copyBlock(name, level);
    ASSERT_FALSE(made.empty());
    EXPECT_TRUE(made == copyBlock(reference, level)) << "the copy does not show the change";
  }
}
