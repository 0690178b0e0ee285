// The sample catalogue as mkcatalog builds it from data/: what our engine and
// the independent readers find in the tables, the drawings' memo, codes.dbc,
// and how bad sources are refused.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "CatalogReading.h"
#include "Peers.h"
#include "TestFiles.h"
#include "engine/Errors.h"
#include "tools/mkcatalog/CatalogSchema.h"
#include "tools/mkcatalog/CatalogWriter.h"
#include "tools/mkcatalog/SampleData.h"

namespace talvern::testing {
namespace {

using namespace mkcatalog;
namespace fs = std::filesystem;

const std::string kData = std::string(TALVERN_SOURCE_DIR) + "/data";
const std::set<std::string> kCodesWithoutRecord = {"00H"};   // data/README.md: the АЛ102 LEDs

class SampleCatalogTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    sample_ = new Catalogue(LoadSampleData(kData));
    WriteCatalogue(*sample_, dir_->Path());
  }
  static void TearDownTestSuite() {
    delete sample_;
    delete dir_;
  }
  static std::string Db(const std::string& name) { return dir_->File(name); }

  static TempDir* dir_;
  static Catalogue* sample_;
};
TempDir* SampleCatalogTest::dir_ = nullptr;
Catalogue* SampleCatalogTest::sample_ = nullptr;

TEST_F(SampleCatalogTest, SourcesHoldWhatTheCatalogueNeeds) {
  EXPECT_GE(sample_->groups.size(), 6u);
  EXPECT_GE(sample_->kinds.size(), 25u);
  EXPECT_GE(sample_->devices.size(), 600u);
  std::set<int> withLayout, withDevices;
  for (const auto& r : sample_->layout) withLayout.insert(r.vid);
  for (const auto& d : sample_->devices) withDevices.insert(d.vid);
  int noLayout = 0, noDevices = 0;
  for (const auto& k : sample_->kinds) {
    noLayout += !withLayout.count(k.vid);
    noDevices += !withDevices.count(k.vid);
  }
  EXPECT_GT(noLayout, 0);
  EXPECT_GT(noDevices, 0);
}

TEST_F(SampleCatalogTest, TablesOpenInTheEngineWithTheSourceCounts) {
  struct Expect {
    const TableSchema& schema;
    std::size_t count;
  } expected[] = {{GroupsTable(), sample_->groups.size()},     {KindsTable(), sample_->kinds.size()},
                  {LayoutTable(), sample_->layout.size()},     {DevicesTable(), sample_->devices.size()},
                  {DrawingsTable(), sample_->drawings.size()}, {PackagesTable(), sample_->packages.size()}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.schema.fileName);
    VXO_dBaseFld table(Db(e.schema.fileName), true, false);
    EXPECT_EQ(table.RecordCount(), static_cast<std::int32_t>(e.count));
    EXPECT_EQ(table.Version(), e.schema.version);
    EXPECT_EQ(table.FieldCount(), static_cast<std::int32_t>(e.schema.fields.size()));
  }
  // No index files: the program builds them at start.
  for (const auto& entry : fs::directory_iterator(dir_->Path()))
    EXPECT_NE(entry.path().extension().string(), ".cdx") << entry.path();
}

TEST_F(SampleCatalogTest, CyrillicTextRoundTripsThroughCodePage866) {
  auto devices = ReadTable(Db("main.dbf"));
  ASSERT_EQ(devices.size(), sample_->devices.size());
  for (std::size_t i = 0; i < devices.size(); ++i) {
    const Device& d = sample_->devices[i];
    SCOPED_TRACE(d.type);
    EXPECT_EQ(devices[i]["TYPE"], d.type);
    EXPECT_EQ(devices[i]["VID"], std::to_string(d.vid));
    EXPECT_EQ(devices[i]["PARAMS"], d.params);
    EXPECT_EQ(devices[i]["PIC"], d.pic);
    EXPECT_EQ(devices[i]["TERM"], d.term);
    EXPECT_EQ(devices[i]["IMPORT"], d.imported ? "T" : "F");
  }
  auto layout = ReadTable(Db("fields.dbf"));
  ASSERT_EQ(layout.size(), sample_->layout.size());
  for (std::size_t i = 0; i < layout.size(); ++i) {
    EXPECT_EQ(layout[i]["SHORT"], sample_->layout[i].shortName);
    EXPECT_EQ(layout[i]["VAL"], sample_->layout[i].unit);
    EXPECT_EQ(layout[i]["FULL"], sample_->layout[i].fullName);
  }
  auto kinds = ReadTable(Db("vids.dbf"));
  ASSERT_EQ(kinds.size(), sample_->kinds.size());
  EXPECT_EQ(kinds[0]["NAME"], sample_->kinds[0].name);
  // A domestic type is stored in code page 866: "КТ315Б" begins with 0x8A 0x92.
  VXO_dBaseFld table(Db("main.dbf"), true, false);
  bool found = false;
  for (std::int32_t n = 1; n <= table.RecordCount() && !found; ++n) {
    table.ReadRecord(n);
    found = TrimRight(table.RawGetByName("TYPE")) == "\x8A\x92" "315\x81";
  }
  EXPECT_TRUE(found);
}

TEST_F(SampleCatalogTest, EveryDrawingCodeOfADeviceHasARecordExceptTheNotedOnes) {
  std::set<std::string> codes;
  for (auto& r : ReadTable(Db("PICS.DBF"))) codes.insert(r["PIC"]);
  std::set<std::string> missing;
  int devicesWithTwo = 0, devicesWithThree = 0;
  for (auto& d : ReadTable(Db("main.dbf"))) {
    const std::string& pic = d["PIC"];
    ASSERT_EQ(pic.size() % 3, 0u) << d["TYPE"];
    ASSERT_LE(pic.size(), 9u) << d["TYPE"];
    devicesWithTwo += pic.size() == 6;
    devicesWithThree += pic.size() == 9;
    for (std::size_t i = 0; i < pic.size(); i += 3)
      if (!codes.count(pic.substr(i, 3))) missing.insert(pic.substr(i, 3));
  }
  EXPECT_EQ(missing, kCodesWithoutRecord);
  EXPECT_GT(devicesWithTwo, 0);
  EXPECT_GT(devicesWithThree, 0);
}

TEST_F(SampleCatalogTest, MemoHoldsEachGifWholeAndTheFreeRecordNone) {
  int withEof = 0;
  auto drawings = ReadTable(Db("PICS.DBF"));
  ASSERT_EQ(drawings.size(), sample_->drawings.size());
  for (auto& r : drawings) {
    SCOPED_TRACE(r["FN"]);
    if (r["FN"] == kFreeDrawingName) {
      EXPECT_TRUE(r["PICTURE"].empty());
      continue;
    }
    std::string gif = ReadFile(kData + "/drawings/" + r["FN"] + ".gif");
    ASSERT_FALSE(gif.empty());
    EXPECT_EQ(r["PICTURE"], gif);
    withEof += gif.find('\x1A') != std::string::npos;
  }
  EXPECT_GT(withEof, 0) << "no drawing holds the byte that ends a dBASE III memo";
}

TEST_F(SampleCatalogTest, CodesFileIsSortedUtf8LinesOfSixFields) {
  std::string text = ReadFile(Db(kCodesFileName));
  ASSERT_FALSE(text.empty());
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  ASSERT_EQ(lines.size(), sample_->smdCodes.size());
  std::string previous;
  for (const auto& line : lines) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 5) << line;
    std::string code = line.substr(0, line.find('|'));
    EXPECT_FALSE(code.empty());
    EXPECT_LE(previous, code);
    previous = code;
  }
  EXPECT_NE(text.find("1F|BC847B|n-p-n 45 В 0,1 А|SOT-23|Philips|h21э 200...450\r\n"), std::string::npos);
}

TEST_F(SampleCatalogTest, IndependentReadersSeeTheSameTables) {
  if (!PythonPeersAvailable()) GTEST_SKIP() << "python3-dbfread or python3-dbf is not installed";
  std::string script = std::string(TALVERN_SOURCE_DIR) + "/tests/tools/read_catalogue.py";
  auto peer = RunCommand("/usr/bin/python3 " + ShellQuote(script) + " " + ShellQuote(dir_->Path()) + " " +
                         ShellQuote(kData));
  ASSERT_EQ(peer.exitCode, 0);
  const std::string& out = peer.output;
  for (const auto* t : AllTables()) {
    std::size_t count = t == &GroupsTable()     ? sample_->groups.size()
                        : t == &KindsTable()    ? sample_->kinds.size()
                        : t == &LayoutTable()   ? sample_->layout.size()
                        : t == &DevicesTable()  ? sample_->devices.size()
                        : t == &DrawingsTable() ? sample_->drawings.size()
                                                : sample_->packages.size();
    for (const char* reader : {"dbfread", "dbf"})
      EXPECT_NE(out.find("count\t" + t->fileName + "\t" + reader + "\t" + std::to_string(count) + "\n"),
                std::string::npos)
          << t->fileName << " in " << reader << ":\n" << out.substr(0, 2000);
  }
  // dbfread decodes the texts as we wrote them.
  for (const auto& d : sample_->devices) {
    std::string row = "row\tmain.dbf\tTYPE=" + d.type + "\tVID=" + std::to_string(d.vid) + "\tPARAMS=" + d.params +
                      "\tPIC=" + d.pic + "\tTERM=" + d.term + "\tIMPORT=" + (d.imported ? "T" : "F") + "\n";
    ASSERT_NE(out.find(row), std::string::npos) << row;
  }
  EXPECT_EQ(out.find("memo\t", 0) == std::string::npos, false);
  EXPECT_EQ(out.find("differs"), std::string::npos) << out.substr(out.find("memo\t"));
}

TEST_F(SampleCatalogTest, DatabaseLiesNextToTheProgramInTheBuild) {
  std::string built = std::string(TALVERN_BINARY_DIR) + "/app/main.dbf";
  if (!fs::exists(built)) GTEST_SKIP() << "the sample catalogue target was not built";
  EXPECT_EQ(ReadFile(built).substr(32), ReadFile(Db("main.dbf")).substr(32)) << "the build's copy is stale";
}

}  // namespace
}  // namespace talvern::testing
