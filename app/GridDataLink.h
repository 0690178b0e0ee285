#pragma once
// GridDataLink: the device grid's data set over a dataset bound through a data
// source. The grid stands the dataset on a record by its record number and
// reads field texts while it paints (TxGridDataSet); these moves are a view's
// reading, which the other views of the dataset do not take for changes. When
// the dataset's records change, or it opens or closes, the grid repaints.
//
// A closed dataset paints empty cells. A dataset being edited is not moved
// (moving would post the edit): cells of other records paint empty until the
// edit ends, the record being edited shows what was typed.

#include <functional>
#include <string>

#include "app/GridDataSet.h"
#include "app/ViewDataLink.h"

namespace talvern {

class CustomGrid;

class GridDataLink : public ViewDataLink, public TxGridDataSet {
public:
  // The grid repainted on changes; it must outlive the link.
  explicit GridDataLink(CustomGrid& grid) : grid_(grid) {}

  int RecNo() override;
  void SetRecNo(int recNo) override;
  // Raises the dataset's "Field '%s' not found" for a field it does not have.
  std::string FieldText(const std::string& fieldName) override;
  // Reads each record asked for once, without standing the grid's dataset
  // on it where the dataset allows (GridDataLink.cpp).
  void ReadFields(const std::vector<std::int32_t>& recNos, const std::vector<std::string>& fieldNames,
                  const FieldTaker& take) override;
  // Called when a record is written or editing begins or ends, so that what
  // was read from the records can be read again.
  void SetOnRecordsWritten(std::function<void()> handler) { onRecordsWritten_ = std::move(handler); }
  // A quicker way to read some fields for ReadFields, tried first: it reads
  // them and says true, or says false and the link reads them itself.
  using QuickReader = std::function<bool(const std::vector<std::int32_t>& recNos,
                                         const std::vector<std::string>& fieldNames, const FieldTaker& take)>;
  void SetQuickReader(QuickReader reader) { quickReader_ = std::move(reader); }

protected:
  void RecordsChanged() override;
  void CurrentRecordChanged(TField* field) override;
  void ViewEditingChanged() override;

private:
  void RecordsWritten();

  CustomGrid& grid_;
  std::function<void()> onRecordsWritten_;
  QuickReader quickReader_;
  // The record the grid asked for while the dataset could not move; 0: none.
  int wanted_ = 0;
};

}  // namespace talvern
