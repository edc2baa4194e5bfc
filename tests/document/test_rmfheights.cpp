// Heights and values at a point: the first, the given and the finest
// elevation matrix, height units, writing a height, profiles, and the
// layer matrix chain with its heights, order and closing.
#include <gtest/gtest.h>

#include <string>

#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/mtlchains.h"
#include "document/rmfchains.h"
#include "document/rmfheights.h"
#include "support/docfixture.h"
#include "support/rmfbuild.h"
#include "support/scratch_dir.h"

namespace {

class RmfHeights : public doctest::EmptyDocumentTest {
 protected:
  // An elevation matrix over (5000..6000, 2000..3000) of `size` metre
  // elements, every element `value` in the height unit.
  std::string Matrix(const char* file, double size, int bytes, int unit, LONG value) {
    const std::string path = dir / file;
    BUILDMTW b = doctest::MatrixParm(1000, 1000, size, bytes);
    b.HeightUnit = unit;
    const int n = int(1000 / size);
    EXPECT_EQ(1, rmftest::WriteMatrix(path, b, n, n, [=](int, int) { return value; }, value, value));
    return path;
  }
  // A layer matrix over (5000..5500, 2000..2500), 10 m cells, heights in
  // metres 2 bytes wide (none with heightBytes 0), every height `h`.
  std::string Layers(const char* file, int heightBytes, int h) {
    const std::string path = dir / file;
    MTLBUILDPARM p = doctest::LayerMatrixParm(2, heightBytes);
    TMtl m;
    EXPECT_EQ(1, m.Create(path.c_str(), &p));
    if (heightBytes) {
      EXPECT_EQ(1, m.PutPlaneHeight(5100, 2100, h));
    }
    EXPECT_EQ(1, m.PutPlanePower(5100, 2100, 3.0, 2));
    m.Head.Minimum = h;
    m.Head.Maximum = h;
    m.HeadChanged = 1;
    m.Save();
    return path;
  }
};

}  // namespace

TEST_F(RmfHeights, FirstGivenAndFinestMatrix) {
  for (double x : {5500.0, 6000.0}) EXPECT_EQ(MTL_NO_HEIGHT, GetHeightValue(doc, x, 2500.0));
  ASSERT_EQ(1, doc->OpenMtr(Matrix("ten.mtw", 10, 2, 0, 100).c_str(), 0));
  ASSERT_EQ(2, doc->OpenMtr(Matrix("five.mtw", 5, 2, 0, 55).c_str(), 0));
  EXPECT_EQ(100.0, GetHeightValue(doc, 5500, 2500));
  EXPECT_EQ(55.0, GetPrecisionHeightValue(doc, 5500, 2500));
  EXPECT_EQ(55.0, GetHeightValue(doc, 2, 5500, 2500));
  EXPECT_DOUBLE_EQ(55.0, GetPrecisionHeightTriangle(doc, 5333, 2777));
  // The east and north edges lie inside; outside there is no height.
  EXPECT_EQ(55.0, GetPrecisionHeightValue(doc, 6000, 3000));
  EXPECT_EQ(MTL_NO_HEIGHT, GetPrecisionHeightValue(doc, 6000.1, 3000));
  // An empty element of the finer matrix: the coarser one answers.
  EXPECT_EQ(1, PutHeightValue(doc, 2, 5500, 2500, -32767));
  EXPECT_EQ(100.0, GetPrecisionHeightValue(doc, 5500, 2500));
  // A profile of three points from the first to the last.
  double heights[3];
  DOUBLEPOINT first{5100, 2100}, last{5300, 2500};
  ASSERT_EQ(1, GetHeightArray(doc, heights, 3, &first, &last));
  EXPECT_EQ(55.0, heights[0]);
  EXPECT_EQ(5200.0, first.X);
  EXPECT_EQ(2300.0, first.Y);
}

TEST_F(RmfHeights, HeightUnitsAndWriting) {
  ASSERT_EQ(1, doc->OpenMtr(Matrix("cm2.mtw", 10, 2, 2, 12345).c_str(), 0));
  EXPECT_DOUBLE_EQ(123.45, GetHeightValue(doc, 5500, 2500));
  // 400 m in centimetres does not fit two bytes: refused, not wrapped.
  EXPECT_EQ(0, PutHeightValue(doc, 1, 5500, 2500, 400.0));
  EXPECT_DOUBLE_EQ(123.45, GetHeightValue(doc, 5500, 2500));
  EXPECT_EQ(1, PutHeightValue(doc, 1, 5500, 2500, -300.0));
  EXPECT_DOUBLE_EQ(-300.0, GetHeightValue(doc, 5500, 2500));
  doc->CloseMtr(0);
  ASSERT_EQ(1, doc->OpenMtr(Matrix("cm4.mtw", 10, 4, 2, 0).c_str(), 0));
  ASSERT_EQ(1, PutHeightValue(doc, 1, 5500, 2500, 12.349));
  LONG stored = 0;
  TRmf* file = GetChainUnit(DocChain(doc, DOCKIND_MTR), 1)->File;
  ASSERT_EQ(1, file->GetPlanePoint(stored, 5500, 2500));
  EXPECT_EQ(1234, stored);
  EXPECT_EQ(1234.0, file->Head.Maximum);
  // The mark the block coder writes for an element without data is no
  // height, whatever empty value the file names.
  ASSERT_EQ(1, file->PutPlanePoint(LONG(0x80000000u), 5500, 2500));
  EXPECT_EQ(MTL_NO_HEIGHT, GetHeightValue(doc, 5500, 2500));
}

TEST_F(RmfHeights, LayerMatrixChain) {
  const std::string a = Layers("a.mtl", 2, 42), b = Layers("b.mtl", 0, 0);
  ASSERT_EQ(1, doc->OpenMtl(a.c_str(), 0));
  ASSERT_EQ(2, doc->OpenMtl(b.c_str(), 0));
  EXPECT_EQ(1, doc->OpenMtl(a.c_str(), 0));  // already open
  EXPECT_EQ(2, MtlChain(doc)->Count);
  EXPECT_EQ(2, GetLayerCountOfMtl(doc, 1));
  // Without elevation matrices the layer matrices answer.
  EXPECT_EQ(42.0, GetHeightValue(doc, 5100, 2100));
  EXPECT_EQ(42.0, GetPrecisionHeightValue(doc, 5100, 2100));
  EXPECT_EQ(MTL_NO_HEIGHT, GetElementHeight(doc, 2, 5100, 2100));
  EXPECT_EQ(3.0, GetElementPower(doc, 5100, 2100, 2));
  EXPECT_EQ(MTL_NO_POWER, GetElementPower(doc, 5600, 2100, 2));
  EXPECT_EQ(2, GetMtlNumberInPoint(doc, 5500, 2500, 2));
  // Reordering and closing.
  EXPECT_EQ(0, ChangeOrderMtlShow(doc, 1, 1));
  EXPECT_EQ(1, ChangeOrderMtlShow(doc, 1, 2));
  EXPECT_STREQ(b.c_str(), GetMtlName(doc, 1));
  EXPECT_STREQ(a.c_str(), GetMtlName(doc, 2));
  EXPECT_EQ(-1, MtlViewOrder(doc, 3, 1));
  CloseMtl(doc, 1);
  EXPECT_EQ(1, MtlChain(doc)->Count);
  EXPECT_STREQ(a.c_str(), GetMtlName(doc, 1));
  EXPECT_EQ(1, GetMtlNumberLastVisible(doc));
  doc->Close();
  EXPECT_EQ(0, MtlChain(doc)->Count);
  EXPECT_EQ(MTL_NO_HEIGHT, GetHeightValue(doc, 5100, 2100));
}

// Heights written through the chain give a layer matrix its height range,
// saved with it: reopened, its range, summary power and the document's
// height range are those of the heights.
TEST_F(RmfHeights, HeightsWrittenIntoALayerMatrixGiveItsRange) {
  const std::string path = dir / "w.mtl";
  {
    MTLBUILDPARM p = doctest::LayerMatrixParm(2, 2);
    TMtl m;
    ASSERT_EQ(1, m.Create(path.c_str(), &p));
  }
  ASSERT_EQ(1, doc->OpenMtl(path.c_str(), 0));
  ASSERT_EQ(1, doc->PutElementHeight(1, 5100, 2100, 40.0));
  ASSERT_EQ(1, doc->PutElementHeight(1, 5200, 2200, 10.0));
  doc->CloseMtl(0);
  ASSERT_EQ(1, doc->OpenMtl(path.c_str(), 0));
  MTLDESCRIBE d;
  ASSERT_EQ(1, doc->GetMtlDescribe(1, &d));
  EXPECT_EQ(10.0, d.MinHeight);
  EXPECT_EQ(40.0, d.MaxHeight);
  EXPECT_EQ(40.0, doc->GetMaxSummaryPowerOfMtl(1));  // down to the bottom level 0
  EXPECT_EQ(10.0, doc->HeightMin);
  EXPECT_EQ(40.0, doc->HeightMax);
}

// The document's height range follows the heights as they are written into
// a layer matrix, before the matrix is saved: its description, its summary
// power and the colour ranges of every unit see them.
TEST_F(RmfHeights, TheRangeFollowsHeightsAsTheyAreWritten) {
  ASSERT_EQ(1, doc->OpenMtl(Layers("a.mtl", 2, 42).c_str(), 0));
  ASSERT_EQ(1, doc->OpenMtr(Matrix("m.mtw", 10, 2, 0, 30).c_str(), 0));
  EXPECT_EQ(30.0, doc->HeightMin);
  EXPECT_EQ(42.0, doc->HeightMax);
  ASSERT_EQ(1, doc->PutElementHeight(1, 5200, 2200, 90.0));
  ASSERT_EQ(1, doc->PutElementHeight(1, 5300, 2300, -5.0));
  MTLDESCRIBE d;
  ASSERT_EQ(1, doc->GetMtlDescribe(1, &d));
  EXPECT_EQ(-5.0, d.MinHeight);
  EXPECT_EQ(90.0, d.MaxHeight);
  EXPECT_EQ(95.0, doc->GetMaxSummaryPowerOfMtl(1));  // down to the bottom level 0
  EXPECT_EQ(-5.0, doc->HeightMin);
  EXPECT_EQ(90.0, doc->HeightMax);
  // The colours span the new range in both chains.
  EXPECT_GT(GetMtlChain(doc, 1)->RangeHigh, 90.0);
  EXPECT_LT(GetMtlChain(doc, 1)->RangeLow, -5.0);
  EXPECT_GT(GetChainUnit(DocChain(doc, DOCKIND_MTR), 1)->RangeHigh, 90.0);
  // A height inside the range changes nothing.
  ASSERT_EQ(1, doc->PutElementHeight(1, 5300, 2300, 10.0));
  EXPECT_EQ(-5.0, doc->HeightMin);
}

// The layer block through the chain: a layer outside the block or a block
// that is missing leaves its code in the matrix; the summary power is the
// block's own when it is above 0, else the height range down to the bottom.
TEST_F(RmfHeights, LayerBlockOfAChainUnit) {
  ASSERT_EQ(1, doc->OpenMtl(Layers("a.mtl", 2, 42).c_str(), 0));
  TMtl& m = GetMtlChain(doc, 1)->Matrix;
  EXPECT_EQ(42.0, GetMaxSummaryPowerOfMtl(doc, 1));
  for (int layer : {0, 3}) {
    m.Error = 0;
    EXPECT_EQ(nullptr, GetMtlLayer(doc, 1, layer));
    EXPECT_EQ(MAPERR_DATA, m.GetError());
  }
  EXPECT_EQ(nullptr, SetMtlLayerShortName(doc, 1, 1, nullptr));
  EXPECT_EQ(MAPERR_INPUT, m.GetError());
  EXPECT_EQ(nullptr, GetMtlLayer(doc, 2, 1));

  ASSERT_EQ(1, SetMtlBotLevel(doc, 1, -8.0));
  EXPECT_EQ(50.0, GetMaxSummaryPowerOfMtl(doc, 1));
  EXPECT_EQ(-8.0, doc->LayerValueMin);
  ASSERT_EQ(1, SetMtlMaxSummaryPower(doc, 1, 75.0));
  EXPECT_EQ(75.0, GetMaxSummaryPowerOfMtl(doc, 1));
  EXPECT_EQ(75.0, doc->LayerValueMax);
  EXPECT_EQ(1u, m.LayerChanged);

  // Without its layer block the unit refuses, 60001 in the matrix.
  BYTE* block = m.LayerBlock;
  m.LayerBlock = nullptr;
  EXPECT_EQ(0, SetMtlMaxSummaryPower(doc, 1, 1.0));
  EXPECT_EQ(MAPERR_MEMORY, m.GetError());
  m.Error = 0;
  EXPECT_EQ(nullptr, GetMtlLayerShortName(doc, 1, 1));
  EXPECT_EQ(MAPERR_MEMORY, m.GetError());
  m.LayerBlock = block;
  EXPECT_EQ(75.0, GetMaxSummaryPowerOfMtl(doc, 1));
}
