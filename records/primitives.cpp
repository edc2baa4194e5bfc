// The table of image primitive codes.
#include "records/primitives.h"

#include <array>
#include <cstring>

#include "records/objectdraw.h"

namespace {

struct Row {
  int Code;
  PrimitiveInfo Info;
};

using L = PrimLength;

constexpr uint16_t kElement = PRIMF_ELEMENT;
constexpr uint16_t kPaints = PRIMF_ELEMENT | PRIMF_PAINTS;

// One row per code that has a primitive; every other code is empty and
// not storable.
constexpr Row kRows[] = {
    {PRIM_NONE, {"empty", L::None, 0, 0}},
    {PRIM_EMPTY, {"empty", L::None, 0, 0}},
    {PRIM_LINE, {"line", L::Fixed, 8, kPaints | PRIMF_LINE}},
    {PRIM_DOT, {"dashed line", L::Fixed, 16, kPaints | PRIMF_LINE}},
    {PRIM_LINE_DOT, {"line and dashed line", L::None, 0, PRIMF_COMPOSITE, 24}},
    {PRIM_TWO_LINES, {"two lines", L::None, 0, PRIMF_COMPOSITE, 16}},
    {PRIM_DOT_TWO_LINES, {"dashed line and two lines", L::None, 0, PRIMF_COMPOSITE, 32}},
    {PRIM_TWO_DOTS, {"two dashed lines", L::None, 0, PRIMF_COMPOSITE, 32}},
    {PRIM_LINE_OVERDOT, {"line with dashed overlay", L::None, 0, PRIMF_COMPOSITE, 24}},
    {PRIM_SQUARE, {"solid fill", L::Fixed, 4, kPaints}},
    // Its length is known, yet a record does not take it as an element; a
    // kind's image record, which holds its own length, takes it alone.
    {PRIM_HATCH, {"hatched fill", L::Fixed, 16, PRIMF_KIND_IMAGE}},
    {PRIM_BITMAP32, {"32 x 32 bitmap sign", L::None, 0, PRIMF_COMPOSITE, 144}},
    {PRIM_PATTERN, {"two-colour pattern fill", L::None, 0, PRIMF_KIND_IMAGE, 152}},
    {PRIM_TEST, {"test only", L::None, 0, 0}},
    {PRIM_CIRCLE, {"circle at the first point", L::Fixed, 12, kElement}},
    {PRIM_TEST_CIRCLE, {"circle for hit testing", L::None, 0, 0, 12}},
    {PRIM_TEXT, {"text", L::Fixed, 32, kPaints | PRIMF_TEXT}},
    {PRIM_BITMAP, {"layered bitmap sign", L::FirstWord, 0, kPaints | PRIMF_SIGN, 20}},
    {PRIM_LAYERED_PATTERN, {"layered pattern fill", L::SecondWord4, 0, kPaints, 24}},
    {PRIM_LINE_OVERDOT_SCALED,
     {"line with dashed overlay, second scaling", L::None, 0, PRIMF_COMPOSITE, 24}},
    {PRIM_DECORATED_SHORT, {"line with signs, short header", L::FirstWord, 0, kPaints, 8}},
    {PRIM_SET, {"primitive set", L::SecondWord, 0, kElement | PRIMF_SET, 12}},
    {PRIM_OFFSET_DOT, {"offset dashed line", L::Fixed, 20, kPaints | PRIMF_LINE}},
    {PRIM_VECTOR, {"vector sign", L::FirstWord, 0, kPaints | PRIMF_SIGN, 56}},
    {PRIM_TEMPLATE, {"labelled set", L::FirstWord, 0, kPaints, 68}},
    {PRIM_FONT_SIGN, {"font character sign", L::Fixed, 92, kPaints | PRIMF_SIGN}},
    {PRIM_FACE_TEXT, {"text with face name", L::Fixed, 64, kPaints | PRIMF_TEXT}},
    {PRIM_ANGLE_HATCH, {"hatch by angle", L::FirstWord, 0, kPaints, 24}},
    {PRIM_SHADE, {"shading", L::Fixed, 8, kPaints}},
    {PRIM_AREA_SIGNS, {"signs over an area", L::FirstWord, 0, kPaints, 20}},
    // Read as a vector sign: its 56-byte head at least.
    {PRIM_VECTOR_MIRROR, {"vector sign, mirrored", L::None, 0, 0, 56}},
    {PRIM_DECORATED, {"line with signs, full header", L::FirstWord, 0, kPaints, 32}},
    {PRIM_PATTERN_LINE, {"pattern line", L::FirstWord, 0, kPaints, 36}},
    {PRIM_OFFSET_LINE, {"offset line", L::FirstWord, 0, kPaints, 12}},
    // Length, four placement words, then the sign's address, as wide as a
    // pointer of this build.
    {PRIM_VECTOR_REF, {"vector sign by reference", L::None, 0, 0, uint16_t(20 + sizeof(void*))}},
    {PRIM_LIBRARY_ALT, {"plug-in library image", L::None, 0, PRIMF_LIBRARY, 16}},
    {PRIM_RESERVED_249, {"reserved", L::Fixed, 4, kElement}},
    {PRIM_LIBRARY, {"plug-in library image", L::None, 0, PRIMF_LIBRARY, 16}},
    {PRIM_RESERVED_251, {"reserved", L::Fixed, 4, kElement}},
    {PRIM_RESERVED_252, {"reserved", L::Fixed, 4, kElement}},
    {PRIM_RESERVED_253, {"reserved", L::Fixed, 8, kElement}},
    {PRIM_RESERVED_254, {"reserved", L::Fixed, 4, kElement}},
};

constexpr PrimitiveInfo kNoPrimitive{"", L::None, 0, 0};

constexpr std::array<PrimitiveInfo, PRIM_COUNT> MakeTable() {
  std::array<PrimitiveInfo, PRIM_COUNT> table{};
  for (auto& e : table) e = kNoPrimitive;
  for (const Row& r : kRows) table[r.Code] = r.Info;
  return table;
}

constexpr std::array<PrimitiveInfo, PRIM_COUNT> kTable = MakeTable();

// The table keeps its own rules: an element has a length, a painter is an
// element, a composite is not one, only a fixed rule has a length, and a
// fixed rule needs no least length beside it.
constexpr bool Consistent() {
  for (const PrimitiveInfo& e : kTable) {
    if ((e.Flags & PRIMF_ELEMENT) && e.Rule == L::None) return false;
    if ((e.Flags & PRIMF_PAINTS) && !(e.Flags & PRIMF_ELEMENT)) return false;
    if ((e.Flags & PRIMF_COMPOSITE) && (e.Flags & PRIMF_ELEMENT)) return false;
    if ((e.Rule == L::Fixed) != (e.Length != 0)) return false;
    if (e.Least != 0 && e.Rule == L::Fixed) return false;
    // A kind's image alone has a length its readers check it against.
    if ((e.Flags & PRIMF_KIND_IMAGE) && ((e.Flags & PRIMF_ELEMENT) || (e.Length == 0 && e.Least == 0)))
      return false;
  }
  return true;
}
static_assert(Consistent());

DWORD Word(const char* p) {
  DWORD v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

}  // namespace

const PrimitiveInfo& PrimitiveOf(int code) {
  if (code < 0 || code >= PRIM_COUNT) return kNoPrimitive;
  return kTable[code];
}

int PrimitiveFits(int code, const char* parms, int available) {
  const PrimitiveInfo& info = PrimitiveOf(code);
  int need = 0;
  switch (info.Rule) {
    case L::None:
      need = info.Least;
      // A record never holds an address that may be followed: the sign by
      // reference is a record the painting process makes in its own memory.
      if (code == PRIM_VECTOR_REF) return 0;
      // The mirrored vector sign is not stored by a length of its own, yet
      // its painters walk its subjects as far as its head says: that length
      // must lie in the room as a vector sign's does.
      if (code == PRIM_VECTOR_MIRROR && parms != nullptr && available >= need) {
        const int own = PrimitiveParmLength(PRIM_VECTOR, parms);
        return own >= need && own <= available ? 1 : 0;
      }
      break;
    case L::Fixed:
      need = info.Length;
      break;
    case L::FirstWord:
    case L::SecondWord4:
    case L::SecondWord:
      if (parms == nullptr || available < (info.Rule == L::FirstWord ? 4 : 8)) return 0;
      need = PrimitiveParmLength(code, parms);
      // A record shorter than the head its readers take whole is damaged.
      if (need == 0 || need < info.Least) return 0;
      break;
  }
  if (need > 0 && parms == nullptr) return 0;
  return need <= available ? 1 : 0;
}

int PrimitiveParmLength(int code, const char* parms) {
  const PrimitiveInfo& info = PrimitiveOf(code);
  int64_t length = 0;
  switch (info.Rule) {
    case L::None:
      return 0;
    case L::Fixed:
      return info.Length;
    case L::FirstWord:
      if (parms == nullptr) return 0;
      length = Word(parms);
      break;
    case L::SecondWord4:
      if (parms == nullptr) return 0;
      length = static_cast<int64_t>(Word(parms + 4)) + 4;
      break;
    case L::SecondWord:
      if (parms == nullptr) return 0;
      length = Word(parms + 4);
      break;
  }
  // A length no record can hold is no length.
  return length > 0 && length <= IMGDRAW_MAXLENGTH ? static_cast<int>(length) : 0;
}
