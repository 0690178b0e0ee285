// Writing through a table dataset: edits under a record lock (and another
// program holding one), new records, deleting and recalling, and memo
// contents through the blob stream.

#include <gtest/gtest.h>

#include "TableTestKit.h"
#include "dataset/DataSource.h"
#include "dataset/TalvernBlobStream.h"
#include "handler/DbfObject.h"
#include "engine/Strings.h"

using namespace talvern;
using namespace talvern::tabletest;

using Types = std::vector<std::string>;

namespace {

// The stored TYPE of record r, as another reader sees it.
std::string StoredType(const std::string& path, int r) {
  VXO_dBaseFld t(path, true, false);
  t.ReadRecord(r);
  return platform::OemToUtf8(TrimRight(t.RawGet(1)));
}

}  // namespace

TEST(TableDataSetEditing, EditsAppendsAndInsertsReachTheTable) {
  TempDir dir;
  const std::string path = dir.File("main.dbf");
  MakeDeviceTable(path, NumberedDevices(3));
  auto ds = OpenDataSet(dir, "main.dbf");
  ds->Next();
  ds->Edit();
  EXPECT_EQ(ds->State(), dsEdit);
  ds->FieldByName("TYPE").SetAsString(Ansi("КТ315Б"));
  ds->FieldByName("VID").SetAsInteger(925);
  ds->Post();
  EXPECT_EQ(StoredType(path, 2), "КТ315Б");
  EXPECT_EQ(ds->RecNo(), 2);

  ds->Append();
  ds->FieldByName("TYPE").SetAsString("D4");
  ds->Post();
  EXPECT_EQ(ds->RecNo(), 4);
  EXPECT_EQ(StoredType(path, 4), "D4");
  ds->First();
  ds->Insert();  // a table puts new records at its end
  ds->FieldByName("TYPE").SetAsString("D5");
  ds->Post();
  EXPECT_EQ(ds->RecNo(), 5);
  EXPECT_EQ(AllTypes(*ds), (Types{"D1", "КТ315Б", "D3", "D4", "D5"}));

  // A cancelled edit leaves the table as it was.
  ds->First();
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("gone");
  ds->Cancel();
  EXPECT_EQ(Type(*ds), "D1");
  EXPECT_EQ(StoredType(path, 1), "D1");

  // Editing right before appending: the append is not kept waiting by the
  // record lock of the edit.
  ds->Edit();
  ds->Append();
  ds->FieldByName("TYPE").SetAsString("D6");
  ds->Post();
  EXPECT_EQ(StoredType(path, 6), "D6");

  ds->SetReadOnly(true);
  EXPECT_EQ(ErrorOf([&] { ds->Edit(); }), "Cannot modify a read-only dataset");
}

TEST(TableDataSetEditing, ARecordLockedByAnotherProgramCannotBeEditedOrDeleted) {
  TempDir dir;
  const std::string path = dir.File("main.dbf");
  MakeDeviceTable(path, NumberedDevices(3));
  auto ds = OpenDataSet(dir, "main.dbf");
  {
    LockingProcess other(path, 2);
    ASSERT_TRUE(other.Locked());
    ds->SetRecNo(2);
    EXPECT_EQ(ErrorOf([&] { ds->Edit(); }), "Record is locked by another user");
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ErrorOf([&] { ds->Delete(); }), "Record is locked by another user");
    EXPECT_EQ(ds->RecNo(), 2);
    // Other records are free.
    ds->SetRecNo(3);
    ds->Edit();
    ds->FieldByName("TYPE").SetAsString("D3x");
    ds->Post();
  }
  ds->SetRecNo(2);
  ds->Edit();  // let go: now it can be edited
  ds->FieldByName("TYPE").SetAsString("D2x");
  ds->Post();
  EXPECT_EQ(StoredType(path, 2), "D2x");
  EXPECT_EQ(StoredType(path, 3), "D3x");

  // The edit holds the lock until it is posted or cancelled.
  ds->Edit();
  {
    DBFObject other(path, true, true);
    other.ReadRecord(2);
    EXPECT_FALSE(other.LockRecord());
    ds->Cancel();
    EXPECT_TRUE(other.LockRecord());
    other.ReleaseLock();
  }
}

TEST(TableDataSetEditing, AnEditStartsFromTheRecordAsStoredNow) {
  TempDir dir;
  const std::string path = dir.File("main.dbf");
  MakeDeviceTable(path, NumberedDevices(3));
  auto ds = OpenDataSet(dir, "main.dbf");
  {
    // Another program changes the record after the dataset read it.
    DBFObject other(path, true, true);
    other.ReadRecord(1);
    other.RawPut(1, "changed");
    other.WriteRecord(1);
  }
  EXPECT_EQ(Type(*ds), "D1");
  ds->Edit();
  EXPECT_EQ(Type(*ds), "changed");
  ds->FieldByName("VID").SetAsInteger(7);
  ds->Post();
  EXPECT_EQ(StoredType(path, 1), "changed");
}

TEST(TableDataSetEditing, DeleteHidesTheRecordAndRecallBringsItBack) {
  TempDir dir;
  const std::string path = dir.File("main.dbf");
  MakeDeviceTable(path, NumberedDevices(4));
  auto ds = OpenDataSet(dir, "main.dbf");
  ds->SetRecNo(2);
  ds->Delete();
  EXPECT_EQ(Type(*ds), "D3");  // the next record takes its place
  ds->Last();
  ds->Delete();
  EXPECT_EQ(Type(*ds), "D3");  // the last one went: the one before it
  EXPECT_EQ(AllTypes(*ds), (Types{"D1", "D3"}));
  EXPECT_EQ(ds->RecordCount(), 4);

  ds->SetUseDeleted(true);
  ds->Refresh();
  EXPECT_EQ(AllTypes(*ds), (Types{"D1", "D2", "D3", "D4"}));
  ds->SetRecNo(2);
  ds->Recall();
  ds->SetUseDeleted(false);
  EXPECT_EQ(AllTypes(*ds), (Types{"D1", "D2", "D3"}));

  // Deleting while editing drops the edit and deletes the stored record.
  ds->SetRecNo(2);
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("edited");
  ds->Delete();
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(AllTypes(*ds), (Types{"D1", "D3"}));
  EXPECT_EQ(StoredType(path, 2), "D2");
}

namespace {

// A drawing table like PICS.DBF: PIC C(3), FN C(8), PICTURE M (FoxPro memo).
void MakeDrawingTable(const std::string& path) {
  CreateTable(path, 0xF5, {{"PIC", 'C', 3, 0}, {"FN", 'C', 8, 0}, {"PICTURE", 'M', 10, 0}});
  VXO_dBaseFld t(path, false, true);
  for (const char* code : {"001", "002"}) {
    t.BlankRecord();
    t.RawPut(1, code);
    t.AppendRecord();
  }
}

std::string StoredMemo(const std::string& path, int r) {
  VXO_dBaseFld t(path, true, false);
  t.ReadRecord(r);
  return t.TextGet(3);
}

}  // namespace

TEST(TableDataSetEditing, BlobStreamOnAMemoWithoutTransliteration) {
  TempDir dir;
  const std::string path = dir.File("PICS.DBF");
  MakeDrawingTable(path);
  auto ds = TableDataSet(dir, "PICS.DBF");
  ds->UpdateFieldDefs();
  ds->CreateFields();
  TField& picture = ds->FieldByName("PICTURE");
  picture.SetTransliterate(false);
  ds->Open();
  EXPECT_TRUE(picture.IsNull());
  EXPECT_EQ(ErrorOf([&] { ds->CreateBlobStream(picture, bmWrite); }), "Dataset not in edit or insert mode");

  // GIF bytes, every one of them above 0x7F included, go in and out unchanged.
  std::string gif = "GIF89a";
  for (int c = 0; c < 256; ++c) gif += static_cast<char>(c);
  ds->Edit();
  {
    auto stream = ds->CreateBlobStream(picture, bmWrite);
    stream->Write(gif.data(), static_cast<std::int64_t>(gif.size()));
  }
  EXPECT_FALSE(picture.IsNull());
  EXPECT_EQ(StoredMemo(path, 1), "");  // stored when posted
  ds->Post();
  EXPECT_EQ(StoredMemo(path, 1), gif);
  EXPECT_EQ(picture.AsString(), gif);

  // Reading past the end gives what is left.
  auto stream = ds->CreateBlobStream(picture, bmRead);
  EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(gif.size()));
  EXPECT_EQ(stream->Seek(-4, soEnd), static_cast<std::int64_t>(gif.size()) - 4);
  char tail[16];
  EXPECT_EQ(stream->Read(tail, sizeof tail), 4);
  EXPECT_EQ(std::string(tail, 4), gif.substr(gif.size() - 4));
  EXPECT_EQ(stream->Read(tail, sizeof tail), 0);
  stream.reset();

  // A text memo of a transliterating field is stored in code page 866.
  ds->Next();
  ds->Edit();
  TField& fn = ds->FieldByName("FN");
  fn.SetAsString("a");
  picture.SetTransliterate(true);
  {
    TTalvernBlobStream text(*ds, ds->FieldByName("PICTURE"), bmReadWrite);
    std::string word = Ansi("Корпус КТ-26");
    text.Write(word.data(), static_cast<std::int64_t>(word.size()));
    text.Seek(6, soBeginning);
    text.Write(" ", 1);  // writing cuts what followed
  }
  ds->Post();
  EXPECT_EQ(StoredMemo(path, 2), Oem("Корпус КТ-26").substr(0, 6) + " ");
  EXPECT_EQ(picture.AsString(), Ansi("Корпус "));
  picture.SetTransliterate(false);
  EXPECT_EQ(picture.AsString(), Oem("Корпус "));
}

TEST(TableDataSetEditing, ACancelledMemoEditLeavesTheStoredMemo) {
  TempDir dir;
  const std::string path = dir.File("PICS.DBF");
  MakeDrawingTable(path);
  auto ds = OpenDataSet(dir, "PICS.DBF");
  TField& picture = ds->FieldByName("PICTURE");
  ds->Edit();
  picture.SetAsString("first drawing");
  ds->Post();
  ds->Edit();
  picture.SetAsString("other");  // fits into the memo's blocks
  EXPECT_EQ(picture.AsString(), "other");
  ds->Cancel();
  EXPECT_EQ(StoredMemo(path, 1), "first drawing");
  EXPECT_EQ(picture.AsString(), "first drawing");
  ds->Edit();
  picture.Clear();
  ds->Post();
  EXPECT_TRUE(picture.IsNull());
  EXPECT_EQ(ErrorOf([&] {
              picture.SetReadOnly(true);
              ds->Edit();
              ds->CreateBlobStream(picture, bmReadWrite);
            }),
            "Field 'PICTURE' cannot be modified");
}
