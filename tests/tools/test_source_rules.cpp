// Rules every source file of the project keeps:
// - the 32-bit "long" of the original interfaces is never written as the C
//   type (LONG, DWORD or intptr_t say what is meant);
// - a folder of the library includes only headers of its own layer and of
//   the layers the layer table lets it use (cmake/layers.cmake, written by
//   the build as plain lines "folder target uses...");
// - every folder holding library sources is a layer of that table.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Removes comments, string and character literals, keeping line breaks.
std::string StripCommentsAndLiterals(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  enum { Code, Line, Block, Str, Chr } st = Code;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    char n = i + 1 < s.size() ? s[i + 1] : 0;
    switch (st) {
      case Code:
        if (c == '/' && n == '/') st = Line, ++i;
        else if (c == '/' && n == '*') st = Block, ++i;
        else if (c == '"') st = Str, out += ' ';
        else if (c == '\'') st = Chr, out += ' ';
        else out += c;
        break;
      case Line:
        if (c == '\n') st = Code, out += c;
        break;
      case Block:
        if (c == '*' && n == '/') st = Code, ++i;
        else if (c == '\n') out += c;
        break;
      case Str:
      case Chr:
        if (c == '\\') ++i;
        else if ((st == Str && c == '"') || (st == Chr && c == '\'')) st = Code;
        else if (c == '\n') out += c;
        break;
    }
  }
  return out;
}

bool IsIdent(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool HasWord(const std::string& line, const std::string& word) {
  for (size_t p = line.find(word); p != std::string::npos; p = line.find(word, p + 1)) {
    bool left = p == 0 || !IsIdent(line[p - 1]);
    bool right = p + word.size() >= line.size() || !IsIdent(line[p + word.size()]);
    if (left && right) return true;
  }
  return false;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool IsSource(const fs::path& p) {
  auto ext = p.extension().string();
  return ext == ".h" || ext == ".c" || ext == ".cpp" || ext == ".hpp" || ext == ".cc";
}

// The layer table: for each folder, the folders it may include from (its
// own and every one reachable through the table's edges).
class LayerTable {
 public:
  explicit LayerTable(const std::string& text) {
    std::map<std::string, std::string> folderOf;  // target -> folder
    std::map<std::string, std::vector<std::string>> uses;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream words(line);
      std::string folder, target, dep;
      if (!(words >> folder >> target)) continue;
      folderOf[target] = folder;
      order_.push_back(folder);
      while (words >> dep) uses[folder].push_back(dep);
    }
    for (const auto& folder : order_) {
      std::set<std::string>& reach = allowed_[folder];
      std::vector<std::string> todo{folder};
      while (!todo.empty()) {
        std::string f = todo.back();
        todo.pop_back();
        if (!reach.insert(f).second) continue;
        for (const auto& t : uses[f]) todo.push_back(folderOf.count(t) ? folderOf[t] : "?" + t);
      }
    }
  }

  bool Empty() const { return order_.empty(); }

  // The layer a file or include path belongs to: its folder, when that is a
  // folder of the table; "" otherwise (a subfolder is a layer of its own or
  // no layer at all).
  std::string LayerOf(const std::string& path) const {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
    return allowed_.count(folder) ? folder : "";
  }

  // The includes of one library file that its layer may not use, as
  // "file:line: include".
  std::vector<std::string> BadIncludes(const std::string& file, const std::string& code) const {
    std::vector<std::string> bad;
    const std::string layer = LayerOf(file);
    if (layer.empty()) return {file + ": not in any layer"};
    const std::set<std::string>& reach = allowed_.at(layer);
    std::istringstream lines(code);
    std::string line;
    int no = 0;
    while (std::getline(lines, line)) {
      ++no;
      size_t p = line.find_first_not_of(" \t");
      if (p == std::string::npos || line.compare(p, 8, "#include") != 0) continue;
      size_t open = line.find('"', p);
      if (open == std::string::npos) continue;  // <system> header
      size_t close = line.find('"', open + 1);
      std::string inc = line.substr(open + 1, close - open - 1);
      std::string target = LayerOf(inc);
      // api/ is the public door: nothing below it includes it.
      if (target.empty() || !reach.count(target))
        bad.push_back(file + ":" + std::to_string(no) + ": " + inc);
    }
    return bad;
  }

 private:
  std::vector<std::string> order_;
  std::map<std::string, std::set<std::string>> allowed_;
};

// The project's source files, by their names below the project folder. Build
// and output folders are left out: tests running beside this one create
// and remove files there.
std::vector<std::string> ProjectSources() {
  std::vector<std::string> files;
  const fs::path root(MC_SOURCE_DIR);
  for (const auto& top : fs::directory_iterator(root)) {
    std::string name = top.path().filename().string();
    if (!top.is_directory() || name[0] == '.' || name.rfind("build", 0) == 0 || name == "out")
      continue;
    for (const auto& e : fs::recursive_directory_iterator(top.path())) {
      if (e.is_regular_file() && IsSource(e.path()))
        files.push_back(fs::relative(e.path(), root).generic_string());
    }
  }
  return files;
}

LayerTable LoadLayers() { return LayerTable(ReadFile(MC_LAYER_TABLE)); }

std::string Join(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& i : items) s += i + "\n";
  return s;
}

TEST(SourceRules, IncludesFollowTheLayerTable) {
  LayerTable table = LoadLayers();
  ASSERT_FALSE(table.Empty());
  std::vector<std::string> bad;
  for (const std::string& rel : ProjectSources()) {
    std::string top = rel.substr(0, rel.find('/'));
    // Tests, benchmarks, the example host and the shared library's own
    // folder may use any layer.
    if (top == "tests" || top == "bench" || top == "examples" || top == "cmake") continue;
    if (top == "api") continue;
    auto more = table.BadIncludes(rel, ReadFile(fs::path(MC_SOURCE_DIR) / rel));
    bad.insert(bad.end(), more.begin(), more.end());
  }
  EXPECT_TRUE(bad.empty()) << Join(bad);
}

TEST(SourceRules, PlantedIncludesAgainstTheTableAreRejected) {
  LayerTable table = LoadLayers();
  // Upward, sideways and into the public door.
  EXPECT_EQ(table.BadIncludes("geodesy/x.cpp", "#include \"mapstore/map.h\"\n").size(), 1u);
  EXPECT_EQ(table.BadIncludes("codec/x.cpp", "  #include \"geodesy/translate.h\"\n").size(), 1u);
  EXPECT_EQ(table.BadIncludes("common/x.h", "#include \"platform/gdi/gdi.h\"\n").size(), 1u);
  EXPECT_EQ(table.BadIncludes("mapstore/x.cpp", "#include \"api/mapapi.h\"\n").size(), 1u);
  // The public door is above every layer; only its types lie below.
  EXPECT_TRUE(table.BadIncludes("platform/x.h", "#include \"types/maptypes.h\"\n").empty());
  EXPECT_EQ(table.BadIncludes("types/x.h", "#include \"platform/file.h\"\n").size(), 1u);
  // A folder that is no layer.
  EXPECT_EQ(table.BadIncludes("objects/records/x.cpp", "").size(), 1u);
  // Down the table, through several edges, and within the layer: allowed.
  EXPECT_TRUE(table.BadIncludes("mapstore/x.cpp",
                                "#include \"mapstore/map.h\"\n#include \"platform/file.h\"\n"
                                "#include \"codec/compress.h\"\n#include <vector>\n")
                  .empty());
}

// Functions are exported only through the public door: the export marker
// of the C interface is used nowhere else (the public types define it).
TEST(SourceRules, OnlyThePublicDoorExportsFunctions) {
  std::vector<std::string> offenders;
  for (const std::string& rel : ProjectSources()) {
    if (rel.rfind("api/", 0) == 0 || rel == "types/maptypes.h") continue;
    std::string code = StripCommentsAndLiterals(ReadFile(fs::path(MC_SOURCE_DIR) / rel));
    std::istringstream lines(code);
    std::string line;
    int no = 0;
    while (std::getline(lines, line)) {
      ++no;
      if (HasWord(line, "MAPAPI")) offenders.push_back(rel + ":" + std::to_string(no));
    }
  }
  EXPECT_TRUE(offenders.empty()) << Join(offenders);
}

TEST(SourceRules, NoBareLongInProjectCode) {
  std::vector<std::string> offenders;
  for (const std::string& rel : ProjectSources()) {
    std::string code = StripCommentsAndLiterals(ReadFile(fs::path(MC_SOURCE_DIR) / rel));
    std::istringstream lines(code);
    std::string line;
    int no = 0;
    while (std::getline(lines, line)) {
      ++no;
      if (HasWord(line, "long")) offenders.push_back(rel + ":" + std::to_string(no));
    }
  }
  EXPECT_TRUE(offenders.empty()) << Join(offenders);
}

}  // namespace
