#include "apiheaders.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace apitest {

std::vector<DeclaredFunction> DeclaredFunctions(const std::string& path,
                                                const std::string& firstArgument) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string s = text.str();
  std::string pattern = R"(MAPAPI\s+([^;{]*?)\s*WINAPI\s+(\w+)\s*\()";
  if (!firstArgument.empty()) pattern += R"(\s*(?:)" + firstArgument + R"()\s)";
  const std::regex declaration(pattern);
  std::vector<DeclaredFunction> found;
  for (std::sregex_iterator m(s.begin(), s.end(), declaration), end; m != end; ++m)
    found.push_back({(*m)[2], (*m)[1]});
  return found;
}

std::set<std::string> DeclaredFunctionNames(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().extension() != ".h") continue;
    for (const DeclaredFunction& f : DeclaredFunctions(e.path().string())) names.insert(f.name);
  }
  return names;
}

}  // namespace apitest
