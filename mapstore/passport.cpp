// The map passport file: passport and sheet table.
#include "mapstore/passport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "classifier/rscwrite.h"
#include "common/codepage.h"
#include "common/filename.h"
#include "common/heldfiles.h"
#include "common/maperr.h"
#include "common/maperror.h"
#include "mapstore/sheetview.h"
#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/lockwait.h"
#include "platform/path.h"
#include "platform/vfs.h"

namespace {

// Longitude of 354 degrees east and the axis meridian of 357 degrees that a
// topographic map starting there takes.
const double kLastZoneStart = 6.178463806730675;
const double kLastZoneAxis = 6.230825429619756;

// Largest table the 32-bit table size can describe.
const int64_t kMaxLists = INT32_MAX / LISTDESC_LENGTH;

// Texts read from a file end inside their fields whatever the file held:
// callers take them as zero-terminated strings.
template <size_t N>
void EndText(char (&field)[N]) {
  field[N - 1] = 0;
}

constexpr size_t kSheetNameField = sizeof(LISTDESC::NameHDR);
constexpr int kSheetNames = 4;

// The four file names of a sheet record: HDR, DAT, SEM, GRA.
struct SheetNames {
  explicit SheetNames(const LISTDESC* list)
      : name{list->NameHDR, list->NameDAT, list->NameSEM, list->NameGRA} {}
  const char* name[kSheetNames];
};

// The name of the classifier's backup copy ("" when it has none).
void BackupName(const char* rsc, char (&backup)[MAX_PATH]) {
  if (!rscBackupName(rsc, backup, MAX_PATH)) backup[0] = 0;
}

enum : DWORD {
  COUNTER_AT = offsetof(MAPPASSPORT, ModeCounter),
  COUNTER_LENGTH = sizeof(uint32_t),
  // The word that tells of raisers on the lock way; its lock is held
  // shared by each of them.
  LOCKWAY_AT = offsetof(MAPPASSPORT, CounterLockWay),
  LOCKWAY_LENGTH = sizeof(uint32_t),
  // The 16 aligned bytes that hold both words, and the view's length.
  COUNTER_BLOCK = 16,
  COUNTER_VIEW_LENGTH = LOCKWAY_AT + LOCKWAY_LENGTH,
  // The counter's and the word's places among the block's four words.
  WORD_COUNTER = (COUNTER_AT - COUNTER_BLOCK) / 4,
  WORD_LOCKWAY = (LOCKWAY_AT - COUNTER_BLOCK) / 4,
  COUNTER_LOCK_TRIES = 500,
  COUNTER_LOCK_PAUSE = 10,  // milliseconds
};
static_assert(COUNTER_AT / COUNTER_BLOCK == 1 && LOCKWAY_AT / COUNTER_BLOCK == 1,
              "the counter and the lock-way word share one 16-byte block");
static_assert(offsetof(MAPPASSPORT, ListCount) % 4 == 0 &&
                  offsetof(MAPPASSPORT, ListCount) + 4 <= COUNTER_VIEW_LENGTH,
              "the file's count of sheet records is a word ReadPassportWord reads");

// The raise through the view: the counter goes up by one and the word
// beside it names the chain the raise keeps, or (`*restart`, or a chain not
// intact or grown too long) a new one starting before this raise. A word
// marked for the lock way declines it.
bool RaiseStep(const uint32_t (&held)[4], uint32_t (&made)[4], void* restart) {
  const uint32_t word = held[WORD_LOCKWAY];
  if ((word & chain::LOCKWAY) != 0) return false;
  const uint32_t counter = held[WORD_COUNTER], next = counter + 1;
  uint32_t start = counter;
  if (*static_cast<const int*>(restart) == 0 && chain::Intact(counter, word)) {
    const uint32_t s = chain::Start(counter, word);
    if (next - s < chain::LENGTH) start = s;
  }
  std::memcpy(made, held, sizeof(made));
  made[WORD_COUNTER] = next;
  made[WORD_LOCKWAY] = chain::Word(start, next);
  return true;
}

void EndTexts(LISTREGISTER& r) {
  EndText(r.Nomenclature);
  EndText(r.Name);
  EndText(r.FileName);
  EndText(r.Date);
  EndText(r.DateAngle);
}

}  // namespace

TMapPassport::TMapPassport() {
  std::memset(&Passport, 0, sizeof(Passport));
  Passport.Register.IsRealPlace = 1;
}

TMapPassport::~TMapPassport() { ClosePassport(); }

void TMapPassport::Report(int code, const char* name) {
  Error = code;
  if (Reporter) Reporter->ErrorMessage(code, name ? name : Path);
}

void TMapPassport::FreeLists() {
  extents_.Forget();
  sheetNames_.reset();
  if (Lists) plat::FreePages(Lists);
  Lists = nullptr;
  ListsSize = 0;
}

LISTDESC* TMapPassport::List(int n) {
  if (!Lists || n < 1 || n > Passport.ListCount || n > Capacity()) return nullptr;
  return &Lists[n - 1];
}

void TMapPassport::ClosePassport() {
  // A change of this map's that others were not told of yet is told now.
  if (File && counterOwed_) RaiseChangeCounter();
  counterOwed_ = 0;
  raisedHere_ = 0;
  LeaveLockWay();
  if (counterFile_) plat::CloseHandle(counterFile_);
  counterFile_ = nullptr;
  counterFileTried_ = 0;
  if (counterView_ != nullptr) plat::UnmapViewOfFile(counterView_);
  counterView_ = nullptr;
  counterLockOnly_ = 0;
  CloseTableView();
  tableViewRefused_ = 0;
  chainKnown_ = tableChainKnown_ = restartChain_ = 0;
  recordsInFile_ = 0;
  changing_.clear();
  extents_.Unshare();
  if (File) plat::CloseHandle(File);
  File = nullptr;
  FreeLists();
  std::memset(&Passport, 0, sizeof(Passport));
  Passport.Register.IsRealPlace = 1;
  PassportChanged = 0;
  fileKoi8_ = 0;
}

void TMapPassport::NewPassport() {
  std::memset(&Passport, 0, sizeof(Passport));
  Passport.Ident = PASSPORT_IDENT;
  Passport.Length = PASSPORT_LENGTH;
  Passport.Version = PASSPORT_VERSION;
  Passport.Mark = PASSPORT_MARK;
}

// ---------------------------------------------------------------------------
// The change counter

HANDLE TMapPassport::CounterFile() {
  // The counter tells other openers of the map that something changed, for
  // as long as they have it open: it needs the file's pages, not the disk,
  // and a write-through write of it would cost every change (outside edit
  // mode most of an append's time) a wait for the disk. The map file's own
  // handle serves where a handle of the counter's own cannot be had.
  if (counterFile_ == nullptr && !counterFileTried_) {
    counterFileTried_ = 1;
    const HANDLE h = plat::CreateFileA(Path, GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) counterFile_ = h;
  }
  return counterFile_ != nullptr ? counterFile_ : File;
}

TMapPassport::CounterWay TMapPassport::ChooseCounterWay() {
  if (File == nullptr) return COUNTER_NONE;
  // The fault layer of the tests is to see (and fail) every read and
  // write of a raise.
  if (!plat::ViewsAllowed()) return COUNTER_LOCK;
  if (counterView_ != nullptr) {
    // Back from the lock way the fault layer kept it on.
    if (lockWay_) LeaveLockWay();
    return COUNTER_VIEW;
  }
  if (counterLockOnly_) return COUNTER_LOCK;
  // A file that ends before the counter's block is a map being made:
  // nobody has seen a value of it, and the passport goes out whole under
  // the lock.
  if (plat::FileLength(File) < COUNTER_VIEW_LENGTH) return COUNTER_LOCK;
  if (!plat::FileViewsShared(File)) {
    counterLockOnly_ = 1;
    return COUNTER_LOCK;
  }
  const bool writable = IsWritable() != 0;
  const HANDLE mapping = plat::CreateFileMappingA(
      File, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY, 0, 0, nullptr);
  void* view = mapping != nullptr ? plat::MapViewOfFile(mapping,
                                                        writable ? FILE_MAP_WRITE : FILE_MAP_READ,
                                                        0, 0, COUNTER_VIEW_LENGTH)
                                  : nullptr;
  if (mapping != nullptr) plat::CloseHandle(mapping);
  if (view != nullptr) {
    counterView_ = static_cast<char*>(view);
    // A raiser on the lock way that ended without leaving it left the
    // word set.
    uint32_t mark = 0;
    if (writable && LoadWordFromView(counterView_ + LOCKWAY_AT, &mark) &&
        (mark & chain::LOCKWAY) != 0)
      ClearLockWayAlone(CounterFile());
    return COUNTER_VIEW;
  }
  // Whatever refused the view (a file system that cannot map, no address
  // space left), the lock serves: raisers in views learn of this one
  // (JoinLockWay) and take the lock too.
  counterLockOnly_ = 1;
  return COUNTER_LOCK;
}

bool TMapPassport::JoinLockWay() {
  if (lockWay_) return true;
  const HANDLE file = CounterFile();
  // Held shared by every raiser on the lock way; taken alone only for a
  // moment by one that clears the word.
  if (!plat::LockFileWaiting(file, LOCKWAY_AT, LOCKWAY_LENGTH, COUNTER_LOCK_TRIES,
                             COUNTER_LOCK_PAUSE, true)) {
    counterLockRefused_ = 1;
    return false;
  }
  // Set before this raiser reads the counter: a raise in a view from then
  // on takes the lock.
  const uint32_t mark = 1;
  if (!plat::WriteExactAt(file, LOCKWAY_AT, &mark, LOCKWAY_LENGTH)) {
    plat::UnlockFile(file, LOCKWAY_AT, 0, LOCKWAY_LENGTH, 0);
    return false;
  }
  lockWay_ = 1;
  return true;
}

void TMapPassport::LeaveLockWay() {
  if (!lockWay_) return;
  lockWay_ = 0;
  const HANDLE file = CounterFile();
  plat::UnlockFile(file, LOCKWAY_AT, 0, LOCKWAY_LENGTH, 0);
  ClearLockWayAlone(file);
}

void TMapPassport::ClearLockWayAlone(HANDLE file) {
  // Nobody else on the lock way (each holds the lock shared), and nobody
  // joins while the lock is held here.
  if (!plat::LockFile(file, LOCKWAY_AT, 0, LOCKWAY_LENGTH, 0)) return;
  const uint32_t clear = 0;
  plat::WriteExactAt(file, LOCKWAY_AT, &clear, LOCKWAY_LENGTH);
  plat::UnlockFile(file, LOCKWAY_AT, 0, LOCKWAY_LENGTH, 0);
}

bool TMapPassport::ReadPassportWord(DWORD at, uint32_t* value) {
  if (File == nullptr || at % 4 != 0 || at + 4 > COUNTER_VIEW_LENGTH) return false;
  if (ChooseCounterWay() == COUNTER_VIEW) return LoadWordFromView(counterView_ + at, value);
  return plat::ReadExactAt(File, at, value, sizeof(*value));
}

bool TMapPassport::ReadChangeCounter(DWORD* counter) {
  static_assert(sizeof(DWORD) == COUNTER_LENGTH, "the counter is one word");
  return ReadPassportWord(COUNTER_AT, counter);
}

bool TMapPassport::ReadCounterAndWord(DWORD* counter, uint32_t* word) {
  if (File == nullptr) return false;
  *word = 0;
  if (ChooseCounterWay() != COUNTER_VIEW)
    return plat::ReadExactAt(File, COUNTER_AT, counter, COUNTER_LENGTH);
  // The word, the counter and the word again: a raise between the two
  // looks shows as a word that changed (each raise stores a new one).
  for (int tries = 0; tries < 8; ++tries) {
    uint32_t before = 0, after = 0;
    if (!LoadWordFromView(counterView_ + LOCKWAY_AT, &before) ||
        !LoadWordFromView(counterView_ + COUNTER_AT, counter) ||
        !LoadWordFromView(counterView_ + LOCKWAY_AT, &after))
      return false;
    if (before == after) {
      *word = after;
      return true;
    }
  }
  // Raises without a pause: the counter, and no chain.
  *word = 0;
  return LoadWordFromView(counterView_ + COUNTER_AT, counter);
}

void TMapPassport::NoteChain(DWORD counter, uint32_t word) {
  chainKnown_ = counterView_ != nullptr && chain::Intact(counter, word);
  if (chainKnown_) chainStart_ = chain::Start(counter, word);
}

bool TMapPassport::ObserveChangeCounter() {
  extents_.Look();
  if (counterOwed_) RaiseChangeCounter();
  DWORD counter = 0;
  uint32_t word = 0;
  if (!ReadCounterAndWord(&counter, &word)) {
    ++counterSpan_;
    chainKnown_ = 0;
    return false;
  }
  if (counter != seenCounter_) {
    seenCounter_ = counter;
    ++counterSpan_;
  }
  NoteChain(counter, word);
  return true;
}

void TMapPassport::CounterFound(DWORD counter) {
  // Another writer raised it since this map last saw it: what the map read
  // before may be out of step.
  if (counter != seenCounter_) ++counterSpan_;
  if (counter != Passport.ModeCounter) movedElsewhere_ = 1;
  seenCounter_ = Passport.ModeCounter = counter;
}

DWORD TMapPassport::RaiseChangeCounter(bool passport, bool* written) {
  bool done = false;
  if (written == nullptr) written = &done;
  *written = false;
  if (File == nullptr || !IsWritable()) return ++Passport.ModeCounter;
  bool raised = false;
  // A raise that failed in the file is tried once more; one that waited
  // the whole wait for a lock another writer holds is not, nor a save,
  // whose failure its caller hears of and has reported.
  const int attempts = passport ? 1 : 2;
  for (int attempt = 0; attempt < attempts && !raised && !counterLockRefused_; ++attempt) {
    switch (ChooseCounterWay()) {
      case COUNTER_VIEW:
        raised = RaiseInView(passport, written);
        break;
      case COUNTER_LOCK:
        raised = RaiseUnderLock(passport, written);
        break;
      default:
        Error = MAPERR_WRITE;
        break;
    }
  }
  counterLockRefused_ = 0;
  if (raised) {
    counterOwed_ = 0;
    raisedHere_ = 1;
  } else {
    // Without the file's value no new one is given: one taken from memory
    // may be a value another writer gave the counter before, and those who
    // saw it would miss every change since. Others are told of this
    // change by the next raise (at the latest when the map closes); the
    // file keeps its value, and the map cannot vouch for its span.
    counterOwed_ = 1;
    ++counterSpan_;
    *written = false;
  }
  return Passport.ModeCounter;
}

bool TMapPassport::RaiseForChange() {
  if (File == nullptr || !IsWritable()) {
    ++Passport.ModeCounter;
    return true;
  }
  bool raised = false;
  RaiseChangeCounter(false, &raised);
  return raised;
}

bool TMapPassport::RaiseInView(bool passport, bool* written) {
  // What the counter tells of goes out first: a reader that finds the new
  // value reads what it stands for.
  const bool passportOut = !passport || WritePassport(false) != 0;
  // A save wrote the sheet table (whose records another map may hold
  // otherwise), a record of an older build was taken over: a new chain.
  int restart = passport || restartChain_ ? 1 : 0;
  uint32_t words[4] = {};
  DWORD before = 0;
  bool chained = false;
  switch (ExchangeBlockInView(counterView_ + COUNTER_BLOCK, RaiseStep, &restart, words)) {
    case ViewRaise::Raised:
      before = words[WORD_COUNTER];
      chained = true;
      break;
    case ViewRaise::Marked:
      if (RaiseInViewUnderLock(&before)) break;
      Error = MAPERR_WRITE;
      return false;
    default:
      // The file was cut short under the view.
      Error = MAPERR_WRITE;
      return false;
  }
  CounterFound(before);
  seenCounter_ = Passport.ModeCounter = before + 1;
  *written = passportOut;
  if (!chained) {
    chainKnown_ = 0;
    return true;
  }
  // What this map knew in the chain it saw last holds on when its own
  // raise follows straight on from it, in a new chain too.
  uint32_t made[4];
  RaiseStep(words, made, &restart);
  const uint32_t start = chain::Start(before + 1, made[WORD_LOCKWAY]);
  const bool kept = chainKnown_ && chain::Intact(before, words[WORD_LOCKWAY]) &&
                    chain::Start(before, words[WORD_LOCKWAY]) == chainStart_;
  if (kept && start != chainStart_) {
    extents_.Retag(chainStart_, start);
    if (tableChainKnown_ && tableChain_ == chainStart_) tableChain_ = start;
  }
  // The table as this map wrote it is the one of the new chain.
  if (passport) {
    tableChainKnown_ = 1;
    tableChain_ = start;
  }
  chainKnown_ = 1;
  chainStart_ = start;
  if (restart) {
    restartChain_ = 0;
    TakenOverSheetsSettled();
  }
  return true;
}

bool TMapPassport::RaiseInViewUnderLock(DWORD* before) {
  const HANDLE file = CounterFile();
  if (!plat::LockFileWaiting(file, COUNTER_AT, COUNTER_LENGTH, COUNTER_LOCK_TRIES,
                             COUNTER_LOCK_PAUSE)) {
    counterLockRefused_ = 1;
    return false;
  }
  const bool added = AddToWordInView(counterView_ + COUNTER_AT, 1, before);
  plat::UnlockFile(file, COUNTER_AT, 0, COUNTER_LENGTH, 0);
  // A raise beside the lock way keeps no chain.
  chainKnown_ = 0;
  // The word stays set after a raiser on the lock way that ended without
  // leaving it; the views take the lock until somebody clears it.
  if (added) ClearLockWayAlone(file);
  return added;
}

bool TMapPassport::RaiseUnderLock(bool passport, bool* written) {
  const HANDLE file = CounterFile();
  // Raisers in views learn of this one before it reads the counter (a map
  // being made, whose file ends before the counter's block, has none). A
  // raise that cannot join, or cannot have the lock within its wait
  // (another writer holds it between its read and its write of the
  // counter, or stopped there), neither reads nor writes: a value read now
  // could be one given again. The passport goes out without the counter,
  // whose raise is owed.
  const bool made = !lockWay_ && plat::FileLength(File) < COUNTER_VIEW_LENGTH;
  bool locked = made || JoinLockWay();
  if (locked && !plat::LockFileWaiting(file, COUNTER_AT, COUNTER_LENGTH, COUNTER_LOCK_TRIES,
                                       COUNTER_LOCK_PAUSE)) {
    counterLockRefused_ = 1;
    locked = false;
  }
  if (!locked) {
    if (passport) WritePassport(false);
    Error = MAPERR_WRITE;
    return false;
  }
  // A file that ends before the counter is a map being made: nobody has
  // seen a value of it, and the passport's copy is the one to raise.
  DWORD counter = Passport.ModeCounter, got = 0;
  const bool read = plat::ReadAt(file, COUNTER_AT, &counter, COUNTER_LENGTH, &got) &&
                    (got == COUNTER_LENGTH || got == 0);
  bool raised = false;
  if (read) {
    CounterFound(counter);
    const DWORD next = counter + 1;
    if (passport) {
      Passport.ModeCounter = next;
      raised = WritePassport(true) != 0;
    } else {
      raised = plat::WriteExactAt(file, COUNTER_AT, &next, COUNTER_LENGTH);
    }
    // (A passport that failed to go out has reported why.)
    if (!raised && !passport) Error = MAPERR_WRITE;
    seenCounter_ = Passport.ModeCounter = raised ? next : counter;
  } else if (passport) {
    Report(MAPERR_READ);
  } else {
    Error = MAPERR_READ;
  }
  *written = raised;
  plat::UnlockFile(file, COUNTER_AT, 0, COUNTER_LENGTH, 0);
  // A raise on the lock way keeps no chain.
  chainKnown_ = 0;
  return raised;
}

void TMapPassport::TakeCounterFromPassport() {
  seenCounter_ = Passport.ModeCounter;
  movedElsewhere_ = 0;
  ++counterSpan_;
  // The sheet table read right after the passport belongs to the chain
  // the passport names (a save that wrote it since started another one).
  tableChainKnown_ = chain::Intact(Passport.ModeCounter, Passport.CounterLockWay);
  if (tableChainKnown_) tableChain_ = chain::Start(Passport.ModeCounter, Passport.CounterLockWay);
}

// ---------------------------------------------------------------------------

int TMapPassport::OpenPassport(const char* name) {
  ClosePassport();
  if (!name || !*name || std::strlen(name) >= MAX_PATH) {
    Report(MAPERR_OPEN, name ? name : "");
    return 0;
  }
  ShareMode = FILE_SHARE_READ | FILE_SHARE_WRITE;
  bool writable = false;
  HANDLE file = plat::OpenExisting(name, (AccessMode & GENERIC_WRITE) != 0, ShareMode,
                                   FILE_FLAG_WRITE_THROUGH, &writable);
  if (!writable) AccessMode = MAPACCESS_READ;
  if (file == INVALID_HANDLE_VALUE) {
    Report(MAPERR_OPEN, name);
    return 0;
  }
  File = file;

  // The passport: a version 0x700 passport must be whole and carry its
  // signature and mark; an older one is recognised by its register length.
  DWORD got = 0;
  if (!plat::ReadAt(File, 0, &Passport, PASSPORT_LENGTH, &got)) {
    ClosePassport();
    Report(MAPERR_READ, name);
    return 0;
  }
  int code = MAPERR_DATA;
  if (got >= 128) {
    uint16_t oldRegister;
    std::memcpy(&oldRegister, reinterpret_cast<const char*>(&Passport) + 80, 2);
    if (Passport.Version == PASSPORT_VERSION) {
      if (got == PASSPORT_LENGTH && Passport.Ident == PASSPORT_IDENT &&
          Passport.Mark == PASSPORT_MARK)
        code = 0;
    } else if (oldRegister == PASSPORT_OLDREGISTER && Passport.Ident == PASSPORT_IDENT) {
      code = MAPERR_OLDVERSION;
    }
  }
  if (code) {
    ClosePassport();
    Report(code, name);
    return 0;
  }

  char drive[MAX_DRIVE], dir[MAX_DIR], fname[MAX_FNAME], ext[MAX_EXT];
  plat::SplitPath(name, drive, dir, fname, ext);
  plat::MakePath(Folder, sizeof(Folder), drive, dir, nullptr, nullptr);
  plat::MakePath(FileName, sizeof(FileName), nullptr, nullptr, fname, ext);
  std::strncpy(Path, name, sizeof(Path) - 1);
  Path[sizeof(Path) - 1] = 0;

  EndText(Passport.Register.Name);
  EndText(Passport.RscName);
  EndText(Passport.GroupName);
  fileKoi8_ = Passport.Koi8 == 1;
  int count = Passport.ListCount;
  if (!AllocateLists(count, count)) {
    int error = Error;
    ClosePassport();
    Error = error;
    return 0;
  }

  // Texts stored in KOI-8 are kept in code page 1251 from now on; the
  // passport says so, so that a save writes them consistently.
  if (fileKoi8_) cpKoi82Win(Passport.Register.Name, sizeof(Passport.Register.Name));
  Passport.Koi8 = 0;

  // A user map holds one sheet: its objects are always read from sheet 1.
  // The files the map names lie in its folder, each under a name of its
  // own; a sheet's names are checked when the sheet is opened.
  if ((Passport.Register.IsRealPlace != 0 && count > 1) || !MapNamesUsable()) {
    ClosePassport();
    Report(MAPERR_DATA, name);
    return 0;
  }

  // A topographic map whose first sheet begins at 354 degrees east or more
  // lies in the last zone.
  MAPREGISTEREX& reg = Passport.Register;
  if (reg.IsRealPlace == 0 && reg.MapType == MAPTYPE_TOPOGRAPHIC) {
    if (count >= 1 && Lists[0].Register.LSouthWestCoordinate >= kLastZoneStart)
      reg.AxisMeridian = kLastZoneAxis;
    reg.DataProjection = 1;
  }
  TakeCounterFromPassport();
  extents_.Share(Path);
  Error = 0;
  return 1;
}

// ---------------------------------------------------------------------------
// Names of the map's files

int TMapPassport::JoinFolderName(const char* folder, const char* name, size_t field, char* out,
                                 size_t size) {
  if (out == nullptr || size == 0) return 0;
  out[0] = 0;
  if (folder == nullptr || !IsPlainFileName(name, field)) return 0;
  const size_t f = strnlen(folder, MAX_PATH);
  const size_t n = std::strlen(name);
  const bool separator = f > 0 && !plat::IsPathSeparator(folder[f - 1]);
  if (f + (separator ? 1 : 0) + n + 1 > size) return 0;
  std::memcpy(out, folder, f);
  size_t at = f;
  if (separator) out[at++] = '\\';
  std::memcpy(out + at, name, n + 1);
  return 1;
}

int TMapPassport::MapNamesUsable() const {
  const char* rsc = Passport.RscName;
  const char* group = Passport.GroupName;
  char backup[MAX_PATH] = "";
  if (rsc[0] != 0) {
    if (!IsPlainFileName(rsc, sizeof(Passport.RscName)) || IsSameNameInFolder(rsc, FileName))
      return 0;
    // A save of the classifier deletes its backup copy first.
    BackupName(rsc, backup);
    if (!backup[0] || IsSameNameInFolder(backup, rsc) || IsSameNameInFolder(backup, FileName))
      return 0;
  }
  if (group[0] == 0) return 1;
  return IsPlainFileName(group, sizeof(Passport.GroupName)) &&
         !IsSameNameInFolder(group, FileName) && !IsSameNameInFolder(group, rsc) &&
         !IsSameNameInFolder(group, backup);
}

namespace {

// A name as the folder tells names apart (CompareNamesInFolder), hashed:
// two names of one file hash alike.
uint64_t FolderNameHash(const char* name) {
  uint64_t h = 0xCBF29CE484222325ull;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p != 0; ++p) {
    h ^= FoldCase1251(*p);
    h *= 0x100000001B3ull;
  }
  return h;
}

// The four names of a record together.
uint64_t SheetNamesHash(const LISTDESC* list) {
  uint64_t h = 0;
  for (const char* name : SheetNames(list).name) h = (h ^ FolderNameHash(name)) * 0x9E3779B97F4A7C15ull;
  return h;
}

// Whether a name of `list` names a file that `other` names too.
bool NamesMeet(const SheetNames& names, const LISTDESC* other) {
  const SheetNames theirs(other);
  for (const char* name : names.name)
    for (const char* their : theirs.name)
      if (name[0] != 0 && IsSameNameInFolder(name, their)) return true;
  return false;
}

}  // namespace

// Every sheet's names by their hashes, for the table it was made for:
// a name is looked up among the few records that may hold it rather than
// compared with every record.
struct TMapPassport::SHEETNAMEINDEX {
  int count = 0;
  std::vector<uint64_t> records;  // by record: SheetNamesHash
  // (name hash, record) ascending.
  std::vector<std::pair<uint64_t, int>> names;

  // For the table's first `n` records, anew; with `grow`, only the
  // records added at its end since (a map growing sheet by sheet).
  void Make(const LISTDESC* table, int n, bool grow) {
    const int from = grow && n > count && !records.empty() ? count : 0;
    if (from == 0) names.clear();
    records.resize(size_t(n));
    const size_t sorted = names.size();
    for (int i = from; i < n; ++i) {
      records[size_t(i)] = SheetNamesHash(&table[i]);
      for (const char* name : SheetNames(&table[i]).name)
        if (name[0] != 0) names.emplace_back(FolderNameHash(name), i);
    }
    std::sort(names.begin() + ptrdiff_t(sorted), names.end());
    std::inplace_merge(names.begin(), names.begin() + ptrdiff_t(sorted), names.end());
    count = n;
  }

  // The records found usable (SheetNamesUsable): by record, its four names
  // as they were then, each with its end (empty: not known usable), and
  // the names of the map's own files they were held apart from. The names
  // themselves are the signal: a record or a file of the map named
  // otherwise since, by a setter, a table read again or a write into the
  // record, is checked afresh.
  std::vector<std::string> usable;
  std::string usableBeside;

  static void Join(std::string& out, const char* const* names, int n, const size_t* fields) {
    out.clear();
    for (int i = 0; i < n; ++i) out.append(names[i], strnlen(names[i], fields[i])).push_back(0);
  }
  static bool Same(const std::string& joined, const char* const* names, int n,
                   const size_t* fields) {
    const char* at = joined.data();
    const char* const end = at + joined.size();
    for (int i = 0; i < n; ++i) {
      const size_t length = strnlen(names[i], fields[i]);
      if (size_t(end - at) < length + 1 || std::memcmp(at, names[i], length) != 0 ||
          at[length] != 0)
        return false;
      at += length + 1;
    }
    return at == end;
  }
  static constexpr size_t kBesideFields[] = {MAX_PATH, sizeof(MAPPASSPORT::RscName),
                                             sizeof(MAPPASSPORT::GroupName)};
  static constexpr size_t kRecordFields[] = {kSheetNameField, kSheetNameField, kSheetNameField,
                                             kSheetNameField};
  bool UsableAsBefore(const TMapPassport& map, int index) const {
    const char* const beside[] = {map.FileName, map.Passport.RscName, map.Passport.GroupName};
    return size_t(index) < usable.size() && !usable[size_t(index)].empty() &&
           Same(usableBeside, beside, 3, kBesideFields) &&
           Same(usable[size_t(index)], SheetNames(&map.Lists[index]).name, kSheetNames,
                kRecordFields);
  }
  void NoteUsable(const TMapPassport& map, int index) {
    const char* const beside[] = {map.FileName, map.Passport.RscName, map.Passport.GroupName};
    if (!Same(usableBeside, beside, 3, kBesideFields)) {
      usable.clear();
      Join(usableBeside, beside, 3, kBesideFields);
    }
    if (usable.size() <= size_t(index)) usable.resize(size_t(index) + 1);
    Join(usable[size_t(index)], SheetNames(&map.Lists[index]).name, kSheetNames, kRecordFields);
  }
};

int TMapPassport::SheetNamesUsable(const LISTDESC* list) const {
  if (list == nullptr) return 0;
  // A record of the table found usable before, with the same names beside
  // the same names of the map's own files, is so still.
  const int index = TableIndexOf(list);
  SHEETNAMEINDEX* memo = index >= 0 ? sheetNames_.get() : nullptr;
  if (memo != nullptr && memo->UsableAsBefore(*this, index)) return 1;
  char backup[MAX_PATH];
  BackupName(Passport.RscName, backup);
  const char* const others[] = {FileName, Passport.RscName, backup, Passport.GroupName};
  const SheetNames names(list);
  for (int i = 0; i < kSheetNames; ++i) {
    const char* name = names.name[i];
    if (!IsPlainFileName(name, kSheetNameField)) return 0;
    for (int j = 0; j < i; ++j)
      if (IsSameNameInFolder(name, names.name[j])) return 0;
    for (const char* other : others)
      if (IsSameNameInFolder(name, other)) return 0;
  }
  if (index >= 0) {
    try {
      if (!sheetNames_) sheetNames_ = std::make_unique<SHEETNAMEINDEX>();
      sheetNames_->NoteUsable(*this, index);
    } catch (const std::bad_alloc&) {
      // Not remembered: checked again at its next use.
    }
  }
  return 1;
}

int TMapPassport::TableIndexOf(const LISTDESC* list) const {
  const int count = Lists != nullptr ? std::min(Count(), Capacity()) : 0;
  // Addresses compared as numbers: a record from elsewhere lies in no
  // relation to the table.
  const uintptr_t at = reinterpret_cast<uintptr_t>(list), base = reinterpret_cast<uintptr_t>(Lists);
  if (Lists == nullptr || at < base || at - base >= uintptr_t(count) * sizeof(LISTDESC) ||
      (at - base) % sizeof(LISTDESC) != 0)
    return -1;
  return int((at - base) / sizeof(LISTDESC));
}

bool TMapPassport::SheetNameIndexHolds(int index) const {
  const SHEETNAMEINDEX* x = sheetNames_.get();
  const int count = std::min(Count(), Capacity());
  return x != nullptr && x->count == count &&
         x->records[size_t(index)] == SheetNamesHash(&Lists[index]);
}

int TMapPassport::SheetNamesShared(const LISTDESC* list, int except) const {
  if (list == nullptr) return 0;
  const SheetNames names(list);
  const int count = Lists != nullptr ? std::min(Count(), Capacity()) : 0;
  const int index = TableIndexOf(list);
  if (index < 0) {
    // A record from elsewhere (a sheet to be added): every record is
    // compared with it.
    for (int n = 1; n <= count; ++n)
      if (n != except && NamesMeet(names, &Lists[n - 1])) return 1;
    return 0;
  }
  if (!SheetNameIndexHolds(index)) {
    try {
      if (!sheetNames_) sheetNames_ = std::make_unique<SHEETNAMEINDEX>();
      sheetNames_->Make(Lists, count, true);
      if (!SheetNameIndexHolds(index)) sheetNames_->Make(Lists, count, false);
    } catch (const std::bad_alloc&) {
      sheetNames_.reset();
      for (int n = 1; n <= count; ++n)
        if (n != except && n - 1 != index && NamesMeet(names, &Lists[n - 1])) return 1;
      return 0;
    }
  }
  // Another record changed since the index was made is looked up afresh
  // at its own check, when its names no longer match what the index holds.
  const auto& byName = sheetNames_->names;
  for (const char* name : names.name) {
    if (name[0] == 0) continue;
    const uint64_t h = FolderNameHash(name);
    for (auto it = std::lower_bound(byName.begin(), byName.end(), std::make_pair(h, INT32_MIN));
         it != byName.end() && it->first == h; ++it) {
      const int other = it->second;
      if (other == index || other + 1 == except) continue;
      if (NamesMeet(SheetNames(list), &Lists[other])) return 1;
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Creating, loading and writing

int TMapPassport::CreateMapFile(const char* name, int temporary) {
  ClosePassport();
  if (!name || !*name || std::strlen(name) >= MAX_PATH) {
    Report(MAPERR_OPEN, name ? name : "");
    return 0;
  }
  // A file an open document holds is not made anew under it.
  if (heldIsFile(name)) {
    Report(MAPERR_OPEN, name);
    return 0;
  }
  const DWORD rw = GENERIC_READ | GENERIC_WRITE;
  HANDLE file = plat::CreateFileA(name, rw, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Report(MAPERR_OPEN, name);
    return 0;
  }
  plat::CloseHandle(file);
  ShareMode = temporary ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  file = plat::CreateFileA(name, rw, ShareMode, nullptr, OPEN_ALWAYS,
                           temporary ? FILE_ATTRIBUTE_NORMAL : FILE_FLAG_WRITE_THROUGH, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Report(MAPERR_OPEN, name);
    return 0;
  }
  File = file;
  AccessMode = MAPACCESS_READWRITE;
  plat::SetFileLength(File, 0);

  char drive[MAX_DRIVE], dir[MAX_DIR], fname[MAX_FNAME], ext[MAX_EXT];
  plat::SplitPath(name, drive, dir, fname, ext);
  plat::MakePath(Folder, sizeof(Folder), drive, dir, nullptr, nullptr);
  plat::MakePath(FileName, sizeof(FileName), nullptr, nullptr, fname, ext);
  std::strncpy(Path, name, sizeof(Path) - 1);
  Path[sizeof(Path) - 1] = 0;

  NewPassport();
  TakeCounterFromPassport();
  extents_.Share(Path);
  Error = 0;
  return 1;
}

int TMapPassport::AllocateLists(int count, int readcount) {
  if (!File) return 0;
  if (count < 0) {
    Report(MAPERR_DATA);
    return 0;
  }
  // The sheet count comes from the file: it must not ask for more records
  // than the file holds, whatever the memory would allow.
  int64_t toRead = std::clamp<int64_t>(readcount, 0, count);
  int64_t size = plat::FileLength(File);
  if (size < 0) {
    Report(MAPERR_READ);
    return 0;
  }
  if (PASSPORT_LENGTH + toRead * LISTDESC_LENGTH > size) {
    Report(MAPERR_DATA);
    return 0;
  }
  if (count > kMaxLists) {
    Report(MAPERR_MEMORY);
    return 0;
  }

  LISTDESC* table = nullptr;
  int32_t bytes = static_cast<int32_t>(count * int64_t{LISTDESC_LENGTH});
  if (count > 0) {
    table = static_cast<LISTDESC*>(plat::AllocPages(bytes));
    if (!table) {
      Report(MAPERR_MEMORY);
      return 0;
    }
  }
  if (toRead > 0) {
    DWORD want = static_cast<DWORD>(toRead * LISTDESC_LENGTH), got = 0;
    bool read = plat::ReadAt(File, PASSPORT_LENGTH, table, want, &got);
    if (!read || got < want) {
      plat::FreePages(table);
      Report(read ? MAPERR_DATA : MAPERR_READ);
      return 0;
    }
  }
  FreeLists();
  Lists = table;
  ListsSize = bytes;
  recordsInFile_ = int(toRead);

  for (int64_t i = 0; i < toRead; ++i) {
    LISTDESC& list = Lists[i];
    list.Number = static_cast<int32_t>(i + 1);
    list.FrameObject = 0;
    list.StageMask = 0;
    list.ObjectCount = 0;
    EndTexts(list.Register);
    EndText(list.CreationDate);
    EndText(list.NameHDR);
    EndText(list.NameDAT);
    EndText(list.NameSEM);
    EndText(list.NameGRA);
    if (fileKoi8_) {
      cpKoi82Win(list.Register.Name, sizeof(list.Register.Name));
      cpKoi82Win(list.Register.Nomenclature, sizeof(list.Register.Nomenclature));
    }
  }
  CalculateBorder(static_cast<int>(toRead));
  return 1;
}

int TMapPassport::AllocateOneList() {
  int64_t n = std::max(Passport.ListCount, 0);
  if ((n + 1) * LISTDESC_LENGTH <= ListsSize) return 1;
  int64_t records = n == 0 ? 1 : n < 100 ? n + 16 : n < 260 ? n + 32 : n + 64;
  if (records > kMaxLists) {
    Report(MAPERR_MEMORY);
    return 0;
  }
  int32_t bytes = static_cast<int32_t>(records * LISTDESC_LENGTH);
  auto* table = static_cast<LISTDESC*>(plat::AllocPages(bytes));
  if (!table) {
    Report(MAPERR_MEMORY);
    return 0;
  }
  int64_t keep = std::min<int64_t>(n, Capacity());
  if (keep > 0) std::memcpy(table, Lists, keep * LISTDESC_LENGTH);
  // The sheets keep their numbers: what is known of their objects stays.
  if (Lists) plat::FreePages(Lists);
  Lists = table;
  ListsSize = bytes;
  return 1;
}

void TMapPassport::CalculateBorder(int count) {
  count = std::min(count, Capacity());
  if (count < 1) return;
  const MAPREGISTEREX& reg = Passport.Register;
  if (reg.IsRealPlace) {
    LISTDESC& list = Lists[0];
    list.Frame = DFRAME{list.Corner[0].X, list.Corner[0].Y, list.Corner[1].X, list.Corner[1].Y};
    return;
  }
  double capability = reg.DeviceCapability < 0.0001 ? 1.0 : reg.DeviceCapability;
  double factor = reg.Scale / capability;
  if (!(factor > 0)) factor = 1.0;
  for (int i = 0; i < count; ++i) {
    LISTDESC& list = Lists[i];
    list.Frame.X1 = (list.Corner[0].X - Passport.OriginX) / factor;
    list.Frame.Y1 = (list.Corner[0].Y - Passport.OriginY) / factor;
    list.Frame.X2 = (list.Corner[1].X - Passport.OriginX) / factor;
    list.Frame.Y2 = (list.Corner[1].Y - Passport.OriginY) / factor;
  }
}

// Records of the table written one by one through the map file's own
// handle, each waiting for the disk, before a wait once for all serves.
constexpr int kWrittenThrough = 4;

bool TMapPassport::WriteSheetRecords(int count) {
  // Records past those the file holds go out whole, with no version and no
  // stamp (what the memory holds there came from elsewhere), in one write.
  const int held = std::clamp(recordsInFile_, 0, count);
  for (int n = held; n < count; ++n) std::memset(Lists[n].Reserve, 0, sizeof(Lists[n].Reserve));
  const int64_t tail = int64_t(count - held) * LISTDESC_LENGTH;
  if (tail > 0 && !plat::WriteExactAt(File, PASSPORT_LENGTH + int64_t(held) * LISTDESC_LENGTH,
                                      &Lists[held], static_cast<DWORD>(tail)))
    return false;
  if (held == 0) return true;
  // The records the file holds keep their last bytes, which writers change
  // in place (a version, a stamp): what this map read of them may be old.
  // One write each: a few through the map file's own handle, many through
  // the handle that does not wait for the disk, and the disk waited for
  // once at the end, before the passport.
  const HANDLE file = held <= kWrittenThrough ? File : CounterFile();
  constexpr DWORD kKept = DWORD(offsetof(LISTDESC, Reserve));
  for (int n = 0; n < held; ++n)
    if (!plat::WriteExactAt(file, PASSPORT_LENGTH + int64_t(n) * LISTDESC_LENGTH, &Lists[n], kKept))
      return false;
  return file == File || plat::FlushFileBuffers(file);
}

int TMapPassport::WritePassport(bool counter) {
  if (!File) return 0;
  const int count = Passport.ListCount;
  if (count > Capacity()) {
    Report(MAPERR_WRITE);
    return 0;
  }
  // The sheet table goes first and the passport, which counts its records,
  // last: a save that fails part-way leaves the passport on disk counting
  // only records that are whole.
  if (count > 0 && !WriteSheetRecords(count)) {
    Report(MAPERR_WRITE);
    return 0;
  }
  // The lock-way word and the count of sheet changes begun are the
  // file's, and so is the counter without `counter`: they are left as the
  // file holds them.
  const char* bytes = reinterpret_cast<const char*>(&Passport);
  const DWORD after = COUNTER_AT + COUNTER_LENGTH, rest = LOCKWAY_AT + LOCKWAY_LENGTH;
  const bool head = counter ? plat::WriteExactAt(File, 0, bytes, LOCKWAY_AT)
                            : plat::WriteExactAt(File, 0, bytes, COUNTER_AT) &&
                                  plat::WriteExactAt(File, after, bytes + after, LOCKWAY_AT - after);
  const DWORD begun = PASSPORT_BEGUN_AT + 4;
  if (!head || !plat::WriteExactAt(File, rest, bytes + rest, PASSPORT_BEGUN_AT - rest) ||
      !plat::WriteExactAt(File, begun, bytes + begun, PASSPORT_LENGTH - begun)) {
    Report(MAPERR_WRITE);
    return 0;
  }
  if (count <= 0) {
    plat::SetFileLength(File, PASSPORT_LENGTH);
    Error = 0;
  }
  recordsInFile_ = count;
  fileKoi8_ = 0;
  return 1;
}
