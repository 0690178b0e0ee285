#include "app/PackagesForm.h"

#include <QVBoxLayout>

#include "app/DataGrid.h"
#include "app/ErrorHandler.h"

namespace talvern {

TPackagesForm::TPackagesForm(const std::string& databaseDirectory, QWidget* parent)
    : QDialog(parent), source_(&packages_) {
  setObjectName("PackagesForm");
  setWindowTitle(QString::fromUtf8("Соответствие типов корпусов"));
  resize(kWidth, kHeight);

  packages_.SetTableName(kPackagesTable);
  packages_.SetReadOnly(true);
  packages_.SetExclusive(false);
  packages_.SetTranslateASCII(true);
  packages_.SetUseDeleted(false);

  grid_ = new DataGrid(this);
  grid_->setObjectName("DBGrid1");
  grid_->SetDataSource(&source_);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(grid_);

  try {
    packages_.SetDatabaseName(databaseDirectory);
    packages_.Open();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

// The grid lets go of the dataset before the dataset goes.
TPackagesForm::~TPackagesForm() { grid_->SetDataSource(nullptr); }

void TPackagesForm::Execute(const std::string& databaseDirectory, QWidget* parent) {
  TPackagesForm window(databaseDirectory, parent);
  window.exec();
}

}  // namespace talvern
