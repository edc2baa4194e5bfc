// Enhanced metafiles: recording, the header, the point formats, replay
// giving the same pixels as direct drawing, and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "support/canvas.h"

namespace {

std::string TempPath(const char* name) {
  std::string dir = std::string(MC_TEST_TMP) + "/gdi_metafile";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

// Draws a bit of everything the recording context knows.
void Paint(HDC dc, HDC picture) {
  HPEN thin = plat::CreatePen(PS_SOLID, 1, 0x0000FF);
  HPEN wide = plat::CreatePen(PS_SOLID, 5, 0x008000);
  HBRUSH brush = plat::CreateSolidBrush(0xFF8000);
  HGDIOBJ oldPen = plat::SelectObject(dc, thin);
  HGDIOBJ oldBrush = plat::SelectObject(dc, brush);
  RECT back{0, 0, 120, 100};
  plat::FillRect(dc, &back, (HBRUSH)plat::GetStockObject(WHITE_BRUSH));
  plat::MoveToEx(dc, 2, 2, nullptr);
  plat::LineTo(dc, 60, 30);
  POINT zig[] = {{5, 90}, {30, 40}, {50, 95}, {70, 45}};
  plat::Polyline(dc, zig, 4);
  plat::SetPolyFillMode(dc, WINDING);
  POINT star[] = {{90, 5}, {100, 35}, {75, 15}, {105, 15}, {80, 35}};
  plat::Polygon(dc, star, 5);
  plat::SelectObject(dc, wide);
  POINT rings[] = {{60, 60}, {110, 60}, {110, 95}, {60, 95}, {70, 70}, {100, 70}, {85, 90}};
  INT counts[] = {4, 3};
  plat::SetPolyFillMode(dc, ALTERNATE);
  plat::PolyPolygon(dc, rings, counts, 2);
  plat::SelectObject(dc, thin);
  plat::SetROP2(dc, R2_XORPEN);
  plat::MoveToEx(dc, 0, 50, nullptr);
  plat::LineTo(dc, 119, 50);
  plat::SetROP2(dc, R2_COPYPEN);
  plat::SetPixel(dc, 118, 98, 0x00FFFF);
  plat::SetViewportOrgEx(dc, 3, 4, nullptr);
  HRGN clip = plat::CreateRectRgn(10, 0, 115, 60);
  plat::SelectClipRgn(dc, clip);
  plat::DeleteObject(clip);
  LOGFONTA lf{};
  lf.lfHeight = 20;
  lf.lfEscapement = lf.lfOrientation = 300;
  lf.lfCharSet = RUSSIAN_CHARSET;
  strcpy(lf.lfFaceName, "Times New Roman");
  HFONT font = plat::CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = plat::SelectObject(dc, font);
  plat::SetTextColor(dc, 0x800080);
  plat::SetBkColor(dc, 0xC0FFC0);
  plat::TextOutA(dc, 5, 55, "\xCA\xE0\xF0\xF2\xE0 map", 9);  // CP1251
  plat::SetBkMode(dc, TRANSPARENT);
  plat::SetTextAlign(dc, TA_CENTER | TA_BOTTOM);
  plat::TextOutA(dc, 60, 30, "Map", 3);
  plat::SelectObject(dc, oldFont);
  plat::DeleteObject(font);
  plat::BitBlt(dc, 12, 40, 20, 10, picture, 2, 3, SRCCOPY);
  uint32_t bits[2][4] = {{0x112233, 0x445566, 0x778899, 0xAABBCC}, {0xFF0000, 0xFF, 0xFF00, 0}};
  BITMAPINFO info{};
  info.bmiHeader = {40, 4, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  plat::SetDIBitsToDevice(dc, 90, 40, 4, 2, 0, 0, 0, 2, bits, &info, DIB_RGB_COLORS);
  plat::SelectClipRgn(dc, nullptr);
  plat::SelectObject(dc, oldPen);
  plat::SelectObject(dc, oldBrush);
  plat::DeleteObject(thin);
  plat::DeleteObject(wide);
  plat::DeleteObject(brush);
}

// The bytes of a closed recording.
std::vector<uint8_t> Close(HDC meta) {
  HENHMETAFILE emf = plat::CloseEnhMetaFile(meta);
  std::vector<uint8_t> b(plat::GetEnhMetaFileBits(emf, 0, nullptr));
  plat::GetEnhMetaFileBits(emf, (UINT)b.size(), b.data());
  plat::DeleteEnhMetaFile(emf);
  return b;
}

// Offset of the first record of a type (0: none).
size_t FindRecord(const std::vector<uint8_t>& b, DWORD wanted) {
  DWORD at;
  memcpy(&at, &b[4], 4);  // header size
  while (at + 8 <= b.size()) {
    DWORD type, size;
    memcpy(&type, &b[at], 4);
    memcpy(&size, &b[at + 4], 4);
    if (type == wanted) return at;
    if (size < 8) break;
    at += size;
  }
  return 0;
}

void Put32(std::vector<uint8_t>& b, size_t at, DWORD v) { memcpy(&b[at], &v, 4); }

struct Header {
  DWORD type, size;
  RECT bounds, frame;
  DWORD signature, version, bytes, records;
  WORD handles, reserved;
};

TEST(GdiMetafile, ReplayGivesTheSamePixelsAsDrawing) {
  Canvas picture(40, 30, 24);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) plat::SetPixel(picture.dc(), x, y, RGB(x * 6, y * 8, 100));
  Canvas direct(120, 100), replayed(120, 100);
  Paint(direct.dc(), picture.dc());

  std::string path = TempPath("paint.emf");
  int live = plat::gdi::LiveObjects(plat::gdi::ObjectKind::Pen);
  HDC meta = plat::CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, "mapcore\0test\0");
  ASSERT_NE(meta, nullptr);
  Paint(meta, picture.dc());
  HENHMETAFILE emf = plat::CloseEnhMetaFile(meta);
  ASSERT_NE(emf, nullptr);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(plat::gdi::ReadFileBytes(path.c_str(), &bytes));
  std::vector<uint8_t> held(plat::GetEnhMetaFileBits(emf, 0, nullptr));
  ASSERT_EQ(plat::GetEnhMetaFileBits(emf, (UINT)held.size(), held.data()), held.size());
  EXPECT_EQ(held, bytes);
  plat::DeleteEnhMetaFile(emf);

  ASSERT_TRUE(plat::gdi::PlayMetaFile(replayed.dc(), bytes));
  if (direct.Snapshot() != replayed.Snapshot()) {
    direct.Dump("metafile_direct");
    replayed.Dump("metafile_replayed");
  }
  EXPECT_EQ(direct.Snapshot(), replayed.Snapshot());
  EXPECT_EQ(plat::gdi::LiveObjects(plat::gdi::ObjectKind::Pen), live);

  // The header agrees with the records.
  Header h;
  memcpy(&h, bytes.data(), sizeof h);
  EXPECT_EQ(h.type, 1u);
  EXPECT_EQ(h.signature, 0x464D4520u);
  EXPECT_EQ(h.bytes, bytes.size());
  size_t at = h.size;
  DWORD records = 1, last = 0;
  bool small = false, wide = false;
  while (at + 8 <= bytes.size()) {
    DWORD type, size;
    memcpy(&type, &bytes[at], 4);
    memcpy(&size, &bytes[at + 4], 4);
    ASSERT_GE(size, 8u);
    ++records;
    last = type;
    small |= type == 87 || type == 86 || type == 91;
    wide |= type == 4 || type == 3 || type == 8;
    at += size;
  }
  EXPECT_EQ(at, bytes.size());
  EXPECT_EQ(records, h.records);
  EXPECT_EQ(last, 14u);  // EOF
  EXPECT_TRUE(small);
  EXPECT_FALSE(wide);
  const RECT bounds{0, 0, 119, 99};
  EXPECT_EQ(memcmp(&h.bounds, &bounds, sizeof bounds), 0);
  EXPECT_EQ(h.frame.right, 120 * 2540 / 96);
  EXPECT_GE(h.handles, 4);
  // The description follows the header in UTF-16.
  EXPECT_EQ(bytes[108], 'm');
  EXPECT_EQ(bytes[110], 'a');
}

TEST(GdiMetafile, LargeCoordinatesUseThirtyTwoBitRecords) {
  HDC meta = plat::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  POINT far[] = {{0, 0}, {40000, 5}};
  plat::Polyline(meta, far, 2);
  POINT near[] = {{0, 0}, {-32768, 32767}};
  plat::Polyline(meta, near, 2);
  std::vector<uint8_t> b = Close(meta);
  DWORD first, second, firstSize;
  memcpy(&first, &b[108], 4);
  memcpy(&firstSize, &b[112], 4);
  memcpy(&second, &b[108 + firstSize], 4);
  EXPECT_EQ(first, 4u);  // POLYLINE
  EXPECT_EQ(firstSize, 44u);
  EXPECT_EQ(second, 87u);  // POLYLINE16
}

TEST(GdiMetafile, RectanglesSpanningTheWholeRangeAreRecorded) {
  HDC meta = plat::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  HBRUSH brush = plat::CreateSolidBrush(0x00FF00);
  RECT all{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_EQ(plat::FillRect(meta, &all, brush), 1);
  RECT inverted{10, 10, -5, -5};
  EXPECT_EQ(plat::FillRect(meta, &inverted, brush), 1);
  // Source pixels too many for one record: the copy fails, not dropped.
  Canvas picture(4, 4);
  EXPECT_FALSE(plat::BitBlt(meta, 0, 0, 20000, 20000, picture.dc(), 0, 0, SRCCOPY));
  EXPECT_GT(Close(meta).size(), 0u);
  plat::DeleteObject(brush);
}

TEST(GdiMetafile, DamagedFilesStopCleanly) {
  HDC meta = plat::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  POINT pts[] = {{1, 1}, {30, 1}, {30, 20}};
  plat::Polygon(meta, pts, 3);
  plat::Polyline(meta, pts, 3);
  std::vector<uint8_t> good = Close(meta);
  Canvas c(40, 40);
  EXPECT_TRUE(plat::gdi::PlayMetaFile(c.dc(), good));
  for (size_t cut = 0; cut < good.size(); cut += 4) {
    std::vector<uint8_t> part(good.begin(), good.begin() + cut);
    EXPECT_FALSE(plat::gdi::PlayMetaFile(c.dc(), part)) << cut;
  }
  // A record claiming more points than it holds, a zero-size record.
  std::vector<uint8_t> lying = good, zero = good;
  Put32(lying, 108 + 24, 0x40000000);
  Put32(zero, 108 + 4, 0);
  EXPECT_FALSE(plat::gdi::PlayMetaFile(c.dc(), lying));
  EXPECT_FALSE(plat::gdi::PlayMetaFile(c.dc(), zero));
  EXPECT_FALSE(plat::gdi::PlayMetaFile(nullptr, good));
}

TEST(GdiMetafile, BitmapRecordsWithLyingSizesAreRejected) {
  Canvas picture(8, 8);
  picture.Clear(0x123456);
  HDC meta = plat::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(plat::BitBlt(meta, 1, 1, 6, 5, picture.dc(), 0, 0, SRCCOPY));
  std::vector<uint8_t> good = Close(meta);
  size_t blt = FindRecord(good, 76);
  ASSERT_NE(blt, 0u);
  DWORD offBmi;
  memcpy(&offBmi, &good[blt + 84], 4);
  Canvas c(16, 16);
  ASSERT_TRUE(plat::gdi::PlayMetaFile(c.dc(), good));
  EXPECT_EQ(c.At(3, 3), 0x123456u);
  // Width and height whose product of row length and rows wraps 64 bits.
  std::vector<uint8_t> wrap = good;
  Put32(wrap, blt + offBmi + 4, 0x7FFFFFFF);
  Put32(wrap, blt + offBmi + 8, 0x7FFFFFFF);
  EXPECT_FALSE(plat::gdi::PlayMetaFile(c.dc(), wrap));
  std::vector<uint8_t> tall = good;
  Put32(tall, blt + offBmi + 8, 6);  // one row more than the bits hold
  EXPECT_FALSE(plat::gdi::PlayMetaFile(c.dc(), tall));
}

TEST(GdiMetafile, PartialScanLinesReplay) {
  // A bottom-up 3 x 8 image given as scan lines 2..4 (from the bottom).
  uint32_t rows[3][3] = {{0xFF0000, 0xFF0000, 0xFF0000},
                         {0x00FF00, 0x00FF00, 0x00FF00},
                         {0x0000FF, 0x0000FF, 0x0000FF}};
  BITMAPINFO info{};
  info.bmiHeader = {40, 3, 8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  auto paint = [&](HDC dc) {
    return plat::SetDIBitsToDevice(dc, 2, 1, 3, 8, 0, 0, 2, 3, rows, &info, DIB_RGB_COLORS);
  };
  Canvas direct(10, 12), replayed(10, 12);
  direct.Clear(0xFFFFFF);
  replayed.Clear(0xFFFFFF);
  EXPECT_EQ(paint(direct.dc()), 3);
  HDC meta = plat::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(paint(meta), 3);
  ASSERT_TRUE(plat::gdi::PlayMetaFile(replayed.dc(), Close(meta)));
  EXPECT_EQ(direct.At(2, 6), 0x0000FFu);  // scan line 2: destination row 1 + 8 - 1 - 2
  EXPECT_EQ(direct.At(2, 4), 0xFF0000u);
  EXPECT_EQ(direct.Snapshot(), replayed.Snapshot());
}

TEST(GdiMetafile, PaletteIndexedImagesReplay) {
  // An 8-bit image whose table holds indices into the selected palette.
  struct {
    WORD version, count;
    PALETTEENTRY e[2];
  } lp{0x300, 2, {{255, 0, 0, 0}, {0, 0, 255, 0}}};
  struct {
    BITMAPINFOHEADER h;
    WORD index[2];
  } info{{40, 4, 1, 1, 8, BI_RGB, 0, 0, 0, 2, 0}, {1, 0}};
  const BYTE row[4] = {0, 1, 1, 0};
  auto paint = [&](HDC dc) {
    HPALETTE pal = plat::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&lp));
    HPALETTE old = plat::SelectPalette(dc, pal, FALSE);
    EXPECT_EQ(plat::SetDIBitsToDevice(dc, 1, 1, 4, 1, 0, 0, 0, 1, row,
                                      reinterpret_cast<const BITMAPINFO*>(&info), DIB_PAL_COLORS),
              1);
    plat::SelectPalette(dc, old, TRUE);
    plat::DeleteObject(pal);
  };
  Canvas direct(6, 3), replayed(6, 3);
  paint(direct.dc());
  HDC meta = plat::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  paint(meta);
  ASSERT_TRUE(plat::gdi::PlayMetaFile(replayed.dc(), Close(meta)));
  EXPECT_EQ(direct.At(1, 1), 0xFF0000u);  // index 0 -> palette entry 1 (blue)
  EXPECT_EQ(direct.At(2, 1), 0x0000FFu);
  EXPECT_EQ(direct.Snapshot(), replayed.Snapshot());
}

TEST(GdiMetafile, ObjectsDeletedWhileSelectedAreFreedAfterReplay) {
  HDC meta = plat::CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  HPEN pen = plat::CreatePen(PS_SOLID, 1, 0x0000FF);
  HGDIOBJ old = plat::SelectObject(meta, pen);
  plat::MoveToEx(meta, 0, 2, nullptr);
  plat::LineTo(meta, 8, 2);
  std::vector<uint8_t> b = Close(meta);
  plat::DeleteObject(pen);
  (void)old;
  // Before the end-of-file record: the selected pen deleted, then its
  // index given a new pen and selected again.
  size_t eof = FindRecord(b, 14);
  ASSERT_NE(eof, 0u);
  const DWORD extra[] = {40, 12, 1, 38, 28, 1, 0, 1, 0, 0xFF00, 37, 12, 1};
  b.insert(b.begin() + (ptrdiff_t)eof, (const uint8_t*)extra, (const uint8_t*)extra + sizeof extra);
  Put32(b, 48, (DWORD)b.size());
  DWORD records;
  memcpy(&records, &b[52], 4);
  Put32(b, 52, records + 3);
  int pens = plat::gdi::LiveObjects(plat::gdi::ObjectKind::Pen);
  Canvas c(10, 10);
  EXPECT_TRUE(plat::gdi::PlayMetaFile(c.dc(), b));
  EXPECT_EQ(c.At(3, 2), 0x0000FFu);
  EXPECT_EQ(plat::gdi::LiveObjects(plat::gdi::ObjectKind::Pen), pens);
}

TEST(GdiMetafile, UnwritableFileFailsAtCreation) {
  EXPECT_EQ(plat::CreateEnhMetaFileA(nullptr, "/nonexistent-folder/x.emf", nullptr, nullptr),
            nullptr);
  std::string path = TempPath("dropped.emf");
  HDC meta = plat::CreateEnhMetaFileA(nullptr, path.c_str(), nullptr, nullptr);
  ASSERT_NE(meta, nullptr);
  EXPECT_TRUE(plat::DeleteDC(meta));  // abandoned: no half-written file stays
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
