// Objects and a caller's points painted with a paint record, selects in one
// colour, window views and the document's limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/messages.h"
#include "document/viewentries.h"
#include "drawing/paintcontext.h"
#include "platform/gdi/gdi_test.h"
#include "support/docfixture.h"
#include "support/host_recorder.h"
#include "support/scratch_dir.h"

namespace {

constexpr double kX = doctest::kSheetX, kY = doctest::kSheetY;
constexpr uint32_t kWhite = 0xFFFFFF, kBlue = 0x0000FF, kRed = 0xFF0000, kMagenta = 0xFF00FF;
constexpr COLORREF kMagentaRef = 0xFF00FF, kRedRef = 0x0000FF;
const DWORD kNoColour = 0xFFFFFFFF;

int Count(const doctest::Picture& p, uint32_t colour) {
  return int(std::count(p.pixels.begin(), p.pixels.end(), colour));
}

// The box of the pixels that are not white: left, top, right, bottom.
RECT Box(const doctest::Picture& p) {
  RECT b{p.width, p.height, -1, -1};
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.At(x, y) != kWhite)
        b = RECT{std::min(b.left, LONG(x)), std::min(b.top, LONG(y)), std::max(b.right, LONG(x)),
                 std::max(b.bottom, LONG(y))};
  return b;
}

class ObjectPaint : public doctest::MapDocumentTest {
 protected:
  void SetUp() override {
    MapDocumentTest::SetUp();
    ASSERT_TRUE(doctest::AppendScene(doc));  // field 1, lake 2, road 3, wells 4 and 5
    doc->SetBackGround(kWhite);
    doc->SetViewScale(0.8);
    double left = kX + doctest::kSheetSide, top = kY, right = kX, bottom = kY + doctest::kSheetSide;
    doc->PlaneToPicture(left, top);
    doc->PlaneToPicture(right, bottom);
    rect = RECT{LONG(left), LONG(top), LONG(right), LONG(bottom)};
  }
  // Object n of the sheet read into `object`.
  void Read(int n, TObjectInfo* object) {
    MAPOBJDESC place{1, n, doc};
    ASSERT_NE(object->Object(&place), nullptr);
  }
  // What `paint` draws on a white device of the rectangle's size; its
  // answer into `result`.
  doctest::Picture Draw(const std::function<int(HDC)>& paint, int* result = nullptr) {
    doctest::MemoryDevice device(rect.right - rect.left, rect.bottom - rect.top);
    const int r = paint(device.dc);
    if (result != nullptr) *result = r;
    return doctest::GrabDc(device.dc);
  }
  // The picture's pixel at a point of the sheet (sheet-relative metres).
  POINT Pixel(double x, double y) {
    double px = kX + x, py = kY + y;
    doc->PlaneToPicture(px, py);
    return POINT{LONG(px) - rect.left, LONG(py) - rect.top};
  }
  bool Near(const doctest::Picture& p, double x, double y, uint32_t colour) {
    const POINT at = Pixel(x, y);
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx)
        if (p.At(at.x + dx, at.y + dy) == colour) return true;
    return false;
  }

  RECT rect{};
};

TEST_F(ObjectPaint, AnObjectInItsOwnColoursOrInOne) {
  TObjectInfo lake, road;
  Read(2, &lake);
  Read(3, &road);
  int result = 0;
  const doctest::Picture own =
      Draw([&](HDC dc) { return doc->PaintMapObject95(dc, rect, &lake, nullptr); }, &result);
  EXPECT_EQ(result, 1);
  const POINT inside = Pixel(2500, 7500);
  // On a device a fill takes the device's fill intensity.
  EXPECT_NE(own.At(inside.x, inside.y), kWhite);
  // Image 255 keeps the object's colours with no colour, else takes one.
  const PAINTPARM keep{PAINT_OWN_IMAGE, reinterpret_cast<const char*>(&kNoColour), R2_COPYPEN};
  EXPECT_EQ(Draw([&](HDC dc) { return doc->PaintMapObject95(dc, rect, &lake, &keep); }).pixels,
            own.pixels);
  const PAINTPARM red{PAINT_OWN_IMAGE, reinterpret_cast<const char*>(&kRedRef), R2_COPYPEN};
  const doctest::Picture one =
      Draw([&](HDC dc) { return doc->PaintMapObject95(dc, rect, &lake, &red); });
  EXPECT_EQ(one.At(inside.x, inside.y), kRed);
  EXPECT_EQ(Count(one, kBlue), 0);
  const PAINTPARM magenta{PAINT_OWN_IMAGE, reinterpret_cast<const char*>(&kMagentaRef), R2_COPYPEN};
  const doctest::Picture roadLine =
      Draw([&](HDC dc) { return doc->PaintMapObject95(dc, rect, &road, &magenta); });
  EXPECT_GT(Count(roadLine, kMagenta), 100);
  EXPECT_EQ(Count(roadLine, kMagenta) + Count(roadLine, kWhite), int(roadLine.pixels.size()));
  // A primitive of its own: a thick line in the record's colour.
  const DWORD line[2] = {kRedRef, 2000};
  const PAINTPARM thick{128, reinterpret_cast<const char*>(line), R2_COPYPEN};
  const doctest::Picture outline =
      Draw([&](HDC dc) { return doc->PaintMapObject95(dc, rect, &lake, &thick); });
  EXPECT_TRUE(Near(outline, 1500, 7500, kRed));
  EXPECT_EQ(outline.At(inside.x, inside.y), kWhite);

  // The displacement form needs its record and its displacement.
  const DOUBLEPOINT zero{0, 0};
  EXPECT_EQ(doc->PaintOffsetMapObject95(nullptr, rect, &lake, &red, &zero, 2), 0);
  EXPECT_EQ(Count(Draw([&](HDC dc) {
                    EXPECT_EQ(doc->PaintOffsetMapObject95(dc, rect, &lake, nullptr, &zero, 2), 0);
                    return doc->PaintOffsetMapObject95(dc, rect, &lake, &red, nullptr, 2);
                  }),
                  kWhite),
            int(own.pixels.size()));
}

TEST_F(ObjectPaint, DisplacementsMoveTheObject) {
  TObjectInfo well;
  Read(4, &well);
  const PAINTPARM own{PAINT_OWN_IMAGE, reinterpret_cast<const char*>(&kNoColour), R2_COPYPEN};
  const RECT base = Box(Draw([&](HDC dc) { return doc->PaintMapObject95(dc, rect, &well, &own); }));
  ASSERT_GE(base.right, base.left);
  auto moved = [&](DOUBLEPOINT offset, int kind) {
    return Box(Draw(
        [&](HDC dc) { return doc->PaintOffsetMapObject95(dc, rect, &well, &own, &offset, kind); }));
  };
  // A picture displacement moves by its whole pixels, toward zero.
  RECT b = moved({2.7, -2.7}, 2);
  EXPECT_EQ(b.left - base.left, 2);
  EXPECT_EQ(b.top - base.top, -2);
  b = moved({-2.7, 2.7}, 2);
  EXPECT_EQ(b.left - base.left, -2);
  EXPECT_EQ(b.top - base.top, 2);
  // A plane one by its length at the view: 1000 m east.
  const POINT from = Pixel(2000, 2500), to = Pixel(2000, 3500);
  b = moved({0, 1000}, 3);
  EXPECT_NEAR(b.left - base.left, to.x - from.x, 1);
  EXPECT_EQ(b.top, base.top);

  // With the draw rectangle at (L, T), the same displacement moves a user
  // object L, T further than a map object.
  const RECT shifted{rect.left + 30, rect.top + 20, rect.right + 30, rect.bottom + 20};
  const LONG L = shifted.left, T = shifted.top;
  const DOUBLEPOINT zero{0, 0};
  DOUBLEPOINT points[2] = {{kX + 3000, kY + 5000}, {kX + 3000, kY + 9500}};
  LONG counts[1] = {2};
  const PLACEDATA data{points, counts, 1, nullptr};
  const DWORD line[2] = {kRedRef, 1000};
  const PAINTPARM thick{128, reinterpret_cast<const char*>(line), R2_COPYPEN};
  const RECT user =
      Box(Draw([&](HDC dc) { return doc->PaintUserObject95(dc, shifted, &thick, &data, 3); }));
  const RECT userMoved = Box(Draw(
      [&](HDC dc) { return doc->PaintOffsetUserObject95(dc, shifted, &thick, &data, &zero, 3); }));
  EXPECT_EQ(userMoved.left - user.left, -L);
  EXPECT_EQ(userMoved.top - user.top, -T);
  const RECT map =
      Box(Draw([&](HDC dc) { return doc->PaintMapObject95(dc, shifted, &well, &own); }));
  const RECT mapMoved = Box(Draw(
      [&](HDC dc) { return doc->PaintOffsetMapObject95(dc, shifted, &well, &own, &zero, 3); }));
  EXPECT_EQ(mapMoved.left, map.left);
  EXPECT_EQ(mapMoved.top, map.top);
}

TEST_F(ObjectPaint, UserPointsAreCutToTheBufferAndCheckedForDamage) {
  const DWORD line[2] = {kRedRef, 500};
  const PAINTPARM parm{128, reinterpret_cast<const char*>(line), R2_COPYPEN};
  const LONG capacity = PaintContext.PointCapacity;
  std::vector<DOUBLEPOINT> points(size_t(capacity) + 200);
  for (size_t i = 0; i < points.size(); ++i)
    points[i] = DOUBLEPOINT{double(i % 50), double(i % 40)};
  LONG counts[3] = {capacity - 10, 100, 100};
  PLACEDATA data{points.data(), counts, 3, nullptr};
  int result = 0;
  Draw([&](HDC dc) { return doc->PaintUserObject95(dc, rect, &parm, &data, 2); }, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(doc->Poly.Count, 2);
  EXPECT_EQ(doc->Poly.PolyCounts[1], 10);
  // A point becomes the pixel of its picture point plus 0.5, truncated,
  // from the rectangle's corner.
  EXPECT_EQ(doc->Poly.Points[1].x, 1 - rect.left);
  EXPECT_EQ(doc->Poly.Points[1].y, 1 - rect.top);

  // Negative counts paint nothing.
  counts[1] = -1;
  Draw([&](HDC dc) { return doc->PaintUserObject95(dc, rect, &parm, &data, 2); }, &result);
  EXPECT_EQ(result, 0);
  data.Count = -1;
  Draw([&](HDC dc) { return doc->PaintUserObject95(dc, rect, &parm, &data, 2); }, &result);
  EXPECT_EQ(result, 0);

  // Texts: a record shorter than 5 bytes ends them and the parts after.
  char texts[16] = {};
  const LONG first = 7, end = 4;
  std::memcpy(texts, &first, 4);
  std::memcpy(texts + 4, "ab", 3);
  std::memcpy(texts + 7, &end, 4);
  counts[0] = counts[1] = counts[2] = 2;
  data = PLACEDATA{points.data(), counts, 3, texts};
  Draw([&](HDC dc) { return doc->PaintUserObject95(dc, rect, &parm, &data, 2); }, &result);
  EXPECT_EQ(result, 1);
  ASSERT_EQ(doc->Poly.Count, 1);
  EXPECT_STREQ(doc->Poly.Text[0], "ab");
  // Image 255 without an object has nothing to paint.
  const PAINTPARM own{PAINT_OWN_IMAGE, reinterpret_cast<const char*>(&kNoColour), R2_COPYPEN};
  EXPECT_EQ(
      Count(Draw([&](HDC dc) { return doc->PaintUserObject95(dc, rect, &own, &data, 2); }), kWhite),
      (rect.right - rect.left) * (rect.bottom - rect.top));
}

LONG breaks = 0;
LONG breakAnswer = 0;
LONG WINAPI CountBreak(intptr_t) {
  ++breaks;
  return breakAnswer;
}

TEST_F(ObjectPaint, SelectsInOneColour) {
  TMapSelect* seek = doc->GetSeekSelect(0);
  seek->AppendSample(4, 1);
  doctest::Picture p =
      Draw([&](HDC dc) { return doc->PaintSelect(dc, rect, nullptr, kMagentaRef, 0); });
  EXPECT_TRUE(Near(p, 2000, 2500, kMagenta));
  EXPECT_FALSE(Near(p, 7500, 2500, kMagenta));
  EXPECT_FALSE(Near(p, 1500, 7500, kMagenta));
  seek->ClearSample();
  // Lines and areas only: no well.
  seek->SetLineAreaSwitch(1);
  p = Draw([&](HDC dc) { return doc->PaintSelect(dc, rect, seek, kMagentaRef, 0); });
  doctest::WritePng(p, std::string(MC_TEST_TMP) + "/select_lines_areas.png");
  EXPECT_TRUE(Near(p, 1500, 7500, kMagenta));
  EXPECT_FALSE(Near(p, 2000, 2500, kMagenta));
  EXPECT_EQ(Count(p, kBlue), 0);
  seek->SetLineAreaSwitch(0);
  // A select of another map paints nothing of this one.
  TMap other;
  TMapSelect foreign(&other);
  p = Draw([&](HDC dc) { return doc->PaintSelect(dc, rect, &foreign, kMagentaRef, 0); });
  EXPECT_EQ(Count(p, kMagenta), 0);

  // The break callback is asked every 50 objects painted; a sample is all
  // that is visited.
  for (int i = 0; i < 120; ++i)
    ASSERT_GT(doctest::AppendPlaneObject(doc, doctest::KIND_WELL, LOCAL_POINT,
                                         {{kX + 100 + 60 * i, kY + 9800}}),
              0);
  doc->SetBreakCall(CountBreak, 0);
  breaks = 0;
  int result = 0;
  Draw([&](HDC dc) { return doc->PaintSelect(dc, rect, nullptr, kMagentaRef, 0); }, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(breaks, 2);  // 125 objects
  for (int n = 6; n <= 65; ++n) seek->AppendSample(n, 1);
  breaks = 0;
  Draw([&](HDC dc) { return doc->PaintSelect(dc, rect, nullptr, kMagentaRef, 0); });
  EXPECT_EQ(breaks, 1);  // 60 sampled
  breakAnswer = 1;
  breaks = 0;
  Draw([&](HDC dc) { return doc->PaintSelect(dc, rect, nullptr, kMagentaRef, -1); }, &result);
  breakAnswer = 0;
  EXPECT_EQ(result, -1);
  EXPECT_EQ(breaks, 1);
  doc->SetBreakCall(nullptr, 0);

  // The total select: the rule's map needs a seek select.
  seek->ClearSample();
  doc->TotalSeekMapRule = 3;
  EXPECT_EQ(doc->TotalPaintSelect95(nullptr, rect, kMagentaRef), 0);
  Draw([&](HDC dc) { return doc->TotalPaintSelect95(dc, rect, kMagentaRef); }, &result);
  EXPECT_EQ(result, 0);
  doc->TotalSeekMapRule = -1;
  p = Draw([&](HDC dc) { return doc->TotalPaintSelect95(dc, rect, kMagentaRef); }, &result);
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(Near(p, 2000, 2500, kMagenta));
}

TEST_F(ObjectPaint, WindowViewsFromAPoint) {
  mctest::RecordingWindow window;
  ASSERT_TRUE(plat::SetClientSize(window.handle(), 120, 90));
  // The picture point of the lake's inside at the window's top left.
  const POINT lake = Pixel(2500, 7500);
  const DOUBLEPOINT at{double(lake.x + rect.left) - 0.4, double(lake.y + rect.top) + 0.4};
  auto shown = [&]() {
    HDC dc = plat::GetDC(window.handle());
    const doctest::Picture p = doctest::GrabDc(dc);
    plat::ReleaseDC(window.handle(), dc);
    return p;
  };
  ASSERT_EQ(docView(HandleOf(doc), window.handle(), 1, &at, 2), 1);
  doctest::Picture p = shown();
  EXPECT_EQ(p.At(0, 0), kBlue);
  EXPECT_EQ(p.At(1, 1), kBlue);
  // A geographic point that does not convert paints nothing.
  const DOUBLEPOINT geo{10.0, 10.0};
  doc->ProjectionReady = 0;
  EXPECT_EQ(docView(HandleOf(doc), window.handle(), 1, &geo, 4), 0);
  EXPECT_EQ(docViewUserObject(HandleOf(doc), window.handle(), &geo, nullptr, nullptr, 4), 0);
  EXPECT_EQ(shown().pixels, p.pixels);
  // A select of the map in one colour.
  TMapSelect* seek = doc->GetSeekSelect(0);
  seek->AppendSample(2, 1);
  EXPECT_EQ(doc->ViewSelect(window.handle(), &at, seek, kMagentaRef, 2), 1);
  EXPECT_EQ(doc->ViewSelect(window.handle(), &at, nullptr, kMagentaRef, 2), 0);
  EXPECT_EQ(docView(HandleOf(doc), nullptr, 1, &at, 2), 0);
  // The total select (every map's seek select): the lake's outline.
  ASSERT_EQ(docView(HandleOf(doc), window.handle(), 1, &at, 2), 1);
  EXPECT_EQ(Count(shown(), kMagenta), 0);
  doc->TotalSeekMapRule = -1;
  EXPECT_EQ(doc->TotalViewSelect(window.handle(), &at, kMagentaRef, 2), 1);
  p = shown();
  EXPECT_GT(Count(p, kMagenta), 100);
  EXPECT_EQ(p.At(1, 1), kBlue);
  EXPECT_EQ(doc->TotalViewSelect(window.handle(), &geo, kMagentaRef, 4), 0);
  EXPECT_EQ(doc->TotalViewSelect(nullptr, &at, kMagentaRef, 2), 0);
}

TEST_F(ObjectPaint, LimitsOfTheDocument) {
  DFRAME f{};
  EXPECT_EQ(doc->GetMapLimit(nullptr, 1), 0);
  EXPECT_EQ(doc->GetMapLimit(&f, 5), 0);
  ASSERT_EQ(doc->GetMapLimit(&f, 1), 1);
  EXPECT_EQ(f.X1, doc->Region.X1);
  EXPECT_EQ(f.Y2, doc->Region.Y2);
  ASSERT_EQ(doc->GetMapLimit(&f, 2), 1);
  LONG width = 0, height = 0;
  doc->GetPictureBorder(width, height);
  EXPECT_EQ(f.X2, width);
  EXPECT_EQ(f.Y2, height);
  ASSERT_EQ(doc->GetMapLimit(&f, 3), 1);
  double x = doc->Region.X1, y = doc->Region.Y1;
  doc->MapToPlane(x, y);
  EXPECT_EQ(f.X1, x);
  EXPECT_LT(f.X1, kX);
  EXPECT_GT(f.Y2, kY + doctest::kSheetSide);
  doc->ProjectionReady = 0;
  EXPECT_EQ(doc->GetMapLimit(&f, 4), 0);
  doc->SetDataProjection();
  if (doc->IsGeoSupported()) {
    ASSERT_EQ(doc->GetMapLimit(&f, 4), 1);
    EXPECT_LT(f.X1, f.X2);
    EXPECT_LT(f.Y1, f.Y2);
  }
}

}  // namespace
