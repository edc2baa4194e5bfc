// The blocked file object: buffers, the block cache, block reads and
// writes, and the block table.
#include <algorithm>
#include <cstring>

#include "common/maperr.h"
#include "platform/clock.h"
#include "platform/memory.h"
#include "platform/system.h"
#include "raster/rmf.h"
#include "raster/rmfpages.h"

namespace {

// The bound of the block stores of files opened from now on.
int64_t g_cacheLimit = TRmf::kDefaultCacheLimit;

// A block read within this long of its file's last change (100-ns units)
// is not kept: file systems stamp changes with a clock of coarse ticks, up
// to two seconds on some.
constexpr int64_t kSettled = 20000000;

// The latest time of a signal: its last write or change.
uint64_t Latest(const TRmf::UpdateSignal& s) {
  uint64_t t = 0;
  for (const plat::FileStamp& p : s.Part) t = std::max({t, p.writeTime, p.changeTime});
  return t;
}

// Fills `size` bytes with whole copies of the `width` bytes at `pattern`:
// one copy, then what is filled copied after itself.
void FillPattern(BYTE* b, DWORD size, const void* pattern, DWORD width) {
  const DWORD whole = size / width * width;
  if (!whole) return;
  std::memcpy(b, pattern, width);
  for (DWORD done = width; done < whole;) {
    const DWORD n = std::min(done, whole - done);
    std::memcpy(b + done, b, n);
    done += n;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Buffers

int64_t TRmf::CacheLimit(int64_t bytes) {
  const int64_t before = g_cacheLimit;
  if (bytes >= 0) g_cacheLimit = bytes;
  return before;
}

void TRmf::ClearBuffer() {
  for (int i = 0; i < kMaxSlots; ++i) {
    RMFSLOT& s = Slots[i];
    s.Number = -1;
    s.Row = s.Column = 0;
    s.Dirty = 0;
    s.Stamp = 0;
    s.Keep = 0;
    SlotEpoch[i] = 0;
  }
  CurrentSlot = 0;
  UseCounter = 0;
  LoneBlock = -1;
  DropWindow();
  Failed.Rows = 0;
  Store.Clear();
}

void TRmf::FreeBuffer() {
  ReleaseStore();
  rmfpages::Release(BlockMemory);
  BlockSize = 0;
  for (RMFSLOT& s : Slots) s.Buffer = nullptr;
  ClearBuffer();
}

void TRmf::ReleaseStore() {
  // The views go with the handles they were made of.
  Views[0].Close();
  Views[1].Close();
  ViewMisses = 0;
  // The slots may hold buffers of the store: each takes its own back.
  DropWindow();
  for (int i = 0; i < kMaxSlots; ++i) {
    Slots[i].Buffer = BlockMemory && i < SlotCount ? BlockMemory + size_t(i) * BlockSize : nullptr;
    Slots[i].Number = -1;
    Slots[i].Dirty = 0;
    SlotEpoch[i] = 0;
  }
  Store.Release();
}

void TRmf::ForgetStore() {
  Store.Clear();
  if (++StoreEpoch == 0) StoreEpoch = 1;
}

bool TRmf::ReadSignal(UpdateSignal* signal) const {
  *signal = UpdateSignal{};
  return Main && plat::GetFileStamp(Main, &signal->Part[0]) &&
         (!Cont || plat::GetFileStamp(Cont, &signal->Part[1]));
}

DWORD TRmf::StoreInStep() {
  if (!Store.Capacity()) return 0;
  UpdateSignal now;
  if (!ReadSignal(&now)) {
    ForgetStore();
    StoreSettled = 0;
    return 0;
  }
  if (now == StoreSignal && StoreSettled) return StoreEpoch;
  if (!(now == StoreSignal)) {
    ForgetStore();
    StoreSignal = now;
  }
  // Once settled, a signal that stays as it is stays settled: the clock is
  // read only for a new one.
  StoreSettled = plat::ReadClock().utc - int64_t(Latest(now)) >= kSettled;
  if (StoreSettled) return StoreEpoch;
  ForgetStore();
  return 0;
}

DWORD TRmf::StoreEpochNow() {
  Look& l = Looking;
  if (l.Depth && l.Taken && l.At == StoreEpoch) return l.Epoch;
  const DWORD epoch = StoreInStep();
  if (l.Depth) l = Look{l.Depth, true, epoch, StoreEpoch};
  return epoch;
}

void TRmf::DropReadBlocks() {
  if (!BlockMemory) return;
  DropWindow();
  Failed.Rows = 0;
  LoneBlock = -1;
  for (int i = 0; i < SlotCount; ++i) {
    const RMFSLOT& s = Slots[i];
    if (s.Number >= 0 && !s.Dirty && !s.Keep) ForgetReadSlot(i);
  }
}

void TRmf::ForgetReadSlot(int i) {
  Slots[i].Number = -1;
  Slots[i].Stamp = 0;
  SlotEpoch[i] = 0;
}

void TRmf::DropReadBlock(LONG number) {
  const int i = BlockMemory ? FindSlot(number) : -1;
  if (i < 0 || Slots[i].Dirty || Slots[i].Keep) return;
  DropWindow();
  if (LoneBlock == number) LoneBlock = -1;
  ForgetReadSlot(i);
}

bool TRmf::ExchangeSlot(int slot, DWORD epoch, LONG want) {
  RMFSLOT& s = Slots[slot];
  const bool keep = epoch != 0 && SlotEpoch[slot] == epoch && s.Number >= 0 && !s.Dirty &&
                    (!Pass || Store.Holds(want));
  bool found = false;
  DropWindow();
  s.Buffer = Store.Exchange(keep ? s.Number : -1, s.Buffer, epoch ? want : -1, &found);
  s.Number = -1;
  s.Dirty = 0;
  s.Stamp = 0;
  SlotEpoch[slot] = 0;
  return found;
}

int TRmf::AllocateBuffer(int count) {
  FreeBuffer();
  if (count < 1) return 0;
  if (!RmfGeometryValid(Head)) return Fail(MAPERR_DATA);
  const int slots = std::min(count, int(kMaxSlots));
  const DWORD size = DWORD(RmfRawSize(Head.BlockWidth, Head.BlockHeight, Head.BitsPerElement));
  BlockMemory = static_cast<BYTE*>(plat::AllocPages(size_t(size) * (slots + 1)));
  if (!BlockMemory) return Fail(MAPERR_MEMORY);
  BlockSize = size;
  SlotCount = slots;
  for (int i = 0; i < kMaxSlots; ++i) Slots[i].Buffer = i < slots ? BlockMemory + size_t(i) * size : nullptr;
  Store.Prepare(size, g_cacheLimit, BlockCount());
  ClearBuffer();
  MaskRowBits = (Head.BlockWidth + 31) / 32 * 32;
  if (!AllocateBlockMask(MaskRowBits / 8 * Head.BlockHeight)) return 0;
  return slots;
}

int TRmf::AllocateBlockDesc(int size) {
  if (size < 1 || !rmfpages::Grow(Table, size_t(size))) {
    Close(0);
    return Fail(MAPERR_MEMORY);
  }
  std::memset(Table, 0, size_t(size));
  TableSize = DWORD(size);
  // What was known of the blocks belonged to the table replaced.
  ForgetBadBlock(-1);
  ForgetStore();
  return 1;
}

int TRmf::AllocateBlockFlags(int size) {
  if (size == 0) {
    rmfpages::Release(Flags);
    FlagsSize = 0;
    return 1;
  }
  if (size < 0 || !rmfpages::Grow(Flags, size_t(size))) {
    Close(0);
    return Fail(MAPERR_MEMORY);
  }
  std::memset(Flags, 1, size_t(size));
  FlagsSize = DWORD(size);
  return 1;
}

int TRmf::AllocateBlockMask(int size) {
  if (size < 1 || !rmfpages::Grow(Mask, size_t(size))) {
    Close(0);
    return Fail(MAPERR_MEMORY);
  }
  std::memset(Mask, 0, size_t(size));
  MaskSize = DWORD(size);
  return 1;
}

int TRmf::AllocateBorderPoints(int size) {
  if (size < 1 || !rmfpages::Grow(BorderPoints, size_t(size))) {
    Close(0);
    return Fail(MAPERR_MEMORY);
  }
  BorderPointsSize = DWORD(size);
  return 1;
}

bool TRmf::EnsureBuffer() {
  if (BlockMemory && int64_t(BlockSize) == FullBlockSize()) return true;
  return AllocateBuffer(SlotCount) > 0;
}

// ---------------------------------------------------------------------------
// Block geometry and the table

int TRmf::BlockHeight(int blockRow) const {
  return blockRow == Head.BlockRows - 1 ? Head.LastHeight : Head.BlockHeight;
}

int TRmf::BlockWidth(int blockColumn) const {
  return blockColumn == Head.BlockColumns - 1 ? Head.LastWidth : Head.BlockWidth;
}

int TRmf::BlockRawLength(int blockRow, int blockColumn) const {
  return int(RmfRawSize(BlockWidth(blockColumn), BlockHeight(blockRow), Head.BitsPerElement));
}

bool TRmf::ValidBlock(int row, int col) {
  if (BlockCount() == 0 || row < 0 || col < 0 || row >= Head.BlockRows || col >= Head.BlockColumns)
    return Fail(MAPERR_INPUT);
  return true;
}

DWORD TRmf::BlockLength(int number) {
  if (!Table || number < 0 || number >= BlockCount() || DWORD(number + 1) * 8 > TableSize)
    return DWORD(Fail(MAPERR_DATA));
  return Table[number].Length;
}

DWORD TRmf::BlockPosition(int number) {
  if (!Table || number < 0 || number >= BlockCount() || DWORD(number + 1) * 8 > TableSize)
    return DWORD(Fail(MAPERR_DATA));
  return Table[number].Position;
}

DWORD TRmf::SetBlockLength(int number, DWORD value) {
  if (!Table || number < 0 || number >= BlockCount() || DWORD(number + 1) * 8 > TableSize)
    return DWORD(Fail(MAPERR_DATA));
  Table[number].Length = value;
  TableChanged = HeadChanged = 1;
  Store.Drop(number);  // kept as read from the entry replaced
  DropReadBlock(number);
  DropRowWindow();
  Places.Drop();
  return value;
}

DWORD TRmf::SetBlockPosition(int number, DWORD value) {
  if (!Table || number < 0 || number >= BlockCount() || DWORD(number + 1) * 8 > TableSize)
    return DWORD(Fail(MAPERR_DATA));
  Table[number].Position = value;
  TableChanged = HeadChanged = 1;
  Store.Drop(number);
  DropReadBlock(number);
  DropRowWindow();
  Places.Drop();
  return value;
}

int TRmf::BlockFlag(int number) {
  if (number < 0 || number >= BlockCount()) return Fail(MAPERR_DATA);
  if (!Flags || DWORD(number) >= FlagsSize) return 1;
  return Flags[number];
}

int TRmf::SetBlockFlag(int number, int flag) {
  if (number < 0 || number >= BlockCount()) return Fail(MAPERR_DATA);
  if (!Flags || DWORD(number) >= FlagsSize) return 0;
  Flags[number] = static_cast<signed char>(flag);
  FlagsChanged = HeadChanged = 1;
  return 1;
}

int TRmf::WhereBlock(RMFBLOCK& frame, int row, int col) {
  if (!ValidBlock(row, col)) return 0;
  frame.FirstRow = LONG(int64_t(row) * Head.BlockHeight);
  frame.FirstColumn = LONG(int64_t(col) * Head.BlockWidth);
  frame.LastRow = frame.FirstRow + BlockHeight(row) - 1;
  frame.LastColumn = frame.FirstColumn + BlockWidth(col) - 1;
  return 1;
}

// ---------------------------------------------------------------------------
// The cache

int TRmf::ChooseSlot() const {
  // The smallest stamp is carried along, not loaded again through `best`
  // at each slot: a chain of loads would cost a read of a block kept
  // behind the slots a quarter of its time.
  int best = -1;
  DWORD least = 0;
  for (int i = 0; i < SlotCount; ++i) {
    if (Slots[i].Keep) continue;
    if (best < 0 || Slots[i].Stamp < least) {
      best = i;
      least = Slots[i].Stamp;
    }
  }
  return best;
}

int TRmf::FindSlot(LONG number) const {
  if (!BlockMemory) return -1;
  for (int i = 0; i < SlotCount; ++i)
    if (Slots[i].Number == number) return i;
  return -1;
}

void TRmf::Stamp(int slot) {
  if (++UseCounter > 0x7FFFFFF0u) {
    for (RMFSLOT& s : Slots) s.Stamp = 0;
    UseCounter = 1;
  }
  Slots[slot].Stamp = UseCounter;
  CurrentSlot = slot;
  DropWindow();
}

void TRmf::RememberBadBlock(int number) {
  const DWORD need = DWORD(BlockCount()) * 8;
  if (number < 0 || uint64_t(number + 1) * 8 > need || uint64_t(number + 1) * 8 > TableSize) return;
  if (BadBlocksSize < need) {
    // Grown only for a table of more blocks, whose entries are all new.
    if (!rmfpages::Grow(BadBlocks, need)) return;
    std::memset(BadBlocks, 0, need);
    BadBlocksSize = need;
  }
  BadBlocks[number] = Table[number];
}

void TRmf::ForgetBadBlock(int number) {
  if (!BadBlocks) return;
  if (number < 0) {
    std::memset(BadBlocks, 0, BadBlocksSize);
  } else if (uint64_t(number + 1) * 8 <= BadBlocksSize) {
    BadBlocks[number] = RMFBLOCKDESC{0, 0};
  }
}

bool TRmf::ReadStored(int number, void* dest, DWORD size) {
  const DWORD position = Table[number].Position;
  if (ReadAt(position, dest, size)) return true;
  // Bytes that run past the end of their file are not there at the next
  // read either; a read that failed inside the file is tried again.
  RmfPlace place;
  const int64_t end = PartLength(position, &place);
  if (end >= 0 && place.offset + size > uint64_t(end)) RememberBadBlock(number);
  return false;
}

bool TRmf::LoadBlock(int number, int row, int col, BYTE* dest) {
  const DWORD raw = DWORD(BlockRawLength(row, col));
  const DWORD length = Table[number].Length;
  // A block that failed to decode, or whose bytes run past the end of the
  // file, fails again without being read: its bytes are what they were (a
  // read that failed is tried again).
  if (KnownBadBlock(number)) return Fail(MAPERR_READ);
  if (length == raw) return ReadStored(number, dest, raw);
  // Compressed: through the read buffer behind the slots.
  if (length > BlockSize) {
    RememberBadBlock(number);
    return Fail(MAPERR_READ);
  }
  if (!EnsureBuffer()) return false;
  char* packed = reinterpret_cast<char*>(BlockMemory) + size_t(SlotCount) * BlockSize;
  if (!ReadStored(number, packed, length)) return false;
  char* out = reinterpret_cast<char*>(dest);
  int got = 0;
  switch (Head.Compression) {
    case RMF_LZW: got = Coder.Decompress(packed, int(length), out, int(BlockSize)); break;
    case RMF_MATRIX: got = Coder.DecompressMtr(packed, int(length), out, int(BlockSize)); break;
    default: break;
  }
  if (DWORD(got) == raw) return true;
  RememberBadBlock(number);
  return Fail(MAPERR_READ);
}

int TRmf::ReadBlock(int row, int col) {
  if (!ValidBlock(row, col)) return -1;
  const int number = row * Head.BlockColumns + col;
  if (!Table || DWORD(number + 1) * 8 > TableSize) {
    Fail(MAPERR_DATA);
    return -1;
  }
  if (Table[number].Position == 0 || Table[number].Length == 0) return -1;
  // A block known not to decode takes no slot from the blocks cached.
  if (KnownBadBlock(number)) {
    Fail(MAPERR_READ);
    return -1;
  }
  if (!EnsureBuffer()) return -1;
  const int slot = ChooseSlot();
  if (slot < 0) {
    Fail(MAPERR_MEMORY);  // every slot is kept
    return -1;
  }
  RMFSLOT& s = Slots[slot];
  if (s.Dirty && IsWritable() && !WriteBlock(slot)) return -1;
  // Asked after the write above, which empties the store; a pass asks
  // only while the store has blocks to give.
  const DWORD epoch = Pass && !Store.Count() ? 0 : StoreEpochNow();
  if (!ExchangeSlot(slot, epoch, number) && !LoadBlock(number, row, col, s.Buffer)) return -1;
  SlotEpoch[slot] = epoch;
  Stamp(slot);
  s.Number = number;
  s.Row = row;
  s.Column = col;
  return slot;
}

BYTE* TRmf::GetBlockAddress(int row, int col) {
  if (!ValidBlock(row, col)) return nullptr;
  const LONG number = row * Head.BlockColumns + col;
  if (BlockMemory && Slots[CurrentSlot].Number == number) return Slots[CurrentSlot].Buffer;
  int slot = FindSlot(number);
  if (slot >= 0) {
    Stamp(slot);
    return Slots[slot].Buffer;
  }
  slot = ReadBlock(row, col);
  return slot < 0 ? nullptr : Slots[slot].Buffer;
}

BYTE* TRmf::GetBlockAddressAndCreate(int row, int col) {
  const int before = Error;
  Error = 0;
  BYTE* block = GetBlockAddress(row, col);
  if (block || Error) {
    // A block that is there but cannot be read is not replaced by an empty
    // one: that would lose it at the next Save.
    if (!Error) Error = before;
    return block;
  }
  Error = before;
  return NewBlock(row, col);
}

BYTE* TRmf::NewBlock(int row, int col) {
  if (!EnsureBuffer()) return nullptr;
  const int slot = ChooseSlot();
  if (slot < 0) {
    Fail(MAPERR_MEMORY);
    return nullptr;
  }
  RMFSLOT& s = Slots[slot];
  if (s.Dirty && IsWritable() && !WriteBlock(slot)) return nullptr;
  // The block given up goes to the store when it may (the file is asked
  // only then).
  ExchangeSlot(slot, s.Number >= 0 && SlotEpoch[slot] && !Pass ? StoreEpochNow() : 0, -1);
  if (!BufferBlockInit(slot)) return nullptr;
  Stamp(slot);
  s.Number = row * Head.BlockColumns + col;
  s.Row = row;
  s.Column = col;
  s.Dirty = 1;
  return s.Buffer;
}

int TRmf::BufferBlockInit(int slot) {
  if (slot < 0 || slot >= SlotCount || !BlockMemory) return Fail(MAPERR_INPUT);
  BYTE* b = Slots[slot].Buffer;
  if (Head.Ident == RMF_RSW) {
    std::memset(b, 0, BlockSize);
    return 1;
  }
  const double empty = Head.EmptyValue;
  const LONG value = RmfTruncate(empty);
  if (Head.Ident == RMF_MTL) {
    std::memset(b, 0xFF, BlockSize);
    const DWORD record = DWORD(Head.BitsPerElement / 8);
    const DWORD height = DWORD(RecordHeight);
    if ((height == 2 || height == 4) && height <= record) {
      const int16_t half = int16_t(value);
      const void* from = height == 2 ? static_cast<const void*>(&half) : &value;
      for (DWORD i = 0; i + record <= BlockSize; i += record) std::memcpy(b + i, from, height);
    }
    return 1;
  }
  switch (Head.BitsPerElement) {
    case 8: std::memset(b, BYTE(value), BlockSize); break;
    case 16: {
      const int16_t v = int16_t(value);
      FillPattern(b, BlockSize, &v, 2);
      break;
    }
    case 32: FillPattern(b, BlockSize, &value, 4); break;
    case 64: FillPattern(b, BlockSize, &empty, 8); break;
    default: return Fail(MAPERR_DATA);
  }
  return 1;
}

BYTE* TRmf::LockBlockAddress(int row, int col) {
  BYTE* block = GetBlockAddress(row, col);
  if (block) Slots[CurrentSlot].Keep = 1;
  return block;
}

void TRmf::UnlockBlocks() {
  for (RMFSLOT& s : Slots) s.Keep = 0;
}

void TRmf::BlockChanged(int slot) {
  if (slot < 0 || slot >= SlotCount || !BlockMemory || Slots[slot].Number < 0) return;
  RMFSLOT& s = Slots[slot];
  s.Dirty = 1;
  const int number = s.Number;
  if (Table && DWORD(number + 1) * 8 <= TableSize &&
      Table[number].Length != DWORD(BlockRawLength(s.Row, s.Column))) {
    Table[number] = RMFBLOCKDESC{0, 0};
    TableChanged = HeadChanged = 1;
  }
}

// ---------------------------------------------------------------------------
// Block transfers

int TRmf::WriteBlock(int slot) {
  if (slot < 0 || slot >= SlotCount || !BlockMemory || Slots[slot].Number < 0)
    return Fail(MAPERR_INPUT);
  RMFSLOT& s = Slots[slot];
  const int written = WriteBlock(s.Row, s.Column, reinterpret_cast<const char*>(s.Buffer),
                                 BlockRawLength(s.Row, s.Column));
  if (written <= 0) return 0;
  s.Dirty = 0;
  return written;
}

int TRmf::SaveBlock(int row, int col) {
  if (!ValidBlock(row, col)) return 0;
  const int slot = FindSlot(row * Head.BlockColumns + col);
  if (slot < 0 || !Slots[slot].Dirty) return 1;
  return WriteBlock(slot) > 0 ? 1 : 0;
}

int TRmf::SaveBuffer() {
  if (!BlockMemory) return 1;
  for (int i = 0; i < SlotCount; ++i)
    if (Slots[i].Number >= 0 && Slots[i].Dirty && WriteBlock(i) <= 0) return 0;
  return 1;
}

int TRmf::ReadBlock(int row, int col, char* buffer, int length) {
  if (!ValidBlock(row, col)) return 0;
  if (!buffer || length < 1) return Fail(MAPERR_INPUT);
  const int number = row * Head.BlockColumns + col;
  const int raw = BlockRawLength(row, col);
  const int slot = FindSlot(number);
  if (slot >= 0) {
    const int n = std::min(length, raw);
    std::memcpy(buffer, Slots[slot].Buffer, size_t(n));
    return n;
  }
  if (!Table || DWORD(number + 1) * 8 > TableSize) return Fail(MAPERR_DATA);
  if (Table[number].Position == 0 || Table[number].Length == 0) return 0;
  const int n = std::min(length, raw);
  if (Table[number].Length == DWORD(raw)) {
    if (KnownBadBlock(number)) return Fail(MAPERR_READ);
    return ReadStored(number, buffer, DWORD(n)) ? n : 0;
  }
  if (!EnsureBuffer()) return 0;
  // Decoding needs a whole block of room.
  BYTE* out = reinterpret_cast<BYTE*>(buffer);
  BYTE* temp = nullptr;
  if (DWORD(length) < BlockSize) {
    temp = static_cast<BYTE*>(plat::AllocPages(BlockSize));
    if (!temp) return Fail(MAPERR_MEMORY);
    out = temp;
  }
  const bool ok = LoadBlock(number, row, col, out);
  if (ok && temp) std::memcpy(buffer, temp, size_t(n));
  if (temp) plat::FreePages(temp);
  return ok ? n : 0;
}

int TRmf::WriteBlock(int row, int col, const char* data, int length) {
  if (!ValidBlock(row, col)) return 0;
  if (!data || length < 1 || length > FullBlockSize()) return Fail(MAPERR_INPUT);
  if (!IsWritable()) return 0;
  const int number = row * Head.BlockColumns + col;
  if (!Table || DWORD(number + 1) * 8 > TableSize) return Fail(MAPERR_DATA);
  const DWORD size = DWORD(std::min(length, BlockRawLength(row, col)));
  RMFBLOCKDESC& entry = Table[number];
  if (entry.Position && entry.Length >= size &&
      PlaceIsFree(entry.Position, entry.Length, BlockOwner(number))) {
    if (!WriteAt(entry.Position, data, size)) return 0;
  } else {
    const DWORD at = Append(data, size, BlockOwner(number));
    if (!at) return 0;
    entry.Position = at;
  }
  entry.Length = size;
  TableChanged = HeadChanged = 1;
  ForgetBadBlock(number);
  // A cached copy of the block is older than what was written: dropped,
  // so that it is neither read nor saved over the new data.
  const int slot = FindSlot(number);
  if (slot >= 0 && Slots[slot].Buffer != reinterpret_cast<const BYTE*>(data)) {
    Slots[slot].Number = -1;
    Slots[slot].Dirty = 0;
    Slots[slot].Stamp = 0;
    DropWindow();
  }
  return int(size);
}
