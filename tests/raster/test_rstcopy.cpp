// Reduced copies of a raster: their geometry, the most-frequent-value rule
// over windows of every size, the chain, the update under a written block,
// progress to the host and cancelling.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/maperr.h"
#include "common/messages.h"
#include "platform/vfs.h"
#include "raster/rst.h"
#include "support/host_recorder.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

namespace {

class RstCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::SetWriteThroughEnabled(false);
    messages_ = MessageEnableSet(0);
  }
  void TearDown() override {
    MessageEnableSet(messages_);
    MessageWindowSet(nullptr);
  }

  // A raster whose element (r, c) is value(r, c).
  template <class Value>
  void Make(int columns, int rows, int bits, Value value) {
    ASSERT_EQ(1, rst.Create(name.c_str(), columns, rows, bits, nullptr, 50000, 4000));
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c) ASSERT_EQ(1, rst.PutPoint(LONG(value(r, c)), r, c));
    ASSERT_EQ(1, rst.Save());
  }
  static LONG At(TRst* t, int r, int c) {
    LONG v = -1;
    EXPECT_EQ(1, t->GetPoint(v, r, c)) << r << "," << c;
    return v;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  std::string name = dir / "a.rsw";
  TRst rst;
  int messages_ = 1;
};

// Four 4 x 4 windows, the rule's cases: 5 in eight elements; sixteen
// different values; 7 three times against 9 twice (9 first); 4 and 8 twice
// each (8 first).
constexpr int kWindows[4][16] = {
    {1, 2, 3, 5, 5, 4, 5, 5, 6, 5, 5, 7, 5, 8, 9, 5},
    {9, 3, 12, 1, 0, 15, 2, 14, 4, 5, 6, 13, 7, 8, 10, 11},
    {9, 1, 7, 9, 7, 2, 7, 3, 4, 5, 6, 8, 10, 11, 12, 13},
    {0, 8, 1, 4, 2, 3, 8, 5, 4, 6, 7, 9, 10, 11, 12, 13},
};
constexpr int kWinners[4] = {5, 9, 7, 8};

}  // namespace

TEST_F(RstCopyTest, TheMostFrequentValueOfEachWindowAtEveryDepth) {
  for (int bits : {4, 8, 16, 24, 32}) {
    // Wider depths spread the values over their bytes.
    const LONG scale = bits <= 8 ? 1 : bits == 16 ? 0x0421 : 0x010101;
    Make(8, 8, bits, [&](int r, int c) {
      return kWindows[(r / 4) * 2 + c / 4][(r % 4) * 4 + c % 4] * scale;
    });
    TRst* copy = rst.GetRstClass(1);
    ASSERT_NE(&rst, copy) << bits;
    ASSERT_EQ(2, copy->Head.Width);
    for (int w = 0; w < 4; ++w) EXPECT_EQ(kWinners[w] * scale, At(copy, w / 2, w % 2)) << bits;
    rst.Close();
  }
}

TEST_F(RstCopyTest, CopiesHaveAQuarterOfTheSidesAndChainBehindTheImage) {
  Make(1000, 1000, 8, [](int, int) { return 3; });
  EXPECT_EQ(&rst, rst.GetRstClass(0));
  EXPECT_EQ(0, rst.CreateDuplicate(0));
  EXPECT_EQ(0, rst.CreateDuplicate(4));
  const DWORD end = rst.EndPosition();
  TRst* copy = rst.GetRstClass(2);  // any level: the first copy, built now
  ASSERT_NE(&rst, copy);
  EXPECT_EQ(end, rst.Head.NextCopy);
  EXPECT_EQ(250, copy->Head.Width);
  EXPECT_EQ(250, copy->Head.Height);
  EXPECT_EQ(1000.0, copy->Head.Precision);
  EXPECT_EQ(50000.0, copy->Head.Scale);
  EXPECT_EQ(50.0, copy->Head.ElementSize);
  EXPECT_EQ(end + 320, copy->Head.TablePosition);
  EXPECT_EQ(rst.EndPosition() - end, copy->Head.Length);  // the positions it takes
  EXPECT_EQ(3, At(copy, 249, 249));
  rst.Close();

  // A 1-bit raster of 1008 columns: copy 1 has 252 columns, raised to 256.
  ASSERT_EQ(1, rst.Create(name.c_str(), 1008, 16, 1, nullptr, 1, 1));
  copy = rst.GetRstClass(1);
  ASSERT_NE(&rst, copy);
  EXPECT_EQ(256, copy->Head.Width);
  EXPECT_EQ(4, copy->Head.Height);
}

TEST_F(RstCopyTest, WideWindowsCountTheWholeAreaOfTheirElement) {
  // Sixteen areas of 64 x 64 elements, numbered 1..16: copy 2 (16 x 16)
  // and copy 3 (4 x 4) find each area under each of their elements.
  Make(256, 256, 8, [](int r, int c) { return (r / 64) * 4 + c / 64 + 1; });
  for (int k = 1; k <= 3; ++k) ASSERT_EQ(1, rst.CreateDuplicate(k)) << k;
  TRst* copy = rst.GetRstDuplicate();
  ASSERT_EQ(4, copy->Head.Width);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_EQ(r * 4 + c + 1, At(copy, r, c));
  // The chain: main -> copy 1 -> copy 2 -> copy 3.
  TRst* chain = rst.GetRstClass(1);
  ASSERT_EQ(64, chain->Head.Width);
  const DWORD second = chain->Head.NextCopy;
  ASSERT_EQ(1, chain->ReadDuplicate(second));
  ASSERT_EQ(16, chain->Head.Width);
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c) EXPECT_EQ((r / 4) * 4 + c / 4 + 1, At(chain, r, c));
  EXPECT_NE(0u, chain->Head.NextCopy);
}

TEST_F(RstCopyTest, AWrittenBlockChangesTheCopyUnderItAlone) {
  Make(1024, 1024, 8, [](int, int) { return 1; });
  ASSERT_NE(&rst, rst.GetRstClass(1));
  const std::vector<char> nines(65536, 9);
  ASSERT_EQ(65536, rst.WriteBlock(1, 2, nines.data(), 65536));
  rst.Close();
  TRst reopened(name.c_str(), 0);
  TRst* copy = reopened.GetRstClass(1);
  ASSERT_NE(&reopened, copy);
  for (int r = 0; r < 256; ++r)
    for (int c = 0; c < 256; ++c) {
      const LONG want = r >= 64 && r < 128 && c >= 128 && c < 192 ? 9 : 1;
      ASSERT_EQ(want, At(copy, r, c)) << r << "," << c;
    }
  EXPECT_EQ(9, At(&reopened, 300, 600));
}

TEST_F(RstCopyTest, TheLastCopyIsReplacedInPlaceAndOthersAppended) {
  Make(512, 512, 8, [](int r, int) { return r; });
  ASSERT_EQ(1, rst.CreateDuplicate(1));
  const DWORD first = rst.Head.NextCopy;
  const DWORD end = rst.EndPosition();
  ASSERT_EQ(1, rst.CreateDuplicate(1));
  EXPECT_EQ(first, rst.Head.NextCopy);
  EXPECT_EQ(end, rst.EndPosition());
  ASSERT_EQ(1, rst.CreateDuplicate(2));
  const DWORD withTwo = rst.EndPosition();
  // Copy 1 is no longer the last: a new one goes behind copy 2.
  ASSERT_EQ(1, rst.CreateDuplicate(1));
  EXPECT_EQ(withTwo, rst.Head.NextCopy);
  EXPECT_EQ(128, rst.GetRstClass(1)->Head.Width);
  EXPECT_EQ(20, At(rst.GetRstClass(1), 5, 7));  // rows 20..23: the first wins
}

TEST_F(RstCopyTest, ChangesOfTheImageAreCarriedIntoTheCopies) {
  Make(512, 512, 8, [](int, int) { return 2; });
  ASSERT_EQ(1, rst.CreateDuplicate(1));
  ASSERT_EQ(1, rst.CreateDuplicate(2));
  rst.LocationX(1234.5);
  rst.Negative(1);
  TDataEdit border;
  border.Init();
  ASSERT_EQ(1, border.Create(METRIC_F64, 0));
  for (const auto& p : {std::pair{32.0, 32.0}, {480.0, 32.0}, {480.0, 480.0}, {32.0, 480.0}, {32.0, 32.0}})
    ASSERT_NE(0, border.AppendPointSubject(0, p.first, p.second));
  ASSERT_EQ(1, rst.SetBorder(&border));
  border.Free();
  rst.Close();
  TRst reopened(name.c_str(), 0);
  TRst* copy = reopened.GetRstClass(1);
  for (int level = 1; level <= 2; ++level) {
    EXPECT_EQ(1234.5, copy->Head.LocationX) << level;
    EXPECT_EQ(1, copy->Head.Negative) << level;
    ASSERT_EQ(5, copy->Border.PointCount(0)) << level;
    copy->Border.FirstPointSubject(0);
    copy->Border.NextPoint();
    EXPECT_EQ(level == 1 ? 120 : 30, copy->Border.X()) << level;
    if (level == 1) {
      ASSERT_EQ(1, copy->ReadDuplicate(copy->Head.NextCopy));
    }
  }
}

TEST_F(RstCopyTest, ProgressGoesToTheHostAndItsAnswerCancels) {
  Make(512, 512, 8, [](int r, int c) { return r ^ c; });
  MessageEnableSet(1);
  {
    mctest::RecordingWindow window;
    MessageWindowSet(window.handle());
    ASSERT_EQ(1, rst.CreateDuplicate(1));
    const auto progress = window.Of(WM_MAP_PROGRESS);
    ASSERT_GE(progress.size(), 4u);
    EXPECT_EQ(WPARAM(-1), progress.front().wparam);
    EXPECT_EQ("Please wait ...", progress.front().text);
    EXPECT_EQ(WPARAM(-2), progress.back().wparam);
    for (size_t i = 2; i + 1 < progress.size(); ++i)
      EXPECT_GT(progress[i].wparam, progress[i - 1].wparam);
    EXPECT_EQ(WPARAM(100), progress[progress.size() - 2].wparam);
  }
  {
    mctest::RecordingWindow window(3);
    MessageWindowSet(window.handle());
    EXPECT_EQ(0, rst.CreateDuplicate(1));
    EXPECT_EQ(WPARAM(-2), window.Of(WM_MAP_PROGRESS).back().wparam);
    EXPECT_EQ(0u, rst.Head.NextCopy);
  }
  MessageWindowSet(nullptr);
  rst.Close();
  EXPECT_EQ(0u, rmftest::ReadHeader(name).NextCopy);
  TRst reopened(name.c_str(), 0);
  EXPECT_EQ((7 ^ 300) & 0xFF, At(&reopened, 7, 300));
}

TEST_F(RstCopyTest, AReadOnlyRasterWithoutCopiesIsLeftAlone) {
  Make(512, 512, 8, [](int, int) { return 4; });
  rst.Close();
  const std::string before = rmftest::ReadAll(name);
  TRst ro(name.c_str(), int(GENERIC_READ));
  EXPECT_EQ(&ro, ro.GetRstClass(1));
  ro.Close();
  EXPECT_EQ(before, rmftest::ReadAll(name));
}

// Copies another program made at 1/2 and 1/4 (element sizes 20 and 40 m
// under a 10 m image) keep their own factors through every change carried
// into them: their sizes, precisions, element sizes and elements stay as
// written, except what the change itself gives them, and a written block
// lands in each at the place its factor gives.
TEST_F(RstCopyTest, CopiesAnotherProgramMadeKeepTheirFactors) {
  // 600 x 500 elements of 10 m (1:50,000 at 5,000 elements a metre).
  ASSERT_EQ(1, rst.Create(name.c_str(), 600, 500, 8, nullptr, 50000, 5000));
  std::vector<char> image(600 * 500);
  for (int r = 0; r < 500; ++r)
    for (int c = 0; c < 600; ++c) image[size_t(r) * 600 + c] = char((r / 8 + c / 8) % 50);
  ASSERT_EQ(1, rst.PutFrame(image.data(), 0, 0, 600, 500, 1, 0));
  rst.Close();
  // The other program's copies hold values of their own (an average, say).
  rmftest::AppendForeignCopies(name, {2, 4},
                               [](int y, int x, int f) { return 100 + (y * 3 + x + f) % 97; });
  const std::vector<rmftest::StoredCopy> written = rmftest::StoredCopies(name);
  ASSERT_EQ(2u, written.size());
  ASSERT_EQ(250, written[0].head.Height);
  ASSERT_EQ(300, written[0].head.Width);
  ASSERT_EQ(125, written[1].head.Height);
  ASSERT_EQ(150, written[1].head.Width);

  const int factors[2] = {2, 4};
  // After a change: each copy as written, with the full image's scale,
  // location and negative byte, and its own factor's precision.
  auto expectKept = [&](const char* change, const std::vector<rmftest::StoredCopy>& want) {
    const RMF main = rmftest::ReadHeader(name);
    const std::vector<rmftest::StoredCopy> now = rmftest::StoredCopies(name);
    ASSERT_EQ(want.size(), now.size()) << change;
    for (size_t i = 0; i < now.size(); ++i) {
      const RMF& h = now[i].head;
      EXPECT_EQ(want[i].head.Height, h.Height) << change << " copy " << i;
      EXPECT_EQ(want[i].head.Width, h.Width) << change << " copy " << i;
      EXPECT_EQ(main.Scale, h.Scale) << change << " copy " << i;
      EXPECT_EQ(main.Precision / factors[i], h.Precision) << change << " copy " << i;
      EXPECT_DOUBLE_EQ(main.ElementSize * factors[i], h.ElementSize) << change << " copy " << i;
      EXPECT_EQ(main.LocationX, h.LocationX) << change << " copy " << i;
      EXPECT_EQ(main.Negative, h.Negative) << change << " copy " << i;
      EXPECT_TRUE(want[i].elements == now[i].elements) << change << " copy " << i;
    }
  };
  auto change = [&](const char* what, auto edit) {
    TRst r(name.c_str(), 0);
    ASSERT_TRUE(r.IsOpen()) << what;
    edit(r);
    r.Close();
    expectKept(what, written);
  };
  change("location", [](TRst& r) { EXPECT_EQ(7000.0, r.LocationX(7000.0)); });
  change("inversion", [](TRst& r) { EXPECT_EQ(1, r.Negative(1)); });
  change("scale", [](TRst& r) { EXPECT_EQ(25000.0, r.Scale(25000.0)); });
  change("precision", [](TRst& r) { EXPECT_EQ(2500.0, r.Precision(2500.0)); });
  EXPECT_EQ(20.0, rmftest::StoredCopies(name)[0].head.ElementSize);
  EXPECT_EQ(40.0, rmftest::StoredCopies(name)[1].head.ElementSize);

  // Block (1, 1) of the image (rows 256..499, columns 256..511) written
  // with 9: under it copy 1 holds 9 in rows 128..249 and columns 128..255,
  // copy 2 in rows 64..124 and columns 64..127; nothing else changes.
  std::vector<rmftest::StoredCopy> want = written;
  for (size_t i = 0; i < want.size(); ++i) {
    const int f = factors[i];
    const RMF& h = want[i].head;
    for (int y = 256 / f; y < h.Height; ++y)
      for (int x = 256 / f; x < 512 / f; ++x) want[i].elements[size_t(y) * h.Width + x] = 9;
  }
  {
    TRst r(name.c_str(), 0);
    ASSERT_TRUE(r.IsOpen());
    const std::vector<char> nines(244 * 256, 9);
    ASSERT_EQ(244 * 256, r.WriteBlock(1, 1, nines.data(), 244 * 256));
    r.Close();
  }
  expectKept("written block", want);

  // The display reads the first copy as it is, without building one.
  TRst reopened(name.c_str(), int(GENERIC_READ));
  TRst* copy = reopened.GetRstClass(1);
  ASSERT_NE(&reopened, copy);
  EXPECT_EQ(300, copy->Head.Width);
  EXPECT_EQ(9, At(copy, 200, 200));
  EXPECT_EQ(want[0].elements[0], At(copy, 0, 0));
}
