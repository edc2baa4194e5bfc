// Fuzz test of every file kind of a map, of the blocked rasters and
// matrices, and of the select records. A seeded mutator damages one file
// of a small map (or two files of different kinds at once), and a child
// process opens the map, reads all of it, rewrites some objects with their
// own records, appends to it, saves, closes and opens it again; when a
// backup copy file or the journal was damaged the walk also steps objects
// back through the copies and undoes the last action from them. A damaged raster or matrix is opened alone into a
// document, painted, its values read, an element written, saved, closed
// and opened again. A damaged select record is put into contexts on the
// intact map and without one, and written and read again. A damaged
// marginal template is read through the shared library onto a user map
// around a frame, straight and turned, and the objects it made are read,
// closed and read again. A damaged drawing record of a line with signs,
// signs over an area, a pattern line or an offset line becomes the own
// graphics of a line and an area of the intact map, painted in every road,
// saved and painted again from the map reopened. Every map and every
// raster or matrix is then walked as a host walks it, through the C
// interface (one mutant in six): opened by name, every kind of its
// classifier measured (its size and the frame of its sign) and painted as
// legend samples, its objects read and painted alone, its journal read,
// and the map painted at visual types 1 and 4; the template's user map is
// painted so too.
// Refusals with
// error codes are fine; a crash, a sanitizer report, a leak or a hang of a
// child fails the test with the file kind, the mutant's number and the
// mutation, which replays it. Notices (a file written outside the map's folder, a write
// stopped at the file limit, a map or file that saved but would not open
// again) are printed and do not fail.
//
//   MAPCORE_FUZZ_REPLAY=hdr:123,pair:7 fuzz_test_mapfuzz   (in a child each)
//   MAPCORE_FUZZ_INPROCESS=1 with it runs them in the test process itself
//   MAPCORE_FUZZ_SCALE=10     ten times the mutants (fractions are taken too)
//   MAPCORE_FUZZ_LIST=1       prints the mutants instead of running them
//   MAPCORE_FUZZ_KINDS=map,pair  only those kinds (bak: the backup copies;
//     rsw, mtw, mtq, mtl: the rasters and matrices; slt, set, sec: the
//     select records; tpl: the marginal template; p146, p155, p157, p158,
//     p159: the drawing records of those codes)
//   MAPCORE_FUZZ_JOBS, MAPCORE_FUZZ_BATCH, MAPCORE_FUZZ_TIMEOUT (seconds)
//     children at once, mutants per child, time limit of one mutant
//
// Each child works in a folder of its own (in /dev/shm where there is one)
// with the map four folders below it, so that a stored name such as "../x" stays inside the test's scratch
// folder (and is reported when something lands there); where the kernel
// allows, the child cannot write anywhere else at all; no file it writes
// can grow past 64 MB.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "common/messages.h"
#include "groups/mapgroups.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "support/forkrun.h"
#include "support/fuzzhome.h"
#include "support/layouts.h"
#include "support/mapfixture.h"
#include "support/mutator.h"
#include "support/rmffixture.h"
#include "support/scratch_dir.h"
#include "support/primfixture.h"
#include "support/selectfixture.h"
#include "support/tplfixture.h"

namespace fs = std::filesystem;

namespace {

// The file kinds. A new kind (a project) is one more entry: its name, the
// fixture's files of that kind (each mutant picks one), the finder of its
// layout, its share of the mutants, whether its file is walked on its own
// as data (else the map is walked) and then by what walk, and whether that
// walk needs the map's files beside it.
struct FileKind {
  const char* name;
  std::vector<std::string> files;
  fuzz::LayoutFinder layout;
  double share = 1.0;  // of kMutantsPerKind, at most 1
  bool data = false;
  fuzz::WalkReport (*walk)(const std::string& path) = fuzz::WalkData;
  bool withMap = false;
};

constexpr double kDataShare = 0.5;
// A select record's walk is quick, but its few fields are soon covered.
constexpr double kSelectShare = 0.3;
// A template's walk makes two maps and reads the template twice; a
// drawing record's walk paints a picture in every road twice.
constexpr double kTemplateShare = 0.4;
constexpr double kPrimitiveShare = 0.4;

const std::vector<FileKind>& Kinds() {
  static const std::vector<FileKind> kinds = {
      {"rsc", {"obj.rsc"}, fuzz::RscLayout},
      {"map", {"obj.map"}, fuzz::MapLayout},
      {"hdr", {"S1.HDR", "S2.HDR"}, fuzz::HdrLayout},
      {"dat", {"S1.DAT", "S2.DAT"}, fuzz::DatLayout},
      {"sem", {"S1.SEM", "S2.SEM"}, fuzz::SemLayout},
      {"gra", {"S1.GRA", "S2.GRA"}, fuzz::GraLayout},
      {"gdx", {"LOG/obj.GDX"}, fuzz::GdxLayout},
      {"tac", {"LOG/obj.map.TAC"}, fuzz::TacLayout},
      {"log", {"LOG/obj.map.LOG"}, fuzz::TextLayout},
      // The backup copies of sheet 2: the walk steps objects back through
      // them and undoes the last action from them.
      {"bak", {"LOG/S2.^HD", "LOG/S2.^DA", "LOG/S2.^SE", "LOG/S2.^GR"}, fuzz::BackLayout, 0.5},
      // A raster or matrix walk paints and reads only a few blocks: fewer
      // mutants cover their small files.
      {"rsw", {fuzz::kRasterFile}, fuzz::RmfLayout, kDataShare, true},
      {"mtw", {fuzz::kElevationFile}, fuzz::RmfLayout, kDataShare, true},
      {"mtq", {fuzz::kQualityFile}, fuzz::RmfLayout, kDataShare, true},
      {"mtl", {fuzz::kLayerFile}, fuzz::RmfLayout, kDataShare, true},
      // Select records, put into contexts on the intact map.
      {"slt", {fuzz::kSltFile}, fuzz::SelectLayout, kSelectShare, true, fuzz::WalkSelect, true},
      {"set", {fuzz::kSetFile}, fuzz::SelectLayout, kSelectShare, true, fuzz::WalkSelect, true},
      {"sec", {fuzz::kSecFile}, fuzz::SelectLayout, kSelectShare, true, fuzz::WalkSelect, true},
      // The marginal template, read through the shared library onto a user
      // map of its own.
      {"tpl", {fuzz::kTemplateFile}, fuzz::TemplateLayout, kTemplateShare, true,
       fuzz::WalkTemplate},
      // Drawing records, painted as the own graphics of objects appended to
      // the intact map.
      {"p146", {fuzz::PrimitiveFile(146)}, fuzz::PrimitiveLayout, kPrimitiveShare, true,
       fuzz::WalkPrimitive, true},
      {"p155", {fuzz::PrimitiveFile(155)}, fuzz::PrimitiveLayout, kPrimitiveShare, true,
       fuzz::WalkPrimitive, true},
      {"p157", {fuzz::PrimitiveFile(157)}, fuzz::PrimitiveLayout, kPrimitiveShare, true,
       fuzz::WalkPrimitive, true},
      {"p158", {fuzz::PrimitiveFile(158)}, fuzz::PrimitiveLayout, kPrimitiveShare, true,
       fuzz::WalkPrimitive, true},
      {"p159", {fuzz::PrimitiveFile(159)}, fuzz::PrimitiveLayout, kPrimitiveShare, true,
       fuzz::WalkPrimitive, true},
  };
  return kinds;
}

// Mutants of two files of different kinds of the map at once go by this
// name.
constexpr const char* kPair = "pair";
// Mutants of each kind (and pairs) at scale 1.
constexpr int kMutantsPerKind = 1500;
// One mutant in this many is also walked through the C interface (the
// walk that paints): it would double the campaign's time for all, and the
// fuzz targets' corpus replays walk every input so.
constexpr uint64_t kHostShare = 6;

// A child's result: flags in the low byte, then the objects read, the
// objects appended and the objects read after reopening (each at most 255).
enum : uint32_t {
  RESULT_DONE = 1,
  RESULT_OPENED = 2,
  RESULT_SAVED = 4,
  RESULT_REOPENED = 8,
  RESULT_ESCAPED = 16,  // a file appeared outside the map's folder
  RESULT_SLEPT = 32,    // the library asked to sleep for more than 10 s in all
  RESULT_BIGFILE = 64,  // a write went past the file limit (and failed)
  RESULT_SLOW = 128,    // the walk took more than a second
};
uint32_t Count(int n, int shift) { return uint32_t(std::clamp(n, 0, 255)) << shift; }
int Counted(uint32_t result, int shift) { return int((result >> shift) & 0xFF); }

double EnvNumber(const char* name, double fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atof(v) : fallback;
}

int Parallel() {
  const int cores = int(std::thread::hardware_concurrency());
  return int(EnvNumber("MAPCORE_FUZZ_JOBS", std::clamp(cores, 1, 8)));
}

struct Mutant {
  fuzz::Files files;
  std::string what;
  bool editMode = false;
  std::string data;  // the file walked as data, else the map
  bool restore = false;  // the walk steps back through the backup copies
  const FileKind* kind = nullptr;  // the kind of the data file
};

// The fixture map in memory and the layouts of its files, made once.
class Campaign {
 public:
  static Campaign& Get() {
    static Campaign campaign;
    return campaign;
  }
  bool ready() const { return ready_; }
  const fuzz::Files& fixture() const { return fixture_; }
  const fuzz::Layout& layout(const std::string& file) const { return layouts_.at(file); }

  // Mutant `number` of a kind ("pair" for two kinds at once).
  Mutant Make(const std::string& kind, uint64_t number) const {
    Mutant m{fixture_, "", false, "", false, nullptr};
    fuzz::Rng rng(fuzz::MutantSeed(kind, number));
    std::vector<const FileKind*> chosen;
    if (kind == kPair) {
      std::vector<const FileKind*> map;
      for (const FileKind& k : Kinds())
        if (!k.data) map.push_back(&k);
      const size_t a = rng.Below(map.size());
      const size_t b = (a + 1 + rng.Below(map.size() - 1)) % map.size();
      chosen = {map[a], map[b]};
    } else {
      for (const FileKind& k : Kinds())
        if (kind == k.name) chosen.push_back(&k);
    }
    for (const FileKind* k : chosen) {
      const std::string& file = k->files[rng.Below(k->files.size())];
      if (!m.what.empty()) m.what += "; ";
      m.what += file + ": " + fuzz::Mutate(m.files[file], layout(file), rng);
      if (k->data) m.data = file, m.kind = k;
      // The journal names the copies that the undo restores.
      if (std::string(k->name) == "bak" || std::string(k->name) == "tac") m.restore = true;
    }
    if (!m.data.empty()) return m;
    m.editMode = rng.Percent(50);
    if (m.editMode) m.what += " [edit mode]";
    return m;
  }

 private:
  Campaign() : dir_(MC_TEST_TMP) {
    fixture_ = fuzz::PrepareFixtures(dir_ / "fixture/");
    ready_ = !fixture_.empty();
    for (const FileKind& k : Kinds())
      for (const std::string& file : k.files) {
        ready_ = ready_ && fixture_.count(file) == 1;
        layouts_[file] = k.layout(fixture_, file);
      }
  }

  mctest::ScratchDir dir_;
  bool ready_ = false;
  fuzz::Files fixture_;
  std::map<std::string, fuzz::Layout> layouts_;
};

// The folders between a child's slot folder and the map.
const char* const kDepth = "w/x/y/z/";

// Files outside the chain of folders that leads to the map's folder.
std::string Escapes(const std::string& slot) {
  std::string found;
  std::string folder = slot;
  const std::string chain = kDepth;
  for (size_t at = 0; at < chain.size(); at = chain.find('/', at) + 1) {
    const std::string next = chain.substr(at, chain.find('/', at) - at);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
      const std::string name = entry.path().filename().string();
      if (name != next && !(folder == slot && name == "tmp")) found += " " + folder + name;
    }
    folder += next + "/";
  }
  return found;
}

// A mutant run in a child: written into a fresh folder, walked.
uint32_t RunMutant(const std::string& kind, uint64_t number, const std::string& slot) {
  const Mutant m = Campaign::Get().Make(kind, number);
  std::error_code ec;
  fs::remove_all(slot + "w", ec);
  fs::remove_all(slot + "tmp", ec);
  const std::string folder = slot + kDepth;
  fs::create_directories(folder, ec);
  fs::create_directories(slot + "tmp", ec);
  // Only the files the walk opens are written: the map's, or the one
  // data file (with the map's when its walk needs them).
  fuzz::Files files;
  const bool map = m.data.empty() || m.kind->withMap;
  for (const auto& [name, bytes] : m.files)
    if (name == m.data || (map && !fuzz::IsDataFile(name))) files[name] = bytes;
  if (!fuzz::WriteFolder(folder, files)) return 0;
  setenv("TMPDIR", (slot + "tmp").c_str(), 1);
  if (chdir(folder.c_str()) != 0) return 0;
  fuzz::TakeSleptMilliseconds();
  fuzz::TakeFileLimitHits();
  fuzz::SetHostWalks(number % kHostShare == 0);
  const auto start = std::chrono::steady_clock::now();
  const fuzz::WalkReport r = m.data.empty()
                                 ? fuzz::WalkMap(folder + fuzz::kMapFile, m.editMode, m.restore)
                                 : m.kind->walk(folder + m.data);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (chdir(slot.c_str()) != 0) return 0;
  uint32_t result = RESULT_DONE;
  if (r.opened) result |= RESULT_OPENED;
  if (r.saved) result |= RESULT_SAVED;
  if (r.reopened) result |= RESULT_REOPENED;
  result |= Count(r.objects, 8) | Count(r.appended, 16) | Count(r.objectsAfter, 24);
  const std::string escaped = Escapes(slot);
  if (!escaped.empty()) {
    std::fprintf(stderr, "written outside the map's folder:%s\n", escaped.c_str());
    result |= RESULT_ESCAPED;
  }
  if (fuzz::TakeSleptMilliseconds() > 10000) result |= RESULT_SLEPT;
  if (fuzz::TakeFileLimitHits() > 0) result |= RESULT_BIGFILE;
  if (seconds > 1.0) result |= RESULT_SLOW;
  return result;
}

struct MutantId {
  std::string kind;
  uint64_t number;
};

// "hdr:12,pair:3" as mutant ids.
std::vector<MutantId> ParseReplay(const char* text) {
  std::vector<MutantId> ids;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const size_t colon = item.find(':');
    if (colon == std::string::npos) continue;
    ids.push_back({item.substr(0, colon), std::strtoull(item.c_str() + colon + 1, nullptr, 10)});
  }
  return ids;
}

// The first line of a sanitizer's summary, or what else tells the failure.
std::string Signature(const fuzz::ChildFailure& f) {
  const size_t at = f.output.find("SUMMARY: ");
  if (at != std::string::npos) return f.output.substr(at, f.output.find('\n', at) - at);
  size_t ub = f.output.find("runtime error: ");
  if (ub != std::string::npos) {
    ub = f.output.rfind('\n', ub);  // the whole line, with the file and line
    ub = ub == std::string::npos ? 0 : ub + 1;
    return f.output.substr(ub, f.output.find('\n', ub) - ub);
  }
  return std::string(fuzz::EndingName(f.ending)) + " " + std::to_string(f.detail);
}

// What a notice says of a result.
std::string NoticeText(uint32_t r) {
  std::string text;
  if (r & RESULT_ESCAPED) text += " [wrote outside the map's folder]";
  if (r & RESULT_SLEPT) text += " [slept more than 10 s]";
  if (r & RESULT_BIGFILE) text += " [wrote past 64 MB]";
  if (r & RESULT_SLOW) text += " [took more than 1 s]";
  if ((r & RESULT_SAVED) && !(r & RESULT_REOPENED)) text += " [saved, then did not open]";
  return text;
}

// A child's output with the frames of stacks below the mutant's walk (the
// harness, the test framework) left out.
std::string Trimmed(const std::string& output) {
  std::string out, line;
  std::stringstream in(output);
  bool harness = false;
  while (std::getline(in, line)) {
    const bool frame = line.rfind("    #", 0) == 0;
    if (!frame) harness = false;
    if (!harness) out += line + "\n";
    if (frame && line.find(" in RunMutant ") != std::string::npos) harness = true;
  }
  return out;
}

struct Tally {
  int mutants = 0, opened = 0, saved = 0, reopened = 0, notices = 0;
  int64_t objects = 0, appended = 0, objectsAfter = 0;
};

// The folder of the children's scratch folders: a file system in memory
// where there is one (the library syncs files it closes, and a disk makes
// each sync wait), else the tests' own; MAPCORE_FUZZ_DIR chooses another.
std::string ScratchRoot() {
  if (const char* dir = std::getenv("MAPCORE_FUZZ_DIR")) return dir;
  return mctest::MemoryScratchRoot(MC_TEST_TMP);
}

// Runs the mutants in children and reports failures (grouped by their
// sanitizer summary) and notices; returns the failures.
int RunCampaign(const std::vector<MutantId>& ids, bool verbose) {
  mctest::ScratchDir scratch(ScratchRoot().c_str());
  fuzz::RunOptions options;
  options.scratch = scratch.path();
  options.parallel = Parallel();
  // A child's start and its leak check cost about a second under the
  // sanitizers (it inherits the campaign's files and scans them): each
  // child runs many mutants.
  options.batch = verbose ? 1 : std::max(1, int(EnvNumber("MAPCORE_FUZZ_BATCH", 256)));
  options.seconds = EnvNumber("MAPCORE_FUZZ_TIMEOUT", 5.0);
  const auto start = std::chrono::steady_clock::now();
  const fuzz::RunResult run =
      fuzz::RunInChildren(int(ids.size()), options, [&](int index, const std::string& slot) {
        return RunMutant(ids[size_t(index)].kind, ids[size_t(index)].number, slot);
      });
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::map<std::string, Tally> tally;
  for (size_t i = 0; i < ids.size(); ++i) {
    Tally& t = tally[ids[i].kind];
    const uint32_t r = run.results[i];
    ++t.mutants;
    t.opened += (r & RESULT_OPENED) != 0;
    t.saved += (r & RESULT_SAVED) != 0;
    t.reopened += (r & RESULT_REOPENED) != 0;
    t.notices += !NoticeText(r).empty();
    t.objects += Counted(r, 8);
    t.appended += Counted(r, 16);
    t.objectsAfter += Counted(r, 24);
  }
  std::printf("%zu mutants in %.1f s, %d children, %d at once\n", ids.size(), seconds,
              run.children, options.parallel);
  for (const auto& [kind, t] : tally)
    std::printf("  %-5s %6d mutants: %6d opened, %6d saved, %6d reopened; objects read %.1f, "
                "appended %.1f, read after %.1f a mutant; %d notices\n",
                kind.c_str(), t.mutants, t.opened, t.saved, t.reopened,
                double(t.objects) / t.mutants, double(t.appended) / t.mutants,
                double(t.objectsAfter) / t.mutants, t.notices);
  // Notices do not fail the test: what a fix should end, seen on the way.
  for (size_t i = 0; i < ids.size(); ++i)
    if (!NoticeText(run.results[i]).empty())
      std::printf("notice:%s %s:%" PRIu64 " %s\n", NoticeText(run.results[i]).c_str(),
                  ids[i].kind.c_str(), ids[i].number,
                  Campaign::Get().Make(ids[i].kind, ids[i].number).what.c_str());

  std::map<std::string, std::vector<const fuzz::ChildFailure*>> groups;
  for (const fuzz::ChildFailure& f : run.failures) groups[Signature(f)].push_back(&f);
  for (const auto& [signature, failures] : groups) {
    std::printf("\n=== %zu failing: %s\n", failures.size(), signature.c_str());
    for (const fuzz::ChildFailure* f : failures) {
      const MutantId& id = ids[size_t(f->index)];
      std::printf("  %s:%" PRIu64 " (%s %d) %s\n", id.kind.c_str(),
                  id.number, fuzz::EndingName(f->ending),
                  f->detail, Campaign::Get().Make(id.kind, id.number).what.c_str());
    }
    const fuzz::ChildFailure* first = failures.front();
    const MutantId& id = ids[size_t(first->index)];
    std::printf("  replay: MAPCORE_FUZZ_REPLAY=%s:%" PRIu64 "\n%s\n", id.kind.c_str(),
                id.number, Trimmed(first->output).c_str());
  }
  std::fflush(stdout);
  return int(run.failures.size());
}

// The intact fixture written to a new scratch folder and its `file` walked
// by `walk`; an empty report, the test failed, when it was not written.
template <class Walk>
fuzz::WalkReport WalkIntact(const std::string& file, Walk walk) {
  mctest::ScratchDir dir(MC_TEST_TMP);
  if (!fuzz::WriteFolder(dir.path(), Campaign::Get().fixture())) {
    ADD_FAILURE() << "the intact fixture was not written";
    return {};
  }
  return walk(dir / file);
}

// What every walk of the intact fixture does: opens, saves and opens again.
void ExpectOpenedSavedReopened(const fuzz::WalkReport& r) {
  EXPECT_EQ(1, r.opened);
  EXPECT_EQ(1, r.saved);
  EXPECT_EQ(1, r.reopened);
}

}  // namespace

TEST(MapFuzzMutator, SameSeedSameMutantAndLayoutsFindTheirFields) {
  Campaign& c = Campaign::Get();
  ASSERT_TRUE(c.ready());
  for (const FileKind& k : Kinds()) {
    SCOPED_TRACE(k.name);
    for (const std::string& file : k.files) {
      const fuzz::Layout& l = c.layout(file);
      EXPECT_FALSE(l.boundaries.empty()) << file;
      if (std::string(k.name) != "log" && !l.text) {
        EXPECT_GE(l.fields.size(), 4u) << file;
      }
    }
    int differ = 0;
    for (uint64_t n = 0; n < 50; ++n) {
      const Mutant a = c.Make(k.name, n), b = c.Make(k.name, n);
      EXPECT_EQ(a.what, b.what);
      EXPECT_TRUE(a.files == b.files) << a.what;
      differ += a.files != c.fixture();
    }
    EXPECT_GE(differ, 45);  // a flip of a bit back and forth is rare
  }
}

// The template's mutants: statements with bad numbers, fewer fields,
// duplicated, overlong, with bytes of 0x80 and up, and a text that ends
// without its line end; the head line kept mostly.
TEST(MapFuzzMutator, TextMutationsDamageTheStatements) {
  Campaign& c = Campaign::Get();
  ASSERT_TRUE(c.ready());
  const std::string& intact = c.fixture().at(fuzz::kTemplateFile);
  const size_t intactLines = std::count(intact.begin(), intact.end(), '\n');
  int unended = 0, overlong = 0, high = 0, huge = 0, more = 0, fewer = 0, framed = 0;
  for (uint64_t n = 0; n < 400; ++n) {
    const std::string t = c.Make("tpl", n).files.at(fuzz::kTemplateFile);
    unended += !t.empty() && t.back() != '\n';
    size_t longest = 0;
    std::stringstream lines(t);
    for (std::string line; std::getline(lines, line);) longest = std::max(longest, line.size());
    overlong += longest >= 259;
    high += std::count_if(t.begin(), t.end(), [](char ch) { return BYTE(ch) >= 0x80; }) >
            std::count_if(intact.begin(), intact.end(), [](char ch) { return BYTE(ch) >= 0x80; });
    huge += t.find("1e309") != std::string::npos || t.find("nan") != std::string::npos ||
            t.find("99999999999") != std::string::npos;
    const size_t lineCount = std::count(t.begin(), t.end(), '\n');
    more += lineCount > intactLines;
    fewer += t.size() < intact.size();
    framed += t.rfind("FRAME", 0) == 0;
  }
  for (int seen : {unended, overlong, high, huge, more, fewer}) EXPECT_GE(seen, 10);
  EXPECT_GE(framed, 300);
}

TEST(MapFuzzRunner, EachFailureIsBlamedOnItsTaskAndTheOthersRun) {
  mctest::ScratchDir dir(MC_TEST_TMP);
  fuzz::RunOptions o;
  o.scratch = dir.path();
  o.batch = 4;
  o.seconds = 3.0;
  const fuzz::RunResult run = fuzz::RunInChildren(8, o, [](int index, const std::string&) {
    if (index == 2) std::abort();
    if (index == 5) _exit(3);
    if (index == 6) pause();  // never returns: a hang
    return uint32_t(100 + index);
  });
  ASSERT_EQ(3u, run.failures.size());
  EXPECT_EQ(2, run.failures[0].index);
  EXPECT_EQ(fuzz::Ending::Crash, run.failures[0].ending);
  EXPECT_EQ(5, run.failures[1].index);
  EXPECT_EQ(fuzz::Ending::Exit, run.failures[1].ending);
  EXPECT_EQ(3, run.failures[1].detail);
  EXPECT_EQ(6, run.failures[2].index);
  EXPECT_EQ(fuzz::Ending::Hang, run.failures[2].ending);
  for (int i : {0, 1, 3, 4, 7}) EXPECT_EQ(uint32_t(100 + i), run.results[size_t(i)]) << i;
}

TEST(MapFuzzRunner, ChildrenWriteOnlyInTheirFolderAndBelowTheFileLimit) {
  mctest::ScratchDir dir(MC_TEST_TMP);
  fuzz::RunOptions o;
  o.scratch = dir.path();
  o.fileLimit = 1 << 20;
  const fuzz::RunResult run = fuzz::RunInChildren(1, o, [](int, const std::string& slot) {
    const std::string big(2 << 20, 'x');
    FILE* inside = std::fopen((slot + "big").c_str(), "wb");
    const bool wroteBig = inside && std::fwrite(big.data(), 1, big.size(), inside) == big.size() &&
                          std::fflush(inside) == 0;
    if (inside) std::fclose(inside);
    FILE* outside = std::fopen((slot + "../outside").c_str(), "wb");
    if (outside) std::fclose(outside);
    return uint32_t((wroteBig ? 1 : 0) | (outside ? 2 : 0) | (fuzz::TakeFileLimitHits() ? 4 : 0));
  });
  ASSERT_TRUE(run.failures.empty());
  EXPECT_EQ(0u, run.results[0] & 1) << "a file grew past the limit";
  EXPECT_NE(0u, run.results[0] & 4);
  std::error_code ec;
  EXPECT_EQ(1 << 20, fs::file_size(dir / "slot0/big", ec));
  if (fuzz::CanRestrictWrites()) {
    EXPECT_EQ(0u, run.results[0] & 2);
    EXPECT_FALSE(fs::exists(dir / "outside"));
  }
}

TEST(MapFuzzFixture, TheIntactMapIsWalkedWhole) {
  ASSERT_TRUE(Campaign::Get().ready());
  const fuzz::WalkReport r =
      WalkIntact(fuzz::kMapFile, [](const std::string& map) { return fuzz::WalkMap(map, true); });
  ExpectOpenedSavedReopened(r);
  EXPECT_EQ(fuzz::kFixtureSheets, r.sheets);
  EXPECT_EQ(fuzz::kFixtureSheets * fuzz::kObjectsPerSheet, r.objects);
  EXPECT_GE(r.kinds, 15 + fuzz::kLocalTypes);
  EXPECT_EQ(2, r.groups);
  EXPECT_GE(r.actions, 4);
  EXPECT_EQ(2 * fuzz::kLocalTypes, r.appended);
  EXPECT_EQ(r.objects + r.appended, r.objectsAfter);
  // As a host: every kind measured and painted as samples in every road
  // (one past the last kind and 0 paint the empty sample), every object
  // read and painted alone at both visual types, the journal read with the
  // walk's own actions.
  EXPECT_EQ(1, r.host.opened);
  EXPECT_EQ(r.kinds, r.host.kinds);
  EXPECT_EQ(2 * r.kinds, r.host.samples);
  EXPECT_GE(r.host.objects, r.objectsAfter);
  EXPECT_EQ(2 * r.host.objects, r.host.painted);
  EXPECT_GT(r.host.actions, r.actions);
}

TEST(MapFuzzFixture, TheBackupCopiesStepObjectsBackAndUndoTheLastAction) {
  ASSERT_TRUE(Campaign::Get().ready());
  for (bool editMode : {false, true}) {
    SCOPED_TRACE(editMode ? "edit mode" : "plain");
    const fuzz::WalkReport r = WalkIntact(
        fuzz::kMapFile, [&](const std::string& map) { return fuzz::WalkMap(map, editMode, true); });
    ExpectOpenedSavedReopened(r);
    EXPECT_GE(r.restored, 6) << editMode;
    EXPECT_EQ(r.objects + r.appended, r.objectsAfter);
  }
}

TEST(MapFuzzFixture, TheIntactRastersAndMatricesAreWalkedWhole) {
  ASSERT_TRUE(Campaign::Get().ready());
  for (const char* file : {fuzz::kRasterFile, fuzz::kElevationFile, fuzz::kQualityFile,
                           fuzz::kLayerFile}) {
    SCOPED_TRACE(file);
    const fuzz::WalkReport r = WalkIntact(file, fuzz::WalkData);
    ExpectOpenedSavedReopened(r);
    EXPECT_GE(r.objects, 8);  // half the grid at least answers
    EXPECT_GE(r.appended, 1);
    EXPECT_GE(r.objectsAfter, 8);
    // Blocks the slots gave up were kept in the store.
    EXPECT_GE(r.stored, 1);
    // Its middle and the whole of it in the memory image (the quality
    // matrix is not shown by itself).
    EXPECT_EQ(1, r.host.opened);
    if (std::string(file) != fuzz::kQualityFile) {
      EXPECT_GE(r.host.pictures, 2);
    }
  }
}

TEST(MapFuzzFixture, TheIntactSelectRecordsSelectTheSame) {
  ASSERT_TRUE(Campaign::Get().ready());
  for (const char* file : {fuzz::kSltFile, fuzz::kSetFile, fuzz::kSecFile}) {
    SCOPED_TRACE(file);
    const fuzz::WalkReport r = WalkIntact(file, fuzz::WalkSelect);
    EXPECT_EQ(1, r.opened);
    EXPECT_EQ(1, r.kinds);
    EXPECT_GE(r.objects, 1);
    EXPECT_EQ(r.objects, r.groups);
    EXPECT_EQ(1, r.saved);
  }
}

TEST(MapFuzzFixture, TheIntactTemplateMakesEveryStatementsObjectsAndTheyStay) {
  ASSERT_TRUE(Campaign::Get().ready());
  const fuzz::WalkReport r = WalkIntact(fuzz::kTemplateFile, fuzz::WalkTemplate);
  ExpectOpenedSavedReopened(r);
  EXPECT_EQ(2, r.kinds);
  // Twice: three of the frame, a line, three titles, two arrows and four
  // degree labels.
  EXPECT_EQ(2 * 13, r.objects);
  EXPECT_EQ(r.objects, r.objectsAfter);
  EXPECT_EQ(4, r.host.pictures);
}

TEST(MapFuzzFixture, TheIntactDrawingRecordsPaintAndStay) {
  ASSERT_TRUE(Campaign::Get().ready());
  for (const std::string& file : fuzz::kPrimitiveFiles) {
    SCOPED_TRACE(file);
    const fuzz::WalkReport r = WalkIntact(file, fuzz::WalkPrimitive);
    ExpectOpenedSavedReopened(r);
    EXPECT_EQ(1, r.kinds);
    EXPECT_EQ(2, r.appended);
    EXPECT_EQ(4, r.objects);  // at every visual type of the memory image
    EXPECT_EQ(r.objects, r.objectsAfter);
  }
}

TEST(MapFuzz, EveryFileKindSurvivesItsMutants) {
  const char* replay = std::getenv("MAPCORE_FUZZ_REPLAY");
  ASSERT_TRUE(Campaign::Get().ready());
  std::vector<MutantId> ids;
  if (replay) {
    ids = ParseReplay(replay);
    for (const MutantId& id : ids) {
      const bool known = id.kind == kPair || std::any_of(Kinds().begin(), Kinds().end(),
                                                         [&](const FileKind& k) {
                                                           return id.kind == k.name;
                                                         });
      ASSERT_TRUE(known) << "no file kind " << id.kind;
    }
    if (EnvNumber("MAPCORE_FUZZ_INPROCESS", 0) != 0) {
      const fs::path home = fs::current_path();
      for (const MutantId& id : ids) {
        mctest::ScratchDir dir(MC_TEST_TMP);
        std::printf("%s:%" PRIu64 " %s\n", id.kind.c_str(), id.number,
                    Campaign::Get().Make(id.kind, id.number).what.c_str());
        std::fflush(stdout);
        RunMutant(id.kind, id.number, dir.path());
        fs::current_path(home);
      }
      return;
    }
  } else {
    const double scale = EnvNumber("MAPCORE_FUZZ_SCALE", 1.0);
    const int n = std::max(1, int(kMutantsPerKind * scale));
    const char* only = std::getenv("MAPCORE_FUZZ_KINDS");
    auto chosen = [&](const std::string& kind) {
      return !only || ("," + std::string(only) + ",").find("," + kind + ",") != std::string::npos;
    };
    for (int i = 0; i < n; ++i) {
      for (const FileKind& k : Kinds())
        if (chosen(k.name) && i < std::max(1, int(kMutantsPerKind * scale * k.share)))
          ids.push_back({k.name, uint64_t(i)});
      if (chosen(kPair)) ids.push_back({kPair, uint64_t(i)});
    }
  }
  if (EnvNumber("MAPCORE_FUZZ_LIST", 0) != 0) {
    for (const MutantId& id : ids)
      std::printf("%s:%" PRIu64 " %s\n", id.kind.c_str(), id.number,
                  Campaign::Get().Make(id.kind, id.number).what.c_str());
    return;
  }
  EXPECT_EQ(0, RunCampaign(ids, replay != nullptr));
}
