#include "groups/objectgroup.h"

#include <cstring>

#include "platform/memory.h"
#include "groups/mapgroups.h"

namespace {

DWORD Get32(const char* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

void Put32(char* p, DWORD v) { std::memcpy(p, &v, 4); }

// Position (from 0) of the first pair that matches, count when none does.
template <class Match>
DWORD FindPair(const NUMBERKEY* pairs, DWORD count, Match match) {
  DWORD j = 0;
  while (j < count && !match(pairs[j])) ++j;
  return j;
}

auto ByNumber(int number) {
  return [number](const NUMBERKEY& p) { return p.Number == DWORD(number); };
}

auto ByKey(const KEY& key) {
  return [key](const NUMBERKEY& p) { return std::memcmp(&p.Key, &key, sizeof(KEY)) == 0; };
}

}  // namespace

TObjectGroup::~TObjectGroup() { Release(); }

void TObjectGroup::Release() {
  if (own_) plat::FreePages(own_);
  own_ = nullptr;
  record_ = nullptr;
  size_ = 0;
  cursor_ = nullptr;
  ordinal_ = 0;
  total_ = 0;
}

int TObjectGroup::Create(int number, int value) {
  if (!own_) {
    Release();
    own_ = static_cast<char*>(plat::AllocPages(GROUP_BUFFER));
    if (!own_) return 0;
    size_ = GROUP_BUFFER;
  }
  record_ = reinterpret_cast<HEADRECGDX*>(own_);
  std::memset(record_, 0, sizeof(HEADRECGDX));
  record_->Ident = GROUP_MARKER;
  record_->Length = GROUP_HEADLENGTH;
  record_->Number = DWORD(number);
  record_->Value = DWORD(value);
  record_->Count = 0;
  cursor_ = nullptr;
  ordinal_ = 0;
  total_ = 0;
  return 1;
}

int TObjectGroup::Record(HEADRECGDX* record, LONG length) {
  Release();
  if (!record) return 1;
  // A buffer shorter than a record head cannot hold even an empty group.
  if (length < LONG(GROUP_HEADLENGTH)) return 0;
  record_ = record;
  size_ = length;
  return 1;
}

int TObjectGroup::Load(const HEADRECGDX* record) {
  if (!record) return 0;
  if (record == record_) return 1;
  if (record->Ident != GROUP_MARKER || record->Length < GROUP_HEADLENGTH ||
      record->Length >= GROUP_BUFFERLIMIT)
    return 0;
  const DWORD length = record->Length;
  if (!Create(0, 0)) return 0;
  if (length >= DWORD(size_)) {
    // Whole steps beyond the record.
    DWORD want = (length / GROUP_BUFFERSTEP + 1) * GROUP_BUFFERSTEP;
    if (!Realloc(LONG(want) - size_)) return 0;
  }
  std::memcpy(record_, record, length);
  SetObjectCountAll();
  return 1;
}

LONG TObjectGroup::Realloc(LONG extra) {
  if (!own_ || extra < 0) return 0;
  const int64_t want = int64_t(size_) + extra;
  if (want > GROUP_BUFFERLIMIT) return 0;
  if (extra == 0) return size_;
  char* block = static_cast<char*>(plat::AllocPages(SIZE_T(want)));
  if (!block) return 0;
  std::memcpy(block, own_, size_t(size_));
  if (cursor_) cursor_ = reinterpret_cast<NUMBERKEY*>(block + (reinterpret_cast<char*>(cursor_) - own_));
  plat::FreePages(own_);
  own_ = block;
  record_ = reinterpret_cast<HEADRECGDX*>(own_);
  size_ = LONG(want);
  return size_;
}

DWORD TObjectGroup::UsableLength() const {
  if (!record_ || size_ < LONG(GROUP_HEADLENGTH)) return 0;
  DWORD length = record_->Length;
  if (length > DWORD(size_)) length = DWORD(size_);
  return length < GROUP_HEADLENGTH ? 0 : length;
}

DWORD TObjectGroup::ListCount(DWORD offset) const {
  const uint64_t usable = UsableLength();
  if (uint64_t(offset) + GROUP_LISTHEAD > usable) return 0;
  const DWORD count = Get32(At(offset + 4));
  if (count == 0 || uint64_t(offset) + GROUP_LISTHEAD + uint64_t(count) * 8 > usable) return 0;
  return count;
}

template <class F>
bool TObjectGroup::ForLists(F f) const {
  if (!record_) return false;
  DWORD at = GROUP_HEADLENGTH;
  for (DWORD i = 0; i < record_->Count; ++i) {
    const DWORD count = ListCount(at);
    if (count == 0) return false;
    if (f(int(i + 1), at, count)) return true;
    at += GROUP_LISTHEAD + count * 8;
  }
  return false;
}

bool TObjectGroup::FindList(int sheet, DWORD* offset, int* ordinal) const {
  return ForLists([&](int n, DWORD at, DWORD) {
    if (Get32(At(at)) != DWORD(sheet)) return false;
    *offset = at;
    *ordinal = n;
    return true;
  });
}

void TObjectGroup::Cut(DWORD offset, DWORD bytes) {
  const DWORD length = record_->Length;
  std::memmove(At(offset), At(offset + bytes), length - offset - bytes);
  std::memset(At(length - bytes), 0, bytes);
  record_->Length = length - bytes;
}

int TObjectGroup::AppendObject(int sheet, NUMBERKEY object) {
  if (!record_) return 0;
  if (record_->Length < GROUP_HEADLENGTH || record_->Length > DWORD(size_)) return 0;
  if (uint64_t(record_->Length) + GROUP_APPENDROOM > uint64_t(size_)) {
    if (!Realloc(GROUP_BUFFERSTEP)) return 0;
  }
  DWORD offset;
  int ordinal;
  if (FindList(sheet, &offset, &ordinal)) {
    const DWORD count = ListCount(offset);
    NUMBERKEY* pairs = Pairs(offset);
    const DWORD j = FindPair(pairs, count, ByNumber(int(object.Number)));
    if (j < count) {
      pairs[j].Key = object.Key;
      return 1;
    }
    const DWORD head = offset + GROUP_LISTHEAD;
    std::memmove(At(head + 8), At(head), record_->Length - head);
    std::memcpy(At(head), &object, 8);
    Put32(At(offset + 4), count + 1);
    record_->Length += 8;
  } else {
    char* end = At(record_->Length);
    Put32(end, DWORD(sheet));
    Put32(end + 4, 1);
    std::memcpy(end + 8, &object, 8);
    record_->Count += 1;
    record_->Length += 16;
  }
  cursor_ = nullptr;
  ++total_;
  return 1;
}

int TObjectGroup::DeleteObject(int sheet, int number) {
  DWORD offset;
  int ordinal;
  if (!FindList(sheet, &offset, &ordinal)) return 0;
  const DWORD count = ListCount(offset);
  const DWORD j = FindPair(Pairs(offset), count, ByNumber(number));
  if (j == count) return 0;
  if (count == 1) {
    Cut(offset, GROUP_LISTHEAD + 8);
    record_->Count -= 1;
  } else {
    Cut(offset + GROUP_LISTHEAD + j * 8, 8);
    Put32(At(offset + 4), count - 1);
  }
  if (total_ > 0) --total_;
  cursor_ = nullptr;
  return 1;
}

int TObjectGroup::DeleteObject(int sheet, KEY key) {
  DWORD offset;
  int ordinal;
  if (!FindList(sheet, &offset, &ordinal)) return 0;
  const DWORD count = ListCount(offset);
  const NUMBERKEY* pairs = Pairs(offset);
  const DWORD j = FindPair(pairs, count, ByKey(key));
  return j < count ? DeleteObject(sheet, int(pairs[j].Number)) : 0;
}

int TObjectGroup::ListNumber(int n) {
  if (n < 1) return 0;
  int sheet = 0;
  ForLists([&](int i, DWORD at, DWORD) {
    if (i != n) return false;
    cursor_ = Pairs(at);
    sheet = int(Get32(At(at)));
    return true;
  });
  return sheet;
}

int TObjectGroup::ObjectCount(int sheet) {
  DWORD offset;
  int ordinal;
  return FindList(sheet, &offset, &ordinal) ? int(ListCount(offset)) : 0;
}

int TObjectGroup::ObjectNumber(int sheet, int n) {
  DWORD offset;
  int ordinal;
  if (n < 1 || !FindList(sheet, &offset, &ordinal)) return 0;
  if (DWORD(n) > ListCount(offset)) return 0;
  cursor_ = Pairs(offset) + (n - 1);
  return int(cursor_->Number);
}

KEY TObjectGroup::ObjectKey(int sheet, int n) {
  if (!ObjectNumber(sheet, n)) return KEY{0};
  return cursor_->Key;
}

KEY TObjectGroup::ObjectKeyNumber(int sheet, int number) {
  DWORD offset;
  int ordinal;
  if (!FindList(sheet, &offset, &ordinal)) return KEY{0};
  const DWORD count = ListCount(offset);
  const NUMBERKEY* pairs = Pairs(offset);
  const DWORD j = FindPair(pairs, count, ByNumber(number));
  return j < count ? pairs[j].Key : KEY{0};
}

template <class Match>
int TObjectGroup::FindCurrent(int sheet, Match match) {
  DWORD offset;
  int ordinal;
  if (!FindList(sheet, &offset, &ordinal)) return 0;
  const DWORD count = ListCount(offset);
  const DWORD j = FindPair(Pairs(offset), count, match);
  if (j == count) return 0;
  ordinal_ = ordinal;
  cursor_ = Pairs(offset) + j;
  return int(j + 1);
}

int TObjectGroup::FindObjectNumber(int sheet, int number) { return FindCurrent(sheet, ByNumber(number)); }

int TObjectGroup::FindObjectNumber(int sheet, KEY key) { return FindCurrent(sheet, ByKey(key)); }

int TObjectGroup::NextObjectNumber(int sheet, int number) {
  DWORD offset;
  int ordinal;
  if (!FindList(sheet, &offset, &ordinal)) return 0;
  const int position = FindObjectNumber(sheet, number);
  if (position == 0) return 0;
  const DWORD count = ListCount(offset);
  NUMBERKEY* pairs = Pairs(offset);
  if (DWORD(position) < count) {
    cursor_ = &pairs[position];
    return int(cursor_->Number);
  }
  if (DWORD(ordinal) >= record_->Count) return 0;
  const DWORD next = offset + GROUP_LISTHEAD + count * 8;
  if (ListCount(next) == 0) return 0;
  ordinal_ = ordinal + 1;
  cursor_ = Pairs(next);
  return int(cursor_->Number);
}

void TObjectGroup::SetObjectCountAll() {
  total_ = 0;
  ForLists([this](int, DWORD, DWORD count) {
    total_ += int(count);
    return false;
  });
}

int TObjectGroup::ReadGroup(TMapGroups* groups, int number) {
  if (!groups) return 0;
  if (number == 0 && record_) number = int(record_->Number);
  const int result = groups->ReadGroup(this, number);
  SetObjectCountAll();
  return result;
}

int TObjectGroup::WriteGroup(TMapGroups* groups) { return groups ? groups->WriteGroup(this) : 0; }
