// What a host can name in an installed header it can link: every public
// and protected member function and static data member of every exported
// class (api/exports.list), and of the classes they derive from, that the
// installed headers declare without a body must be a defined dynamic
// symbol of the library. Members with a body in the headers (inline ones,
// defaulted ones) are compiled by the host and linked by the inline probe;
// deleted and pure virtual ones cannot be called.
//
// The headers are read by libclang as a host compiles them (C++20, the
// project folder as the include folder), every declaration's mangled names
// are compared with the library's dynamic symbols (nm -D). The program is
// a checker of headers and of the library file: it is built without the
// sanitizers, which libclang is not built for.
#include <clang-c/Index.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A libclang string as a std::string; Text also disposes it.
std::string Copy(CXString s) {
  const char* c = clang_getCString(s);
  return c ? c : "";
}

std::string Text(CXString s) {
  std::string out = Copy(s);
  clang_disposeString(s);
  return out;
}

std::set<std::string> ExportedClasses() {
  std::set<std::string> classes;
  std::ifstream in(MC_SOURCE_DIR "/api/exports.list");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("class ", 0) == 0) classes.insert(line.substr(6));
  return classes;
}

std::vector<std::string> PublicHeaders() {
  std::vector<std::string> headers;
  std::ifstream in(MC_PUBLIC_HEADERS);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) headers.push_back(line);
  return headers;
}

// The library's defined dynamic symbols, mangled.
std::set<std::string> DynamicSymbols() {
  std::set<std::string> names;
  const std::string command = std::string("nm -D --defined-only '") + MC_LIBRARY_PATH + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe)) {
    std::istringstream words(line);
    std::string address, type, name;
    if (words >> address >> type >> name) {
      // A versioned name ("f@@VERS") counts by its name.
      const size_t at = name.find('@');
      names.insert(at == std::string::npos ? name : name.substr(0, at));
    }
  }
  pclose(pipe);
  return names;
}

// One member a host can name and must link: its class, its declaration as
// the header shows it, and the names the linker looks for.
struct Member {
  std::string owner;
  std::string name;
  std::vector<std::string> symbols;
};

// Whether the declaration ends in "= delete".
bool IsDeleted(CXCursor c) {
  CXTranslationUnit tu = clang_Cursor_getTranslationUnit(c);
  CXToken* tokens = nullptr;
  unsigned count = 0;
  clang_tokenize(tu, clang_getCursorExtent(c), &tokens, &count);
  bool deleted = false;
  for (unsigned i = 0; i + 1 < count; ++i)
    if (Text(clang_getTokenSpelling(tu, tokens[i])) == "=" &&
        Text(clang_getTokenSpelling(tu, tokens[i + 1])) == "delete")
      deleted = true;
  clang_disposeTokens(tu, tokens, count);
  return deleted;
}

bool Reachable(CX_CXXAccessSpecifier access) {
  return access == CX_CXXPublic || access == CX_CXXProtected;
}

class MemberWalk {
 public:
  explicit MemberWalk(std::vector<Member>* out) : Out(out) {}

  // The members of a class definition and of the classes it derives from
  // (public and protected bases), each class once.
  void Class(CXCursor definition) {
    const std::string usr = Text(clang_getCursorUSR(definition));
    if (!Seen.insert(usr).second) return;
    Owner.push_back(Text(clang_getCursorSpelling(definition)));
    clang_visitChildren(definition, Visit, this);
    Owner.pop_back();
  }

 private:
  static CXChildVisitResult Visit(CXCursor c, CXCursor, CXClientData data) {
    static_cast<MemberWalk*>(data)->Child(c);
    return CXChildVisit_Continue;
  }

  void Child(CXCursor c) {
    const CXCursorKind kind = clang_getCursorKind(c);
    if (kind == CXCursor_CXXBaseSpecifier) {
      if (!Reachable(clang_getCXXAccessSpecifier(c))) return;
      const CXCursor base = clang_getCursorDefinition(clang_getTypeDeclaration(clang_getCursorType(c)));
      if (!clang_Cursor_isNull(base)) Class(base);
      return;
    }
    if (!Reachable(clang_getCXXAccessSpecifier(c))) return;
    switch (kind) {
      case CXCursor_ClassDecl:
      case CXCursor_StructDecl:
        if (clang_isCursorDefinition(c)) Class(c);
        return;
      case CXCursor_CXXMethod:
      case CXCursor_Constructor:
      case CXCursor_Destructor:
      case CXCursor_ConversionFunction:
        if (clang_CXXMethod_isPureVirtual(c) || clang_CXXMethod_isDefaulted(c) || IsDeleted(c))
          return;
        break;
      case CXCursor_VarDecl:  // a static data member
        break;
      default:
        return;  // data fields, types, templates, friends
    }
    // A body the headers give is compiled by the host itself.
    if (!clang_Cursor_isNull(clang_getCursorDefinition(c))) return;
    Member m;
    m.owner = Owner.back();
    m.name = Text(clang_getCursorDisplayName(c));
    CXStringSet* names = clang_Cursor_getCXXManglings(c);
    if (names && names->Count > 0) {
      for (unsigned i = 0; i < names->Count; ++i) m.symbols.push_back(Copy(names->Strings[i]));
    } else {
      m.symbols.push_back(Text(clang_Cursor_getMangling(c)));
    }
    if (names) clang_disposeStringSet(names);
    Out->push_back(m);
  }

  std::vector<Member>* Out;
  std::set<std::string> Seen;
  std::vector<std::string> Owner;
};

struct TopLevel {
  const std::set<std::string>* classes;
  std::vector<CXCursor> found;
};

CXChildVisitResult FindClasses(CXCursor c, CXCursor, CXClientData data) {
  auto* top = static_cast<TopLevel*>(data);
  const CXCursorKind kind = clang_getCursorKind(c);
  if ((kind == CXCursor_ClassDecl || kind == CXCursor_StructDecl) && clang_isCursorDefinition(c) &&
      top->classes->count(Text(clang_getCursorSpelling(c))))
    top->found.push_back(c);
  return CXChildVisit_Continue;
}

TEST(HeaderMembers, EveryMemberAHostCanNameIsExported) {
  const std::set<std::string> classes = ExportedClasses();
  const std::vector<std::string> headers = PublicHeaders();
  ASSERT_GT(classes.size(), 20u);
  ASSERT_GT(headers.size(), 50u);

  std::string source;
  for (const std::string& h : headers) source += "#include \"" + h + "\"\n";
  const std::string file = std::string(MC_TEST_TMP) + "/header_members.cpp";
  std::ofstream(file) << source;

  const std::vector<std::string> words = {
      "-x", "c++", "-std=c++20", "-I" MC_SOURCE_DIR, "-resource-dir", MC_CLANG_RESOURCE_DIR};
  std::vector<const char*> args;
  for (const std::string& w : words) args.push_back(w.c_str());
  CXIndex index = clang_createIndex(0, 0);
  CXTranslationUnit tu = nullptr;
  const CXErrorCode parsed = clang_parseTranslationUnit2(
      index, file.c_str(), args.data(), int(args.size()), nullptr, 0, CXTranslationUnit_None, &tu);
  ASSERT_EQ(parsed, CXError_Success);
  // The headers compile as a host compiles them.
  std::string errors;
  for (unsigned i = 0; i < clang_getNumDiagnostics(tu); ++i) {
    CXDiagnostic d = clang_getDiagnostic(tu, i);
    if (clang_getDiagnosticSeverity(d) >= CXDiagnostic_Error)
      errors += Text(clang_formatDiagnostic(d, clang_defaultDiagnosticDisplayOptions())) + "\n";
    clang_disposeDiagnostic(d);
  }
  EXPECT_EQ(errors, "");

  TopLevel top{&classes, {}};
  clang_visitChildren(clang_getTranslationUnitCursor(tu), FindClasses, &top);
  std::set<std::string> defined;
  for (const CXCursor& c : top.found) defined.insert(Text(clang_getCursorSpelling(c)));
  EXPECT_EQ(defined, classes) << "every exported class is defined in the installed headers";

  std::vector<Member> members;
  MemberWalk walk(&members);
  for (const CXCursor& c : top.found) walk.Class(c);
  // The walk sees the members of the document chain, the classifier and
  // the map at least.
  EXPECT_GT(members.size(), 1000u);

  const std::set<std::string> symbols = DynamicSymbols();
  ASSERT_FALSE(symbols.empty());
  std::string missing;
  for (const Member& m : members)
    for (const std::string& s : m.symbols)
      if (!symbols.count(s)) missing += m.owner + ": " + m.name + "  (" + s + ")\n";
  EXPECT_EQ(missing, "");

  clang_disposeTranslationUnit(tu);
  clang_disposeIndex(index);
}

}  // namespace
