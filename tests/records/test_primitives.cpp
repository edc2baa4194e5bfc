// The table of image primitive codes: parameter lengths and what each code
// is, as the drawing editor and the map store ask for them.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "records/drawedit.h"
#include "records/primitives.h"

namespace {

std::vector<char> Words(std::initializer_list<DWORD> words) {
  std::vector<char> v(words.size() * 4);
  std::memcpy(v.data(), words.begin(), v.size());
  return v;
}

struct LengthCase {
  const char* what;
  int code;
  std::vector<char> parms;  // empty: null parameters
  int expected;
};

TEST(Primitives, ParameterLengthByRule) {
  const LengthCase cases[] = {
      {"fixed, no parameters needed", PRIM_LINE, {}, 8},
      {"fixed ignores the words", PRIM_FACE_TEXT, Words({4, 4}), 64},
      {"fixed, not an element", PRIM_HATCH, {}, 16},
      {"first word", PRIM_VECTOR, Words({88, 7}), 88},
      {"first word at the record limit", PRIM_TEMPLATE, Words({0x40000}), 0x40000},
      {"first word lies past the limit", PRIM_VECTOR, Words({0x40001}), 0},
      {"first word lies: all ones", PRIM_DECORATED, Words({0xFFFFFFFFu}), 0},
      {"first word zero", PRIM_BITMAP, Words({0, 152}), 0},
      {"first word, null parameters", PRIM_VECTOR, {}, 0},
      {"second word + 4", PRIM_LAYERED_PATTERN, Words({0, 152}), 156},
      {"second word + 4 does not wrap", PRIM_LAYERED_PATTERN, Words({0, 0xFFFFFFFFu}), 0},
      {"second word: nested record", PRIM_SET, Words({IMGDRAW_IDENT, 12, 0}), 12},
      {"composite is not storable", PRIM_LINE_DOT, Words({8, 8}), 0},
      {"no primitive", 200, Words({8, 8}), 0},
      {"negative code", -128, Words({8, 8}), 0},
      {"code past 255", 256 + PRIM_LINE, Words({8, 8}), 0},
  };
  for (const LengthCase& c : cases) {
    const char* parms = c.parms.empty() ? nullptr : c.parms.data();
    EXPECT_EQ(PrimitiveParmLength(c.code, parms), c.expected) << c.what;
    EXPECT_EQ(TObjectDraw::ElementParmLength(c.code, parms), c.expected) << c.what;
  }
}

std::set<int> CodesWhere(bool (*test)(int)) {
  std::set<int> codes;
  for (int code = -300; code < 600; ++code)
    if (test(code)) codes.insert(code);
  return codes;
}

TEST(Primitives, CodeSets) {
  using Set = std::set<int>;
  EXPECT_EQ(CodesWhere([](int c) { return TDrawEdit::IsElement(c) != 0; }),
            (Set{128, 129, 135, 140, 142, 143, 144, 146, 147, 148, 149, 150, 151,
                 152, 153, 154, 155, 157, 158, 159, 249, 251, 252, 253, 254}));
  EXPECT_EQ(CodesWhere([](int c) { return TDrawEdit::IsPaintElement(c) != 0; }),
            (Set{128, 129, 135, 142, 143, 144, 146, 148, 149, 150, 151, 152, 153, 154, 155, 157,
                 158, 159}));
  EXPECT_EQ(CodesWhere([](int c) { return PrimitiveIs(c, PRIMF_TEXT); }), (Set{142, 152}));
  EXPECT_EQ(CodesWhere([](int c) { return PrimitiveIs(c, PRIMF_SIGN); }), (Set{143, 149, 151}));
  EXPECT_EQ(CodesWhere([](int c) { return PrimitiveIs(c, PRIMF_SET); }), (Set{147}));
  EXPECT_EQ(CodesWhere([](int c) { return PrimitiveIs(c, PRIMF_LIBRARY); }), (Set{221, 250}));
  EXPECT_EQ(CodesWhere([](int c) { return PrimitiveIs(c, PRIMF_LINE); }), (Set{128, 129, 148}));
  EXPECT_EQ(CodesWhere([](int c) { return PrimitiveIs(c, PRIMF_COMPOSITE); }),
            (Set{130, 131, 132, 133, 134, 137, 145}));
}

}  // namespace
