// The semantics editing buffer: attaching, loading, growing within the 16-bit
// length, and the object code kept in characteristic 32800.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "records/semnedit.h"
#include "platform/fault.h"

namespace {

TSemBlock TextBlock(int code, int length) {
  TSemBlock b;
  b.Code = static_cast<WORD>(code);
  std::string text(length, static_cast<char>('a' + code % 26));
  b.Value.Value(text.c_str(), length);
  return b;
}

// A whole record (head and blocks) in an exact-size heap block.
std::vector<char> Record(const std::vector<TSemBlock>& blocks) {
  std::vector<char> r(4);
  for (const TSemBlock& b : blocks) {
    size_t at = r.size();
    r.resize(at + b.BlockLength());
    std::memcpy(&r[at], &b, b.BlockLength());
  }
  WORD head[2] = {0x7FFF, static_cast<WORD>(r.size())};
  std::memcpy(r.data(), head, 4);
  return r;
}

WORD LengthField(const SEMANTIC* s) { return s->Length; }

// An exact-size heap copy of the first n bytes, so that reads past it are caught.
std::unique_ptr<char[]> Exact(const std::vector<char>& r, size_t n) {
  std::unique_ptr<char[]> p(new char[n]);
  std::memcpy(p.get(), r.data(), n);
  return p;
}
SEMANTIC* AsSemn(char* p) { return reinterpret_cast<SEMANTIC*>(p); }

TEST(SemnEdit, LoadingALongRecordTakesABlockOfItsOwnSize) {
  std::vector<TSemBlock> blocks;
  for (int i = 0; i < 19; ++i) blocks.push_back(TextBlock(100 + i, 255));  // 260 bytes each
  blocks.push_back(TextBlock(200, 51));                                     // 56 bytes
  std::vector<char> r = Record(blocks);
  ASSERT_EQ(r.size(), 5000u);
  auto source = Exact(r, r.size());
  TSemnEdit e;
  EXPECT_EQ(e.Load(TObjectSemn(AsSemn(source.get()))), 5000);
  EXPECT_EQ(e.BlockSize(), 6020);
  EXPECT_EQ(0, std::memcmp(e.Record(), r.data(), r.size()));
  EXPECT_EQ(e.IsChanged(), 0);
  EXPECT_EQ(e.Cursor()->SemanticsAmount(), 20);

  // A short record is copied into the block it has.
  std::vector<char> small = Record({TextBlock(1, 3)});
  EXPECT_EQ(e.Load(TObjectSemn(AsSemn(small.data()))), 12);
  EXPECT_EQ(e.BlockSize(), 6020);
  EXPECT_EQ(e.DataLength(), 8);

  // Not a semantics record: empty and 0.
  char junk[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(e.Load(TObjectSemn(AsSemn(junk))), 0);
  EXPECT_EQ(e.CheckLength(0), 4);
  EXPECT_EQ(e.Load(TObjectSemn(nullptr)), 0);
}

TEST(SemnEdit, AppendGrowsByTheRule) {
  TSemnEdit e;
  ASSERT_EQ(e.Allocate(4096), 1);
  for (int i = 0; i < 15; ++i) {
    TSemBlock b = TextBlock(i, 255);
    ASSERT_NE(e.Append(&b), nullptr);
  }
  TSemBlock rest = TextBlock(20, 181);
  ASSERT_NE(e.Append(&rest), nullptr);
  ASSERT_EQ(e.CheckLength(0), 4090);
  EXPECT_EQ(e.BlockSize(), 4096);
  TSemBlock ten = TextBlock(21, 5);  // 10 bytes
  char* at = e.Append(&ten);
  ASSERT_NE(at, nullptr);
  EXPECT_EQ(e.BlockSize(), 5124);
  EXPECT_EQ(LengthField(e.Record()), 4100);
  EXPECT_EQ(at, reinterpret_cast<char*>(e.Record()) + 4090);
  EXPECT_EQ(e.Cursor()->SemanticsAmount(), 17);
  EXPECT_EQ(e.IsChanged(), 1);

  // A detached buffer allocates on the first append.
  TSemnEdit d;
  ASSERT_NE(d.Append(7, 77), nullptr);
  EXPECT_EQ(d.BlockSize(), 4100);
  char text[16];
  EXPECT_STREQ(d.SemanticValue(7, text, sizeof(text)), "77");
  EXPECT_EQ(d.SemanticValue(8, text, sizeof(text)), nullptr);
  double x = 0.25;
  ASSERT_NE(d.AppendDouble(8, &x), nullptr);
  EXPECT_STREQ(d.SemanticValue(8, text, sizeof(text)), "0.250");
  ASSERT_NE(d.AppendString(9, "\x8C\xA8\xE0", 0, 0), nullptr);  // DOS text
  EXPECT_STREQ(d.SemanticValue(9, text, sizeof(text)), "\xCC\xE8\xF0");
  EXPECT_EQ(d.AppendString(9, nullptr, 126, 0), nullptr);
}

TEST(SemnEdit, TheRecordNeverOutgrowsItsSixteenBitLength) {
  TSemnEdit e;
  int appended = 0;
  TSemBlock big = TextBlock(1, 255);
  while (e.Append(&big) != nullptr) ++appended;
  EXPECT_EQ(appended, 252);
  EXPECT_EQ(LengthField(e.Record()), 4 + 252 * 260);
  TSemBlock ten = TextBlock(2, 5);
  ASSERT_NE(e.Append(&ten), nullptr);
  EXPECT_EQ(LengthField(e.Record()), 65534);
  EXPECT_EQ(e.Append(3, 1), nullptr);  // 8 bytes more do not fit
  EXPECT_EQ(LengthField(e.Record()), 65534);
  EXPECT_EQ(e.CheckLength(0), 65534);
  EXPECT_EQ(e.Cursor()->SemanticsAmount(), 253);
}

TEST(SemnEdit, CallersRecordIsEditedInPlaceUntilItMustGrow) {
  std::vector<char> r = Record({TextBlock(1, 3)});
  std::vector<char> buffer(32);
  std::memcpy(buffer.data(), r.data(), r.size());
  TSemnEdit e;
  ASSERT_EQ(e.Access(buffer.data(), 0, 32), 1);
  EXPECT_EQ(e.BlockSize(), 0);
  // Length 0 with a limit: the cursor starts empty; CheckLength takes the
  // record's own length.
  EXPECT_EQ(e.CheckLength(0), 12);
  ASSERT_NE(e.Append(2, 5), nullptr);
  EXPECT_EQ(reinterpret_cast<char*>(e.Record()), buffer.data());
  EXPECT_EQ(LengthField(e.Record()), 20);
  ASSERT_NE(e.Append(3, 6), nullptr);  // 28 bytes would fit, the head is counted
  ASSERT_NE(e.Append(4, 7), nullptr);  // 36 bytes: into a block of its own
  EXPECT_NE(reinterpret_cast<char*>(e.Record()), buffer.data());
  EXPECT_EQ(e.BlockSize(), 4100);
  EXPECT_EQ(e.Cursor()->SemanticsAmount(), 4);
  EXPECT_EQ(LengthField(e.Record()), 36);

  // Attached with the record's own length and no limit: read only until it
  // grows into an own block.
  std::vector<char> ro = r;
  ASSERT_EQ(e.Access(ro.data(), static_cast<LONG>(ro.size()), 0), 1);
  ASSERT_NE(e.Append(5, 1), nullptr);
  EXPECT_NE(reinterpret_cast<char*>(e.Record()), ro.data());
  EXPECT_EQ(ro, r);
}

TEST(SemnEdit, LyingAndTruncatedRecordsAreRefused) {
  std::vector<char> r = Record({TextBlock(1, 3), TextBlock(2, 7)});
  TSemnEdit e;
  // The record claims more than the caller holds.
  auto cut = Exact(r, 10);
  EXPECT_EQ(e.Access(cut.get(), 10, 0), 0);
  EXPECT_EQ(e.Record(), nullptr);
  EXPECT_EQ(e.Cursor()->SemanticsAmount(), 0);
  // A length field below the head.
  std::vector<char> tiny = r;
  tiny[2] = 2;
  tiny[3] = 0;
  EXPECT_EQ(e.Access(tiny.data(), 0, 0), 0);
  EXPECT_EQ(e.Access(tiny.data(), static_cast<LONG>(tiny.size()), 0), 0);
  // A length that ends inside the second block: the walk stops before it.
  std::vector<char> lying = r;
  lying[2] = 16;
  auto exact = Exact(lying, 16);
  ASSERT_EQ(e.Access(exact.get(), 0, 0), 1);
  EXPECT_EQ(e.Cursor()->SemanticsAmount(), 1);
  EXPECT_EQ(e.CheckLength(0), 12);
  // Loading such a record keeps only the whole blocks.
  auto exact2 = Exact(lying, 16);
  TSemnEdit f;
  EXPECT_EQ(f.Load(TObjectSemn(AsSemn(exact2.get()))), 12);
  EXPECT_EQ(LengthField(f.Record()), 12);
}

TEST(SemnEdit, FailedGrowthLeavesTheRecordAsItWas) {
  TSemnEdit e;
  ASSERT_EQ(e.Allocate(16), 1);
  ASSERT_NE(e.Append(1, 1), nullptr);
  SEMANTIC* before = e.Record();
  plat::fault::FailAllocation(1);
  EXPECT_EQ(e.Append(2, 2), nullptr);
  plat::fault::Reset();
  EXPECT_EQ(e.Record(), before);
  EXPECT_EQ(LengthField(e.Record()), 12);
  EXPECT_EQ(e.Cursor()->SemanticsAmount(), 1);
  ASSERT_NE(e.Append(2, 2), nullptr);
  EXPECT_EQ(e.Cursor()->SemanticsAmount(), 2);

  plat::fault::FailAllocation(1);
  EXPECT_EQ(e.Allocate(100), 0);
  plat::fault::Reset();
  EXPECT_EQ(e.Record(), nullptr);
}

TEST(SemnEdit, CheckLengthWritesOnlyWhenAsked) {
  TSemnEdit e;
  ASSERT_NE(e.Append(1, 1), nullptr);
  e.Record()->Length = 999;
  EXPECT_EQ(e.CheckLength(0), 12);
  EXPECT_EQ(LengthField(e.Record()), 999);
  EXPECT_EQ(e.CheckLength(1), 12);
  EXPECT_EQ(LengthField(e.Record()), 12);
  EXPECT_EQ(e.Clear(), 1);
  EXPECT_EQ(LengthField(e.Record()), 4);
  EXPECT_EQ(e.DataLength(), 0);
}

TEST(SemnEditObjectCode, CodesOfEveryRangeComeBack) {
  for (DWORD code : {1u, 0x7FFFFFFFu, 0x80000000u, 0xC0000001u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
    TSemnEdit e;
    ASSERT_NE(e.PutObjectExcode(static_cast<LONG>(code)), nullptr) << code;
    ASSERT_NE(e.Cursor()->FindCode(32800), nullptr);
    EXPECT_EQ(e.Cursor()->CurrentValue()->Type, code >= 0x80000000u ? 8 : 4) << code;
    EXPECT_EQ(static_cast<DWORD>(e.GetObjectExcode()), code);
    EXPECT_EQ(static_cast<DWORD>(e.GetObjectExcodeAndDelete()), code);
    EXPECT_EQ(e.Cursor()->FindCode(32800), nullptr);
    EXPECT_EQ(e.GetObjectExcode(), 0);
  }
  TSemnEdit e;
  EXPECT_EQ(e.PutObjectExcode(0), nullptr);
  EXPECT_EQ(e.Record(), nullptr);
}

TEST(SemnEditObjectCode, UpToFiveOldCodesGoFirst) {
  TSemnEdit e;
  for (int i = 1; i <= 7; ++i) ASSERT_NE(e.Append(32800, i * 11), nullptr);
  ASSERT_NE(e.Append(5, 5), nullptr);
  ASSERT_NE(e.PutObjectExcode(5), nullptr);
  TWorkSemantic* w = e.Cursor();
  EXPECT_EQ(w->SemanticsAmount(), 4);
  std::vector<LONG> codes;
  for (w->GoFirst(); w->CurrentBlock() != nullptr; w->GoNext())
    if (w->CurrentCode() == 32800) codes.push_back(w->CurrentValue()->LongValue());
  EXPECT_EQ(codes, (std::vector<LONG>{66, 77, 5}));
  EXPECT_EQ(e.GetObjectExcode(), 66);
  // Taking the code removes the first and up to five more.
  EXPECT_EQ(e.GetObjectExcodeAndDelete(), 66);
  EXPECT_EQ(w->SemanticsAmount(), 1);
  EXPECT_EQ(LengthField(e.Record()), 4 + 8);
}

TEST(SemnEditObjectCode, HugeAndInfiniteDoublesDoNotHang) {
  TSemnEdit e;
  double big = 42949672950.0;  // ten times the largest code
  ASSERT_NE(e.AppendDouble(32800, &big), nullptr);
  EXPECT_EQ(static_cast<DWORD>(e.GetObjectExcode()), 4294967295u);
  e.Clear();
  double inf = std::numeric_limits<double>::infinity();
  ASSERT_NE(e.AppendDouble(32800, &inf), nullptr);
  EXPECT_EQ(e.GetObjectExcode(), 0);
}

// A block handed over by address may be one inside another record, with only
// its own bytes behind it: nothing past them is read.
TEST(SemnEdit, BlocksTakenFromInsideARecordAreReadToTheirOwnLength) {
  std::vector<char> r = Record({TextBlock(7, 3)});  // 4 + 8 bytes
  auto source = Exact(r, r.size());
  const auto* inside = reinterpret_cast<const TSemBlock*>(source.get() + 4);

  TSemnEdit e;
  ASSERT_NE(e.Append(inside), nullptr);
  ASSERT_NE(e.Insert(inside), nullptr);
  e.Cursor()->GoFirst();
  ASSERT_NE(e.Replace(inside), nullptr);
  EXPECT_NE(e.Cursor()->FindBlock(const_cast<TSemBlock*>(inside)), nullptr);
  EXPECT_EQ(e.CheckLength(0), 4 + 2 * 8);
}

}  // namespace
