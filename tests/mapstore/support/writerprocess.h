// Writers of one map in other processes, for the tests of racing and
// killed writers: objects and groups whose records carry a number of their own (so
// that each one read back can be told apart from every other), a check of
// an object's records and of the sheet's chain, and child processes that
// report each append they were told succeeded through a pipe.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "mapstore/map.h"
#include "support/objectbuilder.h"

namespace writertest {

// The classifier kinds of the tests' map, one per local type: kind 16 + the
// local type (line, polygon, point, title, vector, mixed).
std::vector<std::pair<uint32_t, int>> Kinds();
// Writes map.rsc and map.map (sheet files S1.*) into `folder` (ending in
// '/'): false on failure.
bool CreateTestMap(const std::string& folder);
// Adds sheets to that map up to `count` sheets in all, sheet n with files
// Sn.*: false on failure.
bool AddTestSheets(const std::string& folder, int count);

// Appends object `id` of a local type with its records (a point has no
// graphics, object ids below 0 none at all): its number, 0 when refused.
// `key` gets the key it was given.
int AppendObject(TMap& map, int id, int local, DWORD* key = nullptr);
// Rewrites object n with the records of object `id` (of n's local type):
// n, 0 when refused.
int UpdateObject(TMap& map, int n, int id);
// Deletes object n: n, 0 when refused.
int DeleteObject(TMap& map, int n);
// "" when object n of the open sheet holds the records of object `id`,
// else what differs.
std::string CheckObject(TMapList& list, int n, int id);
// Walks the chain forward from the first object checking each back link;
// `order` gets the numbers met. "" when it holds every object of the
// sheet once, else what is wrong.
std::string CheckChain(TMapList& list, std::vector<int>* order = nullptr);

// Appends group `id` through the map's group file: id % 5 + 1 members on
// sheet 1 whose keys tell the id (40 for a wide group, id >= kWideGroup).
// Its number, 0 when refused.
constexpr int kWideGroup = 100000;
int AppendGroup(TMap& map, int id);
// Rewrites group n with the members of group `id`: n, 0 when refused.
int RewriteGroup(TMap& map, int n, int id);
// "" when group n of the map's group file holds the members of group `id`,
// else what differs.
std::string CheckGroup(TMap& map, int n, int id);
// The same for groups 1..count holding ids 1..count: the first difference.
std::string CheckGroups(TMap& map, int count);

// Every file below a folder by its name in the folder, and back (the
// folder emptied first).
typedef std::map<std::string, std::string> FolderFiles;
FolderFiles Snapshot(const std::string& folder);
void Restore(const std::string& folder, const FolderFiles& files);

// What a writer process reports of one write that succeeded: an append
// (the number and key given to object `id`), a rewrite of object `number`
// with the records of `id`, or its deletion.
enum : int32_t { ACK_APPEND, ACK_UPDATE, ACK_DELETE };
struct Ack {
  int32_t number;
  int32_t id;
  uint32_t key;
  int32_t what = ACK_APPEND;
};

// The objects a sheet is to hold after a sequence of acknowledged writes:
// the records (id) of each number and whether it was deleted.
struct HeldObject {
  int id;
  bool deleted;
};
typedef std::map<int, HeldObject> HeldObjects;
// Applies one acknowledged write to `held`: "" or what is wrong with it (a
// number given twice, a write to an object never appended).
std::string Acknowledge(HeldObjects& held, const Ack& ack);
// "" when the open sheet holds exactly the objects of `held`, each with its
// records and deleted flag, in a whole chain; else the first difference.
std::string CheckHeld(TMapList& list, const HeldObjects& held);

// A child process running `body` with the write end of a pipe, exiting
// with its result (without the parent's exit handlers).
struct Child {
  pid_t pid = -1;
  int acks = -1;  // read end of the pipe
};
Child StartChild(const std::function<int(int acks)>& body);
// Sends one ack: false when the pipe is gone.
bool SendAck(int fd, const Ack& ack);
// Reads up to `count` acks (until the pipe's writer is gone, for count < 0).
std::vector<Ack> ReadAcks(int fd, int count = -1);
// Waits for a child: its exit code, or minus the signal that ended it.
int WaitChild(pid_t pid);

// A child process that takes one step at a time at the parent's word, so
// that the steps of two children interleave in the order the parent gives
// them, without sleeps. An order is two numbers (what to do and with what);
// the answer is one.
struct Order {
  int32_t what;
  int32_t arg;
};
struct Stepper {
  pid_t pid = -1;
  int orders = -1;   // write end
  int answers = -1;  // read end
};
// Starts a child answering each order with `step(order)` until an order
// whose `what` is 0 (or the end of the orders); it then exits with 0.
Stepper StartStepper(const std::function<int32_t(const Order&)>& step);
// Sends an order and waits for the answer; INT32_MIN when the child is gone.
int32_t Step(const Stepper& child, Order order);
// Tells the child to stop and waits for it: its exit code (WaitChild).
int StopStepper(Stepper& child);

// The name of a case of a reader and a writer of one map, each in edit
// mode or not, the writer in the reader's process or another one (the
// parameters of such a test): "EditReaderWriterElsewhere" and the like.
std::string ModePairName(const std::tuple<bool, bool, bool>& modes);

}  // namespace writertest
