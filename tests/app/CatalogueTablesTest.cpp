// The catalogue's tables and index tags as the main window opens them.
#include <gtest/gtest.h>

#include "impexp/CatalogueTables.h"
#include "platform/CodePage.h"

using namespace talvern;

TEST(CatalogueTables, TheTypeKeyReadsDomesticPrefixesAsLettersOfTheStoredCodePage) {
  ASSERT_EQ(kMainTable.tags.size(), 2u);
  EXPECT_EQ(kMainTable.tags[0].name, "TYPE");
  EXPECT_EQ(kMainTable.tags[1].name, "VID");
  EXPECT_EQ(kMainTable.tags[1].expression, "VID");
  EXPECT_EQ(platform::OemToUtf8(kMainTable.tags[0].expression),
            "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"ГКА\")))");
}
