// The SMD code import: codes merged into codes.dbc at their sorted places,
// conflicts asked about, the old file kept as codes.bak, and codes.dbc never
// missing or half written.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>
#include <map>
#include <random>

#include "ImpexpFixture.h"
#include "impexp/Importer.h"

namespace talvern::testing {
namespace {

struct SmdImportTest : ImpexpTest {
  void SetUp() override { WriteCatalogue(SmallCatalogue()); }
  void Import(const std::string& codeLines) {
    WriteFile(File("codes.tbl"), "=0\r\n" + codeLines);
    impexp::CatalogueFiles catalogue(dir.Path());
    impexp::TImporter(catalogue, host, "").ImportFile(File("codes.tbl"));
  }
  std::string Codes() const { return ReadFile(File("codes.dbc")); }
};

TEST_F(SmdImportTest, ACodeIsInsertedAtItsPlaceAndAskedAboutTheSecondTime) {
  WriteFile(File("codes.dbc"), "1A|BC846A|npn\r\nB2|BZX84|zener\r\n");
  Import("; not a code\r\n  ABC | BC847 |  npn|SOT-23 \r\nnobar\r\n|BC848|\r\nXY||\r\n");
  EXPECT_EQ(host.lines, (std::vector<std::string>{"Импортируется " + File("codes.tbl"),
                                                  "Кодовые обозначения SMD элементов", "Загрузка базы...",
                                                  "Сортировка...", "Импорт...", "Сохранение базы...",
                                                  "Импорт завершен."}));
  EXPECT_EQ(Codes(), "1A|BC846A|npn\r\nABC|BC847|npn|SOT-23\r\nB2|BZX84|zener\r\n");
  EXPECT_EQ(ReadFile(File("codes.bak")), "1A|BC846A|npn\r\nB2|BZX84|zener\r\n");
  EXPECT_FALSE(std::filesystem::exists(File("codes.new")));

  host.answers = {{true, false}};
  Import("ABC|BC847|p-n-p\r\n");
  EXPECT_EQ(host.questions, std::vector<std::string>{"ABC - BC847"});
  EXPECT_EQ(Codes(), "1A|BC846A|npn\r\nABC|BC847|p-n-p\r\nB2|BZX84|zener\r\n");
}

TEST_F(SmdImportTest, LinesOfTheCodesFileAreTrimmedCutAndSorted) {
  const std::string longCode(40, 'Q');
  const std::string cyrillic = "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ";  // 36 bytes of two-byte characters
  WriteFile(File("codes.dbc"), "  Коды SMD\r\n\r\nZ9|T| rest kept \r\n" + longCode + "|T2|r\r\n" + cyrillic + "|" +
                                   longCode + "|x\r\n");
  Import("");
  // A line without "|" becomes a code with two bars; codes and types are cut
  // to 31 bytes, never inside a character; the rest stays as it is.
  EXPECT_EQ(Codes(), std::string(31, 'Q') + "|T2|r\r\nZ9|T| rest kept\r\nЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ|" + std::string(31, 'Q') +
                         "|x\r\nКоды SMD||\r\n");
}

TEST_F(SmdImportTest, CodeLinesInTheTablesCodePageAreConvertedToUtf8) {
  WriteFile(File("codes.dbc"), "");
  Import(Oem("КД|КТ3130А|р-п-р\r\n"));
  EXPECT_TRUE(host.Has("Строки кодов не в кодировке UTF-8 прочитаны как кодовая страница 866."));
  EXPECT_EQ(Codes(), "КД|КТ3130А|р-п-р\r\n");
}

// Compared with a map from (code, type) to the rests of the lines with that
// pair, in file order: the merge replaces the first of them when told to.
TEST_F(SmdImportTest, RandomMergesMatchASortedMapOfCodeAndType) {
  std::mt19937 random(11);
  auto pick = [&](const char* letters) {
    std::string s(1 + random() % 2, ' ');
    for (char& c : s) c = letters[random() % std::strlen(letters)];
    return s;
  };
  for (int round = 0; round < 30; ++round) {
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> model;
    std::string file, lines;
    for (int i = 0, n = static_cast<int>(random() % 12); i < n; ++i) {
      const std::string code = pick("aAb1"), type = pick("xyZ"), rest = std::to_string(i);
      file += code + "|" + type + "|" + rest + "\r\n";
      model[{code, type}].push_back(rest);
    }
    host = RecordingHost();
    std::vector<std::string> questions;
    for (int i = 0, n = static_cast<int>(random() % 12); i < n; ++i) {
      const std::string code = pick("aAb1"), type = pick("xyZ"), rest = "new" + std::to_string(i);
      const bool replace = random() % 2;
      lines += " " + code + "|" + type + " |" + rest + "\r\n";
      auto& rests = model[{code, type}];
      if (rests.empty()) {
        rests.push_back(rest);
        continue;
      }
      questions.push_back(code + " - " + type);
      host.answers.push_back({replace, false});
      if (replace) rests.front() = rest;
    }
    WriteFile(File("codes.dbc"), file);
    Import(lines);
    std::string expected;
    for (const auto& [key, rests] : model)
      for (const std::string& rest : rests) expected += key.first + "|" + key.second + "|" + rest + "\r\n";
    ASSERT_EQ(Codes(), expected) << file << "---\n" << lines;
    ASSERT_EQ(host.questions, questions);
  }
}

TEST_F(SmdImportTest, AMissingCodesFileIsMadeAndAFailedWriteLeavesTheOldOne) {
  std::filesystem::remove(File("codes.dbc"));
  Import("K1|T1|\r\n");
  EXPECT_EQ(Codes(), "K1|T1|\r\n");
  EXPECT_FALSE(std::filesystem::exists(File("codes.bak")));

  // The backup cannot be deleted nor written: noted, the codes are saved.
  std::filesystem::create_directories(File("codes.bak/keep"));
  host.lines.clear();
  Import("K2|T2|\r\n");
  EXPECT_TRUE(host.Has("Ошибка удаления файла " + File("codes.bak")));
  EXPECT_TRUE(host.Has("Ошибка создания резервной копии " + File("codes.bak")));
  EXPECT_EQ(Codes(), "K1|T1|\r\nK2|T2|\r\n");

  // The new file cannot be written: the import ends, codes.dbc is the old one.
  std::filesystem::create_directories(File("codes.new/keep"));
  host.lines.clear();
  Import("K3|T3|\r\n");
  EXPECT_NE(host.lines.back(), "Импорт завершен.");
  EXPECT_EQ(Codes(), "K1|T1|\r\nK2|T2|\r\n");
}

}  // namespace
}  // namespace talvern::testing
