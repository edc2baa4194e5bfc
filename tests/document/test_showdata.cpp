// The painting order of a document, its stops and its tests of objects:
// layers under and over the map, the map's visible scale range, a turned
// picture, the break callback, an object's own scale range, signs under
// zoom, the painter tables of the visual types, and a small window of a
// large sheet painted through the index of its frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "common/messages.h"
#include "document/docentries.h"
#include "drawing/paintcontext.h"
#include "objects/objectinfo.h"
#include "platform/file.h"
#include "support/docmap.h"
#include "support/scratch_dir.h"

namespace {

std::vector<std::string> calls;

int RecordLayer(TMapControl*, int over, const char* name) {
  calls.push_back(std::string(name) + (over ? " over" : " under"));
  return 1;
}

class ShowData : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(0);
    calls.clear();
    DocumentKinds[DOCKIND_MTR].Show = [](TMapControl* d, int o) {
      return RecordLayer(d, o, "mtr");
    };
    DocumentKinds[DOCKIND_MTL].Show = [](TMapControl* d, int o) {
      return RecordLayer(d, o, "mtl");
    };
    DocumentKinds[DOCKIND_RST].Show = [](TMapControl* d, int o) {
      return RecordLayer(d, o, "rst");
    };
    DocumentKinds[DOCKIND_MTQ].Show = [](TMapControl* d, int o) {
      return RecordLayer(d, o, "mtq");
    };
    DocumentKinds[DOCKIND_SITE].Show = [](TMapControl* d, int o) {
      return RecordLayer(d, o, "site");
    };
    ASSERT_TRUE(doctest::WriteImageClassifier(dir / "map.rsc"));
    doc = doctest::CreateDocument(dir / "map.map", dir / "map.rsc");
    ASSERT_NE(doc, nullptr);
    const double x = doctest::kSheetX, y = doctest::kSheetY;
    ASSERT_GT(doctest::AppendPlaneObject(doc, doctest::KIND_ROAD, LOCAL_LINE,
                                         {{x + 1000, y + 1000}, {x + 9000, y + 9000}}),
              0);
    doc->MapPalette.BackGround = 0xFFFFFF;
    doc->SetupPalette();
    doc->SetViewScale(0.3);
  }
  void TearDown() override {
    FreeDocument(doc);
    for (int k = 0; k < DOCKIND_COUNT; ++k) DocumentKinds[k] = DefaultDocumentKind(k);
    MessageEnableSet(1);
  }
  // The painted pixels that are not white in a picture of the sheet.
  int Painted() {
    const doctest::Picture p = doctest::PaintPicture(doc, RECT{0, 0, 300, 300});
    int n = 0;
    for (uint32_t v : p.pixels) n += v != 0xFFFFFF;
    return n;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  TMapAccess* doc = nullptr;
};

const std::vector<std::string> kAllLayers = {"mtr under",  "mtl under", "rst under", "mtq under",
                                             "site under", "site over", "mtr over",  "mtl over",
                                             "rst over",   "mtq over"};

TEST_F(ShowData, LayersAroundTheMapInOrder) {
  EXPECT_GT(Painted(), 100);
  EXPECT_EQ(calls, kAllLayers);
}

TEST_F(ShowData, ShowScaleOutsideTheMapsRangePaintsOnlyTheLayers) {
  doc->VisibleTop = doc->ShowScale - 1;
  EXPECT_EQ(Painted(), 0);
  EXPECT_EQ(calls, kAllLayers);
  doc->VisibleTop = doc->ShowScale;  // both ends belong to the range
  EXPECT_GT(Painted(), 100);
  doc->VisibleBottom = doc->ShowScale + 1;
  EXPECT_EQ(Painted(), 0);
}

TEST_F(ShowData, TurnedPictureOrDeviceTypePaintsNoRasters) {
  doc->SetTurnAngle(0.5, 0.0);
  EXPECT_GT(Painted(), 100);
  EXPECT_EQ(calls, (std::vector<std::string>{"site under", "site over"}));
  doc->SetTurnAngle(0.0, 0.0);
  calls.clear();
  doc->SetVisualType(3);
  doc->ShowData();
  EXPECT_EQ(calls, (std::vector<std::string>{"site under", "site over"}));
}

// A sheet whose register corner lies far beyond the device units (as a
// damaged map file holds it): its place in the picture lies at the bounds
// of 32 bits, and painting on a device widens it no further.
TEST_F(ShowData, ASheetCornerFarBeyondTheDeviceUnitsPaintsOnADevice) {
  doc->Lists[0].Register.XSouthWest = 1e15;
  doc->Lists[0].Register.YSouthWest = -1e15;
  doc->CalculateDeviceFrame();
  doc->SetVisualType(4);
  EXPECT_GE(Painted(), 0);
  EXPECT_EQ(doc->SheetPlace.X1, INT32_MIN);
  EXPECT_EQ(doc->SheetPlace.Y2, INT32_MAX);
}

// A passport whose frame reaches far beyond the device units, read at a
// device capability of 2000 units a metre, puts the picture's top at the
// bound of 32 bits, and an object far south of the sheet past it: a text
// there is held at the bound and goes no further, painted alone, into an
// image and with the map, at every visual type; nothing of it shows.
TEST_F(ShowData, ATextHeldAtTheBoundsOfThePicturePaintsNothing) {
  TObjectInfo title;
  ASSERT_TRUE(title.CreateObject(doc, 1, 0, 1));
  ASSERT_TRUE(title.RegisterDrawObject(0, LOCAL_TITLE));
  const double x = doctest::kSheetX - 500000, y = doctest::kSheetY;
  for (auto [px, py] : doctest::PlanePoints{{x, y + 2000}, {x, y + 8000}}) {
    doc->PlaneToMap(px, py);
    ASSERT_TRUE(title.Metric.AppendPointSubject(0, px - doc->ViewPosition(1)->X,
                                                py - doc->ViewPosition(1)->Y));
  }
  ASSERT_TRUE(title.PutText("TOWN", 0));
  const DWORD text[8] = {0, 0xFFFFFFFF, 0xFFFFFFFF, 3000, 400, 0, 0, 0};  // black, 3 mm
  ASSERT_TRUE(title.Draw.AppendElement(PRIM_TEXT, reinterpret_cast<const char*>(text)));
  ASSERT_TRUE(title.Commit());

  doc->Passport.X2 = 1e300;
  doc->Passport.Register.DeviceCapability = 2000;
  doc->CalculateDeviceFrame();
  doc->TakeBaseMap(doc, 1);
  doc->SetViewScale(1.0);
  double px = x, py = y + 2000;
  doc->PlaneToPicture(px, py);
  ASSERT_GT(py, double(INT32_MAX));
  const RECT rect{0, 0, 400, 400};
  for (int type : {1, 4}) {
    SCOPED_TRACE(type);
    doc->SetVisualType(type);
    doctest::MemoryDevice device(400, 400);
    EXPECT_EQ(doc->PaintObject95(device.dc, rect, &title), 1);
    EXPECT_EQ(doc->Paint95(device.dc, 1, rect), 1);
    const doctest::Picture p = doctest::GrabDc(device.dc);
    EXPECT_EQ(std::count(p.pixels.begin(), p.pixels.end(), 0u), 0);
    std::vector<char> image(400 * 400);
    EXPECT_EQ(doc->PaintObjectToImage(image.data(), 400, 400, 400, rect, &title), 1);
  }
}

TEST_F(ShowData, BreakAtOnceStopsBeforeAnything) {
  int asked = 0;
  doc->SetBreakCall([](intptr_t p) -> LONG { return ++*reinterpret_cast<int*>(p) >= 0; },
                    reinterpret_cast<intptr_t>(&asked));
  EXPECT_EQ(doc->ShowData(), -1);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(Painted(), 0);
  // Asked before each layer: stopped at the fourth, three layers painted.
  asked = -4;
  calls.clear();
  EXPECT_EQ(doc->ShowData(), -1);
  EXPECT_EQ(calls, (std::vector<std::string>{"mtr under", "mtl under", "rst under"}));
}

TEST_F(ShowData, PaintStepAsksTheBreakCallback) {
  int asked = 0;
  doc->SetBreakCall([](intptr_t p) -> LONG { return ++*reinterpret_cast<int*>(p) > 20; },
                    reinterpret_cast<intptr_t>(&asked));
  // The road draws one primitive; with the step reached before it the
  // step asks and stops the sheet.
  doc->SetDrawPlace(RECT{0, 0, 300, 300});
  PaintStepCounter = PAINT_STEP_ON;
  asked = 20;
  EXPECT_EQ(doc->ShowMap(), -1);
  EXPECT_EQ(PaintStepCounter, 0);
}

// A window small against a large sheet takes its objects from the index of
// the sheet's frames: the picture is the walk's, pixel for pixel, with the
// overlapping objects drawn in the same order.
TEST(WindowThroughTheIndex, PaintsWhatTheWalkPaints) {
  MessageEnableSet(0);
  plat::SetWriteThroughEnabled(false);
  mctest::ScratchDir dir{MC_TEST_TMP};
  ASSERT_TRUE(doctest::WriteImageClassifier(dir / "map.rsc"));
  TMapAccess* doc = doctest::CreateDocument(dir / "map.map", dir / "map.rsc");
  ASSERT_NE(doc, nullptr);
  const LONG minObjects = TSheetFrameIndex::MinObjects();
  std::mt19937 random(7);
  std::uniform_real_distribution<double> at(0, doctest::kSheetSide), size(20, 300);
  const uint32_t kinds[] = {doctest::KIND_LAKE, doctest::KIND_FIELD, doctest::KIND_ROAD,
                            doctest::KIND_WELL};
  for (int i = 0; i < 3000; ++i) {
    const uint32_t kind = kinds[random() % 4];
    const double x = doctest::kSheetX + at(random), y = doctest::kSheetY + at(random);
    const double w = size(random), h = size(random);
    doctest::PlanePoints points;
    if (kind == doctest::KIND_WELL)
      points = {{x, y}};
    else if (kind == doctest::KIND_ROAD)
      points = {{x, y}, {x + w, y + h}, {x, y + 2 * h}};
    else
      points = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
    const int local = kind == doctest::KIND_WELL   ? LOCAL_POINT
                      : kind == doctest::KIND_ROAD ? LOCAL_LINE
                                                   : LOCAL_SQUARE;
    ASSERT_GT(doctest::AppendPlaneObject(doc, kind, local, points), 0) << i;
  }
  doc->MapPalette.BackGround = 0xFFFFFF;
  doc->SetupPalette();
  // The sheet about 3000 pixels across, a window of 500 round its middle.
  doc->SetViewScale(3.0);
  double column = doctest::kSheetX + doctest::kSheetSide / 2, row = doctest::kSheetY + 5000;
  doc->PlaneToPicture(column, row);
  const RECT window{LONG(column) - 250, LONG(row) - 250, LONG(column) + 250, LONG(row) + 250};
  TSheetFrameIndex::SetMinObjects(100);
  const doctest::Picture indexed = doctest::PaintPicture(doc, window);
  EXPECT_TRUE(doc->List.FrameIndex.Made());
  TSheetFrameIndex::SetMinObjects(INT_MAX);
  const doctest::Picture walked = doctest::PaintPicture(doc, window);
  EXPECT_FALSE(doc->List.FrameIndex.Made());
  int painted = 0;
  for (uint32_t v : walked.pixels) painted += v != 0xFFFFFF;
  EXPECT_GT(painted, 10000);
  EXPECT_TRUE(indexed.pixels == walked.pixels);

  // The host's break callback, asked at every paint step, asks the sheet's
  // index about other places while the window is drawn onto a device.
  doctest::MemoryDevice device(window.right - window.left, window.bottom - window.top);
  doc->PaintDib(device.dc, 1, window);
  const doctest::Picture walkedOnDevice = doctest::GrabDc(device.dc);
  TSheetFrameIndex::SetMinObjects(100);
  struct Asker {
    TMapAccess* doc;
    int asked = 0;
  } asker{doc};
  doc->SetBreakCall(
      [](intptr_t p) -> LONG {
        auto* a = reinterpret_cast<Asker*>(p);
        TMapList& list = a->doc->List;
        // Round the window, wider each time: more objects than it holds.
        const FRAME& w = a->doc->SheetPlace;
        const LONG wider = 20 * (++a->asked % 8);
        TSheetFrameIndex::ANSWER other;
        list.FrameIndex.Meeting(list, FRAME{w.X1 - wider, w.Y1 - wider, w.X2 + wider, w.Y2 + wider},
                                0, 1, &other);
        return 0;
      },
      reinterpret_cast<intptr_t>(&asker));
  const LONG step = PaintContext.PaintStep;
  PaintContext.PaintStep = 1;
  doc->PaintDib(device.dc, 1, window);
  PaintContext.PaintStep = step;
  doc->SetBreakCall(nullptr, 0);
  const doctest::Picture asked = doctest::GrabDc(device.dc);
  EXPECT_TRUE(doc->List.FrameIndex.Made());
  // At each step of the objects drawn as well as before each layer.
  EXPECT_GT(asker.asked, 50);
  EXPECT_FALSE(asked.pixels.empty());
  EXPECT_TRUE(asked.pixels == walkedOnDevice.pixels);
  TSheetFrameIndex::SetMinObjects(minObjects);
  FreeDocument(doc);
  MessageEnableSet(1);
}

TEST(ObjectVisible, OwnScaleRange) {
  auto doc = NewDocument();
  ASSERT_NE(doc, nullptr);
  doc->SheetPlace = FRAME{-100, -100, 100, 100};
  FVSPR desc{};
  desc.X2 = desc.Y2 = 10;
  desc.Flags = FVSPR_BOTTOP;
  for (int i = 0; i <= 15; ++i) {
    doc->ScaleIndex = i;
    desc.Scales = 0x35;
    EXPECT_EQ(doc->CheckObjectVisible(&desc, doc), i >= 5 && i <= 12) << i;
    desc.Scales = 0x00;
    EXPECT_EQ(doc->CheckObjectVisible(&desc, doc), 1) << i;
  }
  desc.Flags |= FVSPR_DELETED;
  EXPECT_EQ(doc->CheckObjectVisible(&desc, doc), 0);
  desc.Flags = FVSPR_BOTTOP;
  desc.X1 = 101, desc.X2 = 200;  // outside the draw frame
  EXPECT_EQ(doc->CheckObjectVisible(&desc, doc), 0);
  EXPECT_EQ(doc->CheckObjectVisible(nullptr, doc), 0);
  FreeDocument(doc);
}

TEST(SignZoom, DampedForSignsUnderZoom) {
  struct {
    double zoom;
    int scalable, method;
    float expected;
  } cases[] = {
      {3, 1, 0, 2.0f}, {3, 0, 0, 1.0f},   {30, 1, 0, 10.0f}, {30, 0, 0, 1.0f},
      {3, 1, 1, 3.0f}, {0.5, 0, 0, 0.5f}, {1, 1, 0, 1.0f},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TMapControl::SignZoom(c.zoom, c.scalable, c.method), c.expected) << c.zoom;
}

TEST(VisualType, ChoosesThePainterTables) {
  auto doc = NewDocument();
  ASSERT_NE(doc, nullptr);
  const HMAP h = HandleOf(doc);
  EXPECT_EQ(docGetViewType(h), 1);
  EXPECT_EQ(doc->DibBlock, DibPainterTable[DIB_FULLCOLOUR].data());
  const struct {
    int type, dib, device, vectorOnly;
  } rows[] = {{2, DIB_ONECOLOUR, 1, 0},  {3, DIB_ONECOLOUR, 0, 1},  {4, DIB_ONECOLOUR, 1, 1},
              {5, DIB_ONECOLOUR, 2, 1},  {6, DIB_ONECOLOUR, 0, 0},  {9, DIB_ONECOLOUR, 3, 0},
              {11, DIB_ONECOLOUR, 5, 0}, {1, DIB_FULLCOLOUR, 0, 0}, {12, DIB_FULLCOLOUR, 1, 1},
              {0, DIB_FULLCOLOUR, 1, 1}, {-3, DIB_FULLCOLOUR, 1, 1}};
  int previous = 1;
  for (const auto& r : rows) {
    EXPECT_EQ(docSetViewType(h, r.type), previous);
    EXPECT_EQ(docGetViewType(h), r.type);
    EXPECT_EQ(doc->DibBlock, DibPainterTable[r.dib].data()) << r.type;
    EXPECT_EQ(doc->DeviceBlock, DevicePainterTable[r.device].data()) << r.type;
    EXPECT_EQ(doc->VectorOnly, r.vectorOnly) << r.type;
    previous = r.type;
  }
  EXPECT_EQ(docSetScaleMethod(5), 0);
  EXPECT_EQ(docGetScaleMethod(), 5);
  EXPECT_EQ(docSetScaleMethod(0), 5);
  FreeDocument(doc);
}

}  // namespace
