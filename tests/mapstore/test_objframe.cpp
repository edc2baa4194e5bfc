// Object frames: the point frame with its margins, the text frame from font
// metrics, the sign frame from vector and bitmap signs, and the frame that
// an image plug-in reports.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "classifier/maprsc.h"
#include "devices/fontreg.h"
#include "mapstore/objectframe.h"
#include "support/objectbuilder.h"
#include "support/sheetbuilder.h"

using namespace objtest;

namespace {

OBJECTFRAMECONTEXT SheetMap(LONG scale = 100000, LONG capability = 20000, TRSCDATA* rsc = nullptr) {
  MAPPASSPORT passport{};
  passport.Register.Scale = scale;
  passport.Register.DeviceCapability = capability;
  OBJECTFRAMECONTEXT c;
  SetObjectFrameContext(&c, &passport, rsc);
  return c;
}

// X1, Y1, X2, Y2.
using Frame = std::array<LONG, 4>;
Frame Of(const FVSPR& d) { return Frame{d.X1, d.Y1, d.X2, d.Y2}; }

Frame Build(const OBJECTFRAMECONTEXT& c, int local, Bytes metric, Bytes draw = {},
            uint16_t code = 100, BYTE flags = 0) {
  FVSPR d = Desc(local, code);
  d.Flags = flags;
  BuildObjectFrame(c, &d, As<LONGMETRIC>(metric), nullptr,
                   draw.empty() ? nullptr : As<IMGDRAW>(draw));
  return Of(d);
}

const Points kBox = {{100, 300}, {200, 300}, {200, 500}, {100, 500}, {100, 300}};

}  // namespace

TEST(ObjectFrame, AreaAndLineMarginsFollowTheSpanOfThePoints) {
  const OBJECTFRAMECONTEXT c = SheetMap();
  EXPECT_EQ(64, ObjectFrameMargin(c));
  // m / 2 + 1 around an area, m / 2 around a line.
  EXPECT_EQ((Frame{67, 267, 233, 533}), Build(c, LOCAL_POLYGON, Metric(METRIC_I32, {kBox})));
  EXPECT_EQ((Frame{68, 268, 232, 532}), Build(c, LOCAL_LINE, Metric(METRIC_I32, {kBox})));
  // 16-bit points read the same.
  EXPECT_EQ((Frame{67, 267, 233, 533}), Build(c, LOCAL_POLYGON, Metric(METRIC_U16, {kBox})));
  // An area takes its outer contour only; a line all of them.
  const Bytes two = Metric(METRIC_I32, {kBox, {{1000, 1000}, {1001, 1001}}});
  EXPECT_EQ((Frame{67, 267, 233, 533}), Build(c, LOCAL_POLYGON, two));
  EXPECT_EQ((Frame{68, 268, 1033, 1033}), Build(c, LOCAL_LINE, two));
}

TEST(ObjectFrame, RealCoordinatesAreTruncatedAndTheMaximumRaised) {
  const OBJECTFRAMECONTEXT c = SheetMap();
  const Frame f = Build(c, LOCAL_LINE, Metric(METRIC_F32, {{{10.7, 0.5}, {20.2, 0.5}}}));
  // X from 10 to 21 (20 + 1) before the margin of 32.
  EXPECT_EQ(10 - 32, f[0]);
  EXPECT_EQ(21 + 32, f[2]);
  // Further contours are truncated without raising.
  const Frame g = Build(c, LOCAL_LINE,
                        Metric(METRIC_F64, {{{10.7, 0}}, {{30.9, 0}}}));
  EXPECT_EQ(30 + 32, g[2]);
}

TEST(ObjectFrame, UserMapMarginGrowsWithTheScale) {
  MAPPASSPORT passport{};
  passport.Register.Scale = 100000;
  passport.Register.IsRealPlace = 1;
  OBJECTFRAMECONTEXT c;
  SetObjectFrameContext(&c, &passport, nullptr);
  EXPECT_EQ(1067, ObjectFrameMargin(c));
  EXPECT_DOUBLE_EQ(1.0, c.Factor);
  EXPECT_EQ((Frame{100 - 534, 300 - 534, 200 + 534, 500 + 534}),
            Build(c, LOCAL_POLYGON, Metric(METRIC_I32, {kBox})));
}

TEST(ObjectFrame, MixedTextRunsAlongYAndUnknownKindsGetAFixedFrame) {
  const OBJECTFRAMECONTEXT c = SheetMap();
  const Bytes mixed = Metric(METRIC_I32, {{{1000, 2000}}}, {"ABCD"});
  // Y reaches 2000 + 4 * 64 / 2, then m / 2 and once more m / 2 for X2, Y2.
  EXPECT_EQ((Frame{968, 1968, 1064, 2128 + 64}), Build(c, LOCAL_MIXED, mixed));
  // With the own-scale flag the text does not stretch it.
  EXPECT_EQ((Frame{968, 1968, 1064, 2064}), Build(c, LOCAL_MIXED, mixed, {}, 100, FVSPR_SCALE));
  // A kind without a point size.
  const Frame f = Build(c, LOCAL_LINE, Metric(METRIC_I32H, {kBox}));
  EXPECT_EQ((Frame{-32, -32, 0xFFFFF0 + 32, 0xFFFFF0 + 32}), f);
  const Frame g = Build(c, LOCAL_POLYGON, Metric(METRIC_I32H, {kBox}));
  EXPECT_EQ((Frame{-32766 - 33, -32766 - 33, -16 + 33, -16 + 33}), g);
}

TEST(ObjectFrame, LyingCountsStayInsideTheRecord) {
  const OBJECTFRAMECONTEXT c = SheetMap();
  Bytes m = Metric(METRIC_I32, {kBox});
  // The first count claims 60000 points; only the 5 held are read.
  m[14] = char(0x60), m[15] = char(0xEA);
  EXPECT_EQ((Frame{67, 267, 233, 533}), Build(c, LOCAL_POLYGON, m));
  // A subject count far beyond the record.
  m[8] = char(0xFF), m[9] = char(0xFF);
  EXPECT_EQ((Frame{68, 268, 232, 532}), Build(c, LOCAL_LINE, m));
  Bytes title = Metric(METRIC_I32, {{{0, 0}, {0, 100}}}, {"TEXT"});
  title[title.size() - 6] = char(200);  // the text entry claims 200 bytes
  Build(c, LOCAL_TITLE, title, Draw({{142, TextParms(1000)}}));
  Build(c, LOCAL_MIXED, title);
  // A record too short for its first count word is left alone.
  Bytes shortRecord = Metric(METRIC_I32, {kBox});
  As<LONGMETRIC>(shortRecord)->Length = 12;
  FVSPR d = Desc(LOCAL_LINE);
  d.X1 = 5;
  BuildObjectFrame(c, &d, As<LONGMETRIC>(shortRecord), nullptr, nullptr);
  EXPECT_EQ(5, d.X1);
}

TEST(ObjectFrame, TitleFrameFollowsItsFontMetrics) {
  // Scale 100,000 at 20,000 units per metre: factor 5, and a font height of
  // 1000 micrometres becomes trunc(2000 * 0.02) + 1 = 41 device units.
  const OBJECTFRAMECONTEXT c = SheetMap();
  EXPECT_DOUBLE_EQ(40.0, PaperToSheet(c, 2000));
  const Points line = {{5000, 10000}, {5000, 14000}};
  const Bytes metric = Metric(METRIC_I32, {line}, {"Hello"});
  const Frame small = Build(c, LOCAL_TITLE, metric, Draw({{142, TextParms(1000)}}));

  Bytes font = TextParms(0);
  const LONG h = 41;
  std::memcpy(font.data() + 12, &h, 4);
  const DOUBLEPOINT p1{5000, 10000}, p2{5000, 14000};
  const char entry[] = "\x05Hello";
  int text[4];
  ASSERT_EQ(1, CalcMapTextFrame(text, &p1, &p2, font.data(), entry + 1));
  const LONG t = (h + 10) / 10;
  EXPECT_EQ(std::min<LONG>(5000, text[0]) - t, small[0]);
  EXPECT_EQ(std::min<LONG>(10000, text[1]) - t, small[1]);
  EXPECT_EQ(std::max<LONG>(5000, text[2]) + t, small[2]);
  EXPECT_EQ(std::max<LONG>(14000, text[3]) + t, small[3]);

  // A larger font gives a larger frame across the line.
  const Frame large = Build(c, LOCAL_TITLE, metric, Draw({{142, TextParms(4000)}}));
  EXPECT_GT(large[2] - large[0], small[2] - small[0]);
  // Without a text image only the first point is taken, widened by 1.
  EXPECT_EQ((Frame{4999, 9999, 5001, 10001}), Build(c, LOCAL_TITLE, metric));
}

TEST(ObjectFrame, VectorSignFrameFollowsItsImage) {
  // 1,000,000 units per metre on paper: one sign unit (a micrometre) is one
  // device unit. The sign spans 5000 along and 2500 across its direction.
  const OBJECTFRAMECONTEXT c = SheetMap(100000, 1000000);
  const Bytes sign = VectorSign({{0, 0}, {5000, 2500}});
  const Bytes draw = Draw({{149, sign}});
  // A one-point object: the sign runs east (Y) and hangs south (-X).
  EXPECT_EQ((Frame{7500 - 2, 20000 - 2, 10000 + 2, 25000 + 2}),
            Build(c, LOCAL_POINT, Metric(METRIC_I32, {{{10000, 20000}}}), draw));
  // Turned along a segment running north: along X, across to the east.
  const Bytes north = Metric(METRIC_I32, {{{10000, 20000}, {11000, 20000}}});
  EXPECT_EQ((Frame{10000 - 2, 20000 - 2, 15000 + 2, 22500 + 2}),
            Build(c, LOCAL_VECTOR, north, draw));
  // A sign that does not turn keeps the east direction.
  EXPECT_EQ((Frame{7500 - 2, 20000 - 2, 11000 + 2, 25000 + 2}),
            Build(c, LOCAL_VECTOR, north, Draw({{149, VectorSign({{0, 0}, {5000, 2500}}, 1)}})));
  // A sign that may be mirrored takes both sides of its segment.
  EXPECT_EQ((Frame{10000 - 2, 17500 - 2, 15000 + 2, 22500 + 2}),
            Build(c, LOCAL_VECTOR, north, Draw({{149, VectorSign({{0, 0}, {5000, 2500}}, 0, 1)}})));
  // Without a sign: the first two points and the margin of 2.
  EXPECT_EQ((Frame{9998, 19998, 11002, 20002}), Build(c, LOCAL_VECTOR, north));
  // Points at the ends of the range: the margin clamped, not wrapped.
  EXPECT_EQ((Frame{-2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647}),
            Build(c, LOCAL_VECTOR,
                  Metric(METRIC_F64, {{{-3e9, -3e9}, {3e9, 3e9}}})));
  // A bitmap sign takes a square of truncate(scale * 32 / 3000 + 1).
  EXPECT_EQ((Frame{10000 - 1069, 20000 - 1069, 10000 + 1069, 20000 + 1069}),
            Build(c, LOCAL_POINT, north, Draw({{143, Bytes(24, 0)}})));
  // A lying sign length is not walked.
  Bytes lying = sign;
  const uint32_t big = 100000;
  std::memcpy(lying.data(), &big, 4);
  EXPECT_EQ((Frame{9998, 19998, 11002, 20002}), Build(c, LOCAL_VECTOR, north, Draw({{149, lying}})));
}

class ObjectFrameRsc : public ::testing::Test {
 protected:
  void SetUp() override {
    RSCCREATE create{};
    std::strcpy(create.Name, "FRAMES");
    create.Scale = 100000;
    ASSERT_EQ(1, rsc.CreateRsc((dir / "frames.rsc").c_str(), &create, nullptr, 0)) << rsc.Error();
  }
  void TearDown() override { SetObjectImageBorderService(nullptr); }

  int AddKind(int local, int function, const Bytes& parms) {
    RSCOBJ desc{};
    desc.Excode = 77000000 + local;
    desc.Local = WORD(local);
    const int n = rsc.AppendObject(&desc, 0);
    EXPECT_GT(n, 15);
    EXPECT_NE(nullptr, rsc.SetTabPar(n, int(parms.size()), function, parms.data()));
    return n;
  }

  sheettest::SheetFolder dir{MC_TEST_TMP};
  TMapRsc rsc;
};

TEST_F(ObjectFrameRsc, ClassifierImagesStandInForOwnGraphics) {
  const OBJECTFRAMECONTEXT c = SheetMap(100000, 1000000, &rsc);
  const int sign = AddKind(LOCAL_POINT, 149, VectorSign({{0, 0}, {5000, 2500}}));
  EXPECT_EQ((Frame{7498, 19998, 10002, 25002}),
            Build(c, LOCAL_POINT, Metric(METRIC_I32, {{{10000, 20000}}}), {}, uint16_t(sign)));
  // A set of primitives is taken element by element.
  const int set = AddKind(LOCAL_POINT, 147, Draw({{128, Bytes(8, 0)}, {143, Bytes(24, 0)}}));
  EXPECT_EQ((Frame{10000 - 1069, 20000 - 1069, 10000 + 1069, 20000 + 1069}),
            Build(c, LOCAL_POINT, Metric(METRIC_I32, {{{10000, 20000}}}), {}, uint16_t(set)));
  // The printer image wins over the screen image.
  const int title = AddKind(LOCAL_TITLE, 142, TextParms(1000));
  const Bytes big = TextParms(8000);
  ASSERT_NE(nullptr, rsc.SetTabPrn(title, 32, 142, big.data()));
  const Bytes metric = Metric(METRIC_I32, {{{5000, 10000}, {5000, 14000}}}, {"Hello"});
  const Frame withPrinter = Build(c, LOCAL_TITLE, metric, {}, uint16_t(title));
  const Frame own = Build(c, LOCAL_TITLE, metric, Draw({{142, TextParms(8000)}}), uint16_t(title));
  EXPECT_EQ(own, withPrinter);
}

namespace {

OBJECTIMAGEQUERY g_query;
std::vector<POINT> g_points;

int Border(const OBJECTIMAGEQUERY* query, LONG* frame) {
  g_query = *query;
  g_points.assign(query->Points, query->Points + query->Counts[0]);
  frame[0] = -10;  // left
  frame[1] = -20;  // top
  frame[2] = 30;   // right
  frame[3] = 40;   // bottom
  return 1;
}

}  // namespace

TEST_F(ObjectFrameRsc, LibrarySignsAskTheImagePlugInLayer) {
  const OBJECTFRAMECONTEXT c = SheetMap(100000, 20000, &rsc);
  const int kind = AddKind(LOCAL_POINT, 250, Bytes(16, 0));
  const Bytes metric = Metric(METRIC_I32, {{{1000, 2000}, {1100, 2300}}});
  // Without the plug-in layer the object gets the frame of its local type.
  const Frame local = Build(c, LOCAL_POINT, metric, {}, uint16_t(kind));
  EXPECT_EQ((Frame{998, 1998, 1102, 2302}), local);

  SetObjectImageBorderService(Border);
  const Frame f = Build(c, LOCAL_POINT, metric, {}, uint16_t(kind));
  // Points east and downwards from the first point.
  ASSERT_EQ(2u, g_points.size());
  EXPECT_EQ(0, g_points[1].x - 300);
  EXPECT_EQ(-100, g_points[1].y);
  EXPECT_DOUBLE_EQ(0.02, g_query.Scale);
  // X1 = X0 - bottom - 32, Y1 = Y0 + left - 32, X2 = X0 - top + 32,
  // Y2 = Y0 + right + 32, each widened once more by 32.
  EXPECT_EQ((Frame{1000 - 40 - 64, 2000 - 10 - 64, 1000 + 20 + 64, 2000 + 30 + 64}), f);
}
