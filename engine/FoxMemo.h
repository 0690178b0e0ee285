#pragma once
// VXobjFXMemo20: the FoxPro .fpt memo file (big-endian header and block
// heads; new memos always go to the next free block).

#include "engine/Memo.h"

namespace talvern {

class VXobjFXMemo20 : public VXobjMemo {
public:
  VXobjFXMemo20(VXO_dBaseDBF& table, std::uint8_t version, bool shared, bool readWrite,
                const std::string& password, const std::string& tableFileName);

  void AllocateBlocks(std::int32_t length) override;
  void WriteTerminator(std::uint8_t* position) override;
  std::int32_t ReadBlockLength() override;
  void RenameMemo(const std::string& newTableName) override;
};

}  // namespace talvern
