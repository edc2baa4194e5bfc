// Font file lookup: built-in face table, system folders, host folders and an
// index of the family names of installed files.
#include "platform/text/font_source.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/text/text_engine.h"

namespace plat::text {
namespace {

namespace fs = std::filesystem;

// Styles in file-table order.
enum { kRegular = 0, kBold = 1, kItalic = 2, kBoldItalic = 3 };

struct TableFamily {
  const char* names[8];  // lower case, null-terminated list
  const char* files[4];  // regular, bold, italic, bold italic
};

const TableFamily kSans = {
    {"arial", "helvetica", "ms sans serif", "liberation sans", nullptr},
    {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf", "LiberationSans-Italic.ttf",
     "LiberationSans-BoldItalic.ttf"}};
const TableFamily kSerif = {
    {"times new roman", "times", "liberation serif", nullptr},
    {"LiberationSerif-Regular.ttf", "LiberationSerif-Bold.ttf", "LiberationSerif-Italic.ttf",
     "LiberationSerif-BoldItalic.ttf"}};
const TableFamily kMono = {
    {"courier new", "courier", "liberation mono", nullptr},
    {"LiberationMono-Regular.ttf", "LiberationMono-Bold.ttf", "LiberationMono-Italic.ttf",
     "LiberationMono-BoldItalic.ttf"}};
const TableFamily kDejaVu = {
    {"dejavu sans", nullptr},
    {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-Oblique.ttf",
     "DejaVuSans-BoldOblique.ttf"}};
const TableFamily* const kTable[] = {&kSans, &kSerif, &kMono, &kDejaVu};

// Script suffixes that name the same face with another character set.
const char* const kScriptSuffixes[] = {" cyr", " cyrillic", " ce", " greek", " tur",
                                       " baltic", " hebrew", " arabic"};

std::string Lower(const char* s, size_t n) {
  std::string r(s, n);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

// Face name of a request, trimmed and lower-cased (at most 31 bytes).
std::string NormalName(const char* face) {
  if (!face) return {};
  size_t n = strnlen(face, LF_FACESIZE - 1);
  size_t b = 0;
  while (b < n && std::isspace(static_cast<unsigned char>(face[b]))) ++b;
  while (n > b && std::isspace(static_cast<unsigned char>(face[n - 1]))) --n;
  return Lower(face + b, n - b);
}

bool EndsWith(const std::string& s, const char* suffix) {
  size_t n = std::strlen(suffix);
  return s.size() > n && s.compare(s.size() - n, n, suffix) == 0;
}

const TableFamily* TableLookup(const std::string& name) {
  std::string base = name;
  for (const char* suffix : kScriptSuffixes)
    if (EndsWith(base, suffix)) {
      base.resize(base.size() - std::strlen(suffix));
      break;
    }
  for (const TableFamily* fam : kTable)
    for (const char* const* n = fam->names; *n; ++n)
      if (base == *n) return fam;
  return nullptr;
}

bool IsFontFile(const fs::path& p) {
  std::string ext = p.extension().string();
  ext = Lower(ext.data(), ext.size());
  return ext == ".ttf" || ext == ".otf" || ext == ".ttc" || ext == ".otc";
}

// One face of an indexed folder.
struct IndexedFace {
  std::string family;  // lower case
  bool bold;
  bool italic;
  FaceFile file;
};

// A folder's font files by lower-case file name, and its faces by family.
struct FolderIndex {
  bool built = false;
  bool familiesBuilt = false;
  std::map<std::string, std::string> byFileName;
  std::vector<IndexedFace> faces;
};

struct Sources {
  std::mutex mu;
  std::vector<std::string> systemRoots{"/usr/share/fonts"};
  std::vector<std::string> hostFolders;
  std::map<std::string, FolderIndex> indexes;  // by folder
};

Sources& TheSources() {
  static Sources* s = new Sources;  // lives for the whole process
  return *s;
}

void BuildFileIndex(const std::string& folder, bool recursive, FolderIndex& ix) {
  if (ix.built) return;
  ix.built = true;
  std::error_code ec;
  auto add = [&](const fs::directory_entry& e) {
    std::error_code ec2;
    if (!e.is_regular_file(ec2) || !IsFontFile(e.path())) return;
    std::string name = e.path().filename().string();
    ix.byFileName.emplace(Lower(name.data(), name.size()), e.path().string());
  };
  if (recursive) {
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) add(*it);
  } else {
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) add(*it);
  }
}

void BuildFamilyIndex(FolderIndex& ix) {
  if (ix.familiesBuilt) return;
  ix.familiesBuilt = true;
  std::lock_guard<std::mutex> ft(FreeTypeMutex());
  FT_Library lib = FreeTypeLibrary();
  if (!lib) return;
  for (const auto& [lname, path] : ix.byFileName) {
    (void)lname;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) continue;
    FT_Long count = std::min<FT_Long>(face->num_faces, 64);
    for (FT_Long i = 0; i < count; ++i) {
      if (i > 0) {
        FT_Done_Face(face);
        face = nullptr;
        if (FT_New_Face(lib, path.c_str(), i, &face) != 0) break;
      }
      if (face->family_name && FT_IS_SCALABLE(face)) {
        IndexedFace f;
        f.family = Lower(face->family_name, std::strlen(face->family_name));
        f.bold = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
        f.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
        f.file.path = path;
        f.file.index = static_cast<int>(i);
        ix.faces.push_back(std::move(f));
      }
    }
    if (face) FT_Done_Face(face);
  }
}

// Looks a file name up in one folder.
std::string FileInFolder(Sources& src, const std::string& folder, bool recursive,
                         const char* fileName) {
  std::error_code ec;
  fs::path direct = fs::path(folder) / fileName;
  if (fs::is_regular_file(direct, ec)) return direct.string();
  FolderIndex& ix = src.indexes[folder];
  BuildFileIndex(folder, recursive, ix);
  auto it = ix.byFileName.find(Lower(fileName, std::strlen(fileName)));
  return it == ix.byFileName.end() ? std::string() : it->second;
}

// A file of the built-in table: system folders first, then host folders.
std::string FindTableFile(Sources& src, const char* fileName) {
  static const char* const kSubFolders[] = {"truetype/liberation2", "truetype/liberation",
                                            "truetype/dejavu"};
  std::error_code ec;
  for (const std::string& root : src.systemRoots)
    for (const char* sub : kSubFolders) {
      fs::path p = fs::path(root) / sub / fileName;
      if (fs::is_regular_file(p, ec)) return p.string();
    }
  for (const std::string& root : src.systemRoots) {
    std::string p = FileInFolder(src, root, true, fileName);
    if (!p.empty()) return p;
  }
  for (const std::string& folder : src.hostFolders) {
    std::string p = FileInFolder(src, folder, false, fileName);
    if (!p.empty()) return p;
  }
  return {};
}

// The table family's file in the wanted style, else the nearest style present.
FaceFile FindTableFace(Sources& src, const TableFamily& fam, bool bold, bool italic) {
  static const int kOrder[4][4] = {{kRegular, kBold, kItalic, kBoldItalic},
                                   {kBold, kRegular, kBoldItalic, kItalic},
                                   {kItalic, kRegular, kBoldItalic, kBold},
                                   {kBoldItalic, kBold, kItalic, kRegular}};
  int want = (bold ? kBold : 0) | (italic ? kItalic : 0);
  for (int style : kOrder[want]) {
    std::string p = FindTableFile(src, fam.files[style]);
    if (!p.empty()) return FaceFile{p, 0};
  }
  return {};
}

// A face of the given family among the folders' indexed faces, nearest style.
FaceFile FindFamily(Sources& src, const std::vector<std::string>& folders, bool recursive,
                    const std::string& family, bool bold, bool italic) {
  const IndexedFace* best = nullptr;
  int bestCost = 100;
  for (const std::string& folder : folders) {
    FolderIndex& ix = src.indexes[folder];
    BuildFileIndex(folder, recursive, ix);
    BuildFamilyIndex(ix);
    for (const IndexedFace& f : ix.faces) {
      if (f.family != family) continue;
      int cost = (f.bold != bold ? 2 : 0) + (f.italic != italic ? 1 : 0);
      if (cost < bestCost) {
        best = &f;
        bestCost = cost;
      }
    }
    if (best) return best->file;
  }
  return {};
}

}  // namespace

FT_Library FreeTypeLibrary() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

std::mutex& FreeTypeMutex() {
  static std::mutex* mu = new std::mutex;
  return *mu;
}

FaceFile FindDefaultFaceFile(bool bold, bool italic) {
  Sources& src = TheSources();
  std::lock_guard<std::mutex> lock(src.mu);
  FaceFile f = FindTableFace(src, kDejaVu, bold, italic);
  if (f.path.empty()) f = FindTableFace(src, kSans, bold, italic);
  if (!f.path.empty()) return f;
  // Any installed file at all, the first by name for a stable choice.
  for (const std::string& root : src.systemRoots) {
    FolderIndex& ix = src.indexes[root];
    BuildFileIndex(root, true, ix);
    if (!ix.byFileName.empty()) return FaceFile{ix.byFileName.begin()->second, 0};
  }
  for (const std::string& folder : src.hostFolders) {
    FolderIndex& ix = src.indexes[folder];
    BuildFileIndex(folder, false, ix);
    if (!ix.byFileName.empty()) return FaceFile{ix.byFileName.begin()->second, 0};
  }
  return {};
}

FaceFile FindFaceFile(const char* faceName, bool bold, bool italic) {
  std::string name = NormalName(faceName);
  {
    Sources& src = TheSources();
    std::lock_guard<std::mutex> lock(src.mu);
    if (const TableFamily* fam = TableLookup(name)) {
      FaceFile f = FindTableFace(src, *fam, bold, italic);
      if (!f.path.empty()) return f;
    } else if (!name.empty()) {
      FaceFile f = FindFamily(src, src.hostFolders, false, name, bold, italic);
      if (f.path.empty()) f = FindFamily(src, src.systemRoots, true, name, bold, italic);
      if (!f.path.empty()) return f;
    }
  }
  return FindDefaultFaceFile(bold, italic);
}

void AddFontSourceFolder(const char* folder) {
  if (!folder || !*folder) return;
  Sources& src = TheSources();
  {
    std::lock_guard<std::mutex> lock(src.mu);
    std::string f(folder);
    if (std::find(src.hostFolders.begin(), src.hostFolders.end(), f) != src.hostFolders.end())
      return;
    src.hostFolders.push_back(f);
    src.indexes.erase(f);
  }
  ClearFontCache();
}

void SetSystemFontRoots(const std::vector<std::string>& roots) {
  Sources& src = TheSources();
  {
    std::lock_guard<std::mutex> lock(src.mu);
    src.systemRoots = roots.empty() ? std::vector<std::string>{"/usr/share/fonts"} : roots;
    src.hostFolders.clear();
    src.indexes.clear();
  }
  ClearFontCache();
}

void AddFontFolder(const char* folder) { AddFontSourceFolder(folder); }

}  // namespace plat::text
