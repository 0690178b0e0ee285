// Damaged compound index files give "Index file %s is corrupted" (or refuse
// to open) instead of crashing, reading outside a page or looping.

#include "IndexTestKit.h"
#include "engine/Bytes.h"

namespace talvern::testing {
namespace {

class CorruptionTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 400; ++i) rows.push_back({Numbered("NAME", 100000 + i * 7919 % 400)});
    MakeTable(dir.File("t.dbf"), {{"NAME", 'C', 12, 0}}, rows);
    IndexedTable table(dir.File("t.dbf"), false, true);
    VXobjCDXFile& file = table.OpenCdx(dir.File("t.cdx"), true);
    ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
    VXobjIndexTag& tag = *file.TagByName("NAME");
    header = tag.HeaderOffset;
    root = tag.Root;
    tag.MoveTo(RecTop);
    ASSERT_FALSE(tag.Path->IsLeaf());
    leaf = tag.Path->At(0).Link;
    tag.ReleaseNodes();
  }
  void Patch32(std::int32_t at, std::uint32_t value) {
    std::string bytes = ReadFile(dir.File("t.cdx"));
    PutLE32(bytes, static_cast<std::size_t>(at), value);
    WriteFile(dir.File("t.cdx"), bytes);
  }
  void PatchBE32(std::int32_t at, std::uint32_t value) {
    std::string bytes = ReadFile(dir.File("t.cdx"));
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(at + i)] = static_cast<char>(value >> (24 - 8 * i));
    WriteFile(dir.File("t.cdx"), bytes);
  }
  void Patch16(std::int32_t at, unsigned value) {
    std::string bytes = ReadFile(dir.File("t.cdx"));
    PutLE16(bytes, static_cast<std::size_t>(at), value);
    WriteFile(dir.File("t.cdx"), bytes);
  }
  // What walking the tag of a freshly opened file raises.
  std::string WalkError() {
    IndexedTable table(dir.File("t.dbf"), false, true);
    return ErrorOf([&] {
      VXobjCDXFile& file = table.OpenCdx(dir.File("t.cdx"));
      Walk(*file.TagByName("NAME"));
      Walk(*file.TagByName("NAME"), false);
    });
  }

  TempDir dir;
  std::int32_t header = 0, root = 0, leaf = 0;
};

TEST_F(CorruptionTest, RootBeyondTheEndOfTheFile) {
  Patch32(header, 0x100000);
  EXPECT_EQ(WalkError(), "Index file " + dir.File("t.cdx") + " is corrupted");
}

TEST_F(CorruptionTest, ChildPageBeyondTheEndOfTheFile) {
  // The first entry of the root interior node: key, record, child page.
  PatchBE32(root + 12 + 12 + 4, 0x7FFFFE00);
  EXPECT_EQ(WalkError(), "Index file t.cdx is corrupted");
}

// Offsets near 2^31 whose page would end past the largest file offset: the
// arithmetic on them must not overflow (the sanitizer build checks), and
// every way in says the file is corrupted.
TEST_F(CorruptionTest, PageOffsetsNearTwoGigabytes) {
  const std::string corrupted = "Index file " + dir.File("t.cdx") + " is corrupted";
  const std::string pristine = ReadFile(dir.File("t.cdx"));
  for (std::uint32_t offset : {0x7FFFFE00u, 0x7FFFFC00u, 0xFFFFFE00u}) {
    Patch32(header, offset);
    EXPECT_EQ(WalkError(), corrupted) << offset;
    WriteFile(dir.File("t.cdx"), pristine);
    PatchBE32(root + 12 + 12 + 4, offset);
    IndexedTable table(dir.File("t.dbf"), false, true);
    VXobjCDXFile& file = table.OpenCdx(dir.File("t.cdx"));
    VXobjIndexTag& tag = *file.TagByName("NAME");
    for (int round = 0; round < 2; ++round) {  // the page missed before is asked for again
      EXPECT_EQ(ErrorOf([&] { Walk(tag); }), "Index file t.cdx is corrupted") << offset;
      EXPECT_EQ(ErrorOf([&] { Walk(tag, false); }), "Index file t.cdx is corrupted") << offset;
    }
    WriteFile(dir.File("t.cdx"), pristine);
  }
}

TEST_F(CorruptionTest, ChildPointerLoopingBackToTheRoot) {
  PatchBE32(root + 12 + 12 + 4, static_cast<std::uint32_t>(root));
  Patch16(root, 1);
  EXPECT_EQ(WalkError(), "Index file t.cdx is corrupted");
}

TEST_F(CorruptionTest, EntryCountBeyondThePage) {
  Patch16(leaf + 2, 400);
  EXPECT_EQ(WalkError(), "Index file t.cdx is corrupted");
  Patch16(leaf + 2, 2);
  Patch16(root + 2, 60);
  EXPECT_EQ(WalkError(), "Index file t.cdx is corrupted");
}

TEST_F(CorruptionTest, LeafCountsThatDoNotAddUp) {
  // Entry bytes 9, and a key area that the descriptors overlap.
  std::string bytes = ReadFile(dir.File("t.cdx"));
  std::string saved = bytes;
  bytes[static_cast<std::size_t>(leaf + 23)] = 9;
  WriteFile(dir.File("t.cdx"), bytes);
  EXPECT_EQ(WalkError(), "Index file t.cdx is corrupted");
  bytes = saved;
  for (int i = 24; i < 512; ++i) bytes[static_cast<std::size_t>(leaf + i)] = '\xFF';
  WriteFile(dir.File("t.cdx"), bytes);
  EXPECT_EQ(WalkError(), "Index file t.cdx is corrupted");
}

TEST_F(CorruptionTest, TruncatedFile) {
  std::string bytes = ReadFile(dir.File("t.cdx"));
  WriteFile(dir.File("t.cdx"), bytes.substr(0, static_cast<std::size_t>(leaf) + 100));
  EXPECT_NE(WalkError(), "");
  WriteFile(dir.File("t.cdx"), bytes.substr(0, 1000));
  EXPECT_NE(WalkError(), "");
}

TEST_F(CorruptionTest, HeaderWithOversizedKeyOrNoExpression) {
  Patch16(header + 12, 300);
  EXPECT_NE(WalkError(), "");
  Patch16(header + 12, 12);
  std::string bytes = ReadFile(dir.File("t.cdx"));
  bytes[static_cast<std::size_t>(header + 512)] = '\0';
  WriteFile(dir.File("t.cdx"), bytes);
  EXPECT_EQ(WalkError(), "Index file " + dir.File("t.cdx") + " is corrupted");
}

}  // namespace
}  // namespace talvern::testing
