#include "support/forkrun.h"

#include <fcntl.h>
#include <linux/landlock.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

// Headers older than the kernel may lack the newer rights.
#ifndef LANDLOCK_ACCESS_FS_REFER
#define LANDLOCK_ACCESS_FS_REFER (1ULL << 13)
#endif
#ifndef LANDLOCK_ACCESS_FS_TRUNCATE
#define LANDLOCK_ACCESS_FS_TRUNCATE (1ULL << 14)
#endif

// The leak check of the sanitizer runtime, where it is linked in.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

namespace fs = std::filesystem;

namespace fuzz {

namespace {

constexpr int kLeakExit = 97;          // a child whose batch leaked
constexpr size_t kOutputLimit = 16384; // bytes of a task's stderr kept

// A message of a child: task `index` begins (phase 0) or ends with `value`.
struct Message {
  int32_t index;
  int32_t phase;
  uint32_t value;
};

struct Item {
  int index;
  bool solo;  // runs alone in a child
};

struct Child {
  pid_t pid = 0;
  int fd = -1;
  int slot = 0;
  std::vector<Item> items;
  size_t ended = 0;     // items finished
  int current = -1;     // task under way
  std::chrono::steady_clock::time_point began;
  std::string buffer;   // bytes of a message not yet whole
};

using Clock = std::chrono::steady_clock;

std::string SlotFolder(const RunOptions& o, int slot) {
  return o.scratch + "slot" + std::to_string(slot) + "/";
}
std::string ErrorFile(const RunOptions& o, int slot) {
  return o.scratch + "stderr" + std::to_string(slot) + ".txt";
}

volatile sig_atomic_t g_fileLimitHits = 0;
void CountFileLimitHit(int) { g_fileLimitHits = g_fileLimitHits + 1; }

void Send(int fd, int index, int phase, uint32_t value) {
  const Message m{index, phase, value};
  ssize_t ignored = write(fd, &m, sizeof(m));
  (void)ignored;
}

[[noreturn]] void RunChild(const RunOptions& o, int slot, const std::vector<Item>& items, int fd,
                           const ChildTask& task) {
  const int err = open(ErrorFile(o, slot).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (err >= 0) {
    dup2(err, 1);
    dup2(err, 2);
    close(err);
  }
  rlimit none{0, 0};
  setrlimit(RLIMIT_CORE, &none);
  rlimit files{o.fileLimit, o.fileLimit};
  setrlimit(RLIMIT_FSIZE, &files);
  signal(SIGXFSZ, CountFileLimitHit);  // a write past the limit fails instead of killing
  const std::string folder = SlotFolder(o, slot);
  RestrictWritesTo(folder);
  for (const Item& item : items) {
    Send(fd, item.index, 0, 0);
    std::fprintf(stderr, "@@ task %d\n", item.index);
    std::fflush(stderr);
    const uint32_t value = task(item.index, folder);
    std::fflush(stderr);
    Send(fd, item.index, 1, value);
  }
  if (__lsan_do_recoverable_leak_check && __lsan_do_recoverable_leak_check()) _exit(kLeakExit);
  _exit(0);
}

// What task `index` wrote to the slot's stderr file.
std::string TaskOutput(const RunOptions& o, int slot, int index) {
  std::ifstream in(ErrorFile(o, slot), std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  const std::string marker = "@@ task " + std::to_string(index) + "\n";
  size_t from = text.rfind(marker);
  from = from == std::string::npos ? 0 : from + marker.size();
  size_t to = text.find("@@ task ", from);
  if (to == std::string::npos) to = text.size();
  return text.substr(from, std::min(to - from, kOutputLimit));
}

}  // namespace

const char* EndingName(Ending ending) {
  switch (ending) {
    case Ending::Crash: return "crash";
    case Ending::Exit: return "exit";
    case Ending::Hang: return "hang";
    case Ending::Leak: return "leak";
  }
  return "?";
}

int TakeFileLimitHits() {
  const int hits = g_fileLimitHits;
  g_fileLimitHits = 0;
  return hits;
}

namespace {

int LandlockVersion() {
  return int(syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION));
}

}  // namespace

bool CanRestrictWrites() { return LandlockVersion() >= 1; }

bool RestrictWritesTo(const std::string& folder) {
  const int abi = LandlockVersion();
  if (abi < 1) return false;
  __u64 writes = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                 LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                 LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                 LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                 LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
  if (abi >= 2) writes |= LANDLOCK_ACCESS_FS_REFER;
  if (abi >= 3) writes |= LANDLOCK_ACCESS_FS_TRUNCATE;
  landlock_ruleset_attr attr{};
  attr.handled_access_fs = writes;
  const int ruleset = int(syscall(SYS_landlock_create_ruleset, &attr, sizeof(attr), 0));
  if (ruleset < 0) return false;
  landlock_path_beneath_attr beneath{};
  beneath.allowed_access = writes;
  beneath.parent_fd = open(folder.c_str(), O_PATH | O_CLOEXEC);
  bool ok = beneath.parent_fd >= 0 &&
            syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &beneath, 0) == 0 &&
            prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
            syscall(SYS_landlock_restrict_self, ruleset, 0) == 0;
  if (beneath.parent_fd >= 0) close(beneath.parent_fd);
  close(ruleset);
  return ok;
}

RunResult RunInChildren(int count, const RunOptions& o, const ChildTask& task) {
  RunResult result;
  result.results.assign(size_t(std::max(count, 0)), 0);
  std::deque<Item> pending;
  for (int i = 0; i < count; ++i) pending.push_back({i, false});
  // Failures seen in a batch after other tasks, waiting for the run alone
  // that confirms them.
  std::map<int, ChildFailure> unconfirmed;
  std::vector<Child> children;
  std::vector<bool> busy(size_t(std::max(o.parallel, 1)), false);

  auto record = [&](ChildFailure f, bool solo) {
    if (solo) {
      auto it = unconfirmed.find(f.index);
      if (it != unconfirmed.end()) unconfirmed.erase(it);
      result.failures.push_back(std::move(f));
    }
  };
  auto finish = [&](Child& c, int status, bool hung) {
    busy[size_t(c.slot)] = false;
    const bool clean = !hung && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (clean && c.ended == c.items.size()) return;
    const bool soloChild = c.items.size() == 1 && c.items[0].solo;
    // Tasks not begun go back to the queue.
    const size_t resume = c.current >= 0 ? c.ended + 1 : c.ended;
    for (size_t i = c.items.size(); i-- > resume;) pending.push_front(c.items[i]);
    if (c.current < 0) {
      // The child failed outside any task (its leak check, most likely):
      // every task it ran is run again alone.
      if (soloChild) {
        ChildFailure f;
        f.index = c.items[0].index;
        f.ending = hung                                                    ? Ending::Hang
                   : WIFEXITED(status) && WEXITSTATUS(status) == kLeakExit ? Ending::Leak
                   : WIFSIGNALED(status)                                  ? Ending::Crash
                                                                          : Ending::Exit;
        f.detail = hung ? 0 : WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status);
        f.output = TaskOutput(o, c.slot, f.index);
        record(std::move(f), true);
      } else {
        for (size_t i = c.ended; i-- > 0;) pending.push_front({c.items[i].index, true});
      }
      return;
    }
    ChildFailure f;
    f.index = c.current;
    f.ending = hung ? Ending::Hang : WIFSIGNALED(status) ? Ending::Crash : Ending::Exit;
    f.detail = hung ? 0 : WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status);
    f.output = TaskOutput(o, c.slot, f.index);
    if (soloChild || c.ended == 0) {
      record(std::move(f), true);
    } else {
      // Earlier tasks ran in the same process: confirm alone.
      unconfirmed[f.index] = f;
      pending.push_front({f.index, true});
    }
  };

  while (!pending.empty() || !children.empty()) {
    // Start children while slots are free.
    while (!pending.empty() && children.size() < busy.size()) {
      int slot = 0;
      while (busy[size_t(slot)]) ++slot;
      Child c;
      c.slot = slot;
      if (pending.front().solo) {
        c.items.push_back(pending.front());
        pending.pop_front();
      } else {
        while (!pending.empty() && !pending.front().solo && int(c.items.size()) < o.batch) {
          c.items.push_back(pending.front());
          pending.pop_front();
        }
      }
      std::error_code ec;
      fs::remove_all(SlotFolder(o, slot), ec);
      fs::create_directories(SlotFolder(o, slot), ec);
      int fds[2];
      if (pipe(fds) != 0) return result;
      std::fflush(stdout);
      std::fflush(stderr);
      const pid_t pid = fork();
      if (pid == 0) {
        close(fds[0]);
        for (const Child& other : children) close(other.fd);
        RunChild(o, slot, c.items, fds[1], task);
      }
      close(fds[1]);
      if (pid < 0) {
        close(fds[0]);
        return result;
      }
      c.pid = pid;
      c.fd = fds[0];
      c.began = Clock::now();
      busy[size_t(slot)] = true;
      ++result.children;
      children.push_back(std::move(c));
    }
    std::vector<pollfd> polls;
    for (const Child& c : children) polls.push_back({c.fd, POLLIN, 0});
    poll(polls.data(), polls.size(), 50);
    const auto now = Clock::now();
    for (size_t k = children.size(); k-- > 0;) {
      Child& c = children[k];
      bool closed = false;
      if (polls[k].revents & (POLLIN | POLLHUP | POLLERR)) {
        char bytes[4096];
        const ssize_t n = read(c.fd, bytes, sizeof(bytes));
        if (n <= 0) {
          closed = n == 0 || errno != EINTR;
        } else {
          c.buffer.append(bytes, size_t(n));
          while (c.buffer.size() >= sizeof(Message)) {
            Message m;
            std::memcpy(&m, c.buffer.data(), sizeof(m));
            c.buffer.erase(0, sizeof(m));
            if (m.phase == 0) {
              c.current = m.index;
              c.began = now;
            } else {
              result.results[size_t(m.index)] = m.value;
              c.current = -1;
              c.began = now;
              ++c.ended;
            }
          }
        }
      }
      // Between tasks (starting, or checking for leaks) a child gets a
      // time of its own.
      const double limit = c.current >= 0 ? o.seconds : o.betweenSeconds;
      const bool hung = !closed && std::chrono::duration<double>(now - c.began).count() > limit;
      if (!closed && !hung) continue;
      if (hung) kill(c.pid, SIGKILL);
      int status = 0;
      while (waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
      }
      close(c.fd);
      finish(c, status, hung);
      children.erase(children.begin() + std::ptrdiff_t(k));
    }
  }
  // Failures after earlier tasks that did not come back alone still count.
  for (auto& [index, f] : unconfirmed) {
    f.output = "(passes when run alone; failed after other tasks in the same child)\n" + f.output;
    result.failures.push_back(f);
  }
  std::sort(result.failures.begin(), result.failures.end(),
            [](const ChildFailure& a, const ChildFailure& b) { return a.index < b.index; });
  return result;
}

}  // namespace fuzz
