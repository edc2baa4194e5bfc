#include "support/writerprocess.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

using namespace objtest;

namespace writertest {

namespace {

struct Records {
  Bytes metric, semn, draw;
};

// The records of object `id`: its id in the metric's first point, the
// semantics value and the graphics.
Records ObjectRecords(int id, int local) {
  const double x = 100 + id % 100000;
  Records r;
  if (local == LOCAL_POINT) {
    r.metric = Metric(METRIC_I32, {{{x, 400}}});
  } else {
    const Points box = {{x, 300}, {x + 100, 300}, {x + 100, 500}, {x, 500}, {x, 300}};
    r.metric = local == LOCAL_TITLE || local == LOCAL_MIXED
                   ? Metric(METRIC_I32, {box}, {"T" + std::to_string(id)})
                   : Metric(METRIC_I32, {box});
  }
  r.semn = Semantics(uint16_t(4 + id % 1000), id);
  if (local != LOCAL_POINT && local != LOCAL_TITLE) {
    Bytes line(8, 0);
    std::memcpy(line.data(), &id, sizeof(id));
    r.draw = Draw({{128, line}});
  }
  return r;
}

bool SameBytes(const void* stored, const Bytes& expect) {
  return stored != nullptr && std::memcmp(stored, expect.data(), expect.size()) == 0;
}

}  // namespace

std::vector<std::pair<uint32_t, int>> Kinds() {
  return {{5550, LOCAL_LINE},  {5551, LOCAL_POLYGON}, {5552, LOCAL_POINT},
          {5553, LOCAL_TITLE}, {5554, LOCAL_VECTOR},  {5555, LOCAL_MIXED}};
}

bool CreateTestMap(const std::string& folder) {
  return WriteClassifier(folder + "map.rsc", Kinds()) &&
         CreateMapFile(folder + "map.map", folder + "map.rsc");
}

bool AddTestSheets(const std::string& folder, int count) {
  TMap map;
  if (!map.OpenData((folder + "map.map").c_str(), 0)) return false;
  bool ok = true;
  for (int n = map.Count() + 1; ok && n <= count; ++n) {
    const std::string name = "S" + std::to_string(n);
    LISTREGISTER r = SquareSheet(name.c_str(), 6000000 + 10000.0 * (n - 1), 7400000);
    ok = map.CreateList(&r, 1) == 1;
  }
  map.CloseData();
  return ok;
}

int AppendObject(TMap& map, int id, int local, DWORD* key) {
  Records r = ObjectRecords(id, local);
  FVSPR d = Desc(local, uint16_t(16 + local));
  const int n = map.AppendObject(&d, As<LONGMETRIC>(r.metric), As<SEMANTIC>(r.semn),
                                 r.draw.empty() ? nullptr : As<IMGDRAW>(r.draw));
  if (key != nullptr) *key = d.Key;
  return n;
}

int UpdateObject(TMap& map, int n, int id) {
  const FVSPR* stored = map.List.ObjectDesc(n);
  if (stored == nullptr) return 0;
  FVSPR d = *stored;
  Records r = ObjectRecords(id, FvsprLocal(&d));
  return map.UpdateObject(n, &d, As<LONGMETRIC>(r.metric), As<SEMANTIC>(r.semn),
                          r.draw.empty() ? nullptr : As<IMGDRAW>(r.draw));
}

int DeleteObject(TMap& map, int n) { return map.DeleteObject(n); }

std::string CheckObject(TMapList& list, int n, int id) {
  const std::string object = "object " + std::to_string(n) + " (id " + std::to_string(id) + ")";
  const FVSPR* stored = list.ObjectDesc(n);
  if (stored == nullptr) return object + ": no descriptor";
  const FVSPR d = *stored;
  const Records r = ObjectRecords(id, FvsprLocal(&d));
  if (!SameBytes(list.DataAddr(d.DataOffset), r.metric)) return object + ": metric differs";
  if (!SameBytes(list.SemnAddr(d.SemnOffset), r.semn)) return object + ": semantics differ";
  if (!r.draw.empty() && !SameBytes(list.DrawAddr(d.DrawOffset), r.draw))
    return object + ": graphics differ";
  return "";
}

std::string CheckChain(TMapList& list, std::vector<int>* order) {
  std::set<int> met;
  int back = 0;
  for (FVSPR* d = list.FirstHead(); d != nullptr; d = list.NextHead()) {
    const int n = list.CurrentObject;
    if (d->Back != DWORD(back))
      return "object " + std::to_string(n) + " links back to " + std::to_string(d->Back) +
             " after " + std::to_string(back);
    if (!met.insert(n).second || int(met.size()) > list.Count())
      return "the chain meets object " + std::to_string(n) + " again";
    if (order != nullptr) order->push_back(n);
    back = n;
  }
  if (int(met.size()) != list.Count())
    return "the chain holds " + std::to_string(met.size()) + " of " +
           std::to_string(list.Count()) + " objects";
  return "";
}

std::string Acknowledge(HeldObjects& held, const Ack& ack) {
  const std::string what = "number " + std::to_string(ack.number);
  if (ack.what == ACK_APPEND)
    return held.emplace(ack.number, HeldObject{ack.id, false}).second ? "" : what + " given twice";
  const auto object = held.find(ack.number);
  if (object == held.end()) return what + " written but never appended";
  if (ack.what == ACK_UPDATE)
    object->second.id = ack.id;
  else
    object->second.deleted = true;
  return "";
}

std::string CheckHeld(TMapList& list, const HeldObjects& held) {
  if (list.Count() != int(held.size()))
    return "the sheet counts " + std::to_string(list.Count()) + " of " +
           std::to_string(held.size()) + " objects";
  for (const auto& [n, object] : held) {
    std::string differs = CheckObject(list, n, object.id);
    if (!differs.empty()) return differs;
    if (FvsprIsDeleted(list.ObjectDesc(n)) != object.deleted)
      return "object " + std::to_string(n) + (object.deleted ? " not" : "") + " deleted";
  }
  return CheckChain(list);
}

namespace {

// The members of group `id`: a wide group's outgrow any slot a narrow
// group's record was given.
int GroupMembers(int id) { return id >= kWideGroup ? 40 : id % 5 + 1; }

// Group n (0: a new group) with the members of group `id`, written through
// the map: its number, 0 when refused.
int WriteGroupOf(TMap& map, int n, int id) {
  TObjectGroup group;
  if (!group.Create(n, id)) return 0;
  for (int i = 1; i <= GroupMembers(id); ++i)
    group.AppendObject(1, NUMBERKEY{DWORD(i), KEY{DWORD(id) * 1000 + DWORD(i)}});
  return group.WriteGroup(&map);
}

}  // namespace

int AppendGroup(TMap& map, int id) { return WriteGroupOf(map, 0, id); }

int RewriteGroup(TMap& map, int n, int id) { return n > 0 ? WriteGroupOf(map, n, id) : 0; }

std::string CheckGroup(TMap& map, int n, int id) {
  const std::string what = "group " + std::to_string(n) + " (id " + std::to_string(id) + ")";
  TObjectGroup group;
  if (group.ReadGroup(&map, n) <= 0) return what + ": unreadable";
  const int members = GroupMembers(id);
  if (group.Total() != members) return what + ": " + std::to_string(group.Total()) + " members";
  for (int i = 1; i <= members; ++i)
    if (group.ObjectKeyNumber(1, i).Key != DWORD(id) * 1000 + DWORD(i))
      return what + ": keys differ";
  return "";
}

std::string CheckGroups(TMap& map, int count) {
  for (int n = 1; n <= count; ++n) {
    std::string differs = CheckGroup(map, n, n);
    if (!differs.empty()) return differs;
  }
  return "";
}

namespace fs = std::filesystem;

FolderFiles Snapshot(const std::string& folder) {
  FolderFiles files;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    files[fs::relative(e.path(), folder).string()] = s.str();
  }
  return files;
}

void Restore(const std::string& folder, const FolderFiles& files) {
  for (const auto& e : fs::directory_iterator(folder)) fs::remove_all(e.path());
  for (const auto& [name, bytes] : files) {
    const fs::path p = fs::path(folder) / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
}

Child StartChild(const std::function<int(int acks)>& body) {
  Child child;
  int fds[2];
  if (pipe(fds) != 0) return child;
  child.pid = fork();
  if (child.pid == 0) {
    close(fds[0]);
    _exit(body(fds[1]));
  }
  close(fds[1]);
  if (child.pid < 0) {
    close(fds[0]);
    return child;
  }
  child.acks = fds[0];
  return child;
}

bool SendAck(int fd, const Ack& ack) {
  return write(fd, &ack, sizeof(ack)) == ssize_t(sizeof(ack));
}

std::vector<Ack> ReadAcks(int fd, int count) {
  std::vector<Ack> acks;
  Ack ack;
  size_t have = 0;
  while (count < 0 || int(acks.size()) < count) {
    const ssize_t got = read(fd, reinterpret_cast<char*>(&ack) + have, sizeof(ack) - have);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    have += size_t(got);
    if (have == sizeof(ack)) {
      acks.push_back(ack);
      have = 0;
    }
  }
  return acks;
}

int WaitChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1000;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? -WTERMSIG(status) : -1000;
}

Stepper StartStepper(const std::function<int32_t(const Order&)>& step) {
  Stepper child;
  int orders[2], answers[2];
  if (pipe(orders) != 0) return child;
  if (pipe(answers) != 0) {
    close(orders[0]);
    close(orders[1]);
    return child;
  }
  child.pid = fork();
  if (child.pid == 0) {
    close(orders[1]);
    close(answers[0]);
    Order order;
    while (read(orders[0], &order, sizeof(order)) == ssize_t(sizeof(order)) && order.what != 0) {
      const int32_t answer = step(order);
      if (write(answers[1], &answer, sizeof(answer)) != ssize_t(sizeof(answer))) _exit(2);
    }
    _exit(0);
  }
  close(orders[0]);
  close(answers[1]);
  if (child.pid < 0) {
    close(orders[1]);
    close(answers[0]);
    return child;
  }
  child.orders = orders[1];
  child.answers = answers[0];
  return child;
}

int32_t Step(const Stepper& child, Order order) {
  int32_t answer;
  if (write(child.orders, &order, sizeof(order)) != ssize_t(sizeof(order))) return INT32_MIN;
  return read(child.answers, &answer, sizeof(answer)) == ssize_t(sizeof(answer)) ? answer
                                                                                   : INT32_MIN;
}

int StopStepper(Stepper& child) {
  if (child.pid < 0) return -1000;
  // Said, not only by the end of the pipe: a child started later holds a
  // copy of its write end.
  const Order stop = {0, 0};
  if (write(child.orders, &stop, sizeof(stop)) != ssize_t(sizeof(stop))) kill(child.pid, SIGKILL);
  close(child.orders);
  close(child.answers);
  child.orders = child.answers = -1;
  const int code = WaitChild(child.pid);
  child.pid = -1;
  return code;
}

std::string ModePairName(const std::tuple<bool, bool, bool>& modes) {
  return std::string(std::get<0>(modes) ? "EditReader" : "Reader") +
         (std::get<1>(modes) ? "EditWriter" : "Writer") +
         (std::get<2>(modes) ? "Elsewhere" : "Here");
}

}  // namespace writertest
