// Copying kinds and semantics between classifiers: plain kinds, kinds the
// target has already, series that fit and series that don't, semantics
// with and without defaults, the protocol, and the target saved and read
// again.
#include <gtest/gtest.h>

#include <string>

#include "common/maperror.h"
#include "support/rscfixture.h"

namespace {

using rsctest::Builder;

// A target holding semantic 4 as a list of the given values (none: no
// semantic 4), or as a plain number when `number`.
Builder Target(std::vector<uint32_t> values, bool number = false) {
  Builder b = Builder::Minimal();
  rsctest::AddLayers(b, 2);
  if (number || !values.empty()) {
    rsctest::Semantic& s = b.AddSemantic(4, 1, "KIND", "KIND");
    for (uint32_t v : values) s.values.push_back({v, "V" + std::to_string(v)});
  }
  return b;
}

class RscCopy : public rsctest::RscFolderTest {
 protected:
  void SetUp() override {
    RscFolderTest::SetUp();
    Builder b = rsctest::Rich();
    b.AddObject(300, 2, "BARE");  // no screen image
    ASSERT_EQ(1, source_.OpenRsc(Write(b.Build(), "source.rsc").c_str(), 0));
    log_.Open((folder_ + "copy.log").c_str(), 0);
    ASSERT_TRUE(log_.IsOpen());
  }
  void OpenTarget(Builder b) {
    target_path_ = Write(b.Build(), "target.rsc");
    ASSERT_EQ(1, target_.OpenRsc(target_path_.c_str(), 0));
  }
  // Saved and read again.
  void Reopen() {
    ASSERT_EQ(1, target_.Save(1)) << target_.Error();
    ASSERT_EQ(1, target_.OpenRsc(target_path_.c_str(), 0)) << target_.Error();
  }
  std::string Protocol() {
    log_.Close(0);
    const rsctest::Bytes bytes = rsctest::ReadBytes(folder_ + "copy.log");
    return std::string(bytes.begin(), bytes.end());
  }

  TMapRsc source_, target_;
  TMapError log_;
  std::string target_path_;
};

TEST_F(RscCopy, APlainKindArrivesWithItsSemanticsAndImages) {
  OpenTarget(Target({}));
  const int road = target_.CopyObject(&source_, 16, 1, &log_);
  ASSERT_GT(road, 15);
  // The layer past the last is layer 0; a kind without an image gets the
  // empty one.
  const int bare = target_.CopyObject(&source_, 19, 3, &log_);
  ASSERT_EQ(road + 1, bare);
  Reopen();
  EXPECT_EQ(road, target_.GetObjIncode(100, LOCAL_LINE));
  EXPECT_STREQ("ROAD", target_.GetObjName(road));
  EXPECT_EQ(1, target_.GetObjSegment(road));
  EXPECT_EQ(0, target_.GetObjSegment(bare));
  EXPECT_EQ(PRIM_EMPTY, target_.GetTabPar(bare)->Function);
  EXPECT_EQ(source_.GetParLength(16), target_.GetParLength(road));
  EXPECT_NE(nullptr, target_.GetTabPrn(road));
  EXPECT_EQ(2, target_.GetObjCanSem(road, 4));
  EXPECT_EQ(1, target_.GetOnlyObjCanSem(road, 9));
  EXPECT_EQ(3, target_.GetClassificatorCount(4));
  EXPECT_STREQ("THREE", target_.GetClassificatorName(4, 3));
  const std::string protocol = Protocol();
  EXPECT_NE(std::string::npos, protocol.find("****** Объект 100  - ROAD перенесен"));
  EXPECT_NE(std::string::npos, protocol.find("Добавили семантику 4 KIND"));
  EXPECT_NE(std::string::npos, protocol.find("Добавили обязательную семантику 4 KIND"));
  EXPECT_NE(std::string::npos, protocol.find("Добавили возможную семантику 9 NAME"));
}

TEST_F(RscCopy, AKindTheTargetHasGainsOnlyTheMissingSemantics) {
  Builder b = Target({1, 2, 3});
  b.AddObject(100, 0, "OWN ROAD");
  b.pos.push_back({100, 0, {}, {4}});
  rsctest::AddDefaultImages(b);
  OpenTarget(b);
  const int count = target_.GetObjCount();
  EXPECT_EQ(16, target_.CopyObject(&source_, 16, 0, &log_));
  EXPECT_EQ(count, target_.GetObjCount());
  EXPECT_STREQ("OWN ROAD", target_.GetObjName(16));
  EXPECT_EQ(1, target_.GetOnlyObjCanSem(16, 4));  // kept as it was
  EXPECT_EQ(1, target_.GetOnlyObjCanSem(16, 9));
  const std::string protocol = Protocol();
  EXPECT_NE(std::string::npos, protocol.find("****** Объект 100  - ROAD есть"));
  EXPECT_EQ(std::string::npos, protocol.find("семантику 4 "));
}

TEST_F(RscCopy, ASeriesArrivesWholeWhenItsLimitsFit) {
  for (const auto& values : {std::vector<uint32_t>{}, std::vector<uint32_t>{1, 2, 3, 4}}) {
    OpenTarget(Target(values));
    const int big = target_.CopyObject(&source_, 18, 0, &log_);
    ASSERT_GT(big, 15);
    Reopen();
    const int small = target_.GetObjIncode(200, LOCAL_SQUARE, 1);
    EXPECT_EQ(big, target_.GetObjIncode(200, LOCAL_SQUARE, 2));
    ASSERT_NE(0, small);
    for (int n : {small, big}) {
      EXPECT_EQ(1, target_.GetObjLimSemCount(n));
      EXPECT_EQ(4u, target_.GetObjLimSem(n, 1));
      EXPECT_EQ(1, target_.GetOnlyObjCanSem(n, 9));
    }
    EXPECT_STREQ("LAKE SMALL", target_.GetObjName(small));
  }
}

TEST_F(RscCopy, ASeriesThatDoesNotFitArrivesAsOnePlainKind) {
  struct Case {
    std::vector<uint32_t> values;
    bool number;
  };
  // A shorter list ends below the source's last value; a plain number is
  // another type.
  for (const Case& c : {Case{{1, 2}, false}, Case{{}, true}}) {
    OpenTarget(Target(c.values, c.number));
    const int count = target_.GetObjCount();
    const int big = target_.CopyObject(&source_, 18, 0, &log_);
    ASSERT_EQ(count + 1, big);
    EXPECT_EQ(0, target_.GetObjExtend(big));
    EXPECT_EQ(0, target_.GetObjLimSemCount(big));
    Reopen();
    EXPECT_EQ(big, target_.GetObjIncode(200, LOCAL_SQUARE));
    EXPECT_STREQ("LAKE BIG", target_.GetObjName(big));
  }
  EXPECT_NE(std::string::npos, Protocol().find("****** Серия 200  - LAKE BIG не перенесена"));
}

TEST_F(RscCopy, SemanticsKeepTheirCodesListsAndDefaults) {
  Builder b = Target({});
  b.AddSemantic(9, 0, "MY NAME", "MYNAME");
  OpenTarget(b);
  EXPECT_EQ(1, target_.CopySemantic(&source_, 9));  // had it: unchanged
  EXPECT_STREQ("MY NAME", target_.GetSemName(9));
  EXPECT_EQ(0, target_.CopySemantic(&source_, 77));
  EXPECT_EQ(0, target_.CopySemantic(nullptr, 4));
  ASSERT_EQ(1, target_.CopySemantic(&source_, 4));
  Reopen();
  EXPECT_EQ(16, target_.GetSemType(4));
  EXPECT_EQ(3, target_.GetClassificatorCount(4));
  EXPECT_EQ(3, target_.GetClassificatorValue(4, 3));
  // The source's default for every kind, alone.
  EXPECT_EQ(0.0, target_.GetDefMin(0, 4));
  EXPECT_EQ(1.0, target_.GetDefDef(0, 4));
  EXPECT_EQ(3.0, target_.GetDefMax(0, 4));
  // Values added after the copy go beyond the copied list.
  ASSERT_NE(nullptr, target_.AppendCls(4, 7, "SEVEN"));
  EXPECT_EQ(4, target_.GetClassificatorCount(4));
}

TEST_F(RscCopy, AListWithoutADefaultGetsItsRange) {
  Builder src = Builder::Minimal();
  rsctest::Semantic& s = src.AddSemantic(6, 1, "GRADE", "GRADE");
  s.values = {{5, "FIVE"}, {uint32_t(-2), "MINUS TWO"}, {9, "NINE"}};
  TMapRsc source;
  ASSERT_EQ(1, source.OpenRsc(Write(src.Build(), "grades.rsc").c_str(), 0));
  OpenTarget(Target({}));
  ASSERT_EQ(1, target_.CopySemantic(&source, 6));
  EXPECT_EQ(-2.0, target_.GetDefMin(0, 6));
  EXPECT_EQ(-2.0, target_.GetDefDef(0, 6));
  EXPECT_EQ(9.0, target_.GetDefMax(0, 6));
}

TEST_F(RscCopy, BadKindsAreRefused) {
  OpenTarget(Target({}));
  const int count = target_.GetObjCount();
  for (int n : {0, -1, 21, 1000}) EXPECT_EQ(0, target_.CopyObject(&source_, n, 0, &log_)) << n;
  EXPECT_EQ(0, target_.CopyObject(nullptr, 16, 0, &log_));
  ASSERT_EQ(16, source_.DeleteObject(16));
  EXPECT_EQ(0, target_.CopyObject(&source_, 16, 0, nullptr));
  TMapRsc closed;
  EXPECT_EQ(0, closed.CopyObject(&source_, 17, 0, nullptr));
  EXPECT_EQ(0, target_.CopyObject(&closed, 17, 0, nullptr));
  EXPECT_EQ(count, target_.GetObjCount());
}

}  // namespace
