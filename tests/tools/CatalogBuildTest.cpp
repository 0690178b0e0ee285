// How mkcatalog builds: bad sources refused with the file and line, a
// rebuild replacing the tables and dropping their stale index files, and the
// synthetic catalogues for benchmarks.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "CatalogReading.h"
#include "TestFiles.h"
#include "engine/Errors.h"
#include "tools/mkcatalog/CatalogSchema.h"
#include "tools/mkcatalog/CatalogWriter.h"
#include "tools/mkcatalog/SampleData.h"
#include "tools/mkcatalog/SyntheticCatalog.h"

namespace talvern::testing {
namespace {

using namespace mkcatalog;
namespace fs = std::filesystem;

const std::string kData = std::string(TALVERN_SOURCE_DIR) + "/data";

// A copy of data/ whose devices.tsv ends with one more line.
std::string LoadErrorWithDevice(const TempDir& dir, const std::string& line) {
  fs::copy(kData, dir.Path() + "/data", fs::copy_options::recursive);
  std::ofstream(dir.Path() + "/data/devices.tsv", std::ios::app) << line << "\n";
  try {
    LoadSampleData(dir.Path() + "/data");
  } catch (const ETalvernError& e) {
    return e.what();
  }
  return "";
}

int LastLineOf(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) ++n;
  return n;
}

TEST(CatalogBuildTest, BadSourceLinesAreRefusedByFileAndLine) {
  struct Case {
    std::string line;
    std::string says;
  } cases[] = {
      {"КТ315Ø\t12\t\t\tF\t", "U+00D8 is not in code page 866"},
      {"КТ999А\t99\t\t\tF\t", "kind 99 does not exist"},
      {"КТ999А\t12\tTO92,NOSUCH\t\tF\t", "no drawing named \"NOSUCH\""},
      {"КТ999А\t12\tTO92,TO18,TO39,TO3\t\tF\t", "more than 3 drawings"},
      {"КТ999А\t12\t#0!!\t\tF\t", "not a drawing code"},
      {"КТ999АБВГДЕЖЗИКЛМНОПР\t12\t\t\tF\t", "longer than the 20 characters of field TYPE"},
      {"КТ999А\t12\t\t\tY\t", "IMPORT must be T or F"},
      {"КТ999А\t12\t\t\tF", "5 cells where the header has 6"},
      {"КТ999А\tдвенадцать\t\t\tF\t", "VID \"двенадцать\" is not an integer"},
      {"\t12\t\t\tF\t", "TYPE is empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TempDir dir;
    std::string error = LoadErrorWithDevice(dir, c.line);
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    std::string place = "devices.tsv:" + std::to_string(LastLineOf(dir.Path() + "/data/devices.tsv")) + ": ";
    EXPECT_NE(error.find(place), std::string::npos) << error;
  }
}

TEST(CatalogBuildTest, BadDrawingsAndCodesAreRefused) {
  TempDir dir;
  fs::copy(kData, dir.Path() + "/data", fs::copy_options::recursive);
  std::string data = dir.Path() + "/data";
  auto errorOf = [&] {
    try {
      LoadSampleData(data);
    } catch (const ETalvernError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  // A drawing larger than the drawing window, then a file that is not a GIF.
  std::string gif = ReadFile(data + "/drawings/TO92.gif");
  gif[6] = static_cast<char>(641 & 0xFF), gif[7] = static_cast<char>(641 >> 8);
  WriteFile(data + "/drawings/TO92.gif", gif);
  EXPECT_NE(errorOf().find("641x380, larger than 640x480"), std::string::npos) << errorOf();
  WriteFile(data + "/drawings/TO92.gif", "not an image");
  EXPECT_NE(errorOf().find("TO92.gif is not a GIF image"), std::string::npos) << errorOf();
  fs::remove(data + "/drawings/TO92.gif");
  EXPECT_NE(errorOf().find("Cannot read the drawing"), std::string::npos) << errorOf();
  fs::copy_file(kData + "/drawings/TO92.gif", data + "/drawings/TO92.gif");
  // A bar inside an SMD field would split it in codes.dbc.
  std::ofstream(data + "/smd_codes.tsv", std::ios::app) << "ZZ\tBC|847\t\t\t\t\n";
  EXPECT_NE(errorOf().find("TYPE holds a \"|\""), std::string::npos) << errorOf();
}

TEST(CatalogBuildTest, RebuildReplacesTablesAndDropsTheirStaleIndexes) {
  TempDir dir;
  Catalogue sample = LoadSampleData(kData);
  WriteCatalogue(sample, dir.Path());
  for (const char* name : {"main.CDX", "fields.cdx", "PICS.CDX", "other.cdx"}) WriteFile(dir.File(name), "stale");
  sample.devices.resize(10);
  WriteCatalogue(sample, dir.Path());
  EXPECT_EQ(ReadTable(dir.File("main.dbf")).size(), 10u);
  for (const char* name : {"main.CDX", "fields.cdx", "PICS.CDX"}) EXPECT_FALSE(fs::exists(dir.File(name))) << name;
  EXPECT_TRUE(fs::exists(dir.File("other.cdx"))) << "an index of another table stays";
  for (const auto& entry : fs::directory_iterator(dir.Path()))
    EXPECT_NE(entry.path().filename().string().rfind(".mkcatalog-", 0), 0u) << "staging directory left behind";
}

TEST(CatalogBuildTest, SmdCodesAreSortedByCodeThenTypeInByteOrder) {
  std::vector<SmdCode> codes = {{"b", "X", "", "", "", ""},
                                {"A", "Z", "", "", "", ""},
                                {"B", "Y", "", "", "", ""},
                                {"A", "Y", "", "", "", "n"}};
  EXPECT_EQ(SmdCodesText(codes), "A|Y||||n\r\nA|Z||||\r\nB|Y||||\r\nb|X||||\r\n");
}

// ------------------------------------------------------------ synthetic catalogues

std::string RecordArea(const std::string& path) {
  std::string bytes = ReadFile(path);
  auto headerLength = static_cast<std::size_t>(static_cast<unsigned char>(bytes[8]) |
                                               (static_cast<unsigned char>(bytes[9]) << 8));
  return bytes.substr(headerLength);
}

TEST(CatalogBuildTest, SyntheticCatalogueIsTheSameForTheSameSizeAndSeed) {
  Catalogue sample = LoadSampleData(kData);
  TempDir a, b, c;
  SyntheticOptions options;
  options.devices = 3000;
  WriteSyntheticCatalogue(sample, options, a.Path());
  WriteSyntheticCatalogue(sample, options, b.Path());
  options.seed += 1;
  WriteSyntheticCatalogue(sample, options, c.Path());
  for (const char* table : {"main.dbf", "vids.dbf", "fields.dbf", "PICS.DBF"})
    EXPECT_EQ(RecordArea(a.File(table)), RecordArea(b.File(table))) << table;
  EXPECT_EQ(ReadFile(a.File(kSyntheticSummaryFile)), ReadFile(b.File(kSyntheticSummaryFile)));
  EXPECT_NE(RecordArea(a.File("main.dbf")), RecordArea(c.File("main.dbf")));
}

TEST(CatalogBuildTest, SyntheticCatalogueHasItsKindsLayoutsAndDrawings) {
  Catalogue sample = LoadSampleData(kData);
  TempDir dir;
  SyntheticOptions options;
  options.devices = 5000;
  auto sizes = WriteSyntheticCatalogue(sample, options, dir.Path());
  ASSERT_EQ(sizes.size(), static_cast<std::size_t>(kSyntheticKinds));

  auto kinds = ReadTable(dir.File("vids.dbf"));
  auto layout = ReadTable(dir.File("fields.dbf"));
  auto devices = ReadTable(dir.File("main.dbf"));
  std::set<std::string> drawingCodes;
  for (auto& r : ReadTable(dir.File("PICS.DBF"))) drawingCodes.insert(r["PIC"]);
  ASSERT_EQ(devices.size(), 5000u);
  ASSERT_EQ(kinds.size(), static_cast<std::size_t>(kSyntheticKinds));

  std::map<std::string, std::int64_t> perKind;
  for (auto& d : devices) {
    ++perKind[d["VID"]];
    for (std::size_t i = 0; i < d["PIC"].size(); i += 3) {
      std::string code = d["PIC"].substr(i, 3);
      EXPECT_TRUE(drawingCodes.count(code) || code == "00H") << code;
    }
  }
  std::set<std::string> kindsWithLayout;
  for (auto& r : layout) kindsWithLayout.insert(r["VID"]);
  std::int64_t total = 0;
  for (const auto& s : sizes) {
    total += s.devices;
    EXPECT_EQ(perKind[std::to_string(s.vid)], s.devices) << s.vid;
  }
  EXPECT_EQ(total, 5000);
  // Layouts are copied from the model kinds: all but the kinds modelled on one without rows.
  EXPECT_GT(kindsWithLayout.size(), kinds.size() * 9 / 10);
  EXPECT_LT(kindsWithLayout.size(), kinds.size());
}

}  // namespace
}  // namespace talvern::testing
