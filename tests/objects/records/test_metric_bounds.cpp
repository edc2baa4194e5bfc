// Truncated and lying records: every walk stays inside the record's own
// length (and the buffer size); nothing past the end is read or written.
// Records are copied into blocks of exactly their size so that the
// sanitizers catch any overrun.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "objects/records/dataedit.h"
#include "objects/records/objectdata.h"
#include "support/metric_builder.h"

namespace {

struct Edit : TDataEdit {
  Edit() { Init(); }
  ~Edit() { Free(); }
};

// A heap block of exactly the record's bytes.
std::unique_ptr<char[]> Exact(const std::vector<char>& bytes) {
  std::unique_ptr<char[]> p(new char[bytes.size()]);
  std::memcpy(p.get(), bytes.data(), bytes.size());
  return p;
}

template <typename T>
void Poke(std::vector<char>& r, size_t offset, T v) {
  std::memcpy(r.data() + offset, &v, sizeof v);
}

// Runs every reader and editor over a record attached in place.
void Exercise(std::vector<char> bytes, int text) {
  std::unique_ptr<char[]> block = Exact(bytes);
  Edit e;
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
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
    TObjectData d(reinterpret_cast<LONGMETRIC*>(block.get()));
    d.X1Double();
    d.Perimeter();
    d.H1Double();
    d.PointLimit();
  }
  // Edits: refused, or done inside the record (growth moves it to an own
  // block first).
  DOUBLEPOINT shift{1, 1};
  e.RelocateObject(&shift);
  e.DeleteEqualPoint(0.1, 0);
  e.LinearFilter(0.1);
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
  e.AppendPointSubject(1, 5, 5);
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
  e.CreateSubject();
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
  e.PutText("abc", 8);
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
  e.DeleteSubject(1);
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
  e.ChangeKind(METRIC_F64);
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
  e.ChangeTextFormat(!text);
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
  e.SetLongCounts();
  e.SetBuffer(block.get(), static_cast<LONG>(bytes.size()), text);
  e.AbridgeObject(3);
  e.SetBuffer(nullptr, 0, 0);
}

std::vector<char> Sample(bool text) {
  return BuildMetric(METRIC_F32,
                     {{{{0, 0}, {0, 10}, {10, 10}, {0, 0}}, "Outer"}, {{{1, 1}, {2, 2}}, "In"}},
                     text);
}

TEST(MetricBounds, CountLargerThanTheRecordIsRefused) {
  std::vector<char> r = Sample(false);
  Poke<uint16_t>(r, 14, 5000);  // contour 0 claims 5000 points
  Edit e;
  std::unique_ptr<char[]> block = Exact(r);
  e.SetBuffer(block.get(), static_cast<LONG>(r.size()), 0);
  EXPECT_EQ(e.FirstPointSubject(0), nullptr);
  EXPECT_EQ(e.CurrentPoint, nullptr);
  EXPECT_EQ(e.TotalPointCount(), 0);
  EXPECT_EQ(e.Square(), 0.0);
  EXPECT_EQ(e.AppendPointSubject(0, 1, 1), 0);
  EXPECT_EQ(TObjectData(reinterpret_cast<LONGMETRIC*>(block.get())).Perimeter(), 0.0);
  Exercise(r, 0);
}

TEST(MetricBounds, SubjectCountLargerThanTheRecord) {
  std::vector<char> r = Sample(false);
  Poke<uint16_t>(r, 8, 40);
  Edit e;
  std::unique_ptr<char[]> block = Exact(r);
  e.SetBuffer(block.get(), static_cast<LONG>(r.size()), 0);
  EXPECT_NE(e.FirstPointSubject(1), nullptr);
  EXPECT_EQ(e.FirstPointSubject(2), nullptr);
  EXPECT_EQ(e.FirstPointSubject(39), nullptr);
  Exercise(r, 0);
}

TEST(MetricBounds, LengthLargerThanTheBlockIsRefused) {
  std::vector<char> r = Sample(false);
  Poke<uint32_t>(r, 4, static_cast<uint32_t>(r.size() + 1000));
  Edit e;
  std::unique_ptr<char[]> block = Exact(r);
  e.SetBuffer(block.get(), static_cast<LONG>(r.size()), 0);
  EXPECT_EQ(e.CurrentPoint, nullptr);
  EXPECT_EQ(e.AppendPointSubject(0, 1, 1), 0);
  EXPECT_EQ(e.Realloc(), 0);
  Exercise(r, 0);
}

TEST(MetricBounds, TruncatedRecords) {
  std::vector<char> full = Sample(false);
  for (size_t cut = 0; cut < full.size(); ++cut) {
    std::vector<char> r(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    if (r.size() >= 8) Poke<uint32_t>(r, 4, static_cast<uint32_t>(cut));
    if (r.empty()) continue;
    SCOPED_TRACE(cut);
    Exercise(r, 0);
  }
}

TEST(MetricBounds, TextEntriesPastTheEnd) {
  std::vector<char> r = Sample(true);
  // Contour 0's entry claims 200 bytes.
  size_t entry = 12 + 4 + 4 * 8;
  r[entry] = static_cast<char>(200);
  Edit e;
  std::unique_ptr<char[]> block = Exact(r);
  e.SetBuffer(block.get(), static_cast<LONG>(r.size()), 1);
  EXPECT_EQ(e.FirstPointSubject(0), nullptr);
  EXPECT_EQ(e.GetTextData(), nullptr);
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
  std::vector<char> r = BuildMetric(METRIC_F64, {{{{1, 1}, {2, 2}}}, {{{3, 3}}}}, false, true);
  Poke<uint32_t>(r, 12, 0xFFFFFFFFu);
  Exercise(r, 0);
  std::vector<char> s = BuildMetric(METRIC_F64, {{{{1, 1}, {2, 2}}}, {{{3, 3}}}}, false, true);
  Poke<uint32_t>(s, 12 + 4 + 32, 0x10000000u);
  Exercise(s, 0);
}

TEST(MetricBounds, UnknownAndPointlessKinds) {
  std::vector<char> r = Sample(false);
  Poke<uint32_t>(r, 0, 0x7FF17FF5u);  // a valid-looking marker of no kind
  Exercise(r, 0);
  std::vector<char> i = BuildMetric(METRIC_I32H, {{{{5, 6, 7}, {8, 9, 10}}}}, false);
  Edit e;
  std::unique_ptr<char[]> block = Exact(i);
  e.SetBuffer(block.get(), static_cast<LONG>(i.size()), 0);
  // Only the point at the cursor is understood.
  EXPECT_EQ(e.X(), 5);
  EXPECT_EQ(e.Y(), 6);
  EXPECT_EQ(e.HDouble(), 7.0);
  EXPECT_EQ(e.HDouble(8.5), 8.5);
  EXPECT_EQ(e.AppendPointSubject(0, 1, 1), 0);
  EXPECT_EQ(e.ChangeKind(METRIC_F64), 0);
  Exercise(i, 0);
  // Kinds marked invalid are not walked at all.
  std::vector<char> bad = Sample(false);
  Poke<uint32_t>(bad, 0, 0x12345678u);
  Edit b;
  std::unique_ptr<char[]> bb = Exact(bad);
  b.SetBuffer(bb.get(), static_cast<LONG>(bad.size()), 0);
  EXPECT_EQ(b.FirstPointSubject(0), nullptr);
  Exercise(bad, 0);
}

}  // namespace
