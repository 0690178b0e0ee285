// Whole-program timings of the main window on the synthetic catalogue of 10^6
// devices (mkcatalog --synthetic 1000000, made by scripts/bench.sh into
// build/bench-data/catalog1000000): start-up to a ready window, choosing a
// kind of about 5000 devices until the grid is filled and painted, and in that
// kind sorting by a parameter column and filtering on two columns, each until
// the grid is painted. A driver of
// its own rather than Google Benchmark: the window needs the application object
// and its event loop. Offscreen unless QT_QPA_PLATFORM says otherwise.
//
//   window_bench [--kind V] [--runs N]     (other arguments are ignored)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "DriverKit.h"
#include "app/Application.h"
#include "app/LookupComboBox.h"
#include "app/MainForm.h"
#include "app/TxGrid.h"
#include "dataset/TalvernDataSet.h"

using namespace talvern;
using bench::Clock;
using bench::MsSince;

namespace {

std::string DataDir() { return bench::DriverDataDir(); }

void Report(const char* what, std::vector<double> ms) {
  bench::ReportRuns(52, what, std::move(ms));
}

// The window shown and painted: what the user sees as "ready".
void ShowReady(TMainForm& window) {
  window.show();
  QCoreApplication::processEvents();
  window.repaint();
}

// Choosing the kind as the kind list does it, until the grid is painted.
void ChooseKind(TMainForm& window, int kind) {
  window.CBVids()->SetKeyValue(FieldValue{std::int64_t{kind}});
  window.CBVidsClick();
  window.Grid1()->viewport()->repaint();
}

int ColumnOfField(const TxGrid& grid, const char* fieldName) {
  for (int col = 0; col < grid.Columns().Count(); ++col)
    if (grid.Columns().At(col).fieldName == fieldName) return col;
  return -1;
}

double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Milliseconds a change of the grid's view takes until the grid is painted,
// and the CPU time of the thread meanwhile (the machine is shared: the wall
// time also holds the waits for a core).
struct Times {
  std::vector<double> wall;
  std::vector<double> cpu;
};

template <class F>
void Timed(F&& change, TxGrid& grid, Times& times) {
  const double cpuStart = CpuMs();
  const Clock::time_point start = Clock::now();
  change();
  grid.viewport()->repaint();
  times.wall.push_back(MsSince(start));
  times.cpu.push_back(CpuMs() - cpuStart);
}

void Report(const char* what, const Times& times) {
  Report(what, times.wall);
  Report("    CPU time of the thread", times.cpu);
}

// Two filters, one after the other, as the user sets them.
void SetTwoFilters(TxGrid& grid, int first, int second) {
  grid.SetColumnFilter(first, QString::fromUtf8("≥ 100"));
  grid.SetColumnFilter(second, QString::fromUtf8("≤ 1"));
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point processStart = Clock::now();
  int kind = 223;
  int runs = 10;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--kind") == 0) kind = std::atoi(argv[++i]);
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
    std::fprintf(stderr, "missing %s/main.dbf (run scripts/bench.sh window)\n", dir.c_str());
    return 1;
  }
  const bool buildIndexes = !std::filesystem::exists(dir + "/main.CDX");
  {
    const Clock::time_point start = Clock::now();
    TMainForm window(dir);
    ShowReady(window);
    QCoreApplication::processEvents();
    if (buildIndexes) Report("first start, index files built", {MsSince(start)});
    else Report("first start in the process (application included)", {MsSince(processStart)});
  }
  if (failed) return 1;

  std::vector<double> startUps;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    TMainForm window(dir);
    ShowReady(window);
    startUps.push_back(MsSince(start));
  }
  Report("start-up to a ready window (existing indexes)", startUps);

  TMainForm window(dir);
  ShowReady(window);
  window.Logic().Vids().SetFilter({});
  const FieldValue group = window.Logic().Vids().Lookup("VID", {std::int64_t{kind}}, "GROUP");
  window.CBGroups()->SetKeyValue(group);
  window.CBGroupsClick();
  std::vector<double> switches;
  int rows = 0;
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    ChooseKind(window, kind);
    switches.push_back(MsSince(start));
    rows = window.Grid1()->RowCount() - 1;
  }
  // Its two parts: Main set up for the kind (filter applied, calculated
  // fields, opened), and the walk of its devices in TYPE order.
  std::vector<double> prepares, walks;
  for (int i = 0; i < runs; ++i) {
    Clock::time_point start = Clock::now();
    window.PrepareMain(kind);
    prepares.push_back(MsSince(start));
    start = Clock::now();
    TTalvernDataSet& main = window.Logic().Main();
    int count = 0;
    for (main.First(); !main.Eof(); main.Next()) ++count;
    walks.push_back(MsSince(start));
  }
  char what[80];
  std::snprintf(what, sizeof what, "choosing kind %d (%d devices), grid painted", kind, rows);
  Report(what, switches);
  Report("  of which PrepareMain", prepares);
  Report("  of which the walk of Main in TYPE order", walks);

  // The view: the kind chosen afresh before each run (not timed), so that the
  // first sort or filter reads its columns' cells; then the same again with
  // the cells known.
  TxGrid& grid = *window.Grid1();
  const int sortCol = ColumnOfField(grid, "3");
  const int filterA = ColumnOfField(grid, "2");
  const int filterB = ColumnOfField(grid, "6");
  if (sortCol < 0 || filterA < 0 || filterB < 0) {
    std::fprintf(stderr, "kind %d has no parameters 2, 3 and 6\n", kind);
    return 1;
  }
  Times firstSorts, sorts, firstFilters, filters;
  int shown = 0;
  for (int i = 0; i < runs; ++i) {
    ChooseKind(window, kind);
    Timed([&] { grid.HeadingClick(sortCol); }, grid, firstSorts);
    Timed([&] { grid.HeadingClick(sortCol); }, grid, sorts);
    ChooseKind(window, kind);
    Timed([&] { SetTwoFilters(grid, filterA, filterB); }, grid, firstFilters);
    grid.ClearFilters();
    Timed([&] { SetTwoFilters(grid, filterA, filterB); }, grid, filters);
    shown = grid.ShownCount();
  }
  Report("sorting by a parameter column, grid painted", firstSorts);
  Report("  again, the column's cells known", sorts);
  std::snprintf(what, sizeof what, "filter on two columns (%d of %d shown), painted", shown, rows);
  Report(what, firstFilters);
  Report("  again, the columns' cells known", filters);
  return failed ? 1 : 0;
}
