// Classifier queries on the header: names, scale, language, counters and
// the scale tables.
#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscqueryint.h"
#include "common/maperr.h"
#include "platform/fileio.h"

namespace {

const DWORD kScaleTables[2][RSC_SCALE_COUNT] = {
    {1, 1000, 2000, 5000, 10000, 25000, 50000, 100000, 200000, 500000, 1000000, 2500000, 5000000,
     10000000, 20000000, 40000000},
    {1, 10, 25, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 25000, 50000, 100000, 200000, 500000},
};

// Clears a text field and copies at most `limit` characters into it.
template <size_t N>
void StoreText(char (&field)[N], const char* text, size_t limit) {
  memset(field, 0, N);
  memcpy(field, text, strnlen(text, limit < N - 1 ? limit : N - 1));
}

}  // namespace

const char* TMapRsc::Date() {
  if (!rscQueryOpen(this)) return RSC_EMPTY_STRING;
  return Head.Date;
}

LONG TMapRsc::Scale() {
  if (!rscQueryOpen(this)) return 0;
  return LONG(Head.Scale);
}

LONG TMapRsc::Scale(LONG scale) {
  if (!rscQueryOpen(this)) return 0;
  Head.Scale = DWORD(scale);
  Modify++;
  return scale;
}

const char* TMapRsc::Type() {
  if (!rscQueryOpen(this)) return RSC_EMPTY_STRING;
  return Head.Type;
}

const char* TMapRsc::SetType(const char* type) {
  if (!type || !IsActive()) return RSC_EMPTY_STRING;
  ErrorCode = 0;
  StoreText(Head.Type, type, 31);
  Modify++;
  return Head.Type;
}

const char* TMapRsc::Name() {
  if (!rscQueryOpen(this)) return RSC_EMPTY_STRING;
  return Head.Name;
}

const char* TMapRsc::SetName(const char* name) {
  if (!name || !IsActive()) return RSC_EMPTY_STRING;
  ErrorCode = 0;
  StoreText(Head.Name, name, 31);
  Modify++;
  return Head.Name;
}

const char* TMapRsc::ClassificatorCode() {
  if (!rscQueryOpen(this)) return RSC_EMPTY_STRING;
  return Head.Code;
}

int TMapRsc::ClassificatorCode(const char* code) {
  if (!rscQueryOpen(this) || !code) return 0;
  StoreText(Head.Code, code, 7);
  Modify++;
  return 1;
}

int TMapRsc::SetClassificatorLanguage(int language) {
  if (!rscQueryOpen(this)) return 0;
  if (language < 1 || language > 2) language = 2;
  Head.Language = DWORD(language);
  Modify++;
  return language;
}

int TMapRsc::ScaleTableNumber() {
  if (!rscQueryOpen(this)) return 0;
  return int(Head.ScaleTable);
}

int TMapRsc::ScaleTableNumber(int flag) {
  if (!rscQueryOpen(this)) return 0;
  Head.ScaleTable = flag ? 1 : 0;
  Modify++;
  return int(Head.ScaleTable);
}

LONG TMapRsc::GetTableScaleItem(int table, int i) {
  if (table < 0 || table > 1) table = 0;
  if (i < 0 || i >= RSC_SCALE_COUNT) i = 0;
  return LONG(kScaleTables[table][i]);
}

LONG TMapRsc::GetScaleItem(int i) {
  if (!rscQueryOpen(this)) return 0;
  return GetTableScaleItem(Head.ScaleTable == 1 ? 1 : 0, i);
}

int TMapRsc::Mode() {
  if (!rscQueryOpen(this)) return 0;
  return int(Head.Mode);
}

int TMapRsc::Mode(int) {
  if (!rscQueryOpen(this)) return 0;
  return int(++Head.Mode);
}

int TMapRsc::ColorStyle(int) { return Head.ColorStyle++; }

int TMapRsc::GetRscName(char* buffer, int size) {
  if (!rscQueryOpen(this) || !buffer || size < 1) return 0;
  const size_t length = strnlen(Path, sizeof Path);
  if (size_t(size) <= length) return 0;
  memcpy(buffer, Path, length + 1);
  return 1;
}

LONG TMapRsc::FileSize() {
  if (!rscQueryOpen(this) || !File) return 0;
  const int64_t size = plat::FileLength(File);
  return size < 0 || size > 0x7FFFFFFF ? 0 : LONG(size);
}

TABSEM* TMapRsc::GetOffSem() const { return IsActive() ? rscSemTable(this) : nullptr; }

LONG TMapRsc::GetFrameCodeEx() {
  RSCOBJINDEX* e = rscQueryObject(this, RSC_FRAMECODE);
  return e ? LONG(e->Excode) : 0;
}
