// Read-ahead: walking the table in physical order through 32 KB blocks
// shows what this table wrote and what other programs appended.
#include <gtest/gtest.h>

#include "HandlerTestKit.h"

namespace talvern::testing {
namespace {

class HandlerReadAhead : public ::testing::Test {
protected:
  // 4000 records of 15 bytes: two and a half blocks.
  void SetUp() override { MakeDevices(path, Numbered(kCount, 7)); }
  static constexpr int kCount = 4000;
  TempDir dir;
  std::string path = dir.File("main.dbf");
};

// Every record of the table read through t in physical order, as
// "TYPE/VID" texts.
std::vector<std::string> Contents(VXO_dBHandler& t) {
  std::vector<std::string> rows;
  for (t.ReadRecord(RecTop); !t.Eof(); t.ReadRecord(RecNext)) rows.push_back(t.TextGet(1) + "/" + t.TextGet(2));
  return rows;
}

TEST_F(HandlerReadAhead, BlockHoldsWholeRecords) {
  VXO_dBHandler t(path, true, true);
  EXPECT_FALSE(t.ReadAheadOn());
  t.SetReadAhead(true);
  auto rows = Contents(t);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kCount));
  EXPECT_EQ(rows[0], "D1/1");
  EXPECT_EQ(rows[2184], "D2185/1");  // the first record of the second block
  EXPECT_EQ(rows.back(), "D4000/3");
}

TEST_F(HandlerReadAhead, ShowsWhatTheSameTableWrote) {
  VXO_dBHandler t(path, true, true);
  t.SetReadAhead(true);
  t.ReadRecord(RecTop);  // the first block is read
  t.ReadRecord(3);
  t.RawPut(1, "CHANGED");
  t.WriteRecord(3);
  t.ReadRecord(2200);
  t.DeleteRecord();
  t.BlankRecord();
  t.RawPut(1, "ADDED");
  t.AppendRecord();

  auto rows = Contents(t);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kCount + 1));
  EXPECT_EQ(rows[2], "CHANGED/3");
  EXPECT_EQ(rows.back(), "ADDED/0");
  t.ReadRecord(RecTop);
  t.Skip(2199);
  EXPECT_TRUE(t.IsDeleted());
  t.SetUseDeleted(false);
  EXPECT_EQ(Contents(t).size(), static_cast<std::size_t>(kCount));
}

TEST_F(HandlerReadAhead, ShowsRecordsAnotherProgramAppended) {
  VXO_dBHandler t(path, true, false);
  t.SetReadAhead(true);
  EXPECT_EQ(Contents(t).size(), static_cast<std::size_t>(kCount));  // the last block ends at the old end
  {
    VXO_dBaseFld other(path, true, true);
    for (int i = 1; i <= 3; ++i) {
      other.BlankRecord();
      other.RawPut(1, Named("NEW", i));
      other.AppendRecord();
    }
  }
  t.ReadRecord(RecNext);  // on from the old last record
  EXPECT_FALSE(t.Eof());
  EXPECT_EQ(t.RecNo(), kCount + 1);
  EXPECT_EQ(t.TextGet(1), "NEW1");
  auto rows = Contents(t);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kCount + 3));
  EXPECT_EQ(rows.back(), "NEW3/0");
}

// A record asked for by number (an edit, a bookmark) is read from the file:
// another program may have rewritten it since its block was read.
TEST_F(HandlerReadAhead, RecordByNumberIsTheOneOnDisk) {
  VXO_dBHandler t(path, true, true);
  t.SetReadAhead(true);
  t.ReadRecord(RecTop);
  {
    VXO_dBaseFld other(path, true, true);
    other.ReadRecord(2);
    other.RawPut(1, "THEIRS");
    other.WriteRecord(2);
  }
  t.ReadRecord(2);
  EXPECT_EQ(t.TextGet(1), "THEIRS");
  t.ReadRecord(RecTop);
  t.ReadRecord(RecNext);
  EXPECT_EQ(t.TextGet(1), "THEIRS");  // the block took the fresh bytes
}

// Records read by number after a prefetch of them (enough to be read on two
// threads) are those of the file; a write, a read out of the list's order
// and a list reaching past the end leave the reads to the file.
TEST_F(HandlerReadAhead, PrefetchedRecordsAreTheFilesRecords) {
  VXO_dBHandler t(path, true, true);
  std::vector<std::int32_t> recnos;
  for (int i = 0; i < 3000; ++i) recnos.push_back(1 + i * 2654435761u % kCount);
  t.Prefetch(recnos.data(), recnos.size());
  for (std::int32_t r : recnos) {
    t.ReadStored(r);
    ASSERT_EQ(t.TextGet(1), Named("D", r)) << r;
  }
  const std::int32_t some[] = {5, 6, 7, 8};
  t.Prefetch(some, 4);
  t.ReadStored(5);
  t.RawPut(1, "MINE");
  t.WriteRecord(6);  // record 5's bytes with the new type, as record 6
  t.ReadStored(6);
  EXPECT_EQ(t.TextGet(1), "MINE");
  t.ReadStored(8);
  EXPECT_EQ(t.TextGet(1), "D8");
  const std::int32_t beyond[] = {1, kCount + 5};
  t.Prefetch(beyond, 2);
  t.ReadStored(1);
  EXPECT_EQ(t.TextGet(1), "D1");
  t.DropPrefetched();
}

TEST_F(HandlerReadAhead, SwitchingOffReadsRecordByRecord) {
  VXO_dBHandler t(path, true, true);
  t.SetReadAhead(true);
  t.ReadRecord(RecTop);
  t.SetReadAhead(false);
  EXPECT_FALSE(t.ReadAheadOn());
  EXPECT_EQ(Contents(t).size(), static_cast<std::size_t>(kCount));
}

}  // namespace
}  // namespace talvern::testing
