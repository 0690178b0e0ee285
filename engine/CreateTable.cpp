#include "engine/CreateTable.h"

#include <fstream>

#include "engine/Bytes.h"
#include "engine/DbfHeader.h"
#include "engine/DiskFile.h"
#include "engine/Errors.h"
#include "engine/Memo.h"
#include "engine/MemoFormat.h"
#include "platform/Locale.h"

namespace talvern {

using namespace dbf;

namespace {

constexpr std::uint8_t kCodePage866 = 0x65;

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) Raise("Could not create file %s", {path});
}

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
  Raise("Cannot create table %s: %s", {path, why});
}

}  // namespace

void CreateTable(const std::string& path, std::uint8_t version, const std::vector<FieldSpec>& fields,
                 int memoBlockSize) {
  if (!IsKnownVersion(version)) Refuse(path, "unknown version");
  if (fields.empty()) Refuse(path, "no fields");
  bool vfp = version == kVersionVfp;
  bool memoFields = false;
  std::int64_t recordLength = 1;
  for (const auto& f : fields) {
    if (f.name.empty() || f.name.size() > 10) Refuse(path, "field name \"" + f.name + "\" must have 1 to 10 characters");
    int max = f.type == 'C' ? 65535 : 255;
    if (f.length < 1 || f.length > max || f.decimals < 0 || f.decimals > 255)
      Refuse(path, "bad length of field " + f.name);
    if (f.type == 'M' || f.type == 'G' || (!vfp && f.type == 'B')) memoFields = true;
    recordLength += f.length;
  }
  if (recordLength > 65535) Refuse(path, "records longer than 65535 bytes");

  const int headerLength = kHeaderSize + kDescriptorSize * static_cast<int>(fields.size()) + 1 +
                           (vfp ? kBackLinkSize : 0);
  if (headerLength > 65535) Refuse(path, "too many fields");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(headerLength) + 1, 0);
  platform::LocalTime now = platform::Now();
  bytes[kVersionOffset] = version;
  bytes[kUpdateDateOffset] = static_cast<std::uint8_t>(now.year % 100);
  bytes[kUpdateDateOffset + 1] = static_cast<std::uint8_t>(now.month);
  bytes[kUpdateDateOffset + 2] = static_cast<std::uint8_t>(now.day);
  PutLE16(&bytes[kHeaderLengthOffset], static_cast<std::uint32_t>(headerLength));
  PutLE16(&bytes[kRecordLengthOffset], static_cast<std::uint32_t>(recordLength));
  bool vfpMemo = vfp && memoFields;
  if (vfpMemo) bytes[kTableFlagsOffset] = kFlagMemo;
  bytes[kCodePageOffset] = kCodePage866;
  std::uint32_t offset = 1;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const auto& f = fields[i];
    std::uint8_t* d = &bytes[kHeaderSize + kDescriptorSize * i];
    for (std::size_t k = 0; k < f.name.size(); ++k) d[kFieldNameOffset + k] = static_cast<std::uint8_t>(f.name[k]);
    d[kFieldTypeOffset] = static_cast<std::uint8_t>(f.type);
    if (vfp) PutLE32(d + kFieldOffsetOffset, offset);
    d[kFieldLengthOffset] = static_cast<std::uint8_t>(f.length & 0xFF);
    d[kFieldDecimalsOffset] =
        static_cast<std::uint8_t>(f.type == 'C' ? (f.length >> 8) : f.decimals);
    offset += static_cast<std::uint32_t>(f.length);
  }
  bytes[kHeaderSize + kDescriptorSize * fields.size()] = kDescriptorTerminator;
  bytes[static_cast<std::size_t>(headerLength)] = kEndOfFile;
  WriteAll(path, bytes);

  bool hasMemo = version == kVersionDb3Memo || version == kVersionDb4Memo ||
                 version == kVersionFoxMemo || vfpMemo;
  if (!hasMemo) return;
  const std::string memoPath = MemoFileName(path, version);
  const bool fox = version == kVersionFoxMemo || vfp;
  int blockSize = memoBlockSize > 0 ? memoBlockSize : (fox ? memo::kFoxDefaultBlockSize : memo::kDb3BlockSize);
  if (version == kVersionDb3Memo) blockSize = memo::kDb3BlockSize;  // fixed
  if (blockSize > (fox ? 65535 : memo::kMaxBlockSize)) Refuse(path, "memo block size too large");
  std::string base = BaseName(path).substr(0, memo::kFileNameSize);
  std::vector<std::uint8_t> memo;
  if (fox) {
    memo.assign(memo::kFoxHeaderSize, 0);
    PutBE32(&memo[memo::kNextFreeOffset],
            static_cast<std::uint32_t>((memo::kFoxHeaderSize + blockSize - 1) / blockSize));
    PutBE16(&memo[memo::kFoxBlockSizeOffset], static_cast<std::uint32_t>(blockSize));
  } else {
    memo.assign(static_cast<std::size_t>(blockSize), 0);
    PutLE32(&memo[memo::kNextFreeOffset], 1);
    for (std::size_t k = 0; k < base.size(); ++k) memo[memo::kFileNameOffset + k] = static_cast<std::uint8_t>(base[k]);
    if (version == kVersionDb4Memo)
      PutLE32(&memo[memo::kDb4BlockSizeOffset], static_cast<std::uint32_t>(blockSize));
  }
  WriteAll(memoPath, memo);
}

}  // namespace talvern
