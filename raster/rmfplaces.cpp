#include "raster/rmfplaces.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/memory.h"

int RmfAreaPlaces(const RMF& h, DWORD header, RMFAREAPLACE out[RMF_AREA_KINDS]) {
  const int64_t product = int64_t(h.BlockRows) * h.BlockColumns;
  const DWORD blocks = h.BlockRows > 0 && h.BlockColumns > 0 && product * 8 <= RMF_MAX_TABLE_BYTES
                           ? DWORD(product)
                           : 0;
  const struct {
    RmfArea kind;
    DWORD position, length, most;
  } areas[] = {
      {RmfArea::Palette, h.PalettePosition, h.PaletteLength, RMF_PALETTE_SIZE},
      {RmfArea::Table, h.TablePosition, h.TableLength, blocks ? blocks * 8 : h.TableLength},
      {RmfArea::Flags, h.FlagsPosition, h.FlagsLength, blocks ? blocks : h.FlagsLength},
      {RmfArea::Border, h.BorderPosition, h.BorderLength, h.BorderLength},
      {RmfArea::Addition, h.AdditionPosition, h.AdditionLength, RMF_ADDITION_SIZE},
      {RmfArea::Layer, h.LayerPosition, h.LayerLength, h.LayerLength},
  };
  int n = 0;
  out[n++] = RMFAREAPLACE{RmfArea::Header, header, RMF_HEADER_SIZE};
  for (const auto& a : areas)
    if (a.position && a.length) out[n++] = RMFAREAPLACE{a.kind, a.position, std::min(a.length, a.most)};
  return n;
}

bool RmfLinePlace(DWORD position, int unitShift, uint64_t* place) {
  RmfPlace p;
  if (!RmfLocate(position, unitShift, &p)) return false;
  *place = uint64_t(p.part) << TRmfPlaces::kPartShift | p.offset;
  return true;
}

void TRmfPlaces::Drop() {
  built_ = false;
  found_ = count_ = 0;
}

void TRmfPlaces::Release() {
  Drop();
  if (extents_) plat::FreePages(extents_);
  if (reach_) plat::FreePages(reach_);
  extents_ = nullptr;
  reach_ = nullptr;
  capacity_ = 0;
}

bool TRmfPlaces::Reserve(size_t capacity) {
  if (capacity <= capacity_) return true;
  auto* extents = static_cast<Extent*>(plat::AllocPages(capacity * sizeof(Extent)));
  auto* reach = static_cast<uint64_t*>(plat::AllocPages(capacity * sizeof(uint64_t)));
  if (!extents || !reach) {
    if (extents) plat::FreePages(extents);
    if (reach) plat::FreePages(reach);
    return false;
  }
  if (count_) {
    std::memcpy(extents, extents_, count_ * sizeof(Extent));
    std::memcpy(reach, reach_, count_ * sizeof(uint64_t));
  }
  if (extents_) plat::FreePages(extents_);
  if (reach_) plat::FreePages(reach_);
  extents_ = extents;
  reach_ = reach;
  capacity_ = capacity;
  return true;
}

void TRmfPlaces::AreaFields(const RMF& h, DWORD header, BYTE out[kAreaFields]) {
  const BYTE* b = reinterpret_cast<const BYTE*>(&h);
  BYTE* o = out;
  auto take = [&](size_t offset, size_t size) {
    std::memcpy(o, b + offset, size);
    o += size;
  };
  take(offsetof(RMF, BlockColumns), 48);  // +64..+111: geometry, border, palette, table
  take(offsetof(RMF, FlagsPosition), 8);
  take(offsetof(RMF, LayerPosition), 8);
  take(offsetof(RMF, AdditionPosition), 8);
  take(offsetof(RMF, UnitShift), 1);
  std::memcpy(o, &header, 4);
}

bool TRmfPlaces::Describes(const RMF& h, DWORD header) const {
  if (!built_) return false;
  BYTE fields[kAreaFields];
  AreaFields(h, header, fields);
  for (int i = 0; i < imageCount_; ++i)
    if (images_[i].at == header) return std::memcmp(fields, images_[i].fields, kAreaFields) == 0;
  return false;
}

void TRmfPlaces::Start() {
  Drop();
  failed_ = false;
  imageCount_ = 0;
}

void TRmfPlaces::Image(const RMF& h, DWORD header) {
  if (imageCount_ == kImages) return;
  images_[imageCount_].at = header;
  AreaFields(h, header, images_[imageCount_].fields);
  ++imageCount_;
}

void TRmfPlaces::Add(uint64_t place, uint64_t length, uint64_t owner) {
  if (failed_ || length == 0) return;
  if (count_ == capacity_ && !Reserve(std::max<size_t>(1024, capacity_ * 2))) {
    failed_ = true;
    return;
  }
  extents_[count_++] = Extent{place, place + length, owner};
}

bool TRmfPlaces::Finish(const uint64_t fileLength[2]) {
  // Room for the places appended later: a quarter more than found, so
  // that building again when it is full costs little per place.
  if (failed_ || !Reserve(count_ + std::max<size_t>(64, count_ / 4))) {
    Drop();
    return false;
  }
  std::sort(extents_, extents_ + count_,
            [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
  uint64_t reach = 0;
  apart_ = true;
  for (size_t i = 0; i < count_; ++i) {
    Extent& e = extents_[i];
    const uint64_t part = e.begin >> kPartShift;
    if (part > 1 || e.end - (part << kPartShift) > fileLength[part]) e.owner = kNobody;
    if (e.owner == kNobody || e.begin < reach) apart_ = false;
    reach = std::max(reach, e.end);
    reach_[i] = reach;
  }
  found_ = count_;
  built_ = true;
  return true;
}

void TRmfPlaces::Appended(uint64_t place, uint64_t length, uint64_t owner) {
  if (!built_ || length == 0) return;
  const bool inOrder = count_ == found_ || extents_[count_ - 1].begin <= place;
  if (!inOrder || count_ == capacity_) {
    Drop();
    return;
  }
  const uint64_t end = place + length;
  extents_[count_] = Extent{place, end, owner};
  reach_[count_] = count_ == found_ ? end : std::max(reach_[count_ - 1], end);
  ++count_;
}

bool TRmfPlaces::OthersIn(size_t first, size_t last, uint64_t begin, uint64_t end,
                          uint64_t owner) const {
  // The places starting before `begin` meet it when the farthest of them
  // reaches past it (none can be the owner's own place, which starts at
  // `begin`); those starting inside are looked at one by one.
  const Extent* from = std::lower_bound(extents_ + first, extents_ + last, begin,
                                        [](const Extent& e, uint64_t b) { return e.begin < b; });
  const size_t i = size_t(from - extents_);
  if (i > first && reach_[i - 1] > begin) return true;
  for (size_t j = i; j < last && extents_[j].begin < end; ++j)
    if (extents_[j].owner != owner) return true;
  return false;
}

bool TRmfPlaces::Others(uint64_t place, uint64_t length, uint64_t owner) const {
  if (!built_) return true;
  const uint64_t end = place + length;
  return OthersIn(0, found_, place, end, owner) || OthersIn(found_, count_, place, end, owner);
}

bool TRmfPlaces::OtherImageIn(size_t first, size_t last, uint64_t begin, uint64_t end,
                              DWORD image) const {
  auto other = [image](const Extent& e) { return e.owner != kNobody && DWORD(e.owner >> 32) != image; };
  const Extent* from = std::lower_bound(extents_ + first, extents_ + last, begin,
                                        [](const Extent& e, uint64_t b) { return e.begin < b; });
  const size_t i = size_t(from - extents_);
  // Back from there while some place before reaches past `begin`: the
  // largest end up to each place says when none does any more.
  for (size_t j = i; j > first && reach_[j - 1] > begin; --j)
    if (extents_[j - 1].end > begin && other(extents_[j - 1])) return true;
  for (size_t j = i; j < last && extents_[j].begin < end; ++j)
    if (other(extents_[j])) return true;
  return false;
}

bool TRmfPlaces::OtherImage(uint64_t place, uint64_t length, DWORD image) const {
  if (!built_) return true;
  const uint64_t end = place + length;
  return OtherImageIn(0, found_, place, end, image) || OtherImageIn(found_, count_, place, end, image);
}
