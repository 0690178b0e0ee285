// Editing: edit, insert, append, post, cancel, delete; their error events;
// and what an exception leaving an event handler leaves behind.

#include <gtest/gtest.h>

#include "dataset/DataSetTestKit.h"
#include "dataset/DatabaseError.h"

using namespace talvern;
using namespace talvern::test;

using Types = std::vector<std::string>;

namespace {

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

std::string StoredType(TMemoryDataSet& ds, int recNo) {
  return std::get<std::string>(ds.rows[static_cast<std::size_t>(recNo - 1)].values[0]);
}

}  // namespace

TEST(DataSetEditing, PostWritesTheRecordAndCancelGivesTheChangeUp) {
  auto ds = MakeDevices(3);
  std::vector<std::string> log;
  auto logger = [&log](const char* name) { return [&log, name](TDataSet&) { log.push_back(name); }; };
  ds->BeforeEdit = logger("BeforeEdit");
  ds->AfterEdit = logger("AfterEdit");
  ds->BeforePost = logger("BeforePost");
  ds->AfterPost = logger("AfterPost");
  ds->BeforeCancel = logger("BeforeCancel");
  ds->AfterCancel = logger("AfterCancel");
  ds->Open();
  ds->Next();

  ds->Edit();
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_FALSE(ds->Modified());
  ds->FieldByName("TYPE").SetAsString("KT315");
  EXPECT_TRUE(ds->Modified());
  EXPECT_EQ(StoredType(*ds, 2), "T2");  // nothing written before Post
  ds->Post();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(StoredType(*ds, 2), "KT315");
  EXPECT_EQ(Type(*ds), "KT315");
  EXPECT_EQ(ds->RecNo(), 2);

  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("changed");
  ds->Cancel();
  EXPECT_EQ(Type(*ds), "KT315");
  EXPECT_EQ(StoredType(*ds, 2), "KT315");
  EXPECT_EQ(log, (Types{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeEdit", "AfterEdit",
                        "BeforeCancel", "AfterCancel"}));
}

TEST(DataSetEditing, TheWriteRulesNameTheirReason) {
  auto ds = MakeDevices(2);
  ds->Open();
  EXPECT_EQ(Message([&] { ds->FieldByName("TYPE").SetAsString("x"); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(Message([&] { ds->Post(); }), "Dataset not in edit or insert mode");
  ds->FieldByName("TYPE").SetReadOnly(true);
  ds->Edit();
  EXPECT_EQ(Message([&] { ds->FieldByName("TYPE").SetAsString("x"); }), "Field 'TYPE' cannot be modified");
  ds->Cancel();
  ds->readOnly = true;
  EXPECT_EQ(Message([&] { ds->Edit(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(Message([&] { ds->Append(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(Message([&] { ds->Delete(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST(DataSetEditing, MovingOnPostsAChangedRecordAndDropsAnUntouchedEdit) {
  auto ds = MakeDevices(3);
  int posts = 0;
  ds->BeforePost = [&posts](TDataSet&) { ++posts; };
  ds->Open();
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("A1");
  ds->Next();
  EXPECT_EQ(posts, 1);
  EXPECT_EQ(StoredType(*ds, 1), "A1");
  EXPECT_EQ(Type(*ds), "T2");

  ds->Edit();
  ds->Next();
  EXPECT_EQ(posts, 1);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Type(*ds), "T3");
}

TEST(DataSetEditing, InsertGoesBeforeTheCurrentRecordAndAppendAfterTheLast) {
  auto ds = MakeDevices(4);
  TDataSource source(ds.get());
  RecordingLink grid;
  grid.SetBufferCount(5);
  grid.SetDataSource(&source);
  ds->OnNewRecord = [](TDataSet& d) { d.FieldByName("VID").SetAsInteger(7); };
  ds->Open();
  ds->MoveBy(2);

  ds->Insert();
  EXPECT_EQ(ds->State(), dsInsert);
  EXPECT_EQ(grid.Window(), (Types{"T1", "T2", "", "T3", "T4"}));
  EXPECT_EQ(grid.ActiveRecord(), 2);
  EXPECT_EQ(ds->FieldByName("VID").AsInteger(), 7);
  EXPECT_FALSE(ds->Modified());  // defaults of OnNewRecord are no change
  ds->FieldByName("TYPE").SetAsString("N1");
  ds->Post();
  EXPECT_EQ(ds->rows.size(), 5u);
  EXPECT_EQ(Type(*ds), "N1");
  EXPECT_EQ(ds->RecNo(), 5);

  ds->First();
  ds->Append();
  EXPECT_EQ(grid.Window(), (Types{"T2", "T3", "T4", "N1", ""}));
  ds->Cancel();
  EXPECT_EQ(ds->rows.size(), 5u);
  EXPECT_EQ(Type(*ds), "N1");  // a cancelled append ends on the last record

  ds->First();
  ds->Insert();
  ds->Cancel();
  EXPECT_EQ(Type(*ds), "T1");
  ds->Insert();
  ds->Delete();  // deleting a record not yet posted cancels it
  EXPECT_EQ(ds->rows.size(), 5u);
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST(DataSetEditing, EditOnAnEmptyDataSetInserts) {
  auto ds = MakeDevices(0);
  ds->Open();
  ds->Edit();
  EXPECT_EQ(ds->State(), dsInsert);
  ds->FieldByName("TYPE").SetAsString("first");
  ds->Post();
  EXPECT_FALSE(ds->IsEmpty());
  EXPECT_EQ(Type(*ds), "first");
  EXPECT_FALSE(ds->Bof() && ds->Eof());
}

TEST(DataSetEditing, DeleteMovesToTheNextRecordOrTheLast) {
  auto ds = MakeDevices(3);
  ds->Open();
  ds->Next();
  ds->Delete();
  EXPECT_EQ(Type(*ds), "T3");
  ds->Delete();
  EXPECT_EQ(Type(*ds), "T1");
  ds->Edit();  // deleting while editing ends the edit with the record
  ds->Delete();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_TRUE(ds->Bof() && ds->Eof());
  EXPECT_EQ(ds->RecordCount(), 0);
}

TEST(DataSetEditing, ErrorHandlersMayRetryOrAbortAFailedWrite) {
  auto ds = MakeDevices(3);
  ds->Open();
  ds->lockedRecNo = 1;
  EXPECT_EQ(Message([&] { ds->Edit(); }), "Record is locked by another user");
  EXPECT_EQ(ds->State(), dsBrowse);

  int calls = 0;
  ds->OnEditError = [&](TDataSet&, const std::exception&, TDataAction& action) {
    ++calls;
    ds->lockedRecNo = 0;  // the other user let go
    action = daRetry;
  };
  ds->Edit();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ds->State(), dsEdit);

  ds->FieldByName("TYPE").SetAsString("P1");
  ds->failPosts = 1;
  EXPECT_EQ(Message([&] { ds->Post(); }), "Cannot write the row");
  EXPECT_EQ(ds->State(), dsEdit);  // the change is still there to post or cancel
  EXPECT_EQ(Type(*ds), "P1");
  ds->Post();
  EXPECT_EQ(StoredType(*ds, 1), "P1");

  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("P2");
  ds->failPosts = 5;
  ds->OnPostError = [](TDataSet&, const std::exception&, TDataAction& action) { action = daAbort; };
  EXPECT_THROW(ds->Post(), EAbort);
  EXPECT_EQ(ds->State(), dsEdit);
  ds->Cancel();
  EXPECT_EQ(Type(*ds), "P1");
}

TEST(DataSetEditing, AnErrorInABeforeEventStopsTheOperationAndChangesNothing) {
  auto ds = MakeDevices(3);
  ds->Open();
  ds->BeforeEdit = [](TDataSet&) { throw EDatabaseError("no editing"); };
  EXPECT_THROW(ds->Edit(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);

  ds->BeforeEdit = nullptr;
  ds->BeforePost = [](TDataSet&) { throw EDatabaseError("not valid"); };
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("X");
  EXPECT_THROW(ds->Post(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_THROW(ds->Next(), EDatabaseError);  // leaving edit mode posts, which fails
  EXPECT_EQ(Type(*ds), "X");
  ds->Cancel();
  EXPECT_EQ(Type(*ds), "T1");

  ds->BeforeDelete = [](TDataSet&) { throw EDatabaseError("keep it"); };
  EXPECT_THROW(ds->Delete(), EDatabaseError);
  EXPECT_EQ(ds->RecordCount(), 3);
}

TEST(DataSetEditing, AFailedNewRecordReturnsToTheRecordThatWasCurrent) {
  auto ds = MakeDevices(5);
  TDataSource source(ds.get());
  RecordingLink grid;
  grid.SetBufferCount(3);
  grid.SetDataSource(&source);
  ds->Open();
  ds->MoveBy(3);
  Types before = grid.Window();
  ds->OnNewRecord = [](TDataSet& d) {
    d.FieldByName("VID").SetAsString("not a number");
  };
  EXPECT_EQ(Message([&] { ds->Insert(); }), "'not a number' is not a valid integer value");
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Type(*ds), "T4");
  EXPECT_EQ(grid.Window(), before);
  EXPECT_THROW(ds->Append(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Type(*ds), "T4");
  EXPECT_EQ(ds->rows.size(), 5u);
}

TEST(DataSetEditing, AFailingRecordCalculationLeavesTheCursorWhereItWas) {
  auto ds = MakeDevices(4);
  ds->AddField(ftString, "TYPE", 10);
  ds->AddField(ftString, "UPPER", 10, fkCalculated);
  bool failOnT3 = true;
  ds->OnCalcFields = [&](TDataSet& d) {
    std::string type = d.FieldByName("TYPE").AsString();
    if (failOnT3 && type == "T3") throw EDatabaseError("cannot compute T3");
    d.FieldByName("UPPER").SetAsString(type + "!");
  };
  ds->Open();
  ds->Next();
  EXPECT_THROW(ds->Next(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(Type(*ds), "T2");
  EXPECT_EQ(ds->FieldByName("UPPER").AsString(), "T2!");
  failOnT3 = false;
  ds->Next();
  EXPECT_EQ(ds->FieldByName("UPPER").AsString(), "T3!");
  EXPECT_EQ(TypesToEnd(*ds), (Types{"T3", "T4"}));

  // A grid of three rows makes First read T3 too: the rows read before it stay.
  TDataSource source(ds.get());
  RecordingLink grid;
  grid.SetBufferCount(3);
  failOnT3 = true;
  EXPECT_THROW(grid.SetDataSource(&source), EDatabaseError);
  EXPECT_THROW(ds->First(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(grid.Window(), (Types{"T1", "T2"}));
  EXPECT_EQ(Type(*ds), "T1");
  failOnT3 = false;
  ds->First();
  EXPECT_EQ(TypesToEnd(*ds), (Types{"T1", "T2", "T3", "T4"}));
}

TEST(DataSetEditing, AnErrorAfterTheEventLeavesTheOperationDone) {
  auto ds = MakeDevices(3);
  ds->Open();
  ds->AfterScroll = [](TDataSet&) { throw EDatabaseError("status bar broke"); };
  EXPECT_THROW(ds->Next(), EDatabaseError);
  EXPECT_EQ(Type(*ds), "T2");
  ds->AfterScroll = nullptr;
  ds->AfterPost = [](TDataSet&) { throw EDatabaseError("after post"); };
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("S2");
  EXPECT_THROW(ds->Post(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(StoredType(*ds, 2), "S2");
}

TEST(DataSetEditing, ARecordWrittenButNotReadBackLeavesNoStaleBuffers) {
  auto ds = MakeDevices(3);
  ds->AddField(ftString, "TYPE", 10);
  ds->AddField(ftString, "C", 10, fkCalculated);
  ds->OnCalcFields = [](TDataSet& d) {
    if (d.FieldByName("TYPE").AsString() == "bad") throw EDatabaseError("cannot compute");
  };
  ds->SetAutoCalcFields(false);
  ds->Open();
  ds->Append();
  ds->FieldByName("TYPE").SetAsString("bad");
  EXPECT_THROW(ds->Post(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->rows.size(), 4u);  // written
  EXPECT_TRUE(ds->IsEmpty());       // but not shown as if it were still new
  EXPECT_EQ(ds->GetBookmark(), "");
  ds->First();
  EXPECT_EQ(Type(*ds), "T1");
}

TEST(DataSetEditing, ClosingWhileEditingDropsTheChange) {
  auto ds = MakeDevices(2);
  ds->Open();
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("lost");
  ds->Close();
  EXPECT_FALSE(ds->Active());
  EXPECT_EQ(StoredType(*ds, 1), "T1");
  ds->Open();
  ds->Append();
  ds->Close();
  EXPECT_EQ(ds->rows.size(), 2u);
}
