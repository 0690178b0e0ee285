// What bound controls and detail datasets hear, the record filter,
// bookmarks and searching.

#include <gtest/gtest.h>

#include "dataset/DataSetTestKit.h"
#include "dataset/DatabaseError.h"

using namespace talvern;
using namespace talvern::test;

using Types = std::vector<std::string>;

TEST(DataSetLinks, ABoundControlHearsOfOpeningScrollingAndEditing) {
  auto ds = MakeDevices(3);
  TDataSource source(ds.get());
  int stateChanges = 0, dataChanges = 0;
  source.OnStateChange = [&](TDataSource&) { ++stateChanges; };
  source.OnDataChange = [&](TDataSource&, TField*) { ++dataChanges; };
  RecordingLink control;
  control.SetDataSource(&source);
  EXPECT_FALSE(control.Active());

  ds->Open();
  EXPECT_TRUE(control.Active());
  EXPECT_EQ(control.activeChanges, 1);
  EXPECT_EQ(source.State(), dsBrowse);
  ds->Next();
  EXPECT_EQ(control.scrolls.size(), 1u);

  // A control writes what the user typed when the record is about to post.
  control.onUpdateData = [&] { ds->FieldByName("TYPE").SetAsString("typed"); };
  EXPECT_TRUE(control.Edit());
  EXPECT_TRUE(control.Editing());
  EXPECT_EQ(control.editingChanges, 1);
  ds->FieldByName("VID").SetAsInteger(5);
  EXPECT_EQ(control.changedFields.back(), "VID");
  int heard = control.recordChanges;
  ds->Post();
  EXPECT_EQ(control.updates, 1);
  EXPECT_EQ(control.recordChanges, heard);  // not told of its own write
  EXPECT_FALSE(control.Editing());
  EXPECT_EQ(std::get<std::string>(ds->rows[1].values[0]), "typed");

  source.SetEnabled(false);
  EXPECT_FALSE(control.Active());
  source.SetEnabled(true);
  EXPECT_TRUE(control.Active());
  ds->Close();
  EXPECT_FALSE(control.Active());
  EXPECT_GT(stateChanges, 4);
  EXPECT_GT(dataChanges, 2);

  control.SetReadOnly(true);
  ds->Open();
  EXPECT_FALSE(control.Edit());
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST(DataSetLinks, ControlsAndSourcesMayGoFirst) {
  auto ds = MakeDevices(3);
  ds->Open();
  {
    TDataSource source(ds.get());
    auto control = std::make_unique<RecordingLink>();
    control->SetBufferCount(3);
    control->SetDataSource(&source);
    EXPECT_EQ(control->Window(), (Types{"T1", "T2", "T3"}));
    control.reset();
    ds->Next();
  }
  ds->Next();
  EXPECT_EQ(Type(*ds), "T3");

  RecordingLink orphan;
  {
    auto other = MakeDevices(2);
    TDataSource source(other.get());
    orphan.SetDataSource(&source);
    other->Open();
    EXPECT_TRUE(orphan.Active());
    other.reset();  // the dataset goes first: the control sees it inactive
    EXPECT_FALSE(orphan.Active());
    EXPECT_EQ(source.DataSet(), nullptr);
  }
  EXPECT_EQ(orphan.DataSource(), nullptr);
}

TEST(DataSetLinks, ASourceSwitchedToAnotherOpenDataSetShowsTheNewOne) {
  auto devices = MakeDevices(3);
  auto kinds = MakeKinds();
  devices->Open();
  kinds->Open();
  TDataSource source(devices.get());
  int dataChanges = 0;
  source.OnDataChange = [&](TDataSource&, TField*) { ++dataChanges; };
  RecordingLink control;
  control.SetDataSource(&source);
  EXPECT_EQ(control.activeChanges, 1);

  // Both are open: the state does not change, yet the control must let go
  // of the old dataset's fields and read the new one's.
  source.SetDataSet(kinds.get());
  EXPECT_EQ(control.activeChanges, 3);  // inactive, then active again
  EXPECT_TRUE(control.Active());
  EXPECT_EQ(control.DataSet(), kinds.get());
  EXPECT_EQ(control.DataSet()->FieldByName("NAME").AsString(), "Diodes");
  EXPECT_EQ(dataChanges, 1);
  devices->Next();
  EXPECT_TRUE(control.scrolls.empty());  // the old dataset is not heard any more
}

TEST(DataSetLinks, DisabledControlsHearOneChangeWhenTheLastEnableCallComes) {
  auto ds = MakeDevices(5);
  TDataSource source(ds.get());
  RecordingLink control;
  control.SetDataSource(&source);
  ds->Open();
  int before = control.Events();

  ds->DisableControls();
  ds->DisableControls();
  ds->Next();
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("quiet");
  ds->Post();
  ds->Last();
  EXPECT_EQ(control.Events(), before);
  ds->EnableControls();
  EXPECT_EQ(control.Events(), before);
  ds->EnableControls();
  EXPECT_EQ(control.dataSetChanges, 1);
  EXPECT_EQ(control.Events(), before + 1);
  EXPECT_FALSE(ds->ControlsDisabled());
  ds->EnableControls();  // one too many does no harm
  EXPECT_EQ(control.Events(), before + 1);

  // Closed and opened again unseen: the control lets go of the old fields.
  ds->DisableControls();
  ds->Close();
  ds->Open();
  ds->EnableControls();
  EXPECT_EQ(control.activeChanges, 3);
  EXPECT_TRUE(control.Active());

  // Writing a pending value before a post cannot wait for EnableControls.
  control.onUpdateData = [&] { ds->FieldByName("TYPE").SetAsString("pending"); };
  ds->Edit();
  ds->DisableControls();
  ds->Post();
  ds->EnableControls();
  EXPECT_EQ(Type(*ds), "pending");
}

namespace {

// Groups (GROUP, NAME) as master, the kinds of a group as detail.
struct MasterDetail {
  std::unique_ptr<TMemoryDataSet> groups = std::make_unique<TMemoryDataSet>(
      std::vector<TMemoryDataSet::Column>{{"GROUP", ftInteger}, {"NAME", ftString, 20}});
  std::unique_ptr<TMemoryDataSet> kinds = MakeKinds();
  TDataSource groupSource{groups.get()};
  TDataSource kindSource{kinds.get()};

  MasterDetail() {
    groups->AddRow({std::int64_t{1}, std::string("Diodes")});
    groups->AddRow({std::int64_t{2}, std::string("Transistors")});
    groups->AddRow({std::int64_t{3}, std::string("Empty")});
    kinds->detailFields = "GROUP";
    kinds->SetMasterFields("GROUP");
    kinds->SetMasterSource(&groupSource);
  }
  Types KindNames() {
    Types names;
    kinds->First();
    while (!kinds->Eof()) {
      names.push_back(kinds->FieldByName("NAME").AsString());
      kinds->Next();
    }
    return names;
  }
};

}  // namespace

TEST(DataSetMasterDetail, TheDetailFollowsTheMastersCurrentRecord) {
  MasterDetail md;
  md.kinds->Open();
  EXPECT_EQ(md.KindNames(), (Types{"Diodes", "Zener diodes", "Transistors"}));  // master closed
  md.groups->Open();
  EXPECT_EQ(md.KindNames(), (Types{"Diodes", "Zener diodes"}));
  md.groups->Next();
  EXPECT_EQ(md.KindNames(), (Types{"Transistors"}));
  md.groups->Next();
  EXPECT_TRUE(md.kinds->IsEmpty());

  // A change of the master's key field moves the detail at once.
  md.groups->Edit();
  md.groups->FieldByName("GROUP").SetAsInteger(1);
  EXPECT_EQ(md.KindNames(), (Types{"Diodes", "Zener diodes"}));
  int changes = md.kinds->masterChanges;
  md.groups->FieldByName("NAME").SetAsString("Renamed");
  EXPECT_EQ(md.kinds->masterChanges, changes);  // other fields do not
  md.groups->Cancel();

  md.groups->Close();
  EXPECT_EQ(md.KindNames(), (Types{"Diodes", "Zener diodes", "Transistors"}));
  md.groups->Open();
  EXPECT_EQ(md.KindNames(), (Types{"Diodes", "Zener diodes"}));
  md.kinds->SetMasterSource(nullptr);
  EXPECT_EQ(md.KindNames(), (Types{"Diodes", "Zener diodes", "Transistors"}));
}

TEST(DataSetMasterDetail, AChangedDetailIsPostedBeforeTheMasterMoves) {
  MasterDetail md;
  md.groups->Open();
  md.kinds->Open();
  md.kinds->Edit();
  md.kinds->FieldByName("NAME").SetAsString("Rectifiers");
  md.groups->Next();
  EXPECT_EQ(md.kinds->State(), dsBrowse);
  EXPECT_EQ(std::get<std::string>(md.kinds->rows[0].values[2]), "Rectifiers");
}

TEST(DataSetMasterDetail, DisabledControlsHoldTheDetailBackUntilEnabled) {
  MasterDetail md;
  md.groups->Open();
  md.kinds->Open();
  md.groups->DisableControls();
  md.groups->Next();
  EXPECT_EQ(md.kinds->FieldByName("NAME").AsString(), "Diodes");
  md.groups->EnableControls();
  EXPECT_EQ(md.kinds->FieldByName("NAME").AsString(), "Transistors");
}

TEST(DataSetMasterDetail, CircularLinksAreRefused) {
  MasterDetail md;
  auto message = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const EDatabaseError& e) {
      return std::string(e.what());
    }
    return std::string("(no error)");
  };
  EXPECT_EQ(message([&] { md.kinds->SetMasterSource(&md.kindSource); }), "Circular datalinks are not allowed");
  EXPECT_EQ(message([&] { md.groups->SetMasterSource(&md.kindSource); }), "Circular datalinks are not allowed");
  TDataSource other;
  md.groups->SetMasterSource(&other);
  EXPECT_EQ(message([&] { other.SetDataSet(md.kinds.get()); }), "Circular datalinks are not allowed");
  EXPECT_EQ(other.DataSet(), nullptr);
  md.groups->SetMasterSource(nullptr);
}

TEST(DataSetFilter, OnFilterRecordSeesEachCandidateInTheFilterState) {
  auto ds = MakeDevices(6);
  std::vector<TDataSetState> states;
  ds->OnFilterRecord = [&states](TDataSet& d, bool& accept) {
    states.push_back(d.State());
    accept = d.FieldByName("VID").AsInteger() == 2;
  };
  ds->Open();
  EXPECT_EQ(TypesToEnd(*ds), (Types{"T1", "T2", "T3", "T4", "T5", "T6"}));  // not filtered yet
  ds->SetFiltered(true);
  EXPECT_EQ(TypesToEnd(*ds), (Types{"T2", "T4", "T6"}));
  EXPECT_EQ(states.front(), dsFilter);
  EXPECT_EQ(ds->RecordCount(), 3);
  ds->Last();
  EXPECT_EQ(ds->RecNo(), 6);

  // An error in the handler leaves the dataset in its own state.
  ds->OnFilterRecord = [](TDataSet&, bool&) { throw EDatabaseError("bad filter"); };
  EXPECT_THROW(ds->First(), EDatabaseError);
  EXPECT_EQ(ds->State(), dsBrowse);
  ds->SetFiltered(false);
  EXPECT_EQ(ds->RecordCount(), 6);
}

TEST(DataSetBookmarks, LeadBackToTheirRecordAndCompareByRecord) {
  auto ds = MakeDevices(12);
  ds->Open();
  ds->MoveBy(8);
  TBookmark nine = ds->GetBookmark();
  EXPECT_EQ(nine, "9");
  ds->Next();
  TBookmark ten = ds->GetBookmark();
  ds->First();
  ds->GotoBookmark(nine);
  EXPECT_EQ(Type(*ds), "T9");
  EXPECT_EQ(ds->CompareBookmarks(nine, ten), -1);  // record 9 before record 10
  EXPECT_EQ(ds->CompareBookmarks(ten, nine), 1);
  EXPECT_EQ(ds->CompareBookmarks(nine, nine), 0);
  EXPECT_EQ(ds->CompareBookmarks("", ""), 0);
  EXPECT_EQ(ds->CompareBookmarks("", nine), -1);
  EXPECT_EQ(ds->CompareBookmarks(nine, ""), 1);
  EXPECT_TRUE(ds->BookmarkValid(nine));
  EXPECT_FALSE(ds->BookmarkValid("13"));
  EXPECT_FALSE(ds->BookmarkValid("x"));

  // A bookmark of a record that has gone: an error, and the cursor stays.
  ds->rows[9].deleted = true;
  EXPECT_FALSE(ds->BookmarkValid(ten));
  EXPECT_THROW(ds->GotoBookmark(ten), EDatabaseError);
  EXPECT_EQ(Type(*ds), "T9");
  EXPECT_THROW(ds->GotoBookmark("x"), EDatabaseError);
  EXPECT_EQ(Type(*ds), "T9");
  ds->Next();
  EXPECT_EQ(Type(*ds), "T11");
}

TEST(DataSetSearch, LocateMovesAndLookupDoesNot) {
  auto ds = MakeDevices(12);
  int scrolls = 0;
  ds->AfterScroll = [&scrolls](TDataSet&) { ++scrolls; };
  ds->Open();
  scrolls = 0;
  EXPECT_TRUE(ds->Locate("TYPE", {std::string("t11")}, loCaseInsensitive));
  EXPECT_EQ(Type(*ds), "T11");
  EXPECT_EQ(scrolls, 1);
  EXPECT_FALSE(ds->Locate("TYPE", {std::string("t11")}, 0));
  EXPECT_TRUE(ds->Locate("TYPE;VID", {std::string("T1"), std::int64_t{2}}, loPartialKey));
  EXPECT_EQ(Type(*ds), "T10");
  EXPECT_FALSE(ds->Locate("TYPE", {std::string("X")}, loPartialKey));
  EXPECT_EQ(Type(*ds), "T10");
  EXPECT_EQ(FieldValueToText(ds->Lookup("TYPE", {std::string("T3")}, "VID")), "1");
  EXPECT_EQ(Type(*ds), "T10");

  ds->SetRecNo(4);
  EXPECT_EQ(Type(*ds), "T4");
  EXPECT_THROW(ds->Locate("NOSUCH", {std::int64_t{1}}, 0), EDatabaseError);
  EXPECT_EQ(Type(*ds), "T4");
}
