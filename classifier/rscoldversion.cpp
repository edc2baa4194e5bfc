// The classifier class's own operations and older classifier versions.
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscclass.h"
#include "common/libload.h"
#include "common/maperr.h"
#include "common/messages.h"
#include "platform/file.h"
#include "platform/memory.h"
#include "platform/path.h"

namespace {

// A text field copied with at most `limit` characters and a terminator.
void CopyField(char* to, size_t size, const char* from, size_t limit) {
  std::memset(to, 0, size);
  size_t n = 0;
  while (n < limit && n + 1 < size && from[n]) n++;
  std::memcpy(to, from, n);
}

// Message boxes off for the life of the object.
class TQuiet {
 public:
  TQuiet() : old_(MessageEnableSet(0)) {}
  ~TQuiet() { MessageEnableSet(old_); }
  TQuiet(const TQuiet&) = delete;
  TQuiet& operator=(const TQuiet&) = delete;

 private:
  int old_;
};

}  // namespace

int rscGetRscDescribe(const TRSCDATA* d, RSCCREATE* describe, PALETTE256* palette) {
  if (!d || !describe || !palette || d->Head.Ident != RSC_IDENT) return 0;
  const RSCHEAD& h = d->Head;
  std::memset(describe, 0, sizeof *describe);
  describe->Scale = h.Scale;
  CopyField(describe->Type, sizeof describe->Type, h.Type, 31);
  CopyField(describe->Name, sizeof describe->Name, h.Name, 31);
  CopyField(describe->Code, sizeof describe->Code, h.Code, 7);
  describe->Language = h.Language;
  std::memset(palette, 0, sizeof *palette);
  palette->Version = 0x0300;
  palette->Count = h.ColorCount;
  const RSCTABLE& pal = h.Tables[RSC_PAL];
  if (pal.Count && rscRefExtent(d, pal.Offset, RSC_PAL_SIZE))
    std::memcpy(palette->Colors, rscRefAddress(d, pal.Offset), sizeof palette->Colors);
  return 1;
}

int rscCreateRscBase(TRSCDATA* d, const char* name) {
  if (!d) return 0;
  if (!name || std::strlen(name) >= MAX_PATH) {
    d->ErrorCode = MAPERR_OPEN;
    return 0;
  }
  rscCloseRscBase(d);
  if (!rscCreateFileBase(d, name)) return 0;
  d->ErrorCode = 0;
  return 1;
}

int rscIsOldVersion(const TRSCDATA* d) {
  if (!d || (!d->File && !d->Image)) return 0;
  return rscIsOldStyle(d->Head.Style) ? 1 : 0;
}

int rscGetObjectCodeType(const TRSCDATA* d) { return d ? d->Head.ObjCodeType : 0; }

int rscSetObjectCodeType(TRSCDATA* d, int type) {
  if (!d || (type != 0 && type != 1)) return 0;
  if (d->Head.ObjCodeType != BYTE(type)) {
    d->Head.ObjCodeType = BYTE(type);
    d->Modify++;
  }
  return 1;
}

int rscCheckAndLoadOldVersion(TRSCDATA* d, const char* name, LONG mode) {
  if (!d || !name) return 0;
  HMODULE module = nullptr;
  FARPROC proc = LoadLibraryFunction(MAPLIB_OLDVERSION, &module, RSCLIB_CHECKANDLOAD, 0);
  if (!proc) return 0;
  using Entry = int (*)(const char*, LONG);
  int result = plat::EntryAs<Entry>(proc)(name, mode);
  if (result) result = rscOpenRsc(d, name, 0);
  plat::FreeLibrary(module);
  return result;
}

int rscLoadOldVersion(TRSCDATA* d, const char* oldName, const char* name, LONG mode) {
  if (!d || !name) return 0;
  TQuiet quiet;
  if (rscOpenRsc(d, name, 0)) return 1;
  if (!oldName) return 0;
  HMODULE module = nullptr;
  FARPROC proc = LoadLibraryFunction(MAPLIB_OLDVERSION, &module, RSCLIB_LOADOLD, 0);
  if (!proc) return 0;
  using Entry = int (*)(const char*, const char*, LONG);
  int result = plat::EntryAs<Entry>(proc)(oldName, name, mode);
  if (result) result = rscOpenRsc(d, name, 0);
  plat::FreeLibrary(module);
  return result;
}

// --- the class ----------------------------------------------------------

int TMapRsc::GetRscDescribe(RSCCREATE* describe, PALETTE256* palette) {
  return rscGetRscDescribe(this, describe, palette);
}

int TMapRsc::CreateTRscBase(const char* name) { return rscCreateRscBase(this, name); }

int TMapRsc::Exit(int code) {
  rscCloseRscBase(this);
  return code;
}

int TMapRsc::IsOldVersion() { return rscIsOldVersion(this); }

int TMapRsc::TurnHeader(RSCHEAD*) { return 0; }

int TMapRsc::TurnTable() { return 0; }

const char* TMapRsc::DecodeString(char*, int) { return RSC_EMPTY_STRING; }

int TMapRsc::GetRscObjectCodeType() { return rscGetObjectCodeType(this); }

int TMapRsc::SetRscObjectCodeType(int type) { return rscSetObjectCodeType(this, type); }

int TMapRsc::CheckAndLoadOldVersion(const char* name, LONG mode) {
  return rscCheckAndLoadOldVersion(this, name, mode);
}

int TMapRsc::LoadOldVersion(const char* oldName, const char* name, LONG mode) {
  return rscLoadOldVersion(this, oldName, name, mode);
}

void* TMapRsc::operator new(size_t size) noexcept { return plat::AllocPages(size); }

void TMapRsc::operator delete(void* object) { plat::FreePages(object); }
