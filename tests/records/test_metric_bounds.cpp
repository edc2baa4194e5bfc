// Truncated and lying records: every walk stays inside the record's own
// length (and the buffer size); nothing past the end is read or written.
// Records are copied into blocks of exactly their size so that the
// sanitizers catch any overrun.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "records/dataedit.h"
#include "records/objectdata.h"
#include "support/metric_builder.h"

namespace {

// A buffer attached in place to a heap block of exactly the record's bytes.
struct Attached {
  Attached(const std::vector<char>& bytes, int t)
      : size(static_cast<LONG>(bytes.size())), text(t), block(new char[bytes.size()]) {
    std::memcpy(block.get(), bytes.data(), bytes.size());
    Attach();
  }
  void Attach() { e.SetBuffer(block.get(), size, text); }
  LONGMETRIC* View() { return reinterpret_cast<LONGMETRIC*>(block.get()); }
  LONG size;
  int text;
  std::unique_ptr<char[]> block;
  Edit e;
};

template <typename T>
void Poke(std::vector<char>& r, size_t offset, T v) {
  std::memcpy(r.data() + offset, &v, sizeof v);
}

// Runs every reader and editor over a record attached in place.
void Exercise(const std::vector<char>& bytes, int text) {
  Attached a(bytes, text);
  Edit& e = a.e;
  DFRAME f;
  DOUBLEPOINT p{1, 1}, q{};
  XYDOUBLE x{};
  char t[300];
  NUMBERPOINT r1[2], r2[2];
  for (int n = 0; n < 4; ++n) {
    e.FirstPointSubject(n);
    e.LastPointSubject(n);
    e.PointCount(n);
    e.XNDouble(1);
    e.XNDouble(3);
    e.GetText(t, 300);
    e.GetTextHorizontalAlign();
    e.DimensionsSubject(&f, n);
    e.SignedSquareSubject(n);
    e.Inside(&p, n);
    e.SeekNearPoint(0, 0, n);
    e.SeekNearVirtualPoint(0, 0, n, &x);
    e.SeekVirtualPointByDistance(1, 5.0, &q, n);
    e.CrossCutData(&p, &q, 1, 2, r1, r2, n, 0.01);
    e.CrossCutSegment(&p, &q, 1, 2, r1, r2, n, 0.01);
    e.GetExclusiveSubject(n);
  }
  e.TotalPointCount();
  e.Dimensions(&f);
  e.PolyPerimeter();
  e.Perimeter();
  e.Square();
  e.SeekNearPoint(0, 0);
  e.SeekNearVirtualPoint(0, 0, &x);
  e.X1Double();
  if (bytes.size() >= 12) {  // a view knows no block size: a header at least
    TObjectData d(a.View());
    d.X1Double();
    d.Perimeter();
    d.H1Double();
    d.PointLimit();
  }
  // Edits: refused, or done inside the record (growth moves it to an own
  // block first). Each starts from the record as it is in the block.
  DOUBLEPOINT shift{1, 1};
  const std::function<void()> edits[] = {
      [&] { e.RelocateObject(&shift); }, [&] { e.DeleteEqualPoint(0.1, 0); },
      [&] { e.LinearFilter(0.1); },      [&] { e.AppendPointSubject(1, 5, 5); },
      [&] { e.CreateSubject(); },        [&] { e.PutText("abc", 8); },
      [&] { e.DeleteSubject(1); },       [&] { e.ChangeKind(METRIC_F64); },
      [&] { e.ChangeTextFormat(!text); }, [&] { e.SetLongCounts(); },
      [&] { e.AbridgeObject(3); },
  };
  for (const auto& edit : edits) {
    a.Attach();
    edit();
  }
  e.SetBuffer(nullptr, 0, 0);
}

std::vector<char> Sample(bool text) {
  return BuildMetric(METRIC_F32,
                     {{{{0, 0}, {0, 10}, {10, 10}, {0, 0}}, "Outer"}, {{{1, 1}, {2, 2}}, "In"}},
                     text);
}

TEST(MetricBounds, CountsAndLengthsLargerThanTheRecordAreRefused) {
  std::vector<char> r = Sample(false);
  Poke<uint16_t>(r, 14, 5000);  // contour 0 claims 5000 points
  Attached a(r, 0);
  EXPECT_EQ(a.e.FirstPointSubject(0), nullptr);
  EXPECT_EQ(a.e.CurrentPoint, nullptr);
  EXPECT_EQ(a.e.TotalPointCount(), 0);
  EXPECT_EQ(a.e.Square(), 0.0);
  EXPECT_EQ(a.e.AppendPointSubject(0, 1, 1), 0);
  EXPECT_EQ(TObjectData(a.View()).Perimeter(), 0.0);
  Exercise(r, 0);

  std::vector<char> s = Sample(false);
  Poke<uint16_t>(s, 8, 40);  // 41 contours
  Attached b(s, 0);
  EXPECT_NE(b.e.FirstPointSubject(1), nullptr);
  EXPECT_EQ(b.e.FirstPointSubject(2), nullptr);
  EXPECT_EQ(b.e.FirstPointSubject(39), nullptr);
  Exercise(s, 0);

  std::vector<char> l = Sample(false);
  Poke<uint32_t>(l, 4, static_cast<uint32_t>(l.size() + 1000));  // longer than the block
  Attached c(l, 0);
  EXPECT_EQ(c.e.CurrentPoint, nullptr);
  EXPECT_EQ(c.e.AppendPointSubject(0, 1, 1), 0);
  EXPECT_EQ(c.e.Realloc(), 0);
  Exercise(l, 0);
}

TEST(MetricBounds, TruncatedRecords) {
  std::vector<char> full = Sample(false);
  for (size_t cut = 1; cut < full.size(); ++cut) {
    std::vector<char> r(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    if (r.size() >= 8) Poke<uint32_t>(r, 4, static_cast<uint32_t>(cut));
    SCOPED_TRACE(cut);
    Exercise(r, 0);
  }
}

TEST(MetricBounds, TextEntriesPastTheEnd) {
  std::vector<char> r = Sample(true);
  // Contour 0's entry claims 200 bytes.
  size_t entry = 12 + 4 + 4 * 8;
  r[entry] = static_cast<char>(200);
  Attached a(r, 1);
  EXPECT_EQ(a.e.FirstPointSubject(0), nullptr);
  EXPECT_EQ(a.e.GetTextData(), nullptr);
  Exercise(r, 1);
  // A text record read as one without texts, and the other way round.
  Exercise(Sample(true), 0);
  Exercise(Sample(false), 1);
  // Entries without a terminator.
  std::vector<char> n = Sample(true);
  std::memset(n.data() + entry + 1, 'x', 7);
  Exercise(n, 1);
}

TEST(MetricBounds, LongCountsLying) {
  for (size_t at : {12, 12 + 4 + 32}) {
    std::vector<char> r = BuildMetric(METRIC_F64, {{{{1, 1}, {2, 2}}}, {{{3, 3}}}}, false, true);
    Poke<uint32_t>(r, at, at == 12 ? 0xFFFFFFFFu : 0x10000000u);
    Exercise(r, 0);
  }
}

TEST(MetricBounds, UnknownAndPointlessKinds) {
  std::vector<char> r = Sample(false);
  Poke<uint32_t>(r, 0, 0x7FF17FF5u);  // a valid-looking marker of no kind
  Exercise(r, 0);
  std::vector<char> i =
      BuildMetric(METRIC_I32H, {{{{5, 6, 7}, {8, 9, 10}}}, {{{1, 2, 3}}}}, false, true);
  Attached a(i, 0);
  // Only the point at the cursor is understood; the cursor and the walk
  // step over the 12 bytes a point is read from.
  EXPECT_EQ(a.e.X(), 5);
  EXPECT_EQ(a.e.Y(), 6);
  EXPECT_EQ(a.e.HDouble(), 7.0);
  EXPECT_EQ(a.e.HDouble(8.5), 8.5);
  EXPECT_EQ(a.e.AppendPointSubject(0, 1, 1), 0);
  EXPECT_EQ(a.e.ChangeKind(METRIC_F64), 0);
  EXPECT_EQ(Points(a.e, 0), (PointList{{5, 6}, {8, 9}}));
  EXPECT_EQ(Points(a.e, 1), (PointList{{1, 2}}));
  EXPECT_EQ(a.e.TotalPointCount(), 3);
  Exercise(i, 0);
  // A count the record's bytes cannot hold is refused in these kinds too
  // (points of no layout take bytes no record holds), and whatever reads
  // the contours ends at once.
  for (DWORD kind : {DWORD(METRIC_I32H), DWORD(0x7FF17FF5u)}) {
    std::vector<char> lying = i;
    Poke<uint32_t>(lying, 0, kind);
    Poke<uint32_t>(lying, 12 + 4 + 24, 0x40000000u);  // contour 1
    Attached l(lying, 0);
    SCOPED_TRACE(kind);
    const int held = kind == METRIC_I32H ? 2 : 0;  // contour 0's
    EXPECT_EQ(l.e.PointCount(0), held);
    EXPECT_EQ(l.e.PointCount(1), 0);
    EXPECT_EQ(l.e.FirstPointSubject(1), nullptr);
    EXPECT_EQ(l.e.TotalPointCount(), held);
    EXPECT_FALSE(MetricHeld(lying.data(), DWORD(lying.size()), false));
    Exercise(lying, 0);
  }
  EXPECT_TRUE(MetricHeld(i.data(), DWORD(i.size()), false));
  EXPECT_FALSE(MetricSound(i.data(), DWORD(i.size()), false));
  // Kinds marked invalid are not walked at all.
  std::vector<char> bad = Sample(false);
  Poke<uint32_t>(bad, 0, 0x12345678u);
  Attached b(bad, 0);
  EXPECT_EQ(b.e.FirstPointSubject(0), nullptr);
  Exercise(bad, 0);
}

}  // namespace
