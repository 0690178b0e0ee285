#pragma once
// VXobjSingleTagFile: an index file of one tag named after the file (.ndx,
// .ntx). The tag's header is the file's first page. Adding a tag replaces
// the file's contents; EmptyFile leaves the header and one empty root page,
// from which Reindex builds the tag again with its own settings.

#include <cstdint>
#include <memory>
#include <string>

#include "index/ItemFile.h"

namespace talvern {

class VXobjSingleTagFile : public VXobjItemFile {
public:
  // name: ignored, the tag is named after the file.
  bool TagAdd(const std::string& name, const std::string& keyExpr, bool unique, bool ascending,
              const std::string& forExpr) override;
  void Reindex() override;
  virtual void EmptyFile();

protected:
  explicit VXobjSingleTagFile(VXO_dBaseFld* table);
  // The file opened (create: the file made empty, no tag yet; otherwise its
  // tag read from the first page).
  void Open(bool create);
  // A tag object over the header at offset 0: read (existing) or new.
  virtual std::unique_ptr<VXobjItemTag> NewTag(bool existing) = 0;
  // Raises for settings the format cannot hold.
  virtual void CheckSettings(bool ascending, const std::string& forExpr) const;
  // Called by EmptyFile before the header is written afresh.
  virtual void ResetHeader(VXobjItemTag& tag);
  void Reload() override;
};

}  // namespace talvern
