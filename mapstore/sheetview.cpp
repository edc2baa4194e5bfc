#include "mapstore/sheetview.h"

#include <setjmp.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/file.h"
#include "platform/fileio.h"
#include "platform/memory.h"
#include "platform/vfs.h"

// ---------------------------------------------------------------------------
// The guarded copy
//
// Touching a page of a view past the end of its file raises SIGBUS. While
// a copy from a view is under way the handler jumps back into the copy,
// which then reports the bytes gone; a bus error anywhere else goes to the
// handler that was there before, or ends the process as it would have.
//
// The jump target is an atomic the handler reads, published with signal
// fences on both sides of the access. A plain variable would not do: the
// optimiser sees that memcpy (a builtin) and the loads of a touch cannot
// read it and that it is set to null right after, drops the store before
// the access as dead, and the handler finds no target. The fences also
// keep the access itself between publishing and withdrawing the target.

namespace {

thread_local std::atomic<sigjmp_buf*> t_copyGuard{nullptr};
static_assert(std::atomic<sigjmp_buf*>::is_always_lock_free,
              "the handler reads the jump target: it must be lock-free");
struct sigaction g_previousBusAction;

void OnBusError(int signal, siginfo_t* info, void* context) {
  sigjmp_buf* const target = t_copyGuard.load(std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_acquire);
  if (target != nullptr) siglongjmp(*target, 1);
  const struct sigaction& previous = g_previousBusAction;
  if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler == SIG_IGN) {
    return;
  } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != nullptr) {
    previous.sa_handler(signal);
  } else {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
  }
}

void InstallBusHandler() {
  struct sigaction action;
  std::memset(&action, 0, sizeof(action));
  action.sa_sigaction = OnBusError;
  // Not blocked while handled: the jump out leaves the signal mask as it
  // was, so no mask needs saving on each copy.
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(SIGBUS, &action, &g_previousBusAction);
}

// Installs the handler once for every guarded access: installed twice, it
// would take itself for the handler that was there before and, on a bus
// error outside a copy, call itself without end.
void GuardBusErrors() {
  static std::once_flag installed;
  std::call_once(installed, InstallBusHandler);
}

// Runs `access` (which reads or writes views) with the jump target
// published: true when it ran to its end, false when a page it touched was
// no longer backed by its file. Nothing `access` captures is changed after
// the jump target is set, so all of it is intact after a jump back.
template <typename Access>
bool Guarded(const Access& access) {
  GuardBusErrors();
  sigjmp_buf guard;
  if (sigsetjmp(guard, 0) != 0) {
    t_copyGuard.store(nullptr, std::memory_order_relaxed);
    return false;
  }
  t_copyGuard.store(&guard, std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_seq_cst);  // published before the access
  access();
  std::atomic_signal_fence(std::memory_order_seq_cst);  // the access done before withdrawn
  t_copyGuard.store(nullptr, std::memory_order_relaxed);
  return true;
}

// The loads of TouchViews: one byte at each place, volatile so none is dropped.
char TouchBytes(const char* first, const char* second, const char* third) {
  char sum = 0;
  if (first != nullptr) sum ^= *static_cast<const volatile char*>(first);
  if (second != nullptr) sum ^= *static_cast<const volatile char*>(second);
  if (third != nullptr) sum ^= *static_cast<const volatile char*>(third);
  return sum;
}

}  // namespace

bool CopyFromView(void* target, const void* source, size_t size) {
  return Guarded([&] { std::memcpy(target, source, size); });
}

bool ReadViewGuarded(void (*read)(void*), void* context) {
  return Guarded([&] { read(context); });
}

bool LoadWordFromView(const void* word, uint32_t* value) {
  uint32_t* const at = static_cast<uint32_t*>(const_cast<void*>(word));
  uint32_t got = 0;
  if (!Guarded([&] { got = std::atomic_ref<uint32_t>(*at).load(std::memory_order_acquire); }))
    return false;
  *value = got;
  return true;
}

bool AddToWordInView(void* word, uint32_t add, uint32_t* before) {
  uint32_t* const at = static_cast<uint32_t*>(word);
  uint32_t got = 0;
  if (!Guarded([&] { got = std::atomic_ref<uint32_t>(*at).fetch_add(add); })) return false;
  *before = got;
  return true;
}

namespace {

// Compares the 16 bytes at `at` with `expected` and, when equal, stores
// `desired` there in one atomic step; else `expected` gets what they hold.
#if defined(__x86_64__)
bool CompareExchange16(void* at, uint64_t (&expected)[2], const uint64_t (&desired)[2]) {
  bool done;
  asm volatile("lock cmpxchg16b %1"
               : "=@ccz"(done), "+m"(*static_cast<unsigned __int128*>(at)), "+a"(expected[0]),
                 "+d"(expected[1])
               : "b"(desired[0]), "c"(desired[1])
               : "memory");
  return done;
}
#else
#error "a 16-byte compare-and-exchange is needed for the raise in a view"
#endif

}  // namespace

ViewRaise ExchangeBlockInView(void* block, ViewBlockStep next, void* context,
                              uint32_t (&before)[4]) {
  uint64_t* const at = static_cast<uint64_t*>(block);
  ViewRaise result = ViewRaise::Gone;
  uint32_t held[4] = {};
  const bool done = Guarded([&] {
    // A first guess; the exchange tells what the bytes hold when it is wrong.
    uint64_t seen[2] = {std::atomic_ref<uint64_t>(at[0]).load(std::memory_order_relaxed),
                        std::atomic_ref<uint64_t>(at[1]).load(std::memory_order_relaxed)};
    for (;;) {
      std::memcpy(held, seen, sizeof(held));
      uint32_t made[4];
      if (!next(held, made, context)) {
        result = ViewRaise::Marked;
        return;
      }
      uint64_t desired[2];
      std::memcpy(desired, made, sizeof(desired));
      if (CompareExchange16(at, seen, desired)) {
        result = ViewRaise::Raised;
        return;
      }
    }
  });
  if (!done) return ViewRaise::Gone;
  std::memcpy(before, held, sizeof(held));
  return result;
}

bool LoadWord64FromView(const void* word, uint64_t* value) {
  uint64_t* const at = static_cast<uint64_t*>(const_cast<void*>(word));
  uint64_t got = 0;
  if (!Guarded([&] { got = std::atomic_ref<uint64_t>(*at).load(std::memory_order_acquire); }))
    return false;
  *value = got;
  return true;
}

bool StoreWord64ToView(void* word, uint64_t value) {
  uint64_t* const at = static_cast<uint64_t*>(word);
  return Guarded([&] { std::atomic_ref<uint64_t>(*at).store(value, std::memory_order_release); });
}

ViewExchange ExchangeWord64InView(void* word, uint64_t* expected, uint64_t desired) {
  uint64_t* const at = static_cast<uint64_t*>(word);
  uint64_t seen = *expected;
  bool exchanged = false;
  if (!Guarded([&] {
        exchanged = std::atomic_ref<uint64_t>(*at).compare_exchange_strong(seen, desired);
      }))
    return ViewExchange::Gone;
  *expected = seen;
  return exchanged ? ViewExchange::Done : ViewExchange::Differs;
}

bool TouchViews(const char* first, const char* second, const char* third) {
  if (first == nullptr && second == nullptr && third == nullptr) return true;
  return Guarded([&] { TouchBytes(first, second, third); });
}

// ---------------------------------------------------------------------------
// The shelf of views

namespace {

struct IDENTITYHASH {
  size_t operator()(const plat::FILEIDENTITY& i) const {
    return std::hash<uint64_t>()(i.Id * 0x9E3779B97F4A7C15ull ^ i.Volume);
  }
};

struct SHELVED {
  const char* View = nullptr;
  int64_t Length = 0;
  uint64_t Order = 0;  // when shelved
};

struct SHELF {
  enum : size_t { MOST_VIEWS = 4096 };
  static constexpr int64_t MOST_BYTES = int64_t(1) << 30;

  std::mutex Lock;
  std::unordered_map<plat::FILEIDENTITY, SHELVED, IDENTITYHASH> Views;
  // The views by the order shelved, oldest first; an entry whose view was
  // taken or shelved again since (another Order) stands for nothing.
  std::deque<std::pair<plat::FILEIDENTITY, uint64_t>> Order;
  uint64_t Next = 0;
  int64_t Bytes = 0;
  std::atomic<size_t> Count{0};

  // Keeps only the entries of the order that stand for a view shelved.
  void Compact() {
    std::erase_if(Order, [&](const std::pair<plat::FILEIDENTITY, uint64_t>& e) {
      const auto at = Views.find(e.first);
      return at == Views.end() || at->second.Order != e.second;
    });
  }
  // Lets go of the view of `at`.
  void Drop(decltype(Views)::iterator at) {
    plat::UnmapViewOfFile(at->second.View);
    Bytes -= at->second.Length;
    Views.erase(at);
  }
};

// Never destroyed: views still shelved when the process ends go with it.
SHELF& Shelf() {
  static SHELF* shelf = new SHELF;
  return *shelf;
}

}  // namespace

void TSheetView::Shelve() {
  plat::FILEIDENTITY identity;
  if (view_ == nullptr || file_ == nullptr || !plat::ViewsAllowed() ||
      !plat::FileViewsShared(file_) || !plat::GetHandleIdentity(file_, &identity))
    return Close();
  SHELF& shelf = Shelf();
  {
    std::lock_guard<std::mutex> guard(shelf.Lock);
    try {
      auto at = shelf.Views.find(identity);
      if (at != shelf.Views.end()) shelf.Drop(at);
      const uint64_t order = ++shelf.Next;
      shelf.Order.emplace_back(identity, order);
      shelf.Views.emplace(identity, SHELVED{view_, length_, order});
      shelf.Bytes += length_;
    } catch (const std::bad_alloc&) {
      shelf.Count.store(shelf.Views.size(), std::memory_order_relaxed);
      return Close();
    }
    // The order is kept to about the views it holds: the entries that
    // stand for nothing go, the views keep their places.
    if (shelf.Order.size() > 2 * shelf.Views.size() + 64) shelf.Compact();
    // The oldest go while the shelf holds too many.
    while (!shelf.Order.empty() &&
           (shelf.Views.size() > SHELF::MOST_VIEWS || shelf.Bytes > SHELF::MOST_BYTES)) {
      const auto [oldest, order] = shelf.Order.front();
      shelf.Order.pop_front();
      auto at = shelf.Views.find(oldest);
      if (at != shelf.Views.end() && at->second.Order == order) shelf.Drop(at);
    }
    shelf.Count.store(shelf.Views.size(), std::memory_order_relaxed);
  }
  view_ = nullptr;
  length_ = 0;
  pastReads_ = 0;
}

void TSheetView::TakeShelved(HANDLE file) {
  SHELF& shelf = Shelf();
  plat::FILEIDENTITY identity;
  if (shelf.Count.load(std::memory_order_relaxed) == 0 || !plat::GetHandleIdentity(file, &identity))
    return;
  // Only a file that has a view on the shelf asks its file system whether
  // views are shared: the shelf may hold the views of other maps' files,
  // and a file opened without one should cost nothing more for it.
  {
    std::lock_guard<std::mutex> guard(shelf.Lock);
    if (shelf.Views.find(identity) == shelf.Views.end()) return;
  }
  if (!plat::FileViewsShared(file)) return;
  std::lock_guard<std::mutex> guard(shelf.Lock);
  auto at = shelf.Views.find(identity);
  if (at == shelf.Views.end()) return;
  view_ = at->second.View;
  length_ = at->second.Length;
  shelf.Bytes -= length_;
  shelf.Views.erase(at);
  shelf.Count.store(shelf.Views.size(), std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------
// TSheetView

void TSheetView::Close() {
  if (view_ != nullptr) plat::UnmapViewOfFile(view_);
  view_ = nullptr;
  length_ = 0;
  pastReads_ = 0;
}

bool TSheetView::Map(HANDLE file) {
  Close();
  HANDLE mapping = plat::CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mapping == nullptr) return false;
  void* view = plat::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  plat::CloseHandle(mapping);
  if (view == nullptr) return false;
  view_ = static_cast<const char*>(view);
  length_ = static_cast<int64_t>(plat::ViewSize(view));
  return true;
}

int64_t TSheetView::Read(HANDLE file, int64_t offset, void* buffer, int64_t size) {
  if (offset < 0 || size < 0) return -1;
  char* out = static_cast<char*>(buffer);
  // The fault layer of the tests is to see every read, unless it allows views.
  const bool viewed = plat::ViewsAllowed();
  if (file != file_) {
    Close();
    file_ = file;
    pastReads_ = UNLOOKED;
  }
  // The first read through a handle without a view takes the file's view
  // from the shelf, when a sheet given back left one there.
  if (viewed && view_ == nullptr && pastReads_ == UNLOOKED) {
    pastReads_ = 0;
    TakeShelved(file);
  }
  int64_t copied = 0;
  if (viewed && offset < length_) {
    const int64_t held = size < length_ - offset ? size : length_ - offset;
    if (CopyFromView(out, view_ + offset, static_cast<size_t>(held)))
      copied = held;
    else
      Close();  // the file was cut short under the view
  }
  if (copied == size) return size;

  DWORD got = 0;
  if (!plat::ReadAt(file, offset + copied, out + copied, static_cast<DWORD>(size - copied), &got))
    return -1;
  // Bytes past the view: a file read a few times is mapped, and mapped
  // again once it has grown by a good part of its view.
  if (viewed && got > 0) {
    const int64_t end = offset + copied + got;
    const int64_t growth = std::max<int64_t>(length_ / 8, REMAP_GROWTH);
    if (view_ == nullptr ? ++pastReads_ >= REMAP_READS : end >= length_ + growth) Map(file);
  }
  return copied + got;
}

bool TSheetView::ReadHeld(HANDLE file, int64_t offset, void* buffer, int64_t size) {
  if (file != file_ || view_ == nullptr || offset < 0 || size < 0 || size > length_ - offset ||
      !plat::ViewsAllowed())
    return false;
  if (CopyFromView(buffer, view_ + offset, static_cast<size_t>(size))) return true;
  Close();  // the file was cut short under the view
  return false;
}

// ---------------------------------------------------------------------------
// TSheetWriteView

bool TSheetWriteView::Start(HANDLE file) {
  Finish();
  if (file == nullptr || file == refused_) return false;
  const int64_t length = plat::FileLength(file);
  if (length <= 0) return false;
  file_ = file;
  length_ = end_ = length;
  HANDLE mapping = plat::CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  void* view = mapping != nullptr ? plat::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
  if (mapping != nullptr) plat::CloseHandle(mapping);
  if (view == nullptr || int64_t(plat::ViewSize(view)) != length) {
    if (view != nullptr) plat::UnmapViewOfFile(view);
    file_ = nullptr;
    refused_ = file;
    return false;
  }
  view_ = static_cast<char*>(view);
  plat::AdviseViewRandom(view);
  refused_ = nullptr;
  return true;
}

bool TSheetWriteView::Unchanged() const {
  return file_ != nullptr && plat::FileLength(file_) == length_;
}

bool TSheetWriteView::Grow(int64_t end) {
  const int64_t reserve = std::max<int64_t>(RESERVE, length_ / 4);
  const int64_t length = (std::max(end, length_ + reserve) + PAGE - 1) & ~(PAGE - 1);
  if (length > int64_t(0xFFFFFFFF)) return false;  // offsets are 32-bit
  plat::UnmapViewOfFile(view_);
  view_ = nullptr;
  if (!plat::SetFileLength(file_, length)) return false;
  length_ = length;
  HANDLE mapping =
      plat::CreateFileMappingA(file_, nullptr, PAGE_READWRITE, 0, DWORD(length), nullptr);
  void* view = mapping != nullptr ? plat::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
  if (mapping != nullptr) plat::CloseHandle(mapping);
  if (view == nullptr) return false;
  view_ = static_cast<char*>(view);
  if (int64_t(plat::ViewSize(view)) != length) return false;
  plat::AdviseViewRandom(view);
  return true;
}

bool TSheetWriteView::Write(int64_t offset, const void* data, size_t size) {
  if (view_ == nullptr || offset < 0) return false;
  const int64_t end = offset + int64_t(size);
  if (end > LastPage()) {
    // A cut inside the last page leaves that page mapped: only the file's
    // length tells whether the bytes would reach the file. Another writer
    // that changed the length since the view was made may have records
    // past it: the view gives way.
    if (!Unchanged()) return false;
    if (end > length_ && !Grow(end)) return false;
    if (!CopyToView(view_ + offset, data, size)) return false;
  } else {
    // Below it, the first byte of the page at or after the end lies in the
    // file only while the file holds every byte written: touched first, it
    // faults before anything is stored when the file was cut short. A page
    // past what was written is touched by an atomic store of nothing (its
    // bytes may be another writer's descriptors, which the descriptor
    // file's reserve takes): a read would map it for reading only, and the
    // next records' stores would fault on it once more.
    char* const past = PageAtOrAfter(end);
    const bool fresh = past - view_ >= end_;
    char* const target = view_ + offset;
    if (!Guarded([&] {
          if (fresh)
            std::atomic_ref<char>(*past).fetch_or(0, std::memory_order_relaxed);
          else
            static_cast<void>(*static_cast<volatile char*>(past));
          std::atomic_signal_fence(std::memory_order_seq_cst);  // touched before stored
          std::memcpy(target, data, size);
        }))
      return false;
  }
  if (end > end_) end_ = end;
  return true;
}

bool TSheetWriteView::Reaches(int64_t end) const {
  if (view_ == nullptr || end < 0) return false;
  if (end > LastPage()) return end <= length_ && Unchanged();
  return TouchViews(PageAtOrAfter(end), nullptr, nullptr);
}

bool TSheetWriteView::Read(int64_t offset, void* buffer, size_t size) const {
  if (view_ == nullptr || offset < 0 || offset + int64_t(size) > end_) return false;
  return CopyFromView(buffer, view_ + offset, size);
}

bool TSheetWriteView::Finish(int64_t keep) {
  if (file_ == nullptr) return true;
  // The view goes before the file is cut.
  if (view_ != nullptr) plat::UnmapViewOfFile(view_);
  view_ = nullptr;
  const int64_t end = std::max(end_, keep);
  const bool cut = length_ <= end || plat::FileLength(file_) != length_ ||
                   plat::SetFileLength(file_, end);
  Release();
  return cut;
}

void TSheetWriteView::Release() {
  if (view_ != nullptr) plat::UnmapViewOfFile(view_);
  view_ = nullptr;
  file_ = nullptr;
  length_ = end_ = 0;
}
