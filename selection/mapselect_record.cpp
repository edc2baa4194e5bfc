// The select record: the context written as an "SLT" record with its
// sheets, layers and object kinds named, and read back from it or from the
// older "SET" and "SEC" records, which are plain images of an older layout
// of the context.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "classifier/rscformat.h"
#include "selection/mapselect.h"
#include "types/selecttypes.h"

namespace {

#pragma pack(push, 1)
// The older record ("SET", and "SEC" whose measurement part is not read).
struct OLDSELECTRECORD {
  DWORD Tag;
  DWORD Length;
  DWORD LayerBits[SELECT_LAYERS / 32];
  DWORD LocalWord;
  DWORD KindBits[SELECT_KINDS / 32];
  DWORD SheetBits[SELECT_SHEETS / 32];
  BYTE Semantics[SELECTRECORD_SEMANTICS];
  // Layers, localisations, kinds, sheets, semantics, key range.
  DWORD Switches[6];
  BYTE Unread[52];
  DWORD KeyMinimum;
  DWORD KeyMaximum;
  BYTE Measures[SELECTRECORD_MEASURES];
  DWORD MeasureSwitch;
  DWORD Unread2;
  DWORD TotalSeekMarks;
};
#pragma pack(pop)
static_assert(sizeof(OLDSELECTRECORD) == SELECTRECORD_OLDSIZE);
static_assert(offsetof(OLDSELECTRECORD, Semantics) == 8748);
static_assert(offsetof(OLDSELECTRECORD, Switches) == 25912);
static_assert(offsetof(OLDSELECTRECORD, KeyMinimum) == 25988);
static_assert(offsetof(OLDSELECTRECORD, Measures) == 25996);
static_assert(offsetof(OLDSELECTRECORD, TotalSeekMarks) == 29212);
static_assert(sizeof(TCompare) == SELECTRECORD_SEMANTICS);
static_assert(sizeof(TPlaneMeasure) == SELECTRECORD_MEASURES);

constexpr int kSlot = SELECTRECORD_NAMESIZE;
// The bytes a section's tag takes.
constexpr int kTag = 4;

// The sections in the order they are written.
enum SectionKind : int { SECTION_SHEETS, SECTION_LAYERS, SECTION_KINDS, SECTION_COUNT };
constexpr DWORD kSectionTag[SECTION_COUNT] = {SELECTSECTION_SHEETS, SELECTSECTION_LAYERS,
                                              SELECTSECTION_KINDS};
constexpr DWORD kSetSize[SECTION_COUNT] = {SELECT_SHEETS, SELECT_LAYERS, SELECT_KINDS};

// One section of a context: its items (sheets 1..n, layers 0..n-1, object
// kinds 1..n) and how they are named and looked up.
class Section {
 public:
  Section(TMapSelect& select, int kind) : S(select), Kind(kind), Rsc(select.Classifier()) {}

  // Written and read only while its condition is on and its names can be
  // found.
  bool Present() const {
    switch (Kind) {
      case SECTION_SHEETS:
        return S.SheetSwitch != 0 && S.Map != nullptr;
      case SECTION_LAYERS:
        return S.LayerSwitch != 0 && Rsc != nullptr;
      default:
        return S.KindSwitch != 0 && Rsc != nullptr;
    }
  }
  int First() const { return Kind == SECTION_LAYERS ? 0 : 1; }
  int Count() const {
    switch (Kind) {
      case SECTION_SHEETS:
        return S.Map->Lists != nullptr ? S.Map->Count() : 0;
      case SECTION_LAYERS:
        return Rsc->GetSegCount();
      default:
        return Rsc->GetObjCount();
    }
  }
  bool Selected(int item) const {
    switch (Kind) {
      case SECTION_SHEETS:
        return S.CheckSheet(item) != 0;
      case SECTION_LAYERS:
        return S.CheckLayer(item) != 0;
      default:
        return S.CheckKind(item) != 0;
    }
  }
  int SelectedCount() const {
    int s = 0;
    for (int i = First(), n = Count(); n > 0; ++i, --n) s += Selected(i) ? 1 : 0;
    return s;
  }
  // Bytes the section takes in a record of that many items, s selected.
  static int64_t Size(int64_t n, int64_t s) {
    if (n >= 2 * s) return kSlot + kSlot * s;
    if (s < n) return kSlot + kSlot * (n - s);
    return 256;
  }
  // The item's name and the size of its field; null for an item without
  // one.
  const char* Name(int item, size_t* field) const {
    switch (Kind) {
      case SECTION_SHEETS: {
        LISTDESC* sheet = S.Map->TMapPassport::List(item);
        if (sheet == nullptr) return nullptr;
        *field = sizeof(sheet->Register.Nomenclature);
        return sheet->Register.Nomenclature;
      }
      case SECTION_LAYERS: {
        TABSEG* layer = Rsc->GetTabSeg(item);
        if (layer == nullptr) return nullptr;
        *field = sizeof(layer->Short);
        return layer->Short;
      }
      default: {
        TABOBJ* object = Rsc->GetTabObj(item);
        if (object == nullptr) return nullptr;
        *field = sizeof(object->Key);
        return object->Key;
      }
    }
  }
  // Fills the set (all) or clears it (none).
  void Reset(bool all) {
    switch (Kind) {
      case SECTION_SHEETS:
        all ? S.SelectAllSheets() : S.ClearAllSheets();
        break;
      case SECTION_LAYERS:
        all ? S.SelectAllLayers() : S.ClearAllLayers();
        break;
      default:
        all ? S.SelectAllKinds() : S.ClearAllKinds();
        break;
    }
  }
  // The named item's bit set or cleared; an unknown sheet or layer is
  // passed over, an unknown object key clears the bit of objects without a
  // kind.
  void Mark(const char* name, bool selected) {
    int item = 0;
    switch (Kind) {
      case SECTION_SHEETS:
        item = S.Map->FindListByNomenclature(name);
        if (item <= 0) return;
        selected ? S.SelectSheet(item) : S.UnselectSheet(item);
        return;
      case SECTION_LAYERS:
        // Layer 0 and a name not found both give 0: the error tells them
        // apart.
        Rsc->Error(0);
        item = Rsc->GetElementbyName(name, 2);
        if (item < 0 || (item == 0 && Rsc->Error() != 0)) return;
        selected ? S.SelectLayer(item) : S.UnselectLayer(item);
        return;
      default:
        item = Rsc->GetElementbyName(name, 5);
        if (item <= 0) {
          S.UnselectKind(0);
          return;
        }
        selected ? S.SelectKind(item) : S.UnselectKind(item);
        return;
    }
  }

 private:
  TMapSelect& S;
  int Kind;
  TMapRsc* Rsc;
};

// Writes a present section at `at` of the record: its place, and the names
// of the selected items or (when most are selected) of the others.
SELECTSECTION WriteSection(const Section& section, int kind, char* record, DWORD at) {
  const int n = section.Count();
  const int s = section.SelectedCount();
  const bool listSelected = 2 * s <= n;
  const int limit = listSelected ? s : n - s;
  std::memcpy(record + at, &kSectionTag[kind], kTag);
  int written = 0;
  for (int i = section.First(), left = n; left > 0 && written < limit; ++i, --left) {
    if (section.Selected(i) != listSelected) continue;
    size_t field = 0;
    const char* name = section.Name(i, &field);
    if (name == nullptr) continue;
    // The slot keeps its terminating zero.
    size_t length = strnlen(name, field);
    if (length > size_t(kSlot - 1)) length = kSlot - 1;
    std::memcpy(record + at + kTag + size_t(kSlot) * size_t(written), name, length);
    ++written;
  }
  return SELECTSECTION{DWORD(written), listSelected ? 1u : 0u, at};
}

// Reads a section of a record of `length` bytes when it lies whole within
// them and bears its tag.
void ReadSection(Section& section, int kind, const SELECTSECTION& place, const char* record,
                 int length) {
  const uint64_t at = place.Offset;
  const uint64_t end = at + kTag + uint64_t(place.Count) * kSlot;
  if (end > uint64_t(length)) return;
  DWORD tag = 0;
  std::memcpy(&tag, record + at, sizeof(tag));
  if (tag != kSectionTag[kind]) return;
  const bool listSelected = place.Selected != 0;
  section.Reset(!listSelected);
  // A section names each item of its set once at most: names past that
  // many are not looked up (each lookup walks the sheets or the
  // classifier).
  const DWORD count = std::min(place.Count, kSetSize[kind]);
  char name[kSlot + 1];
  for (DWORD i = 0; i < count; ++i) {
    std::memcpy(name, record + at + kTag + uint64_t(i) * kSlot, kSlot);
    name[kSlot] = 0;
    section.Mark(name, listSelected);
  }
}

DWORD KindModeOf(DWORD mode) {
  return mode == KINDMODE_NONE || mode == KINDMODE_SOME ? mode : DWORD(KINDMODE_ANY);
}

}  // namespace

int TMapSelect::GetSelectRecordSize() {
  int64_t size = SELECTRECORD_HEAD;
  for (int kind = 0; kind < SECTION_COUNT; ++kind) {
    const Section section(*this, kind);
    if (section.Present()) size += Section::Size(section.Count(), section.SelectedCount());
  }
  return int(size);
}

int TMapSelect::GetSelectRecord(char* buffer, int length) {
  const int size = GetSelectRecordSize();
  if (buffer == nullptr || length < size) return 0;
  std::memset(buffer, 0, size_t(size));
  SELECTRECORD r;
  std::memset(&r, 0, sizeof(r));
  r.Tag = SELECTRECORD_TAG;
  r.Length = DWORD(size);
  r.LayerSwitch = LayerSwitch;
  r.LocalSwitch = LocalSwitch;
  r.KindSwitch = KindSwitch;
  r.SheetSwitch = SheetSwitch;
  r.SemanticSwitch = SemanticSwitch;
  r.KeySwitch = KeySwitch;
  r.MeasureSwitch = MeasureSwitch;
  r.TotalSeekMarks = TotalSeekMarks;
  r.KeyMinimum = KeyMinimum;
  r.KeyMaximum = KeyMaximum;
  std::memcpy(r.Semantics, static_cast<const void*>(&Semantics), sizeof(r.Semantics));
  std::memcpy(r.Measures, static_cast<const void*>(&Measures), sizeof(r.Measures));
  r.LocalWord = LocalWord;
  r.KindMode = KindMode;
  SELECTSECTION* places[SECTION_COUNT] = {&r.Sheets, &r.Layers, &r.Kinds};
  DWORD at = SELECTRECORD_HEAD;
  for (int kind = 0; kind < SECTION_COUNT; ++kind) {
    const Section section(*this, kind);
    if (!section.Present()) continue;
    *places[kind] = WriteSection(section, kind, buffer, at);
    at += kTag + DWORD(kSlot) * places[kind]->Count;
  }
  std::memcpy(buffer, &r, sizeof(r));
  return size;
}

int TMapSelect::PutSelectRecord(const char* buffer, int length) {
  if (buffer == nullptr || length <= 0) return 0;
  SELECTRECORD r;
  if (length < int(sizeof(r))) return PutSelectRecordOld(buffer, length);
  std::memcpy(&r, buffer, sizeof(r));
  if (r.Tag != SELECTRECORD_TAG || r.Length < DWORD(SELECTRECORD_HEAD))
    return PutSelectRecordOld(buffer, length);
  Touch();
  MeasureSwitch = Measures.LoadImage(r.Measures) ? r.MeasureSwitch : 0;
  LayerSwitch = r.LayerSwitch;
  LocalSwitch = r.LocalSwitch;
  KindSwitch = r.KindSwitch;
  SheetSwitch = r.SheetSwitch;
  SemanticSwitch = Semantics.LoadImage(r.Semantics) ? r.SemanticSwitch : 0;
  KeySwitch = r.KeySwitch;
  KeyMinimum = r.KeyMinimum;
  KeyMaximum = r.KeyMaximum;
  TotalSeekMarks = r.TotalSeekMarks;
  KindMode = KindModeOf(r.KindMode);
  LocalWord = r.LocalWord;
  AreaSwitch = 0;
  Inversion = 0;
  const SELECTSECTION* places[SECTION_COUNT] = {&r.Sheets, &r.Layers, &r.Kinds};
  for (int kind = 0; kind < SECTION_COUNT; ++kind) {
    Section section(*this, kind);
    if (section.Present()) ReadSection(section, kind, *places[kind], buffer, length);
  }
  Touch();
  return SELECTRECORD_HEAD;
}

int TMapSelect::PutSelectRecordOld(const char* buffer, int length) {
  Touch();
  DWORD head[2] = {0, 0};
  if (buffer != nullptr && length >= int(sizeof(head))) std::memcpy(head, buffer, sizeof(head));
  // Both forms are read only whole.
  const bool whole = length >= SELECTRECORD_OLDSIZE;
  const bool set = head[0] == SELECTRECORD_TAG_SET && whole &&
                   head[1] >= DWORD(SELECTRECORD_OLDSIZE) && head[1] <= DWORD(length);
  const bool sec = head[0] == SELECTRECORD_TAG_SEC && whole;
  if (!set && !sec) {
    SelectAll();
    return 0;
  }
  OLDSELECTRECORD r;
  std::memcpy(&r, buffer, sizeof(r));
  std::memcpy(LayerBits, r.LayerBits, sizeof(LayerBits));
  LocalWord = r.LocalWord;
  std::memcpy(KindBits, r.KindBits, sizeof(KindBits));
  std::memcpy(SheetBits, r.SheetBits, sizeof(SheetBits));
  LayerSwitch = r.Switches[0];
  LocalSwitch = r.Switches[1];
  KindSwitch = r.Switches[2];
  SheetSwitch = r.Switches[3];
  SemanticSwitch = Semantics.LoadImage(r.Semantics) ? r.Switches[4] : 0;
  KeySwitch = r.Switches[5];
  KeyMinimum = r.KeyMinimum;
  KeyMaximum = r.KeyMaximum;
  TotalSeekMarks = r.TotalSeekMarks;
  if (set) {
    MeasureSwitch = Measures.LoadImage(r.Measures) ? r.MeasureSwitch : 0;
  } else {
    Measures.Clear();
    MeasureSwitch = 0;
  }
  AreaSwitch = KindMode = Inversion = 0;
  Touch();
  return SELECTRECORD_OLDSIZE;
}
