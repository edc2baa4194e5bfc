// Base colours, their adjustments and the elevation palette.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "codec/basecolors.h"

namespace {

TEST(BaseColors, DefaultsWithIdentityTable) {
  TBaseColors colors;
  EXPECT_EQ(16, colors.GetCount());
  // The layout is part of the interface: the count sits at 2352, after both
  // colour arrays, the table and three words.
  LONG count;
  std::memcpy(&count, reinterpret_cast<const BYTE*>(&colors) + 2080 + 260 + 12, 4);
  EXPECT_EQ(16, count);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(i, colors.Table()[i]);
  EXPECT_EQ(0xAA0000u, colors.GetColor(1));
  EXPECT_EQ(0x55FFFFu, colors.GetColor(14));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(colors.GetColor(i), colors.Colors()[i]);
  EXPECT_EQ(0x123456u, colors.TableColor(0xFF123456u));
  EXPECT_EQ(0u, colors.GetColor(16) | colors.GetColor(-1));
}

TEST(BaseColors, ClampedAdjustmentsAndTheirCurves) {
  TBaseColors colors;
  EXPECT_EQ(16, colors.SetBright(40));
  EXPECT_EQ(-16, colors.SetContrast(-20));
  EXPECT_EQ(-32, colors.SetNonlinearBright(-99));
  colors.SetContrast(0);
  colors.SetBright(0);
  EXPECT_EQ(8, colors.SetNonlinearBright(8));
  EXPECT_EQ(std::vector<BYTE>({colors.Table()[0], colors.Table()[128], colors.Table()[255]}),
            std::vector<BYTE>({0, 191, 255}));
  colors.SetNonlinearBright(0);
  for (int bright : {-16, 8}) {
    colors.SetBright(bright);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(bright < 0 ? 0 : 255, colors.Table()[i]) << i;
  }
  // Contrast spreads values away from 128.
  colors.SetBright(0);
  colors.SetContrast(8);
  EXPECT_EQ(std::vector<BYTE>({colors.Table()[64], colors.Table()[128], colors.Table()[192]}),
            std::vector<BYTE>({0, 128, 255}));
  // Derived colours follow the table.
  EXPECT_EQ(colors.TableColor(colors.GetColor(5)), colors.Colors()[5]);
}

TEST(BaseColors, InitAndSetColor) {
  std::vector<DWORD> many(300);
  for (int i = 0; i < 300; ++i) many[i] = 0x010101u * (i % 256);
  TBaseColors colors(many.data(), 300);
  EXPECT_EQ(260, colors.GetCount());
  EXPECT_EQ(0x030303u, colors.GetColor(259));
  colors.SetBright(4);
  COLORREF derived = colors.Colors()[10];
  EXPECT_NE(colors.GetColor(10), derived);
  // A bad count keeps the colours; the derived ones follow the reset
  // adjustments.
  EXPECT_EQ(0, colors.InitBaseColors(many.data(), 0));
  EXPECT_EQ(0, colors.InitBaseColors(many.data(), 32001));
  EXPECT_EQ(260, colors.GetCount());
  EXPECT_EQ(0x030303u, colors.GetColor(259));
  EXPECT_EQ(0, colors.GetBright());
  EXPECT_EQ(colors.GetColor(10), colors.Colors()[10]);

  EXPECT_EQ(0, colors.IsEdited());
  EXPECT_EQ(0u, colors.SetColor(0x112233u, 260));
  EXPECT_EQ(0, colors.IsEdited());
  colors.SetBright(-4);
  EXPECT_EQ(0x112233u, colors.SetColor(0x112233u, 3));
  EXPECT_EQ(1, colors.IsEdited());
  EXPECT_EQ(0x112233u, colors.GetColor(3));
  EXPECT_EQ(colors.TableColor(0x112233u), colors.Colors()[3]);
}

TEST(AdjustColor, IntegerBrightnessAndContrast) {
  EXPECT_EQ(0x000080u, AdjustColorBrightContrast(0x000080u, 0, 8));
  EXPECT_EQ(0xFFFFFFu, AdjustColorBrightContrast(0x102030u, 8, 0));
  EXPECT_EQ(0u, AdjustColorBrightContrast(0x102030u, -8, 0));
  // -1 * 100 >> 3 rounds towards minus infinity: 100 - 13 = 87.
  EXPECT_EQ(87u, AdjustColorBrightContrast(100u, -1, 0));
  EXPECT_EQ(0x123456u, AdjustColorBrightContrast(0xFF123456u, 0, 0));
}

TEST(MtrPalette, ColouredRampsOfThirtyTwo) {
  TMtrPalette palette;
  EXPECT_EQ(1, palette.GetColorStyle());
  ASSERT_EQ(32, palette.GetPaletteCount());
  const std::pair<int, COLORREF> ramp[] = {{0, 0x304000u},  {7, 0x06BE54u},  {8, 0x00C0A0u},
                                           {15, 0x00F8F4u}, {16, 0x00E0F0u}, {31, 0x000E96u}};
  for (const auto& [i, colour] : ramp) EXPECT_EQ(colour, palette.GetColor(i)) << i;
}

TEST(MtrPalette, GreyRampAndStyleChanges) {
  TMtrPalette palette;
  palette.SetBright(3);
  EXPECT_EQ(1, palette.Style(1));
  EXPECT_EQ(3, palette.GetBright());  // same style: no rebuild
  palette.Style(2);
  EXPECT_EQ(0, palette.GetBright());
  EXPECT_EQ(0x304000u, palette.GetColor(0));
  palette.Style(0);
  for (int i = 0; i < 32; ++i) {
    DWORD v = 64 + 4 * i;
    ASSERT_EQ(v | v << 8 | v << 16, palette.GetColor(i)) << i;
  }
  EXPECT_EQ(0xBCBCBCu, palette.GetColor(31));
}

TEST(MtrPalette, CountsNotAMultipleOfFourLeaveNoColourUndefined) {
  TMtrPalette palette;
  for (int count : {16, 17, 18, 19, 255, 260}) {
    palette.SetPaletteCount(count);
    palette.MakePalette();
    ASSERT_EQ(count, palette.GetPaletteCount());
    // The last colours repeat the last brown of the ramps.
    int defined = 2 * (count / 4) + count / 2;
    for (int i = defined; i < count; ++i) EXPECT_EQ(palette.GetColor(defined - 1), palette.GetColor(i));
    for (int i = 0; i < count; ++i) EXPECT_NE(0u, palette.GetColor(i)) << count << " " << i;
  }
  palette.SetPaletteCount(3);
  EXPECT_EQ(16, palette.GetPaletteCount());
}

TEST(MtrPalette, CopiesOfBaseAndPalette) {
  TMtrPalette a;
  a.Style(0);
  a.SetContrast(2);
  a.SetNonlinearBright(-5);
  // The base copy takes everything, the table and non-linear brightness too.
  TBaseColors base;
  base = a;
  EXPECT_EQ(-5, base.GetNonlinearBright());
  EXPECT_EQ(0, std::memcmp(a.Table(), base.Table(), 256));
  // The palette copy keeps the target's own non-linear brightness.
  TMtrPalette b;
  b.SetNonlinearBright(9);
  b = a;
  EXPECT_EQ(0, b.GetColorStyle());
  EXPECT_EQ(2, b.GetContrast());
  EXPECT_EQ(9, b.GetNonlinearBright());
  EXPECT_EQ(a.Colors()[5], b.Colors()[5]);
}

}  // namespace
