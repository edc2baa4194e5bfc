// Image libraries of the classifier (IML table) and the library signs
// (image function 250) that draw from them.
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "common/filename.h"
#include "common/maperr.h"
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
  // names only (the file's were checked on opening; a name set since that
  // is not plain leaves its library closed).
  char folder[MAX_PATH];
  snprintf(folder, sizeof folder, "%.*s", int(plat::FileNameOffset(Path)), Path);
  for (DWORD i = 0; i < libraries; i++) {
    iml[i].Slot = 0;
    if (!IsPlainFileName(iml[i].File, sizeof iml[i].File)) continue;
    char path[MAX_PATH];
    int n = snprintf(path, sizeof path, "%s%s", folder, iml[i].File);
    if (ll && ll->Open && n > 0 && n < MAX_PATH) {
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
