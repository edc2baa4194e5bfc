// Where a map's sheets hold their objects, over the map's plane, so that a
// question about a place asks only the sheets whose objects may lie near
// it: a map of thousands of sheets answers at the cost of the sheets near
// the place, not of a look at every sheet.
//
// Each sheet is one of three. Placed: the frame of its objects (what the
// map knows of them, TSheetExtents), shifted by the sheet's origin into the
// map's units, entered in every cell of a grid over the map that it meets.
// Passed over: it holds no object. Asked: nothing is known of its objects,
// its descriptors could not be read, or its frame spans too many cells. A
// question names the placed sheets of the cells its frame meets and every
// sheet asked, each of which the caller then asks as it would without the
// index; a placed sheet in no cell the question meets has its frame wholly
// beyond the question's, whatever the roundings of the grid.
//
// The index mirrors the entries it was given and nothing else: the owner
// tells it of every entry that changes (Changed) and places the sheet
// again before the next question, and decides when the entries themselves
// are to be looked at again (TMapPassport::NextSheetToAsk).
//
// Memory: about 30 bytes a sheet, and a few more for each cell it meets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "types/geotypes.h"

class TSheetReach {
 public:
  enum Kind : uint8_t {
    ASKED = 0,   // asked at every question
    EMPTY = 1,   // passed over at every question
    PLACED = 2,  // asked where its frame meets the question's
  };

  // Made for sheets 1..count, the grid laid over `bounds` (map units): every
  // sheet is asked and counts as changed until placed. False without the
  // memory: the index is then not made.
  bool Make(int count, const DFRAME& bounds);
  bool Made() const { return made_; }
  int Sheets() const { return int(sheets_.size()); }
  // Forgets everything: made again before the next question.
  void Drop();

  // Sheet n's entry changed.
  void Changed(int n);
  // A sheet changed since it was last placed (each once), 0 when none.
  int TakeChanged();
  // Places sheet n: as `kind`, with its frame `box` (map units) when
  // PLACED. A frame that is no number, or spans too many cells, is asked.
  void Place(int n, Kind kind, const DFRAME& box);

  // The first sheet from `from` on, stepping by `step` (1 or -1), that a
  // question about `box` (map units, X1 <= X2 and Y1 <= Y2, every side
  // closed) must ask: `from` itself when the index cannot tell (not made,
  // a frame that is no number or that spans most of the grid); 0 when no
  // sheet is left.
  int Next(const DFRAME& box, int from, int step);

  // What the owner found when it last looked at every entry (each on its
  // own signal) and the table it placed them by: the index answers while
  // the owner finds the same.
  struct CONFIRMED {
    uint32_t Span = 0;   // the counter's span
    int32_t Chained = 0;  // the chain was known, and the table's
    uint32_t Chain = 0;
    int32_t BegunKnown = 0;  // the count of sheet changes begun, when read
    uint32_t Begun = 0;
    int32_t RealPlace = 0;
    int32_t Count = 0;
    const void* Table = nullptr;
    bool operator==(const CONFIRMED&) const = default;
  };
  CONFIRMED Confirmed;

 private:
  struct SHEET {
    int32_t X1 = 0, Y1 = 0, X2 = -1, Y2 = -1;  // its cells, when placed
    Kind How = ASKED;
    uint8_t Changed = 0;
  };
  int CellX(double x) const;
  int CellY(double y) const;
  void Unplace(int n);
  void SetAsked(int n, bool asked);
  // The asked sheet nearest `from` in the direction of `step`, 0 when none.
  int NextAsked(int from, int step) const;

  bool made_ = false;
  double x0_ = 0, y0_ = 0, width_ = 1, height_ = 1;  // of a cell
  int columns_ = 0, rows_ = 0;
  std::vector<std::vector<int32_t>> cells_;  // sheet numbers, by row then column
  std::vector<SHEET> sheets_;                // by sheet number - 1
  std::vector<uint64_t> asked_;              // a bit a sheet (number - 1)
  std::vector<int32_t> changed_;
  // The last question's sheets from the cells, in number order, kept while
  // nothing was placed since.
  DFRAME lastBox_{};
  bool lastKept_ = false;
  std::vector<int32_t> lastSheets_;
};
