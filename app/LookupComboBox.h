#pragma once
// LookupComboBox: a drop-down list of the records of a list dataset, bound
// through a data source. It shows the list field of each record; its value is
// the key field of the record the user chose, or none (null). Choosing a row
// with the mouse or the keyboard sets the value and raises Click, also when
// the row chosen is the one already chosen. The program sets the value with
// SetKeyValue, which raises nothing.
//
// The value stays what was chosen or set while the list changes (another
// filter, the list dataset closed): the box shows the row of the list that
// has that key, and nothing while there is none.
//
// The list reads its rows as they are needed: dropping it down, the wheel and
// the keys read on as far as they go, a typed letter the whole list. Dropped
// down it shows DropDownCount rows in every style (styles that drop a list
// down as a menu over the box would show them all).

#include <QComboBox>
#include <string>

#include "app/DataSetModel.h"

namespace talvern {

class TDataSource;

class LookupComboBox : public QComboBox {
  Q_OBJECT

public:
  explicit LookupComboBox(QWidget* parent = nullptr);

  TDataSource* ListSource() const { return model_->DataSource(); }
  void SetListSource(TDataSource* source);  // not owned
  void SetKeyField(std::string name);
  void SetListField(std::string name);

  // The key of the chosen record; null when nothing is chosen.
  const FieldValue& KeyValue() const { return value_; }
  bool HasValue() const { return !IsNullValue(value_); }
  // Sets the value (null: none) and shows its row, without raising Click.
  void SetKeyValue(const FieldValue& value);

  // Rows shown when the list is dropped down.
  int DropDownCount() const { return maxVisibleItems(); }
  void SetDropDownCount(int rows) { setMaxVisibleItems(rows); }

  DataSetModel& ListModel() { return *model_; }

  void showPopup() override;

signals:
  // The user chose a row.
  void Click();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

private:
  // Reads the list on until it has the row (or its end).
  void ReadUpTo(int row);
  void Chosen(int row);
  // Shows the value's row, reading the list as far as needed.
  void ShowValue();
  // The same among the rows the list has in memory; used while the list
  // model is telling of a change, when it must not read.
  void ShowKeptValue();
  void ShowValueLater();

  DataSetModel* model_;  // owned as a child
  FieldValue value_;
  bool showScheduled_ = false;
};

}  // namespace talvern
