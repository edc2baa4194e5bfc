// The exported LZW entry points resolve in the shared library and round-trip
// a block.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

const char* const kExports[] = {
    "mapCompressLZW", "mapDecompressLZW",
    // the exported colour classes
    "_ZN11TBaseColorsC1Ev", "_ZN11TBaseColors9SetBrightEi", "_ZN11TMtrPaletteC1Ev", "_ZN11TMtrPalette5StyleEi",
};

TEST(ExportsCodec, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  // The coder classes stay inside the library.
  EXPECT_EQ(dlsym(lib, "_ZN9TCompress8CompressEPKciPci"), nullptr);

  using Fn = int (*)(const char*, int, char*, int);
  auto compress = reinterpret_cast<Fn>(dlsym(lib, "mapCompressLZW"));
  auto decompress = reinterpret_cast<Fn>(dlsym(lib, "mapDecompressLZW"));
  ASSERT_NE(compress, nullptr);
  ASSERT_NE(decompress, nullptr);
  std::vector<char> src(10, 'a'), packed(10), back(10);
  ASSERT_EQ(6, compress(src.data(), 10, packed.data(), 10));
  EXPECT_EQ(10, decompress(packed.data(), 6, back.data(), 10));
  EXPECT_EQ(src, back);
  EXPECT_EQ(0, compress(src.data(), 2, packed.data(), 10));
  EXPECT_EQ(0, decompress(packed.data(), 6, back.data(), 9));
  dlclose(lib);
}

}  // namespace
