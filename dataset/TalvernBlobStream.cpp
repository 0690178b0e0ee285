#include "dataset/TalvernBlobStream.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "dataset/DatabaseError.h"
#include "dataset/RecordPointer.h"
#include "dataset/TalvernDataSet.h"
#include "engine/Translate.h"

namespace talvern {

TTalvernBlobStream::TTalvernBlobStream(TTalvernDataSet& dataSet, const TField& field, TBlobStreamMode mode)
    : dataSet_(dataSet), field_(field) {
  if (mode != bmRead) {
    if (field.ReadOnly()) DatabaseError(kSFieldReadOnly, {field.FieldName()});
    if (dataSet.State() != dsEdit && dataSet.State() != dsInsert) DatabaseError(kSNotEditing);
  }
  if (mode == bmWrite) {
    modified_ = true;
    return;
  }
  data_ = dataSet.BlobContents(field);
}

TTalvernBlobStream::~TTalvernBlobStream() {
  if (!modified_ || (dataSet_.State() != dsEdit && dataSet_.State() != dsInsert)) return;
  try {
    dataSet_.BlobWritten(field_, std::move(data_));
  } catch (...) {
    // A stream going out of scope cannot report; the contents are kept
    // (BlobWritten stores them before it tells the bound controls).
  }
}

std::int64_t TTalvernBlobStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t size = static_cast<std::int64_t>(data_.size());
  const std::int64_t n = std::max<std::int64_t>(0, std::min(count, size - position_));
  if (n > 0) std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TTalvernBlobStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  data_.resize(static_cast<std::size_t>(position_), '\0');
  data_.append(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
  position_ += count;
  modified_ = true;
  return count;
}

std::int64_t TTalvernBlobStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : static_cast<std::int64_t>(data_.size());
  position_ = std::max<std::int64_t>(0, base + offset);
  return position_;
}

// ---- The dataset's side

std::unique_ptr<TStream> TTalvernDataSet::CreateBlobStream(const TField& field, TBlobStreamMode mode) {
  CheckActive();
  if (field.DataSet() != this || !field.IsBlob()) DatabaseError(kSFieldNotFound, {field.FieldName()});
  return std::make_unique<TTalvernBlobStream>(*this, field, mode);
}

std::string TTalvernDataSet::BlobContents(const TField& field) {
  const std::size_t n = static_cast<std::size_t>(field.FieldNo());
  TRecordBuffer record = GetActiveRecBuf();
  if (n < 1 || n >= tableFields_.size() || record == nullptr) return {};
  std::string contents;
  if ((State() == dsEdit || State() == dsInsert) && record == ActiveBuffer() && pendingBlobs_[n]) {
    contents = *pendingBlobs_[n];
  } else {
    RecordPointer at(*table_, record);
    const std::int64_t size = table_->MemoSize(static_cast<std::int32_t>(n));
    if (size > 0) {
      contents.resize(static_cast<std::size_t>(size));
      std::int32_t length = static_cast<std::int32_t>(std::min<std::int64_t>(size, INT32_MAX));
      table_->MemoRead(static_cast<std::int32_t>(n), contents.data(), length);
      contents.resize(static_cast<std::size_t>(std::max(length, 0)));
    }
  }
  if (translateASCII_ && field.Transliterate())
    OemToAnsiInPlace(reinterpret_cast<std::uint8_t*>(contents.data()), contents.size());
  return contents;
}

bool TTalvernDataSet::BlobIsNull(const TField& field, const std::uint8_t* record) {
  const std::size_t n = static_cast<std::size_t>(field.FieldNo());
  if ((State() == dsEdit || State() == dsInsert) && record == ActiveBuffer() && pendingBlobs_[n])
    return pendingBlobs_[n]->empty();
  RecordPointer at(*table_, const_cast<std::uint8_t*>(record));
  return table_->NumberGet(static_cast<std::int32_t>(n)) == 0;
}

void TTalvernDataSet::BlobWritten(const TField& field, std::string contents) {
  const std::size_t n = static_cast<std::size_t>(field.FieldNo());
  if (n < 1 || n >= pendingBlobs_.size()) return;
  if (translateASCII_ && field.Transliterate())
    AnsiToOemInPlace(reinterpret_cast<std::uint8_t*>(contents.data()), contents.size());
  pendingBlobs_[n] = std::move(contents);
  DataEvent(deFieldChange, const_cast<TField*>(&field));
}

}  // namespace talvern
