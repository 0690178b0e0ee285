// What a full disk, an I/O error or a kill in the middle of an import leaves:
// codes.dbc is always the old file or the new one, whole; the tables of a
// device import stay readable, their index files are sound or rebuild
// cleanly, and every record is as it was or as the import made it.
#include <gtest/gtest.h>

#include <filesystem>

#include "ImpexpFixture.h"
#include "KillHarness.h"
#include "Peers.h"
#include "impexp/Importer.h"
#include "platform/FaultInjection.h"

namespace talvern::testing {
namespace {

namespace fs = std::filesystem;

// Copies every file of one directory into another, replacing what is there.
void CopyFiles(const std::string& from, const std::string& to) {
  fs::remove_all(to);
  fs::create_directory(to);
  for (const auto& entry : fs::directory_iterator(from))
    if (entry.is_regular_file()) fs::copy_file(entry.path(), fs::path(to) / entry.path().filename());
}

struct SurvivalTest : ImpexpTest {
  std::string pristine = File("pristine");
  std::string work = File("work");

  // The catalogue and its index files in pristine/; the table file and the
  // drawings beside.
  void MakeCatalogue(const mkcatalog::Catalogue& catalogue) {
    mkcatalog::WriteCatalogue(catalogue, pristine);
    impexp::CatalogueFiles indexed(pristine);  // builds the .CDX files
  }
  // The import of file into work/, in this process or in a child.
  int Import(const std::string& file) {
    RecordingHost quiet;
    impexp::CatalogueFiles catalogue(work);
    impexp::TImporter(catalogue, quiet, File("gifs")).ImportFile(file);
    return 0;
  }
};

TEST_F(SurvivalTest, CodesFileIsTheOldOrTheNewOneWhateverFails) {
  MakeCatalogue(SmallCatalogue());
  const std::string before = "1A|BC846A|npn\r\nB2|BZX84|zener\r\n", after = before + "C3|X|y\r\n";
  WriteFile(pristine + "/codes.dbc", before);
  WriteFile(File("codes.tbl"), "=0\r\nC3|X|y\r\n");
  auto expectWhole = [&](const std::string& what) {
    const std::string codes = ReadFile(work + "/codes.dbc");
    EXPECT_TRUE(codes == before || codes == after) << what << ": " << codes;
    if (fs::exists(work + "/codes.bak")) {
      EXPECT_TRUE(ReadFile(work + "/codes.bak").size() <= before.size()) << what;
    }
  };
  auto importCodes = [&] { return Import(File("codes.tbl")); };

  CopyFiles(pristine, work);
  const std::int64_t writes = CountChildWrites(importCodes, "");
  ASSERT_GE(writes, 2);  // the new file and the backup
  for (std::int64_t n = 1; n <= writes; ++n) {
    for (bool torn : {false, true}) {
      CopyFiles(pristine, work);
      EXPECT_TRUE(RunChildKilledAt(importCodes, n, "", torn).killed);
      expectWhole("killed at write " + std::to_string(n));
    }
    for (auto op : {platform::FaultOp::kWrite, platform::FaultOp::kSync}) {
      CopyFiles(pristine, work);
      {
        platform::FaultScope fault({.op = op, .nth = n, .error = EIO});
        importCodes();
      }
      expectWhole("failed write or flush " + std::to_string(n));
      EXPECT_FALSE(fs::exists(work + "/codes.new"));
    }
  }
  // Killed at a random moment.
  for (int i = 0; i < 5; ++i) {
    CopyFiles(pristine, work);
    RunChild(importCodes, std::chrono::microseconds(500 * i));
    expectWhole("killed after " + std::to_string(500 * i) + " us");
  }
}

struct DeviceImportSurvivalTest : SurvivalTest {
  std::map<std::int32_t, DeviceRecord> before, complete;
  std::map<std::int32_t, DrawingRecord> drawingsBefore, drawingsComplete;
  std::string file = File("devices.tbl");

  void SetUp() override {
    auto c = SmallCatalogue();
    for (int i = 0; i < 300; ++i) c.devices.push_back({"ОСН" + std::to_string(i), 13, std::to_string(i), "001", "", false});
    MakeCatalogue(c);
    fs::create_directory(File("gifs"));
    std::vector<std::string> lines = {"=12", "TYPE│1│2│3│TERM│IMPORT│PIC"};
    for (int i = 0; i < 40; ++i) {
      const std::string type = i % 4 == 0 ? "ОСН" + std::to_string(i * 7) : "НОВ" + std::to_string(i);
      std::string pic = i % 10 == 5 ? "TO92,NEW" + std::to_string(i) : "КТ-26";
      if (i % 10 == 5) WriteFile(File("gifs") + "/NEW" + std::to_string(i) + ".gif", MakeGif(100 + i, 50));
      lines.push_back(type + "│a" + std::to_string(i) + "│b│c│-60...+85│F│" + pic);
    }
    WriteTable("devices.tbl", lines);
    CopyFiles(pristine, work);
    before = ReadDevices(work);
    drawingsBefore = ReadDrawings(work);
    Import(file);
    complete = ReadDevices(work);
    drawingsComplete = ReadDrawings(work);
    ASSERT_EQ(complete.size(), before.size() + 30);
  }

  // dbftool check on a table and its index file, rebuilding it when it is
  // not sound; true when it is sound, at once or after the rebuild.
  bool IndexSoundOrRebuilt(const std::string& table, const std::string& index) {
    const std::string tool = ShellQuote(TALVERN_BINARY_DIR "/tools/dbftool");
    const std::string files = ShellQuote(work + "/" + table) + " " + ShellQuote(work + "/" + index);
    if (RunCommand(tool + " check " + files).exitCode == 0) return true;
    RunCommand(tool + " reindex " + files);
    return RunCommand(tool + " check " + files).exitCode == 0;
  }

  // Every record as it was or as the whole import made it.
  void ExpectNothingButImportedRows(const std::string& what) {
    EXPECT_TRUE(IndexSoundOrRebuilt("main.dbf", "main.CDX")) << what;
    EXPECT_TRUE(IndexSoundOrRebuilt("PICS.DBF", "PICS.CDX")) << what;
    for (const auto& [recNo, d] : ReadDevices(work)) {
      ASSERT_TRUE(complete.count(recNo)) << what << ": record " << recNo;
      if (!(before.count(recNo) && d == before.at(recNo))) {
        EXPECT_EQ(d, complete.at(recNo)) << what;
      }
    }
    for (const auto& [recNo, d] : ReadDrawings(work)) {
      ASSERT_TRUE(drawingsComplete.count(recNo)) << what << ": drawing " << recNo;
      if (!(drawingsBefore.count(recNo) && d == drawingsBefore.at(recNo))) {
        EXPECT_EQ(d, drawingsComplete.at(recNo)) << what;
      }
    }
  }
};

TEST_F(DeviceImportSurvivalTest, AKilledImportLeavesReadableTablesAndWholeRows) {
  auto importDevices = [&] { return Import(file); };
  CopyFiles(pristine, work);
  const std::int64_t writes = CountChildWrites(importDevices, "");
  ASSERT_GT(writes, 40);
  // Kill points spread over the whole import (TALVERN_KILL_POINTS=0 tries
  // every write). A kill stops the process between two writes: one write of
  // a record reaches the file whole (a write torn in two is a power failure,
  // which a table without a journal does not survive either).
  const char* points = std::getenv("TALVERN_KILL_POINTS");
  const std::int64_t count = points ? std::atoll(points) : 12;
  const std::int64_t kPoints = count > 1 && count < writes ? count : writes;
  for (std::int64_t i = 0; i < kPoints; ++i) {
    const std::int64_t n = 1 + (writes - 1) * i / (kPoints - 1);
    CopyFiles(pristine, work);
    EXPECT_TRUE(RunChildKilledAt(importDevices, n, "").killed);
    ExpectNothingButImportedRows("killed at write " + std::to_string(n) + " of " + std::to_string(writes));
  }
}

TEST_F(DeviceImportSurvivalTest, AFullDiskFailsTheRowsFromThereOnAndChangesNothingElse) {
  CopyFiles(pristine, work);
  platform::FaultPlan full{.nth = 0, .error = ENOSPC, .persist = true};
  {
    platform::FaultScope counting(full);
    Import(file);
  }
  const std::int64_t writes = platform::CountedFaultOps();
  for (std::int64_t n : {writes / 3, writes * 2 / 3}) {
    CopyFiles(pristine, work);
    full.nth = n;
    RecordingHost host;
    {
      platform::FaultScope fault(full);
      impexp::CatalogueFiles catalogue(work);
      impexp::TImporter(catalogue, host, File("gifs")).ImportFile(file);
    }
    EXPECT_EQ(host.lines.back(), "Импорт завершен.");
    EXPECT_GT(host.lines.size(), 10u);  // the rows that could not be written, each with its line
    ExpectNothingButImportedRows("disk full at write " + std::to_string(n));
  }
}

}  // namespace
}  // namespace talvern::testing
