// Reads of blocked raster files. The full read: a 10,000 x 10,000 8-bit
// raster whose 1,600 blocks are LZW-compressed, opened and read block by
// block through the block cache, in milliseconds per whole read (goal:
// 600 ms) and bytes of decoded raster per second; a small raster read
// element by element with one of its blocks damaged; elements and heights
// read at scattered places and row by row through the host's functions,
// each against a read of the same file as one frame; and rows read one
// frame call each, against GDAL reading the same files a row at a time.
// The files are written once before the runs and are in the system's file
// cache while they are read.
#include <benchmark/benchmark.h>
#include <gdal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "api/document_api.h"
#include "api/mtr_api.h"
#include "api/rst_api.h"
#include "bench/bench_peer.h"
#include "bench/bench_support.h"
#include "raster/mtr.h"
#include "raster/rmf.h"
#include "raster/rst.h"

namespace {

constexpr int kSide = 10000;

// The raster, written once per program run.
const std::string& RasterFile() {
  static benchsupport::ScratchFolder folder("bench_rmf");
  static const std::string name = [] {
    const std::string path = folder.path() + "big.rsw";
    TRmf rmf;
    if (!rmf.Create(path.c_str(), kSide, kSide, 8, nullptr, 10000, 1)) return std::string();
    return benchsupport::WriteScannedRaster(rmf) ? path : std::string();
  }();
  return name;
}

void BM_RmfFullReadLzw(benchmark::State& state) {
  const std::string& path = RasterFile();
  if (path.empty()) {
    state.SkipWithError("the raster could not be written");
    return;
  }
  TRmf rmf;
  int64_t packed = 0;
  for (auto _ : state) {
    if (!rmf.OpenFile(path.c_str(), GENERIC_READ)) {
      state.SkipWithError("the raster does not open");
      return;
    }
    DWORD sum = 0;
    for (int r = 0; r < rmf.Head.BlockRows; ++r) {
      for (int c = 0; c < rmf.Head.BlockColumns; ++c) {
        const BYTE* b = rmf.GetBlockAddress(r, c);
        if (!b) {
          state.SkipWithError("a block does not read");
          return;
        }
        sum += b[0];
      }
    }
    benchmark::DoNotOptimize(sum);
    if (packed == 0)
      for (int n = 0; n < rmf.BlockCount(); ++n) packed += rmf.BlockLength(n);
    rmf.Close(0);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kSide * kSide);
  state.counters["ratio"] = double(packed) / (double(kSide) * kSide);
}
BENCHMARK(BM_RmfFullReadLzw)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every element of a 300 x 200 raster of two LZW-compressed blocks read one
// by one, intact (argument 0), with the first block's stored bytes cut to
// half (argument 1), which then fails to decode, and with its stored length
// running past the end of the file (argument 2), which then fails to read.
// A block that fails is read once, not at every element read of it: each
// damaged run reports its time against the intact run's ("damaged/intact")
// and fails its check when that passes 4 (before such blocks were
// remembered, some 160 and 10).
constexpr int kSmallColumns = 300, kSmallRows = 200;

const std::string& SmallRaster(int damage) {
  static benchsupport::ScratchFolder folder("bench_rmf_small");
  static std::string names[3];
  std::string& name = names[damage];
  if (!name.empty()) return name;
  const std::string path = folder.path() + std::to_string(damage) + ".rsw";
  TRmf rmf;
  if (!rmf.Create(path.c_str(), kSmallColumns, kSmallRows, 8, nullptr, 10000, 1)) return name;
  rmf.Head.Compression = RMF_LZW;
  rmf.HeadChanged = 1;
  std::vector<char> block(65536), packed(65536);
  for (int c = 0; c < rmf.Head.BlockColumns; ++c) {
    const int size = rmf.BlockRawLength(0, c);
    for (int i = 0; i < size; ++i) block[size_t(i)] = char(i / 64 % 9);
    const int n = rmf.Compress(block.data(), size, packed.data(), size);
    if (n <= 8) return name;
    const int stored = damage == 1 && c == 0 ? n / 2 : n;
    if (rmf.WriteBlock(0, c, packed.data(), stored) != stored) return name;
  }
  if (rmf.Save() != 1) return name;
  if (damage == 2) {
    const int64_t end = rmf.FileLength();
    if (end <= 0 || !rmf.SetBlockLength(0, DWORD(end - rmf.BlockPosition(0) + 4096)) || rmf.Save() != 1)
      return name;
  }
  rmf.Close();
  name = path;
  return name;
}

double intactSeconds = 0;  // per whole read, of the last intact run

void BM_RmfReadDamagedBlock(benchmark::State& state) {
  const int damage = int(state.range(0));
  const std::string& path = SmallRaster(damage);
  if (path.empty()) {
    state.SkipWithError("the raster could not be written");
    return;
  }
  TRmf rmf;
  int64_t read = 0;
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    // Each whole read opens the file: nothing cached, nothing known.
    if (!rmf.OpenFile(path.c_str(), GENERIC_READ)) {
      state.SkipWithError("the raster does not open");
      return;
    }
    read = 0;
    for (int r = 0; r < kSmallRows; ++r)
      for (int c = 0; c < kSmallColumns; ++c) {
        LONG v;
        read += rmf.GetPoint(v, r, c);
      }
    benchmark::DoNotOptimize(read);
    rmf.Close(0);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  // The intact raster reads whole; a damaged one its second block alone.
  const int64_t want = damage ? int64_t(kSmallColumns - 256) * kSmallRows
                              : int64_t(kSmallColumns) * kSmallRows;
  if (read != want) {
    state.SkipWithError("the elements read are not those of the intact blocks");
    return;
  }
  const double perRead = seconds / double(state.iterations());
  if (!damage) {
    intactSeconds = perRead;
    return;
  }
  if (intactSeconds > 0) {
    const double ratio = perRead / intactSeconds;
    state.counters["damaged/intact"] = ratio;
    if (ratio > 4)
      state.SkipWithError(("a damaged block is read again at every element: " + std::to_string(ratio)).c_str());
  }
}
BENCHMARK(BM_RmfReadDamagedBlock)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Scattered and row-by-row reads, as hosts read heights under objects,
// profiles, cursor read-outs and pictures line by line, through the host's
// functions on four files of 64 MB of elements each: an 8000 x 8000 8-bit
// raster of LZW-compressed blocks (kind 0), a 4000 x 4000 matrix of 4-byte
// heights, its blocks plain (1) and compressed by the matrix coder (2), and
// the raster with its blocks plain (3). They are written once, with their
// last-write times an hour back, and left alone for longer than the two
// seconds after which the blocks read are kept, as a host's files at rest
// are. Each run opens the file, reads and closes it, so that nothing is
// cached before:
// - BM_RmfFrameRead: the whole file as one frame (mapGetRstFrame,
//   mapGetMtrFrame);
// - BM_RmfScatteredReads: 20,000 elements (mapGetRstPoint) or heights
//   (mapGetHeightValueOfMtr) at random places, with "scattered/frame" the
//   time against the frame read, which must not pass 1;
// - BM_RmfRowByRowReads: every element, row by row, through the raster
//   and matrix classes (TRmf::GetPoint) and, for the LZW raster, through
//   the host's function (mapGetRstPoint), with "rows/frame": none may pass
//   3. The function adds a call with its handle and raster number looked
//   up to each of the 64 million elements;
// - BM_RmfRowFrames: every row as a frame of its own (one mapGetRstFrame
//   or mapGetMtrFrame call a row, as scanline readers do), against GDAL
//   reading the same file a row at a time (GDALRasterIO of one row a call,
//   its block cache as it comes): "rows/GDAL" must not pass 1. Before the
//   runs, every row GDAL reads is compared with ours: its driver for this
//   format opens all four kinds, and a difference fails the benchmark.
// Each run of the last three is compared with a run of the other side made
// just before it (outside its time), in processor time of the program, and
// the check holds the median of these ratios. The machine may be shared:
// what other programs do moves a run's time, on a loaded machine by several
// tenths, far more than a check can tell apart; two runs taken in turn see
// the same load, and the median is not moved by a round disturbed now and
// then. Their counts of runs are fixed: a check is made once, on all of
// them, not on the single run the benchmark library first makes to choose
// a count.
constexpr int kWideSide = 8000, kMtrSide = 4000, kScattered = 20000;
constexpr int kScatterFiles = 4;
const char* const kScatterNames[kScatterFiles] = {"raster LZW", "matrix plain", "matrix packed",
                                                  "raster plain"};

bool IsRaster(int kind) { return kind == 0 || kind == 3; }
int SideOf(int kind) { return IsRaster(kind) ? kWideSide : kMtrSide; }
int ElementBytes(int kind) { return IsRaster(kind) ? 1 : 4; }

// A matrix height in centimetres: a smooth surface with a little noise,
// which the matrix coder packs to about a third.
LONG MtrValue(int row, int col) {
  return LONG(120000 + 30000 * std::sin(row / 300.0) * std::cos(col / 250.0) + (row * 7 + col * 13) % 17);
}

BUILDMTW MtrBuild() {
  BUILDMTW b{};
  b.Length = sizeof(BUILDMTW);
  b.BeginX = 6000000.0;
  b.BeginY = 500000.0;
  b.ElementSize = 10.0;
  b.Width = b.Height = kMtrSide * 10.0;
  b.ElementBytes = 4;
  b.HeightUnit = 2;
  b.Scale = 100000;
  return b;
}

bool WriteMatrix(const std::string& path, bool packed) {
  TMtr mtr;
  BUILDMTW b = MtrBuild();
  if (!mtr.Create(path.c_str(), &b, nullptr, 0)) return false;
  if (packed) {
    mtr.Head.Compression = RMF_MATRIX;
    mtr.HeadChanged = 1;
  }
  std::vector<LONG> block(size_t(mtr.Head.BlockWidth) * mtr.Head.BlockHeight);
  std::vector<char> out(block.size() * 4);
  for (int r = 0; r < mtr.Head.BlockRows; ++r) {
    for (int c = 0; c < mtr.Head.BlockColumns; ++c) {
      const int w = mtr.BlockWidth(c), h = mtr.BlockHeight(r);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          block[size_t(y) * w + x] = MtrValue(r * mtr.Head.BlockHeight + y, c * mtr.Head.BlockWidth + x);
      const int raw = w * h * 4;
      int n = packed ? mtr.CompressMtr(block.data(), raw, out.data(), int(out.size()), LONG(-32767000)) : 0;
      const char* data = n > 0 ? out.data() : reinterpret_cast<const char*>(block.data());
      if (n <= 0) n = raw;
      if (mtr.TRmf::WriteBlock(r, c, data, n) != n) return false;
      if (!mtr.UpdateMinMax(reinterpret_cast<const char*>(block.data()), w, h, 1)) return false;
    }
  }
  return mtr.Save() != 0;
}

// The scanned-map raster with its blocks stored plain.
bool WritePlainRaster(const std::string& path) {
  TRmf rmf;
  if (!rmf.Create(path.c_str(), kWideSide, kWideSide, 8, nullptr, 10000, 1)) return false;
  std::mt19937 rng(7);
  std::vector<char> block(65536);
  for (int r = 0; r < rmf.Head.BlockRows; ++r) {
    for (int c = 0; c < rmf.Head.BlockColumns; ++c) {
      const int w = rmf.BlockWidth(c), h = rmf.BlockHeight(r);
      benchsupport::FillScannedBlock(block, w, h, r, c, rng);
      if (rmf.TRmf::WriteBlock(r, c, block.data(), w * h) != w * h) return false;
    }
  }
  return rmf.Save() != 0;
}

// The files, written at the first call; empty names for those that could
// not be.
const std::string& ScatterFile(int kind) {
  static benchsupport::ScratchFolder folder("bench_rmf_scatter");
  static std::string names[kScatterFiles];
  static bool written = false;
  if (written) return names[kind];
  written = true;
  for (int k = 0; k < kScatterFiles; ++k) {
    const std::string path = folder.path() + (k == 0 ? "wide.rsw" : k == 1 ? "plain.mtw" : k == 2 ? "packed.mtw" : "plain.rsw");
    bool ok;
    if (k == 0) {
      TRmf rmf;
      ok = rmf.Create(path.c_str(), kWideSide, kWideSide, 8, nullptr, 10000, 1) &&
           benchsupport::WriteScannedRaster(rmf);
    } else {
      ok = k == 3 ? WritePlainRaster(path) : WriteMatrix(path, k == 2);
    }
    std::error_code ec;
    if (ok) {
      namespace fs = std::filesystem;
      fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1), ec);
    }
    if (ok && !ec) names[k] = path;
  }
  // Putting the times back was the files' last change: at rest from two
  // seconds after it.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  return names[kind];
}

// A document of the file (written already: each benchmark asks for it
// before its first run).
HMAP OpenScatterFile(int kind) {
  const std::string& path = ScatterFile(kind);
  if (path.empty()) return 0;
  const LONG mode = LONG(GENERIC_READ);
  return IsRaster(kind) ? mapOpenRst(path.c_str(), mode) : mapOpenMtr(path.c_str(), mode);
}

// The random places, the same in every run: elements (row, column) and the
// plane points of the matrix elements' centres.
struct Places {
  std::vector<LONG> rows, cols;
  std::vector<double> xs, ys;
  std::vector<LONG> heights;  // of the matrices, centimetres
};

const Places& RandomPlaces(int side) {
  static Places places[2];
  Places& p = places[side == kWideSide ? 0 : 1];
  if (!p.rows.empty()) return p;
  std::mt19937 rng(2024);
  std::uniform_int_distribution<int> any(0, side - 1);
  const BUILDMTW b = MtrBuild();
  for (int i = 0; i < kScattered; ++i) {
    p.rows.push_back(any(rng));
    p.cols.push_back(any(rng));
    p.xs.push_back(b.BeginX + (side - p.rows.back() - 0.5) * b.ElementSize);
    p.ys.push_back(b.BeginY + (p.cols.back() + 0.5) * b.ElementSize);
    p.heights.push_back(MtrValue(p.rows.back(), p.cols.back()));
  }
  return p;
}

// Processor time of the program in seconds, the cost the ratios compare:
// other programs sharing the machine move it far less than elapsed time.
double CpuNow() { return double(std::clock()) / CLOCKS_PER_SEC; }

// One read of a whole file as one frame: opened, read and closed, the
// memory for the frame made for the run, as the block cache is for the
// scattered reads. Its processor time in seconds; negative when it failed
// (the benchmark then fails).
double FrameRun(benchmark::State& state, int kind) {
  const int side = SideOf(kind);
  const size_t bytes = size_t(side) * side * ElementBytes(kind);
  const double start = CpuNow();
  const HMAP h = OpenScatterFile(kind);
  if (!h) {
    state.SkipWithError("the file could not be written or opened");
    return -1;
  }
  std::unique_ptr<char[]> frame(new char[bytes]);
  const LONG ok = IsRaster(kind) ? mapGetRstFrame(h, 1, frame.get(), 0, 0, side, side)
                                 : mapGetMtrFrame(h, 1, frame.get(), 0, 0, side, side);
  benchmark::DoNotOptimize(frame[bytes / 2]);
  frame.reset();
  mapCloseData(h);
  if (!ok) {
    state.SkipWithError("the frame does not read");
    return -1;
  }
  return CpuNow() - start;
}

void BM_RmfFrameRead(benchmark::State& state) {
  const int kind = int(state.range(0));
  state.SetLabel(kScatterNames[kind]);
  ScatterFile(kind);
  for (auto _ : state)
    if (FrameRun(state, kind) < 0) return;
  state.SetBytesProcessed(int64_t(state.iterations()) * SideOf(kind) * SideOf(kind) * ElementBytes(kind));
}
BENCHMARK(BM_RmfFrameRead)->DenseRange(0, 3)->MinTime(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The runs of a benchmark against runs of another reader of the same file,
// one before each run (outside its time), in processor time: each run over
// the other's run just before it, both taken over the same stretch of the
// machine's load, and the median of these ratios, which a round disturbed
// now and then does not move.
class AgainstOther {
 public:
  // `other` runs the other reader: its processor time in seconds, negative
  // when it failed.
  AgainstOther(benchmark::State& state, std::function<double()> other)
      : state_(state), other_(std::move(other)) {}
  // The other reader's run before a run; false when it failed.
  bool Other() {
    state_.PauseTiming();
    other_last_ = other_();
    state_.ResumeTiming();
    return other_last_ >= 0;
  }
  void Run(double seconds) {
    if (other_last_ > 0) ratios_.push_back(seconds / other_last_);
  }
  // The median ratio as a counter named `name`; above `limit` the
  // benchmark fails with `why`.
  void Check(const char* name, double limit, const char* why) {
    if (ratios_.empty()) return;
    const double ratio = benchsupport::Median(ratios_);
    state_.counters[name] = ratio;
    if (ratio > limit) state_.SkipWithError((std::string(why) + ": " + std::to_string(ratio)).c_str());
  }

 private:
  benchmark::State& state_;
  std::function<double()> other_;
  double other_last_ = -1;
  std::vector<double> ratios_;
};

AgainstOther AgainstFrame(benchmark::State& state, int kind) {
  return AgainstOther(state, [&state, kind] { return FrameRun(state, kind); });
}

void BM_RmfScatteredReads(benchmark::State& state) {
  const int kind = int(state.range(0));
  state.SetLabel(kScatterNames[kind]);
  const Places& p = RandomPlaces(SideOf(kind));
  ScatterFile(kind);
  AgainstOther against = AgainstFrame(state, kind);
  for (auto _ : state) {
    if (!against.Other()) return;
    const double start = CpuNow();
    const HMAP h = OpenScatterFile(kind);
    if (!h) {
      state.SkipWithError("the file could not be written or opened");
      return;
    }
    int64_t sum = 0, missing = 0;
    for (int i = 0; i < kScattered; ++i) {
      if (IsRaster(kind)) {
        LONG v = 0;
        missing += mapGetRstPoint(h, 1, &v, p.rows[size_t(i)], p.cols[size_t(i)]) != 1;
        sum += v;
      } else {
        const double v = mapGetHeightValueOfMtr(h, 1, p.xs[size_t(i)], p.ys[size_t(i)]);
        missing += std::lround(v * 100) != p.heights[size_t(i)];
        sum += std::lround(v);
      }
    }
    mapCloseData(h);
    against.Run(CpuNow() - start);
    benchmark::DoNotOptimize(sum);
    if (missing) {
      state.SkipWithError("an element or height was not read or was wrong");
      return;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kScattered);
  against.Check("scattered/frame", 1.0, "scattered reads cost more than reading the whole file");
}
BENCHMARK(BM_RmfScatteredReads)->DenseRange(0, 2)->Iterations(8)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arguments: the file's kind, and 1 to read through the host's function
// (the LZW raster only).
void BM_RmfRowByRowReads(benchmark::State& state) {
  const int kind = int(state.range(0));
  const bool host = state.range(1) != 0;
  state.SetLabel(std::string(kScatterNames[kind]) + (host ? ", mapGetRstPoint" : ", TRmf::GetPoint"));
  const std::string& path = ScatterFile(kind);
  const int side = SideOf(kind);
  AgainstOther against = AgainstFrame(state, kind);
  for (auto _ : state) {
    if (!against.Other()) return;
    const double start = CpuNow();
    int64_t sum = 0, missing = 0;
    if (host) {
      const HMAP h = OpenScatterFile(kind);
      if (!h) {
        state.SkipWithError("the file could not be written or opened");
        return;
      }
      for (LONG r = 0; r < side; ++r)
        for (LONG c = 0; c < side; ++c) {
          LONG v = 0;
          missing += mapGetRstPoint(h, 1, &v, r, c) != 1;
          sum += v;
        }
      mapCloseData(h);
    } else {
      std::unique_ptr<TRmf> file;
      if (IsRaster(kind))
        file = std::make_unique<TRst>(path.c_str(), int(GENERIC_READ));
      else
        file = std::make_unique<TMtr>(path.c_str(), int(GENERIC_READ));
      for (int r = 0; r < side; ++r)
        for (int c = 0; c < side; ++c) {
          LONG v = 0;
          missing += file->GetPoint(v, r, c) != 1;
          sum += v;
        }
    }
    against.Run(CpuNow() - start);
    benchmark::DoNotOptimize(sum);
    if (missing) {
      state.SkipWithError("an element was not read");
      return;
    }
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * side * side);
  against.Check("rows/frame", 3.0, "row-by-row reads cost more than 3 frame reads");
}
BENCHMARK(BM_RmfRowByRowReads)
    ->Args({0, 0})->Args({3, 0})->Args({1, 0})->Args({2, 0})->Args({0, 1})
    ->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every row of a file read as a frame of its own through the host's
// functions: opened, read and closed; its processor time in seconds,
// negative when it failed. With `rows`, what was read goes there.
double RowFramesRun(benchmark::State& state, int kind, std::vector<char>* rows) {
  const int side = SideOf(kind);
  const size_t bytes = size_t(side) * ElementBytes(kind);
  std::vector<char> row(bytes);
  const double start = CpuNow();
  const HMAP h = OpenScatterFile(kind);
  if (!h) {
    state.SkipWithError("the file could not be written or opened");
    return -1;
  }
  LONG ok = 1;
  for (int r = 0; r < side && ok; ++r) {
    ok = IsRaster(kind) ? mapGetRstFrame(h, 1, row.data(), 0, r, side, 1)
                        : mapGetMtrFrame(h, 1, row.data(), 0, r, side, 1);
    benchmark::DoNotOptimize(row[size_t(r) % bytes]);
    if (rows) std::copy(row.begin(), row.end(), rows->begin() + std::ptrdiff_t(r * bytes));
  }
  mapCloseData(h);
  if (!ok) {
    state.SkipWithError("a row does not read");
    return -1;
  }
  return CpuNow() - start;
}

// The same through GDAL: the file opened, every row read by one
// GDALRasterIO call, closed.
double GdalRowsRun(benchmark::State& state, int kind, std::vector<char>* rows) {
  const int side = SideOf(kind);
  const size_t bytes = size_t(side) * ElementBytes(kind);
  std::vector<char> row(bytes);
  const double start = CpuNow();
  GDALDatasetH data = GDALOpen(ScatterFile(kind).c_str(), GA_ReadOnly);
  if (!data) {
    state.SkipWithError("GDAL does not open the file");
    return -1;
  }
  GDALRasterBandH band = GDALGetRasterBand(data, 1);
  const GDALDataType type = IsRaster(kind) ? GDT_Byte : GDT_Int32;
  CPLErr e = band ? CE_None : CE_Failure;
  for (int r = 0; r < side && e == CE_None; ++r) {
    e = GDALRasterIO(band, GF_Read, 0, r, side, 1, row.data(), side, 1, type, 0, 0);
    benchmark::DoNotOptimize(row[size_t(r) % bytes]);
    if (rows) std::copy(row.begin(), row.end(), rows->begin() + std::ptrdiff_t(r * bytes));
  }
  GDALClose(data);
  if (e != CE_None) {
    state.SkipWithError("GDAL does not read a row");
    return -1;
  }
  return CpuNow() - start;
}

void BM_RmfRowFrames(benchmark::State& state) {
  const int kind = int(state.range(0));
  state.SetLabel(kScatterNames[kind]);
  const int side = SideOf(kind);
  ScatterFile(kind);
  static const bool registered = (GDALAllRegister(), true);
  benchmark::DoNotOptimize(registered);
  // GDAL reads the file as we do.
  {
    const size_t bytes = size_t(side) * side * ElementBytes(kind);
    std::vector<char> ours(bytes), theirs(bytes, char(0x5A));
    if (RowFramesRun(state, kind, &ours) < 0 || GdalRowsRun(state, kind, &theirs) < 0) return;
    if (ours != theirs) {
      state.SkipWithError("GDAL reads the file otherwise");
      return;
    }
  }
  AgainstOther against(state, [&state, kind] { return GdalRowsRun(state, kind, nullptr); });
  for (auto _ : state) {
    if (!against.Other()) return;
    const double t = RowFramesRun(state, kind, nullptr);
    if (t < 0) return;
    against.Run(t);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * side);
  against.Check("rows/GDAL", 1.0, "reading row by row costs more than GDAL's");
}
BENCHMARK(BM_RmfRowFrames)->DenseRange(0, 3)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
