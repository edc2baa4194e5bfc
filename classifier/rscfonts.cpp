// Fonts of the classifier (TXT table) and their binding to the process's
// font registry.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscinternal.h"
#include "devices/fontreg.h"
#include "common/maperr.h"

namespace {

// Visits the text parameter blocks (function 142, the text block of a
// template 150, and such elements of a set 147) of one image record.
template <class F>
void ForTextBlocks(VIEPAR* rec, F f) {
  if (!rec || rec->Length < RSC_PAR_HEAD) return;
  char* p = (char*)rec + RSC_PAR_HEAD;
  const int length = int(rec->Length - RSC_PAR_HEAD);
  auto block = [&f](int function, char* params, int size) {
    if (function == IMG_TEXT && size >= TEXTPARM_MINSIZE) f(params);
    if (function == IMG_TEMPLATE && size >= 72 + TEXTPARM_MINSIZE) f(params + 72);
  };
  if (rec->Function != IMG_DRAW) {
    block(rec->Function, p, length);
    return;
  }
  if (length < 12) return;
  DWORD ident, total;
  WORD count;
  memcpy(&ident, p, 4);
  memcpy(&total, p + 4, 4);
  memcpy(&count, p + 8, 2);
  if (ident != 0x7FFF7FFEu) return;
  const int limit = total < DWORD(length) ? int(total) : length;
  int at = 12;
  for (int k = 0; k < count && at + 4 <= limit; k++) {
    WORD size, function;
    memcpy(&size, p + at, 2);
    memcpy(&function, p + at + 2, 2);
    if (size < 4 || size > limit - at) break;
    block(function, p + at + 4, size - 4);
    at += size;
  }
}

}  // namespace

void rscInitFonts() { InitMapFontTable(); }

int TMapRsc::FreeFontTable() {
  for (int slot = 0; slot < MAPFONT_SLOTS; slot++) {
    for (; FontUses[slot] > 0; FontUses[slot]--) ReleaseMapFont(slot);
  }
  return 1;
}

namespace {

// Registers every font of the classifier, counting the registrations.
int RegisterFonts(TMapRsc* rsc) {
  TABTXT* txt = rscTxtTable(rsc);
  for (DWORD i = 0; txt && i < rsc->Head.Tables[RSC_TXT].Count; i++) {
    const DWORD code = txt[i].Code;
    if (code < 1 || code > 256) return 0;
    int number = RegisterMapFont(txt[i].Face, txt[i].Charset, txt[i].Fixed);
    if (number < 1 || number > MAPFONT_SLOTS) return 0;
    rsc->FontUses[number - 1]++;
    rsc->FontMap[code - 1] = BYTE(number - 1);
  }
  return 1;
}

}  // namespace

int TMapRsc::FillFontTable() {
  FreeFontTable();
  return RegisterFonts(this);
}

int TMapRsc::SetTextOrder(int code) {
  if (code < 1 || code > 256) return 0;
  return FontMap[code - 1] + 1;
}

int TMapRsc::SetTextRefer(int oldCode, int newCode) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (oldCode == newCode && oldCode != 0) return 1;
  if (oldCode != 0) {
    if (newCode == 0) newCode = 1;
    bool present = false;
    TABTXT* txt = rscTxtTable(this);
    for (DWORD i = 0; txt && i < Head.Tables[RSC_TXT].Count; i++)
      if (txt[i].Code == DWORD(newCode)) present = true;
    if (!present) return 1;
  }
  bool changed = false;
  auto update = [&](char* text) {
    BYTE code = BYTE(text[29]);
    if (oldCode != 0 && code == BYTE(oldCode)) {
      code = BYTE(newCode);
      text[29] = char(code);
      changed = true;
    }
    WORD number = code >= 1 ? FontMap[code - 1] : 0;
    memcpy(text + TEXTPARM_FONT, &number, 2);
  };
  const DWORD count = Head.Tables[RSC_OBJ].Count;
  for (DWORD n = 1; n <= count; n++) {
    RSCOBJINDEX& e = ObjIndex[n];
    if (!e.Obj || (e.Local != LOCAL_TITLE && e.Local != LOCAL_MIXED)) continue;
    ForTextBlocks(e.Par, update);
    ForTextBlocks(e.Prn, update);
  }
  if (changed) Modify++;
  ErrorCode = 0;
  return 1;
}

int TMapRsc::AppendFont(const RSCFONT* font) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (!font) return 0;
  TABTXT* txt = rscTxtTable(this);
  const DWORD count = txt ? Head.Tables[RSC_TXT].Count : 0;
  const size_t faceLength = strnlen(font->Face, 31);
  bool used[256] = {};
  for (DWORD i = 0; i < count; i++) {
    if (txt[i].Charset == BYTE(font->Charset) && strnlen(txt[i].Face, 32) == faceLength &&
        memcmp(txt[i].Face, font->Face, faceLength) == 0)
      return int(txt[i].Code);
    if (txt[i].Code < 256) used[txt[i].Code] = true;
  }
  DWORD code = 1;
  while (code < 256 && used[code]) code++;
  if (code >= 256) return 0;
  if (FontSpare == 0 || !txt) {
    auto* table = (TABTXT*)rscGetMemoryBlock(this, LONG((count + 10) * RSC_TXT_SIZE));
    if (!table) {
      ErrorCode = MAPERR_MEMORY;
      return 0;
    }
    if (count) memcpy(table, txt, size_t(count) * RSC_TXT_SIZE);
    rscSetTable(this, RSC_TXT, table);
    FontSpare = 10;
    txt = table;
  }
  TABTXT& rec = txt[count];
  memset(&rec, 0, sizeof rec);
  rec.Code = code;
  rec.Charset = BYTE(font->Charset);
  rec.Fixed = '0';
  memcpy(rec.Name, font->Name, strnlen(font->Name, 31));
  memcpy(rec.Face, font->Face, faceLength);
  Head.Tables[RSC_TXT].Count = count + 1;
  Head.Tables[RSC_TXT].Length = (count + 1) * RSC_TXT_SIZE;
  FontSpare--;
  Modify++;
  RebindFonts();
  ErrorCode = 0;
  return int(code);
}

void TMapRsc::BindTextFonts(int n) {
  if (!ValidObject(n)) return;
  RSCOBJINDEX& e = ObjIndex[n];
  if (e.Local != LOCAL_TITLE && e.Local != LOCAL_MIXED) return;
  auto bind = [this](char* text) {
    const BYTE code = BYTE(text[29]);
    const WORD number = code >= 1 ? FontMap[code - 1] : 0;
    memcpy(text + TEXTPARM_FONT, &number, 2);
  };
  ForTextBlocks(e.Par, bind);
  ForTextBlocks(e.Prn, bind);
}

void TMapRsc::RebindFonts() {
  // The fonts are registered again before the old registrations go, so a
  // font that stays keeps its registry slot (and its measurements).
  WORD old[MAPFONT_SLOTS];
  memcpy(old, FontUses, sizeof old);
  memset(FontUses, 0, sizeof FontUses);
  memset(FontMap, 0, sizeof FontMap);
  RegisterFonts(this);
  for (int slot = 0; slot < MAPFONT_SLOTS; slot++)
    for (; old[slot] > 0; old[slot]--) ReleaseMapFont(slot);
  SetTextRefer(0, 0);
}

namespace {

// The font at place n (1..count), or null.
TABTXT* FontAt(TMapRsc* rsc, int n) {
  TABTXT* txt = rscTxtTable(rsc);
  if (!rsc->IsActive() || !txt || n < 1 || DWORD(n) > rsc->Head.Tables[RSC_TXT].Count) return nullptr;
  return txt + (n - 1);
}

}  // namespace

const char* TMapRsc::GetFontName(int n) {
  TABTXT* font = FontAt(this, n);
  return font ? font->Name : RSC_EMPTY_STRING;
}

int TMapRsc::GetFontcode(int n) {
  TABTXT* font = FontAt(this, n);
  return font ? int(font->Code) : 0;
}

int TMapRsc::GetFontFixedChar(int n) {
  TABTXT* font = FontAt(this, n);
  return font ? font->Fixed : 0;
}

int TMapRsc::SetFontFixedChar(int n, char fixed) {
  TABTXT* font = FontAt(this, n);
  if (!font) return 0;
  font->Fixed = BYTE(fixed);
  Modify++;
  RebindFonts();
  ErrorCode = 0;
  return 1;
}

int TMapRsc::GetFont(int n, RSCFONT* desc) {
  TABTXT* font = FontAt(this, n);
  if (!font || !desc) return 0;
  memset(desc, 0, sizeof *desc);
  memcpy(desc->Face, font->Face, strnlen(font->Face, 31));
  memcpy(desc->Name, font->Name, strnlen(font->Name, 31));
  desc->Charset = font->Charset;
  return int(font->Code);
}

int TMapRsc::ReplaceFont(int n, const RSCFONT* desc) {
  TABTXT* font = FontAt(this, n);
  if (!font || !desc) return 0;
  memset(font->Face, 0, sizeof font->Face);
  memcpy(font->Face, desc->Face, strnlen(desc->Face, 31));
  memset(font->Name, 0, sizeof font->Name);
  memcpy(font->Name, desc->Name, strnlen(desc->Name, 31));
  font->Charset = BYTE(desc->Charset);
  font->Fixed = '0';
  Modify++;
  RebindFonts();
  ErrorCode = 0;
  return int(font->Code);
}

int TMapRsc::DeleteFont(int code, int replacement) {
  if (!IsActive()) {
    ErrorCode = MAPERR_DATA;
    return 0;
  }
  if (code < 2 || code > 255) return 0;
  TABTXT* txt = rscTxtTable(this);
  const DWORD count = txt ? Head.Tables[RSC_TXT].Count : 0;
  DWORD place = count;
  bool known = false;
  for (DWORD i = 0; i < count; i++) {
    if (txt[i].Code == DWORD(code)) place = i;
    if (txt[i].Code == DWORD(replacement)) known = true;
  }
  if (place == count) return 0;
  // The texts move to a font that stays: the replacement, or font 1.
  if (replacement == code || !known) replacement = 1;
  SetTextRefer(code, replacement);
  memmove(txt + place, txt + place + 1, size_t(count - place - 1) * RSC_TXT_SIZE);
  memset(txt + count - 1, 0, RSC_TXT_SIZE);
  Head.Tables[RSC_TXT].Count = count - 1;
  Head.Tables[RSC_TXT].Length = (count - 1) * RSC_TXT_SIZE;
  FontSpare++;
  Modify++;
  RebindFonts();
  ErrorCode = 0;
  return 1;
}
