// Save with each of its file operations failing in turn: it reports the
// failure with its code, keeps what it did not write marked changed, and a
// later Save completes the file so that it reopens with every change.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "raster/rmf.h"
#include "support/fault_sweep.h"
#include "support/host_recorder.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

using rmftest::Pattern;

namespace {

constexpr DWORD kColour = 0x00ABCDEF;

std::string Bytes(const BYTE* b, int size) {
  return b ? std::string(reinterpret_cast<const char*>(b), size_t(size)) : std::string();
}

// Every area of the file changed: the palette, a plain block changed in
// place, a new block, new flags, a new border and the addition.
void Change(TRmf& rmf) {
  rmf.Palette(&kColour, 1);
  BYTE* b = rmf.GetBlockAddress(0, 0);
  ASSERT_NE(nullptr, b);
  b[0] = 'Q';
  rmf.BlockChanged(rmf.CurrentSlot);
  b = rmf.GetBlockAddressAndCreate(0, 1);
  ASSERT_NE(nullptr, b);
  const std::vector<char> p = Pattern(1, 65536);
  std::copy(p.begin(), p.end(), b);
  ASSERT_EQ(1, rmf.AllocateBlockFlags(2));
  rmf.SetBlockFlag(1, 2);
  rmf.Border.Create(METRIC_I32, 0);
  for (auto [x, y] : {std::pair{0.0, 0.0}, {0.0, 9.0}, {9.0, 9.0}, {0.0, 0.0}})
    rmf.Border.AppendPointSubject(0, x, y);
  rmf.BorderChanged = 1;
  rmf.Addition[0] = 7;
  rmf.AdditionChanged = 1;
}

void ExpectChanged(const std::string& name, const mctest::SweepRun& run) {
  TRmf rmf;
  ASSERT_EQ(1, rmf.OpenFile(name.c_str(), GENERIC_READ)) << run << " code " << rmf.GetError();
  EXPECT_EQ(kColour, rmf.PaletteWords[0]) << run;
  std::vector<char> first = Pattern(0, 65536);
  first[0] = 'Q';
  EXPECT_EQ(std::string(first.begin(), first.end()), Bytes(rmf.GetBlockAddress(0, 0), 65536)) << run;
  const std::vector<char> second = Pattern(1, 65536);
  EXPECT_EQ(std::string(second.begin(), second.end()), Bytes(rmf.GetBlockAddress(0, 1), 65536))
      << run;
  EXPECT_EQ(2, rmf.BlockFlag(1)) << run;
  EXPECT_EQ(4, rmf.Border.TotalPointCount()) << run;
  EXPECT_EQ(7, rmf.Addition[0]) << run;
  EXPECT_EQ(rmf.FileLength(), int64_t(rmf.Head.Length)) << run;
}

}  // namespace

TEST(RmfFaults, EveryFailedWriteOfASaveIsReportedAndMadeGoodLater) {
  plat::SetWriteThroughEnabled(false);
  const int messages = MessageEnableSet(0);
  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string name = dir / "a.rsw";
  const plat::VfsFault faults[] = {plat::VfsFault::Error, plat::VfsFault::ShortDiskFull};
  for (plat::VfsFault how : faults) {
    SCOPED_TRACE(int(how));
    std::unique_ptr<TRmf> rmf;
    mctest::FaultSweep sweep;
    sweep.fault.how = how;
    sweep.prepare = [&] {
      rmf.reset();
      {
        TRmf make;
        ASSERT_EQ(1, make.Create(name.c_str(), 512, 256, 8, nullptr, 1, 1));
        const std::vector<char> p = Pattern(0, 65536);
        ASSERT_EQ(65536, make.WriteBlock(0, 0, p.data(), 65536));
      }
      rmf = std::make_unique<TRmf>();
      ASSERT_EQ(1, rmf->OpenFile(name.c_str()));
      Change(*rmf);
    };
    int saved = -1, code = -1;
    const int runs = sweep.Run(
        [&] {
          saved = rmf->Save();
          code = rmf->GetError();
        },
        [&](const mctest::SweepRun& run) {
          if (run.faulted) {
            EXPECT_EQ(0, saved) << run;
            EXPECT_TRUE(code == MAPERR_WRITE || code == MAPERR_DISKFULL) << run << " code " << code;
          } else {
            EXPECT_EQ(1, saved) << run;
          }
          // What failed is still marked changed: a second Save finishes.
          EXPECT_EQ(1, rmf->Save()) << run << " code " << rmf->GetError();
          rmf->Close();
          ExpectChanged(name, run);
        });
    // Palette, two blocks, table, addition, flags, border, header.
    EXPECT_EQ(8, runs);
  }
  MessageEnableSet(messages);
}

// A block whose place another block's bytes share (a damaged table) takes
// an element written alone whole and is stored anew, and so is the table
// when a block's entry puts the block over it: with each operation of the
// element's write and of the save failing in turn, the failure is
// reported, the other block keeps its bytes, and what was taken is stored
// by a later Save.
TEST(RmfFaults, ABlockStoredAnewFromASharedPlaceLosesNothingUnderFaults) {
  plat::SetWriteThroughEnabled(false);
  const int messages = MessageEnableSet(0);
  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string name = dir / "s.rsw";
  for (const bool overTable : {false, true}) {
    SCOPED_TRACE(overTable ? "block 1 over the table" : "block 0 over block 1");
    ASSERT_EQ(1, rmftest::MakeRaster(name, 512, 256));
    const RMF head = rmftest::ReadHeader(name);
    if (overTable)
      rmftest::PatchValue(name, head.TablePosition + 8, head.TablePosition);
    else
      rmftest::PatchValue(name, head.TablePosition, rmftest::TableEntry(name, 1).Position);
    const std::string damaged = rmftest::ReadAll(name);
    const std::string second = damaged.substr(rmftest::TableEntry(name, 1).Position, 65536);
    const plat::VfsFault faults[] = {plat::VfsFault::Error, plat::VfsFault::ShortDiskFull};
    for (plat::VfsFault how : faults) {
      SCOPED_TRACE(int(how));
      std::unique_ptr<TRmf> rmf;
      mctest::FaultSweep sweep;
      sweep.fault.how = how;
      sweep.prepare = [&] {
        rmf.reset();
        rmftest::WriteAll(name, damaged);
        rmf = std::make_unique<TRmf>();
        ASSERT_EQ(1, rmf->OpenFile(name.c_str()));
      };
      int put = -1, saved = -1, code = -1;
      const int runs = sweep.Run(
          [&] {
            put = rmf->WritePoint(LONG(77), 5, 5);
            code = rmf->GetError();
            saved = put ? rmf->Save() : -1;
            if (put) code = rmf->GetError();
          },
          [&](const mctest::SweepRun& run) {
            if (!run.faulted) {
              EXPECT_TRUE(put == 1 && saved == 1) << run;
            } else {
              EXPECT_TRUE(put != 1 || saved != 1) << run << ": a failure reported as success";
              EXPECT_TRUE(code == MAPERR_READ || code == MAPERR_WRITE || code == MAPERR_DISKFULL)
                  << run << " code " << code;
            }
            EXPECT_EQ(1, rmf->Save()) << run << " code " << rmf->GetError();
            rmf.reset();
            TRmf reopened;
            ASSERT_EQ(1, reopened.OpenFile(name.c_str(), GENERIC_READ)) << run;
            EXPECT_EQ(second, Bytes(reopened.GetBlockAddress(0, 1), 65536))
                << run << ": the other block was written over";
            LONG value = 0;
            ASSERT_EQ(1, reopened.GetPoint(value, 5, 5)) << run;
            // Only an element whose block could not be read was not taken.
            EXPECT_TRUE(value == 77 || (put == 0 && code == MAPERR_READ)) << run << " value " << value;
          });
      // The block read, stored anew; the table and the header.
      EXPECT_EQ(4, runs);
    }
  }
  MessageEnableSet(messages);
}

namespace {

// Closing has no result: a change its last save cannot store is shown to
// the host with the file's name, and one it can store is not.
TEST(RmfFaults, AChangeCloseCannotStoreIsShownToTheHost) {
  plat::SetWriteThroughEnabled(false);
  const int messages = MessageEnableSet(1);
  mctest::RecordingMessageBox boxes;
  mctest::ScratchDir dir{MC_TEST_TMP};
  const std::string name = dir / "c.rsw";
  for (const bool failing : {false, true}) {
    {
      TRmf make;
      ASSERT_EQ(1, make.Create(name.c_str(), 512, 256, 8, nullptr, 1, 1));
    }
    TRmf rmf;
    ASSERT_EQ(1, rmf.OpenFile(name.c_str()));
    rmf.Palette(&kColour, 1);
    plat::FaultVfs faults;
    plat::ScopedVfs use(&faults);
    if (failing) faults.Fail(plat::VfsOp::Write, 1, plat::VfsFaultMode{plat::VfsFault::Error, true});
    rmf.Close();
    ASSERT_EQ(failing ? 1u : 0u, boxes.boxes().size());
  }
  EXPECT_NE(std::string::npos, boxes.boxes()[0].text.find(name));
  MessageEnableSet(messages);
}

}  // namespace
