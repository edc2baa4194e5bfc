// Characteristic values, the wildcard comparison and the cursor over the
// blocks of a semantics record.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "records/semantic.h"

namespace {

template <typename T>
T As(const TSemBase& v) {
  T x;
  std::memcpy(&x, v.Data, sizeof x);
  return x;
}
int16_t Short(const TSemBase& v) { return As<int16_t>(v); }
int Scale(const TSemBase& v) { return static_cast<signed char>(v.Scale); }

std::string Text(TSemBase& v) {
  char buffer[300];
  v.StringValue(buffer, sizeof(buffer));
  return buffer;
}

TEST(CompareTemplate, OrderingMatchingAndWildcards) {
  struct Case {
    const char* s;
    const char* t;
    int want;
  } cases[] = {
      {"ABC", "abc", 2},       {"ABD", "ABC", 4},     {"ABB", "ABC", 1},
      {"AB", "ABC", 1},        {"ABCD", "ABC", 4},    {"river Don", "*DON", 2},
      {"river Don", "R*", 2},  {"river", "X*", 1},    {"AB", "A?", 2},
      {"A", "A?", 5},          {"Lob", "LOB", 2},     {"", "", 2},
      {"abc", "*", 2},         {"river Don", "*ver*on", 2},
      {"river Don", "*x", 5},  {"ab", "a*c", 5},      {"abcdef", "a*c*f", 2},
      {"abcdef", "*cd*", 2},   {"abc", "*abcd", 5},   {"ABXB", "AB*B", 2},
      // Cyrillic capitals and small letters of code page 1251 fold together.
      {"\xEC\xEE\xF1\xEA\xE2\xE0", "\xCC\xCE\xD1\xCA\xC2\xC0", 2},
      {"\xE0", "\xC1", 1},
      // Yo is outside the folded range: compared as it stands.
      {"\xB8", "\xA8", 4},
      // Trailing blanks are ignored on both sides.
      {"AB   ", "AB", 2},        {"AB", "ab  ", 2},     {"AB ", "ABC", 1},
      {"a b", "A B", 2},
      // The segment after '*' is sought after the matched prefix: the B of
      // the template after '*' cannot be the B the prefix took.
      {"AB", "AB*B", 5},         {"ABB", "AB*B", 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CompareTemplateString(c.s, c.t), c.want) << "'" << c.s << "' / '" << c.t << "'";
  EXPECT_EQ(CompareTemplateString(nullptr, "A"), 0);
  EXPECT_EQ(CompareTemplateString("A", nullptr), 0);
}

// The stored number: 16-, 32-bit or double data by type.
double Data(const TSemBase& v) {
  return v.Type == 2 ? Short(v) : v.Type == 4 ? As<int32_t>(v) : v.Type == 8 ? As<double>(v) : -1;
}

TEST(SemBaseParse, NumbersAndTexts) {
  constexpr int kAny = 99;  // not checked
  const struct {
    const char* s;
    int ret, type;
    double data;
    int scale;
  } cases[] = {
      {"12.50", 5, 2, 1250, -2},
      {"1,5", kAny, 2, 15, -1},
      {"-0", 2, 2, 0, 0},
      {"4000000000", 10, 4, 400000000, 1},
      {"40000000000", 11, 8, 40000000000.0, kAny},
      {"1e3", 3, 4, 1000, kAny},
      {"  -0.05", kAny, 2, -5, -2},
      {"32766", kAny, 2, 32766, 0},
      {"32767", kAny, 4, 32767, 0},
      {"2147483647", kAny, 4, 2147483647, 0},
      {"123456789012.5", kAny, 4, 1234567890, 2},  // twelve digits: the first ten
      {"12 m", 2, 2, 12, 0},  // the scan ends where the number cannot go on
  };
  TSemBlock b;
  TSemBase& v = b.Value;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s);
    int ret = v.LoadStringNumber(c.s);
    EXPECT_TRUE(c.ret == kAny || ret == c.ret) << ret;
    EXPECT_EQ(v.Type, c.type);
    EXPECT_EQ(Data(v), c.data);
    EXPECT_TRUE(c.scale == kAny || Scale(v) == c.scale) << Scale(v);
  }
  EXPECT_EQ(v.LoadStringNumber("abc"), 3);
  EXPECT_EQ(v.Type, 126);
  EXPECT_STREQ(v.Text(), "abc");
  // More than sixteen decimals: the scale stops at -16.
  v.LoadStringNumber("0.00000000000000000123");
  EXPECT_EQ(Scale(v), -16);
  EXPECT_EQ(v.DoubleValue(), 0.0);
  EXPECT_EQ(v.LoadStringNumber(nullptr), 0);
}

TEST(SemBaseText, StoredStringsHaveAnOddLengthAndATerminator) {
  TSemBlock b;
  for (const char* s : {"ab", "abc"}) {
    b.Value.Value(s, 0);
    EXPECT_EQ(b.Value.Scale, 3);
    EXPECT_EQ(b.Value.ValueLength(), 6);
    EXPECT_EQ(b.BlockLength(), 8);
  }
  // The limit cuts the text.
  b.Value.Value("abcdefgh", 4);
  EXPECT_STREQ(b.Value.Text(), "abcd");
  EXPECT_EQ(b.Value.Scale, 5);
  std::string longText(400, 'x');
  b.Value.Value(longText.c_str(), 1000);
  EXPECT_EQ(b.Value.Scale, 255);
  EXPECT_EQ(b.Value.TextLength(), 255);
  EXPECT_EQ(b.BlockLength(), 260);
}

TEST(SemBaseText, ValuesAsText) {
  TSemBlock b;
  TSemBase& v = b.Value;
  const std::pair<double, const char*> doubles[] = {
      {0.0, "0.000000E+00"}, {12345678.0, "1.234568E+07"}, {2.0, "2.0"},
      {1.5, "1.50"},         {1.1234, "1.123400"},         {-3.0, "-3.000000E+00"}};
  for (const auto& d : doubles) {
    v.LoadDouble(d.first);
    EXPECT_EQ(Text(v), d.second);
  }
  v.LoadStringNumber("12.50");
  EXPECT_EQ(Text(v), "12.50");
  v.LoadStringNumber("4000000000");
  EXPECT_EQ(Text(v), "4000000000.0");
  v.LoadLong(-1250);
  EXPECT_EQ(Text(v), "-1250");
  // The buffer always ends with a zero.
  char small[4];
  std::memset(small, 'x', sizeof(small));
  v.LoadLong(123456);
  v.StringValue(small, sizeof(small));
  EXPECT_STREQ(small, "123");
  EXPECT_EQ(v.StringValue(nullptr, 10), nullptr);
  EXPECT_EQ(v.StringValue(small, 0), nullptr);
}

TEST(SemBaseText, CodePagesOfStrings) {
  TSemBlock b;
  // A DOS text is stored in code page 1251; Latin letters stay Latin.
  ASSERT_EQ(b.Value.LoadAnyString(0, "Don \x84\xAE\xAD", 0), 1);
  EXPECT_EQ(b.Value.Type, 126);
  EXPECT_STREQ(b.Value.Text(), "Don \xC4\xEE\xED");
  EXPECT_STREQ(b.Value.StringInDos(), "Don \x84\xAE\xAD");
  EXPECT_EQ(b.Value.Type, 0);
  // Reading a DOS value as text turns it into code page 1251 in place.
  EXPECT_EQ(Text(b.Value), "Don \xC4\xEE\xED");
  EXPECT_EQ(b.Value.Type, 126);
  b.Value.LoadLong(5);
  EXPECT_EQ(b.Value.StringInDos(), nullptr);
  EXPECT_EQ(b.Value.StringInAnsi(), nullptr);
}

TEST(SemBaseNumbers, LongDoubleAndCompare) {
  TSemBlock a, b;
  a.Value.LoadStringNumber("12.50");
  EXPECT_EQ(a.Value.LongValue(), 12);
  EXPECT_DOUBLE_EQ(a.Value.DoubleValue(), 12.5);
  a.Value.LoadStringNumber("-12.50");
  EXPECT_EQ(a.Value.LongValue(), -12);
  a.Value.Type = 77;  // outside the table
  EXPECT_EQ(a.Value.LongValue(), -111111);
  EXPECT_EQ(a.Value.DoubleValue(), 0.0);
  EXPECT_EQ(a.Value.ValueLength(), 79);
  a.Value.LoadDouble(1e12);
  EXPECT_EQ(a.Value.LongValue(), INT32_MAX);  // saturates

  a.Value.LoadDouble(1.0);
  b.Value.LoadDouble(1.000000001);
  EXPECT_EQ(a.Value.Compare(&b.Value), 2);
  b.Value.LoadDouble(1.0001);
  EXPECT_EQ(a.Value.Compare(&b.Value), 1);
  EXPECT_EQ(b.Value.Compare(&a.Value), 4);
  EXPECT_EQ(a.Value.Compare(nullptr), 0);
  a.Value.Value("river Don", 0);
  b.Value.Value("*DON", 0);
  EXPECT_EQ(a.Value.Compare(&b.Value), 2);

  // Widening: a byte and an unknown type become 16-bit integers.
  TSemBase byte{};
  byte.Type = 1;
  byte.Scale = static_cast<BYTE>(-1);
  byte.Data[0] = static_cast<char>(-7);
  TSemBlock w;
  w.Value.LoadSemBase(&byte);
  EXPECT_EQ(w.Value.Type, 2);
  EXPECT_EQ(Short(w.Value), -7);
  EXPECT_DOUBLE_EQ(w.Value.DoubleValue(), -0.7);
}

// ---------------------------------------------------------------------------
// Cursor

// Blocks of a record, built in a vector.
struct Blocks {
  std::vector<char> bytes;
  void Add(int code, const TSemBase& v) {
    size_t at = bytes.size();
    bytes.resize(at + 2 + v.ValueLength());
    WORD c = static_cast<WORD>(code);
    std::memcpy(&bytes[at], &c, 2);
    std::memcpy(&bytes[at + 2], &v, v.ValueLength());
  }
  void AddText(int code, const char* text) {
    TSemBlock b;
    b.Value.Value(text, 0);
    Add(code, b.Value);
  }
  void AddLong(int code, LONG value) {
    TSemBlock b;
    b.Value.LoadLong(value);
    Add(code, b.Value);
  }
  LONG Size() const { return static_cast<LONG>(bytes.size()); }
  // An exact-size heap copy, so that any read past the end is caught.
  std::unique_ptr<char[]> Copy(size_t extra = 0) const {
    std::unique_ptr<char[]> p(new char[bytes.size() + extra]());
    std::memcpy(p.get(), bytes.data(), bytes.size());
    return p;
  }
};

TEST(WorkSemantic, WalkFindAndValueLookups) {
  Blocks b;
  b.AddText(5, "MOSCOW");
  b.AddLong(7, 42);
  b.AddText(5, "Mossel");
  auto mem = b.Copy();
  TWorkSemantic w;
  w.Access(mem.get(), b.Size(), 0);
  EXPECT_EQ(w.SemanticsAmount(), 3);
  EXPECT_EQ(w.CurrentNumber(), 1);
  ASSERT_NE(w.GoNumber(3), nullptr);
  EXPECT_STREQ(w.CurrentValue()->Text(), "Mossel");
  EXPECT_NE(w.GoNumber(2), nullptr);
  EXPECT_EQ(w.CurrentCode(), 7);
  EXPECT_EQ(w.GoNumber(4), nullptr);

  char* first = w.FindCode(5);
  EXPECT_EQ(first, mem.get());
  EXPECT_NE(w.FindCodeNext(5), nullptr);
  EXPECT_EQ(w.CurrentNumber(), 3);
  EXPECT_EQ(w.FindCodeNext(5), nullptr);

  EXPECT_EQ(w.FindCodeAndValue(5, "Mos"), first);
  // Only the first code-5 block is looked at.
  EXPECT_EQ(w.FindCodeAndValue(5, "Mossel"), nullptr);
  EXPECT_EQ(w.FindCodeAndValue(5, "MOSCOW and more"), nullptr);
  EXPECT_NE(w.FindCodeAndValue(7, static_cast<LONG>(42)), nullptr);
  EXPECT_NE(w.FindCodeAndValue(7, 42.0), nullptr);
  EXPECT_EQ(w.FindCodeAndValue(8, static_cast<LONG>(42)), nullptr);
  EXPECT_EQ(w.CompareCodeAndValue(5, "mos*"), 2);
  EXPECT_EQ(w.CompareCodeAndValue(7, static_cast<LONG>(50)), 1);
  EXPECT_EQ(w.CompareCodeAndValue(7, 41.5), 4);
  EXPECT_EQ(w.CompareCodeAndValue(9, static_cast<LONG>(1)), 0);

  TSemBlock pattern;
  pattern.Code = 5;
  pattern.Value.Value("*sel", 0);
  EXPECT_EQ(w.FindBlock(&pattern), mem.get() + 20);  // 12 + 8 bytes in
}

TEST(WorkSemantic, BlocksRunningPastTheLengthAreCutOff) {
  Blocks b;
  b.AddLong(1, 10);
  b.AddText(2, "abc");
  // A string whose length byte claims 200 bytes where 4 are left.
  b.bytes.insert(b.bytes.end(), {3, 0, static_cast<char>(126), static_cast<char>(200), 'x', 0});
  auto mem = b.Copy();
  TWorkSemantic w;
  w.Access(mem.get(), b.Size(), 0);
  EXPECT_EQ(w.SemanticsAmount(), 2);
  EXPECT_EQ(w.SemLength(), 8 + 8);
  EXPECT_EQ(w.FindCode(3), nullptr);

  // A record cut in the middle of a block's head.
  for (size_t cut = 0; cut < 8; ++cut) {
    std::unique_ptr<char[]> part(new char[cut == 0 ? 1 : cut]);
    std::memcpy(part.get(), b.bytes.data(), cut);
    TWorkSemantic c;
    c.Access(part.get(), static_cast<LONG>(cut), 0);
    EXPECT_EQ(c.SemanticsAmount(), 0) << cut;
    EXPECT_EQ(c.FindCode(1), nullptr);
    EXPECT_EQ(c.Delete(), 0);
  }
}

TEST(WorkSemantic, InsertDeleteReplaceWithinTheLimit) {
  Blocks b;
  b.AddLong(1, 10);
  b.AddLong(2, 20);
  auto mem = b.Copy(16);
  TWorkSemantic w;
  w.Access(mem.get(), 16, 32);
  TSemBlock blk;
  blk.Code = 9;
  blk.Value.LoadLong(90);
  ASSERT_NE(w.GoNumber(2), nullptr);
  EXPECT_EQ(w.Insert(&blk), mem.get() + 8);
  EXPECT_EQ(w.SemLength(), 24);
  EXPECT_EQ(w.IsChanged(), 1);
  EXPECT_EQ(w.SemanticsAmount(), 3);
  // No room for the string block.
  TSemBlock text;
  text.Code = 4;
  text.Value.Value("0123456789ABCDEF", 0);  // a 22-byte block
  EXPECT_EQ(w.Append(&text), nullptr);
  EXPECT_EQ(w.SemLength(), 24);
  // Replacing a block by one that does not fit leaves it there.
  ASSERT_NE(w.GoNumber(1), nullptr);
  EXPECT_EQ(w.Replace(&text), nullptr);
  EXPECT_EQ(w.CurrentCode(), 1);
  EXPECT_EQ(w.SemanticsAmount(), 3);
  EXPECT_EQ(w.Delete(), 1);
  EXPECT_EQ(w.CurrentCode(), 9);
  EXPECT_EQ(w.SemLength(), 16);
  EXPECT_NE(w.ReplyValue("7.5", 0), nullptr);
  EXPECT_EQ(w.CurrentCode(), 9);
  EXPECT_DOUBLE_EQ(w.CurrentValue()->DoubleValue(), 7.5);

  // Without a limit nothing can be inserted.
  auto fixed = b.Copy();
  TWorkSemantic r;
  r.Access(fixed.get(), b.Size(), 0);
  EXPECT_EQ(r.Append(&blk), nullptr);
  EXPECT_EQ(r.Replace(&blk), nullptr);
}

TEST(WorkSemantic, LoadKeepsTheSourceOrder) {
  Blocks b;
  for (int i = 1; i <= 5; ++i) b.AddLong(i, i * 10);
  auto mem = b.Copy();
  TWorkSemantic source;
  source.Access(mem.get(), b.Size(), 0);
  std::vector<char> target(100);
  TWorkSemantic w;
  w.Access(target.data(), 0, 100);
  EXPECT_EQ(w.Load(&source), 40);
  EXPECT_EQ(w.IsChanged(), 0);
  for (int i = 1; i <= 5; ++i) {
    ASSERT_NE(w.GoNumber(i), nullptr);
    EXPECT_EQ(w.CurrentCode(), i);
    EXPECT_EQ(w.CurrentValue()->LongValue(), i * 10);
  }
  // A smaller target takes what fits.
  std::vector<char> small(20);
  TWorkSemantic s;
  s.Access(small.data(), 0, 20);
  EXPECT_EQ(s.Load(&source), 16);
}

}  // namespace
