// The user maps of a document through the loaded library: every function
// refusing null, freed and foreign handles, the chain's facts and flags,
// passport records (never made over a file an open document holds), the
// builders and their templates, and a user map built from a template
// painted into a PNG.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "api/mapapi.h"
#include "support/apilibrary.h"
#include "support/apimaps.h"
#include "support/docmap.h"

namespace {

constexpr DWORD kTitle = 100600;  // a title kind added to the image classifier
constexpr double kDegree = std::numbers::pi / 180;

class SiteApi : public apitest::LibraryFolderTest {
 protected:
  void SetUp() override {
    LibraryFolderTest::SetUp();
    if (HasFatalFailure()) return;
    rsc = Path("map.rsc");
    ASSERT_TRUE(doctest::WriteImageClassifier(rsc));
    const HRSC r = FN(mapOpenRsc)(rsc.c_str());
    ASSERT_NE(r, 0);
    RSCOBJECT title{};
    title.Length = sizeof title;
    title.Excode = kTitle;
    title.Local = LOCAL_TITLE;
    std::strcpy(title.Name, "Label");
    ASSERT_GT(FN(mapAppendRscObject)(r, &title), 0);
    ASSERT_EQ(FN(mapCommitRsc)(r), 1);
    FN(mapCloseRsc)(r);
    apitest::NewSheetMap made("DOC", doctest::kSheetX, doctest::kSheetY, doctest::kSheetSide);
    made.map.MapType = MAPTYPE_TOPOGRAPHIC;  // Gauss-Krueger on Krasovsky, zone 7
    made.map.MaterialProjection = PRJ_GAUSSKRUGER;
    made.map.EllipsoideKind = ELLIPSOID_KRASOVSKY;
    made.map.AxisMeridian = 39 * kDegree;
    h = FN(mapCreateMapEx)(Path("map.map").c_str(), rsc.c_str(), &made.map, &made.sheet);
    ASSERT_NE(h, 0);
    CREATESITE create{};
    create.Length = sizeof create;
    std::strcpy(create.MapName, "Margin");
    create.Scale = 100000;
    site = FN(mapCreateAndAppendSite)(h, Path("u.sit").c_str(), rsc.c_str(), &create);
    ASSERT_NE(site, 0);
  }
  void TearDown() override {
    if (h != 0) FN(mapCloseData)(h);
    LibraryFolderTest::TearDown();
  }
  // Writes a template file.
  std::string Template(const char* name, const std::string& text) {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }
  // The objects of the user map's sheet 1, each as (local, text).
  struct Found {
    LONG local;
    LONG excode;
    std::string text;
    LONG points;
  };
  std::vector<Found> Objects() {
    std::vector<Found> found;
    const HOBJ o = FN(mapCreateSiteObject)(h, site, 0, 0);
    for (LONG n = 1; n <= FN(mapGetSiteObjectCount)(h, site); ++n) {
      if (FN(mapReadObjectByNumber)(h, site, o, 1, n) != o) continue;
      char text[300] = {};
      FN(mapGetText)(o, text, sizeof text, 0);
      found.push_back(
          {FN(mapObjectLocal)(o), FN(mapObjectExcode)(o), text, FN(mapPointCount)(o, 0)});
    }
    FN(mapFreeObject)(o);
    return found;
  }
  // A frame from latitude b1 to b2 and longitude l1 to l2 (degrees), its
  // sides at the middle latitude and longitude.
  DFRAME GeoFrame(double b1, double b2, double l1, double l2) {
    auto plane = [&](double b, double l) {
      b *= kDegree, l *= kDegree;
      EXPECT_EQ(FN(mapGeoToPlane)(h, &b, &l), 1);
      return DOUBLEPOINT{b, l};
    };
    const double bm = (b1 + b2) / 2, lm = (l1 + l2) / 2;
    return DFRAME{plane(b1, lm).X, plane(bm, l1).Y, plane(b2, lm).X, plane(bm, l2).Y};
  }

  std::string rsc;
  HMAP h = 0;
  HSITE site = 0;
};

TEST_F(SiteApi, EveryFunctionRefusesNullFreedAndForeignHandles) {
  std::vector<apitest::DeclaredFunction> functions;
  for (const char* header : {"site_api.h", "sitebuild_api.h", "legend_api.h"})
    for (const auto& f :
         apitest::DeclaredFunctions(std::string(MC_SOURCE_DIR "/api/") + header, "HMAP"))
      functions.push_back(f);
  EXPECT_GE(functions.size(), size_t(68));
  apitest::NewSheetMap made("FREED", 0, 0, 1000);
  const HMAP freed =
      FN(mapCreateMapEx)(Path("freed.map").c_str(), rsc.c_str(), &made.map, &made.sheet);
  ASSERT_NE(freed, 0);
  FN(mapCloseData)(freed);
  std::vector<uint64_t> foreign(4096, 0x5A5A5A5A5A5A5A5Aull);
  CallWithHandles(functions, {0, freed, reinterpret_cast<intptr_t>(foreign.data())},
                  [](const apitest::DeclaredFunction& f, const Answer& a) { ExpectRefusal(f, a); });
  // The functions of an object and a site refuse sites of no document.
  const HOBJ o = FN(mapCreateSiteObject)(h, site, 0, 0);
  ASSERT_NE(o, 0);
  EXPECT_EQ(FN(mapSetObjectMap)(o, reinterpret_cast<HSITE>(foreign.data())), 0);
  EXPECT_EQ(FN(mapSetObjectMap)(o, 0), 0);
  EXPECT_EQ(FN(mapSetObjectMap)(0, site), 0);
  EXPECT_EQ(FN(mapChangeObjectMap)(o, h, reinterpret_cast<HSITE>(foreign.data())), 0);
  EXPECT_EQ(FN(mapSetObjectMap)(o, site), 1);
  EXPECT_EQ(FN(mapChangeObjectMap)(o, h, 0), 1);
  FN(mapFreeObject)(o);
  EXPECT_EQ(FN(mapSetSiteContext)(1, 2), 0);
  EXPECT_EQ(FN(mapDeleteSiteByName)(nullptr), 0);
  EXPECT_EQ(FN(mapPreSscanf)(nullptr, 4, 0), 0);
  EXPECT_EQ(FN(mapPostSscanf)(nullptr, 4, 0), 0);
}

TEST_F(SiteApi, ChainFactsAndFlags) {
  EXPECT_EQ(FN(mapGetSiteCount)(h), 1);
  EXPECT_EQ(FN(mapGetSiteIdent)(h, 1), site);
  EXPECT_EQ(FN(mapGetSiteIdent)(h, 0), HSITE(h));
  EXPECT_EQ(FN(mapGetSiteIdent)(h, 2), 0);
  EXPECT_EQ(FN(mapGetSiteNumber)(h, site), 1);
  EXPECT_EQ(FN(mapGetSiteIdentByName)(h, Path("map.map").c_str()), 0);  // the main map
  EXPECT_EQ(FN(mapGetSiteIdentByName)(h, Path("U.SIT").c_str()), site);
  EXPECT_STREQ(FN(mapGetSiteName)(h, site), "Margin");
  EXPECT_STREQ(FN(mapGetSiteFileName)(h, site), Path("u.sit").c_str());
  EXPECT_EQ(FN(mapGetSiteScale)(h, site), 100000);
  // Layers: hSite 0 is not the main map here, hMap itself is.
  EXPECT_EQ(FN(mapGetSiteLayerCount)(h, 0), 0);
  EXPECT_GT(FN(mapGetSiteLayerCount)(h, HSITE(h)), 0);
  EXPECT_GT(FN(mapSiteRscObjectCode)(h, site, kTitle, LOCAL_TITLE), 0);
  EXPECT_EQ(FN(mapSiteRscObjectCode)(h, site, kTitle, LOCAL_LINE), 0);

  EXPECT_EQ(FN(mapGetSiteViewOrder)(h, 0), 0);
  EXPECT_EQ(FN(mapSetSiteViewOrder)(h, 1, 5), 1);
  EXPECT_EQ(FN(mapGetSiteViewOrder)(h, 1), 1);
  EXPECT_EQ(FN(mapSetSiteViewOrder)(h, 2, 1), -1);
  LONG bottom = 0, top = 0;
  EXPECT_EQ(FN(mapSetSiteRangeScaleVisible)(h, 1, 5, 4), 0);
  EXPECT_EQ(FN(mapSetSiteRangeScaleVisible)(h, 1, 1000, 200000), 1);
  EXPECT_EQ(FN(mapGetSiteRangeScaleVisible)(h, 1, &bottom, &top), 1);
  EXPECT_EQ(bottom, 1000);
  EXPECT_EQ(top, 200000);
  EXPECT_EQ(FN(mapGetSiteRangeScaleVisible)(h, 1, nullptr, &top), 0);
  EXPECT_EQ(FN(mapSetSiteEditFlag)(h, site, 0), 0);
  EXPECT_EQ(FN(mapGetSiteEditFlag)(h, site), 0);
  EXPECT_EQ(FN(mapSetSiteViewFlag)(h, site, 1), 1);

  MAPREGISTEREX reg;
  std::memset(&reg, 0x77, sizeof reg);
  LISTREGISTER sheet{};
  ASSERT_EQ(FN(mapGetSiteInfo)(h, site, &reg, &sheet), 1);
  EXPECT_EQ(reg.Length, 128);
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(&reg)[128], 0x77);  // the rest untouched
  EXPECT_EQ(FN(mapGetMapPassportRecordLength)(h, site), 760);

  EXPECT_EQ(FN(mapMessageToLog)(h, site, nullptr, 0), 0);
  const HSELECT select = FN(mapCreateSiteSelectContext)(h, site);
  ASSERT_NE(select, 0);
  EXPECT_EQ(FN(mapGetSiteSeekSelect)(h, site, select), 1);
  EXPECT_EQ(FN(mapSetSiteViewSelect)(h, site, select), 1);
  FN(mapDeleteSelectContext)(select);
  EXPECT_EQ(FN(mapCloseSiteForMapByName)(h, Path("none.sit").c_str()), 0);
  EXPECT_EQ(FN(mapCloseSiteForMapByName)(h, Path("u.sit").c_str()), 1);
  EXPECT_EQ(FN(mapGetSiteNumber)(h, site), 0);
  EXPECT_EQ(FN(mapCloseSiteForMap)(h, site), 0);  // closed already
}

TEST_F(SiteApi, PassportRecordMakesAMapOfTheSameRegisters) {
  std::vector<char> record(800, 0);
  EXPECT_EQ(FN(mapGetMapPassportRecord)(h, site, record.data(), 759), 0);
  ASSERT_EQ(FN(mapGetMapPassportRecord)(h, site, record.data(), 800), 1);
  EXPECT_EQ(0, std::memcmp(record.data(), "LSR\0\xF8\x02\0\0", 8));
  const std::string name = Path("new.sit");
  EXPECT_EQ(FN(mapPutMapPassportRecord)(h, name.c_str(), rsc.c_str(), record.data(), 759), 0);
  std::vector<char> lying = record;
  lying[0] = 'X';
  EXPECT_EQ(FN(mapPutMapPassportRecord)(h, name.c_str(), rsc.c_str(), lying.data(), 760), 0);
  lying = record;
  lying[216] = 1;  // the sheet's own length
  EXPECT_EQ(FN(mapPutMapPassportRecord)(h, name.c_str(), rsc.c_str(), lying.data(), 760), 0);
  lying = record;
  lying[8] = 1;  // the map's own length
  EXPECT_EQ(FN(mapPutMapPassportRecord)(h, name.c_str(), rsc.c_str(), lying.data(), 760), 0);
  EXPECT_FALSE(std::ifstream(name).good());
  EXPECT_EQ(FN(mapGetSiteCount)(h), 1);

  const HSITE made = FN(mapPutMapPassportRecord)(h, name.c_str(), rsc.c_str(), record.data(), 760);
  ASSERT_NE(made, 0);
  EXPECT_EQ(FN(mapGetSiteNumber)(h, made), 2);
  std::vector<char> again(760);
  ASSERT_EQ(FN(mapGetMapPassportRecord)(h, made, again.data(), 760), 1);
  MAPPASSPORTRECORD a, b;
  std::memcpy(&a, record.data(), 760);
  std::memcpy(&b, again.data(), 760);
  EXPECT_STREQ(a.Map.Name, b.Map.Name);
  EXPECT_EQ(a.Map.Scale, b.Map.Scale);
  EXPECT_EQ(a.Map.MapType, b.Map.MapType);
  EXPECT_EQ(a.Map.AxisMeridian, b.Map.AxisMeridian);
  EXPECT_EQ(a.Sheet.XSouthWest, b.Sheet.XSouthWest);
  EXPECT_EQ(a.Sheet.YNorthEast, b.Sheet.YNorthEast);
  // A copy under a new name opens with the same objects and is deleted
  // with its files.
  ASSERT_EQ(FN(mapCreateLineSite)(h, made, doctest::KIND_ROAD, 6001000, 7401000, 6002000, 7402000,
                                  0.0, nullptr),
            1);
  ASSERT_EQ(FN(mapCopySite)(h, made, "copy.sit"), 1);
  const HSITE copy = FN(mapOpenSiteForMap)(h, Path("copy.sit").c_str(), 0);
  ASSERT_NE(copy, 0);
  EXPECT_EQ(FN(mapGetSiteObjectCount)(h, copy), 1);
  EXPECT_EQ(FN(mapDeleteSite)(h, FN(mapGetSiteNumber)(h, copy)), 1);
  EXPECT_FALSE(std::ifstream(Path("copy.sit")).good());
  EXPECT_EQ(FN(mapGetSiteCount)(h), 2);
}

// A passport record is never made into a map over a file that an open
// document holds: the main map's own file (which kept its objects), an open
// user map's (which kept its bytes), another document's, or any of them
// spelled otherwise; nothing is written, and the code is 60006.
TEST_F(SiteApi, PassportRecordOverAFileAnOpenDocumentHoldsWritesNothing) {
  for (int k = 0; k < 3; ++k) {
    const HOBJ o = FN(mapCreateObject)(h, 1, 0, 0);
    ASSERT_EQ(FN(mapRegisterObject)(o, doctest::KIND_WELL, LOCAL_POINT), 1);
    ASSERT_NE(FN(mapAppendPointPlane)(o, doctest::kSheetX + 100 * k, doctest::kSheetY, 0), 0);
    ASSERT_GT(FN(mapCommit)(o), 0);
    FN(mapFreeObject)(o);
  }
  std::vector<char> record(760);
  ASSERT_EQ(FN(mapGetMapPassportRecord)(h, site, record.data(), 760), 1);
  apitest::NewSheetMap made("OTHER", doctest::kSheetX, doctest::kSheetY, doctest::kSheetSide);
  const HMAP other = FN(mapCreateMapEx)(Path("other.map").c_str(), rsc.c_str(), &made.map,
                                        &made.sheet);
  ASSERT_NE(other, 0);
  auto bytes = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string map = bytes(Path("map.map")), user = bytes(Path("u.sit")),
                    second = bytes(Path("other.map"));
  ASSERT_FALSE(user.empty());
  std::filesystem::create_directory(Path("sub"));
  for (const std::string& name : {Path("map.map"), Path("u.sit"), Path("other.map"),
                                  Path("./u.sit"), Path("sub/../map.map")}) {
    EXPECT_EQ(FN(mapPutMapPassportRecord)(h, name.c_str(), rsc.c_str(), record.data(), 760), 0)
        << name;
    EXPECT_EQ(FN(mapPutMapPassportRecord)(0, name.c_str(), rsc.c_str(), record.data(), 760), 0)
        << name;
  }
  EXPECT_EQ(bytes(Path("map.map")), map);
  EXPECT_EQ(bytes(Path("u.sit")), user);
  EXPECT_EQ(bytes(Path("other.map")), second);
  EXPECT_EQ(FN(mapGetSiteCount)(h), 1);
  FN(mapCloseData)(other);
  FN(mapCloseData)(h);
  h = FN(mapOpenData)(Path("map.map").c_str(), 0);
  ASSERT_NE(h, 0);
  EXPECT_EQ(FN(mapGetSiteObjectCount)(h, h), 3);
}

TEST_F(SiteApi, ScansKeepByte255) {
  char text[] =
      "a\xFF"
      "b c\xFF";
  EXPECT_EQ(FN(mapPreSscanf)(text, 3, 0), 1);  // only the first three bytes
  EXPECT_STREQ(text, "a^b c\xFF");
  EXPECT_EQ(FN(mapPreSscanf)(text, 100, '#'), 1);
  EXPECT_STREQ(text, "a^b c#");
  EXPECT_EQ(FN(mapPostSscanf)(text, 100, 0), 1);
  EXPECT_STREQ(text,
               "a\xFF"
               "b c#");
  EXPECT_EQ(FN(mapPreSscanf)(text, 0, 0), 0);
}

TEST_F(SiteApi, TemplatesOpenWithAFrameLine) {
  DFRAME frame{6001000, 7401000, 6005000, 7405000};
  const std::string good = Template("good.txt", "FRAMEx anything\n.RSCLINE 100100 0 0 10 10\n");
  const std::string comment = Template("comment.txt", "/ FRAME\n.RSCLINE 100100 0 0 10 10\n");
  EXPECT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, comment.c_str(), &frame), 0);
  EXPECT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, Path("none.txt").c_str(), &frame), 0);
  EXPECT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, good.c_str(), nullptr), 0);
  EXPECT_EQ(FN(mapAddMarginalRepresentationSite)(h, 0, good.c_str(), &frame), 0);
  EXPECT_EQ(Objects().size(), 0u);
  EXPECT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, good.c_str(), &frame), 1);
  const std::vector<Found> found = Objects();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].local, LOCAL_LINE);
  EXPECT_EQ(found[0].points, 2);
}

TEST_F(SiteApi, TemplateStatementsBuildTheMargin) {
  // 1 mm on paper is 100 m on the ground.
  DFRAME frame{6001000, 7401000, 6005000, 7405000};
  const std::string text = Template("margin.txt",
                                    "FRAME\n"
                                    "\n"
                                    "/ a comment\n"
                                    ".RSCFRAME 0 2 100200 0\n"
                                    ".RSCTEXT 100600 4 5 -10 5 10 1 North~\n"
                                    ".RSCTEXT 100600 1 0 0 0 10 0 A~B\xFF\n"
                                    ".DIRECTION 100100 8 -5 0 10\n"
                                    ".DIRECTION 999 8 -5 0 10\n"
                                    ".UNKNOWN 1 2 3\n"
                                    ".RSCLINE 424242 0 0 10 10\n"
                                    ".GEOTEXT 100600 0.5 1\n");
  ASSERT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, text.c_str(), &frame), 1);
  const std::vector<Found> found = Objects();
  ASSERT_EQ(found.size(), 4u);
  // The frame fill alone: an area of the frame widened by 2 mm + 2 mm with
  // the frame as its hole.
  EXPECT_EQ(found[0].local, LOCAL_SQUARE);
  EXPECT_EQ(found[0].excode, LONG(doctest::KIND_LAKE));
  EXPECT_EQ(found[0].points, 5);
  EXPECT_EQ(found[1].local, LOCAL_TITLE);
  EXPECT_EQ(found[1].text, "North\r\n");  // a final '~' is a line break
  EXPECT_EQ(found[2].text, "A\r\n\xFF");  // the character after '~' becomes LF
  // The road exists as a line only: the arrow is a line eastward.
  EXPECT_EQ(found[3].local, LOCAL_LINE);
  EXPECT_EQ(found[3].excode, LONG(doctest::KIND_ROAD));
}

TEST_F(SiteApi, DegreeLabelsWhereParallelsCrossTheFrame) {
  const std::string text = Template("geo.txt", "FRAME\n.GEOTEXT 100600 1 2\n");
  // Half a degree of latitude around 55 and 5 degrees, a third of a degree
  // of longitude between whole degrees: only the parallel crosses, on the
  // west and the east side.
  for (const auto& [b, label] : {std::pair{55.0, "55\xDC"}, std::pair{5.0, "05\xDC"}}) {
    DFRAME frame = GeoFrame(b - 0.2, b + 0.3, 39.1, 39.4);
    const size_t before = Objects().size();
    ASSERT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, text.c_str(), &frame), 1);
    const std::vector<Found> found = Objects();
    ASSERT_EQ(found.size(), before + 2) << b;
    for (size_t k = before; k < found.size(); ++k) {
      EXPECT_EQ(found[k].text, label) << b;
      EXPECT_EQ(found[k].local, LOCAL_TITLE);
    }
  }
}

// A frame off the globe or a step beyond a full turn traces no degree
// lines (the trace would not end).
TEST_F(SiteApi, DegreeLabelsOfAnImpossibleFrameOrStepAreLeftOut) {
  const std::string text = Template("huge.txt", "FRAME\n.GEOTEXT 100600 1 2\n");
  for (DFRAME frame : {DFRAME{-1e13, -1e13, 1e13, 1e13}, DFRAME{0, 0, 1e9, 1e9}}) {
    ASSERT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, text.c_str(), &frame), 1);
    EXPECT_EQ(Objects().size(), 0u);
  }
  const std::string step = Template("step.txt", "FRAME\n.GEOTEXT 100600 1e6 2\n");
  DFRAME frame = GeoFrame(54.8, 55.3, 39.1, 39.4);
  ASSERT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, step.c_str(), &frame), 1);
  EXPECT_EQ(Objects().size(), 0u);
}

// The margin of a sheet built from a template and painted: the fill around
// the frame, the frame and an outer line, and a line across the corner.
TEST_F(SiteApi, AUserMapBuiltFromATemplatePaints) {
  const double x1 = doctest::kSheetX + 2000, y1 = doctest::kSheetY + 2000;
  DFRAME frame{x1, y1, x1 + 6000, y1 + 6000};
  const std::string text = Template("sheet.txt",
                                    "FRAME\n"
                                    ".RSCFRAME 100100 5 100200 100100\n"
                                    ".RSCLINE 100100 0 0 60 60\n");
  ASSERT_EQ(FN(mapAddMarginalRepresentationSite)(h, site, text.c_str(), &frame), 1);
  EXPECT_EQ(Objects().size(), 4u);
  double left = doctest::kSheetX + doctest::kSheetSide, top = doctest::kSheetY;
  double right = doctest::kSheetX, bottom = doctest::kSheetY + doctest::kSheetSide;
  FN(mapPlaneToPicture)(h, &left, &top);
  FN(mapPlaneToPicture)(h, &right, &bottom);
  RECT rect{LONG(left), LONG(top), LONG(right), LONG(bottom)};
  doctest::Picture p;
  p.width = rect.right - rect.left;
  p.height = rect.bottom - rect.top;
  ASSERT_GT(p.width, 100);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = p.width;
  info.biHeight = p.height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biSizeImage = DWORD(p.width * p.height * 4);
  std::vector<uint32_t> bits(size_t(p.width) * p.height);
  ASSERT_EQ(FN(mapPaintToDib)(h, &info, reinterpret_cast<char*>(bits.data()), &rect), 1);
  p.pixels.resize(bits.size());
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      p.pixels[size_t(y) * p.width + x] = bits[size_t(p.height - 1 - y) * p.width + x] & 0xFFFFFF;
  doctest::WritePng(p, std::string(MC_TEST_TMP) + "/site_template.png");
  // Picture point of a plane point of the sheet.
  auto at = [&](double x, double y) {
    FN(mapPlaneToPicture)(h, &x, &y);
    return p.At(int(x) - rect.left, int(y) - rect.top);
  };
  EXPECT_EQ(at(x1 - 600, y1 + 3000), 0x0000FFu);  // the fill beyond the outer line
  // The frame's inside is the fill's hole: the background, as outside.
  EXPECT_EQ(at(x1 + 3000, y1 + 1000), at(x1 - 1500, y1 - 1500));
  EXPECT_NE(at(x1 + 3000, y1 + 1000), 0x0000FFu);
  EXPECT_EQ(at(x1, y1 + 4000), 0xFF0000u);         // the frame line
  EXPECT_EQ(at(x1 + 3000, y1 + 3000), 0xFF0000u);  // the line across
}

}  // namespace
