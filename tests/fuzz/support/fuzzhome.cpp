#include "support/fuzzhome.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "common/messages.h"
#include "groups/mapgroups.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "support/primfixture.h"
#include "support/rmffixture.h"
#include "support/scratch_dir.h"
#include "support/selectfixture.h"
#include "support/tplfixture.h"

namespace fs = std::filesystem;

namespace fuzz {

namespace {

DWORD g_slept = 0;
void CountSleep(DWORD milliseconds, void*) { g_slept += milliseconds; }

// The folders between the home and the work folder.
constexpr const char* kDepth = "w/x/y/z/";
// The largest file an input may make the library write.
constexpr rlim_t kFileLimit = 64u << 20;

}  // namespace

void UseFixtureClock() {
  SYSTEMTIME t{};
  t.wYear = 2024, t.wMonth = 3, t.wDay = 14, t.wHour = 12;
  plat::SetFixedClock(t);
}

Files PrepareFixtures(const std::string& folder) {
  UseFixtureClock();
  plat::SetSleepHook(CountSleep, nullptr);
  plat::SetWriteThroughEnabled(false);
  MessageEnableSet(0);
  GroupAccessSet(1);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!BuildFixture(folder) || !BuildDataFixture(folder) || !BuildSelectFixture(folder) ||
      !BuildTemplateFixture(folder) || !BuildPrimitiveFixture(folder))
    return {};
  return ReadFolder(folder);
}

DWORD TakeSleptMilliseconds() {
  const DWORD slept = g_slept;
  g_slept = 0;
  return slept;
}

bool IsDataFile(const std::string& name) {
  static const std::vector<std::string> data = [] {
    std::vector<std::string> d = {kRasterFile, kElevationFile, kQualityFile, kLayerFile,
                                  kSltFile,    kSetFile,       kSecFile,     kTemplateFile};
    d.insert(d.end(), kPrimitiveFiles.begin(), kPrimitiveFiles.end());
    return d;
  }();
  return std::find(data.begin(), data.end(), name) != data.end();
}

FuzzHome& FuzzHome::Get() {
  static FuzzHome* const home = [] {
    auto* h = new FuzzHome();
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Get().home_, ec);
    });
    return h;
  }();
  return *home;
}

FuzzHome::FuzzHome() {
  std::error_code ec;
  const char* root = std::getenv("MAPCORE_FUZZ_DIR");
  std::string base =
      root && *root ? root : mctest::MemoryScratchRoot(fs::temp_directory_path(ec).string());
  home_ = base + "/mapcore-fuzz-" + std::to_string(getpid()) + "/";
  fs::remove_all(home_, ec);
  fs::create_directories(home_ + "tmp", ec);
  // A huge count must not fill the disk: a write past the limit fails
  // (instead of killing the process).
  rlimit files{kFileLimit, kFileLimit};
  setrlimit(RLIMIT_FSIZE, &files);
  signal(SIGXFSZ, SIG_IGN);
  setenv("TMPDIR", (home_ + "tmp").c_str(), 1);
  fixture_ = PrepareFixtures(home_ + "fixture/");
}

std::string FuzzHome::Lay(const std::string& file, const std::string& bytes, bool withMap) {
  std::error_code ec;
  if (chdir(home_.c_str()) != 0) return {};
  fs::remove_all(home_ + "w", ec);
  fs::remove_all(home_ + "tmp", ec);
  fs::create_directories(home_ + "tmp", ec);
  const std::string folder = home_ + kDepth;
  fs::create_directories(folder, ec);
  Files files;
  if (withMap)
    for (const auto& [name, b] : fixture_)
      if (!IsDataFile(name)) files[name] = b;
  files[file] = bytes;
  if (!WriteFolder(folder, files) || chdir(folder.c_str()) != 0) return {};
  return folder;
}

}  // namespace fuzz
