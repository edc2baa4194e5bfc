// Text entries of metric records: layout, padding, alignment codes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "objects/records/dataedit.h"
#include "support/metric_builder.h"

namespace {

struct Edit : TDataEdit {
  Edit() { Init(); }
  ~Edit() { Free(); }
};

std::vector<unsigned char> EntryBytes(TDataEdit& e) {
  const char* entry = e.GetTextData();
  if (entry == nullptr) return {};
  size_t n = static_cast<unsigned char>(entry[0]) + 2u;
  return std::vector<unsigned char>(entry, entry + n);
}

TEST(DataEditText, EntryLayoutAndPadding) {
  Edit e;
  e.Create(METRIC_F32, 1);
  e.AppendPointSubject(0, 1, 1);
  ASSERT_EQ(e.PutText("AB", 24), 1);  // left, baseline: no code
  EXPECT_EQ(EntryBytes(e), (std::vector<unsigned char>{2, 'A', 'B', 0}));
  EXPECT_EQ(RecordLength(e.Record), 16u + 8 + 4);
  ASSERT_EQ(e.PutText("AB", 8), 1);  // left, bottom: code 29
  EXPECT_EQ(EntryBytes(e), (std::vector<unsigned char>{6, 'A', 'B', 0, 29, 0, 0, 0}));
  EXPECT_EQ(RecordLength(e.Record), 16u + 8 + 8);
  EXPECT_EQ(e.GetTextHorizontalAlign(), 0);
  EXPECT_EQ(e.GetTextVerticalAlign(), 8);
  ASSERT_EQ(e.PutText("ABC", 24), 1);  // three bytes of padding, no code
  EXPECT_EQ(EntryBytes(e), (std::vector<unsigned char>{6, 'A', 'B', 'C', 0, 0, 0, 0}));
  ASSERT_EQ(e.PutText("ABCD", 2 | 0x1018), 1);  // right, second row: code 24
  EXPECT_EQ(EntryBytes(e), (std::vector<unsigned char>{6, 'A', 'B', 'C', 'D', 0, 24, 0}));
  EXPECT_EQ(e.GetTextHorizontalAlign(), 2);
  EXPECT_EQ(e.GetTextVerticalAlign(), 0x1018);
  // -1 keeps the code the entry has.
  ASSERT_EQ(e.PutText("X", -1), 1);
  EXPECT_EQ(EntryBytes(e), (std::vector<unsigned char>{2, 'X', 0, 24}));
  // Code 20 is never written.
  ASSERT_EQ(e.PutText("X", 0 | 24), 1);
  EXPECT_EQ(EntryBytes(e), (std::vector<unsigned char>{2, 'X', 0, 0}));
  EXPECT_EQ(e.GetTextHorizontalAlign(), 0);
  EXPECT_EQ(e.GetTextVerticalAlign(), 24);
  // The point before the entry is untouched.
  EXPECT_EQ(e.XNDouble(1), 1.0);
}

TEST(DataEditText, AlignmentCodesBothWays) {
  const int h[12] = {0, 2, 6, 0, 2, 6, 0, 2, 6, 0, 2, 6};
  const int v[12] = {24, 24, 24, 0x1018, 0x1018, 0x1018, 0, 0, 0, 8, 8, 8};
  for (int code = 20; code <= 31; ++code) {
    EXPECT_EQ(MetricCodeHorizontal(code), h[code - 20]) << code;
    EXPECT_EQ(MetricCodeVertical(code), v[code - 20]) << code;
    EXPECT_EQ(MetricAlignToCode(h[code - 20] | v[code - 20]), code) << code;
  }
  EXPECT_EQ(MetricCodeVertical(19), 24);
  EXPECT_EQ(MetricCodeHorizontal(32), 0);
}

TEST(DataEditText, LongTextsAreCut) {
  Edit e;
  e.Create(METRIC_F32, 1);
  std::string t300(300, 'x');
  ASSERT_EQ(e.PutText(t300.c_str(), 24), 1);
  EXPECT_EQ(e.TextLength(), 254);
  char buffer[300];
  ASSERT_NE(e.GetText(buffer, 300), nullptr);
  EXPECT_EQ(std::strlen(buffer), 254u);
  // With a code, the one-byte length leaves room for 253 characters.
  ASSERT_EQ(e.PutText(t300.c_str(), 8), 1);
  EXPECT_EQ(e.TextLength(), 254);
  std::vector<unsigned char> entry = EntryBytes(e);
  EXPECT_EQ(entry[254], 0);
  EXPECT_EQ(entry[255], 29);
  EXPECT_EQ(e.GetTextVerticalAlign(), 8);
  ASSERT_NE(e.GetText(buffer, 300), nullptr);
  EXPECT_EQ(std::strlen(buffer), 253u);
}

TEST(DataEditText, GetTextFillsAndTruncates) {
  Edit e;
  e.Create(METRIC_F32, 1);
  e.PutText("Hello", 24);
  char b[8];
  std::memset(b, 'z', sizeof b);
  ASSERT_EQ(e.GetText(b, 8), b);
  EXPECT_EQ(std::string(b, 8), std::string("Hello\0\0\0", 8));
  std::memset(b, 'z', sizeof b);
  ASSERT_EQ(e.GetText(b, 3), b);  // not terminated
  EXPECT_EQ(std::string(b, 4), "Helz");
  EXPECT_EQ(e.GetText(b, 0), nullptr);
  EXPECT_STREQ(e.GetObjectText(), "Hello");
}

TEST(DataEditText, RussianTextBytesPassThrough) {
  Edit e;
  e.Create(METRIC_F32, 1);
  const char name[] = "\xCC\xEE\xF1\xEA\xE2\xE0";  // cp1251 bytes
  e.PutText(name, 24);
  char b[16];
  EXPECT_STREQ(e.GetText(b, 16), name);
}

TEST(DataEditText, AlignmentOfAllContours) {
  std::vector<char> r = BuildMetric(
      METRIC_F32, {{{{1, 1}}, "Bottom", 29}, {{{2, 2}}, "Top", 26}, {{{3, 3}}, "Plain"}}, true);
  Edit e;
  e.Load(reinterpret_cast<LONGMETRIC*>(r.data()), 1);
  EXPECT_EQ(e.PutTextHorizontalAlign(2, -1), 2);
  char b[16];
  for (int c = 0; c <= 2; ++c) {
    e.DescPointSubject(c);
    EXPECT_EQ(e.GetTextHorizontalAlign(), 2) << c;
    EXPECT_EQ(e.GetTextVerticalAlign(), 8) << c;  // the first contour's row
  }
  e.DescPointSubject(1);
  EXPECT_STREQ(e.GetText(b, 16), "Top");
  EXPECT_EQ(e.XNDouble(1), 2.0);

  EXPECT_EQ(e.PutTextVerticalAlign(0, 2), 0);  // one contour only
  e.DescPointSubject(2);
  EXPECT_EQ(e.GetTextVerticalAlign(), 0);
  EXPECT_EQ(e.GetTextHorizontalAlign(), 2);
  e.DescPointSubject(0);
  EXPECT_EQ(e.GetTextVerticalAlign(), 8);

  Edit plain;
  plain.Create(METRIC_F32, 0);
  EXPECT_EQ(plain.PutTextHorizontalAlign(2, -1), 0);
  EXPECT_EQ(plain.PutTextVerticalAlign(8, -1), 24);
}

TEST(DataEditText, PutTextDataTakesEntryForm) {
  TEXTDATA d{};
  const unsigned char raw[] = {6, 'N', 'a', 'm', 'e', 0, 31, 0};
  std::memcpy(&d, raw, sizeof raw);
  Edit e;
  e.Create(METRIC_F64, 1);
  ASSERT_EQ(e.PutTextData(&d), 1);
  EXPECT_EQ(e.GetTextHorizontalAlign(), 6);
  EXPECT_EQ(e.GetTextVerticalAlign(), 8);
  // A code outside 20..31: left, baseline, no code stored.
  const unsigned char odd[] = {6, 'N', 'a', 'm', 'e', 0, 77, 0};
  std::memcpy(&d, odd, sizeof odd);
  ASSERT_EQ(e.PutTextData(&d), 1);
  EXPECT_EQ(EntryBytes(e), (std::vector<unsigned char>{6, 'N', 'a', 'm', 'e', 0, 0, 0}));
  // An entry without a terminator inside its length keeps L characters.
  const unsigned char bare[] = {3, 'a', 'b', 'c', 'd', 'e'};
  std::memcpy(&d, bare, sizeof bare);
  ASSERT_EQ(e.PutTextData(&d), 1);
  char b[8];
  EXPECT_STREQ(e.GetText(b, 8), "abc");
  // A host record with the largest L and no terminator is read within its
  // 256 bytes.
  auto full = std::make_unique<TEXTDATA>();
  full->Length = 255;
  std::memset(full->Text, 'z', sizeof full->Text);
  ASSERT_EQ(e.PutTextData(full.get()), 1);
  EXPECT_EQ(static_cast<int>(std::strlen(e.GetObjectText())), METRIC_TEXT_LIMIT);
}

TEST(DataEditText, PutTextOnPlainRecordTurnsTextsOn) {
  Edit e;
  e.Create(METRIC_F32H, 0);
  e.AppendPointSubject(0, 1, 1);
  e.CreateSubject();
  e.AppendPointSubject(1, 2, 2);
  ASSERT_EQ(e.PutText("Sub", 24), 1);
  EXPECT_EQ(e.TextFlag, 1);
  EXPECT_EQ(RecordKind(e.Record), METRIC_F32);  // texts have no heights
  e.DescPointSubject(1);
  char b[8];
  EXPECT_STREQ(e.GetText(b, 8), "Sub");  // the contour the cursor was on
  e.DescPointSubject(0);
  EXPECT_EQ(e.TextLength(), 2);
}

TEST(DataEditText, PutTextNeverGrows) {
  std::vector<char> r = BuildMetric(METRIC_F32, {{{{1, 1}}}}, true);
  std::vector<char> block(r.size() + 4, 0);
  std::memcpy(block.data(), r.data(), r.size());
  Edit e;
  e.SetBuffer(block.data(), static_cast<LONG>(block.size()), 1);
  EXPECT_EQ(e.PutText("ABCDEF", 24), 1);  // L 6: four bytes more
  EXPECT_EQ(e.PutText("ABCDEFGHIJ", 24), 0);
  EXPECT_EQ(static_cast<void*>(e.Record), static_cast<void*>(block.data()));
  char b[8];
  EXPECT_STREQ(e.GetText(b, 8), "ABCDEF");
}

}  // namespace
