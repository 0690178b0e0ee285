#include <gtest/gtest.h>

#include <cstring>

#include "TableHelpers.h"
#include "engine/Bytes.h"
#include "engine/CreateTable.h"
#include "engine/Date.h"
#include "engine/Fields.h"
#include "engine/Translate.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

class FieldsTest : public ::testing::Test {
protected:
  void Open(std::uint8_t version, const std::vector<FieldSpec>& fields) {
    path_ = dir_.File("f.dbf");
    CreateTable(path_, version, fields);
    table_ = std::make_unique<VXO_dBaseFld>(path_, true, true);
  }
  std::string Raw(const char* name) { return table_->RawGetByName(name); }

  TempDir dir_;
  std::string path_;
  std::unique_ptr<VXO_dBaseFld> table_;
};

}  // namespace

TEST_F(FieldsTest, DictionaryOffsetsAndLookup) {
  Open(0x03, {{"NAME", 'C', 300, 0}, {"PRICE", 'N', 10, 2}, {"WHEN", 'D', 8, 0}});
  auto& t = *table_;
  EXPECT_EQ(t.FieldLength(1), 300);
  EXPECT_EQ(t.FieldDecimals(1), 0);
  EXPECT_EQ(t.FieldOffset(2), 301);  // the next field starts 300 bytes later
  EXPECT_EQ(t.FieldOffset(3), 311);
  EXPECT_EQ(t.FieldNumber("name  "), 1);
  EXPECT_EQ(t.FieldNumber("Price"), 2);
  EXPECT_EQ(t.FieldNumber("PRICEXXXXXXXXXX"), 0);
  EXPECT_EQ(GetLE32(t.Descriptor(2) + 12), 301u);  // offset and number kept in memory
  EXPECT_EQ(GetLE16(t.Descriptor(3) + 26), 3u);
  EXPECT_EQ(t.FieldName(9), "");  // out of range: neutral answers
  EXPECT_EQ(t.NumberGet(0), 0);
  EXPECT_EQ(ErrorOf([&] { t.TextGetByName("none"); }), "There is no field name " + path_ + "->none");
  EXPECT_EQ(ErrorOf([&] { t.DateGetByName("NAME"); }), "Field NAME is the incorrect type");
  t.FieldDescriptor("WHEN");
  EXPECT_EQ(t.CurrentDescriptor(), t.Descriptor(3));
}

TEST_F(FieldsTest, NumberPutFormatsAndRefusesWhatDoesNotFit) {
  Open(0x03, {{"N", 'N', 5, 2}, {"Z", 'N', 10, 2}, {"C", 'C', 3, 0}, {"K", 'N', 3, 0}, {"L", 'L', 1, 0}});
  auto& t = *table_;
  t.NumberPut(1, 3.14159L);
  EXPECT_EQ(Raw("N"), " 3.14");
  EXPECT_EQ(ErrorOf([&] { t.NumberPut(1, 123.4L); }), "numeric value too big in field N - 123.40");
  EXPECT_EQ(Raw("N"), " 3.14");  // unchanged
  t.NumberPut(1, -0.001L);
  EXPECT_EQ(Raw("N"), " 0.00");
  EXPECT_EQ(ErrorOf([&] { t.NumberPut(5, 1); }), "Field L is the incorrect type");
  t.RawPut(3, "abcdef");
  EXPECT_EQ(Raw("C"), "abc");
  t.RawPut(4, "1");
  EXPECT_EQ(Raw("K"), "  1");
  EXPECT_DOUBLE_EQ(static_cast<double>(t.NumberGet(4)), 1.0);
  t.RawPut(4, "x1");
  EXPECT_EQ(ErrorOf([&] { t.NumberGet(4); }), "Invalid numeric value in field f->K (x1)");
  t.BlankRecord();
  EXPECT_EQ(Raw("Z"), "      0.00");
  EXPECT_EQ(Raw("C"), "   ");
  EXPECT_EQ(t.TextGet(2), "0.00");
}

TEST_F(FieldsTest, TextPutOfNumbersUsesTheLocaleSeparator) {
  Open(0x03, {{"N", 'N', 8, 2}});
  auto& t = *table_;
  t.TextPut(1, "12,5");
  EXPECT_EQ(Raw("N"), "   12.50");
  EXPECT_EQ(t.TextGet(1), "12.50");
  t.TextPut(1, "  ");
  EXPECT_EQ(Raw("N"), "    0.00");
  EXPECT_EQ(ErrorOf([&] { t.TextPut(1, "12.5"); }), "Invalid Number value for field N");
}

TEST_F(FieldsTest, DatesInStorageAndDisplayForm) {
  Open(0x03, {{"D", 'D', 8, 0}, {"C", 'C', 2, 0}});
  auto& t = *table_;
  t.TextPut(1, "19991231");
  EXPECT_EQ(Raw("D"), "19991231");
  EXPECT_EQ(t.TextGet(1), "31.12.1999");
  t.TextPut(1, "01.02.2003");
  EXPECT_EQ(Raw("D"), "20030201");
  EXPECT_EQ(ErrorOf([&] { t.TextPut(1, "2003-02-01"); }), "'2003-02-01' is not a valid date");
  t.RawPut(1, "        ");
  EXPECT_EQ(t.DateGet(1), 0);
  EXPECT_EQ(t.TextGet(1), "");
  t.RawPut(1, "19991345");  // month 13
  EXPECT_EQ(t.DateGet(1), 2415019);
  t.RawPut(1, "1999x");
  EXPECT_EQ(ErrorOf([&] { t.DateGet(1); }), "Invalid date in field f->D (1999x)");
  EXPECT_FALSE(t.DatePut(2, 2451544));  // not a date field
  EXPECT_EQ(ErrorOf([&] { t.DatePut(1, -1); }), "Invalid Date value for field D");
  t.DatePut(1, TvxDBFDate::YMDToDay(2010, 6, 9));
  EXPECT_EQ(Raw("D"), "20100609");
}

TEST(DBFDate, Calendar) {
  const auto& d = DBFDate();
  EXPECT_EQ(d.Offset(), 2415019);
  EXPECT_EQ(TvxDBFDate::YMDToDay(1980, 1, 1), 2444240);
  EXPECT_EQ(TvxDBFDate::YMDToDay(1899, 12, 30), 2415019);
  int y, m, dd;
  d.DayToYMD(2451544, y, m, dd);
  EXPECT_EQ(y * 10000 + m * 100 + dd, 19991231);
  EXPECT_EQ(d.DayOfWeek(TvxDBFDate::YMDToDay(2010, 6, 9)), 4);  // a Wednesday
  EXPECT_EQ(d.DayOfWeek(0), 0);
  EXPECT_EQ(d.DayToStorage(0), "        ");
  EXPECT_EQ(d.DayToDisplay(0), "          ");
  EXPECT_EQ(d.StorageToDay("00000000"), 0);
  platform::LocaleSettings twoDigit;
  twoDigit.shortDateFormat = "dd.MM.yy";
  platform::SetLocaleSettings(twoDigit);
  EXPECT_EQ(d.DisplayFormat(), "DD.MM.YYYY");
  platform::SetLocaleSettings({});
}

TEST_F(FieldsTest, LogicalValues) {
  Open(0x03, {{"L", 'L', 1, 0}, {"C", 'C', 1, 0}});
  auto& t = *table_;
  t.RawPut(1, "J");
  EXPECT_TRUE(t.LogicGet(1));
  EXPECT_EQ(t.TextGet(1), "T");
  t.TextPut(1, "0");
  EXPECT_EQ(Raw("L"), "F");
  t.TextPut(1, "2");
  EXPECT_EQ(Raw("L"), "T");
  t.TextPut(1, "");
  EXPECT_EQ(Raw("L"), "F");
  t.TextPut(1, "y");
  EXPECT_EQ(Raw("L"), "T");
  EXPECT_EQ(ErrorOf([&] { t.TextPut(1, "x"); }), "Invalid Logical value for field L");
  EXPECT_EQ(ErrorOf([&] { t.LogicPut(2, true); }), "Invalid Logical value for field C");
  t.RawPut(1, "?");
  EXPECT_FALSE(t.LogicGet(1));
  EXPECT_EQ(t.TextGet(1), "F");
}

TEST_F(FieldsTest, VisualFoxProBinaryFields) {
  Open(0x30, {{"I", 'I', 4, 0}, {"T", 'T', 8, 0}, {"Y", 'Y', 8, 4}, {"B", 'B', 8, 2}, {"N", 'N', 4, 0}});
  auto& t = *table_;
  t.BlankRecord();
  EXPECT_EQ(Raw("T"), std::string(8, '\0'));
  EXPECT_EQ(t.NumberGet(2), 0);
  t.NumberPut(1, -7.9L);
  EXPECT_EQ(t.NumberGet(1), -7);
  EXPECT_EQ(ErrorOf([&] { t.NumberPut(1, 3e9L); }), "numeric value too big in field I - 3000000000");
  // 9 June 2010, 12:00:00.250
  long double when = (static_cast<long double>(TvxDBFDate::YMDToDay(2010, 6, 9)) - 1721425) * 86400000.0L + 43200250;
  t.NumberPut(2, when);
  EXPECT_EQ(GetLE32(Raw("T"), 0), static_cast<std::uint32_t>(TvxDBFDate::YMDToDay(2010, 6, 9)));
  EXPECT_EQ(GetLE32(Raw("T"), 4), 43200250u);
  EXPECT_EQ(t.NumberGet(2), when);
  t.NumberPut(3, 1.00005L);  // ties to even: 10000.5 -> 10000
  EXPECT_EQ(GetLE32(Raw("Y"), 0), 10000u);
  t.NumberPut(3, 2.5L);
  EXPECT_EQ(t.NumberGet(3), 2.5L);
  t.NumberPut(4, 0.1L);
  EXPECT_DOUBLE_EQ(static_cast<double>(t.NumberGet(4)), 0.1);
  t.RawPut(1, "    ");
  EXPECT_EQ(t.NumberGet(1), 0);
}

TEST_F(FieldsTest, DeleteAndRecallWriteTheRecord) {
  Open(0x03, {{"C", 'C', 3, 0}});
  auto& t = *table_;
  t.BlankRecord();
  t.RawPut(1, "abc");
  t.AppendRecord();
  t.DeleteRecord();
  EXPECT_EQ(ReadFile(path_)[t.HeaderLength()], '*');
  t.ReadRecord(1);
  EXPECT_TRUE(t.IsDeleted());
  t.RecallRecord();
  EXPECT_EQ(ReadFile(path_)[t.HeaderLength()], ' ');
  EXPECT_EQ(t.RecordCount(), 1);
  VXO_dBaseFld fresh(path_, true, true);  // no current record: nothing is written
  fresh.DeleteRecord();
  EXPECT_EQ(fresh.RecordCount(), 1);
  EXPECT_EQ(FileSizeOf(path_), t.HeaderLength() + t.RecordLength() + 1);
}

TEST_F(FieldsTest, PutValuesTranslatesIntoAnotherBuffer) {
  Open(0x03, {{"NAME", 'C', 6, 0}, {"QTY", 'N', 4, 0}, {"NOTE", 'C', 2, 0}});
  auto& t = *table_;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(t.RecordLength()) + 1);
  t.PutValues(buffer.data(), "name; QTY ;NOTE", {"\xCA\xD2\x33\x31\x35", "12", std::nullopt});  // КТ315
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 13), " \x8A\x92" "315   12  ");
  EXPECT_EQ(t.CurrentRecord(), t.CurrentRecord());
  EXPECT_NE(t.CurrentRecord(), buffer.data());
}

TEST(TranslationTables, OneToOneAndRussianLettersExact) {
  const auto& t = Translation();
  std::array<int, 256> seen{};
  for (int c = 0; c < 256; ++c) {
    ++seen[t.ansiToOem[c]];
    EXPECT_EQ(t.oemToAnsi[t.ansiToOem[c]], c);
  }
  for (int c = 0; c < 256; ++c) EXPECT_EQ(seen[c], 1) << c;
  for (int c = 0xC0; c <= 0xFF; ++c)
    EXPECT_EQ(t.ansiToOem[c], static_cast<std::uint8_t>(platform::CharToOem(std::string(1, static_cast<char>(c)))[0]));
  EXPECT_EQ(t.ansiToOem[0xB9], 0xFC);  // №
  EXPECT_EQ(OemToAnsi(AnsiToOem("\xB2\xB3")), "\xB2\xB3");  // І і come back, unlike with best fit
}
