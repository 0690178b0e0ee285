// The handler's filter: set once, evaluated on every record, then kept up
// to date by the writes alone; navigation under it; the dataset's record
// filter hook.
#include <gtest/gtest.h>

#include "HandlerTestKit.h"
#include "expr/Registry.h"
#include "expr/UserLink.h"

namespace talvern::testing {
namespace {

// A table whose expressions may call COUNTED(), which is true and counts
// its evaluations: a filter "... .AND. COUNTED()" tells how many records it
// was evaluated on.
class CountingTable : public DBFObject {
public:
  CountingTable(const std::string& path, bool shared, bool readWrite) : DBFObject(path, shared, readWrite) {
    ExpressionLink()->Functions().Register(std::make_unique<Counted>(evaluations));
  }
  int evaluations = 0;

private:
  class Counted : public TvxUserDefFunction {
  public:
    explicit Counted(int& count) : count_(count) {}
    std::string_view FunctionName() const override { return "COUNTED"; }
    void Execute(TvxExpFunction&, ExprValue& value, ValueKind& kind) override {
      ++count_;
      value.SetBoolean(true);
      kind = ValueKind::Boolean;
    }

  private:
    int& count_;
  };
};

class HandlerFilter : public ::testing::Test {
protected:
  void SetUp() override { MakeDevices(path, Numbered(9)); }  // kinds 1 2 0 1 2 0 1 2 0
  TempDir dir;
  std::string path = dir.File("main.dbf");
};

TEST_F(HandlerFilter, WalksOnlyTheRecordsThatPass) {
  VXO_dBHandler t(path, true, true);
  t.SetFilterOn(true);
  t.SetFilter("VID=1", false, true);
  EXPECT_TRUE(t.FilterActive());
  EXPECT_EQ(Forward(t), (Recs{1, 4, 7}));
  EXPECT_EQ(Backward(t), (Recs{7, 4, 1}));
  t.ReadRecord(7);
  t.ReadRecord(RecNext);
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecNo(), 7);
  t.ReadRecord(1);
  t.ReadRecord(RecPrior);
  EXPECT_TRUE(t.Bof());

  t.ReadRecord(1);
  t.Skip(2);
  EXPECT_EQ(t.RecNo(), 7);
  t.Skip(1);
  EXPECT_TRUE(t.Eof());
  t.Skip(-5);
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecNo(), 1);

  t.SetFilterOn(false);
  EXPECT_EQ(Forward(t).size(), 9u);
  t.SetFilterOn(true);
  EXPECT_EQ(Forward(t), (Recs{1, 4, 7}));

  t.SetFilter("VID=5", false, true);  // nothing passes
  t.ReadRecord(RecTop);
  EXPECT_TRUE(t.Bof() && t.Eof());
}

TEST_F(HandlerFilter, NonLogicalFilterIsRefusedEveryTime) {
  VXO_dBHandler t(path, true, true);
  t.SetFilterOn(true);
  const std::string refused = "Filter expression must return boolean result";
  EXPECT_EQ(ErrorOf([&] { t.SetFilter("VID+1", false, true); }), refused);
  EXPECT_FALSE(t.FilterActive());
  EXPECT_EQ(Forward(t).size(), 9u);
  EXPECT_EQ(ErrorOf([&] { t.SetFilter("VID+1", false, true); }), refused);
  EXPECT_NE(ErrorOf([&] { t.SetFilter("VID=", false, true); }), "");
  EXPECT_FALSE(t.FilterActive());
}

TEST_F(HandlerFilter, SameFilterAgainDoesNotScanAgain) {
  CountingTable t(path, true, true);
  t.SetFilterOn(true);
  t.SetFilter("VID=2 .AND. COUNTED()", false, true);
  EXPECT_EQ(t.evaluations, 1 + 9);  // the first evaluation, then each record
  t.SetFilter("VID=2 .AND. COUNTED()", false, true);
  EXPECT_EQ(t.evaluations, 10);
  EXPECT_EQ(Forward(t), (Recs{2, 5, 8}));
  t.SetFilter("VID=2 .AND. COUNTED()", true, true);  // another option: scanned again
  EXPECT_EQ(t.evaluations, 20);
}

TEST_F(HandlerFilter, EmptyFilterDropsItAndTheSameTextLaterAppliesAgain) {
  VXO_dBHandler t(path, true, true);
  t.SetFilterOn(true);
  t.SetFilter("VID=0", false, true);
  t.SetFilter("", false, true);
  EXPECT_FALSE(t.FilterActive());
  EXPECT_EQ(Forward(t).size(), 9u);
  t.SetFilter("VID=0", false, true);
  EXPECT_TRUE(t.FilterActive());
  EXPECT_EQ(Forward(t), (Recs{3, 6, 9}));
}

TEST_F(HandlerFilter, WritesKeepTheFilterWithoutScanning) {
  CountingTable t(path, true, true);
  t.SetFilterOn(true);
  t.SetFilter("COUNTED() .AND. VID=1", false, true);
  t.evaluations = 0;

  t.ReadRecord(4);
  t.NumberPut(2, 2);  // record 4 leaves the filter
  t.WriteRecord(4);
  t.ReadRecord(5);
  t.NumberPut(2, 1);  // record 5 joins it
  t.WriteRecord(5);
  t.BlankRecord();
  t.RawPut(1, "NEW");
  t.NumberPut(2, 1);  // an appended record that passes
  t.AppendRecord();
  EXPECT_EQ(Forward(t), (Recs{1, 5, 7, 10}));
  EXPECT_EQ(t.evaluations, 3);  // once per record written: no scan

  t.ReadRecord(7);
  t.DeleteRecord();
  t.SetUseDeleted(false);
  EXPECT_EQ(Forward(t), (Recs{1, 5, 10}));
}

TEST_F(HandlerFilter, HiddenDeletedRecordsShowWhenWantedWithoutRebuilding) {
  VXO_dBHandler t(path, true, true);
  t.ReadRecord(4);
  t.DeleteRecord();
  t.SetUseDeleted(false);
  t.SetFilterOn(true);
  t.SetFilter("VID=1", false, true);
  EXPECT_EQ(Forward(t), (Recs{1, 7}));
  t.SetUseDeleted(true);
  EXPECT_EQ(Forward(t), (Recs{1, 4, 7}));
}

// A damaged value met by the filter while a record is written: the error
// is reported, the record is on disk, and the filter no longer shows it.
TEST_F(HandlerFilter, FilterErrorOnWriteLeavesTheRecordWrittenAndHidden) {
  VXO_dBHandler t(path, true, true);
  t.SetFilterOn(true);
  t.SetFilter("VID=1", false, true);
  t.ReadRecord(4);
  t.RawPut(2, "4x");
  EXPECT_NE(ErrorOf([&] { t.WriteRecord(4); }).find("Invalid numeric value"), std::string::npos);
  EXPECT_FALSE(t.FilterSet()->Test(4));
  VXO_dBaseFld other(path, true, false);
  other.ReadRecord(4);
  EXPECT_EQ(other.RawGet(2), "  4x");
}

TEST_F(HandlerFilter, DatasetHookIsAskedBeforeTheFilter) {
  DBFObject t(path, true, true);
  t.SetRecordFilter([&] { return t.RecNo() % 2 == 1; });
  t.SetFilterOn(true);  // filtering on, no filter text: only the hook
  EXPECT_EQ(Forward(t), (Recs{1, 3, 5, 7, 9}));
  t.ReadRecord(1);
  t.Skip(1);
  EXPECT_EQ(t.RecNo(), 3);
  t.SetFilter("VID=1", false, true);
  EXPECT_EQ(Forward(t), (Recs{1, 7}));
  t.SetRecordFilter(nullptr);
  EXPECT_EQ(Forward(t), (Recs{1, 4, 7}));

  std::vector<std::int32_t> reports;
  t.SetStatusHook([&](std::int32_t a, std::int32_t b, std::int32_t c) { reports = {a, b, c}; });
  t.StatusReport(-1, 1, 9);
  EXPECT_EQ(reports, (std::vector<std::int32_t>{-1, 1, 9}));
}

TEST_F(HandlerFilter, RebuildShowsRecordsAppendedByAnotherProgram) {
  VXO_dBHandler t(path, true, false);
  t.SetFilterOn(true);
  t.SetFilter("VID=1", false, true);
  {
    VXO_dBaseFld other(path, true, true);
    other.BlankRecord();
    other.RawPut(1, "OTHER");
    other.NumberPut(2, 1);
    other.AppendRecord();
  }
  EXPECT_EQ(Forward(t), (Recs{1, 4, 7}));
  t.RebuildFilter();
  EXPECT_EQ(Forward(t), (Recs{1, 4, 7, 10}));
  EXPECT_EQ(t.TextGet(1), "OTHER");
}

}  // namespace
}  // namespace talvern::testing
