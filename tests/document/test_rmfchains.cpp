// The document's chains of rasters and matrices: opening into a chain (a
// name already open gives its unit again), the checks a matrix passes
// against the map, the order of units, closing, relief shading, raster
// colour settings and the chains' part of the region.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "common/messages.h"
#include "document/docentries.h"
#include "document/mtl3d.h"
#include "document/mtr3d.h"
#include "document/rmfchains.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "support/docfixture.h"
#include "support/docmap.h"
#include "support/host_recorder.h"
#include "support/rmfbuild.h"
#include "support/rmffiles.h"
#include "support/scratch_dir.h"

namespace {

class RmfChains : public doctest::EmptyDocumentTest {
 protected:
  // A raster of 8 bits (or another depth) with a grey palette, 10 m
  // elements (scale 10000, precision 1000) at (x, y).
  std::string Raster(const char* file, int bits = 8, double x = 5000, double y = 2000) {
    const std::string path = dir / file;
    EXPECT_EQ(1, doctest::WriteRaster(path, 100, 50, bits, doctest::GreyPalette(), x, y));
    return path;
  }
  // An elevation matrix of 100 x 100 elements of 10 m at (x, y).
  std::string Matrix(const char* file, int type, double x = 5000, double y = 2000,
                     int scale = 50000) {
    const std::string path = dir / file;
    BUILDMTW b = rmftest::MatrixBuild(x, y, 1000, 1000, 10, 2, scale);
    b.MatrixType = type;
    // 1234 at (0, 0) and -50 at (1, 0).
    EXPECT_EQ(1, rmftest::WriteMatrix(path, b, 2, 1, [](int i, int) { return i ? -50 : 1234; },
                                      -50, 1234));
    return path;
  }
  // A quality matrix of 100 x 100 elements of 10 m at (5000, 2000), values
  // 0..3 in metres, with four colours.
  std::string Quality(const char* file) {
    const std::string path = dir / file;
    BUILDMTW b = doctest::MatrixParm(1000, 1000, 10, 2);
    MTRPROJECTIONDATA proj = rmftest::NoProjection();
    const COLORREF colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    TMtr m;
    EXPECT_EQ(1, m.CreateMtq(path.c_str(), &b, &proj, colours, 4));
    m.Head.Minimum = 0;
    m.Head.Maximum = 4;
    m.HeadChanged = 1;
    m.Save();
    return path;
  }
  // The border of a square in plane metres (a closed contour).
  static void SquareBorder(TDataEdit* plane, double x1, double y1, double x2, double y2) {
    plane->Init();
    ASSERT_TRUE(plane->Create(METRIC_F64, 0));
    const double points[5][2] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
    for (const auto& p : points) ASSERT_TRUE(plane->AppendPointSubject(0, p[0], p[1]));
  }
};

}  // namespace

TEST_F(RmfChains, ANameAlreadyOpenGivesItsUnitAgain) {
  const std::string a = Raster("a.rsw"), b = Raster("b.rsw");
  EXPECT_EQ(1, doc->OpenRst(a.c_str(), 0));
  EXPECT_EQ(2, doc->OpenRst(b.c_str(), 0));
  EXPECT_EQ(0, SetChainView(Rasters(), 1, 0));
  EXPECT_EQ(1, ChainViewOrder(Rasters(), 1, 1));
  EXPECT_EQ(1, doc->OpenRst(a.c_str(), 0));
  EXPECT_EQ(2, Rasters()->Count);
  EXPECT_EQ(0, CheckChainView(Rasters(), 1));  // view and order kept
  EXPECT_EQ(1, ChainViewOrder(Rasters(), 1, -1));
  std::string upper = b;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(2, GetChainNumberByName(Rasters(), upper.c_str()));
  EXPECT_EQ(-1, CheckChainView(Rasters(), 3));
  EXPECT_STREQ("", GetChainName(Rasters(), 3));
}

TEST_F(RmfChains, AFileThatIsNotOfItsKindIsReported) {
  const std::string junk = dir / "junk.rsw";
  {
    TMtr m;  // a matrix is no raster, and a raster no matrix
    BUILDMTW b = rmftest::MatrixBuild(0, 0, 100, 100, 10, 2, 0);
    ASSERT_EQ(1, m.Create(junk.c_str(), &b, nullptr, 0));
  }
  EXPECT_EQ(0, doc->OpenRst(junk.c_str(), 0));
  EXPECT_EQ(std::string(MapErrorText(MAPERR_OPEN, 1)) + junk, LastMessageText());
  EXPECT_EQ(0, doc->OpenMtq(junk.c_str(), 0));
  EXPECT_EQ(0, Rasters()->Count);
  EXPECT_EQ(1, doc->OpenMtr(junk.c_str(), 0));
}

TEST_F(RmfChains, TheTypeQuestionIsAskedOnlyWhenTypesDiffer) {
  const std::string two = Matrix("two.mtw", 2), one = Matrix("one.mtw", 0),
                    also = Matrix("also.mtw", 2);
  MessageEnableSet(1);
  mctest::RecordingMessageBox box(IDCANCEL);
  ASSERT_EQ(1, doc->OpenMtr(two.c_str(), 0));  // into an empty chain: never asked
  EXPECT_EQ(2, doc->OpenMtr(also.c_str(), 0));
  EXPECT_TRUE(box.boxes().empty());
  EXPECT_EQ(0, doc->OpenMtr(one.c_str(), 0));  // type 0 counts as 1: asked, refused
  ASSERT_EQ(1u, box.boxes().size());
  EXPECT_EQ("Open matrix", box.boxes()[0].caption);
  EXPECT_NE(std::string::npos, box.boxes()[0].text.find("Type of added matrix"));
  EXPECT_EQ(2, Matrices()->Count);
  // With messages off the matrix opens without a question.
  MessageEnableSet(0);
  EXPECT_EQ(3, doc->OpenMtr(one.c_str(), 0));
  EXPECT_EQ(1u, box.boxes().size());
  // Mixed types: a name already open is still found.
  EXPECT_EQ(3, doc->OpenMtr(one.c_str(), 0));
  EXPECT_EQ(3, Matrices()->Count);
}

TEST_F(RmfChains, AMatrixTouchingTheMapAtItsEdgeIsInTheRegion) {
  FreeDocument(doc);
  const std::string rsc = dir / "map.rsc";
  ASSERT_TRUE(doctest::WriteImageClassifier(rsc));
  doc = doctest::CreateDocument(dir / "map.map", rsc);
  ASSERT_NE(doc, nullptr);
  using doctest::kSheetSide;
  using doctest::kSheetX;
  using doctest::kSheetY;
  ASSERT_GT(doc->DeviceFrame[0] - doc->DeviceFrame[2], 16);
  // The map's frame in metres (its north-east corner), and a matrix north
  // of it whose south edge lies on the frame's north edge.
  const double north = doc->DeviceFrame[0] * doc->MeterPerDis + doc->PlaneX0;
  ASSERT_GT(north, kSheetX + kSheetSide - 1000);
  const std::string edge = Matrix("edge.mtw", 1, north, kSheetY);
  const std::string away = Matrix("away.mtw", 1, north + 1, kSheetY);
  MessageEnableSet(1);
  mctest::RecordingMessageBox box(IDCANCEL);
  auto asked = [&box] {
    for (const auto& b : box.boxes())
      if (b.text.find("out of region") != std::string::npos) return true;
    return false;
  };
  EXPECT_EQ(1, doc->OpenMtr(edge.c_str(), 0));
  EXPECT_FALSE(asked());
  EXPECT_EQ(0, doc->OpenMtr(away.c_str(), 0));
  EXPECT_TRUE(asked());
  EXPECT_EQ(1, Matrices()->Count);
}

TEST_F(RmfChains, UnitsChangeOrderAndClose) {
  const std::string a = Raster("a.rsw"), b = Raster("b.rsw"), c = Raster("c.rsw");
  for (const std::string* p : {&a, &b, &c}) ASSERT_NE(0, doc->OpenRst(p->c_str(), 0));
  auto names = [this] {
    std::string s;
    for (int n = 1; n <= Rasters()->Count; ++n) {
      const std::string name = GetChainName(Rasters(), n);
      s += name.substr(name.size() - 5, 1);
    }
    return s;
  };
  ASSERT_EQ("abc", names());
  EXPECT_EQ(1, ChangeChainOrder(Rasters(), 3, 1));
  EXPECT_EQ("cab", names());
  EXPECT_EQ(1, ChangeChainOrder(Rasters(), 1, 3));
  EXPECT_EQ("abc", names());
  EXPECT_EQ(0, ChangeChainOrder(Rasters(), 2, 2));
  EXPECT_EQ(0, ChangeChainOrder(Rasters(), 1, 4));
  EXPECT_EQ(3, Rasters()->Count);
  EXPECT_EQ(Rasters()->First, GetChainUnit(Rasters(), 2)->Previous);
  doc->CloseRst(5);
  EXPECT_EQ("abc", names());
  doc->CloseRst(2);
  EXPECT_EQ("ac", names());
  EXPECT_EQ(nullptr, GetChainUnit(Rasters(), 2)->Next);
  doc->CloseRst(0);
  EXPECT_EQ(0, Rasters()->Count);
  EXPECT_EQ(nullptr, Rasters()->First);
}

TEST_F(RmfChains, ReliefShadingKeepsZeroToSixteen) {
  for (const auto& [given, kept] : {std::pair{17, 4}, {-1, 4}, {0, 0}, {16, 16}, {9, 9}}) {
    EXPECT_EQ(kept, SetMtrShadow(doc, given)) << given;
    EXPECT_EQ(kept, GetMtrShadow(doc));
  }
  EXPECT_EQ(0, SetMtqShadow(doc, 1, 3));  // no quality matrix
}

TEST_F(RmfChains, ColourVisibilityAndInversionOfRasters) {
  const std::string one = Raster("one.rsw", 1), grey = Raster("grey.rsw", 8);
  ASSERT_EQ(1, doc->OpenRst(one.c_str(), 0));
  ASSERT_EQ(2, doc->OpenRst(grey.c_str(), 0));
  EXPECT_EQ(2, GetRstColorCount(doc, 1));
  EXPECT_EQ(-1, CheckVisibilityColor(doc, 1, 0));  // two colours: no visibility
  EXPECT_EQ(0, SetChainPaletteView(Rasters(), 2, 256, 0));
  EXPECT_EQ(1, CheckChainPaletteView(Rasters(), 2, 255));
  EXPECT_EQ(1, SetVisibilityColor(doc, 2, 7, 0));
  EXPECT_EQ(0, CheckVisibilityColor(doc, 2, 7));

  // A 1-bit raster: only the negative byte.
  TRst* r1 = GetChainUnit(Rasters(), 1)->Raster();
  const DWORD before[2] = {r1->PaletteWords[0], r1->PaletteWords[1]};
  EXPECT_EQ(1, InvertRst(doc, 1, 1));
  EXPECT_EQ(1, CheckInversionRst(doc, 1));
  EXPECT_EQ(before[0], r1->PaletteWords[0]);
  EXPECT_EQ(before[1], r1->PaletteWords[1]);

  // 256 colours: inverted once, however often the same state is asked.
  RMFCHAIN* unit = GetChainUnit(Rasters(), 2);
  EXPECT_EQ(0x030303u, unit->Raster()->PaletteWords[3]);
  EXPECT_EQ(1, InvertRst(doc, 2, 1));
  EXPECT_EQ(1, InvertRst(doc, 2, 1));
  EXPECT_EQ(0xFCFCFCu, unit->Raster()->PaletteWords[3]);
  EXPECT_EQ(0xFCFCFCu, unit->Colors.GetColor(3));
  EXPECT_EQ(1, InvertRst(doc, 2, 0));
  EXPECT_EQ(0x030303u, unit->Raster()->PaletteWords[3]);
  EXPECT_EQ(0, CheckInversionRst(doc, 2));
  EXPECT_EQ(-1, CheckInversionRst(doc, 3));
}

TEST_F(RmfChains, AMatrixAloneIsTheBaseOfTheRegion) {
  const std::string m = Matrix("m.mtw", 1, 5000, 2000, 50000);
  ASSERT_EQ(1, doc->OpenMtr(m.c_str(), 0));
  RMFCHAIN* unit = GetChainUnit(Matrices(), 1);
  EXPECT_EQ(50000, doc->BaseScale);
  EXPECT_EQ(5000.0, unit->Frame.X1);
  EXPECT_EQ(6000.0, unit->Frame.X2);
  EXPECT_EQ(3000.0, unit->Frame.Y2);
  EXPECT_DOUBLE_EQ(-50.0, unit->Minimum);  // height unit 0: metres
  EXPECT_EQ(5000.0, doc->PlaneX0);
  EXPECT_EQ(0.0, unit->ElementFrame.X1);
  EXPECT_EQ(100.0, unit->ElementFrame.X2);
  EXPECT_EQ(5000.0, unit->PictureFactor);
  EXPECT_DOUBLE_EQ(-50.0, doc->HeightMin);
  EXPECT_DOUBLE_EQ(1234.0, doc->HeightMax);
  EXPECT_EQ(1, GetChainNumberInPoint(Matrices(), 6000, 3000, 1));  // a corner, inside
  EXPECT_EQ(0, GetChainNumberInPoint(Matrices(), 6000.5, 3000, 1));
  MTRDESCRIBE d;
  ASSERT_EQ(1, GetChainDescribe(Matrices(), 1, &d));
  EXPECT_EQ(m, d.Name);
  EXPECT_EQ(1, d.MatrixType);
  doc->CloseMtr(0);
  EXPECT_EQ(1, doc->BaseScale);
}

TEST_F(RmfChains, FilesChangedByAnotherWriterAreOpenedAgain) {
  const std::string a = Raster("a.rsw");
  ASSERT_EQ(1, doc->OpenRst(a.c_str(), 0));
  ASSERT_EQ(0, SetChainView(Rasters(), 1, 0));
  EXPECT_EQ(0, doc->AdjustData());
  {
    TRst other(a.c_str(), 0);
    other.Head.LocationX = 7000;
    other.HeadChanged = 1;
    ASSERT_EQ(1, other.PutPoint(5, 3, 4));
    other.Close();
  }
  // A last-write time of its own, whatever the clock of the file system;
  // with `grow`, bytes appended first.
  const auto setTime = [&](bool grow) {
    HANDLE h = plat::CreateFileA(a.c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    if (grow) {
      ASSERT_TRUE(plat::WriteExactAt(h, plat::FileLength(h), "tail", 4));
    }
    const FILETIME t{0x12345678u, 0x01D00000u};
    ASSERT_TRUE(plat::SetFileTime(h, nullptr, nullptr, &t));
    plat::CloseHandle(h);
  };
  setTime(false);
  EXPECT_EQ(1, doc->AdjustData());
  RMFCHAIN* unit = GetChainUnit(Rasters(), 1);
  EXPECT_EQ(7000.0, unit->Frame.X1);
  EXPECT_EQ(0, unit->View);  // the document's view of it stays
  EXPECT_EQ(0, doc->AdjustData());

  // A writer that puts the last-write time back as it was is seen too: an
  // element rewritten in place is read again, and a file that changed its
  // size is opened again.
  // (Read twice: an element asked for alone is read alone, the second time
  // with its block, which a slot then holds.)
  LONG value = 0;
  for (int i = 0; i < 2; ++i) ASSERT_EQ(1, GetChainUnit(Rasters(), 1)->File->GetPoint(value, 3, 4));
  EXPECT_EQ(5, value);
  {
    TRst other(a.c_str(), 0);
    ASSERT_EQ(1, other.PutPoint(6, 3, 4));
  }
  setTime(false);
  doc->AdjustData();
  ASSERT_EQ(1, GetChainUnit(Rasters(), 1)->File->GetPoint(value, 3, 4));
  EXPECT_EQ(6, value);
  {
    TRst other(a.c_str(), 0);
    other.Head.LocationX = 8000;
    other.HeadChanged = 1;
  }
  setTime(true);
  EXPECT_EQ(1, doc->AdjustData());
  EXPECT_EQ(8000.0, GetChainUnit(Rasters(), 1)->Frame.X1);
}

// Another file opened into a unit: one that cannot be had as the unit's
// kind (no name, a missing file, a quality matrix for an elevation matrix)
// leaves the unit with the file it held, read as before; one that opens
// takes its place. A unit whose file was closed is given out no more.
TEST_F(RmfChains, AFailedChangeLeavesTheUnitWithItsFile) {
  const std::string r = Raster("r.rsw"), m = Matrix("m.mtw", 1), q = Quality("q.mtq");
  ASSERT_EQ(1, doc->OpenRst(r.c_str(), 0));
  ASSERT_EQ(1, doc->OpenMtr(m.c_str(), 0));
  RMFCHAIN* raster = doc->GetRstChain(1);
  RMFCHAIN* matrix = doc->GetChain(1);
  ASSERT_NE(nullptr, raster);
  ASSERT_NE(nullptr, matrix);
  EXPECT_EQ(1234.0, doc->GetHeightValue(5995, 2005));
  const std::string missing = dir / "missing.rsw";
  for (const char* name : {static_cast<const char*>(nullptr), "", missing.c_str(), q.c_str()}) {
    const std::string what = name ? name : "(null)";
    EXPECT_EQ(0, doc->ChangeRst(raster, name, 0)) << what;
    EXPECT_EQ(0, doc->ChangeMtr(matrix, name, 0)) << what;
    EXPECT_EQ(raster, doc->GetRstChain(1)) << what;
    EXPECT_EQ(matrix, doc->GetChain(1)) << what;
    EXPECT_EQ(r, raster->File->GetFileName()) << what;
    EXPECT_EQ(m, matrix->File->GetFileName()) << what;
    EXPECT_TRUE(raster->File->IsOpen()) << what;
    EXPECT_EQ(100, raster->File->Head.Width) << what;
    EXPECT_EQ(1234.0, doc->GetHeightValue(5995, 2005)) << what;
    EXPECT_EQ(0, doc->CheckInversionRst(1)) << what;
  }
  const std::string other = Raster("other.rsw", 8, 6000, 2000);
  EXPECT_EQ(1, doc->ChangeRst(raster, other.c_str(), 0));
  EXPECT_EQ(other, raster->File->GetFileName());
  EXPECT_EQ(6000.0, raster->Frame.X1);

  raster->Raster()->Close();
  matrix->File->Close();
  EXPECT_EQ(nullptr, doc->GetRstChain(1));
  EXPECT_EQ(nullptr, doc->GetChain(1));
  EXPECT_EQ(-1, doc->CheckInversionRst(1));
  EXPECT_EQ(0, doc->InvertRst(1, 1));
  EXPECT_EQ(-111111.0, doc->GetHeightValue(5995, 2005));
}

// A unit that takes another file is set up from it as opening it would set
// a new unit up: frame, value range, the document's height range and
// region, and the colours the file marks hidden; nothing of the file it
// held stays.
TEST_F(RmfChains, AChangedUnitIsSetUpFromItsNewFile) {
  const std::string m = Matrix("m.mtw", 1);
  const std::string far = dir / "far.mtw";
  ASSERT_EQ(1, rmftest::WriteMatrix(far, rmftest::MatrixBuild(8000, 4000, 500, 500, 10, 2, 50000),
                                    2, 1, [](int i, int) { return i ? 200 : 300; }, 200, 300));
  // What opening the far matrix alone gives.
  ASSERT_EQ(1, doc->OpenMtr(far.c_str(), 0));
  const RMFCHAIN opened = *doc->GetChain(1);
  doc->CloseMtr(0);

  ASSERT_EQ(1, doc->OpenMtr(m.c_str(), 0));
  RMFCHAIN* matrix = doc->GetChain(1);
  ASSERT_NE(nullptr, matrix);
  EXPECT_EQ(1234.0, doc->HeightMax);
  ASSERT_EQ(1, doc->ChangeMtr(matrix, far.c_str(), 0));
  EXPECT_EQ(far, matrix->File->GetFileName());
  EXPECT_EQ(8000.0, matrix->Frame.X1);
  EXPECT_EQ(4000.0, matrix->Frame.Y1);
  EXPECT_EQ(8500.0, matrix->Frame.X2);
  EXPECT_EQ(4500.0, matrix->Frame.Y2);
  EXPECT_EQ(200.0, matrix->Minimum);
  EXPECT_EQ(300.0, matrix->Maximum);
  EXPECT_EQ(200.0, doc->HeightMin);
  EXPECT_EQ(300.0, doc->HeightMax);
  EXPECT_EQ(opened.PictureFactor, matrix->PictureFactor);
  EXPECT_EQ(opened.ElementFrame.X1, matrix->ElementFrame.X1);
  EXPECT_EQ(opened.ElementFrame.Y2, matrix->ElementFrame.Y2);
  EXPECT_EQ(opened.RangeLow, matrix->RangeLow);
  EXPECT_EQ(opened.RangeHigh, matrix->RangeHigh);
  EXPECT_EQ(300.0, doc->GetHeightValue(8495, 4005));
  EXPECT_EQ(-111111.0, doc->GetHeightValue(5995, 2005));

  // A raster with colour 3 marked hidden in its file, taken into the unit
  // of a raster of another size with every colour shown, and back.
  const std::string hidden = Raster("hidden.rsw");
  ASSERT_EQ(1, doc->OpenRst(hidden.c_str(), 0));
  ASSERT_EQ(1, doc->SetVisibilityColorInRstFile(1, 3, 0));
  doc->CloseRst(0);
  const std::string wide = dir / "wide.rsw";
  ASSERT_EQ(1, doctest::WriteRaster(wide, 300, 20, 8, doctest::GreyPalette(), 7000, 3000));
  ASSERT_EQ(1, doc->OpenRst(hidden.c_str(), 0));
  RMFCHAIN* raster = doc->GetRstChain(1);
  ASSERT_NE(nullptr, raster);
  EXPECT_EQ(1, raster->HiddenColors);
  ASSERT_EQ(1, doc->ChangeRst(raster, wide.c_str(), 0));
  EXPECT_EQ(0, raster->HiddenColors);
  EXPECT_EQ(1, doc->CheckVisibilityColor(1, 3));
  EXPECT_EQ(7000.0, raster->Frame.X1);
  EXPECT_EQ(7000.0 + 20 * 10.0, raster->Frame.X2);
  EXPECT_EQ(3000.0 + 300 * 10.0, raster->Frame.Y2);
  ASSERT_EQ(1, doc->ChangeRst(raster, hidden.c_str(), 0));
  EXPECT_EQ(1, raster->HiddenColors);
  EXPECT_EQ(0, doc->CheckVisibilityColor(1, 3));
  EXPECT_EQ(1, doc->CheckVisibilityColor(1, 4));

  // A unit's own file, named by the unit, opened again for reading only.
  ASSERT_EQ(1, doc->ChangeRst(raster, raster->File->GetFileName(), int(GENERIC_READ)));
  ASSERT_EQ(1, doc->ChangeMtr(matrix, matrix->File->GetFileName(), int(GENERIC_READ)));
  EXPECT_EQ(hidden, raster->File->GetFileName());
  EXPECT_EQ(far, matrix->File->GetFileName());
  EXPECT_FALSE(raster->File->IsWritable());
  EXPECT_FALSE(matrix->File->IsWritable());
  EXPECT_EQ(300.0, doc->GetHeightValue(8495, 4005));
}

// The document's methods of each kind reach the chain of that kind alone,
// and a number outside it gives the absent value.
TEST_F(RmfChains, EachKindsMethodsReachItsOwnChain) {
  const std::string r = Raster("r.rsw"), m = Matrix("m.mtw", 1), q = Quality("q.mtq");
  ASSERT_EQ(1, doc->OpenRst(r.c_str(), 0));
  ASSERT_EQ(1, doc->OpenMtr(m.c_str(), 0));
  ASSERT_EQ(1, doc->OpenMtq(q.c_str(), 0));
  ASSERT_NE(nullptr, doc->GetRstChain(1));
  EXPECT_EQ(RMF_RSW, doc->GetRstChain(1)->Kind);
  EXPECT_EQ(RMF_MTW, doc->GetChain(1)->Kind);
  EXPECT_EQ(RMF_MTQ, doc->GetMtqChain(1)->Kind);
  EXPECT_EQ(nullptr, doc->GetRstChain(2));
  EXPECT_EQ(nullptr, doc->GetMtqChain(0));

  EXPECT_EQ(0, doc->SetRstView(1, 0));
  EXPECT_EQ(1, doc->CheckMtrView(1));
  EXPECT_EQ(5, doc->SetMtrMaskType(1, 5));
  EXPECT_EQ(CHAIN_MASK_TYPE, doc->GetRstMaskType(1));
  EXPECT_EQ(1, doc->MtrViewOrder(1, 1));
  EXPECT_EQ(0, doc->RstViewOrder(1, -1));
  EXPECT_EQ(-1, doc->CheckRstView(2));
  EXPECT_EQ(-1, doc->GetMtrMaskType(2));
  EXPECT_EQ(-1, doc->MtrViewOrder(2, 1));
  EXPECT_STREQ(m.c_str(), doc->GetMtrName(1));
  EXPECT_STREQ("", doc->GetRstName(2));
  std::string upper = r;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(1, doc->GetRstNumberByName(upper.c_str()));
  EXPECT_EQ(0, doc->GetRstNumberByName(m.c_str()));
  EXPECT_EQ(doc->GetRstChain(1)->Raster(), doc->GetRstClass(doc->GetRstChain(1), 0));
  EXPECT_EQ(nullptr, doc->GetRstClass(doc->GetChain(1), 0));  // a matrix is no raster

  // The precision goes to the unit and into the raster's header.
  EXPECT_EQ(1, doc->SetRstPrecision(1, 500.0));
  EXPECT_EQ(500.0, doc->GetRstChain(1)->Precision);
  EXPECT_EQ(500.0, doc->GetRstChain(1)->File->Head.Precision);
  EXPECT_EQ(0, doc->SetRstPrecision(2, 500.0));
  EXPECT_EQ(&doc->GetRstChain(1)->Frame, doc->GetRstFrameMeters(1));
  EXPECT_EQ(&doc->GetRstChain(1)->ElementFrame, doc->GetRstFrame(1));
  EXPECT_EQ(nullptr, doc->GetRstFrameMeters(2));
  EXPECT_EQ(1, doc->GetMtrNumberInPoint(5000, 3000, 1));
  EXPECT_EQ(0, doc->GetMtrNumberInPoint(5000, 3000, 2));
  MTRDESCRIBE d;
  ASSERT_EQ(1, doc->GetMtrDescribe(1, &d));
  EXPECT_EQ(m, d.Name);
  EXPECT_EQ(0, doc->GetMtrDescribe(2, &d));
  EXPECT_EQ(0, doc->ChangeOrderMtqShow(1, 1));

  // Relief shading of a quality matrix keeps 0..16.
  EXPECT_EQ(CHAIN_SHADOW, doc->GetMtqShadow(1));
  EXPECT_EQ(4, doc->SetMtqShadow(1, 17));
  EXPECT_EQ(16, doc->SetMtqShadow(1, 16));
  EXPECT_EQ(16, doc->GetMtqShadow(1));
  EXPECT_EQ(0, doc->GetMtqShadow(2));
  EXPECT_EQ(4, doc->SetMtrShadow(-1));
  EXPECT_EQ(4, doc->GetMtrShadow());
}

// Colour visibility of a raster of 16 colours, kept in its file by the
// file form; the standard palette stays as set while brightness changes
// the painted colours, until the file's palette is restored.
TEST_F(RmfChains, SixteenColourRasterVisibilityAndPalettes) {
  const std::string path = Raster("four.rsw", 4);
  ASSERT_EQ(1, doc->OpenRst(path.c_str(), 0));
  EXPECT_EQ(16, doc->GetRstColorCount(1));
  EXPECT_EQ(1, doc->CheckVisibilityColor(1, 15));
  EXPECT_EQ(-1, doc->CheckVisibilityColor(1, 256));
  EXPECT_EQ(-1, doc->CheckVisibilityColor(1, -1));
  EXPECT_EQ(-1, doc->CheckVisibilityColor(2, 0));
  EXPECT_EQ(0, doc->SetVisibilityColor(1, 256, 0));
  EXPECT_EQ(1, doc->SetVisibilityColor(1, 5, 0));
  EXPECT_EQ(1, doc->SetVisibilityColor(1, 5, 7));  // any non-zero value shows it
  EXPECT_EQ(1, doc->CheckVisibilityColor(1, 5));
  EXPECT_EQ(1, doc->SetVisibilityColorInRstFile(1, 3, 0));
  doc->CloseRst(0);
  ASSERT_EQ(1, doc->OpenRst(path.c_str(), 0));
  EXPECT_EQ(0, doc->CheckVisibilityColor(1, 3));
  EXPECT_EQ(1, doc->CheckVisibilityColor(1, 4));
  EXPECT_EQ(1, doc->GetRstChain(1)->HiddenColors);

  const COLORREF* standard = doc->GetRstStandardPalette(1);
  const COLORREF* painted = doc->GetRstPalette(1);
  ASSERT_NE(nullptr, standard);
  ASSERT_NE(nullptr, painted);
  EXPECT_EQ(0x070707u, standard[7]);
  EXPECT_EQ(8, doc->SetRstBright(1, 8));  // brightness 8: every colour white
  EXPECT_EQ(0xFFFFFFu, painted[7]);
  EXPECT_EQ(0x070707u, standard[7]);
  EXPECT_EQ(8, doc->GetRstBright(1));
  EXPECT_EQ(-16, doc->SetRstContrast(1, -40));
  EXPECT_EQ(1, doc->SetRstColor(1, 0x123456, 7));
  EXPECT_EQ(0x123456u, standard[7]);
  EXPECT_EQ(0, doc->SetRstColor(1, 0x123456, 256));
  EXPECT_EQ(1, doc->RestoreRstPalette(1));
  EXPECT_EQ(0x070707u, standard[7]);
  EXPECT_EQ(0x070707u, painted[7]);
  EXPECT_EQ(0, doc->GetRstContrast(1));
  EXPECT_EQ(nullptr, doc->GetRstStandardPalette(2));
  EXPECT_EQ(nullptr, doc->GetRstPalette(2));
  EXPECT_EQ(0, doc->RestoreRstPalette(2));
}

// A raster of 16 colours inverted: its negative byte and its palette,
// also in its file; inverted back, both as they were.
TEST_F(RmfChains, AnInvertedRasterKeepsItsInversionInItsFile) {
  const std::string path = Raster("four.rsw", 4);
  ASSERT_EQ(1, doc->OpenRst(path.c_str(), 0));
  EXPECT_EQ(0, doc->CheckInversionRst(1));
  EXPECT_EQ(1, doc->InvertRst(1, 1));
  EXPECT_EQ(0xF8F8F8u, doc->GetRstStandardPalette(1)[7]);
  EXPECT_EQ(0xF8F8F8u, doc->GetRstPalette(1)[7]);
  doc->CloseRst(0);
  ASSERT_EQ(1, doc->OpenRst(path.c_str(), 0));
  EXPECT_EQ(1, doc->CheckInversionRst(1));
  EXPECT_EQ(0xF8F8F8u, doc->GetRstStandardPalette(1)[7]);
  EXPECT_EQ(1, doc->InvertRst(1, 0));
  EXPECT_EQ(0, doc->CheckInversionRst(1));
  EXPECT_EQ(0x070707u, doc->GetRstStandardPalette(1)[7]);
  EXPECT_EQ(0, doc->InvertRst(2, 1));
  EXPECT_EQ(-1, doc->CheckInversionRst(2));
}

// Colour steps: the elevation palette spread over a matrix's range, and a
// quality matrix's own colours, whose steps run on past its count in
// colour 0 up to index 255.
TEST_F(RmfChains, ColourStepsOfElevationAndQualityMatrices) {
  ASSERT_EQ(1, doc->OpenMtr(Matrix("m.mtw", 1).c_str(), 0));
  ASSERT_EQ(1, doc->OpenMtq(Quality("q.mtq").c_str(), 0));
  const int count = doc->MtrPalette.GetPaletteCount();
  ASSERT_EQ(32, count);
  const double step = (1234.0 + 50.0) / count;
  MTRCOLORDESCEX desc{};
  ASSERT_EQ(1, doc->GetMtrColorDesc(1, 0, &desc));
  EXPECT_DOUBLE_EQ(-50.0, desc.Low);
  EXPECT_DOUBLE_EQ(-50.0 + step, desc.High);
  EXPECT_EQ(doc->MtrPalette.GetColor(0), desc.Color);
  ASSERT_EQ(1, doc->GetMtrColorDesc(1, count - 1, &desc));
  EXPECT_DOUBLE_EQ(1234.0, desc.High);
  EXPECT_EQ(0, doc->GetMtrColorDesc(1, count, &desc));
  EXPECT_EQ(0, doc->GetMtrColorDesc(2, 0, &desc));
  EXPECT_EQ(0, doc->GetMtrColorDesc(1, 0, nullptr));
  EXPECT_EQ(1, doc->SetMtrColor(1, 0x123456, 5));
  EXPECT_EQ(0x123456u, doc->MtrPalette.GetColor(5));
  EXPECT_EQ(0, doc->SetMtrColor(1, 0x123456, count));
  EXPECT_EQ(0, doc->SetMtrColor(2, 0x123456, 5));

  ASSERT_EQ(1, doc->GetMtqColorDesc(1, 1, &desc));
  EXPECT_DOUBLE_EQ(1.0, desc.Low);
  EXPECT_DOUBLE_EQ(2.0, desc.High);
  EXPECT_EQ(0x00FF00u, desc.Color);
  ASSERT_EQ(1, doc->GetMtqColorDesc(1, 255, &desc));
  EXPECT_DOUBLE_EQ(255.0, desc.Low);
  EXPECT_EQ(0u, desc.Color);
  EXPECT_EQ(0, doc->GetMtqColorDesc(1, 256, &desc));
  EXPECT_EQ(1, doc->SetMtqColor(1, 3, 0xABCDEF));
  EXPECT_EQ(0xABCDEFu, doc->GetMtqChain(1)->Colors.GetColor(3));
  EXPECT_EQ(0, doc->SetMtqColor(1, 4, 0xABCDEF));
}

// Borders from plane coordinates: a raster's points go to the nearest
// element corner, a matrix's are cut to whole elements; shown by the
// border only once it has one, saved with the file.
TEST_F(RmfChains, BordersFromPlaneCoordinatesAndShowingByThem) {
  const std::string r = Raster("r.rsw"), m = Matrix("m.mtw", 1);
  ASSERT_EQ(1, doc->OpenRst(r.c_str(), 0));
  ASSERT_EQ(1, doc->OpenMtr(m.c_str(), 0));
  EXPECT_EQ(0, doc->ShowRstByBorder(1, 1));  // no border yet
  EXPECT_EQ(0, doc->CheckShowRstByBorder(1));
  EXPECT_EQ(-1, doc->CheckShowRstByBorder(0));
  EXPECT_EQ(-1, doc->CheckShowMtqByBorder(1));
  EXPECT_EQ(nullptr, doc->GetRstBorderPlane(1));

  // Both frames start at (5000, 2000) with 10 m elements.
  TDataEdit plane;
  SquareBorder(&plane, 5003, 2007, 5303, 2257);
  EXPECT_EQ(1, doc->SetRstBorderPlane(1, &plane));
  EXPECT_EQ(1, doc->SetMtrBorderPlane(1, &plane));
  EXPECT_EQ(0, doc->SetMtqBorderPlane(1, &plane));
  EXPECT_EQ(0, doc->SetMtrBorderPlane(2, &plane));
  plane.Free();
  TDataEdit* rb = doc->GetRstBorderPlane(1);
  TDataEdit* mb = doc->GetMtrBorderPlane(1);
  ASSERT_NE(nullptr, rb);
  ASSERT_NE(nullptr, mb);
  ASSERT_TRUE(rb->FirstPointSubject(0));
  EXPECT_EQ(1.0, rb->XDouble());   // column 0.7
  EXPECT_EQ(50.0, rb->YDouble());  // row 49.7 of 50
  ASSERT_TRUE(mb->FirstPointSubject(0));
  EXPECT_EQ(0.0, mb->XDouble());
  EXPECT_EQ(99.0, mb->YDouble());  // row 99.7 of 100
  EXPECT_EQ(nullptr, doc->GetMtqBorderPlane(1));

  EXPECT_EQ(1, doc->ShowRstByBorder(1, 1));
  EXPECT_EQ(1, doc->CheckShowRstByBorder(1));
  EXPECT_EQ(1, doc->ShowMtrByBorder(1, 0));
  EXPECT_EQ(0, doc->CheckShowMtrByBorder(1));
  EXPECT_EQ(0, doc->ShowMtqByBorder(1, 1));
  doc->CloseRst(0);
  ASSERT_EQ(1, doc->OpenRst(r.c_str(), 0));
  EXPECT_EQ(1, doc->CheckShowRstByBorder(1));
  ASSERT_NE(nullptr, doc->GetRstBorderPlane(1));
  EXPECT_EQ(5, doc->GetRstBorderPlane(1)->PointCount(0));
}

// Numbers out of every range in a header (not a number, infinities, huge
// values in the scale, precision, element size, location and value range
// of a raster, an elevation, quality or layer matrix) are never converted
// to integers blind: the file opens into a document or is refused, and the
// document's scale stays a whole number of at least 1 while the file is
// painted, its values read and written, saved and closed.
TEST_F(RmfChains, NumbersOutOfRangeInAHeaderAreNeverConvertedBlind) {
  const std::string layers = dir / "l.mtl";
  {
    MTLBUILDPARM p = doctest::LayerMatrixParm(2, 2);
    TMtl m;
    ASSERT_EQ(1, m.Create(layers.c_str(), &p));
    ASSERT_EQ(1, m.PutPlaneHeight(5100, 2100, 40.0));
  }
  const std::string files[4] = {Raster("r.rsw"), Matrix("m.mtw", 1), Quality("q.mtq"), layers};
  const double values[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 4e9, -4e9, 0.0};
  // The header's numbers; a layer matrix's layer block adds its bottom
  // level and summary thickness.
  const size_t layerBlock = rmftest::ReadHeader(layers).LayerPosition;
  std::vector<size_t> fields = {offsetof(RMF, Scale),     offsetof(RMF, Precision),
                                offsetof(RMF, ElementSize), offsetof(RMF, LocationX),
                                offsetof(RMF, LocationY), offsetof(RMF, Minimum),
                                offsetof(RMF, Maximum),   offsetof(RMF, EmptyValue)};
  std::vector<uint32_t> image(64 * 64);
  for (const std::string& file : files) {
    const std::string pristine = rmftest::ReadAll(file);
    {
      TMapAccess* d = NewDocument();
      ASSERT_NE(nullptr, d);
      EXPECT_NE(0, d->OpenData(file.c_str(), 0)) << file;
      FreeDocument(d);
    }
    if (file == layers) {
      fields.push_back(layerBlock + offsetof(MTLLAYERHEAD, BottomLevel));
      fields.push_back(layerBlock + offsetof(MTLLAYERHEAD, MaxSummaryPower));
    }
    for (size_t field : fields)
      for (double value : values) {
        std::string bytes = pristine;
        std::memcpy(&bytes[field], &value, sizeof(value));
        rmftest::WriteAll(file, bytes);
        const std::string what = file + " +" + std::to_string(field) + " " + std::to_string(value);
        TMapAccess* d = NewDocument();
        ASSERT_NE(nullptr, d);
        if (d->OpenData(file.c_str(), 0) != 0) {
          EXPECT_GE(d->BaseScale, 1) << what;
          for (double zoom : {1.0, 1e-3, 1e3}) {
            d->SetViewScale(zoom);
            d->PaintDibToDib32(reinterpret_cast<char*>(image.data()), 64 * 4, 64,
                               RECT{0, 0, 64, 64});
          }
          for (double x : {5000.0, 5005.0, 5995.0, -1e300, std::nan("")}) {
            d->GetHeightValue(x, 2005);
            d->GetPrecisionHeightValue(x, 2005);
            d->GetPrecisionHeightTriangle(x, 2005);
            d->GetElementPower(x, 2005, 1);
            d->PutHeightValue(1, x, 2005, 12.5);
            d->PutElementHeight(1, x, 2005, 12.5);
          }
          // The 3-D views, the rasters draped over them.
          MTR3DVIEWEX view{};
          view.ViewX = 5500;
          view.ViewY = 2500;
          view.Scale = 10000;
          view.HeightScale = 100;
          view.GridStep = 16;
          view.Elevation = 30;
          view.PaletteStyle = 1;
          view.ShowGrid = 1;
          view.Shadow = 1;
          view.ColorByHeight = 1;
          view.DrapeRasters = 1;
          view.Width = view.Height = 48;
          {
            TMtr3D matrices(d, 48, 48);
            matrices.BuildMtr3D(&view);
            TMtl3D layered(d);
            for (int mode : {0, 1, 3}) {
              view.DrawMode = static_cast<int8_t>(mode);
              view.Elevation = static_cast<int16_t>(mode == 1 ? 20 : 60);  // labels at 20
              layered.BuildMtl3D(&view);
            }
          }
          // A border from plane metres, turned into elements of the file.
          TDataEdit border;
          SquareBorder(&border, 5100, 2100, 5300, 2300);
          d->SetRstBorderPlane(1, &border);
          d->SetMtrBorderPlane(1, &border);
          d->SetMtqBorderPlane(1, &border);
          d->SetMtlBorderPlane(1, &border);
          border.Free();
          MTRDESCRIBE describe;
          d->GetMtrDescribe(1, &describe);
          MTLDESCRIBE layer;
          d->GetMtlDescribe(1, &layer);
        }
        FreeDocument(d);
      }
    rmftest::WriteAll(file, pristine);
  }
}
