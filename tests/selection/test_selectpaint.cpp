// Painting through the document's view select: a context that selects one
// layer paints that layer's objects and no others, and a sample in force
// paints its objects alone.
#include <gtest/gtest.h>

#include <string>

#include "common/messages.h"
#include "support/docmap.h"
#include "support/scratch_dir.h"

namespace {

class SelectPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageEnableSet(0);
    ASSERT_TRUE(doctest::WriteImageClassifier(dir / "map.rsc"));
    doc = doctest::CreateDocument(dir / "map.map", dir / "map.rsc");
    ASSERT_NE(doc, nullptr);
    const double x = doctest::kSheetX, y = doctest::kSheetY;
    south = Road({{x + 1000, y + 1000}, {x + 4000, y + 9000}}, 5);
    north = Road({{x + 6000, y + 1000}, {x + 9000, y + 9000}}, 7);
    ASSERT_GT(south * north, 0);
    doc->MapPalette.BackGround = 0xFFFFFF;
    doc->SetupPalette();
    doc->SetViewScale(0.3);
  }
  void TearDown() override {
    FreeDocument(doc);
    MessageEnableSet(1);
  }
  // A road through the plane points moved to a layer of its own.
  int Road(const doctest::PlanePoints& points, uint8_t layer) {
    const int n = doctest::AppendPlaneObject(doc, doctest::KIND_ROAD, LOCAL_LINE, points);
    if (n == 0 || !doc->OpenList(1) || doc->List.ObjectDesc(n) == nullptr) return 0;
    FVSPR d = *doc->List.ObjectDesc(n);
    d.Segment = layer;
    return doc->UpdateObject(n, &d, nullptr, nullptr, nullptr);
  }
  doctest::Picture Paint(const std::string& name) {
    const doctest::Picture p = doctest::PaintPicture(doc, RECT{0, 0, 300, 300});
    doctest::WritePng(p, dir / (name + ".png"));
    return p;
  }
  static int Painted(const doctest::Picture& p) {
    int n = 0;
    for (uint32_t v : p.pixels) n += v != 0xFFFFFF;
    return n;
  }

  mctest::ScratchDir dir{MC_TEST_TMP};
  TMapAccess* doc = nullptr;
  int south = 0, north = 0;
};

TEST_F(SelectPaint, OneLayerPaintsOnlyThatLayer) {
  const doctest::Picture all = Paint("all");
  TMapSelect& view = doc->MainViewSelect;
  view.ClearAllLayers();
  view.SelectLayer(7);
  view.SetLayerSwitch(1);
  const doctest::Picture seven = Paint("layer7");
  view.ClearAllLayers();
  view.SelectLayer(5);
  const doctest::Picture five = Paint("layer5");
  ASSERT_EQ(all.pixels.size(), seven.pixels.size());
  ASSERT_EQ(all.pixels.size(), five.pixels.size());
  EXPECT_GT(Painted(seven), 100);
  EXPECT_GT(Painted(five), 100);
  // Every painted pixel is one layer's, and the two layers make the whole.
  for (size_t i = 0; i < all.pixels.size(); ++i) {
    const bool s = seven.pixels[i] != 0xFFFFFF, f = five.pixels[i] != 0xFFFFFF;
    ASSERT_FALSE(s && f) << i;
    ASSERT_EQ(all.pixels[i] != 0xFFFFFF, s || f) << i;
  }
  view.SelectAll();
  EXPECT_EQ(all.pixels, Paint("reset").pixels);
}

TEST_F(SelectPaint, SampleInForcePaintsItsObjectsAlone) {
  const doctest::Picture all = Paint("all");
  TMapSelect& view = doc->MainViewSelect;
  ASSERT_EQ(1, view.AppendSample(north, 1));
  const doctest::Picture sampled = Paint("sample");
  view.ClearAllLayers();
  view.SelectLayer(7);
  view.SetLayerSwitch(1);
  view.ClearSample();
  EXPECT_EQ(Paint("layer7").pixels, sampled.pixels);
  EXPECT_LT(Painted(sampled), Painted(all));
}

}  // namespace
