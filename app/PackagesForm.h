#pragma once
// The package correspondence window ("Соответствие типов корпусов"): the
// table "packages.dbf" of the database directory shown as it stands, every
// field a column headed by its name, in the table's field order. The window
// owns its dataset, opened read-only and shared when the window is made; a
// table that cannot be opened is reported and leaves an empty grid.

#include <QDialog>
#include <string>

#include "dataset/DataSource.h"
#include "dataset/TalvernDataSet.h"

namespace talvern {

class DataGrid;

inline constexpr char kPackagesTable[] = "packages.dbf";

class TPackagesForm : public QDialog {
public:
  static constexpr int kWidth = 601;
  static constexpr int kHeight = 434;

  TPackagesForm(const std::string& databaseDirectory, QWidget* parent = nullptr);
  ~TPackagesForm() override;

  // The menu command: the window made, shown, destroyed.
  static void Execute(const std::string& databaseDirectory, QWidget* parent);

  TTalvernDataSet& Packages() { return packages_; }
  DataGrid* DBGrid1() const { return grid_; }

private:
  // The dataset comes before its data source, which must go first.
  TTalvernDataSet packages_;
  TDataSource source_;
  DataGrid* grid_ = nullptr;
};

}  // namespace talvern
