// Objects and a caller's points painted with a paint record, selects in one
// colour, window views, the document's limits and edit-node markers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/messages.h"
#include "document/viewentries.h"
#include "drawing/paintcontext.h"
#include "drawing/support/dibfixture.h"
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

// A select is painted on a display through a picture of it: the same
// pixels as painted straight on the display (as a window wider than the
// memory image still is), and no polygon call on the display for each
// band of its wide lines.
TEST_F(ObjectPaint, SelectsThroughThePictureAreAsPaintedStraight) {
  const LONG w = rect.right - rect.left, h = rect.bottom - rect.top;
  const LONG wide = PaintContext.Stride / 4 + 50;
  ASSERT_GT(wide, w);
  doctest::MemoryDevice straight(wide, h), shown(w, h);
  plat::gdi::EnableCallLog(straight.dc, true);
  plat::gdi::EnableCallLog(shown.dc, true);
  const RECT whole{rect.left, rect.top, rect.left + wide, rect.bottom};
  ASSERT_EQ(doc->PaintSelect(straight.dc, whole, nullptr, kMagentaRef, 0), 1);
  ASSERT_EQ(doc->PaintSelect(shown.dc, rect, nullptr, kMagentaRef, 0), 1);
  auto polygons = [](HDC dc) {
    int n = 0;
    for (const std::string& call : plat::gdi::CallLog(dc)) n += call.rfind("PolyPolygon", 0) == 0;
    return n;
  };
  EXPECT_EQ(polygons(straight.dc), 4 + 4 + 3 + 2);  // field, lake and road bands, two wells
  EXPECT_EQ(polygons(shown.dc), 0);
  const doctest::Picture a = doctest::GrabDc(straight.dc), b = doctest::GrabDc(shown.dc);
  doctest::WritePng(b, std::string(MC_TEST_TMP) + "/select_through_picture.png");
  int differ = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) differ += a.At(x, y) != b.At(x, y);
  EXPECT_EQ(differ, 0);
  EXPECT_GT(Count(b, kMagenta), 2000);
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

// While node display is on, the memory image marks every object's points
// (node_markers.png in the tests' scratch folder).
TEST_F(ObjectPaint, NodeMarkersWhileNodeDisplayIsOn) {
  constexpr uint32_t kFirst = 0xF02020;  // 0x2020F0 in pixel order
  auto paint = [&] { return Draw([&](HDC dc) { return doc->Paint(dc, 1, rect); }); };
  EXPECT_EQ(Count(paint(), kFirst), 0);
  EXPECT_EQ(docSetNodeView(HandleOf(doc), 5), 0);
  EXPECT_EQ(docGetNodeView(HandleOf(doc)), 1);
  const doctest::Picture p = paint();
  doctest::WritePng(p, std::string(MC_TEST_TMP) + "/node_markers.png");
  EXPECT_GT(Count(p, kFirst), 5 * 4);  // a first point of each object at least
  // Painting straight on the device leaves them out and keeps the setting.
  const LONG type = doc->VisualType;
  doc->SetVisualType(3);
  const doctest::Picture device = paint();
  EXPECT_EQ(Count(device, kFirst), 0);
  EXPECT_LT(Count(device, kWhite), int(device.pixels.size()) - 1000);
  doc->SetVisualType(type);
  EXPECT_EQ(docSetNodeView(HandleOf(doc), 0), 1);
  // The host's setters answer what was kept; a null handle gives 0.
  EXPECT_EQ(docSetNodeType(HandleOf(doc), 7), 3);
  EXPECT_EQ(docSetNodeColor(HandleOf(doc), NODE_BORDER, 0xFF123456), 0x123456u);
  EXPECT_EQ(docGetNodeColor(HandleOf(doc), NODE_BORDER), 0x123456u);
  EXPECT_EQ(docSetNodeView(0, 1), 0);
  EXPECT_EQ(docGetNodeType(0), 0);
}

// The settings and the markers drawn straight on the memory image.
class NodeMarkers : public dibtest::DibTest {};

TEST_F(NodeMarkers, SettingsAndMarkersClippedPixelByPixel) {
  TMapControl doc;
  EXPECT_EQ(doc.GetNodeCenterColor(), 0xFFFFFFu);
  EXPECT_EQ(doc.GetNodeFirstColor(), 0x2020F0u);
  EXPECT_EQ(doc.GetNodeBorderColor(), 0u);
  EXPECT_EQ(doc.GetNodeType(), 2);
  doc.SetNodeType(7);
  EXPECT_EQ(doc.GetNodeType(), 3);
  doc.SetNodeType(0);
  EXPECT_EQ(doc.GetNodeType(), 1);
  doc.SetNodeCenterColor(0x00FF00);
  // A closed square of 5 points: 4 markers, the first with the first
  // colour inside, and the first segment dashed in it.
  dibtest::Poly square({{{20, 20}, {60, 20}, {60, 60}, {20, 60}, {20, 20}}});
  doc.ViewNode(square.get());
  const DWORD first = 0xF02020;
  for (auto [x, y] : {std::pair{20, 20}, {21, 21}}) EXPECT_EQ(Pixel(x, y), first);
  for (auto [x, y] : {std::pair{19, 19}, {22, 22}, {59, 59}, {62, 62}}) EXPECT_EQ(Pixel(x, y), 0u);
  int centres = 0, dashes = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x) centres += Pixel(x, y) == 0x00FF00;
  for (int x = 23; x < 59; ++x) dashes += Pixel(x, 20) == first;
  EXPECT_EQ(centres, 3 * 4);
  EXPECT_GT(dashes, 10);
  EXPECT_LT(dashes, 26);
  // Nodes off the picture: at x = -2 (and y = -2) the border column (row)
  // shows; at x = -3 nothing.
  Clear(dibtest::kWhite);
  dibtest::Poly edge({{{-2, 80}}, {{-3, 100}}, {{50, -2}}});
  doc.ViewNode(edge.get());
  EXPECT_EQ(Pixel(0, 80), 0u);
  EXPECT_EQ(Pixel(50, 0), 0u);
  EXPECT_EQ(CountOther(dibtest::kWhite), 4 + 4);
}

}  // namespace
