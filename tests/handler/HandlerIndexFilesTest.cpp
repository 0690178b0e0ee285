// The handler's 63 index-file slots, index file lists, and what the handler
// does when no tag is selected. Index files here are stand-ins that only
// have a name and tags, made through the handler's index file factory.
#include <gtest/gtest.h>

#include "HandlerTestKit.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"

namespace talvern::testing {
namespace {

class StandInIndexFile : public VXobjIndexFile {
public:
  StandInIndexFile(VXO_dBaseFld* table, const std::string& fullName, int tags) : VXobjIndexFile(table) {
    Disk = std::make_unique<VXO_DiskFile>(fullName, true, false);  // named, never opened
    fileName_ = fullName.substr(fullName.find_last_of('/') + 1);
    for (int i = 1; i <= tags; ++i)
      Tags.push_back(std::make_unique<VXobjIndexTag>(this, fileName_ + Named("#", i)));
    Opened = true;
  }
  void SetLockProtocol(TvxLokProtocol protocol) override {
    VXobjIndexFile::SetLockProtocol(protocol);
    protocolSet = protocol;
  }
  bool Rename(const std::string& newName) override {
    renamedTo = newName;
    return true;
  }
  TvxLokProtocol protocolSet = TvxLokProtocol::FoxLock;
  std::string renamedTo;
};

// A table whose index files are stand-ins: two tags each, except names
// with "corrupt" (a damaged file) or "missing" (no file).
class StandInTable : public VXO_dBHandler {
public:
  using VXO_dBHandler::VXO_dBHandler;
  std::vector<std::string> opened;

protected:
  std::unique_ptr<VXobjIndexFile> NewIndexFile(const std::string& fullName, bool) override {
    auto file = std::make_unique<StandInIndexFile>(this, fullName, 2);
    if (fullName.find("corrupt") != std::string::npos) {
      file->Opened = false;
      file->Corrupted = true;
    } else if (fullName.find("missing") != std::string::npos) {
      file->Opened = false;
    } else {
      opened.push_back(fullName.substr(fullName.find_last_of('/') + 1));
    }
    return file;
  }
};

StandInIndexFile& Slot(VXO_dBHandler& t, int slot) { return static_cast<StandInIndexFile&>(*t.IndexFile(slot)); }

class HandlerIndexFiles : public ::testing::Test {
protected:
  void SetUp() override { MakeDevices(path, Numbered(3)); }
  TempDir dir;
  std::string path = dir.File("main.dbf");
};

TEST_F(HandlerIndexFiles, ListOfNamesWithQuotesAndSeparators) {
  StandInTable t(path, true, true);
  t.OpenIndexFiles(R"(  main.cdx, "two, files.cdx";third ;, ;)", "");
  EXPECT_EQ(t.opened, (std::vector<std::string>{"main.cdx", "two, files.cdx", "third.ndx"}));
  EXPECT_EQ(t.IndexFileSlot("third"), 3);
  EXPECT_EQ(t.IndexFile(2)->FullName(), dir.File("two, files.cdx"));  // beside the table
  EXPECT_TRUE(t.HasIndexFiles());
  EXPECT_TRUE(t.ReadAheadOn());  // no tag selected

  t.opened.clear();
  t.OpenIndexFiles("a.cdx;b.cdx;A.CDX;c.cdx", "");  // closes the others first
  EXPECT_EQ(t.opened, (std::vector<std::string>{"a.cdx", "b.cdx"}));  // a name open again ends the list
  EXPECT_EQ(t.IndexFileSlot("main.cdx"), 0);

  t.OpenIndexFiles("", "");
  EXPECT_FALSE(t.HasIndexFiles());
}

TEST_F(HandlerIndexFiles, SixtyFourthFileIsNotOpened) {
  StandInTable t(path, true, true);
  for (int i = 1; i <= VXO_dBHandler::kMaxIndexFiles; ++i)
    ASSERT_EQ(t.OpenIndexFile(Named("f", i, ".cdx")), 0);
  EXPECT_EQ(t.OpenIndexFile("f64.cdx"), -2);
  EXPECT_EQ(t.IndexFileSlot("f64.cdx"), 0);
  EXPECT_EQ(t.IndexFileSlot("f63.cdx"), 63);
  EXPECT_EQ(t.OpenIndexFile("F7.CDX"), -1);  // already open
  t.CloseIndexFiles();
  EXPECT_FALSE(t.HasIndexFiles());
  EXPECT_EQ(t.OpenIndexFile("f64.cdx"), 0);
  EXPECT_EQ(t.IndexFileSlot("f64.cdx"), 1);
}

TEST_F(HandlerIndexFiles, TagsAreCountedThroughTheFilesInSlotOrder) {
  StandInTable t(path, true, true);
  t.OpenIndexFiles("one.cdx,two.cdx", "");
  ASSERT_NE(t.TagByOrder(3), nullptr);
  EXPECT_EQ(t.TagByOrder(1)->Name, "one.cdx#1");
  EXPECT_EQ(t.TagByOrder(3)->Name, "two.cdx#1");
  EXPECT_EQ(t.TagByOrder(4)->Name, "two.cdx#2");
  EXPECT_EQ(t.TagByOrder(5), nullptr);
  EXPECT_EQ(t.TagByOrder(0), nullptr);
}

TEST_F(HandlerIndexFiles, FilesThatCannotBeOpenedAreRefused) {
  StandInTable t(path, true, true);
  EXPECT_EQ(ErrorOf([&] { t.OpenIndexFile("main.idx"); }), "File " + dir.File("main.idx") + " could not be found");
  EXPECT_EQ(ErrorOf([&] { t.OpenIndexFile("missing.cdx"); }),
            "File " + dir.File("missing.cdx") + " could not be found");
  EXPECT_EQ(ErrorOf([&] { t.OpenIndexFile("corrupt.cdx"); }),
            "Index file " + dir.File("corrupt.cdx") + " is corrupted");
  EXPECT_FALSE(t.HasIndexFiles());
}

TEST_F(HandlerIndexFiles, LockProtocolAndRenameReachTheFiles) {
  StandInTable t(path, true, true);
  t.SetLockProtocol(TvxLokProtocol::DB4Lock);
  t.OpenIndexFiles("main.cdx,other.cdx", "");
  EXPECT_EQ(Slot(t, 1).protocolSet, TvxLokProtocol::DB4Lock);  // taken at open
  t.SetLockProtocol(TvxLokProtocol::ClipLock);
  EXPECT_EQ(Slot(t, 2).protocolSet, TvxLokProtocol::ClipLock);

  t.RenameFile(dir.File("renamed.dbf"));
  EXPECT_EQ(Slot(t, 1).renamedTo, dir.File("renamed.dbf"));  // main.cdx follows the table
  EXPECT_EQ(Slot(t, 2).renamedTo, "");
  EXPECT_EQ(t.FileName(), dir.File("renamed.dbf"));
}

TEST_F(HandlerIndexFiles, WithoutATagSeeksAndRangesFindNothing) {
  VXO_dBHandler t(path, true, true);
  EXPECT_EQ(t.SelectTag("", false), 0);
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_EQ(ErrorOf([&] { t.SelectTag(" type ", true); }), "Cannot find index tag  type ");

  EXPECT_FALSE(t.FindKey("D2"));
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecNo(), 3);  // the end of the order
  EXPECT_EQ(t.FindKeyInTag("TYPE", "D2"), -1);
  EXPECT_FALSE(t.SetRange("A", "Z", {}));
  t.ClearRange();
}

TEST_F(HandlerIndexFiles, CreateIndexRefusesNamesWithoutTagOrKind) {
  VXO_dBHandler t(path, true, true);
  EXPECT_EQ(ErrorOf([&] { t.CreateIndex("main.cdx", " ", {}, "TYPE", ""); }), "Cannot find index tag ");
  EXPECT_EQ(ErrorOf([&] { t.CreateIndex("main.idx", "TYPE", {}, "TYPE", ""); }),
            "File " + dir.File("main.idx") + " could not be found");
  t.ReadRecord(RecTop);  // the table is ready again
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_FALSE(t.HasIndexFiles());
}

}  // namespace
}  // namespace talvern::testing
