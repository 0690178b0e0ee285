// Whole-program timing of the device search on the synthetic catalogue of 10^6
// devices (mkcatalog --synthetic 1000000, made by scripts/bench.sh into
// build/bench-data/catalog1000000): the search window over Main with its
// lookup field VN, and a fragment typed key by key. One keystroke is the edit's
// change: the filter set on Main (evaluated on every record of main.dbf), the
// list refreshed, its first screen painted. Beside it, in the same run, SQLite
// on the same rows (bench/search_sqlite.py with the schema and helpers of
// ../shared/bench/sqlite_anchor.py): LIKE '%TEXT%' as the anchor times it, and
// the search list in type order. The rows go to SQLite once, through a CSV
// that this program writes from main.dbf; both files stay in the catalogue's
// directory. Offscreen unless QT_QPA_PLATFORM says otherwise.
//
//   search_bench [--text КТ3] [--runs N]     (other arguments are ignored)
#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DriverKit.h"
#include "app/Application.h"
#include "app/DataGrid.h"
#include "app/FormSearch.h"
#include "app/FormSearchFilter.h"
#include "app/MainForm.h"
#include "dataset/Field.h"
#include "dataset/TalvernDataSet.h"
#include "platform/CodePage.h"

using namespace talvern;
using bench::Clock;
using bench::MsSince;

namespace {

std::string DataDir() { return bench::DriverDataDir(); }

// The shared reference scripts: ../shared/bench beside the checkout, one level
// further up for a worktree.
std::string SharedBenchDir() {
  for (const char* rel : {"/../shared/bench", "/../../shared/bench"}) {
    const std::string dir = std::string(TALVERN_SOURCE_DIR) + rel;
    if (std::filesystem::exists(dir + "/sqlite_anchor.py")) return std::filesystem::canonical(dir).string();
  }
  return "";
}

void Report(const std::string& what, std::vector<double> ms) {
  bench::ReportRuns(60, what, std::move(ms));
}

std::string CsvField(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// main.dbf's devices as the anchor's CSV: type, vid, params, pic, term, import.
void WriteDevicesCsv(TTalvernDataSet& main, const std::string& path) {
  std::ofstream out(path + ".tmp", std::ios::binary);
  out << "type,vid,params,pic,term,import\n";
  auto text = [&](const char* field) { return CsvField(platform::AnsiToUtf8(main.FieldByName(field).AsString())); };
  main.DisableControls();
  for (main.First(); !main.Eof(); main.Next())
    out << text("TYPE") << ',' << main.FieldByName("VID").AsInteger() << ',' << text("PARAMS") << ','
        << text("PIC") << ',' << text("TERM") << ',' << (main.FieldByName("IMPORT").AsBoolean() ? 1 : 0) << '\n';
  main.EnableControls();
  out.close();
  std::filesystem::rename(path + ".tmp", path);
}

void RunSqlite(const std::string& dir, const std::string& text) {
  const std::string shared = SharedBenchDir();
  if (shared.empty()) {
    std::printf("SQLite: no ../shared/bench/sqlite_anchor.py found\n");
    return;
  }
  const std::string command = "/usr/bin/python3 '" TALVERN_SOURCE_DIR "/bench/search_sqlite.py' --shared '" +
                              shared + "' --csv '" + dir + "/main.csv' --db '" + dir + "/main.sqlite' --text '" +
                              text + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    char label[256];
    double median = 0, low = 0, high = 0;
    int rows = 0;
    if (std::sscanf(line, "%255[^\t]\t%lf\t%lf\t%lf\t%d", label, &median, &low, &high, &rows) == 5)
      std::printf("SQLite %-53s min %8.1f ms  median %8.1f ms  max %8.1f ms  (%d rows)\n", label, low, median, high,
                  rows);
  }
  pclose(pipe);
}

}  // namespace

int main(int argc, char** argv) {
  std::string text = "КТ3";
  int runs = 7;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--text") == 0) text = argv[++i];
    else if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[++i]));
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TalvernApplication app(argc, argv);
  bool failed = false;
  app.Errors().SetPresenter([&](const QString& message) {
    std::fprintf(stderr, "error: %s\n", message.toUtf8().constData());
    failed = true;
  });

  const std::string dir = DataDir() + "/catalog1000000";
  if (!std::filesystem::exists(dir + "/main.dbf")) {
    std::fprintf(stderr, "missing %s/main.dbf (run scripts/bench.sh search)\n", dir.c_str());
    return 1;
  }
  TMainForm mainForm(dir);
  if (!std::filesystem::exists(dir + "/main.csv")) {
    std::printf("writing %s/main.csv for SQLite...\n", dir.c_str());
    WriteDevicesCsv(mainForm.Logic().Main(), dir + "/main.csv");
  }
  TFormSearch::PrepareSearch(mainForm);
  TFormSearch search(mainForm, &mainForm);
  search.show();
  QCoreApplication::processEvents();

  // The fragment typed key by key; the edit is emptied between runs.
  const QString fragment = QString::fromUtf8(text.c_str());
  std::vector<std::vector<double>> keys(static_cast<std::size_t>(fragment.size()));
  int shown = 0;
  for (int run = 0; run <= runs; ++run) {  // the first run warms up
    for (qsizetype k = 1; k <= fragment.size(); ++k) {
      const Clock::time_point start = Clock::now();
      search.Edit1()->setText(fragment.left(k));
      QCoreApplication::processEvents();
      search.DBGrid1()->viewport()->repaint();
      if (run > 0) keys[static_cast<std::size_t>(k - 1)].push_back(MsSince(start));
    }
    shown = search.DBGrid1()->model()->rowCount();
    search.Edit1()->clear();
    QCoreApplication::processEvents();
  }
  for (qsizetype k = 1; k <= fragment.size(); ++k)
    Report("keystroke: \"" + fragment.left(k).toStdString() + "\", filter set, first screen painted",
           keys[static_cast<std::size_t>(k - 1)]);
  std::printf("(the list had read %d rows of the matches for its first screen)\n", shown);
  // Of the whole fragment's keystroke: the filter set on Main alone (every
  // record evaluated, Main on its first match in type order).
  TTalvernDataSet& main = mainForm.Logic().Main();
  const std::string filter = SearchFilter(platform::Utf8ToAnsi(text));
  std::vector<double> filters;
  for (int run = 0; run < runs; ++run) {
    main.SetFilter({});
    QCoreApplication::processEvents();
    const Clock::time_point start = Clock::now();
    main.SetFilter(filter);
    filters.push_back(MsSince(start));
    QCoreApplication::processEvents();
  }
  Report("  of which Main's filter set", filters);
  RunSqlite(dir, text);
  return failed ? 1 : 0;
}
