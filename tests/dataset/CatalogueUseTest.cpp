// The table datasets driven as the catalogue's main window drives them, on
// a copy of the sample catalogue the build makes: the five tables opened
// with TranslateASCII and their missing .CDX files built with their tags, a
// kind chosen (the kind filter, the calculated parameter fields "1".."n",
// the kind name looked up), a device found by part of its type, its drawing
// found by PIC and read as a GIF, and a device edited while another program
// holds its lock.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "TableTestKit.h"
#include "dataset/DataSource.h"

using namespace talvern;
using namespace talvern::tabletest;

namespace {

using TagList = std::vector<std::pair<std::string, std::string>>;

const TagList kFieldsTags{{"GRPD", "STR(GRP,2,0)+STR(DOP,2,0)+STR(FLD,2,0)"}, {"FLD", "FLD"}};
const TagList kGroupsTags{{"GROUP", "GROUP"}};
const TagList kVidsTags{{"VID", "VID"}};
const TagList kPicsTags{{"PIC", "PIC"}};
// Domestic types sort with 1, 2, 3 in front read as Г, К, А (in 866).
const TagList kMainTags{{"TYPE", "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"\x83\x8A\x80\")))"}};

// The sample catalogue's tables, copied without index files; false when
// the build has not made it.
bool CopySample(const TempDir& dir) {
  const std::filesystem::path sample = std::filesystem::path(TALVERN_BINARY_DIR) / "app";
  bool any = false;
  for (const char* name : {"groups.dbf", "vids.dbf", "fields.dbf", "main.dbf", "PICS.DBF", "PICS.FPT"}) {
    if (!std::filesystem::exists(sample / name)) return false;
    std::filesystem::copy_file(sample / name, dir.File(name));
    any = true;
  }
  return any;
}

// The main window's five datasets and what it does with them.
struct MainWindow {
  explicit MainWindow(const std::string& directory) {
    for (TTalvernDataSet* ds : {&Fields, &Groups, &Vids, &Pics, &Main}) ds->SetDatabaseName(directory);
    Fields.SetTableName("fields.dbf");
    Groups.SetTableName("groups.dbf");
    Vids.SetTableName("vids.dbf");
    Pics.SetTableName("PICS.DBF");
    Main.SetTableName("main.dbf");
    for (TTalvernDataSet* ds : {&Fields, &Vids, &Main}) ds->SetFiltered(true);
    Pics.AddField(ftString, "PIC", 3);
    Pics.AddField(ftMemo, "PICTURE");
    Pics.AddField(ftString, "FN", 8);
    OpenTable(Fields, kFieldsTags);
    OpenTable(Groups, kGroupsTags);
    OpenTable(Vids, kVidsTags);
    OpenTable(Pics, kPicsTags);
    OpenTable(Main, kMainTags);
    Pics.FieldByName("PICTURE").SetTransliterate(false);
  }

  void OpenTable(TTalvernDataSet& ds, const TagList& tags) {
    const std::string indexFile = std::filesystem::path(ds.TableName()).replace_extension(".CDX").string();
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

  void PrepareMain(int v) {
    Main.Close();
    Main.DestroyFields();
    Main.UpdateFieldDefs();
    Main.CreateFields();
    const std::string filter = "VID=" + std::to_string(v);
    Main.SetFilter(filter);
    Fields.SetFilter(filter);
    Fields.SetIndexName("FLD");
    Fields.Last();
    const int n = Fields.FieldByName("FLD").AsInteger();
    for (int k = 1; k <= n; ++k) Main.AddField(ftString, std::to_string(k), 250, fkCalculated);
    Main.AddLookupField("VN", ftString, 50, Vids, "VID", "VID", "NAME");
    Fields.SetIndexName("GRPD");
    Main.OnCalcFields = [](TDataSet& ds) {
      const std::string s = ds.FieldByName("PARAMS").AsString();
      std::size_t p = 0;
      for (int c = 1; p < s.size(); ++c) {
        std::size_t bar = s.find('|', p);
        if (bar == std::string::npos) bar = s.size();
        TField* field = ds.FindField(std::to_string(c));
        if (bar > p && field != nullptr) field->SetAsString(s.substr(p, bar - p));
        p = bar + 1;
      }
    };
    Main.Open();
  }

  TTalvernDataSet Fields, Groups, Vids, Pics, Main;
};

}  // namespace

class CatalogueDataSets : public ::testing::Test {
protected:
  void SetUp() override {
    if (!CopySample(dir_)) GTEST_SKIP() << "no sample catalogue in " << TALVERN_BINARY_DIR << "/app";
    window_ = std::make_unique<MainWindow>(dir_.Path());
  }
  TempDir dir_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(CatalogueDataSets, OpenWithTheirTagsBuiltAndListAKindInTypeOrder) {
  MainWindow& w = *window_;
  for (const char* index : {"fields.CDX", "groups.CDX", "vids.CDX", "PICS.CDX", "main.CDX"})
    EXPECT_TRUE(std::filesystem::exists(dir_.File(index))) << index;
  EXPECT_EQ(w.Fields.TagCount(), 2);
  EXPECT_EQ(w.Main.IndexName(), "TYPE");
  EXPECT_EQ(Utf8(w.Groups.FieldByName("NAME").AsString()), "Транзисторы биполярные");

  w.Vids.SetFilter("GROUP=1");
  std::vector<int> kinds;
  for (w.Vids.First(); !w.Vids.Eof(); w.Vids.Next()) kinds.push_back(w.Vids.FieldByName("VID").AsInteger());
  EXPECT_FALSE(kinds.empty());
  EXPECT_TRUE(std::is_sorted(kinds.begin(), kinds.end()));
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), 12), kinds.end());

  w.PrepareMain(12);
  std::vector<std::string> types, names;
  for (; !w.Main.Eof(); w.Main.Next()) {
    types.push_back(Type(w.Main));
    names.push_back(Utf8(w.Main.FieldByName("VN").AsString()));
    EXPECT_EQ(w.Main.FieldByName("VID").AsInteger(), 12);
  }
  w.Main.SetExactCount(true);
  EXPECT_EQ(static_cast<int>(types.size()), w.Main.RecordCount());
  EXPECT_EQ(names.front(), "Маломощные высокочастотные");
  auto at = [&](const char* type) { return std::find(types.begin(), types.end(), type) - types.begin(); };
  // Foreign types sort as written, domestic ones with the old letter in front.
  EXPECT_LT(at("2N2222"), at("BC546A"));
  EXPECT_LE(std::abs(at("1Т308А") - at("ГТ308А")), 1);
  EXPECT_GT(at("2Т312А"), at("КТ3102К"));
  EXPECT_LT(at("ГТ308А"), at("КТ3102А"));

  // The layout rows of the kind in GRPD order, and the calculated fields.
  EXPECT_EQ(w.Fields.FieldByName("GRP").AsInteger(), 1);  // on its first row
  EXPECT_EQ(w.Fields.FieldByName("DOP").AsInteger(), 0);
  EXPECT_NE(w.Main.FindField("15"), nullptr);
  EXPECT_EQ(w.Main.FindField("16"), nullptr);
  ASSERT_TRUE(w.Main.Locate("TYPE", {Ansi("кт3102а")}, loCaseInsensitive));
  EXPECT_EQ(Type(w.Main), "КТ3102А");
  const std::string params = w.Main.FieldByName("PARAMS").AsString();
  EXPECT_EQ(w.Main.FieldByName("1").AsString(), params.substr(0, params.find('|')));
}

TEST_F(CatalogueDataSets, ADevicesDrawingIsFoundByItsCodeAndReadAsAGif) {
  MainWindow& w = *window_;
  w.PrepareMain(12);
  ASSERT_TRUE(w.Main.Locate("TYPE", {Ansi("КТ3102А")}, 0));
  const std::string pic = w.Main.FieldByName("PIC").AsString();
  ASSERT_EQ(pic.size(), 9u);  // three drawings

  const int picsAt = w.Pics.RecNo();
  const FieldValue fileName = w.Pics.Lookup("PIC", {pic.substr(0, 3)}, "FN");
  EXPECT_FALSE(IsNullValue(fileName));
  EXPECT_EQ(w.Pics.RecNo(), picsAt);  // Lookup does not move

  ASSERT_TRUE(w.Pics.FindKey({pic}));  // the key is the first 3 characters
  EXPECT_EQ(w.Pics.FieldByName("PIC").AsString(), pic.substr(0, 3));
  EXPECT_EQ(w.Pics.FieldByName("FN").Value(), fileName);
  auto stream = w.Pics.CreateBlobStream(w.Pics.FieldByName("PICTURE"), bmRead);
  const std::string gif = stream->ReadAll();
  EXPECT_EQ(gif.substr(0, 4), "GIF8");
  VXO_dBaseFld stored(dir_.File("PICS.DBF"), true, false);
  stored.ReadRecord(w.Pics.RecNo());
  EXPECT_EQ(gif, stored.TextGet(3));  // byte for byte, untranslated
}

TEST_F(CatalogueDataSets, ADeviceLockedByAnotherProgramIsNotEdited) {
  MainWindow& w = *window_;
  w.PrepareMain(12);
  w.Main.Next();
  const int recNo = w.Main.RecNo();
  {
    LockingProcess other(dir_.File("main.dbf"), recNo, dir_.File("main.CDX"));
    ASSERT_TRUE(other.Locked());
    EXPECT_EQ(ErrorOf([&] { w.Main.Edit(); }), "Record is locked by another user");
  }
  w.Main.Edit();
  w.Main.FieldByName("TERM").SetAsString("-60...+125");
  w.Main.Post();
  EXPECT_EQ(w.Main.RecNo(), recNo);
  EXPECT_EQ(w.Main.FieldByName("TERM").AsString(), "-60...+125");
}
