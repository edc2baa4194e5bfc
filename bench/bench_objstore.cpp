// Object storage beside an embedded database, in objects per second: the
// same line objects (20 points of a float metric and 3 characteristics each)
// are appended, read in number order and read by number in a scattered
// order, through a one-sheet map and through SQLite (one table keyed by
// object number holding the metric and the semantics as blobs, filled in
// one transaction, read by key). Reading takes every point and every
// characteristic out of the record. Each is run at 10,000, 200,000 and
// 1,000,000 objects; after the runs the program prints mapcore's rate over
// SQLite's for each pair (appends also beside SQLite with a transaction
// per row), and the cost of a scattered read at 1,000,000
// objects over its cost at 10,000, beside the least that ratio can be on
// the machine: a random walk of dependent loads over a mapped file as
// large as that sheet gives the cost of one miss.
//
// Every append raises the map's change counter (TMapPassport::
// RaiseChangeCounter); BM_MapcoreRaise times that raise alone, as an
// append makes it, so that the rate of the same appends without it is
// known: an append's time less a raise's. The program checks, and fails
// (exit status 1) when either does not hold at 200,000 objects: appends
// with the raise at least 0.9 of the same appends without it, and at least
// 0.5 of SQLite's one-transaction insert.
//
// BM_MapcoreAppend also reports the kernel entries an append makes through
// the file layer, page faults aside: "locks" (byte-range lock calls) and
// "calls" (every kind).
//
// The 1,000,000-object runs take a few minutes; pick sizes with
// --benchmark_filter (e.g. '/200000'). On a busy machine run with
// --benchmark_repetitions=3: the ratios then take the medians.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_peer.h"
#include "bench/bench_support.h"
#include "common/messages.h"
#include "objects/objectinfo.h"
#include "platform/file.h"
#include "platform/systemcalls.h"

namespace {

namespace fs = std::filesystem;
using namespace benchsupport;

constexpr int kStep = 7919;  // prime to every size: a scattered order

const std::string& Folder() {
  static const ScratchFolder folder("bench_objstore");
  return folder.path();
}

using Records = LineRecords;

// ---------------------------------------------------------------------------
// mapcore

std::string MapPath(const std::string& name) { return Folder() + name + "/bench.map"; }

// A new one-sheet map in its own folder, open.
bool NewMap(TMap& map, const std::string& name) {
  const std::string rsc = Folder() + "bench.rsc";
  if (!fs::exists(rsc) && !CreateLineClassifier(rsc)) return false;
  fs::remove_all(Folder() + name);
  fs::create_directories(Folder() + name);
  return CreateOneSheetMap(map, MapPath(name), rsc) && map.OpenList(1) == 1;
}

bool AppendMap(TMap& map, Records& r, int seed) {
  r.Fill(seed);
  return AppendLine(map, r.metric, &r.semn);
}

// A map of `count` objects, built once per run and kept open.
TMap* ReadMap(int count) {
  static std::map<int, std::unique_ptr<TMap>> maps;
  std::unique_ptr<TMap>& slot = maps[count];
  if (slot) return slot->List.Count() == count ? slot.get() : nullptr;
  slot = std::make_unique<TMap>();
  const std::string name = "read" + std::to_string(count);
  Records r;
  if (!NewMap(*slot, name)) return nullptr;
  for (int i = 0; i < count; ++i)
    if (!AppendMap(*slot, r, i)) return nullptr;
  slot->CloseData();
  if (slot->OpenData(MapPath(name).c_str(), 0) != 1 || slot->OpenList(1) != 1) return nullptr;
  return slot->List.Count() == count ? slot.get() : nullptr;
}

// Every point and characteristic of the object read.
double TouchObject(TObjectInfo& object) {
  double sum = 0;
  TDataEdit& m = object.Metric;
  if (m.FirstPointSubject(0) != nullptr) {
    do sum += m.XDouble() + m.YDouble();
    while (m.NextPoint() != nullptr);
  }
  TWorkSemantic* w = object.Semn.Cursor();
  for (char* b = w->GoFirst(); b != nullptr; b = w->GoNext()) sum += w->CurrentValue()->LongValue();
  return sum;
}

void MapRead(benchmark::State& state, int step) {
  MessageEnableSet(0);
  const int count = int(state.range(0));
  TMap* map = ReadMap(count);
  if (map == nullptr) {
    state.SkipWithError("cannot build the map");
    return;
  }
  TObjectInfo object;
  int64_t i = 0;
  double sum = 0;
  for (auto _ : state) {
    const int n = 1 + int((i * step) % count);
    object.Object(map, 1, n);
    if (object.Desc == nullptr || object.Semn.Record() == nullptr) {
      state.SkipWithError("read failed");
      break;
    }
    sum += TouchObject(object);
    ++i;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(i);
}

void BM_MapcoreReadInOrder(benchmark::State& state) { MapRead(state, 1); }
void BM_MapcoreReadScattered(benchmark::State& state) { MapRead(state, kStep); }

// Appends the run's count of objects to a new map; the iterations are the
// objects.
void BM_MapcoreAppend(benchmark::State& state) {
  MessageEnableSet(0);
  Records r;
  int64_t i = 0;
  {
    TMap map;
    if (!NewMap(map, "append")) {
      state.SkipWithError("cannot create the map");
      return;
    }
    const plat::SystemCallCounts before = plat::SystemCalls();
    for (auto _ : state) {
      if (!AppendMap(map, r, int(i))) {
        state.SkipWithError("append failed");
        break;
      }
      ++i;
    }
    // The kernel entries an append makes through the file layer (its
    // page faults aside): byte-range lock calls and all of them.
    const plat::SystemCallCounts after = plat::SystemCalls();
    if (i > 0) {
      state.counters["locks"] = double(after.lock - before.lock) / double(i);
      state.counters["calls"] = double(after.All() - before.All()) / double(i);
    }
    map.CloseData();
  }
  fs::remove_all(Folder() + "append");
  state.SetItemsProcessed(i);
}

// Raises the change counter of an open one-sheet map (outside edit mode,
// as BM_MapcoreAppend's map) the run's count of times, each as an append
// raises it.
void BM_MapcoreRaise(benchmark::State& state) {
  MessageEnableSet(0);
  int64_t i = 0;
  {
    TMap map;
    if (!NewMap(map, "raise")) {
      state.SkipWithError("cannot create the map");
      return;
    }
    DWORD last = map.Passport.ModeCounter;
    for (auto _ : state) {
      const DWORD now = map.RaiseChangeCounter();
      if (now != last + 1) {
        state.SkipWithError("the counter was not raised");
        break;
      }
      last = now;
      ++i;
    }
    map.CloseData();
  }
  fs::remove_all(Folder() + "raise");
  state.SetItemsProcessed(i);
}

// ---------------------------------------------------------------------------
// SQLite

struct Db {
  sqlite3* db = nullptr;
  sqlite3_stmt* insert = nullptr;
  sqlite3_stmt* select = nullptr;
  ~Db() {
    sqlite3_finalize(insert);
    sqlite3_finalize(select);
    sqlite3_close(db);
  }
};

bool OpenDb(Db& d, const std::string& path, bool fresh) {
  if (fresh) fs::remove(path);
  if (sqlite3_open(path.c_str(), &d.db) != SQLITE_OK) return false;
  if (fresh && sqlite3_exec(d.db,
                            "CREATE TABLE objects(id INTEGER PRIMARY KEY, metric BLOB, "
                            "semn BLOB)",
                            nullptr, nullptr, nullptr) != SQLITE_OK)
    return false;
  return sqlite3_prepare_v2(d.db, "INSERT INTO objects VALUES(?,?,?)", -1, &d.insert,
                            nullptr) == SQLITE_OK &&
         sqlite3_prepare_v2(d.db, "SELECT metric, semn FROM objects WHERE id=?", -1,
                            &d.select, nullptr) == SQLITE_OK;
}

bool InsertDb(Db& d, Records& r, int seed) {
  r.Fill(seed);
  sqlite3_bind_int(d.insert, 1, seed + 1);
  sqlite3_bind_blob(d.insert, 2, r.metric.data(), int(r.metric.size()), SQLITE_STATIC);
  sqlite3_bind_blob(d.insert, 3, r.semn.data(), int(r.semn.size()), SQLITE_STATIC);
  const bool ok = sqlite3_step(d.insert) == SQLITE_DONE;
  sqlite3_reset(d.insert);
  return ok;
}

Db* ReadDb(int count) {
  static std::map<int, std::unique_ptr<Db>> dbs;
  std::unique_ptr<Db>& slot = dbs[count];
  if (slot) return slot.get();
  const std::string path = Folder() + "read" + std::to_string(count) + ".db";
  {
    Db d;
    Records r;
    if (!OpenDb(d, path, true) ||
        sqlite3_exec(d.db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
      return nullptr;
    for (int i = 0; i < count; ++i)
      if (!InsertDb(d, r, i)) return nullptr;
    if (sqlite3_exec(d.db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return nullptr;
  }
  slot = std::make_unique<Db>();
  if (!OpenDb(*slot, path, false)) return nullptr;
  // A page cache of about the size of the sheet's caches.
  sqlite3_exec(slot->db, "PRAGMA cache_size=-20480", nullptr, nullptr, nullptr);
  return slot.get();
}

// Every point and characteristic of the blobs, by the same record layout.
double TouchBlobs(const char* metric, int metricBytes, const char* semn, int semnBytes) {
  double sum = 0;
  if (metricBytes >= 16) {
    WORD count;
    std::memcpy(&count, metric + 14, 2);
    for (int i = 0; i < count && 16 + i * 8 + 8 <= metricBytes; ++i) {
      float x, y;
      std::memcpy(&x, metric + 16 + i * 8, 4);
      std::memcpy(&y, metric + 20 + i * 8, 4);
      sum += double(x) + double(y);
    }
  }
  for (int at = 4; at + 4 <= semnBytes;) {
    const int size = BYTE(semn[at + 3]);
    if (at + 4 + size > semnBytes) break;
    int32_t value = 0;
    if (size == 4) std::memcpy(&value, semn + at + 4, 4);
    sum += value;
    at += 4 + size;
  }
  return sum;
}

void DbRead(benchmark::State& state, int step) {
  const int count = int(state.range(0));
  Db* d = ReadDb(count);
  if (d == nullptr) {
    state.SkipWithError("cannot build the database");
    return;
  }
  // One read transaction for the run: no lock or change check per row.
  sqlite3_exec(d->db, "BEGIN", nullptr, nullptr, nullptr);
  int64_t i = 0;
  double sum = 0;
  for (auto _ : state) {
    const int n = 1 + int((i * step) % count);
    sqlite3_bind_int(d->select, 1, n);
    if (sqlite3_step(d->select) != SQLITE_ROW) {
      state.SkipWithError("read failed");
      break;
    }
    sum += TouchBlobs(static_cast<const char*>(sqlite3_column_blob(d->select, 0)),
                      sqlite3_column_bytes(d->select, 0),
                      static_cast<const char*>(sqlite3_column_blob(d->select, 1)),
                      sqlite3_column_bytes(d->select, 1));
    sqlite3_reset(d->select);
    ++i;
  }
  sqlite3_exec(d->db, "COMMIT", nullptr, nullptr, nullptr);
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(i);
}

void BM_SqliteReadInOrder(benchmark::State& state) { DbRead(state, 1); }
void BM_SqliteReadScattered(benchmark::State& state) { DbRead(state, kStep); }

// Inserts the run's count of rows into a new database in one transaction,
// the commit included.
void BM_SqliteAppend(benchmark::State& state) {
  Records r;
  int64_t i = 0;
  const std::string path = Folder() + "append.db";
  {
    Db d;
    if (!OpenDb(d, path, true) ||
        sqlite3_exec(d.db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
      state.SkipWithError("cannot create the database");
      return;
    }
    const int64_t last = state.max_iterations;
    for (auto _ : state) {
      if (!InsertDb(d, r, int(i))) {
        state.SkipWithError("insert failed");
        break;
      }
      if (++i == last && sqlite3_exec(d.db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        state.SkipWithError("commit failed");
    }
  }
  fs::remove(path);
  state.SetItemsProcessed(i);
}

// The same rows, each in a transaction of its own (write-ahead log, no
// sync): like a map's append, every row acknowledged is in the file system
// and outlives a killed process.
void BM_SqliteAppendEach(benchmark::State& state) {
  Records r;
  int64_t i = 0;
  const std::string path = Folder() + "each.db";
  {
    Db d;
    if (!OpenDb(d, path, true) ||
        sqlite3_exec(d.db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF", nullptr, nullptr,
                     nullptr) != SQLITE_OK) {
      state.SkipWithError("cannot create the database");
      return;
    }
    for (auto _ : state) {
      if (!InsertDb(d, r, int(i))) {
        state.SkipWithError("insert failed");
        break;
      }
      ++i;
    }
  }
  for (const char* ext : {"", "-wal", "-shm"}) fs::remove(path + ext);
  state.SetItemsProcessed(i);
}

// ---------------------------------------------------------------------------
// The machine's floor

// One load whose address comes from the load before, in a random walk over
// every page of a file of the run's size in megabytes mapped for reading,
// as the sheet views map theirs: what one miss of a scattered read costs at
// least. Each iteration is one load.
void BM_DependentLoad(benchmark::State& state) {
  const size_t size = size_t(state.range(0)) << 20;
  const std::string path = Folder() + "walk.bin";
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ::ftruncate(fd, off_t(size)) != 0) {
    state.SkipWithError("cannot make the file");
    if (fd >= 0) ::close(fd);
    return;
  }
  // Each page holds the offset of the next page's slot: one random cycle.
  const size_t pages = size / 4096;
  std::vector<size_t> order(pages);
  for (size_t i = 0; i < pages; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937_64(7));
  std::vector<char> page(4096, 0);
  for (size_t i = 0; i < pages; ++i) {
    const size_t next = order[(i + 1) % pages] * 4096 + ((i + 1) % 64) * 64;
    std::memcpy(page.data() + (i % 64) * 64, &next, sizeof(next));
    if (::pwrite(fd, page.data(), page.size(), off_t(order[i] * 4096)) != 4096) {
      state.SkipWithError("cannot write the file");
      break;
    }
    std::memset(page.data() + (i % 64) * 64, 0, sizeof(next));
  }
  void* view = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (view == MAP_FAILED) {
    state.SkipWithError("cannot map the file");
    return;
  }
  const char* base = static_cast<const char*>(view);
  size_t at = order[0] * 4096;
  for (size_t i = 0; i < pages; ++i) at = *reinterpret_cast<const size_t*>(base + at);
  for (auto _ : state) at = *reinterpret_cast<const size_t*>(base + at);
  benchmark::DoNotOptimize(at);
  ::munmap(view, size);
  fs::remove(path);
  state.SetItemsProcessed(state.iterations());
}

// ---------------------------------------------------------------------------
// Registration and the ratios

constexpr int kSizes[] = {10000, 200000, 1000000};
constexpr int kRaises = 1000000;
// The size the goals are checked at, and the goals.
constexpr int kChecked = 200000;
constexpr double kRaiseGoal = 0.9;  // appends with the raise over appends without it
constexpr double kPeerGoal = 0.5;   // appends over SQLite's one-transaction insert

void Register() {
  benchmark::RegisterBenchmark("BM_MapcoreRaise", BM_MapcoreRaise)
      ->Iterations(kRaises)
      ->Unit(benchmark::kMillisecond);
  for (int n : kSizes) {
    benchmark::RegisterBenchmark("BM_MapcoreAppend", BM_MapcoreAppend)
        ->Arg(n)
        ->Iterations(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_SqliteAppend", BM_SqliteAppend)
        ->Arg(n)
        ->Iterations(n)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_SqliteAppendEach", BM_SqliteAppendEach)
        ->Arg(n)
        ->Iterations(n)
        ->Unit(benchmark::kMillisecond);
  }
  for (int n : kSizes) {
    benchmark::RegisterBenchmark("BM_MapcoreReadInOrder", BM_MapcoreReadInOrder)->Arg(n);
    benchmark::RegisterBenchmark("BM_SqliteReadInOrder", BM_SqliteReadInOrder)->Arg(n);
    benchmark::RegisterBenchmark("BM_MapcoreReadScattered", BM_MapcoreReadScattered)->Arg(n);
    benchmark::RegisterBenchmark("BM_SqliteReadScattered", BM_SqliteReadScattered)->Arg(n);
  }
  // Megabytes: inside the processor's caches, and the size of the
  // 1,000,000-object sheet.
  for (int mb : {4, 256}) benchmark::RegisterBenchmark("BM_DependentLoad", BM_DependentLoad)->Arg(mb);
}

// Appends with the change counter's raise over the same appends without
// it, from the rates of appends and of raises: -1 when either was not run.
double RaiseShare(const std::map<std::string, double>& rates, int n) {
  auto append = rates.find("BM_MapcoreAppend/" + std::to_string(n) + "/iterations:" +
                           std::to_string(n));
  auto raise = rates.find("BM_MapcoreRaise/iterations:" + std::to_string(kRaises));
  if (append == rates.end() || raise == rates.end()) return -1;
  // Seconds an object: an append less its raise is the append without it.
  return (1 / append->second - 1 / raise->second) * append->second;
}

bool PrintRatios(const std::map<std::string, double>& rates) {
  std::printf("\nmapcore / SQLite, objects per second:\n");
  for (const char* what : {"Append", "AppendEach", "ReadInOrder", "ReadScattered"}) {
    for (int n : kSizes) {
      const std::string suffix = std::string(what) + "/" + std::to_string(n);
      // Appends of one transaction per row are set beside the same appends.
      const bool each = std::strcmp(what, "AppendEach") == 0;
      std::string mine = "BM_Mapcore" + (each ? "Append/" + std::to_string(n) : suffix);
      std::string theirs = "BM_Sqlite" + suffix;
      if (std::strncmp(what, "Append", 6) == 0) {
        mine += "/iterations:" + std::to_string(n);
        theirs += "/iterations:" + std::to_string(n);
      }
      auto a = rates.find(mine), b = rates.find(theirs);
      if (a == rates.end() || b == rates.end()) continue;
      std::printf("  %-14s %8d objects: %10.0f / %10.0f = %6.2fx\n", what, n, a->second,
                  b->second, a->second / b->second);
    }
  }
  std::printf("mapcore appends with the change counter's raise over the same without it:\n");
  for (int n : kSizes)
    if (RaiseShare(rates, n) >= 0) std::printf("  %8d objects: %6.3fx\n", n, RaiseShare(rates, n));
  auto small = rates.find("BM_MapcoreReadScattered/10000");
  auto large = rates.find("BM_MapcoreReadScattered/1000000");
  if (small != rates.end() && large != rates.end())
    std::printf("mapcore scattered read, cost per object at 1,000,000 over 10,000: %.2fx\n",
                small->second / large->second);
  // A scattered read of a large sheet waits on memory at least once; the
  // first read of an object twice, since only its descriptor says where its
  // records are. The least its cost can be over the cost at 10,000 objects:
  auto walk = rates.find("BM_DependentLoad/256");
  if (small != rates.end() && walk != rates.end())
    std::printf("one dependent load over 256 MB: %.0f ns; least ratio with one miss per object "
                "%.2fx, with two (a first read) %.2fx\n",
                1e9 / walk->second, 1.0 + small->second / walk->second,
                1.0 + 2.0 * small->second / walk->second);

  // The goals, at kChecked objects (a run filtered to other sizes checks
  // nothing).
  const std::string n = std::to_string(kChecked);
  auto append = rates.find("BM_MapcoreAppend/" + n + "/iterations:" + n);
  auto peer = rates.find("BM_SqliteAppend/" + n + "/iterations:" + n);
  bool held = true;
  const double share = RaiseShare(rates, kChecked);
  if (share >= 0 && share < kRaiseGoal) {
    std::printf("FAILED: appends with the raise at %.3f of appends without it (goal %.2f)\n",
                share, kRaiseGoal);
    held = false;
  }
  if (append != rates.end() && peer != rates.end() && append->second / peer->second < kPeerGoal) {
    std::printf("FAILED: appends at %.3f of SQLite's one-transaction insert (goal %.2f)\n",
                append->second / peer->second, kPeerGoal);
    held = false;
  }
  return held;
}

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunAndCheckRates(argc, argv, Register, PrintRatios);
}
