// dbftool info [--password P] TABLE: version, record count, header and
// record length, flags and the fields of a table (P: the password of an
// enciphered table).
#include <cstdio>

#include "Command.h"
#include "Values.h"
#include "engine/DbfHeader.h"
#include "engine/Errors.h"
#include "engine/Memo.h"
#include "platform/CodePage.h"

namespace dbftool {
namespace {

int RunInfo(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  const std::string password = TakePassword(args);
  if (args.size() != 1) throw UsageError{"expects one table"};
  talvern::VXO_dBaseFld table(args[0], true, false, password);
  const auto& h = table.HeaderImage();
  using namespace talvern::dbf;
  std::printf("Table: %s\n", table.FileName().c_str());
  std::printf("Version: 0x%02X (%s)\n", table.Version(), VersionName(table.Version()));
  std::printf("Records: %d\n", table.RecordCount());
  std::printf("Records in header: %u\n", h[kRecordCountOffset] | h[kRecordCountOffset + 1] << 8 |
                                              h[kRecordCountOffset + 2] << 16 |
                                              static_cast<unsigned>(h[kRecordCountOffset + 3]) << 24);
  std::printf("Header length: %d\n", table.HeaderLength());
  std::printf("Record length: %d\n", table.RecordLength());
  std::printf("Last update: %02u-%02u-%02u (yy-mm-dd)\n", h[kUpdateDateOffset], h[kUpdateDateOffset + 1],
              h[kUpdateDateOffset + 2]);
  unsigned flags = h[kTableFlagsOffset];
  std::printf("Flags: 0x%02X (production index: %s, memo: %s)\n", flags,
              flags & kFlagProductionIndex ? "yes" : "no", flags & kFlagMemo ? "yes" : "no");
  std::printf("Code page byte: 0x%02X\n", h[kCodePageOffset]);
  std::printf("Encrypted: %s\n", table.IsEnciphered() ? "yes" : "no");
  if (table.HasMemo()) {
    std::string memoName = talvern::MemoFileName(table.FileName(), table.Version());
    try {
      auto* memo = table.MemoFile();
      std::printf("Memo file: %s (block size %d)\n", memo->FileName().c_str(), memo->BlockSize());
    } catch (const talvern::ETalvernError& e) {
      std::printf("Memo file: %s\n", e.what());
    }
  }
  std::printf("Fields: %d\n", table.FieldCount());
  std::printf("  %3s  %-10s  %-4s  %6s  %8s  %6s\n", "#", "Name", "Type", "Length", "Decimals", "Offset");
  for (int i = 1; i <= table.FieldCount(); ++i) {
    std::string name = talvern::platform::OemToUtf8(table.FieldName(i));
    std::printf("  %3d  %-10s  %-4c  %6d  %8d  %6d\n", i, name.c_str(), table.FieldType(i), table.FieldLength(i),
                table.FieldDecimals(i), table.FieldOffset(i));
  }
  return 0;
}

const bool registered = RegisterCommand({"info", "[--password P] TABLE", "print the header and the fields", &RunInfo});

}  // namespace
}  // namespace dbftool
