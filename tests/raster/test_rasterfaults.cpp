// The raster and matrix writes other than Save, each with its file
// operations failing in turn: creating a raster or matrix, turning the
// border display off (which stores the block classes) and building a
// reduced copy. A failure is reported with a code; a reported success
// always reopens with the data, and a failed step leaves a file that a
// later call completes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "raster/mtl.h"
#include "raster/mtr.h"
#include "raster/rst.h"
#include "support/fault_sweep.h"
#include "support/rasterfixture.h"
#include "support/rmfbuild.h"
#include "support/rmffiles.h"

namespace {

constexpr DWORD kColour = 0x00ABCDEF;

bool Reported(int code) {
  return code == MAPERR_WRITE || code == MAPERR_DISKFULL || code == MAPERR_OPEN ||
         code == MAPERR_READ;
}

class RasterFaults : public rmftest::RasterFileTest {
 protected:
  std::string name = dir / "a.rsw";

  // Writes `block` as block (1, 1) of a raster that make(path) builds with
  // its reduced copies, each file operation failing in turn: a failure is
  // reported, the next SaveDuplicates carries what was left into the copies,
  // and the copies of the reopened file (as copies(path) gives them) are
  // those of the image it holds, the old block or the new. The runs made.
  template <class Copies>
  int SweepBlockWriteIntoCopies(const std::vector<char>& block,
                                const std::function<void(const std::string&)>& make,
                                Copies copies) {
    const std::string reference = dir / "ref.rsw";
    make(reference);
    const auto before = copies(reference);
    const int size = int(block.size());
    {
      TRst rst(reference.c_str(), 0);
      EXPECT_EQ(size, rst.WriteBlock(1, 1, block.data(), size));
    }
    const auto after = copies(reference);
    EXPECT_NE(before, after);

    std::unique_ptr<TRst> rst;
    mctest::FaultSweep sweep;
    sweep.prepare = [&] {
      rst.reset();
      make(name);
      rst = std::make_unique<TRst>(name.c_str(), 0);
    };
    int written = -1, code = -1;
    return sweep.Run(
        [&] {
          written = rst->WriteBlock(1, 1, block.data(), size);
          code = rst->GetError();
        },
        [&](const mctest::SweepRun& run) {
          if (written != size) {
            EXPECT_EQ(0, written) << run;
            EXPECT_TRUE(Reported(code)) << run << " code " << code;
          }
          // What was left to carry into the copies is carried by the next save.
          EXPECT_EQ(1, rst->SaveDuplicates(0)) << run << " code " << rst->GetError();
          rst.reset();
          TRst reopened(name.c_str(), GENERIC_READ);
          ASSERT_TRUE(reopened.IsOpen()) << run;
          const bool isNew = Bytes(reopened.GetBlockAddress(1, 1), size) ==
                             std::string(block.begin(), block.end());
          EXPECT_TRUE(isNew || written != size) << run;
          EXPECT_TRUE(copies(name) == (isNew ? after : before))
              << run << (isNew ? " new" : " old");
        });
  }
};

// A matrix of 300 x 300 elements of 2 m, 2 bytes in decimetres.
BUILDMTW Build() {
  BUILDMTW b = rmftest::MatrixBuild(0, 0, 600, 600, 2, 2, 50000);
  b.HeightUnit = 1;
  return b;
}

// A new file made by one of the creating calls: what it returns and its
// code, then what the file must hold when that was a success.
struct CreateCase {
  const char* what;
  // Held by a shared pointer, which destroys the object by its own type.
  std::function<std::shared_ptr<TRmf>(const std::string&, int& result)> create;
  std::function<void(const std::string&)> expect;
  int operations;  // the file operations it makes, each failed in turn
};

}  // namespace

TEST_F(RasterFaults, EveryFailedCreationIsReportedAndEverySuccessReopens) {
  const CreateCase cases[] = {
      {"raster",
       [](const std::string& n, int& result) {
         auto rst = std::make_shared<TRst>();
         const std::vector<DWORD> palette(256, kColour);
         result = rst->Create(n.c_str(), 512, 256, 8, palette.data(), 1, 1);
         return rst;
       },
       [](const std::string& n) {
         TRst rst;
         ASSERT_EQ(1, rst.Open(n.c_str(), GENERIC_READ)) << rst.GetError();
         EXPECT_EQ(512, rst.Head.Width);
         EXPECT_EQ(kColour, rst.PaletteWords[0]);
       },
       5},
      {"matrix",
       [](const std::string& n, int& result) {
         auto mtr = std::make_shared<TMtr>();
         BUILDMTW b = Build();
         result = mtr->Create(n.c_str(), &b, nullptr, 0);
         return mtr;
       },
       [](const std::string& n) {
         TMtr mtr;
         ASSERT_EQ(1, mtr.Open(n.c_str(), GENERIC_READ)) << mtr.GetError();
         EXPECT_EQ(RMF_MTW, mtr.Head.Ident);
         EXPECT_EQ(300, mtr.Head.Width);
         EXPECT_EQ(-32767.0, mtr.Head.EmptyValue);
       },
       6},
      {"quality matrix",
       [](const std::string& n, int& result) {
         auto mtr = std::make_shared<TMtr>();
         BUILDMTW b = Build();
         MTRPROJECTIONDATA proj{};
         proj.Length = sizeof(proj);
         proj.ProjectionCode = -1;
         const COLORREF colours[] = {kColour, 0x123456};
         result = mtr->CreateMtq(n.c_str(), &b, &proj, colours, 2);
         return mtr;
       },
       [](const std::string& n) {
         TMtr mtr;
         ASSERT_EQ(1, mtr.Open(n.c_str(), GENERIC_READ)) << mtr.GetError();
         EXPECT_EQ(RMF_MTQ, mtr.Head.Ident);
         EXPECT_EQ(8u, mtr.Head.PaletteLength);
         EXPECT_EQ(kColour, mtr.PaletteWords[0]);
       },
       10},
      {"layer matrix",
       [](const std::string& n, int& result) {
         auto mtl = std::make_shared<TMtl>();
         MTLBUILDPARM p = rmftest::DecimetreLayerMatrix();
         result = mtl->Create(n.c_str(), &p);
         return mtl;
       },
       [](const std::string& n) {
         TMtl mtl;
         ASSERT_EQ(1, mtl.Open(n.c_str(), GENERIC_READ)) << mtl.GetError();
         EXPECT_EQ(3, mtl.LayerCount());
         EXPECT_EQ(2u, mtl.LayerHead()->PowerUnit);
       },
       4},
  };
  for (const CreateCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::shared_ptr<TRmf> made;
    int result = -1, code = -1;
    mctest::FaultSweep sweep;
    sweep.prepare = [&] { std::filesystem::remove(name); };
    const int runs = sweep.Run(
        [&] {
          made = c.create(name, result);
          code = made->GetError();
        },
        [&](const mctest::SweepRun& run) {
          made.reset();
          if (result == 1) {
            c.expect(name);
          } else {
            EXPECT_TRUE(run.faulted) << run;
            EXPECT_TRUE(Reported(code)) << run << " code " << code;
          }
        });
    EXPECT_EQ(c.operations, runs);
  }
}

TEST_F(RasterFaults, TurningTheBorderOffKeepsTheNewClassesWhenTheirStoreFails) {
  // Three blocks in a row; the file holds the classes of a border over the
  // first two, the object a new border over the last two.
  auto border = [](TDataEdit& edit, int from, int to) {
    edit.Init();
    edit.Create(METRIC_I32, 0);
    for (auto [x, y] : {std::pair{from, 10}, {to, 10}, {to, 200}, {from, 200}, {from, 10}})
      edit.AppendPointSubject(0, x, y);
  };
  std::unique_ptr<TRmf> rmf;
  std::vector<int> classes;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    rmf.reset();
    {
      TRmf make;
      ASSERT_EQ(1, make.Create(name.c_str(), 768, 256, 8, nullptr, 1, 1));
      TDataEdit first;
      border(first, 10, 400);
      ASSERT_EQ(1, make.SetBorder(&first));
      first.Free();
      ASSERT_EQ(1, make.Save());
    }
    rmf = std::make_unique<TRmf>();
    ASSERT_EQ(1, rmf->OpenFile(name.c_str()));
    TDataEdit second;
    border(second, 300, 760);
    ASSERT_EQ(1, rmf->SetBorder(&second));
    second.Free();
    classes.clear();
    for (int n = 0; n < 3; ++n) classes.push_back(rmf->BlockFlag(n));
  };
  int shown = -1, code = -1;
  const int runs = sweep.Run(
      [&] {
        shown = rmf->ShowByBorder(0);
        code = rmf->GetError();
      },
      [&](const mctest::SweepRun& run) {
        if (shown != 0) {
          EXPECT_TRUE(Reported(code)) << run << " code " << code;
        }
        EXPECT_EQ(0, rmf->ShowByBorder(0)) << run << " code " << rmf->GetError();
        ASSERT_EQ(1, rmf->Save()) << run << " code " << rmf->GetError();
        rmf.reset();
        TRmf reopened;
        ASSERT_EQ(1, reopened.OpenFile(name.c_str())) << run;
        EXPECT_EQ(0, reopened.ShowByBorder()) << run;
        EXPECT_EQ(1, reopened.ShowByBorder(1)) << run;
        for (int n = 0; n < 3; ++n) EXPECT_EQ(classes[size_t(n)], reopened.BlockFlag(n)) << run << n;
      });
  EXPECT_EQ(1, runs);  // the flags written in place
}

// A copy made under faults, in a raster without one and in one whose copy
// has its table over the image's block 2 (refused, so made anew at the end
// of the file): a failure is reported, the next attempt completes the
// copy, and the image's blocks keep their bytes.
TEST_F(RasterFaults, AFailedReducedCopyIsReportedAndTheNextAttemptCompletesIt) {
  // The copy a clean run makes, to compare with.
  const std::string reference = dir / "ref.rsw";
  ASSERT_EQ(1, rmftest::MakeRaster(reference, 1024, 1024));
  std::string copied;
  {
    TRst rst(reference.c_str(), 0);
    ASSERT_EQ(1, rst.CreateDuplicate(1));
    copied = Bytes(rst.GetRstClass(1)->GetBlockAddress(0, 0), 65536);
    ASSERT_EQ(65536u, copied.size());
  }
  auto expectFile = [&](const mctest::SweepRun& run) {
    TRst rst(name.c_str(), GENERIC_READ);
    ASSERT_TRUE(rst.IsOpen()) << run << " code " << rst.GetError();
    for (const int n : {2, 15}) {
      const std::vector<char> image = rmftest::Pattern(n, 65536);
      const std::string read = Bytes(rst.GetBlockAddress(n / 4, n % 4), 65536);
      EXPECT_TRUE(std::string(image.begin(), image.end()) == read) << run << " block " << n;
    }
    TRst* copy = rst.GetRstClass(1);
    ASSERT_NE(&rst, copy) << run;
    EXPECT_EQ(256, copy->Head.Width) << run;
    EXPECT_TRUE(copied == Bytes(copy->GetBlockAddress(0, 0), 65536)) << run;
  };
  for (const bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "a copy over block 2" : "no copy");
    std::unique_ptr<TRst> rst;
    mctest::FaultSweep sweep;
    sweep.prepare = [&] {
      rst.reset();
      ASSERT_EQ(1, rmftest::MakeRaster(name, 1024, 1024));
      if (damaged) {
        {
          TRst made(name.c_str(), 0);
          ASSERT_EQ(1, made.CreateDuplicate(1));
        }
        const DWORD copy = rmftest::ReadHeader(name).NextCopy;
        const DWORD two = rmftest::TableEntry(name, 2).Position;
        rmftest::PatchValue(name, copy + offsetof(RMF, TablePosition), two);
      }
      rst = std::make_unique<TRst>(name.c_str(), 0);
      ASSERT_TRUE(rst->IsOpen());
    };
    int made = -1, code = -1;
    const int runs = sweep.Run(
        [&] {
          made = rst->CreateDuplicate(1);
          code = rst->GetError();
        },
        [&](const mctest::SweepRun& run) {
          if (made != 1) {
            EXPECT_TRUE(run.faulted) << run;
            EXPECT_TRUE(Reported(code)) << run << " code " << code;
            // The file is still good: the image reopens, and building the
            // copy again completes it.
            rst.reset();
            {
              TRst again(name.c_str(), 0);
              ASSERT_TRUE(again.IsOpen()) << run << " code " << again.GetError();
              EXPECT_EQ(1, again.CreateDuplicate(1)) << run << " code " << again.GetError();
            }
          }
          rst.reset();
          expectFile(run);
        });
    EXPECT_GE(runs, 20);  // the copy's header, table, blocks and the source reads
  }
}

// Also where a damaged table puts the last block over the layer block: the
// layer block is then stored anew, and the block's cells stay as they were.
TEST_F(RasterFaults, EveryFailedLayerMatrixSaveIsReportedAndMadeGoodLater) {
  for (const bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "layer block under a block" : "intact");
    const std::string path = dir / "a.mtl";
    std::unique_ptr<TMtl> mtl;
    mctest::FaultSweep sweep;
    const auto cells = [](TMtl& m) {
      std::string bytes;
      for (int row = 64; row < 100; ++row)
        for (int col = 0; col < 64; ++col)
          bytes.append(reinterpret_cast<const char*>(m.GetElement(row, col)), 5);
      return bytes;
    };
    std::string under;
    sweep.prepare = [&] {
      mtl.reset();
      {
        TMtl make;
        MTLBUILDPARM p = rmftest::DecimetreLayerMatrix();
        ASSERT_EQ(1, make.Create(path.c_str(), &p));
        if (damaged) {
          const char record[5] = {0x10, 0x00, 1, 2, 3};
          ASSERT_EQ(1, make.PutElement(record, 5, 99, 63));
        }
      }
      if (damaged) {
        rmftest::PatchValue(path, 320 + 8, DWORD(336));  // block 1 over the layer block
        rmftest::PatchValue(path, 320 + 12, DWORD(36 * 64 * 5));
        TMtl look(path.c_str(), GENERIC_READ);
        under = cells(look);
      }
      mtl = std::make_unique<TMtl>();
      ASSERT_EQ(1, mtl->Open(path.c_str()));
      // The layer block, a new block and the header change.
      ASSERT_EQ(1, mtl->LayerMeasure(3));
      ASSERT_EQ(1, mtl->PutPlaneHeight(6995, 3005, 123.4));
      ASSERT_EQ(1, mtl->PutPlanePower(6995, 3005, 0.25, 2));
      mtl->Head.Maximum = 1234;
      mtl->HeadChanged = 1;
    };
    int saved = -1, code = -1;
    const int runs = sweep.Run(
        [&] {
          saved = mtl->Save();
          code = mtl->GetError();
        },
        [&](const mctest::SweepRun& run) {
          if (run.faulted) {
            EXPECT_EQ(0, saved) << run;
            EXPECT_TRUE(Reported(code)) << run << " code " << code;
          } else {
            EXPECT_EQ(1, saved) << run;
          }
          EXPECT_EQ(1, mtl->Save()) << run << " code " << mtl->GetError();
          mtl.reset();
          TMtl reopened;
          ASSERT_EQ(1, reopened.Open(path.c_str(), GENERIC_READ)) << run;
          EXPECT_EQ(3u, reopened.LayerHead()->PowerUnit) << run;
          double h = 0, power = 0;
          EXPECT_EQ(1, reopened.GetPlaneHeight(h, 6995, 3005)) << run;
          EXPECT_NEAR(123.4, h, 1e-9) << run;
          EXPECT_EQ(1, reopened.GetPlanePower(power, 6995, 3005, 2)) << run;
          EXPECT_NEAR(0.25, power, 1e-9) << run;
          EXPECT_EQ(1234.0, reopened.Head.Maximum) << run;
          if (damaged) {
            EXPECT_TRUE(cells(reopened) == under) << run;
          }
        });
    EXPECT_EQ(4, runs);  // the layer block, the block, the table, the header
  }
}

// Copy 1 of a 1024 x 1024 image, its block (0, 0) as it was and as it is
// with block (1, 1) new. Also over a copy whose table lies over image
// block 2: the write makes the copy anew, and whatever failed, the copy a
// writer is given next (made again when it was dropped) shows the image
// the file holds.
TEST_F(RasterFaults, AFailedBlockWriteKeepsTheReducedCopyInStepWithTheImage) {
  for (const bool refused : {false, true}) {
    SCOPED_TRACE(refused ? "copy refused as damaged" : "intact copy");
    const int runs = SweepBlockWriteIntoCopies(
        rmftest::Pattern(99, 65536),
        [refused](const std::string& path) {
          ASSERT_EQ(1, rmftest::MakeRaster(path, 1024, 1024));
          {
            TRst rst(path.c_str(), 0);
            ASSERT_EQ(1, rst.CreateDuplicate(1));
          }
          if (!refused) return;
          const DWORD copy = rmftest::ReadHeader(path).NextCopy;
          rmftest::PatchValue(path, copy + offsetof(RMF, TablePosition),
                              rmftest::TableEntry(path, 2).Position);
        },
        [refused](const std::string& path) {
          TRst rst(path.c_str(), refused ? 0 : int(GENERIC_READ));
          TRst* copy = rst.GetRstClass(1);
          return copy == &rst ? std::string() : Bytes(copy->GetBlockAddress(0, 0), 65536);
        });
    EXPECT_GE(runs, 8);  // the block, the copy header and block reads, the writes
  }
}

TEST_F(RasterFaults, AFailedBlockWriteKeepsCopiesAnotherProgramMadeInStep) {
  // A 600 x 500 image with copies at 1/2 and 1/4 made by another program;
  // block (1, 1) is 244 x 256 elements.
  const int runs = SweepBlockWriteIntoCopies(
      rmftest::Pattern(99, 244 * 256),
      [](const std::string& path) {
        ASSERT_EQ(1, rmftest::MakeRaster(path, 600, 500));
        rmftest::AppendForeignCopies(path, {2, 4},
                                     [](int y, int x, int f) { return (y + x + f) % 13; });
      },
      [](const std::string& path) {
        std::vector<std::vector<BYTE>> all;
        for (const rmftest::StoredCopy& c : rmftest::StoredCopies(path)) all.push_back(c.elements);
        return all;
      });
  EXPECT_GE(runs, 8);
}

TEST_F(RasterFaults, AFailedConversionOfAnOldRasterLeavesItToConvertAtTheNextOpening) {
  // An old 8-bit raster of 512 x 256 elements in two blocks of 256, each
  // with its pattern, and 256 colour words i * 0x010101 at its end.
  RST h{};
  h.Ident = RST_SIGN;
  h.Height = h.BlockHeight = h.LastHeight = h.BlockWidth = h.LastWidth = 256;
  h.Width = 512;
  h.BlockRows = 1;
  h.BlockColumns = 2;
  h.Bits = 8;
  std::string old(RST_DATA, '\0');
  for (int n = 0; n < 2; ++n) {
    const std::vector<char> p = rmftest::Pattern(n, 65536);
    old.append(p.begin(), p.end());
  }
  for (DWORD i = 0; i < 256; ++i) {
    const DWORD colour = i * 0x010101;
    old.append(reinterpret_cast<const char*>(&colour), 4);
  }
  h.Length = DWORD(old.size());
  std::memcpy(old.data(), &h, sizeof(h));
  auto expectRaster = [&](TRst& rst, const mctest::SweepRun& run) {
    const std::vector<char> second = rmftest::Pattern(1, 65536);
    EXPECT_TRUE(std::string(second.begin(), second.end()) == Bytes(rst.GetBlockAddress(0, 1), 65536))
        << run;
    EXPECT_EQ(0x050505u, rst.PaletteWords[5]) << run;
  };

  mctest::FaultSweep sweep;
  sweep.prepare = [&] { rmftest::WriteAll(name, old); };
  int opened = -1, code = -1;
  const int runs = sweep.Run(
      [&] {
        TRst rst;
        opened = rst.Open(name.c_str());
        code = rst.GetError();
      },
      [&](const mctest::SweepRun& run) {
        // (A failed read of the old header is 60005, as for the rest of
        // that format's reads.)
        if (!opened) {
          EXPECT_TRUE(Reported(code) || code == MAPERR_DATA) << run << " code " << code;
        }
        // The old data is never touched, and an opening for writing
        // converts what is left.
        EXPECT_TRUE(old.substr(64) == rmftest::ReadAll(name).substr(64, old.size() - 64)) << run;
        {
          TRst rst;
          ASSERT_EQ(1, rst.Open(name.c_str())) << run << " code " << rst.GetError();
          expectRaster(rst, run);
        }
        EXPECT_EQ(1, rmftest::ReadAll(name)[63]) << run;
        TRst rst(name.c_str(), GENERIC_READ);
        ASSERT_TRUE(rst.IsOpen()) << run;
        EXPECT_EQ(RMF_VERSION_CONVERTED, rst.Head.Version) << run;
        expectRaster(rst, run);
      });
  EXPECT_EQ(7, runs);  // the old file's reads; the table, header and mark writes
}

// Three copies of a 512 x 512 image (128, 32 and 8 elements a side), one
// of them damaged: its header counting in units, or its block table over
// image block 0, over the image's table or over the file's header. The
// image is changed (elements put, then SaveDuplicates(1); or a block
// written, which carries at once) with each file operation failing in
// turn. The save answers 1 or a code, never re-enters itself; the next
// save completes what a failure left; every copy a reader then takes holds
// the image's values reduced, and the file grows by no more than the
// copies made anew and the block moved.
TEST_F(RasterFaults, ACopyRefusedAtAnyLevelIsMadeAnewOnceAfterTheImagesSave) {
  const std::vector<char> block = rmftest::Pattern(77, 65536);
  // The edits: sixteen elements of block 0 put through the cache, or all
  // of block 0 written.
  auto put = [](TRst& rst) {
    for (int r = 0; r < 8; ++r)
      for (int c = 0; c < 8; ++c) ASSERT_EQ(1, rst.PutPoint(0xEE, r, c));
  };
  // The copies a reader takes, in chain order: each copy's elements block
  // by block, "refused" for one it cannot read.
  auto copiesOf = [](const std::string& path) {
    std::vector<std::string> out;
    TRst rst(path.c_str(), GENERIC_READ);
    EXPECT_TRUE(rst.IsOpen()) << rst.GetError();
    TRst* copy = rst.GetRstClass(1);
    if (copy == &rst) return out;
    for (int level = 1; level <= 8; ++level) {
      std::string elements;
      for (int r = 0; r < copy->Head.BlockRows; ++r)
        for (int c = 0; c < copy->Head.BlockColumns; ++c) elements += Block(*copy, r, c);
      out.push_back(elements);
      const DWORD next = copy->Head.NextCopy;
      if (!next) break;
      if (!copy->ReadDuplicate(next)) {
        out.push_back("refused");
        break;
      }
    }
    return out;
  };
  auto make = [](const std::string& path, const std::function<void(TRst&)>& edit) {
    ASSERT_EQ(1, rmftest::MakeRaster(path, 512, 512));
    TRst rst(path.c_str(), 0);
    if (edit) edit(rst);
    for (int k = 1; k <= 3; ++k) ASSERT_EQ(1, rst.CreateDuplicate(k)) << k;
  };
  const std::string reference = dir / "ref.rsw";
  make(reference, nullptr);
  const std::vector<std::string> before = copiesOf(reference);
  const uint64_t imageOnly = [&] {
    const RMF h = rmftest::ReadHeader(reference);
    return uint64_t(h.NextCopy);
  }();
  const uint64_t copyBytes = rmftest::ReadAll(reference).size() - imageOnly;
  const std::string clean = rmftest::ReadAll(reference);
  std::vector<std::string> after[2];
  make(reference, put);
  after[0] = copiesOf(reference);
  make(reference, [&](TRst& rst) { ASSERT_EQ(65536, rst.WriteBlock(0, 0, block.data(), 65536)); });
  after[1] = copiesOf(reference);
  ASSERT_EQ(3u, before.size());
  ASSERT_NE(before, after[0]);
  ASSERT_NE(before, after[1]);

  const RMF main = rmftest::ReadHeader(reference);
  const char* kinds[] = {"units", "table over block 0", "table over the image's table",
                         "table over the header"};
  for (int kind = 0; kind < 4; ++kind) {
    for (int level = 1; level <= 3; ++level) {
      // The file with copy `level` damaged.
      rmftest::WriteAll(name, clean);
      DWORD at = main.NextCopy;
      for (int k = 1; k < level; ++k) {
        DWORD next = 0;
        std::memcpy(&next, clean.data() + at + offsetof(RMF, NextCopy), sizeof(next));
        at = next;
      }
      if (kind == 0) {
        rmftest::PatchValue(name, at + offsetof(RMF, UnitShift), BYTE(RMF_UNIT_SHIFT));
      } else {
        const DWORD over = kind == 1   ? rmftest::TableEntry(name, 0).Position
                           : kind == 2 ? main.TablePosition
                                       : DWORD(16);
        rmftest::PatchValue(name, at + offsetof(RMF, TablePosition), over);
      }
      const std::string damaged = rmftest::ReadAll(name);
      for (const bool write : {false, true}) {
        SCOPED_TRACE(std::string(kinds[kind]) + " in copy " + std::to_string(level) +
                     (write ? ", a block written" : ", elements put and saved"));
        std::unique_ptr<TRst> rst;
        mctest::FaultSweep sweep;
        sweep.prepare = [&] {
          rst.reset();
          rmftest::WriteAll(name, damaged);
          rst = std::make_unique<TRst>(name.c_str(), 0);
          ASSERT_TRUE(rst->IsOpen());
          if (!write) put(*rst);
        };
        int saved = -1, code = -1;
        sweep.Run(
            [&] {
              saved = write ? (rst->WriteBlock(0, 0, block.data(), 65536) == 65536 ? 1 : 0)
                            : rst->SaveDuplicates(1);
              code = rst->GetError();
            },
            [&](const mctest::SweepRun& run) {
              if (saved != 1) {
                EXPECT_EQ(0, saved) << run;
                EXPECT_TRUE(run.faulted) << run;
                EXPECT_TRUE(Reported(code)) << run << " code " << code;
                EXPECT_EQ(1, rst->SaveDuplicates(0)) << run << " code " << rst->GetError();
              }
              rst.reset();
              const std::vector<std::string> copies = copiesOf(name);
              const bool isNew = [&] {
                TRst image(name.c_str(), GENERIC_READ);
                const std::string b = Block(image, 0, 0);
                return write ? b == Bytes(block) : BYTE(b.at(0)) == 0xEE;
              }();
              EXPECT_TRUE(isNew || saved != 1) << run;
              // Elements put are not carried into the copies: only the
              // copy made anew from the image holds them.
              EXPECT_LE(copies.size(), size_t(write ? 3 : level)) << run;
              for (size_t i = 0; i < copies.size(); ++i) {
                const bool carried = write || int(i) + 1 == level;
                EXPECT_TRUE(copies[i] == (isNew && carried ? after[write] : before)[i])
                    << run << " copy " << i + 1 << (isNew ? " new" : " old");
              }
              EXPECT_LE(rmftest::ReadAll(name).size(), damaged.size() + copyBytes + 65536) << run;
            });
      }
    }
  }
}
