#pragma once
// A device grid on a fake data set, filled as the main window fills it: the
// columns of a kind's layout, then one row per device with the data set
// standing on that device.

#include <QApplication>
#include <QTest>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ColumnLayout.h"
#include "app/GridDataSet.h"
#include "app/TxGrid.h"
#include "engine/Errors.h"

namespace talvern::testing {

// Records by record number, each a map of field name to 1251 text.
class FakeDataSet : public TxGridDataSet {
public:
  std::map<int, std::map<std::string, std::string>> records;
  int recNo = 0;
  int moves = 0;

  int RecNo() override { return recNo; }
  void SetRecNo(int n) override {
    recNo = n;
    ++moves;
  }
  std::string FieldText(const std::string& fieldName) override {
    auto record = records.find(recNo);
    if (record == records.end()) Raise("Record number %d is not in table %s", {recNo, "main.dbf"});
    auto field = record->second.find(fieldName);
    if (field == record->second.end()) Raise("Field %s not found", {fieldName});
    return field->second;
  }
};

struct Device {
  int recNo;
  std::string type;
  std::vector<std::string> params;  // field "1", "2", ...
  std::string term = "-60...+125";
};

inline void AddDevices(FakeDataSet& data, const std::vector<Device>& devices) {
  for (const Device& d : devices) {
    auto& record = data.records[d.recNo];
    record["TYPE"] = d.type;
    record["TERM"] = d.term;
    for (std::size_t i = 0; i < d.params.size(); ++i) record[std::to_string(i + 1)] = d.params[i];
  }
}

// Clears the grid and fills it with the kind's columns and the devices, in
// the given order.
inline void FillGrid(TxGrid& grid, FakeDataSet& data, const std::vector<LayoutRow>& layout,
                     const std::vector<Device>& devices) {
  grid.Clear();
  for (const ColumnDef& d : BuildKindColumns(layout)) {
    grid.AddColumn(d.column.group, d.column.position, d.column.fieldName, d.column.heading,
                   d.column.fullName, d.width);
  }
  for (const Device& d : devices) {
    data.SetRecNo(d.recNo);
    grid.AddRow(d.recNo);
  }
  grid.SetFixedCols(1);
  if (grid.RowCount() > 1) grid.SetFixedRows(1);
}

inline LayoutRow Layout(int fld, int grp, int dop, int len, std::string shortHeading,
                        std::string unit = {}, std::string fullName = {}) {
  LayoutRow row;
  row.vid = 1;
  row.fld = fld;
  row.grp = grp;
  row.dop = dop;
  row.len = len;
  row.shortHeading = std::move(shortHeading);
  row.unit = std::move(unit);
  row.fullName = std::move(fullName);
  return row;
}

// A window-sized grid on screen (offscreen), with its fake data set.
template <class Grid = TxGrid>
struct ShownGrid {
  FakeDataSet data;
  std::unique_ptr<Grid> grid = std::make_unique<Grid>();

  explicit ShownGrid(QSize size = QSize(600, 300)) {
    grid->SetDataSet(&data);
    grid->resize(size);
    grid->show();
    [[maybe_unused]] bool exposed = QTest::qWaitForWindowExposed(grid.get());
  }
  void Focus() {
    grid->activateWindow();
    grid->setFocus();
    QApplication::processEvents();
  }
};

}  // namespace talvern::testing
