#include "platform/FaultInjection.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace talvern::platform {
namespace {

struct State {
  std::mutex mutex;
  FaultPlan plan;
  std::int64_t counted = 0;
  bool fired = false;
};

State& TheState() {
  static State state;
  return state;
}

std::atomic<bool> armed{false};
std::once_flag environmentRead;

// A plan in the environment is armed once, at the first question.
void ReadEnvironment() {
  std::call_once(environmentRead, [] {
    const char* text = std::getenv("TALVERN_FAULT");
    FaultPlan plan;
    if (text && ParseFaultPlan(text, plan)) ArmFault(plan);
  });
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

FaultOutcome Decide(FaultOp op, const std::string& path, std::int64_t length, bool grows) {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  const FaultPlan& p = s.plan;
  FaultOutcome out;
  if (p.op != op || !EndsWith(path, p.suffix) || (op == FaultOp::kWrite && p.growingOnly && !grows)) return out;
  ++s.counted;
  if (p.nth <= 0 || (s.counted != p.nth && !(p.persist && s.fired))) return out;
  s.fired = true;
  const std::int64_t half = length / 2;
  switch (p.action) {
    case FaultAction::kFail: out.fail = true; break;
    case FaultAction::kShort: out.fail = true; out.keep = half; break;
    case FaultAction::kKill: out.kill = true; break;
    case FaultAction::kKillTorn: out.kill = true; out.keep = half; break;
  }
  out.error = p.error;
  return out;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t colon = text.find(':', start);
    parts.push_back(text.substr(start, colon - start));
    if (colon == std::string::npos) return parts;
    start = colon + 1;
  }
}

}  // namespace

void ArmFault(const FaultPlan& plan) {
  ReadEnvironment();
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.plan = plan;
  s.counted = 0;
  s.fired = false;
  armed = true;
}

void DisarmFault() {
  ReadEnvironment();
  armed = false;
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.plan = FaultPlan{};
}

std::int64_t CountedFaultOps() {
  State& s = TheState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.counted;
}

bool ParseFaultPlan(const std::string& text, FaultPlan& plan) {
  std::vector<std::string> parts = Split(text);
  if (parts.size() < 3) return false;
  FaultPlan p;
  if (parts[0] == "write") p.op = FaultOp::kWrite;
  else if (parts[0] == "sync") p.op = FaultOp::kSync;
  else return false;
  char* end = nullptr;
  p.nth = std::strtoll(parts[1].c_str(), &end, 10);
  if (parts[1].empty() || *end != '\0' || p.nth < 0) return false;
  const std::string& how = parts[2];
  if (how == "enospc") p.error = ENOSPC;
  else if (how == "eio") p.error = EIO;
  else if (how == "short") p.action = FaultAction::kShort;
  else if (how == "kill") p.action = FaultAction::kKill;
  else if (how == "torn") p.action = FaultAction::kKillTorn;
  else return false;
  for (std::size_t i = 3; i < parts.size(); ++i) {
    if (parts[i] == "persist") p.persist = true;
    else if (parts[i] == "growing") p.growingOnly = true;
    else if (i == 3) p.suffix = parts[i];
    else return false;
  }
  plan = p;
  return true;
}

bool FaultArmed() {
  ReadEnvironment();
  return armed.load(std::memory_order_relaxed);
}

FaultOutcome FaultOnWrite(const std::string& path, std::int64_t length, bool grows) {
  return Decide(FaultOp::kWrite, path, length, grows);
}

FaultOutcome FaultOnSync(const std::string& path) { return Decide(FaultOp::kSync, path, 0, false); }

}  // namespace talvern::platform
