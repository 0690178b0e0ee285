// Two processes on one shared table under the default lock protocol: one
// appends and rewrites records, the other walks the table with read-ahead
// and a filter. The walker sees the appended records once its header is
// refreshed (under the filter once it is rebuilt), and at the end both count
// the same records, none lost.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "HandlerTestKit.h"

namespace talvern::testing {
namespace {

constexpr int kStart = 100;     // records before the writer starts
constexpr int kRounds = 3;      // rounds in step with the walker
constexpr int kPerRound = 50;   // records appended per round
constexpr int kFreeRun = 2000;  // records appended while the walker walks

// One byte through a pipe; false when the other side has gone.
bool Send(int fd, char c) { return write(fd, &c, 1) == 1; }
bool Receive(int fd, char& c) { return read(fd, &c, 1) == 1; }

void AppendDevice(DBFObject& t, const std::string& type, int vid) {
  t.BlankRecord();
  t.RawPut(1, type);
  t.NumberPut(2, vid);
  t.AppendRecord();
}

// The writer: each round appends records and rewrites five old ones under
// a record lock, then runs free; it reports its final count (as text).
int Writer(const std::string& path, int go, int done) {
  try {
    DBFObject t(path, true, true);
    char c;
    for (int round = 1; round <= kRounds; ++round) {
      if (!Receive(go, c)) return 2;
      for (int i = 0; i < kPerRound; ++i) AppendDevice(t, Named("W", round), i % 3);
      for (int r = round * 10; r < round * 10 + 5; ++r) {
        t.ReadRecord(r);
        if (!t.LockRecord()) return 3;
        t.RawPut(1, Named("R", round));
        t.WriteRecord(r);
        t.ReleaseLock();
      }
      if (!Send(done, 'd')) return 2;
    }
    if (!Receive(go, c)) return 2;
    for (int i = 0; i < kFreeRun; ++i) AppendDevice(t, "F", i % 3);
    std::string count = std::to_string(t.RecordCount()) + "\n";
    if (write(done, count.data(), count.size()) != static_cast<ssize_t>(count.size())) return 2;
    return 0;
  } catch (...) {
    return 1;
  }
}

// Kind-1 records and all records as another reader counts them.
std::pair<int, int> CountOnDisk(const std::string& path) {
  VXO_dBaseFld t(path, true, false);
  int kind1 = 0;
  for (int r = 1; r <= t.RecordCount(); ++r) {
    t.ReadRecord(r);
    kind1 += t.NumberGet(2) == 1;
  }
  return {kind1, t.RecordCount()};
}

int Count(VXO_dBHandler& t) { return static_cast<int>(Forward(t).size()); }

TEST(HandlerSharing, WalkerSeesTheWritersRecordsAndNothingIsLost) {
  TempDir dir;
  const std::string path = dir.File("main.dbf");
  MakeDevices(path, Numbered(kStart));
  int toWriter[2], toWalker[2];
  ASSERT_EQ(pipe(toWriter), 0);
  ASSERT_EQ(pipe(toWalker), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(toWriter[1]);
    close(toWalker[0]);
    _exit(Writer(path, toWriter[0], toWalker[1]));
  }
  close(toWriter[0]);
  close(toWalker[1]);
  struct Reap {
    pid_t pid;
    int fd;
    int status = -1;
    ~Reap() {
      close(fd);  // a writer still waiting sees the walker gone
      if (pid > 0) waitpid(pid, &status, 0);
    }
  } reap{child, toWriter[1]};

  DBFObject t(path, true, false);
  t.SetReadAhead(true);
  t.SetFilterOn(true);
  t.SetFilter("VID=1", false, true);
  int kind1 = Count(t);
  EXPECT_EQ(kind1, 34);
  char c;
  for (int round = 1; round <= kRounds; ++round) {
    ASSERT_TRUE(Send(toWriter[1], 'g'));
    ASSERT_TRUE(Receive(toWalker[0], c));
    EXPECT_EQ(Count(t), kind1);  // the filter knows only the records it has seen
    t.RebuildFilter();
    kind1 += kPerRound / 3 + (kPerRound % 3 > 1);
    EXPECT_EQ(Count(t), kind1);
    t.SetFilterOn(false);
    EXPECT_EQ(Count(t), kStart + round * kPerRound);
    t.ReadRecord(round * 10);
    EXPECT_EQ(t.TextGet(1), Named("R", round));
    t.SetFilterOn(true);
  }

  // Walking while the writer appends: every walk sees at least what the
  // one before it saw, and only whole records.
  t.SetFilterOn(false);
  ASSERT_TRUE(Send(toWriter[1], 'g'));
  int seen = 0, walks = 0;
  bool writerDone = false;
  while (!writerDone) {
    writerDone = waitpid(child, &reap.status, WNOHANG) == child;
    int n = 0;
    for (t.ReadRecord(RecTop); !t.Eof(); t.ReadRecord(RecNext), ++n) {
      char first = t.RawGet(1)[0];
      ASSERT_TRUE(first == 'D' || first == 'W' || first == 'R' || first == 'F') << "record " << t.RecNo();
    }
    EXPECT_GE(n, seen);
    seen = n;
    ++walks;
  }
  reap.pid = 0;
  ASSERT_TRUE(WIFEXITED(reap.status));
  ASSERT_EQ(WEXITSTATUS(reap.status), 0);
  std::string reported;
  while (Receive(toWalker[0], c) && c != '\n') reported += c;
  close(toWalker[0]);

  const int total = kStart + kRounds * kPerRound + kFreeRun;
  EXPECT_EQ(reported, std::to_string(total));
  EXPECT_EQ(Count(t), total);
  auto [onDisk1, onDisk] = CountOnDisk(path);
  EXPECT_EQ(onDisk, total);
  t.SetFilterOn(true);
  t.RebuildFilter();
  EXPECT_EQ(Count(t), onDisk1);
  EXPECT_GE(walks, 1);
}

}  // namespace
}  // namespace talvern::testing
