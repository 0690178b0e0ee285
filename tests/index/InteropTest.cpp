// Index files this engine builds and maintains, of each format, list the same
// record order in Perl's XBase::Index as in this engine; the catalogue's own
// tags build and navigate as the catalogue needs them.

#include <algorithm>
#include <random>
#include <sstream>

#include "IndexTestKit.h"
#include "Peers.h"
#include "index/IndexCheck.h"
#include "platform/CodePage.h"

namespace talvern::testing {
namespace {

const char* kWalk = R"PL(
use strict; use warnings; use XBase::Index;
my ($file, $tag, $type) = @ARGV;
my %opt;
$opt{tag} = $tag if $tag;
$opt{type} = $type if $type;
my $idx = XBase::Index->new($file, %opt) or die XBase::Index->errstr;
$idx->prepare_select;
while (my ($key, $rec) = $idx->fetch) { print "$rec\n"; }
)PL";

// The record numbers of a tag as XBase::Index walks it (stored order).
std::vector<std::int32_t> PerlWalk(const TempDir& dir, const std::string& file, const std::string& tag,
                                   const std::string& type) {
  WriteFile(dir.File("walk.pl"), kWalk);
  auto result = RunCommand("/usr/bin/perl " + ShellQuote(dir.File("walk.pl")) + " " + ShellQuote(file) + " " +
                           ShellQuote(tag) + " " + ShellQuote(type));
  EXPECT_EQ(result.exitCode, 0);
  std::vector<std::int32_t> out;
  std::stringstream in(result.output);
  std::string line;
  while (std::getline(in, line)) out.push_back(std::stoi(line));
  return out;
}

// Our order as stored: a descending tag navigated in reverse (.cdx)
// reversed.
std::vector<std::int32_t> StoredOrder(VXobjIndexTag& tag) {
  auto order = Walk(tag);
  if (tag.ReverseNavigation) std::reverse(order.begin(), order.end());
  return order;
}

class IndexInteropPerl : public ::testing::TestWithParam<std::string> {};

TEST_P(IndexInteropPerl, ReadsTheOrderOfTagsWeBuildAndMaintain) {
  if (!PerlXBaseAvailable()) GTEST_SKIP() << "Perl XBase is not installed";
  const std::string kind = GetParam();
  const bool single = kind == "ndx" || kind == "ntx";
  TempDir dir;
  std::string dbf = dir.File("peer.dbf");
  auto path = [&](const std::string& tag) { return dir.File((single ? tag : std::string("peer")) + "." + kind); };
  CreateTable(dbf, 0x03, {{"NAME", 'C', 12, 0}, {"NUM", 'N', 9, 2}, {"DAT", 'D', 8, 0}});
  std::mt19937 rng(11);
  auto name = [&] {
    static const std::string letters = platform::Utf8ToOem("АБВКТ") + "ABC12 ";
    std::string s;
    int n = 1 + static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i) s += letters[rng() % letters.size()];
    return s;
  };
  IndexedTable table(dbf, true, true);
  auto put = [&] {
    table.TextPutByName("NAME", name());
    table.NumberPutByName("NUM", static_cast<double>(static_cast<int>(rng() % 2001) - 1000) / 8);
    char date[16];
    std::snprintf(date, sizeof date, "19%02d%02d%02d", static_cast<int>(rng() % 100), 1 + static_cast<int>(rng() % 12),
                  1 + static_cast<int>(rng() % 28));
    table.RawPutByName("DAT", date);
  };
  for (int i = 0; i < 600; ++i) {
    table.BlankRecord();
    put();
    table.AppendRecord();
  }
  struct TagCase {
    const char *name, *expr, *forExpr;
    bool unique, ascending;
    const char* perlType;
  };
  const TagCase all[] = {{"NAME", "NAME", "", false, true, "char"},    {"UNAME", "UPPER(NAME)", "", true, true, "char"},
                         {"NUM", "NUM", "", false, true, "num"},       {"DNUM", "NUM", "NUM > 0", false, false, "num"},
                         {"DAT", "DAT", "", false, true, "date"},      {"MIX", "NAME+STR(NUM,9,2)", "", false, true, "char"}};
  // .ndx files hold neither FOR conditions nor descending tags.
  std::vector<TagCase> cases;
  for (const auto& c : all)
    if (kind != "ndx" || (c.ascending && !*c.forExpr)) cases.push_back(c);
  for (const auto& s : cases) {
    VXobjIndexFile& file = single || table.Files.empty() ? table.OpenIndex(path(s.name), true) : *table.Files.front();
    ASSERT_TRUE(file.TagAdd(s.name, s.expr, s.unique, s.ascending, s.forExpr));
  }
  // Maintenance: appends and rewrites that split and empty pages.
  for (int i = 0; i < 1500; ++i) {
    if (rng() % 3 == 0) {
      table.BlankRecord();
      put();
      table.AppendRecord();
    } else {
      table.ReadRecord(1 + static_cast<std::int32_t>(rng() % table.RecordCount()));
      put();
      table.WriteRecord(table.RecNo());
    }
  }
  for (const auto& s : cases) {
    SCOPED_TRACE(s.name);
    VXobjIndexTag* found = nullptr;
    for (auto& file : table.Files)
      if (!found) found = file->TagByName(s.name);
    ASSERT_NE(found, nullptr);
    VXobjIndexTag& tag = *found;
    IndexCheckOptions options;
    options.content = !s.unique;
    auto problems = CheckTag(tag, options);
    EXPECT_TRUE(problems.empty()) << problems.front();
    // The peer reads the key type of these formats from the file (every
    // .ntx key is text); a .cdx tag's is given. It reads no .ntx file with
    // a FOR condition (signature 7).
    if (kind == "ntx" && *s.forExpr) continue;
    const std::string type = kind == "cdx" ? s.perlType : kind == "ntx" ? "char" : "";
    EXPECT_EQ(PerlWalk(dir, path(s.name), single ? "" : s.name, type), StoredOrder(tag));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, IndexInteropPerl, ::testing::Values("cdx", "mdx", "ndx", "ntx"));

// The catalogue's tables and tags, on a sample of devices.
TEST(IndexInterop, CatalogueTagsBuildAndNavigate) {
  TempDir dir;
  auto o = [](const char* utf8) { return platform::Utf8ToOem(utf8); };
  // main.dbf: domestic types with a digit or letter prefix, foreign ones.
  CreateTable(dir.File("main.dbf"), 0x03,
              {{"TYPE", 'C', 20, 0}, {"VID", 'N', 4, 0}, {"PARAMS", 'C', 60, 0}, {"PIC", 'C', 9, 0},
               {"TERM", 'C', 12, 0}, {"IMPORT", 'L', 1, 0}});
  struct Device {
    std::string type;
    bool import;
  };
  const std::vector<Device> devices = {{o("2Т3102А"), false}, {o("КТ3102Б"), false}, {"2N2222", true},
                                       {o("1Т308"), false},   {o("ГТ309"), false},   {"BC547", true},
                                       {o("3И201"), false},   {o("АЛ307"), false},   {"1N4148", true},
                                       {o("КТ315"), false},   {o("2Т3102Б"), false}, {"", false}};
  {
    VXO_dBaseFld table(dir.File("main.dbf"), false, true);
    for (const auto& d : devices) {
      table.BlankRecord();
      table.TextPutByName("TYPE", d.type);
      table.TextPutByName("VID", "7");
      table.LogicPutByName("IMPORT", d.import);
      table.AppendRecord();
    }
  }
  IndexedTable table(dir.File("main.dbf"), true, true);
  VXobjCDXFile& file = table.OpenCdx(dir.File("main.cdx"), true);
  std::string key = "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"" + o("ГКА") + "\")))";
  ASSERT_TRUE(file.TagAdd("TYPE", key, false, true, ""));
  VXobjIndexTag& tag = *file.TagByName("TYPE");
  // The expected order, worked out by hand from the rule: a domestic type's
  // leading 1, 2, 3 reads as Г, К, А; bytes compare in code page 866.
  std::vector<std::pair<std::string, std::int32_t>> expected;
  for (std::size_t i = 0; i < devices.size(); ++i) {
    std::string k = devices[i].type;
    if (!devices[i].import && !k.empty()) {
      if (k[0] == '1') k = o("Г") + k.substr(1);
      else if (k[0] == '2') k = o("К") + k.substr(1);
      else if (k[0] == '3') k = o("А") + k.substr(1);
    }
    expected.emplace_back(k, static_cast<std::int32_t>(i + 1));
  }
  std::sort(expected.begin(), expected.end());
  std::vector<std::int32_t> order;
  for (const auto& e : expected) order.push_back(e.second);
  EXPECT_EQ(Walk(tag), order);
  // 2Т3102А sorts together with КТ3102Б.
  auto entries = Entries(tag);
  auto at = [&](std::int32_t r) {
    return std::find_if(entries.begin(), entries.end(), [r](const auto& e) { return e.second == r; }) - entries.begin();
  };
  EXPECT_EQ(at(2) - at(1), 1);
  // A seek by the displayed type of a domestic device with its letter.
  table.SetExactKey(false);
  EXPECT_EQ(tag.Seek(tag.SearchKey(o("КТ3102"))), 1);
  EXPECT_EQ(tag.Seek(tag.SearchKey("BC5")), 6);
  // Maintenance through the expression: a device renamed from 2... to 1...
  table.ReadRecord(11);
  table.TextPutByName("TYPE", o("1Т3102Б"));
  table.WriteRecord(11);
  EXPECT_EQ(tag.Seek(tag.SearchKey(o("ГТ3102Б"))), 11);
  EXPECT_TRUE(CheckTag(tag).empty());
  if (PerlXBaseAvailable()) {
    EXPECT_EQ(PerlWalk(dir, dir.File("main.cdx"), "TYPE", "char"), Walk(tag));
  }

  // fields.dbf: GRPD and FLD.
  CreateTable(dir.File("fields.dbf"), 0x03,
              {{"VID", 'N', 4, 0}, {"FLD", 'N', 2, 0}, {"GRP", 'N', 2, 0}, {"DOP", 'N', 2, 0}, {"SHORT", 'C', 10, 0}});
  IndexedTable fields(dir.File("fields.dbf"), true, true);
  const int layout[][4] = {{7, 3, 2, 0}, {7, 1, 1, 0}, {7, 2, 1, 1}, {8, 1, 10, 0}, {8, 2, 1, 0}};
  for (const auto& l : layout) {
    fields.BlankRecord();
    fields.NumberPutByName("VID", l[0]);
    fields.NumberPutByName("FLD", l[1]);
    fields.NumberPutByName("GRP", l[2]);
    fields.NumberPutByName("DOP", l[3]);
    fields.AppendRecord();
  }
  VXobjCDXFile& fcdx = fields.OpenCdx(dir.File("fields.cdx"), true);
  ASSERT_TRUE(fcdx.TagAdd("GRPD", "STR(GRP,2,0)+STR(DOP,2,0)+STR(FLD,2,0)", false, true, ""));
  ASSERT_TRUE(fcdx.TagAdd("FLD", "FLD", false, true, ""));
  EXPECT_EQ(Walk(*fcdx.TagByName("GRPD")), (std::vector<std::int32_t>{2, 5, 3, 1, 4}));
  EXPECT_EQ(Walk(*fcdx.TagByName("FLD")), (std::vector<std::int32_t>{2, 4, 3, 5, 1}));
  EXPECT_EQ(fcdx.TagByName("FLD")->KeyType, 'N');
  EXPECT_EQ(fcdx.TagByName("FLD")->Seek(fcdx.TagByName("FLD")->SearchKey("2")), 3);
  // groups.dbf GROUP, vids.dbf VID, PICS.DBF PIC: plain field keys.
  CreateTable(dir.File("PICS.DBF"), 0x03, {{"PIC", 'C', 3, 0}, {"FN", 'C', 8, 0}});
  IndexedTable pics(dir.File("PICS.DBF"), true, true);
  for (const char* p : {"0Az", "00b", "zz1", "0Aa"}) {
    pics.BlankRecord();
    pics.TextPutByName("PIC", p);
    pics.AppendRecord();
  }
  VXobjCDXFile& pcdx = pics.OpenCdx(dir.File("PICS.CDX"), true);
  ASSERT_TRUE(pcdx.TagAdd("PIC", "PIC", false, true, ""));
  EXPECT_EQ(Walk(*pcdx.TagByName("PIC")), (std::vector<std::int32_t>{2, 4, 1, 3}));
  EXPECT_EQ(pcdx.TagByName("PIC")->Seek(pcdx.TagByName("PIC")->SearchKey("0Aa")), 4);
}

// The sample catalogue the build makes from data/: every tag of the
// catalogue builds on its tables, passes the checks, and reads in the same
// order in Perl.
TEST(IndexInterop, SampleCatalogueTagsBuildAndCheck) {
  const std::string built = std::string(TALVERN_BINARY_DIR) + "/app";
  if (FileSizeOf(built + "/main.dbf") < 0) GTEST_SKIP() << "no sample catalogue in " << built;
  TempDir dir;
  const std::string typeKey =
      "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"" + platform::Utf8ToOem("ГКА") + "\")))";
  struct TagCase {
    const char *table, *tag;
    std::string expr;
  };
  const TagCase cases[] = {{"fields.dbf", "GRPD", "STR(GRP,2,0)+STR(DOP,2,0)+STR(FLD,2,0)"},
                        {"fields.dbf", "FLD", "FLD"},
                        {"groups.dbf", "GROUP", "GROUP"},
                        {"vids.dbf", "VID", "VID"},
                        {"PICS.DBF", "PIC", "PIC"},
                        {"main.dbf", "TYPE", typeKey}};
  for (const auto& s : cases) {
    SCOPED_TRACE(s.tag);
    std::string name = s.table;
    if (FileSizeOf(dir.File(name)) < 0) {
      std::filesystem::copy_file(built + "/" + name, dir.File(name));
      for (const char* ext : {".dbt", ".fpt", ".DBT", ".FPT"}) {
        std::string m = name.substr(0, name.size() - 4) + ext;
        if (FileSizeOf(built + "/" + m) >= 0) std::filesystem::copy_file(built + "/" + m, dir.File(m));
      }
    }
    IndexedTable table(dir.File(name), true, true);
    std::string cdx = dir.File(name.substr(0, name.size() - 4) + ".cdx");
    VXobjCDXFile& file = table.OpenCdx(cdx, true);
    ASSERT_TRUE(file.TagAdd(s.tag, s.expr, false, true, ""));
    VXobjIndexTag& tag = *file.TagByName(s.tag);
    auto problems = CheckTag(tag);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(Walk(tag).size(), static_cast<std::size_t>(table.RecordCount()));
    if (PerlXBaseAvailable()) {
      EXPECT_EQ(PerlWalk(dir, cdx, s.tag, tag.KeyType == 'N' ? "num" : "char"), Walk(tag));
    }
  }
}

}  // namespace
}  // namespace talvern::testing
