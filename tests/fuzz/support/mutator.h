// A deterministic mutator of files for the fuzz tests: from a seed it damages
// a file the way a torn write, a bad disk or a hostile writer would, and
// says in one line what it did so that a failure can be replayed.
//
// What it knows of a file's structure comes from a Layout found in the
// intact file: where its counts, lengths and offsets lie, where its records
// begin and end, and where it stores file names. The mutations:
// - bit flips (one to four, half of them in the first kilobyte);
// - runs of 0x00, 0xFF or random bytes, at a random place or at a record
//   boundary;
// - truncation at a random length and at a record boundary (or one byte
//   either side of it);
// - a huge or otherwise telling value written into a count, length or
//   offset field (0x7FFFFFFF, 0xFFFFFFFF, the file size, ...), or into a
//   32-bit word of the first kilobyte when the layout names no field;
// - a stored file name replaced by a hostile one ("../" and the old name, a
//   name of another file of the map, a name without its terminator).
// A text file of statements (a layout marked `text`) mostly gets text
// mutations instead: a number replaced by a huge, negative, not-a-number
// or overlong one, fields dropped, a line duplicated, an overlong line,
// bytes of 0x80 and up, the last line end taken away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

// splitmix64: the same seed gives the same numbers on every platform.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  // Uniform in 0 .. n-1 (0 for n = 0).
  uint64_t Below(uint64_t n) { return n ? Next() % n : 0; }
  bool Percent(int p) { return Below(100) < uint64_t(p); }

 private:
  uint64_t state_;
};

// A seed for one mutant of one file kind: the kind's name and the mutant's
// number mixed.
uint64_t MutantSeed(const std::string& kind, uint64_t number);

// An integer field of a file: a count, a length or an offset.
struct Field {
  size_t offset;
  int width;  // 2 or 4 bytes
  std::string what;
  bool head;  // a field of the file's head: chosen as often as all the others
};

// A stored file name: a zero-terminated text in a field of `size` bytes.
struct NameField {
  size_t offset;
  size_t size;
  std::string what;
};

// The structure of an intact file as the mutator uses it.
struct Layout {
  std::vector<Field> fields;
  std::vector<size_t> boundaries;  // record starts and ends, within the file
  std::vector<NameField> names;
  // Names of the other files of the map (as stored names would give them),
  // offered as hostile names.
  std::vector<std::string> siblings;
  // A text of lines of blank-separated fields.
  bool text = false;

  void Add(size_t offset, int width, const std::string& what) {
    fields.push_back({offset, width, what, false});
  }
  void Head(size_t offset, int width, const std::string& what) {
    fields.push_back({offset, width, what, true});
  }
  void Boundary(size_t offset) { boundaries.push_back(offset); }
};

// Damages `bytes` as `rng` chooses (once, or two or three times in a
// quarter of the cases); returns what was done, as "huge 0x7FFFFFFF in
// object count at 4 (was 0xC)" or "truncated to 848 (record boundary)",
// several joined by " + ".
std::string Mutate(std::string& bytes, const Layout& layout, Rng& rng);

// Little-endian reads of the intact files for the layout finders (0 past
// the end).
uint32_t Read32(const std::string& bytes, size_t offset);
uint16_t Read16(const std::string& bytes, size_t offset);

}  // namespace fuzz
