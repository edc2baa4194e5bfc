// Runs numbered tasks (fuzz mutants) in child processes so that a crash, a
// sanitizer report or a hang of one task is caught and told apart instead of
// ending the test.
//
// Children are forked (not executed anew) from the test process; each runs
// a batch of consecutive tasks and says over a pipe when it begins and ends
// each one, so a child that dies is blamed on the task it was running and
// the rest of its batch goes to a new child. A task that runs longer than
// the time limit is a hang: its child is killed. A batch that leaks memory
// (the leak check runs when a child's batch ends, where the sanitizers are
// built in) is run again one task per child to find the leaking task.
//
// Inside a child: stderr goes to a file of its slot (what a failing task
// wrote there is handed back), core dumps are off, no file may grow past
// the file limit (a larger write fails with EFBIG instead of filling the
// disk), and where the kernel offers it (Landlock) the child may create,
// write, rename or delete files only below its slot's folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fuzz {

enum class Ending {
  Crash,  // killed by a signal (a sanitizer report aborts)
  Exit,   // ended with a nonzero exit code, or called exit
  Hang,   // ran past the time limit and was killed
  Leak,   // the leak check found memory lost by this task
};
const char* EndingName(Ending ending);

struct ChildFailure {
  int index = 0;
  Ending ending = Ending::Crash;
  int detail = 0;      // the signal or the exit code
  std::string output;  // what the task wrote to stderr
};

struct RunOptions {
  std::string scratch;                 // folder (ending in '/') for the slots' folders
  int parallel = 2;                    // children at once
  int batch = 16;                      // tasks per child
  double seconds = 5.0;                // the time limit of one task
  // The time limit of a child's start and of its end (the leak check scans
  // all it inherited), which a loaded machine stretches far past a task's.
  double betweenSeconds = 60.0;
  uint64_t fileLimit = 64ull << 20;    // the largest file a child may write
};

// A task: runs task `index` in the child, with `slot` its folder (ending in
// '/', empty on entry to the first task of a child; the task clears what it
// needs). The result goes back to the parent (results of failed tasks are 0).
typedef std::function<uint32_t(int index, const std::string& slot)> ChildTask;

struct RunResult {
  std::vector<ChildFailure> failures;  // in index order
  std::vector<uint32_t> results;       // by index
  int children = 0;                    // children started
};

RunResult RunInChildren(int count, const RunOptions& options, const ChildTask& task);

// In a child: the writes that went past the file limit (and failed) since
// the last call.
int TakeFileLimitHits();

// Limits a process to writing below `folder` where the kernel can (Landlock):
// true when the limit is in force.
bool RestrictWritesTo(const std::string& folder);
// Whether the kernel can (without limiting anything).
bool CanRestrictWrites();

}  // namespace fuzz
