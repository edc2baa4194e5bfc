// Creating a new classifier: an empty file and an image laid out in memory
// with the service objects, the system semantics, a layer, a palette and a
// font. Nothing is written until the classifier is saved.
#include <cstdio>
#include <cstring>

#include "classifier/maprsc.h"
#include "common/heldfiles.h"
#include "common/maperr.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/memory.h"

namespace {

// Spare records of a new classifier.
constexpr DWORD NEW_SEM = 20, NEW_SEG = 20, NEW_IML = 20, NEW_TXT = 10;
// The image of a new classifier: room for the spare records and for one
// palette, the header and the tags.
constexpr DWORD kImageSize =
    RSC_SEM_SIZE * NEW_SEM + RSC_SEG_SIZE * NEW_SEG + RSC_IML_SIZE * NEW_IML + RSC_TXT_SIZE * NEW_TXT + 3904;

// Tables in the order the writer lays them out.
constexpr int kOrder[] = {RSC_OBJ, RSC_CLS, RSC_DEF, RSC_SEM, RSC_POS, RSC_SEG, RSC_PAR,
                          RSC_LIM, RSC_PRN, RSC_PAL, RSC_TXT, RSC_GRS, RSC_IML};

DWORD Room(int table) {
  switch (table) {
    case RSC_SEM: return RSC_SEM_SIZE * NEW_SEM;
    case RSC_SEG: return RSC_SEG_SIZE * NEW_SEG;
    case RSC_IML: return RSC_IML_SIZE * NEW_IML;
    case RSC_TXT: return RSC_TXT_SIZE * NEW_TXT;
    case RSC_PAL: return RSC_PAL_SIZE;
    default: return 0;
  }
}

}  // namespace

bool rscCreateFileBase(TRSCDATA* d, const char* path) {
  if (!path || strlen(path) >= MAX_PATH) {
    d->ErrorCode = MAPERR_OPEN;
    return false;
  }
  // A file an open document holds (its map file, classifier, sheets) is
  // not emptied under it.
  if (heldIsFile(path)) {
    d->ErrorCode = MAPERR_OPEN;
    return false;
  }
  char name[MAX_PATH];
  strcpy(name, path);
  HANDLE h = plat::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, d->Share, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    d->ErrorCode = MAPERR_OPEN;
    return false;
  }
  d->File = h;
  d->Access = RSC_ACCESS_READWRITE;
  strcpy(d->Path, name);
  snprintf(d->FileName, sizeof d->FileName, "%s", name + plat::FileNameOffset(name));
  memset(&d->Head, 0, sizeof d->Head);
  d->Head.Ident = RSC_IDENT;
  d->Head.Version = RSC_VERSION;
  d->Head.Length = RSC_HEADSIZE;
  d->Head.Mark = RSC_MARK;
  return true;
}

int rscCreateRsc(TRSCDATA* d, const char* path, RSCCREATE* create, int mode, PALETTE256* palette) {
  if (!d) return 0;
  if (rscIsOpen(d) || d->Image || d->File) rscCloseRsc(d);
  d->ErrorCode = 0;

  // 1. The file, emptied, and a bare header.
  if (!rscCreateFileBase(d, path)) return 0;
  RSCHEAD& head = d->Head;

  // 2. Date and the constant.
  SYSTEMTIME now;
  plat::GetLocalTime(&now);
  char date[16];
  snprintf(date, sizeof date, "%04u%02u%02u", unsigned(now.wYear) % 10000, unsigned(now.wMonth) % 100,
           unsigned(now.wDay) % 100);
  memcpy(head.Date, date, 8);
  head.Const126 = RSC_HEAD_CONST;

  // 3. The description.
  if (create) {
    DWORD scale = create->Scale;
    head.Scale = scale < 1 ? 1 : scale > 40000000 ? 40000000 : scale;
    memcpy(head.Type, create->Type, strnlen(create->Type, 31));
    memcpy(head.Name, create->Name, strnlen(create->Name, 31));
    memcpy(head.Code, create->Code, strnlen(create->Code, 7));
    head.Language = create->Language;
  }
  head.ScaleTable = 0;

  // 4. An image laid out like a file, every table empty after its tag.
  d->SemSpare = NEW_SEM;
  d->SegSpare = NEW_SEG;
  d->ImlSpare = NEW_IML;
  d->FontSpare = NEW_TXT;
  d->Image = (BYTE*)plat::AllocPages(kImageSize);
  if (!d->Image) {
    d->ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  d->ImageSize = kImageSize;
  DWORD end = RSC_HEADSIZE;
  for (int t : kOrder) {
    DWORD start = (end + 20) & ~15u;
    DWORD tag = rscTableTag(t);
    memcpy(d->Image + start - 4, &tag, 4);
    head.Tables[t] = RSCTABLE{start, 0, 0};
    end = start + Room(t);
  }
  static_assert(RSC_HEADSIZE + 13 * 20 + RSC_SEM_SIZE * NEW_SEM + RSC_SEG_SIZE * NEW_SEG +
                    RSC_IML_SIZE * NEW_IML + RSC_TXT_SIZE * NEW_TXT + RSC_PAL_SIZE <=
                kImageSize);

  // 5. Pool and object index.
  if (!rscOpenMemory(d, RSC_POOL_LOADED)) {
    d->ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  d->ObjIndex = (RSCOBJINDEX*)plat::AllocPages(sizeof(RSCOBJINDEX) * (RSC_INDEX_SPARE + 1));
  if (!d->ObjIndex) {
    d->ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  d->ObjIndexSize = RSC_INDEX_SPARE + 1;
  d->ObjSpare = RSC_INDEX_SPARE;
  memcpy(d->Image, &head, sizeof head);

  // 6. Service objects and semantics.
  TMapRsc* rsc = TMapRsc::Of(d);
  if (!rsc->CreateServObjects()) {
    if (!d->ErrorCode) d->ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  rsc->AppendSystemSemantic();
  if (mode == 1) rsc->AppendStandardSemantic();
  if (!rsc->AppendCodeSemanticToService()) return 0;

  // 7. The system layer.
  RSCSEG layer{};
  strcpy(layer.Name, head.Language == 2 ? "СИСТЕМНЫЙ" : "SYSTEM");
  strcpy(layer.Short, "SYSTEM");
  layer.Order = 255;
  d->ErrorCode = 0;
  rsc->AppendSeg(&layer);
  if (d->ErrorCode) return 0;

  // 8. The classifier palette.
  auto* pal = (TABPAL*)rscTable(d, RSC_PAL);
  WORD colors = 16;
  if (palette && palette->Count >= 1 && palette->Count <= 255) {
    memcpy(pal->Colors, palette->Colors, sizeof(DWORD) * palette->Count);
    colors = palette->Count;
  } else if (palette && palette->Count >= 256) {
    colors = 16;
  } else {
    for (int c = 0; c < 16; c++) pal->Colors[c] = TMapRsc::GetDefaultColor(c);
    colors = palette ? 0 : 16;
  }
  strcpy(pal->Name, head.Language == 2 ? "Стандартная" : "Standard");
  head.ColorCount = colors;
  head.Tables[RSC_PAL].Count = 1;
  head.Tables[RSC_PAL].Length = RSC_PAL_SIZE;

  // 9. A font.
  RSCFONT font{};
  strcpy(font.Face, "Arial");
  strcpy(font.Name, "Arial");
  font.Charset = 204;
  if (!rsc->AppendFont(&font)) return 0;
  memset(d->FontMap, 0, sizeof d->FontMap);
  rsc->FillFontTable();
  rsc->SetTextRefer(0, 0);

  // 10. The GRS index.
  d->GrsIndex = (RSCGRSINDEX*)plat::AllocPages(sizeof(RSCGRSINDEX) * (RSC_INDEX_SPARE + 1));
  if (!d->GrsIndex) {
    d->ErrorCode = MAPERR_MEMORY;
    return 0;
  }
  d->GrsIndexSize = RSC_INDEX_SPARE + 1;
  d->GrsSpare = RSC_INDEX_SPARE;
  d->ErrorCode = 0;
  return 1;
}

int TMapRsc::CreateRsc(const char* name, RSCCREATE* create, PALETTE256* palette, int mode) {
  return rscCreateRsc(this, name, create, mode, palette);
}
