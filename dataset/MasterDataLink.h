#pragma once
// TMasterDataLink: the link by which a detail dataset follows its master.
// It resolves MasterFields in the master when the master opens and calls the
// detail's MasterChanged when the master's current record changes or one of
// those fields is written, and MasterDisabled when the master closes. When
// the detail leaves edit mode is asked of the master, the detail posts first.

#include <string>
#include <vector>

#include "dataset/DataLink.h"

namespace talvern {

class TMasterDataLink : public TDataLink {
public:
  explicit TMasterDataLink(TDataSet& detail) : detail_(detail) {}

  // ";"-separated field names of the master.
  void SetFieldNames(std::string names);
  // The master's fields named, while the link is active.
  const std::vector<TField*>& Fields() const { return fields_; }

protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void RecordChanged(TField* field) override;

private:
  TDataSet& detail_;
  std::string fieldNames_;
  std::vector<TField*> fields_;
};

}  // namespace talvern
