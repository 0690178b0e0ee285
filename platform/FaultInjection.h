#pragma once
// Faults on demand, for tests of what survives a full disk, an I/O error or
// a kill. Every write and flush of OsFile (File.h) asks here first; nothing
// is armed in a normal run, where the question costs one test of a flag.
//
// A plan says which operation fails: the n-th write (or flush) counted since
// the plan was armed, counting only files whose path ends with the suffix
// (all files when it is empty), and how:
//   kFail      the operation fails with the error number given (ENOSPC, EIO)
//              and writes nothing;
//   kShort     a write stores only its first half, then fails with the error;
//   kKill      the process kills itself with SIGKILL before the operation;
//   kKillTorn  a write stores its first half, then the process is killed.
// With persist, every later counted operation fails the same way (a full
// disk stays full). With growingOnly, only writes that extend their file
// are counted (a full disk still takes writes inside a file).
//
// In a test, in-process:
//   platform::FaultScope full({.nth = 3, .error = ENOSPC, .suffix = ".cdx", .persist = true});
// In a program run by a test or a script (dbftool, say), the environment
// variable TALVERN_FAULT arms a plan at the program's first write or flush:
//   TALVERN_FAULT=write:3:enospc:.cdx:persist
// that is, operation (write, sync), n, how (enospc, eio, short, kill, torn),
// then optionally the suffix and the flags persist and growing.

#include <cerrno>
#include <cstdint>
#include <string>

namespace talvern::platform {

enum class FaultOp { kWrite, kSync };
enum class FaultAction { kFail, kShort, kKill, kKillTorn };

struct FaultPlan {
  FaultOp op = FaultOp::kWrite;
  // The counted operation that fails, from 1; 0 counts without failing.
  std::int64_t nth = 0;
  FaultAction action = FaultAction::kFail;
  int error = ENOSPC;
  std::string suffix = "";
  bool persist = false;
  bool growingOnly = false;
};

// Arms the plan and restarts the count.
void ArmFault(const FaultPlan& plan);
void DisarmFault();
// The operations counted since the plan was armed (the one that failed
// included), so that a test can first count an operation's writes and then
// fail or kill each of them in turn.
std::int64_t CountedFaultOps();
// Reads a plan in the form of TALVERN_FAULT; false when the text is not one.
bool ParseFaultPlan(const std::string& text, FaultPlan& plan);

// Arms a plan for the lifetime of the object.
class FaultScope {
public:
  explicit FaultScope(const FaultPlan& plan) { ArmFault(plan); }
  ~FaultScope() { DisarmFault(); }
  FaultScope(const FaultScope&) = delete;
  FaultScope& operator=(const FaultScope&) = delete;
};

// For OsFile: what happens to a write of length bytes (grows: it extends
// the file) or to a flush of the file at path. keep bytes are written
// first; then, with kill, the process ends with SIGKILL, or, with fail, the
// operation fails with error.
struct FaultOutcome {
  bool fail = false;
  bool kill = false;
  std::int64_t keep = 0;
  int error = 0;
};
bool FaultArmed();
FaultOutcome FaultOnWrite(const std::string& path, std::int64_t length, bool grows);
FaultOutcome FaultOnSync(const std::string& path);

}  // namespace talvern::platform
