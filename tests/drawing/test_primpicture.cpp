// A few objects painted through the walk of their drawing descriptions into
// the memory image: lines, circles, a set with a fill and its outline, a
// bitmap sign and shading over them. Written as a PNG file
// (drawing_primitives.png in the tests' scratch folder) for a look by eye.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "drawing/dibpainters.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"

namespace {

using dibtest::DibTest;
using dibtest::Draw;
using dibtest::Poly;
using dibtest::Words;

class PrimitivePicture : public DibTest {
 protected:
  void PaintObject(Poly& poly, const std::vector<char>& draw, float scale = 1.0f) {
    PaintImageDraw(nullptr, poly.get(), reinterpret_cast<const IMGDRAW*>(draw.data()),
                   LONG(draw.size()), DibPainterTable[DIB_FULLCOLOUR].data(), scale);
  }
};

TEST_F(PrimitivePicture, ObjectsThroughTheWalk) {
  Open(320, 200);
  // A thick red zigzag and a thin blue line.
  Poly zigzag({{{10, 180}, {60, 120}, {110, 180}, {160, 120}, {210, 180}}});
  PaintObject(zigzag, Draw({{PRIM_LINE, Words({0x0000FF, 1000})}}));
  Poly thin({{{10, 190}, {310, 190}}});
  PaintObject(thin, Draw({{PRIM_LINE, Words({0xFF0000, 0})}}));
  // Circles at the first point: outlined, and filled at twice the scale.
  Poly ring({{{60, 50}}});
  PaintObject(ring, Draw({{PRIM_CIRCLE, Words({0x800080, 750, 7500})}}));
  Poly disc({{{140, 50}}});
  PaintObject(disc, Draw({{PRIM_CIRCLE, Words({0x00A0FF, 0, 5000})}}), 2.0f);
  // A set: a green fill and its dark outline; the element after code 255
  // (a black line) is not painted.
  Poly area({{{200, 20}, {300, 20}, {300, 100}, {250, 130}, {200, 100}, {200, 20}}});
  const std::vector<char> set = Draw({{PRIM_SQUARE, Words({0x40C040})},
                                      {PRIM_LINE, Words({0x205020, 750})},
                                      {255, Words({0})},
                                      {PRIM_LINE, Words({0, 5000})}});
  PaintObject(area, Draw({{PRIM_SET, set}}));
  // A 32 x 32 bitmap sign: a hollow square anchored at its centre.
  std::vector<DWORD> sign = {0xF1000000, 0, 16 * 250, 16 * 250};
  for (int r = 0; r < 32; ++r)
    sign.push_back(r < 3 || r > 28 ? 0xFFFFFFFFu : 0x000000E0u | 0x00000007u << 24);
  std::vector<char> signParm(sign.size() * 4);
  std::memcpy(signParm.data(), sign.data(), signParm.size());
  Poly at({{{270, 160}}});
  PaintObject(at, Draw({{PRIM_BITMAP32, signParm}}));
  // Shading: a band darkened across the zigzag and the ring, one lightened
  // across the set.
  Poly dark({{{0, 100}, {180, 100}, {180, 150}, {0, 150}, {0, 100}}});
  PaintObject(dark, Draw({{PRIM_SHADE, Words({DWORD(-50), 0})}}));
  Poly light({{{230, 60}, {320, 60}, {320, 90}, {230, 90}, {230, 60}}});
  PaintObject(light, Draw({{PRIM_SHADE, Words({60, 0})}}));

  EXPECT_EQ(Pixel(250, 40), 0x40C040u);        // the set's fill
  EXPECT_EQ(Pixel(250, 129), 0x205020u);       // its outline
  EXPECT_EQ(Pixel(60, 20), 0x800080u);         // the ring's top
  EXPECT_EQ(Pixel(140, 50), 0xFFA000u);        // the disc's centre
  EXPECT_EQ(Pixel(140, 15), 0xFFA000u);        // radius 40 at scale 2
  EXPECT_EQ(Pixel(255, 145), 0u);              // the sign's top row
  EXPECT_EQ(Pixel(100, 105), 0x808080u);       // white darkened by half
  EXPECT_EQ(Pixel(280, 70), 0xB2E5B2u);        // the fill lightened
  EXPECT_EQ(Pixel(150, 190), 0x0000FFu);       // the thin blue line
  EXPECT_NE(Pixel(35, 150), dibtest::kWhite);  // the zigzag

  const std::string path = std::string(MC_TEST_TMP) + "/drawing_primitives.png";
  EXPECT_TRUE(plat::gdi::WritePng(PaintContext.MemoryDc, path.c_str()));
}

}  // namespace
