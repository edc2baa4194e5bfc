// A classifier save with each of its file operations failing in turn: after
// every failure the file reopens as the classifier it was before the save
// or, when the save reported success, as the one saved; never half-written.
#include <gtest/gtest.h>

#include <memory>

#include "classifier/rscwrite.h"
#include "common/messages.h"
#include "support/fault_sweep.h"
#include "support/rscfixture.h"

namespace {

using rsctest::Builder;
using rsctest::Bytes;

TEST(RscSaveFaults, EveryFailedOperationLeavesAWholeClassifier) {
  plat::SetWriteThroughEnabled(false);
  const int messages = MessageEnableSet(0);
  const std::string folder = rsctest::TestFolder("faults_");
  const std::string path = folder + "test.rsc";
  const std::string backup = folder + "test.~RS";

  // Large enough for several write pieces and backup blocks.
  Builder b = Builder::Minimal();
  for (int i = 0; i < 900; i++) b.AddObject(1000 + i, 2, "POINT " + std::to_string(i));
  rsctest::AddDefaultImages(b);
  const Bytes before = b.Build();
  ASSERT_GT(before.size(), 3u * RSC_WRITE_PIECE);

  // What a clean save writes.
  ASSERT_TRUE(rsctest::WriteBytes(path, before));
  {
    TMapRsc rsc;
    ASSERT_EQ(1, rsc.OpenRsc(path.c_str(), 0)) << rsc.Error();
    rsc.SetModify();
    ASSERT_EQ(1, rsc.Save(0));
  }
  const Bytes after = rsctest::ReadBytes(path);
  ASSERT_FALSE(after == before);

  std::unique_ptr<TMapRsc> rsc;
  int saved = 0;
  mctest::FaultSweep sweep;
  sweep.prepare = [&] {
    std::remove(backup.c_str());
    ASSERT_TRUE(rsctest::WriteBytes(path, before));
    rsc = std::make_unique<TMapRsc>();
    ASSERT_EQ(1, rsc->OpenRsc(path.c_str(), 0)) << rsc->Error();
    rsc->SetModify();
  };
  const int runs = sweep.Run([&] { saved = rsc->Save(0); },
                             [&](const mctest::SweepRun& run) {
    EXPECT_TRUE(saved || run.faulted) << run;
    EXPECT_TRUE(rsctest::ReadBytes(path) == (saved ? after : before)) << run << " saved " << saved;
    // Still modified after a failure: closing saves the changes.
    rsc.reset();
    EXPECT_TRUE(rsctest::ReadBytes(path) == after) << run;
    TMapRsc reopened;
    EXPECT_EQ(1, reopened.OpenRsc(path.c_str(), 0)) << run;
  });
  EXPECT_GT(runs, 8);  // backup, pieces, truncation at least
  MessageEnableSet(messages);
}

}  // namespace
