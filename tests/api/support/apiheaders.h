// Readers of the public headers for the tests of the exported functions:
// the functions a header declares for export, with what each answers, so
// that a test can call every one of them without listing them by hand.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace apitest {

// A function a public header declares for export: its name and its result
// type as written there ("LONG", "const char*", "double", ...).
struct DeclaredFunction {
  std::string name, result;
};

// The functions the header at `path` declares for export, in the order
// written. With `firstArgument` (a type, or types as "HRSC|HMAP") only those
// whose first argument is of that type.
std::vector<DeclaredFunction> DeclaredFunctions(const std::string& path,
                                                const std::string& firstArgument = "");

// The names of the functions all headers (*.h) of `folder` declare for
// export.
std::set<std::string> DeclaredFunctionNames(const std::string& folder);

}  // namespace apitest
