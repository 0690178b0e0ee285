// Locks between two processes: a record, append or table lock held by one
// process is refused to the other, and free again after unlock or close,
// under each lock protocol; exclusive opens and other opens refuse each
// other. The other process is a forked child driven through two pipes.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

#include "TableHelpers.h"
#include "engine/CreateTable.h"
#include "engine/Fields.h"
#include "engine/Memo.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

// A child process that runs `hold`, reports that it holds, waits for the
// parent's word, runs `release`, reports again and waits to be let go.
class OtherProcess {
public:
  OtherProcess(const std::function<void()>& hold, const std::function<void()>& release) {
    std::signal(SIGPIPE, SIG_IGN);  // a child that has ended must not end us
    if (pipe(toChild_) != 0 || pipe(toParent_) != 0) throw std::runtime_error("pipe");
    pid_ = fork();
    if (pid_ == 0) {
      close(toChild_[1]);
      close(toParent_[0]);
      int code = 0;
      try {
        hold();
        Say(toParent_[1]);
        Hear(toChild_[0]);
        release();
        Say(toParent_[1]);
        Hear(toChild_[0]);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "other process: %s\n", e.what());
        code = 1;
      }
      _exit(code);
    }
    close(toChild_[0]);
    close(toParent_[1]);
    ready_ = Hear(toParent_[0]);
  }
  ~OtherProcess() { Finish(); }

  bool Holding() const { return ready_; }
  // Lets the child release what it holds and waits until it has.
  void Release() {
    Say(toChild_[1]);
    Hear(toParent_[0]);
  }
  // Ends the child; its exit code.
  int Finish() {
    if (pid_ <= 0) return exitCode_;
    Say(toChild_[1]);
    Say(toChild_[1]);
    int status = 0;
    waitpid(pid_, &status, 0);
    close(toChild_[1]);
    close(toParent_[0]);
    pid_ = 0;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitCode_;
  }

private:
  static void Say(int fd) {
    char c = 'x';
    (void)!write(fd, &c, 1);
  }
  static bool Hear(int fd) {
    char c;
    return read(fd, &c, 1) == 1;
  }
  int toChild_[2] = {-1, -1}, toParent_[2] = {-1, -1};
  pid_t pid_ = 0;
  bool ready_ = false;
  int exitCode_ = -1;
};

class LockProtocols : public ::testing::TestWithParam<TvxLokProtocol> {
protected:
  void SetUp() override {
    path_ = dir_.File("locks.dbf");
    CreateTable(path_, 0x83, {{"NAME", 'C', 10, 0}, {"NOTES", 'M', 10, 0}});
    VXO_dBaseFld t(path_, false, true);
    for (int i = 0; i < 3; ++i) {
      t.BlankRecord();
      t.AppendRecord();
    }
  }
  std::unique_ptr<VXO_dBaseFld> OpenShared() {
    auto t = std::make_unique<VXO_dBaseFld>(path_, true, true);
    t->SetLockProtocol(GetParam());
    return t;
  }

  TempDir dir_;
  std::string path_;
};

std::string ProtocolName(const ::testing::TestParamInfo<TvxLokProtocol>& info) {
  static const char* const kNames[] = {"Default", "DB4Lock", "ClipLock", "FoxLock"};
  return kNames[static_cast<int>(info.param)];
}

}  // namespace

TEST_P(LockProtocols, RecordLockHeldByAnotherProcess) {
  std::unique_ptr<VXO_dBaseFld> theirs;
  OtherProcess other([&] {
    theirs = OpenShared();
    theirs->ReadRecord(2);
    if (!theirs->LockRecord()) throw std::runtime_error("not granted");
  }, [&] { theirs->ReleaseLock(); });
  ASSERT_TRUE(other.Holding());
  auto mine = OpenShared();
  mine->ReadRecord(2);
  EXPECT_FALSE(mine->LockRecord());
  EXPECT_FALSE(mine->LockTable());
  mine->ReadRecord(1);
  EXPECT_TRUE(mine->LockRecord());  // another record is free
  mine->ReleaseLock();
  other.Release();
  mine->ReadRecord(2);
  EXPECT_TRUE(mine->LockRecord());
  mine->ReleaseLock();
  EXPECT_EQ(other.Finish(), 0);
}

TEST_P(LockProtocols, AppendLockFreeAfterTheOtherCloses) {
  std::unique_ptr<VXO_dBaseFld> theirs;
  OtherProcess other([&] {
    theirs = OpenShared();
    if (!theirs->LockAppend()) throw std::runtime_error("not granted");
  }, [&] { theirs.reset(); });
  ASSERT_TRUE(other.Holding());
  auto mine = OpenShared();
  EXPECT_FALSE(mine->LockAppend());
  other.Release();
  EXPECT_TRUE(mine->LockAppend());
  mine->ReleaseLock();
  EXPECT_EQ(other.Finish(), 0);
}

TEST_P(LockProtocols, TableLockKeepsEveryOtherLockOut) {
  std::unique_ptr<VXO_dBaseFld> theirs;
  OtherProcess other([&] {
    theirs = OpenShared();
    if (!theirs->LockTable()) throw std::runtime_error("not granted");
  }, [&] { theirs->ReleaseLock(); });
  ASSERT_TRUE(other.Holding());
  auto mine = OpenShared();
  EXPECT_FALSE(mine->LockTable());
  EXPECT_FALSE(mine->LockAppend());
  mine->ReadRecord(3);
  EXPECT_FALSE(mine->LockRecord());
  other.Release();
  EXPECT_TRUE(mine->LockTable());
  mine->ReleaseLock();
  EXPECT_TRUE(mine->LockRecord());
  mine->ReleaseLock();
  EXPECT_EQ(other.Finish(), 0);
}

INSTANTIATE_TEST_SUITE_P(Protocols, LockProtocols,
                         ::testing::Values(TvxLokProtocol::Default, TvxLokProtocol::DB4Lock,
                                           TvxLokProtocol::ClipLock, TvxLokProtocol::FoxLock),
                         ProtocolName);

TEST(ExclusiveOpen, RefusesAndIsRefusedByOtherOpens) {
  TempDir dir;
  std::string path = dir.File("ex.dbf");
  CreateTable(path, 0x03, {{"A", 'C', 1, 0}});
  std::unique_ptr<VXO_dBaseFld> theirs;
  {
    OtherProcess other([&] { theirs = std::make_unique<VXO_dBaseFld>(path, false, true); },
                       [&] { theirs.reset(); });
    ASSERT_TRUE(other.Holding());
    EXPECT_EQ(ErrorOf([&] { VXO_dBaseFld t(path, true, false); }), "Access denied to file " + path);
    other.Release();
    EXPECT_EQ(ErrorOf([&] { VXO_dBaseFld t(path, true, false); }), "");
    EXPECT_EQ(other.Finish(), 0);
  }
  VXO_dBaseFld mine(path, true, true);
  OtherProcess refused([&] { theirs = std::make_unique<VXO_dBaseFld>(path, false, true); }, [] {});
  EXPECT_FALSE(refused.Holding());  // the child's exclusive open failed
  EXPECT_EQ(refused.Finish(), 1);
}

TEST(AppendLock, AnAppendWaitsForTheLockAndThenGivesUp) {
  TempDir dir;
  std::string path = dir.File("ap.dbf");
  CreateTable(path, 0x03, {{"A", 'C', 1, 0}});
  std::unique_ptr<VXO_dBaseFld> theirs;
  VXO_dBaseFld mine(path, true, true);
  {
    // Released while we wait: the append goes ahead.
    OtherProcess other([&] {
      theirs = std::make_unique<VXO_dBaseFld>(path, true, true);
      if (!theirs->LockAppend()) throw std::runtime_error("not granted");
    }, [&] {
      SleepMs(200);
      theirs->ReleaseLock();
    });
    ASSERT_TRUE(other.Holding());
    std::thread([&] { other.Release(); }).detach();
    mine.BlankRecord();
    mine.AppendRecord();
    EXPECT_EQ(mine.RecordCount(), 1);
    EXPECT_EQ(other.Finish(), 0);
  }
  OtherProcess holder([&] {
    theirs = std::make_unique<VXO_dBaseFld>(path, true, true);
    if (!theirs->LockAppend()) throw std::runtime_error("not granted");
  }, [] {});
  ASSERT_TRUE(holder.Holding());
  mine.BlankRecord();
  EXPECT_EQ(ErrorOf([&] { mine.AppendRecord(); }), "Can not Lock file " + path);
  EXPECT_EQ(mine.RecordCount(), 1);  // nothing was written
  EXPECT_EQ(FileSizeOf(path), mine.HeaderLength() + mine.RecordLength() + 1);
}

TEST(MemoLock, AMemoWriteGivesUpWhenTheMemoStaysLocked) {
  TempDir dir;
  std::string path = dir.File("ml.dbf");
  CreateTable(path, 0x83, {{"M", 'M', 10, 0}});
  std::unique_ptr<VXO_dBaseFld> theirs;
  OtherProcess holder([&] {
    theirs = std::make_unique<VXO_dBaseFld>(path, true, true);
    theirs->MemoFile()->LockMemo();
  }, [] {});
  ASSERT_TRUE(holder.Holding());
  VXO_dBaseFld mine(path, true, true);
  std::string before = ReadFile(MemoFileName(path, 0x83));
  EXPECT_EQ(ErrorOf([&] { mine.MemoFile()->WriteMemoText("text", 0); }),
            "Can not Lock file " + MemoFileName(path, 0x83));
  EXPECT_EQ(ReadFile(MemoFileName(path, 0x83)), before);
}
