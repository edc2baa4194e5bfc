// The exported sign-image functions, the sign editors and the classifier
// class's own methods resolve in the shared library.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

const char* const kExports[] = {
    "mapGetVectorSize",
    // exported classes (one method of each)
    "_ZN16TVectorImageEdit13CreateSubjectEv",
    "_ZN16TVectorImageEdit13GetIndexColorEjPKji",
    "_ZN15TDecorImageEdit8LoadPartEiiPKci",
    "_ZN7TMapRsc13GetImageFrameEiPKcdP10IMAGEFRAME",
    "_ZN7TMapRsc9TurnPointEP11DOUBLEPOINTS1_dd",
    "_ZN7TMapRsc22CheckAndLoadOldVersionEPKci",
    "_ZN7TMapRsc14LoadOldVersionEPKcS1_i",
};

// Internal helpers stay inside the library.
const char* const kHidden[] = {"_Z16rscGetVectorSizePK11IMGVECTOREXP9IMAGESIZEPKc",
                               "_Z11rscWriteRscP8TRSCDATA"};

TEST(ExportsRscImage, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;

  // A sign of one line subject from (-100, -200) to (300, 400), anchor 4000.
  using Size = int (*)(void*, void*, char*);
  auto size = reinterpret_cast<Size>(dlsym(lib, "mapGetVectorSize"));
  ASSERT_NE(size, nullptr);
  uint32_t sign[21] = {};
  sign[0] = 84;
  sign[1] = sign[2] = 4000;
  sign[3] = 500;
  sign[13] = 1;
  sign[14] = 4u << 16;  // kind 0, parameter length 4
  sign[16] = 2;
  const int32_t points[4] = {-100, -200, 300, 400};
  std::memcpy(&sign[17], points, sizeof points);
  int32_t out[7] = {};
  ASSERT_EQ(1, size(sign, out, nullptr));
  EXPECT_EQ(500, out[1]);
  EXPECT_EQ(100, out[2]);  // left
  EXPECT_EQ(200, out[3]);  // top
  EXPECT_EQ(400, out[4]);  // width
  EXPECT_EQ(600, out[5]);  // height
  EXPECT_EQ(0, size(nullptr, out, nullptr));
  dlclose(lib);
}

}  // namespace
