#pragma once
// VXobjMemo4: the dBASE IV .dbt memo file. Memos carry an 8-byte block head
// and any bytes; freed runs of blocks form a list from the header, and a new
// memo takes the first run large enough (splitting a larger one) or goes to
// the end of the file.

#include "engine/Memo.h"

namespace talvern {

class VXobjMemo4 : public VXobjMemo {
public:
  VXobjMemo4(VXO_dBaseDBF& table, std::uint8_t version, bool shared, bool readWrite,
             const std::string& password, const std::string& tableFileName);

  void AllocateBlocks(std::int32_t length) override;
  void FreeBlocks(std::int32_t block) override;
  void WriteTerminator(std::uint8_t* position) override;
  std::int32_t ReadBlockLength() override;

private:
  // Points the run before (0: the header) at value.
  void Link(std::int32_t previous, std::uint32_t value, std::uint8_t* header);
};

}  // namespace talvern
