#include "support/scratch_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace mctest {

std::string MemoryScratchRoot(const std::string& fallback) {
  std::error_code ec;
  if (fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0) return "/dev/shm";
  return fallback;
}

ScratchDir::ScratchDir(const char* root) {
  static std::atomic<int> counter{0};
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "scratch";
  // Parameterised tests have '/' in their names.
  for (char& c : name)
    if (c == '/') c = '_';
  path_ = std::string(root) + "/" + name + "-" + std::to_string(getpid()) + "-" +
          std::to_string(++counter) + "/";
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Read-only files and folders are made writable again so that they go.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void ScratchDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScratchDir::Read(const std::string& name) const {
  std::ifstream in(path_ + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool ScratchDir::Exists(const std::string& name) const { return fs::exists(path_ + name); }

}  // namespace mctest
