// The table handler on real compound index files: creating tags, selecting
// them, moving in their order past deleted and filtered records, seeking,
// ranges, Locate through a tag, and keys kept up to date by every write.

#include "IndexTestKit.h"
#include "handler/TableHandler.h"
#include "index/IndexCheck.h"
#include "platform/CodePage.h"

namespace talvern::testing {
namespace {

class HandlerIndexTest : public ::testing::Test {
protected:
  void SetUp() override {
    // TYPE, VID: the devices of two kinds.
    MakeTable(dbf, {{"TYPE", 'C', 10, 0}, {"VID", 'N', 4, 0}},
              {{"KT315", "1"}, {"BC547", "2"}, {"KT361", "1"}, {"2N2222", "2"}, {"AC127", "1"}, {"KT315", "2"}});
    table = std::make_unique<VXO_dBHandler>(dbf, true, true);
    table->CreateIndex("devices.cdx", "TYPE", {}, "TYPE", "");
    table->CreateIndex("devices.cdx", "VID", {}, "VID", "");
    table->CreateIndex("devices.cdx", "DOWN", {false, false}, "TYPE", "");
    table->OpenIndexFiles("devices.cdx", "TYPE");
  }
  std::vector<std::int32_t> Order() {
    std::vector<std::int32_t> seen;
    for (table->ReadRecord(RecTop); !table->Eof() && !table->Bof(); table->ReadRecord(RecNext))
      seen.push_back(table->RecNo());
    return seen;
  }
  std::vector<std::int32_t> Backwards() {
    std::vector<std::int32_t> seen;
    for (table->ReadRecord(RecBottom); !table->Eof() && !table->Bof(); table->ReadRecord(RecPrior))
      seen.push_back(table->RecNo());
    return seen;
  }
  void ExpectSound() {
    VXobjIndexFile& file = *table->IndexFile(1);
    for (int i = 0; i < file.TagCount(); ++i) {
      auto problems = CheckTag(*file.TagByNumber(i));
      EXPECT_TRUE(problems.empty()) << file.TagByNumber(i)->Name << ": " << problems.front();
    }
  }

  TempDir dir;
  std::string dbf = dir.File("devices.dbf");
  std::unique_ptr<VXO_dBHandler> table;
};

TEST_F(HandlerIndexTest, NavigatesInTagOrderPastDeletedAndFilteredRecords) {
  EXPECT_EQ(Order(), (std::vector<std::int32_t>{4, 5, 2, 1, 6, 3}));
  EXPECT_EQ(Backwards(), (std::vector<std::int32_t>{3, 6, 1, 2, 5, 4}));
  table->ReadRecord(2);
  table->DeleteRecord();
  table->SetUseDeleted(false);
  EXPECT_EQ(Order(), (std::vector<std::int32_t>{4, 5, 1, 6, 3}));
  table->SetFilter("VID=1", false, false);
  table->SetFilterOn(true);
  EXPECT_EQ(Order(), (std::vector<std::int32_t>{5, 1, 3}));
  EXPECT_EQ(table->SelectTag("DOWN", false), 1);
  EXPECT_EQ(Order(), (std::vector<std::int32_t>{3, 1, 5}));
  table->SetFilterOn(false);
  EXPECT_EQ(table->SelectTag("", false), 0);
  EXPECT_EQ(Order(), (std::vector<std::int32_t>{1, 3, 4, 5, 6}));
}

TEST_F(HandlerIndexTest, FindKeyExactPartialAndSoft) {
  table->SetExactKey(false);
  EXPECT_TRUE(table->FindKey("KT3"));
  EXPECT_EQ(table->RecNo(), 1);
  EXPECT_TRUE(table->FindKey("KT36"));
  EXPECT_EQ(table->RecNo(), 3);
  table->SetExactKey(true);
  EXPECT_FALSE(table->FindKey("KT3"));
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->RecNo(), 3);  // the last record of the order
  table->SetSoftSeek(true);
  EXPECT_FALSE(table->FindKey("B"));
  EXPECT_FALSE(table->Eof());
  EXPECT_EQ(table->RecNo(), 2);  // the next greater key, BC547
  table->SetSoftSeek(false);
  EXPECT_TRUE(table->FindKey("KT315"));
  EXPECT_EQ(table->RecNo(), 1);
  table->ReadRecord(RecNext);
  EXPECT_EQ(table->RecNo(), 6);
  EXPECT_EQ(table->FindKeyInTag("VID", "2"), 2);
  EXPECT_EQ(table->FindKeyInTag("NONE", "2"), -1);
  EXPECT_EQ(table->RecNo(), 6);
  // A numeric tag seeks numbers.
  table->SelectTag("VID", false);
  EXPECT_TRUE(table->FindKey("2"));
  EXPECT_EQ(table->RecNo(), 2);
}

TEST_F(HandlerIndexTest, RangesLimitTheOrder) {
  EXPECT_TRUE(table->SetRange("B", "KT315", {}));
  EXPECT_EQ(Order(), (std::vector<std::int32_t>{2, 1, 6}));
  table->ClearRange();
  EXPECT_EQ(Order().size(), 6u);
}

TEST_F(HandlerIndexTest, LocateUsesATagOnItsFields) {
  EXPECT_TRUE(table->Locate("TYPE", {std::string("KT361")}, 0, false, false));
  EXPECT_EQ(table->RecNo(), 3);
  EXPECT_TRUE(table->Locate("type", {std::string("BC")}, 0, true, false));
  EXPECT_EQ(table->RecNo(), 2);
  EXPECT_FALSE(table->Locate("TYPE", {std::string("ZZ")}, 0, false, false));
}

TEST_F(HandlerIndexTest, WritesKeepEveryTagUpToDate) {
  table->BlankRecord();
  table->TextPutByName("TYPE", "AAA");
  table->TextPutByName("VID", "3");
  table->AppendRecord();
  EXPECT_EQ(table->RecNo(), 7);
  table->ReadRecord(1);
  table->TextPutByName("TYPE", "ZZZ");
  table->WriteRecord(1);
  EXPECT_EQ(Order(), (std::vector<std::int32_t>{4, 7, 5, 2, 6, 3, 1}));
  ExpectSound();
  // Another handler opening the file sees the same.
  VXO_dBHandler other(dbf, true, false);
  other.OpenIndexFiles("devices.cdx", "VID");
  std::vector<std::int32_t> byKind;
  for (other.ReadRecord(RecTop); !other.Eof(); other.ReadRecord(RecNext)) byKind.push_back(other.RecNo());
  EXPECT_EQ(byKind, (std::vector<std::int32_t>{1, 3, 5, 2, 4, 6, 7}));
}

TEST_F(HandlerIndexTest, CreatedTagsTakeTheCatalogueKey) {
  table->CloseIndexFiles();
  std::string key = "IIF(.F.,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"" + platform::Utf8ToOem("ГКА") + "\")))";
  table->CreateIndex("devices.cdx", "CAT", {}, key, "VID=2");
  table->OpenIndexFiles("devices.cdx", "CAT");
  // 2N2222 sorts as КN2222, after BC547 and KT315 (Latin K before Cyrillic К).
  EXPECT_EQ(Order(), (std::vector<std::int32_t>{2, 6, 4}));
  EXPECT_THROW(table->CreateIndex("devices.cdx", "", {}, "TYPE", ""), ETalvernError);
}

}  // namespace
}  // namespace talvern::testing
