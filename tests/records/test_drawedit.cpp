// The graphics record and its editing buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "records/drawedit.h"
#include "platform/fault.h"

namespace {

DWORD WordAt(const char* p, int offset = 0) {
  DWORD v;
  std::memcpy(&v, p + offset, 4);
  return v;
}
void PutWord(char* p, int offset, DWORD v) { std::memcpy(p + offset, &v, 4); }
void PutWord(std::vector<char>& v, int offset, DWORD w) { PutWord(v.data(), offset, w); }

std::vector<char> Words(std::initializer_list<DWORD> words) {
  std::vector<char> v(words.size() * 4);
  std::memcpy(v.data(), words.begin(), v.size());
  return v;
}

// Appends a part {u16 length, u16 code, data}: an element of a record, or a
// nested part of a line with signs.
void AddPart(std::vector<char>& out, WORD code, const std::vector<char>& data) {
  WORD head[2] = {static_cast<WORD>(data.size() + 4), code};
  out.insert(out.end(), reinterpret_cast<char*>(head), reinterpret_cast<char*>(head) + 4);
  out.insert(out.end(), data.begin(), data.end());
}

// A record built byte by byte: head, then elements {code, parms}.
std::vector<char> BuildDraw(std::initializer_list<std::pair<WORD, std::vector<char>>> elements,
                            WORD flags = 0) {
  std::vector<char> r(12);
  for (const auto& [code, parms] : elements) AddPart(r, code, parms);
  IMGDRAW h = {IMGDRAW_IDENT, static_cast<DWORD>(r.size()), static_cast<WORD>(elements.size()),
               flags};
  std::memcpy(r.data(), &h, 12);
  return r;
}

std::vector<char> Parms(TDrawEdit& e, int i) {
  const char* p = e.ElementParmAddress(i);
  return std::vector<char>(p, p + e.ElementParmLength(i));
}

std::unique_ptr<char[]> HeapCopy(const std::vector<char>& v) {
  std::unique_ptr<char[]> p(new char[v.size()]);
  std::memcpy(p.get(), v.data(), v.size());
  return p;
}
IMGDRAW* AsDraw(const std::unique_ptr<char[]>& p) { return reinterpret_cast<IMGDRAW*>(p.get()); }

// A vector sign image: a 56-byte head, then subjects {colour, point count}
// of 8-byte points.
std::vector<char> VectorImage(std::initializer_list<std::pair<DWORD, DWORD>> subjects) {
  std::vector<char> image(56, 0);
  for (const auto& [colour, points] : subjects) {
    std::vector<char> s = {0, 0, 4, 0}, c = Words({colour, points});
    s.insert(s.end(), c.begin(), c.end());
    s.resize(s.size() + 8 * points, 1);
    image.insert(image.end(), s.begin(), s.end());
  }
  PutWord(image, 0, static_cast<DWORD>(image.size()));
  PutWord(image, 52, static_cast<DWORD>(subjects.size()));
  return image;
}

std::vector<DWORD> Colours(TDrawEdit& e) {
  std::vector<DWORD> c;
  for (int i = 1; i <= e.Count(); ++i) c.push_back(WordAt(e.ElementParmAddress(i)));
  return c;
}

TEST(DrawEdit, AppendToADetachedBuffer) {
  TDrawEdit e;
  std::vector<char> line = Words({0xF0000005u, 500});
  EXPECT_EQ(e.AppendElement(128, line.data()), 1);
  EXPECT_EQ(e.BufferSize(), 4096);
  EXPECT_EQ(e.Length(), 24);
  EXPECT_EQ(e.Count(), 1);
  EXPECT_EQ(e.IsChanged(), 1);
  EXPECT_EQ(e.ElementIdent(1), 128);
  EXPECT_EQ(e.ElementLength(1), 12);
  EXPECT_EQ(WordAt(e.ElementParmAddress(1), 4), 500u);
  EXPECT_EQ(e.AppendElement(128, nullptr), 0);
  EXPECT_EQ(e.AppendElement(999, line.data()), 0);  // no such code
  EXPECT_EQ(e.AppendElement(136, line.data()), 0);  // has parameters, but is no element
  EXPECT_EQ(e.Count(), 1);
}

TEST(DrawEdit, DefaultsAndCarriedParameters) {
  TDrawEdit e;
  ASSERT_EQ(e.AppendElementWithInit(129), 1);
  EXPECT_EQ(Parms(e, 1), Words({0xF0000000u, 250, 250, 250}));
  EXPECT_EQ(e.ReplaceElementWithInit(1, 148), 1);
  EXPECT_EQ(e.Count(), 1);
  EXPECT_EQ(e.ElementIdent(1), 148);
  EXPECT_EQ(Parms(e, 1), Words({0xF0000000u, 250, 250, 250, 0}));

  // Every default has the parameter length its code asks for.
  for (int code : {128, 129, 135, 140, 142, 143, 144, 146, 147, 148, 149, 150, 151, 152, 153,
                   154, 155, 157, 158, 159, 249, 251, 252, 253, 254}) {
    char parms[256];
    ASSERT_EQ(TDrawEdit::Init(code, parms), 1) << code;
    TDrawEdit one;
    EXPECT_EQ(one.AppendElementWithInit(code), 1) << code;
  }
  char parms[256];
  EXPECT_EQ(TDrawEdit::Init(130, parms), 0);
  EXPECT_EQ(TDrawEdit::Init(128, nullptr), 0);
  TDrawEdit::Init(150, parms);
  EXPECT_EQ(WordAt(parms), 104u);
  EXPECT_EQ(WordAt(parms, 72), 0xF0000000u);
  TDrawEdit::Init(159, parms);
  EXPECT_EQ(WordAt(parms, 8), 12u | 128u << 16);  // two u16 halves
}

TEST(DrawEdit, CompositeCodesExpand) {
  TDrawEdit e;
  std::vector<char> parms = Words({0xF0000001u, 100, 0xF0000002u, 200, 300, 400});
  EXPECT_EQ(e.Load(130, parms.data()), 2);
  EXPECT_EQ(e.ElementIdent(1), 128);
  EXPECT_EQ(e.ElementIdent(2), 129);
  EXPECT_EQ(WordAt(e.ElementParmAddress(2)), 0xF0000002u);
  EXPECT_EQ(e.CurrentElement(), 2);

  // Not an element: InsertElement refuses it, AppendElement expands it.
  EXPECT_EQ(e.InsertElement(1, 130, parms.data()), 0);
  EXPECT_EQ(e.AppendElement(130, parms.data()), 4);

  std::vector<char> p145 = Words({1, 2, 3, 4, 5, 6});
  e.Clear();
  EXPECT_EQ(e.Func2Elements(145, p145.data()), 2);
  EXPECT_EQ(e.ElementIdent(2), 148);
  EXPECT_EQ(WordAt(e.ElementParmAddress(2), 16), static_cast<DWORD>(-4));

  std::vector<char> p137(16 + 128, 7);
  std::memcpy(p137.data(), Words({11, 22, 33, 44}).data(), 16);
  e.Clear();
  EXPECT_EQ(e.Func2Elements(137, p137.data()), 1);
  ASSERT_EQ(e.ElementIdent(1), 143);
  ASSERT_EQ(e.ElementLength(1), 156);
  std::vector<char> want = Words({152, 1, 22, 33, 44, 11});
  want.resize(152, 7);
  EXPECT_EQ(Parms(e, 1), want);
  EXPECT_EQ(e.Func2Elements(138, p137.data()), 0);
  EXPECT_EQ(e.Func2Elements(200, p137.data()), 0);

  // A whole record replaces this one; of its flags only bit 0 stays.
  std::vector<char> nested =
      BuildDraw({{135, Words({1})}, {135, Words({2})}, {135, Words({3})}}, 0xFFFF);
  EXPECT_EQ(e.Func2Elements(147, nested.data()), 3);
  EXPECT_EQ(e.Length(), static_cast<LONG>(nested.size()));
  EXPECT_EQ(e.Record()->Flags, 1);
  std::vector<char> bad = nested;
  bad[0] = 0;
  EXPECT_EQ(e.Func2Elements(147, bad.data()), 0);
}

TEST(DrawEdit, MoveInsertReplaceDelete) {
  TDrawEdit e;
  std::vector<char> p = Words({0xA, 1}), q = Words({0xB, 2, 3, 4}), r = Words({0xC});
  e.AppendElement(128, p.data());
  e.AppendElement(129, q.data());
  e.AppendElement(135, r.data());
  EXPECT_EQ(e.ElementMove(1, 3), 3);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>{0xB, 0xC, 0xA}));
  EXPECT_EQ(e.ElementIdent(3), 128);
  EXPECT_EQ(e.ElementMove(3, 1), 1);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>{0xA, 0xB, 0xC}));
  EXPECT_EQ(e.ElementMove(3, 1), 1);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>{0xC, 0xA, 0xB}));
  EXPECT_EQ(e.ElementMove(2, 2), 2);
  EXPECT_EQ(e.ElementMove(0, 2), 0);
  EXPECT_EQ(e.ElementMove(1, 4), 0);
  EXPECT_EQ(e.Length(), 12 + 12 + 20 + 8);

  std::vector<char> s = Words({0xD});
  EXPECT_EQ(e.InsertElement(2, 135, s.data()), 2);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>{0xC, 0xD, 0xA, 0xB}));
  EXPECT_EQ(e.InsertElement(9, 135, s.data()), 5);  // past the end: appended
  EXPECT_EQ(e.InsertElement(0, 135, s.data()), 0);
  EXPECT_EQ(e.DeleteElement(5), 1);
  EXPECT_EQ(e.CurrentElement(), 1);  // nothing followed
  EXPECT_EQ(e.DeleteElement(2), 1);
  EXPECT_EQ(e.CurrentElement(), 2);
  EXPECT_EQ(e.DeleteElement(7), 0);
  EXPECT_EQ(e.CurrentElement(), 0);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>{0xC, 0xA, 0xB}));

  // A replacement that cannot be stored leaves the element in place.
  EXPECT_EQ(e.ReplaceElement(2, 130, p.data()), 0);
  EXPECT_EQ(e.ReplaceElement(4, 135, s.data()), 0);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>{0xC, 0xA, 0xB}));
  EXPECT_EQ(e.ReplaceElement(2, 135, s.data()), 2);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>{0xC, 0xD, 0xB}));
  EXPECT_EQ(e.Length(), 12 + 8 + 8 + 20);
}

TEST(DrawEdit, ParametersFromTheRecordItselfSurviveItsMove) {
  TDrawEdit e;
  ASSERT_EQ(e.Allocate(40), 1);
  std::vector<char> p = Words({0x11, 0x22});
  ASSERT_EQ(e.AppendElement(128, p.data()), 1);
  // Each append from the record's own element outgrows the block in turn.
  for (int i = 0; i < 3; ++i) ASSERT_NE(e.AppendElement(128, e.ElementParmAddress(1)), 0);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>(4, 0x11)));
  ASSERT_EQ(e.InsertElement(1, 128, e.ElementParmAddress(4)), 1);
  EXPECT_EQ(e.Count(), 5);
  EXPECT_EQ(e.Load(TObjectDraw(e.Record())), e.Length());
}

TEST(DrawEdit, SetTopColor) {
  TDrawEdit e;
  std::vector<char> line = Words({0xF0000003u, 250}), fill = Words({0xF0000004u});
  e.AppendElement(128, line.data());
  e.AppendElement(135, fill.data());
  e.SetChanged(0);
  EXPECT_EQ(static_cast<DWORD>(e.SetTopColor(0x123456)), 0xF0000003u);
  EXPECT_EQ(Colours(e), (std::vector<DWORD>{0x123456, 0xF0000004u}));
  EXPECT_EQ(e.IsChanged(), 1);

  TDrawEdit f;
  std::vector<char> mark = Words({10, 10});
  f.AppendElement(154, mark.data());
  EXPECT_EQ(f.SetTopColor(77), 77);
  EXPECT_EQ(WordAt(f.ElementParmAddress(1)), 10u);

  // A bitmap sign: the colour of its last layer.
  TDrawEdit g;
  std::vector<char> bitmap(20 + 2 * 132, 0);
  std::memcpy(bitmap.data(), Words({static_cast<DWORD>(bitmap.size()), 2, 8000, 0, 0}).data(), 20);
  PutWord(bitmap, 20, 0xAA);
  PutWord(bitmap, 20 + 132, 0xBB);
  g.AppendElement(143, bitmap.data());
  EXPECT_EQ(g.SetTopColor(0xCC), 0xBB);
  EXPECT_EQ(WordAt(g.ElementParmAddress(1), 20 + 132), 0xCCu);
  // A layer count that points past the parameters changes nothing.
  PutWord(g.ElementParmAddress(1), 4, 1000);
  EXPECT_EQ(g.SetTopColor(0xDD), 0xDD);

  // A vector sign: the last subject with a colour and two points or more.
  std::vector<char> image = VectorImage({{0x1, 2}, {0x2, 3}, {0x3, 1}});
  TDrawEdit h;
  h.AppendElement(149, image.data());
  EXPECT_EQ(h.SetTopColor(0x9), 0x2);
  EXPECT_EQ(WordAt(h.ElementParmAddress(1), 56 + 12 + 16 + 4), 0x9u);
  // A subject count beyond the image stops at its end.
  PutWord(h.ElementParmAddress(1), 52, 1000000);
  EXPECT_EQ(h.SetTopColor(0x8), 0x9);
}

TEST(DrawEdit, SetTopColorOfLinesWithSigns) {
  // 157: a 32-byte head, then the base line and the signs; the first sign
  // with an image gives its colour.
  std::vector<char> p157(32, 0);
  AddPart(p157, 128, Words({0x1, 250}));
  AddPart(p157, 127, {});
  AddPart(p157, 149, VectorImage({{0x5, 2}}));
  AddPart(p157, 149, VectorImage({{0x6, 2}}));
  PutWord(p157, 0, static_cast<DWORD>(p157.size()));
  TDrawEdit e;
  ASSERT_EQ(e.AppendElement(157, p157.data()), 1);
  EXPECT_EQ(e.SetTopColor(0x9), 0x5);
  EXPECT_EQ(e.SetTopColor(0xA), 0x9);

  // 146: an 8-byte head; the image is sought from the third nested part on.
  std::vector<char> p146(8, 0);
  AddPart(p146, 128, Words({0x1, 250}));
  AddPart(p146, 149, VectorImage({{0x2, 2}}));
  AddPart(p146, 149, VectorImage({{0x3, 2}}));
  PutWord(p146, 0, static_cast<DWORD>(p146.size()));
  TDrawEdit f;
  ASSERT_EQ(f.AppendElement(146, p146.data()), 1);
  EXPECT_EQ(f.SetTopColor(0x9), 0x3);

  // Parts that run past the parameters give nothing.
  std::vector<char> cut = p157;
  WORD wild = 60000;
  std::memcpy(&cut[32], &wild, 2);
  TDrawEdit g;
  ASSERT_EQ(g.AppendElement(157, cut.data()), 1);
  EXPECT_EQ(g.SetTopColor(0x9), 0x9);
}

TEST(DrawRecord, TheCountIsSixteenBitsBesideTheFlags) {
  std::vector<char> r = BuildDraw({{128, Words({1, 2})}, {135, Words({3})}}, IMGDRAW_SPLINE);
  auto mem = HeapCopy(r);
  TObjectDraw view(AsDraw(mem));
  EXPECT_EQ(view.Count(), 2);
  EXPECT_EQ(view.Length(), 32);
  EXPECT_EQ(view.ElementIdent(2), 135);
  EXPECT_EQ(view.ElementIdent(3), 0);
  TDrawEdit e;
  ASSERT_EQ(e.SetBuffer(mem.get(), static_cast<LONG>(r.size())), 1);
  EXPECT_EQ(e.Count(), 2);
  EXPECT_EQ(e.IsSpline(), 1);
  EXPECT_EQ(e.SetSpline(0), 0);
  EXPECT_EQ(e.IsSpline(), 0);
  EXPECT_EQ(e.Count(), 2);
  EXPECT_EQ(e.IsChanged(), 1);
}

TEST(DrawRecord, LyingAndTruncatedRecordsAreRefused) {
  const std::vector<char> r = BuildDraw({{128, Words({1, 2})}, {135, Words({3})}});
  const LONG size = static_cast<LONG>(r.size());
  auto damaged = [&](size_t at, char v) {
    std::vector<char> d = r;
    d[at] = v;
    return HeapCopy(d);
  };
  // The record claims more than the buffer holds.
  auto longer = damaged(4, 100);
  TDrawEdit e;
  EXPECT_EQ(e.SetBuffer(longer.get(), size), 0);
  EXPECT_EQ(e.Record(), nullptr);
  EXPECT_EQ(e.Count(), 0);
  EXPECT_EQ(e.SetBuffer(longer.get(), 8), 0);

  // The count claims more elements than the length holds.
  auto many = damaged(8, 50);
  TObjectDraw view(AsDraw(many));
  EXPECT_EQ(view.ElementIdent(2), 135);
  EXPECT_EQ(view.ElementAddress(3), nullptr);
  EXPECT_EQ(view.ElementAddress(50), nullptr);
  ASSERT_EQ(e.SetBuffer(many.get(), size), 1);
  EXPECT_EQ(e.SetTopColor(5), 1);
  EXPECT_EQ(e.DeleteElement(3), 0);
  EXPECT_EQ(e.ElementMove(1, 40), 0);

  // An element whose length runs past the record.
  auto past = damaged(12 + 12, 60);
  EXPECT_NE(TObjectDraw::ElementAddress(AsDraw(past), 1), nullptr);
  EXPECT_EQ(TObjectDraw::ElementAddress(AsDraw(past), 2), nullptr);
  // An empty element stops the walk.
  auto zero = damaged(12, 0);
  EXPECT_EQ(TObjectDraw::ElementAddress(AsDraw(zero), 1), nullptr);
  EXPECT_EQ(TObjectDraw::ElementAddress(AsDraw(zero), 2), nullptr);
  // Wrong marker.
  auto foreign = damaged(0, 1);
  EXPECT_EQ(TObjectDraw::Length(AsDraw(foreign)), 0);
  EXPECT_EQ(e.Load(TObjectDraw(AsDraw(foreign))), 0);
  EXPECT_EQ(e.Count(), 0);
}

TEST(DrawRecord, GrowthStopsAtTheLimitAndKeepsExactLengths) {
  TDrawEdit e;
  // A vector sign of 60,000 bytes fits an element; five of them do not fit
  // the record.
  std::vector<char> big(60000, 0);
  PutWord(big, 0, 60000);
  int appended = 0;
  while (e.AppendElement(149, big.data()) != 0) ++appended;
  EXPECT_EQ(appended, 4);
  EXPECT_EQ(e.Length(), 12 + 4 * 60004);
  EXPECT_LE(e.Length(), IMGDRAW_MAXLENGTH);
  // An element longer than its 16-bit length field is refused.
  std::vector<char> huge(70000, 0);
  PutWord(huge, 0, 70000);
  TDrawEdit f;
  EXPECT_EQ(f.AppendElement(149, huge.data()), 0);

  // A record of 40,000 bytes keeps its exact length.
  TDrawEdit g;
  std::vector<char> mid(39988, 0);
  PutWord(mid, 0, 39984);  // an element of 39,988 bytes
  ASSERT_EQ(g.AppendElement(149, mid.data()), 1);
  EXPECT_EQ(g.Length(), 40000);
  std::vector<char> line = Words({1, 2});
  g.AppendElement(128, line.data());
  EXPECT_EQ(g.Length(), 40012);
  EXPECT_EQ(g.Count(), 2);
}

TEST(DrawRecord, FailedAllocationChangesNothing) {
  TDrawEdit e;
  ASSERT_EQ(e.Allocate(24), 1);
  std::vector<char> line = Words({1, 2});
  ASSERT_EQ(e.AppendElement(128, line.data()), 1);
  IMGDRAW* before = e.Record();
  plat::fault::FailAllocation(1);
  EXPECT_EQ(e.AppendElement(128, line.data()), 0);
  plat::fault::Reset();
  EXPECT_EQ(e.Record(), before);
  EXPECT_EQ(e.BufferSize(), 24);
  EXPECT_EQ(e.Length(), 24);
  EXPECT_EQ(e.Count(), 1);
}

// Parameters taken from the record itself whose length word claims more than
// the block holds are refused, not read past the block.
TEST(DrawRecord, ParametersFromTheRecordWithALyingLengthAreRefused) {
  TDrawEdit e;
  ASSERT_EQ(e.AppendElementWithInit(143), 1);
  PutWord(e.ElementParmAddress(1), 0, 60000);  // more than the 4096-byte block holds
  EXPECT_EQ(e.AppendElement(143, e.ElementParmAddress(1)), 0);
  EXPECT_EQ(e.InsertElement(1, 143, e.ElementParmAddress(1)), 0);
  // Composite codes read no further than the block either.
  char* last = reinterpret_cast<char*>(e.Record()) + e.BufferSize() - 8;
  EXPECT_EQ(e.Func2Elements(137, last), 0);
  EXPECT_EQ(e.Count(), 1);
}

}  // namespace
