// Text between the dataset's code page 1251 and Qt.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/DisplayText.h"
#include "app/ErrorHandler.h"

using namespace talvern;

TEST(DisplayText, CyrillicCrossesBothWays) {
  const std::string bytes = "\xCA\xD2\x33\x31\x35\xC0 \xB0" "C \xB9";  // "КТ315А °C №"
  const QString text = QString::fromUtf8("КТ315А °C №");
  EXPECT_EQ(DisplayToQString(bytes), text);
  EXPECT_EQ(QStringToDisplay(text), bytes);
  EXPECT_EQ(DisplayToQString(""), QString());
  // A character that 1251 lacks cannot reach a table as garbage.
  EXPECT_EQ(QStringToDisplay(QString::fromUtf8("漢")), "?");
}

TEST(DisplayText, ErrorMessagesAreUtf8OrElse1251) {
  auto message = [](std::string text) {
    return ErrorHandler::MessageText(std::make_exception_ptr(std::runtime_error(text)));
  };
  EXPECT_EQ(message("Нет группы колонок"), QString::fromUtf8("Нет группы колонок"));
  // A table's text in a message (a filter, a key) comes in 1251.
  EXPECT_EQ(message("Field \xD2\xC8\xCF not found"), QString::fromUtf8("Field ТИП not found"));
}
