// A table dataset's index files and tags: the IndexFiles list reopening
// them (and failing on a missing .CDX, which the catalogue answers by
// building it), IndexName, index definitions, tag creation, FindKey, key
// ranges and master/detail.

#include <gtest/gtest.h>

#include "TableTestKit.h"
#include "dataset/DataSource.h"

using namespace talvern;
using namespace talvern::tabletest;

using Types = std::vector<std::string>;
using RecNos = std::vector<int>;

namespace {

// The devices of the index tests: types out of order, three kinds.
std::vector<Device> Devices() {
  return {{"КТ315Б", 12, "", "001"}, {"2Т312", 12, "", "00H002"}, {"Д226", 31, "", "003"},
          {"КТ361А", 12, "", ""},    {"КС147", 40, "", "002"},   {"АЛ102", 31, "", "00H"}};
}

// The catalogue's OpenTable: the index file is added to IndexFiles, and
// when that fails its tags are built and the dataset opened again.
void OpenWithTags(TTalvernDataSet& ds, const std::string& indexFile,
                  const std::vector<std::pair<std::string, std::string>>& tags) {
  ds.Open();
  try {
    ds.IndexFiles().Add(indexFile);
  } catch (const std::exception&) {
    for (const auto& [name, expression] : tags) ds.CreateIndexTag(indexFile, name, expression, "", 1, 0);
    ds.Close();
    ds.Open();
  }
  ds.SetIndexName(tags.front().first);
}

}  // namespace

TEST(TableDataSetIndex, AMissingIndexFileFailsAtOnceAndIsBuiltWithItsTags) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), Devices());
  auto ds = OpenDataSet(dir, "main.dbf");
  ds->Next();
  EXPECT_EQ(ErrorOf([&] { ds->IndexFiles().Add("main.CDX"); }), "Cannot find file " + dir.Path() + "/main.CDX");
  EXPECT_EQ(ds->IndexFiles().Count(), 1);  // the name stays: reopening the dataset opens it
  EXPECT_EQ(ds->RecNo(), 2);

  std::vector<std::vector<int>> reports;
  std::string busy;
  ds->OnStatus = [&](std::int32_t a, std::int32_t b, std::int32_t c) {
    reports.push_back({a, b, c});
    if (busy.empty()) busy = ErrorOf([&] { ds->Next(); });
  };
  ds->CreateIndexTag("main.CDX", "TYPE", "TYPE", "", 1, 0);
  ds->CreateIndexTag("main.CDX", "VID", "VID", "", 1, 0);
  ds->CreateIndexTag("main.CDX", "KIND", "STR(VID,4)+TYPE", "", 0, 0);
  EXPECT_EQ(busy, "Table is busy building an index");
  EXPECT_EQ(reports.back(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(ds->RecNo(), 1);  // the dataset stands on its first record
  ds->Next();
  EXPECT_EQ(ds->RecNo(), 2);
  ds->Close();
  ds->Open();
  EXPECT_EQ(ds->TagCount(), 3);  // a compound file lists its tags by name
  EXPECT_EQ(ds->TagName(1), "KIND");
  EXPECT_EQ(ds->TagName(3), "VID");
  EXPECT_EQ(ds->TagExpression(1), "STR(VID,4)+TYPE");
  EXPECT_EQ(ds->TagName(4), "");
  const TIndexDefs& defs = ds->IndexDefs();
  ASSERT_EQ(defs.Count(), 3);
  EXPECT_TRUE(defs[0].isExpression);
  EXPECT_EQ(defs[0].expression, "STR(VID,4)+TYPE");
  EXPECT_EQ(defs[1].fields, "TYPE");
  EXPECT_EQ(defs.Find("vid")->fields, "VID");

  // The same file twice in the list.
  EXPECT_EQ(ErrorOf([&] { ds->IndexFiles().Add("main.CDX"); }),
            "Index file " + dir.Path() + "/main.CDX already open");
  ds->IndexFiles().Delete(1);
  EXPECT_EQ(ds->TagCount(), 3);
  ds->IndexFiles().Clear();
  EXPECT_EQ(ds->TagCount(), 0);
  EXPECT_EQ(ds->IndexName(), "");
}

TEST(TableDataSetIndex, IndexNameOrdersTheRecordsFromTheFirst) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), Devices());
  auto ds = TableDataSet(dir, "main.dbf");
  OpenWithTags(*ds, "main.CDX", {{"TYPE", "TYPE"}, {"KIND", "STR(VID,4)+TYPE"}});
  EXPECT_EQ(AllTypes(*ds), (Types{"2Т312", "АЛ102", "Д226", "КС147", "КТ315Б", "КТ361А"}));
  EXPECT_FALSE(ds->IsSequenced());

  ds->SetRecNo(3);  // Д226
  ds->SetIndexName("KIND");
  EXPECT_EQ(Type(*ds), "2Т312");
  EXPECT_EQ(TypesToEnd(*ds), (Types{"2Т312", "КТ315Б", "КТ361А", "АЛ102", "Д226", "КС147"}));
  EXPECT_EQ(ErrorOf([&] { ds->SetIndexName("NOTAG"); }), "Cannot find index tag NOTAG");
  EXPECT_EQ(ds->IndexName(), "KIND");
  ds->SetIndexName("");
  EXPECT_EQ(AllRecNos(*ds), (RecNos{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(ds->IsSequenced());

  // A tag set while closed is selected at opening; a filter applies in its order.
  ds->Close();
  ds->SetIndexName("TYPE");
  ds->SetFilter("VID=12");
  ds->SetFiltered(true);
  ds->Open();
  EXPECT_EQ(AllTypes(*ds), (Types{"2Т312", "КТ315Б", "КТ361А"}));
  EXPECT_EQ(AllRecNos(*ds), (RecNos{2, 1, 4}));  // physical numbers in any order

  // A descending tag.
  ds->CreateIndexTag("main.CDX", "DOWN", "TYPE", "", 0, 0);
  ds->Close();
  ds->Open();
  ds->SetIndexName("DOWN");
  EXPECT_EQ(AllTypes(*ds), (Types{"КТ361А", "КТ315Б", "2Т312"}));
}

TEST(TableDataSetIndex, FindKeyCutsTheValueToTheKeyWidthAndStaysWhenNotFound) {
  TempDir dir;
  CreateTable(dir.File("PICS.DBF"), 0x03, {{"PIC", 'C', 3, 0}, {"FN", 'C', 8, 0}});
  {
    VXO_dBaseFld t(dir.File("PICS.DBF"), false, true);
    for (const char* row : {"003SOD80", "001TO92", "00HKT26", "002TO220"}) {
      t.BlankRecord();
      t.RawPut(1, std::string(row, 3));
      t.RawPut(2, row + 3);
      t.AppendRecord();
    }
  }
  auto pics = TableDataSet(dir, "PICS.DBF");
  pics->Open();
  EXPECT_EQ(ErrorOf([&] { pics->FindKey({std::string("001")}); }), "No index is assigned for Find operation");
  pics->Close();
  OpenWithTags(*pics, "PICS.CDX", {{"PIC", "PIC"}});
  pics->SetRecNo(4);
  int scrolls = 0;
  pics->AfterScroll = [&](TDataSet&) { ++scrolls; };
  // A device's PIC holds up to three codes; the key takes the first.
  EXPECT_TRUE(pics->FindKey({std::string("00H002")}));
  EXPECT_EQ(pics->FieldByName("FN").AsString(), "KT26");
  EXPECT_EQ(scrolls, 1);
  EXPECT_FALSE(pics->FindKey({std::string("00X")}));
  EXPECT_EQ(pics->FieldByName("FN").AsString(), "KT26");
  EXPECT_EQ(pics->RecNo(), 3);
  pics->Prior();
  EXPECT_EQ(pics->FieldByName("PIC").AsString(), "003");  // the cursor goes on in PIC order
  EXPECT_TRUE(pics->FindKey({std::string("00")}));       // a leading part of a key is found
  EXPECT_EQ(pics->FieldByName("PIC").AsString(), "001");
}

TEST(TableDataSetIndex, FindKeyFillsFieldsInsideFunctionCallsOfTheKey) {
  TempDir dir;
  MakeKindTable(dir.File("vids.dbf"), {{11, "маломощные"}, {12, "Диоды"}, {13, "ДИОДЫ Шоттки"}});
  auto vids = TableDataSet(dir, "vids.dbf");
  OpenWithTags(*vids, "vids.CDX", {{"NAME", "UPPER(NAME)"}, {"CODE", "STR(GROUP,3)+STR(VID,4)"}});
  EXPECT_TRUE(vids->FindKey({Ansi("диоды ш")}));
  EXPECT_EQ(vids->FieldByName("VID").AsInteger(), 13);
  EXPECT_TRUE(vids->FindKey({Ansi("Маломощные")}));
  EXPECT_EQ(vids->FieldByName("VID").AsInteger(), 11);
  vids->SetIndexName("CODE");
  EXPECT_TRUE(vids->FindKey({std::int64_t{1}, std::int64_t{12}}));
  EXPECT_EQ(Utf8(vids->FieldByName("NAME").AsString()), "Диоды");
  EXPECT_FALSE(vids->FindKey({std::int64_t{2}}));
  EXPECT_EQ(vids->FieldByName("VID").AsInteger(), 12);
}

TEST(TableDataSetIndex, AKeyRangeShowsTheKeysBetweenItsBounds) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), Devices());
  auto ds = TableDataSet(dir, "main.dbf");
  OpenWithTags(*ds, "main.CDX", {{"TYPE", "TYPE"}});
  ds->SetKeyRange(Ansi("Д"), Ansi("КТ315Б"));
  EXPECT_EQ(AllTypes(*ds), (Types{"Д226", "КС147", "КТ315Б"}));
  EXPECT_EQ(AllRecNos(*ds), (RecNos{3, 5, 1}));
  ds->Last();
  EXPECT_EQ(Type(*ds), "КТ315Б");
  ds->SetKeyRange(Ansi("КТ"), "");
  EXPECT_EQ(AllTypes(*ds), (Types{"КТ315Б", "КТ361А"}));
  ds->SetKeyRange("", "");
  EXPECT_EQ(AllTypes(*ds).size(), 6u);
}

TEST(TableDataSetIndex, TheDetailShowsTheMastersKind) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), Devices());
  MakeKindTable(dir.File("vids.dbf"), {{12, "Высокочастотные"}, {31, "Светодиоды"}, {35, "Пусто"}});
  auto vids = OpenDataSet(dir, "vids.dbf");
  TDataSource source(vids.get());
  auto main = TableDataSet(dir, "main.dbf");
  main->SetMasterSource(&source);
  main->SetMasterFields("VID");
  EXPECT_EQ(ErrorOf([&] { main->Open(); }), "Master/Detail relation failed, no index open for main.dbf");
  main->SetMasterSource(nullptr);
  OpenWithTags(*main, "main.CDX", {{"KIND", "STR(VID,4)+TYPE"}, {"VID", "VID"}});
  main->SetIndexName("VID");
  main->SetMasterSource(&source);
  EXPECT_EQ(AllTypes(*main), (Types{"КТ315Б", "2Т312", "КТ361А"}));
  vids->Next();
  EXPECT_EQ(AllTypes(*main), (Types{"Д226", "АЛ102"}));
  vids->Next();
  EXPECT_TRUE(main->IsEmpty());
  vids->Close();  // the master gone: every device
  EXPECT_EQ(AllTypes(*main).size(), 6u);
  vids->Open();
  EXPECT_EQ(AllTypes(*main).size(), 3u);

  // The key has fewer fields than the master gives.
  EXPECT_EQ(ErrorOf([&] { main->SetMasterFields("VID;GROUP"); }),
            "Master/Detail relation failed, field missmatch for main.dbf");
}

TEST(TableDataSetIndex, AnotherIndexFileInTheListKeepsTheCurrentRecord) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), Devices());
  auto ds = TableDataSet(dir, "main.dbf");
  OpenWithTags(*ds, "main.CDX", {{"TYPE", "TYPE"}});
  ds->CreateIndexTag("kinds.cdx", "KIND", "STR(VID,4)+TYPE", "", 1, 0);
  ds->Close();
  ds->Open();
  ds->SetRecNo(3);  // Д226
  ds->IndexFiles().Add("kinds.cdx");
  EXPECT_EQ(ds->RecNo(), 3);
  EXPECT_EQ(ds->TagCount(), 2);
  EXPECT_EQ(TypesToEnd(*ds), (Types{"Д226", "КС147", "КТ315Б", "КТ361А"}));  // still in TYPE order
  ds->SetIndexName("KIND");
  EXPECT_EQ(ds->IndexDefs().Count(), 2);

  // The list assigned as a whole: names without extension are ".ndx" files.
  EXPECT_EQ(ErrorOf([&] { ds->SetIndexFiles({"main"}); }), "Cannot find file " + dir.Path() + "/main.ndx");
  ds->SetIndexName("");
  ds->SetIndexFiles({"main.CDX", dir.File("kinds.cdx")});
  EXPECT_EQ(ds->TagCount(), 2);
  EXPECT_EQ(ds->IndexDefs().Count(), 2);
}

TEST(TableDataSetIndex, AnIndexFileThatCannotBeOpenedGivesErrorGetting) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), Devices());
  talvern::testing::WriteFile(dir.File("bad.cdx"), std::string(1536, 'x'));
  auto ds = TableDataSet(dir, "main.dbf");
  OpenWithTags(*ds, "main.CDX", {{"TYPE", "TYPE"}});
  ds->SetRecNo(3);
  EXPECT_EQ(ErrorOf([&] { ds->IndexFiles().Add("bad.cdx"); }), "Error getting " + dir.File("bad.cdx"));
  EXPECT_EQ(ds->RecNo(), 3);
  // Opening with it in the list fails the same way and leaves the dataset closed.
  ds->Close();
  EXPECT_EQ(ErrorOf([&] { ds->Open(); }), "Error getting " + dir.File("bad.cdx"));
  EXPECT_FALSE(ds->Active());

  // The list assigned as a whole names every failure to open "Error
  // getting", a file given twice too.
  ds->SetIndexFiles({"main.CDX"});
  ds->Open();
  EXPECT_EQ(ErrorOf([&] { ds->SetIndexFiles({"main.CDX", "main.CDX"}); }), "Error getting " + dir.File("main.CDX"));
  ds->SetIndexFiles({"main.CDX"});
  EXPECT_EQ(ds->TagCount(), 1);
  EXPECT_EQ(AllTypes(*ds), (Types{"2Т312", "АЛ102", "Д226", "КС147", "КТ315Б", "КТ361А"}));
}

// A file of IndexFiles that cannot be opened leaves the files listed before
// it open and the selected order as it was.
TEST(TableDataSetIndex, AFailedChangeOfIndexFilesKeepsTheOrder) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), Devices());
  auto ds = TableDataSet(dir, "main.dbf");
  OpenWithTags(*ds, "main.CDX", {{"TYPE", "TYPE"}});
  ds->SetRecNo(3);  // Д226
  EXPECT_EQ(ErrorOf([&] { ds->IndexFiles().Add("kinds.cdx"); }), "Cannot find file " + dir.File("kinds.cdx"));
  EXPECT_EQ(ds->IndexName(), "TYPE");
  EXPECT_EQ(ds->RecNo(), 3);
  EXPECT_EQ(TypesToEnd(*ds), (Types{"Д226", "КС147", "КТ315Б", "КТ361А"}));
  // The tag is kept up to date by writes.
  ds->First();
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString(Ansi("ЯВ1"));
  ds->Post();
  EXPECT_EQ(AllTypes(*ds), (Types{"АЛ102", "Д226", "КС147", "КТ315Б", "КТ361А", "ЯВ1"}));

  // The same when the list is assigned as a whole.
  ds->SetRecNo(5);  // КС147
  EXPECT_EQ(ErrorOf([&] { ds->SetIndexFiles({"main.CDX", "kinds.cdx"}); }),
            "Cannot find file " + dir.File("kinds.cdx"));
  EXPECT_EQ(ds->RecNo(), 5);
  EXPECT_EQ(TypesToEnd(*ds), (Types{"КС147", "КТ315Б", "КТ361А", "ЯВ1"}));
}

// The other index formats through the dataset: a tag created in each, its
// order, FindKey, and keys kept by a write; a .ntx or .ndx file holds one
// tag named after the file.
TEST(TableDataSetIndex, TagsOfMdxNdxAndNtxFilesOrderFindAndFollowWrites) {
  for (const char* file : {"main.mdx", "BYTYPE.ndx", "BYTYPE.ntx"}) {
    SCOPED_TRACE(file);
    TempDir dir;
    MakeDeviceTable(dir.File("main.dbf"), Devices());
    auto ds = TableDataSet(dir, "main.dbf");
    OpenWithTags(*ds, file, {{"BYTYPE", "TYPE"}});
    EXPECT_EQ(AllTypes(*ds), (Types{"2Т312", "АЛ102", "Д226", "КС147", "КТ315Б", "КТ361А"}));
    EXPECT_TRUE(ds->FindKey({Ansi("КС")}));
    EXPECT_EQ(Type(*ds), "КС147");
    ds->Edit();
    ds->FieldByName("TYPE").SetAsString(Ansi("1Т308"));
    ds->Post();
    EXPECT_EQ(AllTypes(*ds), (Types{"1Т308", "2Т312", "АЛ102", "Д226", "КТ315Б", "КТ361А"}));
    EXPECT_FALSE(ds->FindKey({Ansi("КС")}));
  }
}
