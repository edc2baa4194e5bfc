// The object geometry functions through the loaded library, as a host
// calls them: every one refuses null and invented handles, and the
// precision of an object without a map is the default.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "api/types/crosspoint.h"

namespace {

class ObjGeomApi : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL); }
  static void TearDownTestSuite() {
    if (lib) dlclose(lib);
  }
  void SetUp() override { ASSERT_NE(lib, nullptr) << dlerror(); }
  template <class F>
  static F Fn(const char* name) {
    F f = reinterpret_cast<F>(dlsym(lib, name));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  static void* lib;
};
void* ObjGeomApi::lib = nullptr;

TEST_F(ObjGeomApi, NullAndInventedHandlesAreRefused) {
  auto precision = Fn<double (*)(HOBJ, double)>("mapSetPrecision");
  auto cross = Fn<HANDLE (*)(HOBJ, HOBJ, LONG, double)>("mapCreateObjectsCross");
  auto square = Fn<HANDLE (*)(HOBJ, HOBJ, double)>("mapCreateObjectsCrossSquare");
  auto next = Fn<HOBJ (*)(HANDLE, HOBJ)>("mapGetNextCross");
  auto freeCut = Fn<void (*)(HANDLE)>("mapFreeObjectsCross");
  auto crossed = Fn<LONG (*)(HOBJ, HOBJ)>("mapGetObjectsCross");
  auto unite = Fn<HOBJ (*)(HOBJ, HOBJ, HOBJ, LONG, double)>("mapGetObjectsUnion");
  auto pointsEx = Fn<HANDLE (*)(HOBJ, HOBJ, double)>("mapCreateObjectCrossPointsEx");
  auto points = Fn<HANDLE (*)(HOBJ, HOBJ)>("mapCreateObjectCrossPoints");
  auto subject = Fn<HANDLE (*)(HOBJ, HOBJ, LONG, LONG)>("mapCreateSubjectCrossPoints");
  auto count = Fn<LONG (*)(HANDLE)>("mapGetCrossCount");
  auto point = Fn<LONG (*)(HANDLE, LONG, CROSSPOINT*)>("mapGetCrossPoint");
  auto freeList = Fn<void (*)(HANDLE)>("mapFreeCrossPoints");
  auto insert = Fn<LONG (*)(HOBJ, HOBJ)>("mapInsertPointCross");
  auto byLine = Fn<HANDLE (*)(HOBJ, HOBJ, LONG, double)>("mapCreateObjectCutByLine");
  auto nextCut = Fn<HOBJ (*)(HANDLE, HOBJ)>("mapGetNextCut");
  auto freeByLine = Fn<void (*)(HANDLE)>("mapFreeObjectsCut");
  auto consent = Fn<HANDLE (*)(HOBJ, HOBJ, LONG, double)>("mapCreateObjectsConsent");
  auto nextConsent = Fn<HOBJ (*)(HANDLE, HOBJ)>("mapGetNextConsent");
  auto freeConsent = Fn<void (*)(HANDLE)>("mapFreeObjectsConsent");
  auto overlap = Fn<LONG (*)(HOBJ, HOBJ, double)>("mapCheckOverlap");
  auto inside = Fn<LONG (*)(HOBJ, HOBJ)>("mapCheckInsideObject");
  auto insideEx = Fn<LONG (*)(HOBJ, HOBJ)>("mapCheckInsideObjectEx");
  ASSERT_TRUE(precision && cross && square && next && freeCut && crossed && unite && pointsEx &&
              points && subject && count && point && freeList && insert && inside && insideEx &&
              byLine && nextCut && freeByLine && consent && nextConsent && freeConsent &&
              overlap);

  EXPECT_DOUBLE_EQ(0.001, precision(0, 0.5));
  // An address that was never handed out, as object and as worker.
  int64_t block[64] = {};
  const HOBJ fake = reinterpret_cast<HOBJ>(block);
  HANDLE worker = block;
  CROSSPOINT r{};
  for (HOBJ h : {HOBJ(0), fake}) {
    EXPECT_EQ(nullptr, cross(h, h, 1, 0.0));
    EXPECT_EQ(nullptr, square(h, fake, 0.0));
    EXPECT_EQ(0, crossed(h, fake));
    EXPECT_EQ(0, unite(h, fake, fake, 1, 0.0));
    EXPECT_EQ(nullptr, pointsEx(h, fake, 0.0));
    EXPECT_EQ(nullptr, points(fake, h));
    EXPECT_EQ(nullptr, subject(h, fake, 0, 0));
    EXPECT_EQ(0, insert(h, fake));
    EXPECT_EQ(0, inside(fake, h));
    EXPECT_EQ(nullptr, byLine(h, fake, 1, 0.0));
    EXPECT_EQ(nullptr, consent(fake, h, 1, 0.0));
    EXPECT_EQ(0, overlap(h, fake, 0.0));
    EXPECT_EQ(0, insideEx(h, fake));
  }
  for (HANDLE h : {HANDLE(nullptr), worker}) {
    EXPECT_EQ(0, next(h, fake));
    EXPECT_EQ(0, count(h));
    EXPECT_EQ(0, point(h, 1, &r));
    freeCut(h);
    freeList(h);
    EXPECT_EQ(0, nextCut(h, fake));
    freeByLine(h);
    EXPECT_EQ(0, nextConsent(h, fake));
    freeConsent(h);
  }
  EXPECT_EQ(0, block[0]);
}

}  // namespace
