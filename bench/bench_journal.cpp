// The edit journal: records written per second through logPutRecord and
// logCommitAction (actions of 1, 16 and 1000 records, with and without
// write-through), and logReadLastAction on a journal of 100,000 actions,
// for a handle that already knows the journal and for a fresh one.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "mapstore/maplog.h"
#include "platform/file.h"

namespace {

std::string ScratchName(const char* tag) {
  char temp[MAX_PATH];
  plat::GetTempPathA(sizeof(temp), temp);
  return std::string(temp) + "bench_journal_" + tag + "_" + std::to_string(getpid()) + ".TAC";
}

ACTIONRECORD Record(DWORD key) {
  ACTIONRECORD r{};
  r.Key = key;
  r.Number = key;
  r.Operation = 4;
  r.Parts = 1;
  r.List = 1;
  return r;
}

void BM_PutAndCommit(benchmark::State& state) {
  const int perAction = static_cast<int>(state.range(0));
  plat::SetWriteThroughEnabled(state.range(1) != 0);
  std::string name = ScratchName("put");
  plat::DeleteFileA(name.c_str());
  TMapLog log;
  logOpen(&log, name.c_str());
  DWORD key = 1;
  for (auto _ : state) {
    logCreateAction(&log, 1);
    for (int i = 0; i < perAction; ++i) {
      ACTIONRECORD r = Record(key++);
      logPutRecord(&log, &r);
    }
    logCommitAction(&log);
  }
  state.SetItemsProcessed(state.iterations() * perAction);
  logClose(&log);
  plat::DeleteFileA(name.c_str());
  plat::SetWriteThroughEnabled(true);
}
BENCHMARK(BM_PutAndCommit)
    ->ArgNames({"records", "writethrough"})
    ->Args({1, 0})
    ->Args({16, 0})
    ->Args({1000, 0})
    ->Args({1, 1})
    ->Args({1000, 1});

// A journal of 100,000 actions of 1 to 3 records, with an undone action and
// service actions near its end.
const std::string& BigJournal() {
  static std::string name = [] {
    std::string n = ScratchName("big");
    plat::DeleteFileA(n.c_str());
    plat::SetWriteThroughEnabled(false);
    TMapLog log;
    logOpen(&log, n.c_str());
    for (int a = 0; a < 99990; ++a) {
      logCreateAction(&log, 1 + a % 7);
      for (int i = 0; i <= a % 3; ++i) {
        ACTIONRECORD r = Record(static_cast<DWORD>(a * 4 + i));
        logPutRecord(&log, &r);
      }
      logCommitAction(&log);
    }
    logAbolitionAction(&log, logCount(&log));
    logCreateAction(&log, ACTION_EDITON);
    logCreateAction(&log, ACTION_EDITOFF);
    logClose(&log);
    plat::SetWriteThroughEnabled(true);
    return n;
  }();
  return name;
}

void BM_ReadLastActionWarm(benchmark::State& state) {
  TMapLog log;
  logOpen(&log, BigJournal().c_str());
  state.counters["actions"] = logCount(&log);
  ACTIONHEAD head;
  for (auto _ : state) benchmark::DoNotOptimize(logReadLastAction(&log, &head));
  logClose(&log);
}
BENCHMARK(BM_ReadLastActionWarm);

// Opening a handle and the first read: the walk over the whole journal.
void BM_ReadLastActionCold(benchmark::State& state) {
  const std::string& name = BigJournal();
  ACTIONHEAD head;
  for (auto _ : state) {
    TMapLog log;
    logOpen(&log, name.c_str());
    benchmark::DoNotOptimize(logReadLastAction(&log, &head));
    state.PauseTiming();
    logClose(&log);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ReadLastActionCold)->Unit(benchmark::kMillisecond);

}  // namespace
