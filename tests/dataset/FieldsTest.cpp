// Field objects: conversions between types, nulls, calculated fields,
// lookup fields and memo contents.

#include <gtest/gtest.h>

#include "dataset/DataSetTestKit.h"
#include "dataset/DatabaseError.h"

using namespace talvern;
using namespace talvern::test;

namespace {

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

// One row of every type, the dataset open and in edit state.
std::unique_ptr<TMemoryDataSet> AllTypes() {
  auto ds = std::make_unique<TMemoryDataSet>(std::vector<TMemoryDataSet::Column>{
      {"S", ftString, 5}, {"SI", ftSmallint}, {"I", ftInteger}, {"L", ftLargeint}, {"F", ftFloat},
      {"B", ftBoolean}, {"D", ftDate}, {"DT", ftDateTime}, {"M", ftMemo}});
  ds->AddRow({});
  ds->Open();
  ds->Edit();
  return ds;
}

}  // namespace

TEST(DataSetFields, NullReadsAsEmptyZeroAndFalse) {
  auto ds = AllTypes();
  for (int i = 0; i < ds->FieldCount(); ++i) {
    TField& field = ds->Fields(i);
    EXPECT_TRUE(field.IsNull()) << field.FieldName();
    EXPECT_EQ(field.AsString(), "") << field.FieldName();
    EXPECT_TRUE(IsNullValue(field.Value())) << field.FieldName();
  }
  EXPECT_EQ(ds->FieldByName("I").AsInteger(), 0);
  EXPECT_EQ(ds->FieldByName("S").AsInteger(), 0);
  EXPECT_EQ(ds->FieldByName("F").AsFloat(), 0.0);
  EXPECT_FALSE(ds->FieldByName("B").AsBoolean());
}

TEST(DataSetFields, ValuesConvertBetweenTypesByTheLocale) {
  auto ds = AllTypes();
  TField& s = ds->FieldByName("S");
  s.SetAsString(" 42 ");
  EXPECT_EQ(s.AsInteger(), 42);
  s.SetAsString("2,5");
  EXPECT_DOUBLE_EQ(s.AsFloat(), 2.5);
  s.SetAsString("1.5");  // a point is read as well
  EXPECT_DOUBLE_EQ(s.AsFloat(), 1.5);
  s.SetAsString("abcdefgh");
  EXPECT_EQ(s.AsString(), "abcde");  // cut to the field's size
  EXPECT_EQ(Message([&] { s.AsInteger(); }), "'abcde' is not a valid integer value");
  s.SetAsBoolean(true);
  EXPECT_EQ(s.AsString(), "T");
  EXPECT_TRUE(s.AsBoolean());

  TField& f = ds->FieldByName("F");
  f.SetAsString("3,25");
  EXPECT_EQ(f.AsString(), "3,25");
  EXPECT_EQ(f.AsInteger(), 3);
  f.SetAsFloat(2.5);
  EXPECT_EQ(f.AsInteger(), 3);  // half away from zero
  f.SetAsFloat(-2.5);
  EXPECT_EQ(f.AsInteger(), -3);
  f.SetAsFloat(1e20);
  EXPECT_EQ(f.AsString(), "1E20");
  f.SetAsFloat(0.1);
  EXPECT_EQ(f.AsString(), "0,1");
  EXPECT_EQ(Message([&] { f.SetAsString("1,2,3"); }), "'1,2,3' is not a valid floating point value");
  EXPECT_EQ(Message([&] { f.SetAsString("nan"); }), "'nan' is not a valid floating point value");

  TField& i = ds->FieldByName("I");
  i.SetAsFloat(7.5);
  EXPECT_EQ(i.AsInteger(), 8);
  i.SetAsString("-12");
  EXPECT_EQ(i.AsString(), "-12");
  EXPECT_EQ(Message([&] { i.SetAsString("12,5"); }), "'12,5' is not a valid integer value");
  EXPECT_EQ(Message([&] { i.AsBoolean(); }), "Cannot access field 'I' as type Boolean");
  i.SetAsString("");
  EXPECT_TRUE(i.IsNull());

  TField& b = ds->FieldByName("B");
  b.SetAsString("fa");
  EXPECT_EQ(b.AsString(), "False");
  b.SetAsString("T");
  EXPECT_EQ(b.AsString(), "True");
  EXPECT_EQ(Message([&] { b.SetAsString("yes"); }), "'yes' is not a valid boolean value");
  EXPECT_EQ(Message([&] { b.AsInteger(); }), "Cannot access field 'B' as type Integer");
}

TEST(DataSetFields, IntegersKeepToTheRangeOfTheirType) {
  auto ds = AllTypes();
  TField& si = ds->FieldByName("SI");
  si.SetAsInteger(-32768);
  EXPECT_EQ(Message([&] { si.SetAsInteger(32768); }),
            "32768 is not a valid value for field 'SI'. The allowed range is -32768 to 32767");
  EXPECT_EQ(si.AsInteger(), -32768);
  TField& l = ds->FieldByName("L");
  l.SetAsString("1234567890123456789");  // 19 digits
  EXPECT_EQ(l.AsLargeInt(), 1234567890123456789);
  EXPECT_EQ(l.AsString(), "1234567890123456789");
  EXPECT_THROW(l.AsInteger(), EDatabaseError);  // does not fit 32 bits: no silent cut
  EXPECT_THROW(l.SetAsFloat(1e19), EDatabaseError);
  EXPECT_THROW(ds->FieldByName("I").SetValue(FieldValue{std::int64_t{5000000000}}), EDatabaseError);
  EXPECT_TRUE(ds->FieldByName("I").IsNull());  // the failed write changed nothing
}

TEST(DataSetFields, DatesReadAndWriteInTheShortDateFormat) {
  auto ds = AllTypes();
  TField& d = ds->FieldByName("D");
  d.SetAsString("5.3.2024");
  EXPECT_EQ(d.AsString(), "05.03.2024");
  d.SetAsDateTime(d.AsDateTime() + 0.75);  // a date field keeps the day only
  EXPECT_EQ(d.AsString(), "05.03.2024");
  EXPECT_EQ(Message([&] { d.SetAsString("29.02.2023"); }), "'29.02.2023' is not a valid date");
  d.SetAsString("29.02.2024");
  EXPECT_EQ(d.AsString(), "29.02.2024");

  TField& dt = ds->FieldByName("DT");
  dt.SetAsString("01.01.2000 13:45:10");
  EXPECT_EQ(dt.AsString(), "01.01.2000 13:45:10");
  dt.SetAsString("01.01.2000");
  EXPECT_EQ(dt.AsString(), "01.01.2000");
  EXPECT_EQ(Message([&] { dt.SetAsString("01.01.2000 25:00"); }), "'01.01.2000 25:00' is not a valid date and time");
  EXPECT_THROW(dt.SetAsFloat(1e9), EDatabaseError);  // beyond the year 9999
}

TEST(DataSetFields, DayNumbersFollowTheCalendar) {
  TDateTime date = -1;
  ASSERT_TRUE(TryEncodeDate(1899, 12, 30, date));
  EXPECT_EQ(date, 0);
  ASSERT_TRUE(TryEncodeDate(2000, 3, 1, date));
  TDateTime leapDay = 0;
  ASSERT_TRUE(TryEncodeDate(2000, 2, 29, leapDay));
  EXPECT_EQ(date - leapDay, 1);
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, date));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, date));
  // Days from the year 1 to 9999 decode to the dates they were made from:
  // every 11th day, and every day around the century leap-year rules.
  int year = 0, month = 0, day = 0;
  TDateTime first = 0, last = 0;
  ASSERT_TRUE(TryEncodeDate(1, 1, 1, first));
  ASSERT_TRUE(TryEncodeDate(9999, 12, 31, last));
  auto roundTrip = [&](TDateTime n) {
    ASSERT_TRUE(DecodeDate(n, year, month, day)) << n;
    TDateTime again = 0;
    ASSERT_TRUE(TryEncodeDate(year, month, day, again)) << n;
    ASSERT_EQ(again, n);
  };
  for (TDateTime n = first; n <= last; n += 11) roundTrip(n);
  for (int century : {1600, 1700, 1900, 2000}) {
    TDateTime from = 0, to = 0;
    ASSERT_TRUE(TryEncodeDate(century - 1, 12, 1, from));
    ASSERT_TRUE(TryEncodeDate(century + 1, 3, 1, to));
    for (TDateTime n = from; n <= to; n += 1) roundTrip(n);
  }
  EXPECT_FALSE(DecodeDate(last + 1, year, month, day));
}

TEST(DataSetCalcFields, AreClearedAndFilledForEveryRecordRead) {
  auto ds = MakeDevices(3);
  ds->rows[1].values[2] = std::string("|7");
  ds->rows[2].values[2] = std::string("");
  ds->UpdateFieldDefs();
  ds->CreateFields();
  for (int k = 1; k <= 4; ++k) ds->AddField(ftString, std::to_string(k), 250, fkCalculated);
  std::vector<TDataSetState> states;
  // The pieces of PARAMS between "|" go to the fields "1", "2", ...; an
  // empty piece leaves its field as it was cleared.
  ds->OnCalcFields = [&states](TDataSet& d) {
    states.push_back(d.State());
    std::string params = d.FieldByName("PARAMS").AsString();
    int piece = 0;
    std::size_t start = 0;
    while (start < params.size()) {
      ++piece;
      std::size_t bar = params.find('|', start);
      std::size_t end = bar == std::string::npos ? params.size() : bar;
      if (end > start) d.FieldByName(std::to_string(piece)).SetAsString(params.substr(start, end - start));
      start = end + 1;
    }
  };
  ds->Open();
  auto pieces = [&ds] {
    std::vector<std::string> values;
    for (int k = 1; k <= 4; ++k) values.push_back(ds->FieldByName(std::to_string(k)).AsString());
    return values;
  };
  EXPECT_EQ(pieces(), (std::vector<std::string>{"5", "10", "", "0,3"}));
  EXPECT_TRUE(ds->FieldByName("3").IsNull());
  ds->Next();
  EXPECT_EQ(pieces(), (std::vector<std::string>{"", "7", "", ""}));
  ds->Next();
  EXPECT_EQ(pieces(), (std::vector<std::string>{"", "", "", ""}));
  EXPECT_EQ(states.front(), dsCalcFields);
  EXPECT_EQ(ds->State(), dsBrowse);

  // In edit state a change of PARAMS computes them again at once.
  ds->Edit();
  ds->FieldByName("PARAMS").SetAsString("1|2");
  EXPECT_EQ(pieces(), (std::vector<std::string>{"1", "2", "", ""}));
  ds->SetAutoCalcFields(false);
  ds->FieldByName("PARAMS").SetAsString("3|4");
  EXPECT_EQ(pieces(), (std::vector<std::string>{"1", "2", "", ""}));
  ds->Post();
  EXPECT_EQ(pieces(), (std::vector<std::string>{"3", "4", "", ""}));  // read again after posting

  // A stored field may not be written while fields are computed.
  ds->OnCalcFields = [](TDataSet& d) { d.FieldByName("TYPE").SetAsString("x"); };
  EXPECT_EQ(Message([&] { ds->First(); }), "Dataset not in edit or insert mode");
  EXPECT_EQ(ds->State(), dsBrowse);
}

TEST(DataSetLookupFields, ShowTheValueFromTheOtherDataSetWithoutMovingIt) {
  auto kinds = MakeKinds();
  auto devices = MakeDevices(4);
  devices->rows[3].values[1] = std::int64_t{9};  // a kind that does not exist
  devices->UpdateFieldDefs();
  devices->CreateFields();
  devices->AddLookupField("VN", ftString, 60, *kinds, "VID", "VID", "NAME");
  kinds->Open();
  kinds->Last();
  devices->Open();
  EXPECT_EQ(devices->FieldByName("VN").AsString(), "Diodes");
  devices->Next();
  EXPECT_EQ(devices->FieldByName("VN").AsString(), "Zener diodes");
  devices->Last();
  EXPECT_TRUE(devices->FieldByName("VN").IsNull());
  EXPECT_EQ(kinds->FieldByName("NAME").AsString(), "Transistors");  // not moved

  EXPECT_EQ(FieldValueToText(kinds->Lookup("VID", {std::int64_t{2}}, "NAME")), "Zener diodes");
  EXPECT_TRUE(IsNullValue(kinds->Lookup("VID", {std::int64_t{7}}, "NAME")));

  kinds->Close();  // a closed lookup dataset gives no values
  devices->First();
  EXPECT_TRUE(devices->FieldByName("VN").IsNull());
}

TEST(DataSetLookupFields, TwoDataSetsLookingUpInEachOtherStillEnd) {
  auto kinds = MakeKinds();
  auto devices = MakeDevices(2);
  kinds->UpdateFieldDefs();
  kinds->CreateFields();
  kinds->AddLookupField("FIRST", ftString, 10, *devices, "VID", "VID", "TYPE");
  devices->UpdateFieldDefs();
  devices->CreateFields();
  devices->AddLookupField("VN", ftString, 60, *kinds, "VID", "VID", "NAME");
  devices->Open();
  kinds->Open();
  devices->Refresh();
  EXPECT_EQ(devices->FieldByName("VN").AsString(), "Diodes");
  EXPECT_EQ(kinds->FieldByName("FIRST").AsString(), "T1");
  // Destroying the lookup dataset first leaves the field without a source.
  kinds.reset();
  devices->Close();
  EXPECT_EQ(devices->FieldByName("VN").LookupDataSet(), nullptr);
  EXPECT_EQ(Message([&] { devices->Open(); }), "Lookup information for field 'VN' is incomplete");
}

TEST(DataSetBlobFields, ContentsGoThroughAStream) {
  auto ds = std::make_unique<TMemoryDataSet>(std::vector<TMemoryDataSet::Column>{
      {"PIC", ftString, 3}, {"PICTURE", ftBlob}});
  ds->AddRow({std::string("001"), std::string("GIF89a...")});
  ds->AddRow({std::string("002"), FieldValue{}});
  ds->Open();
  TField& picture = ds->FieldByName("PICTURE");
  EXPECT_FALSE(picture.Transliterate());  // a blob is bytes
  EXPECT_EQ(picture.AsString(), "GIF89a...");
  auto stream = ds->CreateBlobStream(picture, bmRead);
  char buffer[32];
  stream->Seek(-3, soEnd);
  EXPECT_EQ(stream->Read(buffer, sizeof buffer), 3);  // only what remains
  EXPECT_EQ(stream->Read(buffer, sizeof buffer), 0);
  stream.reset();
  EXPECT_EQ(Message([&] { picture.SetAsString("x"); }), "Dataset not in edit or insert mode");

  ds->Next();
  EXPECT_TRUE(picture.IsNull());
  TDataSource source(ds.get());
  RecordingLink control;
  control.SetDataSource(&source);
  ds->Edit();
  picture.SetAsString(std::string("\0\1\2", 3));
  EXPECT_EQ(control.changedFields.back(), "PICTURE");
  EXPECT_TRUE(ds->Modified());
  ds->Post();
  EXPECT_EQ(picture.AsString(), std::string("\0\1\2", 3));
  ds->Edit();
  picture.Clear();
  ds->Post();
  EXPECT_TRUE(picture.IsNull());
}
