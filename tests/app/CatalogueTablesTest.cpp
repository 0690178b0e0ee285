// The catalogue's tables and index tags as the main window opens them.
#include <gtest/gtest.h>

#include "app/CatalogueTables.h"
#include "platform/CodePage.h"

using namespace talvern;

TEST(CatalogueTables, TheTypeKeyReadsDomesticPrefixesAsLettersOfTheStoredCodePage) {
  ASSERT_EQ(kMainTable.tags.size(), 1u);
  EXPECT_EQ(kMainTable.tags[0].name, "TYPE");
  EXPECT_EQ(platform::OemToUtf8(kMainTable.tags[0].expression),
            "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"ГКА\")))");
}

TEST(CatalogueTables, EveryTagNameFitsAndTheFirstIsTheOneSelected) {
  for (const CatalogueTable* table : {&kMainTable, &kFieldsTable, &kGroupsTable, &kVidsTable, &kPicsTable}) {
    ASSERT_FALSE(table->tags.empty()) << table->fileName;
    for (const TTagDef& tag : table->tags) EXPECT_LE(tag.name.size(), 7u) << tag.name;
  }
  EXPECT_EQ(kFieldsTable.tags[0].name, "GRPD");
  EXPECT_EQ(kFieldsTable.tags[1].expression, "FLD");
  EXPECT_EQ(std::string(kPicsTable.fileName), "PICS.DBF");
}
