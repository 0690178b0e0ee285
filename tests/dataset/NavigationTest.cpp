// Opening, closing, moving the cursor, and the window of records a bound
// control sees.

#include <gtest/gtest.h>

#include "dataset/DataSetTestKit.h"
#include "dataset/DatabaseError.h"

using namespace talvern;
using namespace talvern::test;

using Types = std::vector<std::string>;

TEST(DataSetNavigation, WalksBothWaysAndStopsAtTheEnds) {
  auto ds = MakeDevices(5);
  ds->Open();
  EXPECT_TRUE(ds->Bof());
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(TypesToEnd(*ds), (Types{"T1", "T2", "T3", "T4", "T5"}));
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(Type(*ds), "T5");  // Eof stays on the last record
  EXPECT_EQ(ds->MoveBy(1), 0);

  ds->Prior();
  EXPECT_EQ(Type(*ds), "T4");
  EXPECT_FALSE(ds->Eof());
  ds->First();
  EXPECT_TRUE(ds->Bof());
  ds->Prior();
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(Type(*ds), "T1");

  EXPECT_EQ(ds->MoveBy(3), 3);
  EXPECT_EQ(Type(*ds), "T4");
  EXPECT_EQ(ds->MoveBy(10), 1);
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->MoveBy(-10), -4);
  EXPECT_TRUE(ds->Bof());

  ds->Last();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(Type(*ds), "T5");
  EXPECT_EQ(ds->RecNo(), 5);
}

TEST(DataSetNavigation, AnEmptyDataSetIsAtBothEnds) {
  auto ds = MakeDevices(0);
  ds->Open();
  EXPECT_TRUE(ds->Bof());
  EXPECT_TRUE(ds->Eof());
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_TRUE(ds->FieldByName("TYPE").IsNull());
  EXPECT_EQ(Type(*ds), "");
  EXPECT_EQ(ds->FieldByName("VID").AsInteger(), 0);
  EXPECT_EQ(ds->MoveBy(1), 0);
  ds->Last();
  EXPECT_TRUE(ds->Bof() && ds->Eof());
  EXPECT_EQ(ds->RecNo(), 0);
  EXPECT_EQ(ds->GetBookmark(), "");
  EXPECT_THROW(ds->Delete(), EDatabaseError);
}

TEST(DataSetNavigation, HiddenRecordsAtTheEndsAreSkipped) {
  auto ds = MakeDevices(5);
  ds->rows[0].deleted = true;
  ds->rows[4].deleted = true;
  ds->Open();
  EXPECT_EQ(Type(*ds), "T2");
  ds->Last();
  EXPECT_EQ(Type(*ds), "T4");
  EXPECT_EQ(ds->RecNo(), 4);  // the record's own number, not its position
  EXPECT_EQ(ds->RecordCount(), 3);
}

TEST(DataSetLifecycle, OpenAndCloseRaiseTheirEventsAndOwnDefaultFields) {
  auto ds = MakeDevices(2);
  std::vector<std::string> log;
  auto logger = [&log](const char* name) { return [&log, name](TDataSet&) { log.push_back(name); }; };
  ds->BeforeOpen = logger("BeforeOpen");
  ds->AfterOpen = logger("AfterOpen");
  ds->AfterScroll = logger("AfterScroll");
  ds->BeforeClose = logger("BeforeClose");
  ds->AfterClose = logger("AfterClose");

  EXPECT_EQ(ds->FieldCount(), 0);
  ds->Open();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->FieldCount(), 4);
  EXPECT_TRUE(ds->DefaultFields());
  EXPECT_EQ(ds->FieldByName("type").FieldName(), "TYPE");  // names ignore case
  ds->Close();
  EXPECT_EQ(ds->State(), dsInactive);
  EXPECT_EQ(ds->FieldCount(), 0);
  EXPECT_EQ(log, (Types{"BeforeOpen", "AfterOpen", "AfterScroll", "BeforeClose", "AfterClose"}));

  try {
    ds->Next();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot perform this operation on a closed dataset");
  }
  try {
    ds->FieldByName("TYPE");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'TYPE' not found");
  }
}

TEST(DataSetLifecycle, AFailedOpenLeavesTheDataSetClosed) {
  auto ds = MakeDevices(3);
  ds->failOpen = true;
  EXPECT_THROW(ds->Open(), EDatabaseError);
  EXPECT_FALSE(ds->Active());

  ds->failOpen = false;
  ds->BeforeOpen = [](TDataSet&) { throw EDatabaseError("not now"); };
  EXPECT_THROW(ds->Open(), EDatabaseError);
  EXPECT_FALSE(ds->Active());

  // The first record fails to compute: the open fails as a whole.
  ds->BeforeOpen = nullptr;
  ds->AddField(ftString, "TYPE", 10);
  ds->AddField(ftString, "1", 20, fkCalculated);
  ds->OnCalcFields = [](TDataSet&) { throw EDatabaseError("bad parameters"); };
  EXPECT_THROW(ds->Open(), EDatabaseError);
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(ds->FieldCount(), 2);  // fields made before opening stay

  ds->OnCalcFields = nullptr;
  ds->Open();
  EXPECT_EQ(Type(*ds), "T1");
}

TEST(DataSetLifecycle, FieldsMadeBeforeOpeningBindByNameAndStay) {
  auto ds = MakeDevices(2);
  ds->AddField(ftString, "TYPE", 10);
  ds->AddField(ftSmallint, "VID");  // another integer width is the same family
  ds->Open();
  EXPECT_FALSE(ds->DefaultFields());
  EXPECT_EQ(ds->FieldCount(), 2);
  EXPECT_EQ(ds->FieldByName("VID").AsInteger(), 1);
  EXPECT_EQ(ds->FindField("PARAMS"), nullptr);
  try {
    ds->AddField(ftString, "PARAMS", 40);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot perform this operation on an open dataset");
  }
  ds->Close();
  EXPECT_EQ(ds->FieldCount(), 2);

  ds->AddField(ftString, "PIC", 9);
  try {
    ds->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'PIC' not found");
  }
  EXPECT_FALSE(ds->Active());

  ds->DestroyFields();
  ds->AddField(ftBoolean, "TYPE");
  try {
    ds->Open();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Type mismatch for field 'TYPE', expecting: Boolean actual: String");
  }
  EXPECT_THROW(ds->AddField(ftBoolean, "type"), EDatabaseError);  // duplicate name

  // What a window does to add calculated fields beside the stored ones.
  ds->DestroyFields();
  ds->UpdateFieldDefs();
  ds->CreateFields();
  ds->AddField(ftString, "1", 250, fkCalculated);
  ds->Open();
  EXPECT_EQ(ds->FieldCount(), 5);
  EXPECT_EQ(ds->FieldByName("1").Index(), 4);
}

TEST(DataSetBuffers, AControlShowingSeveralRowsSeesAWindowAroundTheCurrentRecord) {
  auto ds = MakeDevices(10);
  TDataSource source(ds.get());
  RecordingLink grid;
  grid.SetBufferCount(3);
  grid.SetDataSource(&source);
  ds->Open();
  EXPECT_EQ(grid.activeChanges, 1);
  EXPECT_EQ(grid.Window(), (Types{"T1", "T2", "T3"}));
  EXPECT_EQ(grid.ActiveRecord(), 0);

  ds->MoveBy(2);
  EXPECT_EQ(grid.ActiveRecord(), 2);
  EXPECT_EQ(grid.scrolls.back(), 0);  // moved inside the window
  ds->Next();
  EXPECT_EQ(grid.scrolls.back(), 1);
  EXPECT_EQ(grid.Window(), (Types{"T2", "T3", "T4"}));
  EXPECT_EQ(Type(*ds), "T4");

  ds->Last();
  EXPECT_EQ(grid.Window(), (Types{"T8", "T9", "T10"}));
  EXPECT_EQ(grid.ActiveRecord(), 2);
  ds->MoveBy(-3);
  EXPECT_EQ(grid.scrolls.back(), -1);
  EXPECT_EQ(grid.Window(), (Types{"T7", "T8", "T9"}));
  EXPECT_EQ(grid.ActiveRecord(), 0);
  EXPECT_EQ(Type(*ds), "T7");

  // A second, larger control widens the ring around the current record.
  RecordingLink list;
  list.SetBufferCount(6);
  list.SetDataSource(&source);
  EXPECT_EQ(list.RecordCount(), 6);
  EXPECT_EQ(Type(*ds), "T7");
  EXPECT_EQ(grid.Window(), (Types{"T7", "T8", "T9"}));
  list.SetDataSource(nullptr);
  EXPECT_EQ(Type(*ds), "T7");
  EXPECT_EQ(grid.Window(), (Types{"T7", "T8", "T9"}));
  ds->Refresh();
  EXPECT_EQ(Type(*ds), "T7");

  EXPECT_THROW(grid.SetActiveRecord(3), std::out_of_range);
}

TEST(DataSetBuffers, AWindowLargerThanTheDataHoldsAllOfIt) {
  auto ds = MakeDevices(3);
  TDataSource source(ds.get());
  RecordingLink grid;
  grid.SetBufferCount(10);
  grid.SetDataSource(&source);
  ds->Open();
  ds->Last();
  EXPECT_EQ(grid.Window(), (Types{"T1", "T2", "T3"}));
  EXPECT_EQ(grid.ActiveRecord(), 2);
  EXPECT_EQ(ds->MoveBy(-5), -2);
  EXPECT_EQ(grid.ActiveRecord(), 0);
  EXPECT_EQ(grid.scrolls.back(), 0);
  ds->First();
  EXPECT_EQ(TypesToEnd(*ds), (Types{"T1", "T2", "T3"}));
}
