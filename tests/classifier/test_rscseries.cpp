// Series editing: limit records and their lengths, the variant table, and
// members joining, choosing and leaving. Saving edited series is covered
// by the writer's round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "classifier/rscqueryint.h"
#include "support/rscfixture.h"

namespace {

// The fixture with a numeric semantic 5 and an area kind 19 (excode 300);
// `series` makes it a member of a series read without a first limit.
rsctest::Builder Fixture(bool series = false) {
  rsctest::Builder b = rsctest::Rich();
  b.AddSemantic(5, 1, "DEPTH", "DEPTH");
  b.AddObject(300, 1, "POND").series = series ? 1 : 0;
  rsctest::AddDefaultImages(b);
  if (series) {
    rsctest::Limit l;
    l.excode = 300;
    l.local = 1;
    l.code2 = 5;
    l.values2 = {1, 2, 3};
    b.limits.push_back(l);
  }
  return b;
}

class RscSeries : public rsctest::OpenedRscTest {
 protected:
  RscSeries() : OpenedRscTest("series_", "series.rsc") {}
  void SetUp() override {
    OpenedRscTest::SetUp();
    Open(Fixture().Build());
  }
  const double first_[3] = {1, 2, 3}, second_[2] = {10, 20};
};

double Value(const TABLIM* lim, int i) {
  double v;
  std::memcpy(&v, rscLimValues(lim) + i, 8);
  return v;
}

TEST_F(RscSeries, LimitRecordsHaveTheLengthOfTheirValuesAndTable) {
  EXPECT_EQ(nullptr, rsc_.InitSeria(301, LOCAL_SQUARE));  // no such kind
  EXPECT_EQ(RSCERR_PARM, rsc_.Error());
  TABLIM* lim = rsc_.InitSeria(300, LOCAL_SQUARE);
  ASSERT_NE(nullptr, lim);
  EXPECT_EQ(32u, DWORD(lim->Length));
  lim = rsc_.UpdateGateSeria(lim, 1, 4, 3, 0, first_);
  ASSERT_NE(nullptr, lim);
  EXPECT_EQ(59u, DWORD(lim->Length));
  EXPECT_EQ(1, int(lim->Def1));  // a default outside 1..3
  lim = rsc_.UpdateGateSeria(lim, 2, 5, 2, 2, second_);
  ASSERT_NE(nullptr, lim);
  EXPECT_EQ(78u, DWORD(lim->Length));
  EXPECT_EQ(0u, uintptr_t(rscLimValues(lim)) % 8);
  for (int i = 0; i < 5; i++) EXPECT_EQ(i < 3 ? first_[i] : second_[i - 3], Value(lim, i));
  // which 3, no such semantic, no values, no record
  EXPECT_EQ(nullptr, rsc_.UpdateGateSeria(lim, 3, 4, 1, 1, first_));
  EXPECT_EQ(nullptr, rsc_.UpdateGateSeria(lim, 1, 77, 1, 1, first_));
  EXPECT_EQ(nullptr, rsc_.UpdateGateSeria(lim, 1, 4, 0, 1, first_));
  EXPECT_EQ(nullptr, rsc_.UpdateGateSeria(nullptr, 1, 4, 1, 1, first_));
  EXPECT_EQ(RSCERR_PARM, rsc_.Error());

  // The variant table: exactly 3 x 2 bytes, else nothing changes.
  const char table[6] = {1, 2, 3, 4, 5, 6};
  const std::vector<uint8_t> before((BYTE*)lim, (BYTE*)lim + lim->Length);
  EXPECT_EQ(nullptr, rsc_.UpdateExtendSeria(lim, 5, table));
  EXPECT_EQ(nullptr, rsc_.UpdateExtendSeria(lim, 1, table));
  EXPECT_TRUE(before == std::vector<uint8_t>((BYTE*)lim, (BYTE*)lim + lim->Length));
  ASSERT_EQ(lim, rsc_.UpdateExtendSeria(lim, 6, table));
  EXPECT_EQ(0, std::memcmp(rscLimVariants(lim), table, 6));

  // The same number of values keeps the table; fewer stay in place, the
  // second limit's close up and the table is cleared.
  const double two[2] = {7, 8};
  ASSERT_EQ(lim, rsc_.UpdateGateSeria(lim, 2, 5, 2, 1, two));
  EXPECT_EQ(0, std::memcmp(rscLimVariants(lim), table, 6));
  ASSERT_EQ(lim, rsc_.UpdateGateSeria(lim, 1, 4, 2, 1, two));
  EXPECT_EQ(32u + 32 + 4, DWORD(lim->Length));
  EXPECT_EQ(7.0, Value(lim, 2));
  EXPECT_EQ(0, rscLimVariants(lim)[0]);

  // Deleting the first limit moves the second up; code 0 deletes.
  ASSERT_EQ(lim, rsc_.DeleteLimit(lim, 1));
  EXPECT_EQ(5u, DWORD(lim->Code1));
  EXPECT_EQ(0u, DWORD(lim->Code2));
  EXPECT_EQ(32u + 18, DWORD(lim->Length));
  EXPECT_EQ(7.0, Value(lim, 0));
  ASSERT_EQ(lim, rsc_.DeleteLimit(lim, 2));  // no second limit: as it was
  EXPECT_EQ(32u + 18, DWORD(lim->Length));
  ASSERT_EQ(lim, rsc_.UpdateGateSeria(lim, 1, 0, 0, 0, nullptr));
  EXPECT_EQ(32u, DWORD(lim->Length));
}

// A record read without a first limit has no room for the table its
// second limit needs once moved up, or once set again: it is replaced.
TEST_F(RscSeries, RecordsTooShortForTheirTableAreReplaced) {
  const std::string path = folder_ + "short.rsc";
  ASSERT_TRUE(rsctest::WriteBytes(path, Fixture(true).Build()));
  TMapRsc rsc;
  ASSERT_EQ(1, rsc.OpenRsc(path.c_str(), 0));
  for (int pass = 0; pass < 2; pass++) {
    TABLIM* lim = rsc.ObjIndex[19].Lim;
    ASSERT_NE(nullptr, lim);
    ASSERT_EQ(56u, DWORD(lim->Length));
    TABLIM* done = pass ? rsc.DeleteLimit(lim, 1) : rsc.UpdateGateSeria(lim, 2, 5, 3, 1, first_);
    ASSERT_NE(nullptr, done);
    EXPECT_NE(lim, done);
    EXPECT_EQ(59u, DWORD(done->Length));
    EXPECT_EQ(56u, DWORD(lim->Length));
    EXPECT_EQ(1.0, Value(done, 0));
    ASSERT_EQ(1, rsc.Revert());
  }
}

TEST_F(RscSeries, MembersJoinChooseAndLeave) {
  TABLIM* lim = rsc_.UpdateGateSeria(rsc_.InitSeria(300, LOCAL_SQUARE), 1, 4, 3, 1, first_);
  ASSERT_NE(nullptr, lim);
  TABPOS* pos = rsc_.AppendPos(19, 1);
  ASSERT_NE(nullptr, pos);
  ASSERT_EQ(20, rsc_.CopyObject(19));
  // variant 0, no semantics record, a line kind
  EXPECT_EQ(0, rsc_.UpdateSeriaObject(19, 0, lim, pos));
  EXPECT_EQ(0, rsc_.UpdateSeriaObject(19, 1, lim, nullptr));
  EXPECT_EQ(0, rsc_.UpdateSeriaObject(16, 1, lim, pos));
  EXPECT_EQ(RSCERR_PARM, rsc_.Error());
  ASSERT_EQ(19, rsc_.UpdateSeriaObject(19, 1, lim, pos));
  ASSERT_EQ(20, rsc_.UpdateSeriaObject(20, 2, lim, pos));
  EXPECT_EQ(300, rsc_.GetObjExcode(20));
  EXPECT_EQ(20, rsc_.GetObjIncode(300, LOCAL_SQUARE, 2));
  EXPECT_EQ(3, rsc_.GetObjCanSem(20, 4));
  EXPECT_EQ(3, rsc_.GetGateCount(300, LOCAL_SQUARE, 4));
  EXPECT_EQ(0, rsc_.GetGateCount(300, LOCAL_SQUARE, 5));
  EXPECT_EQ(0, rsc_.DeleteObject(20));  // a member goes with DeleteSeriaObject

  // The members take one semantics record; a copy of the limits is the
  // caller's own.
  rsc_.ObjIndex[20].Pos = rsc_.ObjIndex[17].Pos;
  ASSERT_EQ(20, rsc_.UpdateSeriaSemantic(20));
  EXPECT_EQ(rsc_.ObjIndex[17].Pos, rsc_.ObjIndex[19].Pos);
  EXPECT_EQ(0, rsc_.UpdateSeriaSemantic(16));  // in no series
  TABLIM* copied = rsc_.CopyTabLim(lim);
  ASSERT_NE(nullptr, copied);
  EXPECT_EQ(0, std::memcmp(lim, copied, lim->Length));
  ASSERT_EQ(1, rsc_.UpdateCodeSeria(copied, 400));
  EXPECT_EQ(300u, DWORD(lim->Excode));

  const int style = rsc_.Style();
  ASSERT_EQ(20, rsc_.DeleteSeriaObject(20));
  EXPECT_EQ(0, rsc_.GetObjExcode(20));
  EXPECT_EQ(2, rsc_.GetObjExtend(20));
  EXPECT_GT(rsc_.Style(), style);
  ASSERT_EQ(1, rsc_.DeleteSeria(200, LOCAL_SQUARE));
  EXPECT_EQ(0, rsc_.GetObjExcode(18));
  EXPECT_EQ(nullptr, rsc_.ObjIndex[18].Lim);
}

}  // namespace
