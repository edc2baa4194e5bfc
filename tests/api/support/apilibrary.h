// The shared library loaded as a host loads it, for the tests of the
// exported functions: a fixture that opens it for each suite, finds its
// functions by name and calls a header's functions with handles they must
// refuse, and a fresh scratch folder for each test.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

#include "apiheaders.h"

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

  // What a function answered: its integer result, or its floating one for
  // a function answering double.
  struct Answer {
    intptr_t value = 0;
    double real = 0;
  };
  // Calls each function with each of `handles` as its first argument and,
  // as five more, the address of zeroed memory (a valid pointer, an empty
  // text or a number); `check` judges each answer. No call may write to
  // that memory.
  static void CallWithHandles(
      const std::vector<DeclaredFunction>& functions, const std::vector<intptr_t>& handles,
      const std::function<void(const DeclaredFunction&, const Answer&)>& check) {
    std::vector<uint64_t> scratch(4096, 0);
    const intptr_t arg = reinterpret_cast<intptr_t>(scratch.data());
    // Twelve arguments, as many as the longest function takes: one of more
    // than six takes its later ones from the stack and may write over them
    // there, so the caller must have passed them.
    using Probe = intptr_t (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                               intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
    using DoubleProbe = double (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                                   intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t);
    for (const DeclaredFunction& f : functions) {
      void* entry = dlsym(lib, f.name.c_str());
      ASSERT_NE(entry, nullptr) << f.name;
      for (const intptr_t handle : handles) {
        Answer a;
        if (f.result == "double")
          a.real = reinterpret_cast<DoubleProbe>(entry)(handle, arg, arg, arg, arg, arg, arg, arg,
                                                        arg, arg, arg, arg);
        else
          a.value = reinterpret_cast<Probe>(entry)(handle, arg, arg, arg, arg, arg, arg, arg, arg,
                                                   arg, arg, arg);
        check(f, a);
      }
      EXPECT_EQ(uint64_t(0), scratch[0]) << f.name;
    }
  }

  // What a function answers when it refuses: nothing for a void one, an
  // empty text, a null pointer, 0.0 or 0.
  static void ExpectRefusal(const DeclaredFunction& f, const Answer& a) {
    if (f.result == "void") return;
    if (f.result == "const char*")
      EXPECT_STREQ("", reinterpret_cast<const char*>(a.value)) << f.name;
    else if (f.result == "char*")
      EXPECT_EQ(0, a.value) << f.name;
    else if (f.result == "double")
      EXPECT_EQ(0.0, a.real) << f.name;
    else
      EXPECT_EQ(0, int32_t(a.value)) << f.name;
  }

  static inline void* lib = nullptr;
};

// The loaded library with messages off, and a fresh folder for each test
// whose files Path names.
class LibraryFolderTest : public LoadedLibraryTest {
 protected:
  void SetUp() override;
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
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

inline void LibraryFolderTest::SetUp() {
  LoadedLibraryTest::SetUp();
  if (HasFatalFailure()) return;
  Fn<int (*)(int)>("mapMessageEnable")(0);
  dir_ = FreshTestFolder(std::string(
             ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name()) +
         "_");
}

// The bytes of a file (none when it cannot be read).
inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace apitest

// An exported function found in the loaded library by the declaration its
// public header gives it.
#define FN(name) Fn<decltype(&name)>(#name)
