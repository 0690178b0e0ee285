// SetPassword cut short: a write that fails at each point of it (once, or
// from there on, as on a full disk), and the process killed at each of its
// writes and flushes. The table always reads back whole, with its old
// password or, once the change was complete, its new one, and nothing is
// left beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "KillHarness.h"
#include "PasswordTestKit.h"
#include "engine/Errors.h"
#include "engine/TableHelpers.h"
#include "platform/FaultInjection.h"

namespace talvern::testing {
namespace {

class PasswordSurvival : public ::testing::Test {
protected:
  void SetUp() override {
    std::mt19937 random(21);
    rows_ = RandomRows(random, 8);
    MakeMemoTable(path_, 0x8B, rows_);
    {
      VXO_dBHandler t(path_, false, true);
      t.OpenIndexFiles("dev.cdx", "");
      t.SetPassword("old");
    }
    for (const auto& name : Listing()) original_[name] = ReadFile(dir_.File(name));
  }

  // The files as they were before the change, and nothing else.
  void Reset() {
    for (const auto& name : Listing())
      if (!original_.count(name)) std::filesystem::remove(dir_.File(name));
    for (const auto& [name, bytes] : original_) WriteFile(dir_.File(name), bytes);
  }
  std::vector<std::string> Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  void ExpectOriginalFiles() {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : original_) {
      names.push_back(name);
      EXPECT_EQ(ReadFile(dir_.File(name)), bytes) << name;
    }
    EXPECT_EQ(Listing(), names);
  }
  // The password the table opens with now.
  std::string PasswordNow() {
    try {
      VXO_dBHandler probe(path_, false, true, "old");
    } catch (const ETalvernEncryption&) {
      return "new";
    }
    return "old";
  }
  void Change() {
    VXO_dBHandler t(path_, false, true, "old");
    t.OpenIndexFiles("dev.cdx", "TYPE");
    t.ReadRecord(3);
    t.SetPassword("new");
  }

  TempDir dir_;
  std::string path_ = dir_.File("dev.dbf");
  std::vector<DeviceRow> rows_;
  std::map<std::string, std::string> original_;
};

TEST_F(PasswordSurvival, AFailedWriteAnywhereLeavesTheTableAsItWas) {
  std::int64_t writes = 0;
  {
    platform::FaultScope count({});
    Change();
    writes = platform::CountedFaultOps();
  }
  ASSERT_GT(writes, 10);
  for (bool persist : {false, true}) {
    for (std::int64_t n = 1; n <= writes; ++n) {
      SCOPED_TRACE(::testing::Message() << "write " << n << (persist ? " and every one after it" : ""));
      Reset();
      std::string error;
      {
        VXO_dBHandler t(path_, false, true, "old");
        t.OpenIndexFiles("dev.cdx", "TYPE");
        t.ReadRecord(3);
        {
          platform::FaultScope fault({.nth = n, .error = EIO, .persist = persist});
          error = ErrorOf([&] { t.SetPassword("new"); });
        }
        // Put back at once unless the disk refused that too; then the files
        // are closed and the next open puts them back.
        EXPECT_TRUE(persist || !t.IsClosed());
        if (!t.IsClosed()) {
          EXPECT_EQ(t.RecNo(), 3);
          ExpectRows(t, rows_);
        }
      }
      // A write the change can do without (giving a dBASE IV memo's old
      // blocks back: they stay in use) fails nothing; then the change is
      // complete.
      ExpectTable(path_, error.empty() ? "new" : "old", rows_);
      if (error.empty()) EXPECT_EQ(Listing().size(), original_.size());
      else ExpectOriginalFiles();
    }
  }
}

// A child doing the change, killed at its n-th write or flush.
ChildEnd KilledAt(const std::function<int()>& work, platform::FaultOp op, std::int64_t n, bool torn) {
  platform::FaultPlan plan;
  plan.op = op;
  plan.nth = n;
  plan.action = torn ? platform::FaultAction::kKillTorn : platform::FaultAction::kKill;
  return kill_detail::Wait(kill_detail::Start(work, [plan] { platform::ArmFault(plan); }));
}

TEST_F(PasswordSurvival, AKillAtAnyMomentLeavesTheOldTableOrTheNewOne) {
  auto work = [this] {
    Change();
    return 0;
  };
  Reset();
  const std::int64_t writes = CountChildWrites(work, "");
  ASSERT_GT(writes, 10);
  std::int64_t flushes = 0;
  Reset();
  {
    platform::FaultScope count({.op = platform::FaultOp::kSync});
    Change();
    flushes = platform::CountedFaultOps();
  }
  std::map<std::string, int> outcomes;
  for (auto op : {platform::FaultOp::kWrite, platform::FaultOp::kSync}) {
    const std::int64_t count = op == platform::FaultOp::kWrite ? writes : flushes;
    for (std::int64_t n = 1; n <= count; ++n) {
      SCOPED_TRACE(::testing::Message() << (op == platform::FaultOp::kWrite ? "write " : "flush ") << n);
      Reset();
      ASSERT_TRUE(KilledAt(work, op, n, n % 2 == 0).killed);
      const std::string password = PasswordNow();
      ++outcomes[password];
      ExpectTable(path_, password, rows_);
      if (password == "old") {
        ExpectOriginalFiles();
      } else {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : original_) names.push_back(name);
        EXPECT_EQ(Listing(), names);
      }
    }
  }
  EXPECT_GT(outcomes["old"], 0);
  EXPECT_GT(outcomes["new"], 0);
}

}  // namespace
}  // namespace talvern::testing
