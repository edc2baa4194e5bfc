// The parts of an area piece without the holes of an object: the piece is
// cut by every hole of the object that crosses it (a piece split by a hole
// gives several parts), and the holes lying wholly inside a part become its
// holes. The parts are handed out one by one, the largest first.
#pragma once

#include <memory>
#include <vector>

#include "records/dataedit.h"

class THoleCut {
 public:
  // Cuts `piece` by the holes of `object`: 1, 0 when memory is short.
  int Cut(TDataEdit* piece, TDataEdit* object, double precision);
  // The next part loaded into `into`: into, or null when none is left.
  TDataEdit* Next(TDataEdit* into);
  void Clear() { Parts.clear(); }

 private:
  struct Owned {
    TDataEdit M;
    Owned() { M.Init(); }
    ~Owned() { M.Free(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
  };
  std::vector<std::unique_ptr<Owned>> Parts;  // handed out from the back
};
