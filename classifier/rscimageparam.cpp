// Image parameters of object kinds: the screen and printer records, the
// size of a kind's sign and its main colour.
#include <climits>
#include <cstring>
#include <initializer_list>

#include "classifier/imageedit.h"
#include "classifier/maprsc.h"
#include "classifier/rsccore.h"
#include "classifier/rscimagefit.h"
#include "classifier/rscqueryint.h"
#include "devices/fontreg.h"
#include "common/maperr.h"
#include "records/drawedit.h"
#include "records/primitives.h"

namespace {

LONG Word(const char* p, int i) {
  LONG v;
  memcpy(&v, p + 4 * i, 4);
  return v;
}

void PutWord(char* p, int offset, LONG v) { memcpy(p + offset, &v, 4); }

// Character height used to measure a title whose sign is not a text sign.
constexpr LONG kPlainTitleHeight = 2400;
// A library sign: a word, the library code, the open-library slot and the
// image number.
constexpr int kLibrarySignLength = 16;

// The first element of a set of primitives, checked against
// the set's length: its function, parameters and parameter length.
bool FirstElement(const char* params, int length, int* function, const char** parm, int* parmLength) {
  if (length < IMGDRAW_HEAD + IMGELEMENT_HEAD) return false;
  IMGDRAW head;
  memcpy(&head, params, sizeof head);
  if (head.Ident != IMGDRAW_IDENT || head.Count < 1) return false;
  const int limit = head.Length < DWORD(length) ? int(head.Length) : length;
  IMGELEMENT e;
  memcpy(&e, params + IMGDRAW_HEAD, sizeof e);
  if (e.Length < IMGELEMENT_HEAD || e.Length > limit - IMGDRAW_HEAD) return false;
  *function = e.Image;
  *parm = params + IMGDRAW_HEAD + IMGELEMENT_HEAD;
  *parmLength = e.Length - IMGELEMENT_HEAD;
  return true;
}

// The function a sign is measured as, kept in size->Function; a set is
// measured as its first element. False when measuring ends here, with the
// answer in *answer: 1 for a sign from an image library that its library
// measured, else 0 with the size cleared (no library layer, a record too
// short to name its image, a library that cannot answer); 1 for a set
// without a sound first element.
bool MeasuredFunction(int* function, const char** params, int* length, IMAGESIZE* size,
                      int* answer) {
  size->Function = *function;
  *answer = 0;
  if (*function == PRIM_LIBRARY) {
    memset(size, 0, sizeof *size);
    const RSCIMAGELIBRARY* ll = rscImageLibraryServices();
    if (ll && ll->ImageSize && *length >= kLibrarySignLength &&
        ll->ImageSize(*params, size) != 0) {
      size->Function = PRIM_LIBRARY;
      *answer = 1;
    } else {
      memset(size, 0, sizeof *size);
    }
    return false;
  }
  *answer = 1;
  if (*function == PRIM_SET) {
    if (!FirstElement(*params, *length, function, params, length)) return false;
    size->Function = *function;
  }
  return true;
}

// A vector sign that lies wholly within `length` bytes, or null.
const IMGVECTOREX* VectorSign(const char* params, int length) {
  if (length < IMGVECT_HEAD) return nullptr;
  auto* image = (const IMGVECTOREX*)params;
  if (image->Length < DWORD(IMGVECT_HEAD) || image->Length > DWORD(length)) return nullptr;
  return image;
}

// The size of a vector sign; the function word is kept.
void VectorSize(const char* params, int length, IMAGESIZE* size) {
  const IMGVECTOREX* image = VectorSign(params, length);
  if (!image) return;
  const LONG function = size->Function;
  rscGetVectorSize(image, size, nullptr);
  size->Function = function;
}

// Sets the colour word of a vector sign: in the last subject (counting
// back from the end) that has a colour word and at least two points.
// Returns the previous colour, or `color` when no subject qualifies.
LONG VectorColor(char* sign, int length, LONG color, bool* changed) {
  if (!VectorSign(sign, length)) return color;
  TVectorImageEdit edit;
  if (!edit.SetBuffer((IMGVECTOREX*)sign, length)) return color;
  for (int n = edit.SubjectCount(); n >= 1; n--) {
    if (!edit.FirstPoint(n) || edit.PointCount(n) < 2 || edit.ParmLength() < 4) continue;
    char* parm = edit.Parm(nullptr, 0);
    if (!parm) continue;
    const LONG old = Word(parm, 0);
    PutWord(parm, 0, color);
    *changed = true;
    return old;
  }
  return color;
}

// The vector sign inside a line with signs whose parts start at offset
// `first`: the first part after the first one, up to the seventh, whose
// length is above 4; the sign starts 4 bytes into it.
char* DecoratedSign(char* params, int length, int first, int* signLength) {
  int at = first;
  for (int part = 1; part <= 7; part++) {
    if (at + 2 > length) return nullptr;
    WORD size;
    memcpy(&size, params + at, 2);
    if (size == 0 || size > length - at) return nullptr;
    if (part > 1 && size > 4) {
      *signLength = size - 4;
      return params + at + 4;
    }
    at += size;
  }
  return nullptr;
}

}  // namespace

int rscGetTextImageSize(TRSCDATA*, const char* record, const char* text, int length, IMAGESIZE* size) {
  if (!record || !size) return 0;
  LONG flags = size->Flags | 4;
  LONG height = Word(record, 3);
  if (record[TEXTPARM_FLAGS] & 1) height = 0;
  flags = (flags & ~1) | (record[TEXTPARM_HORIZONTAL] & 1);
  const BYTE align = BYTE(record[20]);
  switch (align & 6) {
    case 0:
      flags &= ~0x60;
      break;
    case 2:
      flags |= 0x40;
      break;
    case 6:
      flags |= 0x20;
      break;
  }
  switch (align & 24) {
    case 0:
      flags |= 0x08;
      break;
    case 8:
      flags |= 0x10;
      break;
    case 24:
      flags &= ~0x18;
      break;
  }
  const BYTE widthKind = BYTE(record[TEXTPARM_WIDTHKIND]);
  flags |= LONG(widthKind & 3) << 7;
  WORD font;
  memcpy(&font, record + TEXTPARM_FONT, 2);
  flags |= LONG(font & 0xFF) << 9;
  size->Flags = flags;
  size->Height = height;
  size->Base = GetMapFontHeightByCharHeight(font, height);
  size->Width = GetMapTextMaxLineWidth(font, widthKind, size->Base, length > 0 ? length : INT_MAX, text);
  return 1;
}

VIEPAR* TMapRsc::GetTabPar(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Par : nullptr;
}

VIEPAR* TMapRsc::GetTabPrn(int n) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  return e ? e->Prn : nullptr;
}

char* TMapRsc::GetPar(int n) {
  VIEPAR* rec = GetTabPar(n);
  return rec ? (char*)rec + RSC_PAR_HEAD : nullptr;
}

char* TMapRsc::GetPrn(int n) {
  VIEPAR* rec = GetTabPrn(n);
  return rec ? (char*)rec + RSC_PAR_HEAD : nullptr;
}

VIEPAR* rscStoreView(TRSCDATA* d, VIEPAR* rec, int n, int length, int function,
                     const char* params) {
  const DWORD size = DWORD(length) + RSC_PAR_HEAD;
  if (!rec || rec->Length < size) {
    rec = (VIEPAR*)rscGetMemoryBlock(d, LONG(size));
    if (!rec) {
      d->ErrorCode = MAPERR_MEMORY;
      return nullptr;
    }
  }
  memmove((char*)rec + RSC_PAR_HEAD, params, size_t(length));
  rec->Length = size;
  rec->Number = WORD(n);
  rec->Function = WORD(function);
  return rec;
}

int TMapRsc::GetParLength(int n) {
  VIEPAR* rec = GetTabPar(n);
  return rec && rec->Length >= DWORD(RSC_PAR_HEAD) ? int(rec->Length - RSC_PAR_HEAD) : 0;
}

int TMapRsc::GetPrnLength(int n) {
  VIEPAR* rec = GetTabPrn(n);
  return rec && rec->Length >= DWORD(RSC_PAR_HEAD) ? int(rec->Length - RSC_PAR_HEAD) : 0;
}

VIEPAR* TMapRsc::SetTabPar(int n, const VIEPAR* record) {
  if (!record || record->Length < DWORD(RSC_PAR_HEAD)) {
    if (rscQueryOpen(this)) ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  return SetTabPar(n, int(record->Length - RSC_PAR_HEAD), record->Function,
                   (const char*)record + RSC_PAR_HEAD);
}

VIEPAR* TMapRsc::SetTabPrn(int n, int length, int function, const char* params) {
  if (!rscQueryOpen(this)) return nullptr;
  const int count = int(Head.Tables[RSC_OBJ].Count);
  if (n < 1 || n > count || !params || length < 0 || length >= 0x10000 - RSC_PAR_HEAD) {
    ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  VIEPAR* rec = rscStoreView(this, ObjIndex[n].Prn, n, length, function, params);
  if (!rec) return nullptr;
  ObjIndex[n].Prn = rec;
  BindTextFonts(n);
  Modify++;
  ErrorCode = 0;
  return rec;
}

VIEPAR* TMapRsc::SetTabPrn(int n, const VIEPAR* record) {
  if (!record || record->Length < DWORD(RSC_PAR_HEAD)) {
    if (rscQueryOpen(this)) ErrorCode = MAPERR_RSCRANGE;
    return nullptr;
  }
  return SetTabPrn(n, int(record->Length - RSC_PAR_HEAD), record->Function,
                   (const char*)record + RSC_PAR_HEAD);
}

int TMapRsc::DeleteTabPrn(int n) {
  if (!rscQueryOpen(this)) return 0;
  if (n < 1 || DWORD(n) > Head.Tables[RSC_OBJ].Count) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  if (ObjIndex[n].Prn) {
    ObjIndex[n].Prn = nullptr;
    Modify++;  // a change like any other: the next save writes it
  }
  return 1;
}

int TMapRsc::GetTemplateTable(int n, TABLETEMPLATE* table) {
  if (!rscQueryOpen(this) || !table) return 0;
  if (n < 0 || DWORD(n) > Head.Tables[RSC_OBJ].Count) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  const VIEPAR* rec = ObjIndex[n].Par;
  if (!rec || rec->Function != PRIM_TEMPLATE) return 0;
  if (rec->Length < DWORD(RSC_PAR_HEAD + 4 + sizeof *table)) return 0;
  memcpy(table, (const char*)rec + RSC_PAR_HEAD + 4, sizeof *table);
  return 1;
}

namespace {

// The size of a sign of a kind of that local type (and extended
// localization) from its function and parameters; `text` (its first `kind`
// characters, all of them for 0 or less) is what text signs measure. The
// size's function is set by the caller.
void MeasureImage(TRSCDATA* d, int local, int extloc, int function, const char* params, int length,
                  int kind, const char* text, IMAGESIZE* size) {
  switch (local) {
    case LOCAL_LINE:
      if (function == PRIM_VECTOR) VectorSize(params, length, size);
      size->Flags = (size->Flags & ~4) | ((extloc & 1) << 2);
      break;
    case LOCAL_POINT:
      if (function == PRIM_BITMAP && length >= 20) {
        size->Width = size->Height = Word(params, 2);
        size->Left = Word(params, 3);
        size->Top = Word(params, 4);
      } else if (function == PRIM_VECTOR) {
        VectorSize(params, length, size);
        size->Flags &= ~4;
      } else if (function == PRIM_FONT_SIGN && length >= 23 * 4) {
        size->Base = Word(params, 3);
        size->Left = Word(params, 21);
        size->Top = Word(params, 22);
        size->Width = Word(params, 19) - Word(params, 17);
        size->Height = Word(params, 20) - Word(params, 18);
      }
      break;
    case LOCAL_TITLE:
      size->Flags |= 4;
      if (function == PRIM_TEXT && length >= TEXTPARM_MINSIZE) {
        rscGetTextImageSize(d, params, text, kind, size);
      } else {
        size->Height = kPlainTitleHeight;
        size->Base = GetMapFontHeightByCharHeight(0, kPlainTitleHeight);
        size->Width = GetMapTextMaxLineWidth(0, 0, size->Base, kind > 0 ? kind : INT_MAX, text);
      }
      break;
    case LOCAL_VECTOR:
      if (function == PRIM_VECTOR) VectorSize(params, length, size);
      break;
    case LOCAL_MIXED:
      if (function == PRIM_TEMPLATE && length >= 72 + TEXTPARM_MINSIZE)
        rscGetTextImageSize(d, params + 72, text, kind, size);
      break;
    default:
      break;
  }
}

}  // namespace

int TMapRsc::GetImageSize(int n, IMAGESIZE* size, int kind, const char* text) {
  if (!size) return 0;
  memset(size, 0, sizeof *size);
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  const VIEPAR* rec = e->Par;
  // No image, or one whose own lengths claim more than its record holds.
  if (!rscImageFits(rec)) return 1;
  int function = rec->Function;
  const char* params = (const char*)rec + RSC_PAR_HEAD;
  int length = int(rec->Length - RSC_PAR_HEAD);
  int answer = 0;
  if (!MeasuredFunction(&function, &params, &length, size, &answer)) return answer;
  MeasureImage(this, e->Local, e->Extloc, function, params, length, kind, text, size);
  return 1;
}

int TMapRsc::GetImageSize(int function, const char* params, int length, IMAGESIZE* size,
                          const char* text) {
  if (!size) return 0;
  memset(size, 0, sizeof *size);
  if (!rscQueryOpen(this)) return 0;
  if (!params || length < 0) {
    ErrorCode = MAPERR_RSCRANGE;
    return 0;
  }
  // Parameters of the classifier's own records are measured within their
  // record: a sign whose length claims more measures as empty.
  const int64_t room = rscImageRoom(this, params);
  if (room >= 0 && length > room) return 1;
  int answer = 0;
  if (!MeasuredFunction(&function, &params, &length, size, &answer)) return answer;
  // Measured as the local type that draws such signs.
  int local = 6;
  switch (function) {
    case PRIM_TEXT: local = LOCAL_TITLE; break;
    case PRIM_TEMPLATE: local = LOCAL_MIXED; break;
    case PRIM_BITMAP:
    case PRIM_FONT_SIGN: local = LOCAL_POINT; break;
    case PRIM_VECTOR: local = LOCAL_VECTOR; break;
    default: break;
  }
  MeasureImage(this, local, 0, function, params, length, 0, text, size);
  return 1;
}

LONG TMapRsc::SetObjColor(int n, DWORD color) {
  ErrorCode = 0;
  return SetObjColorIndex(n, LONG(color));
}

LONG TMapRsc::SetObjColorIndex(int n, LONG color) {
  RSCOBJINDEX* e = rscQueryObject(this, n);
  if (!e) return 0;
  VIEPAR* rec = e->Par;
  if (!rec || rec->Length < DWORD(RSC_PAR_HEAD)) return 0;
  char* params = (char*)rec + RSC_PAR_HEAD;
  const int length = int(rec->Length - RSC_PAR_HEAD);
  LONG old = color;
  bool changed = false;
  switch (rec->Function) {
    case PRIM_LIBRARY:
      return 0;
    case PRIM_SQUARE:
    case PRIM_HATCH:
    case PRIM_TEXT:
    case PRIM_FONT_SIGN:
      if (length >= 4) {
        old = Word(params, 0);
        PutWord(params, 0, color);
        changed = true;
      }
      break;
    case PRIM_BITMAP:
    case PRIM_LAYERED_PATTERN: {
      const int list = rec->Function == PRIM_BITMAP ? 0 : 4;
      if (list + 8 > length) break;
      const LONG count = Word(params + list, 1);
      if (count < 1) break;
      const int64_t at = list + 20 + int64_t(count - 1) * 132;
      if (at + 4 > length) break;
      old = Word(params + at, 0);
      PutWord(params + int(at), 0, color);
      changed = true;
      break;
    }
    case PRIM_VECTOR:
      old = VectorColor(params, length, color, &changed);
      break;
    case PRIM_DECORATED_SHORT:
    case PRIM_DECORATED: {
      // Parts are looked for from offset 32 of a short-header record and
      // from offset 8 of a full-header one; the drawing editor's top colour
      // takes 8 and 32 the other way round.
      int signLength = 0;
      const int first = rec->Function == PRIM_DECORATED_SHORT ? 32 : 8;
      char* sign = DecoratedSign(params, length, first, &signLength);
      if (sign) old = VectorColor(sign, signLength, color, &changed);
      break;
    }
    case PRIM_SET: {
      TDrawEdit edit;
      if (edit.SetBuffer(params, length)) {
        old = edit.SetTopColor(int(color));
        changed = edit.IsChanged() != 0 || old != color;
        edit.SetBuffer(nullptr, 0);
      }
      break;
    }
    case PRIM_TEMPLATE:
      if (length >= 76) {
        old = Word(params, 18);
        PutWord(params, 72, color);
        changed = true;
      }
      break;
    default:
      break;
  }
  if (changed) Modify++;
  return old;
}

int rscImageFits(const VIEPAR* record) {
  if (record == nullptr || record->Length < DWORD(RSC_PAR_HEAD)) return 0;
  const DWORD room = record->Length - RSC_PAR_HEAD;
  return PrimitiveFits(record->Function, (const char*)record + RSC_PAR_HEAD,
                       room > DWORD(INT_MAX) ? INT_MAX : int(room));
}

int64_t rscImageRoom(const TRSCDATA* data, const char* parameters) {
  if (!rscIsOpen(data) || !parameters) return -1;
  // Compared as numbers: the parameters may lie in no record at all.
  const uintptr_t at = uintptr_t(parameters);
  const DWORD count = data->Head.Tables[RSC_OBJ].Count;
  for (DWORD n = 1; n <= count; n++) {
    for (const VIEPAR* rec : {data->ObjIndex[n].Par, data->ObjIndex[n].Prn}) {
      if (!rec || rec->Length < DWORD(RSC_PAR_HEAD)) continue;
      const uintptr_t begin = uintptr_t(rec) + RSC_PAR_HEAD, end = uintptr_t(rec) + rec->Length;
      if (at >= begin && at < end) return int64_t(end - at);
    }
  }
  // The value-dependent images of the GRS records.
  for (DWORD i = 0; data->GrsIndex && i < data->GrsIndexSize && data->GrsIndex[i].Number; i++) {
    const IMAGEVALUE* item = data->GrsIndex[i].Image;
    if (!item || item->Length < DWORD(RSC_GRSITEM_HEAD)) continue;
    const uintptr_t begin = uintptr_t(item) + RSC_GRSITEM_HEAD, end = uintptr_t(item) + item->Length;
    if (at >= begin && at < end) return int64_t(end - at);
  }
  return -1;
}
