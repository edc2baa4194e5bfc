// Image libraries of the classifier (IML table) and the library signs
// (image function 250) that draw from them.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <strings.h>

#include "classifier/maprsc.h"
#include "common/filename.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "platform/path.h"

namespace {

RSCIMAGELIBRARY g_services;
bool g_installed = false;

// Parameters of a library sign: a word, the library code, the open-library
// slot and the image number.
constexpr int SIGN_CODE = 4, SIGN_SLOT = 8, SIGN_IMAGE = 12, SIGN_SIZE = 16;

BYTE* SignParams(VIEPAR* rec) {
  if (!rec || rec->Function != IMG_LIBRARY || rec->Length < RSC_PAR_HEAD + SIGN_SIZE) return nullptr;
  return (BYTE*)rec + RSC_PAR_HEAD;
}

DWORD Get32(const BYTE* p) {
  DWORD v;
  memcpy(&v, p, 4);
  return v;
}

// A library's file name that may be loaded: a bare file name. Any other
// (a folder, "..") is refused as a library that is not found (60107).
bool LoadableName(const char* file, size_t size) {
  if (IsPlainFileName(file, size)) return true;
  if (strnlen(file, size) > 0) {
    char name[sizeof(TABIML::File) + 1] = {};
    memcpy(name, file, strnlen(file, std::min(size, sizeof(TABIML::File))));
    ShowErrorMessage(MAPERR_NOLIBRARY, name);
  }
  return false;
}

}  // namespace

void rscSetImageLibraryServices(const RSCIMAGELIBRARY* services) {
  g_installed = services != nullptr;
  g_services = services ? *services : RSCIMAGELIBRARY{};
}

const RSCIMAGELIBRARY* rscImageLibraryServices() { return g_installed ? &g_services : nullptr; }

int TMapRsc::SetUserObjectRefer() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  const RSCIMAGELIBRARY* ll = rscImageLibraryServices();
  TABIML* iml = rscImlTable(this);
  const DWORD libraries = iml ? Head.Tables[RSC_IML].Count : 0;

  // Libraries are looked for in the classifier's folder, by plain file
  // names only: a classifier received from elsewhere loads code from no
  // other folder.
  char folder[MAX_PATH];
  snprintf(folder, sizeof folder, "%.*s", int(plat::FileNameOffset(Path)), Path);
  for (DWORD i = 0; i < libraries; i++) {
    iml[i].Slot = 0;
    if (!ll || !ll->Open || !LoadableName(iml[i].File, sizeof iml[i].File)) continue;
    char path[MAX_PATH];
    int n = snprintf(path, sizeof path, "%s%s", folder, iml[i].File);
    if (n > 0 && n < MAX_PATH) {
      int slot = ll->Open(path);
      iml[i].Slot = slot > 0 ? DWORD(slot) : 0;
    }
  }

  auto slotOf = [iml, libraries](DWORD code) -> DWORD {
    for (DWORD i = 0; i < libraries; i++)
      if (iml[i].Code == code) return iml[i].Slot;
    return 0;
  };
  auto field = [ll](DWORD slot, DWORD image) -> BYTE {
    return ll && ll->ImageListField && slot ? BYTE(ll->ImageListField(int(slot), LONG(image))) : 0;
  };
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  for (DWORD n = 1; n <= count; n++) {
    RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj) continue;
    if (BYTE* sign = SignParams(e.Par)) {
      DWORD slot = slotOf(Get32(sign + SIGN_CODE));
      memcpy(sign + SIGN_SLOT, &slot, 4);
      e.Extsem = e.Obj->Extsem = field(slot, Get32(sign + SIGN_IMAGE));
    }
    if (BYTE* sign = SignParams(e.Prn)) {
      DWORD slot = slotOf(Get32(sign + SIGN_CODE));
      memcpy(sign + SIGN_SLOT, &slot, 4);
      if (e.Extsem == 0) e.Extsem = e.Obj->Extsem = field(slot, Get32(sign + SIGN_IMAGE));
    }
  }
  ErrorCode = 0;
  return 1;
}

int TMapRsc::BreakUserObjectRefer() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  const RSCIMAGELIBRARY* ll = rscImageLibraryServices();
  TABIML* iml = rscImlTable(this);
  for (DWORD i = 0; iml && i < Head.Tables[RSC_IML].Count; i++) {
    if (iml[i].Slot && ll && ll->Close) ll->Close(int(iml[i].Slot));
    iml[i].Slot = 0;
  }
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  const DWORD zero = 0;
  for (DWORD n = 1; n <= count; n++) {
    if (BYTE* sign = SignParams(ObjIndex[n].Par)) memcpy(sign + SIGN_SLOT, &zero, 4);
    if (BYTE* sign = SignParams(ObjIndex[n].Prn)) memcpy(sign + SIGN_SLOT, &zero, 4);
  }
  ErrorCode = 0;
  return 1;
}

namespace {

// The library at place n (1..count), or null.
TABIML* LibraryAt(TMapRsc* rsc, int n) {
  TABIML* iml = rscImlTable(rsc);
  if (!rsc->IsActive() || !iml || n < 1 || DWORD(n) > rsc->Head.Tables[RSC_IML].Count) return nullptr;
  return iml + (n - 1);
}

}  // namespace

TABIML* TMapRsc::AppendLibrary(const char* file, const char* name) {
  if (!IsActive() || !file) {
    ErrorCode = MAPERR_DATA;
    return nullptr;
  }
  char text[80] = {};
  memcpy(text, file, strnlen(file, 79));
  ClearofBlank(text, sizeof text);
  TABIML* iml = rscImlTable(this);
  const DWORD count = iml ? Head.Tables[RSC_IML].Count : 0;
  DWORD code = count;
  for (DWORD i = 0; i < count; i++) {
    if (strncasecmp(iml[i].File, text, sizeof text) == 0) return iml + i;
    if (iml[i].Code > code) code = iml[i].Code;
  }
  code++;
  auto* table = (TABIML*)rscGetMemoryBlock(this, LONG((count + 1) * RSC_IML_SIZE));
  if (!table) {
    ErrorCode = MAPERR_DATA;
    return nullptr;
  }
  if (count) memcpy(table, iml, size_t(count) * RSC_IML_SIZE);
  TABIML& rec = table[count];
  memcpy(rec.File, text, strlen(text));
  if (name) memcpy(rec.Name, name, strnlen(name, 31));
  rec.Code = code;
  const RSCIMAGELIBRARY* ll = rscImageLibraryServices();
  char path[MAX_PATH];
  const int length = snprintf(path, sizeof path, "%.*s%s", int(plat::FileNameOffset(Path)), Path, text);
  if (ll && ll->Open && LoadableName(rec.File, sizeof rec.File) && length > 0 && length < MAX_PATH) {
    const int slot = ll->Open(path);
    rec.Slot = slot > 0 ? DWORD(slot) : 0;
  }
  rscSetTable(this, RSC_IML, table);
  Head.Tables[RSC_IML].Count = count + 1;
  Head.Tables[RSC_IML].Length = (count + 1) * RSC_IML_SIZE;
  Modify++;
  ErrorCode = 0;
  return &rec;
}

int TMapRsc::CodeAppendLibrary(const char* file, const char* name) {
  TABIML* rec = AppendLibrary(file, name);
  return rec ? int(rec->Code) : 0;
}

const char* TMapRsc::GetImlName(int n) {
  TABIML* rec = LibraryAt(this, n);
  return rec ? rec->Name : RSC_EMPTY_STRING;
}

const char* TMapRsc::GetImlNameDLL(int n) {
  TABIML* rec = LibraryAt(this, n);
  return rec ? rec->File : RSC_EMPTY_STRING;
}

const char* TMapRsc::SetImlName(int n, const char* name) {
  TABIML* rec = LibraryAt(this, n);
  if (!rec || !name) return RSC_EMPTY_STRING;
  memset(rec->Name, 0, sizeof rec->Name);
  memcpy(rec->Name, name, strnlen(name, 31));
  Modify++;
  return rec->Name;
}

int TMapRsc::GetImlCode(int n) {
  TABIML* rec = LibraryAt(this, n);
  return rec ? int(rec->Code) : 0;
}

int TMapRsc::GetImlIndex(int n) {
  TABIML* rec = LibraryAt(this, n);
  return rec ? int(rec->Slot) : 0;
}

int TMapRsc::GetImlOrder(int code) {
  for (int n = 1; TABIML* rec = LibraryAt(this, n); n++)
    if (rec->Code == DWORD(code)) return n;
  return 0;
}

const void* TMapRsc::GetImageList(int slot) {
  const RSCIMAGELIBRARY* ll = rscImageLibraryServices();
  return ll && ll->ImageList && slot >= 1 && slot <= 64 ? ll->ImageList(slot) : nullptr;
}

int TMapRsc::DeleteLibrary(int code) {
  const int n = GetImlOrder(code);
  if (!n) return 0;
  TABIML* iml = rscImlTable(this);
  const DWORD count = Head.Tables[RSC_IML].Count;
  const RSCIMAGELIBRARY* ll = rscImageLibraryServices();
  if (iml[n - 1].Slot && ll && ll->Close) ll->Close(int(iml[n - 1].Slot));
  memmove(iml + n - 1, iml + n, size_t(count - DWORD(n)) * RSC_IML_SIZE);
  memset(iml + count - 1, 0, RSC_IML_SIZE);
  Head.Tables[RSC_IML].Count = count - 1;
  Head.Tables[RSC_IML].Length = (count - 1) * RSC_IML_SIZE;
  // Its signs draw from no library.
  const DWORD zero = 0;
  for (DWORD k = 1; k <= Head.Tables[RSC_OBJ].Count; k++) {
    for (VIEPAR* rec : {ObjIndex[k].Par, ObjIndex[k].Prn}) {
      BYTE* sign = SignParams(rec);
      if (!sign || Get32(sign + SIGN_CODE) != DWORD(code)) continue;
      memcpy(sign + SIGN_CODE, &zero, 4);
      memcpy(sign + SIGN_SLOT, &zero, 4);
    }
  }
  Modify++;
  ErrorCode = 0;
  return 1;
}
