// Image plug-in libraries: real plug-ins built by the project (a whole one,
// one without imlTestVisible, one refusing its host by a bare name) opened,
// shared, refused and unloaded; their images painted into the memory image
// and on a device, tested and measured; the host functions they call back;
// and the border table. A picture of plug-in images is written as a PNG
// file (imagelibrary_picture.png in the tests' scratch folder).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "api/imagelib_api.h"
#include "classifier/maprsc.h"
#include "common/language.h"
#include "common/messages.h"
#include "devices/support/devcanvas.h"
#include "drawing/imagelibrary.h"
#include "drawing/paintmetric.h"
#include "drawing/visibility.h"
#include "platform/gdi/gdi_test.h"
#include "support/dibfixture.h"
#include "support/host_recorder.h"
#include "support/scratch_dir.h"

namespace {

std::vector<std::string> g_events;

}  // namespace

// The plug-ins report their opening and closing here.
extern "C" __attribute__((visibility("default"))) void imageplugin_event(const char* event,
                                                                         const char* text) {
  g_events.push_back(std::string(event) + " " + text);
}

namespace {

using devtest::Canvas;
using dibtest::Poly;
using dibtest::Words;
using Events = std::vector<std::string>;

std::string Plugin(const char* file) { return std::string(MC_IMAGE_PLUGIN_DIR) + "/" + file; }

// True while the shared object at the path is loaded in the process.
bool Loaded(const std::string& path) {
  void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h != nullptr) dlclose(h);
  return h != nullptr;
}

// A plug-in image record: word 0, the library index, the slot, the image
// code, then the image's own words.
std::vector<char> Record(int slot, LONG image, std::initializer_list<DWORD> words) {
  std::vector<DWORD> w = {0, 1, DWORD(slot), DWORD(image)};
  w.insert(w.end(), words);
  std::vector<char> r(w.size() * 4);
  std::memcpy(r.data(), w.data(), r.size());
  return r;
}

class ImageLibrary : public dibtest::DibTest {
 protected:
  void SetUp() override {
    Open(160, 120);
    MessageEnableSet(1);
    g_events.clear();
  }
  void TearDown() override {
    for (int n = 1; n <= LIBRARY_SLOTS; ++n) llFreeLibrary(n);
    PathShellSet(nullptr);
    SetTestWindow(0, 0);
    dibtest::DibTest::TearDown();
  }
  // Texts of the boxes shown.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> out;
    for (const auto& b : box.boxes()) out.push_back(b.text);
    return out;
  }
  mctest::RecordingMessageBox box;
};

TEST_F(ImageLibrary, OneSlotPerNameUntilTheLastClose) {
  const std::string lower = Plugin("testimg.iml"), upper = Plugin("TESTIMG.IML");
  const int n = llOpenLibrary(lower.c_str());
  ASSERT_EQ(n, 1);
  EXPECT_EQ(g_events, Events{"open TORVEKAN.DLL"});
  EXPECT_EQ(llOpenLibrary(upper.c_str()), n);
  EXPECT_EQ(llGetUseCount(n), 2);
  EXPECT_EQ(LibraryList.OpenCount, 1);
  ASSERT_NE(llGetImageList(n), nullptr);
  EXPECT_EQ(llGetImageList(n)->Count, 5);
  // The kind of the first entry of a code that has a description.
  EXPECT_EQ(llGetImageListField(n, 1), 2);
  EXPECT_EQ(llGetImageListField(n, 2), 3);
  EXPECT_EQ(llGetImageListField(n, 3), -1);
  EXPECT_EQ(llGetImageListField(n, 4), 0);
  EXPECT_EQ(llGetImageListField(n, 9), 0);
  EXPECT_EQ(llGetImageListField(n + 1, 1), 0);

  llCloseLibrary(n);
  EXPECT_EQ(llGetUseCount(n), 1);
  EXPECT_TRUE(Loaded(lower));
  llCloseLibrary(n);
  EXPECT_EQ(llGetUseCount(n), 0);
  EXPECT_EQ(g_events, (Events{"open TORVEKAN.DLL", "close "}));
  EXPECT_FALSE(Loaded(lower));
  EXPECT_EQ(LibraryList.OpenCount, 0);
  EXPECT_TRUE(box.boxes().empty());

  // Numbers outside the list and closed slots reach nothing.
  for (int bad : {0, -1, 65, n}) {
    llCloseLibrary(bad);
    EXPECT_EQ(llFreeLibrary(bad), 0);
    EXPECT_EQ(llGetUseCount(bad), 0);
    EXPECT_EQ(llGetImageList(bad), nullptr);
    EXPECT_EQ(llPaintExample(bad, 1, nullptr, nullptr), 0);
  }
  EXPECT_EQ(llOpenLibrary(nullptr), 0);
  EXPECT_EQ(g_events.size(), 2u);
}

TEST_F(ImageLibrary, LibrariesThatCannotServeAreNotOpened) {
  const std::string novis = Plugin("testnovis.iml"), absent = Plugin("absent.iml"),
                    picky = Plugin("testpicky.iml");
  EXPECT_EQ(llOpenLibrary(novis.c_str()), 0);
  EXPECT_EQ(llOpenLibrary(absent.c_str()), 0);
  EXPECT_EQ(llOpenLibrary(picky.c_str()), 0);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"Library is bad - " + novis,
                                               "Library not found - " + absent,
                                               "File not found - TORVEKAN.DLL"}));
  EXPECT_EQ(g_events, Events{"open TORVEKAN.DLL"});
  EXPECT_FALSE(Loaded(novis));
  EXPECT_FALSE(Loaded(picky));
  EXPECT_EQ(llGetUseCount(1), 0);
  EXPECT_EQ(LibraryList.OpenCount, 0);

  // Its images, drawn without their library: black lines of thickness 260.
  Poly road({{{10, 60}, {150, 60}}});
  PaintDibLibraryImage(nullptr, road.get(), Record(0, 1, {10000, 0xFF}).data(), 1.0f);
  EXPECT_EQ(Pixel(80, 60), 0u);
  EXPECT_EQ(CountOther(dibtest::kWhite), 141);
  Poly wide({{{10, 90}, {150, 90}}});
  PaintDibLibraryImage(nullptr, wide.get(), Record(0, 1, {10000, 0xFF}).data(), 2.0f);
  EXPECT_EQ(CountOther(dibtest::kWhite), 141 * 3);

  // Asked again with the host's name in the shell folder, the picky one
  // accepts.
  g_events.clear();
  PathShellSet("/opt/host/host.exe");
  const int n = llOpenLibrary(picky.c_str());
  EXPECT_EQ(n, 1);
  EXPECT_EQ(g_events, (Events{"open TORVEKAN.DLL", "open /opt/host/TORVEKAN.DLL"}));
  EXPECT_EQ(box.boxes().size(), 3u);
}

TEST_F(ImageLibrary, AFullListTakesNoMoreLibraries) {
  mctest::ScratchDir dir{MC_TEST_TMP};
  std::vector<std::string> names;
  for (int i = 0; i <= LIBRARY_SLOTS; ++i) {
    names.push_back(dir / ("lib" + std::to_string(i) + ".iml"));
    ASSERT_EQ(symlink(Plugin("testimg.iml").c_str(), names.back().c_str()), 0);
  }
  for (int i = 0; i < LIBRARY_SLOTS; ++i) ASSERT_EQ(llOpenLibrary(names[i].c_str()), i + 1);
  EXPECT_EQ(llOpenLibrary(names[LIBRARY_SLOTS].c_str()), 0);
  EXPECT_TRUE(box.boxes().empty());
  EXPECT_EQ(LibraryList.OpenCount, LIBRARY_SLOTS);
  // A name already open still gains a use.
  EXPECT_EQ(llOpenLibrary(names[5].c_str()), 6);
  EXPECT_EQ(llGetUseCount(6), 2);
  llFreeLibrary(6);
  EXPECT_EQ(llOpenLibrary(names[LIBRARY_SLOTS].c_str()), 6);
}

TEST_F(ImageLibrary, ImagesPaintTestAndMeasureThroughTheirLibrary) {
  const int n = llOpenLibrary(Plugin("testimg.iml").c_str());
  ASSERT_EQ(n, 1);
  const COLORREF table[4] = {0, 0, 0, 0x00C08040};
  SetDibPalette(table, 4);
  // A red square of 10 mm (30 pixels at 3000 pixels per metre), painted by
  // the library through the host.
  const std::vector<char> square = Record(n, 1, {10000, 0x0000FF});
  Poly at({{{40, 40}}});
  DibPainterTable[DIB_FULLCOLOUR][PRIM_LIBRARY](nullptr, at.get(), square.data(), 1.0f);
  EXPECT_EQ(Pixel(40, 40), 0xFF0000u);
  EXPECT_EQ(Pixel(40, 25), 0u);  // its outline
  EXPECT_EQ(Pixel(40, 57), dibtest::kWhite);
  // Crosses every 10 steps, written into the memory image by the library.
  Poly road({{{10, 100}, {60, 100}}});
  PaintDibLibraryImage(nullptr, road.get(), Record(n, 2, {0xF0000003}).data(), 1.0f);
  for (int x = 10; x <= 60; x += 10) EXPECT_EQ(Pixel(x, 97), 0x4080C0u) << x;
  EXPECT_EQ(Pixel(15, 97), dibtest::kWhite);

  // Visibility by the library's own test.
  SetTestWindow(8, 8);
  Poly near({{{4, 4}}}), far({{{70, 70}}});
  EXPECT_EQ(VisibilityTestTable[PRIM_LIBRARY](nullptr, near.get(), square.data(), 1.0f), 1);
  EXPECT_EQ(TestLibraryImage(nullptr, far.get(), square.data(), 1.0f), 0);

  // Sizes: the border 5 left, 7 above, 20 right, 30 below.
  IMAGESIZE size{};
  EXPECT_EQ(llGetImageSize(square.data(), &size), 1);
  EXPECT_EQ(size.Left, 5);
  EXPECT_EQ(size.Top, 7);
  EXPECT_EQ(size.Width, 25);
  EXPECT_EQ(size.Height, 37);
  EXPECT_EQ(llGetImageSize(Record(0, 1, {}).data(), &size), 0);
  EXPECT_EQ(size.Width, 0);
  EXPECT_EQ(llGetImageSize(square.data(), nullptr), 0);
  // The classifier measures and opens through the list.
  const RSCIMAGELIBRARY* services = rscImageLibraryServices();
  ASSERT_NE(services, nullptr);
  EXPECT_EQ(services->ImageSize, &llGetImageSize);
  EXPECT_EQ(services->Open, &llOpenLibrary);
  // The border of image 2 is the host's border of its points.
  const IMGCONTEXT c = PaintImageContext(nullptr, 1.0f, IMGCONTEXT_DIB);
  FRAME f{};
  EXPECT_EQ(llGetImageBorder(n, 2, road.get(), square.data() + 16, &c, &f), 1);
  EXPECT_EQ(f.X1, 10);
  EXPECT_EQ(f.X2, 60);
  EXPECT_EQ(f.Y2, 100);
  // The exported form, with the parameters as a drawing record's address,
  // answers the same; no slot 0 is asked.
  IMGCONTEXT host = c;
  FRAME g{};
  auto* parm = reinterpret_cast<IMGDRAW*>(const_cast<char*>(square.data() + 16));
  EXPECT_EQ(llGetImageBorder(n, LONG(2), road.get(), parm, &host, &g), 1);
  EXPECT_EQ(0, std::memcmp(&f, &g, sizeof f));
  EXPECT_EQ(llGetImageBorder(0, LONG(2), road.get(), parm, &host, &g), 0);

  // A legend sample without a document: in the middle of the image.
  Clear(dibtest::kWhite);
  PaintLibraryExample(nullptr, square.data(), 1.0f);
  EXPECT_EQ(Pixel(80, 60), 0xFF0000u);
  EXPECT_EQ(CountOther(dibtest::kWhite), 31 * 31);

  // On a device: the document's DC, its colours.
  Canvas canvas(160, 120);
  TPaintMetric doc;
  doc.SetPaintDevice(canvas.dc);
  doc.SetPaintSize(160, 120);
  const COLORREF any = 0;
  doc.SetPaintPalette(1, &any, 100);
  DevicePainterTable[0][PRIM_LIBRARY](&doc, at.get(), square.data(), 1.0f);
  EXPECT_EQ(plat::gdi::GetPixelColor(canvas.dc, 40, 40), 0x0000FFu);
  DevicePainterTable[0][PRIM_LIBRARY](&doc, at.get(), nullptr, 1.0f);
}

TEST_F(ImageLibrary, APluginPaintingItselfIsCutOff) {
  const int n = llOpenLibrary(Plugin("testimg.iml").c_str());
  ASSERT_EQ(n, 1);
  Poly road({{{10, 60}, {150, 60}}});
  PaintDibLibraryImage(nullptr, road.get(), Record(n, 4, {DWORD(n)}).data(), 1.0f);
  // The deepest call draws the line that stands for an image.
  EXPECT_EQ(Pixel(80, 60), 0u);
  EXPECT_EQ(CountOther(dibtest::kWhite), 141);
}

TEST_F(ImageLibrary, HostFunctions) {
  Poly line({{{0, 20}, {159, 20}}});
  const std::vector<char> red = Words({0x0000FF, 0});
  Canvas canvas(160, 120);
  IMGCONTEXT c = PaintImageContext(nullptr, 1.0f, IMGCONTEXT_DIB);
  EXPECT_EQ(imgPaintImage(line.get(), 127, red.data(), &c), 0);
  EXPECT_EQ(imgPaintImage(line.get(), 256, red.data(), &c), 0);
  EXPECT_EQ(imgPaintImage(nullptr, PRIM_LINE, red.data(), &c), 0);
  EXPECT_EQ(imgPaintImage(line.get(), PRIM_LINE, nullptr, &c), 0);
  EXPECT_EQ(imgPaintImage(line.get(), PRIM_LINE, red.data(), nullptr), 0);
  EXPECT_EQ(CountOther(dibtest::kWhite), 0);
  // A device context of kind 1 paints into the memory image.
  c.Dc = canvas.dc;
  EXPECT_EQ(imgPaintImage(line.get(), PRIM_LINE, red.data(), &c), 1);
  EXPECT_EQ(CountOther(dibtest::kWhite), 160);
  EXPECT_EQ(Pixel(5, 20), 0xFF0000u);
  EXPECT_EQ(canvas.Count(0x0000FF, 160, 120), 0);
  // Kind 3 with a DC paints on the device of its document.
  TPaintMetric doc;
  doc.SetPaintDevice(canvas.dc);
  doc.SetPaintSize(160, 120);
  IMGCONTEXT d = DeviceImageContext(&doc, 1.0f);
  EXPECT_EQ(d.Kind, IMGCONTEXT_DEVICE);
  EXPECT_EQ(imgPaintImage(line.get(), PRIM_LINE, red.data(), &d), 1);
  EXPECT_EQ(canvas.Count(0x0000FF, 160, 120), 160);

  const COLORREF table[4] = {0, 0, 0, 0x00112233};
  SetDibPalette(table, 4);
  EXPECT_EQ(imgGetTrueColorByColor(0, 0xF0000003), PaintContext.ColorsB[3]);
  EXPECT_EQ(imgGetTrueColorByColor(0, 0xF0000003), 0x00332211u);
  EXPECT_EQ(imgGetTrueColorByColor(0, 0x00FF00), 0x00FF00u);

  DIBDESCRIBE dib{};
  EXPECT_EQ(imgGetDibDescribe(nullptr), 0);
  EXPECT_EQ(imgGetDibDescribe(&dib), 1);
  EXPECT_EQ(dib.Top, PaintContext.PictureTop);
  EXPECT_EQ(dib.Width, PaintContext.Stride / 4);
  EXPECT_EQ(dib.Height, PaintContext.PictureHeight);
  EXPECT_EQ(dib.BitsPerPixel, 32);
  EXPECT_EQ(dib.BytesPerPixel, 4);
  EXPECT_EQ(dib.RowBytes, PaintContext.Stride);

  // Steps along the raster line, a count of 2^31 - 1 answered at once.
  POINT p{};
  const IMGSEGMENT flat{0, 0, 10, 3}, steep{5, 5, 2, -20};
  EXPECT_EQ(imgFindPointOnLine(&p, &flat, 5), &p);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 1);  // floor(5 x 4 / 11)
  imgFindPointOnLine(&p, &flat, 0x7FFFFFFF);
  EXPECT_EQ(p.x, 0x7FFFFFFF);
  EXPECT_EQ(p.y, 780903144);
  imgFindPointOnLine(&p, &steep, 13);
  EXPECT_EQ(p.x, 3);  // 5 - floor(13 x 4 / 26)
  EXPECT_EQ(p.y, -8);
  EXPECT_EQ(imgFindPointOnLine(nullptr, &flat, 3), nullptr);
  EXPECT_EQ(imgFindPointOnLine(&p, nullptr, 3), &p);

  SetTestWindow(8, 8);
  Poly through({{{-20, 4}, {30, 4}}}), beside({{{-20, 40}, {30, 40}}});
  EXPECT_EQ(imgTestVisible(through.get(), PRIM_LINE, red.data(), &c), 1);
  EXPECT_EQ(imgTestVisible(beside.get(), PRIM_LINE, red.data(), &c), 0);
  EXPECT_EQ(imgTestVisible(through.get(), 100, red.data(), &c), 0);

  FRAME f{100, 100, 100, 100};
  EXPECT_EQ(imgPrepareBorder(through.get(), PRIM_LINE, red.data(), &c, &f), 1);
  EXPECT_EQ(f.X1, -20);
  EXPECT_EQ(f.Y1, 4);
  EXPECT_EQ(f.X2, 100);
  EXPECT_EQ(imgPrepareBorder(through.get(), PRIM_LINE, red.data(), &c, nullptr), 0);
  EXPECT_EQ(imgPrepareBorder(through.get(), 300, red.data(), &c, &f), 0);
}

// --- The border table ---

class Borders : public ::testing::Test {
 protected:
  int Border(int code, Poly& p, const std::vector<char>& parm) {
    return BorderPrimitiveTable[code](p.get(), parm.data(), &c, &f);
  }
  IMGCONTEXT c = [] {
    IMGCONTEXT x{};
    x.PixelsPerMicronX = x.PixelsPerMicronY = 0.01;
    return x;
  }();
  FRAME f{50, 50, 50, 50};
};

TEST_F(Borders, PointsSquaresSetsAndLinesWithSigns) {
  Poly two({{{10, 20}, {30, 25}}, {{40, 5}}});
  EXPECT_EQ(Border(PRIM_LINE, two, Words({0, 250})), 1);
  EXPECT_EQ(f.X1, 10);
  EXPECT_EQ(f.Y1, 5);
  EXPECT_EQ(f.X2, 50);
  EXPECT_EQ(f.Y2, 50);
  // A bitmap sign: a square of word 1 x p around the first point.
  f = FRAME{60, 60, 60, 60};
  EXPECT_EQ(Border(PRIM_BITMAP32, two, Words({0, 1000})), 1);
  EXPECT_EQ(f.X1, 0);
  EXPECT_EQ(f.Y1, 10);
  EXPECT_EQ(f.X2, 60);
  // A set of a line and a layered sign (word 2).
  f = FRAME{60, 60, 60, 60};
  const std::vector<char> set =
      dibtest::Draw({{PRIM_LINE, Words({0, 250})}, {PRIM_BITMAP, Words({20, 0, 2000, 0, 0})}});
  EXPECT_EQ(Border(PRIM_SET, two, set), 1);
  EXPECT_EQ(f.X1, -10);
  EXPECT_EQ(f.Y1, 0);
  // A line with a start sign and an end sign: the start sign on the first
  // segment of each part of two or more points, the end sign at its last.
  std::vector<char> sign = Words({0, 500});
  sign.resize(144);
  std::vector<char> signs = Words({208, 0, 0, 0, 0, 0, 0, 0});
  for (const auto& [code, words] : std::vector<std::pair<WORD, std::vector<char>>>{
           {PRIM_LINE, Words({0, 0})}, {PRIM_BITMAP32, sign}, {PRIM_CIRCLE, {}}}) {
    const WORD head[2] = {WORD(4 + words.size()), code};
    signs.insert(signs.end(), reinterpret_cast<const char*>(head),
                 reinterpret_cast<const char*>(head) + 4);
    signs.insert(signs.end(), words.begin(), words.end());
  }
  signs.resize(208, 0);
  f = FRAME{60, 60, 60, 60};
  EXPECT_EQ(Border(PRIM_DECORATED, two, signs), 1);
  EXPECT_EQ(f.X1, 5);  // 10 - 5 around the first point
  EXPECT_EQ(f.Y1, 5);
  // Damaged polylines and missing arguments.
  Poly bad({{{1, 1}}});
  bad.counts[0] = -1;
  EXPECT_EQ(Border(PRIM_LINE, bad, Words({0})), 0);
  EXPECT_EQ(BorderPrimitiveTable[PRIM_LINE](nullptr, nullptr, &c, &f), 0);
  EXPECT_EQ(BorderPrimitiveTable[PRIM_BITMAP32](two.get(), nullptr, &c, &f), 0);
  EXPECT_EQ(PrepareBorderDefault(two.get(), 256, nullptr, &f), 0);
}

// --- A picture ---

TEST_F(ImageLibrary, Picture) {
  const int n = llOpenLibrary(Plugin("testimg.iml").c_str());
  ASSERT_EQ(n, 1);
  Open(320, 200);
  Poly road({{{10, 180}, {80, 120}, {160, 170}, {240, 110}, {310, 150}}});
  PaintDibLibraryImage(nullptr, road.get(), Record(n, 2, {0x008000}).data(), 1.0f);
  Poly places({{{60, 40}}, {{140, 60}}, {{220, 40}}});
  PaintDibLibraryImage(nullptr, places.get(), Record(n, 1, {8000, 0x0080FF}).data(), 1.0f);
  PaintDibLibraryImage(nullptr, places.get(), Record(n, 1, {2000, 0xFF0000}).data(), 2.0f);
  Poly lost({{{20, 80}, {300, 80}}});
  PaintDibLibraryImage(nullptr, lost.get(), Record(0, 1, {8000, 0x0080FF}).data(), 1.0f);
  EXPECT_EQ(Pixel(60, 40), 0x0000FFu);    // the small blue square over the orange one
  EXPECT_EQ(Pixel(60 + 10, 40), 0xFF8000u);
  EXPECT_EQ(Pixel(80, 120 - 3), 0x008000u);  // a cross
  EXPECT_EQ(Pixel(150, 80), 0u);             // an image without its library
  const std::string path = std::string(MC_TEST_TMP) + "/imagelibrary_picture.png";
  EXPECT_TRUE(plat::gdi::WritePng(PaintContext.MemoryDc, path.c_str()));
}

}  // namespace
