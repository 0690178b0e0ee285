#pragma once
// The main window on a copy of the sample catalogue the build puts next to the
// program, without index files (the window builds them as it starts), and the
// user's choices of a group and a kind made through the lists themselves.

#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "TestFiles.h"
#include "ViewFixture.h"
#include "app/LookupComboBox.h"
#include "app/MainForm.h"
#include "app/TxGrid.h"
#include "platform/CodePage.h"

namespace talvern::testing {

inline constexpr const char* kSampleTables[] = {"groups.dbf", "vids.dbf",   "fields.dbf",  "main.dbf",
                                                "PICS.DBF",   "PICS.FPT",   "packages.dbf", "codes.dbc"};

// Copies the sample tables into dir; false when the build has not made them.
inline bool CopySampleCatalogue(const TempDir& dir) {
  const std::filesystem::path sample = std::filesystem::path(TALVERN_BINARY_DIR) / "app";
  for (const char* name : kSampleTables)
    if (!std::filesystem::exists(sample / name)) return false;
  for (const char* name : kSampleTables) std::filesystem::copy_file(sample / name, dir.File(name));
  return true;
}

inline std::string Ansi(const char* utf8) { return platform::Utf8ToAnsi(utf8); }
inline std::string Utf8(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }
inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct CatalogueWindowTest : ::testing::Test {
  TempDir dir;
  std::unique_ptr<TMainForm> form;

  void SetUp() override {
    if (!CopySampleCatalogue(dir)) GTEST_SKIP() << "no sample catalogue in " << TALVERN_BINARY_DIR << "/app";
  }
  void TearDown() override { form.reset(); }

  TMainForm& OpenWindow() {
    form = std::make_unique<TMainForm>(dir.Path());
    return *form;
  }
  void Show() {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }

  // The user picks the row of the list that holds key: the box shows it and
  // tells that it was chosen.
  static void Choose(LookupComboBox& list, int key) {
    const int row = list.ListModel().FindKey(FieldValue{std::int64_t{key}});
    ASSERT_GE(row, 0) << "no row with key " << key;
    list.setCurrentIndex(row);
    emit list.activated(row);
  }
  void ChooseGroup(int group) { Choose(*form->CBGroups(), group); }
  void ChooseKind(int group, int kind) {
    ChooseGroup(group);
    Choose(*form->CBVids(), kind);
  }

  // Stands in for the windows of the three commands the navigation enables,
  // so that they follow it (a command without a handler stays disabled).
  void ConnectNavigationCommands() {
    for (QAction* command : {form->M_Pict(), form->M_Export(), form->M_ColumnSetup()})
      form->ConnectCommand(*command, [] {});
  }

  TTalvernDataSet& Main() { return form->Logic().Main(); }
  TxGrid& Grid() { return *form->Grid1(); }

  // The TYPE of the device in a grid row, read as the grid reads it.
  std::string RowType(int row) {
    Main().SetRecNo(Grid().RowRecNo(row));
    return Utf8(Main().FieldByName("TYPE").AsString());
  }
  // The grid row of a device; 0 when it is not in the grid.
  int RowOf(const char* type) {
    for (int row = 1; row < Grid().RowCount(); ++row)
      if (RowType(row) == type) return row;
    return 0;
  }
  std::string FieldText(const char* type, const char* field) {
    const int row = RowOf(type);
    if (row == 0) return "<no row>";
    Main().SetRecNo(Grid().RowRecNo(row));
    return Utf8(Main().FieldByName(field).AsString());
  }
};

}  // namespace talvern::testing
