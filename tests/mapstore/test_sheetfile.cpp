// Sheet file records, their checks and the placement rules of new records.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "common/maperr.h"
#include "mapstore/sheetfile.h"
#include "support/mapbuilder.h"
#include "support/sheetbuilder.h"

using namespace sheettest;

TEST(SheetFile, NewHeaderBytes) {
  HDRHEAD head;
  std::memset(&head, 0xAB, sizeof(head));
  InitHdrHead(&head);
  EXPECT_EQ(0, std::memcmp(&head, mctest::NewHdrFile().data(), 48));
  EXPECT_EQ(1, CheckHdrHead(&head));
  head.Version = 0x0600;  // the version is not checked
  EXPECT_EQ(1, CheckHdrHead(&head));
  head.Mark = 0x414F;
  EXPECT_EQ(0, CheckHdrHead(&head));
}

TEST(SheetFile, MetricRecordChecks) {
  Bytes m = MetricRecord(16 + 8 * 3);
  auto* metric = reinterpret_cast<LONGMETRIC*>(m.data());
  EXPECT_EQ(0, CheckDataRecord(metric));

  metric->Ident = 0x7FF17FF2;  // any kind with free nibbles passes the marker test
  EXPECT_EQ(0, CheckDataRecord(metric));
  metric->Ident = 0x7EF07FF0;
  EXPECT_EQ(MAPERR_DATA, CheckDataRecord(metric));
  metric->Ident = METRIC_F32;

  metric->Length = 0x1000000;
  EXPECT_EQ(MAPERR_DATA, CheckDataRecord(metric));
  metric->Length = 0xFFFFFF;
  EXPECT_EQ(0, CheckDataRecord(metric));
  // Too short to hold the first contour's count word.
  metric->Length = 12;
  EXPECT_EQ(MAPERR_DATA, CheckDataRecord(metric));
  metric->Length = 16 + 8 * 3;

  // No subobjects and an empty first contour: refused.
  Bytes empty = MetricRecord(16);
  EXPECT_EQ(MAPERR_DATA, CheckDataRecord(reinterpret_cast<LONGMETRIC*>(empty.data())));
  reinterpret_cast<LONGMETRIC*>(empty.data())->Count = 1;
  EXPECT_EQ(0, CheckDataRecord(reinterpret_cast<LONGMETRIC*>(empty.data())));
  EXPECT_EQ(MAPERR_DATA, CheckDataRecord(nullptr));

  for (DWORD kind : {METRIC_F64H, METRIC_F32H, METRIC_U16H}) EXPECT_TRUE(IsMetric3D(kind));
  for (DWORD kind : {METRIC_I32H, METRIC_F64}) EXPECT_FALSE(IsMetric3D(kind));
}

TEST(SheetFile, SemanticsAndGraphicsChecks) {
  Bytes s = SemnRecord(32752);
  auto* semn = reinterpret_cast<SEMANTIC*>(s.data());
  EXPECT_EQ(0, CheckSemnRecord(semn));
  semn->Length = 32753;
  EXPECT_EQ(MAPERR_DATA, CheckSemnRecord(semn));
  semn->Length = 4;
  EXPECT_EQ(0, CheckSemnRecord(semn));
  EXPECT_TRUE(IsSemnRecordEmpty(semn));
  semn->Ident = 0x7FFE;
  EXPECT_EQ(MAPERR_DATA, CheckSemnRecord(semn));

  Bytes g = DrawRecord(32752);
  auto* draw = reinterpret_cast<IMGDRAW*>(g.data());
  EXPECT_EQ(0, CheckDrawRecord(draw));
  EXPECT_FALSE(IsDrawRecordEmpty(draw));
  draw->Length = 32753;
  EXPECT_EQ(MAPERR_DATA, CheckDrawRecord(draw));
  draw->Length = 12;
  EXPECT_EQ(0, CheckDrawRecord(draw));
  EXPECT_TRUE(IsDrawRecordEmpty(draw));
  draw->Length = 19;
  EXPECT_TRUE(IsDrawRecordEmpty(draw));
  draw->Ident = 0x7FFF7FFF;
  EXPECT_EQ(MAPERR_DATA, CheckDrawRecord(draw));
}

TEST(SheetFile, PlacementOfNewRecords) {
  // First records of new files.
  EXPECT_EQ(8, PlaceDataRecord(8, METRIC_F32, 100));
  EXPECT_EQ(4, PlaceSemnRecord(4, 100));
  EXPECT_EQ(4, PlaceDrawRecord(4, 100));
  // Metric alignment: 8 for the double kinds, else 4; no 64 KB rule.
  EXPECT_EQ(1008, PlaceDataRecord(1002, METRIC_F64, 100));
  EXPECT_EQ(1008, PlaceDataRecord(1002, METRIC_F64H, 100));
  EXPECT_EQ(1004, PlaceDataRecord(1002, METRIC_F32, 100));
  EXPECT_EQ(1004, PlaceDataRecord(1002, METRIC_U16H, 100));
  EXPECT_EQ(65532, PlaceDataRecord(65530, METRIC_F32, 300000));
  // Semantics: even offsets, kept inside a 64 KB block with 16 to spare.
  EXPECT_EQ(65536, PlaceSemnRecord(65000, 600));
  EXPECT_EQ(65000, PlaceSemnRecord(65000, 520));
  EXPECT_EQ(65002, PlaceSemnRecord(65001, 500));
  EXPECT_EQ(131072, PlaceSemnRecord(65536 + 40000, 32000));
  // Graphics: unaligned, same block rule.
  EXPECT_EQ(1001, PlaceDrawRecord(1001, 40));
  EXPECT_EQ(65536, PlaceDrawRecord(65001, 520));
  EXPECT_EQ(65000, PlaceDrawRecord(65000, 520));
  // Offsets are 32-bit: a record that would end past 4 GB has no place.
  EXPECT_EQ(-1, PlaceDataRecord(0xFFFFFF00ull, METRIC_F32, 0x200));
  EXPECT_EQ(-1, PlaceSemnRecord(0xFFFFFFF0ull, 100));
}

// Stretches claimed past a file's end by damaged records: a new record goes
// clear of them, and however many are added, the few kept cover them all.
TEST(SheetFile, PlacementKeepsClearOfClaimedStretches) {
  CLAIMSPANS claims{};
  claims.Add(100, 120);
  claims.Add(110, 130);  // overlapping and touching stretches are one
  claims.Add(130, 140);
  claims.Add(300, 308);
  ASSERT_EQ(2, claims.Count);
  EXPECT_EQ(80, PlaceSheetRecord(SHEET_DAT, 80, METRIC_F32, 20, claims));
  EXPECT_EQ(140, PlaceSheetRecord(SHEET_DAT, 90, METRIC_F32, 20, claims));
  EXPECT_EQ(308, PlaceSheetRecord(SHEET_SEM, 130, 0, 200, claims));
  EXPECT_EQ(65536, PlaceSheetRecord(SHEET_GRA, 299, 0, 65500, claims));

  CLAIMSPANS many{};
  std::vector<std::pair<int64_t, int64_t>> added;
  for (int i = 0; i < 40; ++i) {
    const int64_t first = 1000 * ((i * 7) % 40) + i % 3;
    added.push_back({first, first + 8 + 50 * (i % 4)});
    many.Add(added.back().first, added.back().second);
  }
  EXPECT_EQ(int(CLAIMSPANS::CLAIM_SPANS), many.Count);
  for (int i = 1; i < many.Count; ++i) EXPECT_LT(many.Span[i - 1].End, many.Span[i].First);
  for (const auto& [first, end] : added) {
    const CLAIMSPAN* span = many.Meets(first, end - first);
    ASSERT_NE(nullptr, span);
    EXPECT_TRUE(span->First <= first && end <= span->End) << first;
  }
}

// Bytes claimed by more than one record inside a file (a length pushed into
// the next record, two offsets at one record): every record that meets
// another meets them, a record that only touches another does not.
TEST(SheetFile, SharedClaimsMarkEveryRecordThatMeetsAnother) {
  std::vector<CLAIMSPAN> records = {{300, 340}, {20, 25}, {0, 100}, {100, 110},
                                    {10, 30},   {200, 210}, {300, 320}, {500, 520}};
  const std::vector<CLAIMSPAN> given = records;
  CLAIMSPANS shared{};
  FindSharedClaims(records.data(), records.size(), shared);
  for (const CLAIMSPAN& r : given) {
    const bool alone = r.First == 100 || r.First == 200 || r.First == 500;
    EXPECT_EQ(alone, shared.Meets(r.First, r.End - r.First) == nullptr) << r.First;
  }
}
