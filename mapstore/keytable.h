// The key table of a map file: for each internal object number of the
// classifier, the classification code it had when the map was last saved,
// with the identification of that classifier. It lies after the sheet
// records; opening compares it with the classifier so that a changed
// classifier is noticed.
#pragma once

#include <cstdint>

#include "platform/export.h"
#include "platform/win_types.h"

class TMap;

enum : uint32_t {
  KEYTABLE_MARKER = 0x7EEE7EEEu,
  KEYTABLE_HEADLENGTH = 48,
};

#pragma pack(push, 1)
struct MAPKEYTABLE {
  DWORD Marker;    // KEYTABLE_MARKER
  DWORD Length;    // 48 + 4 x (count + 1)
  DWORD Mode;      // classifier save stamp when written
  DWORD Ident;     // classifier identification
  DWORD RscSize;   // classifier file size when written
  BYTE Reserve[24];
  int32_t Count;   // the classifier's objects
};
#pragma pack(pop)
static_assert(sizeof(MAPKEYTABLE) == 48);

class MAPCLASS TMapKeyTable {
 public:
  explicit TMapKeyTable(TMap* map = nullptr) : Map(map) {}
  ~TMapKeyTable();
  TMapKeyTable(const TMapKeyTable&) = delete;
  TMapKeyTable& operator=(const TMapKeyTable&) = delete;

  // From the map's classifier: 1, or 0 without an open map or memory.
  int Build(TMap* map);
  // The stored table (with its entries when asked): 1, or 0 when there is
  // none that is whole.
  int Read(TMap* map, int entries);
  // Writes the table after the sheet records and cuts the file there: 1;
  // -1 for a read-only map, 0 without entries or on failure.
  int Write();
  // The stored table, else one built from the classifier.
  int LoadOrBuild(TMap* map);
  // Entry n (1..count), else 0.
  DWORD Key(int n) const;
  // Compares the stored table with the classifier (see the source).
  int CheckMap(TMap* map);
  // Recodes every object of every sheet from the numbers of this (stored)
  // table to the map's current classifier through their classification
  // codes, then writes a new table: the write's result, or 0 when a sheet
  // could not be opened, a descriptor read or an object rewritten (each
  // sheet's first failure reported, the code left in the map's error
  // reporter); 1 without work for a map that is not open for writing.
  int Relink();

  MAPKEYTABLE Head = {};
  TMap* Map = nullptr;
  DWORD* Entries = nullptr;
  DWORD EntriesSize = 0;  // bytes

 private:
  void FreeEntries();
};
