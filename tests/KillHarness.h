#pragma once
// A child process doing some work, killed with SIGKILL at a chosen moment,
// so that a test can then check the files it left behind:
//   RunChild(work)                       runs work in a child to its end;
//   RunChild(work, delay)                kills the child after delay (a
//                                        random moment when the delay is);
//   RunChildKilledAt(work, n, suffix)    the child kills itself at its n-th
//                                        write of a file whose name ends with
//                                        suffix: before it, or with torn after
//                                        half of it (an exact point, no timing);
//   CountChildWrites(work, suffix)       how many such writes work makes;
//   StartChild(work), WaitChild(pid)     a child that runs beside the test.
// Killing at each write in turn (1 .. CountChildWrites) covers every moment
// at which a kill can change what is on disk.
//
// work runs in the child after fork() and returns the child's exit code (an
// exception ends it with 3). It must open the files it works on itself: the
// child shares the parent's open files and their locks.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/FaultInjection.h"

namespace talvern::testing {

struct ChildEnd {
  bool killed = false;  // ended by SIGKILL
  int exitCode = -1;    // when it exited
};

namespace kill_detail {

inline int RunWork(const std::function<int()>& work) {
  try {
    return work();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "child: %s\n", e.what());
  } catch (...) {
  }
  return 3;
}

inline ChildEnd Wait(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return {};
  }
  ChildEnd end;
  end.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  if (WIFEXITED(status)) end.exitCode = WEXITSTATUS(status);
  return end;
}

// Forks; the child runs before(), then work, and exits without running the
// parent's destructors.
inline pid_t Start(const std::function<int()>& work, const std::function<void()>& before = {}) {
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    if (before) before();
    std::fflush(nullptr);
    _exit(RunWork(work));
  }
  return child;
}

}  // namespace kill_detail

inline pid_t StartChild(const std::function<int()>& work) { return kill_detail::Start(work); }
inline ChildEnd WaitChild(pid_t child) { return child < 0 ? ChildEnd{} : kill_detail::Wait(child); }

inline ChildEnd RunChild(const std::function<int()>& work,
                         std::optional<std::chrono::microseconds> killAfter = std::nullopt) {
  pid_t child = kill_detail::Start(work);
  if (child < 0) return {};
  if (killAfter) {
    std::this_thread::sleep_for(*killAfter);
    kill(child, SIGKILL);
  }
  return kill_detail::Wait(child);
}

inline ChildEnd RunChildKilledAt(const std::function<int()>& work, std::int64_t nth, const std::string& suffix,
                                 bool torn = false) {
  platform::FaultPlan plan;
  plan.nth = nth;
  plan.suffix = suffix;
  plan.action = torn ? platform::FaultAction::kKillTorn : platform::FaultAction::kKill;
  pid_t child = kill_detail::Start(work, [plan] { platform::ArmFault(plan); });
  if (child < 0) return {};
  return kill_detail::Wait(child);
}

// The count travels back through a pipe; -1 when the child did not finish.
inline std::int64_t CountChildWrites(const std::function<int()>& work, const std::string& suffix) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  platform::FaultPlan plan;
  plan.suffix = suffix;
  pid_t child = kill_detail::Start(
      [&]() -> int {
        close(fds[0]);
        int code = kill_detail::RunWork(work);
        std::int64_t n = platform::CountedFaultOps();
        if (write(fds[1], &n, sizeof n) != static_cast<ssize_t>(sizeof n)) return 4;
        return code;
      },
      [plan] { platform::ArmFault(plan); });
  close(fds[1]);
  std::int64_t n = -1;
  if (child < 0 || read(fds[0], &n, sizeof n) != static_cast<ssize_t>(sizeof n)) n = -1;
  close(fds[0]);
  if (child >= 0 && kill_detail::Wait(child).exitCode != 0) n = -1;
  return n;
}

}  // namespace talvern::testing
