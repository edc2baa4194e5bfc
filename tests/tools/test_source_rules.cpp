// Rules every source file of the project keeps: the 32-bit "long" of the
// original interfaces is never written as the C type (LONG, DWORD or
// intptr_t say what is meant).
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
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

TEST(SourceRules, NoBareLongInProjectCode) {
  std::vector<std::string> offenders;
  for (const char* dir : {"platform", "common", "geodesy", "classifier", "mapstore", "objects",
                          "drawing", "document", "selection", "geometry", "raster", "api",
                          "tests", "bench", "examples"}) {
    fs::path root = fs::path(MC_SOURCE_DIR) / dir;
    if (!fs::exists(root)) continue;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      if (!e.is_regular_file()) continue;
      auto ext = e.path().extension().string();
      if (ext != ".h" && ext != ".cpp" && ext != ".hpp" && ext != ".cc") continue;
      std::ifstream in(e.path(), std::ios::binary);
      std::stringstream ss;
      ss << in.rdbuf();
      std::string code = StripCommentsAndLiterals(ss.str());
      std::istringstream lines(code);
      std::string line;
      int no = 0;
      while (std::getline(lines, line)) {
        ++no;
        if (HasWord(line, "long"))
          offenders.push_back(e.path().string() + ":" + std::to_string(no));
      }
    }
  }
  EXPECT_TRUE(offenders.empty()) << [&] {
    std::string s;
    for (auto& o : offenders) s += o + "\n";
    return s;
  }();
}

}  // namespace
