// The exported classes of the metric records and plane geometry resolve in
// the shared library; the block helpers stay inside it.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

const char* const kExports[] = {
    // TDataEdit
    "_ZN9TDataEdit4InitEv",
    "_ZN9TDataEdit18AppendPointSubjectEidd",
    "_ZN9TDataEdit10ChangeKindEi",
    "_ZN9TDataEdit6SquareEv",
    "_ZN9TDataEdit12LinearFilterEd",
    "_ZN9TDataEdit12CrossCutDataEPK11DOUBLEPOINTS2_iiP11NUMBERPOINTS4_id",
    // TObjectData
    "_ZNK11TObjectData9PerimeterEv",
    // TMeasure
    "_ZNK8TMeasure12CircleCenterEPK11DOUBLEPOINTS2_S2_PS0_",
    "_ZN8TMeasure12CrossCutDataEPK11DOUBLEPOINTS2_S2_S2_PS0_S3_d",
};

const char* const kHidden[] = {"_ZN6metric10AllocBlockEm", "_Z15MetricPointSizej"};

TEST(ExportsMetric, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;
  dlclose(lib);
}

}  // namespace
