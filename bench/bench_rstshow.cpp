// Painting a 1920 x 1080 picture from a 40,000 x 40,000 8-bit raster at
// one element per pixel (goals: 20 ms with the blocks in the system's file
// cache, 80 ms with the file dropped from it before each picture), and the
// height of an elevation matrix at a point with its block in the cache
// (goal: 100 ns).
//
// The raster is written sparse: only the blocks under the picture hold
// data (plain, 256 x 256 each); the rest of the file is a block table of
// absent blocks. The scratch folder is removed when the program ends.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/messages.h"
#include "document/mapaccess.h"
#include "document/rmfchains.h"
#include "document/rmfdisplay.h"
#include "document/rmfheights.h"
#include "tests/raster/support/rmfbuild.h"

namespace {

constexpr int kSide = 40000;
constexpr int kWidth = 1920, kHeight = 1080;
// The picture's south-west corner in elements from the raster's.
constexpr int kLeft = 19000, kBottom = 19000;

benchsupport::ScratchFolder& Folder() {
  static benchsupport::ScratchFolder folder("bench_rstshow");
  return folder;
}

const std::string& RasterFile() {
  static const std::string name = [] {
    const std::string path = Folder().path() + "big.rsw";
    DWORD palette[256];
    for (DWORD i = 0; i < 256; ++i) palette[i] = (i * 0x010203) & 0xFFFFFF;
    TRst rst;
    if (!rst.Create(path.c_str(), kSide, kSide, 8, palette, 10000, 1000)) return std::string();
    // Rows are counted from the north edge.
    const int r0 = (kSide - kBottom - kHeight) / 256 - 1, r1 = (kSide - kBottom) / 256 + 1;
    const int c0 = kLeft / 256 - 1, c1 = (kLeft + kWidth) / 256 + 1;
    std::vector<char> block(65536);
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) {
        for (int i = 0; i < 65536; ++i) block[size_t(i)] = char((i / 256 + i % 256 + r * 7 + c * 3) & 255);
        if (rst.TRmf::WriteBlock(r, c, block.data(), 65536) != 65536) return std::string();
      }
    rst.Head.LocationX = 0;
    rst.Head.LocationY = 0;
    rst.Head.LocationSet = 1;
    rst.HeadChanged = 1;
    return rst.Save() ? path : std::string();
  }();
  return name;
}

// A document showing the raster at one element per pixel over the picture.
struct Scene {
  TMapAccess* doc = nullptr;
  std::vector<uint32_t> pixels = std::vector<uint32_t>(size_t(kWidth) * kHeight);
  DIBCONTEXT target{};
  bool Open(const std::string& path) {
    MessageEnableSet(0);
    doc = NewDocument();
    if (!doc || path.empty() || doc->OpenRst(path.c_str(), 0) != 1) return false;
    doc->SetViewScale(1.0);
    const double f = GetChainUnit(DocChain(doc, DOCKIND_RST), 1)->PictureFactor;
    doc->SetPixel(f, f);
    doc->DrawPlace = FRAME{kBottom + 1, kLeft, kBottom + kHeight, kLeft + kWidth - 1};
    target = DIBCONTEXT{reinterpret_cast<BYTE*>(&pixels[size_t(kHeight - 1) * kWidth]),
                        kWidth * 4, kHeight, 4, 1, kWidth};
    return true;
  }
  ~Scene() { FreeDocument(doc); }
};

void DropFromFileCache(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return;
  fdatasync(fd);
  posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  close(fd);
}

void Paint(benchmark::State& state, bool cold) {
  Scene scene;
  const std::string& path = RasterFile();
  if (!scene.Open(path)) {
    state.SkipWithError("no raster");
    return;
  }
  TRst* raster = GetChainUnit(DocChain(scene.doc, DOCKIND_RST), 1)->Raster();
  if (ShowRstPlace(scene.doc, 0, &scene.target) != 1) state.SkipWithError("not painted");
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      raster->ClearBuffer();
      DropFromFileCache(path);
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(ShowRstPlace(scene.doc, 0, &scene.target));
    benchmark::ClobberMemory();
  }
}

void BM_RstPicture1080Cached(benchmark::State& state) { Paint(state, false); }
void BM_RstPicture1080Cold(benchmark::State& state) { Paint(state, true); }

void BM_HeightAtPoint(benchmark::State& state) {
  const std::string path = Folder().path() + "hills.mtw";
  BUILDMTW b = rmftest::MatrixBuild(5000, 2000, 10000, 10000, 10, 4, 10000);
  b.HeightUnit = 2;
  if (rmftest::WriteMatrix(path, b, 64, 64, [](int i, int j) { return 10000 + i * j; }, 10000,
                           14000) != 1) {
    state.SkipWithError("no matrix");
    return;
  }
  MessageEnableSet(0);
  TMapAccess* doc = NewDocument();
  if (!doc || doc->OpenMtr(path.c_str(), 0) != 1) {
    state.SkipWithError("not opened");
    FreeDocument(doc);
    return;
  }
  double x = 14900, y = 2100, sum = 0;
  for (auto _ : state) {
    sum += state.range(0) ? GetPrecisionHeightValue(doc, x, y) : GetHeightValue(doc, x, y);
    y = y < 2500 ? y + 10 : 2100;
  }
  benchmark::DoNotOptimize(sum);
  FreeDocument(doc);
}

}  // namespace

BENCHMARK(BM_RstPicture1080Cached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RstPicture1080Cold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeightAtPoint)->Arg(0)->Arg(1)->Unit(benchmark::kNanosecond);
