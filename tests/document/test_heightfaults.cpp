// Writing a height into a document's elevation matrix and saving it, with
// each file operation failing in turn: the failure is reported with a code,
// and a later save completes the matrix so that it reopens with the height
// and the widened value range.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/maperr.h"
#include "document/rmfheights.h"
#include "raster/mtr.h"
#include "support/docfixture.h"
#include "support/fault_sweep.h"
#include "support/rmfbuild.h"

namespace {

class HeightFaults : public doctest::EmptyDocumentTest {};

// A 2-byte matrix in decimetres over (5000..6000, 2000..3000), 10 m
// elements (one block), with one element written.
void MakeMatrix(const std::string& path) {
  BUILDMTW b = doctest::MatrixParm(1000, 1000, 10, 2);
  b.HeightUnit = 1;
  ASSERT_EQ(1, rmftest::WriteMatrix(path, b, 1, 1, [](int, int) { return 50; }, 50, 50));
}

}  // namespace

TEST_F(HeightFaults, EveryFailedHeightSaveIsReportedAndMadeGoodLater) {
  plat::SetWriteThroughEnabled(false);
  const std::string path = dir / "h.mtw";
  auto matrix = [&] { return GetChainUnit(Matrices(), 1)->File; };
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    doc->CloseMtr(0);
    MakeMatrix(path);
    ASSERT_EQ(1, doc->OpenMtr(path.c_str(), 0));
  };
  int written = -1, code = -1;
  const int runs = sweep.Run(
      [&] {
        // The block and the header's value range change.
        written = PutHeightValue(doc, 1, 5905, 2905, 123.4) && matrix()->Save();
        code = matrix()->GetError();
      },
      [&](const mctest::SweepRun& run) {
        if (run.faulted) {
          EXPECT_EQ(0, written) << run;
          EXPECT_TRUE(code == MAPERR_WRITE || code == MAPERR_DISKFULL || code == MAPERR_READ)
              << run << " code " << code;
        } else {
          EXPECT_EQ(1, written) << run;
        }
        if (!written) {
          // Nothing stored yet or only part of it: writing again completes
          // it.
          EXPECT_EQ(1, PutHeightValue(doc, 1, 5905, 2905, 123.4)) << run;
        }
        EXPECT_EQ(1, matrix()->Save()) << run << " code " << matrix()->GetError();
        doc->CloseMtr(0);
        TMtr reopened;
        ASSERT_EQ(1, reopened.Open(path.c_str(), GENERIC_READ)) << run;
        LONG stored = 0;
        EXPECT_EQ(1, reopened.GetPlanePoint(stored, 5905, 2905)) << run;
        EXPECT_EQ(1234, stored) << run;
        EXPECT_EQ(1234.0, reopened.Head.Maximum) << run;
        EXPECT_EQ(1, reopened.GetPoint(stored, 0, 0)) << run;
        EXPECT_EQ(50, stored) << run;
      });
  EXPECT_EQ(4, runs);  // reading the block, and the writes of the save
}
