#include <gtest/gtest.h>

#include "engine/Errors.h"

using namespace talvern;

TEST(Errors, PlaceholdersFillInOrder) {
  EXPECT_EQ(FormatMessage("Record number %d is not in table %s", {std::int64_t{12}, "main.dbf"}),
            "Record number 12 is not in table main.dbf");
  EXPECT_EQ(FormatMessage("%s requires full access to file %s", {"Truncate", "/a/b.dbf"}),
            "Truncate requires full access to file /a/b.dbf");
  EXPECT_EQ(FormatMessage("100%% of %s", {}), "100% of ");
}

TEST(Errors, SubclassesAreCaughtAsTheBase) {
  try {
    Raise<ETalvernExpression>("Missing closing \"%s\" on literal", {"["});
    FAIL();
  } catch (const ETalvernError& e) {
    EXPECT_STREQ(e.what(), "Missing closing \"[\" on literal");
  }
}
