// Text entries of metric records: layout, padding, alignment codes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "records/dataedit.h"
#include "support/metric_builder.h"

namespace {

using Entry = std::vector<unsigned char>;

Entry EntryBytes(TDataEdit& e) {
  const char* entry = e.GetTextData();
  if (entry == nullptr) return {};
  return Entry(entry, entry + static_cast<unsigned char>(entry[0]) + 2u);
}

std::string Text(TDataEdit& e) {
  char b[16];
  return e.GetText(b, sizeof b) ? b : "(null)";
}

TEST(DataEditText, EntryLayoutAndPadding) {
  Edit e;
  e.Create(METRIC_F32, 1);
  e.AppendPointSubject(0, 1, 1);
  const struct {
    const char* text;
    int align;  // written
    Entry bytes;
    int h, v;  // read back
  } cases[] = {
      {"AB", 24, {2, 'A', 'B', 0}, 0, 24},                             // left, baseline: no code
      {"AB", 8, {6, 'A', 'B', 0, 29, 0, 0, 0}, 0, 8},                  // left, bottom: code 29
      {"ABC", 24, {6, 'A', 'B', 'C', 0, 0, 0, 0}, 0, 24},              // padding, no code
      {"ABCD", 2 | 0x1018, {6, 'A', 'B', 'C', 'D', 0, 24, 0}, 2, 0x1018},  // code 24
      {"X", -1, {2, 'X', 0, 24}, 2, 0x1018},  // -1 keeps the code the entry has
      {"X", 0 | 24, {2, 'X', 0, 0}, 0, 24},   // code 20 is never written
  };
  for (const auto& c : cases) {
    ASSERT_EQ(e.PutText(c.text, c.align), 1);
    EXPECT_EQ(EntryBytes(e), c.bytes) << c.text << " " << c.align;
    EXPECT_EQ(RecordLength(e.Record), 16u + 8 + c.bytes.size());
    EXPECT_EQ(e.GetTextHorizontalAlign(), c.h);
    EXPECT_EQ(e.GetTextVerticalAlign(), c.v);
  }
  EXPECT_EQ(e.XNDouble(1), 1.0);  // the point before the entry is untouched
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

TEST(DataEditText, LongTextsAreCutAndReadsTruncate) {
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
  Entry entry = EntryBytes(e);
  EXPECT_EQ(entry[254], 0);
  EXPECT_EQ(entry[255], 29);
  ASSERT_NE(e.GetText(buffer, 300), nullptr);
  EXPECT_EQ(std::strlen(buffer), 253u);

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
  const char name[] = "\xCC\xEE\xF1\xEA\xE2\xE0";  // cp1251 bytes pass through
  e.PutText(name, 24);
  EXPECT_EQ(Text(e), name);
}

TEST(DataEditText, AlignmentOfAllContours) {
  Edit e(BuildMetric(METRIC_F32,
                     {{{{1, 1}}, "Bottom", 29}, {{{2, 2}}, "Top", 26}, {{{3, 3}}, "Plain"}}, true),
         1);
  EXPECT_EQ(e.PutTextHorizontalAlign(2, -1), 2);
  for (int c = 0; c <= 2; ++c) {
    e.DescPointSubject(c);
    EXPECT_EQ(e.GetTextHorizontalAlign(), 2) << c;
    EXPECT_EQ(e.GetTextVerticalAlign(), 8) << c;  // the first contour's row
  }
  e.DescPointSubject(1);
  EXPECT_EQ(Text(e), "Top");
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
  Edit e;
  e.Create(METRIC_F64, 1);
  auto put = [&](std::initializer_list<unsigned char> raw) {
    std::copy(raw.begin(), raw.end(), reinterpret_cast<unsigned char*>(&d));
    return e.PutTextData(&d);
  };
  ASSERT_EQ(put({6, 'N', 'a', 'm', 'e', 0, 31, 0}), 1);
  EXPECT_EQ(e.GetTextHorizontalAlign(), 6);
  EXPECT_EQ(e.GetTextVerticalAlign(), 8);
  // A code outside 20..31: left, baseline, no code stored.
  ASSERT_EQ(put({6, 'N', 'a', 'm', 'e', 0, 77, 0}), 1);
  EXPECT_EQ(EntryBytes(e), (Entry{6, 'N', 'a', 'm', 'e', 0, 0, 0}));
  // An entry without a terminator inside its length keeps L characters.
  ASSERT_EQ(put({3, 'a', 'b', 'c', 'd', 'e'}), 1);
  EXPECT_EQ(Text(e), "abc");
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
  EXPECT_EQ(Text(e), "Sub");  // the contour the cursor was on
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
  EXPECT_EQ(Text(e), "ABCDEF");
}

}  // namespace
