// The table handler in physical order: deleted records hidden or shown,
// positions by code and by number, Skip past either end.
#include <gtest/gtest.h>

#include "HandlerTestKit.h"

namespace talvern::testing {
namespace {

class HandlerNavigation : public ::testing::Test {
protected:
  std::string Make(const std::vector<Device>& devices) {
    std::string path = dir.File("main.dbf");
    MakeDevices(path, devices);
    return path;
  }
  TempDir dir;
};

TEST_F(HandlerNavigation, DeletedRecordsAtBothEndsAreHiddenUnlessWanted) {
  VXO_dBHandler t(Make({{"A", 1, true}, {"B", 1, true}, {"C", 1}, {"D", 1}, {"E", 1, true}}), true, true);
  t.SetUseDeleted(false);
  t.ReadRecord(RecTop);
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_FALSE(t.Bof() || t.Eof());
  EXPECT_EQ(Forward(t), (Recs{3, 4}));
  EXPECT_EQ(Backward(t), (Recs{4, 3}));

  t.ReadRecord(4);
  t.ReadRecord(RecNext);  // only record 5, deleted, lies behind
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecNo(), 5);  // the last record read stays in the buffer
  t.ReadRecord(3);
  t.ReadRecord(RecPrior);
  EXPECT_TRUE(t.Bof());

  t.SetUseDeleted(true);
  EXPECT_EQ(Forward(t), (Recs{1, 2, 3, 4, 5}));
}

TEST_F(HandlerNavigation, EveryRecordDeletedEndsAtEofWithTheLastRecordRead) {
  VXO_dBHandler t(Make({{"A", 1, true}, {"B", 1, true}, {"C", 1, true}}), true, true);
  t.SetUseDeleted(false);
  t.ReadRecord(RecTop);
  EXPECT_TRUE(t.Eof());
  EXPECT_FALSE(t.Bof());
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_EQ(t.TextGet(1), "C");
  t.ReadRecord(RecBottom);
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(Forward(t), Recs{});
}

TEST_F(HandlerNavigation, RecordsByNumberAreReadAsTheyAre) {
  VXO_dBHandler t(Make({{"A", 1}, {"B", 2, true}, {"C", 3}}), true, true);
  t.SetUseDeleted(false);
  t.ReadRecord(2);  // deleted, but asked for by number
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_TRUE(t.IsDeleted());

  t.ReadRecord(4);  // the record behind the last: EOF and a blank buffer
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.TextGet(1), "");
  EXPECT_EQ(t.TextGet(2), "0");

  t.ReadRecord(1);
  t.ReadRecord(0);  // record 0: a blank buffer
  EXPECT_EQ(t.TextGet(1), "");
  EXPECT_EQ(ErrorOf([&] { t.ReadRecord(5); }),
            "Record number 5 is not in table " + dir.File("main.dbf"));
}

TEST_F(HandlerNavigation, EmptyTableIsAtBothEnds) {
  VXO_dBHandler t(Make({}), true, true);
  t.ReadRecord(RecTop);
  EXPECT_TRUE(t.Bof() && t.Eof());
  t.Skip(1);
  EXPECT_TRUE(t.Bof() && t.Eof());
  t.SetUseDeleted(false);
  t.Skip(-1);
  EXPECT_TRUE(t.Bof() && t.Eof());
}

TEST_F(HandlerNavigation, SkipPastEitherEndKeepsTheRecordAtThatEnd) {
  VXO_dBHandler t(Make({{"A", 1}, {"B", 2}, {"C", 3}}), true, true);
  t.ReadRecord(1);
  t.Skip(5);
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_TRUE(t.Eof());
  t.Skip(-5);
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_TRUE(t.Bof());
  t.Skip(2);
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_FALSE(t.Eof() || t.Bof());
  t.Skip(0);
  EXPECT_EQ(t.RecNo(), 3);
}

TEST_F(HandlerNavigation, SkipStepsOverHiddenRecords) {
  VXO_dBHandler t(Make({{"A", 1}, {"B", 2, true}, {"C", 3}, {"D", 4, true}}), true, true);
  t.SetUseDeleted(false);
  t.ReadRecord(RecTop);
  t.Skip(1);
  EXPECT_EQ(t.RecNo(), 3);
  t.Skip(3);
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecNo(), 4);  // read and refused on the way
  t.ReadRecord(3);
  t.Skip(-4);
  EXPECT_TRUE(t.Bof());
}

// A table that is building an index or being re-enciphered is read as it
// lies: deleted records included, changed flags cleared.
class BusyTable : public VXO_dBHandler {
public:
  using VXO_dBHandler::VXO_dBHandler;
  void SetState(std::uint8_t state) { tableState_ = state; }
};

TEST_F(HandlerNavigation, BusyTableReadsRecordsAsTheyLie) {
  BusyTable t(Make({{"A", 1, true}, {"B", 2}}), true, true);
  t.SetUseDeleted(false);
  t.RawPut(1, "X");
  t.SetState(kTableIndexing);
  t.ReadRecord(RecTop);
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_FALSE(t.FieldChanged(1));
}

}  // namespace
}  // namespace talvern::testing
