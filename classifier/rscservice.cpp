// Service objects, the sheet frame and the screen image parameters of
// object kinds.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"
#include "records/objectdraw.h"
#include "records/primitives.h"

namespace {

void Put32(char* p, int offset, DWORD v) { memcpy(p + offset, &v, 4); }
void Put16(char* p, int offset, WORD v) { memcpy(p + offset, &v, 2); }

constexpr DWORD kDefaultColor = PRIM_COLORINDEX + 13;

// The 32-byte text parameters of a default title.
void TitleBlock(char* p) {
  memset(p, 0, 32);
  Put32(p, 0, kDefaultColor);
  Put32(p, 4, 0xFFFFFFFFu);
  Put32(p, 8, 0xFFFFFFFFu);
  Put32(p, 12, 2400);
  Put32(p, 16, 400);
  p[25] = 1;
  p[29] = 1;  // font code 1
  p[30] = char(255);
  p[31] = 1;
}

// Whether a set of primitives holds a vector sign.
bool SetHasVector(const char* params, int length) {
  if (length < IMGDRAW_HEAD) return false;
  IMGDRAW head;
  memcpy(&head, params, sizeof head);
  if (head.Ident != IMGDRAW_IDENT) return false;
  int limit = head.Length < DWORD(length) ? int(head.Length) : length;
  int at = IMGDRAW_HEAD;
  for (int k = 0; k < head.Count && at + IMGELEMENT_HEAD <= limit; k++) {
    IMGELEMENT e;
    memcpy(&e, params + at, sizeof e);
    if (e.Length < IMGELEMENT_HEAD || e.Length > limit - at) break;
    if (e.Image == PRIM_VECTOR) return true;
    at += e.Length;
  }
  return false;
}

const char* const kSelectNames[6] = {
    "ВЫДЕЛЕНИЕ ЛИНЕЙНЫХ",  "ВЫДЕЛЕНИЕ ПЛОЩАДНЫХ", "ВЫДЕЛЕНИЕ ТОЧЕЧНЫХ",
    "ВЫДЕЛЕНИЕ ПОДПИСЕЙ",  "ВЫДЕЛЕНИЕ ВЕКТОРНЫХ", "ВЫДЕЛЕНИЕ ШАБЛОНОВ",
};
const char kServiceName[] = "СЛУЖЕБНЫЙ ОБ'ЕКТ";
const char kFrameName[] = "РАМКА ЛИСТА";

RSCOBJ MakeDesc(DWORD excode, int local, int scale, const char* name) {
  RSCOBJ desc{};
  desc.Excode = excode;
  desc.Local = WORD(local);
  desc.Scale = WORD(scale);
  strncpy(desc.Name, name, 31);
  return desc;
}

// The frame's screen image: a line of palette colour 0, 250 units thick.
void FrameImage(char* p) {
  Put32(p, 0, PRIM_COLORINDEX);
  Put32(p, 4, 250);
}

}  // namespace

int TMapRsc::DefaultImage(int local, char* p, int* function) {
  switch (local) {
    case LOCAL_LINE:
      *function = PRIM_LINE;
      Put32(p, 0, kDefaultColor);
      Put32(p, 4, 250);
      return 8;
    case LOCAL_SQUARE:
      *function = PRIM_SQUARE;
      Put32(p, 0, kDefaultColor);
      return 4;
    case LOCAL_POINT: {
      // A bitmap sign: one layer, 32 cells of 250 units, a diagonal cross.
      *function = PRIM_BITMAP;
      memset(p, 0, 152);
      const DWORD head[6] = {152, 1, 8000, 750, 750, kDefaultColor};
      for (int i = 0; i < 6; i++) Put32(p, i * 4, head[i]);
      const DWORD rows[7] = {130, 68, 40, 16, 40, 68, 130};
      for (int i = 0; i < 7; i++) Put32(p, 24 + i * 4, rows[i]);
      return 152;
    }
    case LOCAL_TITLE:
      *function = PRIM_TEXT;
      TitleBlock(p);
      return 32;
    case LOCAL_VECTOR: {
      // A vector sign of one horizontal line.
      *function = PRIM_VECTOR;
      memset(p, 0, 88);
      const DWORD head[14] = {88, 500, 500, 4500, 0, 2500, 2500, 0, 2500, 2500, 0, 0, 0, 1};
      for (int i = 0; i < 14; i++) Put32(p, i * 4, head[i]);
      p[56] = 1;           // kind
      p[57] = char(128);   // attributes
      Put16(p, 58, 8);     // parameter length
      Put32(p, 60, kDefaultColor);
      Put32(p, 64, 500);
      Put32(p, 68, 2);     // points
      Put32(p, 72, 0);
      Put32(p, 76, 0);
      Put32(p, 80, 4500);
      Put32(p, 84, 0);
      return 88;
    }
    case LOCAL_MIXED:
      *function = PRIM_TEMPLATE;
      memset(p, 0, 104);
      Put32(p, 0, 104);
      Put32(p, 4, 60);
      Put32(p, 12, 4);
      Put32(p, 56, 1);
      Put32(p, 60, 1);
      Put32(p, 64, 1);
      p[68] = '$';
      p[69] = 0;
      p[70] = char(PRIM_TEXT);
      p[71] = 0;
      TitleBlock(p + 72);
      p[72 + 31] = 0;
      return 104;
    default:
      return 0;
  }
}

VIEPAR* TMapRsc::SetTabPar(int n, int length, int function, const char* params) {
  if (!rscQueryOpen(this)) return nullptr;
  const int count = int(Head.Tables[RSC_OBJ].Count);
  if (n < 1 || n > count || !params || length < 0 || length >= 0x10000 - RSC_PAR_HEAD) {
    ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  if (ObjIndex[n].Obj) {
    int extloc = function == PRIM_VECTOR || (function == PRIM_SET && SetHasVector(params, length));
    SetObjExtloc(n, extloc);
  }
  VIEPAR* rec = rscStoreView(this, ObjIndex[n].Par, n, length, function, params);
  if (!rec) return nullptr;
  ObjIndex[n].Par = rec;
  ObjIndex[n].Function = WORD(function);
  BindTextFonts(n);
  Modify++;
  ErrorCode = 0;
  return rec;
}

int TMapRsc::CreateServObjects() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  for (int n = 1; n <= 14; n++) {
    RSCOBJ desc = n <= 6 ? MakeDesc(RSC_SERVICE_EXCODE + n, n - 1, n == 3 || n == 6, kSelectNames[n - 1])
                         : MakeDesc(RSC_SERVICE_EXCODE + n, LOCAL_LINE, 0, kServiceName);
    if (AppendObject(&desc, 0) != n) return 0;
    CreateDefaultView(n);
  }
  RSCOBJ frame = MakeDesc(RSC_FRAME_EXCODE, LOCAL_LINE, 0, kFrameName);
  if (AppendObject(&frame, 0) != RSC_FRAMECODE) return 0;
  char image[8];
  FrameImage(image);
  SetTabPar(RSC_FRAMECODE, 8, PRIM_LINE, image);
  return 1;
}

int TMapRsc::CheckFrameCode() {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  ErrorCode = 0;
  const int count = int(Head.Tables[RSC_OBJ].Count);
  if (count >= RSC_FRAMECODE) {
    const RSCOBJINDEX& e = ObjIndex[RSC_FRAMECODE];
    if (e.Obj && e.Excode == RSC_FRAME_EXCODE && e.Local == LOCAL_LINE && e.Series == 0) return 1;
  }

  // Another frame kind goes (with its whole series when it is in one).
  int old = GetObjIncode(RSC_FRAME_EXCODE, LOCAL_LINE);
  if (old) {
    if (ObjIndex[old].Series == 0)
      DeleteObject(old);
    else if (!DeleteSeria(RSC_FRAME_EXCODE, LOCAL_LINE))
      return 0;
  }

  // A new frame takes number 15.
  RSCOBJ desc = MakeDesc(RSC_FRAME_EXCODE, LOCAL_LINE, 0, kFrameName);
  const int added = AppendObject(&desc, 0);
  if (!added) return 0;
  char image[8];
  FrameImage(image);
  if (!SetTabPar(added, 8, PRIM_LINE, image)) return 0;
  if (ExchangeObjectNumber(added, RSC_FRAMECODE) != RSC_FRAMECODE) {
    if (!ErrorCode) ErrorCode = MAPERR_DATA;
    return 0;
  }
  RSCOBJINDEX& frame = ObjIndex[RSC_FRAMECODE];
  frame.Excode = RSC_FRAME_EXCODE;
  frame.Obj->Excode = RSC_FRAME_EXCODE;
  if (!frame.Par) SetTabPar(RSC_FRAMECODE, 8, PRIM_LINE, image);

  // The kind that now holds the appended number.
  if (added != RSC_FRAMECODE && ObjIndex[added].Obj) {
    if (added >= RSC_FRAMECODE)
      DeleteObject(added);
    else
      SetObjExcode(added, LONG(RSC_SERVICE_EXCODE + added));
  }
  ErrorCode = 0;
  return 1;
}
