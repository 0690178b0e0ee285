// The drawing update and the optimisation over the whole catalogue, and the
// in-memory look-ups that replace table scans, each compared with the scan
// it replaces.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "ImpexpFixture.h"
#include "impexp/Maintenance.h"
#include "impexp/NameIndex.h"

namespace talvern::testing {
namespace {

// Whether a device's PIC holds the code in one of its three places, scanning
// every device as the per-drawing search does.
bool UsedByScan(const std::map<std::int32_t, DeviceRecord>& devices, const std::string& code) {
  for (const auto& [recNo, d] : devices) {
    const std::string pic = d.pic.substr(0, 9);
    for (std::size_t at : {0, 3, 6})
      if ((at < pic.size() ? pic.substr(at, 3) : "") == code) return true;
  }
  return false;
}

TEST_F(ImpexpTest, OptimisationReleasesExactlyTheDrawingsNoDeviceUses) {
  std::mt19937 random(5);
  auto c = SmallCatalogue();
  c.drawings.clear();
  const std::vector<std::string> codes = {"001", "002", "003", "00a", "00A", "010", "", "0", "00b", "zzz"};
  for (const std::string& code : codes) c.drawings.push_back({code, "F" + code, MakeGif(3, 3)});
  // Codes as first, second or third drawing, short and odd PIC texts.
  for (int i = 0; i < 40; ++i) {
    std::string pic;
    for (int n = static_cast<int>(random() % 4); n > 0; --n) pic += codes[random() % 6];
    if (random() % 5 == 0) pic = pic.substr(0, random() % 9);
    c.devices.push_back({"D" + std::to_string(i), 12, "", pic, "", false});
  }
  WriteCatalogue(c);
  const auto devices = ReadDevices(dir.Path());
  const auto before = ReadDrawings(dir.Path());
  impexp::CatalogueFiles catalogue(dir.Path());
  catalogue.PrepareMain(12);
  const int released = impexp::OptimizeDrawings(catalogue, host);
  EXPECT_EQ(host.status, "Завершена оптимизация");
  EXPECT_EQ(catalogue.Main().Filter(), "");
  int expectedReleased = 0;
  for (const auto& [recNo, d] : ReadDrawings(dir.Path())) {
    const DrawingRecord& old = before.at(recNo);
    if (UsedByScan(devices, old.code)) {
      EXPECT_EQ(d, old) << old.code;
    } else {
      EXPECT_EQ(d, (DrawingRecord{old.code, "NUL", ""})) << old.code;
      ++expectedReleased;
    }
  }
  EXPECT_EQ(released, expectedReleased);
  EXPECT_GT(released, 0);
  EXPECT_EQ(ReadDevices(dir.Path()), devices);
}

TEST_F(ImpexpTest, DrawingUpdateReloadsEveryRecordItHasAFileFor) {
  WriteCatalogue(SmallCatalogue());
  const std::string gifs = File("gifs");
  std::filesystem::create_directory(gifs);
  const auto before = ReadDrawings(dir.Path());
  {
    // None of the files: a line for each named record, nothing changes.
    impexp::CatalogueFiles catalogue(dir.Path());
    impexp::UpdatePictures(catalogue, host, gifs);
  }
  EXPECT_EQ(host.lines, (std::vector<std::string>{"Обновление базы рисунков...",
                                                  "[TO92] File " + gifs + "/TO92.gif could not be found",
                                                  "[КТ-26] File " + gifs + "/КТ-26.gif could not be found",
                                                  "Обновление завершено"}));
  EXPECT_EQ(ReadDrawings(dir.Path()), before);

  WriteFile(gifs + "/to92.gif", MakeGif(640, 480));  // a name of another case is found too
  WriteFile(gifs + "/КТ-26.gif", MakeGif(640, 481));
  host.lines.clear();
  {
    impexp::CatalogueFiles catalogue(dir.Path());
    impexp::UpdatePictures(catalogue, host, gifs);
  }
  EXPECT_EQ(host.lines, (std::vector<std::string>{"Обновление базы рисунков...",
                                                  "[КТ-26] " + gifs + "/КТ-26.gif - размер рисунка более 640*480.",
                                                  "Обновление завершено"}));
  auto expected = before;
  expected.begin()->second.picture = MakeGif(640, 480);
  EXPECT_EQ(ReadDrawings(dir.Path()), expected);
}

// The first record, in record-number order, whose field holds the text
// ignoring case: what the dataset's Locate finds.
TEST_F(ImpexpTest, NameIndexFindsWhatACaseInsensitiveLocateFinds) {
  std::mt19937 random(3);
  const std::vector<std::string> pieces = {"кт", "КТ", "a", "A", "3", " ", "Ё", "ё"};
  auto text = [&] {
    std::string s;
    for (int n = 1 + static_cast<int>(random() % 8); n > 0; --n) s += pieces[random() % pieces.size()];
    return s;
  };
  auto c = SmallCatalogue();
  c.devices.clear();
  for (int i = 0; i < 200; ++i) {
    std::string type = text();
    while (!type.empty() && type.back() == ' ') type.pop_back();
    if (Oem(type).size() > 20 || type.empty()) type = "x";
    c.devices.push_back({type, 12, "", "", "", false});
  }
  WriteCatalogue(c);
  impexp::CatalogueFiles catalogue(dir.Path());
  TTalvernDataSet& main = catalogue.Main();
  for (int recNo : {5, 17, 99}) {  // deleted records are not found
    main.SetRecNo(recNo);
    main.Delete();
  }
  const impexp::NameIndex index(main, "TYPE");
  for (int i = 0; i < 300; ++i) {
    const std::string probe = Ansi(i % 3 == 0 ? c.devices[random() % 200].type + "  " : text() + text() + text());
    const bool found = main.Locate("TYPE", {FieldValue{probe}}, loCaseInsensitive);
    ASSERT_EQ(index.Find(probe), found ? main.RecNo() : 0) << Utf8(probe);
  }
}

}  // namespace
}  // namespace talvern::testing
