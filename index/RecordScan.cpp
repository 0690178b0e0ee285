#include "index/RecordScan.h"

#include <algorithm>
#include <vector>

#include "engine/Cipher.h"
#include "engine/Fields.h"

namespace talvern {

namespace {
constexpr std::int32_t kScanBlock = 65536;
}  // namespace

void ScanRecords(VXO_dBaseFld& table, const std::function<void(std::int32_t)>& visit) {
  const std::int32_t count = table.RecordCount();
  const std::int32_t length = table.RecordLength();
  if (count <= 0 || length <= 0) return;
  const std::int32_t perBlock = std::max<std::int32_t>(1, kScanBlock / length);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * length + 1, ' ');
  std::uint8_t* savedRecord = table.CurrentRecord();
  const std::int32_t savedRecno = table.RecNo();
  auto restore = [&] {
    table.SetCurrentRecord(savedRecord);
    table.SetRecNo(savedRecno);
  };
  try {
    std::int32_t first = 1, inBlock = 0;
    for (std::int32_t r = 1; r <= count; ++r) {
      if (r - first >= inBlock) {
        first = r;
        std::int32_t want = std::min(perBlock, count - r + 1);
        std::int64_t offset = table.HeaderLength() + static_cast<std::int64_t>(r - 1) * length;
        inBlock = table.VXO_DiskFile::ReadAt(offset, block.data(), want * length) / length;
        if (inBlock == 0) break;
        if (table.IsEnciphered())
          for (std::int32_t i = 0; i < inBlock; ++i) {
            std::uint8_t* record = block.data() + static_cast<std::size_t>(i) * length;
            Cipher(table.ReadPassword(), record, record, length, false);
          }
      }
      table.SetCurrentRecord(block.data() + static_cast<std::size_t>(r - first) * length);
      table.SetRecNo(r);
      visit(r);
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

bool WithRecord(VXO_dBaseFld& table, std::int32_t r, const std::function<void()>& visit) {
  const std::int32_t length = table.RecordLength();
  // Another program may have appended the record since the count was taken.
  if (r > table.RecordCount()) table.RefreshHeader();
  if (r < 1 || r > table.RecordCount() || length <= 0) return false;
  std::vector<std::uint8_t> record(static_cast<std::size_t>(length) + 1, ' ');
  std::int64_t offset = table.HeaderLength() + static_cast<std::int64_t>(r - 1) * length;
  if (table.VXO_DiskFile::ReadAt(offset, record.data(), length) != length) return false;
  if (table.IsEnciphered()) Cipher(table.ReadPassword(), record.data(), record.data(), length, false);
  std::uint8_t* savedRecord = table.CurrentRecord();
  const std::int32_t savedRecno = table.RecNo();
  table.SetCurrentRecord(record.data());
  table.SetRecNo(r);
  try {
    visit();
  } catch (...) {
    table.SetCurrentRecord(savedRecord);
    table.SetRecNo(savedRecno);
    throw;
  }
  table.SetCurrentRecord(savedRecord);
  table.SetRecNo(savedRecno);
  return true;
}

}  // namespace talvern
