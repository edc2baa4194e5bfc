// The shared library loaded as a host loads it, for the tests of the
// exported functions: a fixture that opens it for each suite and finds its
// functions by name, and a fresh scratch folder for each test.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace apitest {

class LoadedLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL); }
  static void TearDownTestSuite() {
    if (lib) dlclose(lib);
    lib = nullptr;
  }
  void SetUp() override { ASSERT_NE(lib, nullptr) << dlerror(); }
  // An exported function as the type a host would declare it with.
  template <class F>
  static F Fn(const char* name) {
    F f = reinterpret_cast<F>(dlsym(lib, name));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }

  static inline void* lib = nullptr;
};

// An empty folder for the running test, <tests' scratch folder>/<prefix>
// followed by the test's name, made anew.
inline std::filesystem::path FreshTestFolder(const std::string& prefix) {
  const std::filesystem::path dir =
      std::filesystem::path(MC_TEST_TMP) /
      (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace apitest

// An exported function found in the loaded library by the declaration its
// public header gives it.
#define FN(name) Fn<decltype(&name)>(#name)
