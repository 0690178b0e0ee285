// Moving through a table dataset: the record fetch at both ends, deleted
// records, physical record numbers, bookmarks, the filter and the record
// filter event, calculated and lookup fields, Locate and Lookup.

#include <gtest/gtest.h>

#include "TableTestKit.h"
#include "dataset/DataSource.h"

using namespace talvern;
using namespace talvern::tabletest;

using Types = std::vector<std::string>;
using RecNos = std::vector<int>;

TEST(TableDataSetNavigation, WalksBothWaysOverTheVisibleRecords) {
  TempDir dir;
  std::vector<Device> devices = NumberedDevices(5);
  devices[0].deleted = devices[3].deleted = true;
  MakeDeviceTable(dir.File("main.dbf"), devices);
  auto ds = OpenDataSet(dir, "main.dbf");
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(Type(*ds), "D2");  // an open dataset stands on its first record
  EXPECT_EQ(TypesToEnd(*ds), (Types{"D2", "D3", "D5"}));
  EXPECT_TRUE(ds->Eof());
  ds->Last();
  EXPECT_EQ(Type(*ds), "D5");
  Types backwards;
  for (; !ds->Bof(); ds->Prior()) backwards.push_back(Type(*ds));
  EXPECT_EQ(backwards, (Types{"D5", "D3", "D2"}));
  EXPECT_EQ(ds->MoveBy(10), 2);
  // A walk without the cursor meets the same records and leaves it.
  ds->First();
  ds->Next();
  Types walked;
  ds->ForEachRecord([&](std::int32_t) { walked.push_back(Type(*ds)); });
  EXPECT_EQ(walked, (Types{"D2", "D3", "D5"}));
  EXPECT_EQ(Type(*ds), "D3");

  ds->SetUseDeleted(true);
  EXPECT_EQ(AllRecNos(*ds), (RecNos{1, 2, 3, 4, 5}));
  ds->Close();

  // Everything deleted: an empty dataset, Bof and Eof at once.
  for (Device& d : devices) d.deleted = true;
  MakeDeviceTable(dir.File("main.dbf"), devices);
  ds->SetUseDeleted(false);
  ds->Open();
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_TRUE(ds->Bof() && ds->Eof());
  EXPECT_EQ(ds->RecNo(), 0);
}

TEST(TableDataSetNavigation, RecNoIsThePhysicalRecordNumber) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), NumberedDevices(12));
  auto ds = TableDataSet(dir, "main.dbf");
  EXPECT_EQ(ErrorOf([&] { ds->RecNo(); }), "Cannot perform this operation on a closed dataset");
  ds->SetFilter("VID=1");
  ds->SetFiltered(true);
  ds->Open();
  EXPECT_EQ(AllRecNos(*ds), (RecNos{3, 6, 9, 12}));

  int scrolls = 0;
  ds->AfterScroll = [&](TDataSet&) { ++scrolls; };
  ds->SetRecNo(9);
  EXPECT_EQ(Type(*ds), "D9");
  EXPECT_EQ(scrolls, 1);
  ds->SetRecNo(9);  // already there: nothing happens
  EXPECT_EQ(scrolls, 1);
  ds->Prior();
  EXPECT_EQ(ds->RecNo(), 6);
  EXPECT_EQ(ErrorOf([&] { ds->SetRecNo(13); }), "Record number 13 is not in table " + dir.Path() + "/main.dbf");
  EXPECT_EQ(ds->RecNo(), 6);
}

TEST(TableDataSetNavigation, BookmarksAreRecordNumbersComparedAsNumbers) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), NumberedDevices(12));
  auto ds = OpenDataSet(dir, "main.dbf");
  ds->SetRecNo(9);
  TBookmark nine = ds->GetBookmark();
  ds->Next();
  TBookmark ten = ds->GetBookmark();
  EXPECT_EQ(nine, "9");
  EXPECT_EQ(ten, "10");
  EXPECT_EQ(ds->CompareBookmarks(nine, ten), -1);  // as texts "10" would come first
  EXPECT_EQ(ds->CompareBookmarks(ten, nine), 1);
  EXPECT_EQ(ds->CompareBookmarks(ten, "10"), 0);
  EXPECT_EQ(ds->CompareBookmarks("", ten), -1);
  EXPECT_EQ(ds->CompareBookmarks(ten, ""), 1);
  EXPECT_EQ(ds->CompareBookmarks("", ""), 0);

  ds->First();
  ds->GotoBookmark(nine);
  EXPECT_EQ(Type(*ds), "D9");
  EXPECT_TRUE(ds->BookmarkValid(ten));
  EXPECT_FALSE(ds->BookmarkValid("13"));
  EXPECT_FALSE(ds->BookmarkValid("0"));
  EXPECT_FALSE(ds->BookmarkValid("x"));
  EXPECT_EQ(ErrorOf([&] { ds->GotoBookmark("nine"); }), "Bookmark is invalid for table main.dbf");
  EXPECT_EQ(Type(*ds), "D9");
  // Texts of the table's position codes are no bookmarks: "-4" would go to
  // the last record, "0" nowhere.
  EXPECT_EQ(ErrorOf([&] { ds->GotoBookmark("-4"); }), "Bookmark is invalid for table main.dbf");
  EXPECT_EQ(ErrorOf([&] { ds->GotoBookmark("0"); }), "Bookmark is invalid for table main.dbf");
  ds->Next();
  EXPECT_EQ(Type(*ds), "D10");
  ds->Prior();

  std::vector<std::uint8_t> record(ds->Table()->RecordLength());
  ASSERT_TRUE(ds->GetCurrentRecord(record.data()));
  EXPECT_EQ(std::string(record.begin() + 1, record.begin() + 3), "D9");
}

TEST(TableDataSetNavigation, TheFilterShowsOneKind) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), {{"КТ315Б", 2}, {"кт361", 1}, {"2Т312", 2}, {"КТ315А", 2}});
  auto ds = OpenDataSet(dir, "main.dbf");
  ds->SetFilter("VID=" + std::to_string(2));
  EXPECT_EQ(AllTypes(*ds).size(), 4u);  // stored only, until filtered
  ds->SetFiltered(true);
  EXPECT_EQ(AllTypes(*ds), (Types{"КТ315Б", "2Т312", "КТ315А"}));
  ds->SetFilter("VID=1");
  EXPECT_EQ(AllTypes(*ds), (Types{"кт361"}));

  // A filter is compiled on the stored texts: its literals go to code page
  // 866 whether it was set while open or while closed.
  ds->SetFilter(Ansi("TYPE='КТ315*'"));
  EXPECT_EQ(AllTypes(*ds), (Types{"КТ315Б", "КТ315А"}));
  ds->Close();
  ds->Open();
  EXPECT_EQ(AllTypes(*ds), (Types{"КТ315Б", "КТ315А"}));
  ds->SetFilterOptions(foCaseInsensitive);
  EXPECT_EQ(AllTypes(*ds), (Types{"КТ315Б", "КТ315А"}));
  ds->SetFilter(Ansi("TYPE='кт3*'"));
  EXPECT_EQ(AllTypes(*ds), (Types{"КТ315Б", "кт361", "КТ315А"}));
  ds->SetFilterOptions(foCaseInsensitive | foNoPartialCompare);  // the star is a star
  EXPECT_EQ(AllTypes(*ds), Types{});

  EXPECT_EQ(ErrorOf([&] { ds->SetFilter("TYPE"); }), "Filter expression must return boolean result");
  ds->SetFiltered(false);
  EXPECT_EQ(AllTypes(*ds).size(), 4u);
}

TEST(TableDataSetNavigation, TheRecordFilterEventSeesEachRecordInTheFilterState) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), NumberedDevices(6));
  auto ds = TableDataSet(dir, "main.dbf");
  std::vector<int> asked;
  ds->OnFilterRecord = [&](TDataSet& d, bool& accept) {
    EXPECT_EQ(d.State(), dsFilter);
    asked.push_back(d.RecNo());
    accept = d.FieldByName("TYPE").AsString() != "D3";
  };
  ds->Open();
  EXPECT_EQ(AllTypes(*ds).size(), 6u);  // not filtered: the event is not asked
  EXPECT_TRUE(asked.empty());
  ds->SetFilter("VID<>1");  // D2 and D5 are kind 3... D3 and D6 are kind 1
  ds->SetFiltered(true);
  EXPECT_EQ(AllTypes(*ds), (Types{"D1", "D2", "D4", "D5"}));
  RecNos walked;
  ds->ForEachRecord([&](std::int32_t recNo) { walked.push_back(recNo); });
  EXPECT_EQ(walked, (RecNos{1, 2, 4, 5}));
  ds->SetFilter("");
  EXPECT_EQ(AllTypes(*ds), (Types{"D1", "D2", "D4", "D5", "D6"}));
  EXPECT_FALSE(asked.empty());
}

// The catalogue's calculated fields: "1".."n", the "|"-separated pieces of PARAMS.
TEST(TableDataSetNavigation, CalculatedFieldsAreFilledForEveryRecordFetched) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"),
                  {{"КТ315Б", 5, "5|10||0,3"}, {"КТ361", 5, "|7"}, {"КТ312", 5, "p-n-p|"}, {"ГТ308", 5, "1|2|3|4|5"}});
  auto ds = TableDataSet(dir, "main.dbf");
  ds->UpdateFieldDefs();
  ds->CreateFields();
  for (int k = 1; k <= 4; ++k) ds->AddField(ftString, std::to_string(k), 250, fkCalculated);
  ds->OnCalcFields = [](TDataSet& d) {
    std::string params = d.FieldByName("PARAMS").AsString();
    std::size_t start = 0;
    for (int piece = 1; start < params.size(); ++piece) {
      std::size_t bar = params.find('|', start);
      if (bar == std::string::npos) bar = params.size();
      TField* field = d.FindField(std::to_string(piece));
      if (bar > start && field != nullptr) field->SetAsString(params.substr(start, bar - start));
      start = bar + 1;
    }
  };
  ds->Open();
  auto pieces = [&] {
    std::vector<std::string> p;
    for (int k = 1; k <= 4; ++k) p.push_back(ds->FieldByName(std::to_string(k)).AsString());
    return p;
  };
  using Pieces = std::vector<std::string>;
  EXPECT_EQ(pieces(), (Pieces{"5", "10", "", "0,3"}));
  ds->Next();
  EXPECT_EQ(pieces(), (Pieces{"", "7", "", ""}));  // cleared before each record
  ds->Next();
  EXPECT_EQ(pieces(), (Pieces{"p-n-p", "", "", ""}));
  ds->Next();
  EXPECT_EQ(pieces(), (Pieces{"1", "2", "3", "4"}));  // a fifth piece has no field
  ds->SetRecNo(2);
  EXPECT_EQ(pieces(), (Pieces{"", "7", "", ""}));
  EXPECT_TRUE(ds->FieldByName("1").IsNull());
}

TEST(TableDataSetNavigation, LookupFieldsAndLookupLeaveTheOtherDataSetWhereItWas) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), {{"КТ315Б", 12}, {"Д226", 31}, {"КС147", 40}});
  MakeKindTable(dir.File("vids.dbf"), {{11, "Маломощные"}, {12, "Высокочастотные"}, {31, "Выпрямительные"}});
  auto vids = OpenDataSet(dir, "vids.dbf");
  auto main = TableDataSet(dir, "main.dbf");
  main->UpdateFieldDefs();
  main->CreateFields();
  main->AddLookupField("VN", ftString, 30, *vids, "VID", "VID", "NAME");
  main->Open();
  vids->SetRecNo(2);
  int vidsScrolls = 0;
  vids->AfterScroll = vids->BeforeScroll = [&](TDataSet&) { ++vidsScrolls; };
  std::vector<std::string> names;
  for (main->First(); !main->Eof(); main->Next()) names.push_back(Utf8(main->FieldByName("VN").AsString()));
  EXPECT_EQ(names, (std::vector<std::string>{"Высокочастотные", "Выпрямительные", ""}));
  EXPECT_EQ(vids->RecNo(), 2);
  EXPECT_EQ(vidsScrolls, 0);

  EXPECT_EQ(Utf8(std::get<std::string>(vids->Lookup("VID", {std::int64_t{11}}, "NAME"))), "Маломощные");
  EXPECT_TRUE(IsNullValue(vids->Lookup("VID", {std::int64_t{99}}, "NAME")));
  EXPECT_EQ(vids->RecNo(), 2);
  vids->Next();
  EXPECT_EQ(vids->RecNo(), 3);  // the cursor goes on from where it was
  EXPECT_EQ(vidsScrolls, 2);
}

TEST(TableDataSetNavigation, LocateFindsTextsIgnoringCaseOrByTheirStart) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), {{"КТ315Б", 2}, {"кт361а", 1}, {"2Т312", 2}, {"Д226", 3}});
  auto ds = OpenDataSet(dir, "main.dbf");
  TDataSource source(ds.get());
  int scrolls = 0;
  ds->AfterScroll = [&](TDataSet&) { ++scrolls; };
  EXPECT_TRUE(ds->Locate("TYPE", {Ansi("КТ361А")}, loCaseInsensitive));
  EXPECT_EQ(ds->RecNo(), 2);
  EXPECT_EQ(scrolls, 1);
  EXPECT_FALSE(ds->Locate("TYPE", {Ansi("КТ361А")}, 0));
  EXPECT_EQ(ds->RecNo(), 2);  // not found: the cursor stays
  EXPECT_TRUE(ds->Locate("TYPE", {Ansi("2т3")}, loCaseInsensitive | loPartialKey));
  EXPECT_EQ(Type(*ds), "2Т312");
  EXPECT_TRUE(ds->Locate("VID;TYPE", {std::int64_t{3}, Ansi("Д226")}, 0));
  EXPECT_EQ(ds->RecNo(), 4);
  EXPECT_FALSE(ds->Locate("VID", {std::int64_t{7}}, 0));
  EXPECT_EQ(ds->RecNo(), 4);
  ds->Prior();
  EXPECT_EQ(ds->RecNo(), 3);
  EXPECT_NE(ErrorOf([&] { ds->Locate("NOFIELD", {std::string("x")}, 0); }), "");
  EXPECT_EQ(ds->RecNo(), 3);
}

// Another program cut the table short behind the header's record count: the
// move to a record that is no longer there fails with a clear error, and
// the dataset stays on the record it had. (The table is larger than one
// read-ahead block, so that the records behind the cut are read anew.)
TEST(TableDataSetNavigation, ARecordThatCannotBeReadStopsTheMoveWithAClearError) {
  TempDir dir;
  const std::string path = dir.File("main.dbf");
  MakeDeviceTable(path, NumberedDevices(400));
  auto ds = OpenDataSet(dir, "main.dbf");
  const std::int64_t cut = ds->Table()->HeaderLength() + 360 * std::int64_t{ds->Table()->RecordLength()};
  std::filesystem::resize_file(path, static_cast<std::uintmax_t>(cut));
  EXPECT_EQ(ds->MoveBy(359), 359);
  EXPECT_EQ(Type(*ds), "D360");
  EXPECT_EQ(ErrorOf([&] { ds->Next(); }), "Record request beyond range of table");
  EXPECT_EQ(Type(*ds), "D360");
  EXPECT_EQ(ds->RecNo(), 360);
  EXPECT_EQ(ErrorOf([&] { ds->Last(); }), "Record request beyond range of table");
  ds->First();
  EXPECT_EQ(Type(*ds), "D1");
}
