// Reading a sheet through its caches, in objects per second: walking the
// descriptor chain, descriptors by random number, metric records of 1 KB
// and of 300 KB read in order and at random, and switching between sheets
// with 16 of them kept open.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "mapstore/maplist.h"
#include "platform/file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kObjects = 200000;
constexpr int kLongObjects = 200;       // 300 KB records
constexpr uint32_t kShortMetric = 1024;
constexpr uint32_t kLongMetric = 300 * 1024;
constexpr int kCycleSheets = 20;

// Writes the four files of a sheet of `count` LINE objects whose metric
// records are `metricLength` bytes, linked in number order.
void WriteSheet(const std::string& base, int count, uint32_t metricLength) {
  std::vector<char> metric(metricLength, 0);
  const DWORD marker = METRIC_F32;
  std::memcpy(metric.data(), &marker, 4);
  std::memcpy(metric.data() + 4, &metricLength, 4);
  const uint32_t points = (metricLength - 16) / 8;
  const WORD flags = 1;
  std::memcpy(metric.data() + 10, &flags, 2);
  std::memcpy(metric.data() + 12, &points, 4);

  std::vector<char> hdr(48 * (static_cast<size_t>(count) + 1), 0);
  HDRHEAD head;
  InitHdrHead(&head);
  head.Count = count;
  head.First = count > 0 ? 1 : 0;
  head.Last = count;
  head.LastLine = count;
  head.NextKey = static_cast<DWORD>(count) + 1;
  std::memcpy(hdr.data(), &head, sizeof(head));

  std::ofstream dat(base + ".DAT", std::ios::binary | std::ios::trunc);
  const char datHead[8] = {'D', 'A', 'T', 0, 0, 0, 0, 0};
  dat.write(datHead, 8);
  uint64_t end = 8;
  for (int n = 1; n <= count; ++n) {
    FVSPR d{};
    d.Next = n < count ? static_cast<DWORD>(n + 1) : 0;
    d.Back = static_cast<DWORD>(n - 1);
    d.Local = LOCAL_LINE;
    d.Code = 100;
    d.Key = static_cast<DWORD>(n);
    const int64_t at = PlaceDataRecord(end, marker, metricLength);
    if (static_cast<uint64_t>(at) > end) {
      const std::vector<char> pad(static_cast<size_t>(at - end), 0);
      dat.write(pad.data(), static_cast<std::streamsize>(pad.size()));
    }
    dat.write(metric.data(), metricLength);
    end = static_cast<uint64_t>(at) + metricLength;
    d.DataOffset = static_cast<DWORD>(at);
    std::memcpy(hdr.data() + 48 * static_cast<size_t>(n), &d, sizeof(d));
  }
  std::ofstream(base + ".HDR", std::ios::binary | std::ios::trunc)
      .write(hdr.data(), static_cast<std::streamsize>(hdr.size()));
  std::ofstream(base + ".SEM", std::ios::binary | std::ios::trunc).write("SEM", 4);
  std::ofstream(base + ".GRA", std::ios::binary | std::ios::trunc).write("DRW", 4);
}

// A map in memory whose sheets are files "S<n>" in one folder.
class BenchMap : public TMapBase {
 public:
  BenchMap(const std::string& folder, int count) {
    std::snprintf(Folder, sizeof(Folder), "%s", folder.c_str());
    std::snprintf(Path, sizeof(Path), "%sBENCH.MAP", folder.c_str());
    NewPassport();
    for (int n = 1; n <= count; ++n) {
      AllocateOneList();
      Passport.ListCount = n;
      LISTDESC* list = List(n);
      std::memset(list, 0, sizeof(*list));
      list->Marker = LISTDESC_MARKER;
      list->Number = n;
      std::snprintf(list->NameHDR, sizeof(list->NameHDR), "S%d.HDR", n);
      std::snprintf(list->NameDAT, sizeof(list->NameDAT), "S%d.DAT", n);
      std::snprintf(list->NameSEM, sizeof(list->NameSEM), "S%d.SEM", n);
      std::snprintf(list->NameGRA, sizeof(list->NameGRA), "S%d.GRA", n);
    }
  }
};

// The sheets, written once per run: "big" holds 200,000 objects (one
// sheet: caches sized by file), "long" 300 KB records on a map of two
// sheets (one-window metric cache), "cycle" 20 small sheets.
struct Fixture {
  std::string root;
  std::string big, lng, cycle;
  Fixture() {
    root = fs::temp_directory_path().string() + "/bench_sheet_" + std::to_string(getpid()) + "/";
    big = root + "big/";
    lng = root + "long/";
    cycle = root + "cycle/";
    for (const std::string& d : {big, lng, cycle}) fs::create_directories(d);
    WriteSheet(big + "S1", kObjects, kShortMetric);
    WriteSheet(lng + "S1", kLongObjects, kLongMetric);
    WriteSheet(lng + "S2", 1, 1024);
    for (int n = 1; n <= kCycleSheets; ++n) WriteSheet(cycle + "S" + std::to_string(n), 100, 64);
    plat::SetWriteThroughEnabled(false);
  }
  ~Fixture() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

Fixture& Files() {
  static Fixture fixture;
  return fixture;
}

std::vector<int> RandomNumbers(int count, int max) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> pick(1, max);
  std::vector<int> v(static_cast<size_t>(count));
  for (int& n : v) n = pick(rng);
  return v;
}

const FVSPR* Desc(TMapList& list, int n) {
  return reinterpret_cast<const FVSPR*>(list.HeadBuffer.RecordAddr(n));
}

void BM_WalkDescriptorChain(benchmark::State& state) {
  BenchMap map(Files().big, 1);
  TMapList list;
  if (!list.Open(&map, 1)) return state.SkipWithError("sheet does not open");
  int64_t objects = 0;
  for (auto _ : state) {
    for (DWORD n = static_cast<DWORD>(list.Head.First); n != 0;) {
      const FVSPR* d = Desc(list, static_cast<LONG>(n));
      if (d == nullptr) return state.SkipWithError("chain broken");
      n = d->Next;
      ++objects;
    }
  }
  state.counters["objects/s"] = benchmark::Counter(static_cast<double>(objects), benchmark::Counter::kIsRate);
}

void BM_RandomObjectDesc(benchmark::State& state) {
  BenchMap map(Files().big, 1);
  TMapList list;
  if (!list.Open(&map, 1)) return state.SkipWithError("sheet does not open");
  const std::vector<int> numbers = RandomNumbers(1 << 16, kObjects);
  size_t i = 0;
  int64_t objects = 0;
  for (auto _ : state) {
    const FVSPR* d = Desc(list, numbers[i++ & 0xFFFF]);
    benchmark::DoNotOptimize(d->Key);
    ++objects;
  }
  state.counters["objects/s"] = benchmark::Counter(static_cast<double>(objects), benchmark::Counter::kIsRate);
}

// Metric records through the descriptor and metric caches, touching the
// record's last byte.
void ReadMetrics(benchmark::State& state, const std::string& folder, int sheets, int count,
                 bool random) {
  BenchMap map(folder, sheets);
  TMapList list;
  if (!list.Open(&map, 1)) return state.SkipWithError("sheet does not open");
  const std::vector<int> numbers = RandomNumbers(1 << 16, count);
  size_t i = 0;
  int n = 0;
  int64_t objects = 0;
  for (auto _ : state) {
    n = random ? numbers[i++ & 0xFFFF] : n % count + 1;
    const FVSPR* d = Desc(list, n);
    const DWORD offset = d->DataOffset;
    const char* metric = list.DataBuffer.RecordAddr(offset);
    if (metric == nullptr) return state.SkipWithError("metric not read");
    DWORD length;
    std::memcpy(&length, metric + 4, 4);
    benchmark::DoNotOptimize(metric[length - 1]);
    ++objects;
  }
  state.counters["objects/s"] = benchmark::Counter(static_cast<double>(objects), benchmark::Counter::kIsRate);
}

void BM_Metric1KSequential(benchmark::State& state) {
  ReadMetrics(state, Files().big, 1, kObjects, false);
}
void BM_Metric1KRandom(benchmark::State& state) {
  ReadMetrics(state, Files().big, 1, kObjects, true);
}
void BM_Metric300KSequential(benchmark::State& state) {
  ReadMetrics(state, Files().lng, 2, kLongObjects, false);
}
void BM_Metric300KRandom(benchmark::State& state) {
  ReadMetrics(state, Files().lng, 2, kLongObjects, true);
}

// Opening sheets in turn and reading one descriptor of each: through
// `range` sheets of the 20 with 16 kept open.
void BM_CycleSheets(benchmark::State& state) {
  const int range = static_cast<int>(state.range(0));
  BenchMap map(Files().cycle, kCycleSheets);
  TMapList list;
  int n = 0;
  int64_t opens = 0;
  for (auto _ : state) {
    n = n % range + 1;
    if (!list.Open(&map, n)) return state.SkipWithError("sheet does not open");
    benchmark::DoNotOptimize(Desc(list, 50));
    ++opens;
  }
  state.counters["sheets/s"] = benchmark::Counter(static_cast<double>(opens), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_WalkDescriptorChain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomObjectDesc);
BENCHMARK(BM_Metric1KSequential);
BENCHMARK(BM_Metric1KRandom);
BENCHMARK(BM_Metric300KSequential);
BENCHMARK(BM_Metric300KRandom);
BENCHMARK(BM_CycleSheets)->Arg(20)->Arg(16);

}  // namespace
