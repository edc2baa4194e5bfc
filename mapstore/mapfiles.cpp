#include "mapstore/mapfiles.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/copyfile.h"
#include "common/heldfiles.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "mapstore/map.h"
#include "mapstore/mapjoin.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/path.h"

namespace {

// Folder (drive and directory) and file name of a path.
void SplitFolder(const char* path, char (&folder)[MAX_PATH], char (&name)[MAX_PATH]) {
  char drive[MAX_DRIVE] = {}, dir[MAX_DIR] = {}, fname[MAX_FNAME] = {}, ext[MAX_EXT] = {};
  plat::SplitPath(path, drive, dir, fname, ext);
  if (!JoinText(folder, sizeof(folder), {drive, dir})) folder[0] = 0;
  if (!JoinText(name, sizeof(name), {fname, ext})) name[0] = 0;
}

// A name kept in the map's records, taken only by its name and extension,
// in `folder`: false for an empty name or when the whole does not fit.
bool Beside(const char* folder, const char* stored, size_t field, std::string& out) {
  char copy[MAX_PATH];
  const size_t length = strnlen(stored, field < sizeof(copy) ? field : sizeof(copy) - 1);
  std::memcpy(copy, stored, length);
  copy[length] = 0;
  char fname[MAX_FNAME] = {}, ext[MAX_EXT] = {};
  plat::SplitPath(copy, nullptr, nullptr, fname, ext);
  if (fname[0] == 0) return false;
  char path[MAX_PATH];
  if (!JoinText(path, sizeof(path), {folder, fname, ext})) return false;
  out = path;
  return true;
}

bool Exists(const char* path) { return plat::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// A copy over a target deleted first.
bool CopyOver(const std::string& from, const std::string& to) {
  plat::DeleteFileA(to.c_str());
  TCopyFile copy;
  return copy.Copy(from.c_str(), to.c_str()) != 0;
}

}  // namespace

int CopyOneFile(const char* from, const char* to, int access, int share) {
  if (from == nullptr || to == nullptr) return 0;
  // A file an open document holds is not copied over (a name of the
  // source itself copies nothing and answers 1, as the copier does).
  if (!IsSameFileName(from, to) && heldIsFile(to)) {
    ShowErrorMessage(MAPERR_OPEN, to);
    return 0;
  }
  TCopyFile copy;
  return copy.Copy(from, to, access, share);
}

int CopyMapFiles(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return 0;
  if (IsSameFileName(from, to)) return 1;
  char fromFolder[MAX_PATH], fromName[MAX_PATH], toFolder[MAX_PATH], toName[MAX_PATH];
  SplitFolder(from, fromFolder, fromName);
  SplitFolder(to, toFolder, toName);
  if (std::strcmp(fromFolder, toFolder) == 0) return !heldIsFile(to) && CopyOver(from, to) ? 1 : 0;

  TMap map;
  if (!map.OpenData(from, 0)) return 0;
  std::vector<std::pair<std::string, bool>> files;  // name, may be missing
  auto add = [&](const char* stored, size_t field, bool optional) {
    std::string path;
    if (Beside("", stored, field, path)) files.emplace_back(path, optional);
  };
  add(map.NameRSC(), sizeof(map.Passport.RscName), false);
  add(map.NameGDX(), sizeof(map.Passport.GroupName), true);
  for (int n = 1; n <= map.Count(); ++n) {
    const LISTDESC* list = map.TMapPassport::List(n);
    add(list->NameHDR, sizeof(list->NameHDR), false);
    add(list->NameDAT, sizeof(list->NameDAT), true);
    add(list->NameSEM, sizeof(list->NameSEM), true);
    add(list->NameGRA, sizeof(list->NameGRA), true);
  }
  // Nothing is written when a target is a file an open document holds; the
  // source is open here, so its own files (another spelling of its folder)
  // count too.
  std::vector<std::string> targets{to};
  for (const auto& file : files) targets.push_back(std::string(toFolder) + file.first);
  std::vector<const char*> names;
  for (const std::string& target : targets) names.push_back(target.c_str());
  const bool held = heldFind(names.data(), int(names.size())) >= 0;
  map.CloseData();
  if (held) return 0;

  if (toFolder[0]) plat::CreateDirectoryA(toFolder, nullptr);
  if (!CopyOver(from, to)) return 0;
  for (const auto& [name, optional] : files) {
    const std::string source = std::string(fromFolder) + name;
    if (optional && !Exists(source.c_str())) continue;
    if (!CopyOver(source, std::string(toFolder) + name)) return 0;
  }
  return 1;
}

int DeleteMapFiles(const char* name) {
  if (name == nullptr) return 0;
  TMap map;
  if (!map.OpenData(name, 0)) return 0;
  char folder[MAX_PATH], file[MAX_PATH];
  SplitFolder(map.Path, folder, file);
  char log[MAX_PATH];
  if (!JoinText(log, sizeof(log), {folder, "LOG\\"})) log[0] = 0;
  // The files the map names are deleted only beside it, by their names.
  std::vector<std::string> files;
  auto add = [&](const char* stored, size_t field) {
    std::string path;
    if (Beside(folder, stored, field, path)) files.push_back(path);
  };
  for (int n = 1; n <= map.Count(); ++n) {
    const LISTDESC* list = map.TMapPassport::List(n);
    add(list->NameHDR, sizeof(list->NameHDR));
    add(list->NameDAT, sizeof(list->NameDAT));
    add(list->NameSEM, sizeof(list->NameSEM));
    add(list->NameGRA, sizeof(list->NameGRA));
  }
  add(map.NameGDX(), sizeof(map.Passport.GroupName));
  std::string path = map.Path;
  map.CloseData();

  if (!plat::DeleteFileA(path.c_str())) return 0;
  for (const std::string& f : files) plat::DeleteFileA(f.c_str());
  plat::DeleteFileA((path + ".ini").c_str());
  if (log[0]) {
    char fname[MAX_FNAME] = {}, ext[MAX_EXT] = {};
    plat::SplitPath(path.c_str(), nullptr, nullptr, fname, ext);
    for (const char* tail : {".LOG", ".TAC", ".vcl"}) {
      char logFile[MAX_PATH];
      if (JoinText(logFile, sizeof(logFile), {log, fname, ext, tail})) plat::DeleteFileA(logFile);
    }
    // The group file the map keeps in its log folder.
    char groups[MAX_PATH];
    if (JoinText(groups, sizeof(groups), {log, fname, ".GDX"})) plat::DeleteFileA(groups);
    log[std::strlen(log) - 1] = 0;
    plat::RemoveDirectoryA(log);
  }
  return 1;
}

int OpenFileMapping(const char* name, LONG length, LONG offset, FILEMAPPING* out) {
  if (name == nullptr || out == nullptr) return 0;
  std::memset(out, 0, sizeof(*out));
  HANDLE file = plat::CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ShowErrorMessage(MAPERR_OPEN, name);
    return 0;
  }
  const int64_t size = plat::FileLength(file);
  const DWORD remainder = DWORD(offset) & 0xFFFFu;
  const int64_t viewOffset = int64_t(DWORD(offset) & ~0xFFFFu);
  int64_t want = length != 0 ? int64_t(DWORD(length)) : size - int64_t(DWORD(offset));
  // Whole 64 KB blocks holding what was asked for, cut at the file's end.
  int64_t view = (want + remainder + 0xFFFF) & ~int64_t(0xFFFF);
  if (viewOffset + view > size) view = size - viewOffset;
  if (size < 0 || offset < 0 || want <= 0 || view <= 0) {
    plat::CloseHandle(file);
    ShowErrorMessage(MAPERR_MEMORY, name);
    return 0;
  }
  HANDLE mapping = plat::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  void* address = mapping != nullptr
                      ? plat::MapViewOfFile(mapping, FILE_MAP_READ, 0, DWORD(viewOffset), SIZE_T(view))
                      : nullptr;
  if (address == nullptr) {
    if (mapping != nullptr) plat::CloseHandle(mapping);
    plat::CloseHandle(file);
    ShowErrorMessage(MAPERR_MEMORY, name);
    return 0;
  }
  out->File = file;
  out->Mapping = mapping;
  out->View = static_cast<char*>(address);
  out->ViewOffset = DWORD(viewOffset);
  out->ViewLength = DWORD(plat::ViewSize(address));
  out->Remainder = remainder;
  return 1;
}

void CloseFileMapping(FILEMAPPING* m) {
  if (m == nullptr) return;
  if (m->View != nullptr) plat::UnmapViewOfFile(m->View);
  m->View = nullptr;
  if (m->Mapping != nullptr) plat::CloseHandle(m->Mapping);
  m->Mapping = nullptr;
  if (m->File != nullptr) plat::CloseHandle(m->File);
  m->File = nullptr;
}

char* ReadFileMapping(FILEMAPPING* m, LONG offset, LONG length) {
  if (m == nullptr || m->View == nullptr || offset < 0 || length < 0) return nullptr;
  const uint64_t position = uint64_t(DWORD(offset)) + m->Remainder;
  if (position + uint64_t(DWORD(length)) > m->ViewLength) return nullptr;
  return m->View + position;
}
