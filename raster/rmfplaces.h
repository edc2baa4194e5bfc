// The places of a blocked file's stored bytes (raster/rmfformat.h): where
// each header, area and block of every image in the file lies, so that a
// place is rewritten in place only while nothing else is stored there.
//
// A damaged table may give two blocks one place, or put a block over the
// header or an area of the file; whatever is then written in place of one
// of them overwrites the other. The owner of a file (raster/rmf.h) builds
// the places once, when it first asks whether a place is its own, and
// keeps them in step: every place it appends at the end of the data comes
// in, in file order, behind those it found. Places given up are not taken
// out: they stay as if still held, which can only send a write to the end
// of the file, never over another's bytes. A change of a place any other
// way drops them, to be built afresh when next asked.
//
// The places of each image's areas are those its header named at the build:
// asked for an image whose header names them elsewhere now (a caller moved
// one, or an area was stored anew), or for an image not among them, they
// are built afresh.
//
// Places are numbers of one line over both files of the format: the byte
// offset, the continuation file's from 2^40 on. A place that reached past
// the end of its file when the places were built is nobody's (its bytes
// were not there; whatever comes there later is another's).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_types.h"
#include "raster/rmfformat.h"

// The areas of one image of a file, each stored whole at its place.
enum class RmfArea : DWORD { Header, Palette, Table, Flags, Border, Addition, Layer };
constexpr int RMF_AREA_KINDS = 7;

// One area: where it lies (a position of the file's mode) and the bytes
// the file layer reads and writes there.
struct RMFAREAPLACE {
  RmfArea kind;
  DWORD position;
  DWORD length;
};

// The areas of the image whose header `h` lies at `header`: the header
// itself, then each area the header names with a position and a length,
// at the length stored there (the palette at most 1024 bytes, the table
// and the flags one entry and one byte per block, the addition at most
// 320 bytes). The count written into `out`.
int RmfAreaPlaces(const RMF& h, DWORD header, RMFAREAPLACE out[RMF_AREA_KINDS]);

// A position of the file's mode as a place on the line; false for an
// address the format does not have.
bool RmfLinePlace(DWORD position, int unitShift, uint64_t* place);

class TRmfPlaces {
 public:
  // Who holds a place: block `number` or one area of the image whose
  // header lies at `image`. Nobody matches no owner.
  static uint64_t Block(DWORD image, LONG number) { return uint64_t(image) << 32 | DWORD(number); }
  static uint64_t Area(DWORD image, RmfArea area) {
    return uint64_t(image) << 32 | (0xFFFFFF00u + DWORD(area));
  }
  static constexpr uint64_t kNobody = ~0ull;
  // The part of the line a place lies in (0 the main file, 1 the
  // continuation file) and its offset there.
  static constexpr int kPartShift = 40;

  TRmfPlaces() = default;
  ~TRmfPlaces() { Release(); }
  TRmfPlaces(const TRmfPlaces&) = delete;
  TRmfPlaces& operator=(const TRmfPlaces&) = delete;

  bool Built() const { return built_; }
  // Built, with the image whose header lies at `header` and names its
  // areas where `h` does.
  bool Describes(const RMF& h, DWORD header) const;
  // Forgets the places (the memory stays for the next build).
  void Drop();
  // Frees the memory.
  void Release();

  // Building: Start, for each image its header (at `header`, at most
  // kImages of them) and each place held (`length` bytes at `place`), then
  // Finish with the length of each file (main, continuation). False when
  // the memory cannot be had: the places are then not built.
  static constexpr int kImages = 8;
  void Start();
  void Image(const RMF& h, DWORD header);
  void Add(uint64_t place, uint64_t length, uint64_t owner);
  bool Finish(const uint64_t fileLength[2]);

  // A place just appended at the end of the data. Places come in in file
  // order; one that does not (the file was cut since) drops them all.
  void Appended(uint64_t place, uint64_t length, uint64_t owner);

  // True when anyone but `owner` holds a byte of the `length` bytes at
  // `place` (built places only).
  bool Others(uint64_t place, uint64_t length, uint64_t owner) const;
  // True when a place of an image other than the one whose header lies at
  // `image` holds a byte of the `length` bytes at `place` (built places
  // only; places that were nobody's at the build are left out).
  bool OtherImage(uint64_t place, uint64_t length, DWORD image) const;
  // Built, and no two places share a byte nor does any reach past the end
  // of its file: each place is its owner's alone (places appended keep it
  // so, each past all others).
  bool Apart() const { return built_ && apart_; }

 private:
  struct Extent {
    uint64_t begin, end, owner;
  };
  // Others within one run of places sorted by their start, `reach` the
  // largest end of the run up to each place.
  bool OthersIn(size_t first, size_t last, uint64_t begin, uint64_t end, uint64_t owner) const;
  bool OtherImageIn(size_t first, size_t last, uint64_t begin, uint64_t end, DWORD image) const;
  bool Reserve(size_t capacity);
  // The header fields that say where the areas lie and how long they are:
  // the block geometry, the border, palette and table, the flags, the
  // layer area, the addition, the unit shift, and the header's place.
  static constexpr size_t kAreaFields = 48 + 8 + 8 + 8 + 1 + 4;
  static void AreaFields(const RMF& h, DWORD header, BYTE out[kAreaFields]);

  Extent* extents_ = nullptr;
  uint64_t* reach_ = nullptr;
  size_t capacity_ = 0;
  size_t found_ = 0;  // the places found at the build: [0, found_), sorted
  size_t count_ = 0;  // then the places appended since: [found_, count_)
  bool built_ = false;
  bool failed_ = false;  // memory failed while building
  bool apart_ = false;
  struct Header {
    DWORD at;
    BYTE fields[kAreaFields];
  } images_[kImages] = {};  // the headers of the images built from
  int imageCount_ = 0;
};
