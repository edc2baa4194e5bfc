// A map created through the document, objects written through the map
// store, and the document painted into the memory image: lines, areas and
// point signs land where their plane coordinates say, and the picture
// equals the golden one pixel for pixel (golden/map_picture.png; with
// MC_UPDATE_GOLDEN set the test writes it anew instead).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "common/messages.h"
#include "support/docmap.h"
#include "support/scratch_dir.h"

namespace {

using doctest::kSheetX;
using doctest::kSheetY;

TEST(MapPicture, ObjectsLandWhereTheirCoordinatesSay) {
  MessageEnableSet(0);
  mctest::ScratchDir dir{MC_TEST_TMP};
  ASSERT_TRUE(doctest::WriteImageClassifier(dir / "map.rsc"));
  TMapAccess* doc = doctest::CreateDocument(dir / "map.map", dir / "map.rsc");
  ASSERT_NE(doc, nullptr);
  const double x = kSheetX, y = kSheetY;
  // A field and a lake, a road across them, wells.
  ASSERT_GT(doctest::AppendPlaneObject(doc, doctest::KIND_FIELD, LOCAL_SQUARE,
                                       {{x + 5500, y + 500},
                                        {x + 9500, y + 500},
                                        {x + 9500, y + 4500},
                                        {x + 5500, y + 4500},
                                        {x + 5500, y + 500}}),
            0);
  ASSERT_GT(doctest::AppendPlaneObject(doc, doctest::KIND_LAKE, LOCAL_SQUARE,
                                       {{x + 1000, y + 6000},
                                        {x + 2000, y + 9000},
                                        {x + 4500, y + 8500},
                                        {x + 3500, y + 5500},
                                        {x + 1000, y + 6000}}),
            0);
  ASSERT_GT(
      doctest::AppendPlaneObject(
          doc, doctest::KIND_ROAD, LOCAL_LINE,
          {{x + 500, y + 500}, {x + 5000, y + 4000}, {x + 6000, y + 7000}, {x + 9500, y + 9500}}),
      0);
  for (double d : {2000.0, 7500.0})
    ASSERT_GT(doctest::AppendPlaneObject(doc, doctest::KIND_WELL, LOCAL_POINT, {{x + d, y + 2500}}),
              0);
  doc->MapPalette.BackGround = 0xFFFFFF;
  doc->SetupPalette();
  doc->SetViewScale(0.25);

  // The rectangle of the picture that holds the sheet, from its north-west
  // corner.
  double left = x + 10000, top = y;
  doc->PlaneToPicture(left, top);
  const LONG l = LONG(std::floor(left)) - 8, t = LONG(std::floor(top)) - 8;
  const RECT rect{l, t, l + 256, t + 256};
  const doctest::Picture picture = doctest::PaintPicture(doc, rect);
  ASSERT_EQ(picture.width, 256);

  // The colour at a plane point.
  auto at = [&](double px, double py) {
    doc->PlaneToPicture(px, py);
    return picture.At(int(std::lround(px)) - l, int(std::lround(py)) - t);
  };
  EXPECT_EQ(at(x + 5000, y + 4000), 0xFF0000u);  // the road's joint, red
  EXPECT_EQ(at(x + 2750, y + 2250), 0xFF0000u);  // on its first segment
  EXPECT_EQ(at(x + 3000, y + 7300), 0x0000FFu);  // inside the lake, blue
  EXPECT_EQ(at(x + 2000, y + 2500), 0x000000u);  // a well
  EXPECT_EQ(at(x + 7500, y + 2500), 0x000000u);
  EXPECT_EQ(at(x + 8000, y + 9000), 0xFFFFFFu);  // nothing there
  EXPECT_EQ(at(x + 500, y + 9500), 0xFFFFFFu);

  const std::string golden = std::string(MC_SOURCE_DIR) + "/tests/document/golden/map_picture.png";
  if (std::getenv("MC_UPDATE_GOLDEN") != nullptr) {
    ASSERT_TRUE(doctest::WritePng(picture, golden));
  } else {
    doctest::Picture expected;
    ASSERT_TRUE(doctest::ReadPng(golden, &expected)) << golden;
    ASSERT_EQ(expected.width, picture.width);
    ASSERT_EQ(expected.height, picture.height);
    int differ = 0;
    for (size_t i = 0; i < picture.pixels.size(); ++i)
      differ += picture.pixels[i] != expected.pixels[i];
    EXPECT_EQ(differ, 0) << "pixels differing from " << golden;
    if (differ) doctest::WritePng(picture, std::string(MC_TEST_TMP) + "/map_picture_actual.png");
  }
  FreeDocument(doc);
  MessageEnableSet(1);
}

}  // namespace
