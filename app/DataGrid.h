#pragma once
// DataGrid: a read-only grid of a dataset's records, bound through a data
// source: a title row, a row indicator (a marker beside the current row),
// resizable columns, column and row lines. Rows are read on demand by a
// DataSetModel; columns are the fields named by SetColumns with their titles
// and widths, or every visible field under its name with Qt's default width.
//
// The grid's current row is the dataset's current record: choosing a row
// moves the dataset onto it, and when the records change as a whole (opened,
// filtered) the grid goes to the row of the record the dataset stands on.
// DblClick and EnterPressed tell of a double click on a row and of the Enter
// key (character 13) in the grid.

#include <QTableView>
#include <string>
#include <vector>

#include "app/DataSetModel.h"

namespace talvern {

class TDataSource;

class DataGrid : public QTableView {
  Q_OBJECT

public:
  struct Column {
    std::string fieldName;
    QString title;
    int width = 0;
  };

  explicit DataGrid(QWidget* parent = nullptr);

  void SetDataSource(TDataSource* source);  // not owned
  void SetColumns(const std::vector<Column>& columns);
  DataSetModel& Model();

signals:
  void DblClick();
  void EnterPressed();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
  void FollowCursorLater();
  void FollowCursor();

  bool following_ = false;
  bool followScheduled_ = false;
};

}  // namespace talvern
