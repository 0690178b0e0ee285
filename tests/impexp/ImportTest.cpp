// The device import: a file that is not what it should be ends the import
// with its message and changes nothing; a bad row gets a protocol line and
// changes nothing; every other row merges, and no device the file does not
// name changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "ImpexpFixture.h"
#include "impexp/ExportTable.h"
#include "impexp/Importer.h"

namespace talvern::testing {
namespace {

struct DeviceImportTest : ImpexpTest {
  std::string gifs = dir.File("gifs");

  void SetUp() override {
    WriteCatalogue(SmallCatalogue());
    std::filesystem::create_directory(gifs);
  }
  std::int32_t Import(const std::string& file) {
    impexp::CatalogueFiles catalogue(dir.Path());
    impexp::TImporter importer(catalogue, host, gifs);
    return importer.ImportFile(file);
  }
  // The protocol after the line naming the file.
  std::vector<std::string> Lines() const { return {host.lines.begin() + 1, host.lines.end()}; }
};

TEST_F(DeviceImportTest, AFileOfTheWrongShapeEndsTheImportAndChangesNothing) {
  const auto devices = ReadDevices(dir.Path());
  const auto drawings = ReadDrawings(dir.Path());
  struct Case {
    std::vector<std::string> lines;
    std::vector<std::string> protocol;
  } cases[] = {
      {{"; no kind line", "TYPE│1", "КТ315А│x"}, {"Ошибка в структуре файла импорта."}},
      {{"=abc"}, {"'abc' is not a valid integer value"}},
      {{"=99", "TYPE│1"}, {"Вид 99 отсутствует в базе."}},
      {{"=12"}, {"Маломощные", "Нет заголовка таблицы."}},
      {{"=12", "NAME│1", "КТ315А│x"}, {"Маломощные", "Нет заголовка таблицы."}},
      {{"=12", "TYPE││1", "КТ315А│x│y"}, {"Маломощные", "Нет заголовка колонки 3"}},
      {{"=12", " │TYPE", "x│КТ315А"}, {"Маломощные", "Нет заголовка колонки 2"}},
      {{"=12", "TYPE│X1", "КТ315А│x"}, {"Маломощные", "'X1' is not a valid integer value"}},
  };
  for (const Case& c : cases) {
    host.lines.clear();
    Import(WriteTable("bad.tbl", c.lines));
    EXPECT_EQ(Lines(), c.protocol) << c.lines.front();
  }
  host.lines.clear();
  WriteFile(File("binary.tbl"), MakeGif(5, 5) + std::string(300, '\xB3'));
  EXPECT_EQ(Import(File("binary.tbl")), 0);
  EXPECT_EQ(Lines(), std::vector<std::string>{"Ошибка в структуре файла импорта."});
  EXPECT_EQ(ReadDevices(dir.Path()), devices);
  EXPECT_EQ(ReadDrawings(dir.Path()), drawings);
  EXPECT_TRUE(host.questions.empty());
}

TEST_F(DeviceImportTest, RowsMergeAndBadRowsAreReportedWithTheirType) {
  for (const char* name : {"A", "B", "C", "D"}) WriteFile(gifs + "/" + name + ".gif", MakeGif(50, 40));
  WriteFile(gifs + "/BIG.gif", MakeGif(641, 480));
  WriteFile(gifs + "/EXACT.gif", MakeGif(640, 480));
  const auto before = ReadDevices(dir.Path());
  const auto file = WriteTable("rows.tbl", {
      "=12",
      "; comment lines and empty lines are skipped",
      "",
      "TYPE   │2 │IMPORT│PIC",
      "НОВЫЙ1 │77│T     │",
      "\tНОВЫЙ2 │  │т     │TO92,to92,КТ-26",
      "НОВЫЙ3 │5 │True  │",
      "НОВЫЙ4 │5 │x     │",
      "кт819а │9 │f     │#00H,TO92",
      "НОВЫЙ5 │1 │F     │A,B,C,D",
      "       │1 │F     │",
      "НОВЫЙ6 │1 │F     │BIG",
      "НОВЫЙ7 │1 │F     │EXACT",
      "НОВЫЙ8 │1 │F     │MISSING",
      "НОВЫЙ9",
  });
  EXPECT_EQ(Import(file), 12);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "Маломощные",
                         "[НОВЫЙ3] Недопустимое значение поля \"IMPORT\"",
                         "[НОВЫЙ4] Недопустимое значение поля \"IMPORT\"",
                         "[] Пустое значение поля \"TYPE\"",
                         "[НОВЫЙ6] " + gifs + "/BIG.gif - размер рисунка более 640*480.",
                         "[НОВЫЙ8] File " + gifs + "/MISSING.gif could not be found",
                         "[НОВЫЙ9] Недопустимое значение поля \"IMPORT\"",
                         "Импорт завершен.",
                     }));
  EXPECT_EQ(host.questions, std::vector<std::string>{"кт819а"});

  // A new device takes the header's columns; parameter 1 has none, so
  // PARAMS starts with "|" and loses its trailing empty pieces. A device of
  // another kind found ignoring case moves to kind 12.
  std::map<std::string, DeviceRecord> after;
  for (const auto& [recNo, d] : ReadDevices(dir.Path())) {
    after[d.type] = d;
    if (before.count(recNo) && before.at(recNo).type != "КТ819А") {
      EXPECT_EQ(d, before.at(recNo)) << d.type;
    }
  }
  EXPECT_EQ(after.size(), before.size() + 4);
  EXPECT_EQ(after["НОВЫЙ1"], (DeviceRecord{"НОВЫЙ1", "", "", "|77", 12, true}));
  EXPECT_EQ(after["НОВЫЙ2"], (DeviceRecord{"НОВЫЙ2", "001002", "", "", 12, true}));
  EXPECT_EQ(after["кт819а"], (DeviceRecord{"кт819а", "00H001", "-40...+100", "|9", 12, false}));
  // A, B and C: the free record 003, then new codes; no fourth drawing.
  EXPECT_EQ(after["НОВЫЙ5"].pic, "003004005");
  EXPECT_EQ(after["НОВЫЙ7"].pic, "006");
  // A missing cell is empty, which is no IMPORT value either.
  for (const char* refused : {"НОВЫЙ3", "НОВЫЙ4", "НОВЫЙ6", "НОВЫЙ8", "НОВЫЙ9"}) EXPECT_FALSE(after.count(refused));
  std::map<std::string, std::string> pictures;
  for (const auto& [recNo, d] : ReadDrawings(dir.Path())) pictures[d.code + " " + d.name] = d.picture;
  EXPECT_EQ(pictures, (std::map<std::string, std::string>{{"001 TO92", MakeGif(20, 10)},
                                                          {"002 КТ-26", MakeGif(30, 20)},
                                                          {"003 A", MakeGif(50, 40)},
                                                          {"004 B", MakeGif(50, 40)},
                                                          {"005 C", MakeGif(50, 40)},
                                                          {"006 EXACT", MakeGif(640, 480)}}));
}

TEST_F(DeviceImportTest, NewDrawingCodesRunOutClearly) {
  // No free record, and the highest code is not base 62, then is "zzz".
  for (const char* last : {"zz~", "zzz"}) {
    auto c = SmallCatalogue();
    c.drawings = {{"001", "TO92", MakeGif(20, 10)}, {last, "LAST", MakeGif(20, 10)}};
    std::filesystem::remove_all(dir.Path());
    WriteCatalogue(c);
    std::filesystem::create_directory(gifs);
    WriteFile(gifs + "/NEW.gif", MakeGif(5, 5));
    host.lines.clear();
    Import(WriteTable("new.tbl", {"=12", "TYPE│PIC", "НОВЫЙ│TO92,NEW"}));
    const std::string why = std::string(last) == "zzz" ? "Нет свободного кода рисунка: последний код zzz"
                                                       : "Ошибка в значении ключа Pics.PIC=zz~";
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Маломощные", "[НОВЫЙ] " + why, "Импорт завершен."}));
    EXPECT_EQ(ReadDrawings(dir.Path()).size(), 2u);
  }
}

TEST_F(DeviceImportTest, AFileInUtf8IsReadAsItsCharactersAndSaysSo) {
  const std::string utf8 = "=12\r\nTYPE│1│TERM\r\nКТ999Б│p-n-p│-60...+125\r\n";
  WriteFile(File("utf8.tbl"), "\xEF\xBB\xBF" + utf8);  // with the byte order mark
  Import(File("utf8.tbl"));
  WriteFile(File("utf8.tbl"), utf8);
  Import(File("utf8.tbl"));
  int notes = 0;
  for (const auto& line : host.lines) notes += line.find("UTF-8") != std::string::npos;
  EXPECT_EQ(notes, 2);
  EXPECT_EQ(host.questions, std::vector<std::string>{"КТ999Б"});
  bool found = false;
  for (const auto& [recNo, d] : ReadDevices(dir.Path()))
    if (d.type == "КТ999Б") found = d == DeviceRecord{"КТ999Б", "", "-60...+125", "p-n-p", 12, false};
  EXPECT_TRUE(found);
}

TEST_F(DeviceImportTest, DoNotAskAgainHoldsForOneImport) {
  const auto before = ReadDevices(dir.Path());
  const auto file = WriteTable("same.tbl", {"=12", "TYPE│TERM", "КТ315А│x", "BC547│y", "КТ819А│z"});
  host.answers = {{false, true}};  // "Пропустить" with "Больше не спрашивать"
  Import(file);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(ReadDevices(dir.Path()), before);
  host.answers = {{false, false}, {true, false}, {false, false}};
  Import(file);
  EXPECT_EQ(host.questions, (std::vector<std::string>{"КТ315А", "КТ315А", "BC547", "КТ819А"}));
  std::set<std::string> changed;
  for (const auto& [recNo, d] : ReadDevices(dir.Path()))
    if (!(d == before.at(recNo))) changed.insert(d.type + " " + d.term);
  EXPECT_EQ(changed, std::set<std::string>{"BC547 y"});
}

}  // namespace
}  // namespace talvern::testing
